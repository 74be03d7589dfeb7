// What the player's tests share: tone fixtures, a capture of what the audio
// server's default sink plays (its monitor, through parec), and a frequency
// measure that does not rely on our own code.
#pragma once

#include "MediaTools.h"

#include <QAudioDevice>
#include <QMediaDevices>
#include <QProcess>
#include <QString>
#include <QVector>

#include <algorithm>
#include <cmath>
#include <vector>

namespace playertest {

constexpr int kCaptureRate = 44100;

// The tests need a running audio server with an output (scripts/test.sh starts one).
inline bool HaveAudioServer() {
    return !qEnvironmentVariableIsEmpty("PULSE_SERVER") && !QMediaDevices::audioOutputs().isEmpty();
}

// A tone of `hz` for `seconds` at `path` (format from the extension), stereo 44.1 kHz.
inline bool MakeTone(const QString& path, double seconds, int hz = 440, double volume = 1.0) {
    QStringList args{"-f", "lavfi", "-i",
                     QStringLiteral("sine=frequency=%1:duration=%2").arg(hz).arg(seconds)};
    if (volume != 1.0) args << "-af" << QStringLiteral("volume=%1").arg(volume);
    args << "-ac"
         << "2"
         << "-ar"
         << "44100" << path;
    return testsupport::runFfmpeg(args);
}

// Records the default sink's monitor as mono 16-bit samples while it lives.
class MonitorCapture {
public:
    bool start() {
        m_proc.start("parec",
                     {"--device=@DEFAULT_MONITOR@", "--raw", "--format=s16le",
                      QStringLiteral("--rate=%1").arg(kCaptureRate), "--channels=1", "--latency-msec=20"});
        return m_proc.waitForStarted(5000);
    }
    // Bytes captured so far (reads what parec has written).
    qint64 collect() {
        m_data += m_proc.readAllStandardOutput();
        return m_data.size();
    }
    QVector<qint16> stop() {
        collect();
        m_proc.terminate();
        m_proc.waitForFinished(5000);
        m_data += m_proc.readAllStandardOutput();
        QVector<qint16> out(m_data.size() / 2);
        std::memcpy(out.data(), m_data.constData(), size_t(out.size()) * 2);
        return out;
    }
    ~MonitorCapture() {
        if (m_proc.state() != QProcess::NotRunning) {
            m_proc.kill();
            m_proc.waitForFinished(5000);
        }
    }

private:
    QProcess m_proc;
    QByteArray m_data;
};

// Samples louder than `threshold` (of full scale) count as sound.
inline qint64 SoundingSamples(const QVector<qint16>& s, double threshold = 0.05) {
    // A sine of amplitude A is below threshold only near its zero crossings, so
    // count whole 10 ms blocks whose peak is above it.
    const int block = kCaptureRate / 100;
    qint64 n = 0;
    for (qsizetype i = 0; i + block <= s.size(); i += block) {
        int peak = 0;
        for (int j = 0; j < block; ++j)
            peak = std::max(peak, std::abs(int(s[i + j])));
        if (peak > threshold * 32768) n += block;
    }
    return n;
}

// The frequency of the tone in the samples, from the rising zero crossings of
// its sounding part (interpolated between samples); 0 when there is no tone.
// The median period is taken, so that a short gap in the sound (a busy
// machine's underrun) does not pass for a lower tone.
inline double ToneFrequency(const QVector<qint16>& s, double threshold = 0.05) {
    std::vector<double> periods;
    double last = -1;
    const int block = kCaptureRate / 100;
    for (qsizetype i = 0; i + block <= s.size(); i += block) {
        int peak = 0;
        for (int j = 0; j < block; ++j)
            peak = std::max(peak, std::abs(int(s[i + j])));
        if (peak <= threshold * 32768) continue;
        for (int j = 0; j < block; ++j) {
            const qsizetype k = i + j;
            if (k == 0) continue;
            if (s[k - 1] < 0 && s[k] >= 0) {
                const double t = double(k - 1) + double(-s[k - 1]) / double(s[k] - s[k - 1]);
                if (last >= 0) periods.push_back(t - last);
                last = t;
            }
        }
    }
    if (periods.size() < 2) return 0;
    std::nth_element(periods.begin(), periods.begin() + periods.size() / 2, periods.end());
    const double period = periods[periods.size() / 2];
    return period > 0 ? kCaptureRate / period : 0;
}

} // namespace playertest
