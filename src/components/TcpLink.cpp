#include "components/TcpLink.h"

#include <QMetaObject>
#include <QPointer>
#include <QSocketNotifier>
#include <QUrl>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <system_error>
#include <thread>

#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace components {

namespace {

// The addresses of `host` for a TCP connection to `port`; false with the
// reason in *error when there are none. `flags` are getaddrinfo's.
bool Resolve(const QByteArray& host, quint16 port, int flags, std::vector<sockaddr_storage>* addresses,
             QString* error) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = flags | AI_NUMERICSERV;
    addrinfo* found = nullptr;
    const int code = ::getaddrinfo(host.constData(), QByteArray::number(port).constData(), &hints, &found);
    if (code != 0) {
        if (error)
            *error = code == EAI_NONAME || code == EAI_AGAIN || code == EAI_FAIL
                         ? QStringLiteral("Host not found")
                         : QString::fromLocal8Bit(::gai_strerror(code));
        return false;
    }
    for (const addrinfo* a = found; a; a = a->ai_next) {
        if ((a->ai_family != AF_INET && a->ai_family != AF_INET6) || a->ai_addrlen > sizeof(sockaddr_storage))
            continue;
        sockaddr_storage s{};
        std::memcpy(&s, a->ai_addr, a->ai_addrlen);
        addresses->push_back(s);
    }
    ::freeaddrinfo(found);
    if (addresses->empty() && error) *error = QStringLiteral("Host not found");
    return !addresses->empty();
}

QString ErrnoText(int code) {
    return QString::fromLocal8Bit(std::strerror(code));
}

// Takes a notifier out of service; it may be the one whose signal runs now,
// so it is deleted once control is back in the event loop.
void Retire(QSocketNotifier*& notifier) {
    if (!notifier) return;
    notifier->setEnabled(false);
    notifier->deleteLater();
    notifier = nullptr;
}

} // namespace

// A name lookup running on its own thread; `owner` is cleared (under the
// mutex) when the link no longer waits for it.
struct TcpLink::Lookup {
    std::mutex mutex;
    TcpLink* owner = nullptr;
};

TcpLink::TcpLink(QObject* parent) : QObject(parent) {}

TcpLink::~TcpLink() {
    Close();
}

void TcpLink::connectToHost(const QString& host, quint16 port) {
    Close();
    m_error.clear();
    m_state = State::Resolving;
    QByteArray name = QUrl::toAce(host);
    if (name.isEmpty()) name = host.toUtf8();
    const quint64 generation = m_generation;

    // A numeric address needs no lookup.
    std::vector<sockaddr_storage> addresses;
    if (Resolve(name, port, AI_NUMERICHOST, &addresses, nullptr)) {
        QMetaObject::invokeMethod(
            this,
            [this, generation, addresses] {
                if (generation == m_generation) Resolved(addresses, QString());
            },
            Qt::QueuedConnection);
        return;
    }

    auto lookup = std::make_shared<Lookup>();
    lookup->owner = this;
    m_lookup = lookup;
    try {
        std::thread([lookup, name, port] {
            std::vector<sockaddr_storage> found;
            QString error;
            Resolve(name, port, 0, &found, &error);
            const std::lock_guard<std::mutex> lock(lookup->mutex);
            TcpLink* owner = lookup->owner;
            if (!owner) return;
            // Posted while the owner cannot go away (it clears `owner` under
            // the mutex first); a posted call dies with its receiver.
            QMetaObject::invokeMethod(
                owner,
                [owner, lookup, found, error] {
                    if (owner->m_lookup != lookup) return;
                    owner->m_lookup.reset();
                    owner->Resolved(found, error);
                },
                Qt::QueuedConnection);
        }).detach();
    } catch (const std::system_error& e) {
        CancelLookup();
        const QString why = QString::fromLocal8Bit(e.what());
        QMetaObject::invokeMethod(
            this,
            [this, generation, why] {
                if (generation == m_generation) Fail(why);
            },
            Qt::QueuedConnection);
    }
}

void TcpLink::CancelLookup() {
    if (!m_lookup) return;
    {
        const std::lock_guard<std::mutex> lock(m_lookup->mutex);
        m_lookup->owner = nullptr;
    }
    m_lookup.reset();
}

void TcpLink::Resolved(std::vector<sockaddr_storage> addresses, const QString& error) {
    if (m_state != State::Resolving) return;
    if (addresses.empty()) {
        Fail(error.isEmpty() ? QStringLiteral("Host not found") : error);
        return;
    }
    m_addresses = std::move(addresses);
    m_lastErrno = ECONNREFUSED;
    ConnectNext();
}

