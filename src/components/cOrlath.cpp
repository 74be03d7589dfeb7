#include "components/cOrlath.h"

#include "components/AudioOutput.h"
#include "components/EspeakLibrary.h"
#include "components/FFmpegLibrary.h"
#include "components/OutputFiles.h"
#include "components/Worker.h"

#include <QElapsedTimer>
#include <QMetaObject>
#include <QSaveFile>
#include <QTimer>
#include <QtEndian>

#include <algorithm>
#include <cstring>
#include <limits>
#include <mutex>

namespace components {

namespace {

// The output's buffer: what is queued ahead of the ear. Short, so that the
// highlighted word keeps up with the sound; the feed tick is a fraction of it.
constexpr int kSinkMs = 120;
constexpr int kFeedMs = 10;
// An output that plays nothing for this long after the speech has been handed
// over completely is given up on, so that SpeakDone always comes.
constexpr qint64 kStallMs = 3000;

std::vector<SpeechFormat> MakeFormats() {
    struct Rate {
        int hz;
        const char* label;
    };
    static const Rate rates[] = {{8000, "8"},   {11025, "11"}, {12000, "12"}, {16000, "16"}, {22050, "22"},
                                 {24000, "24"}, {32000, "32"}, {44100, "44"}, {48000, "48"}};
    std::vector<SpeechFormat> formats;
    qint32 id = 1;
    for (const Rate& r : rates)
        for (int bits : {8, 16})
            for (int channels : {1, 2}) {
                SpeechFormat f;
                f.id = id++;
                f.name = QStringLiteral("SAFT%1kHz%2Bit%3")
                             .arg(QLatin1String(r.label))
                             .arg(bits)
                             .arg(channels == 1 ? QStringLiteral("Mono") : QStringLiteral("Stereo"));
                f.rate = r.hz;
                f.bits = bits;
                f.channels = channels;
                formats.push_back(f);
            }
    return formats;
}

// The engine's mono 16-bit speech in another rate, channel count or sample
// size. The engine's own format passes through without FFmpeg.
class SpeechResampler {
public:
    ~SpeechResampler() {
        if (m_swr) ff().swr_free(&m_swr);
    }
    bool Open(int inRate, int outRate, int outChannels, bool unsigned8, QString* error) {
        m_channels = outChannels;
        m_bytes = unsigned8 ? 1 : 2;
        m_pass = inRate == outRate && outChannels == 1 && !unsigned8;
        if (m_pass) return true;
        AVChannelLayout in = AV_CHANNEL_LAYOUT_MONO;
        AVChannelLayout out{};
        ff().av_channel_layout_default(&out, outChannels);
        int rc = ff().swr_alloc_set_opts2(&m_swr, &out, unsigned8 ? AV_SAMPLE_FMT_U8 : AV_SAMPLE_FMT_S16,
                                          outRate, &in, AV_SAMPLE_FMT_S16, inRate, 0, nullptr);
        ff().av_channel_layout_uninit(&out);
        if (rc >= 0) rc = ff().swr_init(m_swr);
        if (rc < 0) {
            if (error) *error = QStringLiteral("The speech cannot be resampled: ") + ffmpeg::ErrorText(rc);
            return false;
        }
        return true;
    }
    // Appends the converted samples of `count` input samples (null: the rest held back).
    void Convert(const short* in, int count, QByteArray& out) {
        if (m_pass) {
            if (in) out.append(reinterpret_cast<const char*>(in), qsizetype(count) * 2);
            return;
        }
        const int room = ff().swr_get_out_samples(m_swr, count);
        if (room <= 0) return;
        const qsizetype frameBytes = qsizetype(m_channels) * m_bytes;
        const qsizetype old = out.size();
        out.resize(old + room * frameBytes);
        auto* dst = reinterpret_cast<uint8_t*>(out.data() + old);
        const auto* src = reinterpret_cast<const uint8_t*>(in);
        const int n = ff().swr_convert(m_swr, &dst, room, in ? &src : nullptr, in ? count : 0);
        out.resize(old + std::max(0, n) * frameBytes);
    }

private:
    SwrContext* m_swr = nullptr;
    int m_channels = 1;
    int m_bytes = 2;
    bool m_pass = true;
};

// A WAV header for PCM of `dataBytes` bytes.
QByteArray WavHeader(const SpeechFormat& f, quint32 dataBytes) {
    QByteArray h(44, '\0');
    auto put32 = [&h](int at, quint32 v) { qToLittleEndian(v, h.data() + at); };
    auto put16 = [&h](int at, quint16 v) { qToLittleEndian(v, h.data() + at); };
    const quint16 blockAlign = quint16(f.channels * f.bits / 8);
    std::memcpy(h.data(), "RIFF", 4);
    put32(4, 36 + dataBytes);
    std::memcpy(h.data() + 8, "WAVEfmt ", 8);
    put32(16, 16);
    put16(20, 1); // PCM
    put16(22, quint16(f.channels));
    put32(24, quint32(f.rate));
    put32(28, quint32(f.rate) * blockAlign);
    put16(32, blockAlign);
    put16(34, quint16(f.bits));
    std::memcpy(h.data() + 36, "data", 4);
    put32(40, dataBytes);
    return h;
}

// Where each code point of the text begins in its UTF-16 form, and its end.
std::vector<qint32> CodePointOffsets(const QString& text) {
    std::vector<qint32> at;
    at.reserve(size_t(text.size()) + 1);
    for (qint32 i = 0; i < text.size(); ++i) {
        at.push_back(i);
        if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) ++i;
    }
    at.push_back(qint32(text.size()));
    return at;
}

// What the engine is asked to speak with: the chosen voice (when it is one
// of the installed ones), speed and volume.
espeak::SpeechRequest RequestFor(const espeak::Engine& engine, qint32 voice, int wordsPerMinute,
                                 qint32 volume) {
    espeak::SpeechRequest request;
    const auto& voices = engine.Voices();
    if (voice >= 0 && size_t(voice) < voices.size())
        request.voiceIdentifier = voices[size_t(voice)].identifier;
    request.wordsPerMinute = wordsPerMinute;
    request.volume = volume;
    return request;
}

} // namespace

