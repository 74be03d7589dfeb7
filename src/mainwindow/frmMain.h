// The main window: the shell that start-up loads hidden and then shows (or
// keeps in the tray). Its load builds everything in a fixed order; every
// command runs through the one dispatcher m_cMenu_Click; closing it ends the
// program.
#pragma once

#include "controls/cAudioGraph.h"
#include "controls/cTreeView.h"
#include "dialogs/MainWindowHost.h"

#include <QMainWindow>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QVector>
#include <memory>

class QCloseEvent;
namespace toolframe {
struct ToolLaunch;
}
class QFrame;
class QLabel;
class QPushButton;
class QSplitter;
class QTimer;
class cGrid;
class cImageList;
class cPopupMenu;
class cReBar;
class cSlider;
class cStatusBar;
class cSysTray;
class cToolbar;
class cToolbarHost;
class Glimmet;

namespace components {
class cAudioCDRipper;
class cAudioConverter;
class cPlayer;
} // namespace components

namespace core {
class RegistryRoutines;
}

namespace listviews {
class AudioCDSource;
class ItemsTree;
} // namespace listviews

class frmMain : public QMainWindow, public dialogs::MainWindowHost {
    Q_OBJECT
public:
    explicit frmMain(QWidget* parent = nullptr);
    ~frmMain() override;

    // The loaded main window, or nullptr.
    static frmMain* instance();

    // What lower windows reach through dialogs::mainWindowHost().
    QWidget* hostWindow() override { return this; }
    cImageList* menuImages() override { return imgMenu; }
    void notesChanged() override;
    void closeHost() override { close(); }

    // The load handler, run once by start-up: builds every control in its
    // fixed order, selects the first tree node and restores the window size.
    // Does not show the window.
    void Form_Load();
    // The exit, whatever closes the window. `cancel` set to true keeps the
    // window and the program running (the user answered No).
    void Form_Unload(bool& cancel);
    // Runs when the window object goes away at the end of the process.
    void Form_Terminate();

    // The layout pass: tree, title strip and player frame follow their
    // switches, the menus their drawing style. Also called by the Options
    // dialog after OK.
    void Form_Resize();
    // Applies the view: the user's colours, the theme's back colour and pictures.
    void SetAppView();
    // One-line summary of the notes file for the status bar.
    QString GetNotesToStatus() const;

    // Selects the first CD drive node whose disc holds at least one audio
    // track ("-addaudiocd"); nothing changes when no drive qualifies.
    void SelectFirstAudioCD();

    // Called after files were added to the grid; has nothing to do.
    void GetFileInfoToGridInfo() {}

    // A later start of the program handed over its command line: the window
    // comes to the front (out of the tray) and runs the start switches
    // "-addfiles" and "-addaudiocd" of that command line.
    void SecondStart(const QString& commandLine);

    // Runs a command by its key (toolbars, panels, tool buttons, start-up).
    void RunCommand(const QString& key);

    // Swaps the texts and marks of the selected row with the row lMove rows
    // away and selects that row. Checks no bounds and saves nothing.
    void ReplaceRow(qint32 lMove);
    // Empties the selected list and its file without asking (the records held
    // back for missing files go too), then loads the node again.
    void DoClearTheList();
    // The playing row in bold (or not); SetRowUnBold takes the bold off every row.
    void SetRowBold(qint32 lRow, bool bBold);
    void SetRowUnBold();

    // True while the window is hidden in the tray.
    bool m_bInTray = false;
    // The removal tmrRemove is to run: "Item" or "All".
    QString m_sPendingRemove;

    // --- Controls
    cSysTray* cSysTray1 = nullptr;
    // Image lists: the menus' (also toolbars, panels, tool buttons and the
    // tool windows' tabs), the player toolbar's (element 0 of imgGeneral) and
    // the grid's and tree's.
    cImageList* imgMenu = nullptr;
    cImageList* imgGeneral = nullptr;
    cImageList* imgGrid = nullptr;

    QFrame* picTitle = nullptr;
    QLabel* lblTitle = nullptr;
    cToolbarHost* cToolbarHost1 = nullptr;
    cToolbar* tlbrTop = nullptr;
    // Hidden holder of the theme's toolbar picture, from which the toolbar hosts take their background.
    QLabel* picToolBarJPGPicHolder = nullptr;

