// The CD ripper component: lists the CD drives (the shared DriveRegistry, so
// names agree with every other component), answers questions about the disc
// in the selected drive and moves its tray.
//
// SelectDevice takes a snapshot of the drive's disc; the disc and track
// questions answer from it until the next SelectDevice, OpenTray or
// CloseTray, so the callers' "select, then ask" pattern reads the disc once.
// Ripping (DeviceIndex, Track, DestinationFile, StartRip, Abort, Close and the
// Progress/Done/Aborted events) runs on the shared worker helper and is added
// to this class beside these members.
#pragma once

#include "components/DriveRegistry.h"

#include <QHash>
#include <QObject>
#include <QString>

namespace components {

class cAudioCDRipper : public QObject {
    Q_OBJECT
public:
    // Error codes of the Error event.
    enum ErrorCode : qint32 {
        ErrUnreadableDisc = 1, // the disc or its image cannot be read
        ErrTray = 2,           // the drive's tray could not be moved
    };

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

signals:
    // Always delivered queued, never from inside the call that met the failure.
    void Error(qint32 Code, const QString& Message);

private:
    void refreshDisc();
    const DiscTrack* track(qint32 number) const;
    void raiseError(qint32 code, const QString& message);

    qint32 m_device = -1;
    DriveInfo m_drive;
    DiscInfo m_disc;
    QHash<QString, qint64> m_reportedImages; // unreadable image -> its time stamp when reported
};

} // namespace components
