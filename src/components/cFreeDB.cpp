#include "components/cFreeDB.h"

#include "components/DriveRegistry.h"

#include <QHostInfo>
#include <QMetaObject>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTcpSocket>

namespace components {

namespace {

// A whole entry is a few kilobytes; anything far beyond is not a CDDB answer.
constexpr qint64 kMaxAnswerBytes = 1024 * 1024;
// Room for kMaxLineChars characters of up to four UTF-8 bytes, and the line end.
constexpr qint64 kMaxLineBytes = cFreeDB::kMaxLineChars * 4 + 2;
// Track numbers of an entry: TTITLE0 to TTITLE98.
constexpr int kMaxTracks = 99;
constexpr int kLeadIn = 150; // sectors before logical sector 0

int digitSum(int n) {
    int s = 0;
    for (; n > 0; n /= 10)
        s += n % 10;
    return s;
}

int replyCode(const QString& line) {
    if (line.size() < 3) return -1;
    for (int i = 0; i < 3; ++i)
        if (!line.at(i).isDigit()) return -1;
    if (line.size() > 3 && line.at(3) != QLatin1Char(' ') && line.at(3) != QLatin1Char('-')) return -1;
    return line.left(3).toInt();
}

// "\n", "\t" and "\\" stand for themselves inside xmcd values.
QString unescape(const QString& value) {
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c == QLatin1Char('\\') && i + 1 < value.size()) {
            const QChar n = value.at(++i);
            if (n == QLatin1Char('n'))
                out += QLatin1Char('\n');
            else if (n == QLatin1Char('t'))
                out += QLatin1Char('\t');
            else
                out += n;
        } else {
            out += c;
        }
    }
    return out;
}

// The words of the hello may hold no blank.
QString helloWord(const QString& s, const QString& fallback) {
    QString w = s.trimmed();
    w.replace(QRegularExpression(QStringLiteral("\\s+")), QStringLiteral("_"));
    return w.isEmpty() ? fallback : w;
}

bool parseMatch(const QString& text, QString* category, QString* discId) {
    static const QRegularExpression re(QStringLiteral("^(\\S+)\\s+([0-9A-Fa-f]{8})(\\s.*)?$"));
    const QRegularExpressionMatch m = re.match(text);
    if (!m.hasMatch()) return false;
    *category = m.captured(1);
    *discId = m.captured(2).toLower();
    return true;
}

} // namespace

cFreeDB::cFreeDB(QObject* parent) : QObject(parent), m_host(QHostInfo::localHostName()) {
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &cFreeDB::onTimeOut);
}

cFreeDB::~cFreeDB() {
    ++m_generation;
    ++m_probeGeneration;
    releaseSocket();
    releaseProbe();
}

QString cFreeDB::effectiveServer() const {
    const QString env = qEnvironmentVariable("CORVANE_CDDB_SERVER").trimmed();
    if (!env.isEmpty()) {
        const qsizetype colon = env.lastIndexOf(QLatin1Char(':'));
        return colon > 0 ? env.left(colon) : env;
    }
    return m_server;
}

qint32 cFreeDB::effectivePort() const {
    const QString env = qEnvironmentVariable("CORVANE_CDDB_SERVER").trimmed();
    if (!env.isEmpty()) {
        const qsizetype colon = env.lastIndexOf(QLatin1Char(':'));
        bool ok = false;
        const int port = colon > 0 ? env.mid(colon + 1).toInt(&ok) : 0;
        return ok && port > 0 && port < 65536 ? port : kDefaultPort;
    }
    return m_port;
}

void cFreeDB::CheckConnection() {
    releaseProbe();
    const quint64 gen = ++m_probeGeneration;
    m_probe = new QTcpSocket(this);
    auto answer = [this, gen](bool connected) {
        if (gen != m_probeGeneration) return;
        ++m_probeGeneration; // one answer per check
        releaseProbe();
        post([this, connected] { emit ConnectionChecked(connected); });
    };
    connect(m_probe, &QTcpSocket::connected, this, [answer] { answer(true); });
    connect(m_probe, &QTcpSocket::errorOccurred, this, [answer] { answer(false); });
    // The socket is the timer's context: a released check takes its timer with it.
    QTimer::singleShot(m_timeOutMs, m_probe, [answer] { answer(false); });
    m_probe->connectToHost(effectiveServer(), static_cast<quint16>(effectivePort()));
}

