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

// Text as one byte per character (Latin-1; anything beyond it becomes "?"),
// cut or padded with blanks to the field's width.
QByteArray Field(const QString& text, int width) {
    QByteArray bytes;
    bytes.reserve(width);
    for (QChar c : text) {
        if (bytes.size() == width) break;
        bytes.append(c.unicode() <= 0xFF ? char(c.unicode()) : '?');
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
    QString text;
    text.reserve(field.size());
    for (char c : field)
        if (c != '\0') text.append(QChar(uchar(c)));
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
    m_sComment = CleanID3v1Field(rec.mid(97, 28));
    m_bTrack = quint8(rec.at(126));
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
