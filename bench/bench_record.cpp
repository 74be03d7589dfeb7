// The recorder: 60 s recorded from the sound server's input (the monitor of
// a null sink into which paplay plays a tone) while a 1 ms timer watches the
// GUI thread. Reports the longest pause of the GUI thread, the recorded
// length against the wall time (a dropped piece would show), and the CPU
// time the process used per recorded second, beside parec recording the same
// input in the same run.
// Without PULSE_SERVER set, it starts a private PulseAudio server for itself.
// Usage: bench_record [seconds, default 60]
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
#include <cstdio>
#include <functional>

namespace {

double CpuSeconds(int who) {
    rusage ru{};
    getrusage(who, &ru);
    return double(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
           double(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
}

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
    const int seconds = bench::CountArg(argc, argv, 1, 60, 2);
    bench::PrivateAudioServer server;
    QString source = QStringLiteral("@DEFAULT_SOURCE@");
    if (qEnvironmentVariableIsEmpty("PULSE_SERVER")) {
        if (!server.start()) {
            std::printf("bench_record: FAILED: no audio server, and a private one did not start\n");
            return 1;
        }
        // An input carrying what the sink plays (the system lists no monitors as inputs).
        for (const QStringList& args : {QStringList{"load-module", "module-remap-source",
                                                    "source_name=bench_mic", "master=bench_null.monitor"},
                                        QStringList{"set-default-source", "bench_mic"}}) {
            QProcess pactl; // its module number is not wanted in the report
            pactl.start("pactl", args);
            pactl.waitForFinished(10000);
        }
    }
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid()) return 1;
    const QString tone = dir.filePath("tone.wav");
    if (!bench::RunFfmpeg("bench_record", {"-f", "lavfi", "-i",
                                           QStringLiteral("sine=frequency=440:duration=%1").arg(seconds + 30),
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
    std::printf("bench_record: %d s recorded at 44,100 Hz 16-bit stereo from the monitor of a null sink "
                "that plays a tone\n",
                seconds);

    // The machine's own share of GUI pauses: a baseline with nothing recording.
    bench::StallProbe baseline;
    baseline.Start();
    Run(3000);
    baseline.Stop();

    // The recorder, then parec on the same input in the same run.
    qint32 device = 0;
    components::tWaveFormatEx format;
    format.wFormatTag = 1;
    format.nChannels = 2;
    format.nSamplesPerSec = 44100;
    format.nBlockAlign = 4;
    format.nAvgBytesPerSec = 176400;
    format.wBitsPerSample = 16;
    const QString out = dir.filePath("take.wav");
    bench::StallProbe watch;
    watch.Start();
    const double cpu0 = CpuSeconds(RUSAGE_SELF);
    QElapsedTimer wall;
    wall.start();
    if (wave.RecordStart(device, out, format, 1600) != 0) {
        std::printf("bench_record: FAILED: RecordStart: %s\n", qPrintable(wave.GetErrorText(device)));
        return 1;
    }
    Run(seconds * 1000);
    QElapsedTimer stopCall;
    stopCall.start();
    const double wallSeconds = double(wall.nsecsElapsed()) / 1e9;
    wave.RecordStop();
    const double stopMs = double(stopCall.nsecsElapsed()) / 1e6;
    const double cpu = CpuSeconds(RUSAGE_SELF) - cpu0;
    Run(200);
    watch.Stop();
    const double recorded = double(wave.RecordedFrames()) / 44100.0;

    const double childCpu0 = CpuSeconds(RUSAGE_CHILDREN);
    QProcess parec;
    parec.setStandardOutputFile(dir.filePath("parec.raw"));
    parec.start("parec", {QStringLiteral("--device=%1").arg(source), "--raw", "--format=s16le",
                          "--rate=44100", "--channels=2", "--latency-msec=10"});
    if (!parec.waitForStarted(5000)) {
        std::printf("bench_record: FAILED: parec did not start\n");
        return 1;
    }
    Run(seconds * 1000);
    parec.terminate();
    parec.waitForFinished(5000);
    const double parecCpu = CpuSeconds(RUSAGE_CHILDREN) - childCpu0;
    const double parecSeconds = double(QFileInfo(dir.filePath("parec.raw")).size()) / 176400.0;
    player.kill();
    player.waitForFinished(5000);

    const double driftMs = (recorded - wallSeconds) * 1000.0;
    std::printf("  GUI thread, longest gap between 1 ms timer ticks: %.1f ms while recording (%d gaps over "
                "20 ms), %.1f ms with nothing recording (%d over 20 ms) (target < 20 ms)\n",
                watch.LongestStallMs(), watch.LongGaps(), baseline.LongestStallMs(), baseline.LongGaps());
    std::printf("  RecordStop (the file completed under its name): %.1f ms\n", stopMs);
    std::printf("  recorded %.3f s in %.3f s of wall time: %+.1f ms (target within 20 ms)\n", recorded,
                wallSeconds, driftMs);
    std::printf("  meter: %d levels, loudest %d of 120; DoneRecord events: %d (1 expected)\n", levels,
                loudest, doneRecords);
    std::printf("  parec on the same input: %.4f s of CPU for %.1f s recorded (%.4f per second)\n", parecCpu,
                parecSeconds, parecSeconds > 0 ? parecCpu / parecSeconds : 0.0);
    const double ratio = recorded > 0 ? cpu / recorded : 1.0;
    std::printf(
        "bench_record: ratio %.4f (CPU seconds per recorded second; %.3f s for %.1f s; target <= 0.03)\n",
        ratio, cpu, recorded);
    return doneRecords == 1 && recorded > seconds * 0.9 ? 0 : 1;
}
