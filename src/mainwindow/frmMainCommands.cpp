// The main window's commands: the dispatcher, the tools it launches from the
// tools table, the list, item, window and help commands, and the toolbar,
// tool-button and status-panel clicks that lead to them.
#include "mainwindow/frmMain.h"

#include "components/DriveRegistry.h"
#include "components/cPlayer.h"
#include "controls/cAudioGraph.h"
#include "controls/cGrid.h"
#include "controls/cImageList.h"
#include "controls/cPopupMenu.h"
#include "controls/cStatusBar.h"
#include "controls/cSysTray.h"
#include "controls/cToolbar.h"
#include "core/AppPaths.h"
#include "core/Services.h"
#include "core/mdlFunctions.h"
#include "core/mdlModes.h"
#include "dialogs/ModalShow.h"
#include "dialogs/frmAbout.h"
#include "dialogs/frmFileCopy.h"
#include "dialogs/frmNotes.h"
#include "dialogs/mdlCommDialog.h"
#include "dialogs/mdlOnTop.h"
#include "itemlists/ItemRows.h"
#include "itemlists/ItemsListFile.h"
#include "itemlists/RowOps.h"
#include "itemlists/TreeKeys.h"
#include "listviews/AudioCDSource.h"
#include "listviews/HandOver.h"
#include "listviews/ItemsGrid.h"
#include "listviews/ItemsTree.h"
#include "listviews/frmDirProperties.h"
#include "listviews/frmItem.h"
#include "listviews/frmStat.h"
#include "mainwindow/ToolsTable.h"
#include "mainwindow/frmMainParts.h"
#include "options/frmOptions.h"
#include "options/frmProgParameters.h"
#include "ripping/frmFreeDB.h"
#include "settings/SettingsVariables.h"

#include <QDir>
#include <QFileInfo>
#include <QPushButton>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>

using namespace mainwindow::parts;

void frmMain::RunCommand(const QString& key) {
    if (m_cMenu) m_cMenu_Click(m_cMenu->IndexForKey(key));
}

QString frmMain::SelectedKey() const {
    return m_cTree ? m_cTree->SelectedKey() : QString();
}

void frmMain::LeaveOnTop() {
    // A window that is not on top is left alone: taking it out would show it again.
    if (windowFlags().testFlag(Qt::WindowStaysOnTopHint)) dialogs::SetWindowOnTop(this, false);
}

void frmMain::m_cMenu_Click(int index) {
    if (index == 0 || !m_cMenu) return;
    const QString key = m_cMenu->ItemKey(index);
    if (key.isEmpty()) return;
    // Keys compare exactly; a key that names no command runs nothing.
    const auto command = Commands().constFind(key);
    if (command != Commands().constEnd()) command.value()();
}

const QHash<QString, std::function<void()>>& frmMain::Commands() {
    if (!m_commands.isEmpty()) return m_commands;
    auto& c = m_commands;
    // The tools, each through its row of the tools table.
    for (const mainwindow::ToolInfo& tool : mainwindow::Tools()) {
        const QString key = tool.key;
        c.insert(key, [this, key] { RunTool(key); });
    }
    c.insert("Add Files", [this] { CmdAddFiles(); });
    c.insert("New Items List", [this] { CmdNewItemsList(); });
    c.insert("Rename Items List", [this] { m_cTree->RenameItemsListCommand(); });
    c.insert("Remove Items List", [this] { CmdRemoveItemsList(); });
    c.insert("Items List Properties", [this] { CmdItemsListProperties(); });
    c.insert("Open Destination Folder", [this] { CmdOpenDestinationFolder(); });
    c.insert("Save As", [this] { CmdSaveAs(); });
    c.insert("Rename Item", [this] { CmdRenameItem(); });
    c.insert("MarkUnmark All", [this] { CmdMarkUnmarkAll(); });
    c.insert("Remove Item", [this] { CmdRemove(QStringLiteral("Item")); });
    c.insert("Clear the List", [this] { CmdRemove(QStringLiteral("All")); });
    for (const char* move : {"Move Up", "Move Down", "Move To First", "Move To Last"}) {
        const QString key = QString::fromLatin1(move);
        c.insert(key, [this, key] { CmdMove(key); });
    }
    // The exit may ask and be cancelled.
    c.insert("Exit", [this] { close(); });
    c.insert("RC Exit", [this] { close(); });
    c.insert("About", [this] {
        dialogs::SetWindowOnTop(this, false);
        dialogs::ShowAbout(this);
    });
    c.insert("Notes", [this] {
        dialogs::SetWindowOnTop(this, false);
        dialogs::ShowNotes();
    });
    c.insert("Support", [this] { core::ShellOpen(this, core::g_sSupportURL); });
    c.insert("RC Open", [this] { cSysTray1_TrayClick(1); });
    c.insert("Transparent", [this] { CmdTransparent(); });
    c.insert("On Top", [this] { CmdOnTop(); });
    c.insert("Minimize",
             [this] { setWindowState((windowState() & ~Qt::WindowActive) | Qt::WindowMinimized); });
    c.insert("GoSysTray", [this] { GoSysTray(); });
    c.insert("FreeDB", [this] { CmdFreeDB(); });
    c.insert("Master Volume", [this] { CmdMasterVolume(); });
    for (const char* page : {"Events", "View", "General", "ID3 Tags", "Advanced"}) {
        const QString key = QString::fromLatin1(page);
        c.insert(key, [this, key] { ShowOptionsPage(key); });
    }
    c.insert("HelpTopic", [this] { CmdHelpTopic(); });
    c.insert("Open Default Player", [this] { CmdOpenDefaultPlayer(); });
    // Keys that no menu item or button carries, and "Add Directories": nothing.
    for (const char* none : {"Add Directories", "Burn From List", "Burn From Files", "Live Update"})
        c.insert(QString::fromLatin1(none), [] {});
    // The File menu's "Remove" names no command.
    c.insert("Remove", [] {});
    return m_commands;
}

