#include "core/mdlFileSystem.h"

#include "core/Services.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cmath>

namespace core {

QLocale SizeNumberLocale() {
    QLocale locale = services().locale();
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale;
}

namespace {
QString FormatSizeNumberIn(const QLocale& locale, double value) {
    if (value >= 100.0) return locale.toString(std::nearbyint(value), 'f', 0);
    if (value >= 10.0) return locale.toString(value, 'f', 1);
    return locale.toString(value, 'f', 2);
}
} // namespace

QString FormatSizeNumber(double value) {
    return FormatSizeNumberIn(SizeNumberLocale(), value);
}

QString FormatFileSize(qint64 size) {
    return FormatFileSize(size, SizeNumberLocale());
}

QString FormatFileSize(qint64 size, const QLocale& sizeLocale) {
    if (size <= 999) return sizeLocale.toString(size) + QLatin1String(" bytes");
    static const char* const units[] = {"", " KB", " MB", " GB", " TB", " PB", " EB", " ZB", " YB"};
    const double v = double(size);
    int k = 1;
    while (k < 8 && v > 999.0 * std::pow(1024.0, k))
        ++k;
    return FormatSizeNumberIn(sizeLocale, v / std::pow(1024.0, k)) + QLatin1String(units[k]);
}

bool KillFile(const QString& file) {
    const QFileInfo info(file);
    if (file.isEmpty() || !info.isFile()) return false;
    // A write-protected file stays, as the user asked by protecting it.
    if (!(info.permissions() & QFileDevice::WriteOwner)) return false;
    return QFile::remove(file);
}

bool FileExists(const QString& file) {
    if (file.isEmpty()) return false;
    const QFileInfo info(file);
    const QString name = info.fileName();
    if (name.contains('*') || name.contains('?')) {
        const QDir dir = info.dir();
        return !dir.entryList({name}, QDir::Files).isEmpty();
    }
    return info.isFile() && !name.startsWith('.');
}

QString GetTempDir() {
    QString dir = QDir::tempPath();
    if (!dir.endsWith('/')) dir += '/';
    return dir;
}

QString GetTempFilePath(const QString& prefix) {
    QTemporaryFile f(GetTempDir() + prefix + QLatin1String("XXXXXX.tmp"));
    f.setAutoRemove(false);
    if (!f.open()) return QString();
    return f.fileName();
}

} // namespace core