void cFreeDB::releaseProbe() {
    if (!m_probe) return;
    disconnect(m_probe, nullptr, this, nullptr);
    m_probe->abort();
    m_probe->deleteLater();
    m_probe = nullptr;
}

void cFreeDB::SelectDrive(const QString& drive) {
    m_drive = drive.trimmed();
}

quint32 cFreeDB::DiscId(const QList<qint32>& trackStarts, qint32 leadout) {
    if (trackStarts.isEmpty()) return 0;
    int n = 0;
    for (qint32 start : trackStarts)
        n += digitSum((start + kLeadIn) / 75);
    const int t = (leadout + kLeadIn) / 75 - (trackStarts.first() + kLeadIn) / 75;
    return (static_cast<quint32>(n % 0xff) << 24) | (static_cast<quint32>(t) << 8) |
           static_cast<quint32>(trackStarts.size());
}

QString cFreeDB::QueryCommand(const QList<qint32>& trackStarts, qint32 leadout) {
    QString cmd = QStringLiteral("cddb query %1 %2")
                      .arg(DiscId(trackStarts, leadout), 8, 16, QLatin1Char('0'))
                      .arg(trackStarts.size());
    for (qint32 start : trackStarts)
        cmd += QLatin1Char(' ') + QString::number(start + kLeadIn);
    cmd += QLatin1Char(' ') + QString::number((leadout + kLeadIn) / 75);
    return cmd;
}

void cFreeDB::post(std::function<void()> fn) {
    QMetaObject::invokeMethod(this, std::move(fn), Qt::QueuedConnection);
}

void cFreeDB::StartQuery() {
    if (m_state != State::Idle) {
        post([this] { emit QueryError(ErrBusy, QStringLiteral("A lookup is already running.")); });
        return;
    }
    ++m_generation;
    const quint64 gen = m_generation;
    m_buffer.clear();
    m_received = 0;
    m_category.clear();
    m_discId.clear();
    m_dtitle.clear();
    m_year.clear();
    m_genre.clear();
    m_titles.clear();

    DriveRegistry& registry = DriveRegistry::instance();
    const qint32 index = registry.indexOf(m_drive);
    const DiscInfo disc = index >= 0 ? registry.readDisc(index) : DiscInfo{};
    if (!disc.hasAudio() || disc.tracks.isEmpty()) {
        m_state = State::Quit;
        const QString drive = m_drive.left(2);
        post([this, gen, drive] {
            if (gen != m_generation) return;
            m_state = State::Idle;
            emit QueryError(ErrNoDisc, "There is no audio CD in " + drive + ".");
        });
        return;
    }
    QList<qint32> starts;
    for (const DiscTrack& t : disc.tracks)
        starts << t.startSector;
    m_queryCommand = QueryCommand(starts, disc.usedSectors);

    const QString host = effectiveServer();
    const qint32 port = effectivePort();
    m_socket = new QTcpSocket(this);
    connect(m_socket, &QTcpSocket::readyRead, this, &cFreeDB::onReadyRead);
    connect(m_socket, &QTcpSocket::disconnected, this, &cFreeDB::onDisconnected);
    connect(m_socket, &QTcpSocket::errorOccurred, this, &cFreeDB::onSocketError);
    m_state = State::Banner;
    post([this, gen, host] {
        if (gen == m_generation) emit QueryState("Connecting to " + host + "...");
    });
    m_timer.start(m_timeOutMs);
    m_socket->connectToHost(host, static_cast<quint16>(port));
}

void cFreeDB::StopQuery() {
    ++m_generation;
    ++m_probeGeneration;
    releaseProbe();
    m_timer.stop();
    releaseSocket();
    m_state = State::Idle;
}

void cFreeDB::Close() {
    StopQuery();
}

void cFreeDB::releaseSocket() {
    if (!m_socket) return;
    disconnect(m_socket, nullptr, this, nullptr);
    m_socket->abort();
    m_socket->deleteLater();
    m_socket = nullptr;
}

void cFreeDB::fail(qint32 code, const QString& message) {
    m_timer.stop();
    releaseSocket();
    m_state = State::Quit;
    const quint64 gen = m_generation;
    post([this, gen, code, message] {
        if (gen != m_generation) return;
        m_state = State::Idle;
        emit QueryError(code, message);
    });
}

void cFreeDB::send(const QString& command, State next) {
    m_state = next;
    m_socket->write(command.toUtf8() + "\r\n");
    m_timer.start(m_timeOutMs);
}

