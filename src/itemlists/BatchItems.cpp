#include "itemlists/BatchItems.h"

#include "core/mdlFunctions.h"
#include "itemlists/ItemRows.h"

namespace itemlists {

core::BatchItem BatchItemFromCells(const std::function<QString(const QString& key)>& cell, qint32 mark) {
    core::BatchItem item;
    item.marked = mark == ICON_MARKED;
    item.file = cell(COL_FILE);
    item.itemName = cell(COL_ITEM_NAME);
    item.rangeText = cell(COL_RANGE);
    item.ranged = cell(COL_RANGE_ALL) != u"1";
    double number = 0;
    if (!item.ranged)
        item.seconds = static_cast<qint32>(core::TimeToSeconds(cell(COL_TIME)));
    else if (CellNumber(cell(COL_RANGE_LENGTH_TIME), &number))
        item.seconds = static_cast<qint32>(RoundHalfEven(number));
    if (item.ranged) {
        if (CellNumber(cell(COL_RANGE_START_TIME), &number))
            item.rangeStart = static_cast<qint32>(RoundHalfEven(number));
        if (CellNumber(cell(COL_RANGE_LENGTH_TIME), &number))
            item.rangeLength = static_cast<qint32>(RoundHalfEven(number));
    }
    item.tags.album = cell(COL_TAG_ALBUM);
    item.tags.artist = cell(COL_TAG_ARTIST);
    item.tags.comment = cell(COL_TAG_COMMENT);
    item.tags.genre = cell(COL_TAG_GEN);
    item.tags.title = cell(COL_TAG_TITLE);
    item.tags.track = cell(COL_TAG_TRACK);
    item.tags.year = cell(COL_TAG_YEAR);
    return item;
}

} // namespace itemlists
