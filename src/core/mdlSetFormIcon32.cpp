#include "core/mdlSetFormIcon32.h"

#include "core/AppPaths.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace core {

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
    QIcon icon;
    if (iconName.isEmpty()) return icon;
    if (!addGroupFiles(icon, ProgramFolder() + QLatin1String("/icons"), iconName))
        addGroupFiles(icon, InstallFolder() + QLatin1String("/icons"), iconName);
    return icon;
}

} // namespace core
