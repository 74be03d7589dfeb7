#include "components/CddbSession.h"

#include "components/cFreeDB.h"

#include <QRegularExpression>
#include <QStringDecoder>

namespace components {

namespace {

// A whole entry is a few kilobytes; anything far beyond is not a CDDB answer.
constexpr qint64 kMaxAnswerBytes = 1024 * 1024;
// Room for kMaxLineChars characters of up to four UTF-8 bytes, and the line end.
constexpr qint64 kMaxLineBytes = CddbSession::kMaxLineChars * 4 + 2;
static_assert(CddbSession::kMaxLineChars == cFreeDB::kMaxLineChars);
// Track numbers of an entry: TTITLE0 to TTITLE98.
constexpr int kMaxTracks = 99;

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

bool parseMatch(const QString& text, QString* category, QString* discId) {
    static const QRegularExpression re(QStringLiteral("^(\\S+)\\s+([0-9A-Fa-f]{8})(\\s.*)?$"));
    const QRegularExpressionMatch m = re.match(text);
    if (!m.hasMatch()) return false;
    *category = m.captured(1);
    *discId = m.captured(2).toLower();
    return true;
}

} // namespace

CddbSession::CddbSession(const QString& hello, const QString& query) : m_hello(hello), m_query(query) {}

QString CddbSession::DecodeLine(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString s = utf8(bytes);
    if (utf8.hasError()) s = QString::fromLatin1(bytes);
    return s;
}

void CddbSession::fail(qint32 code, const QString& message, QList<Step>& steps) {
    m_state = State::Over;
    steps.append({StepKind::Fail, message, code});
}

void CddbSession::send(const QString& command, State next, QList<Step>& steps) {
    m_state = next;
    steps.append({StepKind::Send, command, 0});
}

void CddbSession::Feed(const QByteArray& bytes, QList<Step>& steps) {
    if (m_state == State::Over) return;
    m_received += bytes.size();
    m_buffer += bytes;
    while (m_state != State::Over) {
        if (m_received > kMaxAnswerBytes) {
            fail(cFreeDB::ErrProtocol, QStringLiteral("The FreeDB server's answer is too long."), steps);
            return;
        }
        const qsizetype eol = m_buffer.indexOf('\n');
        if (eol < 0) {
            if (m_buffer.size() > kMaxLineBytes)
                fail(cFreeDB::ErrProtocol,
                     QStringLiteral("The FreeDB server sent a line longer than the protocol allows."), steps);
            return;
        }
        QByteArray raw = m_buffer.left(eol);
        m_buffer.remove(0, eol + 1);
        if (raw.endsWith('\r')) raw.chop(1);
        if (raw.size() > kMaxLineBytes) {
            fail(cFreeDB::ErrProtocol,
                 QStringLiteral("The FreeDB server sent a line longer than the protocol allows."), steps);
            return;
        }
        const QString line = DecodeLine(raw);
        if (line.size() > kMaxLineChars) {
            fail(cFreeDB::ErrProtocol,
                 QStringLiteral("The FreeDB server sent a line longer than the protocol allows."), steps);
            return;
        }
        if (!handleLine(line, steps)) return;
    }
}

bool CddbSession::handleLine(const QString& line, QList<Step>& steps) {
    auto protocolError = [this, &steps](const QString& what) {
        fail(cFreeDB::ErrProtocol, "The FreeDB server gave an unexpected answer: " + what.left(80), steps);
        return false;
    };
    switch (m_state) {
    case State::Banner: {
        const int code = replyCode(line);
        if (code == 200 || code == 201) {
            steps.append({StepKind::State, QStringLiteral("Connected."), 0});
            send(m_hello, State::Hello, steps);
            return true;
        }
        if (code >= 430 && code < 440) {
            fail(cFreeDB::ErrConnection, "The FreeDB server refuses connections: " + line.left(80), steps);
            return false;
        }
        return protocolError(line);
    }
    case State::Hello: {
        const int code = replyCode(line);
        if (code != 200 && code != 402) return protocolError(line);
        send(QStringLiteral("proto 6"), State::Proto, steps);
        return true;
    }
    case State::Proto: {
        const int code = replyCode(line);
        // A server without level 6 answers 501; it then speaks an older level.
        if (code != 200 && code != 201 && code != 501 && code != 502) return protocolError(line);
        steps.append({StepKind::State, QStringLiteral("Looking up the disc..."), 0});
        send(m_query, State::Query, steps);
        return true;
    }
    case State::Query: {
        const int code = replyCode(line);
        if (code == 200) {
            if (!parseMatch(line.mid(4), &m_category, &m_discId)) return protocolError(line);
            send("cddb read " + m_category + ' ' + m_discId, State::Read, steps);
            return true;
        }
        if (code == 210 || code == 211) {
            m_state = State::QueryList;
            return true;
        }
        if (code == 202) {
            fail(cFreeDB::ErrNoMatch, QStringLiteral("The FreeDB database has no entry for this disc."),
                 steps);
            return false;
        }
        return protocolError(line);
    }
    case State::QueryList:
        if (line == QLatin1String(".")) {
            if (m_discId.isEmpty()) {
                fail(cFreeDB::ErrNoMatch, QStringLiteral("The FreeDB database has no entry for this disc."),
                     steps);
                return false;
            }
            send("cddb read " + m_category + ' ' + m_discId, State::Read, steps);
            return true;
        }
        // The first match is taken; the others are read past.
        if (m_discId.isEmpty() && !parseMatch(line, &m_category, &m_discId)) return protocolError(line);
        return true;
    case State::Read: {
        const int code = replyCode(line);
        if (code == 210) {
            steps.append({StepKind::State, QStringLiteral("Reading the entry..."), 0});
            m_state = State::ReadBody;
            return true;
        }
        if (code == 401) {
            fail(cFreeDB::ErrNoMatch, QStringLiteral("The FreeDB database has no entry for this disc."),
                 steps);
            return false;
        }
        return protocolError(line);
    }
    case State::ReadBody: {
        if (line == QLatin1String(".")) {
            finishEntry(steps);
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
    case State::Over:
        return false;
    }
    return false;
}

void CddbSession::finishEntry(QList<Step>& steps) {
    if (m_dtitle.trimmed().isEmpty() && m_titles.isEmpty()) {
        fail(cFreeDB::ErrProtocol, QStringLiteral("The FreeDB entry holds no titles."), steps);
        return;
    }
    m_state = State::Over;
    QString artist = m_dtitle.trimmed();
    QString album = artist;
    const qsizetype slash = m_dtitle.indexOf(QLatin1String(" / "));
    if (slash >= 0) {
        artist = m_dtitle.left(slash).trimmed();
        album = m_dtitle.mid(slash + 3).trimmed();
    }
    // Only a compilation names each track's artist in its title ("Artist / Title").
    const bool various = artist.startsWith(QLatin1String("Various"), Qt::CaseInsensitive);
    m_entry = Entry{artist, album, {}};
    for (const QString& text : std::as_const(m_titles)) {
        Track t{artist, text.trimmed()};
        const qsizetype sep = t.title.indexOf(QLatin1String(" / "));
        if (various && sep > 0) {
            t.artist = t.title.left(sep).trimmed();
            t.title = t.title.mid(sep + 3).trimmed();
        }
        m_entry.tracks.append(t);
    }
    steps.append({StepKind::Entry, QString(), 0});
}

} // namespace components
