// The few file calls the tag classes make, over POSIX descriptors: whole
// reads and writes at an offset, with errno kept for the caller's error.
#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

namespace id3 {

class TagFile {
public:
    TagFile() = default;
    ~TagFile() { Close(); }
    TagFile(const TagFile&) = delete;
    TagFile& operator=(const TagFile&) = delete;

    // Opens an existing file; never creates one. False with errno set on failure.
    bool OpenRead(const QString& path);
    bool OpenReadWrite(const QString& path);
    void Close();
    int Fd() const { return m_fd; }

    // The file's length, -1 on failure.
    qint64 Size() const;
    // Up to `count` bytes from `offset`; fewer at the end of the file. False on a read failure.
    bool ReadAt(qint64 offset, qint64 count, QByteArray& out) const;
    // All bytes or false.
    bool WriteAt(qint64 offset, const char* data, qint64 count) const;
    bool WriteAt(qint64 offset, const QByteArray& data) const {
        return WriteAt(offset, data.constData(), data.size());
    }
    bool Sync() const;

private:
    int m_fd = -1;
};

} // namespace id3
