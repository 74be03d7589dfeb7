#include "components/WavFile.h"

#include "components/AudioLimits.h"

#include <QFile>
#include <QtEndian>

#include <cstring>

namespace components {

namespace {

constexpr quint16 kFormatPcm = 1;
constexpr quint16 kFormatFloat = 3;
constexpr quint16 kFormatExtensible = 0xFFFE;

quint16 U16(const char* p) {
    return qFromLittleEndian<quint16>(p);
}
quint32 U32(const char* p) {
    return qFromLittleEndian<quint32>(p);
}

} // namespace

bool ReadWavLayout(QIODevice& file, WavLayout* layout, QString* error) {
    auto fail = [error](const QString& why) {
        if (error) *error = why;
        return false;
    };
    const qint64 fileSize = file.size();
    char riff[12];
    if (!file.seek(0) || file.read(riff, 12) != 12 || std::memcmp(riff, "RIFF", 4) != 0 ||
        std::memcmp(riff + 8, "WAVE", 4) != 0)
        return fail(QStringLiteral("The file is not a WAV file."));

    WavLayout out;
    bool haveFmt = false;
    qint64 pos = 12;
    for (;;) {
        char head[8];
        if (!file.seek(pos) || file.read(head, 8) != 8)
            return fail(haveFmt ? QStringLiteral("The WAV file holds no audio data.")
                                : QStringLiteral("The WAV file has no format description."));
        const quint32 size = U32(head + 4);
        const qint64 body = pos + 8;
        if (std::memcmp(head, "fmt ", 4) == 0) {
            if (size < 16 || size > 4096)
                return fail(QStringLiteral("The WAV file's format description is damaged."));
            out.fmtChunk = file.read(size);
            if (out.fmtChunk.size() != qint64(size))
                return fail(QStringLiteral("The WAV file's format description is damaged."));
            const char* f = out.fmtChunk.constData();
            quint16 tag = U16(f);
            out.channels = U16(f + 2);
            out.rate = qint32(U32(f + 4));
            out.blockAlign = U16(f + 12);
            out.bits = U16(f + 14);
            if (tag == kFormatExtensible) {
                if (size < 40) return fail(QStringLiteral("The WAV file's format description is damaged."));
                // The sub-format GUID starts with the plain format tag.
                tag = U16(f + 24);
            }
            if (out.channels < 1 || out.rate < 1 || out.blockAlign < 1)
                return fail(QStringLiteral("The WAV file's format description is damaged."));
            if (out.channels > kMaxChannels)
                return fail(QStringLiteral("The WAV file has %1 channels; at most %2 can be used.")
                                .arg(out.channels)
                                .arg(kMaxChannels));
            const qint32 container = out.blockAlign * 8 / out.channels;
            if (container * out.channels != out.blockAlign * 8)
                return fail(QStringLiteral("The WAV file's format description is damaged."));
            out.bits = container;
            if (tag == kFormatPcm && container == 8)
                out.sample = WavLayout::Sample::U8;
            else if (tag == kFormatPcm && container == 16)
                out.sample = WavLayout::Sample::S16;
            else if (tag == kFormatPcm && container == 24)
                out.sample = WavLayout::Sample::S24;
            else if (tag == kFormatPcm && container == 32)
                out.sample = WavLayout::Sample::S32;
            else if (tag == kFormatFloat && container == 32)
                out.sample = WavLayout::Sample::F32;
            else if (tag == kFormatFloat && container == 64)
                out.sample = WavLayout::Sample::F64;
            else
                return fail(QStringLiteral("The WAV file's sample format (%1, %2 bits) is not supported.")
                                .arg(tag)
                                .arg(container));
            haveFmt = true;
        } else if (std::memcmp(head, "data", 4) == 0) {
            if (!haveFmt) return fail(QStringLiteral("The WAV file has no format description."));
            out.dataOffset = body;
            // Writers that stream leave the size at 0 or 0xFFFFFFFF; what the file holds decides.
            qint64 bytes = fileSize - body;
            if (size != 0 && size != 0xFFFFFFFFu && qint64(size) < bytes) bytes = size;
            out.frames = bytes > 0 ? bytes / out.blockAlign : 0;
            *layout = out;
            return true;
        }
        pos = body + qint64(size) + (size & 1);
        if (pos >= fileSize)
            return fail(haveFmt ? QStringLiteral("The WAV file holds no audio data.")
                                : QStringLiteral("The WAV file has no format description."));
    }
}

bool ReadWavLayout(const QString& path, WavLayout* layout, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error) *error = QStringLiteral("The file %1 cannot be read: %2").arg(path, file.errorString());
        return false;
    }
    return ReadWavLayout(file, layout, error);
}

QByteArray WavHeader(const WavLayout& layout, qint64 dataBytes) {
    QByteArray h;
    auto u32 = [&h](quint32 v) {
        char b[4];
        qToLittleEndian(v, b);
        h.append(b, 4);
    };
    const qint64 fmtPadded = layout.fmtChunk.size() + (layout.fmtChunk.size() & 1);
    const qint64 riffSize = 4 + 8 + fmtPadded + 8 + dataBytes + (dataBytes & 1);
    h.append("RIFF", 4);
    u32(quint32(qMin<qint64>(riffSize, 0xFFFFFFFFll)));
    h.append("WAVE", 4);
    h.append("fmt ", 4);
    u32(quint32(layout.fmtChunk.size()));
    h.append(layout.fmtChunk);
    if (layout.fmtChunk.size() & 1) h.append('\0');
    h.append("data", 4);
    u32(quint32(qMin<qint64>(dataBytes, 0xFFFFFFFFll)));
    return h;
}

void WavToFloat(const WavLayout& layout, const char* data, qint64 frames, float* out) {
    const qint64 n = frames * layout.channels;
    const auto* p = reinterpret_cast<const unsigned char*>(data);
    switch (layout.sample) {
    case WavLayout::Sample::U8:
        for (qint64 i = 0; i < n; ++i)
            out[i] = (float(p[i]) - 128.0f) / 128.0f;
        break;
    case WavLayout::Sample::S16:
        for (qint64 i = 0; i < n; ++i)
            out[i] = float(qint16(quint16(p[2 * i] | (p[2 * i + 1] << 8)))) / 32768.0f;
        break;
    case WavLayout::Sample::S24:
        for (qint64 i = 0; i < n; ++i) {
            const qint32 v =
                qint32(quint32(p[3 * i]) << 8 | quint32(p[3 * i + 1]) << 16 | quint32(p[3 * i + 2]) << 24);
            out[i] = float(v >> 8) / 8388608.0f;
        }
        break;
    case WavLayout::Sample::S32:
        for (qint64 i = 0; i < n; ++i)
            out[i] = float(qFromLittleEndian<qint32>(p + 4 * i)) / 2147483648.0f;
        break;
    case WavLayout::Sample::F32:
        for (qint64 i = 0; i < n; ++i) {
            float v;
            std::memcpy(&v, p + 4 * i, 4);
            out[i] = qFromLittleEndian(v);
        }
        break;
    case WavLayout::Sample::F64:
        for (qint64 i = 0; i < n; ++i) {
            double v;
            std::memcpy(&v, p + 8 * i, 8);
            out[i] = float(qFromLittleEndian(v));
        }
        break;
    }
}

} // namespace components
