// Burning an audio CD to a virtual drive against the plain copy of the same
// PCM, the physical limit: 60 minutes of generated WAV items burned as a
// CUE/BIN image, and dd appending each item's samples to one BIN file, the two
// taking turns for several rounds. The image must hold one track per item, of
// its length, and the very samples dd copied. Target: burn time at most 1.2
// times the copy's.
// Usage: bench_burn [minutes, default 60] [items, default 12]
#include "BenchSupport.h"
#include "components/DriveRegistry.h"
#include "components/cAudioBurner.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include <unistd.h>

namespace {

// A 44.1 kHz 16-bit stereo WAV of `seconds`: one second of a tone, repeated.
bool writeWav(const QString& path, int seconds, int seed) {
    QByteArray second(44100 * 4, '\0');
    auto* p = reinterpret_cast<uchar*>(second.data());
    for (int i = 0; i < 44100; ++i, p += 4) {
        const double t = double(i) / 44100.0;
        qToLittleEndian<qint16>(qint16(8000 * std::sin(2 * M_PI * 220.0 * (seed + 1) * t)), p);
        qToLittleEndian<qint16>(qint16(6000 * std::sin(2 * M_PI * 330.0 * (seed + 1) * t)), p + 2);
    }
    const quint32 data = quint32(second.size()) * quint32(seconds);
    QByteArray h(44, '\0');
    auto* q = reinterpret_cast<uchar*>(h.data());
    memcpy(q, "RIFF", 4);
    qToLittleEndian<quint32>(36 + data, q + 4);
    memcpy(q + 8, "WAVEfmt ", 8);
    qToLittleEndian<quint32>(16, q + 16);
    qToLittleEndian<quint16>(1, q + 20);
    qToLittleEndian<quint16>(2, q + 22);
    qToLittleEndian<quint32>(44100, q + 24);
    qToLittleEndian<quint32>(44100 * 4, q + 28);
    qToLittleEndian<quint16>(4, q + 32);
    qToLittleEndian<quint16>(16, q + 34);
    memcpy(q + 36, "data", 4);
    qToLittleEndian<quint32>(data, q + 40);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(h) != h.size()) return false;
    for (int s = 0; s < seconds; ++s)
        if (f.write(second) != second.size()) return false;
    return true;
}

// Whether the files at `a` and `b` hold the same bytes, read a piece at a time.
bool SameBytes(const QString& a, const QString& b) {
    QFile fa(a), fb(b);
    if (!fa.open(QIODevice::ReadOnly) || !fb.open(QIODevice::ReadOnly) || fa.size() != fb.size())
        return false;
    while (!fa.atEnd())
        if (fa.read(1 << 22) != fb.read(1 << 22)) return false;
    return true;
}

