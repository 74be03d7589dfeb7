#include "core/mdlSupportedFormats.h"

namespace core {

QString GetSupportedFilesFilter() {
    static const char* const pairs[][2] = {
        {"All supported audio files (*.mp3;*.ogg;*.wav;*.wma;)", "*.mp3;*.ogg;*.wav;*.wma;"},
        {"MPEG-1 Audio Layer 3 (MP3) (*.mp3)", "*.mp3"},
        {"Ogg Media format (*.ogg)", "*.ogg"},
        {"Waveform audio format (*.wav)", "*.wav"},
        {"Windows Media Audio files (*.wma)", "*.wma"},
    };
    QString filter;
    for (const auto& pair : pairs) {
        filter += QLatin1String(pair[0]) + QChar(0);
        filter += QLatin1String(pair[1]) + QChar(0);
    }
    return filter;
}

} // namespace core
