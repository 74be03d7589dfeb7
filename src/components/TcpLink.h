// A TCP connection for a line protocol, on a plain socket that the event loop
// of its thread watches: nothing in it blocks that thread. A host name is
// resolved on a short-lived thread of its own (the system's resolver can
// take seconds); a numeric address needs none. Every signal comes from the
// event loop, never from inside a call.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <memory>
#include <vector>

#include <sys/socket.h>

class QSocketNotifier;

namespace components {

class TcpLink : public QObject {
    Q_OBJECT
public:
    explicit TcpLink(QObject* parent = nullptr);
    // Closes the connection at once (as abort).
    ~TcpLink() override;

    // Resolves `host` and connects to the first of its addresses that takes
    // the connection: connected() or errorOccurred() follows.
    void connectToHost(const QString& host, quint16 port);
    // Sends `bytes` once connected, in order; what the system does not take
    // at once is sent as the socket becomes writable.
    void write(const QByteArray& bytes);
    // Everything received and not read yet.
    QByteArray readAll();
    // Closes once everything written has gone out; disconnected() follows.
    void disconnectFromHost();
    // Closes at once; no signal follows.
    void abort();
    // Why the connection failed (after errorOccurred).
    QString errorString() const { return m_error; }

signals:
    void connected();
    void readyRead();
    // The peer closed the connection, or disconnectFromHost has closed it.
    void disconnected();
    void errorOccurred();

private:
    struct Lookup;
    enum class State { Idle, Resolving, Connecting, Connected, Closing };

    void Resolved(std::vector<sockaddr_storage> addresses, const QString& error);
    void ConnectNext();
    void ConnectDone();
    void Readable();
    void Flush();
    void Fail(const QString& text);
    void Close();
    void CancelLookup();

    State m_state = State::Idle;
    quint64 m_generation = 0; // bumped by every close: calls queued before it are dropped
    int m_fd = -1;
    QSocketNotifier* m_readNotifier = nullptr;
    QSocketNotifier* m_writeNotifier = nullptr;
    std::shared_ptr<Lookup> m_lookup;
    std::vector<sockaddr_storage> m_addresses; // those not tried yet
    int m_lastErrno = 0;
    QByteArray m_in, m_out;
    QString m_error;
};

} // namespace components
