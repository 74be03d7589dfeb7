// The CD ripper component: lists the CD drives (the shared DriveRegistry, so
// names agree with every other component), answers questions about the disc
// in the selected drive and moves its tray.
//
// SelectDevice takes a snapshot of the drive's disc; the disc and track
// questions answer from it until the next SelectDevice, OpenTray or
// CloseTray, so the callers' "select, then ask" pattern reads the disc once.
//
// Ripping: a run sets OutputFormat, one settings call and DeviceIndex; each
// track then sets Track (which makes the rip whole again), the seven tags,
// optionally RangeStart/RangeLength, DestinationFile, and calls StartRip. The
// audio is read with libcdio-paranoia on a worker thread and encoded through
// the program's one encoder path into a temporary file that is renamed over
// the destination only when the track is complete. Progress reports follow,
// then exactly one of Done, Aborted or Error, always queued; StartRip may be
// called again from inside Done or Error.
#pragma once

#include "components/AudioEncoder.h"
#include "components/DriveRegistry.h"
#include "components/EncoderRecords.h"
#include "components/Worker.h"

#include <QHash>
#include <QObject>
#include <QString>

namespace components {

class cAudioCDRipper : public QObject {
    Q_OBJECT
    Q_PROPERTY(qint32 DeviceIndex READ DeviceIndex WRITE setDeviceIndex)
    Q_PROPERTY(qint32 OutputFormat READ OutputFormat WRITE setOutputFormat)
    Q_PROPERTY(qint32 Track READ Track WRITE setTrack)
    Q_PROPERTY(qint32 RangeStart READ RangeStart WRITE setRangeStart)
    Q_PROPERTY(qint32 RangeLength READ RangeLength WRITE setRangeLength)
    Q_PROPERTY(QString DestinationFile READ DestinationFile WRITE setDestinationFile)
    Q_PROPERTY(QString TagAlbum READ TagAlbum WRITE setTagAlbum)
    Q_PROPERTY(QString TagArtist READ TagArtist WRITE setTagArtist)
    Q_PROPERTY(QString TagComment READ TagComment WRITE setTagComment)
    Q_PROPERTY(QString TagGenre READ TagGenre WRITE setTagGenre)
    Q_PROPERTY(QString TagTitle READ TagTitle WRITE setTagTitle)
    Q_PROPERTY(QString TagTrack READ TagTrack WRITE setTagTrack)
    Q_PROPERTY(QString TagYear READ TagYear WRITE setTagYear)

public:
    // Error codes of the Error event.
    enum ErrorCode : qint32 {
        ErrUnreadableDisc = 1, // the disc or its image cannot be read
        ErrTray = 2,           // the drive's tray could not be moved
        ErrNoDisc = 3,         // no drive of that number, or no audio CD in it
        ErrBadTrack = 4,       // no such track, or a data track
        ErrBadRange = 5,       // the range starts outside the track
        ErrRead = 6,           // the audio could not be read from the disc
        ErrDestination = 7,    // the destination cannot be written (or the settings cannot be encoded)
        ErrEncode = 8,         // encoding or finishing the file failed
        ErrBusy = 9,           // StartRip while a rip is running
    };

    // The audio a disc delivers.
    static constexpr int kCdRate = 44100;
    static constexpr int kCdChannels = 2;

    explicit cAudioCDRipper(QObject* parent = nullptr);
    ~cAudioCDRipper() override;

    // Drives, numbered from 0 to DeviceCount() - 1.
    qint32 DeviceCount() const;
    // Begins with the drive letter and a colon ("E: Virtual drive (/tmp/x)"); "" for no such drive.
    QString DeviceName(qint32 drive) const;
    // True for any existing drive, with or without a disc; the members below
    // then answer for that drive.
    bool SelectDevice(qint32 drive);

    // The disc holds at least one audio track.
    bool IsAudioCD() const;
    // False when the selected drive holds no disc at all (or its tray is open).
    bool IsDiscIn() const;
    // Tracks of the disc (audio and data tracks of an audio CD); 0 when the
    // drive holds no disc, a blank one, a data disc or one that cannot be read.
    qint32 TrackCount() const;
    // 1 for an audio track, 0 for a data track or no such track. Tracks from 1.
    qint32 TrackType(qint32 track) const;
    // The track's length in whole seconds; 0 for no such track.
    qint32 TrackLength(qint32 track) const;
    // Where the track starts on the disc, in whole seconds; 0 for no such track.
    qint32 TrackStart(qint32 track) const;
    // "E:/Track01.cda"; "" for no such track.
    QString TrackPath(qint32 track) const;

