#include "core/BatchTemplates.h"

#include "components/DriveRegistry.h"
#include "components/OutputFiles.h"
#include "core/mdlFunctions.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace core {

namespace {

// The locale's long time format without a time zone.
QString TimeText(const QLocale& locale, const QTime& time) {
    QString format = locale.timeFormat(QLocale::LongFormat);
    static const QRegularExpression zone(QStringLiteral("\\s*\\(?\\bt+\\b\\)?"));
    format.remove(zone);
    return locale.toString(time, format.trimmed());
}

void ReplaceAll(QString& text, const QString& token, const std::optional<QString>& value) {
    if (value) text.replace(token, *value, Qt::CaseSensitive);
}

} // namespace

QString CleanFileNameValue(const QString& value) {
    QString out;
    out.reserve(value.size());
    for (const QChar c : value) {
        if (c == u'/' || c.unicode() < 0x20 || c.unicode() == 0x7f) continue;
        out += c;
    }
    return out;
}

std::optional<QString> DestExtensionOf(const QString& targetFormatText) {
    const qsizetype at = targetFormatText.indexOf(QLatin1String(" -"));
    if (at < 0) return std::nullopt;
    return targetFormatText.left(at).toLower();
}

QString CreateDestFileName(const QString& fileNameTemplate, const FileNameContext& item) {
    auto clean = [](const std::optional<QString>& v) -> std::optional<QString> {
        if (!v) return std::nullopt;
        return CleanFileNameValue(*v);
    };
    // Taken apart here: core::GetFileName lets events run, which a run must not do mid-item.
    const QString fileName = item.sourcePath.mid(item.sourcePath.lastIndexOf(u'/') + 1);
    const std::optional<QString> destExt = clean(item.destExtension);
    QString date = item.locale.toString(item.now.date(), QLocale::ShortFormat);
    date.replace(u'/', u'-');

    // A CD track's ".cda" names no file format: it is not what the output is
    // made of, so it never reaches an output name.
    const bool cdTrack = components::DriveRegistry::parseTrackPath(item.sourcePath, nullptr, nullptr);
    QString itemName = item.itemName;
    if (cdTrack && itemName.endsWith(QLatin1String(".cda"), Qt::CaseInsensitive)) itemName.chop(4);
    const QString sourceExt = cdTrack ? QString() : clean(core::GetFileExt(item.itemName).toLower()).value();

    QString name = fileNameTemplate;
    ReplaceAll(name, QStringLiteral("[123]"), QString::number(item.row));
    ReplaceAll(name, QStringLiteral("[file_name]"), clean(GetBaseName(fileName)));
    // No extension: the dot that would have led it goes too ("Track01.wav", not "Track01..wav").
    if (sourceExt.isEmpty()) {
        ReplaceAll(name, QStringLiteral(".[source_extension]"), QString());
        ReplaceAll(name, QStringLiteral("[source_extension]."), QString());
    }
    ReplaceAll(name, QStringLiteral("[source_extension]"), sourceExt);
    ReplaceAll(name, QStringLiteral("[dest_extension]"), destExt);
    ReplaceAll(name, QStringLiteral("[convert_extension]"), destExt);
    ReplaceAll(name, QStringLiteral("[time]"), item.now.time().toString(QStringLiteral("HH-mm-ss")));
    ReplaceAll(name, QStringLiteral("[date]"), clean(date));
    ReplaceAll(name, QStringLiteral("[item_name]"), clean(itemName));
    return name;
}

QString CreateID3TagsString(const QString& text, const TagContext& item) {
    QString s = text;
    ReplaceAll(s, QStringLiteral("[DATE]"), item.locale.toString(item.now.date(), QLocale::ShortFormat));
    ReplaceAll(s, QStringLiteral("[TIME]"), TimeText(item.locale, item.now.time()));
    ReplaceAll(s, QStringLiteral("[TRACK_NUM]"), item.trackNum);
    ReplaceAll(s, QStringLiteral("[PROG_NAME]"), item.productName);
    ReplaceAll(s, QStringLiteral("[PROG_VERSION]"), item.productVersion);
    ReplaceAll(s, QStringLiteral("[SOURCE_NAME]"), item.sourceName);
    ReplaceAll(s, QStringLiteral("[ITEM_NAME]"), item.itemName);
    ReplaceAll(s, QStringLiteral("[RANGE]"), item.range);
    ReplaceAll(s, QStringLiteral("[YEAR]"),
               QStringLiteral("%1").arg(item.now.date().year(), 4, 10, QLatin1Char('0')));
    return s;
}

