// Converting WAV files to MP3 128 kbps with the converter, one after another
// (each next item started from the Done handler, as the batch run does),
// against the ffmpeg command line converting the same files one after another
// with the same settings. Also the longest pause of the GUI thread during the
// converter's run, seen by a 1 ms timer.
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

    const double cliSeconds =
        bench::TimeCliMp3Conversions("bench_convert", sources, QDir(dir.filePath("cli")));
    if (cliSeconds < 0) return 1;

    cAudioConverter converter;
    components::tMP3Settings mp3;
    mp3.Bitrate = 128;
    mp3.SampleRate = 44100;
    mp3.Quality = 5;
    mp3.Mode = 1; // joint stereo
    converter.setOutputFormat(3);
    converter.SetMP3Settings(mp3);

    QEventLoop loop;
    int next = 0, failures = 0;
    auto startNext = [&] {
        if (next >= count) {
            loop.quit();
            return;
        }
        converter.setTagTitle(QStringLiteral("Item %1").arg(next));
        converter.setSourceFile(sources[next]);
        converter.setDestinationFile(dir.filePath(QStringLiteral("component/out%1.mp3").arg(next)));
        ++next;
        converter.StartConvert();
    };
    QObject::connect(&converter, &cAudioConverter::Done, &loop, startNext);
    QObject::connect(&converter, &cAudioConverter::Error, &loop, [&](qint32, const QString& d) {
        std::fprintf(stderr, "bench_convert: %s\n", qPrintable(d));
        ++failures;
        startNext();
    });

    bench::StallProbe probe;
    const double componentSeconds = bench::TimeLoop(loop, probe, startNext);
    bench::ReportAgainstCli("converter component", "component", componentSeconds,
                            QDir(dir.filePath("component")), cliSeconds, QDir(dir.filePath("cli")), probe,
                            failures);
    return failures ? 1 : 0;
}
