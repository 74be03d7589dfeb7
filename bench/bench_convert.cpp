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

namespace {

bool RunFfmpeg(const QStringList& args) {
    QProcess ff;
    ff.start("ffmpeg", QStringList{"-v", "error", "-y"} + args);
    if (!ff.waitForFinished(600000) || ff.exitStatus() != QProcess::NormalExit || ff.exitCode() != 0) {
        std::fprintf(stderr, "bench_convert: ffmpeg failed: %s\n", ff.readAllStandardError().constData());
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? std::max(1, atoi(argv[1])) : 20;
    const int seconds = argc > 2 ? std::max(1, atoi(argv[2])) : 60;

    QTemporaryDir dir;
    if (!dir.isValid()) return 1;
    QDir().mkpath(dir.filePath("component"));
    QDir().mkpath(dir.filePath("cli"));
    QStringList sources;
    for (int i = 0; i < count; ++i) {
        const QString p = dir.filePath(QStringLiteral("src%1.wav").arg(i, 2, 10, QLatin1Char('0')));
        // A different tone in each file, so that no two encodes are alike.
        if (!RunFfmpeg({"-f", "lavfi", "-i", QStringLiteral("sine=f=%1:d=%2").arg(300 + 20 * i).arg(seconds),
                        "-ac", "2", "-ar", "44100", "-c:a", "pcm_s16le", p}))
            return 1;
        sources << p;
    }
    std::printf("bench_convert: %d WAV files of %d s (44100 Hz, 16-bit stereo) to MP3 128 kbps\n", count,
                seconds);

    // The same settings on both sides: CBR 128 kbps, 44100 Hz, joint stereo,
    // encoder quality 5, ID3v2.3 and ID3v1 tags, no VBR tag.
    const QStringList cliSettings{"-c:a",
                                  "libmp3lame",
                                  "-b:a",
                                  "128k",
                                  "-ar",
                                  "44100",
                                  "-compression_level",
                                  "5",
                                  "-joint_stereo",
                                  "1",
                                  "-id3v2_version",
                                  "3",
                                  "-write_id3v1",
                                  "1",
                                  "-write_xing",
                                  "0"};

    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < count; ++i)
        if (!RunFfmpeg(QStringList{"-i", sources[i]} + cliSettings +
                       QStringList{dir.filePath(QStringLiteral("cli/out%1.mp3").arg(i))}))
            return 1;
    const double cliSeconds = double(clock.nsecsElapsed()) / 1e9;

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

    // Each tick is proof that the GUI thread ran events; the longest gap is the longest stall.
    QElapsedTimer sinceTick;
    qint64 longestGapNs = 0;
    QTimer probe;
    probe.setInterval(1);
    int longGaps = 0; // gaps over 20 ms
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const qint64 gap = sinceTick.nsecsElapsed();
        longestGapNs = std::max(longestGapNs, gap);
        if (gap > 20000000) ++longGaps;
        sinceTick.restart();
    });

    clock.restart();
    sinceTick.start();
    probe.start();
    QTimer::singleShot(0, &loop, startNext);
    loop.exec();
    probe.stop();
    const double componentSeconds = double(clock.nsecsElapsed()) / 1e9;
    auto bytesIn = [&](const QString& sub) {
        qint64 total = 0;
        for (const QFileInfo& fi : QDir(dir.filePath(sub)).entryInfoList(QDir::Files))
            total += fi.size();
        return total;
    };

    std::printf("  ffmpeg command line: %.2f s (%.1f MB written)\n", cliSeconds,
                double(bytesIn("cli")) / 1e6);
    std::printf("  converter component: %.2f s (%.1f MB written)\n", componentSeconds,
                double(bytesIn("component")) / 1e6);
    std::printf("  ratio component / command line: %.3f (target <= 1.05)\n", componentSeconds / cliSeconds);
    std::printf("  longest GUI-thread stall: %.1f ms (target <= 50); pauses over 20 ms: %d\n",
                double(longestGapNs) / 1e6, longGaps);
    std::printf("  failed items: %d, peak memory %.1f MB\n", failures, bench::MaxRssMb());
    return failures ? 1 : 0;
}
