#include "controls/cGrid.h"

#include "controls/ControlsLocale.h"
#include "controls/cImageList.h"

#include <QDateTime>

#include <QAbstractTableModel>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <memory>
#include <vector>

#include <cmath>

// ---------------------------------------------------------------- model

class cGridModel : public QAbstractTableModel {
public:
    // A cell is its text and two numbers. A grid holds hundreds of thousands
    // of them, so nothing else lives in a cell: a font, which few cells ever
    // get, is a number into the grid's table of fonts, kept by the row only
    // once one of its cells has one.
    struct CellData {
        QString text;
        qint32 icon = -1;
        qint32 format = 0;
    };
    struct Row {
        std::vector<CellData> cells;      // may be shorter than the columns: the rest are empty
        std::unique_ptr<quint16[]> fonts; // per cell, 0 for none, else 1 + number in m_fonts
        qsizetype fontCount = 0;          // entries in `fonts`
    };
    struct Column {
        QString key;
        QString caption;
    };

    explicit cGridModel(cGrid* grid) : QAbstractTableModel(grid), m_grid(grid) {}

    int rowCount(const QModelIndex& parent = QModelIndex()) const override {
        return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
    }
    int columnCount(const QModelIndex& parent = QModelIndex()) const override {
        return parent.isValid() ? 0 : static_cast<int>(m_cols.size());
    }

