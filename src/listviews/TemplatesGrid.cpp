#include "listviews/TemplatesGrid.h"

#include "controls/cGrid.h"
#include "itemlists/ItemRows.h"

namespace listviews {

using namespace itemlists;

NoticFileValues LastRowValues(cGrid& grid) {
    NoticFileValues values;
    const qint32 row = grid.Rows();
    if (row < 1) return values;
    auto cell = [&](const QString& key) -> std::optional<QString> {
        const qint32 col = grid.ColumnIndex(key);
        if (col < 1) return std::nullopt;
        return grid.Cell(row, col).Text();
    };
    values.fileRecorded = cell(COL_ITEM_NAME);
    values.fileSize = cell(COL_SIZE);
    values.fileTimeLength = cell(COL_TIME);
    values.fileCreated = cell(COL_CREATED);
    return values;
}

QString GetNoticAppParameters(cGrid& grid) {
    return itemlists::GetNoticAppParameters(LastRowValues(grid));
}

bool RunNoticApp(cGrid& mainGrid) {
    return itemlists::RunNoticApp(LastRowValues(mainGrid));
}

} // namespace listviews
