#include "itemlists/ItemsGrid.h"

#include "controls/cGrid.h"
#include "core/mdlFileSystem.h"
#include "settings/SettingsVariables.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

namespace itemlists {

void InitGridColumns(cGrid& grid, cImageList* imageList, GridVariant variant) {
    grid.setRowHeight(24);
    grid.setImageList(imageList);
    for (const ItemColumn& c : ItemColumns(variant))
        grid.AddColumn(c.key, c.caption, 0, -1, c.width, c.visible);
    grid.setSetting3(true);
    grid.setGridLines(true);
    grid.setSetting2(true);
    grid.setSetting1(true);
    grid.setSetting5(false);
    grid.setSettingColor(0x80000008); // the system colour of window text
    grid.setHotTrack(true);
    grid.setSetting4(false);
}

void WriteItemRow(cGrid& grid, qint32 row, const ItemRow& item) {
    // The first write appends the row; the others address it by key.
    grid.CellDetails(row, grid.ColumnIndex(COL_INC), QVariant(), cGrid::FormatIcon, item.incIcon);
    grid.CellDetails(row, grid.ColumnIndex(COL_TYPE), QString(), cGrid::FormatIcon, item.typeIcon);
    const std::pair<const QString*, const QString*> texts[] = {
        {&COL_ITEM_NAME, &item.itemName},
        {&COL_TIME, &item.time},
        {&COL_SIZE, &item.size},
        {&COL_FILE, &item.file},
        {&COL_BYTES_SIZE, &item.bytesSize},
        {&COL_RANGE_ALL, &item.rangeAll},
        {&COL_RANGE_START_TIME, &item.rangeStart},
        {&COL_RANGE_LENGTH_TIME, &item.rangeLength},
        {&COL_RANGE, &item.range},
        {&COL_TAG_ALBUM, &item.album},
        {&COL_TAG_ARTIST, &item.artist},
        {&COL_TAG_COMMENT, &item.comment},
        {&COL_TAG_GEN, &item.genre},
        {&COL_TAG_YEAR, &item.year},
        {&COL_TAG_TITLE, &item.title},
        {&COL_TAG_TRACK, &item.track},
    };
    for (const auto& [key, value] : texts)
        grid.CellDetails(row, grid.ColumnIndex(*key), *value);
    grid.CellDetails(row, grid.ColumnIndex(COL_CREATED),
                     item.created.isValid() ? QVariant(item.created) : QVariant());
    if (item.tagsEdited) SetRowTagsEdited(grid, row, true);
}

namespace {
// The flag rides on the format of the hidden title cell: hidden cells are
// never drawn, and the bit is none of the drawing flags.
constexpr qint32 kTagsEditedFormat = 0x10000000;
} // namespace

bool RowTagsEdited(const cGrid& grid, qint32 row) {
    return (grid.CellFormat(row, grid.ColumnIndex(COL_TAG_TITLE)) & kTagsEditedFormat) != 0;
}

void SetRowTagsEdited(cGrid& grid, qint32 row, bool edited) {
    const qint32 col = grid.ColumnIndex(COL_TAG_TITLE);
    if (row < 1 || row > grid.Rows() || col < 1) return;
    qint32 format = grid.CellFormat(row, col) & ~kTagsEditedFormat;
    if (edited) format |= kTagsEditedFormat;
    grid.CellDetails(row, col, grid.CellText(row, col), format, grid.CellIcon(row, col));
}

ListRecord RecordOfGridRow(cGrid& grid, qint32 row) {
    auto text = [&](const QString& key) { return grid.Cell(row, grid.ColumnIndex(key)).Text(); };
    ListRecord r;
    r.inc = QString::number(grid.Cell(row, grid.ColumnIndex(COL_INC)).IconIndex());
    r.type = QStringLiteral("Audio");
    r.itemName = text(COL_ITEM_NAME);
    r.file = text(COL_FILE);
    r.rangeAll = text(COL_RANGE_ALL);
    r.rangeStart = text(COL_RANGE_START_TIME);
    r.rangeLength = text(COL_RANGE_LENGTH_TIME);
    r.album = text(COL_TAG_ALBUM);
    r.artist = text(COL_TAG_ARTIST);
    r.comment = text(COL_TAG_COMMENT);
    r.genre = text(COL_TAG_GEN);
    r.year = text(COL_TAG_YEAR);
    r.title = text(COL_TAG_TITLE);
    r.track = text(COL_TAG_TRACK);
    r.tagsEdited = RowTagsEdited(grid, row);
    return r;
}

bool IsListNodeKey(const QString& nodeKey) {
    return !nodeKey.isEmpty() && !nodeKey.startsWith(QLatin1String("##MAIN")) &&
           !nodeKey.startsWith(QLatin1String("##CD"));
}

bool SaveGridToFile(cGrid& grid, const QString& nodeKey, const ItemsListHolder* holder, QString* reason) {
    if (!IsListNodeKey(nodeKey)) return false;
    QList<ListRecord> rows;
    const qint32 count = grid.Rows();
    rows.reserve(count);
    for (qint32 r = 1; r <= count; ++r)
        rows.append(RecordOfGridRow(grid, r));
    const QList<KeptRecord> kept =
        (holder && holder->Holds(nodeKey)) ? holder->KeptRecords() : QList<KeptRecord>();
    return WriteListFile(nodeKey, ComposeListText(rows, kept), reason);
}

namespace {
// The cells of an item row in the grid's column order, as WriteItemRow writes them.
QList<cGridCellValue> CellsOfItemRow(const cGrid& grid, const ItemRow& item) {
    QList<cGridCellValue> cells(grid.Columns());
    auto put = [&](const QString& key, const QString& text, qint32 format = 0, qint32 icon = -1) {
        const qint32 col = grid.ColumnIndex(key);
        if (col >= 1 && col <= cells.size()) cells[col - 1] = {text, format, icon};
    };
    put(COL_INC, QString(), cGrid::FormatIcon, item.incIcon);
    put(COL_TYPE, QString(), cGrid::FormatIcon, item.typeIcon);
    put(COL_ITEM_NAME, item.itemName);
    put(COL_TIME, item.time);
    put(COL_SIZE, item.size);
    put(COL_FILE, item.file);
    put(COL_BYTES_SIZE, item.bytesSize);
    put(COL_RANGE_ALL, item.rangeAll);
    put(COL_RANGE_START_TIME, item.rangeStart);
    put(COL_RANGE_LENGTH_TIME, item.rangeLength);
    put(COL_RANGE, item.range);
    put(COL_TAG_ALBUM, item.album);
    put(COL_TAG_ARTIST, item.artist);
    put(COL_TAG_COMMENT, item.comment);
    put(COL_TAG_GEN, item.genre);
    put(COL_TAG_YEAR, item.year);
    put(COL_TAG_TITLE, item.title, item.tagsEdited ? kTagsEditedFormat : 0);
    put(COL_TAG_TRACK, item.track);
    put(COL_CREATED, item.created.isValid() ? cGrid::ValueText(QVariant(item.created)) : QString());
    return cells;
}
} // namespace

qint32 LoadItemsListToGrid(cGrid& grid, const QString& listPath, components::cAudioConverter& converter,
                           ItemsListHolder& holder, cImageList* imageList, const ListProgress& progress) {
    Q_UNUSED(converter);
    grid.Clear();
    grid.setRedraw(false);
    grid.setRedraw(true);
    grid.setImageList(imageList);
    grid.setRedraw(false);

    holder.Reset(listPath);
    ListLoader loader(listPath, settings::g_bCopyID3FromSource);
    loader.start();

    // This thread takes the results in file order, a slice of time at a
    // time, and runs its events in between.
    constexpr qint64 kSliceMs = 20;
    qint32 shown = 0;
    qint32 maximum = -1;
    QEventLoop loop;
    auto drain = [&] {
        if (maximum < 0) {
            maximum = loader.RecordCount();
            if (maximum < 0) return; // still reading the file
            // The records are the file's "<ITEM>" pieces.
            if (progress) progress(0, maximum);
        }
        QElapsedTimer slice;
        slice.start();
        QList<QList<cGridCellValue>> batch;
        ListLoader::Result result;
        const qint32 before = shown;
        while (slice.elapsed() < kSliceMs && loader.Take(&result)) {
            if (!result.shown) {
                holder.Keep(shown, result.text);
                continue;
            }
            result.row.size = core::FormatFileSize(result.row.bytesSize.toLongLong());
            batch.append(CellsOfItemRow(grid, result.row));
            ++shown;
        }
        grid.AppendRows(batch);
        if (progress && shown != before) progress(shown, maximum);
        if (loader.AllTaken()) loop.quit();
    };
    QTimer timer;
    timer.setInterval(5);
    QObject::connect(&timer, &QTimer::timeout, &loop, drain);
    timer.start();
    drain();
    if (!loader.AllTaken()) loop.exec(QEventLoop::ExcludeUserInputEvents);
    timer.stop();

    const qint32 rows = grid.Rows();
    if (rows > 0) {
        grid.setRedraw(true);
        grid.setSelectedRow(settings::g_bSelectTheLastItem ? rows : 1);
    }
    return rows;
}

} // namespace itemlists
