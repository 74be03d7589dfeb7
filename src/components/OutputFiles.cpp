#include "components/OutputFiles.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace components {

namespace {

QString errnoText(int error) {
    char buf[256] = {};
    return QString::fromLocal8Bit(strerror_r(error, buf, sizeof buf));
}

// ".", the name, ".part-" and six characters.
constexpr qsizetype kPartialExtraBytes = 1 + 6 + 6;

// The folder's own lock: creating a partial file and sweeping stale ones
// take it, so a sweep never meets a file whose writer has not locked it yet.
class FolderLock {
public:
    explicit FolderLock(const QString& folder) {
        m_fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (m_fd < 0) {
            m_error = errno;
            return;
        }
        m_locked = ::flock(m_fd, LOCK_EX) == 0;
    }
    ~FolderLock() {
        if (m_fd < 0) return;
        if (m_locked) ::flock(m_fd, LOCK_UN);
        ::close(m_fd);
    }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;
    int fd() const { return m_fd; }
    bool locked() const { return m_locked; }
    int error() const { return m_error; }

private:
    int m_fd = -1;
    bool m_locked = false;
    int m_error = 0;
};

// With the folder locked: a partial file whose writer still runs holds its
// own lock; one that can be locked has no writer left.
int sweepLocked(int dirFd) {
    const int listFd = ::dup(dirFd);
    if (listFd < 0) return 0;
    DIR* dir = ::fdopendir(listFd);
    if (!dir) {
        ::close(listFd);
        return 0;
    }
    int removed = 0;
    while (const dirent* entry = ::readdir(dir)) {
        if (entry->d_name[0] != '.' || !IsPartialFileName(QFile::decodeName(entry->d_name))) continue;
        const int fd = ::openat(dirFd, entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) continue;
        struct stat st {};
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
            ::unlinkat(dirFd, entry->d_name, 0) == 0)
            ++removed;
        ::close(fd);
    }
    ::closedir(dir);
    return removed;
}

QString randomSuffix() {
    static const char kChars[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QString s;
    for (int i = 0; i < 6; ++i)
        s += QLatin1Char(kChars[QRandomGenerator::global()->bounded(int(sizeof kChars - 1))]);
    return s;
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
    while (size > 0) {
        const qint64 n = device.write(data, size);
        if (n <= 0) return false;
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
    static const QRegularExpression re(QStringLiteral("^\\..+\\.part-[A-Za-z0-9]{6}$"),
                                       QRegularExpression::DotMatchesEverythingOption);
    return re.match(fileName).hasMatch();
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
    const FolderLock lock(folder);
    if (lock.fd() < 0) {
        m_error = errnoText(lock.error());
        return false;
    }
    if (lock.locked()) sweepLocked(lock.fd());
    const QString base = FitNameToBytes(name, kFileNameMaxBytes - kPartialExtraBytes, false);
    const QString prefix = folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString fileName = QLatin1Char('.') + base + QStringLiteral(".part-") + randomSuffix();
        // The mode the kernel lessens by the umask, as for any new file.
        const int fd = ::openat(lock.fd(), QFile::encodeName(fileName).constData(),
                                O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::flock(fd, LOCK_EX | LOCK_NB); // just made: nobody else holds it
            m_fd = fd;
            m_path = prefix + fileName;
            return true;
        }
        if (errno != EEXIST) {
            m_error = errnoText(errno);
            return false;
        }
    }
    m_error = errnoText(EEXIST);
    return false;
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

} // namespace components
