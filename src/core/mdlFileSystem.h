// File sizes as text, deleting and probing files, temporary file names.
#pragma once

#include <QLocale>
#include <QString>

namespace core {

// The user's locale for the numbers of sizes: its decimal separator, no
// group separators.
QLocale SizeNumberLocale();

// Single files and tracks: "999 bytes" up to 999, then " KB", " MB", " GB",
// " TB", " PB", " EB", " ZB" or " YB" (a unit is taken from 1000 upwards,
// the division is by 1024).
QString FormatFileSize(qint64 size);
// The same with the numbers in `sizeLocale` (a SizeNumberLocale() taken
// before): for threads other than the GUI's, which owns the services.
QString FormatFileSize(qint64 size, const QLocale& sizeLocale);
// >= 100: rounded to a whole number (halves to even); >= 10: one decimal;
// else two decimals (the locale's decimal separator).
QString FormatSizeNumber(double value);

// Deletes the file. False when it could not be deleted (missing, not a file,
// write-protected or in use).
bool KillFile(const QString& file);
// True when a normal file of that name exists; hidden files (names beginning
// with a dot) are not found; "*" and "?" in the name match any file.
bool FileExists(const QString& file);

// The folder for temporary files, ending with "/".
QString GetTempDir();
// Creates a new, empty, uniquely named file in the temporary folder whose
// name begins with the prefix and returns its path; "" when none could be made.
QString GetTempFilePath(const QString& prefix = QString());

} // namespace core
