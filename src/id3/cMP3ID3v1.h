// The ID3v1 tag of one MP3 file: the 128-byte record at its very end, written
// in the version 1.1 layout (28-byte comment, zero byte, track). Assigning
// MP3File reads the record; Update writes the properties back over it or
// appends a new one. Failures are raised as id3::TagError.
#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

namespace id3 {

class cMP3ID3v1 {
public:
    QString MP3File() const { return m_sFile; }
    // Stores the path and reads its record; a failed read leaves the reset values and raises.
    void setMP3File(const QString& path);

    // Writes the properties into the file last assigned. A file of 128 bytes
    // or fewer is no MP3 file (kErrNotValidMP3); a missing file is never created.
    void Update();
    // Raises what Update would raise before writing anything (open, size); touches nothing.
    void CheckUpdate() const;

    bool HasID3v1Tag() const { return m_bTagFound; }

    // The 128-byte record Update writes, "TAG" first.
    QByteArray RenderTag() const;

    QString Title() const { return m_sTitle; }
    void setTitle(const QString& v) { m_sTitle = v; }
    QString Artist() const { return m_sArtist; }
    void setArtist(const QString& v) { m_sArtist = v; }
    QString Album() const { return m_sAlbum; }
    void setAlbum(const QString& v) { m_sAlbum = v; }
    QString Year() const { return m_sYear; }
    void setYear(const QString& v) { m_sYear = v; }
    quint8 Track() const { return m_bTrack; }
    void setTrack(quint8 v) { m_bTrack = v; }
    QString Comment() const { return m_sComment; }
    void setComment(const QString& v) { m_sComment = v; }
    // 255 = no genre.
    quint8 Genre() const { return m_bGenre; }
    void setGenre(quint8 v) { m_bGenre = v; }

    QString GenreName(quint8 genre) const;

private:
    void ReadID3v1Tag();
    static QString CleanID3v1Field(const QByteArray& field);
    void WriteID3v1Tag();

    QString m_sFile;
    bool m_bTagFound = false;
    QString m_sTitle, m_sArtist, m_sAlbum, m_sYear, m_sComment;
    quint8 m_bGenre = 0;
    quint8 m_bTrack = 0;
};

} // namespace id3