    QVariant data(const QModelIndex& index, int role) const override {
        const CellData* c = cell(index.row() + 1, index.column() + 1);
        if (!c) return QVariant();
        switch (role) {
        case Qt::DisplayRole:
        case Qt::ToolTipRole:
            return c->text.isEmpty() ? QVariant() : QVariant(c->text);
        case Qt::DecorationRole: {
            cImageList* list = m_grid->ImageList();
            if (!list || c->icon < 0) return QVariant();
            QIcon icon = list->IconForNumber(c->icon);
            return icon.isNull() ? QVariant() : QVariant(icon);
        }
        case Qt::FontRole: {
            const QFont* f = font(index.row() + 1, index.column() + 1);
            return f ? QVariant(*f) : QVariant();
        }
        case Qt::TextAlignmentRole: {
            Qt::Alignment h = Qt::AlignLeft;
            if (c->format & cGrid::DT_CENTER)
                h = Qt::AlignHCenter;
            else if (c->format & cGrid::DT_RIGHT)
                h = Qt::AlignRight;
            return QVariant(int(h | Qt::AlignVCenter));
        }
        default:
            return QVariant();
        }
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
            section < m_cols.size())
            return m_cols[section].caption;
        return QVariant();
    }

    Qt::ItemFlags flags(const QModelIndex& index) const override {
        return index.isValid() ? (Qt::ItemIsEnabled | Qt::ItemIsSelectable) : Qt::NoItemFlags;
    }

    bool inside(qint32 row, qint32 col) const {
        return row >= 1 && static_cast<size_t>(row) <= m_rows.size() && col >= 1 && col <= m_cols.size();
    }
    const CellData* cell(qint32 row, qint32 col) const {
        if (!inside(row, col)) return nullptr;
        const Row& r = m_rows[static_cast<size_t>(row) - 1];
        if (static_cast<size_t>(col) > r.cells.size()) return &m_empty; // a column added after the row
        return &r.cells[static_cast<size_t>(col) - 1];
    }
    CellData* writableCell(qint32 row, qint32 col) {
        if (!inside(row, col)) return nullptr;
        Row& r = m_rows[static_cast<size_t>(row) - 1];
        if (static_cast<size_t>(col) > r.cells.size()) r.cells.resize(static_cast<size_t>(m_cols.size()));
        return &r.cells[static_cast<size_t>(col) - 1];
    }
    void cellChanged(qint32 row, qint32 col) {
        const QModelIndex i = index(row - 1, col - 1);
        emit dataChanged(i, i);
    }

    // The cell's own font, null when it has none.
    const QFont* font(qint32 row, qint32 col) const {
        if (!inside(row, col)) return nullptr;
        const Row& r = m_rows[static_cast<size_t>(row) - 1];
        if (col > r.fontCount || r.fonts[col - 1] == 0) return nullptr;
        return &m_fonts[r.fonts[col - 1] - 1];
    }
    bool setFont(qint32 row, qint32 col, const QFont& f) {
        if (!inside(row, col)) return false;
        // The few fonts a grid uses are kept once.
        qsizetype n = m_fonts.indexOf(f);
        if (n < 0) {
            if (m_fonts.size() >= 0xFFFF) return false;
            m_fonts.append(f);
            n = m_fonts.size() - 1;
        }
        Row& r = m_rows[static_cast<size_t>(row) - 1];
        if (col > r.fontCount) {
            const qsizetype count = m_cols.size();
            auto fonts = std::make_unique<quint16[]>(static_cast<size_t>(count)); // zeroed
            std::copy_n(r.fonts.get(), r.fontCount, fonts.get());
            r.fonts = std::move(fonts);
            r.fontCount = count;
        }
        r.fonts[col - 1] = static_cast<quint16>(n + 1);
        return true;
    }

    qint32 addColumn(const QString& key, const QString& caption) {
        if (m_colIndex.contains(key)) return 0;
        const int n = static_cast<int>(m_cols.size());
        beginInsertColumns(QModelIndex(), n, n);
        m_cols.append({key, caption});
        m_colIndex.insert(key, n + 1);
        endInsertColumns();
        return n + 1;
    }
    qint32 columnIndex(const QString& key) const { return m_colIndex.value(key, 0); }
    const Column* column(qint32 col) const {
        return (col >= 1 && col <= m_cols.size()) ? &m_cols[col - 1] : nullptr;
    }

    void appendRow() {
        const int n = static_cast<int>(m_rows.size());
        beginInsertRows(QModelIndex(), n, n);
        m_rows.emplace_back().cells.resize(static_cast<size_t>(m_cols.size()));
        endInsertRows();
    }
    void appendRows(const QList<QList<cGridCellValue>>& rows) {
        if (rows.isEmpty()) return;
        const int n = static_cast<int>(m_rows.size());
        const size_t cols = static_cast<size_t>(m_cols.size());
        beginInsertRows(QModelIndex(), n, n + static_cast<int>(rows.size()) - 1);
        const size_t needed = m_rows.size() + static_cast<size_t>(rows.size());
        if (needed > m_rows.capacity()) m_rows.reserve(std::max(needed, m_rows.capacity() * 2)); // amortised
        for (const QList<cGridCellValue>& values : rows) {
            Row& row = m_rows.emplace_back();
            row.cells.resize(cols);
            const size_t used = std::min(cols, static_cast<size_t>(values.size()));
            for (size_t c = 0; c < used; ++c) {
                const cGridCellValue& v = values[static_cast<qsizetype>(c)];
                row.cells[c] = {v.text, v.icon, v.format};
            }
        }
        endInsertRows();
    }
    void removeRowAt(qint32 row) {
        beginRemoveRows(QModelIndex(), row - 1, row - 1);
        m_rows.erase(m_rows.begin() + (row - 1));
        endRemoveRows();
    }
    void clearRows() {
        if (m_rows.empty()) return;
        beginResetModel();
        m_rows = std::vector<Row>();
        m_fonts.clear();
        endResetModel();
    }
    void refreshAll() {
        if (m_rows.empty() || m_cols.isEmpty()) return;
        emit dataChanged(index(0, 0),
                         index(static_cast<int>(m_rows.size()) - 1, static_cast<int>(m_cols.size()) - 1));
    }

private:
    cGrid* m_grid;
    QVector<Column> m_cols;
    QHash<QString, qint32> m_colIndex;
    std::vector<Row> m_rows;
    QList<QFont> m_fonts;
    const CellData m_empty;
};

// ---------------------------------------------------------------- hot tracking

// Shades the row under the pointer when hot tracking is on.
class cGridDelegate : public QStyledItemDelegate {
public:
    explicit cGridDelegate(cGrid* grid) : QStyledItemDelegate(grid), m_grid(grid) {}
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        if (m_grid->m_hotTrack && index.row() == m_grid->m_hoverRow &&
            !(option.state & QStyle::State_Selected)) {
            QColor c = option.palette.color(QPalette::Highlight);
            c.setAlpha(40);
            painter->fillRect(option.rect, c);
        }
        QStyledItemDelegate::paint(painter, option, index);
    }

