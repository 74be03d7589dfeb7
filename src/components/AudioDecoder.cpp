#include "components/AudioDecoder.h"

#include "components/AudioLimits.h"
#include "components/FFmpegHandles.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include <QFileInfo>

#include <cstring>
#include <vector>

namespace components {

namespace {

struct SwrDeleter {
    void operator()(SwrContext* p) const { ff().swr_free(&p); }
};
using Resampler = std::unique_ptr<SwrContext, SwrDeleter>;

} // namespace

struct AudioDecoder::State {
    ffmpeg::InputContext input;
    ffmpeg::CodecContext codec;
    ffmpeg::Packet packet{ff().av_packet_alloc()};
    ffmpeg::Frame frame{ff().av_frame_alloc()};
    Resampler swr;
    int stream = -1;
    int outRate = 0;
    int outChannels = 0;
    SampleKind outKind = SampleKind::S16;
    bool swrReady = false;
    bool inputEnded = false; // no more packets
    bool decoderDrained = false;
    bool swrFlushed = false;
    int errorsInRow = 0; // decoding errors since the last good frame
    // The input the resampler was made for; a stream may change it midway.
    int swrInRate = 0;
    int swrInFormat = -1;
    AVChannelLayout swrInLayout{};
    qint64 skipSourceSamples = 0;  // after a seek: source samples still to drop
    qint64 seekTargetSamples = -1; // source-rate sample the seek aims at
    std::vector<uint8_t> pending;  // converted frames not yet handed out
    size_t pendingPos = 0;
    QString error;

