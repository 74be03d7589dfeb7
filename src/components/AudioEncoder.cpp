#include "components/AudioEncoder.h"

#include "components/ConverterCodecs.h"
#include "components/FFmpegHandles.h"
#include "components/Mp3Writer.h"
#include "components/OutputFiles.h"

extern "C" {
#include <libavutil/audio_fifo.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace components {

namespace {

struct SwrDeleter {
    void operator()(SwrContext* p) const { ff().swr_free(&p); }
};
struct FifoDeleter {
    void operator()(AVAudioFifo* p) const { ff().av_audio_fifo_free(p); }
};

// The rates the MPEG audio layer-3 encoder writes.
constexpr int kMp3Rates[] = {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000};

bool IsMp3Rate(int rate) {
    for (int r : kMp3Rates)
        if (r == rate) return true;
    return false;
}

int NearestMp3Rate(int rate) {
    int best = 44100;
    for (int r : kMp3Rates)
        if (std::abs(r - rate) < std::abs(best - rate)) best = r;
    return best;
}

// Everything one output needs, worked out from the settings before anything is opened.
struct Plan {
    QString label; // the format as the user knows it
    QString muxer;
    QString encoder;
    int rate = 0;
    int channels = 0;
    qint64 bitRate = 0;
    bool qscale = false; // quality-driven (VBR) instead of bit-rate-driven
    double quality = 0;  // in the encoder's own scale, with qscale
    int compressionLevel = -1;
    std::vector<std::pair<const char*, QByteArray>> codecOptions;
    std::vector<std::pair<const char*, QByteArray>> muxerOptions;
    bool lame = false; // MP3 written by Mp3Writer rather than FFmpeg
    AudioEncoder::Failure failure = AudioEncoder::Failure::None;
    QString error;

    bool fail(AudioEncoder::Failure kind, const QString& text) {
        failure = kind;
        error = text;
        return false;
    }
};

int SourceChannels(int srcChannels) {
    return qBound(1, srcChannels, 2);
}

bool PlanOutput(const EncoderSetup& s, int srcRate, int srcChannels, Plan& p) {
    using F = AudioEncoder::Failure;
    switch (s.OutputFormat) {
    case 1: { // PCM WAV
        p.label = QStringLiteral("WAV");
        p.muxer = QStringLiteral("wav");
        p.rate = s.WAV.SampleRate > 0 ? s.WAV.SampleRate : srcRate;
        p.channels =
            s.WAV.Channels == 1 || s.WAV.Channels == 2 ? s.WAV.Channels : SourceChannels(srcChannels);
        switch (s.WAV.BitsPerSample) {
        case 8:
            p.encoder = QStringLiteral("pcm_u8");
            break;
        case 0:
        case 16:
            p.encoder = QStringLiteral("pcm_s16le");
            break;
        case 24:
            p.encoder = QStringLiteral("pcm_s24le");
            break;
        case 32:
            p.encoder = QStringLiteral("pcm_s32le");
            break;
        default:
            return p.fail(F::Settings, QStringLiteral("WAV files of %1 bits per sample cannot be written.")
                                           .arg(s.WAV.BitsPerSample));
        }
        if (p.rate < 1000 || p.rate > 384000)
            return p.fail(F::Settings, QStringLiteral("WAV files cannot be written at %1 Hz.").arg(p.rate));
        return true;
    }
    case 2: { // WAV container with a chosen codec
        codecs::AcmTag tag;
        codecs::AcmFormat format;
        if (!codecs::FindAcmFormat(s.ACMTag, s.ACMFormat, &tag, &format))
            return p.fail(F::Settings,
                          QStringLiteral("The WAV codec \"%1\" with the format \"%2\" is not available.")
                              .arg(s.ACMTag, s.ACMFormat));
        p.label = QStringLiteral("WAV (%1)").arg(tag.name);
        p.muxer = QStringLiteral("wav");
        p.encoder = codecs::AcmEncoder(tag, format);
        p.rate = format.sampleRate;
        p.channels = format.channels;
        p.bitRate = format.bitRate;
        return true;
    }
    case 3: { // MP3
        const tMP3Settings& m = s.MP3;
        p.label = QStringLiteral("MP3");
        p.muxer = QStringLiteral("mp3");
        p.lame = true;
        QString why;
        if (!Mp3Writer::CheckSettings(m, &why)) return p.fail(F::Settings, why);
        if (m.SampleRate > 0) {
            if (!IsMp3Rate(m.SampleRate))
                return p.fail(F::Settings,
                              QStringLiteral("MP3 files cannot be written at %1 Hz.").arg(m.SampleRate));
            p.rate = m.SampleRate;
        } else {
            p.rate = IsMp3Rate(srcRate) ? srcRate : NearestMp3Rate(srcRate);
        }
        // Mode: 0 stereo, 1 joint stereo, 2 dual channel, 3 mono, 4 not set, 5 forced joint stereo.
        // The rest of the record goes to the encoder as it is (Mp3Writer::Open).
        p.channels = m.Mode == 3 ? 1 : SourceChannels(srcChannels);
        return true;
    }
    case 4: { // WMA
        const auto& list = codecs::WmaCodecs();
        const qint32 c = s.WMA.Codec, f = s.WMA.Format;
        if (c < 0 || c >= qint32(list.size()) || f < 0 || f >= qint32(list[size_t(c)].formats.size()))
            return p.fail(F::Settings, QStringLiteral("The WMA codec or format chosen is not available."));
        const codecs::WmaCodec& codec = list[size_t(c)];
        const codecs::WmaFormat& format = codec.formats[size_t(f)];
        p.label = codec.name;
        p.muxer = QStringLiteral("asf");
        p.encoder = codec.encoder;
        p.rate = format.sampleRate;
        p.channels = format.channels;
        p.bitRate = format.bitRate;
        return true;
    }
    case 5: { // Ogg Vorbis
        p.label = QStringLiteral("Ogg Vorbis");
        p.muxer = QStringLiteral("ogg");
        p.encoder = QStringLiteral("libvorbis");
        p.rate = qBound(8000, srcRate, 192000);
        p.channels = SourceChannels(srcChannels);
        if (s.OGG.Mode == 2) {
            if (s.OGG.NominalBitrate <= 0)
                return p.fail(F::Settings, QStringLiteral("No bit rate is set for Ogg Vorbis."));
            p.bitRate = qint64(s.OGG.NominalBitrate) * 1000;
        } else {
            p.qscale = true;
            p.quality = qBound(0, s.OGG.Quality, 100) / 10.0; // the encoder's scale runs 0 to 10
        }
        return true;
    }
    case 6:
        return p.fail(F::NotSupported, QStringLiteral("APE encoding is not available in this version."));
    default:
        return p.fail(F::Settings, QStringLiteral("Unknown output format %1.").arg(s.OutputFormat));
    }
}

AVSampleFormat PackedFormat(SampleKind kind) {
    return kind == SampleKind::S16 ? AV_SAMPLE_FMT_S16 : AV_SAMPLE_FMT_FLT;
}

AudioEncoder::Failure Mp3Failure(Mp3Writer::Failure f) {
    switch (f) {
    case Mp3Writer::Failure::None:
        return AudioEncoder::Failure::None;
    case Mp3Writer::Failure::Settings:
        return AudioEncoder::Failure::Settings;
    case Mp3Writer::Failure::Destination:
        return AudioEncoder::Failure::Destination;
    default:
        return AudioEncoder::Failure::Encoder;
    }
}

// The resampler taking the caller's PCM to the output's rate, channels and sample format.
bool MakeResampler(std::unique_ptr<SwrContext, SwrDeleter>& out, int outRate, int outChannels,
                   AVSampleFormat outFormat, int inRate, int inChannels, SampleKind inKind) {
    AVChannelLayout inLayout{}, outLayout{};
    ff().av_channel_layout_default(&inLayout, inChannels);
    ff().av_channel_layout_default(&outLayout, outChannels);
    SwrContext* swr = nullptr;
    const int rc = ff().swr_alloc_set_opts2(&swr, &outLayout, outFormat, outRate, &inLayout,
                                            PackedFormat(inKind), inRate, 0, nullptr);
    ff().av_channel_layout_uninit(&inLayout);
    ff().av_channel_layout_uninit(&outLayout);
    if (rc < 0 || !swr || ff().swr_init(swr) < 0) {
        ff().swr_free(&swr);
        return false;
    }
    out.reset(swr);
    return true;
}

} // namespace

struct AudioEncoder::State {
    ffmpeg::OutputContext output;
    ffmpeg::CodecContext codec;
    std::unique_ptr<SwrContext, SwrDeleter> swr;
    std::unique_ptr<AVAudioFifo, FifoDeleter> fifo;
    ffmpeg::Frame frame{ff().av_frame_alloc()};
    ffmpeg::Packet packet{ff().av_packet_alloc()};
    AVStream* stream = nullptr;
    QString destination;
    PartialFile partial; // the output until Finish renames it
    int inChannels = 0;
    int inBytesPerFrame = 0;
    int frameSize = 0;
    bool padLastFrame = false;
    qint64 nextPts = 0;
    std::unique_ptr<Mp3Writer> mp3; // set for MP3 output, which bypasses FFmpeg's codec and muxer
    AVSampleFormat outFormat = AV_SAMPLE_FMT_NONE; // what the resampler delivers
    int outChannels = 0;
    std::vector<uint8_t*> planes;    // converted samples, one pointer per plane
    std::vector<uint8_t> convertBuf; // storage behind planes
    bool open = false;
    Failure failure = Failure::None;
    QString error;

    bool fail(Failure kind, const QString& text) {
        failure = kind;
        error = text;
        return false;
    }

    void discard() {
        output.reset(); // closes the file before it is removed
        codec.reset();
        mp3.reset();
        partial.Discard();
        open = false;
    }

    bool writePackets() {
        for (;;) {
            const int rc = ff().avcodec_receive_packet(codec.get(), packet.get());
            if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF) return true;
            if (rc < 0)
                return fail(Failure::Encoder,
                            QStringLiteral("The encoder failed (%1).").arg(ffmpeg::ErrorText(rc)));
            ff().av_packet_rescale_ts(packet.get(), codec->time_base, stream->time_base);
            packet->stream_index = stream->index;
            const int wr = ff().av_write_frame(output.get(), packet.get());
            ff().av_packet_unref(packet.get());
            if (wr < 0)
                return fail(
                    Failure::Destination,
                    QStringLiteral("The destination cannot be written (%1).").arg(ffmpeg::ErrorText(wr)));
        }
    }

    // Encodes `count` frames from the FIFO (padded with silence up to a whole frame when asked).
    bool encodeFromFifo(int count, bool pad) {
        AVFrame* f = frame.get();
        ff().av_frame_unref(f);
        f->nb_samples = pad ? frameSize : count;
        f->format = codec->sample_fmt;
        f->sample_rate = codec->sample_rate;
        if (ff().av_channel_layout_copy(&f->ch_layout, &codec->ch_layout) < 0 ||
            ff().av_frame_get_buffer(f, 0) < 0)
            return fail(Failure::Encoder, QStringLiteral("Out of memory."));
        if (ff().av_audio_fifo_read(fifo.get(), reinterpret_cast<void**>(f->data), count) < count)
            return fail(Failure::Encoder, QStringLiteral("The encoder failed."));
        if (pad && count < frameSize)
            ff().av_samples_set_silence(f->data, count, frameSize - count, codec->ch_layout.nb_channels,
                                        codec->sample_fmt);
        f->pts = nextPts;
        nextPts += f->nb_samples;
        const int rc = ff().avcodec_send_frame(codec.get(), f);
        ff().av_frame_unref(f);
        if (rc < 0)
            return fail(Failure::Encoder,
                        QStringLiteral("The encoder failed (%1).").arg(ffmpeg::ErrorText(rc)));
        return writePackets();
    }

    bool drainFifo(bool all) {
        while (ff().av_audio_fifo_size(fifo.get()) >= frameSize)
            if (!encodeFromFifo(frameSize, false)) return false;
        const int rest = ff().av_audio_fifo_size(fifo.get());
        if (all && rest > 0) return encodeFromFifo(rest, padLastFrame);
        return true;
    }

    // Runs `frames` input frames (null: the resampler's tail) through the resampler into the FIFO.
    bool convert(const uint8_t* data, int frames) {
        const int outMax = ff().swr_get_out_samples(swr.get(), frames);
        if (outMax < 0) return fail(Failure::Encoder, QStringLiteral("The audio cannot be converted."));
        if (outMax == 0) return true;
        const int chans = outChannels;
        const int planesCount = ff().av_sample_fmt_is_planar(outFormat) ? chans : 1;
        int lineSize = 0;
        const int need = ff().av_samples_get_buffer_size(&lineSize, chans, outMax, outFormat, 1);
        if (need < 0) return fail(Failure::Encoder, QStringLiteral("The audio cannot be converted."));
        if (convertBuf.size() < size_t(need)) convertBuf.resize(size_t(need));
        planes.assign(size_t(planesCount), nullptr);
        ff().av_samples_fill_arrays(planes.data(), &lineSize, convertBuf.data(), chans, outMax, outFormat, 1);
        const uint8_t* in[1] = {data};
        const int n =
            ff().swr_convert(swr.get(), planes.data(), outMax, data ? in : nullptr, data ? frames : 0);
        if (n < 0) return fail(Failure::Encoder, QStringLiteral("The audio cannot be converted."));
        if (mp3) {
            if (n > 0 && !mp3->Encode(reinterpret_cast<const float* const*>(planes.data()), n))
                return fail(Mp3Failure(mp3->ErrorKind()), mp3->ErrorText());
            return true;
        }
        if (n > 0 && ff().av_audio_fifo_write(fifo.get(), reinterpret_cast<void**>(planes.data()), n) < n)
            return fail(Failure::Encoder, QStringLiteral("Out of memory."));
        return true;
    }
};

