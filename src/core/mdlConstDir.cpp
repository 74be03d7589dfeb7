#include "core/mdlConstDir.h"

#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>

namespace core {

namespace {
QString existingFolder(const QString& path) {
    const QString clean = QDir::cleanPath(path);
    return QFileInfo(clean).isDir() ? clean : QString();
}
} // namespace

QString GetWindowsDir() {
    return existingFolder(QStringLiteral("/usr"));
}

QString GetSystemDir() {
    // Where this build's system libraries come from; the plain library folder otherwise.
    const QString libraries = existingFolder(QLibraryInfo::path(QLibraryInfo::LibrariesPath));
    if (!libraries.isEmpty() && libraries.startsWith(QLatin1String("/usr/"))) return libraries;
    return existingFolder(QStringLiteral("/usr/lib"));
}

} // namespace core
