// The layout of a WAV file as FFmpeg and most programs write it: RIFF with a
// "fmt " chunk (PCM, IEEE float or the extensible header around either) and
// a "data" chunk, other chunks skipped. Only the header is read here; the
// samples stay in the file and are read a piece at a time by the callers.
#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <vector>

class QIODevice;

namespace components {

struct WavLayout {
    enum class Sample { U8, S16, S24, S32, F32, F64 };

    Sample sample = Sample::S16;
    qint32 rate = 0;
    qint32 channels = 0;
    qint32 bits = 0;       // bits per sample as stored (8, 16, 24, 32 or 64)
    qint32 blockAlign = 0; // bytes per frame
    qint64 dataOffset = 0; // where the first frame starts
    qint64 frames = 0;     // whole frames present in the file
    QByteArray fmtChunk;   // the "fmt " chunk's body, byte for byte

    qint64 BytesOf(qint64 frameCount) const { return frameCount * blockAlign; }
};

// Reads the header of an open file. False, with *error saying why in words a
// user understands, when the file is no WAV this reader can take.
bool ReadWavLayout(QIODevice& file, WavLayout* layout, QString* error);
bool ReadWavLayout(const QString& path, WavLayout* layout, QString* error);

// A canonical 44-byte-plus header for `dataBytes` bytes of audio in the
// layout's own format (its "fmt " chunk copied unchanged).
QByteArray WavHeader(const WavLayout& layout, qint64 dataBytes);

// Converts `frames` frames of raw data in the layout's format to floats in
// -1..1, interleaved as stored.
void WavToFloat(const WavLayout& layout, const char* data, qint64 frames, float* out);

} // namespace components