AudioEncoder::AudioEncoder() : d(std::make_unique<State>()) {}

AudioEncoder::~AudioEncoder() {
    Cancel();
}

bool AudioEncoder::TargetFormat(const EncoderSetup& setup, int srcRate, int srcChannels, int* rate,
                                int* channels, QString* error) {
    Plan p;
    const bool ok = PlanOutput(setup, srcRate, srcChannels, p);
    if (ok) {
        if (rate) *rate = p.rate;
        if (channels) *channels = p.channels;
    } else if (error) {
        *error = p.error;
    }
    return ok;
}

bool AudioEncoder::Open(const QString& destination, const EncoderSetup& setup, const EncoderTags& tags,
                        int inRate, int inChannels, SampleKind inKind) {
    Cancel();
    d = std::make_unique<State>();
    State& s = *d;
    ffmpeg::QuietLogging();
    if (inRate <= 0 || inChannels <= 0)
        return s.fail(Failure::Encoder, QStringLiteral("The source holds no audio."));

    // Every format is written or resampled through FFmpeg.
    if (!ffmpeg::Available()) return s.fail(Failure::NotSupported, ffmpeg::ErrorText(0));

    Plan plan;
    if (!PlanOutput(setup, inRate, inChannels, plan)) return s.fail(plan.failure, plan.error);

    const QFileInfo dest(destination);
    if (destination.isEmpty() || dest.fileName().isEmpty())
        return s.fail(Failure::Destination, QStringLiteral("No destination file is set."));
    if (dest.isDir())
        return s.fail(Failure::Destination,
                      QStringLiteral("The destination is a folder: %1").arg(destination));
    const QString folder = dest.absolutePath();
    if (!QDir().mkpath(folder))
        return s.fail(Failure::Destination,
                      QStringLiteral("The destination folder cannot be created: %1").arg(folder));

    // The partial file takes the name first, so two encoders never share one.
    if (!s.partial.Create(folder, dest.fileName()))
        return s.fail(Failure::Destination,
                      QStringLiteral("The destination folder cannot be written: %1 (%2)")
                          .arg(folder, s.partial.ErrorText()));
    s.destination = dest.absoluteFilePath();
    s.inChannels = inChannels;
    s.inBytesPerFrame = inChannels * ff().av_get_bytes_per_sample(PackedFormat(inKind));

    if (plan.lame) {
        s.mp3 = std::make_unique<Mp3Writer>();
        if (!s.mp3->Open(s.partial.Path(), setup.MP3, plan.rate, plan.channels, tags)) {
            const Failure kind = Mp3Failure(s.mp3->ErrorKind());
            const QString text = s.mp3->ErrorText();
            s.discard();
            return s.fail(kind, text);
        }
        s.outFormat = AV_SAMPLE_FMT_FLTP;
        s.outChannels = plan.channels;
        if (!MakeResampler(s.swr, plan.rate, plan.channels, s.outFormat, inRate, inChannels, inKind)) {
            s.discard();
            return s.fail(Failure::Encoder, QStringLiteral("The audio cannot be converted."));
        }
        s.open = true;
        return true;
    }

    const AVOutputFormat* muxer = ff().av_guess_format(plan.muxer.toLatin1().constData(), nullptr, nullptr);
    const AVCodec* encoder = ff().avcodec_find_encoder_by_name(plan.encoder.toLatin1().constData());
    if (!muxer || !encoder) {
        s.discard();
        if (!ffmpeg::Available()) return s.fail(Failure::NotSupported, ffmpeg::ErrorText(0));
        return s.fail(Failure::NotSupported,
                      QStringLiteral("The encoder %1 is not available in the installed FFmpeg libraries.")
                          .arg(plan.encoder));
    }
    AVFormatContext* raw = nullptr;
    if (ff().avformat_alloc_output_context2(&raw, muxer, nullptr, nullptr) < 0 || !raw) {
        s.discard();
        return s.fail(Failure::Encoder, QStringLiteral("Out of memory."));
    }
    s.output.reset(raw);
    int rc = ff().avio_open(&s.output->pb, ffmpeg::LocalUrl(s.partial.Path()).constData(), AVIO_FLAG_WRITE);
    if (rc < 0) {
        s.discard();
        return s.fail(Failure::Destination, QStringLiteral("The destination cannot be written: %1 (%2)")
                                                .arg(destination, ffmpeg::ErrorText(rc)));
    }

    s.codec.reset(ff().avcodec_alloc_context3(encoder));
    AVCodecContext* c = s.codec.get();
    c->sample_rate = plan.rate;
    ff().av_channel_layout_default(&c->ch_layout, plan.channels);
    c->sample_fmt = encoder->sample_fmts ? encoder->sample_fmts[0] : AV_SAMPLE_FMT_S16;
    // Floating point (or the widest integer) keeps the most of the source where the encoder offers a choice.
    if (encoder->sample_fmts)
        for (const AVSampleFormat* f = encoder->sample_fmts; *f != AV_SAMPLE_FMT_NONE; ++f)
            if (*f == AV_SAMPLE_FMT_FLTP || *f == AV_SAMPLE_FMT_FLT) c->sample_fmt = *f;
    c->time_base = AVRational{1, plan.rate};
    c->bit_rate = plan.bitRate;
    if (plan.qscale) {
        c->flags |= AV_CODEC_FLAG_QSCALE;
        c->global_quality = int(plan.quality * FF_QP2LAMBDA);
    }
    if (plan.compressionLevel >= 0) c->compression_level = plan.compressionLevel;
    if (muxer->flags & AVFMT_GLOBALHEADER) c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    AVDictionary* codecOpts = nullptr;
    for (const auto& [key, value] : plan.codecOptions)
        ff().av_dict_set(&codecOpts, key, value.constData(), 0);
    rc = ff().avcodec_open2(c, encoder, &codecOpts);
    ff().av_dict_free(&codecOpts);
    if (rc < 0) {
        // Said in the user's terms: which format, at which rate, channels and bit rate or quality.
        QString what = plan.qscale ? QStringLiteral("quality %1").arg(plan.quality)
                                   : QStringLiteral("%1 kbps").arg(plan.bitRate / 1000);
        if (!plan.qscale && plan.bitRate == 0) what.clear();
        QString text = QStringLiteral("%1 cannot be encoded at %2 Hz %3")
                           .arg(plan.label)
                           .arg(plan.rate)
                           .arg(plan.channels == 1 ? QStringLiteral("mono") : QStringLiteral("stereo"));
        text += what.isEmpty() ? QStringLiteral(".") : QStringLiteral(" with %1.").arg(what);
        s.discard();
        return s.fail(Failure::Settings, text);
    }

    s.stream = ff().avformat_new_stream(s.output.get(), nullptr);
    if (!s.stream || ff().avcodec_parameters_from_context(s.stream->codecpar, c) < 0) {
        s.discard();
        return s.fail(Failure::Encoder, QStringLiteral("Out of memory."));
    }
    s.stream->time_base = c->time_base;

    std::pair<const char*, const QString*> tagList[] = {
        {"title", &tags.Title}, {"artist", &tags.Artist}, {"album", &tags.Album},     {"date", &tags.Year},
        {"track", &tags.Track}, {"genre", &tags.Genre},   {"comment", &tags.Comment},
    };
    const bool asf = plan.muxer == QLatin1String("asf");
    for (auto [key, value] : tagList) {
        // The ASF writer keeps the names it does not know as they are, so these get the names players read.
        if (asf && qstrcmp(key, "date") == 0) key = "WM/Year";
        if (asf && qstrcmp(key, "track") == 0) key = "WM/TrackNumber";
        const QString v = value->trimmed();
        if (v.isEmpty()) continue;
        const QByteArray utf8 = v.toUtf8();
        // Ogg keeps its comments with the stream, the other containers with the file.
        if (plan.muxer == QLatin1String("ogg"))
            ff().av_dict_set(&s.stream->metadata, key, utf8.constData(), 0);
        else
            ff().av_dict_set(&s.output->metadata, key, utf8.constData(), 0);
    }

    AVDictionary* muxOpts = nullptr;
    for (const auto& [key, value] : plan.muxerOptions)
        ff().av_dict_set(&muxOpts, key, value.constData(), 0);
    rc = ff().avformat_write_header(s.output.get(), &muxOpts);
    ff().av_dict_free(&muxOpts);
    if (rc < 0) {
        s.discard();
        return s.fail(Failure::Encoder,
                      QStringLiteral("The output file cannot be started (%1).").arg(ffmpeg::ErrorText(rc)));
    }

    s.outFormat = c->sample_fmt;
    s.outChannels = c->ch_layout.nb_channels;
    if (!MakeResampler(s.swr, c->sample_rate, s.outChannels, s.outFormat, inRate, inChannels, inKind)) {
        s.discard();
        return s.fail(Failure::Encoder, QStringLiteral("The audio cannot be converted."));
    }
    s.fifo.reset(ff().av_audio_fifo_alloc(c->sample_fmt, c->ch_layout.nb_channels, 4096));
    if (!s.fifo) {
        s.discard();
        return s.fail(Failure::Encoder, QStringLiteral("Out of memory."));
    }
    const bool variable = encoder->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE;
    s.frameSize = c->frame_size > 0 && !variable ? c->frame_size : 4096;
    s.padLastFrame =
        c->frame_size > 0 && !variable && !(encoder->capabilities & AV_CODEC_CAP_SMALL_LAST_FRAME);
    s.open = true;
    return true;
}

