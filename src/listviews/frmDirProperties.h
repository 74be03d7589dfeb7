// The Items List Properties window: the name, path and summary of the list
// (or audio CD) selected in the main tree, a new name for it, and a link to
// its folder. Not modal: OK works on the node selected at the time of the
// click.
#pragma once

#include <QDialog>
#include <QPointer>

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;
class cLinkLabel;
class cTabControl;
class cTreeView;

namespace listviews {
class ItemsTree;
}

class frmDirProperties : public QDialog {
    Q_OBJECT
public:
    // `lists` renames the list files and opens folders; `cTreeView1` is the
    // main tree whose selected node the window works on.
    frmDirProperties(listviews::ItemsTree& lists, cTreeView& cTreeView1, QWidget* parent = nullptr);

    // Paints the window and sets up its tab.
    void Form_Load();
    // Closes the window and lets it go.
    void Unload();

    // The window may rename: set by the opening procedure before it shows.
    bool bEditFolderName = false;

    QFrame* picTitle = nullptr;
    QLabel* lblTitle = nullptr;
    cTabControl* cTabControl1 = nullptr;
    QFrame* TabGeneral = nullptr;
    QLabel* lblFolderName = nullptr;
    QLineEdit* txtFolderName = nullptr;
    QLabel* lblPath = nullptr;
    QLineEdit* txtPath = nullptr;
    QLabel* lblThisFolderContain = nullptr;
    QLabel* lblContain = nullptr;
    QLabel* imgOpenDestFolder = nullptr;
    cLinkLabel* lblOpenDestinationDestinationFolder = nullptr;
    QPushButton* cmdOk = nullptr;
    QPushButton* cmdCancel = nullptr;

public slots:
    void cmdOk_Click();
    void cmdCancel_Click();
    void lblOpenDestinationDestinationFolder_Click();

private:
    QPointer<listviews::ItemsTree> m_lists;
    QPointer<cTreeView> m_tree;
};

namespace listviews {

// The open window, or null.
extern QPointer<frmDirProperties> g_frmDirProperties;

// The "Items List Properties" command for the tree's selected node: loads the
// window with the node's text, key and the list summary `sContain` (the
// status panel's text) and shows it without making it modal. Nothing is shown
// for the "Items Lists" root or when nothing is selected. Returns the window
// shown, or null.
frmDirProperties* ShowItemsListProperties(ItemsTree& lists, cTreeView& cTreeView1, const QString& sContain,
                                          QWidget* owner);

} // namespace listviews
