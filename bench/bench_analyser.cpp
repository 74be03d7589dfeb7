// Opening a long WAV in the analyser: from LoadFile to the whole file drawn
// from its finished peak cache, beside `sox FILE -n stat` reading the same
// file, the two taking turns for several rounds; the longest GUI-thread pause
// while the peaks are built, and the peak memory. The analyser's length and
// peaks must be the samples and extremes sox reports.
// Argument: minutes (default 60).
#include "BenchSupport.h"

#include "components/cAudioEditor.h"
#include "controls/cWaveView.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

#include <cmath>
#include <vector>

namespace {

// A 16-bit stereo 44.1 kHz WAV of `minutes` of a slowly changing tone, written
// a piece at a time.
bool WriteLongWav(const QString& path, int minutes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly)) return false;
    const qint64 frames = qint64(minutes) * 60 * 44100;
    const qint64 bytes = frames * 4;
    QByteArray header(
        "RIFF....WAVEfmt \x10\x00\x00\x00\x01\x00\x02\x00\x44\xac\x00\x00\x10\xb1\x02\x00\x04\x00\x10\x00"
        "data....",
        44);
    qToLittleEndian(quint32(36 + bytes), header.data() + 4);
    qToLittleEndian(quint32(bytes), header.data() + 40);
    f.write(header);
    std::vector<qint16> chunk(44100 * 2);
    for (qint64 s = 0; s < frames / 44100; ++s) {
        for (int i = 0; i < 44100; ++i)
            chunk[size_t(2 * i)] = chunk[size_t(2 * i + 1)] = qint16((i * (s % 50 + 1)) % 20000 - 10000);
        if (f.write(reinterpret_cast<const char*>(chunk.data()), qint64(chunk.size() * 2)) !=
            qint64(chunk.size() * 2))
            return false;
    }
    return true;
}

// What sox reports of a file, or of the analyser's view of it.
struct Stat {
    qint64 samples = 0; // frames times channels
    double lowest = 0, highest = 0;
};

double TimeSox(const QString& path, Stat* stat) {
    QElapsedTimer t;
    t.start();
    QProcess sox;
    sox.start("sox", {path, "-n", "stat"});
    if (!sox.waitForFinished(600000) || sox.exitCode() != 0) return -1;
    const double seconds = double(t.nsecsElapsed()) / 1e9;
    for (const QByteArray& line : sox.readAllStandardError().split('\n')) {
        const QByteArray value = line.mid(line.indexOf(':') + 1).trimmed();
        if (line.startsWith("Samples read:")) stat->samples = value.toLongLong();
        if (line.startsWith("Maximum amplitude:")) stat->highest = value.toDouble();
        if (line.startsWith("Minimum amplitude:")) stat->lowest = value.toDouble();
    }
    return seconds;
}

// Opens `wav` in the analyser until the whole file is drawn from the finished
// peak cache; the seconds it took, with the analyser's length and extremes.
double OpenInAnalyser(const QString& wav, bench::StallProbe& probe, Stat* stat) {
    components::cAudioEditor editor;
    cWaveView view;
    view.resize(1200, 300);
    QEventLoop loop;
    QObject::connect(&editor, &components::cAudioEditor::ViewChanged, &loop, [&] {
        if (!editor.PeaksReady()) return;
        view.setView(editor.ViewStart(), editor.ViewEnd());
        view.grab(); // the first view drawn from the whole cache
        loop.quit();
    });
    const double seconds = bench::TimeLoop(loop, probe, [&] {
        editor.LoadFile(wav);
        view.setSource([&](qint32 c, qint64 a, qint64 b, qint32 n) { return editor.Peaks(c, a, b, n); },
                       editor.Layout().channels, editor.Samples());
    });
    const qint32 channels = editor.Layout().channels;
    stat->samples = editor.Samples() * channels;
    stat->lowest = 1;
    stat->highest = -1;
    for (qint32 c = 0; c < channels; ++c)
        for (const auto& [lo, hi] : editor.Peaks(c, 0, editor.Samples(), 1)) {
            stat->lowest = std::min(stat->lowest, double(lo));
            stat->highest = std::max(stat->highest, double(hi));
        }
    editor.Close();
    return seconds;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    const int minutes = bench::CountArg(argc, argv, 1, 60);
    QTemporaryDir dir;
    const QString wav = dir.filePath("long.wav");
    if (!WriteLongWav(wav, minutes)) {
        std::fprintf(stderr, "bench_analyser: cannot write the WAV\n");
        return 2;
    }
    { // both read from the page cache
        QFile f(wav);
        if (f.open(QIODevice::ReadOnly))
            while (!f.read(1 << 22).isEmpty()) {
            }
    }
    const double rssBefore = bench::MaxRssMb();

    Stat ours, theirs;
    std::vector<double> stalls;
    bench::Turns turns;
    const bool ran = bench::Alternate(
        bench::Rounds(3),
        [&](int) {
            bench::StallProbe probe;
            const double s = OpenInAnalyser(wav, probe, &ours);
            stalls.push_back(probe.LongestStallMs());
            return s;
        },
        [&](int) { return TimeSox(wav, &theirs); }, &turns);
    if (!ran) {
        std::fprintf(stderr, "bench_analyser: sox failed\n");
        return 1;
    }
    const double rss = bench::MaxRssMb();
    const double stall = bench::Median(stalls);
    std::printf(
        "bench_analyser: %d min 16-bit stereo WAV opened to its first whole view, median of %d rounds\n",
        minutes, int(turns.ours.size()));
    std::printf("  cAudioEditor   : %8.3f s (%lld samples, %.6f to %.6f)\n", turns.Ours(),
                (long long)ours.samples, ours.lowest, ours.highest);
    std::printf("  sox -n stat    : %8.3f s (%lld samples, %.6f to %.6f)\n", turns.Peer(),
                (long long)theirs.samples, theirs.lowest, theirs.highest);
    std::printf("  GUI pause      : %8.1f ms longest, median of the rounds (target <= 50)\n", stall);
    std::printf("  peak memory    : %8.1f MB (%.1f MB before opening; target < 200)\n", rss, rssBefore);

    bench::Outcome o;
    o.name = "bench_analyser";
    o.figure = bench::Secs(turns.Ours()) +
               QStringLiteral(", stall %1 ms, %2 MB").arg(stall, 0, 'f', 1).arg(rss, 0, 'f', 1);
    o.peer = "sox -n stat " + bench::Secs(turns.Peer());
    o.ratio = turns.Ratio();
    o.target = "ratio <= 1.0, stall <= 50 ms, memory < 200 MB";
    o.met = o.ratio <= 1.0 && stall <= 50.0 && rss < 200.0;
    if (ours.samples != theirs.samples)
        o.faults << QStringLiteral("%1 samples in the analyser, sox read %2")
                        .arg(ours.samples)
                        .arg(theirs.samples);
    // sox shows six decimals; a sample step is 1/32768.
    if (std::abs(ours.lowest - theirs.lowest) > 1e-4 || std::abs(ours.highest - theirs.highest) > 1e-4)
        o.faults << QStringLiteral("peaks %1 to %2 in the analyser, sox found %3 to %4")
                        .arg(ours.lowest)
                        .arg(ours.highest)
                        .arg(theirs.lowest)
                        .arg(theirs.highest);
    return bench::Conclude(o) ? 0 : 1;
}
