#include "listviews/ItemsGrid.h"

#include "controls/ControlsLocale.h"
#include "controls/cGrid.h"
#include "core/Services.h"
#include "core/mdlFileSystem.h"
#include "core/mdlFunctions.h"
#include "settings/SettingsVariables.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QSet>
#include <QTimer>
#include <QtNumeric>

namespace listviews {

using namespace itemlists;

void InitGridColumns(cGrid& grid, cImageList* imageList, GridVariant variant) {
    // The grids format dates with the services' locale, whichever services are in.
    controls::SetControlsLocaleProvider([] { return core::services().locale(); });
    grid.setRowHeight(24);
    grid.setImageList(imageList);
    grid.BeginColumns();
    for (const ItemColumn& c : ItemColumns(variant))
        grid.AddColumn(c.key, c.caption, 0, -1, c.width, c.visible);
    grid.EndColumns();
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
                     item.created.isValid() ? QVariant(item.created.toLocalTime()) : QVariant());
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

namespace {
// The column numbers of the stored fields, looked up once per save.
struct RecordColumns {
    qint32 inc, itemName, file, rangeAll, rangeStart, rangeLength, album, artist, comment, genre, year, title,
        track;
    explicit RecordColumns(const cGrid& grid)
        : inc(grid.ColumnIndex(COL_INC)), itemName(grid.ColumnIndex(COL_ITEM_NAME)),
          file(grid.ColumnIndex(COL_FILE)), rangeAll(grid.ColumnIndex(COL_RANGE_ALL)),
          rangeStart(grid.ColumnIndex(COL_RANGE_START_TIME)),
          rangeLength(grid.ColumnIndex(COL_RANGE_LENGTH_TIME)), album(grid.ColumnIndex(COL_TAG_ALBUM)),
          artist(grid.ColumnIndex(COL_TAG_ARTIST)), comment(grid.ColumnIndex(COL_TAG_COMMENT)),
          genre(grid.ColumnIndex(COL_TAG_GEN)), year(grid.ColumnIndex(COL_TAG_YEAR)),
          title(grid.ColumnIndex(COL_TAG_TITLE)), track(grid.ColumnIndex(COL_TAG_TRACK)) {}
};

ListRecord RecordOfRow(const cGrid& grid, const RecordColumns& c, qint32 row) {
    ListRecord r;
    r.inc = QString::number(grid.CellIcon(row, c.inc));
    r.type = QStringLiteral("Audio");
    r.itemName = grid.CellText(row, c.itemName);
    r.file = grid.CellText(row, c.file);
    r.rangeAll = grid.CellText(row, c.rangeAll);
    r.rangeStart = grid.CellText(row, c.rangeStart);
    r.rangeLength = grid.CellText(row, c.rangeLength);
    r.album = grid.CellText(row, c.album);
    r.artist = grid.CellText(row, c.artist);
    r.comment = grid.CellText(row, c.comment);
    r.genre = grid.CellText(row, c.genre);
    r.year = grid.CellText(row, c.year);
    r.title = grid.CellText(row, c.title);
    r.track = grid.CellText(row, c.track);
    r.tagsEdited = (grid.CellFormat(row, c.title) & kTagsEditedFormat) != 0;
    return r;
}
} // namespace

ListRecord RecordOfGridRow(cGrid& grid, qint32 row) {
    return RecordOfRow(grid, RecordColumns(grid), row);
}

bool IsListNodeKey(const QString& nodeKey) {
    return !nodeKey.isEmpty() && !nodeKey.startsWith(QLatin1String("##MAIN")) &&
           !nodeKey.startsWith(QLatin1String("##CD"));
}

bool SaveGridToFile(cGrid& grid, const QString& nodeKey, const ItemsListHolder* holder, QString* reason) {
    if (!IsListNodeKey(nodeKey)) return false;
    if (holder && holder->Holds(nodeKey) && holder->Unreadable()) {
        if (reason)
            *reason =
                QStringLiteral("the file could not be read whole when the list was opened, so it is not "
                               "written over (open the list again once it can be read)");
        return false;
    }
    const QList<KeptRecord> kept =
        (holder && holder->Holds(nodeKey)) ? holder->KeptRecords() : QList<KeptRecord>();
    // The bytes are made straight from the cells and written a piece at a
    // time: neither a record list nor the whole file is ever held in memory.
    ListFileWriter writer(nodeKey);
    if (!writer.Open(reason)) return false;
    QByteArray& out = writer.Buffer();
    const qint32 count = grid.Rows();
    const RecordColumns c(grid);
    const QString type = QStringLiteral("Audio");
    // The mark is one of a few icons: their numbers are made once.
    QString incTexts[16];
    qsizetype k = 0;
    for (qint32 row = 1; row <= count; ++row) {
        while (k < kept.size() && kept[k].anchor <= row - 1)
            AppendListTextBytes(out, kept[k++].text);
        const qint32 icon = grid.CellIcon(row, c.inc);
        QString inc;
        if (icon >= 0 && icon < 16) {
            if (incTexts[icon].isNull()) incTexts[icon] = QString::number(icon);
            inc = incTexts[icon];
        } else {
            inc = QString::number(icon);
        }
        const QString texts[] = {grid.CellText(row, c.itemName),    grid.CellText(row, c.file),
                                 grid.CellText(row, c.rangeAll),    grid.CellText(row, c.rangeStart),
                                 grid.CellText(row, c.rangeLength), grid.CellText(row, c.album),
                                 grid.CellText(row, c.artist),      grid.CellText(row, c.comment),
                                 grid.CellText(row, c.genre),       grid.CellText(row, c.year),
                                 grid.CellText(row, c.title),       grid.CellText(row, c.track)};
        const QStringView values[kListFieldCount] = {inc,      type,     texts[0],  texts[1], texts[2],
                                                     texts[3], texts[4], texts[5],  texts[6], texts[7],
                                                     texts[8], texts[9], texts[10], texts[11]};
        AppendListRecordBytes(out, values, (grid.CellFormat(row, c.title) & kTagsEditedFormat) != 0);
        if (!writer.Flush()) break; // Commit gives the reason
    }
    while (k < kept.size()) {
        AppendListTextBytes(out, kept[k++].text);
        if (!writer.Flush()) break;
    }
    out += "\r\n";
    return writer.Commit(reason);
}

namespace {
// The cells of an item row in the grid's column order, as WriteItemRow writes
// them; the column numbers are looked up once per read.
class RowCells {
public:
    explicit RowCells(const cGrid& grid) : m_columns(grid.Columns()) {
        const QString* keys[] = {&COL_INC,
                                 &COL_TYPE,
                                 &COL_ITEM_NAME,
                                 &COL_TIME,
                                 &COL_SIZE,
                                 &COL_FILE,
                                 &COL_BYTES_SIZE,
                                 &COL_RANGE_ALL,
                                 &COL_RANGE_START_TIME,
                                 &COL_RANGE_LENGTH_TIME,
                                 &COL_RANGE,
                                 &COL_TAG_ALBUM,
                                 &COL_TAG_ARTIST,
                                 &COL_TAG_COMMENT,
                                 &COL_TAG_GEN,
                                 &COL_TAG_YEAR,
                                 &COL_TAG_TITLE,
                                 &COL_TAG_TRACK,
                                 &COL_CREATED};
        for (int i = 0; i < kItemColumnCount; ++i)
            m_col[i] = grid.ColumnIndex(*keys[i]);
    }
    // The texts are copied here, on the grid's thread: strings made by the
    // probing threads would otherwise pin those threads' freed memory for as
    // long as the list is shown. Texts that repeat from row to row (times,
    // sizes, album, artist, ...) are kept once.
    QList<cGridCellValue> operator()(const ItemRow& item, const QString& createdText) {
        QList<cGridCellValue> cells(m_columns);
        int i = 0;
        auto put = [&](const QString& text, qint32 format = 0, qint32 icon = -1) {
            const qint32 col = m_col[i++];
            if (col >= 1 && col <= cells.size()) cells[col - 1] = {Own(text), format, icon};
        };
        put(QString(), cGrid::FormatIcon, item.incIcon);
        put(QString(), cGrid::FormatIcon, item.typeIcon);
        put(item.itemName);
        put(item.time);
        put(item.size);
        put(item.file);
        put(item.bytesSize);
        put(item.rangeAll);
        put(item.rangeStart);
        put(item.rangeLength);
        put(item.range);
        put(item.album);
        put(item.artist);
        put(item.comment);
        put(item.genre);
        put(item.year);
        put(item.title, item.tagsEdited ? kTagsEditedFormat : 0);
        put(item.track);
        put(createdText);
        return cells;
    }

private:
    QString Own(const QString& text) {
        if (text.isEmpty()) return QString();
        const auto known = m_texts.constFind(text);
        if (known != m_texts.cend()) return *known;
        QString copy(text.constData(), text.size());
        // Paths, names and the like are unique: only short texts are worth keeping.
        if (text.size() <= 32 && m_texts.size() < 100000) m_texts.insert(copy);
        return copy;
    }

