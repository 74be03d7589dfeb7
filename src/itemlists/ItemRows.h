// The item row: one grid row per audio item, every piece of its data a cell
// addressed by column key. This is the widget-free half: the column table and
// the encodings of the cells. The grid half is in ItemsGrid.h.
#pragma once

#include "core/mdlFunctions.h"

#include <QDateTime>
#include <QList>
#include <QString>

namespace components {
class cAudioConverter;
}

namespace itemlists {

// Column keys, in the order the columns are created.
inline const QString COL_INC = QStringLiteral("Inc");
inline const QString COL_TYPE = QStringLiteral("Type");
inline const QString COL_ITEM_NAME = QStringLiteral("Item Name");
inline const QString COL_SIZE = QStringLiteral("Size");
inline const QString COL_TIME = QStringLiteral("Time");
inline const QString COL_CREATED = QStringLiteral("Created");
inline const QString COL_RANGE = QStringLiteral("Range");
inline const QString COL_FILE = QStringLiteral("COL_FILE");
inline const QString COL_RANGE_ALL = QStringLiteral("COL_RANGE_ALL");
inline const QString COL_RANGE_START_TIME = QStringLiteral("COL_RANGE_START_TIME");
inline const QString COL_RANGE_LENGTH_TIME = QStringLiteral("COL_RANGE_LENGTH_TIME");
inline const QString COL_BYTES_SIZE = QStringLiteral("COL_BYTES_SIZE");
inline const QString COL_TAG_ALBUM = QStringLiteral("COL_TAG_ALBUM");
inline const QString COL_TAG_ARTIST = QStringLiteral("COL_TAG_ARTIST");
inline const QString COL_TAG_COMMENT = QStringLiteral("COL_TAG_COMMENT");
inline const QString COL_TAG_GEN = QStringLiteral("COL_TAG_GEN");
inline const QString COL_TAG_YEAR = QStringLiteral("COL_TAG_YEAR");
inline const QString COL_TAG_TITLE = QStringLiteral("COL_TAG_TITLE");
inline const QString COL_TAG_TRACK = QStringLiteral("COL_TAG_TRACK");

constexpr qint32 kItemColumnCount = 19;

// Icon numbers of the "Inc" and "Type" cells (the same in every image list).
constexpr qint32 ICON_UNMARKED = 0;
constexpr qint32 ICON_MARKED = 1;
constexpr qint32 ICON_AUDIO = 3;
constexpr qint32 ICON_DATA = 4;

// Which grid the columns are made for: the main window's, or a tool window's
// (converters, splitter, joiner, ripper, burners, duplicator).
enum class GridVariant { Main, Tool };

struct ItemColumn {
    QString key;
    QString caption;
    qint32 width = -1; // pixels; -1 for the hidden columns
    bool visible = true;
};

// The nineteen columns in creation order, with the captions, widths and
// visibility of the variant.
QList<ItemColumn> ItemColumns(GridVariant variant);

// 3 for exactly "Audio", 4 for exactly "Data", 0 for anything else.
qint32 GetTypeIcon(const QString& typeText);

using core::FormatTwoDigitTime;
// The "Range" text of a ranged item: "HH:mm:ss - HH:mm:ss" from start to
// start + length (seconds).
QString FormatRangeText(qint64 startSeconds, qint64 lengthSeconds);
inline const QString kRangeAllText = QStringLiteral("All");

// A cell text taken as a number (decimal point or the locale's); false for an
// empty text or one that is no number.
bool CellNumber(const QString& text, double* value);
using core::RoundHalfEven;
// Adds a value to a running total, rounded to a whole number; false (and the
// total unchanged) when the sum would not fit.
bool AddToTotal(qint64& total, double value);

// One item row as values, for writing a whole row into a grid.
struct ItemRow {
    qint32 incIcon = ICON_UNMARKED;
    qint32 typeIcon = ICON_AUDIO;
    QString itemName;
    QString size;
    QString time;
    QDateTime created; // invalid: the cell stays empty; shown in local time
    QString range;
    QString file;
    QString rangeAll;
    QString rangeStart;
    QString rangeLength;
    QString bytesSize;
    QString album;
    QString artist;
    QString comment;
    QString genre;
    QString year;
    QString title;
    QString track;
    // The user edited the tags: re-reading the list keeps them (ItemsListFile.h).
    bool tagsEdited = false;

    // Sets the range cells: ranged when rangeAllText is exactly "0" (then the
    // start and length are kept and "Range" derived from them), else whole
    // ("1", "All", range cells empty).
    void setRange(const QString& rangeAllText, const QString& startText, const QString& lengthText);

    // The cells that come from the source file `path`, open in `converter`:
    // "Time" (its length rounded to whole seconds, halves to even), COL_FILE,
    // "Created", COL_BYTES_SIZE and, with tagsFromSource, the seven tags read
    // from the file (empty when they cannot be read). "Size" is the caller's:
    // its text follows the GUI's locale. Returns the byte count.
    qint64 setFromSource(const QString& path, components::cAudioConverter& converter, bool tagsFromSource);
};

} // namespace itemlists
