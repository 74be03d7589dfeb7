#include "DiscImages.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QtEndian>

#include <cmath>
#include <cstring>
#include <numbers>

namespace testsupport {

qint16 cdSample(int track, qint64 frame, int channel) {
    const double freq = 220.0 * track;
    const double amplitude = channel == 0 ? 12000.0 : 6000.0;
    const double v =
        amplitude * std::sin(2.0 * std::numbers::pi * freq * static_cast<double>(frame) / kCdSampleRate);
    return static_cast<qint16>(std::lround(v));
}

QByteArray cdTrackPcm(int track, qint64 frames) {
    QByteArray pcm(frames * 4, Qt::Uninitialized);
    char* p = pcm.data();
    for (qint64 f = 0; f < frames; ++f) {
        qToLittleEndian<qint16>(cdSample(track, f, 0), p);
        qToLittleEndian<qint16>(cdSample(track, f, 1), p + 2);
        p += 4;
    }
    return pcm;
}

namespace {

QString msf(qint64 sectors) {
    const qint64 m = sectors / (60 * kCdSectorsPerSecond);
    const qint64 s = (sectors / kCdSectorsPerSecond) % 60;
    const qint64 f = sectors % kCdSectorsPerSecond;
    return QStringLiteral("%1:%2:%3")
        .arg(m, 2, 10, QChar('0'))
        .arg(s, 2, 10, QChar('0'))
        .arg(f, 2, 10, QChar('0'));
}

void both16(char* p, quint16 v) {
    qToLittleEndian(v, p);
    qToBigEndian(v, p + 2);
}
void both32(char* p, quint32 v) {
    qToLittleEndian(v, p);
    qToBigEndian(v, p + 4);
}
void padded(char* p, int size, const QByteArray& text) {
    memset(p, ' ', static_cast<size_t>(size));
    memcpy(p, text.constData(), static_cast<size_t>(qMin<qsizetype>(text.size(), size)));
}

// A directory record for the root folder ("." when id is 0, ".." when 1).
void rootRecord(char* p, quint32 extent, char id) {
    p[0] = 34;
    both32(p + 2, extent);
    both32(p + 10, 2048);
    p[18] = 125; // 2025
    p[19] = 1;
    p[20] = 1;
    p[25] = 0x02; // directory
    both16(p + 28, 1);
    p[32] = 1;
    p[33] = id;
}

} // namespace

QString writeCueBin(const QString& folder, const QList<CueTrackSpec>& tracks, const QString& baseName) {
    QDir().mkpath(folder);
    const QString binName = baseName + ".bin";
    QSaveFile bin(folder + "/" + binName);
    if (!bin.open(QIODevice::WriteOnly)) return QString();
    QByteArray cue = "FILE \"" + binName.toUtf8() + "\" BINARY\r\n";
    qint64 sector = 0;
    for (qsizetype i = 0; i < tracks.size(); ++i) {
        const CueTrackSpec& t = tracks[i];
        const int number = static_cast<int>(i) + 1;
        cue += QStringLiteral("  TRACK %1 %2\r\n    INDEX 01 %3\r\n")
                   .arg(number, 2, 10, QChar('0'))
                   .arg(t.audio ? "AUDIO" : "MODE1/2352", msf(sector))
                   .toUtf8();
        const qint64 frames = static_cast<qint64>(t.seconds) * kCdSampleRate;
        const QByteArray data = t.audio ? cdTrackPcm(number, frames) : QByteArray(frames * 4, '\0');
        if (bin.write(data) != data.size()) return QString();
        sector += static_cast<qint64>(t.seconds) * kCdSectorsPerSecond;
    }
    if (!bin.commit()) return QString();
    const QString cuePath = folder + "/" + baseName + ".cue";
    QSaveFile cueFile(cuePath);
    if (!cueFile.open(QIODevice::WriteOnly) || cueFile.write(cue) != cue.size() || !cueFile.commit())
        return QString();
    return cuePath;
}

QString writeAudioCueBin(const QString& folder, const QList<int>& trackSeconds, const QString& baseName) {
    QList<CueTrackSpec> tracks;
    for (int s : trackSeconds)
        tracks << CueTrackSpec{s, true};
    return writeCueBin(folder, tracks, baseName);
}

QByteArray randomPcm(qint64 frames, quint32 seed) {
    QByteArray pcm(frames * 4, Qt::Uninitialized);
    quint32 x = seed * 2654435761u + 1u;
    for (qsizetype i = 0; i < pcm.size(); ++i) {
        // xorshift: cheap, and no two tracks of a test alike
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        pcm[i] = static_cast<char>(x >> 24);
    }
    return pcm;
}

QString writePcmCueBin(const QString& folder, const QList<QByteArray>& tracks, const QString& baseName) {
    QDir().mkpath(folder);
    const QString binName = baseName + ".bin";
    QSaveFile bin(folder + "/" + binName);
    if (!bin.open(QIODevice::WriteOnly)) return QString();
    QByteArray cue = "FILE \"" + binName.toUtf8() + "\" BINARY\r\n";
    qint64 sector = 0;
    for (qsizetype i = 0; i < tracks.size(); ++i) {
        cue += QStringLiteral("  TRACK %1 AUDIO\r\n    INDEX 01 %2\r\n")
                   .arg(static_cast<int>(i) + 1, 2, 10, QChar('0'))
                   .arg(msf(sector))
                   .toUtf8();
        QByteArray data = tracks[i];
        const qsizetype rest = data.size() % kCdSectorBytes;
        if (rest != 0) data.append(kCdSectorBytes - rest, '\0');
        if (bin.write(data) != data.size()) return QString();
        sector += data.size() / kCdSectorBytes;
    }
    if (!bin.commit()) return QString();
    const QString cuePath = folder + "/" + baseName + ".cue";
    QSaveFile cueFile(cuePath);
    if (!cueFile.open(QIODevice::WriteOnly) || cueFile.write(cue) != cue.size() || !cueFile.commit())
        return QString();
    return cuePath;
}

bool writeIso(const QString& path, const QString& volumeId, int sectors) {
    constexpr int kSector = 2048;
    constexpr int kRootExtent = 20;
    sectors = qMax(sectors, kRootExtent + 1);
    QByteArray image(static_cast<qsizetype>(sectors) * kSector, '\0');

    // Primary volume descriptor.
    char* pvd = image.data() + 16 * kSector;
    pvd[0] = 1;
    memcpy(pvd + 1, "CD001", 5);
    pvd[6] = 1;
    padded(pvd + 8, 32, "LINUX");
    padded(pvd + 40, 32, volumeId.toLatin1().toUpper());
    both32(pvd + 80, static_cast<quint32>(sectors));
    both16(pvd + 120, 1);
    both16(pvd + 124, 1);
    both16(pvd + 128, kSector);
    both32(pvd + 132, 10); // path table: the root only
    qToLittleEndian<quint32>(18, pvd + 140);
    qToBigEndian<quint32>(19, pvd + 148);
    rootRecord(pvd + 156, kRootExtent, 0);
    padded(pvd + 190, 128, "");
    padded(pvd + 318, 128, "");
    padded(pvd + 446, 128, "");
    padded(pvd + 574, 128, "");
    padded(pvd + 702, 37 * 3, "");
    for (int i = 0; i < 4; ++i)
        memset(pvd + 813 + 17 * i, '0', 16);
    pvd[881] = 1;

    // Descriptor set terminator.
    char* term = image.data() + 17 * kSector;
    term[0] = static_cast<char>(0xFF);
    memcpy(term + 1, "CD001", 5);
    term[6] = 1;

    // Path tables (little- and big-endian), one entry each.
    char* lpt = image.data() + 18 * kSector;
    lpt[0] = 1;
    qToLittleEndian<quint32>(kRootExtent, lpt + 2);
    qToLittleEndian<quint16>(1, lpt + 6);
    char* mpt = image.data() + 19 * kSector;
    mpt[0] = 1;
    qToBigEndian<quint32>(kRootExtent, mpt + 2);
    qToBigEndian<quint16>(1, mpt + 6);

    // The root folder: "." and "..".
    char* root = image.data() + kRootExtent * kSector;
    rootRecord(root, kRootExtent, 0);
    rootRecord(root + 34, kRootExtent, 1);

    QDir().mkpath(QFileInfo(path).path());
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(image) == image.size() && file.commit();
}

} // namespace testsupport
