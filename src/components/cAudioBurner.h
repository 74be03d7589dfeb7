// The audio-CD burner component: burns a list of audio files, one track per
// file, as an audio CD on a writer of the shared DriveRegistry.
//
// Every file is decoded to 44.1 kHz 16-bit stereo and padded with silence to
// whole 2,352-byte sectors. A virtual drive holding a blank disc gets a
// CUE/BIN pair in its folder, written under temporary names and renamed at
// the end, so it then holds an audio CD; an aborted or failed burn leaves no
// image behind and an existing image is never replaced. A real writer is
// burned track-at-once through AudioWriterSeam (libburn), each track first
// cached as PCM so that a file that cannot be decoded stops the job before
// the disc is touched.
//
// Writers are numbered from 1; a drive is named by its letter ("E", "E:" or
// any text that begins with the writer's name). BurnCD blocks its caller in a
// nested event loop while the work runs on a worker thread; its events arrive
// during the call, and each burn ends with exactly one of BurnFinished and
// Error (an abort is reported as Error with ErrAborted).
#pragma once

#include "components/AudioWriterSeam.h"
#include "components/DriveRegistry.h"

#include <QList>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace components {

class Worker;

class cAudioBurner : public QObject {
    Q_OBJECT
public:
    enum ErrorCode : qint32 {
        ErrNoWriter = 1, // no such writer
        ErrNotReady = 2, // no disc, open tray, a disc that is not blank
        ErrTooLong = 3,  // the tracks do not fit on the disc
        ErrSource = 4,   // a file could not be decoded
        ErrWrite = 5,    // writing the disc or the image failed
        ErrAborted = 6,  // the user stopped the burn
        ErrNoTracks = 7, // nothing to burn, or more tracks than a CD holds
        ErrBusy = 8,     // a burn is already running
    };

    static constexpr qint32 kMaxTracks = 99;
    // A "Max." speed choice.
    static constexpr qint32 kMaxSpeed = 65535;
    // DiscSize and DiscCapacity count 2,048-byte blocks as bytes.
    static constexpr qint32 kBlockBytes = 2048;

    // `writer` drives real writers; by default libburn.
    explicit cAudioBurner(QObject* parent = nullptr, std::shared_ptr<AudioWriterSeam> writer = {});
    ~cAudioBurner() override;

    qint32 DeviceCount() const;
    // "E: Virtual drive (/tmp/x)"; "" for no such writer. From 1.
    QString DeviceName(qint32 writer) const;

    // The speeds (kB/s) of the drive; WriteSpeed answers for the last drive given here.
    qint32 WriteSpeedCount(const QString& drive);
    QString WriteSpeed(qint32 number) const;

    // The disc's whole size and what can still be written, in bytes of
    // 2,048-byte blocks (a blank 80-minute disc: 737,280,000 each); 0 without a disc.
    qint32 DiscSize(const QString& drive) const;
    qint32 DiscCapacity(const QString& drive) const;
    // "" when the drive holds a blank disc ready to be burned, else why not.
    QString DriveState(const QString& drive) const;

    void OpenTray(const QString& drive);
    void CloseTray(const QString& drive);

    // False for a file that cannot be decoded (and for a list already full).
    bool AddTrack(const QString& path);
    qint16 TrackCount() const;
    void ClearTracks();

    // On a real writer: the drive's buffer-underrun protection. No effect on
    // a virtual drive.
    bool BurnOption() const { return m_burnOption; }
    void setBurnOption(bool on) { m_burnOption = on; }

    // Where a real writer's tracks are cached while it burns (a folder of its
    // own inside, removed afterwards); empty: the system's temporary folder.
    void setCacheFolder(const QString& folder) { m_cacheFolder = folder; }

    // Burns the track list; returns 0 when BurnFinished was raised, else the
    // error code. Speed in kB/s, kMaxSpeed for the fastest.
    qint32 BurnCD(const QString& drive, qint32 speed);
    // Stops a running burn; its Error(ErrAborted) follows.
    void Abort();
    // Stops a running burn and lets go of the writer.
    void Close();
    bool isBurning() const;

    // Tests only: `gate` is called on the burn's thread before each track is
    // written, after its CachingTrack was sent. A burn of CD audio copies a
    // track in milliseconds; a test that acts on CachingTrack (an abort, a
    // second burn) holds the burn there until it has. Empty: no gate.
    static void SetTrackGateForTesting(std::function<void()> gate);

signals:
    void BurnProgress(qint16 Percent, qint16 Track);
    void StepProgress(qint16 Percent, qint16 Unused);
    void CachingTrack();
    void WritingTrack();
    void ClosingTrack(qint16 Track);
    void ClosingSession();
    void BurnFinished();
    void Error(qint32 Code, const QString& Message);

private:
    std::optional<DriveInfo> driveFor(const QString& drive) const;

    std::shared_ptr<AudioWriterSeam> m_writer;
    std::unique_ptr<Worker> m_worker;
    QStringList m_tracks;
    QList<qint64> m_trackMs; // estimated lengths, for the capacity check
    QList<qint32> m_speeds;
    bool m_burnOption = false;
    QString m_cacheFolder;
    qint32 m_result = 0;
};

} // namespace components
