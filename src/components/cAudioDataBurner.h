// The first data burner component ("CDs only"): burns a list of files as a
// data CD on a writer of the shared DriveRegistry, through DataDiscBurner.
// Writers are numbered from 1 and named by their drive letter. The disc's
// file system "CDFS" is ISO 9660 with Joliet and Rock Ridge, so long and
// non-ASCII names survive.
//
// BurnDisc returns at once; the burn reports BurnStarted, BurnProgress and
// ClosingSession, and ends with exactly one of BurnFinished and Error (an
// abort is Error with ErrAborted).
#pragma once

#include "components/DataDiscBurner.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

namespace components {

class cAudioDataBurner : public QObject {
    Q_OBJECT
public:
    static constexpr qint32 kMaxSpeed = 65535;

    explicit cAudioDataBurner(QObject* parent = nullptr, std::shared_ptr<AudioWriterSeam> writer = {});
    ~cAudioDataBurner() override;

    qint32 DeviceCount() const;
    // "E: Virtual drive (/tmp/x)"; "" for no such writer. From 1.
    QString DeviceName(qint32 writer) const;
    // The speeds (kB/s) of the drive; WriteSpeed answers for the last drive given here.
    qint32 WriteSpeedCount(const QString& drive);
    qint32 WriteSpeed(qint32 number) const;

    bool IsDriveReady(const QString& drive) const;
    bool IsDiscEmpty(const QString& drive) const;
    // What the disc can still take, in bytes (0 without a blank disc).
    qint64 FreeBytes(const QString& drive) const;

    // False for a file that does not exist, is no plain file, or whose name
    // is already in the list (a disc folder holds one file of a name).
    bool AddFile(const QString& path);
    QStringList Files() const { return m_files; }
    void ClearFiles() { m_files.clear(); }

    void setVolumeName(const QString& name) { m_layout.volumeName = name; }
    // Only "CDFS" is known; it is what every disc gets.
    void setFileSystem(const QString& name) { m_fileSystem = name; }
    void setPublisher(const QString& text) { m_layout.publisher = text; }
    void setPreparer(const QString& text) { m_layout.preparer = text; }
    // No meaning for a data disc: kept for the callers that set it.
    void setBurnOption(bool on) { m_burnOption = on; }
    QString VolumeName() const { return m_layout.volumeName; }
    QString FileSystem() const { return m_fileSystem; }

    // Starts the burn and returns; its outcome comes as events.
    void BurnDisc(const QString& drive, qint32 speed);
    // Stops a running burn; Error(ErrAborted) follows.
    void Abort();
    bool isBurning() const;
    // Waits for a running burn's end (a nested event loop).
    void waitForFinished();

    void OpenTray(const QString& drive);
    void CloseTray(const QString& drive);
    // Stops a running burn and lets go of the writer.
    void Close();

    DataDiscBurner& engine() { return m_engine; }

signals:
    void BurnStarted();
    void BurnProgress(qint16 Percent);
    void ClosingSession();
    void BurnFinished();
    void Error(qint32 Code, const QString& Message);

private:
    DataDiscBurner m_engine;
    QStringList m_files;
    QList<qint32> m_speeds;
    DataDiscLayout m_layout;
    QString m_fileSystem = QStringLiteral("CDFS");
    bool m_burnOption = false;
};

} // namespace components
