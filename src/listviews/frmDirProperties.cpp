#include "listviews/frmDirProperties.h"

#include "controls/ControlColor.h"
#include "controls/cTabControl.h"
#include "controls/cTreeView.h"
#include "core/AppPaths.h"
#include "core/Services.h"
#include "core/mdlFunctions.h"
#include "core/mdlModes.h"
#include "dialogs/WindowChrome.h"
#include "dialogs/frmAbout.h"
#include "dialogs/mdlFunctionsGui.h"
#include "itemlists/TreeKeys.h"
#include "listviews/ItemsTree.h"
#include "listviews/PropertiesWindow.h"
#include "settings/SettingsVariables.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

namespace listviews {

using namespace itemlists;
QPointer<frmDirProperties> g_frmDirProperties;
} // namespace listviews

namespace {

const QString kEmptyName = QStringLiteral("Empty Item Name.") + QString(42, QLatin1Char(' '));
const QString kIllegalName = QStringLiteral("Illegal Item Name.") + QString(42, QLatin1Char(' '));
const QString kNameExists = QStringLiteral("Folder name already exists, please select a different name.");

int ShowMessage(QWidget* owner, const QString& prompt) {
    return core::services().msgBox(owner, prompt, core::vbInformation, core::AppTitle());
}

} // namespace

frmDirProperties::frmDirProperties(listviews::ItemsTree& lists, cTreeView& cTreeView1, QWidget* parent)
    : QDialog(parent), m_lists(&lists), m_tree(&cTreeView1) {
    setObjectName(QStringLiteral("frmDirProperties"));
    setWindowTitle(QStringLiteral("Items List Properties"));
    setAttribute(Qt::WA_DeleteOnClose);

    picTitle = listviews::AddPropertiesTitle(this, lblTitle, QStringLiteral("Properties"));

    cTabControl1 = new cTabControl(this);
    cTabControl1->setObjectName(QStringLiteral("cTabControl1"));
    TabGeneral = new QFrame(cTabControl1->ClientArea());
    TabGeneral->setObjectName(QStringLiteral("TabGeneral"));
    auto* pageHolder = new QVBoxLayout(cTabControl1->ClientArea());
    pageHolder->setContentsMargins(0, 0, 0, 0);
    pageHolder->addWidget(TabGeneral);

    lblFolderName = new QLabel(QStringLiteral("Items List Name:"), TabGeneral);
    lblFolderName->setObjectName(QStringLiteral("lblFolderName"));
    txtFolderName = new QLineEdit(TabGeneral);
    txtFolderName->setObjectName(QStringLiteral("txtFolderName"));
    txtFolderName->setEnabled(false);
    dialogs::InstallNameKeyFilter(txtFolderName);
    lblPath = new QLabel(QStringLiteral("Path:"), TabGeneral);
    lblPath->setObjectName(QStringLiteral("lblPath"));
    txtPath = new QLineEdit(TabGeneral);
    txtPath->setObjectName(QStringLiteral("txtPath"));
    txtPath->setReadOnly(true);
    lblThisFolderContain = new QLabel(QStringLiteral("This items list contains:"), TabGeneral);
    lblThisFolderContain->setObjectName(QStringLiteral("lblThisFolderContain"));
    lblContain = new QLabel(TabGeneral);
    lblContain->setObjectName(QStringLiteral("lblContain"));
    imgOpenDestFolder = new QLabel(TabGeneral);
    imgOpenDestFolder->setObjectName(QStringLiteral("imgOpenDestFolder"));
    lblOpenDestinationDestinationFolder =
        new cLinkLabel(QStringLiteral("Open destination folder"), TabGeneral);
    lblOpenDestinationDestinationFolder->setObjectName(QStringLiteral("lblOpenDestinationDestinationFolder"));

    auto* page = new QGridLayout(TabGeneral);
    page->addWidget(lblFolderName, 0, 0);
    page->addWidget(txtFolderName, 0, 1, 1, 2);
    page->addWidget(lblPath, 1, 0);
    page->addWidget(txtPath, 1, 1, 1, 2);
    page->addWidget(lblThisFolderContain, 2, 0);
    page->addWidget(lblContain, 2, 1, 1, 2);
    page->addWidget(imgOpenDestFolder, 3, 0, Qt::AlignRight);
    page->addWidget(lblOpenDestinationDestinationFolder, 3, 1);
    page->setRowStretch(4, 1);
    page->setColumnStretch(2, 1);

    cmdOk = new QPushButton(QStringLiteral("OK"), this);
    cmdOk->setObjectName(QStringLiteral("cmdOk"));
    cmdOk->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdOk);
    buttons->addWidget(cmdCancel);

    listviews::LayoutPropertiesWindow(this, picTitle, cTabControl1, buttons);
    resize(420, 260);

    connect(cmdOk, &QPushButton::clicked, this, &frmDirProperties::cmdOk_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmDirProperties::cmdCancel_Click);
    connect(lblOpenDestinationDestinationFolder, &cLinkLabel::clicked, this,
            &frmDirProperties::lblOpenDestinationDestinationFolder_Click);
}

