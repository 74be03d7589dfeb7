// The preview player on a 5-minute MP3: the time from Play to the first
// samples taken by the audio server, the process's CPU time while it plays,
// and the longest time the GUI thread was kept from running events (by the
// player's own calls and its feed), against a null sink. Beside it, paplay
// playing the same file on the same server: the time from the start to the
// first sound on the sink's monitor, the two taking turns for several rounds.
// Without PULSE_SERVER set, it starts a private PulseAudio server for itself.
// Usage: bench_player [seconds of playing per measure, default 10]
#include "BenchSupport.h"
#include "components/cPlayer.h"

#include <QAudioDevice>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QMediaDevices>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <signal.h>
#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

namespace {

double CpuSeconds() {
    return bench::CpuSeconds(RUSAGE_SELF);
}

// Runs the event loop for `ms`, or until `until` holds (asked every millisecond).
void Run(int ms, const std::function<bool()>& until = {}) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    QTimer poll;
    if (until) {
        QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
            if (until()) loop.quit();
        });
        poll.start(1);
    }
    loop.exec();
}

// Listens to the sink's monitor: the moment the first sound reaches it after Arm.
class SinkWatch {
public:
    bool Start() {
        QObject::connect(&m_parec, &QProcess::readyReadStandardOutput, [this] {
            const QByteArray data = m_parec.readAllStandardOutput();
            if (!m_armed || m_heardMs >= 0) return;
            const auto* v = reinterpret_cast<const qint16*>(data.constData());
            for (qsizetype i = 0; i < data.size() / 2; ++i)
                if (std::abs(int(v[i])) > 64) {
                    m_heardMs = double(m_since.nsecsElapsed()) / 1e6;
                    return;
                }
        });
        m_parec.start("parec", {"--device=@DEFAULT_MONITOR@", "--raw", "--format=s16le", "--rate=44100",
                                "--channels=2", "--latency-msec=2"});
        return m_parec.waitForStarted(5000);
    }
    ~SinkWatch() {
        m_parec.kill();
        m_parec.waitForFinished(5000);
    }
    // From now on, the first sound counts; `since` is the clock it is timed by.
    void Arm(const QElapsedTimer& since) {
        m_since = since;
        m_heardMs = -1;
        m_armed = true;
    }
    bool Heard() const { return m_heardMs >= 0; }
    double HeardMs() const { return m_heardMs; }

private:
    QProcess m_parec;
    QElapsedTimer m_since;
    double m_heardMs = -1;
    bool m_armed = false;
};

} // namespace