void TcpLink::ConnectNext() {
    while (!m_addresses.empty()) {
        const sockaddr_storage address = m_addresses.front();
        m_addresses.erase(m_addresses.begin());
        const int fd = ::socket(address.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (fd < 0) {
            m_lastErrno = errno;
            continue;
        }
        const socklen_t size = address.ss_family == AF_INET6 ? sizeof(sockaddr_in6) : sizeof(sockaddr_in);
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), size) == 0 || errno == EINPROGRESS) {
            // Writable once the connection is made or has failed.
            m_fd = fd;
            m_state = State::Connecting;
            m_writeNotifier = new QSocketNotifier(fd, QSocketNotifier::Write, this);
            connect(m_writeNotifier, &QSocketNotifier::activated, this, [this] {
                if (m_state == State::Connecting)
                    ConnectDone();
                else
                    Flush();
            });
            return;
        }
        m_lastErrno = errno;
        ::close(fd);
    }
    Fail(ErrnoText(m_lastErrno));
}

void TcpLink::ConnectDone() {
    int error = 0;
    socklen_t size = sizeof error;
    if (::getsockopt(m_fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0) error = errno;
    if (error != 0) {
        // This address refused: the next one, if any.
        m_lastErrno = error;
        Retire(m_writeNotifier);
        ::close(m_fd);
        m_fd = -1;
        m_state = State::Resolving;
        ConnectNext();
        return;
    }
    m_state = State::Connected;
    m_writeNotifier->setEnabled(false);
    m_readNotifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
    connect(m_readNotifier, &QSocketNotifier::activated, this, &TcpLink::Readable);
    Flush();
    if (m_state == State::Connected) emit connected();
}

void TcpLink::write(const QByteArray& bytes) {
    if (m_state == State::Idle || m_state == State::Closing) return;
    m_out += bytes;
    if (m_state == State::Connected) Flush();
}

QByteArray TcpLink::readAll() {
    QByteArray bytes;
    bytes.swap(m_in);
    return bytes;
}

void TcpLink::Flush() {
    if (m_fd < 0) return;
    while (!m_out.isEmpty()) {
        const ssize_t n = ::send(m_fd, m_out.constData(), size_t(m_out.size()), MSG_NOSIGNAL);
        if (n > 0) {
            m_out.remove(0, n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            m_writeNotifier->setEnabled(true);
            return;
        } else {
            // The connection broke: reading finds out and says so.
            m_out.clear();
            break;
        }
    }
    m_writeNotifier->setEnabled(false);
    if (m_state == State::Closing) {
        Close();
        emit disconnected();
    }
}

void TcpLink::Readable() {
    bool ended = false;
    int error = 0;
    bool received = false;
    char buffer[16384];
    for (;;) {
        const ssize_t n = ::recv(m_fd, buffer, sizeof buffer, 0);
        if (n > 0) {
            m_in.append(buffer, n);
            received = true;
            continue;
        }
        if (n == 0) {
            ended = true;
        } else if (errno == EINTR) {
            continue;
        } else if (errno != EAGAIN && errno != EWOULDBLOCK) {
            error = errno;
        }
        break;
    }
    const quint64 generation = m_generation;
    const QPointer<TcpLink> self(this);
    if (received) {
        emit readyRead();
        // The receiver may have closed, reopened or deleted the link.
        if (!self || generation != m_generation) return;
    }
    if (ended || error == ECONNRESET || error == EPIPE) {
        Close();
        emit disconnected();
    } else if (error != 0) {
        Fail(ErrnoText(error));
    }
}

void TcpLink::disconnectFromHost() {
    if (m_state != State::Connected) {
        Close();
        return;
    }
    m_state = State::Closing;
    if (!m_out.isEmpty()) return; // Flush closes when it is done
    Close();
    const quint64 generation = m_generation;
    QMetaObject::invokeMethod(
        this,
        [this, generation] {
            if (generation == m_generation) emit disconnected();
        },
        Qt::QueuedConnection);
}

void TcpLink::abort() {
    Close();
}

void TcpLink::Fail(const QString& text) {
    Close();
    m_error = text;
    emit errorOccurred();
}

void TcpLink::Close() {
    CancelLookup();
    Retire(m_readNotifier);
    Retire(m_writeNotifier);
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
    m_state = State::Idle;
    m_addresses.clear();
    m_in.clear();
    m_out.clear();
    ++m_generation;
}

} // namespace components
