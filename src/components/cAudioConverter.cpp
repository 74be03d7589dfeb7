#include "components/cAudioConverter.h"

#include "components/AudioDecoder.h"
#include "components/AudioLimits.h"
#include "components/ConverterCodecs.h"
#include "components/FFmpegHandles.h"
#include "components/Mp3Probe.h"
#include "components/OutputFiles.h"
#include "components/Worker.h"
#include "id3/Mp3Tags.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <algorithm>
#include <initializer_list>
#include <vector>

extern "C" {
#include <libavutil/dict.h>
#include <libavutil/mathematics.h>
}

namespace components {

struct cAudioConverter::Source {
    ffmpeg::InputContext input; // null for an MP3 examined from its own headers
    bool mp3 = false;           // its tags are ID3 tags
    QString path;
    qint32 durationMs = 0;
    qint32 sampleRate = 0;
    qint16 channels = 0;
    qint32 bitsPerSample = 0;
    qint32 bitRateKbps = 0;
};

namespace {

int FirstAudioStream(const AVFormatContext* fc) {
    for (unsigned i = 0; i < fc->nb_streams; ++i) {
        const AVStream* st = fc->streams[i];
        if (st->codecpar->codec_type == AVMEDIA_TYPE_AUDIO &&
            !(st->disposition & AV_DISPOSITION_ATTACHED_PIC))
            return int(i);
    }
    return -1;
}

bool NeedsStreamInfo(const AVFormatContext* fc, const AVStream* st) {
    return st->codecpar->sample_rate <= 0 || st->codecpar->ch_layout.nb_channels <= 0 ||
           (st->duration == AV_NOPTS_VALUE && fc->duration == AV_NOPTS_VALUE);
}

// The length in milliseconds as the stream states it, else as the container
// states it (the latter is what FFmpeg estimates from the bit rate when a file
// carries no length of its own, as an MP3 without a VBR header).
qint32 DurationMs(const AVFormatContext* fc, const AVStream* st) {
    qint64 ms = 0;
    if (st->duration != AV_NOPTS_VALUE && st->duration > 0)
        ms = ff().av_rescale_q(st->duration, st->time_base, AVRational{1, 1000});
    else if (fc->duration != AV_NOPTS_VALUE && fc->duration > 0)
        ms = ff().av_rescale(fc->duration, 1000, AV_TIME_BASE);
    return qint32(std::clamp<qint64>(ms, 0, INT32_MAX));
}

// The width of one sample as the file stores it for PCM and lossless codecs;
// lossy codecs have no stored width and decode to (at least) 16 bits.
qint32 SampleBits(const AVCodecParameters* par) {
    const AVCodecID id = par->codec_id;
    if (id >= AV_CODEC_ID_FIRST_AUDIO && id < AV_CODEC_ID_ADPCM_IMA_QT) {
        const int bits = ff().av_get_bits_per_sample(id);
        if (bits > 0) return bits;
    }
    if (par->bits_per_raw_sample > 0) return par->bits_per_raw_sample;
    const AVCodecDescriptor* desc = ff().avcodec_descriptor_get(id);
    if (desc && (desc->props & AV_CODEC_PROP_LOSSLESS) && par->bits_per_coded_sample > 0)
        return par->bits_per_coded_sample;
    return 16;
}

// FFmpeg hands ID3v1 and some ID3v2 text over in the file's own 8-bit code
// page; text that is not valid UTF-8 is read as Latin-1, as ID3 defines it.
QString TagText(const char* value) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString s = utf8(QByteArrayView(value));
    if (utf8.hasError()) s = QString::fromLatin1(value);
    return s.trimmed();
}

QString Lookup(const AVDictionary* first, const AVDictionary* second,
               std::initializer_list<const char*> keys) {
    for (const char* key : keys) {
        for (const AVDictionary* d : {first, second}) {
            if (!d) continue;
            const AVDictionaryEntry* e =
                ff().av_dict_get(d, key, nullptr, 0); // keys compare case-insensitively
            if (e && e->value && *e->value) return TagText(e->value);
        }
    }
    return QString();
}

// A full date ("2001-03-14", "2001-03-14T10:00") stands for its year.
QString YearOf(const QString& date) {
    if (date.size() > 4 && date.at(4) != QLatin1Char('/')) {
        bool ok = false;
        date.left(4).toInt(&ok);
        if (ok && !date.at(4).isDigit()) return date.left(4);
    }
    return date;
}

// The rate and channels of an MPEG audio frame header, which is the only place
// an MP3 file states them.
bool ParseMpegAudioHeader(const uint8_t* p, int size, int* rate, int* channels) {
    if (size < 4 || p[0] != 0xFF || (p[1] & 0xE0) != 0xE0) return false;
    const int version = (p[1] >> 3) & 3; // 3 MPEG-1, 2 MPEG-2, 0 MPEG-2.5
    const int layer = (p[1] >> 1) & 3;
    const int bitrateIndex = p[2] >> 4;
    const int rateIndex = (p[2] >> 2) & 3;
    if (version == 1 || layer == 0 || bitrateIndex == 15 || rateIndex == 3) return false;
    static const int rates[3] = {44100, 48000, 32000};
    *rate = rates[rateIndex] >> (version == 3 ? 0 : version == 2 ? 1 : 2);
    *channels = (p[3] >> 6) == 3 ? 1 : 2;
    return true;
}

bool StartsLikeMpegAudio(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return false;
    const QByteArray head = f.read(4);
    if (head.startsWith("ID3")) return true;
    return head.size() >= 2 && uchar(head[0]) == 0xFF && (uchar(head[1]) & 0xE0) == 0xE0;
}

bool IsMpegAudio(AVCodecID id) {
    return id == AV_CODEC_ID_MP3 || id == AV_CODEC_ID_MP2 || id == AV_CODEC_ID_MP1;
}

// Reads the first frame of the stream for its rate and channels.
bool ReadMpegFormat(AVFormatContext* fc, int index, int* rate, int* channels) {
    ffmpeg::Packet pkt(ff().av_packet_alloc());
    if (!pkt) return false;
    for (int tries = 0; tries < 16; ++tries) {
        if (ff().av_read_frame(fc, pkt.get()) < 0) return false;
        const bool ours = pkt->stream_index == index;
        const bool ok = ours && ParseMpegAudioHeader(pkt->data, pkt->size, rate, channels);
        ff().av_packet_unref(pkt.get());
        if (ours) return ok;
    }
    return false;
}

} // namespace

