// Converting WAV files to MP3 128 kbps with the converter, one after another
// (each next item started from the Done handler, as the batch run does),
// against the ffmpeg command line converting the same files one after another
// with the same settings, the two taking turns for several rounds. Also the
// longest pause of the GUI thread during the converter's run, seen by a 1 ms
// timer. Every output is decoded and compared with its source.
// Usage: bench_convert [file count, default 20] [seconds per file, default 60]
#include "BenchSupport.h"
#include "components/cAudioConverter.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

using components::cAudioConverter;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int count = bench::CountArg(argc, argv, 1, 20);
    const int seconds = bench::CountArg(argc, argv, 2, 60);

    QTemporaryDir dir;
    if (!dir.isValid()) return 1;
    QDir().mkpath(dir.filePath("component"));
    QDir().mkpath(dir.filePath("cli"));
    const QStringList sources = bench::MakeWavTones("bench_convert", QDir(dir.path()), count, seconds);
    if (sources.isEmpty()) return 1;
    std::printf("bench_convert: %d WAV files of %d s (44100 Hz, 16-bit stereo) to MP3 128 kbps\n", count,
                seconds);

    cAudioConverter converter;
    components::tMP3Settings mp3;
    mp3.Bitrate = 128;
    mp3.SampleRate = 44100;
    mp3.Quality = 5;
    mp3.Mode = 1; // joint stereo
    converter.setOutputFormat(3);
    converter.SetMP3Settings(mp3);

    QStringList outputs, cliOutputs;
    for (int i = 0; i < count; ++i) {
        outputs << dir.filePath(QStringLiteral("component/out%1.mp3").arg(i));
        cliOutputs << dir.filePath(QStringLiteral("cli/out%1.mp3").arg(i));
    }
    QEventLoop loop;
    int next = 0, failures = 0;
    auto startNext = [&] {
        if (next >= count) {
            loop.quit();
            return;
        }
        converter.setTagTitle(QStringLiteral("Item %1").arg(next));
        converter.setSourceFile(sources[next]);
        converter.setDestinationFile(outputs[next]);
        ++next;
        converter.StartConvert();
    };
    QObject::connect(&converter, &cAudioConverter::Done, &loop, startNext);
    QObject::connect(&converter, &cAudioConverter::Error, &loop, [&](qint32, const QString& d) {
        std::fprintf(stderr, "bench_convert: %s\n", qPrintable(d));
        ++failures;
        startNext();
    });

    std::vector<double> stalls;
    bench::Turns turns;
    const bool ran = bench::Alternate(
        bench::Rounds(3),
        [&](int) {
            next = 0;
            bench::StallProbe probe;
            const double s = bench::TimeLoop(loop, probe, startNext);
            stalls.push_back(probe.LongestStallMs());
            return s;
        },
        [&](int) {
            return bench::TimeCliMp3Conversions("bench_convert", sources, QDir(dir.filePath("cli")));
        },
        &turns);
    if (!ran) return 1;
    return bench::ConcludeAgainstCli("bench_convert", "converter component", turns, stalls, sources, outputs,
                                     cliOutputs, failures)
               ? 0
               : 1;
}
