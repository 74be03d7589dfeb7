#pragma once

#include "components/AudioEncoder.h"

#include <QList>
#include <QObject>
#include <QString>

#include <memory>

namespace components {

class Worker;

// The audio joiner: a list of inputs (each whole or a range of it), joined in
// list order into one file of the output format, with the seven tags.
//
// StartJoin returns at once; the work runs on a worker thread: every input is
// decoded, brought to the output's rate and channels and fed to one encoder,
// so the output holds the inputs back to back, exact to the sample.
// Progress(index, percent) follows each input, then exactly one of Done,
// Error or Aborted arrives, queued on the thread the joiner lives in.
//
// The output is written under a partial name beside the destination and
// renamed over it only when complete: an aborted or failed join leaves no
// output (and an existing destination as it was).
class cAudioJoin : public QObject {
    Q_OBJECT
    Q_PROPERTY(qint32 OutputFormat READ OutputFormat WRITE setOutputFormat)
    Q_PROPERTY(QString DestinationFile READ DestinationFile WRITE setDestinationFile)
    Q_PROPERTY(QString TagTitle READ TagTitle WRITE setTagTitle)
    Q_PROPERTY(QString TagArtist READ TagArtist WRITE setTagArtist)
    Q_PROPERTY(QString TagAlbum READ TagAlbum WRITE setTagAlbum)
    Q_PROPERTY(QString TagYear READ TagYear WRITE setTagYear)
    Q_PROPERTY(QString TagTrack READ TagTrack WRITE setTagTrack)
    Q_PROPERTY(QString TagGenre READ TagGenre WRITE setTagGenre)
    Q_PROPERTY(QString TagComment READ TagComment WRITE setTagComment)

public:
    // Codes of the Error event (those the converter uses for the same faults).
    enum JoinError : qint32 {
        ErrSourceOpen = 1,   // an input is missing, unreadable or holds no audio
        ErrDestination = 2,  // the output cannot be written (or is one of the inputs)
        ErrEncoder = 3,      // the settings cannot be encoded / encoder failure
        ErrNotSupported = 4, // format not available (APE encoding)
        ErrBusy = 5,         // StartJoin while a join runs
        ErrDecode = 6,       // an input failed to decode midway
        ErrNothingToJoin = 7,
    };

    explicit cAudioJoin(QObject* parent = nullptr);
    ~cAudioJoin() override;

    // The output format: 1 WAV, 2 ACM WAV, 3 MP3, 4 WMA, 5 OGG, 6 APE; the
    // settings of each hold for every later join until changed.
    qint32 OutputFormat() const { return m_setup.OutputFormat; }
    void setOutputFormat(qint32 format) { m_setup.OutputFormat = format; }
    void SetWAVSettings(const tWAVSettings& s) { m_setup.WAV = s; }
    void SetACMSettings(const QString& tagName, const QString& formatName);
    void SetMP3Settings(const tMP3Settings& s) { m_setup.MP3 = s; }
    void SetWMASettings(const tWMASettings& s) { m_setup.WMA = s; }
    void SetOGGSettings(const tOGGSettings& s) { m_setup.OGG = s; }
    void SetAPESettings(qint32 level) { m_setup.APELevel = level; }

    QString TagTitle() const { return m_tags.Title; }
    QString TagArtist() const { return m_tags.Artist; }
    QString TagAlbum() const { return m_tags.Album; }
    QString TagYear() const { return m_tags.Year; }
    QString TagTrack() const { return m_tags.Track; }
    QString TagGenre() const { return m_tags.Genre; }
    QString TagComment() const { return m_tags.Comment; }
    void setTagTitle(const QString& s) { m_tags.Title = s; }
    void setTagArtist(const QString& s) { m_tags.Artist = s; }
    void setTagAlbum(const QString& s) { m_tags.Album = s; }
    void setTagYear(const QString& s) { m_tags.Year = s; }
    void setTagTrack(const QString& s) { m_tags.Track = s; }
    void setTagGenre(const QString& s) { m_tags.Genre = s; }
    void setTagComment(const QString& s) { m_tags.Comment = s; }

    // The join list. Indexes are 1-based, in the order of AddFile.
    qint32 FileCount() const { return qint32(m_inputs.size()); }
    // Appends an input: start and length in seconds, both -1 for the whole
    // file; a length of 0 or less runs to the end of the file.
    void AddFile(const QString& path, qint32 start, qint32 length);
    // Removes an input; an index outside 1..FileCount() changes nothing.
    void RemoveFile(qint32 index);
    // The path of an input with its start and length (an empty path and -1, -1
    // for an index outside the list).
    QString GetFile(qint32 index, qint32& start, qint32& length) const;

    QString DestinationFile() const { return m_sDestinationFile; }
    void setDestinationFile(const QString& path) { m_sDestinationFile = path; }

    // Joins the list into DestinationFile; returns at once. While a join runs,
    // a new start is answered by Error(ErrBusy).
    void StartJoin();
    // Answered by Aborted when a join runs.
    void Abort();
    // Makes sure nothing of an unfinished output stays: a running join is
    // stopped as by Abort, and its partial file is gone before Aborted
    // arrives; a stopped join has left none (it removes its own as it stops).
    void Cleanup();
    // Releases everything: a running join is aborted (and answered by
    // Aborted), the list and the tags are emptied.
    void Close();
    bool IsJoining() const;

signals:
    // index: 1-based input being joined; percent: 0 to 100 within it.
    void Progress(qint32 index, qint32 percent);
    void Done();
    void Error(qint32 code, const QString& description);
    void Aborted();

private:
    struct Input {
        QString path;
        qint32 start = -1;
        qint32 length = -1;
    };

    EncoderSetup m_setup;
    EncoderTags m_tags;
    QList<Input> m_inputs;
    QString m_sDestinationFile;
    std::unique_ptr<Worker> m_worker; // last, so it stops a running join first
};

} // namespace components