qint32 cAudioConverter::Examine(Source& src) {
    AVFormatContext* fc = src.input.get();
    int index = FirstAudioStream(fc);
    int rate = 0, channels = 0;
    if (index >= 0 && IsMpegAudio(fc->streams[index]->codecpar->codec_id) &&
        fc->streams[index]->duration != AV_NOPTS_VALUE && fc->streams[index]->codecpar->sample_rate <= 0) {
        // An MP3 with a VBR header: its length is known, the first frame gives the rest.
        if (!ReadMpegFormat(fc, index, &rate, &channels)) return OpenNoAudio;
    } else if (index < 0 || NeedsStreamInfo(fc, fc->streams[index])) {
        // Reading packets costs time, so only when the header left something
        // unknown (the length of an MP3 without a VBR header, for one).
        if (ff().avformat_find_stream_info(fc, nullptr) < 0) return OpenNotMedia;
        index = FirstAudioStream(fc);
        if (index >= 0 && NeedsStreamInfo(fc, fc->streams[index])) return OpenNoAudio;
    }
    if (index < 0) return OpenNoAudio;
    const AVStream* st = fc->streams[index];
    const AVCodecParameters* par = st->codecpar;
    if (rate <= 0) {
        rate = par->sample_rate;
        channels = par->ch_layout.nb_channels;
    }
    if (rate <= 0 || channels <= 0) return OpenNoAudio;
    if (channels > kMaxChannels) return OpenTooManyChannels;
    if (!ff().avcodec_find_decoder(par->codec_id)) return OpenNoDecoder;

    src.durationMs = DurationMs(fc, st);
    src.sampleRate = rate;
    src.channels = qint16(channels);
    src.bitsPerSample = SampleBits(par);
    // The stream's own rate, else the container's (an MP3 with a VBR header
    // states only the average of the whole file).
    const qint64 bitsPerSecond = par->bit_rate > 0 ? par->bit_rate : fc->bit_rate;
    src.bitRateKbps = bitsPerSecond > 0 ? qint32((bitsPerSecond + 500) / 1000) : 0;
    return OpenOk;
}

cAudioConverter::cAudioConverter(QObject* parent) : QObject(parent), m_worker(std::make_unique<Worker>()) {
    connect(m_worker.get(), &Worker::progress, this, &cAudioConverter::Progress);
    connect(m_worker.get(), &Worker::done, this, &cAudioConverter::Done);
    connect(m_worker.get(), &Worker::aborted, this, &cAudioConverter::Aborted);
    connect(m_worker.get(), &Worker::error, this, &cAudioConverter::Error);
}

