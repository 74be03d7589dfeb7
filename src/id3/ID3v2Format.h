// The byte-level pieces of the ID3v2 tag that the reader, the writer and the
// tests share: synchsafe numbers, the room a written tag gets, undoing
// unsynchronisation, the text encodings of frame bodies and the genre rule.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QtGlobal>

namespace id3::v2 {

// Largest value a synchsafe number holds.
constexpr quint32 kMaxSynchsafe = 0x0FFFFFFF;

// Four bytes, seven bits each, most significant first.
quint32 DecodeSynchsafe(const char* p);
// True when no byte of the four has its top bit set.
bool IsSynchsafe(const char* p);
QByteArray EncodeSynchsafe(quint32 value);
quint32 DecodeBE(const char* p, int bytes);
QByteArray EncodeBE32(quint32 value);

// The room a tag of `tagBytes` bytes gets at the start of a file: the
// smallest multiple of 2048 greater than it.
qint64 TagRoom(qint64 tagBytes);

// Every FF 00 pair becomes FF.
QByteArray RemoveUnsync(QByteArray data);

// Text encodings of frame bodies: 0 Latin-1, 1 UTF-16 with byte-order mark,
// 2 UTF-16 big-endian, 3 UTF-8.
QString DecodeString(quint8 encoding, const QByteArray& bytes);
// Position of the terminator of the string starting at `from` (one zero byte,
// or two at an even distance for UTF-16), -1 when there is none.
qsizetype FindTerminator(quint8 encoding, const QByteArray& bytes, qsizetype from);
int TerminatorLength(quint8 encoding);
// Every string of a text frame body (encoding byte first), empty ones at
// the end left out.
QStringList DecodeTextValues(const QByteArray& body);
// The same joined with "/".
QString DecodeTextBody(const QByteArray& body);

// The encoding an edited value is written in: 0 when every character fits
// Latin-1, else 1.
quint8 EncodingFor(const QString& text);
QByteArray EncodeString(quint8 encoding, const QString& text, bool terminate);
// A text frame body: encoding byte and the value.
QByteArray MakeTextBody(const QString& text);

// Parts of a COMM or USLT body: encoding, language, description and text.
// Bodies an older writer made (the encoding byte, a zero byte, then the text,
// with no language) read as their text.
struct LangTextFrame {
    quint8 encoding = 0;
    QByteArray language;
    QString description;
    QString text;
};
bool ParseLangText(const QByteArray& body, LangTextFrame& out);
QByteArray MakeLangTextBody(const QByteArray& language, const QString& description, const QString& text);

// WXXX: encoding, description, URL (always Latin-1).
bool ParseUserUrl(const QByteArray& body, QString& description, QString& url);
QByteArray MakeUserUrlBody(const QString& url);
// The URL of a W*** frame other than WXXX.
QString DecodeUrl(const QByteArray& body);
QByteArray EncodeUrl(const QString& url);

// PCNT: a big-endian counter of four or more bytes, as decimal text.
QString DecodeCounter(const QByteArray& body);
QByteArray EncodeCounter(const QString& text);

// The genres of a TCON value, read as the common tag readers read them.
// Several values are separated by zero characters. A value is a code
// ("35", version 2.4), a keyword ("RX" Remix, "CR" Cover), or "(code)"
// groups followed by a name of its own ("(35)Remix", version 2.3); anything
// else is a name. `names` lists every genre in order, codes by their list
// names; `code` is the first code, and `other` what the value names besides
// it (the code's list name when nothing).
struct GenreValue {
    bool hasCode = false;
    quint8 code = 255;
    QString other;
    QStringList names;
};
GenreValue ParseGenre(const QString& value);

// The version 2.3 id of a version 2.2 id; empty when it has none.
QByteArray MapV22FrameID(const QByteArray& id);
// A version 2.2 PIC body as a version 2.3 APIC body: the three-letter image
// format ("JPG", "PNG") becomes a MIME type ("image/jpeg", "image/png").
QByteArray PictureBodyV23(const QByteArray& pic);

// Frame ids are four (version 2.2: three) capital letters or digits.
bool IsValidFrameId(const QByteArray& id);

} // namespace id3::v2
