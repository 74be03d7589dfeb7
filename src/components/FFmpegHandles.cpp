#include "components/FFmpegHandles.h"

#include <QFile>

#include <cerrno>
#include <mutex>

namespace components::ffmpeg {

QByteArray LocalUrl(const QString& path) {
    return QByteArrayLiteral("file:") + QFile::encodeName(path);
}

namespace {

// Every audio decoder the loaded libraries have, as FFmpeg's list of names.
const QByteArray& AudioDecoders() {
    static const QByteArray names = [] {
        QByteArray list;
        void* it = nullptr;
        while (const AVCodec* c = ff().av_codec_iterate(&it)) {
            if (c->type != AVMEDIA_TYPE_AUDIO || ff().av_codec_is_decoder(c) <= 0) continue;
            if (!list.isEmpty()) list += ',';
            list += c->name;
        }
        return list;
    }();
    return names;
}

} // namespace

InputContext OpenInput(const QString& path, int* error, const AVInputFormat* format) {
    QuietLogging();
    AVDictionary* options = nullptr;
    // WAV (RF64 included), MP3, Ogg, WMA and Monkey's Audio are what the
    // program takes; FLAC is read as well.
    ff().av_dict_set(&options, "format_whitelist", "wav,mp3,ogg,asf,ape,flac", 0);
    // Pictures and video in a file are never decoded: one tiny GIF declaring
    // 16000 x 16000 pixels costs a gigabyte to decode.
    ff().av_dict_set(&options, "codec_whitelist", AudioDecoders().constData(), 0);
    ff().av_dict_set(&options, "probesize", "5000000", 0);
    ff().av_dict_set(&options, "analyzeduration", "5000000", 0);
    ff().av_dict_set(&options, "fpsprobesize", "0", 0);
    ff().av_dict_set(&options, "max_streams", "16", 0);
    AVFormatContext* raw = nullptr;
    const int rc = ff().avformat_open_input(&raw, LocalUrl(path).constData(), format, &options);
    ff().av_dict_free(&options);
    if (error) *error = rc;
    if (rc < 0) return InputContext(); // FFmpeg frees the context itself on failure
    return InputContext(raw);
}

bool BeyondBounds(int error) {
    return error == AVERROR(ENOMEM);
}

void QuietLogging() {
    static std::once_flag once;
    std::call_once(once, [] { ff().av_log_set_level(AV_LOG_FATAL); });
}

} // namespace components::ffmpeg