cAudioConverter::~cAudioConverter() = default;

qint32 cAudioConverter::OpenSource(const QString& path) {
    CloseSource();
    const QFileInfo fi(path);
    if (path.isEmpty() || !fi.isFile() || !fi.isReadable()) return OpenNoFile;
    if (fi.size() == 0) return OpenNotMedia;

    auto src = std::make_unique<Source>();
    src->path = path;
    qint32 rc = OpenNotMedia;
    // Probing every container format costs more than reading an MP3's header;
    // a file that looks like one is read as one, and probed only if that fails.
    if (fi.suffix().compare(QLatin1String("mp3"), Qt::CaseInsensitive) == 0 && StartsLikeMpegAudio(path)) {
        Mp3Facts facts;
        if (ProbeMp3(path, facts)) {
            src->mp3 = true;
            src->durationMs = facts.durationMs;
            src->sampleRate = facts.sampleRate;
            src->channels = facts.channels;
            src->bitsPerSample = 16; // decoded MP3 audio
            src->bitRateKbps = facts.bitRateKbps;
            m_source = std::move(src);
            return OpenOk;
        }
        src->input = ffmpeg::OpenInput(path, nullptr, ff().av_find_input_format("mp3"));
        if (src->input) {
            rc = Examine(*src);
            src->mp3 = true;
        }
    }
    if (rc != OpenOk) {
        int error = 0;
        src->input = ffmpeg::OpenInput(path, &error);
        if (!src->input) return ffmpeg::BeyondBounds(error) ? OpenBeyondBounds : OpenNotMedia;
        rc = Examine(*src);
    }
    if (rc == OpenOk) m_source = std::move(src);
    return rc;
}

qint32 cAudioConverter::Duration() const {
    return m_source ? m_source->durationMs : 0;
}
qint32 cAudioConverter::SampleRate() const {
    return m_source ? m_source->sampleRate : 0;
}
qint16 cAudioConverter::Channels() const {
    return m_source ? m_source->channels : 0;
}
qint32 cAudioConverter::BitsPerSample() const {
    return m_source ? m_source->bitsPerSample : 0;
}
qint32 cAudioConverter::BitRate() const {
    return m_source ? m_source->bitRateKbps : 0;
}

void cAudioConverter::CloseSource() {
    m_source.reset();
}

void cAudioConverter::Close() {
    Abort();
    CloseSource();
    ClearTags();
}

void cAudioConverter::ClearTags() {
    m_sTagTitle.clear();
    m_sTagArtist.clear();
    m_sTagAlbum.clear();
    m_sTagYear.clear();
    m_sTagTrack.clear();
    m_sTagGenre.clear();
    m_sTagComment.clear();
}

bool cAudioConverter::ReadTags(const QString& path) {
    ClearTags();
    // MP3 tags are read by the ID3 classes, each field from ID3v2 and, where
    // that lacks it, from ID3v1.
    const bool examined = m_source && m_source->path == path;
    if (examined ? m_source->mp3 : StartsLikeMpegAudio(path)) {
        id3::Mp3Tags t;
        if (!id3::ReadMp3Tags(path, t)) return false;
        m_sTagTitle = t.Title;
        m_sTagArtist = t.Artist;
        m_sTagAlbum = t.Album;
        m_sTagYear = YearOf(t.Year);
        m_sTagTrack = t.Track;
        m_sTagGenre = t.Genre;
        m_sTagComment = t.Comment;
        return true;
    }
    // The examined file usually is the one asked for: its tags were read with it.
    ffmpeg::InputContext own;
    const AVFormatContext* fc = nullptr;
    if (examined) {
        fc = m_source->input.get();
    } else {
        const QFileInfo fi(path);
        if (path.isEmpty() || !fi.isFile() || fi.size() == 0) return false;
        own = ffmpeg::OpenInput(path);
        if (!own) return false;
        fc = own.get();
    }
    const int index = FirstAudioStream(fc);
    if (index < 0) return false; // not audio: whatever it holds is no tag
    // Ogg files keep their comments with the stream, the other formats with the file.
    const AVDictionary* fileTags = fc->metadata;
    const AVDictionary* streamTags = fc->streams[index]->metadata;

    m_sTagTitle = Lookup(fileTags, streamTags, {"title"});
    m_sTagArtist = Lookup(fileTags, streamTags, {"artist", "author"});
    m_sTagAlbum = Lookup(fileTags, streamTags, {"album"});
    m_sTagYear = YearOf(Lookup(fileTags, streamTags, {"date", "year", "TYER", "TDRC", "WM/Year"}));
    m_sTagTrack = Lookup(fileTags, streamTags, {"track", "tracknumber", "WM/TrackNumber"});
    m_sTagGenre = Lookup(fileTags, streamTags, {"genre", "WM/Genre"});
    m_sTagComment = Lookup(fileTags, streamTags, {"comment", "description", "WM/Comments"});
    return true;
}

