// Reading a data-disc image back the way another system would: its files
// extracted by xorriso's osirrox, through Rock Ridge or through Joliet only,
// and its volume name from the primary volume descriptor.
#pragma once

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

namespace testsupport {

// True when xorriso (package xorriso) is there.
inline bool haveXorriso() {
    return !QStandardPaths::findExecutable(QStringLiteral("xorriso")).isEmpty();
}

// Extracts every file of the image into `folder` (created); `jolietOnly`
// reads the Joliet names with Rock Ridge ignored. False when xorriso failed.
inline bool extractIso(const QString& iso, const QString& folder, bool jolietOnly = false) {
    QDir().mkpath(folder);
    QStringList args;
    if (jolietOnly)
        args << "-rockridge"
             << "off"
             << "-joliet"
             << "on";
    args << "-osirrox"
         << "on"
         << "-indev" << iso << "-extract"
         << "/" << folder;
    QProcess p;
    p.start(QStandardPaths::findExecutable(QStringLiteral("xorriso")), args);
    const bool ok = p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    // The image's permissions come along; the test's folder must stay removable.
    QProcess::execute(QStringLiteral("chmod"), {QStringLiteral("-R"), QStringLiteral("u+rwX"), folder});
    return ok;
}

// The names of the files in a folder, sorted.
inline QStringList fileNames(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
}

// The volume name in the image's primary volume descriptor, trailing blanks cut.
inline QString isoVolumeId(const QString& iso) {
    QFile f(iso);
    if (!f.open(QIODevice::ReadOnly) || !f.seek(16 * 2048 + 40)) return {};
    return QString::fromLatin1(f.read(32)).trimmed();
}

} // namespace testsupport