    qint32 m_columns;
    qint32 m_col[kItemColumnCount] = {};
    QSet<QString> m_texts;
};
} // namespace

qint32 LoadItemsListToGrid(cGrid& grid, const QString& listPath, components::cAudioConverter& converter,
                           ItemsListHolder& holder, cImageList* imageList, const ListProgress& progress,
                           ListTotals* totals) {
    Q_UNUSED(converter);
    grid.Clear();
    grid.setRedraw(false);
    grid.setRedraw(true);
    grid.setImageList(imageList);
    grid.setRedraw(false);

    holder.Reset(listPath);
    // The loader's threads post here; it outlives them (the loader, made
    // after it, joins them when it goes).
    QObject wakeTarget;
    ListLoader loader(listPath, settings::g_bCopyID3FromSource, core::services().locale());

    // This thread takes the results in file order, a slice of time at a
    // time, and runs its events in between. Appending the slice's rows to the
    // grid costs about as much again, so the slice is short.
    constexpr qint64 kSliceMs = 6;
    qint32 shown = 0;
    qint32 maximum = -1;
    QEventLoop loop;
    RowCells cellsOf(grid);
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
        const qint32 before = shown;
        while (slice.elapsed() < kSliceMs) {
            const ListLoader::Result* result = loader.Next();
            if (!result) break;
            if (!result->shown) {
                holder.Keep(shown, QString(result->text.constData(), result->text.size()));
                loader.Release();
                continue;
            }
            batch.append(cellsOf(result->row, result->createdText));
            if (totals) {
                // As TotalBytes and TotalSeconds add up a grid, while the rows come.
                const ItemRow& row = result->row;
                bool whole = false;
                const qint64 bytes = row.bytesSize.toLongLong(&whole);
                qint64 sum = 0;
                if (whole && !qAddOverflow(totals->bytes, bytes, &sum)) totals->bytes = sum;
                if (row.rangeAll == QLatin1String("1")) {
                    AddToTotal(totals->seconds, static_cast<double>(core::TimeToSeconds(row.time)));
                } else {
                    double v = 0;
                    if (CellNumber(row.rangeLength, &v)) AddToTotal(totals->seconds, v);
                }
            }
            loader.Release();
            ++shown;
        }
        grid.AppendRows(batch);
        if (progress && shown != before) progress(shown, maximum);
        if (loader.AllTaken()) loop.quit();
    };
    // Results are taken every few milliseconds while they come; the count
    // and the last result also wake this thread at once, so that a short
    // list is shown without waiting for the timer.
    QTimer timer;
    timer.setInterval(5);
    QObject::connect(&timer, &QTimer::timeout, &loop, drain);
    loader.SetWake([&wakeTarget, &drain] {
        QMetaObject::invokeMethod(
            &wakeTarget, [&drain] { drain(); }, Qt::QueuedConnection);
    });
    loader.start();
    timer.start();
    drain();
    if (!loader.AllTaken()) loop.exec(QEventLoop::ExcludeUserInputEvents);
    timer.stop();

    holder.SetUnreadable(loader.Unreadable());
    const qint32 rows = grid.Rows();
    if (rows > 0) {
        grid.setRedraw(true);
        grid.setSelectedRow(settings::g_bSelectTheLastItem ? rows : 1);
    }
    return rows;
}

} // namespace listviews
