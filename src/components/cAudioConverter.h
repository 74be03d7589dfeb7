#pragma once

#include "components/AudioEncoder.h"

#include <QObject>
#include <QString>
#include <QTime>

#include <memory>

namespace components {

class Worker;

// The audio converter. It examines files (length, format, tags) and lists the
// codecs the encoders offer; every examining call is synchronous and runs on
// the caller's thread, and the enumeration signals are emitted before the
// enumerating call returns.
//
// It also converts one file at a time: StartConvert returns at once, the work
// runs on a worker thread, and Progress, then exactly one of Done, Error or
// Aborted arrive queued on the thread the converter lives in. A handler of
// Done or Error may set up and start the next conversion.
class cAudioConverter : public QObject {
    Q_OBJECT
    Q_PROPERTY(qint32 OutputFormat READ OutputFormat WRITE setOutputFormat)
    Q_PROPERTY(QString SourceFile READ SourceFile WRITE setSourceFile)
    Q_PROPERTY(qint32 RangeStart READ RangeStart WRITE setRangeStart)
    Q_PROPERTY(qint32 RangeLength READ RangeLength WRITE setRangeLength)
    Q_PROPERTY(QString DestinationFile READ DestinationFile WRITE setDestinationFile)
    Q_PROPERTY(QString TagTitle READ TagTitle WRITE setTagTitle)
    Q_PROPERTY(QString TagArtist READ TagArtist WRITE setTagArtist)
    Q_PROPERTY(QString TagAlbum READ TagAlbum WRITE setTagAlbum)
    Q_PROPERTY(QString TagYear READ TagYear WRITE setTagYear)
    Q_PROPERTY(QString TagTrack READ TagTrack WRITE setTagTrack)
    Q_PROPERTY(QString TagGenre READ TagGenre WRITE setTagGenre)
    Q_PROPERTY(QString TagComment READ TagComment WRITE setTagComment)

public:
    // Results of OpenSource.
    enum OpenResult : qint32 {
        OpenOk = 0,
        OpenNoFile = 1,          // missing, unreadable or empty path
        OpenNotMedia = 2,        // no container format recognised
        OpenNoAudio = 3,         // no audio stream
        OpenNoDecoder = 4,       // audio stream with no usable decoder
        OpenTooManyChannels = 5, // more channels than the program can use
        OpenBeyondBounds = 6,    // cannot be examined within the bounds set for opening a file
    };

    // Codes of the Error event.
    enum ConvertError : qint32 {
        ErrSourceOpen = 1,   // source missing/unreadable/not audio/corrupt
        ErrDestination = 2,  // destination cannot be written (or is the source itself)
        ErrEncoder = 3,      // settings cannot be encoded / encoder failure
        ErrNotSupported = 4, // format not available (APE encoding)
        ErrBusy = 5,         // StartConvert while a conversion runs
        ErrDecode = 6,       // decoding failed mid-file
    };

    // Flag of EnumACMTags: list only the tags a source of the given format can be converted to.
    static constexpr qint32 ACM_FORMATENUMF_CONVERT = 0x100000;

    explicit cAudioConverter(QObject* parent = nullptr);
    ~cAudioConverter() override;

    // Examines the file and keeps it open; 0 (OpenOk) = readable. On any other
    // result nothing stays open and Duration/SampleRate/Channels/BitsPerSample are 0.
    qint32 OpenSource(const QString& path);
    // Of the open file: length in milliseconds, rate in Hz, channels (1 = mono),
    // bits per sample (the decoded sample width; 16 for compressed formats that
    // decode to floating point).
    qint32 Duration() const;
    qint32 SampleRate() const;
    qint16 Channels() const;
    qint32 BitsPerSample() const;
    // Of the open file: the audio stream's bit rate in kbit/s (192 for a
    // 192 kbit/s MP3, 1411 for CD-quality PCM); 0 when the file states none.
    qint32 BitRate() const;
    void CloseSource();
    // Releases everything the instance holds (a running conversion is aborted and
    // answered by Aborted); OpenSource works again afterwards.
    void Close();

    // Loads the file's tags into the seven tag properties. Each call starts from
    // empty tags, so a file that cannot be read leaves all seven empty. True when
    // the file could be read (tags or not).
    bool ReadTags(const QString& path);