bool frmMain::HasCommand(const QString& key) {
    return Commands().contains(key);
}

QStringList frmMain::PendingCommands() {
    Commands();
    QStringList pending = m_pendingCommands;
    pending << mainwindow::ToolsWithoutWindow();
    return pending;
}

toolframe::ToolLaunch frmMain::LaunchContext(const QString& key) {
    toolframe::ToolLaunch launch;
    launch.toolKey = key;
    launch.owner = this;
    launch.mainGrid = cGrid1;
    launch.tree = cTreeView1;
    launch.imgMenu = imgMenu;
    launch.balloon = [this](const QString& text) { cSysTray1->ShowBalloon(text, AppTitle(), 1, 30); };
    launch.renameNode = [this](cTreeViewNode node, const QString& newText) {
        bool cancel = false;
        cTreeView1_AfterLabelEdit(node, newText, &cancel);
        lblListName->setText(node.Text());
    };
    launch.addFiles = [this](QStringList& files) { m_cTree->AddPathsToList(files); };
    launch.reloadShownList = [this] { cTreeView1_NodeClick(cTreeView1->SelectedItem()); };
    return launch;
}

// The tool's row decides everything: its preconditions, what it is handed,
// whether CD polling pauses, and the function that opens its window.
void frmMain::RunTool(const QString& key) {
    const mainwindow::ToolInfo* tool = mainwindow::FindTool(key);
    if (!tool || !mainwindow::Offered(*tool)) return;
    const cTreeViewNode selected = cTreeView1->SelectedItem();
    const mainwindow::Refusal refusal =
        mainwindow::CheckPreconditions(*tool, selected.isNull() ? QString() : selected.Key(), cGrid1->Rows(),
                                       listviews::GetMarkedCount(*cGrid1));
    using Then = mainwindow::Refusal::Then;
    if (refusal.then != Then::Open) {
        if (!refusal.text.isEmpty())
            core::services().msgBox(this, refusal.text, core::vbInformation, AppTitle());
        cTreeViewNode parent;
        if (refusal.then == Then::SelectFirstChild) parent = selected;
        if (refusal.then == Then::SelectFirstDrive && !listviews::g_cAudioCDsNode.isNull()) {
            parent = listviews::g_cAudioCDsNode;
            parent.setExpanded(true);
        }
        if (!parent.isNull()) {
            const cTreeViewNode first = parent.Children().Item(1);
            if (!first.isNull()) cTreeView1_NodeClick(first);
        }
        if (refusal.then == Then::AddFiles) RunCommand("Add Files");
        return;
    }
    toolframe::ToolLaunch launch = LaunchContext(key);
    mainwindow::FillHandOver(*tool, *cGrid1, selected.isNull() ? QString() : selected.Text(), launch);

    const mainwindow::ToolOpen open = mainwindow::ToolOpenFor(key);
    if (!open) {
        qInfo("Tool \"%s\" has no window yet", qPrintable(key));
        return;
    }
    setCursor(Qt::WaitCursor);
    if (tool->pausesCDPolling) tmrCDs->stop();
    open(launch);
    if (tool->pausesCDPolling && IsCDNode(SelectedKey())) tmrCDs->start();
    unsetCursor();
}

