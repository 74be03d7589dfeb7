#include "core/SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace core {

namespace {
// A handed-over command line ends with a line break; the running copy
// answers with one byte once it has taken it.
constexpr char kAck = '!';

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

// True when the process at the other end of the local socket runs as this
// user. The command line names the user's files, and a hand-over makes this
// start end: neither goes to, or comes from, somebody else.
bool PeerIsThisUser(qintptr descriptor) {
    if (descriptor < 0) return false;
    ucred peer{};
    socklen_t size = sizeof peer;
    if (::getsockopt(int(descriptor), SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0 || size != sizeof peer)
        return false;
    return peer.uid == ::geteuid();
}
} // namespace

SingleInstance::SingleInstance(const QString& programFolder, QObject* parent)
    : QObject(parent), m_folder(programFolder), m_name(ServerName(programFolder)) {}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::ServerName(const QString& programFolder) {
    const QString canonical = QDir(programFolder).absolutePath();
    const QString runtime = PrivateRuntimeFolder();
    // Without a private runtime folder the program folder serves, which
    // belongs to one program folder already.
    if (runtime.isEmpty()) return QDir(canonical).filePath(QStringLiteral(".instance.socket"));
    const QByteArray hash = QCryptographicHash::hash(canonical.toUtf8(), QCryptographicHash::Sha1).toHex();
    return runtime + QStringLiteral("/corvane-") + QString::fromLatin1(hash.left(16));
}

bool SingleInstance::IsListening() const {
    return m_server && m_server->isListening();
}

bool SingleInstance::HandOverOrListen(const QString& commandLine, int waitMs) {
    // Two copies starting at the same moment: the lock lets one of them
    // become the running copy before the other looks.
    QDir().mkpath(m_folder);
    QLockFile lock(QDir(m_folder).filePath(QStringLiteral(".instance.lock")));
    lock.setStaleLockTime(0);
    const bool locked = lock.tryLock(waitMs);
    if (HandOver(commandLine, waitMs)) return true;
    Listen();
    if (locked) lock.unlock();
    return false;
}

bool SingleInstance::HandOver(const QString& commandLine, int waitMs) {
    QLocalSocket socket;
    socket.connectToServer(m_name);
    // Nobody listens: no copy runs (a socket file left by a crash refuses).
    if (!socket.waitForConnected(waitMs)) return false;
    // Somebody else listens there: not a copy of ours; this start runs.
    if (!PeerIsThisUser(socket.socketDescriptor())) {
        socket.abort();
        return false;
    }
    // A copy runs: this start ends even when that copy is too busy starting
    // up to answer in time, rather than run as a second copy.
    socket.write(commandLine.toUtf8() + '\n');
    socket.waitForBytesWritten(waitMs);
    if (!socket.bytesAvailable()) socket.waitForReadyRead(waitMs);
    return true;
}

bool SingleInstance::Listen() {
    if (IsListening()) return true;
    if (!m_server) {
        m_server = new QLocalServer(this);
        m_server->setSocketOptions(QLocalServer::UserAccessOption);
        connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::ReadConnection);
    }
    if (m_server->listen(m_name)) return true;
    // A socket left behind by a copy that crashed (nobody answered on it), or
    // somebody else's: this copy's socket takes the place.
    QLocalServer::removeServer(m_name);
    return m_server->listen(m_name);
}

void SingleInstance::ReadConnection() {
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        // Only this user's later starts hand over.
        if (!PeerIsThisUser(socket->socketDescriptor())) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        auto take = [this, socket] {
            if (!socket->canReadLine()) return;
            QByteArray line = socket->readLine();
            if (line.endsWith('\n')) line.chop(1);
            socket->write(QByteArray(1, kAck));
            socket->flush();
            emit CommandLineReceived(QString::fromUtf8(line));
        };
        connect(socket, &QLocalSocket::readyRead, this, take);
        take(); // what came with the connection
    }
}

} // namespace core
