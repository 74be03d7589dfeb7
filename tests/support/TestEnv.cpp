#include "TestEnv.h"
#include <QCoreApplication>
#include <QEvent>
#include <QFile>

#include "core/Installer.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

namespace testsupport {

TestEnv::TestEnv(bool seedRegistry) {
    m_dir.setAutoRemove(true);
    QDir(root()).mkpath("home");
    QDir(root()).mkpath("config");
    QDir(root()).mkpath("data");
    QDir(root()).mkpath("drives");
    qputenv("CORVANE_HOME", home().toUtf8());
    qputenv("CORVANE_REGISTRY", registry().toUtf8());
    qputenv("XDG_CONFIG_HOME", (root() + "/config").toUtf8());
    qputenv("XDG_DATA_HOME", (root() + "/data").toUtf8());
    qputenv("CORVANE_VIRTUAL_DRIVES", QByteArray());
    qputenv("CORVANE_NO_REAL_DRIVES", "1");
    qputenv("CORVANE_NO_POWEROFF", "1");
    m_services = &installScriptedServices();
    // The keys only: tests see the settings' own defaults for missing values.
    if (seedRegistry) core::InstallFromSeed(false);
}

TestEnv::~TestEnv() {
    core::setServices(nullptr);
}

QString TestEnv::home() const {
    return root() + "/home";
}
QString TestEnv::registry() const {
    return root() + "/config/registry.db";
}
QString TestEnv::drivesRoot() const {
    return root() + "/drives";
}

QString TestEnv::addVirtualDrive(const QString& name) {
    QString folder = drivesRoot() + "/" + name;
    QDir().mkpath(folder);
    m_drives.append(folder);
    qputenv("CORVANE_VIRTUAL_DRIVES", m_drives.join(':').toUtf8());
    return folder;
}

QString TestEnv::path(const QString& relative) const {
    QString p = root() + "/" + relative;
    QDir().mkpath(QFileInfo(p).path());
    return p;
}

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeFileBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

void processDeletes() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

QStringList folderEntries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

QStringList filesBelow(const QString& folder) {
    QStringList out;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        out << QDir(folder).relativeFilePath(it.next());
    out.sort();
    return out;
}

} // namespace testsupport
