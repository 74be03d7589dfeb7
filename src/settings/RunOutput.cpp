#include "settings/RunOutput.h"

#include "core/BatchTemplates.h"
#include "settings/EncoderSettings.h"
#include "settings/SettingsVariables.h"

namespace settings {

core::RunOutput OutputForFormat(const QString& targetFormatText) {
    core::RunOutput out;
    out.settings.outputFormat = OutputFormatCode(targetFormatText);
    out.destExtension = core::DestExtensionOf(targetFormatText);
    static const char* const names[] = {"WAV", "ACM WAV", "MP3", "WMA", "OGG", "APE"};
    switch (out.settings.outputFormat) {
    case 2:
        out.settings.acmTag = g_sACMTag;
        out.settings.acmFormat = g_sACMFormat;
        break;
    case 3:
        out.settings.mp3 = MP3SettingsRecord();
        break;
    case 4:
        out.settings.wma = WMASettingsRecord();
        break;
    case 5:
        out.settings.ogg = OGGSettingsRecord();
        break;
    case 6:
        out.settings.apeLevel = g_lAPELevel;
        break;
    default:
        out.settings.outputFormat = 1;
        out.settings.wav = WAVSettingsRecord();
        break;
    }
    out.logLine =
        QStringLiteral("Destination format: ") + QLatin1String(names[out.settings.outputFormat - 1]);
    return out;
}

core::RunOutput OutputForACM(const QString& tagName, const QString& formatName) {
    core::RunOutput out;
    out.settings.outputFormat = 2;
    out.settings.acmTag = tagName;
    out.settings.acmFormat = formatName;
    out.logLine = QStringLiteral("Destination format: ACM WAV");
    out.destExtension = QStringLiteral("wav");
    return out;
}

} // namespace settings