bool AudioEncoder::Write(const void* data, qint64 frames) {
    if (!d->open) return false;
    const auto* p = static_cast<const uint8_t*>(data);
    // In slices, so that one huge call does not need one huge buffer.
    constexpr qint64 kSlice = 1 << 16;
    while (frames > 0) {
        const int n = int(std::min(frames, kSlice));
        if (!d->convert(p, n) || (!d->mp3 && !d->drainFifo(false))) {
            d->discard();
            return false;
        }
        p += qint64(n) * d->inBytesPerFrame;
        frames -= n;
    }
    return true;
}

bool AudioEncoder::Finish() {
    State& s = *d;
    if (!s.open) return false;
    bool ok = s.convert(nullptr, 0);
    if (ok && s.mp3) {
        if (!s.mp3->Finish()) ok = s.fail(Mp3Failure(s.mp3->ErrorKind()), s.mp3->ErrorText());
    } else if (ok) {
        ok = s.drainFifo(true);
    }
    if (ok && !s.mp3) {
        const int rc = ff().avcodec_send_frame(s.codec.get(), nullptr);
        ok = rc >= 0 ? s.writePackets()
                     : s.fail(Failure::Encoder,
                              QStringLiteral("The encoder failed (%1).").arg(ffmpeg::ErrorText(rc)));
    }
    if (ok && !s.mp3) {
        const int rc = ff().av_write_trailer(s.output.get());
        if (rc < 0)
            ok = s.fail(Failure::Destination,
                        QStringLiteral("The destination cannot be written (%1).").arg(ffmpeg::ErrorText(rc)));
    }
    if (ok && !s.mp3 && s.output->pb) {
        const int rc = ff().avio_closep(&s.output->pb);
        if (rc < 0)
            ok = s.fail(Failure::Destination,
                        QStringLiteral("The destination cannot be written (%1).").arg(ffmpeg::ErrorText(rc)));
    }
    if (!ok) {
        s.discard();
        return false;
    }
    s.output.reset();
    s.codec.reset();
    s.mp3.reset();
    // The rename replaces an existing destination in one step.
    if (!s.partial.Commit(s.destination, true)) {
        const QString why = s.partial.ErrorText();
        s.discard();
        return s.fail(Failure::Destination,
                      QStringLiteral("The destination cannot be written: %1 (%2)").arg(s.destination, why));
    }
    s.open = false;
    return true;
}

void AudioEncoder::Cancel() {
    if (d) d->discard();
}

QString AudioEncoder::ErrorText() const {
    return d->error;
}

AudioEncoder::Failure AudioEncoder::ErrorKind() const {
    return d->failure;
}

} // namespace components