QString cFreeDB::decodeLine(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString s = utf8(bytes);
    if (utf8.hasError()) s = QString::fromLatin1(bytes);
    return s;
}

void cFreeDB::onReadyRead() {
    if (!m_socket) return;
    const QByteArray chunk = m_socket->readAll();
    m_received += chunk.size();
    m_buffer += chunk;
    m_timer.start(m_timeOutMs);
    const quint64 gen = m_generation;
    while (m_socket && gen == m_generation && m_state != State::Quit && m_state != State::Idle) {
        if (m_received > kMaxAnswerBytes) {
            fail(ErrProtocol, QStringLiteral("The FreeDB server's answer is too long."));
            return;
        }
        const qsizetype eol = m_buffer.indexOf('\n');
        if (eol < 0) {
            if (m_buffer.size() > kMaxLineBytes)
                fail(ErrProtocol,
                     QStringLiteral("The FreeDB server sent a line longer than the protocol allows."));
            return;
        }
        QByteArray raw = m_buffer.left(eol);
        m_buffer.remove(0, eol + 1);
        if (raw.endsWith('\r')) raw.chop(1);
        if (raw.size() > kMaxLineBytes) {
            fail(ErrProtocol,
                 QStringLiteral("The FreeDB server sent a line longer than the protocol allows."));
            return;
        }
        const QString line = decodeLine(raw);
        if (line.size() > kMaxLineChars) {
            fail(ErrProtocol,
                 QStringLiteral("The FreeDB server sent a line longer than the protocol allows."));
            return;
        }
        if (!handleLine(line)) return;
    }
}

bool cFreeDB::handleLine(const QString& line) {
    auto protocolError = [this](const QString& what) {
        fail(ErrProtocol, "The FreeDB server gave an unexpected answer: " + what.left(80));
        return false;
    };
    const quint64 gen = m_generation;
    switch (m_state) {
    case State::Banner: {
        const int code = replyCode(line);
        if (code == 200 || code == 201) {
            post([this, gen] {
                if (gen == m_generation) emit QueryState(QStringLiteral("Connected."));
            });
            send(QStringLiteral("cddb hello %1 %2 %3 %4")
                     .arg(helloWord(m_user, QStringLiteral("clsCDDB")),
                          helloWord(m_host, QStringLiteral("localhost")),
                          helloWord(m_client, QStringLiteral("clsCDDB")),
                          helloWord(m_version, QStringLiteral("v0.5"))),
                 State::Hello);
            return true;
        }
        if (code >= 430 && code < 440) {
            fail(ErrConnection, "The FreeDB server refuses connections: " + line.left(80));
            return false;
        }
        return protocolError(line);
    }
    case State::Hello: {
        const int code = replyCode(line);
        if (code != 200 && code != 402) return protocolError(line);
        send(QStringLiteral("proto 6"), State::Proto);
        return true;
    }
    case State::Proto: {
        const int code = replyCode(line);
        // A server without level 6 answers 501; it then speaks an older level.
        if (code != 200 && code != 201 && code != 501 && code != 502) return protocolError(line);
        post([this, gen] {
            if (gen == m_generation) emit QueryState(QStringLiteral("Looking up the disc..."));
        });
        send(m_queryCommand, State::Query);
        return true;
    }
    case State::Query: {
        const int code = replyCode(line);
        if (code == 200) {
            if (!parseMatch(line.mid(4), &m_category, &m_discId)) return protocolError(line);
            send("cddb read " + m_category + ' ' + m_discId, State::Read);
            return true;
        }
        if (code == 210 || code == 211) {
            m_state = State::QueryList;
            return true;
        }
        if (code == 202) {
            fail(ErrNoMatch, QStringLiteral("The FreeDB database has no entry for this disc."));
            return false;
        }
        return protocolError(line);
    }
    case State::QueryList:
        if (line == QLatin1String(".")) {
            if (m_discId.isEmpty()) {
                fail(ErrNoMatch, QStringLiteral("The FreeDB database has no entry for this disc."));
                return false;
            }
            send("cddb read " + m_category + ' ' + m_discId, State::Read);
            return true;
        }
        // The first match is taken; the others are read past.
        if (m_discId.isEmpty() && !parseMatch(line, &m_category, &m_discId)) return protocolError(line);
        return true;
    case State::Read: {
        const int code = replyCode(line);
        if (code == 210) {
            post([this, gen] {
                if (gen == m_generation) emit QueryState(QStringLiteral("Reading the entry..."));
            });
            m_state = State::ReadBody;
            return true;
        }
        if (code == 401) {
            fail(ErrNoMatch, QStringLiteral("The FreeDB database has no entry for this disc."));
            return false;
        }
        return protocolError(line);
    }
    case State::ReadBody: {
        if (line == QLatin1String(".")) {
            finishEntry();
            return false;
        }
        if (line.isEmpty() || line.startsWith(QLatin1Char('#'))) return true;
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0) return protocolError(line);
        const QString key = line.left(eq).trimmed().toUpper();
        const QString value = unescape(line.mid(eq + 1));
        if (key == QLatin1String("DTITLE")) {
            m_dtitle += value;
        } else if (key == QLatin1String("DYEAR")) {
            m_year += value;
        } else if (key == QLatin1String("DGENRE")) {
            m_genre += value;
        } else if (key.startsWith(QLatin1String("TTITLE"))) {
            bool ok = false;
            const int n = key.mid(6).toInt(&ok);
            if (!ok || n < 0 || n >= kMaxTracks) return protocolError(line);
            while (m_titles.size() <= n)
                m_titles << QString();
            m_titles[n] += value;
        }
        return true;
    }
    case State::Idle:
    case State::Quit:
        return false;
    }
    return false;
}

