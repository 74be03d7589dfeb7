#include "components/FFmpegHandles.h"

#include <QFile>

#include <mutex>

namespace components::ffmpeg {

QByteArray LocalUrl(const QString& path) {
    return QByteArrayLiteral("file:") + QFile::encodeName(path);
}

InputContext OpenInput(const QString& path, int* error, const AVInputFormat* format) {
    QuietLogging();
    AVFormatContext* raw = nullptr;
    const int rc = ff().avformat_open_input(&raw, LocalUrl(path).constData(), format, nullptr);
    if (error) *error = rc;
    if (rc < 0) return InputContext(); // FFmpeg frees the context itself on failure
    return InputContext(raw);
}

void QuietLogging() {
    static std::once_flag once;
    std::call_once(once, [] { ff().av_log_set_level(AV_LOG_FATAL); });
}

} // namespace components::ffmpeg
