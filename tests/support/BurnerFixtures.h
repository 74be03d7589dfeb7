// Fixtures of the burner tests: WAV files with known samples, a recorder of
// the burner's events, and reading an audio track back out of a CUE/BIN image.
#pragma once

#include "components/DriveRegistry.h"
#include "components/cAudioBurner.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QObject>
#include <QSemaphore>
#include <QString>
#include <QStringList>
#include <QtEndian>

#include <atomic>
#include <cmath>
#include <functional>

namespace burnertest {

// Sample `frame` of `channel` of test tone `seed`: distinct per file and channel.
inline qint16 toneSample(int seed, qint64 frame, int channel) {
    const double f = 110.0 * (seed + 1) * (channel + 1);
    return qint16(std::lround(9000.0 * std::sin(2.0 * M_PI * f * double(frame) / 44100.0)) + seed * 7 -
                  channel);
}

// Raw little-endian 16-bit PCM of a tone, `channels` interleaved.
inline QByteArray tonePcm(int seed, qint64 frames, int channels) {
    QByteArray pcm(int(frames * channels * 2), '\0');
    auto* p = reinterpret_cast<uchar*>(pcm.data());
    for (qint64 i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c, p += 2)
            qToLittleEndian<qint16>(toneSample(seed, i, c), p);
    return pcm;
}

// A canonical PCM WAV file around `pcm`.
inline bool writeWav(const QString& path, const QByteArray& pcm, int rate, int channels, int bits) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly)) return false;
    QByteArray h(44, '\0');
    auto* p = reinterpret_cast<uchar*>(h.data());
    const quint32 blockAlign = quint32(channels * bits / 8);
    memcpy(p, "RIFF", 4);
    qToLittleEndian<quint32>(quint32(36 + pcm.size()), p + 4);
    memcpy(p + 8, "WAVEfmt ", 8);
    qToLittleEndian<quint32>(16, p + 16);
    qToLittleEndian<quint16>(1, p + 20);
    qToLittleEndian<quint16>(quint16(channels), p + 22);
    qToLittleEndian<quint32>(quint32(rate), p + 24);
    qToLittleEndian<quint32>(quint32(rate) * blockAlign, p + 28);
    qToLittleEndian<quint16>(quint16(blockAlign), p + 32);
    qToLittleEndian<quint16>(quint16(bits), p + 34);
    memcpy(p + 36, "data", 4);
    qToLittleEndian<quint32>(quint32(pcm.size()), p + 40);
    return f.write(h) == h.size() && f.write(pcm) == pcm.size();
}

// A 44.1 kHz 16-bit WAV of tone `seed`; returns its PCM.
inline QByteArray writeToneWav(const QString& path, int seed, qint64 frames, int channels = 2) {
    const QByteArray pcm = tonePcm(seed, frames, channels);
    return writeWav(path, pcm, 44100, channels, 16) ? pcm : QByteArray();
}

// Every event of a burner, in order, as text.
struct Events : QObject {
    QStringList list;
    explicit Events(components::cAudioBurner& b) {
        using B = components::cAudioBurner;
        connect(&b, &B::BurnProgress, this,
                [this](qint16 p, qint16 t) { list << QStringLiteral("progress %1 %2").arg(t).arg(p); });
        connect(&b, &B::StepProgress, this,
                [this](qint16 p, qint16) { list << QStringLiteral("step %1").arg(p); });
        connect(&b, &B::CachingTrack, this, [this] { list << "caching"; });
        connect(&b, &B::WritingTrack, this, [this] { list << "writing"; });
        connect(&b, &B::ClosingTrack, this,
                [this](qint16 t) { list << QStringLiteral("closing track %1").arg(t); });
        connect(&b, &B::ClosingSession, this, [this] { list << "closing session"; });
        connect(&b, &B::BurnFinished, this, [this] { list << "finished"; });
        connect(&b, &B::Error, this, [this](qint32 code, const QString& m) {
            list << QStringLiteral("error %1 %2").arg(code).arg(m);
        });
    }
    int terminals() const {
        int n = 0;
        for (const QString& e : list)
            if (e == "finished" || e.startsWith("error")) ++n;
        return n;
    }
    QString last() const { return list.isEmpty() ? QString() : list.last(); }
    // The events without progress, for comparing orders.
    QStringList steps() const {
        QStringList out;
        for (const QString& e : list)
            if (!e.startsWith("progress") && !e.startsWith("step")) out << e;
        return out;
    }
};

