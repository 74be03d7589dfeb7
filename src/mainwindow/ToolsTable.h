// The tools of the main window, each described once by its row: command key
// (the text key of its menu item, compared exactly), caption, icon, edition
// switch, headline button, its place in the Tools menu and in the tool-button
// column, its preconditions with their refusal texts, what it is handed, and
// the one function that opens its window. The Tools menu, the items popup, the
// tool-button column, the headline button and the dispatcher all read this
// table; adding a tool is its row here, its window and its edition switch
// (core/mdlModes.h).
//
// The dispatcher (frmMain::RunTool) checks the row's preconditions
// (CheckPreconditions), fills the common launch context from the row's
// hand-over, sets the hourglass, stops the CD polling when the row says so,
// calls the row's open function and undoes the rest when it returns. A row
// without an open function logs "no window yet" and does nothing.
#pragma once

#include "toolframe/ToolLaunch.h"

#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <functional>
#include <vector>

class cGrid;

namespace mainwindow {

using toolframe::ToolLaunch;
using ToolOpen = std::function<void(const ToolLaunch&)>;

// What a tool is handed of the items grid.
enum class HandOver {
    Nothing,      // nothing of the list (the plain launches)
    MarkedRows,   // the marked rows with their count and totals
    AllRows,      // every row with its mark (the count and totals of the marked ones)
    SelectedItem, // the selected row, marked or not: its name, time and size
    DiscFill,     // the marked rows measured against the disc
};

// The groups of the Tools menu, top to bottom; the menu puts separators
// between them (mdlMenus.cpp says where).
enum class MenuGroup { Converters, JoinSplit, Analyse, AudioCD, DataCD, Tags, Speech };

struct ToolInfo {
    QString key;                     // command key, as menus and buttons carry it
    QString caption;                 // Tools menu and tool-button caption
    qint32 icon = -1;                // menu / tool-button icon (from 0; -1 none)
    const qint32* edition = nullptr; // the edition switch that offers the tool (exactly 1 = offered)
    QString headlineId;              // g_sAppMainTool value that makes it the headline button ("" none)
    QString headlineCaption;         // the headline button's caption
    qint32 headlineIcon = -1;        // the headline button's icon

    // Where the tool shows. Within its group the Tools menu sorts by menuOrder;
    // the tool-button column sorts every tool by buttonOrder.
    MenuGroup menuGroup = MenuGroup::Converters;
    qint32 menuOrder = 0;
    qint32 buttonOrder = 0;
    bool gatesSeparator = true; // offered, it brings its group's separator
    bool itemsMenu = false;     // also offered in the items popup of the grid

    // Preconditions, tested in this order; "" tests nothing.
    QString rootText;               // a root node is selected: shown, then its first child is selected
    QString cdText;                 // the node is no CD drive: shown, then the first drive is selected
    bool addFilesWhenEmpty = false; // an empty grid runs "Add Files" instead (the tool does not open)
    QString markText;               // nothing is marked
    qint32 minMarked = 1;           // fewer marked (but some) than this shows fewText
    QString fewText;

    // What the window is handed; filesText's "%1" is the marked count, or
    // the selected item's name for a single item.
    HandOver handOver = HandOver::Nothing;
    QString filesText;
    bool pausesCDPolling = false; // tmrCDs is off while the window is open
    ToolOpen open;                // opens the window; empty: no window yet
};

// Every tool, in the order the dispatcher compares their keys.
const std::vector<ToolInfo>& Tools();
// Every tool in Tools menu order: by group, then by menuOrder.
std::vector<const ToolInfo*> MenuTools();
// The tool with the key, or nullptr.
const ToolInfo* FindTool(const QString& key);
// The tool-button column, top to bottom (keys of every tool, offered or not).
const QStringList& ToolButtonOrder();
// True when the tool's edition switch offers it.
bool Offered(const ToolInfo& tool);

// What the dispatcher does when a precondition fails: the text (if any) in a
// message box, then the step after it.
struct Refusal {
    enum class Then { Open, Nothing, SelectFirstChild, SelectFirstDrive, AddFiles };
    Then then = Then::Open; // Open: every precondition holds
    QString text;
};
// The tree's selected node key, the grid's row count and its marked rows.
Refusal CheckPreconditions(const ToolInfo& tool, const QString& selectedKey, qint32 rows, qint32 marked);

// Fills the hand-over values of the launch from the main grid as the row says.
void FillHandOver(const ToolInfo& tool, cGrid& grid, const QString& selectedText, ToolLaunch& launch);

// The open function of the tool with the key: a test's stand-in when one is
// set, else its row's. SetToolOpen with an empty function removes a stand-in.
ToolOpen ToolOpenFor(const QString& key);
void SetToolOpen(const QString& key, ToolOpen open);
// The keys of the tools whose window is not there yet.
QStringList ToolsWithoutWindow();

// The FreeDB window: started by the "FreeDB" command after its guards on the
// selected CD drive (a test may set a stand-in; empty restores the window).
ToolOpen FreeDBOpen();
void SetFreeDBOpen(ToolOpen open);

// The FreeDB client, which lives with its window, is released at the main
// window's exit after the converter and before the CD ripper
// (CloseFreeDBAtExit; a test may set a stand-in in exitHooks()).
struct ExitHooks {
    std::function<void()> closeFreeDB;
};
ExitHooks& exitHooks();
void CloseFreeDBAtExit();

} // namespace mainwindow
