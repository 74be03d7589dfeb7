// WAV files with known frames in each sample format the analyser reads,
// written byte by byte so that a test can compare what it gets back.
#pragma once

#include "components/WavFile.h"

#include <QByteArray>
#include <QFile>
#include <QRandomGenerator>
#include <QString>
#include <QtEndian>

#include <cmath>
#include <cstring>

namespace testsupport {

struct WavSpec {
    quint16 tag = 1; // 1 PCM, 3 float
    quint16 bits = 16;
    quint16 channels = 2;
    quint32 rate = 44100;
    bool extensible = false;
};

// The "fmt " chunk's body of the format (the extensible form carries the
// sample type after its own 22 bytes).
inline QByteArray fmtBody(const WavSpec& s) {
    QByteArray fmt;
    auto u16 = [](QByteArray& b, quint16 v) {
        char c[2];
        qToLittleEndian(v, c);
        b.append(c, 2);
    };
    auto u32 = [](QByteArray& b, quint32 v) {
        char c[4];
        qToLittleEndian(v, c);
        b.append(c, 4);
    };
    const quint16 align = quint16(s.channels * s.bits / 8);
    u16(fmt, s.extensible ? 0xFFFE : s.tag);
    u16(fmt, s.channels);
    u32(fmt, s.rate);
    u32(fmt, s.rate * align);
    u16(fmt, align);
    u16(fmt, s.bits);
    if (s.extensible) {
        u16(fmt, 22);
        u16(fmt, s.bits);
        u32(fmt, s.channels == 2 ? 3 : 4);
        u16(fmt, s.tag);
        fmt.append("\x00\x00\x00\x00\x10\x00\x80\x00\x00\xAA\x00\x38\x9B\x71", 14);
    }
    return fmt;
}

// The header and `pcm` as a WAV file; a LIST chunk before the data, as FFmpeg writes one.
inline QByteArray wavBytes(const WavSpec& s, const QByteArray& pcm) {
    auto u32 = [](QByteArray& b, quint32 v) {
        char c[4];
        qToLittleEndian(v, c);
        b.append(c, 4);
    };
    const QByteArray fmt = fmtBody(s);
    QByteArray list("INFOISFT\x0e\x00\x00\x00Lavf59.27.100\x00", 26);
    QByteArray out("RIFF");
    u32(out, quint32(4 + 8 + fmt.size() + 8 + list.size() + 8 + pcm.size()));
    out.append("WAVEfmt ");
    u32(out, quint32(fmt.size()));
    out.append(fmt);
    out.append("LIST");
    u32(out, quint32(list.size()));
    out.append(list);
    out.append("data");
    u32(out, quint32(pcm.size()));
    out.append(pcm);
    return out;
}

// `frames` frames of noise under a 440 Hz tone, in the fixture's format.
inline QByteArray tonePcm(const WavSpec& s, qint64 frames) {
    QByteArray pcm;
    pcm.reserve(int(frames * s.channels * s.bits / 8));
    QRandomGenerator rng(42);
    for (qint64 f = 0; f < frames; ++f) {
        for (int c = 0; c < s.channels; ++c) {
            const double v =
                0.6 * std::sin(2 * M_PI * 440.0 * double(f) / s.rate) + 0.2 * (rng.generateDouble() - 0.5);
            char b[8];
            if (s.tag == 3) {
                const float x = float(v);
                std::memcpy(b, &x, 4);
                pcm.append(b, 4);
            } else if (s.bits == 8) {
                pcm.append(char(quint8(std::lround(v * 127.0) + 128)));
            } else if (s.bits == 16) {
                qToLittleEndian(qint16(std::lround(v * 32767.0)), b);
                pcm.append(b, 2);
            } else if (s.bits == 24) {
                qToLittleEndian(qint32(std::lround(v * 8388607.0)), b);
                pcm.append(b, 3);
            } else {
                qToLittleEndian(qint32(std::lround(v * 2147483000.0)), b);
                pcm.append(b, 4);
            }
        }
    }
    return pcm;
}

// The frames of a WAV file as stored, read through the analyser's own header reader.
inline QByteArray wavFrames(const QString& path) {
    components::WavLayout layout;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly) || !components::ReadWavLayout(f, &layout, nullptr)) return {};
    f.seek(layout.dataOffset);
    return f.read(layout.BytesOf(layout.frames));
}

inline bool writeWav(const QString& path, const WavSpec& s, const QByteArray& pcm) {
    const QByteArray bytes = wavBytes(s, pcm);
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

} // namespace testsupport
