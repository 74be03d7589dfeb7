// File times: creation, last access and last write of a file.
#pragma once

#include <QDateTime>
#include <QString>

namespace core {

// A platform file time: 100-nanosecond intervals since 1 January 1601, 00:00
// (UTC), as two unsigned halves, low first.
struct FILETIME {
    quint32 dwLowDateTime = 0;
    quint32 dwHighDateTime = 0;
};

// The date-time a file time stands for, in UTC, to the nearest whole second.
QDateTime FileTimeToDate(const FILETIME& fileTime);

// The zero date of the date type (30 December 1899, 00:00:00), which stands
// for "no date".
QDateTime ZeroDate();

// The file's creation, last-access and last-write times, in local time when
// `local` is true, else in UTC. When the file cannot be read the three stay as
// they were. Where the file system keeps no creation time, the time of the
// last change of the file's entry stands in for it.
void GetFileTimes(const QString& file, QDateTime& created, QDateTime& accessed, QDateTime& written,
                  bool local);
// The creation time in local time; ZeroDate() when it cannot be read.
QDateTime GetFileCreatedDate(const QString& file);

} // namespace core
