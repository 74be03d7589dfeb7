#include "tools/AddSavedFile.h"

#include "core/Services.h"
#include "core/mdlModes.h"

#include <QFileInfo>

namespace tools {

bool AddSavedFile(QWidget* owner, const QString& path, const std::function<void(QStringList&)>& addFiles) {
    const QFileInfo file(path);
    if (path.isEmpty() || !file.isFile()) {
        core::services().msgBox(owner, QStringLiteral("The file:") + path + QStringLiteral(" was not found."),
                                core::vbInformation, core::AppTitle());
        return false;
    }
    if (file.size() <= 64) {
        core::services().msgBox(owner, QStringLiteral("The file:") + path + QStringLiteral(" is empty."),
                                core::vbInformation, core::AppTitle());
        return false;
    }
    QStringList files{path};
    if (addFiles) addFiles(files);
    return true;
}

} // namespace tools
