// The main window's tree of items lists and audio CDs, and the procedures on
// it: building the tree, loading the clicked node into the grid, new, rename
// and remove of lists, the list's status text, opening a folder, and the two
// roads that add files to the selected list (the open dialog and a drop).
//
// The main window owns one ItemsTree over its cTreeView1 and cGrid1 and
// forwards its handlers and commands to it, one call each.
#pragma once

#include "controls/cTreeView.h"
#include "itemlists/ItemsListFile.h"
#include "itemlists/MainWindowLink.h"
#include "itemlists/TreeKeys.h"

#include <QObject>
#include <QPointer>
#include <QSet>
#include <QStringList>

#include <memory>

class cGrid;
class cImageList;

namespace components {
class cAudioConverter;
class cAudioCDRipper;
} // namespace components

namespace listviews {

// The two roots of the tree (null nodes when the edition has no such root).
extern cTreeViewNode g_cItemsListsNode;
extern cTreeViewNode g_cAudioCDsNode;

class ItemsTree : public QObject {
    Q_OBJECT
public:
    // `owner` is the main window: the owner of message boxes, the dialogs and
    // the Add Files window.
    ItemsTree(cTreeView& cTreeView1, cGrid& cGrid1, QWidget* owner, QObject* parent = nullptr);
    ~ItemsTree() override;

    // imgMenu (node pictures) and imgGrid (grid icons).
    void setImageLists(cImageList* imgMenu, cImageList* imgGrid);
    // The main window's components; without them the tree uses its own.
    void setConverter(components::cAudioConverter* cAudioConverter1);
    void setRipper(components::cAudioCDRipper* cAudioCDRipper1);
    itemlists::MainWindowLink& link() { return m_link; }
    const itemlists::MainWindowLink& link() const { return m_link; }
    // The records of the loaded list that the grid does not show.
    itemlists::ItemsListHolder& holder() { return m_holder; }

    // The selected node's key ("" when none is selected).
    QString SelectedKey() const;
    // The first items list of the tree (a null node when there is none).
    cTreeViewNode FirstItemsListNode() const;

    // --- the tree

    // Rebuilds the whole tree from g_sItemsListDir and the ripper's drives. A
    // lists folder without a list gets a first empty one. Selects nothing.
    void setTree();
    // Loads the node into the grid: a root empties it, a CD node goes to the
    // audio-CD loader (MainWindowLink::LoadAudioCD), a list is read from its file.
    void cTreeView1_NodeClick(cTreeViewNode node);
    // Renames the list file to the new text (refusing empty, illegal and
    // existing names); for a CD node only the text changes.
    void cTreeView1_AfterLabelEdit(cTreeViewNode node, const QString& newText, bool* cancel);
    // The list summary in the status panel "Items List Properties".
    void DisplayGridInfoStatusBar();
    // Opens the folder in the desktop's file manager, offering to create it first.
    // A path naming an existing file opens the file's folder. `owner` owns the
    // prompts (the main window when null).
    void OpenDestFolder(const QString& path, QWidget* owner = nullptr);

    // Outcome of RenameListFile.
    enum class ListRename { Renamed, Exists, Failed };
    // Gives the list of `node` the name `newName`: its file is renamed to
    // newName + ".flst" in the same folder, the node takes the new key and text,
    // and the records held back for that list follow it. Exists: a file or
    // folder of that name is there already (letter case aside) or another node
    // has that key; nothing changed. Failed: the rename failed, `error` gets its
    // description; nothing changed. The name's own checks are the caller's.
    ListRename RenameListFile(cTreeViewNode node, const QString& newName, QString* error = nullptr);
    // Removes the selected list and its file (asking first when it holds
    // items); the last list is never removed.
    void RemoveItemsList();
    // Writes the grid to the selected list's file (nothing for a root or CD
    // node). A list that cannot be written is reported once, naming the file
    // and the reason, and again only after one of its writes has succeeded.
    void SaveGridToFile();
    // Empties the list file of `key` (a file of one line break) and drops the
    // records held back for it; a failure is reported as SaveGridToFile does.
    void ClearListFile(const QString& key);
    // A click on the list caption above the grid.
    void lblListName_Click();

    // --- adding files

    // The open dialog's files are added to the grid, then the list is saved.
    void AddFiles();
    // Files dropped on the grid (or the empty-list panel) are added the same way.
    void cGrid1_OLEDragDrop(const QStringList& Data);

    // --- the main window's commands, as the dispatcher runs them

    // "New Items List": an empty list file with a free name, its node selected
    // and loaded, and its label edit started.
    void NewItemsListCommand();
    // "Rename Items List": the "Items List Properties" command for a list or
    // CD node; without one, the label edit of a list node.
    void RenameItemsListCommand();
    // "Remove Items List": RemoveItemsList for a list node.
    void RemoveItemsListCommand();
    // "Add Files": refused on a CD node, nothing on a root, else AddFiles.
    void AddFilesCommand();
    // Probes the files into the grid through the Add Files window, then saves the list.
    void AddPathsToList(QStringList& paths);

private:
    bool IsListSelected() const;
    void LoadItemsListNode(const cTreeViewNode& node);
    void RestartLabelEdit(const cTreeViewNode& node, bool* cancel);
    void ReportListWrite(const QString& path, bool written, const QString& reason);
    // The list's status text from its totals.
    void ShowListStatus(qint64 bytes, qint64 seconds);
    components::cAudioConverter& converter();
    components::cAudioCDRipper& ripper();

    cTreeView& m_tree;
    cGrid& m_grid;
    QPointer<QWidget> m_owner;
    QPointer<cImageList> m_imgMenu;
    QPointer<cImageList> m_imgGrid;
    QPointer<components::cAudioConverter> m_converter;
    QPointer<components::cAudioCDRipper> m_ripper;
    std::unique_ptr<components::cAudioConverter> m_ownConverter;
    std::unique_ptr<components::cAudioCDRipper> m_ownRipper;
    itemlists::MainWindowLink m_link;
    itemlists::ItemsListHolder m_holder;
    bool m_bLoading = false;
    // Lists whose last write failed and was reported.
    QSet<QString> m_failedWrites;
};

// Installs the name filter on every label editor the tree opens: a typed
// / \ : ? * < > | or " is refused with the balloon.
void InstallTreeNameFilter(cTreeView& tree);

} // namespace listviews
