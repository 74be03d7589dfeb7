// Joining WAV files into one MP3 with the joiner component, against ffmpeg's
// concat demuxer writing the same MP3 with the same LAME settings (CBR
// 128 kbps, 44100 Hz, joint stereo, encoder quality 5, ID3v2.3 and ID3v1, no
// VBR tag). Each side runs twice, alternately, and keeps its best time, so a
// busy moment of the machine does not decide the ratio. Also the longest pause
// of the GUI thread while the joiner runs.
// Usage: bench_join [file count, default 20] [seconds per file, default 60]
#include "BenchSupport.h"
#include "components/cAudioJoin.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

using components::cAudioJoin;

namespace {

double TimeConcat(const QStringList& sources, const QString& list, const QString& out) {
    QFile f(list);
    if (!f.open(QIODevice::WriteOnly)) return -1.0;
    for (const QString& s : sources)
        f.write("file '" + QFile::encodeName(s) + "'\n");
    f.close();
    QElapsedTimer clock;
    clock.start();
    if (!bench::RunFfmpeg("bench_join", {"-f",
                                         "concat",
                                         "-safe",
                                         "0",
                                         "-i",
                                         list,
                                         "-c:a",
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
                                         "0",
                                         "-metadata",
                                         "title=Joined",
                                         out}))
        return -1.0;
    return double(clock.nsecsElapsed()) / 1e9;
}

double TimeJoiner(const QStringList& sources, const QString& out, bench::StallProbe& probe) {
    cAudioJoin joiner;
    components::tMP3Settings mp3;
    mp3.Bitrate = 128;
    mp3.SampleRate = 44100;
    mp3.Quality = 5;
    mp3.Mode = 1; // joint stereo
    joiner.setOutputFormat(3);
    joiner.SetMP3Settings(mp3);
    joiner.setTagTitle(QStringLiteral("Joined"));
    for (const QString& s : sources)
        joiner.AddFile(s, -1, -1);
    joiner.setDestinationFile(out);
    QEventLoop loop;
    bool ok = false;
    QObject::connect(&joiner, &cAudioJoin::Done, &loop, [&] {
        ok = true;
        loop.quit();
    });
    QObject::connect(&joiner, &cAudioJoin::Error, &loop, [&](qint32, const QString& d) {
        std::fprintf(stderr, "bench_join: %s\n", qPrintable(d));
        loop.quit();
    });
    const double seconds = bench::TimeLoop(loop, probe, [&] { joiner.StartJoin(); });
    return ok ? seconds : -1.0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int count = bench::CountArg(argc, argv, 1, 20);
    const int seconds = bench::CountArg(argc, argv, 2, 60);

    QTemporaryDir dir;
    if (!dir.isValid()) return 1;
    const QStringList sources = bench::MakeWavTones("bench_join", QDir(dir.path()), count, seconds);
    if (sources.isEmpty()) return 1;
    std::printf("bench_join: %d WAV files of %d s (44100 Hz, 16-bit stereo) joined into one MP3 128 kbps\n",
                count, seconds);

    const QString cliOut = dir.filePath("concat.mp3");
    const QString joinOut = dir.filePath("joined.mp3");
    double cliBest = 1e300, joinBest = 1e300;
    bench::StallProbe probe;
    for (int round = 0; round < 2; ++round) {
        const double cli = TimeConcat(sources, dir.filePath("list.txt"), cliOut);
        const double join = TimeJoiner(sources, joinOut, probe);
        if (cli < 0 || join < 0) return 1;
        cliBest = std::min(cliBest, cli);
        joinBest = std::min(joinBest, join);
    }
    std::printf("  %-22s %.2f s (%.1f MB)\n", "ffmpeg concat demuxer:", cliBest,
                double(QFileInfo(cliOut).size()) / 1e6);
    std::printf("  %-22s %.2f s (%.1f MB)\n", "joiner component:", joinBest,
                double(QFileInfo(joinOut).size()) / 1e6);
    std::printf("  longest GUI-thread stall: %.1f ms; pauses over 20 ms: %d; peak memory %.1f MB\n",
                probe.LongestStallMs(), probe.LongGaps(), bench::MaxRssMb());
    std::printf("  ratio joiner / ffmpeg concat: %.3f (target <= 1.05)\n", joinBest / cliBest);
    return 0;
}