void frmMain::CmdAddFiles() {
    // Refused on a CD drive, nothing on a root; the window takes the focus after an add.
    const QString selected = SelectedKey();
    m_cTree->AddFilesCommand();
    if (!IsCDNode(selected) && !IsMainNode(selected)) activateWindow();
}

void frmMain::CmdSaveAs() {
    if (IsCDNode(SelectedKey())) {
        core::services().msgBox(this, QStringLiteral("Nothing to save.") + QString(20, QLatin1Char(' ')),
                                core::vbInformation, AppTitle());
        return;
    }
    const qint32 row = cGrid1->SelectedRow();
    if (cGrid1->Rows() < 1 || row < 1) return;
    const QString itemName = cGrid1->CellText(row, cGrid1->ColumnIndex("Item Name"));
    const QString ext = core::GetExtension(itemName);
    dialogs::g_tOpenFileName.lpstrFilter = "Audio Files (*." + ext + ")" + QChar(0) + "*." + ext;
    dialogs::g_tOpenFileName.lpstrTitle = "Save As";
    dialogs::g_tOpenFileName.lpstrDefExt = ext;
    const dialogs::tFileDialogResult result = dialogs::ShowSaveDialog(this, itemName, -1);
    if (result.bCancelled || result.sFiles.size() < 2) return;
    // The item's own file is the source (the list's key joined with the item's
    // name names no file).
    const QString source = cGrid1->CellText(row, cGrid1->ColumnIndex("COL_FILE"));
    const QString dest = result.sFiles[1];
    // Copying a file onto itself would empty it before a byte is read.
    const QFileInfo from(source);
    const QFileInfo to(dest);
    if (to.exists() && (from.canonicalFilePath() == to.canonicalFilePath() ||
                        (from.exists() && from.fileName() == to.fileName() && from.dir() == to.dir()))) {
        core::services().msgBox(this, "The item cannot be saved over its own file:\n" + dest,
                                core::vbInformation, AppTitle());
        return;
    }
    dialogs::ShowFileCopy(this, source, dest);
}

void frmMain::CmdNewItemsList() {
    m_cTree->NewItemsListCommand();
}

void frmMain::CmdRemoveItemsList() {
    m_cTree->RemoveItemsListCommand();
}

void frmMain::CmdItemsListProperties() {
    const QString selected = SelectedKey();
    if (selected.isEmpty() || IsMainNode(selected)) return;
    if (m_cTree->link().ShowItemsListProperties) m_cTree->link().ShowItemsListProperties();
}

void frmMain::CmdOpenDestinationFolder() {
    // A list opens the folder its file lies in, the lists root the lists
    // folder; a CD drive and the CD root have no folder of their own.
    const QString selected = SelectedKey();
    if (selected.isEmpty() || IsCDNode(selected)) return;
    if (IsMainNode(selected)) {
        if (selected.startsWith(itemlists::kItemsListsRootPrefix))
            m_cTree->OpenDestFolder(settings::g_sItemsListDir);
        return;
    }
    m_cTree->OpenDestFolder(core::GetFolderPath(selected));
}

void frmMain::CmdMarkUnmarkAll() {
    MarkAllItems(!listviews::IsAnyItemMarked(*cGrid1));
}

void frmMain::CmdMove(const QString& key) {
    if (cGrid1->Rows() < 1) return;
    // The edges (first row up, last row down) move nothing; the list is saved either way.
    const qint32 lMove = itemlists::MoveOffset(key, cGrid1->SelectedRow(), cGrid1->Rows());
    if (lMove != 0) {
        StopIfPlayingRowMoves(lMove);
        ReplaceRow(lMove);
    }
    m_cTree->SaveGridToFile();
}

void frmMain::CmdRenameItem() {
    if (cGrid1->Rows() < 1) return;
    LeaveOnTop();
    cGrid1_DblClick(cGrid1->SelectedRow(), cGrid1->SelectedCol());
}

void frmMain::CmdRemove(const QString& pending) {
    // The removal runs from the timer, after the menu's click has returned.
    if (IsCDNode(SelectedKey())) {
        core::services().msgBox(this, QStringLiteral("Cannot remove items from Audio CD.") + QString(20, ' '),
                                core::vbInformation, AppTitle());
        return;
    }
    if (cGrid1->Rows() < 1) return;
    m_sPendingRemove = pending;
    tmrRemove->start();
}

void frmMain::CmdFreeDB() {
    LeaveOnTop();
    const toolframe::ToolLaunch launch = LaunchContext("FreeDB");
    if (!ripping::FreeDBCommandAccepted(launch)) return;
    const mainwindow::ToolOpen open = mainwindow::FreeDBOpen();
    setCursor(Qt::WaitCursor);
    open(launch);
    unsetCursor();
}

