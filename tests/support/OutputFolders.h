// What a write leaves in a folder, for the tests of partial files and of
// their sweeping: every entry (hidden ones, folders and links too), a file's
// permission bits, and a one-byte file standing for a leftover.
#pragma once

#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QtTest>

#include <sys/stat.h>

namespace testsupport {

inline QStringList FilesIn(const QString& dir) {
    QStringList names =
        QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    names.sort();
    return names;
}

inline void Touch(const QString& path) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("x");
}

inline mode_t ModeOf(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) return 0;
    return st.st_mode & 0777;
}

} // namespace testsupport