    // The central area: the tree of items lists goes left, the items grid
    // right; the splitter's handle is the bar the user drags (picResizer).
    QSplitter* splMain = nullptr;
    QFrame* picTitleProject = nullptr;
    QLabel* lblProjects = nullptr;
    cTreeView* cTreeView1 = nullptr;
    QFrame* froTreeControl = nullptr;
    cToolbarHost* tlbrProjectsHost = nullptr;
    cToolbar* tlbrProjects = nullptr;

    QFrame* picTitleList = nullptr;
    QLabel* lblListName = nullptr;
    // The level and frequency graphs of the preview player.
    cAudioGraph* cAudioGraphAmp = nullptr;
    cAudioGraph* cAudioGraphFreq = nullptr;
    cGrid* cGrid1 = nullptr;
    // The empty-list panel laid over the grid.
    QFrame* picEmptyMsg = nullptr;
    QLabel* lblAddorDrag = nullptr;
    QLabel* lblEmptylist = nullptr;
    QFrame* picList = nullptr;
    cReBar* rbrList = nullptr;
    cToolbar* tlbrList = nullptr;

    // The player frame: player toolbar, position slider and time box.
    QFrame* froControl = nullptr;
    cToolbarHost* cToolbarHostRecorder = nullptr;
    cToolbar* tlbrRecorder = nullptr;
    cSlider* cSlider1 = nullptr;
    QFrame* picPlayTime = nullptr;
    QLabel* lblCurrentPositionSec = nullptr;
    QLabel* lbTotalLengthSec = nullptr;

    // The tool-button column; element 1 of each array is the hidden template,
    // the loaded buttons follow from 2 on (element 0 is unused).
    QFrame* picControl = nullptr;
    QVector<QPushButton*> cmdTools;
    QVector<QPushButton*> cmdToolsIcon;

    cStatusBar* cStatusBar1 = nullptr;
    // Shown only while a list or disc loads.
    Glimmet* prgStatus = nullptr;

    // CD polling (5000 ms) and the deferred removal (50 ms); both off at creation.
    QTimer* tmrCDs = nullptr;
    QTimer* tmrRemove = nullptr;

    // Components.
    components::cAudioConverter* cAudioConverter1 = nullptr;
    components::cAudioCDRipper* cAudioCDRipper1 = nullptr;
    // The tree of items lists and CD drives over cTreeView1 and cGrid1: the
    // lists, their files and adding files to them.
    listviews::ItemsTree* m_cTree = nullptr;
    // The audio CDs as item sources: track rows and the CD poll.
    listviews::AudioCDSource* m_cCDs = nullptr;

    // The command menus; every command is the key of one of its items.
    cPopupMenu* m_cMenu = nullptr;

    // --- The preview player (MainPlayer.cpp)
    // Plays the selected row, resumes a paused file, or stops a busy player
    // and plays the selected row 200 ms later.
    void StartPlay();
    // Stops a playing file.
    void StopPlay();
    components::cPlayer* cPlayer1 = nullptr;
    // The one-shot restart (200 ms), the position display (200 ms) and the graph feed (100 ms).
    QTimer* tmrPlayer = nullptr;
    QTimer* tmSlider = nullptr;
    QTimer* tmrAudioData = nullptr;
    // The items-list node whose item plays; emptied when the user stops it.
    cTreeViewNode m_cPlayNode;

public slots:
    // The command dispatcher: runs the action of the item's key.
    void m_cMenu_Click(int index);

public:
    // The dispatcher's table: true when the key names a command (a filled
    // handler, a tool hook or a command still to come).
    bool HasCommand(const QString& key);
    // The commands and tools that have nothing to run yet.
    QStringList PendingCommands();
    // Always-on-top mode and transparency (alpha 90 of 255), with their check marks.
    void SetOnTop(bool bVal);
    void SetTransparent(bool bVal);
    // A click on the tray icon: 1 = left button, 2 = right button.
    void cSysTray1_TrayClick(qint32 lButton);
    // The desktop session ends: the exit runs without the question and the window closes.
    void SessionEnding();
    // The Options dialog stored new settings: the view is applied again and, for a new
    // lists folder, the tree is rebuilt and its first list loaded.
    void OptionsApplied(bool listsFolderChanged);

    // Toolbars, tool buttons and status panels.
    void tlbrTop_ButtonClick(int index);
    void tlbrTop_ButtonDropDown(int index);
    void tlbrProjects_ButtonClick(int index);
    void tlbrList_ButtonClick(int index);
    void tlbrRecorder_ButtonClick(int index);
    void tlbrRecorder_ButtonDropDown(int index);
    void cmdTools_Click(int index);
    void cStatusBar1_PanelClick(int index);

