#include "dialogs/mdlSetFormIcon32.h"

#include "core/AppPaths.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>

namespace dialogs {

namespace {
bool addGroupFiles(QIcon& icon, const QString& folder, const QString& name) {
    const QDir dir(folder);
    if (!dir.exists()) return false;
    const QRegularExpression re(
        QStringLiteral("^%1(_\\d+)?\\.(png|ico|svg)$").arg(QRegularExpression::escape(name)),
        QRegularExpression::CaseInsensitiveOption);
    bool found = false;
    const QStringList files = dir.entryList(QDir::Files, QDir::Name);
    for (const QString& file : files) {
        if (!re.match(file).hasMatch()) continue;
        icon.addFile(dir.filePath(file));
        found = true;
    }
    return found;
}
} // namespace

QIcon LoadFormIcon(const QString& iconName) {
    if (iconName.isEmpty()) return QIcon();
    // Every window asks for the same few icons, and reading an icon decodes
    // all its files: each is read once per folder pair and then shared.
    // (Never destroyed: pictures must not outlive the application object.)
    static auto* const cache = new QHash<QString, QIcon>;
    const QString programIcons = core::ProgramFolder() + QLatin1String("/icons");
    const QString installIcons = core::InstallFolder() + QLatin1String("/icons");
    const QString key = programIcons + QChar(u'\n') + installIcons + QChar(u'\n') + iconName;
    const auto cached = cache->constFind(key);
    if (cached != cache->constEnd()) return *cached;
    QIcon icon;
    if (!addGroupFiles(icon, programIcons, iconName)) addGroupFiles(icon, installIcons, iconName);
    // A name with no files is looked up again next time (its files may arrive).
    if (!icon.isNull()) cache->insert(key, icon);
    return icon;
}

} // namespace dialogs
