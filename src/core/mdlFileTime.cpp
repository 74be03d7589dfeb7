#include "core/mdlFileTime.h"

#include <QFile>
#include <QFileInfo>

namespace core {

namespace {
const QDateTime& fileTimeEpoch() {
    static const QDateTime epoch(QDate(1601, 1, 1), QTime(0, 0), Qt::UTC);
    return epoch;
}
constexpr quint64 kIntervalsPerSecond = 10'000'000;
} // namespace

QDateTime FileTimeToDate(const FILETIME& fileTime) {
    const quint64 intervals = (quint64(fileTime.dwHighDateTime) << 32) | fileTime.dwLowDateTime;
    // Whole seconds, halves rounded up.
    const quint64 seconds =
        intervals / kIntervalsPerSecond + (intervals % kIntervalsPerSecond >= 5'000'000 ? 1 : 0);
    return fileTimeEpoch().addSecs(qint64(seconds));
}

QDateTime ZeroDate() {
    return QDateTime(QDate(1899, 12, 30), QTime(0, 0));
}

void GetFileTimes(const QString& file, QDateTime& created, QDateTime& accessed, QDateTime& written,
                  bool local) {
    if (file.isEmpty()) return;
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) return;
    const QFileInfo info(file);
    QDateTime c = info.fileTime(QFileDevice::FileBirthTime);
    if (!c.isValid()) c = info.fileTime(QFileDevice::FileMetadataChangeTime);
    const QDateTime a = info.fileTime(QFileDevice::FileAccessTime);
    const QDateTime w = info.fileTime(QFileDevice::FileModificationTime);
    if (!c.isValid() || !a.isValid() || !w.isValid()) return;
    auto convert = [local](const QDateTime& t) { return local ? t.toLocalTime() : t.toUTC(); };
    created = convert(c);
    accessed = convert(a);
    written = convert(w);
}

QDateTime GetFileCreatedDate(const QString& file) {
    QDateTime created = ZeroDate(), accessed, written;
    GetFileTimes(file, created, accessed, written, true);
    return created;
}

} // namespace core
