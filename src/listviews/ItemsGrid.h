// Item rows in a grid: the columns every item grid carries, writing and
// reading whole rows, saving a grid to its items-list file and reading a
// list file into a grid.
#pragma once

#include "itemlists/ItemRows.h"
#include "itemlists/ItemsListFile.h"

#include <QString>

class cGrid;
class cImageList;

namespace components {
class cAudioConverter;
}

namespace listviews {

// Prepares an empty grid for item rows: row height 24, the image list, the
// nineteen columns of the variant in their order, and the grid options. A
// step that fails is skipped.
void InitGridColumns(cGrid& grid, cImageList* imageList,
                     itemlists::GridVariant variant = itemlists::GridVariant::Main);

// Writes a whole row (row Rows() + 1 appends it): "Inc" and "Type" as icons
// with the icon format, every other cell as text; "Created" as a date.
void WriteItemRow(cGrid& grid, qint32 row, const itemlists::ItemRow& item);
// The record that the list file stores for a grid row: "Inc" from the icon
// number, "Type" always "Audio", the other fields from the cell texts.
itemlists::ListRecord RecordOfGridRow(cGrid& grid, qint32 row);

// Whether the user edited the tags of a grid row (kept with the row's
// hidden title cell; row moves carry it along with the tags).
bool RowTagsEdited(const cGrid& grid, qint32 row);
void SetRowTagsEdited(cGrid& grid, qint32 row, bool edited);

// True for tree keys that name no list file: the roots ("##MAIN...") and the
// CD drives ("##CD...").
bool IsListNodeKey(const QString& nodeKey);

// Writes every row of the grid to the list file named by the node key,
// replacing the file (the kept records of `holder` are written back at their
// places when it holds that list). Nothing is written for a root or CD key.
// False when the file could not be written (`reason` says why); nothing is
// shown.
bool SaveGridToFile(cGrid& grid, const QString& nodeKey, const itemlists::ItemsListHolder* holder = nullptr,
                    QString* reason = nullptr);

// Reads the list file into the grid, as the list branch of the tree's node
// click does: clears the grid, sets the image list, writes one row per record
// whose source file the converter can open, keeps the others in `holder`
// (reset to this list first), and selects the last row when
// settings::g_bSelectTheLastItem is set, else the first. Tags come from the
// source files when settings::g_bCopyID3FromSource is set. The grid's drawing
// is on afterwards when it has rows and stays off when it has none (the grid
// asks for it with RedrawNeeded). Progress is reported through `progress`;
// the wait pointer, the progress bar and the empty-list panel are the
// caller's. Returns the number of rows.
//
// The file is read and the source files probed on other threads (several
// at once; `converter` is not used); meanwhile this thread appends the rows
// in small batches and runs its events, without user input, so the window
// paints and the progress moves while nothing can change the grid.
// `totals`, when given, receives the sums of "Size" (bytes) and of the
// lengths (seconds) over all rows, as TotalBytes and TotalSeconds give them.
struct ListTotals {
    qint64 bytes = 0;
    qint64 seconds = 0;
};
qint32 LoadItemsListToGrid(cGrid& grid, const QString& listPath, components::cAudioConverter& converter,
                           itemlists::ItemsListHolder& holder, cImageList* imageList,
                           const itemlists::ListProgress& progress = {}, ListTotals* totals = nullptr);

} // namespace listviews
