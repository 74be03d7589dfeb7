// The preview player on a 5-minute MP3: the time from Play to the first
// samples taken by the audio server, the process's CPU time while it plays,
// and the longest time the GUI thread was kept from running events (by the
// player's own calls and its feed), against a null sink.
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
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    return double(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
           double(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
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

} // namespace

int main(int argc, char** argv) {
    const int seconds = bench::CountArg(argc, argv, 1, 10, 2);
    bench::PrivateAudioServer server;
    if (qEnvironmentVariableIsEmpty("PULSE_SERVER") && !server.start()) {
        std::printf("bench_player: FAILED: no audio server, and a private one did not start\n");
        return 1;
    }
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

    // 1. Play to the first samples taken by the server (the stream's clock moves).
    std::vector<double> startMs, playCallMs;
    for (int i = 0; i < 7; ++i) {
        QElapsedTimer t;
        t.start();
        if (player.Play(mp3, -1) != 0) {
            std::printf("bench_player: FAILED: Play: %s\n", qPrintable(player.ErrorText()));
            return 1;
        }
        playCallMs.push_back(double(t.nsecsElapsed()) / 1e6);
        Run(3000, [&] { return player.GetPosition() > 0; });
        startMs.push_back(double(t.nsecsElapsed()) / 1e6);
        player.Stop();
        Run(300);
    }
    std::sort(startMs.begin(), startMs.end());
    std::sort(playCallMs.begin(), playCallMs.end());
    std::printf("  Play to the first samples on the sink: median %.1f ms, worst %.1f ms (target < 100 ms)\n",
                startMs[startMs.size() / 2], startMs.back());
    std::printf(
        "  the Play call itself (open, probe, first 200 ms decoded, sink opened): median %.1f ms, worst "
        "%.1f ms\n",
        playCallMs[playCallMs.size() / 2], playCallMs.back());

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
    std::printf("  PlayDone events: %d (one per Play: 9 expected)\n", playDones);
    std::printf("  peak memory (ru_maxrss): %.1f MB\n", bench::MaxRssMb());

    const bool ok = playDones == 9 && heard > seconds * 0.8;
    if (!ok) std::printf("bench_player: FAILED\n");
    return ok ? 0 : 1;
}
