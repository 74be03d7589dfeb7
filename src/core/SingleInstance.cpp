#include "core/SingleInstance.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QPointer>
#include <QSocketNotifier>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace core {

namespace {
// A handed-over command line ends with a line break; the running copy
// answers with one byte once it has taken it.
constexpr char kAck = '!';
// No command line comes near this; a peer that sends more is dropped.
constexpr qsizetype kMaxLineBytes = 16 * 1024 * 1024;

// The user's runtime folder when it is really private: a folder (not a link)
// of this user that nobody else may enter, so nobody else can have made a
// socket in it. Empty otherwise.
QString PrivateRuntimeFolder() {
    const QByteArray dir = qgetenv("XDG_RUNTIME_DIR");
    if (!dir.startsWith('/')) return {};
    struct stat st {};
    if (::lstat(dir.constData(), &st) != 0) return {};
    if (!S_ISDIR(st.st_mode) || st.st_uid != ::geteuid() || (st.st_mode & 0777) != 0700) return {};
    return QDir::cleanPath(QFile::decodeName(dir));
}

// A short folder of this user's own, for a socket whose usual path is too
// long for a socket address.
QString ShortPrivateFolder() {
    return QStringLiteral("/tmp/corvane-%1").arg(::geteuid());
}
// Makes it private if missing; false when it is a link, not a folder, or
// somebody else's.
bool MakeShortPrivateFolder() {
    const QByteArray dir = QFile::encodeName(ShortPrivateFolder());
    if (::mkdir(dir.constData(), 0700) != 0 && errno != EEXIST) return false;
    struct stat st {};
    if (::lstat(dir.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid()) return false;
    return (st.st_mode & 0077) == 0 || ::chmod(dir.constData(), 0700) == 0;
}

// True when the process at the other end of the local socket runs as this
// user. The command line names the user's files, and a hand-over makes this
// start end: neither goes to, or comes from, somebody else.
bool PeerIsThisUser(int descriptor) {
    if (descriptor < 0) return false;
    ucred peer{};
    socklen_t size = sizeof peer;
    if (::getsockopt(descriptor, SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0 || size != sizeof peer)
        return false;
    return peer.uid == ::geteuid();
}

// The socket address of `path`; false when the path is too long for one.
bool SocketAddress(const QByteArray& path, sockaddr_un* address) {
    *address = sockaddr_un{};
    address->sun_family = AF_UNIX;
    if (path.isEmpty() || size_t(path.size()) >= sizeof address->sun_path) return false;
    std::memcpy(address->sun_path, path.constData(), size_t(path.size()));
    return true;
}

// Waits until `fd` is ready for `events` or the deadline passes.
bool WaitFor(int fd, short events, const QDeadlineTimer& deadline) {
    for (;;) {
        pollfd p{fd, events, 0};
        const int n = ::poll(&p, 1, int(qMin<qint64>(deadline.remainingTime(), 1 << 30)));
        if (n > 0) return true;
        if (n == 0) return false;
        if (errno != EINTR) return false;
    }
}

// Two copies starting at the same moment: the lock lets one of them become
// the running copy before the other looks. An exclusive flock on a file in
// the program folder, which the system releases should its holder die; the
// file is removed when the lock is given up.
class StartLock {
public:
    StartLock(const QString& path, int waitMs) : m_path(QFile::encodeName(path)) {
        const QDeadlineTimer deadline(waitMs);
        for (;;) {
            const int fd = ::open(m_path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
            if (fd < 0) return;
            if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
                // The copy that held it before may have removed the file in
                // the meantime: only the file under the name counts.
                struct stat held {
                }, named{};
                if (::fstat(fd, &held) == 0 && ::stat(m_path.constData(), &named) == 0 &&
                    held.st_dev == named.st_dev && held.st_ino == named.st_ino) {
                    m_fd = fd;
                    return;
                }
                ::close(fd);
                continue;
            }
            const int error = errno;
            ::close(fd);
            if ((error != EWOULDBLOCK && error != EINTR) || deadline.hasExpired()) return;
            ::usleep(2000);
        }
    }
    ~StartLock() {
        if (m_fd < 0) return;
        ::unlink(m_path.constData());
        ::close(m_fd);
    }
    StartLock(const StartLock&) = delete;
    StartLock& operator=(const StartLock&) = delete;

private:
    QByteArray m_path;
    int m_fd = -1;
};
} // namespace

SingleInstance::SingleInstance(const QString& programFolder, QObject* parent)
    : QObject(parent), m_folder(programFolder), m_name(ServerName(programFolder)) {}

SingleInstance::~SingleInstance() {
    StopListening();
    if (m_running >= 0) ::close(m_running);
}

QString SingleInstance::ServerName(const QString& programFolder) {
    const QString canonical = QDir(programFolder).absolutePath();
    const QString runtime = PrivateRuntimeFolder();
    // Without a private runtime folder the program folder serves, which
    // belongs to one program folder already.
    const QString hash = QString::fromLatin1(
        QCryptographicHash::hash(canonical.toUtf8(), QCryptographicHash::Sha1).toHex().left(16));
    const QString name = runtime.isEmpty() ? QDir(canonical).filePath(QStringLiteral(".instance.socket"))
                                           : runtime + QStringLiteral("/corvane-") + hash;
    sockaddr_un address;
    if (SocketAddress(QFile::encodeName(name), &address)) return name;
    return ShortPrivateFolder() + QLatin1Char('/') + hash;
}

bool SingleInstance::IsListening() const {
    return m_server >= 0;
}

bool SingleInstance::RunningCopyDidNotAnswer() const {
    return m_didNotAnswer;
}

bool SingleInstance::HandOverOrListen(const QString& commandLine, int waitMs) {
    if (IsListening() || m_running >= 0) return false;
    m_didNotAnswer = false;
    QDir().mkpath(m_folder);
    const QDir folder(m_folder);
    const StartLock lock(folder.filePath(QStringLiteral(".instance.lock")), waitMs);
    // The running copy holds this lock for its whole life, so a later start
    // knows it runs even when the two disagree on where the socket is.
    const int running =
        ::open(QFile::encodeName(folder.filePath(QStringLiteral(".instance.running"))).constData(),
               O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (running >= 0 && ::flock(running, LOCK_EX | LOCK_NB) == 0) {
        // A copy of an earlier version holds no such lock: it is found at its socket.
        if (HandOver(m_name, commandLine, waitMs)) {
            ::close(running);
            return true;
        }
        m_running = running;
        Listen();
        return false;
    }
    const bool copyRuns = running >= 0 && errno == EWOULDBLOCK;
    if (running >= 0) ::close(running);
    const QString recorded = RecordedAddress();
    if (!recorded.isEmpty() && HandOver(recorded, commandLine, waitMs)) return true;
    if (recorded != m_name && HandOver(m_name, commandLine, waitMs)) return true;
    if (copyRuns) {
        // Running as a second copy would have the two overwrite each other's lists.
        m_didNotAnswer = true;
        return true;
    }
    // The lock could not be had at all (a folder this user may not write):
    // the socket alone decides.
    Listen();
    return false;
}

// Where the running copy said its socket is; empty when it said nothing usable.
QString SingleInstance::RecordedAddress() const {
    QFile note(QDir(m_folder).filePath(QStringLiteral(".instance.address")));
    if (!note.open(QIODevice::ReadOnly)) return {};
    const QString path = QString::fromUtf8(note.read(4096)).trimmed();
    return path.startsWith(QLatin1Char('/')) ? path : QString();
}

bool SingleInstance::HandOver(const QString& socketPath, const QString& commandLine, int waitMs) {
    sockaddr_un address;
    if (!SocketAddress(QFile::encodeName(socketPath), &address)) return false;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return false;
    const QDeadlineTimer deadline(waitMs);
    bool connected = false;
    for (;;) {
        if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
            connected = true;
            break;
        }
        // A full backlog: the running copy is busy; try again until the wait is over.
        if (errno == EINTR || ((errno == EAGAIN || errno == EINPROGRESS) && !deadline.hasExpired())) {
            ::usleep(2000);
            continue;
        }
        break;
    }
    // Nobody listens: no copy runs (a socket file left by a crash refuses).
    // Somebody else listens there: not a copy of ours; this start runs.
    if (!connected || !PeerIsThisUser(fd)) {
        ::close(fd);
        return false;
    }
    // A copy runs: this start ends even when that copy is too busy starting
    // up to answer in time, rather than run as a second copy.
    const QByteArray line = commandLine.toUtf8() + '\n';
    qsizetype sent = 0;
    while (sent < line.size()) {
        const ssize_t n = ::send(fd, line.constData() + sent, size_t(line.size() - sent), MSG_NOSIGNAL);
        if (n > 0) {
            sent += n;
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && errno == EAGAIN && WaitFor(fd, POLLOUT, deadline)) {
            continue;
        } else {
            break;
        }
    }
    if (sent == line.size() && WaitFor(fd, POLLIN, deadline)) {
        char ack = 0;
        (void)::recv(fd, &ack, 1, 0);
    }
    ::close(fd);
    return true;
}

bool SingleInstance::Listen() {
    if (IsListening()) return true;
    const QString note = QDir(m_folder).filePath(QStringLiteral(".instance.address"));
    // Should this copy not listen, later starts must not be sent to where an
    // earlier copy did.
    auto failed = [&] {
        QFile::remove(note);
        return false;
    };
    const QByteArray path = QFile::encodeName(m_name);
    sockaddr_un address;
    if (!SocketAddress(path, &address)) return failed();
    if (m_name.startsWith(ShortPrivateFolder() + QLatin1Char('/')) && !MakeShortPrivateFolder())
        return failed();
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return failed();
    auto bindTo = [&] { return ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0; };
    bool bound = bindTo();
    if (!bound && errno == EADDRINUSE) {
        // A socket left behind by a copy that crashed (nobody answered on
        // it), or somebody else's: this copy's socket takes the place.
        ::unlink(path.constData());
        bound = bindTo();
    }
    struct stat made {};
    // Only the user may connect (each side checks the other's user as well).
    if (!bound || ::chmod(path.constData(), S_IRWXU) != 0 || ::lstat(path.constData(), &made) != 0 ||
        ::listen(fd, 50) != 0) {
        if (bound) ::unlink(path.constData());
        ::close(fd);
        return failed();
    }
    m_server = fd;
    m_device = made.st_dev;
    m_inode = made.st_ino;
    m_serverNotifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(m_serverNotifier, &QSocketNotifier::activated, this, &SingleInstance::Accept);
    // Where this copy listens, for later starts whose environment names
    // another runtime folder: written whole under another name and renamed,
    // so that a reader never sees half of it; a note that says so already
    // stays as it is.
    if (RecordedAddress() != m_name) {
        const QByteArray line = path + '\n';
        const QByteArray partial = QFile::encodeName(note + QStringLiteral(".partial"));
        const int out = ::open(partial.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (out >= 0) {
            const bool whole = ::write(out, line.constData(), size_t(line.size())) == line.size();
            ::close(out);
            if (!whole || ::rename(partial.constData(), QFile::encodeName(note).constData()) != 0)
                ::unlink(partial.constData());
        }
    }
    return true;
}

void SingleInstance::StopListening() {
    for (auto& [fd, connection] : m_connections) {
        delete connection.notifier;
        ::close(fd);
    }
    m_connections.clear();
    if (m_server < 0) return;
    delete m_serverNotifier;
    m_serverNotifier = nullptr;
    ::close(m_server);
    m_server = -1;
    // The socket file goes with the copy, unless a later copy has put its own there.
    const QByteArray path = QFile::encodeName(m_name);
    struct stat now {};
    if (::lstat(path.constData(), &now) == 0 && now.st_dev == m_device && now.st_ino == m_inode)
        ::unlink(path.constData());
}

void SingleInstance::Accept() {
    for (;;) {
        const int fd = ::accept4(m_server, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) {
            if (errno == EINTR) continue;
            return;
        }
        // Only this user's later starts hand over.
        if (!PeerIsThisUser(fd)) {
            ::close(fd);
            continue;
        }
        Connection& connection = m_connections[fd];
        connection.notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
        connect(connection.notifier, &QSocketNotifier::activated, this, [this, fd] { ReadConnection(fd); });
        ReadConnection(fd); // what came with the connection
        if (m_server < 0) return;
    }
}

void SingleInstance::ReadConnection(int fd) {
    auto found = m_connections.find(fd);
    if (found == m_connections.end()) return;
    QByteArray& pending = found->second.pending;
    bool ended = false;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n > 0) {
            pending.append(buffer, n);
            if (pending.size() > kMaxLineBytes) {
                ended = true;
                break;
            }
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        ended = n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK);
        break;
    }
    QStringList lines;
    for (qsizetype eol; (eol = pending.indexOf('\n')) >= 0;) {
        lines << QString::fromUtf8(pending.left(eol));
        pending.remove(0, eol + 1);
        (void)::send(fd, &kAck, 1, MSG_NOSIGNAL);
    }
    if (ended) DropConnection(fd);
    // A receiver may run an event loop of its own, or end this object.
    const QPointer<SingleInstance> self(this);
    for (const QString& line : std::as_const(lines)) {
        emit CommandLineReceived(line);
        if (!self) return;
    }
}

void SingleInstance::DropConnection(int fd) {
    auto found = m_connections.find(fd);
    if (found == m_connections.end()) return;
    // It may be the notifier whose signal runs now: it goes once that is over.
    found->second.notifier->setEnabled(false);
    found->second.notifier->deleteLater();
    m_connections.erase(found);
    ::close(fd);
}

} // namespace core
