#include "core/mdlFunctions.h"

#include "core/AppPaths.h"
#include "core/Services.h"
#include "core/mdlFileSystem.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStringDecoder>
#include <QThread>
#include <QUrl>

#include <cmath>
#include <limits>

namespace core {

// --- Paths and names -------------------------------------------------------

namespace {

// The last path element, where the extension rules look for their dot.
qsizetype lastElementStart(const QString& path) {
    return path.lastIndexOf('/') + 1;
}

} // namespace

QString GetFileName(const QString& path) {
    // Pure string work: it never runs the event loop, so no handler is
    // re-entered from inside a caller's loop.
    return path.mid(path.lastIndexOf('/') + 1);
}

QString GetFolderPath(const QString& path) {
    const qsizetype slash = path.lastIndexOf('/');
    return slash < 0 ? QString() : path.left(slash + 1);
}

QString GetParentFolder(const QString& path) {
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0 || slash == path.size() - 1) return QString();
    return path.left(slash + 1);
}

QString GetFileExt(const QString& fileName) {
    const qsizetype dot = fileName.lastIndexOf('.');
    if (dot < lastElementStart(fileName)) return QString();
    return fileName.mid(dot + 1);
}

QString GetExtension(const QString& fileName) {
    return GetFileExt(fileName).left(12);
}

QString GetBaseName(const QString& fileName) {
    QStringList parts = fileName.split('.');
    if (parts.size() < 2) return QString();
    parts.removeLast();
    return parts.join(QString());
}

QString MakeSafeFileName(const QString& name) {
    static const QString unsafe = QStringLiteral(u"!/\\;:, $+&[](){}?*|<>\u05D6\uF893\u20AC@\u00A8~\u00B4`=%"
                                                 u"\u00BD#\u00A3'\"\u05D9");
    QString result = name;
    for (QChar& c : result)
        if (unsafe.contains(c)) c = '-';
    return result;
}

bool IsIllegalNameChar(QChar c) {
    return QStringLiteral("/\\:?*<>|\"").contains(c);
}

bool IsLegalFileName(const QString& name) {
    for (QChar c : name)
        if (IsIllegalNameChar(c)) return false;
    return true;
}

const QString kIllegalNameBalloonText =
    QStringLiteral("Illegal name.\r\n\r\nThe chars:   /\\:?*<>\"|   are not legal.");

// --- Sizes and durations ----------------------------------------------------

QString FormatByteSize(qint64 size) {
    if (size < 0) return QString();
    if (size == 0) return QStringLiteral("0");
    static const char* const units[] = {"", " KB", " MB", " GB", " TB", " PB", " EB"};
    int k = 0;
    double v = double(size);
    while (v >= 1000.0 && k < 6) {
        v /= 1024.0;
        ++k;
    }
    const int decimals = v < 10.0 ? 2 : v < 100.0 ? 1 : 0;
    return SizeNumberLocale().toString(v, 'f', decimals) + QLatin1String(units[k]);
}

QString SecondsToTime(qint64 seconds) {
    // Int() rounds down, Mod keeps the sign of the dividend.
    const qint64 hours = qint64(std::floor(double(seconds) / 3600.0));
    const qint64 minutes = qint64(std::floor(double(seconds) / 60.0)) - 60 * hours;
    const qint64 secs = seconds % 60;
    auto twoDigits = [](qint64 v) {
        return v < 0 ? QStringLiteral("-%1").arg(-v, 2, 10, QChar('0'))
                     : QStringLiteral("%1").arg(v, 2, 10, QChar('0'));
    };
    return QString::number(hours) + ':' + twoDigits(minutes) + ':' + twoDigits(secs);
}

QString FormatTwoDigitTime(qint64 seconds) {
    const bool negative = seconds < 0;
    const qint64 s = negative ? -seconds : seconds;
    const QString text = QStringLiteral("%1:%2:%3")
                             .arg(s / 3600, 2, 10, QLatin1Char('0'))
                             .arg((s / 60) % 60, 2, 10, QLatin1Char('0'))
                             .arg(s % 60, 2, 10, QLatin1Char('0'));
    return negative ? QLatin1Char('-') + text : text;
}

