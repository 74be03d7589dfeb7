// The ID3v2 tag of one MP3 file, held as a store of frames: each frame id has
// one or more instances, in the order the ids were first added. Eighteen tag
// properties are tied to frames; setting one to a new value rewrites its
// frame, setting the value it already has changes nothing. Frames nobody
// edited keep their bytes as they were read and are written back unchanged.
//
// MP3File reads a tag of version 2.2, 2.3 or 2.4 found at the start of the
// file; Update writes the store back (version 2.3, or 2.4 for a tag that was
// 2.4), in place when it fits into the old tag's room, otherwise by building
// the file anew beside it and renaming it over. Failures are id3::TagError.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <vector>

namespace id3 {

class cMP3ID3v2 {
public:
    // One instance of a frame as it will be written: flags and body in the
    // format of the tag's version.
    struct FrameData {
        quint16 flags = 0;
        QByteArray body;
    };

    bool HasID3v2Tag() const { return m_lTagPos > 0; }
    quint8 ID3v2TagVersion() const { return m_bTagVersion; }
    quint8 TagVersion() const { return m_bTagVersion; }

    // The frame store. Ids compare without regard to letter case. Positions
    // and instance numbers count from 1. Before the first MP3File the store
    // does not exist and these raise error 91 (TagsInFrame gives 0).
    qint32 FrameCount() const;
    QString Frame(qint32 index) const;                       // error 9 outside 1..FrameCount
    void RemoveFrame(const QString& frame);                  // error 5 for an absent id
    qint32 TagsInFrame(const QString& frame) const;          // 0 for an absent id
    void AddTag(const QString& sFrame, const QString& sTag); // body made from the text as the id wants it
    void RemoveTag(const QString& sFrame, qint32 tagIndex);  // error 5 for an absent instance
    // The value of one instance as text (decoded by its encoding byte).
    QString GetFrameValue(const QString& frame, qint32 n) const;
    // The bytes of one instance as they will be written.
    FrameData GetFrameData(const QString& frame, qint32 n) const;

    QString ArtistURL() const { return m_sArtistURL; }
    void setArtistURL(const QString& v);
    QString BuyURL() const { return m_sBuyURL; }
    void setBuyURL(const QString& v);
    QString AudioURL() const { return m_sAudioURL; }
    void setAudioURL(const QString& v);
    QString Copyright() const { return m_sCopyright; }
    void setCopyright(const QString& v);
    QString Composer() const { return m_sComposer; }
    void setComposer(const QString& v);
    QString OriginalArtist() const { return m_sOriginalArtist; }
    void setOriginalArtist(const QString& v);
    // The URL of the first WXXX frame with an empty description.
    QString LinkTo() const { return m_sLinkTo; }
    void setLinkTo(const QString& v);
    QString PlayCounter() const { return m_sPlayCounter; }
    void setPlayCounter(const QString& v);
    QString EncodedBy() const { return m_sEncodedBy; }
    void setEncodedBy(const QString& v);
    QString Title() const { return m_sTitle; }
    void setTitle(const QString& v);
    QString Artist() const { return m_sArtist; }
    void setArtist(const QString& v);
    QString Album() const { return m_sAlbum; }
    void setAlbum(const QString& v);
    // TYER; in a version 2.4 tag TDRC.
    QString Year() const { return m_sYear; }
    void setYear(const QString& v);
    // The text of the first COMM frame with an empty description; other COMM frames stay as they are.
    QString Comment() const { return m_sComment; }
    void setComment(const QString& v);
    // The text of the first USLT frame with an empty description.
    QString Lyrics() const { return m_sLyrics; }
    void setLyrics(const QString& v);
    // TCON is written as "(Genre)OtherGenreName"; 255 = no genre code.
    quint8 Genre() const { return m_bGenre; }
    void setGenre(quint8 v);
    QString OtherGenreName() const { return m_sOtherGenreName; }
    void setOtherGenreName(const QString& v);
    QString Track() const { return m_sTrack; }
    void setTrack(const QString& v);

    QString GenreName(quint8 genre) const;
    // Every genre the TCON frame names, as the common tag readers list them:
    // codes by their list names, "RX" as Remix, "CR" as Cover.
    QStringList Genres() const { return m_genres; }

    // The ids of the frames of a version 2.2 tag read that have no version 2.3
    // id: Update leaves them out.
    QStringList DroppedFrames() const { return m_dropped; }

    QString MP3File() const { return m_sFile; }
    // Stores the path and reads its tag; an open failure raises and leaves the object empty.
    void setMP3File(const QString& path);

    // Writes the store into the file last assigned.
    void Update();
    // Raises what Update would raise before it changes anything; touches nothing.
    void CheckUpdate() const;

    // The tag bytes Update would write (before the room's size is set in the header).
    QByteArray RenderTag() const;

    // Starts an empty tag without reading a file, for a file being written
    // from scratch: the properties and frame calls work on it as on a tag read.
    void NewTag();
    // The tag as it goes at the start of a new file: in the room Update gives
    // a tag in a file without one, with its padding.
    QByteArray RenderTagInRoom() const;

    // Reads a tag from the bytes of a whole file instead of a file (the reader's
    // entry for tests and fuzzing).
    void ReadFromBytes(const QByteArray& fileBytes);

private:
    struct Group {
        QString id;
        std::vector<FrameData> items;
    };

    void ResetState();
    void ReadID3v2Tag();
    void ParseTag(const QByteArray& header, QByteArray data);
    void StoreFrame(const QByteArray& id, quint16 flags, const QByteArray& body);
    void SetPropertiesFromStore();
    QByteArray PlainBody(const FrameData& f) const;
    QString ValueOf(const QString& id, const FrameData& f) const;

    int FindGroup(const QString& id) const;
    void RequireStore() const;
    void AddFrame(const QString& id, const QByteArray& body);
    void SetTextFrame(const char* id, QString& field, const QString& value);
    void SetUrlFrame(const char* id, QString& field, const QString& value);
    void SetDescribedFrame(const char* id, QString& field, const QString& value);
    void WriteGenreFrame();
    quint8 OutputVersion() const { return m_bTagVersion == 4 ? 4 : 3; }

    void WriteID3v2Tag();
    // Opens the file for writing and finds the room of its current tag (0 when it
    // has none); raises when a tag stands there that cannot be replaced.
    qint64 OldRegion(class TagFile& file) const;

    QString m_sFile;
    qint32 m_lTagPos = 0;
    quint8 m_bTagVersion = 0;
    QString m_sTitle, m_sArtist, m_sAlbum, m_sYear, m_sComment;
    quint8 m_bGenre = 0;
    QString m_sTrack, m_sPlayCounter, m_sEncodedBy, m_sOtherGenreName, m_sLinkTo, m_sOriginalArtist,
        m_sComposer, m_sCopyright, m_sAudioURL, m_sBuyURL, m_sArtistURL, m_sLyrics;

    bool m_bHasStore = false;
    std::vector<Group> m_frames;
    // Position of each id (upper case) in m_frames, so a tag of many frames reads in linear time.
    QHash<QString, int> m_index;
    void EraseGroup(int g);
    // Why the tag read cannot be written back without loss; empty when it can.
    QString m_sCannotRewrite;
    // The v2.4 header said every frame is unsynchronised.
    bool m_bTagUnsync = false;
    QStringList m_genres;
    QStringList m_dropped;
};

} // namespace id3
