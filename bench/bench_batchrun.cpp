// Converting WAV files to MP3 128 kbps through the batch run (the run
// controller driving the converter item by item, as the Audio Converter
// does), against the ffmpeg command line converting the same files one after
// another with the same settings, the two taking turns for several rounds;
// and the longest pause of the GUI thread during the run, seen by a 1 ms
// timer. Every output is decoded and compared with its source.
// Usage: bench_batchrun [file count, default 20] [seconds per file, default 60]
#include "BenchBatchView.h"
#include "BenchSupport.h"
#include "core/BatchRun.h"
#include "core/ConverterItemJob.h"
#include "itemlists/ItemRows.h"
#include "settings/EncoderSettings.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int count = bench::CountArg(argc, argv, 1, 20);
    const int seconds = bench::CountArg(argc, argv, 2, 60);

    QTemporaryDir dir;
    if (!dir.isValid()) return 1;
    QDir().mkpath(dir.filePath("batch"));
    QDir().mkpath(dir.filePath("cli"));
    const QStringList sources = bench::MakeWavTones("bench_batchrun", QDir(dir.path()), count, seconds);
    if (sources.isEmpty()) return 1;
    core::BatchRequest request = bench::BenchRequest(sources, seconds);
    std::printf("bench_batchrun: %d WAV files of %d s (44100 Hz, 16-bit stereo) to MP3 128 kbps\n", count,
                seconds);

    request.output = bench::UseBenchMp3Settings();
    request.destination = dir.filePath("batch");
    QStringList outputs, cliOutputs;
    for (int i = 0; i < count; ++i) {
        outputs << QDir(dir.filePath("batch")).filePath(QFileInfo(sources[i]).completeBaseName() + ".mp3");
        cliOutputs << dir.filePath(QStringLiteral("cli/out%1.mp3").arg(i));
    }

    int errors = 0;
    std::vector<double> stalls;
    bench::Turns turns;
    const bool ran = bench::Alternate(
        bench::Rounds(3),
        [&](int) {
            core::ConverterItemJob job;
            bench::NoEndActions end;
            core::BatchRun run(job, end);
            bench::CountErrors(run, "bench_batchrun", errors);
            run.g_ltmrItemSecsTotal = count * seconds;
            QEventLoop loop;
            QObject::connect(&run, &core::Job::Finished, &loop, &QEventLoop::quit);
            bench::StallProbe probe;
            const double s = bench::TimeLoop(loop, probe, [&] { run.Start(request); });
            stalls.push_back(probe.LongestStallMs());
            return s;
        },
        [&](int) {
            return bench::TimeCliMp3Conversions("bench_batchrun", sources, QDir(dir.filePath("cli")));
        },
        &turns);
    if (!ran) return 1;
    return bench::ConcludeAgainstCli("bench_batchrun", "batch run", turns, stalls, sources, outputs,
                                     cliOutputs, errors)
               ? 0
               : 1;
}