// What the synthesis thread and the GUI thread share: the speech in the
// output's format, not yet handed over, and the words with the frame where
// each begins.
struct cOrlath::Shared {
    struct Word {
        qint64 frame = 0;
        qint32 start = 0; // code points
        qint32 length = 0;
    };
    std::mutex m;
    QByteArray pcm;
    qsizetype head = 0; // first byte not yet handed to the output
    std::vector<Word> words;
    bool finished = false;
    QString error;
};

struct cOrlath::Session {
    std::shared_ptr<Shared> shared = std::make_shared<Shared>();
    std::unique_ptr<Worker> worker;
    std::unique_ptr<AudioOutput> output;
    std::vector<qint32> offsets; // code point -> UTF-16 position in the spoken text
    int rate = 0;
    int bpf = 0;
    qint64 written = 0;   // frames of speech handed to the output
    size_t nextWord = 0;  // the first word not yet announced
    qint32 shownEnd = -1; // where the last announced word ends (code points)
    bool drained = false; // all speech handed over; silence follows
    qint64 lastHeard = -1;
    QElapsedTimer sinceHeardMoved;
    QByteArray silence;
};

cOrlath::cOrlath(QObject* parent) : QObject(parent) {
    m_format = DefaultFormat().id;
    m_feedTimer = new QTimer(this);
    m_feedTimer->setInterval(kFeedMs);
    connect(m_feedTimer, &QTimer::timeout, this, &cOrlath::Feed);
}

cOrlath::~cOrlath() {
    m_closed = true;
    EndSession(false);
}

const std::vector<SpeechFormat>& cOrlath::Formats() {
    static const std::vector<SpeechFormat> formats = MakeFormats();
    return formats;
}

const SpeechFormat& cOrlath::DefaultFormat() {
    for (const SpeechFormat& f : Formats())
        if (f.rate == 22050 && f.bits == 16 && f.channels == 1) return f;
    return Formats().front();
}

const SpeechFormat& cOrlath::Format() const {
    for (const SpeechFormat& f : Formats())
        if (f.id == m_format) return f;
    return DefaultFormat();
}

