#include "listviews/ItemsTree.h"

#include "components/cAudioCDRipper.h"
#include "components/cAudioConverter.h"
#include "controls/cGrid.h"
#include "controls/cImageList.h"
#include "core/Services.h"
#include "core/mdlFileSystem.h"
#include "core/mdlFunctions.h"
#include "core/mdlModes.h"
#include "core/mdlSupportedFormats.h"
#include "dialogs/mdlCommDialog.h"
#include "dialogs/mdlFunctionsGui.h"
#include "dialogs/mdlOnTop.h"
#include "listviews/HandOver.h"
#include "listviews/ItemsGrid.h"
#include "listviews/frmStat.h"
#include "settings/SettingsVariables.h"

#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>

namespace listviews {

using namespace itemlists;

cTreeViewNode g_cItemsListsNode;
cTreeViewNode g_cAudioCDsNode;

namespace {

const QString kEmptyListHint = QStringLiteral("Add or Drag and Drop audio items to here.");

int ShowMessage(QWidget* owner, const QString& prompt, int style) {
    return core::services().msgBox(owner, prompt, style, core::AppTitle());
}

// The items-lists folder with its closing "/", as the list keys begin.
QString ListsFolder() {
    const QString dir = settings::g_sItemsListDir;
    return dir.isEmpty() || dir.endsWith('/') ? dir : dir + '/';
}

// Puts the name filter on the label editors of a tree: they are created as
// children of its viewport and polished before they show.
class TreeEditorFilter final : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::ChildPolished) {
            auto* child = static_cast<QChildEvent*>(event)->child();
            auto* edit = qobject_cast<QLineEdit*>(child);
            if (edit && !edit->property(kFiltered).toBool()) {
                edit->setProperty(kFiltered, true);
                dialogs::InstallNameKeyFilter(edit);
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    static constexpr const char* kFiltered = "corvaneNameFilter";
};

} // namespace

void InstallTreeNameFilter(cTreeView& tree) {
    tree.viewport()->installEventFilter(new TreeEditorFilter(tree.viewport())); // owned by the viewport
}

ItemsTree::ItemsTree(cTreeView& cTreeView1, cGrid& cGrid1, QWidget* owner, QObject* parent)
    : QObject(parent), m_tree(cTreeView1), m_grid(cGrid1), m_owner(owner) {
    InstallTreeNameFilter(m_tree);
}

ItemsTree::~ItemsTree() = default;

void ItemsTree::setImageLists(cImageList* imgMenu, cImageList* imgGrid) {
    m_imgMenu = imgMenu;
    m_imgGrid = imgGrid;
}

void ItemsTree::setConverter(components::cAudioConverter* cAudioConverter1) {
    m_converter = cAudioConverter1;
}

void ItemsTree::setRipper(components::cAudioCDRipper* cAudioCDRipper1) {
    m_ripper = cAudioCDRipper1;
}

components::cAudioConverter& ItemsTree::converter() {
    if (m_converter) return *m_converter;
    if (!m_ownConverter) m_ownConverter = std::make_unique<components::cAudioConverter>();
    return *m_ownConverter;
}

components::cAudioCDRipper& ItemsTree::ripper() {
    if (m_ripper) return *m_ripper;
    if (!m_ownRipper) m_ownRipper = std::make_unique<components::cAudioCDRipper>();
    return *m_ownRipper;
}

QString ItemsTree::SelectedKey() const {
    return m_tree.SelectedItem().Key();
}

bool ItemsTree::IsListSelected() const {
    return IsListNodeKey(SelectedKey());
}

cTreeViewNode ItemsTree::FirstItemsListNode() const {
    return g_cItemsListsNode.isNull() ? cTreeViewNode() : g_cItemsListsNode.Children().Item(1);
}

// ------------------------------------------------------------------ the tree

void ItemsTree::setTree() {
    m_tree.Nodes().Clear();
    g_cItemsListsNode = cTreeViewNode();
    g_cAudioCDsNode = cTreeViewNode();

    const QString dir = settings::g_sItemsListDir;
    bool ok = true;
    EnsureFirstItemsList(dir, &ok);
    if (!ok)
        ShowMessage(m_owner, QStringLiteral("The Items List cannot be created in the folder ") + dir + ".",
                    core::vbInformation);

    m_tree.setImageList(m_imgMenu);

    if (core::g_lAppIncItemsLists == 1) {
        g_cItemsListsNode =
            m_tree.Nodes().Add(cTreeViewNodes::tvwFirst, kItemsListsRootPrefix + dir, kItemsListsRootText,
                               kImageItemsListsRoot, kImageItemsListsRoot);
        const QString base = ListsFolder();
        for (const QString& name : ItemsListFileNames(dir))
            m_tree.Nodes().Add(g_cItemsListsNode, cTreeViewNodes::tvwChild, base + name,
                               core::GetBaseName(name), kImageList, kImageListSelected);
        if (g_cItemsListsNode.Children().Count() > 0) {
            g_cItemsListsNode.setChildrenOption(true);
            g_cItemsListsNode.setExpanded(true);
        } else {
            m_tree.setLabelEdit(true);
        }
    }

    if (core::g_lAppIncCDRipper == 1) {
        g_cAudioCDsNode = m_tree.Nodes().Add(cTreeViewNodes::tvwNext, kAudioCDsRootKey, kAudioCDsRootText,
                                             kImageAudioCDsRoot, kImageAudioCDsRoot);
        components::cAudioCDRipper& r = ripper();
        const qint32 drives = r.DeviceCount();
        for (qint32 i = 0; i < drives; ++i) {
            const QString name = r.DeviceName(i);
            m_tree.Nodes().Add(g_cAudioCDsNode, cTreeViewNodes::tvwChild, kCDNodePrefix + name, name.left(2),
                               kImageCDDrive, kImageCDDrive);
        }
        g_cAudioCDsNode.setExpanded(true);
    }
}

void ItemsTree::cTreeView1_NodeClick(cTreeViewNode node) {
    // A list or disc is being read, or files are being added to the grid.
    if (m_bLoading) return;
    if (itemlists::MainWindowLink::Call(m_link.IsProgressVisible, "IsProgressVisible")) return;
    if (g_frmStat && g_frmStat->IsAdding()) return;

    const QString key = node.Key();
    if (IsMainNode(key)) {
        m_grid.Clear();
        return;
    }
    if (itemlists::MainWindowLink::Call(m_link.IsPlaying, "IsPlaying"))
        itemlists::MainWindowLink::Call(m_link.StopPlay, "StopPlay");
    if (node.isNull()) return;

    node.setSelected(true);
    itemlists::MainWindowLink::Call(m_link.SetListName, "SetListName", node.Text());
    itemlists::MainWindowLink::Call(m_link.SetCDPolling, "SetCDPolling", false);

    if (IsCDNode(key)) {
        itemlists::MainWindowLink::Call(m_link.SetCDPolling, "SetCDPolling", true);
        if (m_link.LoadAudioCD) {
            m_link.LoadAudioCD(GetCDNameNode(key));
        } else {
            // No disc loader yet: the list shown before must not stay under a drive.
            m_grid.Clear();
            m_holder.Reset(QString());
        }
        return;
    }
    LoadItemsListNode(node);
}

void ItemsTree::LoadItemsListNode(const cTreeViewNode& node) {
    m_bLoading = true;
    itemlists::MainWindowLink::Call(m_link.BusyPointer, "BusyPointer", true);
    itemlists::MainWindowLink::Call(m_link.ShowProgress, "ShowProgress", true);
    itemlists::MainWindowLink::Call(m_link.SetProgress, "SetProgress", 0, 0);

    ListProgress progress;
    progress = [this](qint32 value, qint32 maximum) {
        itemlists::MainWindowLink::Call(m_link.SetProgress, "SetProgress", value, maximum);
    };
    ListTotals totals;
    const qint32 rows =
        LoadItemsListToGrid(m_grid, node.Key(), converter(), m_holder, m_imgGrid, progress, &totals);

    if (rows > 0) {
        itemlists::MainWindowLink::Call(m_link.EmptyPanel, "EmptyPanel", false, kEmptyListHint);
        itemlists::MainWindowLink::Call(m_link.PanelText, "PanelText", QStringLiteral("Main"),
                                        QStringLiteral("Ready."));
    } else {
        // A list whose files are all away must not look wiped.
        const qint32 hidden = m_holder.KeptCount();
        itemlists::MainWindowLink::Call(
            m_link.EmptyPanel, "EmptyPanel", true,
            hidden > 0 ? HiddenItemsText(hidden) + QLatin1Char(' ') + kEmptyListHint : kEmptyListHint);
    }
    ShowListStatus(totals.bytes,
                   totals.seconds); // summed while the rows came: a long list is not walked again
    itemlists::MainWindowLink::Call(m_link.ShowProgress, "ShowProgress", false);
    itemlists::MainWindowLink::Call(m_link.BusyPointer, "BusyPointer", false);
    m_bLoading = false;
}

void ItemsTree::RestartLabelEdit(const cTreeViewNode& node, bool* cancel) {
    cTreeViewNode(node).StartLabelEdit();
    *cancel = true;
}

void ItemsTree::cTreeView1_AfterLabelEdit(cTreeViewNode node, const QString& newText, bool* cancel) {
    bool ignored = false;
    if (!cancel) cancel = &ignored;
    const QString key = node.Key();

    // A CD node keeps the text it was given (the title lookup names discs so).
    if (IsCDNode(key)) return;
    // The roots name no file.
    if (node.isNull() || IsMainNode(key)) {
        *cancel = true;
        return;
    }
    if (newText.isEmpty()) {
        RestartLabelEdit(node, cancel);
        return;
    }
    if (newText == node.Text()) return;
    if (!IsLegalListName(newText)) {
        dialogs::ShowBalloonTip(&m_tree, 1, core::kIllegalNameBalloonText);
        RestartLabelEdit(node, cancel);
        return;
    }

    QString error;
    switch (RenameListFile(node, newText, &error)) {
    case ListRename::Exists:
        ShowMessage(m_owner,
                    QStringLiteral("The Items List '") + newText +
                        QStringLiteral("' already exists. Please select a different name."),
                    core::vbInformation);
        RestartLabelEdit(node, cancel);
        return;
    case ListRename::Failed:
        ShowMessage(m_owner, error + QString(28, QLatin1Char(' ')), core::vbInformation);
        *cancel = true;
        return;
    case ListRename::Renamed:
        break;
    }
    itemlists::MainWindowLink::Call(m_link.SetListName, "SetListName", newText);
    cTreeView1_NodeClick(node);
}

ItemsTree::ListRename ItemsTree::RenameListFile(cTreeViewNode node, const QString& newName, QString* error) {
    const QString key = node.Key();
    const QString newPath = core::GetFolderPath(key) + newName + kItemsListExt;
    if (PathExistsIgnoringCase(newPath) || !m_tree.Nodes().Item(newPath).isNull()) return ListRename::Exists;

    QFile file(key);
    if (!file.rename(newPath)) {
        if (error)
            *error = file.errorString() + QStringLiteral(" (") + QString::number(file.error()) +
                     QStringLiteral(").");
        return ListRename::Failed;
    }
    node.setKey(newPath);
    node.setText(newName);
    // The records the grid does not show belong to the renamed file now; the
    // next save writes them back there.
    if (m_holder.Holds(key)) {
        const QList<KeptRecord> kept = m_holder.KeptRecords();
        m_holder.Reset(newPath);
        for (const KeptRecord& record : kept)
            m_holder.Keep(record.anchor, record.text);
    }
    return ListRename::Renamed;
}

void ItemsTree::DisplayGridInfoStatusBar() {
    ShowListStatus(TotalBytes(m_grid, false), TotalSeconds(m_grid, false));
}

void ItemsTree::ShowListStatus(qint64 bytes, qint64 seconds) {
    QString text = ItemsListStatusText(m_grid.Rows(), bytes, seconds);
    // Items left out because their files are missing or unreadable are
    // counted, so a list never looks emptier than its file is.
    if (m_holder.Holds(SelectedKey()) && m_holder.KeptCount() > 0)
        text += QStringLiteral(" (") + HiddenItemsText(m_holder.KeptCount()) + QLatin1Char(')');
    itemlists::MainWindowLink::Call(m_link.PanelText, "PanelText", QStringLiteral("Items List Properties"),
                                    text);
}

void ItemsTree::OpenDestFolder(const QString& path, QWidget* owner) {
    QWidget* const parent = owner ? owner : m_owner.data();
    QString folder = path;
    // The commands pass the selected node's key: a root or a list stands for
    // the lists folder, a CD node for its drive.
    if (folder.startsWith(kItemsListsRootPrefix)) {
        folder = folder.mid(kItemsListsRootPrefix.size());
    } else if (IsCDNode(folder)) {
        core::ShellOpen(parent, GetCDNameNode(folder) + '/');
        return;
    } else if (IsMainNode(folder) || folder.isEmpty()) {
        return;
    }
    const QFileInfo info(folder);
    if (info.isFile()) folder = info.absolutePath(); // a list's key names its file

    if (!folder.endsWith('/')) folder += '/';
    if (!core::IsFolder(folder)) {
        const QString prompt = QStringLiteral("The folder ") + folder + QStringLiteral(" does not exist.") +
                               QString(44, QLatin1Char(' ')) + QStringLiteral("\r\n\r\n") +
                               QStringLiteral("Would you like to create it?");
        if (ShowMessage(parent, prompt, core::vbYesNo | core::vbInformation) != core::vbYes) return;
        if (core::CreateFolderTree(folder) != 0)
            ShowMessage(parent, QStringLiteral("The path: ") + folder + QStringLiteral(" cannot be created."),
                        core::vbOKOnly);
    }
    core::ShellOpen(parent, folder);
}

void ItemsTree::RemoveItemsList() {
    // The last list stays.
    if (g_cItemsListsNode.isNull() || g_cItemsListsNode.Children().Count() <= 1) return;
    cTreeViewNode sel = m_tree.SelectedItem();
    if (sel.isNull() || sel.Parent() != g_cItemsListsNode) return;

    const QString path = sel.Key();
    if (core::ReadTextFile(path).contains(QLatin1String("<ITEM>"))) {
        const QString prompt = QStringLiteral("This operation will erase all the items under the '") +
                               QFileInfo(path).fileName() + QStringLiteral("', are you sure?");
        if (ShowMessage(m_owner, prompt, core::vbYesNo | core::vbInformation) != core::vbYes) return;
    }
    // A file that cannot be deleted shows again at the next rebuild.
    core::KillFile(path);
    sel.Delete();
    if (m_holder.Holds(path)) m_holder.Reset(QString());

    const cTreeViewNodes lists = g_cItemsListsNode.Children();
    cTreeView1_NodeClick(lists.Count() > 0 ? lists.Item(lists.Count()) : m_tree.SelectedItem());
}

void ItemsTree::SaveGridToFile() {
    const QString key = SelectedKey();
    // While a list is read the grid holds only part of it: a save then would
    // cut the file short.
    if (!IsListNodeKey(key) || m_bLoading) return;
    QString reason;
    ReportListWrite(key, listviews::SaveGridToFile(m_grid, key, &m_holder, &reason), reason);
}

void ItemsTree::ClearListFile(const QString& key) {
    if (!IsListNodeKey(key)) return;
    if (m_holder.Holds(key)) m_holder.DropKeptRecords();
    QString reason;
    ReportListWrite(key, WriteListFile(key, QString(), &reason), reason);
}

void ItemsTree::ReportListWrite(const QString& path, bool written, const QString& reason) {
    if (written) {
        m_failedWrites.remove(path);
        return;
    }
    // One message per failing list, not one per click: the next message
    // comes only after a write of that list has succeeded again.
    if (m_failedWrites.contains(path)) return;
    m_failedWrites.insert(path);
    ShowMessage(m_owner,
                QStringLiteral("The Items List \"") + path + QStringLiteral("\" cannot be saved: ") + reason +
                    QStringLiteral(".\r\n\r\nYour changes stay on screen and are saved with the next change "
                                   "once the file can be written."),
                core::vbExclamation);
}

void ItemsTree::lblListName_Click() {
    const cTreeViewNode sel = m_tree.SelectedItem();
    if (sel.isNull() || IsMainNode(sel.Key())) return;
    // Optional: without it the caption click does nothing.
    if (m_link.ShowItemsListProperties) m_link.ShowItemsListProperties();
}

// ------------------------------------------------------------ adding files

void ItemsTree::AddPathsToList(QStringList& paths) {
    frmStat* window = frmStat::Load(m_owner);
    window->AddFilesToList(paths, m_grid, m_owner, false, m_link);
    frmStat::Unload();
    SaveGridToFile();
    DisplayGridInfoStatusBar();
}

void ItemsTree::AddFiles() {
    // The rows are saved to the selected list; without one there is nowhere to add.
    if (!IsListSelected()) return;
    if (m_owner && m_owner->isVisible()) dialogs::SetWindowOnTop(m_owner, false);

    dialogs::g_tOpenFileName.lpstrFilter = core::GetSupportedFilesFilter();
    dialogs::g_tOpenFileName.lpstrTitle = QStringLiteral("Add audio files");
    const dialogs::tFileDialogResult result = dialogs::ShowOpenDialog(m_owner, dialogs::kCentreOnOwner);
    if (result.bCancelled) return;

    // Every chosen file, however many.
    QStringList paths;
    const QString dir = result.sDirectory;
    const QString base = dir.endsWith('/') ? dir : dir + '/';
    for (qint32 i = 1; i <= result.iCount && i < result.sFiles.size(); ++i) {
        const QString path = base + result.sFiles[i];
        const QFileInfo fi(path);
        if (fi.isFile() && !fi.isHidden()) paths << path;
    }
    AddPathsToList(paths);
}

void ItemsTree::cGrid1_OLEDragDrop(const QStringList& Data) {
    // Dropped on a root or an audio CD (or with nothing selected): no list to add to.
    if (!IsListSelected()) return;
    QStringList paths;
    for (const QString& path : Data) {
        const QFileInfo fi(path);
        // An empty file goes on too: the add says why it is not taken.
        if (fi.exists() && !fi.isHidden() && (fi.size() >= 1 || fi.isFile())) paths << path;
    }
    AddPathsToList(paths);
}

// ------------------------------------------------------------ the commands

void ItemsTree::NewItemsListCommand() {
    const QString key = SelectedKey();
    if (IsMainNode(key) || IsCDNode(key)) return;
    if (g_cItemsListsNode.isNull()) return;

    const QString dir = ListsFolder();
    if (!core::IsFolder(dir)) core::CreateFolderTree(dir);
    const QString name = GetNewItemsListName(dir);
    if (!CreateEmptyFile(dir + name)) {
        ShowMessage(m_owner,
                    QStringLiteral("The Items List '") + core::GetBaseName(name) +
                        QStringLiteral("' cannot be created in the folder ") + dir + ".",
                    core::vbInformation);
        return;
    }
    cTreeViewNode node = m_tree.Nodes().Add(g_cItemsListsNode, cTreeViewNodes::tvwChild, dir + name,
                                            core::GetBaseName(name), kImageList, kImageListSelected);
    if (node.isNull()) return;
    g_cItemsListsNode.setChildrenOption(true);
    g_cItemsListsNode.setExpanded(true);
    node.setSelected(true);
    cTreeView1_NodeClick(node);
    m_tree.setLabelEdit(true);
    node.StartLabelEdit();
}

void ItemsTree::RenameItemsListCommand() {
    cTreeViewNode sel = m_tree.SelectedItem();
    if (sel.isNull() || IsMainNode(sel.Key()) || sel.Text() == kItemsListsRootText) return;
    if (m_link.ShowItemsListProperties) {
        m_link.ShowItemsListProperties();
        return;
    }
    if (IsCDNode(sel.Key())) return;
    m_tree.setLabelEdit(true);
    sel.StartLabelEdit();
}

void ItemsTree::RemoveItemsListCommand() {
    const QString key = SelectedKey();
    if (key.isEmpty() || IsMainNode(key) || IsCDNode(key)) return;
    RemoveItemsList();
}

void ItemsTree::AddFilesCommand() {
    const QString key = SelectedKey();
    if (IsCDNode(key)) {
        ShowMessage(m_owner,
                    QStringLiteral("Adding new items to the Audio CD List is not possible.") +
                        QString(20, QLatin1Char(' ')),
                    core::vbInformation);
        return;
    }
    if (IsMainNode(key)) return;
    AddFiles();
}

} // namespace listviews
