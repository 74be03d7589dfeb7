// The one data-disc engine behind both data burner components
// (cAudioDataBurner and cBurner): an ISO 9660 image made by libisofs from a
// list of files, written by libburn.
//
// A virtual drive holding a blank disc gets the image as "DataCD.iso" in its
// folder, written through libburn's "stdio:" target under a name no drive
// reads as a disc and renamed at the end, so an aborted or failed burn leaves
// nothing behind and an existing image is never replaced. A real writer is
// written through the same libburn code with its device address; what only a
// real writer does (speeds, the disc's state and room, trays) goes through
// AudioWriterSeam, so tests can script it.
//
// The files of the disc are refused before anything is written when they do
// not fit. Each burn runs on a worker thread; its events arrive queued, and
// each burn ends with exactly one of Finished, Cancelled and Failed.
#pragma once

#include "components/AudioWriterSeam.h"
#include "components/DriveRegistry.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

namespace components {

class Worker;

// What goes on the disc besides the files.
struct DataDiscLayout {
    QString volumeName;
    QString publisher;
    QString preparer;
    QString application;
    bool joliet = true;    // long, non-ASCII names for the other system's readers
    bool rockRidge = true; // long, non-ASCII names for POSIX readers
};

class DataDiscBurner : public QObject {
    Q_OBJECT
public:
    enum ErrorCode : qint32 {
        ErrNoWriter = 1, // no such writer
        ErrNotReady = 2, // no disc, open tray, a disc that is not blank
        ErrTooBig = 3,   // the files do not fit on the disc
        ErrSource = 4,   // a file could not be put into the image
        ErrWrite = 5,    // writing the disc or the image failed
        ErrAborted = 6,  // the user stopped the burn
        ErrNoFiles = 7,  // nothing to burn
        ErrBusy = 8,     // a burn is already running
    };

    // The name a virtual drive's image gets (with "-2", "-3" ... when taken).
    static constexpr const char* kImageBase = "DataCD";

    explicit DataDiscBurner(std::shared_ptr<AudioWriterSeam> writer = {}, QObject* parent = nullptr);
    ~DataDiscBurner() override;

    // The drive named by a letter ("E", "E:") or any text that begins with it.
    std::optional<DriveInfo> driveFor(const QString& drive) const;

    // The speeds (kB/s) a real writer offers; none for a virtual drive.
    QList<qint32> writeSpeeds(const QString& drive);
    // The drive answers and its tray is closed with a disc in it.
    bool isDriveReady(const QString& drive) const;
    // The disc in the drive is blank.
    bool isDiscEmpty(const QString& drive) const;
    // What can still be written, in bytes; 0 without a blank disc.
    qint64 freeBytes(const QString& drive) const;
    bool openTray(const QString& drive);
    bool closeTray(const QString& drive);

    // Starts burning the files (each under its own file name, in the root of
    // the disc) and returns at once; false when a burn is already running.
    // `speedKBs` 0 is the writer's fastest.
    bool burn(const QString& drive, const QStringList& files, const DataDiscLayout& layout, qint32 speedKBs);
    // Stops a running burn (libburn's cancel on a real writer); Cancelled follows.
    void abort();
    // Stops a running burn and waits for its end.
    void close();
    bool isBusy() const;
    // Runs a nested event loop until the running burn has ended.
    void waitForFinished();

    // libisofs and libburn both start.
    static bool librariesReady();
    // "702.6 MB" for a number of bytes.
    static QString sizeText(qint64 bytes);

signals:
    void Initializing();
    void AddingFile(const QString& path);
    void FileCount(qint32 files, qint32 folders);
    void WritingStarted();
    void Progress(qint32 percent);
    void Closing();
    void Finished();
    void Cancelled();
    void Failed(qint32 code, const QString& message);

private:
    std::shared_ptr<AudioWriterSeam> m_writer;
    std::unique_ptr<Worker> m_worker;
};

} // namespace components