void frmDirProperties::Form_Load() {
    // Only the title strip takes the text colour: it is chosen to read on the
    // application colour, not on the page.
    dialogs::chrome::ApplyTitleStrip(picTitle, {lblTitle});
    dialogs::chrome::ApplyView({this}, picTitle, QList<QWidget*>{this, TabGeneral});

    if (cTabControl1->TabCount() == 0) cTabControl1->AddTab(QStringLiteral("Information"), -1, 0, QString());
}

void frmDirProperties::Unload() {
    close();
}

void frmDirProperties::cmdCancel_Click() {
    Unload();
}

void frmDirProperties::cmdOk_Click() {
    if (!bEditFolderName) {
        Unload();
        return;
    }
    const QString name = txtFolderName->text().trimmed();
    txtFolderName->setText(name);
    if (name.isEmpty()) {
        ShowMessage(this, kEmptyName);
        txtFolderName->setFocus();
        return;
    }
    if (!itemlists::IsLegalListName(name)) {
        ShowMessage(this, kIllegalName);
        txtFolderName->setFocus();
        int key = '?';
        dialogs::FilterNameKeyPress(txtFolderName, key); // its balloon lists the refused characters
        return;
    }

    cTreeViewNode node = m_tree ? m_tree->SelectedItem() : cTreeViewNode();
    // The roots name no list (the tree's own label edit refuses them too).
    if (node.isNull() || !m_lists || name == node.Text() || itemlists::IsMainNode(node.Key())) {
        Unload();
        return;
    }

    if (!itemlists::IsCDNode(node.Key())) {
        QString error;
        switch (m_lists->RenameListFile(node, name, &error)) {
        case listviews::ItemsTree::ListRename::Exists:
            ShowMessage(this, kNameExists);
            txtFolderName->setFocus();
            return;
        case listviews::ItemsTree::ListRename::Failed:
            // The list keeps its name and file: a node renamed without its file
            // would save its rows into a second file.
            ShowMessage(this, error);
            txtFolderName->setFocus();
            return;
        case listviews::ItemsTree::ListRename::Renamed:
            break;
        }
    }
    // The grid already shows this list's items: it is not read again.
    if (m_lists->link().SetListName) m_lists->link().SetListName(name);
    node.setText(name);
    Unload();
}

void frmDirProperties::lblOpenDestinationDestinationFolder_Click() {
    // The path is the node's key: a list's key names its file, whose folder opens.
    if (m_lists) m_lists->OpenDestFolder(txtPath->text(), this);
}

namespace listviews {

frmDirProperties* ShowItemsListProperties(ItemsTree& lists, cTreeView& cTreeView1, const QString& sContain,
                                          QWidget* owner) {
    const cTreeViewNode node = cTreeView1.SelectedItem();
    if (node.isNull() || node.Text() == kItemsListsRootText || IsMainNode(node.Key())) return nullptr;

    if (!g_frmDirProperties) {
        g_frmDirProperties = new frmDirProperties(lists, cTreeView1, owner); // deleted when it closes
        g_frmDirProperties->setWindowFlag(Qt::Dialog);
        g_frmDirProperties->Form_Load();
    }
    frmDirProperties* window = g_frmDirProperties;
    window->txtFolderName->setText(node.Text());
    window->lblContain->setText(sContain);
    window->txtPath->setText(node.Key());
    window->bEditFolderName = true;
    window->txtFolderName->setEnabled(true);
    window->setModal(false);
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

} // namespace listviews