private:
    cGrid* m_grid;
};

// ---------------------------------------------------------------- cGridCell

cGridCell::cGridCell(cGrid* grid, qint32 row, qint32 col) : m_grid(grid), m_row(row), m_col(col) {}

QString cGridCell::Text() const {
    return m_grid ? m_grid->CellText(m_row, m_col) : QString();
}
void cGridCell::setText(const QString& text) {
    if (m_grid) m_grid->setCellText(m_row, m_col, text);
}
qint32 cGridCell::IconIndex() const {
    return m_grid ? m_grid->CellIcon(m_row, m_col) : -1;
}
void cGridCell::setIconIndex(qint32 icon) {
    if (m_grid) m_grid->setCellIcon(m_row, m_col, icon);
}
bool cGridCell::Selected() const {
    return m_grid && m_grid->IsRowSelected(m_row);
}

// ---------------------------------------------------------------- cGrid

cGrid::cGrid(QWidget* parent) : QTableView(parent), m_model(new cGridModel(this)) {
    setModel(m_model);
    setItemDelegate(new cGridDelegate(this));
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    setTextElideMode(Qt::ElideRight);
    setCornerButtonEnabled(false);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DropOnly);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setMinimumSectionSize(1);
    horizontalHeader()->setMinimumSectionSize(8); // narrow icon columns keep the width asked for
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionsClickable(false);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);

    connect(this, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex& i) { emit DblClick(i.row() + 1, i.column() + 1); });
}

cGrid::~cGrid() = default;

qint32 cGrid::RowHeight() const {
    return verticalHeader()->defaultSectionSize();
}
void cGrid::setRowHeight(qint32 pixels) {
    if (pixels > 0) verticalHeader()->setDefaultSectionSize(pixels);
}

cImageList* cGrid::ImageList() const {
    return m_imageList.data();
}
void cGrid::setImageList(cImageList* list) {
    m_imageList = list;
    if (list) {
        const QSize s = list->IconSize();
        if (s.isValid()) setIconSize(s);
    }
    m_model->refreshAll();
}

bool cGrid::GridLines() const {
    return showGrid();
}
void cGrid::setGridLines(bool on) {
    setShowGrid(on);
}

void cGrid::setHotTrack(bool on) {
    m_hotTrack = on;
    setMouseTracking(on);
    if (!on) m_hoverRow = -1;
    viewport()->update();
}

qint32 cGrid::AddColumn(const QString& key, const QString& caption, qint32, qint32, qint32 width,
                        bool visible) {
    const qint32 col = m_model->addColumn(key, caption);
    if (col == 0) return 0;
    if (width >= 0) setColumnWidth(col - 1, width);
    setColumnHidden(col - 1, !visible);
    return col;
}

void cGrid::BeginColumns() {
    ++m_columnBatch;
}

void cGrid::EndColumns() {
    if (m_columnBatch == 0 || --m_columnBatch > 0 || !m_geometriesPending) return;
    m_geometriesPending = false;
    updateGeometries();
}

void cGrid::updateGeometries() {
    if (m_columnBatch > 0) {
        m_geometriesPending = true;
        return;
    }
    QTableView::updateGeometries();
}

qint32 cGrid::ColumnIndex(const QString& key) const {
    return m_model->columnIndex(key);
}
QString cGrid::ColumnKey(qint32 col) const {
    const auto* c = m_model->column(col);
    return c ? c->key : QString();
}
QString cGrid::ColumnCaption(qint32 col) const {
    const auto* c = m_model->column(col);
    return c ? c->caption : QString();
}
qint32 cGrid::ColumnWidth(qint32 col) const {
    return m_model->column(col) ? columnWidth(col - 1) : 0;
}
bool cGrid::ColumnVisible(qint32 col) const {
    return m_model->column(col) && !isColumnHidden(col - 1);
}
qint32 cGrid::Rows() const {
    return m_model->rowCount();
}
qint32 cGrid::Columns() const {
    return m_model->columnCount();
}