qint32 cOrlath::VoiceCount() {
    const espeak::Engine& engine = espeak::Engine::instance();
    if (!engine.Error().isEmpty()) m_error = engine.Error();
    return qint32(engine.Voices().size());
}

QString cOrlath::VoiceName(qint32 index) {
    const auto& voices = espeak::Engine::instance().Voices();
    return index >= 1 && size_t(index) <= voices.size() ? voices[size_t(index) - 1].name : QString();
}

QStringList& cOrlath::OutputNames() {
    if (!m_outputsListed) {
        m_outputsListed = true;
        if (std::unique_ptr<AudioOutput> output = CreateAudioOutput(&m_error))
            m_outputs = output->OutputNames();
    }
    return m_outputs;
}

qint32 cOrlath::AudioOutputCount() {
    return qint32(OutputNames().size());
}

QString cOrlath::AudioOutputName(qint32 index) {
    const QStringList& names = OutputNames();
    return index >= 1 && index <= names.size() ? names.at(index - 1) : QString();
}

void cOrlath::EnumAudioFormats() {
    for (const SpeechFormat& f : Formats())
        emit AudioFormatItem(f.name, f.id);
}

void cOrlath::setAudioOutput(qint32 position) {
    m_output = position;
}
void cOrlath::setVoice(qint32 position) {
    m_voice = position;
}
void cOrlath::setRate(qint32 rate) {
    m_rate = qBound(-10, rate, 10);
}
void cOrlath::setVolume(qint32 volume) {
    m_volume = qBound(0, volume, 100);
}
void cOrlath::setSpeakFlags(qint32 flags) {
    m_flags = flags;
}
void cOrlath::setAudioFormat(qint32 id) {
    for (const SpeechFormat& f : Formats())
        if (f.id == id) m_format = id;
}

int cOrlath::WordsPerMinute(qint32 rate) {
    // The engine's normal speed at 0, its slowest and fastest at the ends.
    rate = qBound(-10, rate, 10);
    if (rate >= 0) return espeakRATE_NORMAL + rate * (espeakRATE_MAXIMUM - espeakRATE_NORMAL) / 10;
    return espeakRATE_NORMAL + rate * (espeakRATE_NORMAL - espeakRATE_MINIMUM) / 10;
}

bool cOrlath::IsSpeaking() const {
    return m_session != nullptr;
}

bool cOrlath::Speak(const QString& text) {
    m_closed = false;
    if (m_session) {
        if (!(m_flags & kPurgeBeforeSpeak)) {
            m_queued << text;
            return true;
        }
        m_queued.clear();
        EndSession(false);
    }
    return StartSession(text);
}

bool cOrlath::StartSession(const QString& text) {
    espeak::Engine& engine = espeak::Engine::instance();
    if (!engine.Error().isEmpty()) {
        m_error = engine.Error();
        return false;
    }
    auto s = std::make_unique<Session>();
    s->output = CreateAudioOutput(&m_error);
    if (!s->output) return false;
    if (!s->output->SelectDevice(m_output)) {
        m_error = QStringLiteral("No audio output is available.");
        return false;
    }
    const SpeechFormat& format = Format();
    int rate = format.rate;
    int channels = format.channels;
    s->output->FitFormat(&rate, &channels);
    auto resampler = std::make_shared<SpeechResampler>();
    if (!resampler->Open(engine.SampleRate(), rate, channels, false, &m_error)) return false;
    s->rate = rate;
    s->bpf = channels * 2;
    if (!s->output->Start(rate, channels, qint64(rate) * kSinkMs / 1000 * s->bpf)) {
        m_error = QStringLiteral("The audio output cannot be opened.");
        return false;
    }
    s->offsets = CodePointOffsets(text);
    s->silence = QByteArray(qsizetype(rate) * kSinkMs / 1000 * s->bpf, '\0');
    s->sinceHeardMoved.start();
    m_error.clear();

    const espeak::SpeechRequest request = RequestFor(engine, m_voice, WordsPerMinute(m_rate), m_volume);
    // An 8-bit format is heard as coarse as it would be written.
    const bool coarse = format.bits == 8;
    const int inRate = engine.SampleRate();
    std::shared_ptr<Shared> shared = s->shared;
    s->worker = std::make_unique<Worker>();
    s->worker->start([=](Worker::Context& ctx) -> Worker::Outcome {
        QByteArray block;
        auto sink = [&](const short* samples, int count, const std::vector<espeak::WordMark>& words) {
            block.clear();
            if (count > 0) resampler->Convert(samples, count, block);
            if (coarse) {
                auto* p = reinterpret_cast<qint16*>(block.data());
                for (qsizetype i = 0; i < block.size() / 2; ++i)
                    p[i] = qint16(p[i] & ~0xFF);
            }
            std::lock_guard lock(shared->m);
            for (const espeak::WordMark& w : words)
                shared->words.push_back({w.sample * rate / inRate, w.start, w.length});
            shared->pcm.append(block);
            return !ctx.aborted();
        };
        QString error;
        const bool ok = espeak::Engine::instance().Synthesize(text, request, sink, &error);
        block.clear();
        resampler->Convert(nullptr, 0, block);
        std::lock_guard lock(shared->m);
        shared->pcm.append(block);
        shared->error = error;
        shared->finished = true;
        return ok ? Worker::Outcome::done() : Worker::Outcome::error(1, error);
    });
    m_session = std::move(s);
    m_feedTimer->start();
    return true;
}

