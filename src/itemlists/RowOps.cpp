#include "itemlists/RowOps.h"

#include "itemlists/ItemsListFile.h"

namespace itemlists {

qint32 MoveOffset(const QString& key, qint32 selectedRow, qint32 rowCount) {
    if (rowCount < 1 || selectedRow < 1 || selectedRow > rowCount) return 0;
    qint32 target = selectedRow;
    if (key == QLatin1String("Move Up"))
        target = selectedRow - 1;
    else if (key == QLatin1String("Move Down"))
        target = selectedRow + 1;
    else if (key == QLatin1String("Move To First"))
        target = 1;
    else if (key == QLatin1String("Move To Last"))
        target = rowCount;
    if (target < 1 || target > rowCount) return 0;
    return target - selectedRow;
}

void KeepRecordsAfterRemoval(ItemsListHolder& holder, const QList<qint32>& removedRows) {
    if (removedRows.isEmpty() || holder.KeptCount() == 0) return;
    const QList<KeptRecord> kept = holder.KeptRecords();
    holder.Reset(holder.Path());
    for (const KeptRecord& record : kept) {
        qint32 anchor = record.anchor;
        for (qint32 row : removedRows)
            if (row <= record.anchor) --anchor;
        holder.Keep(anchor < 0 ? 0 : anchor, record.text);
    }
}

} // namespace itemlists
