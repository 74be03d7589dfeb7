// Opening a long WAV in the analyser: from LoadFile to the whole file drawn
// from its finished peak cache, beside `sox FILE -n stat` reading the same
// file; the longest GUI-thread pause while the peaks are built, and the peak
// memory. Argument: minutes (default 60).
#include "BenchSupport.h"

#include "components/cAudioEditor.h"
#include "controls/cWaveView.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

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

double TimeSox(const QString& path) {
    QElapsedTimer t;
    t.start();
    QProcess sox;
    sox.start("sox", {path, "-n", "stat"});
    if (!sox.waitForFinished(600000) || sox.exitCode() != 0) return -1;
    return double(t.nsecsElapsed()) / 1e9;
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

    double ours = 0;
    bench::StallProbe probe;
    {
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
        ours = bench::TimeLoop(loop, probe, [&] {
            editor.LoadFile(wav);
            view.setSource([&](qint32 c, qint64 a, qint64 b, qint32 n) { return editor.Peaks(c, a, b, n); },
                           editor.Layout().channels, editor.Samples());
        });
        editor.Close();
    }
    const double rss = bench::MaxRssMb();
    const double theirs = TimeSox(wav);
    if (theirs < 0) {
        std::fprintf(stderr, "bench_analyser: sox failed\n");
        return 1;
    }
    std::printf("bench_analyser: %d min 16-bit stereo WAV opened to its first whole view\n", minutes);
    std::printf("  cAudioEditor   : %8.3f s\n", ours);
    std::printf("  sox -n stat    : %8.3f s\n", theirs);
    std::printf("  GUI pause      : %8.1f ms longest (target <= 50)\n", probe.LongestStallMs());
    std::printf("  peak memory    : %8.1f MB (%.1f MB before opening; target < 200)\n", rss, rssBefore);
    std::printf("  ratio          : %8.3f (target <= 1.0)\n", ours / theirs);
    return 0;
}
