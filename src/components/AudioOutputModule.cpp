// The sound module: the program's only user of Qt Multimedia, loaded on first
// use (see AudioOutput.h).
#include "components/AudioOutput.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QAudioSource>
#include <QCoreApplication>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QThread>
#include <QUrl>

#include <pulse/context.h>
#include <pulse/mainloop.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>

// The leak check of a build with the address sanitizer (absent otherwise).
extern "C" void __lsan_do_leak_check() __attribute__((weak));

namespace {

// Qt Multimedia ends its PulseAudio connection in a destructor run at exit,
// without the lock of the thread that serves that connection. When that
// thread is still handling the server's last messages (a stream just
// stopped, a device that changed), libpulse fails an assertion and the
// process aborts after all its work is done. Nothing of that teardown is
// needed when the process ends anyway, so it leaves just before it. Exit
// handlers run in reverse order of registration, and Qt Multimedia's are
// registered as its parts are first used; so ours is registered when the
// application object is destroyed, after all of them. It flushes the output
// and ends with the same status. Thread-local destructors, which close the
// settings store, have run by then.
void LeaveWithStatus(int status, void*) {
    std::fflush(nullptr);
    if (__lsan_do_leak_check) __lsan_do_leak_check();
    std::_Exit(status);
}

void EndBeforeQtMultimediaTearsDown() {
    static std::once_flag once;
    std::call_once(once, [] { qAddPostRoutine([] { on_exit(LeaveWithStatus, nullptr); }); });
}

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

// The inputs, the default one first (the recorder selects the first device).
QList<QAudioDevice> OrderedInputs() {
    QList<QAudioDevice> inputs = QMediaDevices::audioInputs();
    const QAudioDevice preferred = QMediaDevices::defaultAudioInput();
    for (qsizetype i = 1; i < inputs.size(); ++i)
        if (inputs.at(i) == preferred) inputs.move(i, 0);
    return inputs;
}

// Records on a thread of its own with an event loop, where the source lives
// and its pieces arrive; a busy GUI thread never delays them.
class QtAudioInput final : public components::AudioInput {
public:
    ~QtAudioInput() override { Stop(); }

    QStringList Devices() override {
        QStringList names;
        if (!SoundServerReady()) return names;
        for (const QAudioDevice& device : OrderedInputs())
            names << device.description();
        return names;
    }

    int MaxChannels(int index) override {
        if (!SoundServerReady()) return 0;
        const QList<QAudioDevice> inputs = OrderedInputs();
        return index >= 0 && index < inputs.size() ? inputs.at(index).maximumChannelCount() : 0;
    }

    bool Start(int index, int rate, int channels, int bits, int pieceMs, Callbacks callbacks,
               QString* error) override {
        Stop();
        auto fail = [error](const QString& why) {
            if (error) *error = why;
            return false;
        };
        if (!SoundServerReady()) return fail(QStringLiteral("No sound server answers."));
        const QList<QAudioDevice> inputs = OrderedInputs();
        const QAudioDevice device =
            index >= 0 && index < inputs.size() ? inputs.at(index) : QMediaDevices::defaultAudioInput();
        if (device.isNull()) return fail(QStringLiteral("No sound input device is available."));
        QAudioFormat format;
        format.setSampleRate(rate);
        format.setChannelCount(channels);
        format.setSampleFormat(bits == 8 ? QAudioFormat::UInt8 : QAudioFormat::Int16);
        if (!device.isFormatSupported(format))
            return fail(QStringLiteral("The device %1 cannot record %2 Hz, %3 bits, %4 channel(s).")
                            .arg(device.description())
                            .arg(rate)
                            .arg(bits)
                            .arg(channels));

        m_callbacks = std::move(callbacks);
        m_thread = std::make_unique<QThread>();
        m_thread->setObjectName(QStringLiteral("Recording"));
        m_thread->start(QThread::TimeCriticalPriority);
        m_context = std::make_unique<QObject>();
        m_context->moveToThread(m_thread.get());
        QString why;
        QMetaObject::invokeMethod(
            m_context.get(),
            [&] {
                m_source = std::make_unique<QAudioSource>(device, format);
                // Small pieces: the server hands a client nothing until its buffer is full.
                m_source->setBufferSize(qMax(format.bytesForDuration(qint64(pieceMs) * 1000), 256));
                QObject::connect(m_source.get(), &QAudioSource::stateChanged, m_context.get(),
                                 [this](QAudio::State state) {
                                     if (state == QAudio::StoppedState && m_source &&
                                         m_source->error() != QAudio::NoError && !m_lost) {
                                         m_lost = true;
                                         if (m_callbacks.lost) m_callbacks.lost();
                                     }
                                 });
                m_io = m_source->start();
                if (!m_io || m_source->error() != QAudio::NoError) {
                    why = QStringLiteral("The input device %1 cannot be opened.").arg(device.description());
                    m_source.reset();
                    m_io = nullptr;
                    return;
                }
                QObject::connect(m_io, &QIODevice::readyRead, m_context.get(), [this] { Drain(); });
            },
            Qt::BlockingQueuedConnection);
        if (!why.isEmpty()) {
            Stop();
            return fail(why);
        }
        m_device = device;
        return true;
    }

    bool Present() override { return !m_device.isNull() && QMediaDevices::audioInputs().contains(m_device); }

    void Stop() override {
        if (!m_thread) return;
        QMetaObject::invokeMethod(
            m_context.get(),
            [this] {
                if (m_source) {
                    Drain();
                    m_source->stop();
                }
                m_source.reset();
                m_io = nullptr;
            },
            Qt::BlockingQueuedConnection);
        m_thread->quit();
        m_thread->wait();
        m_context.reset();
        m_thread.reset();
        m_callbacks = {};
        m_lost = false;
        m_device = QAudioDevice();
    }

private:
    // Hands over everything the source holds now (recording thread).
    void Drain() {
        if (!m_io) return;
        for (;;) {
            const qint64 n = m_io->read(m_piece, sizeof m_piece);
            if (n <= 0) break;
            if (m_callbacks.data) m_callbacks.data(m_piece, n);
        }
    }

    QAudioDevice m_device;
    std::unique_ptr<QThread> m_thread;
    std::unique_ptr<QObject> m_context;
    std::unique_ptr<QAudioSource> m_source;
    QIODevice* m_io = nullptr;
    Callbacks m_callbacks;
    bool m_lost = false;
    char m_piece[16384];
};

} // namespace

extern "C" {
__attribute__((visibility("default"))) components::AudioOutput* corvane_create_audio_output() {
    EndBeforeQtMultimediaTearsDown();
    return new QtAudioOutput;
}
__attribute__((visibility("default"))) components::SoundPlayer* corvane_create_sound_player() {
    EndBeforeQtMultimediaTearsDown();
    return new QtSoundPlayer;
}
__attribute__((visibility("default"))) components::AudioInput* corvane_create_audio_input() {
    EndBeforeQtMultimediaTearsDown();
    return new QtAudioInput;
}
}
