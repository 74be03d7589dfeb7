// Widget-free pieces of the grid's row commands: where a move goes and what
// becomes of the records held back for missing files when rows go.
#pragma once

#include <QList>
#include <QString>

namespace itemlists {

class ItemsListHolder;

// The distance (lMove of ReplaceRow) from the selected row to the row that
// the move command `key` ("Move Up", "Move Down", "Move To First", "Move To
// Last") swaps it with; 0 when nothing is to move (no rows, no selection, an
// unknown key, or the target is outside the grid or the row itself).
qint32 MoveOffset(const QString& key, qint32 selectedRow, qint32 rowCount);

// The held-back records keep their places among the rows that remain after
// `removedRows` (1-based, numbered as before the removal) went: each record's
// anchor loses one for every removed row at or before it. The records stay.
void KeepRecordsAfterRemoval(ItemsListHolder& holder, const QList<qint32>& removedRows);

} // namespace itemlists
