// The sound module: the program's only user of Qt Multimedia, loaded on first
// use (see AudioOutput.h).
#include "components/AudioOutput.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QCoreApplication>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QUrl>

#include <pulse/context.h>
#include <pulse/mainloop.h>
#include <pulse/stream.h>
#include <pulse/thread-mainloop.h>
#include <pulse/timeval.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
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

// Records from the sound server directly: one stream on a thread of the
// sound library's own, whose read callback hands each piece over as it
// arrives. No other thread wakes for a piece, and nothing is copied on the
// way; the device list stays Qt Multimedia's, whose device ids are the
// server's source names.
class PulseAudioInput final : public components::AudioInput {
public:
    ~PulseAudioInput() override { Stop(); }

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
        auto fail = [this, error](const QString& why) {
            Stop();
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
        const QString cannotOpen =
            QStringLiteral("The input device %1 cannot be opened.").arg(device.description());

        m_spec.format = bits == 8 ? PA_SAMPLE_U8 : PA_SAMPLE_S16LE;
        m_spec.rate = uint32_t(rate);
        m_spec.channels = uint8_t(channels);
        m_frameBytes = int(pa_frame_size(&m_spec));
        m_pieceMs = pieceMs;
        m_callbacks = std::move(callbacks);
        m_loop = pa_threaded_mainloop_new();
        if (!m_loop) return fail(cannotOpen);
        pa_threaded_mainloop_set_name(m_loop, "Recording");
        if (pa_threaded_mainloop_start(m_loop) < 0) {
            pa_threaded_mainloop_free(m_loop);
            m_loop = nullptr;
            return fail(cannotOpen);
        }
        pa_threaded_mainloop_lock(m_loop);
        m_context = pa_context_new(pa_threaded_mainloop_get_api(m_loop), "Corvane");
        bool ready = false;
        if (m_context) {
            pa_context_set_state_callback(m_context, &PulseAudioInput::ContextState, this);
            if (pa_context_connect(m_context, nullptr, PA_CONTEXT_NOFLAGS, nullptr) >= 0)
                ready = WaitLocked(kAnswerMs,
                                   [this] {
                                       const pa_context_state_t state = pa_context_get_state(m_context);
                                       return state == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(state);
                                   }) &&
                        pa_context_get_state(m_context) == PA_CONTEXT_READY;
        }
        if (ready) {
            m_stream = pa_stream_new(m_context, "Recording", &m_spec, nullptr);
            ready = m_stream != nullptr;
        }
        if (ready) {
            pa_stream_set_state_callback(m_stream, &PulseAudioInput::StreamState, this);
            pa_stream_set_read_callback(m_stream, &PulseAudioInput::Readable, this);
            // Small pieces: the server hands a client nothing until a piece is full.
            pa_buffer_attr attr;
            attr.maxlength = uint32_t(-1);
            attr.tlength = attr.prebuf = attr.minreq = uint32_t(-1);
            attr.fragsize = uint32_t(qMax<size_t>(pa_usec_to_bytes(pa_usec_t(pieceMs) * 1000, &m_spec), 256));
            const QByteArray name = device.id();
            ready = pa_stream_connect_record(m_stream, name.isEmpty() ? nullptr : name.constData(), &attr,
                                             PA_STREAM_ADJUST_LATENCY) >= 0 &&
                    WaitLocked(kAnswerMs,
                               [this] {
                                   const pa_stream_state_t state = pa_stream_get_state(m_stream);
                                   return state == PA_STREAM_READY || !PA_STREAM_IS_GOOD(state);
                               }) &&
                    pa_stream_get_state(m_stream) == PA_STREAM_READY;
        }
        m_running = ready;
        // The device records for the stream from before it is ready.
        m_beganUs = NowUs();
        pa_threaded_mainloop_unlock(m_loop);
        if (!ready) return fail(cannotOpen);
        m_device = device;
        return true;
    }

    bool Present() override { return !m_device.isNull() && QMediaDevices::audioInputs().contains(m_device); }

    // What the device had recorded by now is in the pieces still to come
    // (the server sends a piece when its time is up): those are taken, up
    // to this moment and no further. How far that is comes from the
    // device's own pace: each piece tells when its last sample was recorded
    // at the latest (when it arrived), and so when the recording began at
    // the latest; the length up to now is never overestimated.
    void Finish(std::function<void()> drained) override {
        if (!m_loop) {
            if (drained) drained();
            return;
        }
        pa_threaded_mainloop_lock(m_loop);
        if (m_running && m_stream && pa_stream_get_state(m_stream) == PA_STREAM_READY) {
            qint64 limit = qint64(pa_usec_to_bytes(pa_usec_t(qMax<qint64>(0, NowUs() - m_beganUs)), &m_spec));
            limit -= limit % m_frameBytes;
            m_limit = qMax(limit, m_delivered);
            m_drained = std::move(drained);
            CheckDrained();
        } else if (drained) {
            drained();
        }
        pa_threaded_mainloop_unlock(m_loop);
    }

    void Stop() override {
        if (!m_loop) return;
        pa_threaded_mainloop_lock(m_loop);
        m_running = false;
        m_drained = nullptr;
        if (m_stream) {
            pa_stream_set_state_callback(m_stream, nullptr, nullptr);
            pa_stream_set_read_callback(m_stream, nullptr, nullptr);
            pa_stream_disconnect(m_stream);
            pa_stream_unref(m_stream);
            m_stream = nullptr;
        }
        if (m_context) {
            pa_context_set_state_callback(m_context, nullptr, nullptr);
            pa_context_disconnect(m_context);
            pa_context_unref(m_context);
            m_context = nullptr;
        }
        pa_threaded_mainloop_unlock(m_loop);
        pa_threaded_mainloop_stop(m_loop);
        pa_threaded_mainloop_free(m_loop);
        m_loop = nullptr;
        m_callbacks = {};
        m_lost = false;
        m_delivered = 0;
        m_limit = -1;
        m_partial.clear();
        m_device = QAudioDevice();
    }

private:
    // How long the server may take to answer a connection or a question.
    static constexpr int kAnswerMs = 3000;

