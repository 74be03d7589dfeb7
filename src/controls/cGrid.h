#pragma once

#include <QFont>
#include <QHash>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTableView>
#include <QVariant>
#include <QVector>

class cImageList;
class cGrid;
class cGridModel;

// What AppendRows writes into one cell: as CellDetails with a text.
struct cGridCellValue {
    QString text;
    qint32 format = 0;
    qint32 icon = -1;
};

// One cell of a cGrid, addressed by 1-based row and column. The object is a
// live handle: reading asks the grid, writing changes the grid at once. A cell
// outside the grid reads as empty text and no icon; writes to it are ignored.
class cGridCell {
public:
    cGridCell() = default;
    cGridCell(cGrid* grid, qint32 row, qint32 col);

    QString Text() const;
    void setText(const QString& text);
    // Number of the picture of the grid's image list shown in the cell, -1 for none.
    qint32 IconIndex() const;
    void setIconIndex(qint32 icon);
    // True when the cell's row is selected.
    bool Selected() const;

    qint32 Row() const { return m_row; }
    qint32 Col() const { return m_col; }

private:
    QPointer<cGrid> m_grid;
    qint32 m_row = 0;
    qint32 m_col = 0;
};

// The items grid: rows and columns numbered from 1, every cell a text with an
// optional icon number into the grid's image list. Rows are appended only by
// writing a cell of row Rows() + 1 with CellDetails. Backed by a table model,
// so thousands of rows cost one model insert each and no widget per cell.
class cGrid : public QTableView {
    Q_OBJECT
public:
    // Cell formats (text drawing flags) as the windows pass them.
    static constexpr qint32 DT_CENTER = 0x1;
    static constexpr qint32 DT_RIGHT = 0x2;
    static constexpr qint32 DT_SINGLELINE = 0x20;
    static constexpr qint32 DT_WORD_ELLIPSIS = 0x40000;
    static constexpr qint32 FormatIcon = 0x40020; // single line, word ellipsis: passed with every icon

    explicit cGrid(QWidget* parent = nullptr);
    ~cGrid() override;

    // --- set-up
    qint32 RowHeight() const;
    void setRowHeight(qint32 pixels);
    cImageList* ImageList() const;
    void setImageList(cImageList* list);
    bool GridLines() const;
    void setGridLines(bool on);
    bool HotTrack() const { return m_hotTrack; }
    void setHotTrack(bool on);
    // Options of the control the windows set once; kept, with no further effect.
    bool Setting1() const { return m_settings[0]; }
    void setSetting1(bool v) { m_settings[0] = v; }
    bool Setting2() const { return m_settings[1]; }
    void setSetting2(bool v) { m_settings[1] = v; }
    bool Setting3() const { return m_settings[2]; }
    void setSetting3(bool v) { m_settings[2] = v; }
    bool Setting4() const { return m_settings[3]; }
    void setSetting4(bool v) { m_settings[3] = v; }
    bool Setting5() const { return m_settings[4]; }
    void setSetting5(bool v) { m_settings[4] = v; }
    qint64 SettingColor() const { return m_settingColor; }
    void setSettingColor(qint64 colour) { m_settingColor = colour; }

    // Appends a column and returns its number. `width` in pixels (-1: keep the
    // default); a column added with visible False exists but is not shown.
    // Returns 0 when the key is already used.
    qint32 AddColumn(const QString& key, const QString& caption, qint32 unused1 = 0, qint32 unused2 = -1,
                     qint32 width = -1, bool visible = true);
    // Columns added between these two calls are laid out once, at the end
    // (otherwise the table measures its whole header again for each one).
    // Calls nest.
    void BeginColumns();
    void EndColumns();
    // Number of the column with that key (exact match), 0 when there is none.
    qint32 ColumnIndex(const QString& key) const;
    QString ColumnKey(qint32 col) const;
    QString ColumnCaption(qint32 col) const;
    qint32 ColumnWidth(qint32 col) const;
    bool ColumnVisible(qint32 col) const;
    qint32 Rows() const;
    qint32 Columns() const;

    // --- cells
    cGridCell Cell(qint32 row, qint32 col) { return cGridCell(this, row, col); }
    // Writes a cell: its text (a string, a number or a date shown as text; an
    // invalid value leaves no text), format and icon (-1 for none). A row of
    // Rows() + 1 appends a new row first; any other row outside 1..Rows(), or a
    // column outside 1..Columns(), writes nothing and returns false.
    bool CellDetails(qint32 row, qint32 col, const QVariant& value = QVariant(), qint32 format = 0,
                     qint32 icon = -1);
    QString CellText(qint32 row, qint32 col) const;
    bool setCellText(qint32 row, qint32 col, const QString& text);
    qint32 CellIcon(qint32 row, qint32 col) const;
    bool setCellIcon(qint32 row, qint32 col, qint32 icon);
    qint32 CellFormat(qint32 row, qint32 col) const;
    QFont CellFont(qint32 row, qint32 col) const;
    bool setCellFont(qint32 row, qint32 col, const QFont& font);
    // The text a value becomes in a cell (dates in the locale's short form).
    static QString ValueText(const QVariant& value);

    // --- rows
    // Appends the rows at once, after the last one: row i takes the values of
    // rows[i] for its columns 1, 2, ... (columns beyond the values stay
    // empty, values beyond the columns are dropped). The same as writing each
    // cell with CellDetails, for many rows at a fraction of the cost.
    void AppendRows(const QList<QList<cGridCellValue>>& rows);
    // Removes one row; the rows below close up. The grid keeps a valid selected
    // row while it has rows.
    void RemoveRow(qint32 row);
    // Removes every row; the columns stay.
    void Clear();

    // --- selection: the current cell, 0 when none.
    qint32 SelectedRow() const;
    void setSelectedRow(qint32 row);
    qint32 SelectedCol() const;
    void setSelectedCol(qint32 col);
    bool IsRowSelected(qint32 row) const;

    // False suspends painting during bulk changes; True paints again.
    bool Redraw() const { return m_redraw; }
    void setRedraw(bool on);

signals:
    // button 1 left, 2 right, 4 middle; shift 1 Shift, 2 Ctrl, 4 Alt; x, y in pixels from the grid's corner.
    void MouseUp(qint32 button, qint32 shift, double x, double y);
    void DblClick(qint32 row, qint32 col);
    // The grid wants to be shown while its drawing is off.
    void RedrawNeeded();
    // Files dropped from the file manager: full local paths, in drop order.
    void OLEDragDrop(const QStringList& files, qint32 effect, qint32 button, qint32 shift, double x,
                     double y);

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void updateGeometries() override;

private:
    friend class cGridDelegate;
    void askRedraw();
    void keepSelectionValid(qint32 preferredRow);

    cGridModel* m_model = nullptr;
    int m_columnBatch = 0;            // BeginColumns calls not ended yet
    bool m_geometriesPending = false; // a layout was put off until EndColumns
    QPointer<cImageList> m_imageList;
    bool m_redraw = true;
    bool m_redrawAsked = false;
    bool m_hotTrack = false;
    qint32 m_hoverRow = -1;
    bool m_settings[5] = {false, false, false, false, false};
    qint64 m_settingColor = 0;
};
