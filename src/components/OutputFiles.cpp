#include "components/OutputFiles.h"

#include "id3/PartialFiles.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace components {

namespace {

QString errnoText(int error) {
    char buf[256] = {};
    return QString::fromLocal8Bit(strerror_r(error, buf, sizeof buf));
}

} // namespace

QString FitNameToBytes(const QString& name, qsizetype maxBytes, bool keepExtension) {
    // Three bytes per UTF-16 unit at most: short names need no count.
    if (name.size() * 3 <= maxBytes) return name;
    QStringView base = name;
    QString ext;
    if (keepExtension) {
        const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
        if (dot > 0 && name.size() - dot <= 16) {
            ext = name.mid(dot);
            base = base.left(dot);
        }
    }
    qsizetype room = maxBytes - ext.toUtf8().size();
    if (room <= 0) {
        ext.clear();
        base = name;
        room = maxBytes;
    }
    qsizetype bytes = 0;
    qsizetype i = 0;
    while (i < base.size()) {
        const char16_t c = base[i].unicode();
        qsizetype units = 1;
        qsizetype width = 3;
        if (c < 0x80)
            width = 1;
        else if (c < 0x800)
            width = 2;
        else if (QChar::isHighSurrogate(c) && i + 1 < base.size() &&
                 QChar::isLowSurrogate(base[i + 1].unicode())) {
            width = 4;
            units = 2;
        }
        if (bytes + width > room) break;
        bytes += width;
        i += units;
    }
    if (i == base.size()) return name;
    return base.left(i).toString() + ext;
}

bool WriteAll(QIODevice& device, const char* data, qint64 size) {
    bool retried = false;
    while (size > 0) {
        const qint64 n = device.write(data, size);
        if (n <= 0) {
            // A file's buffer that the disk took only part of fails the write
            // without a reason; writing the rest of the buffer again either
            // goes through or gives the system's reason ("No space left on
            // device") to errorString().
            auto* file = qobject_cast<QFileDevice*>(&device);
            if (!file || retried || !file->flush()) return false;
            retried = true;
            continue;
        }
        retried = false;
        data += n;
        size -= n;
    }
    return true;
}

bool SameFile(const QString& a, const QString& b) {
    if (QFileInfo(a).absoluteFilePath() == QFileInfo(b).absoluteFilePath()) return true;
    struct stat sa {
    }, sb{};
    if (::stat(QFile::encodeName(a).constData(), &sa) != 0 ||
        ::stat(QFile::encodeName(b).constData(), &sb) != 0)
        return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

unsigned NewFileMode() {
    // Read, not set: umask() itself changes the mask for every thread.
    unsigned mask = 022;
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : status.readAll().split('\n')) {
            if (!line.startsWith("Umask:")) continue;
            bool ok = false;
            const unsigned value = line.mid(6).trimmed().toUInt(&ok, 8);
            if (ok) mask = value;
            break;
        }
    }
    return 0666 & ~mask;
}

bool IsPartialFileName(const QString& fileName) {
    return id3::IsPartialFileName(fileName);
}

int SweepPartialFiles(const QString& folder) {
    return id3::SweepPartialFiles(folder);
}

PartialFile::~PartialFile() {
    Discard();
}

void PartialFile::close() {
    if (m_fd >= 0) ::close(m_fd); // releases the lock
    m_fd = -1;
}

bool PartialFile::Create(const QString& folder, const QString& name) {
    Discard();
    m_error.clear();
    int error = 0;
    const int fd = id3::CreatePartialFile(folder, name, &m_path, &error);
    if (fd < 0) {
        m_path.clear();
        m_error = errnoText(error);
        return false;
    }
    m_fd = fd;
    return true;
}

bool PartialFile::Commit(const QString& destination, bool replace) {
    if (m_path.isEmpty()) {
        m_error = errnoText(EBADF);
        return false;
    }
    const QByteArray from = QFile::encodeName(m_path);
    const QByteArray to = QFile::encodeName(destination);
    int rc = 0;
    if (replace) {
        rc = ::rename(from.constData(), to.constData());
    } else {
        rc = ::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE);
        // File systems without that flag: a link never replaces a file either.
        if (rc != 0 && (errno == EINVAL || errno == ENOSYS)) {
            rc = ::link(from.constData(), to.constData());
            if (rc == 0) ::unlink(from.constData());
        }
    }
    if (rc != 0) {
        m_error = errnoText(errno);
        Discard();
        return false;
    }
    m_path.clear();
    close();
    return true;
}

void PartialFile::Discard() {
    // Removed while still locked, so no sweep takes it for a stale one first.
    if (!m_path.isEmpty()) ::unlink(QFile::encodeName(m_path).constData());
    m_path.clear();
    close();
}

TempFolder::~TempFolder() {
    // Emptied while still locked, so no sweep takes it for a stale one first.
    if (!m_path.isEmpty()) id3::RemoveTempFolder(m_path);
    if (m_fd >= 0) ::close(m_fd);
}

bool TempFolder::Create(const QString& parent, const QString& prefix) {
    int error = 0;
    m_fd = id3::CreateTempFolder(parent, prefix, &m_path, &error);
    if (m_fd >= 0) return true;
    m_path.clear();
    m_error = errnoText(error);
    return false;
}

} // namespace components
