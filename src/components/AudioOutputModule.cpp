// The sound module: the program's only user of Qt Multimedia, loaded on first
// use (see AudioOutput.h).
#include "components/AudioOutput.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QUrl>

#include <pulse/context.h>
#include <pulse/mainloop.h>

#include <chrono>

namespace {

// Whether a sound server answers now, asked the way Qt Multimedia asks (the
// same server lookup, no autostart of a server of its own).
bool SoundServerAnswers() {
    pa_mainloop* loop = pa_mainloop_new();
    if (!loop) return false;
    pa_context* context = pa_context_new(pa_mainloop_get_api(loop), "Corvane");
    bool ready = false;
    if (context && pa_context_connect(context, nullptr, PA_CONTEXT_NOFLAGS, nullptr) >= 0) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
        while (std::chrono::steady_clock::now() < deadline) {
            const pa_context_state_t state = pa_context_get_state(context);
            if (state == PA_CONTEXT_READY) {
                ready = true;
                break;
            }
            if (!PA_CONTEXT_IS_GOOD(state)) break;
            if (pa_mainloop_prepare(loop, 100 * 1000) < 0 || pa_mainloop_poll(loop) < 0 ||
                pa_mainloop_dispatch(loop) < 0)
                break;
        }
        pa_context_disconnect(context);
    }
    if (context) pa_context_unref(context);
    pa_mainloop_free(loop);
    return ready;
}

// Qt Multimedia connects to the sound server once, when it is first asked
// for a device, and never again: asked while no server ran, it would find
// no device until the program restarted. So it is not asked before a server
// answers, and until then every play looks for the server again.
bool SoundServerReady() {
    static bool ready = false; // asked on the GUI thread only
    if (!ready) ready = SoundServerAnswers();
    return ready;
}

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
        if (!SoundServerReady()) return names;
        for (const QAudioDevice& device : Outputs())
            names << device.description();
        return names;
    }

    bool SelectDevice(int index) override {
        if (!SoundServerReady()) return false;
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
        if (!SoundServerReady()) return;
        // Made at the first play, when a server answers (see SoundServerReady).
        if (!m_effect) m_effect = std::make_unique<QSoundEffect>();
        m_effect->stop();
        m_effect->setSource(QUrl::fromLocalFile(wavFile));
        m_effect->play();
    }
    void Stop() override {
        if (m_effect) m_effect->stop();
    }

private:
    std::unique_ptr<QSoundEffect> m_effect;
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