void cFreeDB::finishEntry() {
    m_timer.stop();
    if (m_dtitle.trimmed().isEmpty() && m_titles.isEmpty()) {
        fail(ErrProtocol, QStringLiteral("The FreeDB entry holds no titles."));
        return;
    }
    // Say goodbye; the answer is not waited for.
    if (m_socket) {
        disconnect(m_socket, nullptr, this, nullptr);
        m_socket->write("quit\r\n");
        m_socket->disconnectFromHost();
        QTcpSocket* s = m_socket;
        m_socket = nullptr;
        connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
        QTimer::singleShot(m_timeOutMs, s, &QObject::deleteLater);
    }
    m_state = State::Quit;

    QString artist = m_dtitle.trimmed();
    QString album = artist;
    const qsizetype slash = m_dtitle.indexOf(QLatin1String(" / "));
    if (slash >= 0) {
        artist = m_dtitle.left(slash).trimmed();
        album = m_dtitle.mid(slash + 3).trimmed();
    }
    // Only a compilation names each track's artist in its title ("Artist / Title").
    const bool various = artist.startsWith(QLatin1String("Various"), Qt::CaseInsensitive);
    const quint64 gen = m_generation;
    const QStringList titles = m_titles;
    post([this, gen, artist, album, titles, various] {
        if (gen != m_generation) return;
        emit AlbumArtist(artist);
        if (gen != m_generation) return;
        emit AlbumTitle(album);
        for (qsizetype i = 0; i < titles.size(); ++i) {
            if (gen != m_generation) return;
            QString trackArtist = artist;
            QString title = titles.at(i).trimmed();
            const qsizetype sep = title.indexOf(QLatin1String(" / "));
            if (various && sep > 0) {
                trackArtist = title.left(sep).trimmed();
                title = title.mid(sep + 3).trimmed();
            }
            emit TrackInfo(trackArtist, static_cast<qint32>(i + 1), title);
        }
        if (gen != m_generation) return;
        m_state = State::Idle;
        emit QueryDone();
    });
}

void cFreeDB::onDisconnected() {
    if (m_state == State::Idle || m_state == State::Quit) return;
    fail(ErrConnection,
         QStringLiteral("The FreeDB server closed the connection before its answer was complete."));
}

void cFreeDB::onSocketError() {
    if (!m_socket || m_state == State::Idle || m_state == State::Quit) return;
    if (m_socket->error() == QAbstractSocket::RemoteHostClosedError) {
        onDisconnected();
        return;
    }
    fail(ErrConnection, "Cannot connect to the FreeDB server " + effectiveServer() + ':' +
                            QString::number(effectivePort()) + ": " + m_socket->errorString());
}

void cFreeDB::onTimeOut() {
    if (m_state == State::Idle || m_state == State::Quit) return;
    fail(ErrTimeOut,
         "The FreeDB server did not answer within " + QString::number(m_timeOutMs / 1000.0) + " seconds.");
}

} // namespace components