// The plain copy: dd appends each WAV's samples (after its 44-byte header) to `bin`.
double CopyWithDd(const QStringList& wavs, const QString& bin) {
    QFile::remove(bin);
    ::sync(); // neither side pays for writing back what was written before it
    QElapsedTimer clock;
    clock.start();
    for (const QString& p : wavs) {
        QProcess dd;
        dd.start("dd", {"if=" + p, "of=" + bin, "bs=1M", "iflag=skip_bytes", "skip=44", "oflag=append",
                        "conv=notrunc", "status=none"});
        if (!dd.waitForFinished(600000) || dd.exitStatus() != QProcess::NormalExit || dd.exitCode() != 0) {
            std::fprintf(stderr, "bench_burn: dd failed: %s\n", dd.readAllStandardError().constData());
            return -1.0;
        }
    }
    return double(clock.nsecsElapsed()) / 1e9;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int minutes = bench::CountArg(argc, argv, 1, 60);
    const int items = argc > 2 ? std::clamp(atoi(argv[2]), 1, 99) : 12;

    QTemporaryDir dir;
    if (!dir.isValid()) return 1;
    const QString drive = dir.filePath("drive");
    QDir().mkpath(drive);
    qputenv("CORVANE_VIRTUAL_DRIVES", drive.toUtf8());
    qputenv("CORVANE_NO_REAL_DRIVES", "1");

    QStringList paths;
    QList<int> lengths;
    const int total = minutes * 60;
    for (int i = 0; i < items; ++i) {
        const int seconds = total / items + (i < total % items ? 1 : 0);
        const QString p = dir.filePath(QStringLiteral("item%1.wav").arg(i + 1, 2, 10, QLatin1Char('0')));
        if (!writeWav(p, seconds, i)) {
            std::fprintf(stderr, "bench_burn: cannot write %s\n", qPrintable(p));
            return 1;
        }
        paths << p;
        lengths << seconds;
    }
    std::printf("bench_burn: %d minutes of 44.1 kHz 16-bit stereo WAV in %d items\n", minutes, items);

    const QString copy = dir.filePath("copy.bin");
    QString failure;
    auto burn = [&](int) {
        QDir(drive).removeRecursively(); // a blank disc in the drive for every round
        QDir().mkpath(drive);
        QFile::remove(copy); // the disc space for the image
        components::cAudioBurner burner;
        for (const QString& p : paths)
            if (!burner.AddTrack(p)) {
                std::fprintf(stderr, "bench_burn: the burner refused %s\n", qPrintable(p));
                return -1.0;
            }
        QObject::connect(&burner, &components::cAudioBurner::Error, [&](qint32 code, const QString& text) {
            failure = QStringLiteral("%1 (%2)").arg(text).arg(code);
        });
        ::sync();
        QElapsedTimer clock;
        clock.start();
        const qint32 rc = burner.BurnCD("D", components::cAudioBurner::kMaxSpeed);
        const double seconds = double(clock.nsecsElapsed()) / 1e9;
        if (rc != 0) {
            std::fprintf(stderr, "bench_burn: the burn failed: %s\n", qPrintable(failure));
            return -1.0;
        }
        return seconds;
    };
    bench::Turns turns;
    const int rounds = bench::Rounds(3);
    if (!bench::Alternate(
            rounds, burn, [&](int) { return CopyWithDd(paths, copy); }, &turns))
        return 1;
    // The last burn made room for its image; the copy to compare it with is made again.
    if (!QFileInfo::exists(copy) && CopyWithDd(paths, copy) < 0) return 1;

    const components::DiscInfo disc = components::DriveRegistry::instance().readDisc(0);
    std::printf("  dd of the same PCM:         %7.2f s (median of %d)\n", turns.Peer(), rounds);
    std::printf("  burn to the virtual drive:  %7.2f s (median of %d; %lld tracks on the disc)\n",
                turns.Ours(), rounds, static_cast<long long>(disc.tracks.size()));
    std::printf("  peak memory:                %7.1f MB\n", bench::MaxRssMb());

    bench::Outcome o;
    o.name = "bench_burn";
    o.figure = bench::Secs(turns.Ours());
    o.peer = "dd of the same PCM " + bench::Secs(turns.Peer());
    o.ratio = turns.Ratio();
    o.target = "ratio <= 1.20";
    o.met = o.ratio <= 1.2;
    // One track per item, as long as its item, holding the samples dd copied.
    if (disc.tracks.size() != items)
        o.faults << QStringLiteral("%1 tracks on the disc for %2 items").arg(disc.tracks.size()).arg(items);
    for (qsizetype i = 0; i < disc.tracks.size() && i < items; ++i)
        if (disc.tracks[i].sectors != lengths[i] * 75)
            o.faults << QStringLiteral("track %1: %2 sectors, its item has %3")
                            .arg(i + 1)
                            .arg(disc.tracks[i].sectors)
                            .arg(lengths[i] * 75);
    const QStringList bins = QDir(drive).entryList({"*.bin"}, QDir::Files);
    if (bins.size() != 1)
        o.faults << QStringLiteral("%1 BIN files on the drive").arg(bins.size());
    else if (!SameBytes(QDir(drive).filePath(bins.first()), copy))
        o.faults << QStringLiteral("the image's samples are not those of the items");
    return bench::Conclude(o) ? 0 : 1;
}
