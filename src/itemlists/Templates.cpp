#include "itemlists/Templates.h"

#include "core/Services.h"
#include "core/mdlFunctions.h"
#include "core/mdlModes.h"
#include "settings/SettingsVariables.h"

namespace itemlists {

QStringList NoticAppTokens() {
    return {TOKEN_PROG_NAME, TOKEN_PROG_VERSION,     TOKEN_FILE_RECORDED,
            TOKEN_FILE_SIZE, TOKEN_FILE_TIME_LENGTH, TOKEN_FILE_CREATED};
}

QString ExpandNoticAppTokens(const QString& text, const NoticFileValues& file) {
    const std::optional<QString> values[] = {core::g_sProductName, core::g_sProductVersion, file.fileRecorded,
                                             file.fileSize,        file.fileTimeLength,     file.fileCreated};
    const QStringList tokens = NoticAppTokens();
    QString result = text;
    for (qsizetype i = 0; i < tokens.size(); ++i)
        if (values[i]) result.replace(tokens[i], *values[i], Qt::CaseSensitive);
    return result;
}

QString GetNoticAppParameters(const NoticFileValues& file) {
    return ExpandNoticAppTokens(settings::g_sAppNotice, file);
}

ProgramCall BuildNoticAppCall(const QString& commandTemplate, const NoticFileValues* file) {
    QStringList words = SplitCommandLine(commandTemplate);
    if (file)
        for (QString& word : words)
            word = ExpandNoticAppTokens(word, *file);
    ProgramCall call;
    if (words.isEmpty()) return call;
    call.program = words.takeFirst();
    call.arguments = words;
    return call;
}

bool RunNoticApp(const NoticFileValues& file) {
    return StartProgramCall(BuildNoticAppCall(settings::g_sAppNotice, &file));
}

QString GetExt(const QString& targetFormatText) {
    const QString code = targetFormatText.left(3).toUpper();
    if (code == u"WAV" || code == u"ACM") return QStringLiteral("wav");
    if (code == u"MP3") return QStringLiteral("mp3");
    if (code == u"WMA") return QStringLiteral("wma");
    if (code == u"OGG") return QStringLiteral("ogg");
    if (code == u"APE") return QStringLiteral("ape");
    return QString();
}

QString CreateFileName(const QString& targetFormatText) {
    const QDateTime now = core::services().now();
    const QString name = now.time().toString(QStringLiteral("HH:mm:ss")) + u'_' +
                         core::services().locale().toString(now.date(), QLocale::ShortFormat) + u'.' +
                         GetExt(targetFormatText);
    return core::MakeSafeFileName(name);
}

} // namespace itemlists
