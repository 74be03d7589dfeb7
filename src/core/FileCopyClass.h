// Copies one file in chunks. The copy goes to a temporary name beside the
// target and replaces the target only once every byte is written, so a
// failed or cancelled copy leaves an existing target as it was and no
// partial file behind. Copy may run on a worker thread: the progress, the
// cancel request and the outcome are safe to read from another thread.
#pragma once

#include <QString>
#include <QtGlobal>
#include <atomic>
#include <functional>

namespace core {

class FileCopyClass {
public:
    FileCopyClass() = default;
    FileCopyClass(const FileCopyClass&) = delete;
    FileCopyClass& operator=(const FileCopyClass&) = delete;

    // Duration of the last finished copy in whole seconds.
    qint32 SecondsTaken() const { return m_secondsTaken.load(); }
    void setSecondsTaken(qint32 seconds) { m_secondsTaken = seconds; }
    // True once a copy has run to its end.
    bool Sucessfull() const { return m_successful.load(); }
    void setSucessfull(bool successful) { m_successful = successful; }

    // Copies source to destination. The outcome is in Sucessfull and, after a
    // failure, ErrorText; a cancelled copy is not successful and has no error.
    void Copy(const QString& source, const QString& destination);

    // Progress of the running copy, 0 to 100: bytes written so far of the source's length.
    qint16 PercentREady() const { return m_percent.load(); }
    void setPercentREady(qint16 percent) { m_percent = percent; }
    // Chunk size in bytes; 0 means 32,000.
    qint32 CacheSize() const { return m_cacheSize; }
    void setCacheSize(qint32 size) { m_cacheSize = size; }

    // Asks a running copy to stop after its current chunk.
    void Cancel() { m_cancel = true; }
    bool Cancelled() const { return m_cancelled.load(); }
    // What went wrong, for the user; empty after a successful or cancelled copy.
    QString ErrorText() const;

    // Called on the copying thread after each chunk read, with the bytes read so far.
    std::function<void(qint64 bytesRead)> onChunk;

private:
    void fail(const QString& text);

    std::atomic<qint32> m_secondsTaken{0};
    std::atomic<bool> m_successful{false};
    std::atomic<qint16> m_percent{0};
    std::atomic<bool> m_cancel{false};
    std::atomic<bool> m_cancelled{false};
    std::atomic<bool> m_done{false};
    qint32 m_cacheSize = 0;
    QString m_error; // written by Copy before m_done is set
};

} // namespace core
