// A scripted CDDBP server on 127.0.0.1 for the FreeDB tests: a banner, the
// handshake, and answers to "cddb query" and "cddb read" from the test.
#pragma once

#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

#include <functional>

namespace testsupport {

// A CDDBP server that answers each command line through `reply`.
class FakeCddbServer : public QObject {
public:
    QByteArray banner = "201 test.local CDDBP server v1.5PL3 ready at Thu Dec 10 12:00:00 2026\r\n";
    bool silent = false;                               // accepts, then never says a word
    std::function<QByteArray(const QString&)> onQuery; // answer to "cddb query"
    std::function<QByteArray(const QString&)> onRead;  // answer to "cddb read"
    bool closeAfterRead = false;                       // hangs up right after the read answer
    QStringList commands;

    FakeCddbServer() {
        QVERIFY(m_server.listen(QHostAddress::LocalHost));
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* s = m_server.nextPendingConnection()) {
                connect(s, &QTcpSocket::readyRead, this, [this, s] { serve(s); });
                if (!silent) s->write(banner);
            }
        });
    }
    quint16 port() const { return m_server.serverPort(); }

private:
    void serve(QTcpSocket* s) {
        while (s->canReadLine()) {
            const QString line = QString::fromUtf8(s->readLine()).trimmed();
            commands << line;
            if (silent) continue;
            if (line.startsWith("cddb hello"))
                s->write("200 Hello and welcome clsCDDB running clsCDDB v0.5.\r\n");
            else if (line.startsWith("proto"))
                s->write("201 OK, CDDB protocol level now: 6\r\n");
            else if (line.startsWith("cddb query"))
                s->write(onQuery ? onQuery(line) : QByteArray("202 No match found\r\n"));
            else if (line.startsWith("cddb read")) {
                s->write(onRead ? onRead(line) : QByteArray("401 Specified CDDB entry not found.\r\n"));
                if (closeAfterRead) {
                    s->flush();
                    s->disconnectFromHost();
                    return;
                }
            } else if (line == "quit") {
                s->write("230 test.local Closing connection.  Goodbye.\r\n");
                s->disconnectFromHost();
                return;
            } else
                s->write("500 Unrecognized command.\r\n");
        }
    }

    QTcpServer m_server;
};

} // namespace testsupport
