// Joining WAV files into one MP3 with the joiner component, against ffmpeg's
// concat demuxer writing the same MP3 with the same LAME settings (CBR
// 128 kbps, 44100 Hz, joint stereo, encoder quality 5, ID3v2.3 and ID3v1, no
// VBR tag). The two take turns for several rounds and the medians decide the
// ratio, so a busy moment of the machine does not. Also the longest pause of
// the GUI thread while the joiner runs. Both joined files are decoded and
// compared with the sources one after another.
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

// The concat demuxer's list of `sources`.
bool WriteList(const QStringList& sources, const QString& list) {
    QFile f(list);
    if (!f.open(QIODevice::WriteOnly)) return false;
    for (const QString& s : sources)
        f.write("file '" + QFile::encodeName(s) + "'\n");
    return f.flush();
}

double TimeConcat(const QString& list, const QString& out) {
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

    const QString list = dir.filePath("list.txt");
    if (!WriteList(sources, list)) return 1;
    const QString cliOut = dir.filePath("concat.mp3");
    const QString joinOut = dir.filePath("joined.mp3");
    std::vector<double> stalls;
    bench::Turns turns;
    const bool ran = bench::Alternate(
        bench::Rounds(3),
        [&](int) {
            bench::StallProbe probe;
            const double s = TimeJoiner(sources, joinOut, probe);
            stalls.push_back(probe.LongestStallMs());
            return s;
        },
        [&](int) { return TimeConcat(list, cliOut); }, &turns);
    if (!ran) return 1;
    const double stall = bench::Median(stalls);
    std::printf("  %-22s median %.2f s (%.1f MB)\n", "ffmpeg concat demuxer:", turns.Peer(),
                double(QFileInfo(cliOut).size()) / 1e6);
    std::printf("  %-22s median %.2f s (%.1f MB)\n", "joiner component:", turns.Ours(),
                double(QFileInfo(joinOut).size()) / 1e6);
    std::printf("  longest GUI-thread stall: median %.1f ms (target <= 50); peak memory %.1f MB\n", stall,
                bench::MaxRssMb());

    bench::Outcome o;
    o.name = "bench_join";
    o.figure = bench::Secs(turns.Ours()) + QStringLiteral(", stall %1 ms").arg(stall, 0, 'f', 1);
    o.peer = "ffmpeg concat demuxer " + bench::Secs(turns.Peer());
    o.ratio = turns.Ratio();
    o.target = "ratio <= 1.05, stall <= 50 ms";
    o.met = o.ratio <= 1.05 && stall <= 50.0;
    // Both joined files hold the sources one after another, and agree in length.
    const QStringList joinedSources{"-f", "concat", "-safe", "0", "-i", list};
    const bench::AudioMatch ours = bench::CompareDecoded(joinedSources, {"-i", joinOut});
    const bench::AudioMatch peer = bench::CompareDecoded(joinedSources, {"-i", cliOut});
    for (const QString& f :
         {ours.Fault("joined.mp3", 1152, 20.0), peer.Fault("the peer's concat.mp3", 1152, 20.0)})
        if (!f.isEmpty()) o.faults << f;
    if (o.faults.isEmpty() && std::llabs((ours.frames - ours.lag) - (peer.frames - peer.lag)) > 1152)
        o.faults << QStringLiteral("joined.mp3: %1 frames, the peer's %2")
                        .arg(ours.frames - ours.lag)
                        .arg(peer.frames - peer.lag);
    return bench::Conclude(o) ? 0 : 1;
}
