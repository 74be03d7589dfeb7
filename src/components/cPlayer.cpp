#include "components/cPlayer.h"

#include "components/AudioDecoder.h"
#include "components/AudioOutput.h"
#include "components/Worker.h"

#include <QElapsedTimer>
#include <QMetaObject>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <vector>

namespace components {

namespace {

// How far the decoder runs ahead of what is heard, and how much the sink holds.
// The sink's share is what bridges a busy GUI thread; the ring's what bridges a slow disk.
constexpr int kSinkMs = 200;
constexpr int kRingMs = 2000;
constexpr qint64 kChunkFrames = 4096;
// The feed tick; a fraction of the sink's buffer so that it never runs dry.
constexpr int kFeedMs = 10;
// A device that takes no samples for this long while the file has been handed
// over completely is given up on, so that PlayDone always comes.
constexpr qint64 kStallMs = 5000;

} // namespace

// What the decoding thread and the GUI thread share: the ring of decoded bytes
// in the sink's format, the end and error of decoding, and a pending seek.
struct cPlayer::Shared {
    std::mutex m;
    std::condition_variable cv;
    std::vector<char> ring;
    size_t head = 0; // first byte not yet handed to the sink
    size_t size = 0; // bytes waiting
    bool eof = false;
    bool quit = false;
    qint64 left = -1; // bytes still to be decoded when only a part plays (-1: to the end)
    qint64 seekMs = -1;
    quint64 generation = 0; // bumped by each seek; older decoded data is dropped
    QString error;