QTime cAudioConverter::SecondsToTime(qint32 seconds) {
    return QTime(0, 0).addSecs(seconds);
}

void cAudioConverter::EnumACMTags(qint32 formatTag, qint32 samplesPerSec, qint32 channels,
                                  qint32 bitsPerSample, qint32 flags) {
    Q_UNUSED(bitsPerSample);
    // Every codec here takes PCM as its source; other source tags list nothing.
    if (formatTag != 1) return;
    const bool convertOnly = (flags & ACM_FORMATENUMF_CONVERT) != 0;
    for (const codecs::AcmTag& tag : codecs::AcmTags()) {
        bool listed = !convertOnly;
        for (const codecs::AcmFormat& f : tag.formats)
            if (!listed && f.sampleRate == samplesPerSec && f.channels == channels) listed = true;
        if (listed) emit ACMTagItem(tag.name);
    }
}

void cAudioConverter::EnumACMFormats(const QString& tagName) {
    for (const codecs::AcmTag& tag : codecs::AcmTags()) {
        if (tag.name != tagName) continue;
        for (const codecs::AcmFormat& f : tag.formats)
            emit ACMFormatItem(codecs::AcmFormatName(tag, f));
    }
}

qint32 cAudioConverter::WMACodecCount() const {
    return qint32(codecs::WmaCodecs().size());
}

QString cAudioConverter::WMACodecName(qint32 index) const {
    const auto& list = codecs::WmaCodecs();
    return index >= 0 && index < qint32(list.size()) ? list[size_t(index)].name : QString();
}

qint32 cAudioConverter::WMAFormatCount(qint32 codecIndex) const {
    const auto& list = codecs::WmaCodecs();
    return codecIndex >= 0 && codecIndex < qint32(list.size())
               ? qint32(list[size_t(codecIndex)].formats.size())
               : 0;
}

QString cAudioConverter::WMAFormatName(qint32 codecIndex, qint32 formatIndex) const {
    if (formatIndex < 0 || formatIndex >= WMAFormatCount(codecIndex)) return QString();
    return codecs::WmaFormatName(codecs::WmaCodecs()[size_t(codecIndex)].formats[size_t(formatIndex)]);
}

