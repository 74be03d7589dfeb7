// The sound module: the program's only user of Qt Multimedia, loaded on first
// use (see AudioOutput.h).
#include "components/AudioOutput.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QUrl>

namespace {

// The system's outputs, the default one first.
QList<QAudioDevice> Outputs() {
    QList<QAudioDevice> outputs = QMediaDevices::audioOutputs();
    const QAudioDevice preferred = QMediaDevices::defaultAudioOutput();
    const qsizetype at = outputs.indexOf(preferred);
    if (at > 0) outputs.move(at, 0);
    return outputs;
}

class QtAudioOutput final : public components::AudioOutput {
public:
    ~QtAudioOutput() override { Stop(); }

    QStringList OutputNames() override {
        QStringList names;
        for (const QAudioDevice& device : Outputs())
            names << device.description();
        return names;
    }

    bool SelectDevice(int index) override {
        const QList<QAudioDevice> outputs = Outputs();
        m_device =
            index >= 0 && index < outputs.size() ? outputs.at(index) : QMediaDevices::defaultAudioOutput();
        return !m_device.isNull();
    }

    void FitFormat(int* rate, int* channels) override {
        QAudioFormat format;
        format.setSampleRate(*rate);
        format.setChannelCount(qBound(1, *channels, 2));
        format.setSampleFormat(QAudioFormat::Int16);
        if (!m_device.isFormatSupported(format)) {
            const QAudioFormat preferred = m_device.preferredFormat();
            format.setSampleRate(preferred.sampleRate() > 0 ? preferred.sampleRate() : 44100);
            format.setChannelCount(qBound(1, preferred.channelCount(), 2));
        }
        *rate = format.sampleRate();
        *channels = format.channelCount();
    }

    bool Start(int rate, int channels, qint64 bufferBytes) override {
        QAudioFormat format;
        format.setSampleRate(rate);
        format.setChannelCount(channels);
        format.setSampleFormat(QAudioFormat::Int16);
        m_sink = std::make_unique<QAudioSink>(m_device, format);
        m_sink->setBufferSize(bufferBytes);
        m_io = m_sink->start();
        return m_io && m_sink->error() == QAudio::NoError;
    }

    bool Restart() override {
        if (!m_sink) return false;
        m_sink->stop();
        m_io = m_sink->start();
        return m_io && m_sink->error() == QAudio::NoError;
    }

    void Stop() override {
        if (m_sink) m_sink->stop();
        m_io = nullptr;
    }
    void Suspend() override {
        if (m_sink) m_sink->suspend();
    }
    void Resume() override {
        if (m_sink) m_sink->resume();
    }
    qint64 BytesFree() const override { return m_sink ? m_sink->bytesFree() : 0; }
    qint64 Write(const char* data, qint64 bytes) override { return m_io ? m_io->write(data, bytes) : -1; }
    qint64 ProcessedUSecs() const override { return m_sink ? m_sink->processedUSecs() : 0; }
    bool Broken() const override {
        return m_sink && (m_sink->error() == QAudio::FatalError || m_sink->error() == QAudio::OpenError);
    }

private:
    QAudioDevice m_device;
    std::unique_ptr<QAudioSink> m_sink;
    QIODevice* m_io = nullptr;
};

class QtSoundPlayer final : public components::SoundPlayer {
public:
    void Play(const QString& wavFile) override {
        m_effect.stop();
        m_effect.setSource(QUrl::fromLocalFile(wavFile));
        m_effect.play();
    }
    void Stop() override { m_effect.stop(); }

private:
    QSoundEffect m_effect;
};

} // namespace

extern "C" {
__attribute__((visibility("default"))) components::AudioOutput* corvane_create_audio_output() {
    return new QtAudioOutput;
}
__attribute__((visibility("default"))) components::SoundPlayer* corvane_create_sound_player() {
    return new QtSoundPlayer;
}
}