void cOrlath::ReleaseWords(qint64 heardFrames) {
    Session& s = *m_session;
    std::vector<Shared::Word> due;
    {
        std::lock_guard lock(s.shared->m);
        while (s.nextWord < s.shared->words.size() && s.shared->words[s.nextWord].frame < heardFrames)
            due.push_back(s.shared->words[s.nextWord++]);
    }
    const qint32 points = qint32(s.offsets.size()) - 1;
    for (const Shared::Word& w : due) {
        // A word the engine reads as several ("42": forty two) keeps the
        // whole of it selected rather than jumping back into it.
        if (w.start < s.shownEnd || w.start >= points) continue;
        const qint32 end = std::min(points, w.start + std::max(1, w.length));
        s.shownEnd = end;
        emit WordPosition(s.offsets[size_t(w.start)], s.offsets[size_t(end)] - s.offsets[size_t(w.start)]);
        if (!m_session) return; // a handler stopped the speech
    }
}

void cOrlath::Feed() {
    if (!m_session) return;
    Session& s = *m_session;
    if (s.output->Broken()) {
        m_error = QStringLiteral("The audio output stopped playing.");
        EndSession(true);
        return;
    }
    qint64 room = s.output->BytesFree();
    room -= room % s.bpf;
    bool finished = false;
    if (room > 0) {
        std::lock_guard lock(s.shared->m);
        const qsizetype available = s.shared->pcm.size() - s.shared->head;
        const qint64 n = std::min<qint64>(room, available);
        if (n > 0) {
            const qint64 written = s.output->Write(s.shared->pcm.constData() + s.shared->head, n);
            if (written > 0) {
                s.shared->head += written - written % s.bpf;
                s.written += written / s.bpf;
                room -= written;
            }
        }
        // Handed-over speech is dropped now and then, so a long text does not
        // keep all of its sound.
        if (s.shared->head > (1 << 20)) {
            s.shared->pcm.remove(0, s.shared->head);
            s.shared->head = 0;
        }
        finished = s.shared->finished && s.shared->head >= s.shared->pcm.size();
        if (finished && !s.shared->error.isEmpty()) m_error = s.shared->error;
    }
    if (finished && !s.drained) s.drained = true;
    // Silence behind the end keeps the output running until the last word has been heard.
    if (s.drained && room > 0)
        s.output->Write(s.silence.constData(), std::min<qint64>(room, s.silence.size()));

    const qint64 heard = std::min(s.output->ProcessedUSecs() * s.rate / 1000000, s.written);
    if (heard != s.lastHeard) {
        s.lastHeard = heard;
        s.sinceHeardMoved.restart();
    }
    ReleaseWords(heard);
    if (!m_session) return;
    if (s.drained && (heard >= s.written || s.sinceHeardMoved.elapsed() > kStallMs)) {
        ReleaseWords(std::numeric_limits<qint64>::max());
        if (!m_session) return;
        if (!m_queued.isEmpty()) {
            const QString next = m_queued.takeFirst();
            EndSession(false);
            if (StartSession(next)) return;
            m_queued.clear();
        }
        EndSession(true);
    }
}

