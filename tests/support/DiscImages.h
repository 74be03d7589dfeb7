// Small disc images for tests: an audio (or mixed) CD as CUE/BIN with known
// sine samples, and a minimal ISO 9660 data disc.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace testsupport {

constexpr int kCdSampleRate = 44100;
constexpr int kCdBytesPerSecond = 176400; // 16-bit stereo
constexpr int kCdSectorBytes = 2352;
constexpr int kCdSectorsPerSecond = 75;

// Sample `frame` of `channel` (0 left, 1 right) of audio track `track` (from 1):
// a sine of 220 Hz times the track number, the right channel at half the amplitude.
qint16 cdSample(int track, qint64 frame, int channel);
// The raw 16-bit little-endian stereo PCM of `frames` frames of a track.
QByteArray cdTrackPcm(int track, qint64 frames);

struct CueTrackSpec {
    int seconds = 1;
    bool audio = true; // false: a MODE1/2352 data track (zero-filled)
};

// Writes <folder>/<baseName>.cue and <folder>/<baseName>.bin (the CUE names the
// BIN relatively). Each track is a whole number of seconds, with no gaps.
// Returns the CUE path, or "" when it could not be written.
QString writeCueBin(const QString& folder, const QList<CueTrackSpec>& tracks,
                    const QString& baseName = QStringLiteral("disc"));
// The same for audio tracks only, lengths in seconds.
QString writeAudioCueBin(const QString& folder, const QList<int>& trackSeconds,
                         const QString& baseName = QStringLiteral("disc"));

// `frames` stereo frames of 16-bit noise, the same for the same seed.
QByteArray randomPcm(qint64 frames, quint32 seed);
// An audio CD of the given tracks' PCM, one after the other with no gap; a
// track that is no whole number of sectors is padded with silence.
QString writePcmCueBin(const QString& folder, const QList<QByteArray>& tracks,
                       const QString& baseName = QStringLiteral("disc"));

// Writes a minimal ISO 9660 image (an empty root folder) of `sectors`
// 2,048-byte sectors (at least 21). Returns false when it could not be written.
bool writeIso(const QString& path, const QString& volumeId = QStringLiteral("CORVANE_TEST"),
              int sectors = 21);

} // namespace testsupport