namespace {

// Everything one conversion needs, copied when it starts so that the caller
// may set up the next item while this one runs.
struct ConvertJob {
    EncoderSetup setup;
    EncoderTags tags;
    QString source;
    QString destination;
    qint32 rangeStart = 0;
    qint32 rangeLength = 0;
};

qint32 CodeOf(AudioEncoder::Failure f) {
    switch (f) {
    case AudioEncoder::Failure::NotSupported:
        return cAudioConverter::ErrNotSupported;
    case AudioEncoder::Failure::Destination:
        return cAudioConverter::ErrDestination;
    default:
        return cAudioConverter::ErrEncoder;
    }
}

Worker::Outcome RunConversion(const ConvertJob& job, Worker::Context& ctx) {
    using O = Worker::Outcome;
    const QString source = QDir::toNativeSeparators(job.source);
    ctx.progress(0);
    if (job.source.isEmpty())
        return O::error(cAudioConverter::ErrSourceOpen,
                        QStringLiteral("Cannot open the source file: no file is set."));
    if (job.destination.isEmpty())
        return O::error(cAudioConverter::ErrDestination, QStringLiteral("No destination file is set."));
    if (SameFile(job.source, job.destination))
        return O::error(cAudioConverter::ErrDestination,
                        QStringLiteral("The destination file is the source file itself: %1").arg(source));

    AudioDecoder decoder;
    if (!decoder.Open(job.source))
        return O::error(
            cAudioConverter::ErrSourceOpen,
            QStringLiteral("Cannot open the source file: %1. %2").arg(source, decoder.ErrorText()));
    int rate = 0, channels = 0;
    QString why;
    if (!AudioEncoder::TargetFormat(job.setup, decoder.SourceRate(), decoder.SourceChannels(), &rate,
                                    &channels, &why))
        return O::error(job.setup.OutputFormat == 6 ? cAudioConverter::ErrNotSupported
                                                    : cAudioConverter::ErrEncoder,
                        why);
    decoder.SetOutput(rate, channels, SampleKind::Float);

    // The frames to convert: the range, else the whole file as far as its length is known.
    qint64 limit = -1;
    qint64 expected = decoder.DurationMs() > 0 ? decoder.DurationMs() * rate / 1000 : -1;
    const bool ranged = job.rangeStart > 0 || job.rangeLength > 0;
    if (ranged) {
        const qint64 startMs = qint64(qMax(0, job.rangeStart)) * 1000;
        if (decoder.DurationMs() > 0 && startMs >= decoder.DurationMs())
            return O::error(
                cAudioConverter::ErrSourceOpen,
                QStringLiteral("The range starts after the end of the source file: %1").arg(source));
        if (startMs > 0 && !decoder.Seek(startMs))
            return O::error(
                cAudioConverter::ErrDecode,
                QStringLiteral("Cannot decode the source file: %1. %2").arg(source, decoder.ErrorText()));
        if (expected > 0) expected = qMax<qint64>(0, expected - startMs * rate / 1000);
        if (job.rangeLength > 0) {
            limit = qint64(job.rangeLength) * rate;
            expected = expected > 0 ? qMin(expected, limit) : limit;
        }
    }

    // An abort asked for while the source was being opened ends here, before any output exists.
    if (ctx.aborted()) return O::aborted();
    AudioEncoder encoder;
    if (!encoder.Open(job.destination, job.setup, job.tags, rate, channels, SampleKind::Float))
        return O::error(CodeOf(encoder.ErrorKind()), encoder.ErrorText());

    constexpr qint64 kChunk = 8192;
    std::vector<char> buffer(size_t(kChunk) * size_t(decoder.BytesPerFrame()));
    qint64 done = 0;
    for (;;) {
        if (ctx.aborted()) {
            encoder.Cancel();
            return O::aborted();
        }
        const qint64 want = limit >= 0 ? qMin(kChunk, limit - done) : kChunk;
        if (want <= 0) break;
        const qint64 got = decoder.Read(buffer.data(), want);
        if (got < 0) {
            encoder.Cancel();
            return O::error(
                cAudioConverter::ErrDecode,
                QStringLiteral("Cannot decode the source file: %1. %2").arg(source, decoder.ErrorText()));
        }
        if (got == 0) break;
        if (!encoder.Write(buffer.data(), got))
            return O::error(CodeOf(encoder.ErrorKind()), encoder.ErrorText());
        done += got;
        if (expected > 0) ctx.progress(qint32(qMin<qint64>(99, done * 100 / expected)));
    }
    if (done == 0) {
        encoder.Cancel();
        return O::error(
            cAudioConverter::ErrDecode,
            QStringLiteral("Cannot decode the source file: %1. It holds no audio that can be decoded.")
                .arg(source));
    }
    if (ctx.aborted()) {
        encoder.Cancel();
        return O::aborted();
    }
    if (!encoder.Finish()) return O::error(CodeOf(encoder.ErrorKind()), encoder.ErrorText());
    ctx.progress(100);
    return O::done();
}

} // namespace

void cAudioConverter::SetACMSettings(const QString& tagName, const QString& formatName) {
    m_setup.ACMTag = tagName;
    m_setup.ACMFormat = formatName;
}

void cAudioConverter::StartConvert() {
    ConvertJob job;
    job.setup = m_setup;
    job.tags = {m_sTagTitle, m_sTagArtist, m_sTagAlbum, m_sTagYear, m_sTagTrack, m_sTagGenre, m_sTagComment};
    job.source = m_sSourceFile;
    job.destination = m_sDestinationFile;
    job.rangeStart = m_lRangeStart;
    job.rangeLength = m_lRangeLength;
    // A range belongs to the one conversion it was set for.
    m_lRangeStart = 0;
    m_lRangeLength = 0;

    if (m_worker->isBusy()) {
        QMetaObject::invokeMethod(
            this, [this] { emit Error(ErrBusy, QStringLiteral("A conversion is already running.")); },
            Qt::QueuedConnection);
        return;
    }
    m_worker->start([job](Worker::Context& ctx) { return RunConversion(job, ctx); });
}

void cAudioConverter::Abort() {
    m_worker->abort();
}

bool cAudioConverter::IsConverting() const {
    return m_worker->isBusy();
}

} // namespace components