int main(int argc, char** argv) {
    const int seconds = bench::CountArg(argc, argv, 1, 10, 2);
    bench::PrivateAudioServer server;
    if (!server.UseGivenOrStart("bench_player", false)) return 1;
    QCoreApplication app(argc, argv);
    if (QMediaDevices::audioOutputs().isEmpty()) {
        std::printf("bench_player: FAILED: the audio server offers no output\n");
        return 1;
    }

    QTemporaryDir dir;
    if (!dir.isValid()) return 1;
    const QString mp3 = dir.filePath("five-minutes.mp3");
    if (!bench::MakeMp3Tone("bench_player", mp3, 300, {})) return 1;
    std::printf("bench_player: a 5-minute 128 kbps stereo MP3 on a null sink; %d s of playing per measure\n",
                seconds);

    components::cPlayer player;
    int playDones = 0;
    QObject::connect(&player, &components::cPlayer::PlayDone, [&] { ++playDones; });

    // 1. Play to the first samples taken by the server (the stream's clock
    // moves), and to the first sound on the sink's monitor, beside paplay
    // started on the same file.
    SinkWatch sink;
    if (!sink.Start()) {
        std::printf("bench_player: FAILED: parec did not start\n");
        return 1;
    }
    std::vector<double> startMs, playCallMs;
    bench::Turns turns;
    const bool ran = bench::Alternate(
        bench::Rounds(7),
        [&](int) {
            QElapsedTimer t;
            t.start();
            sink.Arm(t);
            if (player.Play(mp3, -1) != 0) {
                std::printf("bench_player: FAILED: Play: %s\n", qPrintable(player.ErrorText()));
                return -1.0;
            }
            playCallMs.push_back(double(t.nsecsElapsed()) / 1e6);
            Run(3000, [&] { return player.GetPosition() > 0; });
            startMs.push_back(double(t.nsecsElapsed()) / 1e6);
            Run(3000, [&] { return sink.Heard(); });
            const double heardMs = sink.Heard() ? sink.HeardMs() : 3000.0;
            player.Stop();
            Run(300);
            return heardMs;
        },
        [&](int) {
            QProcess paplay;
            QElapsedTimer t;
            t.start();
            sink.Arm(t);
            paplay.start("paplay", {mp3});
            if (!paplay.waitForStarted(5000)) {
                std::printf("bench_player: FAILED: paplay did not start\n");
                return -1.0;
            }
            Run(3000, [&] { return sink.Heard(); });
            const double heardMs = sink.Heard() ? sink.HeardMs() : 3000.0;
            paplay.kill();
            paplay.waitForFinished(5000);
            Run(300);
            return heardMs;
        },
        &turns);
    if (!ran) return 1;
    const double firstSamplesMs = bench::Median(startMs);
    std::printf(
        "  Play to the first samples taken by the server: median %.1f ms, worst %.1f ms (target < 100 ms)\n",
        firstSamplesMs, *std::max_element(startMs.begin(), startMs.end()));
    std::printf(
        "  the Play call itself (open, probe, first 200 ms decoded, sink opened): median %.1f ms, worst "
        "%.1f ms\n",
        bench::Median(playCallMs), *std::max_element(playCallMs.begin(), playCallMs.end()));
    std::printf("  start to the first sound on the sink's monitor: Play %.1f ms, paplay %.1f ms (medians)\n",
                turns.Ours(), turns.Peer());

    // 2. CPU time of the whole process while it plays, nothing else running.
    player.Play(mp3, -1);
    Run(1000);
    const double cpu0 = CpuSeconds();
    QElapsedTimer wall;
    wall.start();
    Run(seconds * 1000);
    const double cpuShare = (CpuSeconds() - cpu0) / (double(wall.nsecsElapsed()) / 1e9) * 100.0;
    const double heard = player.GetPosition();
    std::printf(
        "  CPU while playing: %.2f %% of one core (target < 5 %%); position after the measure %.1f s\n",
        cpuShare, heard);

    // 3. The GUI thread: a 1 ms timer measures the longest gap between its
    // ticks while a file starts, plays, is paused, resumed, sought and stopped.
    // The machine's own share (other processes) shows in a baseline taken with nothing playing.
    struct Gaps {
        qint64 longestNs = 0;
        int over20 = 0;
    };
    Gaps baseline, playing;
    Gaps* current = &baseline;
    QElapsedTimer sinceTick;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    tick.setInterval(1);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 gap = sinceTick.nsecsElapsed();
        current->longestNs = std::max(current->longestNs, gap);
        if (gap > 20000000) ++current->over20;
        sinceTick.restart();
    });
    double longestCallMs = 0;
    const char* longestCall = "";
    auto timed = [&](const char* name, const std::function<void()>& call) {
        QElapsedTimer t;
        t.start();
        call();
        const double ms = double(t.nsecsElapsed()) / 1e6;
        if (ms > longestCallMs) {
            longestCallMs = ms;
            longestCall = name;
        }
    };
    timed("Stop", [&] { player.Stop(); });
    Run(300);
    sinceTick.start();
    tick.start();
    Run(seconds * 1000 / 2);
    current = &playing;
    timed("Play", [&] { player.Play(mp3, -1); });
    Run(seconds * 1000 / 2);
    timed("Pause", [&] { player.Pause(); });
    Run(500);
    timed("Resume", [&] { player.Resume(); });
    Run(500);
    for (double to : {150.0, 30.0, 280.0, 10.0}) {
        timed("SetPosition", [&] { player.SetPosition(to); });
        Run(300);
        timed("AudioData", [&] { (void)player.AudioData(); });
    }
    Run(seconds * 1000 / 2);
    timed("Stop", [&] { player.Stop(); });
    Run(300);
    tick.stop();
    std::printf(
        "  GUI thread, longest gap between 1 ms timer ticks: %.1f ms while playing (%d gaps over 20 ms), "
        "%.1f ms with nothing playing (%d over 20 ms) (target < 20 ms)\n",
        double(playing.longestNs) / 1e6, playing.over20, double(baseline.longestNs) / 1e6, baseline.over20);
    std::printf("  longest player call: %s, %.1f ms\n", longestCall, longestCallMs);
    std::printf("  PlayDone events: %d (one per Play: %d expected)\n", playDones, int(turns.ours.size()) + 2);
    std::printf("  peak memory (ru_maxrss): %.1f MB\n", bench::MaxRssMb());

    const int plays = int(turns.ours.size()) + 2;
    bench::Outcome o;
    o.name = "bench_player";
    o.figure = QStringLiteral("first sound %1 ms (first samples %2 ms), CPU %3 %, stall %4 ms")
                   .arg(turns.Ours(), 0, 'f', 1)
                   .arg(firstSamplesMs, 0, 'f', 1)
                   .arg(cpuShare, 0, 'f', 2)
                   .arg(double(playing.longestNs) / 1e6, 0, 'f', 1);
    o.peer = QStringLiteral("paplay first sound %1 ms").arg(turns.Peer(), 0, 'f', 1);
    o.ratio = turns.Ratio();
    o.target = "first samples < 100 ms, CPU < 5 %, stall < 20 ms";
    o.met = firstSamplesMs < 100.0 && cpuShare < 5.0 && playing.longestNs < 20'000'000;
    if (playDones != plays)
        o.faults << QStringLiteral("%1 PlayDone events for %2 plays").arg(playDones).arg(plays);
    if (heard <= seconds * 0.8)
        o.faults << QStringLiteral("at %1 s after %2 s of playing").arg(heard, 0, 'f', 1).arg(seconds + 1);
    return bench::Conclude(o) ? 0 : 1;
}
