// The one list of CD drives that every component uses, so that a drive has
// the same name everywhere. Real drives found by libcdio come first, then the
// virtual drives named by CORVANE_VIRTUAL_DRIVES (folders separated by ":"),
// lettered from "D:" on. A drive's name begins with its letter and a colon
// ("E: Virtual drive (/tmp/x)"); a track's path is "E:/Track01.cda".
//
// A virtual drive's disc is the image in its folder: a ".cue" with its ".bin"
// is an audio (or mixed) CD, an ".iso" a data disc, no image a blank writable
// disc of 80 minutes. Opening a tray takes the disc out until it closes. A
// virtual drive's tray closes again by itself a few seconds after it opened,
// as a user pushes a real tray back with the disc in it; with
// CORVANE_KEEP_TRAYS_OPEN set it stays open until closed. Real trays are left
// as the drive has them.
//
// Real drives are never looked at when CORVANE_NO_REAL_DRIVES is set (tests
// always set it).
//
// Thread-safe: any thread may ask; disc reads open their own handles.
#pragma once

#include <QHash>
#include <QList>
#include <QMutex>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

#include "components/CdioLibrary.h"

#include <cdio/cdio.h>

namespace components {

// A libcdio handle, destroyed on every path.
struct CdioDeleter {
    void operator()(CdIo_t* p) const noexcept {
        if (p) libcdio().cdio_destroy(p);
    }
};
using CdioHandle = std::unique_ptr<CdIo_t, CdioDeleter>;

enum class DiscKind {
    NoDisc,     // empty drive, open tray or missing folder
    Audio,      // audio tracks only
    Mixed,      // audio and data tracks
    Data,       // data disc (no audio track)
    Blank,      // writable, nothing on it
    Unreadable, // an image or disc that could not be read; see DiscInfo::error
};

struct DiscTrack {
    qint32 number = 0;      // from 1
    qint32 startSector = 0; // logical sector where the track starts
    qint32 sectors = 0;     // length in sectors (75 per second for audio)
    bool audio = true;
};

struct DiscInfo {
    DiscKind kind = DiscKind::NoDisc;
    QList<DiscTrack> tracks;
    qint32 usedSectors = 0;     // sectors written on the disc
    qint32 capacitySectors = 0; // sectors the disc holds (a blank disc: 360,000)
    QString image;              // virtual drive: the image file the disc is
    QString error;              // Unreadable: why

    bool hasAudio() const { return kind == DiscKind::Audio || kind == DiscKind::Mixed; }
    bool present() const { return kind != DiscKind::NoDisc; }
};

struct DriveInfo {
    QString letter; // "E:"
    QString name;   // "E: Virtual drive (/tmp/x)"
    QString device; // a real drive's device path, or a virtual drive's folder
    bool isVirtual = false;
};

class DriveRegistry {
public:
    static constexpr qint32 kSectorsPerSecond = 75;
    static constexpr qint32 kAudioSectorBytes = 2352;
    static constexpr qint32 kDataSectorBytes = 2048;
    static constexpr qint32 kBlankDiscSectors = 360000; // 80 minutes

    static DriveRegistry& instance();

    DriveRegistry(const DriveRegistry&) = delete;
    DriveRegistry& operator=(const DriveRegistry&) = delete;

    // The drives as they are now, numbered from 0.
    QList<DriveInfo> drives();
    qint32 count();
    std::optional<DriveInfo> drive(qint32 index);
    // The number of the drive named by "E:", "e", a drive name or a track path; -1 when none.
    qint32 indexOf(const QString& driveOrPath);

    // What is in the drive now. Reads the image or the disc every time.
    DiscInfo readDisc(qint32 index);
    DiscInfo readDisc(const DriveInfo& drive);

    // A handle on the disc for reading sectors (the ripper's): the CUE image
    // of a virtual drive or the real device. Null when there is no disc with
    // tracks to read (no disc, open tray, blank, ISO, unreadable).
    CdioHandle openDisc(qint32 index);

    bool isTrayOpen(qint32 index);
    // False when the drive does not exist or the real drive refused.
    bool openTray(qint32 index);
    bool closeTray(qint32 index);

    // How long a virtual tray stays open by itself.
    static constexpr qint64 kVirtualTrayCloseMs = 5000;
    // For tests: the clock the virtual trays' closing is measured on
    // (milliseconds, any origin); an empty function goes back to the real one.
    void setClockForTesting(std::function<qint64()> clock);

    // Looks for real drives again (they are listed once per run otherwise).
    void rescanRealDrives();
    // For tests of real-writer code: these devices stand for the real drives
    // (listed first) without asking libcdio; an empty list goes back to scanning.
    void setRealDevicesForTesting(const QStringList& devices);
    static bool realDrivesAllowed();

    // "E:/Track01.cda" for letter "E:" (or "E") and track 1.
    static QString trackPath(const QString& letter, qint32 track);
    // The local path behind a drive path such as "E:/" or "E:/folder": a virtual
    // drive's folder, or a real drive's mount point. Unchanged when the drive
    // is unknown or its disc is not mounted.
    static QString localPath(const QString& drivePath);
    // The letter ("E:") and track number of a track path; false when it is none.
    static bool parseTrackPath(const QString& path, QString* letter, qint32* track);

private:
    DriveRegistry();
    QStringList realDevices();
    static DiscInfo readVirtualDisc(const QString& folder);
    static DiscInfo readCdio(CdIo_t* cdio);

    QMutex m_mutex;
    bool m_realScanned = false;
    QStringList m_realDevices;
    QStringList m_testDevices;
    // Devices or folders whose tray is open, with when a virtual one opened.
    QHash<QString, qint64> m_openTrays;
    std::function<qint64()> m_clock;
    // True when the drive's tray is open now; a virtual tray whose time is
    // up is closed here. Called with m_mutex held.
    bool trayOpenLocked(const DriveInfo& drive);
    qint64 nowMsLocked() const;
};

} // namespace components
