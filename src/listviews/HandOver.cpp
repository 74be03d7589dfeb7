#include "listviews/HandOver.h"

#include "controls/cGrid.h"
#include "core/mdlFunctions.h"
#include "itemlists/ItemRows.h"

#include <QtNumeric>

namespace listviews {

using namespace itemlists;

namespace {
bool isMarked(cGrid& grid, qint32 row, qint32 incCol) {
    return grid.Cell(row, incCol).IconIndex() == ICON_MARKED;
}
} // namespace

qint32 GetMarkedCount(cGrid& grid) {
    const qint32 inc = grid.ColumnIndex(COL_INC);
    const qint32 rows = grid.Rows();
    qint32 count = 0;
    for (qint32 r = 1; r <= rows; ++r)
        if (isMarked(grid, r, inc)) ++count;
    return count;
}

bool IsAnyItemMarked(cGrid& grid) {
    const qint32 inc = grid.ColumnIndex(COL_INC);
    const qint32 rows = grid.Rows();
    for (qint32 r = 1; r <= rows; ++r)
        if (isMarked(grid, r, inc)) return true;
    return false;
}

void CopyGridRows(cGrid& srcGrid, cGrid& dstGrid, bool bMarkedOnly) {
    const qint32 rows = srcGrid.Rows();
    if (rows == 0) return;
    const qint32 cols = srcGrid.Columns();
    const qint32 srcInc = srcGrid.ColumnIndex(COL_INC);
    const qint32 dstInc = dstGrid.ColumnIndex(COL_INC);
    dstGrid.setRedraw(false);
    qint32 n = 0;
    for (qint32 i = 1; i <= rows; ++i) {
        if (bMarkedOnly) {
            if (!isMarked(srcGrid, i, srcInc)) continue;
            ++n;
        } else {
            n = i;
            dstGrid.CellDetails(n, dstInc, QVariant(), cGrid::FormatIcon,
                                srcGrid.Cell(i, srcInc).IconIndex());
        }
        for (qint32 j = 2; j <= cols; ++j)
            dstGrid.CellDetails(n, j, srcGrid.CellText(i, j));
        dstGrid.setSelectedRow(1);
    }
    dstGrid.setRedraw(true);
}

namespace {
template <class AddRow> qint64 walk(cGrid& grid, bool bMarkedOnly, AddRow addRow) {
    const qint32 inc = grid.ColumnIndex(COL_INC);
    const qint32 rows = grid.Rows();
    qint64 total = 0;
    for (qint32 r = 1; r <= rows; ++r) {
        if (bMarkedOnly && !isMarked(grid, r, inc)) continue;
        addRow(r, total);
    }
    return total;
}
} // namespace

qint64 TotalSeconds(cGrid& grid, bool bMarkedOnly) {
    const qint32 all = grid.ColumnIndex(COL_RANGE_ALL);
    const qint32 time = grid.ColumnIndex(COL_TIME);
    const qint32 length = grid.ColumnIndex(COL_RANGE_LENGTH_TIME);
    return walk(grid, bMarkedOnly, [&](qint32 r, qint64& total) {
        if (grid.CellText(r, all) == QLatin1String("1")) {
            AddToTotal(total, static_cast<double>(core::TimeToSeconds(grid.CellText(r, time))));
        } else {
            double v = 0;
            if (CellNumber(grid.CellText(r, length), &v)) AddToTotal(total, v);
        }
    });
}

qint64 TotalBytes(cGrid& grid, bool bMarkedOnly) {
    const qint32 bytes = grid.ColumnIndex(COL_BYTES_SIZE);
    return walk(grid, bMarkedOnly, [&](qint32 r, qint64& total) {
        const QString text = grid.CellText(r, bytes).trimmed();
        bool ok = false;
        const qint64 whole = text.toLongLong(&ok); // exact beyond 2^53
        if (ok) {
            qint64 sum = 0;
            if (!qAddOverflow(total, whole, &sum)) total = sum;
            return;
        }
        double v = 0;
        if (CellNumber(text, &v)) AddToTotal(total, v);
    });
}

QString GetTotalTime(cGrid& grid, bool bMarkedOnly) {
    return QString::number(TotalSeconds(grid, bMarkedOnly));
}

QString GetTotalSize(cGrid& grid, bool bMarkedOnly) {
    return core::FormatByteSize(TotalBytes(grid, bMarkedOnly));
}

} // namespace listviews
