// Burning an audio CD to a virtual drive against plain decoding: 60 minutes of
// generated WAV items burned as a CUE/BIN image, and the same items decoded by
// the ffmpeg command line to raw PCM files, in one run. Target: burn time at
// most 1.2 times the decode time.
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

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int minutes = argc > 1 ? std::max(1, atoi(argv[1])) : 60;
    const int items = argc > 2 ? std::clamp(atoi(argv[2]), 1, 99) : 12;

    QTemporaryDir dir;
    if (!dir.isValid()) return 1;
    const QString drive = dir.filePath("drive");
    QDir().mkpath(drive);
    qputenv("CORVANE_VIRTUAL_DRIVES", drive.toUtf8());
    qputenv("CORVANE_NO_REAL_DRIVES", "1");

    QStringList paths;
    const int total = minutes * 60;
    for (int i = 0; i < items; ++i) {
        const int seconds = total / items + (i < total % items ? 1 : 0);
        const QString p = dir.filePath(QStringLiteral("item%1.wav").arg(i + 1, 2, 10, QLatin1Char('0')));
        if (!writeWav(p, seconds, i)) {
            std::fprintf(stderr, "bench_burn: cannot write %s\n", qPrintable(p));
            return 1;
        }
        paths << p;
    }
    std::printf("bench_burn: %d minutes of 44.1 kHz 16-bit stereo WAV in %d items\n", minutes, items);

    // The ffmpeg command line, one process per item, as its users would run it.
    const QString rawDir = dir.filePath("raw");
    QDir().mkpath(rawDir);
    // Neither side pays for writing back what was written before it.
    ::sync();
    QElapsedTimer clock;
    clock.start();
    for (const QString& p : paths) {
        QProcess ff;
        ff.start("ffmpeg", {"-v", "error", "-y", "-i", p, "-f", "s16le", "-ar", "44100", "-ac", "2",
                            rawDir + "/" + QFileInfo(p).completeBaseName() + ".raw"});
        if (!ff.waitForFinished(600000) || ff.exitCode() != 0) {
            std::fprintf(stderr, "bench_burn: ffmpeg failed: %s\n", ff.readAllStandardError().constData());
            return 1;
        }
    }
    const double decodeSeconds = double(clock.nsecsElapsed()) / 1e9;
    QDir(rawDir).removeRecursively(); // the disc space for the image

    components::cAudioBurner burner;
    for (const QString& p : paths)
        if (!burner.AddTrack(p)) {
            std::fprintf(stderr, "bench_burn: the burner refused %s\n", qPrintable(p));
            return 1;
        }
    QString failure;
    QObject::connect(&burner, &components::cAudioBurner::Error, [&](qint32 code, const QString& text) {
        failure = QStringLiteral("%1 (%2)").arg(text).arg(code);
    });
    ::sync();
    clock.restart();
    const qint32 rc = burner.BurnCD("D", components::cAudioBurner::kMaxSpeed);
    const double burnSeconds = double(clock.nsecsElapsed()) / 1e9;
    if (rc != 0) {
        std::fprintf(stderr, "bench_burn: the burn failed: %s\n", qPrintable(failure));
        return 1;
    }
    const components::DiscInfo disc = components::DriveRegistry::instance().readDisc(0);
    const double ratio = burnSeconds / decodeSeconds;
    std::printf("  ffmpeg CLI to raw PCM:      %7.2f s\n", decodeSeconds);
    std::printf("  burn to the virtual drive:  %7.2f s  (%lld tracks on the disc)\n", burnSeconds,
                static_cast<long long>(disc.tracks.size()));
    std::printf("  ratio burn / decode:        %7.2f  (target <= 1.20: %s)\n", ratio,
                ratio <= 1.2 ? "met" : "MISSED");
    std::printf("  peak memory:                %7.1f MB\n", bench::MaxRssMb());
    return 0;
}
