// What the recorder's tests share: a scripted input device the test feeds
// by hand, the format record a recording starts with, tone and silence
// samples, and a look at a WAV file's header that does not rely on our own
// reader.
#pragma once

#include "components/AudioOutput.h"
#include "components/cWave.h"

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QtEndian>

#include <cmath>
#include <functional>
#include <memory>

namespace wavetest {

// An input device driven by the test: what the recorder asked for, and its
// callbacks, through which the test hands samples or says the device went.
struct FakeDevice {
    QStringList names{QStringLiteral("Fake microphone")};
    QString refusal; // non-empty: Start fails with it
    bool running = false;
    bool present = true; // still listed by the system
    int starts = 0;
    int index = -2, rate = 0, channels = 0, bits = 0;
    components::AudioInput::Callbacks callbacks;
    // Set: Finish finds a last piece still on its way, which the test hands
    // over (feed, then drain) or never does.
    bool lastPieceOnItsWay = false;
    std::function<void()> drained; // Finish's caller, while the last piece is on its way
    int finishes = 0;

    void feed(const QByteArray& pcm) {
        if (running && callbacks.data) callbacks.data(pcm.constData(), pcm.size());
    }
    void lose() {
        if (running && callbacks.lost) callbacks.lost();
    }
    // The last piece is in: Finish's caller is told.
    void drain() {
        const std::function<void()> d = std::move(drained);
        drained = nullptr;
        if (running && d) d();
    }
};

class FakeInput final : public components::AudioInput {
public:
    explicit FakeInput(std::shared_ptr<FakeDevice> device) : m_device(std::move(device)) {}
    QStringList Devices() override { return m_device->names; }
    int MaxChannels(int) override { return 2; }
    bool Start(int index, int rate, int channels, int bits, int, Callbacks callbacks,
               QString* error) override {
        if (!m_device->refusal.isEmpty()) {
            *error = m_device->refusal;
            return false;
        }
        ++m_device->starts;
        m_device->index = index;
        m_device->rate = rate;
        m_device->channels = channels;
        m_device->bits = bits;
        m_device->callbacks = std::move(callbacks);
        m_device->running = true;
        return true;
    }
    bool Present() override { return m_device->present; }
    void Finish(std::function<void()> drained) override {
        ++m_device->finishes;
        if (m_device->lastPieceOnItsWay)
            m_device->drained = std::move(drained);
        else if (drained)
            drained();
    }
    void Stop() override {
        m_device->running = false;
        m_device->callbacks = {};
        m_device->drained = nullptr;
    }

private:
    std::shared_ptr<FakeDevice> m_device;
};

// The PCM format record a recording starts with.
inline components::tWaveFormatEx Format(int rate, int channels, int bits) {
    components::tWaveFormatEx f;
    f.wFormatTag = 1;
    f.nChannels = qint16(channels);
    f.nSamplesPerSec = rate;
    f.nBlockAlign = qint16(bits / 8 * channels);
    f.nAvgBytesPerSec = rate * f.nBlockAlign;
    f.wBitsPerSample = qint16(bits);
    return f;
}

// `frames` frames of a 440 Hz tone at `amplitude` of full scale (0: silence).
inline QByteArray Pcm(int rate, int channels, int bits, qint64 frames, double amplitude = 0.5,
                      qint64 firstFrame = 0) {
    QByteArray out;
    out.reserve(int(frames * channels * bits / 8));
    for (qint64 f = firstFrame; f < firstFrame + frames; ++f) {
        const double v = amplitude * std::sin(2 * M_PI * 440.0 * double(f) / rate);
        for (int c = 0; c < channels; ++c) {
            if (bits == 8) {
                out.append(char(quint8(qBound(0, int(std::lround(128 + v * 127)), 255))));
            } else {
                char b[2];
                qToLittleEndian<qint16>(qint16(std::lround(v * 32767)), b);
                out.append(b, 2);
            }
        }
    }
    return out;
}

// The header of a canonical 44-byte WAV file, read byte by byte.
struct Header {
    bool ok = false;
    quint32 riffSize = 0, fmtSize = 0, dataSize = 0;
    quint16 tag = 0, channels = 0, blockAlign = 0, bits = 0;
    quint32 rate = 0, byteRate = 0;
    qint64 fileSize = 0;
    QByteArray data;
};

inline Header ReadHeader(const QString& path) {
    Header h;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return h;
    const QByteArray b = f.readAll();
    h.fileSize = b.size();
    if (b.size() < 44 || !b.startsWith("RIFF") || b.mid(8, 8) != "WAVEfmt " || b.mid(36, 4) != "data")
        return h;
    const char* p = b.constData();
    h.riffSize = qFromLittleEndian<quint32>(p + 4);
    h.fmtSize = qFromLittleEndian<quint32>(p + 16);
    h.tag = qFromLittleEndian<quint16>(p + 20);
    h.channels = qFromLittleEndian<quint16>(p + 22);
    h.rate = qFromLittleEndian<quint32>(p + 24);
    h.byteRate = qFromLittleEndian<quint32>(p + 28);
    h.blockAlign = qFromLittleEndian<quint16>(p + 32);
    h.bits = qFromLittleEndian<quint16>(p + 34);
    h.dataSize = qFromLittleEndian<quint32>(p + 40);
    h.data = b.mid(44, int(h.dataSize));
    h.ok = true;
    return h;
}

// Whether the sizes in the header agree with the file and each other.
inline QString HeaderFaults(const Header& h) {
    if (!h.ok) return QStringLiteral("no canonical WAV header");
    QStringList faults;
    const qint64 padded = qint64(h.dataSize) + (h.dataSize & 1);
    if (44 + padded != h.fileSize)
        faults << QStringLiteral("data size %1 in a file of %2").arg(h.dataSize).arg(h.fileSize);
    if (qint64(h.riffSize) != h.fileSize - 8) faults << QStringLiteral("RIFF size %1").arg(h.riffSize);
    if (h.fmtSize != 16 || h.tag != 1) faults << QStringLiteral("not PCM");
    if (h.blockAlign != h.channels * h.bits / 8) faults << QStringLiteral("block align %1").arg(h.blockAlign);
    if (h.byteRate != h.rate * h.blockAlign) faults << QStringLiteral("byte rate %1").arg(h.byteRate);
    if (h.blockAlign && h.dataSize % h.blockAlign) faults << QStringLiteral("a part frame");
    return faults.join(QStringLiteral(", "));
}

// The strongest frequency of the first channel in sox's power spectrum (a
// click from a busy machine does not move it); 0 when it cannot tell.
inline double SoxFrequency(const QString& path) {
    QProcess sox;
    sox.start(QStringLiteral("sox"), {path, QStringLiteral("-n"), QStringLiteral("remix"),
                                      QStringLiteral("1"), QStringLiteral("stat"), QStringLiteral("-freq")});
    if (!sox.waitForFinished(30000)) return 0;
    double best = 0, bestPower = -1;
    for (const QString& line : QString::fromUtf8(sox.readAllStandardError()).split(QLatin1Char('\n'))) {
        const QStringList f = line.simplified().split(QLatin1Char(' '));
        bool okHz = false, okPower = false;
        const double hz = f.size() == 2 ? f[0].toDouble(&okHz) : 0;
        const double power = f.size() == 2 ? f[1].toDouble(&okPower) : 0;
        if (okHz && okPower && power > bestPower) {
            best = hz;
            bestPower = power;
        }
    }
    return best;
}

// "codec,rate,channels" of the file's audio, as ffprobe sees it.
inline QString Probe(const QString& path) {
    QProcess p;
    p.start(QStringLiteral("ffprobe"),
            {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-show_entries"),
             QStringLiteral("stream=codec_name,sample_rate,channels"), QStringLiteral("-of"),
             QStringLiteral("csv=p=0"), path});
    if (!p.waitForFinished(30000)) return QString();
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

} // namespace wavetest
