#include "components/Id3TagWriter.h"

#include "components/AudioEncoder.h"

#include <array>

namespace components::id3 {

namespace {

// The ID3v1 genre list by code (the original list and its common extension).
constexpr std::array<const char*, 148> kGenres = {
    "Blues",
    "Classic Rock",
    "Country",
    "Dance",
    "Disco",
    "Funk",
    "Grunge",
    "Hip-Hop",
    "Jazz",
    "Metal",
    "New Age",
    "Oldies",
    "Other",
    "Pop",
    "R&B",
    "Rap",
    "Reggae",
    "Rock",
    "Techno",
    "Industrial",
    "Alternative",
    "Ska",
    "Death Metal",
    "Pranks",
    "Soundtrack",
    "Euro-Techno",
    "Ambient",
    "Trip-Hop",
    "Vocal",
    "Jazz+Funk",
    "Fusion",
    "Trance",
    "Classical",
    "Instrumental",
    "Acid",
    "House",
    "Game",
    "Sound Clip",
    "Gospel",
    "Noise",
    "AlternRock",
    "Bass",
    "Soul",
    "Punk",
    "Space",
    "Meditative",
    "Instrumental Pop",
    "Instrumental Rock",
    "Ethnic",
    "Gothic",
    "Darkwave",
    "Techno-Industrial",
    "Electronic",
    "Pop-Folk",
    "Eurodance",
    "Dream",
    "Southern Rock",
    "Comedy",
    "Cult",
    "Gangsta",
    "Top 40",
    "Christian Rap",
    "Pop/Funk",
    "Jungle",
    "Native American",
    "Cabaret",
    "New Wave",
    "Psychadelic",
    "Rave",
    "Showtunes",
    "Trailer",
    "Lo-Fi",
    "Tribal",
    "Acid Punk",
    "Acid Jazz",
    "Polka",
    "Retro",
    "Musical",
    "Rock & Roll",
    "Hard Rock",
    "Folk",
    "Folk-Rock",
    "National Folk",
    "Swing",
    "Fast Fusion",
    "Bebob",
    "Latin",
    "Revival",
    "Celtic",
    "Bluegrass",
    "Avantgarde",
    "Gothic Rock",
    "Progressive Rock",
    "Psychedelic Rock",
    "Symphonic Rock",
    "Slow Rock",
    "Big Band",
    "Chorus",
    "Easy Listening",
    "Acoustic",
    "Humour",
    "Speech",
    "Chanson",
    "Opera",
    "Chamber Music",
    "Sonata",
    "Symphony",
    "Booty Bass",
    "Primus",
    "Porn Groove",
    "Satire",
    "Slow Jam",
    "Club",
    "Tango",
    "Samba",
    "Folklore",
    "Ballad",
    "Power Ballad",
    "Rhythmic Soul",
    "Freestyle",
    "Duet",
    "Punk Rock",
    "Drum Solo",
    "A capella",
    "Euro-House",
    "Dance Hall",
    "Goa",
    "Drum & Bass",
    "Club-House",
    "Hardcore",
    "Terror",
    "Indie",
    "BritPop",
    "Negerpunk",
    "Polsk Punk",
    "Beat",
    "Christian Gangsta Rap",
    "Heavy Metal",
    "Black Metal",
    "Crossover",
    "Contemporary Christian",
    "Christian Rock",
    "Merengue",
    "Salsa",
    "Thrash Metal",
    "Anime",
    "JPop",
    "Synthpop",
};

// Letters and digits only, lower case: "Hip Hop", "Hip-Hop" and "hiphop" are one genre.
QString GenreKey(const QString& name) {
    QString key;
    for (const QChar ch : name)
        if (ch.isLetterOrNumber()) key += ch.toLower();
    return key;
}

bool IsLatin1(const QString& text) {
    for (const QChar ch : text)
        if (ch.unicode() > 0xFF) return false;
    return true;
}

QByteArray ToLatin1(const QString& text) {
    QByteArray out;
    out.reserve(text.size());
    for (const QChar ch : text)
        out += ch.unicode() < 256 ? char(ch.unicode()) : '?';
    return out;
}

// Encoding byte, then the text (and, for COMM, the empty description before it).
QByteArray EncodedText(const QString& text, bool withDescription) {
    QByteArray out;
    if (IsLatin1(text)) {
        out += '\0';
        if (withDescription) out += '\0';
        out += ToLatin1(text);
        return out;
    }
    auto utf16 = [&out](const QString& s) {
        out += '\xFF';
        out += '\xFE'; // little-endian byte-order mark
        for (const QChar ch : s) {
            out += char(ch.unicode() & 0xFF);
            out += char(ch.unicode() >> 8);
        }
    };
    out += '\x01';
    if (withDescription) {
        utf16(QString());
        out += QByteArray(2, '\0');
    }
    utf16(text);
    return out;
}

void PutBigEndian(QByteArray& out, quint32 value) {
    out += char(value >> 24);
    out += char(value >> 16);
    out += char(value >> 8);
    out += char(value);
}

bool AllEmpty(const EncoderTags& t) {
    for (const QString* s : {&t.Title, &t.Artist, &t.Album, &t.Year, &t.Track, &t.Genre, &t.Comment})
        if (!s->trimmed().isEmpty()) return false;
    return true;
}

} // namespace

quint8 V1GenreCode(const QString& genre) {
    const QString key = GenreKey(genre);
    if (key.isEmpty()) return 255;
    for (size_t i = 0; i < kGenres.size(); ++i)
        if (GenreKey(QString::fromLatin1(kGenres[i])) == key) return quint8(i);
    return 255;
}

QByteArray V2Tag(const EncoderTags& tags) {
    if (AllEmpty(tags)) return {};
    const std::pair<const char*, const QString*> frames[] = {
        {"TIT2", &tags.Title}, {"TPE1", &tags.Artist}, {"TALB", &tags.Album},   {"TYER", &tags.Year},
        {"TRCK", &tags.Track}, {"TCON", &tags.Genre},  {"COMM", &tags.Comment},
    };
    QByteArray body;
    for (const auto& [id, value] : frames) {
        const QString text = value->trimmed();
        if (text.isEmpty()) continue;
        const bool comment = qstrcmp(id, "COMM") == 0;
        QByteArray content = EncodedText(text, comment);
        if (comment) content.insert(1, "eng", 3); // language, after the encoding byte
        body += id;
        PutBigEndian(body, quint32(content.size()));
        body += QByteArray(2, '\0'); // frame flags
        body += content;
    }
    // Room for a tag editor to grow the tag in place.
    body += QByteArray(256, '\0');
    QByteArray tag("ID3\x03\x00\x00", 6);
    const quint32 size = quint32(body.size()); // synchsafe: seven bits per byte
    tag += char((size >> 21) & 0x7F);
    tag += char((size >> 14) & 0x7F);
    tag += char((size >> 7) & 0x7F);
    tag += char(size & 0x7F);
    return tag + body;
}

QByteArray V1Tag(const EncoderTags& tags) {
    if (AllEmpty(tags)) return {};
    QByteArray tag("TAG");
    auto put = [&tag](const QString& text, int width) {
        QByteArray field = ToLatin1(text.trimmed()).left(width);
        tag += field + QByteArray(width - field.size(), '\0');
    };
    put(tags.Title, 30);
    put(tags.Artist, 30);
    put(tags.Album, 30);
    put(tags.Year, 4);
    bool ok = false;
    const int track = tags.Track.trimmed().section(QLatin1Char('/'), 0, 0).toInt(&ok);
    if (ok && track > 0 && track < 256) {
        put(tags.Comment, 28);
        tag += '\0';
        tag += char(track);
    } else {
        put(tags.Comment, 30);
    }
    tag += char(V1GenreCode(tags.Genre));
    return tag;
}

} // namespace components::id3