    // Lets the loop's thread run (the lock given up meanwhile) until `done`
    // holds or `ms` have passed; whether it held. Called with the lock.
    template <typename Done> bool WaitLocked(int ms, Done done) {
        struct Timer {
            pa_threaded_mainloop* loop;
            bool late = false;
        } timer{m_loop};
        pa_mainloop_api* api = pa_threaded_mainloop_get_api(m_loop);
        timeval at{};
        pa_time_event* event = api->time_new(
            api, pa_timeval_add(pa_gettimeofday(&at), pa_usec_t(ms) * 1000),
            [](pa_mainloop_api*, pa_time_event*, const timeval*, void* data) {
                auto* t = static_cast<Timer*>(data);
                t->late = true;
                pa_threaded_mainloop_signal(t->loop, 0);
            },
            &timer);
        m_waiting = true;
        while (!done() && !timer.late)
            pa_threaded_mainloop_wait(m_loop);
        m_waiting = false;
        if (event) api->time_free(event);
        return done();
    }

    static qint64 NowUs() {
        return std::chrono::duration_cast<std::chrono::microseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }

    // Tells Finish's caller once everything up to its moment is in (or
    // nothing more can come). Loop thread, or with the lock.
    void CheckDrained() {
        if (!m_drained) return;
        if (m_delivered < m_limit && m_stream && pa_stream_get_state(m_stream) == PA_STREAM_READY) return;
        const std::function<void()> drained = std::move(m_drained);
        m_drained = nullptr;
        drained();
    }

    // Hands over `bytes` in whole frames (a piece may end inside one; its
    // start waits for the next piece). Loop thread.
    void Deliver(const char* data, qint64 bytes) {
        if (m_limit >= 0) bytes = qMin(bytes, m_limit - m_delivered);
        if (bytes <= 0) return;
        m_delivered += bytes;
        if (!m_partial.isEmpty()) {
            const qint64 fill = qMin<qint64>(m_frameBytes - m_partial.size(), bytes);
            m_partial.append(data, fill);
            data += fill;
            bytes -= fill;
            if (m_partial.size() < m_frameBytes) return;
            if (m_callbacks.data) m_callbacks.data(m_partial.constData(), m_partial.size());
            m_partial.clear();
        }
        const qint64 whole = bytes - bytes % m_frameBytes;
        if (whole > 0 && m_callbacks.data) m_callbacks.data(data, whole);
        if (whole < bytes) m_partial.append(data + whole, bytes - whole);
    }

    static void Readable(pa_stream* stream, size_t, void* self) {
        auto* me = static_cast<PulseAudioInput*>(self);
        for (;;) {
            const void* data = nullptr;
            size_t size = 0;
            if (pa_stream_peek(stream, &data, &size) < 0 || size == 0) break;
            if (data) {
                me->Deliver(static_cast<const char*>(data), qint64(size));
            } else {
                // A hole: the server lost that much; silence keeps the time.
                const QByteArray silence(qsizetype(size),
                                         me->m_spec.format == PA_SAMPLE_U8 ? char(0x80) : '\0');
                me->Deliver(silence.constData(), silence.size());
            }
            pa_stream_drop(stream);
        }
        // The last sample came in by now, so the recording began by now
        // less what has come.
        me->m_beganUs =
            qMin(me->m_beganUs, NowUs() - qint64(pa_bytes_to_usec(uint64_t(me->m_delivered), &me->m_spec)));
        me->CheckDrained();
        if (me->m_waiting) pa_threaded_mainloop_signal(me->m_loop, 0);
    }

    void Lose() {
        if (m_lost || !m_running) return;
        m_lost = true;
        if (m_callbacks.lost) m_callbacks.lost();
    }

    static void StreamState(pa_stream* stream, void* self) {
        auto* me = static_cast<PulseAudioInput*>(self);
        if (!PA_STREAM_IS_GOOD(pa_stream_get_state(stream))) {
            me->Lose();
            me->CheckDrained();
        }
        pa_threaded_mainloop_signal(me->m_loop, 0);
    }

    static void ContextState(pa_context* context, void* self) {
        auto* me = static_cast<PulseAudioInput*>(self);
        if (!PA_CONTEXT_IS_GOOD(pa_context_get_state(context))) me->Lose();
        pa_threaded_mainloop_signal(me->m_loop, 0);
    }

    QAudioDevice m_device;
    Callbacks m_callbacks;
    pa_threaded_mainloop* m_loop = nullptr;
    pa_context* m_context = nullptr;
    pa_stream* m_stream = nullptr;
    pa_sample_spec m_spec{};
    int m_frameBytes = 1;
    int m_pieceMs = 20;
    // Loop thread, or any thread holding the lock:
    bool m_running = false; // started, and not stopping
    bool m_lost = false;
    bool m_waiting = false;          // a caller waits for a signal
    qint64 m_delivered = 0;          // bytes taken from the stream
    qint64 m_limit = -1;             // the bytes to take in all, once finishing
    qint64 m_beganUs = 0;            // when the recording began, at the latest (steady clock)
    std::function<void()> m_drained; // Finish's caller, until all is in
    QByteArray m_partial;            // the start of a frame
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
    return new PulseAudioInput;
}
}
