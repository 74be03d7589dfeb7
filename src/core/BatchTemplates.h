// Pure helpers of the item-by-item run: output file names and tags from
// their templates, output paths, the time-left estimate and the progress
// caption. No widget, no component.
#pragma once

#include "core/ItemJob.h"

#include <QDateTime>
#include <QLocale>
#include <QString>

#include <optional>

namespace core {

// --- File-name template -------------------------------------------------

// What the file-name tokens of one item stand for.
struct FileNameContext {
    qint32 row = 0;                       // "[123]"
    QString sourcePath;                   // "[file_name]" (base name of its file name)
    QString itemName;                     // "[item_name]", and "[source_extension]" from its extension
    std::optional<QString> destExtension; // "[dest_extension]", "[convert_extension]"; nullopt: left as typed
    QDateTime now;                        // "[time]", "[date]"
    QLocale locale;                       // "[date]" in its short date format
};

// A value as it goes into a file name: "/", NUL and control characters
// removed, so that no value can add a folder level or an unprintable name.
QString CleanFileNameValue(const QString& value);

// The extension a target-format text gives "[dest_extension]": the text up to
// its first " -", lower case ("mp3" for "MP3 - MPEG-1 Audio Layer 3 (*.mp3)");
// nullopt when the text has no " -".
std::optional<QString> DestExtensionOf(const QString& targetFormatText);

// The output file name: every token of the template replaced, in the order
// "[123]", "[file_name]", "[source_extension]", "[dest_extension]",
// "[convert_extension]", "[time]", "[date]", "[item_name]"; each occurrence,
// case-sensitive, on the growing text. Every value is cleaned by
// CleanFileNameValue. A CD track ("E:/Track01.cda") has no source extension
// and its item name loses its ".cda"; an empty source extension takes the dot
// before (or else after) its token with it.
QString CreateDestFileName(const QString& fileNameTemplate, const FileNameContext& item);

// --- Tags -----------------------------------------------------------------

// What the tag tokens of one item stand for. A nullopt value leaves its token
// as written (the short token set of some windows).
struct TagContext {
    QDateTime now;
    QLocale locale;
    QString trackNum;                  // "[TRACK_NUM]"
    std::optional<QString> sourceName; // "[SOURCE_NAME]"
    std::optional<QString> itemName;   // "[ITEM_NAME]"
    std::optional<QString> range;      // "[RANGE]"
    QString productName;               // "[PROG_NAME]"
    QString productVersion;            // "[PROG_VERSION]"
};

// The text with the tag tokens replaced in the order "[DATE]", "[TIME]",
// "[TRACK_NUM]", "[PROG_NAME]", "[PROG_VERSION]", "[SOURCE_NAME]",
// "[ITEM_NAME]", "[RANGE]", "[YEAR]"; each occurrence, case-sensitive.
QString CreateID3TagsString(const QString& text, const TagContext& item);

// The seven tags of an item, each cell expanded by CreateID3TagsString.
ItemTags SetID3Tags(const ItemTags& cells, const TagContext& item);

// --- Output paths -----------------------------------------------------------

// The folder with a closing "/" (an empty text stays empty).
QString WithClosingSlash(const QString& folder);

// The longest name, in bytes, an output path level gets: within the file
// system's limit, with room for the " (2)" of a second output of one name.
constexpr qsizetype kMaxOutputNameBytes = 240;
// One level of an output path (a sub-folder or the file name) as it goes to
// the disk: control characters removed; a level of dots only becomes "-" and
// one that begins with a dot gets "-" before it, so no level climbs up or is
// hidden; a level too long is shortened (a file name keeps its extension).
// "" when nothing is left.
QString CleanPathLevel(const QString& level, bool isFileName);
// True when CleanPathLevel shortens the level to fit.
bool PathLevelIsCut(const QString& level, bool isFileName);

// The sub-folder part below the destination: when the option is on, the
// typed name's levels cleaned by CleanPathLevel (empty levels dropped, so an
// absolute path starts below the destination) and "/"; else, or when no
// level is left, "".
QString GetUnderFolder(bool createSubFolder, const QString& subFolderName);

// The full output path of an item: destination folder, sub-folder and file
// name joined, each level cleaned by CleanPathLevel. nullopt when the result
// would not lie inside the destination folder or has no file name.
std::optional<QString> JoinOutputPath(const QString& destinationFolder, const QString& underFolder,
                                      const QString& fileName);

// A path not yet taken: the path itself when `taken` says no, else the name
// with " (2)", " (3)" ... before its extension.
template <class Taken> QString UniqueOutputPath(const QString& path, Taken taken);
QString NumberedPath(const QString& path, qint32 number);

template <class Taken> QString UniqueOutputPath(const QString& path, Taken taken) {
    if (!taken(path)) return path;
    for (qint32 n = 2;; ++n) {
        const QString candidate = NumberedPath(path, n);
        if (!taken(candidate)) return candidate;
    }
}

// True when both paths name the same file (after resolving links and "..").
bool IsSameFile(const QString& a, const QString& b);

// --- Progress and time left -------------------------------------------------

// "Converting... [ 50% / 16.6666666666667% ]": the item's percentage and the
// run's as a double with up to 15 significant digits, in the locale's form.
QString ProgressCaption(qint32 currentPercent, qint32 totalValue, qint32 totalMax, const QLocale& locale);

// Seconds of the current item converted at a percentage (halves to even).
qint32 ItemSecondsAt(qint32 percent, qint32 itemSeconds);

// Seconds left: elapsed / done * (total - done), halves to even, never
// negative; 0 while nothing of the current item is done.
qint64 TimeLeftSeconds(qint32 elapsed, qint32 curItemSecs, qint32 upToItemSecs, qint32 totalSecs);

// "Time Left: HH:MM:SS" (hours go on past 24).
QString TimeLeftText(qint64 seconds);

} // namespace core
