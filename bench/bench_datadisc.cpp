// Making an MP3 CD, conversion included: WAV items converted to MP3 128 kbps
// by the batch run into the temporary folder and burned as a data disc to a
// virtual drive, as the MP3 CD Maker does; against the ffmpeg command line
// converting the same items one after another with the same settings plus
// xorriso writing the same files to an ISO image, in one run.
// Target: ratio at most 1.1.
// Usage: bench_datadisc [item count, default 20] [seconds per item, default 60]
#include "BenchBatchView.h"
#include "BenchSupport.h"
#include "components/DriveRegistry.h"
#include "core/DataBurnJob.h"
#include "core/DataPrepJob.h"
#include "settings/EncoderSettings.h"
#include "settings/SettingsVariables.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int count = bench::CountArg(argc, argv, 1, 20);
    const int seconds = bench::CountArg(argc, argv, 2, 60);

    QTemporaryDir dir;
    if (!dir.isValid()) return 1;
    const QString drive = dir.filePath("drive");
    for (const char* sub : {"drive", "tmp", "cli"})
        QDir().mkpath(dir.filePath(sub));
    qputenv("CORVANE_VIRTUAL_DRIVES", drive.toUtf8());
    qputenv("CORVANE_NO_REAL_DRIVES", "1");

    const QStringList sources = bench::MakeWavTones("bench_datadisc", QDir(dir.path()), count, seconds);
    if (sources.isEmpty()) return 1;
    core::BatchRequest request = bench::BenchRequest(sources, seconds);
    std::printf("bench_datadisc: an MP3 CD of %d WAV items of %d s (44100 Hz, 16-bit stereo), MP3 128 kbps\n",
                count, seconds);

    // The yardstick: ffmpeg one item after another, then xorriso writing the image.
    const QDir cli(dir.filePath("cli"));
    const double cliConvert = bench::TimeCliMp3Conversions("bench_datadisc", sources, cli);
    if (cliConvert < 0) return 1;
    QElapsedTimer clock;
    clock.start();
    {
        QStringList args{"-as", "mkisofs", "-J", "-R", "-V", "BENCH", "-o", dir.filePath("cli.iso")};
        for (const QString& f : cli.entryList({"*.mp3"}, QDir::Files))
            args << cli.filePath(f);
        QProcess x;
        x.start("xorriso", args);
        if (!x.waitForFinished(600000) || x.exitStatus() != QProcess::NormalExit || x.exitCode() != 0) {
            std::fprintf(stderr, "bench_datadisc: xorriso failed: %s\n",
                         x.readAllStandardError().constData());
            return 1;
        }
    }
    const double cliImage = double(clock.nsecsElapsed()) / 1e9;
    const double cliSeconds = cliConvert + cliImage;

    request.output = bench::UseBenchMp3Settings();
    request.destination = dir.filePath("tmp");
    core::DataPrepJob job;
    bench::NoEndActions end;
    core::BatchPolicy policy;
    policy.endEvents = false;
    policy.completionBalloon = false;
    core::BatchRun run(job, end, policy);
    int errors = 0;
    bench::CountErrors(run, "bench_datadisc", errors);
    run.g_ltmrItemSecsTotal = count * seconds;

    components::cAudioDataBurner first;
    components::cBurner second;
    core::DataBurnChoices choices;
    choices.engine = [] { return 0; };
    choices.writerEntry = [&first] { return first.DeviceName(1); };
    choices.speed = [] { return components::cAudioDataBurner::kMaxSpeed; };
    choices.volumeName = [] { return QStringLiteral("BENCH"); };
    core::DataBurnJob burn(first, second, end, choices);

    QEventLoop loop;
    bool burned = false;
    QObject::connect(&run, &core::Job::Finished, &loop, [&] {
        if (!burn.Burn(run.Produced())) loop.quit();
    });
    QObject::connect(&burn, &core::Job::Finished, &loop, [&](bool ok) {
        burned = ok;
        loop.quit();
    });
    QString failure;
    QObject::connect(
        &first, &components::cAudioDataBurner::Error, &loop,
        [&](qint32 code, const QString& text) { failure = QStringLiteral("%1 (%2)").arg(text).arg(code); });
    bench::StallProbe probe;
    const double oursSeconds = bench::TimeLoop(loop, probe, [&] { run.Start(request); });
    if (!burned || errors) {
        std::fprintf(stderr, "bench_datadisc: the disc was not made: %s\n", qPrintable(failure));
        return 1;
    }
    const QString iso = QDir(drive).filePath("DataCD.iso");
    const double ratio = oursSeconds / cliSeconds;
    std::printf("  ffmpeg CLI, one after another:  %7.2f s\n", cliConvert);
    std::printf("  xorriso to an ISO image:        %7.2f s  (%.1f MB)\n", cliImage,
                double(QFileInfo(dir.filePath("cli.iso")).size()) / 1048576.0);
    std::printf("  MP3 CD to the virtual drive:    %7.2f s  (%.1f MB, %lld files)\n", oursSeconds,
                double(QFileInfo(iso).size()) / 1048576.0, static_cast<long long>(run.Produced().size()));
    std::printf("  peak memory:                    %7.1f MB\n", bench::MaxRssMb());
    std::printf("  ratio MP3 CD / (ffmpeg + xorriso): %.2f  (target <= 1.10: %s)\n", ratio,
                ratio <= 1.1 ? "met" : "MISSED");
    return 0;
}
