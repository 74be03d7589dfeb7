// The client's half of a CDDBP conversation, without the connection: the
// server's bytes go in as they arrive and what the client has to do comes
// out in order (tell how far it got, send a command, give up, take the
// entry). cFreeDB drives it over its socket; it holds no socket, timer or
// event, so any bytes can be fed to it directly.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace components {

class CddbSession {
public:
    enum class StepKind {
        State, // text: what the lookup is doing now
        Send,  // text: the command to send (without its line end)
        Fail,  // code (a cFreeDB error code) and text; nothing follows
        Entry, // the entry is complete (entry()); nothing follows
    };
    struct Step {
        StepKind kind = StepKind::State;
        QString text;
        qint32 code = 0;
    };
    struct Track {
        QString artist;
        QString title;
    };
    struct Entry {
        QString artist;
        QString album;
        QList<Track> tracks; // track 1 first
    };

    // Longest line the protocol allows, in characters (without the line end).
    static constexpr qint32 kMaxLineChars = 256;

    // `hello` and `query` are the "cddb hello" and "cddb query" commands sent
    // once the server greets and once it agreed on the protocol level.
    CddbSession(const QString& hello, const QString& query);

    // The server's next bytes; appends what they lead to to `steps`. Once a
    // Fail or Entry step was given, further bytes are ignored.
    void Feed(const QByteArray& bytes, QList<Step>& steps);
    bool Over() const { return m_state == State::Over; }

    // The entry read (after the Entry step), and the disc's year and genre as
    // far as the entry was read (DYEAR, DGENRE).
    const Entry& entry() const { return m_entry; }
    QString Year() const { return m_year; }
    QString Genre() const { return m_genre; }

    static QString DecodeLine(const QByteArray& bytes);

private:
    enum class State { Banner, Hello, Proto, Query, QueryList, Read, ReadBody, Over };

    bool handleLine(const QString& line, QList<Step>& steps);
    void fail(qint32 code, const QString& message, QList<Step>& steps);
    void send(const QString& command, State next, QList<Step>& steps);
    void finishEntry(QList<Step>& steps);

    QString m_hello;
    QString m_query;
    State m_state = State::Banner;
    QByteArray m_buffer;
    qint64 m_received = 0;
    QString m_category, m_discId;
    QString m_dtitle, m_year, m_genre;
    QStringList m_titles; // TTITLEn, by n
    Entry m_entry;
};

} // namespace components