    int bytesPerFrame() const { return outChannels * (outKind == SampleKind::S16 ? 2 : 4); }
    AVSampleFormat outFormat() const {
        return outKind == SampleKind::S16 ? AV_SAMPLE_FMT_S16 : AV_SAMPLE_FMT_FLT;
    }
    ~State() { ff().av_channel_layout_uninit(&swrInLayout); }
};

namespace {
constexpr int kMaxErrorsInRow = 1000;
} // namespace

AudioDecoder::AudioDecoder() = default;
AudioDecoder::~AudioDecoder() = default;

bool AudioDecoder::Open(const QString& path) {
    Close();
    auto s = std::make_unique<State>();
    const QFileInfo fi(path);
    if (path.isEmpty() || !fi.isFile()) {
        s->error = QStringLiteral("The file does not exist.");
        d = std::move(s);
        return false;
    }
    if (!fi.isReadable()) {
        s->error = QStringLiteral("The file cannot be read.");
        d = std::move(s);
        return false;
    }
    if (!ffmpeg::Available()) {
        s->error = ffmpeg::ErrorText(0);
        d = std::move(s);
        return false;
    }
    if (fi.size() == 0) {
        s->error = QStringLiteral("The file is empty.");
        d = std::move(s);
        return false;
    }
    int rc = 0;
    s->input = ffmpeg::OpenInput(path, &rc);
    if (!s->input) {
        s->error =
            ffmpeg::BeyondBounds(rc)
                ? QStringLiteral("The file cannot be read within the limits set for opening one.")
                : QStringLiteral("The file is not a known audio format (%1).").arg(ffmpeg::ErrorText(rc));
        d = std::move(s);
        return false;
    }
    if (ff().avformat_find_stream_info(s->input.get(), nullptr) < 0) {
        s->error = QStringLiteral("The file is not a known audio format.");
        d = std::move(s);
        return false;
    }
    const AVCodec* dec = nullptr;
    s->stream = ff().av_find_best_stream(s->input.get(), AVMEDIA_TYPE_AUDIO, -1, -1, &dec, 0);
    if (s->stream < 0 || !dec) {
        s->error = s->stream == AVERROR_DECODER_NOT_FOUND
                       ? QStringLiteral("The audio of the file cannot be decoded.")
                       : QStringLiteral("The file holds no audio.");
        d = std::move(s);
        return false;
    }
    for (unsigned i = 0; i < s->input->nb_streams; ++i)
        if (int(i) != s->stream) s->input->streams[i]->discard = AVDISCARD_ALL;
    const AVStream* st = s->input->streams[s->stream];
    if (st->codecpar->ch_layout.nb_channels > kMaxChannels) {
        s->error = QStringLiteral("The file has %1 channels; at most %2 can be used.")
                       .arg(st->codecpar->ch_layout.nb_channels)
                       .arg(kMaxChannels);
        d = std::move(s);
        return false;
    }
    s->codec.reset(ff().avcodec_alloc_context3(dec));
    // From here a refusal drops the codec too: IsOpen() goes by it.
    auto refuse = [&](const QString& why) {
        s->codec.reset();
        s->error = why;
        d = std::move(s);
        return false;
    };
    if (!s->codec || ff().avcodec_parameters_to_context(s->codec.get(), st->codecpar) < 0 ||
        ff().avcodec_open2(s->codec.get(), dec, nullptr) < 0)
        return refuse(QStringLiteral("The audio of the file cannot be decoded."));
    if (s->codec->sample_rate <= 0 || s->codec->ch_layout.nb_channels <= 0)
        return refuse(QStringLiteral("The file holds no audio."));
    if (s->codec->sample_rate > kMaxSampleRate)
        return refuse(
            QStringLiteral("The file's sample rate (%1 Hz) is higher than the %2 Hz that can be used.")
                .arg(s->codec->sample_rate)
                .arg(kMaxSampleRate));
    s->codec->pkt_timebase = st->time_base;
    s->outRate = s->codec->sample_rate;
    s->outChannels = qBound(1, s->codec->ch_layout.nb_channels, 2);
    d = std::move(s);
    return true;
}

void AudioDecoder::Close() {
    d.reset();
}

bool AudioDecoder::IsOpen() const {
    return d && d->codec;
}

int AudioDecoder::SourceRate() const {
    return IsOpen() ? d->codec->sample_rate : 0;
}
int AudioDecoder::SourceChannels() const {
    return IsOpen() ? d->codec->ch_layout.nb_channels : 0;
}

qint64 AudioDecoder::DurationMs() const {
    if (!IsOpen()) return -1;
    const AVStream* st = d->input->streams[d->stream];
    if (st->duration != AV_NOPTS_VALUE && st->duration > 0)
        return ff().av_rescale_q(st->duration, st->time_base, AVRational{1, 1000});
    if (d->input->duration != AV_NOPTS_VALUE && d->input->duration > 0)
        return ff().av_rescale(d->input->duration, 1000, AV_TIME_BASE);
    return -1;
}

bool AudioDecoder::DurationIsEstimate() const {
    return IsOpen() && d->input->duration_estimation_method == AVFMT_DURATION_FROM_BITRATE;
}

void AudioDecoder::SetOutput(int rate, int channels, SampleKind kind) {
    if (!IsOpen()) return;
    d->outRate = rate > 0 ? rate : d->codec->sample_rate;
    d->outChannels = channels > 0 ? channels : qBound(1, d->codec->ch_layout.nb_channels, 2);
    d->outKind = kind;
    d->swr.reset();
    d->swrReady = false;
    d->pending.clear();
    d->pendingPos = 0;
}

int AudioDecoder::OutputRate() const {
    return d ? d->outRate : 0;
}
int AudioDecoder::OutputChannels() const {
    return d ? d->outChannels : 0;
}
SampleKind AudioDecoder::OutputKind() const {
    return d ? d->outKind : SampleKind::S16;
}
int AudioDecoder::BytesPerFrame() const {
    return d ? d->bytesPerFrame() : 0;
}

QString AudioDecoder::ErrorText() const {
    return d ? d->error : QStringLiteral("No file is open.");
}

bool AudioDecoder::Seek(qint64 ms) {
    if (!IsOpen()) return false;
    if (ms < 0) ms = 0;
    AVStream* st = d->input->streams[d->stream];
    const qint64 start = st->start_time != AV_NOPTS_VALUE ? st->start_time : 0;
    const qint64 ts = start + ff().av_rescale_q(ms, AVRational{1, 1000}, st->time_base);
    if (ff().av_seek_frame(d->input.get(), d->stream, ts, AVSEEK_FLAG_BACKWARD) < 0 &&
        ff().avformat_seek_file(d->input.get(), d->stream, INT64_MIN, ts, ts, 0) < 0) {
        d->error = QStringLiteral("The file cannot be positioned.");
        return false;
    }
    ff().avcodec_flush_buffers(d->codec.get());
    d->swr.reset();
    d->swrReady = false;
    d->pending.clear();
    d->pendingPos = 0;
    d->inputEnded = d->decoderDrained = d->swrFlushed = false;
    d->seekTargetSamples = ff().av_rescale(ms, d->codec->sample_rate, 1000);
    d->skipSourceSamples = -1; // worked out from the first frame's time stamp
    return true;
}

qint64 AudioDecoder::Read(void* buffer, qint64 maxFrames) {
    if (!IsOpen()) return -1;
    State& s = *d;
    const int bpf = s.bytesPerFrame();
    auto* out = static_cast<uint8_t*>(buffer);
    qint64 written = 0;

    auto takePending = [&] {
        const size_t avail = (s.pending.size() - s.pendingPos) / size_t(bpf);
        const size_t n = std::min<size_t>(avail, size_t(maxFrames - written));
        if (n) {
            std::memcpy(out + written * bpf, s.pending.data() + s.pendingPos, n * size_t(bpf));
            s.pendingPos += n * size_t(bpf);
            written += qint64(n);
        }
        if (s.pendingPos >= s.pending.size()) {
            s.pending.clear();
            s.pendingPos = 0;
        }
    };

    // Converts `count` source samples starting at `offset` of the frame (or
    // flushes the resampler when frame is null) into pending.
    auto convert = [&](const AVFrame* f, int offset, int count) -> bool {
        const int maxOut =
            f ? int(ff().av_rescale_rnd(ff().swr_get_delay(s.swr.get(), f->sample_rate) + count, s.outRate,
                                        f->sample_rate, AV_ROUND_UP)) +
                    32
              : int(ff().av_rescale_rnd(ff().swr_get_delay(s.swr.get(), s.outRate), 1, 1, AV_ROUND_UP)) +
                    4096;
        const size_t start = s.pending.size();
        s.pending.resize(start + size_t(maxOut) * size_t(bpf));
        uint8_t* dst[1] = {s.pending.data() + start};
        int n;
        if (f) {
            const int bps = ff().av_get_bytes_per_sample(AVSampleFormat(f->format));
            const bool planar = ff().av_sample_fmt_is_planar(AVSampleFormat(f->format));
            const int chans = f->ch_layout.nb_channels;
            // One pointer per plane; a file may have more channels than AVFrame::data holds.
            std::vector<const uint8_t*> src(size_t(planar ? chans : 1));
            for (size_t c = 0; c < src.size(); ++c)
                src[c] = f->extended_data[c] + size_t(offset) * size_t(bps) * (planar ? 1 : size_t(chans));
            n = ff().swr_convert(s.swr.get(), dst, maxOut, src.data(), count);
        } else {
            n = ff().swr_convert(s.swr.get(), dst, maxOut, nullptr, 0);
        }
        if (n < 0) {
            s.pending.resize(start);
            s.error = QStringLiteral("The audio of the file cannot be converted.");
            return false;
        }
        s.pending.resize(start + size_t(n) * size_t(bpf));
        return true;
    };

    auto ensureSwr = [&](const AVFrame* f) -> bool {
        if (s.swrReady && (f->sample_rate != s.swrInRate || f->format != s.swrInFormat ||
                           ff().av_channel_layout_compare(&f->ch_layout, &s.swrInLayout) != 0)) {
            // The stream changed its format: hand out what the old resampler still holds, then start anew.
            if (!convert(nullptr, 0, 0)) return false;
            s.swr.reset();
            s.swrReady = false;
        }
        if (s.swrReady) return true;
        // A stream may change its rate midway, to one no resampler should be made for.
        if (f->sample_rate <= 0 || f->sample_rate > kMaxSampleRate) {
            s.error = QStringLiteral("The audio of the file cannot be converted.");
            return false;
        }
        // Zeroed first: av_channel_layout_copy uninits its destination, and
        // stack bytes that read as a custom layout would have it free garbage.
        AVChannelLayout outLayout{};
        ff().av_channel_layout_default(&outLayout, s.outChannels);
        SwrContext* raw = nullptr;
        AVChannelLayout inLayout{};
        if (f->ch_layout.nb_channels > 0 && f->ch_layout.order != AV_CHANNEL_ORDER_UNSPEC)
            ff().av_channel_layout_copy(&inLayout, &f->ch_layout);
        else
            ff().av_channel_layout_default(&inLayout, f->ch_layout.nb_channels > 0
                                                          ? f->ch_layout.nb_channels
                                                          : s.codec->ch_layout.nb_channels);
        const int rc = ff().swr_alloc_set_opts2(&raw, &outLayout, s.outFormat(), s.outRate, &inLayout,
                                                AVSampleFormat(f->format), f->sample_rate, 0, nullptr);
        ff().av_channel_layout_uninit(&inLayout);
        ff().av_channel_layout_uninit(&outLayout);
        if (rc < 0 || !raw || ff().swr_init(raw) < 0) {
            ff().swr_free(&raw);
            s.error = QStringLiteral("The audio of the file cannot be converted.");
            return false;
        }
        s.swr.reset(raw);
        s.swrReady = true;
        s.swrInRate = f->sample_rate;
        s.swrInFormat = f->format;
        ff().av_channel_layout_uninit(&s.swrInLayout);
        ff().av_channel_layout_copy(&s.swrInLayout, &f->ch_layout);
        return true;
    };

    takePending();
    while (written < maxFrames) {
        // Next decoded frame.
        int rc = ff().avcodec_receive_frame(s.codec.get(), s.frame.get());
        if (rc == AVERROR(EAGAIN)) {
            if (s.inputEnded) {
                // Already sent the flush packet; nothing more will come.
                s.decoderDrained = true;
            } else {
                const int rr = ff().av_read_frame(s.input.get(), s.packet.get());
                if (rr < 0) {
                    s.inputEnded = true;
                    ff().avcodec_send_packet(s.codec.get(), nullptr);
                    continue;
                }
                if (s.packet->stream_index == s.stream) {
                    const int sr = ff().avcodec_send_packet(s.codec.get(), s.packet.get());
                    (void)sr; // a damaged packet is skipped
                }
                ff().av_packet_unref(s.packet.get());
                continue;
            }
        } else if (rc == AVERROR_EOF) {
            s.decoderDrained = true;
        } else if (rc < 0) {
            // A decoding error on one packet: go on with the next, but not for ever.
            if (++s.errorsInRow > kMaxErrorsInRow) {
                s.error = QStringLiteral("The audio of the file is damaged (%1).").arg(ffmpeg::ErrorText(rc));
                return written ? written : -1;
            }
            continue;
        }
        if (rc >= 0) s.errorsInRow = 0;

        if (s.decoderDrained) {
            if (s.swrReady && !s.swrFlushed) {
                s.swrFlushed = true;
                if (!convert(nullptr, 0, 0)) return written ? written : -1;
                takePending();
                continue;
            }
            break;
        }

        AVFrame* f = s.frame.get();
        int offset = 0;
        int count = f->nb_samples;
        if (s.seekTargetSamples >= 0) {
            if (s.skipSourceSamples < 0) {
                const AVStream* st = s.input->streams[s.stream];
                const qint64 pts =
                    f->best_effort_timestamp != AV_NOPTS_VALUE ? f->best_effort_timestamp : f->pts;
                // Time stamps count from the stream's start, which need not be 0.
                const qint64 start = st->start_time != AV_NOPTS_VALUE ? st->start_time : 0;
                const qint64 first = pts == AV_NOPTS_VALUE ? s.seekTargetSamples
                                                           : ff().av_rescale_q(pts - start, st->time_base,
                                                                               AVRational{1, f->sample_rate});
                s.skipSourceSamples = std::max<qint64>(0, s.seekTargetSamples - first);
            }
            const qint64 drop = std::min<qint64>(s.skipSourceSamples, count);
            offset = int(drop);
            count -= int(drop);
            s.skipSourceSamples -= drop;
            if (s.skipSourceSamples == 0) s.seekTargetSamples = -1;
        }
        if (count > 0) {
            if (!ensureSwr(f)) {
                ff().av_frame_unref(f);
                return written ? written : -1;
            }
            if (!convert(f, offset, count)) {
                ff().av_frame_unref(f);
                return written ? written : -1;
            }
        }
        ff().av_frame_unref(f);
        takePending();
    }
    return written;
}

} // namespace components
