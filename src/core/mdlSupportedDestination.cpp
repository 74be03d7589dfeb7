#include "core/mdlSupportedDestination.h"

namespace core {

qint32 g_lDestWAV = 0;
qint32 g_lDestACM = 0;
qint32 g_lDestMP3 = 0;
qint32 g_lDestWMA = 0;
qint32 g_lDestOGG = 0;
qint32 g_lDestAPE = 0;

namespace {
struct Format {
    const char* abbreviation;
    const char* text;
    qint32* sw;
};
const Format kFormats[] = {
    {"WAV", "WAV - Waveform Audio Format (*.wav)", &g_lDestWAV},
    {"ACM", "ACM - Waveform ACM Codecs (*.wav)", &g_lDestACM},
    {"MP3", "MP3 - MPEG-1 Audio Layer 3 (*.mp3)", &g_lDestMP3},
    {"WMA", "WMA - Windows Media Audio files (*.wma)", &g_lDestWMA},
    {"OGG", "OGG - Ogg Media Format (*.ogg)", &g_lDestOGG},
    {"APE", "APE - Monkey 's Audio (*.ape)", &g_lDestAPE},
};
} // namespace

void InitDestinationFormats() {
    g_lDestWAV = 1;
    g_lDestACM = 0;
    g_lDestMP3 = 1;
    g_lDestWMA = 1;
    g_lDestOGG = 0;
    g_lDestAPE = 0;
}

QString DestinationFormatText(qint32 code) {
    if (code < 0 || code >= qint32(std::size(kFormats))) return QString();
    return QLatin1String(kFormats[code].text);
}

QStringList DestinationFormatTexts() {
    InitDestinationFormats();
    QStringList texts;
    for (const Format& f : kFormats)
        if (*f.sw == 1) texts << QLatin1String(f.text);
    return texts;
}

qint32 GetDestinationFormatCode(const QString& formatText) {
    const QString key = formatText.left(3).toUpper();
    for (qint32 code = 0; code < qint32(std::size(kFormats)); ++code)
        if (key == QLatin1String(kFormats[code].abbreviation)) return code;
    return fmtWAV;
}

} // namespace core
