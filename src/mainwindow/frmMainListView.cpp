// The list view: the items grid's rows and mouse, the tree's node events,
// the CD and removal timers, and the options that reload the lists.
#include "mainwindow/frmMain.h"

#include "components/DriveRegistry.h"
#include "components/cAudioCDRipper.h"
#include "components/cPlayer.h"
#include "controls/cAudioGraph.h"
#include "controls/cGrid.h"
#include "controls/cImageList.h"
#include "controls/cPopupMenu.h"
#include "controls/cToolbar.h"
#include "core/Services.h"
#include "core/mdlModes.h"
#include "dialogs/frmNotes.h"
#include "itemlists/ItemRows.h"
#include "itemlists/RowOps.h"
#include "listviews/AudioCDSource.h"
#include "listviews/ItemsGrid.h"
#include "listviews/ItemsTree.h"
#include "listviews/frmItem.h"
#include "mainwindow/ToolsTable.h"
#include "mainwindow/frmMainParts.h"
#include "options/frmOptions.h"
#include "settings/SettingsVariables.h"

#include <QTimer>

#include <cmath>

using namespace mainwindow::parts;

bool frmMain::IsPlaying() const {
    const itemlists::MainWindowLink& link = m_cTree->link();
    return link.IsPlaying && link.IsPlaying();
}

void frmMain::PressStop() {
    tlbrRecorder_ButtonClick(tlbrRecorder->ButtonIndex("Stop"));
}

void frmMain::cGrid1_MouseUp(qint32 Button, qint32 Shift, double X, double Y) {
    Q_UNUSED(Shift);
    if (Button == 2 && cGrid1->Rows() >= 1) {
        const qint32 x = static_cast<qint32>(std::lround(X));
        const qint32 y = static_cast<qint32>(std::lround(Y));
        // The grid reports the point in its own coordinates; the menu opens at the screen point.
        const QPoint at = cGrid1->mapToGlobal(QPoint(x, y));
        qint32 result = 0;
        m_cMenu->ShowPopupMenuEx(at.x(), at.y(), x, y, 0, 0, -1, m_cMenu->IndexForKey("MarkUnmark All"),
                                 result);
        return;
    }
    // Only the mark column: 300 twips from the grid's left edge (logical
    // pixels, which high-density screens scale). A click on the name beside it
    // selects and nothing more.
    if (X > core::TwipsToPixels(kMarkColumnTwips)) return;
    LoadSelectedToPlayer();
    const qint32 row = cGrid1->SelectedRow();
    if (row < 1 || row > cGrid1->Rows()) return;
    const qint32 typeCol = cGrid1->ColumnIndex(itemlists::COL_TYPE);
    // A data track is neither marked nor unmarked by a click.
    if (cGrid1->CellIcon(row, typeCol) == itemlists::GetTypeIcon("Data")) return;
    if (cGrid1->SelectedCol() == 1) {
        const qint32 mark = cGrid1->CellIcon(row, 1) == itemlists::ICON_MARKED ? itemlists::ICON_UNMARKED
                                                                               : itemlists::ICON_MARKED;
        cGrid1->setCellIcon(row, 1, mark);
        m_cTree->SaveGridToFile();
    }
}

void frmMain::cGrid1_DblClick(qint32 lRow, qint32 lCol) {
    Q_UNUSED(lCol);
    listviews::cGrid1_DblClick(*cGrid1, lRow, *m_cTree, imgMenu, this);
}

void frmMain::cGrid1_RedrawNeeded() {
    cGrid1->setRedraw(true);
}

void frmMain::MarkAllItems(bool bMark) {
    // Every row, data tracks included.
    const qint32 value = bMark ? itemlists::ICON_MARKED : itemlists::ICON_UNMARKED;
    const qint32 incCol = cGrid1->ColumnIndex(itemlists::COL_INC);
    cGrid1->setRedraw(false);
    for (qint32 row = 1; row <= cGrid1->Rows(); ++row)
        cGrid1->setCellIcon(row, incCol, value);
    cGrid1->setRedraw(true);
    m_cTree->SaveGridToFile();
}

void frmMain::ReplaceRow(qint32 lMove) {
    const qint32 s = cGrid1->SelectedRow();
    const qint32 t = s + lMove;
    cGrid1->setRedraw(false);
    // Only texts and the mark move; the type icon and the fonts stay in place.
    for (qint32 j = 2; j <= cGrid1->Columns(); ++j) {
        const QString kept = cGrid1->CellText(t, j);
        cGrid1->setCellText(t, j, cGrid1->CellText(s, j));
        cGrid1->setCellText(s, j, kept);
    }
    const qint32 keptMark = cGrid1->CellIcon(t, 1);
    cGrid1->setCellIcon(t, 1, cGrid1->CellIcon(s, 1));
    cGrid1->setCellIcon(s, 1, keptMark);
    // Whether the tags were edited goes with the tags.
    const bool keptEdited = listviews::RowTagsEdited(*cGrid1, t);
    listviews::SetRowTagsEdited(*cGrid1, t, listviews::RowTagsEdited(*cGrid1, s));
    listviews::SetRowTagsEdited(*cGrid1, s, keptEdited);
    cGrid1->setSelectedRow(t);
    cGrid1->setRedraw(true);
}