    // Tray of the selected drive. An open tray holds no disc until it closes.
    void OpenTray();
    void CloseTray();

    // The selected drive's number (-1 before SelectDevice) and its disc snapshot.
    qint32 selectedDevice() const { return m_device; }
    const DiscInfo& disc() const { return m_disc; }

    // --- Ripping ---
    // The drive to rip from (0-based, as DeviceName numbers them).
    qint32 DeviceIndex() const { return m_ripDevice; }
    void setDeviceIndex(qint32 drive) { m_ripDevice = drive; }
    // 1 WAV, 2 ACM WAV, 3 MP3, 4 WMA, 5 OGG, 6 APE.
    qint32 OutputFormat() const { return m_setup.OutputFormat; }
    void setOutputFormat(qint32 format) { m_setup.OutputFormat = format; }
    void SetWAVSettings(const tWAVSettings& settings) { m_setup.WAV = settings; }
    void SetMP3Settings(const tMP3Settings& settings) { m_setup.MP3 = settings; }
    void SetWMASettings(const tWMASettings& settings) { m_setup.WMA = settings; }
    void SetOGGSettings(const tOGGSettings& settings) { m_setup.OGG = settings; }
    void SetACMSettings(const QString& codec, const QString& format) {
        m_setup.ACMTag = codec;
        m_setup.ACMFormat = format;
    }
    void SetAPESettings(qint32 level) { m_setup.APELevel = level; }

    // The track to rip, from 1; setting it makes the rip whole again.
    qint32 Track() const { return m_track; }
    void setTrack(qint32 track) {
        m_track = track;
        m_rangeStart = -1;
        m_rangeLength = -1;
    }
    // Part of the track to rip, in seconds; set after Track. A length of 0 or
    // one past the track's end rips to the end of the track.
    qint32 RangeStart() const { return m_rangeStart; }
    void setRangeStart(qint32 seconds) { m_rangeStart = seconds; }
    qint32 RangeLength() const { return m_rangeLength; }
    void setRangeLength(qint32 seconds) { m_rangeLength = seconds; }

    QString TagAlbum() const { return m_tags.Album; }
    void setTagAlbum(const QString& s) { m_tags.Album = s; }
    QString TagArtist() const { return m_tags.Artist; }
    void setTagArtist(const QString& s) { m_tags.Artist = s; }
    QString TagComment() const { return m_tags.Comment; }
    void setTagComment(const QString& s) { m_tags.Comment = s; }
    QString TagGenre() const { return m_tags.Genre; }
    void setTagGenre(const QString& s) { m_tags.Genre = s; }
    QString TagTitle() const { return m_tags.Title; }
    void setTagTitle(const QString& s) { m_tags.Title = s; }
    QString TagTrack() const { return m_tags.Track; }
    void setTagTrack(const QString& s) { m_tags.Track = s; }
    QString TagYear() const { return m_tags.Year; }
    void setTagYear(const QString& s) { m_tags.Year = s; }

    // Full path of the file to write; an existing file is replaced at Done.
    QString DestinationFile() const { return m_destination; }
    void setDestinationFile(const QString& path) { m_destination = path; }

    // Starts ripping the track and returns at once.
    void StartRip();
    // Stops the running rip; Aborted follows and no file is left behind.
    void Abort();
    // Stops any running rip (its Aborted is delivered before this returns) and
    // releases the drive. The drive members, OpenTray included, still work.
    void Close();
    bool isRipping() const { return m_worker.isBusy(); }

signals:
    // Always delivered queued, never from inside the call that met the failure.
    void Error(qint32 Code, const QString& Message);
    // Percent of the track, 0 to 100.
    void Progress(qint32 Percent);
    void Done();
    void Aborted();

private:
    void refreshDisc();
    const DiscTrack* track(qint32 number) const;
    void raiseError(qint32 code, const QString& message);

    qint32 m_device = -1;
    DriveInfo m_drive;
    DiscInfo m_disc;
    QHash<QString, qint64> m_reportedImages; // unreadable image -> its time stamp when reported

    Worker m_worker;
    qint32 m_ripDevice = 0;
    EncoderSetup m_setup;
    EncoderTags m_tags;
    qint32 m_track = 1;
    qint32 m_rangeStart = -1; // -1: the whole track
    qint32 m_rangeLength = -1;
    QString m_destination;
};

} // namespace components