QString cGrid::ValueText(const QVariant& value) {
    if (!value.isValid() || value.isNull()) return QString();
    switch (value.metaType().id()) {
    case QMetaType::QDateTime:
        return controls::ControlsLocale().toString(value.toDateTime(), QLocale::ShortFormat);
    case QMetaType::QDate:
        return controls::ControlsLocale().toString(value.toDate(), QLocale::ShortFormat);
    case QMetaType::QTime:
        return controls::ControlsLocale().toString(value.toTime(), QLocale::ShortFormat);
    case QMetaType::Double:
    case QMetaType::Float: {
        const double d = value.toDouble();
        if (std::isfinite(d) && std::floor(d) == d && std::fabs(d) < 1e15)
            return QString::number(static_cast<qint64>(d));
        return QString::number(d, 'g', 15);
    }
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    default:
        return value.toString();
    }
}

bool cGrid::CellDetails(qint32 row, qint32 col, const QVariant& value, qint32 format, qint32 icon) {
    if (col < 1 || col > Columns()) return false;
    if (row == Rows() + 1) m_model->appendRow();
    cGridModel::CellData* c = m_model->writableCell(row, col);
    if (!c) return false;
    c->text = ValueText(value);
    c->format = format;
    c->icon = icon;
    m_model->cellChanged(row, col);
    return true;
}

QString cGrid::CellText(qint32 row, qint32 col) const {
    const auto* c = m_model->cell(row, col);
    return c ? c->text : QString();
}
bool cGrid::setCellText(qint32 row, qint32 col, const QString& text) {
    auto* c = m_model->writableCell(row, col);
    if (!c) return false;
    c->text = text;
    m_model->cellChanged(row, col);
    return true;
}
qint32 cGrid::CellIcon(qint32 row, qint32 col) const {
    const auto* c = m_model->cell(row, col);
    return c ? c->icon : -1;
}
bool cGrid::setCellIcon(qint32 row, qint32 col, qint32 icon) {
    auto* c = m_model->writableCell(row, col);
    if (!c) return false;
    c->icon = icon;
    m_model->cellChanged(row, col);
    return true;
}
qint32 cGrid::CellFormat(qint32 row, qint32 col) const {
    const auto* c = m_model->cell(row, col);
    return c ? c->format : 0;
}
QFont cGrid::CellFont(qint32 row, qint32 col) const {
    const QFont* f = m_model->font(row, col);
    return f ? *f : font();
}
bool cGrid::setCellFont(qint32 row, qint32 col, const QFont& f) {
    if (!m_model->setFont(row, col, f)) return false;
    m_model->cellChanged(row, col);
    return true;
}

void cGrid::AppendRows(const QList<QList<cGridCellValue>>& rows) {
    m_model->appendRows(rows);
}

void cGrid::RemoveRow(qint32 row) {
    if (row < 1 || row > Rows()) return;
    const qint32 selected = SelectedRow();
    m_model->removeRowAt(row);
    keepSelectionValid(selected > row ? selected - 1 : selected);
}

void cGrid::Clear() {
    m_model->clearRows();
    m_hoverRow = -1;
}

void cGrid::keepSelectionValid(qint32 preferredRow) {
    const qint32 rows = Rows();
    if (rows == 0) return;
    if (SelectedRow() >= 1 && selectionModel()->hasSelection()) return;
    setSelectedRow(qBound(1, preferredRow, rows));
}

qint32 cGrid::SelectedRow() const {
    const QModelIndex i = currentIndex();
    return i.isValid() ? i.row() + 1 : 0;
}

