#include "id3/PartialFiles.h"

#include <QFile>
#include <QList>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace id3 {

namespace {

// The longest file name, in bytes, most Linux file systems take, and what a
// partial name adds to the name: ".", ".part-" and six characters.
constexpr qsizetype kNameMaxBytes = 255;
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

QByteArray randomSuffix() {
    static const char kChars[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QByteArray s;
    for (int i = 0; i < 6; ++i)
        s += kChars[QRandomGenerator::global()->bounded(int(sizeof kChars - 1))];
    return s;
}

// The name's bytes cut to at most maxBytes, never inside a character.
QByteArray cutName(const QString& name, qsizetype maxBytes) {
    QByteArray bytes = QFile::encodeName(name);
    if (bytes.size() <= maxBytes) return bytes;
    qsizetype end = maxBytes;
    while (end > 0 && (quint8(bytes.at(end)) & 0xC0) == 0x80)
        --end;
    bytes.truncate(end);
    return bytes;
}

// Empties the folder the descriptor opens (links go as links; a folder
// inside it stays, and so does the folder then) and closes the descriptor.
bool emptyFolder(int fd) {
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        ::close(fd);
        return false;
    }
    bool all = true;
    while (const dirent* entry = ::readdir(dir)) {
        if (qstrcmp(entry->d_name, ".") == 0 || qstrcmp(entry->d_name, "..") == 0) continue;
        if (::unlinkat(fd, entry->d_name, 0) != 0) all = false;
    }
    ::closedir(dir); // closes fd
    return all;
}

bool isTempFolderName(const QByteArray& name, const QByteArray& prefix) {
    if (name.size() != prefix.size() + 6 || !name.startsWith(prefix)) return false;
    for (qsizetype i = prefix.size(); i < name.size(); ++i) {
        const char c = name.at(i);
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) return false;
    }
    return true;
}

int sweepFoldersLocked(int parentFd, const QByteArray& prefix) {
    const int listFd = ::dup(parentFd);
    if (listFd < 0) return 0;
    DIR* dir = ::fdopendir(listFd);
    if (!dir) {
        ::close(listFd);
        return 0;
    }
    QList<QByteArray> names;
    while (const dirent* entry = ::readdir(dir))
        if (isTempFolderName(entry->d_name, prefix)) names << QByteArray(entry->d_name);
    ::closedir(dir);
    int removed = 0;
    for (const QByteArray& name : names) {
        // O_NOFOLLOW: a link named like one of ours is not opened, so nothing it leads to goes.
        const int fd = ::openat(parentFd, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0) continue;
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            ::close(fd); // a running burn's
            continue;
        }
        if (emptyFolder(fd) && ::unlinkat(parentFd, name.constData(), AT_REMOVEDIR) == 0) ++removed;
    }
    return removed;
}

} // namespace

bool IsPartialFileName(const QString& fileName) {
    static const QRegularExpression re(QStringLiteral("^\\..+\\.part-[A-Za-z0-9]{6}$"),
                                       QRegularExpression::DotMatchesEverythingOption);
    return re.match(fileName).hasMatch();
}

int SweepPartialFiles(const QString& folder) {
    const FolderLock lock(folder);
    return lock.locked() ? sweepLocked(lock.fd()) : 0;
}

int CreatePartialFile(const QString& folder, const QString& name, QString* path, int* error) {
    const FolderLock lock(folder);
    if (lock.fd() < 0) {
        *error = lock.error();
        return -1;
    }
    if (lock.locked()) sweepLocked(lock.fd());
    const QByteArray base = cutName(name, kNameMaxBytes - kPartialExtraBytes);
    const QString prefix = folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QByteArray fileName = '.' + base + ".part-" + randomSuffix();
        // The mode the kernel lessens by the umask, as for any new file.
        const int fd = ::openat(lock.fd(), fileName.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::flock(fd, LOCK_EX | LOCK_NB); // just made: nobody else holds it
            *path = prefix + QFile::decodeName(fileName);
            return fd;
        }
        if (errno != EEXIST) {
            *error = errno;
            return -1;
        }
    }
    *error = EEXIST;
    return -1;
}

int CreateTempFolder(const QString& parent, const QString& prefix, QString* path, int* error) {
    const FolderLock lock(parent);
    if (lock.fd() < 0) {
        *error = lock.error();
        return -1;
    }
    const QByteArray pre = QFile::encodeName(prefix);
    if (lock.locked()) sweepFoldersLocked(lock.fd(), pre);
    const QString start = parent.endsWith(QLatin1Char('/')) ? parent : parent + QLatin1Char('/');
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QByteArray name = pre + randomSuffix();
        if (::mkdirat(lock.fd(), name.constData(), 0700) != 0) {
            if (errno == EEXIST) continue;
            *error = errno;
            return -1;
        }
        const int fd = ::openat(lock.fd(), name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0) {
            *error = errno;
            ::unlinkat(lock.fd(), name.constData(), AT_REMOVEDIR);
            return -1;
        }
        ::flock(fd, LOCK_EX | LOCK_NB); // just made: nobody else holds it
        *path = start + QFile::decodeName(name);
        return fd;
    }
    *error = EEXIST;
    return -1;
}

int SweepTempFolders(const QString& parent, const QString& prefix) {
    const FolderLock lock(parent);
    return lock.locked() ? sweepFoldersLocked(lock.fd(), QFile::encodeName(prefix)) : 0;
}

bool RemoveTempFolder(const QString& path) {
    const QByteArray p = QFile::encodeName(path);
    const int fd = ::open(p.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return false;
    return emptyFolder(fd) && ::rmdir(p.constData()) == 0;
}

} // namespace id3
