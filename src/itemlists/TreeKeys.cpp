#include "itemlists/TreeKeys.h"

#include "core/mdlFileSystem.h"
#include "core/mdlFunctions.h"
#include "itemlists/ItemRows.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace itemlists {

bool IsCDNode(const QString& key) {
    return key.startsWith(kCDNodePrefix);
}

bool IsMainNode(const QString& key) {
    return key.startsWith(QLatin1String("##MAIN"));
}

QString GetCDNameNode(const QString& key) {
    return key.mid(4, 2);
}

bool IsItemsListFileName(const QString& fileName) {
    return fileName.size() > kItemsListExt.size() && fileName.endsWith(kItemsListExt);
}

QStringList ItemsListFileNames(const QString& folder) {
    QStringList out;
    const QDir dir(folder);
    if (folder.isEmpty() || !dir.exists()) return out;
    const QStringList names = dir.entryList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& name : names)
        if (IsItemsListFileName(name)) out << name;
    return out;
}

QString GetNewItemsListName(const QString& folder) {
    const QString base = folder.endsWith('/') || folder.isEmpty() ? folder : folder + '/';
    for (qint32 n = 1;; ++n) {
        const QString name = QStringLiteral("New Items List %1").arg(n) + kItemsListExt;
        // Any entry of that name (a folder too) makes the name taken: the
        // empty list file could not be created over it.
        if (!QFileInfo::exists(base + name) && !QFileInfo(base + name).isSymLink()) return name;
    }
}

bool CreateEmptyFile(const QString& path) {
    QFile f(path);
    if (QFileInfo::exists(path)) return false;
    if (!f.open(QIODevice::WriteOnly | QIODevice::NewOnly)) return false;
    f.close();
    return true;
}

QString EnsureFirstItemsList(const QString& folder, bool* ok) {
    if (ok) *ok = true;
    if (folder.isEmpty()) {
        if (ok) *ok = false;
        return QString();
    }
    if (!core::IsFolder(folder) && core::CreateFolderTree(folder) != 0) {
        if (ok) *ok = false;
        return QString();
    }
    if (!ItemsListFileNames(folder).isEmpty()) return QString();
    const QString name = GetNewItemsListName(folder);
    const QString base = folder.endsWith('/') ? folder : folder + '/';
    if (!CreateEmptyFile(base + name)) {
        if (ok) *ok = false;
        return QString();
    }
    return name;
}

bool PathExistsIgnoringCase(const QString& path) {
    if (QFileInfo::exists(path)) return true;
    const QFileInfo fi(path);
    const QDir dir = fi.dir();
    if (!dir.exists()) return false;
    const QStringList entries =
        dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString& e : entries)
        if (e.compare(fi.fileName(), Qt::CaseInsensitive) == 0) return true;
    return false;
}

bool IsLegalListName(const QString& name) {
    return core::IsLegalFileName(name) && !name.startsWith(QLatin1Char('.'));
}

QString HiddenItemsText(qint32 count) {
    if (count == 1) return QStringLiteral("1 item not shown: its file is missing or unreadable");
    return QString::number(count) + QStringLiteral(" items not shown: their files are missing or unreadable");
}

QString ItemsListStatusText(qint32 rows, qint64 bytes, qint64 seconds) {
    if (rows <= 0) return QStringLiteral("0 Items, 0 KB, 00:00:00");
    return QStringLiteral("%1 Items, %2, %3")
        .arg(rows)
        .arg(core::FormatByteSize(bytes), FormatTwoDigitTime(seconds));
}

} // namespace itemlists