void frmMain::RemoveSelectedItems() {
    if (IsPlaying()) {
        PressStop();
        SetRowUnBold();
    }
    if (settings::g_bDisplayMSGWhenErase) {
        const qint32 row = cGrid1->SelectedRow();
        const QString name = cGrid1->CellText(row, cGrid1->ColumnIndex(itemlists::COL_ITEM_NAME));
        const QString prompt = "This operation will erase the " + name + " under the '" +
                               cTreeView1->SelectedItem().Text() + "'.\n\nContinue?";
        if (core::services().msgBox(this, prompt, core::vbInformation | core::vbYesNo, AppTitle()) !=
            core::vbYes)
            return;
    }
    cGrid1->setRedraw(false);
    if (cGrid1->Rows() > 0) {
        // The selection is read before any row goes: the grid moves its
        // selection onto a neighbour when a selected row is removed, and that
        // row must not be taken for one the user chose.
        const qint32 count = cGrid1->Rows();
        QList<qint32> removed;
        for (qint32 i = 1; i <= count; ++i)
            if (cGrid1->Cell(i, 1).Selected()) removed.append(i);
        for (qint32 r = 0; r < removed.size(); ++r)
            cGrid1->RemoveRow(removed[r] - r);
        // The records held back for missing files stay, at their places
        // among the rows that remain.
        itemlists::KeepRecordsAfterRemoval(m_cTree->holder(), removed);
        // The selection shows on a row that still exists; rows that remain
        // are never cleared away for want of a selection.
        const qint32 rows = cGrid1->Rows();
        if (rows < 1) {
            cGrid1->Clear();
        } else {
            qint32 selected = cGrid1->SelectedRow();
            if (selected < 1) selected = removed.isEmpty() ? 1 : removed.first();
            cGrid1->setSelectedRow(qBound(1, selected, rows));
        }
    }
    m_cTree->SaveGridToFile();
    m_cTree->DisplayGridInfoStatusBar();
    cGrid1->setRedraw(true);
    if (m_cTree->link().EmptyPanel) m_cTree->link().EmptyPanel(cGrid1->Rows() < 1, QString());
}

void frmMain::ClearTheList() {
    if (cGrid1->Rows() < 1) return;
    if (IsPlaying()) {
        PressStop();
        SetRowUnBold();
        // A player that does not stop keeps the list.
        if (IsPlaying()) return;
    }
    const QString prompt = "This operation will erase all the items under the '" +
                           cTreeView1->SelectedItem().Text() + "' list.\n\nAre you sure?";
    if (core::services().msgBox(this, prompt, core::vbExclamation | core::vbYesNo, AppTitle()) == core::vbYes)
        DoClearTheList();
}

void frmMain::SetRowBold(qint32 lRow, bool bBold) {
    QFont font("Tahoma", 8);
    font.setBold(bBold);
    for (qint32 col = 1; col <= cGrid1->Columns(); ++col)
        cGrid1->setCellFont(lRow, col, font);
}

void frmMain::SetRowUnBold() {
    const QFont font("Tahoma", 8);
    cGrid1->setRedraw(false);
    for (qint32 row = 1; row <= cGrid1->Rows(); ++row)
        for (qint32 col = 1; col <= cGrid1->Columns(); ++col)
            cGrid1->setCellFont(row, col, font);
    cGrid1->setRedraw(true);
}

void frmMain::OptionsApplied(bool listsFolderChanged) {
    if (listsFolderChanged) {
        m_cTree->setTree();
        // The first list of the new folder is selected and loaded: selecting it alone
        // would leave the old list's rows in the grid, to be saved into the new list.
        cTreeViewNode first = cTreeView1->Nodes().Item(2);
        if (!first.isNull()) {
            first.setSelected(true);
            cTreeView1_NodeClick(first);
        }
    }
    SetAppView();
    Form_Resize();
    cGrid1->setHotTrack(settings::g_bDisplayGridHotTrack);
    cGrid1->setGridLines(settings::g_bDisplayGridLine);
}

void frmMain::cTreeView1_NodeClick(cTreeViewNode node) {
    m_cTree->cTreeView1_NodeClick(node);
}

void frmMain::cTreeView1_AfterLabelEdit(cTreeViewNode node, const QString& newText, bool* cancel) {
    m_cTree->cTreeView1_AfterLabelEdit(node, newText, cancel);
}

void frmMain::cGrid1_OLEDragDrop(const QStringList& files, qint32 effect, qint32 button, qint32 shift,
                                 double x, double y) {
    m_cTree->cGrid1_OLEDragDrop(files);
    Q_UNUSED(effect);
    Q_UNUSED(button);
    Q_UNUSED(shift);
    Q_UNUSED(x);
    Q_UNUSED(y);
}

void frmMain::tmrCDs_Timer() {
    m_cCDs->tmrCDs_Timer();
}

void frmMain::tmrRemove_Timer() {
    tmrRemove->stop();
    if (m_sPendingRemove == QLatin1String("All"))
        ClearTheList();
    else if (m_sPendingRemove == QLatin1String("Item"))
        RemoveSelectedItems();
}

void frmMain::SelectFirstAudioCD() {
    m_cCDs->SelectFirstAudioCD();
}