// The bytes of audio track `track` (from 1) of the image that is the disc of
// the drive, read straight out of its BIN file.
inline QByteArray readTrackFromImage(const components::DiscInfo& disc, int track) {
    if (track < 1 || track > disc.tracks.size()) return {};
    QFile cue(disc.image);
    if (!cue.open(QIODevice::ReadOnly)) return {};
    const QByteArray text = cue.readAll();
    const int a = text.indexOf('"');
    const int b = text.indexOf('"', a + 1);
    if (a < 0 || b < 0) return {};
    QFile bin(QFileInfo(disc.image).dir().filePath(QString::fromUtf8(text.mid(a + 1, b - a - 1))));
    if (!bin.open(QIODevice::ReadOnly)) return {};
    const components::DiscTrack& t = disc.tracks.at(track - 1);
    bin.seek(qint64(t.startSector) * 2352);
    return bin.read(qint64(t.sectors) * 2352);
}

// A writer that answers from a script and records what it was asked.
class ScriptedWriter final : public components::AudioWriterSeam {
public:
    QList<qint32> speeds;
    Medium disc{Medium::Blank, 360000, 360000, {}};
    bool startOk = true;
    QString startError;
    QList<Status> script; // poll() answers, then Idle
    bool finishOk = true;
    QString finishError;
    std::function<void(int)> onPoll; // called with the poll's number, from 0

    // What happened.
    QString device;
    QList<QByteArray> trackData; // the PCM files' content when the write started
    QList<qint64> trackBytes;
    QStringList trackFiles;
    qint32 speed = -1;
    bool underrunProof = false;
    int polls = 0;
    int cancels = 0;
    int finishes = 0;
    QStringList trays;

    QList<qint32> writeSpeeds(const QString&) override { return speeds; }
    Medium medium(const QString&) override { return disc; }
    bool startAudio(const QString& dev, const QList<Track>& tracks, qint32 speedKBs, bool underrun,
                    QString* error) override {
        device = dev;
        speed = speedKBs;
        underrunProof = underrun;
        for (const Track& t : tracks) {
            QFile f(t.pcmFile);
            trackData << (f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray());
            trackBytes << t.bytes;
            trackFiles << t.pcmFile;
        }
        if (!startOk && error) *error = startError;
        return startOk;
    }
    Status poll() override {
        const int n = polls++;
        if (onPoll) onPoll(n);
        if (cancels > 0) return Status{}; // a cancelled write stops at once
        return n < script.size() ? script.at(n) : Status{};
    }
    void cancel() override { ++cancels; }
    bool finish(QString* error) override {
        ++finishes;
        if (!finishOk && error) *error = finishError;
        return finishOk;
    }
    bool eject(const QString& dev) override {
        trays << "eject " + dev;
        return true;
    }
    bool load(const QString& dev) override {
        trays << "load " + dev;
        return true;
    }
};

// Holds the first track of a burn until the test opens the gate, so that what
// a test does on CachingTrack (an abort, a second burn) lands while the burn
// runs, however fast the burn. Every later track, of any burn, passes.
class FirstTrackGate {
public:
    FirstTrackGate() {
        components::cAudioBurner::SetTrackGateForTesting([this] {
            if (m_passed.exchange(true)) return;
            m_open.tryAcquire(1, 60000); // a test that never opens it fails rather than hangs
        });
    }
    ~FirstTrackGate() { components::cAudioBurner::SetTrackGateForTesting({}); }
    FirstTrackGate(const FirstTrackGate&) = delete;
    FirstTrackGate& operator=(const FirstTrackGate&) = delete;
    void Open() { m_open.release(); }

private:
    QSemaphore m_open;
    std::atomic<bool> m_passed{false};
};

// Pretends a real drive is attached for the life of the object.
struct FakeRealDrive {
    explicit FakeRealDrive(const QString& device) {
        components::DriveRegistry::instance().setRealDevicesForTesting({device});
    }
    ~FakeRealDrive() { components::DriveRegistry::instance().setRealDevicesForTesting({}); }
};

} // namespace burnertest