    // Tree, grid and timers.
    void cTreeView1_NodeClick(cTreeViewNode node);
    void cTreeView1_AfterLabelEdit(cTreeViewNode node, const QString& newText, bool* cancel);
    void cGrid1_OLEDragDrop(const QStringList& files, qint32 effect, qint32 button, qint32 shift, double x,
                            double y);
    void tmrCDs_Timer();
    void tmrRemove_Timer();
    // Right button: the items context menu; a click in the mark column flips the mark.
    void cGrid1_MouseUp(qint32 Button, qint32 Shift, double X, double Y);
    // Opens the Item Properties window on the selected row (refused for a data track).
    void cGrid1_DblClick(qint32 lRow, qint32 lCol);
    void cGrid1_RedrawNeeded();

    // The preview player's events and timers.
    void cPlayer1_PlayDone();
    void cPlayer1_Error(const QString& file, const QString& reason);
    void cSlider1_ScrollStart();
    void cSlider1_ScrollEnd();
    void tmrPlayer_Timer();
    void tmSlider_Timer();
    void tmrAudioData_Timer();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private slots:
    // The start switches "-addfiles" and "-addaudiocd". Start-up queues it once,
    // after it has shown the window or left it in the tray.
    void RunCommandLineSwitches();

private:
    // Runs the start switch of a command line ("-addfiles", "-addaudiocd").
    void RunStartSwitches(const QString& commandLine);
    const QHash<QString, std::function<void()>>& Commands();
    void RunTool(const QString& key);
    // What every tool and the FreeDB window are lent of the main window.
    toolframe::ToolLaunch LaunchContext(const QString& key);
    QHash<QString, std::function<void()>> m_commands;
    QStringList m_pendingCommands;
    void BuildControls();
    void LinkItemsTree();
    QWidget* BuildTreePane();
    QWidget* BuildListPane();
    void BuildStatusBar();
    void CreateMenus();
    void BuildRecorderToolbar();
    void BuildToolButtons();
    void AddToolButton(const QString& caption, qint32 icon);
    void BuildTopToolbar();
    void BuildProjectsToolbar();
    void BuildListToolbar();
    void AttachWithBackground(cToolbarHost* host, cToolbar* toolbar);
    void SelectFirstNode();
    void RestoreWindowSize();
    void ShowPopupUnder(cToolbar* toolbar, int buttonIndex, const QString& itemKey);
    void PlaceEmptyMessage();
    // Sizes the window so that its outer size (frame included) is `outer` pixels.
    void SetOuterSize(const QSize& outer);
    void ApplyPendingOuterSize();
    void SetTrayOpenCaption(const QString& caption);
    // The selected node's key; empty when nothing is selected.
    QString SelectedKey() const;
    void LeaveOnTop();

    // Commands whose work lives in the items-list side.
    void CmdAddFiles();
    void CmdNewItemsList();
    void CmdRemoveItemsList();
    void CmdItemsListProperties();
    void CmdSaveAs();
    void CmdOpenDestinationFolder();
    void CmdMarkUnmarkAll();
    void CmdMove(const QString& key);
    void CmdRenameItem();
    void CmdRemove(const QString& pending);
    void CmdTransparent();
    void CmdOnTop();
    void GoSysTray();
    void CmdFreeDB();
    void CmdMasterVolume();
    void ShowOptionsPage(const QString& key);
    void CmdHelpTopic();
    void CmdOpenDefaultPlayer();
    void MarkAllItems(bool bMark);
    void RemoveSelectedItems();
    void ClearTheList();
    bool IsPlaying() const;
    void PressStop();

    // The preview player (MainPlayer.cpp).
    void BuildPlayer();
    void PlayerButtonClick(const QString& key);
    // Opens the selected row's file to show its length, unless a file plays.
    void LoadSelectedToPlayer();
    // Moving the playing row, or a row onto its place, stops playback first.
    void StopIfPlayingRowMoves(qint32 lMove);
    void ClosePlayer();
    // The row drawn bold while it plays; 0 when none.
    qint32 m_lPlayRow = 0;

    std::unique_ptr<core::RegistryRoutines> m_reg;
    // The outer size asked for before the window manager told the frame's size.
    QSize m_pendingOuterSize;
    bool m_bSessionEnding = false;
    bool m_bUnloaded = false;
    bool m_bLoaded = false;
};
