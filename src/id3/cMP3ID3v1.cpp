#include "id3/cMP3ID3v1.h"

#include "id3/ID3GenreNames.h"
#include "id3/TagError.h"
#include "id3/TagFile.h"

#include <cerrno>
#include <unistd.h>

namespace id3 {

namespace {

constexpr const char* kClass = "cMP3ID3v1";
constexpr qint64 kRecord = 128;

// Windows-1252, the code page ID3v1 text is written in where it is not
// plain Latin-1: the characters of the bytes 80 to 9F (the five bytes the
// code page leaves free stand for themselves).
constexpr char16_t kCp1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                      0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

QChar FromCp1252(uchar b) {
    return b >= 0x80 && b < 0xA0 ? QChar(kCp1252High[b - 0x80]) : QChar(b);
}

char ToCp1252(QChar c) {
    const char16_t u = c.unicode();
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) return char(u);
    for (int i = 0; i < 32; ++i)
        if (kCp1252High[i] == u) return char(0x80 + i);
    return '?';
}

// Text as one byte per character (Windows-1252; anything beyond it becomes
// "?"), cut or padded with blanks to the field's width.
QByteArray Field(const QString& text, int width) {
    QByteArray bytes;
    bytes.reserve(width);
    for (QChar c : text) {
        if (bytes.size() == width) break;
        bytes.append(ToCp1252(c));
    }
    bytes.append(QByteArray(width - bytes.size(), ' '));
    return bytes;
}

TagError NotValid(const QString& path) {
    return TagError(kErrNotValidMP3, TagErrorSource(kClass),
                    path + QStringLiteral(" is not a valid MP3 file."));
}

} // namespace

void cMP3ID3v1::setMP3File(const QString& path) {
    m_sFile = path;
    ReadID3v1Tag();
}

void cMP3ID3v1::Update() {
    WriteID3v1Tag();
}

QString cMP3ID3v1::GenreName(quint8 genre) const {
    return ID3GenreNames(genre);
}

QString cMP3ID3v1::CleanID3v1Field(const QByteArray& field) {
    // A zero byte ends the text: what follows it is left-over bytes, not text.
    const qsizetype end = field.indexOf('\0');
    const qsizetype length = end < 0 ? field.size() : end;
    QString text;
    text.reserve(length);
    for (qsizetype i = 0; i < length; ++i)
        text.append(FromCp1252(uchar(field.at(i))));
    qsizetype from = 0, to = text.size();
    while (from < to && text.at(from) == QLatin1Char(' '))
        ++from;
    while (to > from && text.at(to - 1) == QLatin1Char(' '))
        --to;
    return text.mid(from, to - from);
}

void cMP3ID3v1::ReadID3v1Tag() {
    m_sTitle.clear();
    m_sArtist.clear();
    m_sAlbum.clear();
    m_sYear.clear();
    m_sComment.clear();
    m_bGenre = 255;
    m_bTrack = 0;
    m_bTagFound = false;

    TagFile file;
    if (!file.OpenRead(m_sFile)) throw FileError(errno, kClass);
    const qint64 size = file.Size();
    if (size <= kRecord) return;
    QByteArray rec;
    if (!file.ReadAt(size - kRecord, kRecord, rec)) throw FileError(errno, kClass);
    if (rec.size() != kRecord || !rec.startsWith("TAG")) return;
    m_bTagFound = true;
    m_sTitle = CleanID3v1Field(rec.mid(3, 30));
    m_sArtist = CleanID3v1Field(rec.mid(33, 30));
    m_sAlbum = CleanID3v1Field(rec.mid(63, 30));
    m_sYear = CleanID3v1Field(rec.mid(93, 4));
    // Version 1.1 keeps a track number in the last byte of the comment, after
    // a zero byte; without that zero byte the comment has all 30 bytes (one
    // ending in a space is no track 32).
    const bool v11 = rec.at(125) == '\0' && rec.at(126) != '\0';
    m_sComment = CleanID3v1Field(rec.mid(97, v11 ? 28 : 30));
    m_bTrack = v11 ? quint8(rec.at(126)) : 0;
    m_bGenre = quint8(rec.at(127));
}

QByteArray cMP3ID3v1::RenderTag() const {
    return QByteArray("TAG") + Field(m_sTitle, 30) + Field(m_sArtist, 30) + Field(m_sAlbum, 30) +
           Field(m_sYear, 4) + Field(m_sComment, 28) + '\0' + char(m_bTrack) + char(m_bGenre);
}

void cMP3ID3v1::CheckUpdate() const {
    TagFile file;
    if (!file.OpenReadWrite(m_sFile)) throw FileError(errno, kClass);
    if (file.Size() <= kRecord) throw NotValid(m_sFile);
}

void cMP3ID3v1::WriteID3v1Tag() {
    TagFile file;
    if (!file.OpenReadWrite(m_sFile)) throw FileError(errno, kClass);
    const qint64 size = file.Size();
    if (size < 0) throw FileError(errno, kClass);
    // A file too short to hold audio and a record is refused rather than
    // reported as written.
    if (size <= kRecord) throw NotValid(m_sFile);

    QByteArray magic;
    if (!file.ReadAt(size - kRecord, 3, magic)) throw FileError(errno, kClass);
    const QByteArray record = RenderTag();
    if (magic == "TAG") {
        if (!file.WriteAt(size - kRecord + 3, record.mid(3))) throw FileError(errno, kClass);
    } else if (!file.WriteAt(size, record)) {
        const int err = errno;
        // A record half appended is taken off again, so the file keeps its former bytes.
        (void)!::ftruncate(file.Fd(), size);
        throw FileError(err, kClass);
    }
    if (!file.Sync()) throw FileError(errno, kClass);
}

} // namespace id3
