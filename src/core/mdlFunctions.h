// Shared helpers of every window: taking paths apart, cleaning and checking
// names, sizes and durations as text, folders and documents, text files, the
// path history and the log lines of the processing windows.
//
// Paths use "/" as their only separator. The widget-free procedures live in
// mdlFunctions.cpp; those that take a widget live in mdlFunctionsGui.cpp.
#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace core {

// --- Paths and names -------------------------------------------------------

// The last element of the path ("" when the path ends with "/").
// On the GUI thread it lets pending events run once per path element, so
// that long loops calling it keep their windows painted.
QString GetFileName(const QString& path);
// Everything up to and including the last "/" (the root is kept:
// "/home/u/a.mp3" gives "/home/u/"); "" when there is no "/".
QString GetFolderPath(const QString& path);
// The path without its last element, keeping the final "/"; "" when there is
// no "/" or the path ends with one.
QString GetParentFolder(const QString& path);
// The text after the last dot of the last path element ("" when there is none).
QString GetFileExt(const QString& fileName);
// Like GetFileExt, cut to at most 12 characters.
QString GetExtension(const QString& fileName);
// All dot-separated parts but the last, joined without the dots
// ("my.song.mp3" gives "mysong"; "song" gives "").
QString GetBaseName(const QString& fileName);

// Replaces every character that is unsafe in a file name with "-".
QString MakeSafeFileName(const QString& name);
// False when the name holds any of / \ : ? * < > | or the double quote.
bool IsLegalFileName(const QString& name);
// True for the nine characters IsLegalFileName refuses.
bool IsIllegalNameChar(QChar c);
// The warning shown when such a character is typed.
extern const QString kIllegalNameBalloonText;

// --- Sizes and durations ----------------------------------------------------

// List totals: "" for a negative size, "0" for 0, else the number with
// " KB", " MB", " GB" or " TB" (no unit below 1000 bytes).
QString FormatByteSize(qint64 size);

// "H:MM:SS" (hours without an upper limit).
QString SecondsToTime(qint64 seconds);
// Reads "H:MM:SS" (and times of day such as "3:20"); 0 for anything else.
qint64 TimeToSeconds(const QString& timeText);
// Seconds as "HH:MM:SS": two-digit fields, hours not wrapped at a day.
QString FormatTwoDigitTime(qint64 seconds);
// Rounds to a whole number, halves to the even neighbour.
qint64 RoundHalfEven(double value);

// --- Folders and documents --------------------------------------------------

// True when the path exists and is a directory.
bool IsFolder(const QString& path);
// Creates every missing level of the folder path. 0 when done, else the
// error number of the first failure (75: the folder could not be made,
// 76: a level above it is not a folder); later levels are not tried.
qint32 CreateFolderTree(const QString& path);
// Opens a folder, document or web address in the desktop's program for it.
// A relative path is taken from the program folder; a drive name such as
// "E:" or "E:/" is mapped through the drive resolver when one is set.
void ShellOpen(QWidget* window, const QString& target);

// Maps a drive root ("E:", "E:/" or "E:/x") to a local path; returns the
// text unchanged when it knows no such drive. Set by the drive registry.
using DriveResolver = QString (*)(const QString& drivePath);
void SetShellDriveResolver(DriveResolver resolver);

// Removes every item of a collection.
template <class Collection> void ClearCollection(Collection& collection) {
    collection.clear();
}

// --- Text files -------------------------------------------------------------

// The whole file with its lines joined by CR LF; the final CR LF is dropped
// when the text is longer than two characters (a file of one empty line
// reads as "\r\n"). "" when the file is missing or unreadable. Read as UTF-8,
// or as Windows-1252 when the bytes are not valid UTF-8; lines may end in
// CR LF or LF.
QString ReadTextFile(const QString& file);
// The lines of a text file (same decoding; no line for the end of the last
// line). ok is false when the file exists but cannot be read, or is missing.
QStringList ReadTextFileLines(const QString& file, bool* ok = nullptr);
// Creates or replaces the file with the text followed by one CR LF, as UTF-8
// with CR LF line ends, through a temporary name. False when it could not be
// written (the old file is then untouched).
bool WriteTextFile(const QString& text, const QString& file);

// --- Path history -----------------------------------------------------------

constexpr int kPathHistoryMax = 16;
// The program folder followed by "/PathHistory".
QString PathHistoryFile();
// The folders of the history, newest first (the file is created empty when
// missing). ok is false when it could not be read.
QStringList ReadPathHistory(bool* ok = nullptr);
// Records the folder as the newest entry: it goes to the top, equal entries
// (case-sensitive) are dropped, at most 16 are kept. False when the file could
// not be read or written.
bool AddToPathHistory(const QString& folder);

// --- Log lines --------------------------------------------------------------

// One log line: the time of day in the locale's long time format, ":", the
// message and CR LF.
QString FormatLogLine(const QString& message);

} // namespace core
