#include "id3/ID3v2Format.h"

#include "id3/ID3GenreNames.h"

#include <QStringDecoder>
#include <QUrl>

namespace id3::v2 {

quint32 DecodeSynchsafe(const char* p) {
    quint32 v = 0;
    for (int i = 0; i < 4; ++i)
        v = (v << 7) | (quint8(p[i]) & 0x7F);
    return v;
}

bool IsSynchsafe(const char* p) {
    for (int i = 0; i < 4; ++i)
        if (quint8(p[i]) & 0x80) return false;
    return true;
}

QByteArray EncodeSynchsafe(quint32 value) {
    QByteArray b(4, '\0');
    for (int i = 3; i >= 0; --i, value >>= 7)
        b[i] = char(value & 0x7F);
    return b;
}

quint32 DecodeBE(const char* p, int bytes) {
    quint32 v = 0;
    for (int i = 0; i < bytes; ++i)
        v = (v << 8) | quint8(p[i]);
    return v;
}

QByteArray EncodeBE32(quint32 value) {
    QByteArray b(4, '\0');
    for (int i = 3; i >= 0; --i, value >>= 8)
        b[i] = char(value & 0xFF);
    return b;
}

qint64 TagRoom(qint64 tagBytes) {
    return (tagBytes / 2048 + 1) * 2048;
}

QByteArray RemoveUnsync(const QByteArray& data) {
    QByteArray out;
    out.reserve(data.size());
    const qsizetype n = data.size();
    for (qsizetype i = 0; i < n; ++i) {
        out.append(data.at(i));
        if (quint8(data.at(i)) == 0xFF && i + 1 < n && data.at(i + 1) == '\0') ++i;
    }
    return out;
}

namespace {

QString Utf16(const QByteArray& bytes, bool bigEndian) {
    const qsizetype units = bytes.size() / 2;
    QString s(units, Qt::Uninitialized);
    for (qsizetype i = 0; i < units; ++i) {
        const quint8 a = quint8(bytes.at(2 * i)), b = quint8(bytes.at(2 * i + 1));
        s[i] = QChar(bigEndian ? char16_t(a << 8 | b) : char16_t(b << 8 | a));
    }
    return s;
}

QString StripNulls(QString s) {
    while (!s.isEmpty() && s.back() == QChar(0))
        s.chop(1);
    return s;
}

} // namespace

QString DecodeString(quint8 encoding, const QByteArray& bytes) {
    switch (encoding) {
    case 1: {
        if (bytes.size() >= 2 && quint8(bytes[0]) == 0xFE && quint8(bytes[1]) == 0xFF)
            return StripNulls(Utf16(bytes.mid(2), true));
        if (bytes.size() >= 2 && quint8(bytes[0]) == 0xFF && quint8(bytes[1]) == 0xFE)
            return StripNulls(Utf16(bytes.mid(2), false));
        return StripNulls(Utf16(bytes, false));
    }
    case 2:
        return StripNulls(Utf16(bytes, true));
    case 3:
        return StripNulls(QString::fromUtf8(bytes));
    default:
        return StripNulls(QString::fromLatin1(bytes));
    }
}

int TerminatorLength(quint8 encoding) {
    return encoding == 1 || encoding == 2 ? 2 : 1;
}

qsizetype FindTerminator(quint8 encoding, const QByteArray& bytes, qsizetype from) {
    if (TerminatorLength(encoding) == 1) return bytes.indexOf('\0', from);
    for (qsizetype i = from; i + 1 < bytes.size(); i += 2)
        if (bytes.at(i) == '\0' && bytes.at(i + 1) == '\0') return i;
    return -1;
}

QString DecodeTextBody(const QByteArray& body) {
    if (body.isEmpty()) return QString();
    const quint8 enc = quint8(body.at(0));
    if (enc > 3) {
        // Not a text encoding: every byte as a character, zero bytes dropped.
        QString s;
        for (qsizetype i = 1; i < body.size(); ++i)
            if (body.at(i) != '\0') s.append(QChar(quint8(body.at(i))));
        return QString(QChar(enc)) + s;
    }
    QStringList values;
    qsizetype pos = 1;
    while (pos < body.size()) {
        const qsizetype end = FindTerminator(enc, body, pos);
        const qsizetype stop = end < 0 ? body.size() : end;
        values << DecodeString(enc, body.mid(pos, stop - pos));
        if (end < 0) break;
        pos = end + TerminatorLength(enc);
    }
    while (!values.isEmpty() && values.back().isEmpty())
        values.removeLast();
    return values.join(QLatin1Char('/'));
}

quint8 EncodingFor(const QString& text) {
    for (QChar c : text)
        if (c.unicode() > 0xFF) return 1;
    return 0;
}

QByteArray EncodeString(quint8 encoding, const QString& text, bool terminate) {
    QByteArray out;
    if (encoding == 1) {
        out.reserve(2 + text.size() * 2 + 2);
        out.append(char(0xFF)).append(char(0xFE));
        for (QChar c : text)
            out.append(char(c.unicode() & 0xFF)).append(char(c.unicode() >> 8));
        if (terminate) out.append(2, '\0');
    } else {
        out = text.toLatin1();
        if (terminate) out.append('\0');
    }
    return out;
}

QByteArray MakeTextBody(const QString& text) {
    const quint8 enc = EncodingFor(text);
    return char(enc) + EncodeString(enc, text, false);
}

bool ParseLangText(const QByteArray& body, LangTextFrame& out) {
    out = LangTextFrame();
    if (body.isEmpty()) return false;
    out.encoding = quint8(body.at(0));
    if (out.encoding == 0 && body.size() >= 2 && body.at(1) == '\0' &&
        (body.size() < 4 || FindTerminator(0, body, 4) < 0)) {
        // The older form: no language, no description, the text after two zero bytes.
        QString s;
        for (qsizetype i = 2; i < body.size(); ++i)
            if (body.at(i) != '\0') s.append(QChar(quint8(body.at(i))));
        out.text = s;
        return true;
    }
    if (body.size() < 4) return false;
    out.language = body.mid(1, 3);
    const quint8 enc = out.encoding > 3 ? 0 : out.encoding;
    const qsizetype term = FindTerminator(enc, body, 4);
    if (term < 0) {
        out.description = DecodeString(enc, body.mid(4));
        return true;
    }
    out.description = DecodeString(enc, body.mid(4, term - 4));
    out.text = DecodeString(enc, body.mid(term + TerminatorLength(enc)));
    return true;
}

QByteArray MakeLangTextBody(const QByteArray& language, const QString& description, const QString& text) {
    const quint8 enc = EncodingFor(description + text);
    QByteArray lang = language.left(3);
    if (lang.size() < 3) lang = "eng";
    return char(enc) + lang + EncodeString(enc, description, true) + EncodeString(enc, text, false);
}

bool ParseUserUrl(const QByteArray& body, QString& description, QString& url) {
    description.clear();
    url.clear();
    if (body.isEmpty()) return false;
    const quint8 enc = quint8(body.at(0)) > 3 ? 0 : quint8(body.at(0));
    const qsizetype term = FindTerminator(enc, body, 1);
    if (term < 0) {
        url = DecodeUrl(body.mid(1));
        return true;
    }
    description = DecodeString(enc, body.mid(1, term - 1));
    url = DecodeUrl(body.mid(term + TerminatorLength(enc)));
    return true;
}

QByteArray MakeUserUrlBody(const QString& url) {
    return QByteArray(2, '\0') + EncodeUrl(url);
}

QString DecodeUrl(const QByteArray& body) {
    const qsizetype end = body.indexOf('\0');
    return QString::fromLatin1(end < 0 ? body : body.left(end));
}

QByteArray EncodeUrl(const QString& url) {
    // URLs are Latin-1 in the tag; other characters go in percent-encoded.
    if (EncodingFor(url) == 0) return url.toLatin1();
    return QUrl(url).toEncoded();
}

QString DecodeCounter(const QByteArray& body) {
    quint64 v = 0;
    for (char c : body) {
        if (v > (~quint64(0) >> 8)) return QString(); // too large to show
        v = (v << 8) | quint8(c);
    }
    return body.isEmpty() ? QString() : QString::number(v);
}

QByteArray EncodeCounter(const QString& text) {
    const quint64 v = text.trimmed().toULongLong();
    QByteArray out;
    for (quint64 x = v; x; x >>= 8)
        out.prepend(char(x & 0xFF));
    while (out.size() < 4)
        out.prepend('\0');
    return out;
}

GenreValue ParseGenre(const QString& value) {
    GenreValue g;
    const qsizetype o = value.indexOf(QLatin1Char('('));
    const qsizetype r = value.indexOf(QLatin1Char(')'));
    if (o >= 0 && r > o) {
        bool ok = false;
        const QString inner = value.mid(o + 1, r - o - 1).trimmed();
        const int code = inner.isEmpty() ? -1 : inner.toInt(&ok);
        if (ok && code >= 0 && code <= 255) {
            g.hasCode = true;
            g.code = quint8(code);
            g.other = r == value.size() - 1 ? ID3GenreNames(g.code) : value.mid(r + 1);
            return g;
        }
    }
    g.other = value;
    return g;
}

QByteArray MapV22FrameID(const QByteArray& id) {
    static const struct {
        const char* v22;
        const char* v23;
    } kMap[] = {{"TP1", "TPE1"}, {"TT2", "TIT2"}, {"TAL", "TALB"}, {"COM", "COMM"},
                {"TRK", "TRCK"}, {"TEN", "TENC"}, {"TYE", "TYER"}, {"TCO", "TCON"}};
    for (const auto& m : kMap)
        if (id == m.v22) return QByteArray(m.v23);
    return QByteArray();
}

bool IsValidFrameId(const QByteArray& id) {
    for (char c : id)
        if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) return false;
    return !id.isEmpty();
}

} // namespace id3::v2
