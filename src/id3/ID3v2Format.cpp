#include "id3/ID3v2Format.h"

#include "id3/ID3GenreNames.h"

#include <QStringDecoder>
#include <QUrl>

#include <cstring>

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

QByteArray RemoveUnsync(QByteArray data) {
    // One pass, in place: the runs up to and including each FF move down over
    // the 00 left out after it. A buffer not shared with anyone is not copied.
    const qsizetype n = data.size();
    const void* first = std::memchr(data.constData(), 0xFF, size_t(n));
    if (!first) return data;
    qsizetype i = static_cast<const char*>(first) - data.constData() + 1;
    char* p = data.data();
    qsizetype o = i;
    if (i < n && p[i] == '\0') ++i;
    while (i < n) {
        const void* ff = std::memchr(p + i, 0xFF, size_t(n - i));
        const qsizetype stop = ff ? static_cast<const char*>(ff) - p + 1 : n;
        if (o != i) std::memmove(p + o, p + i, size_t(stop - i));
        o += stop - i;
        i = stop;
        if (ff && i < n && p[i] == '\0') ++i;
    }
    data.truncate(o);
    return data;
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

QStringList DecodeTextValues(const QByteArray& body) {
    if (body.isEmpty()) return {};
    const quint8 enc = quint8(body.at(0));
    if (enc > 3) {
        // Not a text encoding: every byte as a character, zero bytes dropped.
        QString s;
        for (qsizetype i = 1; i < body.size(); ++i)
            if (body.at(i) != '\0') s.append(QChar(quint8(body.at(i))));
        return {QString(QChar(enc)) + s};
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
    return values;
}

QString DecodeTextBody(const QByteArray& body) {
    return DecodeTextValues(body).join(QLatin1Char('/'));
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

namespace {

// A genre code of one to three digits, 0 to 255.
int GenreCode(const QString& text) {
    if (text.isEmpty() || text.size() > 3) return -1;
    for (QChar c : text)
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return -1;
    const int code = text.toInt();
    return code <= 255 ? code : -1;
}

// The two keywords a genre may be besides a code.
QString GenreKeyword(const QString& text) {
    if (text == QLatin1String("RX")) return QStringLiteral("Remix");
    if (text == QLatin1String("CR")) return QStringLiteral("Cover");
    return QString();
}

} // namespace

GenreValue ParseGenre(const QString& value) {
    GenreValue g;
    qsizetype codeAt = -1; // where the first code's name stands in g.names
    auto code = [&](int c) {
        const QString name = ID3GenreNames(quint8(c));
        if (!g.hasCode) {
            g.hasCode = true;
            g.code = quint8(c);
            if (!name.isEmpty()) codeAt = g.names.size();
        }
        if (!name.isEmpty()) g.names << name;
    };
    for (const QString& v : value.split(QChar(0), Qt::SkipEmptyParts)) {
        // A value of a version 2.4 tag: a code on its own, or a keyword.
        if (GenreCode(v) >= 0) {
            code(GenreCode(v));
            continue;
        }
        if (!GenreKeyword(v).isEmpty()) {
            g.names << GenreKeyword(v);
            continue;
        }
        // Version 2.3: "(code)" groups, then a name of its own ("((" escapes a
        // name that begins with a parenthesis).
        const qsizetype before = g.names.size();
        qsizetype pos = 0;
        while (pos < v.size() && v.at(pos) == QLatin1Char('(') &&
               !v.mid(pos).startsWith(QLatin1String("(("))) {
            const qsizetype close = v.indexOf(QLatin1Char(')'), pos);
            if (close < 0) break;
            const QString inner = v.mid(pos + 1, close - pos - 1).trimmed();
            if (GenreCode(inner) >= 0)
                code(GenreCode(inner));
            else if (!GenreKeyword(inner).isEmpty())
                g.names << GenreKeyword(inner);
            else
                break;
            pos = close + 1;
        }
        QString rest = v.mid(pos);
        if (rest.startsWith(QLatin1String("(("))) rest.remove(0, 1);
        if (!rest.isEmpty() && !g.names.mid(before).contains(rest)) g.names << rest;
    }
    // The name shown beside the code: what the tag names besides it; the
    // list's name of the code when it names nothing else.
    QStringList others = g.names;
    if (codeAt >= 0) others.removeAt(codeAt);
    g.other = others.isEmpty() && g.hasCode ? ID3GenreNames(g.code) : others.join(QStringLiteral(" / "));
    return g;
}

QByteArray MapV22FrameID(const QByteArray& id) {
    // The frames of version 2.2 and the ones other taggers added to it.
    static const struct {
        const char* v22;
        const char* v23;
    } kMap[] = {
        {"BUF", "RBUF"}, {"CNT", "PCNT"}, {"COM", "COMM"}, {"CRA", "AENC"}, {"ETC", "ETCO"}, {"EQU", "EQUA"},
        {"GEO", "GEOB"}, {"IPL", "IPLS"}, {"MCI", "MCDI"}, {"MLL", "MLLT"}, {"PIC", "APIC"}, {"POP", "POPM"},
        {"REV", "RVRB"}, {"RVA", "RVAD"}, {"SLT", "SYLT"}, {"STC", "SYTC"}, {"TAL", "TALB"}, {"TBP", "TBPM"},
        {"TCM", "TCOM"}, {"TCO", "TCON"}, {"TCR", "TCOP"}, {"TDA", "TDAT"}, {"TDY", "TDLY"}, {"TEN", "TENC"},
        {"TFT", "TFLT"}, {"TIM", "TIME"}, {"TKE", "TKEY"}, {"TLA", "TLAN"}, {"TLE", "TLEN"}, {"TMT", "TMED"},
        {"TOA", "TOPE"}, {"TOF", "TOFN"}, {"TOL", "TOLY"}, {"TOR", "TORY"}, {"TOT", "TOAL"}, {"TP1", "TPE1"},
        {"TP2", "TPE2"}, {"TP3", "TPE3"}, {"TP4", "TPE4"}, {"TPA", "TPOS"}, {"TPB", "TPUB"}, {"TRC", "TSRC"},
        {"TRD", "TRDA"}, {"TRK", "TRCK"}, {"TSI", "TSIZ"}, {"TSS", "TSSE"}, {"TT1", "TIT1"}, {"TT2", "TIT2"},
        {"TT3", "TIT3"}, {"TXT", "TEXT"}, {"TXX", "TXXX"}, {"TYE", "TYER"}, {"UFI", "UFID"}, {"ULT", "USLT"},
        {"WAF", "WOAF"}, {"WAR", "WOAR"}, {"WAS", "WOAS"}, {"WCM", "WCOM"}, {"WCP", "WCOP"}, {"WPB", "WPUB"},
        {"WXX", "WXXX"}, {"TCP", "TCMP"}, {"TST", "TSOT"}, {"TSA", "TSOA"}, {"TSP", "TSOP"}, {"TS2", "TSO2"},
        {"TSC", "TSOC"},
    };
    for (const auto& m : kMap)
        if (id == m.v22) return QByteArray(m.v23);
    return QByteArray();
}

QByteArray PictureBodyV23(const QByteArray& pic) {
    if (pic.size() < 4) return pic;
    QByteArray format = pic.mid(1, 3);
    if (format.contains('\0')) format.truncate(format.indexOf('\0'));
    QByteArray mime;
    if (format.compare("JPG", Qt::CaseInsensitive) == 0)
        mime = "image/jpeg";
    else if (format == "-->")
        mime = format; // a link to the picture instead of the picture
    else
        mime = "image/" + format.toLower();
    return pic.left(1) + mime + '\0' + pic.mid(4);
}

bool IsValidFrameId(const QByteArray& id) {
    for (char c : id)
        if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) return false;
    return !id.isEmpty();
}

} // namespace id3::v2
