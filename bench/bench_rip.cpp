// How long ripping a 10-minute audio track to WAV takes through the ripper
// component, against cd-paranoia (package cd-paranoia) reading the same
// CUE/BIN image with its default (full) paranoia checks. Both runs read from
// the page cache; the two take turns for several rounds and the medians count.
// Both WAV files must hold the same samples.
// Usage: bench_rip [minutes, default 10] [rounds, default 5]
#include "BenchSupport.h"
#include "components/cAudioCDRipper.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtEndian>

#include <cmath>
#include <cstdio>
#include <numbers>

namespace {

constexpr int kRate = 44100;

// One audio track of `seconds`: a sine sweep, so no two sectors look alike.
bool writeImage(const QString& folder, int seconds) {
    QFile bin(folder + "/disc.bin");
    if (!bin.open(QIODevice::WriteOnly)) return false;
    const qint64 frames = qint64(seconds) * kRate;
    QByteArray chunk(kRate * 4, Qt::Uninitialized);
    for (qint64 f = 0; f < frames; f += kRate) {
        char* p = chunk.data();
        for (int i = 0; i < kRate; ++i, p += 4) {
            const double t = double(f + i) / kRate;
            const auto v = qint16(std::lround(12000.0 * std::sin(2.0 * std::numbers::pi * (200.0 + t) * t)));
            qToLittleEndian<qint16>(v, p);
            qToLittleEndian<qint16>(qint16(v / 2), p + 2);
        }
        if (bin.write(chunk) != chunk.size()) return false;
    }
    QFile cue(folder + "/disc.cue");
    if (!cue.open(QIODevice::WriteOnly)) return false;
    cue.write("FILE \"disc.bin\" BINARY\r\n  TRACK 01 AUDIO\r\n    INDEX 01 00:00:00\r\n");
    return true;
}

QByteArray wavData(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    const QByteArray all = f.readAll();
    const qsizetype at = all.indexOf("data", 12);
    return at < 0 ? QByteArray() : all.mid(at + 8);
}

double ripWithComponent(const QString& dest) {
    components::cAudioCDRipper ripper;
    ripper.setOutputFormat(1);
    components::tWAVSettings wav;
    wav.SampleRate = kRate;
    wav.Channels = 2;
    wav.BitsPerSample = 16;
    ripper.SetWAVSettings(wav);
    ripper.setDeviceIndex(0);
    ripper.setTrack(1);
    ripper.setDestinationFile(dest);
    QEventLoop loop;
    bool ok = false;
    QObject::connect(&ripper, &components::cAudioCDRipper::Done, &loop, [&] {
        ok = true;
        loop.quit();
    });
    QObject::connect(&ripper, &components::cAudioCDRipper::Error, &loop, [&](qint32, const QString& m) {
        std::fprintf(stderr, "bench_rip: the ripper failed: %s\n", qPrintable(m));
        loop.quit();
    });
    QElapsedTimer t;
    t.start();
    ripper.StartRip();
    loop.exec();
    return ok ? double(t.nsecsElapsed()) / 1e9 : -1.0;
}

double ripWithCdParanoia(const QString& exe, const QString& cue, const QString& dest) {
    QProcess p;
    QElapsedTimer t;
    t.start();
    p.start(exe, {"-q", "-d", cue, "1", dest});
    if (!p.waitForFinished(600000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        std::fprintf(stderr, "bench_rip: cd-paranoia failed: %s\n", p.readAllStandardError().constData());
        return -1.0;
    }
    return double(t.nsecsElapsed()) / 1e9;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int minutes = bench::CountArg(argc, argv, 1, 10);
    const int reps = bench::CountArg(argc, argv, 2, bench::Rounds(5));
    const QString paranoia = QStandardPaths::findExecutable("cd-paranoia");
    if (paranoia.isEmpty()) {
        std::fprintf(stderr, "bench_rip: cd-paranoia (package cd-paranoia) is needed\n");
        return 2;
    }
    QTemporaryDir dir;
    const QString drive = dir.filePath("drive");
    const QString out = dir.filePath("out");
    QDir().mkpath(drive);
    QDir().mkpath(out);
    if (!writeImage(drive, minutes * 60)) {
        std::fprintf(stderr, "bench_rip: cannot write the image\n");
        return 2;
    }
    qputenv("CORVANE_NO_REAL_DRIVES", "1");
    qputenv("CORVANE_VIRTUAL_DRIVES", drive.toLocal8Bit());
    { // both read from the page cache
        QFile bin(drive + "/disc.bin");
        if (bin.open(QIODevice::ReadOnly))
            while (!bin.read(1 << 20).isEmpty()) {
            }
    }

    bench::Turns turns;
    if (!bench::Alternate(
            reps, [&](int) { return ripWithComponent(out + "/ours.wav"); },
            [&](int) { return ripWithCdParanoia(paranoia, drive + "/disc.cue", out + "/theirs.wav"); },
            &turns))
        return 1;
    const double rss = bench::MaxRssMb(); // before the comparison reads both files
    const bool same = wavData(out + "/ours.wav") == wavData(out + "/theirs.wav");
    std::printf("bench_rip: %d min track to WAV, median of %d\n", minutes, reps);
    std::printf("  cAudioCDRipper : %8.3f s\n", turns.Ours());
    std::printf("  cd-paranoia    : %8.3f s\n", turns.Peer());
    std::printf("  peak memory    : %8.1f MB (while ripping)\n", rss);
    bench::Outcome o;
    o.name = "bench_rip";
    o.figure = bench::Secs(turns.Ours());
    o.peer = "cd-paranoia " + bench::Secs(turns.Peer());
    o.ratio = turns.Ratio();
    o.target = "ratio <= 1.1";
    o.met = o.ratio <= 1.1;
    if (!same) o.faults << "the two WAV files hold different samples";
    return bench::Conclude(o) ? 0 : 1;
}
