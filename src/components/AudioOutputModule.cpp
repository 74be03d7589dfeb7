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

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <thread>

#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <unistd.h>

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

// Records from the sound server directly: one stream on a thread of its
// own, whose read callback hands the pieces over. Nothing is copied on the
// way, and the thread does not wake for every piece: once the recording
// runs it looks every kPaceMs (the meter's pace) and takes what has come,
// which costs a fraction of waking for each; from Finish on it takes each
// piece as it comes again. The device list stays Qt Multimedia's, whose
// device ids are the server's source names.
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
        m_nudge = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        m_loop = pa_mainloop_new();
        if (!m_loop || m_nudge < 0) return fail(cannotOpen);
        pa_mainloop_set_poll_func(m_loop, &PulseAudioInput::Poll, this);
        // Connected from here; the recording thread takes over once the stream is ready.
        std::unique_lock<std::mutex> lock(m_mutex);
        m_context = pa_context_new(pa_mainloop_get_api(m_loop), "Corvane");
        bool ready = false;
        if (m_context) {
            pa_context_set_state_callback(m_context, &PulseAudioInput::ContextState, this);
            if (pa_context_connect(m_context, nullptr, PA_CONTEXT_NOFLAGS, nullptr) >= 0)
                ready = RunUntil(kAnswerMs,
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
                    RunUntil(kAnswerMs,
                             [this] {
                                 const pa_stream_state_t state = pa_stream_get_state(m_stream);
                                 return state == PA_STREAM_READY || !PA_STREAM_IS_GOOD(state);
                             }) &&
                    pa_stream_get_state(m_stream) == PA_STREAM_READY;
        }
        lock.unlock();
        if (!ready) return fail(cannotOpen);
        m_running = true;
        // The device records for the stream from before it is ready.
        m_beganUs = m_readyUs = NowUs();
        m_thread = std::thread([this] { Run(); });
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
        const std::lock_guard<std::mutex> lock(m_mutex);
        if (m_running && m_stream && pa_stream_get_state(m_stream) == PA_STREAM_READY) {
            qint64 limit = qint64(pa_usec_to_bytes(pa_usec_t(qMax<qint64>(0, NowUs() - m_beganUs)), &m_spec));
            limit -= limit % m_frameBytes;
            m_limit = qMax(limit, m_delivered);
            m_drained = std::move(drained);
            // Each piece as it comes from now on.
            m_paced = false;
            Nudge();
            CheckDrained();
        } else if (drained) {
            drained();
        }
    }

    void Stop() override {
        if (!m_loop) return;
        if (m_thread.joinable()) {
            {
                const std::lock_guard<std::mutex> lock(m_mutex);
                m_quit = true;
                m_running = false;
                m_drained = nullptr;
            }
            Nudge();
            pa_mainloop_wakeup(m_loop);
            m_thread.join();
        }
        // The thread has ended: everything is this thread's again.
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
        pa_mainloop_free(m_loop);
        m_loop = nullptr;
        if (m_nudge >= 0) ::close(m_nudge);
        m_nudge = -1;
        m_quit = false;
        m_paced = false;
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
    // How often a running recording is looked at, and for how long at first
    // each piece is taken as it comes (to learn when the device began).
    static constexpr qint64 kPaceMs = 50;
    static constexpr qint64 kLearnMs = 300;

    // While connecting (the caller's thread, holding the lock): runs the
    // loop until `done` holds or `ms` have passed; whether it held.
    template <typename Done> bool RunUntil(int ms, Done done) {
        const qint64 deadline = NowUs() + qint64(ms) * 1000;
        while (!done()) {
            const qint64 left = deadline - NowUs();
            if (left <= 0 || pa_mainloop_prepare(m_loop, int(qMin<qint64>(left, 100000))) < 0 ||
                pa_mainloop_poll(m_loop) < 0 || pa_mainloop_dispatch(m_loop) < 0)
                return done();
        }
        return true;
    }

    // The recording thread: the loop, with the lock held but while it waits.
    void Run() {
        pthread_setname_np(pthread_self(), "Recording");
        std::unique_lock<std::mutex> lock(m_mutex);
        while (!m_quit)
            if (pa_mainloop_iterate(m_loop, 1, nullptr) < 0) break;
    }

    // The loop's wait. Paced, it first sleeps until the next look is due (a
    // nudge ends that early); then it waits for what has come, if anything.
    static int Poll(pollfd* fds, unsigned long count, int timeout, void* self) {
        auto* me = static_cast<PulseAudioInput*>(self);
        me->m_mutex.unlock();
        if (me->m_paced.load(std::memory_order_relaxed) && timeout != 0) {
            const qint64 now = NowUs();
            if (me->m_nextLookUs > now) {
                pollfd nudge{me->m_nudge, POLLIN, 0};
                if (::poll(&nudge, 1, int((me->m_nextLookUs - now + 999) / 1000)) > 0) {
                    quint64 value = 0;
                    (void)::read(me->m_nudge, &value, sizeof value);
                }
            }
            me->m_nextLookUs = qMax(me->m_nextLookUs + kPaceMs * 1000, NowUs());
        }
        const int n = ::poll(fds, nfds_t(count), timeout);
        me->m_mutex.lock();
        return n;
    }

    // Ends a paced sleep early (any thread).
    void Nudge() {
        const quint64 one = 1;
        if (m_nudge >= 0) (void)::write(m_nudge, &one, sizeof one);
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
        // Once the pace of the device is known (see Finish), the thread looks now and then.
        if (!me->m_paced && me->m_limit < 0 && NowUs() - me->m_readyUs > kLearnMs * 1000) {
            me->m_nextLookUs = NowUs() + kPaceMs * 1000;
            me->m_paced = true;
        }
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
    }

    static void ContextState(pa_context* context, void* self) {
        auto* me = static_cast<PulseAudioInput*>(self);
        if (!PA_CONTEXT_IS_GOOD(pa_context_get_state(context))) me->Lose();
    }

    QAudioDevice m_device;
    Callbacks m_callbacks;
    pa_mainloop* m_loop = nullptr;
    std::thread m_thread;
    std::mutex m_mutex; // held by the recording thread but while it waits
    int m_nudge = -1;   // eventfd: ends a paced sleep
    bool m_quit = false;
    std::atomic<bool> m_paced{false};
    qint64 m_nextLookUs = 0; // recording thread
    qint64 m_readyUs = 0;
    pa_context* m_context = nullptr;
    pa_stream* m_stream = nullptr;
    pa_sample_spec m_spec{};
    int m_frameBytes = 1;
    int m_pieceMs = 20;
    // Loop thread, or any thread holding the lock:
    bool m_running = false; // started, and not stopping
    bool m_lost = false;
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
