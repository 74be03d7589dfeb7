// Fixtures of the tag tests: a small untagged MP3 made once by ffmpeg, hand
// built ID3v2 tags, and mutagen (the tag library of Python) as the outside
// reader and writer the results are checked against.
#pragma once

#include <QByteArray>
#include <QCryptographicHash>
#include <QFile>
#include <QJsonDocument>
#include <QProcess>
#include <QString>
#include <QStringList>

#include "MediaTools.h"
#include "TestEnv.h"
#include "id3/TagError.h"

#include <sys/resource.h>

#include <csignal>
#include <functional>

namespace tagtests {

inline QByteArray ReadAll(const QString& path) {
    return testsupport::fileBytes(path);
}

inline bool WriteAll(const QString& path, const QByteArray& bytes) {
    return testsupport::writeFileBytes(path, bytes);
}

// The error a call raises, or number 0 when it raises none.
inline id3::TagError Raised(const std::function<void()>& call) {
    try {
        call();
    } catch (const id3::TagError& e) {
        return e;
    }
    return id3::TagError(0, QString(), QString());
}

// Raised() with the file size limit lowered to `maxFileBytes`, as a full disk
// would stop a write; SIGXFSZ is ignored so that the write fails with EFBIG.
inline id3::TagError RaisedWithFileSizeLimit(rlim_t maxFileBytes, const std::function<void()>& call) {
    rlimit old{};
    ::getrlimit(RLIMIT_FSIZE, &old);
    rlimit limit = old;
    limit.rlim_cur = maxFileBytes;
    const auto previous = ::signal(SIGXFSZ, SIG_IGN);
    ::setrlimit(RLIMIT_FSIZE, &limit);
    const id3::TagError e = Raised(call);
    ::setrlimit(RLIMIT_FSIZE, &old);
    ::signal(SIGXFSZ, previous);
    return e;
}

inline QByteArray Sha1(const QByteArray& bytes) {
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex();
}

// A 1-second MP3 without any tag.
inline bool MakeUntaggedMp3(const QString& path) {
    return testsupport::runFfmpeg(QStringList{
        "-f", "lavfi", "-i", "sine=frequency=440:duration=1", "-ac", "1", "-c:a", "libmp3lame", "-b:a", "64k",
        "-map_metadata", "-1", "-id3v2_version", "0", "-write_id3v1", "0", "-write_xing", "0", path});
}

inline QByteArray SyncSafe(quint32 v) {
    QByteArray b(4, '\0');
    for (int i = 3; i >= 0; --i, v >>= 7)
        b[i] = char(v & 0x7f);
    return b;
}

inline QByteArray BE32(quint32 v) {
    QByteArray b(4, '\0');
    for (int i = 3; i >= 0; --i, v >>= 8)
        b[i] = char(v & 0xff);
    return b;
}

// A v2.3 frame (or v2.4 with synchsafe size).
inline QByteArray Frame(const char* id, const QByteArray& body, int version = 3, quint16 flags = 0) {
    return QByteArray(id) + (version == 4 ? SyncSafe(quint32(body.size())) : BE32(quint32(body.size()))) +
           char(flags >> 8) + char(flags & 0xff) + body;
}

// A tag header and the frames, with `padding` zero bytes after them.
inline QByteArray Tag(int version, const QByteArray& frames, int padding = 0, quint8 flags = 0) {
    return QByteArray("ID3") + char(version) + '\0' + char(flags) +
           SyncSafe(quint32(frames.size() + padding)) + frames + QByteArray(padding, '\0');
}

inline QString Python() {
    return QFile::exists("/usr/bin/python3") ? QStringLiteral("/usr/bin/python3") : QStringLiteral("python3");
}

// Runs a Python script with mutagen; its standard output, or a null array on failure (stderr in `error`).
inline QByteArray RunPython(const QString& script, const QStringList& args, QString* error = nullptr) {
    QProcess p;
    p.start(Python(), QStringList{"-c", script} + args);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        if (error) *error = QString::fromUtf8(p.readAllStandardError());
        return QByteArray();
    }
    QByteArray out = p.readAllStandardOutput();
    if (out.isNull()) out = QByteArray("");
    return out;
}

} // namespace tagtests

// The value of a test data column, usable inside an expression.
#define FETCHED(Type, name) (*static_cast<Type*>(QTest::qData(#name, ::qMetaTypeId<Type>())))
