// How outputs reach the disk: under a hidden partial name beside their
// destination, ".<name>.part-XXXXXX", renamed over it once complete, with
// the permissions the user's umask gives every new file; partial files that
// a killed run left behind are removed by the next run that writes into
// their folder. Also how a name is fitted to the file system's limit.
#pragma once

#include <QIODevice>
#include <QString>

namespace components {

// The longest file name, in bytes, most Linux file systems take.
constexpr qsizetype kFileNameMaxBytes = 255;

// The name cut to at most maxBytes bytes of UTF-8 (the file system's
// encoding), in one pass and never inside a character. With keepExtension
// the text from the last dot on (when it is at most 16 characters) is kept
// and the part before it is cut.
QString FitNameToBytes(const QString& name, qsizetype maxBytes, bool keepExtension);

// Writes all the bytes, going on after a short write (a nearly full disk
// takes part of them without an error): false only once a write fails, so
// the device's errorString() then says why ("No space left on device").
bool WriteAll(QIODevice& device, const char* data, qint64 size);
inline bool WriteAll(QIODevice& device, const QByteArray& bytes) {
    return WriteAll(device, bytes.constData(), bytes.size());
}

// True when both paths name one file (also through links), so that writing
// the one would destroy the other.
bool SameFile(const QString& a, const QString& b);

// The mode a new file gets: 0666 less the user's umask.
unsigned NewFileMode();

// True for a name a partial file of ours has: a dot, at least one
// character, ".part-" and six letters or digits.
bool IsPartialFileName(const QString& fileName);

// Removes the partial files in the folder that no running writer holds
// (never through a link); returns how many.
int SweepPartialFiles(const QString& folder);

// One output under its partial name. The file is created, and held, by this
// object; it is removed again unless Commit renamed it.
class PartialFile {
public:
    PartialFile() = default;
    ~PartialFile();
    PartialFile(const PartialFile&) = delete;
    PartialFile& operator=(const PartialFile&) = delete;

    // Creates ".<name>.part-XXXXXX" in the folder (the name shortened so the
    // whole fits the file system). First it removes the partial files killed
    // runs left there: names IsPartialFileName accepts that no running writer
    // holds. False, with ErrorText(), when it cannot be created.
    bool Create(const QString& folder, const QString& name);
    bool IsOpen() const { return m_fd >= 0; }
    QString Path() const { return m_path; }
    // The open descriptor (writers that open the path themselves need not use it).
    int Handle() const { return m_fd; }

    // Renames the file to the destination. With replace an existing file is
    // replaced in the same step; without, an existing file is never touched
    // and the commit fails. False, with ErrorText(), on failure (the partial
    // file is then removed).
    bool Commit(const QString& destination, bool replace);
    // Removes the file.
    void Discard();

    // Why the last call failed, in the system's words ("No space left on device").
    QString ErrorText() const { return m_error; }

private:
    void close();

    int m_fd = -1;
    QString m_path;
    QString m_error;
};

// A run's folder of temporary files, "<prefix>XXXXXX" in a parent folder:
// made (after the stale ones killed runs left there are removed) and held
// by this object, and removed with what is in it when the object goes.
class TempFolder {
public:
    TempFolder() = default;
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // False, with ErrorText(), when it cannot be made.
    bool Create(const QString& parent, const QString& prefix);
    QString Path() const { return m_path; }
    QString FilePath(const QString& name) const { return m_path + QLatin1Char('/') + name; }
    QString ErrorText() const { return m_error; }

private:
    int m_fd = -1;
    QString m_path;
    QString m_error;
};

} // namespace components