    QString TagTitle() const { return m_sTagTitle; }
    QString TagArtist() const { return m_sTagArtist; }
    QString TagAlbum() const { return m_sTagAlbum; }
    QString TagYear() const { return m_sTagYear; }
    QString TagTrack() const { return m_sTagTrack; }
    QString TagGenre() const { return m_sTagGenre; }
    QString TagComment() const { return m_sTagComment; }
    void setTagTitle(const QString& s) { m_sTagTitle = s; }
    void setTagArtist(const QString& s) { m_sTagArtist = s; }
    void setTagAlbum(const QString& s) { m_sTagAlbum = s; }
    void setTagYear(const QString& s) { m_sTagYear = s; }
    void setTagTrack(const QString& s) { m_sTagTrack = s; }
    void setTagGenre(const QString& s) { m_sTagGenre = s; }
    void setTagComment(const QString& s) { m_sTagComment = s; }

    // A time of day whose "HH:mm:ss" text shows the count as two-digit fields
    // (counts of a day or more wrap, as a time of day does).
    static QTime SecondsToTime(qint32 seconds);

    // Emits ACMTagItem once per codec of the WAV container, before returning.
    // With ACM_FORMATENUMF_CONVERT only the codecs that can encode a source of the
    // given rate/channels/bits are listed; with 0 every codec is.
    void EnumACMTags(qint32 formatTag, qint32 samplesPerSec, qint32 channels, qint32 bitsPerSample,
                     qint32 flags);
    // Emits ACMFormatItem once per format of the named codec, before returning.
    // An unknown name lists nothing.
    void EnumACMFormats(const QString& tagName);

    // The WMA encoders and their formats, 0-based, in a fixed order. Indexes out
    // of range give 0 / an empty name.
    qint32 WMACodecCount() const;
    QString WMACodecName(qint32 index) const;
    qint32 WMAFormatCount(qint32 codecIndex) const;
    QString WMAFormatName(qint32 codecIndex, qint32 formatIndex) const;

    // The output format: 1 WAV, 2 ACM WAV (WAV with a chosen codec), 3 MP3, 4 WMA, 5 OGG, 6 APE.
    qint32 OutputFormat() const { return m_setup.OutputFormat; }
    void setOutputFormat(qint32 format) { m_setup.OutputFormat = format; }
    // The settings of each format; they hold for every later conversion until changed.
    void SetWAVSettings(const tWAVSettings& s) { m_setup.WAV = s; }
    void SetMP3Settings(const tMP3Settings& s) { m_setup.MP3 = s; }
    void SetWMASettings(const tWMASettings& s) { m_setup.WMA = s; }
    void SetOGGSettings(const tOGGSettings& s) { m_setup.OGG = s; }
    // Names as EnumACMTags and EnumACMFormats list them.
    void SetACMSettings(const QString& tagName, const QString& formatName);
    void SetAPESettings(qint32 level) { m_setup.APELevel = level; }

    QString SourceFile() const { return m_sSourceFile; }
    void setSourceFile(const QString& path) { m_sSourceFile = path; }
    // The part of the source to convert, in seconds; a length of 0 runs to the
    // end. The range applies to the next StartConvert only.
    qint32 RangeStart() const { return m_lRangeStart; }
    void setRangeStart(qint32 seconds) { m_lRangeStart = seconds; }
    qint32 RangeLength() const { return m_lRangeLength; }
    void setRangeLength(qint32 seconds) { m_lRangeLength = seconds; }
    QString DestinationFile() const { return m_sDestinationFile; }
    void setDestinationFile(const QString& path) { m_sDestinationFile = path; }

    // Converts SourceFile into DestinationFile with the seven tags; returns at
    // once. While a conversion runs, a new start is answered by Error(ErrBusy).
    void StartConvert();
    // Answered by Aborted when a conversion runs; the destination is left as it was.
    void Abort();
    bool IsConverting() const;

signals:
    void ACMTagItem(const QString& name);
    void ACMFormatItem(const QString& name);

    void Progress(qint32 percent);
    void Done();
    void Error(qint32 code, const QString& description);
    void Aborted();

private:
    void ClearTags();

    struct Source;
    qint32 Examine(Source& src);
    std::unique_ptr<Source> m_source; // the examined file, null when none is open

    QString m_sTagTitle;
    QString m_sTagArtist;
    QString m_sTagAlbum;
    QString m_sTagYear;
    QString m_sTagTrack;
    QString m_sTagGenre;
    QString m_sTagComment;

    EncoderSetup m_setup;
    QString m_sSourceFile;
    qint32 m_lRangeStart = 0;
    qint32 m_lRangeLength = 0;
    QString m_sDestinationFile;
    std::unique_ptr<Worker> m_worker; // last, so it stops a running conversion first
};

} // namespace components
