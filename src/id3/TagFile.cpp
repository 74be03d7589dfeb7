#include "id3/TagFile.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace id3 {

namespace {
int OpenWith(const QString& path, int flags) {
    if (path.isEmpty()) {
        errno = ENOENT;
        return -1;
    }
    const QByteArray name = QFile::encodeName(path);
    int fd;
    do
        fd = ::open(name.constData(), flags | O_CLOEXEC);
    while (fd < 0 && errno == EINTR);
    if (fd >= 0) {
        struct stat st {};
        if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
            ::close(fd);
            errno = EISDIR;
            return -1;
        }
    }
    return fd;
}
} // namespace

bool TagFile::OpenRead(const QString& path) {
    Close();
    m_fd = OpenWith(path, O_RDONLY);
    return m_fd >= 0;
}

bool TagFile::OpenReadWrite(const QString& path) {
    Close();
    m_fd = OpenWith(path, O_RDWR);
    return m_fd >= 0;
}

void TagFile::Close() {
    if (m_fd >= 0) {
        const int saved = errno;
        ::close(m_fd);
        errno = saved;
        m_fd = -1;
    }
}

qint64 TagFile::Size() const {
    struct stat st {};
    if (::fstat(m_fd, &st) != 0) return -1;
    return st.st_size;
}

bool TagFile::ReadAt(qint64 offset, qint64 count, QByteArray& out) const {
    out.clear();
    if (count <= 0) return true;
    out.resize(count);
    qint64 done = 0;
    while (done < count) {
        const ssize_t n = ::pread(m_fd, out.data() + done, size_t(count - done), off_t(offset + done));
        if (n < 0) {
            if (errno == EINTR) continue;
            out.clear();
            return false;
        }
        if (n == 0) break;
        done += n;
    }
    out.resize(done);
    return true;
}

bool TagFile::WriteAt(qint64 offset, const char* data, qint64 count) const {
    qint64 done = 0;
    while (done < count) {
        const ssize_t n = ::pwrite(m_fd, data + done, size_t(count - done), off_t(offset + done));
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) {
            errno = EIO;
            return false;
        }
        done += n;
    }
    return true;
}

bool TagFile::Sync() const {
    return ::fsync(m_fd) == 0;
}

} // namespace id3
