// What the main window lends a tool window it opens: one launch context for
// every tool, filled by the dispatcher from the tools table. A tool's open
// function takes what it needs of it; nothing in it belongs to one tool.
#pragma once

#include "controls/cTreeView.h"

#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <functional>
#include <memory>

class QDialog;
class QWidget;
class cGrid;
class cImageList;

namespace core {
class ItemJob;
}

namespace toolframe {

// The Audio CD Maker's measure of the marked items against an 80-minute disc,
// as its window shows it. A warning only: the window opens either way.
struct DiscFill {
    qint32 minutes = 0;    // seconds / 60, an exact half to the even neighbour
    bool tooBig = false;   // more than 4800 seconds
    QString filesText;     // lblFilesToConvert
    QString sizePanelText; // the panel keyed "Total Size" ("Total Time" stays empty)
    qint32 barMin = 0;     // prgSize
    qint32 barMax = 83;
    qint32 barValue = 0;
    qint32 barColor = -1;      // 255 (red) when too big; -1 leaves the window's colour
    QString dataSizeText;      // lblDataSize
    bool dataSizeBold = false; // lblDataSize's font becomes bold when too big
};
DiscFill ComputeDiscFill(qint32 marked, qint64 seconds);

struct ToolLaunch {
    QString toolKey; // the command key the tool was started with

    // The main window.
    QWidget* owner = nullptr;      // parent, hourglass
    cGrid* mainGrid = nullptr;     // the items grid (rows, totals, the end-of-job program's last row)
    cTreeView* tree = nullptr;     // the tree of lists and drives
    cImageList* imgMenu = nullptr; // the menu pictures (tool windows' tabs)
    // A balloon on the main window's tray icon.
    std::function<void(const QString& text)> balloon;
    // Renames a node as the user's label edit does (the list caption follows).
    std::function<void(cTreeViewNode node, const QString& newText)> renameNode;
    // Adds files to the selected list through the Add Files window, saves the
    // list and refreshes its summary.
    std::function<void(QStringList& files)> addFiles;
    // Loads the selected node into the grid again.
    std::function<void()> reloadShownList;

    // The hand-over of a list-fed tool, ready to write into its window.
    qint32 marked = 0;       // GetMarkedCount
    qint64 totalSeconds = 0; // GetTotalTime(True) in whole seconds
    QString totalSize;       // GetTotalSize(True)
    QString listName;        // MakeSafeFileName of the selected node's text
    qint32 selectedRow = 0;  // the main grid's selected row
    bool allRows = false;    // every row with its mark, not the marked rows only
    QString filesText;       // lblFilesToConvert ("3 items to convert.")
    QString timePanelText;   // "Total Time: H:MM:SS", for the panel keyed "Total Size"
    QString sizePanelText;   // "Total Size: ...", for the panel keyed "Total Time"
    DiscFill discFill;       // filled for a tool that measures the disc

    // Tests: the window's job (empty: its own component), and a look at the
    // loaded window just before it shows.
    std::function<std::unique_ptr<core::ItemJob>()> makeJob;
    std::function<void(QDialog* window)> beforeShow;
};

// The job `makeJob` makes (a test's), else one over the real converter.
std::unique_ptr<core::ItemJob> MakeItemJob(const std::function<std::unique_ptr<core::ItemJob>()>& makeJob);

// Shows a loaded tool window modally as the dispatcher does: the owner's
// pointer back to the default, then the modal loop until it closes.
void ShowToolModal(const ToolLaunch& launch, QDialog* window);

class frmBatchTool;

// The end-of-job steps that need the main window: its tray balloon, and the
// end-of-job program's file values from its grid's last row.
void ConnectToMainWindow(frmBatchTool& window, const ToolLaunch& launch);

} // namespace toolframe
