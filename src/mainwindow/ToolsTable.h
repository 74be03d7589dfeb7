// The tools of the main window, each described once: its command key (the
// text key of its menu item, compared exactly), caption, icon, edition
// switch, headline button, whether the marked items of the list are handed to
// it, and its refusal texts. The Tools menu, the tool-button column, the
// headline button and the dispatcher all read this table.
//
// A tool window plugs in by filling its hook, from the main-window layer
// (mainwindow/ToolHooks.cpp, InstallToolHooks):
//
//     mainwin::SetToolHook("Audio Converter", [](const mainwin::ToolLaunch& launch) {
//         auto* window = new frmConverter(launch.owner);      // load
//         window->lblFilesToConvert->setText(...);            // set-up steps
//         mainwin::ShowToolModal(launch, window);             // show, polling off/on
//     });
//
// For a list-fed tool the dispatcher has already run the root, CD, empty-list
// and mark tests with the texts below when the hook is called; the hook does
// the rest (hourglass, load, set-up, then ShowToolModal). The other tools'
// hooks run their whole command. A tool whose hook is empty logs
// "no window yet" and does nothing; UnfilledToolHooks() names them.
#pragma once

#include "controls/cTreeView.h"

#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <functional>
#include <vector>

class QDialog;
class QLabel;
class QWidget;
class cGrid;
class cImageList;
class cTreeView;

namespace mainwin {

struct ToolInfo {
    QString key;              // command key, as menus and buttons carry it
    QString caption;          // Tools menu and tool-button caption
    qint32 icon = -1;         // menu / tool-button icon (from 0; -1 none)
    const qint32* edition;    // the edition switch that offers the tool (exactly 1 = offered)
    QString headlineId;       // g_sAppMainTool value that makes it the headline button ("" none)
    QString headlineCaption;  // the headline button's caption
    qint32 headlineIcon = -1; // the headline button's icon
    bool listFed = false;     // the marked rows of the list are handed to its window
    QString rootText;         // shown when a root node is selected (list-fed tools)
    QString markText;         // shown when nothing is marked (list-fed tools and the analyser)
};

// The twelve tools of the dispatcher in its fixed order, then the tag editor.
const std::vector<ToolInfo>& Tools();
// The tool with the key, or nullptr.
const ToolInfo* FindTool(const QString& key);
// The tool-button column, top to bottom (keys).
const QStringList& ToolButtonOrder();
// True when the tool's edition switch offers it.
bool Offered(const ToolInfo& tool);

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

// What the dispatcher hands a tool's hook.
struct ToolLaunch {
    const ToolInfo* tool = nullptr;
    QWidget* owner = nullptr;                    // the main window (parent, hourglass)
    cGrid* grid = nullptr;                       // the main window's items grid
    cTreeView* tree = nullptr;                   // the tree of lists and drives
    qint32 marked = 0;                           // GetMarkedCount
    qint64 totalSeconds = 0;                     // GetTotalTime(True) in whole seconds
    QString totalSize;                           // GetTotalSize(True)
    QString listName;                            // MakeSafeFileName of the selected node's text
    std::function<void(bool)> setCDPolling;      // tmrCDs on/off
    std::function<bool()> cdNodeSelected;        // the selected node is a CD drive
    cImageList* images = nullptr;                // the menu pictures (tool windows' tabs)
    std::function<void(const QString&)> balloon; // a balloon on the main window's tray icon
    std::function<void(QStringList&)> addFiles;  // adds files to the selected list and saves it
    bool* abortedAudioEditor = nullptr;          // the main window's g_bAbortedAudioEditor
    // The set-up values of a list-fed tool, ready to write into its window:
    QString filesText;      // lblFilesToConvert ("3 items to convert.")
    QString timePanelText;  // "Total Time: H:MM:SS", for the panel keyed "Total Size"
    QString sizePanelText;  // "Total Size: ...", for the panel keyed "Total Time"
    bool allRows = false;   // every row with its mark (the ripper), not the marked rows only
    qint32 selectedRow = 0; // the main grid's selected row (splitter, analyser)
    DiscFill discFill;      // the Audio CD Maker only
    // For the FreeDB window: the list caption it renames and the tree's rename handler.
    QLabel* listCaption = nullptr;
    std::function<void(cTreeViewNode node, const QString& newText, bool* cancel)> afterLabelEdit;
};

using ToolHook = std::function<void(const ToolLaunch&)>;

// Fills (or, with an empty function, empties) the hook of the tool with the key.
void SetToolHook(const QString& key, ToolHook hook);
// The filled hook, or an empty function.
ToolHook ToolHookFor(const QString& key);
// The keys of the tools whose window is not there yet.
QStringList UnfilledToolHooks();
// Fills the hooks of every tool window that exists (called once by the main window).
void InstallToolHooks();

// The FreeDB window, filled by the ripping side like a tool hook: loads the
// window, starts its lookup for the selected CD drive and shows it modally
// when the lookup started. The dispatcher has applied the command's guards.
void SetFreeDBHook(ToolHook hook);
ToolHook FreeDBHook();

// The FreeDB client, which lives with its window, is released at the main
// window's exit after the converter and before the CD ripper.
struct ExitHooks {
    std::function<void()> closeFreeDB;
};
ExitHooks& exitHooks();

// Steps after a list-fed tool's set-up: default pointer, CD polling off,
// the window shown modally, polling on again when a CD drive is selected,
// default pointer.
void ShowToolModal(const ToolLaunch& launch, QDialog* window);

} // namespace mainwin
