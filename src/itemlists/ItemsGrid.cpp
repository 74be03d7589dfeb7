#include "itemlists/ItemsGrid.h"

#include "controls/cGrid.h"
#include "settings/SettingsVariables.h"

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
    return r;
}

bool IsListNodeKey(const QString& nodeKey) {
    return !nodeKey.isEmpty() && !nodeKey.startsWith(QLatin1String("##MAIN")) &&
           !nodeKey.startsWith(QLatin1String("##CD"));
}

bool SaveGridToFile(cGrid& grid, const QString& nodeKey, const ItemsListHolder* holder) {
    if (!IsListNodeKey(nodeKey)) return false;
    QList<ListRecord> rows;
    const qint32 count = grid.Rows();
    rows.reserve(count);
    for (qint32 r = 1; r <= count; ++r)
        rows.append(RecordOfGridRow(grid, r));
    const QList<KeptRecord> kept =
        (holder && holder->Holds(nodeKey)) ? holder->KeptRecords() : QList<KeptRecord>();
    return WriteListFile(nodeKey, ComposeListText(rows, kept));
}

qint32 LoadItemsListToGrid(cGrid& grid, const QString& listPath, components::cAudioConverter& converter,
                           ItemsListHolder& holder, cImageList* imageList, const ListProgress& progress) {
    grid.Clear();
    grid.setRedraw(false);
    grid.setRedraw(true);
    grid.setImageList(imageList);
    grid.setRedraw(false);

    holder.Reset(listPath);
    const LoadedList list = LoadItemsList(listPath, converter, settings::g_bCopyID3FromSource, progress);
    for (const KeptRecord& k : list.kept)
        holder.Keep(k.anchor, k.text);
    for (qint32 i = 0; i < list.rows.size(); ++i)
        WriteItemRow(grid, i + 1, list.rows[i]);

    const qint32 rows = grid.Rows();
    if (rows > 0) {
        grid.setRedraw(true);
        grid.setSelectedRow(settings::g_bSelectTheLastItem ? rows : 1);
    }
    return rows;
}

} // namespace itemlists
