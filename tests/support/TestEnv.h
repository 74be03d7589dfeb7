// A private world for one test: every folder the program writes to points
// into one temporary folder, power-off is disabled and scripted services are
// installed. Create one before anything reads a path or the registry.
#pragma once

#include <QByteArray>

#include "ScriptedServices.h"

#include <QTemporaryDir>

namespace testsupport {

class TestEnv {
public:
    // `seedRegistry` plays the installer's part: the settings keys (without the
    // seed's initial values) and the assets.
    explicit TestEnv(bool seedRegistry = true);
    ~TestEnv();

    QString root() const { return m_dir.path(); }
    QString home() const;       // CORVANE_HOME (the program folder)
    QString registry() const;   // CORVANE_REGISTRY
    QString drivesRoot() const; // parent of the virtual drive folders
    // Creates a virtual drive folder and adds it to CORVANE_VIRTUAL_DRIVES.
    QString addVirtualDrive(const QString& name);
    // A path inside the temporary folder (the folder is created).
    QString path(const QString& relative) const;

    ScriptedServices& services() { return *m_services; }

private:
    QTemporaryDir m_dir;
    ScriptedServices* m_services = nullptr;
    QStringList m_drives;
};

// The bytes of a file; empty when it cannot be read.
QByteArray fileBytes(const QString& path);
// Writes `bytes` as the whole file; false when it could not be written in full.
bool writeFileBytes(const QString& path, const QByteArray& bytes);
// Runs the pending deleteLater()s (windows that unload themselves on close).
void processDeletes();
// The names in a folder, files and folders, hidden ones too, by name.
QStringList folderEntries(const QString& folder);
// Every file below a folder, sub-folders and hidden ones included, as paths
// relative to it, sorted.
QStringList filesBelow(const QString& folder);

} // namespace testsupport