ItemTags SetID3Tags(const ItemTags& cells, const TagContext& item) {
    ItemTags t;
    t.album = CreateID3TagsString(cells.album, item);
    t.artist = CreateID3TagsString(cells.artist, item);
    t.comment = CreateID3TagsString(cells.comment, item);
    t.genre = CreateID3TagsString(cells.genre, item);
    t.title = CreateID3TagsString(cells.title, item);
    t.track = CreateID3TagsString(cells.track, item);
    t.year = CreateID3TagsString(cells.year, item);
    return t;
}

QString WithClosingSlash(const QString& folder) {
    if (folder.isEmpty() || folder.endsWith(u'/')) return folder;
    return folder + u'/';
}

namespace {
// A level cleaned as CleanPathLevel does, before it is shortened.
QString uncutPathLevel(const QString& level) {
    QString out = CleanFileNameValue(level);
    if (out.isEmpty()) return out;
    if (out.count(u'.') == out.size())
        out = QStringLiteral("-");
    else if (out.startsWith(u'.'))
        out.prepend(u'-');
    return out;
}
} // namespace

QString CleanPathLevel(const QString& level, bool isFileName) {
    return components::FitNameToBytes(uncutPathLevel(level), kMaxOutputNameBytes, isFileName);
}

bool PathLevelIsCut(const QString& level, bool isFileName) {
    return CleanPathLevel(level, isFileName) != uncutPathLevel(level);
}

QString GetUnderFolder(bool createSubFolder, const QString& subFolderName) {
    if (!createSubFolder) return QString();
    QStringList levels;
    for (const QString& level : subFolderName.split(u'/')) {
        const QString clean = CleanPathLevel(level, false);
        if (!clean.isEmpty()) levels << clean;
    }
    if (levels.isEmpty()) return QString();
    return levels.join(u'/') + u'/';
}

std::optional<QString> JoinOutputPath(const QString& destinationFolder, const QString& underFolder,
                                      const QString& fileName) {
    const QString dest = WithClosingSlash(destinationFolder);
    if (dest.isEmpty() || fileName.isEmpty()) return std::nullopt;
    QStringList parts;
    const QStringList raw = (underFolder + fileName).split(u'/');
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const bool last = i == raw.size() - 1;
        const QString part = CleanPathLevel(raw[i], last);
        if (part.isEmpty()) {
            if (last) return std::nullopt; // no file name after the last "/"
            continue;
        }
        parts << part;
    }
    const QString path = dest + parts.join(u'/');
    const QString root = QDir::cleanPath(dest);
    const QString clean = QDir::cleanPath(path);
    const QString prefix = root.endsWith(u'/') ? root : root + u'/';
    if (!clean.startsWith(prefix) || clean.size() <= prefix.size()) return std::nullopt;
    return path;
}

QString NumberedPath(const QString& path, qint32 number) {
    const qsizetype slash = path.lastIndexOf(u'/');
    const qsizetype dot = path.lastIndexOf(u'.');
    const QString suffix = QStringLiteral(" (%1)").arg(number);
    if (dot <= slash) return path + suffix;
    return path.left(dot) + suffix + path.mid(dot);
}

bool IsSameFile(const QString& a, const QString& b) {
    const QFileInfo fa(a), fb(b);
    if (fa.exists() && fb.exists()) return fa.canonicalFilePath() == fb.canonicalFilePath();
    return QDir::cleanPath(fa.absoluteFilePath()) == QDir::cleanPath(fb.absoluteFilePath());
}

QString ProgressCaption(qint32 currentPercent, qint32 totalValue, qint32 totalMax, const QLocale& locale) {
    const double t = totalMax > 0 ? static_cast<double>(totalValue) / totalMax * 100.0 : 0.0;
    QLocale l = locale;
    l.setNumberOptions(QLocale::OmitGroupSeparator);
    return QStringLiteral("Converting... [ ") + QString::number(currentPercent) + QStringLiteral("% / ") +
           l.toString(t, 'g', 15) + QStringLiteral("% ]");
}

qint32 ItemSecondsAt(qint32 percent, qint32 itemSeconds) {
    return static_cast<qint32>(RoundHalfEven(percent / 100.0 * itemSeconds));
}

qint64 TimeLeftSeconds(qint32 elapsed, qint32 curItemSecs, qint32 upToItemSecs, qint32 totalSecs) {
    if (curItemSecs <= 0) return 0;
    const double done = static_cast<double>(curItemSecs) + upToItemSecs;
    const qint64 left = RoundHalfEven(elapsed / done * (totalSecs - done));
    return left < 0 ? 0 : left;
}

QString TimeLeftText(qint64 seconds) {
    return QStringLiteral("Time Left: ") + FormatTwoDigitTime(seconds);
}

} // namespace core
