#include "components/cFreeDB.h"

#include "components/CddbSession.h"
#include "components/DriveRegistry.h"

#include "components/TcpLink.h"

#include <QMetaObject>
#include <QRegularExpression>
#include <QSysInfo>

namespace components {

namespace {

constexpr int kLeadIn = 150; // sectors before logical sector 0

int digitSum(int n) {
    int s = 0;
    for (; n > 0; n /= 10)
        s += n % 10;
    return s;
}

// The words of the hello may hold no blank.
QString helloWord(const QString& s, const QString& fallback) {
    QString w = s.trimmed();
    w.replace(QRegularExpression(QStringLiteral("\\s+")), QStringLiteral("_"));
    return w.isEmpty() ? fallback : w;
}

} // namespace

cFreeDB::cFreeDB(QObject* parent) : QObject(parent), m_host(QSysInfo::machineHostName()) {
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
    m_probe = new TcpLink(this);
    auto answer = [this, gen](bool connected) {
        if (gen != m_probeGeneration) return;
        ++m_probeGeneration; // one answer per check
        releaseProbe();
        post([this, connected] { emit ConnectionChecked(connected); });
    };
    connect(m_probe, &TcpLink::connected, this, [answer] { answer(true); });
    connect(m_probe, &TcpLink::errorOccurred, this, [answer] { answer(false); });
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
    m_session.reset();
    m_year.clear();
    m_genre.clear();

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
    m_session = std::make_unique<CddbSession>(QStringLiteral("cddb hello %1 %2 %3 %4")
                                                  .arg(helloWord(m_user, QStringLiteral("clsCDDB")),
                                                       helloWord(m_host, QStringLiteral("localhost")),
                                                       helloWord(m_client, QStringLiteral("clsCDDB")),
                                                       helloWord(m_version, QStringLiteral("v0.5"))),
                                              QueryCommand(starts, disc.usedSectors));

    const QString host = effectiveServer();
    const qint32 port = effectivePort();
    m_socket = new TcpLink(this);
    connect(m_socket, &TcpLink::readyRead, this, &cFreeDB::onReadyRead);
    connect(m_socket, &TcpLink::disconnected, this, &cFreeDB::onDisconnected);
    connect(m_socket, &TcpLink::errorOccurred, this, &cFreeDB::onSocketError);
    m_state = State::Running;
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

void cFreeDB::onReadyRead() {
    if (!m_socket || !m_session) return;
    const QByteArray chunk = m_socket->readAll();
    m_timer.start(m_timeOutMs);
    if (m_state != State::Running) return;
    QList<CddbSession::Step> steps;
    m_session->Feed(chunk, steps);
    m_year = m_session->Year();
    m_genre = m_session->Genre();
    const quint64 gen = m_generation;
    for (const CddbSession::Step& step : std::as_const(steps)) {
        switch (step.kind) {
        case CddbSession::StepKind::State:
            post([this, gen, text = step.text] {
                if (gen == m_generation) emit QueryState(text);
            });
            break;
        case CddbSession::StepKind::Send:
            m_socket->write(step.text.toUtf8() + "\r\n");
            m_timer.start(m_timeOutMs);
            break;
        case CddbSession::StepKind::Fail:
            fail(step.code, step.text);
            return;
        case CddbSession::StepKind::Entry:
            finishEntry();
            return;
        }
    }
}

void cFreeDB::finishEntry() {
    m_timer.stop();
    // Say goodbye; the answer is not waited for.
    if (m_socket) {
        disconnect(m_socket, nullptr, this, nullptr);
        m_socket->write("quit\r\n");
        m_socket->disconnectFromHost();
        TcpLink* s = m_socket;
        m_socket = nullptr;
        connect(s, &TcpLink::disconnected, s, &QObject::deleteLater);
        QTimer::singleShot(m_timeOutMs, s, &QObject::deleteLater);
    }
    m_state = State::Quit;

    const quint64 gen = m_generation;
    const CddbSession::Entry entry = m_session->entry();
    post([this, gen, entry] {
        if (gen != m_generation) return;
        emit AlbumArtist(entry.artist);
        if (gen != m_generation) return;
        emit AlbumTitle(entry.album);
        for (qsizetype i = 0; i < entry.tracks.size(); ++i) {
            if (gen != m_generation) return;
            emit TrackInfo(entry.tracks.at(i).artist, static_cast<qint32>(i + 1), entry.tracks.at(i).title);
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
    fail(ErrConnection, "Cannot connect to the FreeDB server " + effectiveServer() + ':' +
                            QString::number(effectivePort()) + ": " + m_socket->errorString());
}

void cFreeDB::onTimeOut() {
    if (m_state == State::Idle || m_state == State::Quit) return;
    fail(ErrTimeOut,
         "The FreeDB server did not answer within " + QString::number(m_timeOutMs / 1000.0) + " seconds.");
}

} // namespace components