void frmMain::CmdMasterVolume() {
    LeaveOnTop();
    const QString mixer = QStandardPaths::findExecutable(QStringLiteral("pavucontrol"));
    if (mixer.isEmpty() || !core::services().startProgram(mixer, {})) {
        core::services().msgBox(this,
                                QStringLiteral("The volume control could not be started. Please install "
                                               "pavucontrol (PulseAudio Volume Control)."),
                                core::vbInformation, AppTitle());
    }
}

void frmMain::ShowOptionsPage(const QString& key) {
    LeaveOnTop();
    frmOptions* options = frmOptions::instance();
    if (!options) return;
    cTreeViewNode node = options->cTreeView1->Nodes().Item(key);
    if (node.isNull()) return;
    node.setSelected(true);
    options->cTreeView1_NodeClick(options->cTreeView1->Nodes().Item(key));
    dialogs::ExecModal(options);
}

void frmMain::CmdHelpTopic() {
    // The help pages are installed into the program folder with the other assets.
    const QString index = core::ProgramFolder() + "/help/index.html";
    if (!QFileInfo::exists(index)) {
        core::services().msgBox(this, "The help file cannot be found:\n" + index, core::vbInformation,
                                AppTitle());
        return;
    }
    core::services().openUrl(QUrl::fromLocalFile(index));
}

void frmMain::CmdOpenDefaultPlayer() {
    LeaveOnTop();
    const qint32 row = cGrid1->SelectedRow();
    if (row < 1 || row > cGrid1->Rows()) return;
    const QString file = cGrid1->CellText(row, cGrid1->ColumnIndex("COL_FILE"));
    if (file.isEmpty()) return;
    core::ShellOpen(this, file);
}

void frmMain::ShowPopupUnder(cToolbar* toolbar, int buttonIndex, const QString& itemKey) {
    qint32 x = 0;
    qint32 y = 0;
    toolbar->GetDropDownPosition(buttonIndex, x, y);
    qint32 result = 0;
    m_cMenu->ShowPopupMenuEx(x, y, 0, 0, 0, 0, -1, m_cMenu->IndexForKey(itemKey), result);
}

namespace {
// The popup that a drop-down button of the top toolbar opens, by the item
// named for it; empty for the other buttons.
QString TopPopupItem(const QString& key) {
    if (key == QLatin1String("Items List")) return QStringLiteral("Save As");
    if (key == QLatin1String("Tools")) return QStringLiteral("Notes");
    if (key == QLatin1String("Mode")) return QStringLiteral("Transparent");
    if (key == QLatin1String("Options")) return QStringLiteral("ID3 Tags");
    if (key == QLatin1String("Help")) return QStringLiteral("About");
    return QString();
}
} // namespace

void frmMain::tlbrTop_ButtonClick(int index) {
    const QString key = tlbrTop->ButtonKey(index);
    if (const mainwindow::ToolInfo* tool = mainwindow::FindTool(key); tool && !tool->headlineId.isEmpty()) {
        RunCommand(key);
        return;
    }
    if (key == QLatin1String("Add")) {
        RunCommand("Add Files");
        return;
    }
    const QString item = TopPopupItem(key);
    if (!item.isEmpty()) ShowPopupUnder(tlbrTop, index, item);
}

void frmMain::tlbrTop_ButtonDropDown(int index) {
    const QString item = TopPopupItem(tlbrTop->ButtonKey(index));
    if (!item.isEmpty()) ShowPopupUnder(tlbrTop, index, item);
}

void frmMain::tlbrProjects_ButtonClick(int index) {
    SetOnTop(false);
    RunCommand(tlbrProjects->ButtonKey(index));
}

void frmMain::tlbrList_ButtonClick(int index) {
    SetOnTop(false);
    RunCommand(tlbrList->ButtonKey(index));
}

void frmMain::tlbrRecorder_ButtonClick(int index) {
    PlayerButtonClick(tlbrRecorder->ButtonKey(index));
}

void frmMain::tlbrRecorder_ButtonDropDown(int index) {
    if (tlbrRecorder->ButtonKey(index) == QLatin1String("Play"))
        ShowPopupUnder(tlbrRecorder, index, "Open Default Player");
}

void frmMain::cmdTools_Click(int index) {
    const QPushButton* button = cmdTools.value(index);
    if (!button) return;
    for (const mainwindow::ToolInfo& tool : mainwindow::Tools())
        if (button->text() == tool.caption) {
            RunCommand(tool.key);
            return;
        }
}

void frmMain::cStatusBar1_PanelClick(int index) {
    const QString key = cStatusBar1->PanelKey(index);
    if (key.isEmpty()) return;
    RunCommand(key);
}
