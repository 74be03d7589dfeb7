// The FreeDB client: looks up the audio CD of a drive on a CDDB server over
// the CDDBP protocol (TCP, port 8880) and reports the disc's artist, album and
// track titles.
//
// Everything runs on the caller's (GUI) thread with asynchronous sockets
// (TcpLink; only a server's name is resolved on a thread of its own), so
// nothing blocks and no call runs an event loop of its own. Every event
// is delivered queued, never from inside the call that started the lookup, and
// no event of a lookup arrives after StopQuery, Close or its QueryDone /
// QueryError. One lookup ends with exactly one QueryDone or QueryError.
//
// CORVANE_CDDB_SERVER=host:port, when set, overrides ServerName and ServerPort.
#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <memory>

namespace components {
class CddbSession;
class TcpLink;
} // namespace components

namespace components {

class cFreeDB : public QObject {
    Q_OBJECT
    Q_PROPERTY(qint32 TimeOut READ TimeOut WRITE setTimeOut)
    Q_PROPERTY(QString ServerName READ ServerName WRITE setServerName)
    Q_PROPERTY(qint32 ServerPort READ ServerPort WRITE setServerPort)
    Q_PROPERTY(QString UserName READ UserName WRITE setUserName)
    Q_PROPERTY(QString HostName READ HostName WRITE setHostName)
    Q_PROPERTY(QString ClientName READ ClientName WRITE setClientName)
    Q_PROPERTY(QString ClientVersion READ ClientVersion WRITE setClientVersion)

public:
    // Codes of QueryError.
    enum ErrorCode : qint32 {
        ErrConnection = 1, // the server cannot be reached, refused us or hung up mid-answer
        ErrNoMatch = 2,    // the server knows no entry for this disc
        ErrProtocol = 3,   // an answer that breaks the protocol (bad code, overlong line, bad entry)
        ErrTimeOut = 4,    // the server stopped answering for TimeOut
        ErrNoDisc = 5,     // the drive holds no audio CD whose table of contents can be read
        ErrBusy = 6,       // StartQuery while a lookup is running
    };

    static constexpr const char* kDefaultServer = "gnudb.gnudb.org";
    static constexpr qint32 kDefaultPort = 8880;
    // Longest line the protocol allows, in characters (without the line end).
    static constexpr qint32 kMaxLineChars = 256;

    explicit cFreeDB(QObject* parent = nullptr);
    ~cFreeDB() override;

    // Tries a TCP connection to the server, for at most TimeOut, and returns at
    // once; ConnectionChecked tells the answer, queued. A newer check, StopQuery
    // and Close drop the answer of a check still running.
    void CheckConnection();
    // The drive whose disc is looked up: "E:" (a drive name or track path works too).
    void SelectDrive(const QString& drive);

    // Seconds the server may stay silent before the lookup fails with ErrTimeOut.
    qint32 TimeOut() const { return m_timeOutMs / 1000; }
    void setTimeOut(qint32 seconds) { m_timeOutMs = qMax(1, seconds) * 1000; }
    // The same in milliseconds (tests use short ones).
    void setTimeOutMs(qint32 ms) { m_timeOutMs = qMax(1, ms); }
    qint32 timeOutMs() const { return m_timeOutMs; }

    QString ServerName() const { return m_server; }
    void setServerName(const QString& s) { m_server = s.trimmed(); }
    qint32 ServerPort() const { return m_port; }
    void setServerPort(qint32 port) { m_port = port; }
    QString UserName() const { return m_user; }
    void setUserName(const QString& s) { m_user = s; }
    QString HostName() const { return m_host; }
    void setHostName(const QString& s) { m_host = s; }
    QString ClientName() const { return m_client; }
    void setClientName(const QString& s) { m_client = s; }
    QString ClientVersion() const { return m_version; }
    void setClientVersion(const QString& s) { m_version = s; }

    // The server actually used: CORVANE_CDDB_SERVER when set, else ServerName/ServerPort.
    QString effectiveServer() const;
    qint32 effectivePort() const;

    // Starts the lookup of the selected drive's disc; returns at once.
    void StartQuery();
    // Stops the lookup; no event of it follows.
    void StopQuery();
    // Stops and releases the connection.
    void Close();
    bool isRunning() const { return m_state != State::Idle; }

    // Of the last entry read: the disc's year and genre (DYEAR, DGENRE).
    QString Year() const { return m_year; }
    QString Genre() const { return m_genre; }

    // The CDDB disc ID of a table of contents: track start sectors (logical,
    // as on the disc, the lead-in's 150 sectors not counted) and the lead-out's.
    static quint32 DiscId(const QList<qint32>& trackStarts, qint32 leadout);
    // The "cddb query" command line for that table of contents.
    static QString QueryCommand(const QList<qint32>& trackStarts, qint32 leadout);

signals:
    void QueryState(const QString& text);
    void QueryInfo(const QString& text);
    void AlbumArtist(const QString& artist);
    void AlbumTitle(const QString& album);
    void TrackInfo(const QString& artist, qint32 track, const QString& title);
    void QueryDone();
    void QueryError(qint32 code, const QString& message);
    void ConnectionChecked(bool connected);

private:
    // Running: connecting or talking to the server; Quit: the lookup ended,
    // its last event not yet delivered.
    enum class State { Idle, Running, Quit };

    void onReadyRead();
    void onDisconnected();
    void onSocketError();
    void onTimeOut();
    void finishEntry();
    void fail(qint32 code, const QString& message);
    void post(std::function<void()> fn);
    void releaseSocket();
    void releaseProbe();

    qint32 m_timeOutMs = 20000;
    QString m_server = QString::fromLatin1(kDefaultServer);
    qint32 m_port = kDefaultPort;
    QString m_user = QStringLiteral("clsCDDB");
    QString m_host;
    QString m_client = QStringLiteral("clsCDDB");
    QString m_version = QStringLiteral("v0.5");
    QString m_drive;

    State m_state = State::Idle;
    quint64 m_generation = 0; // bumped by every start and stop; stale events are dropped
    TcpLink* m_socket = nullptr;
    TcpLink* m_probe = nullptr; // the connection check's socket
    quint64 m_probeGeneration = 0;
    QTimer m_timer;
    std::unique_ptr<CddbSession> m_session; // the running lookup's conversation
    QString m_year, m_genre;
};

} // namespace components
