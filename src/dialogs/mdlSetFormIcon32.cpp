#include "dialogs/mdlSetFormIcon32.h"

#include "core/AppPaths.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QImage>
#include <QImageReader>
#include <QRegularExpression>
#include <QThreadPool>

namespace dialogs {

namespace {
// The group's files in `folder`, in name order.
QStringList groupFiles(const QString& folder, const QString& name) {
    const QDir dir(folder);
    if (!dir.exists()) return {};
    const QRegularExpression re(
        QStringLiteral("^%1(_\\d+)?\\.(png|ico|svg)$").arg(QRegularExpression::escape(name)),
        QRegularExpression::CaseInsensitiveOption);
    QStringList found;
    const QStringList files = dir.entryList(QDir::Files, QDir::Name);
    for (const QString& file : files)
        if (re.match(file).hasMatch()) found << dir.filePath(file);
    return found;
}

// The group's files in the program folder's "icons" folder, else in the installation's.
QStringList groupFiles(const QString& name) {
    const QStringList files = groupFiles(core::ProgramFolder() + QLatin1String("/icons"), name);
    return files.isEmpty() ? groupFiles(core::InstallFolder() + QLatin1String("/icons"), name) : files;
}
} // namespace

QIcon LoadFormIcon(const QString& iconName) {
    if (iconName.isEmpty()) return QIcon();
    // Every window asks for the same few icons, and reading an icon decodes
    // all its files: each is read once per folder pair and then shared.
    // (Never destroyed: pictures must not outlive the application object.)
    static auto* const cache = new QHash<QString, QIcon>;
    const QString key =
        core::ProgramFolder() + QChar(u'\n') + core::InstallFolder() + QChar(u'\n') + iconName;
    const auto cached = cache->constFind(key);
    if (cached != cache->constEnd()) return *cached;
    QIcon icon;
    for (const QString& file : groupFiles(iconName))
        icon.addFile(file);
    // A name with no files is looked up again next time (its files may arrive).
    if (!icon.isNull()) cache->insert(key, icon);
    return icon;
}

void ReadFormIconAhead(const QString& iconName) {
    QThreadPool::globalInstance()->start([iconName] {
        for (const QString& file : groupFiles(iconName)) {
            QImageReader reader(file);
            QImage image;
            while (reader.read(&image)) {
            }
        }
    });
}

} // namespace dialogs