qint64 RoundHalfEven(double value) {
    const double r = std::nearbyint(value); // the default rounding mode: halves to even
    if (r >= 9.2233720368547758e18) return std::numeric_limits<qint64>::max();
    if (r <= -9.2233720368547758e18) return std::numeric_limits<qint64>::min();
    return static_cast<qint64>(r);
}

namespace {
// A text that reads as a time of day ("1:02:03", "3:20", "1:02 PM") in the
// form "HH:mm:ss"; any other text unchanged.
QString asTimeOfDay(const QString& text) {
    static const QRegularExpression re(
        QStringLiteral("^\\s*(\\d{1,2}):(\\d{1,2})(?::(\\d{1,2}))?\\s*(AM|PM)?\\s*$"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = re.match(text);
    if (!m.hasMatch()) return text;
    int h = m.captured(1).toInt();
    const int min = m.captured(2).toInt();
    const int s = m.captured(3).isEmpty() ? 0 : m.captured(3).toInt();
    const QString ampm = m.captured(4).toUpper();
    if (!ampm.isEmpty()) {
        if (h < 1 || h > 12) return text;
        if (ampm == QLatin1String("AM") && h == 12) h = 0;
        if (ampm == QLatin1String("PM") && h != 12) h += 12;
    }
    if (h > 23 || min > 59 || s > 59) return text;
    return QStringLiteral("%1:%2:%3")
        .arg(h, 2, 10, QChar('0'))
        .arg(min, 2, 10, QChar('0'))
        .arg(s, 2, 10, QChar('0'));
}
} // namespace

qint64 TimeToSeconds(const QString& timeText) {
    const QStringList fields = asTimeOfDay(timeText).split(':');
    if (fields.size() < 3) return 0;
    double total = 0;
    const double weights[] = {3600.0, 60.0, 1.0};
    for (int i = 0; i < 3; ++i) {
        bool ok = false;
        const double v = fields[i].trimmed().toDouble(&ok);
        if (!ok || !std::isfinite(v)) return 0;
        total += v * weights[i];
    }
    // Halves go to the even neighbour; a count beyond the type's range is no count.
    const double rounded = std::nearbyint(total);
    if (std::fabs(rounded) > 9.0e18) return 0;
    return qint64(rounded);
}

// --- Folders and documents --------------------------------------------------

bool IsFolder(const QString& path) {
    return !path.isEmpty() && QFileInfo(path).isDir();
}

qint32 CreateFolderTree(const QString& path) {
    QString p = path;
    if (p.endsWith('/')) p.chop(1);
    if (p.isEmpty() && path.isEmpty()) return 0;
    QString level;
    const QStringList elements = p.split('/');
    for (const QString& element : elements) {
        level += element + '/';
        if (QFileInfo::exists(level)) continue;
        const QString parent = GetFolderPath(level.left(level.size() - 1));
        if (!parent.isEmpty() && !QFileInfo(parent).isDir()) return 76;
        if (!QDir().mkdir(level)) return 75;
    }
    return 0;
}

namespace {
DriveResolver g_driveResolver = nullptr;

bool isDrivePath(const QString& text) {
    static const QRegularExpression re(QStringLiteral("^[A-Za-z]:(/.*|\\\\.*)?$"));
    return re.match(text).hasMatch();
}

bool isWebAddress(const QString& text) {
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+:"));
    return scheme.match(text).hasMatch() || text.startsWith(QLatin1String("www."), Qt::CaseInsensitive);
}
} // namespace

void SetShellDriveResolver(DriveResolver resolver) {
    g_driveResolver = resolver;
}

void ShellOpen(QWidget* /*window*/, const QString& target) {
    if (target.isEmpty()) return;
    QUrl url;
    if (isDrivePath(target)) {
        QString local = g_driveResolver ? g_driveResolver(target) : target;
        if (local == target) return; // no such drive here
        url = QUrl::fromLocalFile(local);
    } else if (target.startsWith('/')) {
        url = QUrl::fromLocalFile(target);
    } else if (isWebAddress(target)) {
        url = QUrl::fromUserInput(target);
    } else {
        url = QUrl::fromLocalFile(ProgramFolder() + '/' + target);
    }
    if (url.isValid()) services().openUrl(url);
}

// --- Text files -------------------------------------------------------------

namespace {

// Windows-1252: Latin-1 except for 0x80..0x9F.
QString decodeWindows1252(const QByteArray& bytes) {
    static const char16_t high[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                      0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    QString text;
    text.reserve(bytes.size());
    for (char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        text += (b >= 0x80 && b < 0xA0) ? QChar(high[b - 0x80]) : QChar(b);
    }
    return text;
}

QString decodeText(const QByteArray& bytes) {
    QStringDecoder utf8(QStringConverter::Utf8);
    QString text = utf8.decode(bytes);
    if (utf8.hasError()) return decodeWindows1252(bytes);
    return text;
}

QStringList splitLines(const QString& text) {
    if (text.isEmpty()) return {};
    QStringList lines = text.split('\n');
    // The break after the last line starts no line of its own.
    if (lines.last().isEmpty()) lines.removeLast();
    for (QString& line : lines)
        if (line.endsWith('\r')) line.chop(1);
    return lines;
}

} // namespace

QStringList ReadTextFileLines(const QString& file, bool* ok) {
    if (ok) *ok = false;
    if (file.isEmpty() || !QFileInfo(file).isFile()) return {};
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) return {};
    const QByteArray bytes = f.readAll();
    if (f.error() != QFileDevice::NoError) return {};
    if (ok) *ok = true;
    return splitLines(decodeText(bytes));
}

QString ReadTextFile(const QString& file) {
    const QStringList lines = ReadTextFileLines(file);
    QString text;
    for (const QString& line : lines)
        text += line + QLatin1String("\r\n");
    if (text.size() > 2) text.chop(2);
    return text;
}

bool WriteTextFile(const QString& text, const QString& file) {
    if (file.isEmpty()) return false;
    // Lines ended by LF alone get CR LF, as every text file of the program has.
    QString body = text;
    body.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    body.replace('\n', QLatin1String("\r\n"));
    body += QLatin1String("\r\n");
    QSaveFile f(file);
    if (!f.open(QIODevice::WriteOnly)) return false;
    const QByteArray bytes = body.toUtf8();
    if (f.write(bytes) != bytes.size()) {
        f.cancelWriting();
        return false;
    }
    return f.commit();
}

// --- Path history -----------------------------------------------------------

QString PathHistoryFile() {
    return ProgramFolder() + QLatin1String("/PathHistory");
}

namespace {
bool ensureHistoryFile(const QString& file) {
    if (QFileInfo::exists(file)) return true;
    QFile f(file);
    return f.open(QIODevice::WriteOnly);
}
} // namespace

QStringList ReadPathHistory(bool* ok) {
    const QString file = PathHistoryFile();
    if (!ensureHistoryFile(file)) {
        if (ok) *ok = false;
        return {};
    }
    return ReadTextFileLines(file, ok);
}

bool AddToPathHistory(const QString& folder) {
    bool ok = false;
    const QStringList old = ReadPathHistory(&ok);
    if (!ok) return false;
    QStringList lines{folder};
    for (const QString& line : old)
        if (line != folder) lines << line;
    while (lines.size() > kPathHistoryMax)
        lines.removeLast();
    // Already first (as at every start that finds the lists folder there):
    // the file stays as it is.
    if (lines == old) return true;

    QSaveFile f(PathHistoryFile());
    if (!f.open(QIODevice::WriteOnly)) return false;
    QByteArray bytes;
    for (const QString& line : lines)
        bytes += line.toUtf8() + "\r\n";
    if (f.write(bytes) != bytes.size()) {
        f.cancelWriting();
        return false;
    }
    return f.commit();
}

// --- Log lines --------------------------------------------------------------

QString FormatLogLine(const QString& message) {
    const QLocale locale = services().locale();
    // The long time format without the time zone, as the log has always shown it.
    QString format = locale.timeFormat(QLocale::LongFormat);
    static const QRegularExpression zone(QStringLiteral("\\s*\\(?\\bt+\\b\\)?"));
    format.remove(zone);
    format = format.trimmed();
    return locale.toString(services().now().time(), format) + ':' + message + QLatin1String("\r\n");
}

} // namespace core
