// Small files for the tests of copying and of text files: known random bytes,
// whole files written and read back, and what a folder holds.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QString>
#include <QStringList>
#include <QtTest>

namespace testsupport {

// --- Copying ---

inline QByteArray makeData(qint64 size) {
    QByteArray data(size, Qt::Uninitialized);
    QRandomGenerator gen(static_cast<quint32>(size) + 7);
    for (qint64 i = 0; i < size; ++i)
        data[i] = static_cast<char>(gen.bounded(256));
    return data;
}

inline void writeFile(const QString& path, const QByteArray& data) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(data), qint64(data.size()));
}

inline QByteArray readFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return QByteArray("<unreadable>");
    return file.readAll();
}

// Every file in the folder: a partial copy would show up here under some name.
inline QStringList filesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

// --- Text files ---

// The bytes of a path history holding these folders, first to last.
inline QByteArray historyBytes(const QStringList& lines) {
    QByteArray bytes;
    for (const QString& line : lines)
        bytes += line.toUtf8() + "\r\n";
    return bytes;
}

} // namespace testsupport