void cOrlath::Stop() {
    m_queued.clear();
    EndSession(true);
}

void cOrlath::Close() {
    m_closed = true;
    m_queued.clear();
    EndSession(false);
}

void cOrlath::EndSession(bool notify) {
    if (!m_session) return;
    std::unique_ptr<Session> s = std::move(m_session);
    m_feedTimer->stop();
    if (s->worker) s->worker->abort();
    s->worker.reset(); // the synthesis stops at its next block
    if (s->output) s->output->Stop();
    s.reset();
    if (!notify) return;
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (!m_closed) emit SpeakDone();
        },
        Qt::QueuedConnection);
}

qint32 cOrlath::SpeakToWave(const QString& text, const QString& path) {
    espeak::Engine& engine = espeak::Engine::instance();
    if (!engine.Error().isEmpty()) {
        m_error = engine.Error();
        return 1;
    }
    if (text.trimmed().isEmpty()) {
        m_error = QStringLiteral("There is no text to speak.");
        return 2;
    }
    const SpeechFormat& format = Format();
    SpeechResampler resampler;
    if (!resampler.Open(engine.SampleRate(), format.rate, format.channels, format.bits == 8, &m_error))
        return 3;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        m_error = QStringLiteral("The file %1 cannot be written: %2").arg(path, file.errorString());
        return 4;
    }
    // The first failure's reason is kept: cancelling the file replaces the device's own.
    QString writeError;
    auto failWrite = [&] {
        if (writeError.isEmpty()) writeError = file.errorString();
    };
    if (!WriteAll(file, WavHeader(format, 0))) failWrite();

    const espeak::SpeechRequest request = RequestFor(engine, m_voice, WordsPerMinute(m_rate), m_volume);

    qint64 dataBytes = 0;
    qint64 samples = 0;
    int peak = 0;
    bool writeFailed = !writeError.isEmpty();
    QByteArray block;
    auto put = [&] {
        if (block.isEmpty()) return;
        if (!writeFailed && !WriteAll(file, block)) {
            writeFailed = true;
            failWrite();
        }
        dataBytes += block.size();
        block.clear();
    };
    auto sink = [&](const short* in, int count, const std::vector<espeak::WordMark>&) {
        for (int i = 0; i < count; ++i)
            peak = std::max(peak, std::abs(int(in[i])));
        samples += count;
        if (count > 0) resampler.Convert(in, count, block);
        put();
        return !writeFailed;
    };
    QString error;
    if (!engine.Synthesize(text, request, sink, &error)) {
        file.cancelWriting();
        // The sink stopped the engine because the file could not take the speech.
        if (!writeError.isEmpty()) {
            m_error = QStringLiteral("The file %1 cannot be written: %2").arg(path, writeError);
            return 4;
        }
        m_error = error;
        return 5;
    }
    resampler.Convert(nullptr, 0, block);
    put();
    if (samples == 0 || (peak == 0 && m_volume > 0)) {
        file.cancelWriting();
        m_error = QStringLiteral("The text gives no speech.");
        return 6;
    }
    // A chunk of odd size would need a pad byte: one more sample of silence instead.
    if (dataBytes % 2) {
        block = QByteArray(1, char(0x80));
        put();
    }
    if (dataBytes > 0xFFFFFFF0LL) {
        file.cancelWriting();
        m_error = QStringLiteral("The speech is too long for a WAV file.");
        return 7;
    }
    if (writeError.isEmpty() &&
        (!file.seek(0) || !WriteAll(file, WavHeader(format, quint32(dataBytes))) || !file.commit()))
        failWrite();
    if (!writeError.isEmpty()) {
        if (file.isOpen()) file.cancelWriting();
        m_error = QStringLiteral("The file %1 cannot be written: %2").arg(path, writeError);
        return 4;
    }
    m_error.clear();
    return 0;
}

} // namespace components