void cGrid::setSelectedRow(qint32 row) {
    if (row < 1 || row > Rows()) return;
    const qint32 col = qMax(0, SelectedCol() - 1);
    const QModelIndex i = m_model->index(row - 1, col);
    selectionModel()->setCurrentIndex(i, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    if (m_redraw) scrollTo(i);
}

qint32 cGrid::SelectedCol() const {
    const QModelIndex i = currentIndex();
    return i.isValid() ? i.column() + 1 : 0;
}

void cGrid::setSelectedCol(qint32 col) {
    if (col < 1 || col > Columns()) return;
    const qint32 row = qMax(1, SelectedRow());
    if (row > Rows()) return;
    const QModelIndex i = m_model->index(row - 1, col - 1);
    selectionModel()->setCurrentIndex(i, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

bool cGrid::IsRowSelected(qint32 row) const {
    if (row < 1 || row > Rows()) return false;
    return selectionModel()->isRowSelected(row - 1, QModelIndex());
}

void cGrid::setRedraw(bool on) {
    if (on == m_redraw) return;
    m_redraw = on;
    m_redrawAsked = false;
    setUpdatesEnabled(on);
    if (on) {
        const QModelIndex i = currentIndex();
        if (i.isValid()) scrollTo(i);
        viewport()->update();
    } else if (isVisible()) {
        // Nothing will be painted until the owner answers; tell it once the
        // current change is over.
        askRedraw();
    }
}

void cGrid::askRedraw() {
    if (m_redraw || m_redrawAsked) return;
    m_redrawAsked = true;
    QTimer::singleShot(0, this, [this] {
        m_redrawAsked = false;
        if (!m_redraw) emit RedrawNeeded();
    });
}

void cGrid::showEvent(QShowEvent* event) {
    QTableView::showEvent(event);
    if (!m_redraw) askRedraw();
}

void cGrid::resizeEvent(QResizeEvent* event) {
    QTableView::resizeEvent(event);
    if (!m_redraw && isVisible()) askRedraw();
}

void cGrid::mouseReleaseEvent(QMouseEvent* event) {
    QTableView::mouseReleaseEvent(event);
    qint32 button = 0;
    switch (event->button()) {
    case Qt::LeftButton:
        button = 1;
        break;
    case Qt::RightButton:
        button = 2;
        break;
    case Qt::MiddleButton:
        button = 4;
        break;
    default:
        break;
    }
    qint32 shift = 0;
    if (event->modifiers() & Qt::ShiftModifier) shift |= 1;
    if (event->modifiers() & Qt::ControlModifier) shift |= 2;
    if (event->modifiers() & Qt::AltModifier) shift |= 4;
    const QPointF p = viewport()->mapTo(this, event->position().toPoint());
    emit MouseUp(button, shift, p.x(), p.y());
}

void cGrid::mouseMoveEvent(QMouseEvent* event) {
    QTableView::mouseMoveEvent(event);
    if (!m_hotTrack) return;
    const int row = rowAt(event->position().toPoint().y());
    if (row != m_hoverRow) {
        m_hoverRow = row;
        viewport()->update();
    }
}

void cGrid::leaveEvent(QEvent* event) {
    QTableView::leaveEvent(event);
    if (m_hoverRow != -1) {
        m_hoverRow = -1;
        viewport()->update();
    }
}

namespace {
QStringList droppedFiles(const QMimeData* data) {
    QStringList files;
    if (!data) return files;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile()) files << url.toLocalFile();
    return files;
}
} // namespace

void cGrid::dragEnterEvent(QDragEnterEvent* event) {
    if (!droppedFiles(event->mimeData()).isEmpty())
        event->acceptProposedAction();
    else
        event->ignore();
}

void cGrid::dragMoveEvent(QDragMoveEvent* event) {
    if (!droppedFiles(event->mimeData()).isEmpty())
        event->acceptProposedAction();
    else
        event->ignore();
}

void cGrid::dropEvent(QDropEvent* event) {
    const QStringList files = droppedFiles(event->mimeData());
    if (files.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    qint32 button = 0;
    if (event->buttons() & Qt::LeftButton) button |= 1;
    if (event->buttons() & Qt::RightButton) button |= 2;
    qint32 shift = 0;
    if (event->modifiers() & Qt::ShiftModifier) shift |= 1;
    if (event->modifiers() & Qt::ControlModifier) shift |= 2;
    if (event->modifiers() & Qt::AltModifier) shift |= 4;
    const QPointF p = viewport()->mapTo(this, event->position().toPoint());
    emit OLEDragDrop(files, static_cast<qint32>(event->dropAction()), button, shift, p.x(), p.y());
}
