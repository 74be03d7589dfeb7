// The recorder: recording from the sound server's input (the monitor of a
// null sink into which paplay plays a tone), against parec recording the same
// input, the two taking turns for several rounds: the CPU time each uses per
// recorded second (the recorder's whole process against parec's, both asking
// the server for pieces of 20 ms, as small as the recorder's). The GUI
// thread is watched by a 1 ms timer in a run of its own, so that the timer's
// cost is not charged to the recorder: the longest pause of the GUI thread and
// the recorded length against the wall time (a dropped piece would show).
// Without PULSE_SERVER set, it starts a private PulseAudio server for itself.
// Usage: bench_record [seconds per round, default 12]
#include "BenchSupport.h"
#include "components/cWave.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>

namespace {

void Run(int ms, const std::function<bool()>& until = {}) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    QTimer poll;
    if (until) {
        QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
            if (until()) loop.quit();
        });
        poll.start(5);
    }
    loop.exec();
}

} // namespace

int main(int argc, char** argv) {
    const int seconds = bench::CountArg(argc, argv, 1, 12, 2);
    const int rounds = bench::Rounds(5);
    const int stallSeconds = std::max(seconds, 30);
    bench::PrivateAudioServer server;
    if (!server.UseGivenOrStart("bench_record", true)) return 1;
    const QString source = QStringLiteral("@DEFAULT_SOURCE@");
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid()) return 1;
    const QString tone = dir.filePath("tone.wav");
    const int toneSeconds = 2 * rounds * seconds + stallSeconds + 60;
    if (!bench::RunFfmpeg("bench_record", {"-f", "lavfi", "-i",
                                           QStringLiteral("sine=frequency=440:duration=%1").arg(toneSeconds),
                                           "-ac", "2", "-ar", "44100", tone}))
        return 1;

    components::cWave wave;
    wave.MeterIn = true; // as the window records
    if (wave.GetDeviceCount(components::cWave::kDeviceIn) < 1) {
        std::printf("bench_record: FAILED: the audio server offers no input\n");
        return 1;
    }
    int levels = 0, doneRecords = 0;
    qint16 loudest = 0;
    QObject::connect(&wave, &components::cWave::MeterLevel, [&](qint16 level) {
        ++levels;
        loudest = std::max(loudest, level);
    });
    QObject::connect(&wave, &components::cWave::DoneRecord, [&] { ++doneRecords; });

    QProcess player;
    player.start("paplay", {"--latency-msec=100", tone});
    if (!player.waitForStarted(5000)) {
        std::printf("bench_record: FAILED: paplay did not start\n");
        return 1;
    }
    std::printf(
        "bench_record: %d rounds of %d s recorded at 44,100 Hz 16-bit stereo from the monitor of a null "
        "sink that plays a tone, beside parec; then %d s watched by a 1 ms timer\n",
        rounds, seconds, stallSeconds);

    qint32 device = 0;
    components::tWaveFormatEx format;
    format.wFormatTag = 1;
    format.nChannels = 2;
    format.nSamplesPerSec = 44100;
    format.nBlockAlign = 4;
    format.nAvgBytesPerSec = 176400;
    format.wBitsPerSample = 16;
    const QString out = dir.filePath("take.wav");
    // One recording of `ms`: the recorded seconds and the wall time, or a negative length.
    double stopMs = 0;
    auto record = [&](int ms, double* wallSeconds) -> double {
        QElapsedTimer wall;
        wall.start();
        if (wave.RecordStart(device, out, format, 1600) != 0) {
            std::printf("bench_record: FAILED: RecordStart: %s\n", qPrintable(wave.GetErrorText(device)));
            return -1.0;
        }
        Run(ms);
        QElapsedTimer stopCall;
        stopCall.start();
        *wallSeconds = double(wall.nsecsElapsed()) / 1e9;
        wave.RecordStop();
        stopMs = double(stopCall.nsecsElapsed()) / 1e6;
        return double(wave.RecordedFrames()) / 44100.0;
    };

    // 1. CPU per recorded second, the recorder and parec taking turns, nothing else watching.
    double shortest = 1e9;
    bench::Turns turns;
    const bool ran = bench::Alternate(
        rounds,
        [&](int) {
            const double cpu0 = bench::CpuSeconds(RUSAGE_SELF);
            double wallSeconds = 0;
            const double recorded = record(seconds * 1000, &wallSeconds);
            const double cpu = bench::CpuSeconds(RUSAGE_SELF) - cpu0;
            Run(200);
            if (recorded < 0) return -1.0;
            shortest = std::min(shortest, recorded);
            return recorded > 0 ? cpu / recorded : 1e9;
        },
        [&](int) {
            const double cpu0 = bench::CpuSeconds(RUSAGE_CHILDREN);
            QProcess parec;
            parec.setStandardOutputFile(dir.filePath("parec.raw"));
            parec.start("parec", {QStringLiteral("--device=%1").arg(source), "--raw", "--format=s16le",
                                  "--rate=44100", "--channels=2", "--latency-msec=20"});
            if (!parec.waitForStarted(5000)) {
                std::printf("bench_record: FAILED: parec did not start\n");
                return -1.0;
            }
            Run(seconds * 1000);
            parec.terminate();
            parec.waitForFinished(5000);
            const double cpu = bench::CpuSeconds(RUSAGE_CHILDREN) - cpu0;
            const double recorded = double(QFileInfo(dir.filePath("parec.raw")).size()) / 176400.0;
            return recorded > 0 ? cpu / recorded : 1e9;
        },
        &turns);
    if (!ran) return 1;

    // 2. The GUI thread while recording, in a run of its own: first the
    // machine's own share of pauses with nothing recording, then recording.
    bench::StallProbe baseline;
    baseline.Start();
    Run(3000);
    baseline.Stop();
    bench::StallProbe watch;
    watch.Start();
    double wallSeconds = 0;
    const double recorded = record(stallSeconds * 1000, &wallSeconds);
    Run(200);
    watch.Stop();
    player.kill();
    player.waitForFinished(5000);
    if (recorded < 0) return 1;

    const double driftMs = (recorded - wallSeconds) * 1000.0;
    std::printf("  CPU per recorded second: recorder %.4f s, parec %.4f s (medians of %d rounds)\n",
                turns.Ours(), turns.Peer(), rounds);
    std::printf("  GUI thread, longest gap between 1 ms timer ticks: %.1f ms while recording (%d gaps over "
                "20 ms), %.1f ms with nothing recording (%d over 20 ms) (target < 20 ms)\n",
                watch.LongestStallMs(), watch.LongGaps(), baseline.LongestStallMs(), baseline.LongGaps());
    std::printf("  RecordStop (the file completed under its name): %.1f ms\n", stopMs);
    std::printf("  recorded %.3f s in %.3f s of wall time: %+.1f ms (target within 20 ms)\n", recorded,
                wallSeconds, driftMs);
    std::printf("  meter: %d levels, loudest %d of 120; DoneRecord events: %d (%d expected)\n", levels,
                loudest, doneRecords, rounds + 1);

    bench::Outcome o;
    o.name = "bench_record";
    o.figure = QStringLiteral("%1 CPU-s/s, stall %2 ms, drift %3 ms")
                   .arg(turns.Ours(), 0, 'f', 4)
                   .arg(watch.LongestStallMs(), 0, 'f', 1)
                   .arg(driftMs, 0, 'f', 1);
    o.peer = QStringLiteral("parec %1 CPU-s/s").arg(turns.Peer(), 0, 'f', 4);
    o.ratio = turns.Ratio();
    o.target = "ratio <= 1.0, stall < 20 ms, drift within 20 ms";
    o.met = o.ratio <= 1.0 && watch.LongestStallMs() < 20.0 && std::abs(driftMs) <= 20.0;
    if (doneRecords != rounds + 1)
        o.faults << QStringLiteral("%1 DoneRecord events for %2 recordings").arg(doneRecords).arg(rounds + 1);
    if (shortest < seconds * 0.9 || recorded < stallSeconds * 0.9)
        o.faults << QStringLiteral("a recording of %1 s held %2 s")
                        .arg(shortest < seconds * 0.9 ? seconds : stallSeconds)
                        .arg(std::min(shortest, recorded), 0, 'f', 3);
    if (loudest <= 0) o.faults << "the meter never showed the tone";
    return bench::Conclude(o) ? 0 : 1;
}