    size_t freeBytes() const { return ring.size() - size; }
    // Takes decoded bytes, as many as the part still asks for; true when the part is complete.
    bool push(const char* data, size_t n) {
        if (left >= 0) {
            n = std::min(n, size_t(left));
            left -= qint64(n);
        }
        pushAll(data, n);
        return left == 0;
    }
    void pushAll(const char* data, size_t n) {
        size_t tail = (head + size) % ring.size();
        while (n) {
            const size_t part = std::min(n, ring.size() - tail);
            std::memcpy(ring.data() + tail, data, part);
            data += part;
            n -= part;
            size += part;
            tail = (tail + part) % ring.size();
        }
    }
    size_t peek(char* out, size_t n) const {
        n = std::min(n, size);
        size_t pos = head;
        size_t done = 0;
        while (done < n) {
            const size_t part = std::min(n - done, ring.size() - pos);
            std::memcpy(out + done, ring.data() + pos, part);
            done += part;
            pos = (pos + part) % ring.size();
        }
        return n;
    }
    void consume(size_t n) {
        n = std::min(n, size);
        head = (head + n) % ring.size();
        size -= n;
    }
    void clear() { head = size = 0; }
};

struct cPlayer::Session {
    QString file;
    std::shared_ptr<Shared> shared = std::make_shared<Shared>();
    std::unique_ptr<Worker> worker;
    std::unique_ptr<AudioOutput> sink;
    int bpf = 0;
    int channels = 0;
    qint64 sinkBytes = 0;
    qint64 baseFrames = 0; // where in the file the current sink run began
    qint64 runFrames = 0;  // frames of the file written in this run
    bool drained = false;  // the whole file has been written
    qint64 lastPlayed = -1;
    QElapsedTimer sincePlayedMoved;
    std::vector<char> scratch;
    // The last second written, as mono samples, for AudioData.
    std::vector<float> history;
};

cPlayer::cPlayer(QObject* parent) : QObject(parent) {
    m_feedTimer = new QTimer(this);
    m_feedTimer->setInterval(kFeedMs);
    connect(m_feedTimer, &QTimer::timeout, this, &cPlayer::Feed);
}

cPlayer::~cPlayer() {
    EndSession(false);
}

QString cPlayer::FormatSeconds(qint64 seconds) {
    if (seconds < 0) seconds = 0;
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600)
        .arg((seconds / 60) % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

qint32 cPlayer::OpenFile(const QString& file) {
    if (m_session) {
        m_error = QStringLiteral("A file is playing.");
        return 1;
    }
    AudioDecoder decoder;
    if (!decoder.Open(file)) {
        m_error = decoder.ErrorText();
        return 1;
    }
    m_error.clear();
    const qint64 ms = decoder.DurationMs();
    m_length = ms > 0 ? double(ms) / 1000.0 : 0.0;
    return 0;
}

qint32 cPlayer::Play(const QString& file, qint32 audioDevice) {
    return Play(file, audioDevice, 0, -1);
}

qint32 cPlayer::Play(const QString& file, qint32 audioDevice, qint64 startMs, qint64 lengthMs) {
    if (m_session) EndSession(true);
    m_error.clear();
    m_closed = false;

    auto decoder = std::make_shared<AudioDecoder>();
    if (!decoder->Open(file)) {
        m_error = decoder->ErrorText();
        return 1;
    }
    auto s = std::make_unique<Session>();
    s->file = file;
    QString moduleError;
    s->sink = CreateAudioOutput(&moduleError);
    if (!s->sink) {
        m_error = moduleError;
        return 2;
    }
    if (!s->sink->SelectDevice(audioDevice)) {
        m_error = QStringLiteral("No audio output device is available.");
        return 2;
    }
    // The decoder converts to what the device takes.
    int rate = decoder->SourceRate();
    int channels = qBound(1, decoder->SourceChannels(), 2);
    s->sink->FitFormat(&rate, &channels);
    decoder->SetOutput(rate, channels, SampleKind::S16);
    s->channels = channels;
    s->bpf = decoder->BytesPerFrame();
    s->sinkBytes = qint64(rate) * kSinkMs / 1000 * s->bpf;
    s->shared->ring.resize(size_t(rate) * kRingMs / 1000 * size_t(s->bpf));
    s->scratch.resize(size_t(s->sinkBytes));
    s->history.assign(size_t(rate), 0.0f);
    if (startMs > 0 && !decoder->Seek(startMs)) {
        m_error = decoder->ErrorText();
        return 3;
    }
    s->baseFrames = std::max<qint64>(0, startMs) * rate / 1000;
    if (lengthMs >= 0) s->shared->left = lengthMs * rate / 1000 * s->bpf;

    // The first sink's worth is decoded here, so the sink starts full and a
    // file that cannot be decoded is refused before anything plays.
    qint64 primed = 0;
    std::vector<char> chunk(size_t(kChunkFrames * s->bpf));
    while (primed < s->sinkBytes) {
        const qint64 n = decoder->Read(chunk.data(), kChunkFrames);
        if (n < 0) {
            if (primed == 0) {
                m_error = decoder->ErrorText();
                return 3;
            }
            s->shared->error = decoder->ErrorText();
            s->shared->eof = true;
            break;
        }
        if (n == 0) {
            s->shared->eof = true;
            break;
        }
        primed += n * s->bpf;
        if (s->shared->push(chunk.data(), size_t(n * s->bpf))) {
            s->shared->eof = true;
            break;
        }
    }
    if (primed == 0) {
        m_error = QStringLiteral("The file holds no audio that can be played.");
        return 3;
    }

    if (!s->sink->Start(rate, channels, s->sinkBytes)) {
        m_error = QStringLiteral("The audio device cannot be opened.");
        s->sink->Stop();
        return 4;
    }
    s->sincePlayedMoved.start();

    const qint64 ms = decoder->DurationMs();
    m_length = ms > 0 ? double(ms) / 1000.0 : 0.0;
    m_rate = rate;
    m_paused = false;

    // The rest is decoded on the worker thread, a chunk at a time, as the ring drains.
    std::shared_ptr<Shared> shared = s->shared;
    const int bpf = s->bpf;
    s->worker = std::make_unique<Worker>();
    s->worker->start([shared, decoder, bpf](Worker::Context& ctx) -> Worker::Outcome {
        std::vector<char> buf(size_t(kChunkFrames * bpf));
        for (;;) {
            qint64 seekMs = -1;
            quint64 generation = 0;
            {
                std::unique_lock lock(shared->m);
                const bool ready = shared->cv.wait_for(lock, std::chrono::milliseconds(100), [&] {
                    return shared->quit || ctx.aborted() || shared->seekMs >= 0 ||
                           (!shared->eof && shared->freeBytes() >= buf.size());
                });
                if (shared->quit || ctx.aborted()) return Worker::Outcome::aborted();
                if (!ready) continue;
                std::swap(seekMs, shared->seekMs);
                generation = shared->generation;
            }
            if (seekMs >= 0) {
                if (!decoder->Seek(seekMs)) {
                    std::lock_guard lock(shared->m);
                    if (generation == shared->generation) {
                        shared->error = decoder->ErrorText();
                        shared->eof = true;
                    }
                }
                continue;
            }
            const qint64 n = decoder->Read(buf.data(), kChunkFrames);
            std::lock_guard lock(shared->m);
            if (generation != shared->generation) continue; // a seek came meanwhile
            if (n <= 0) {
                if (n < 0) shared->error = decoder->ErrorText();
                shared->eof = true;
                continue;
            }
            if (shared->push(buf.data(), size_t(n * bpf))) shared->eof = true;
        }
    });

    m_session = std::move(s);
    Feed();
    m_feedTimer->start();
    return 0;
}

void cPlayer::Pause() {
    if (!m_session || m_paused) return;
    m_session->sink->Suspend();
    m_paused = true;
}

void cPlayer::Resume() {
    if (!m_session || !m_paused) return;
    m_session->sink->Resume();
    m_paused = false;
    m_session->sincePlayedMoved.restart();
}

void cPlayer::Stop() {
    EndSession(true);
}

void cPlayer::Close() {
    m_closed = true;
    EndSession(false);
}

qint64 cPlayer::PlayedFrames() const {
    if (!m_session || !m_session->sink) return 0;
    const qint64 us = m_session->sink->ProcessedUSecs();
    return std::min(us * m_rate / 1000000, m_session->runFrames);
}

double cPlayer::GetPosition() const {
    if (!m_session || m_rate <= 0) return 0;
    const double pos = double(m_session->baseFrames + PlayedFrames()) / m_rate;
    return m_length > 0 ? std::min(pos, m_length) : pos;
}

void cPlayer::SetPosition(double seconds) {
    if (!m_session) return;
    Session& s = *m_session;
    double target = std::max(0.0, seconds);
    if (m_length > 0) target = std::min(target, m_length);
    const qint64 ms = qint64(target * 1000.0 + 0.5);
    {
        std::lock_guard lock(s.shared->m);
        s.shared->clear();
        s.shared->seekMs = ms;
        ++s.shared->generation;
        s.shared->eof = false;
        s.shared->error.clear();
    }
    s.shared->cv.notify_all();
    // A new sink run drops what the old one still held.
    if (!s.sink->Restart()) {
        Fail(QStringLiteral("The audio device cannot be opened."));
        return;
    }
    if (m_paused) s.sink->Suspend();
    s.baseFrames = ms * m_rate / 1000;
    s.runFrames = 0;
    s.drained = false;
    s.lastPlayed = -1;
    s.sincePlayedMoved.restart();
    std::fill(s.history.begin(), s.history.end(), 0.0f);
}

void cPlayer::AppendHistory(const char* data, qint64 frames) {
    Session& s = *m_session;
    const auto* samples = reinterpret_cast<const qint16*>(data);
    const qint64 size = qint64(s.history.size());
    for (qint64 i = 0; i < frames; ++i) {
        float sum = 0;
        for (int c = 0; c < s.channels; ++c)
            sum += samples[i * s.channels + c];
        s.history[size_t((s.runFrames + i) % size)] = sum / (32768.0f * float(s.channels));
    }
}

QVector<float> cPlayer::AudioData() const {
    if (!m_session || m_rate <= 0) return {};
    const Session& s = *m_session;
    const qint64 size = qint64(s.history.size());
    const qint64 end = PlayedFrames();
    const qint64 begin = std::max({qint64(0), end - qint64(m_rate) / 10, s.runFrames - size});
    QVector<float> out;
    out.reserve(std::max<qint64>(0, end - begin));
    for (qint64 i = begin; i < end; ++i)
        out.append(s.history[size_t(i % size)]);
    return out;
}

void cPlayer::Feed() {
    if (!m_session) return;
    Session& s = *m_session;

    QString failure;
    {
        std::lock_guard lock(s.shared->m);
        failure = s.shared->error;
        // Decoded samples are still played up to the damaged place.
        if (!failure.isEmpty() && s.shared->size > 0) failure.clear();
    }
    // A device that went away ends playback rather than leaving it hanging.
    if (failure.isEmpty() && s.sink->Broken()) failure = QStringLiteral("The audio device stopped playing.");
    if (!failure.isEmpty()) {
        Fail(failure);
        return;
    }
    if (m_paused) return;

    qint64 room = s.sink->BytesFree();
    room -= room % s.bpf;
    while (room > 0) {
        size_t got = 0;
        bool ended = false;
        {
            std::lock_guard lock(s.shared->m);
            got = s.shared->peek(s.scratch.data(), size_t(std::min<qint64>(room, qint64(s.scratch.size()))));
            ended = got == 0 && s.shared->eof;
        }
        if (got == 0) {
            if (ended) {
                s.drained = true;
                // Silence behind the end keeps the device running until the last
                // sample has been heard, however short the file.
                const qint64 n = std::min<qint64>(room, qint64(s.scratch.size()));
                std::memset(s.scratch.data(), 0, size_t(n));
                s.sink->Write(s.scratch.data(), n);
            }
            break;
        }
        qint64 written = s.sink->Write(s.scratch.data(), qint64(got));
        if (written <= 0) break;
        written -= written % s.bpf;
        {
            std::lock_guard lock(s.shared->m);
            s.shared->consume(size_t(written));
        }
        s.shared->cv.notify_one();
        AppendHistory(s.scratch.data(), written / s.bpf);
        s.runFrames += written / s.bpf;
        room -= written;
    }

    const qint64 played = PlayedFrames();
    if (played != s.lastPlayed) {
        s.lastPlayed = played;
        s.sincePlayedMoved.restart();
    }
    if (s.drained && (played >= s.runFrames || s.sincePlayedMoved.elapsed() > kStallMs)) EndSession(true);
}

void cPlayer::Fail(const QString& reason) {
    if (!m_session) return;
    const QString file = m_session->file;
    EndSession(false);
    QMetaObject::invokeMethod(
        this,
        [this, file, reason] {
            if (m_closed) return;
            emit Error(file, reason);
            emit PlayDone();
        },
        Qt::QueuedConnection);
}

void cPlayer::EndSession(bool notify) {
    if (!m_session) return;
    std::unique_ptr<Session> s = std::move(m_session);
    m_feedTimer->stop();
    m_paused = false;
    {
        std::lock_guard lock(s->shared->m);
        s->shared->quit = true;
    }
    s->shared->cv.notify_all();
    s->worker.reset(); // waits for the decoding thread, which is only ever a chunk away
    if (s->sink) s->sink->Stop();
    s.reset();
    if (notify)
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (!m_closed) emit PlayDone();
            },
            Qt::QueuedConnection);
}

} // namespace components
