#include "core/AppPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

namespace core {

namespace {
QString envPath(const char* name) {
    return QDir::cleanPath(qEnvironmentVariable(name));
}
} // namespace

QString ConfigHome() {
    if (qEnvironmentVariableIsSet("XDG_CONFIG_HOME") && !qEnvironmentVariableIsEmpty("XDG_CONFIG_HOME"))
        return envPath("XDG_CONFIG_HOME");
    return QDir::homePath() + "/.config";
}

QString ProgramFolder() {
    QString folder;
    if (!qEnvironmentVariableIsEmpty("CORVANE_HOME"))
        folder = envPath("CORVANE_HOME");
    else if (!qEnvironmentVariableIsEmpty("XDG_DATA_HOME"))
        folder = envPath("XDG_DATA_HOME") + "/corvane";
    else
        folder = QDir::homePath() + "/.local/share/corvane";
    QDir().mkpath(folder);
    return folder;
}

QString InstallFolder() {
    if (!qEnvironmentVariableIsEmpty("CORVANE_INSTALL_DIR")) return envPath("CORVANE_INSTALL_DIR");
    return QDir::cleanPath(QCoreApplication::applicationDirPath() + "/../share/corvane");
}

QString RegistryFile() {
    if (!qEnvironmentVariableIsEmpty("CORVANE_REGISTRY")) return envPath("CORVANE_REGISTRY");
    return ConfigHome() + "/corvane/registry.db";
}

} // namespace core
