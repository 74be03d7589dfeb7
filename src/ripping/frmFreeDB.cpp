#include "ripping/frmFreeDB.h"

#include "components/cFreeDB.h"
#include "controls/cGrid.h"
#include "controls/cProgressBar.h"
#include "controls/cTreeView.h"
#include "core/Services.h"
#include "core/mdlModes.h"
#include "dialogs/WindowChrome.h"
#include "itemlists/ItemRows.h"
#include "itemlists/TreeKeys.h"
#include "settings/SettingsVariables.h"

#include "dialogs/ModalShow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSysInfo>
#include <QVBoxLayout>

namespace ripping {

QString g_sFreeDBServer = QString::fromLatin1(components::cFreeDB::kDefaultServer);
QPointer<frmFreeDB> g_frmFreeDB;

namespace {

QString AppTitle() {
    return core::g_sProductName + QLatin1Char(' ') + core::g_sProductVersion;
}

} // namespace

frmFreeDB::frmFreeDB(const toolframe::ToolLaunch& target, QWidget* parent)
    : QDialog(parent), m_target(target) {
    setObjectName(QStringLiteral("g_frmFreeDB"));
    setWindowTitle(QStringLiteral("FreeDB"));
    picTitle = new QWidget(this);
    picTitle->setObjectName(QStringLiteral("picTitle"));
    picTitle->setAutoFillBackground(true);
    lblTitle = new QLabel(QStringLiteral("FreeDB"), picTitle);
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    QFont bold = lblTitle->font();
    bold.setBold(true);
    lblTitle->setFont(bold);
    auto* titleLayout = new QHBoxLayout(picTitle);
    titleLayout->addWidget(lblTitle);

    lblCurrentTrack = new QLabel(QStringLiteral("Ready."), this);
    lblCurrentTrack->setObjectName(QStringLiteral("lblCurrentTrack"));
    lblArtist = new QLabel(QStringLiteral("Album Name"), this);
    lblArtist->setObjectName(QStringLiteral("lblArtist"));
    lblAlbumName = new QLabel(QStringLiteral("Album Name"), this);
    lblAlbumName->setObjectName(QStringLiteral("lblAlbumName"));
    prgCurrnet = new Glimmet(this);
    prgCurrnet->setObjectName(QStringLiteral("prgCurrnet"));
    cmdAbort = new QPushButton(QStringLiteral("Abort"), this);
    cmdAbort->setObjectName(QStringLiteral("cmdAbort"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 8);
    layout->addWidget(picTitle);
    auto* body = new QVBoxLayout;
    body->setContentsMargins(8, 0, 8, 0);
    body->addWidget(lblArtist);
    body->addWidget(lblAlbumName);
    body->addWidget(prgCurrnet);
    body->addWidget(lblCurrentTrack);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdAbort);
    body->addLayout(buttons);
    layout->addLayout(body);
    resize(360, 160);

    cFreeDB1 = new components::cFreeDB(this);
    cFreeDB1->setObjectName(QStringLiteral("cFreeDB1"));
    connect(cmdAbort, &QPushButton::clicked, this, &frmFreeDB::cmdAbort_Click);
    connect(cFreeDB1, &components::cFreeDB::QueryState, this, &frmFreeDB::cFreeDB1_QueryState);
    connect(cFreeDB1, &components::cFreeDB::QueryInfo, this, &frmFreeDB::cFreeDB1_QueryInfo);
    connect(cFreeDB1, &components::cFreeDB::AlbumArtist, this, &frmFreeDB::cFreeDB1_AlbumArtist);
    connect(cFreeDB1, &components::cFreeDB::AlbumTitle, this, &frmFreeDB::cFreeDB1_AlbumTitle);
    connect(cFreeDB1, &components::cFreeDB::TrackInfo, this, &frmFreeDB::cFreeDB1_TrackInfo);
    connect(cFreeDB1, &components::cFreeDB::QueryDone, this, &frmFreeDB::cFreeDB1_QueryDone);
    connect(cFreeDB1, &components::cFreeDB::QueryError, this, &frmFreeDB::cFreeDB1_QueryError);
    connect(cFreeDB1, &components::cFreeDB::ConnectionChecked, this, &frmFreeDB::cFreeDB1_ConnectionChecked);
    Form_Load();
}

frmFreeDB::~frmFreeDB() {
    if (cFreeDB1) cFreeDB1->Close();
}

void frmFreeDB::Form_Load() {
    dialogs::chrome::SetIcon(this, QStringLiteral("cd_music"));
    dialogs::chrome::ApplyTitleStrip(picTitle, {lblTitle});
    dialogs::chrome::ApplyView({this}, picTitle);
    prgCurrnet->setBarColor(settings::g_lAppColor);
}

bool frmFreeDB::BoundNodeSelected() const {
    if (!m_target.tree || m_nodeKey.isEmpty()) return false;
    const cTreeViewNode node = m_target.tree->SelectedItem();
    return !node.isNull() && node.Key() == m_nodeKey;
}

bool frmFreeDB::GetFreeDB() {
    // One lookup at a time: a command that comes while one is checking or
    // running (the automatic lookup of a reloaded CD) starts nothing.
    if (Busy()) return false;
    lblCurrentTrack->setText(QStringLiteral("Checking connection..."));
    m_checking = true;
    cFreeDB1->setTimeOut(20);
    cFreeDB1->setServerName(g_sFreeDBServer);
    cFreeDB1->setServerPort(8880);
    // The answer arrives while the window is shown modally, so nothing else
    // can be clicked meanwhile.
    cFreeDB1->CheckConnection();
    return true;
}

bool frmFreeDB::Busy() const {
    return m_checking || cFreeDB1->isRunning();
}

void frmFreeDB::cFreeDB1_ConnectionChecked(bool connected) {
    if (!m_checking) return;
    m_checking = false;
    if (!connected) {
        lblCurrentTrack->setText(QStringLiteral("No internet connection!"));
        core::services().msgBox(
            this,
            QStringLiteral("There is no internet connection.\r\n\r\nGetting the information "
                           "about the Audio CD (using the 'FreeDB') has failed."),
            core::vbInformation, AppTitle());
        Unload();
        return;
    }
    // The selection may have changed while the check ran: the drive is taken
    // from the node selected now, and only a CD node is looked up.
    const cTreeViewNode node = m_target.tree ? m_target.tree->SelectedItem() : cTreeViewNode();
    if (node.isNull() || !itemlists::IsCDNode(node.Key())) {
        Unload();
        return;
    }
    m_nodeKey = node.Key();
    lblCurrentTrack->setText("Connecting to " + cFreeDB1->effectiveServer() + "...");
    cFreeDB1->SelectDrive(itemlists::GetCDNameNode(m_nodeKey));
    cFreeDB1->setUserName(QStringLiteral("clsCDDB"));
    cFreeDB1->setHostName(QSysInfo::machineHostName());
    cFreeDB1->setClientName(QStringLiteral("clsCDDB"));
    cFreeDB1->setClientVersion(QStringLiteral("v0.5"));
    cFreeDB1->StartQuery();
}

void frmFreeDB::cmdAbort_Click() {
    Unload();
}

void frmFreeDB::Unload() {
    if (m_unloading) return;
    m_unloading = true;
    m_checking = false;
    cFreeDB1->StopQuery();
    cFreeDB1->Close();
    m_nodeKey.clear();
    if (g_frmFreeDB == this) g_frmFreeDB = nullptr;
    hide(); // ends the modal show
    deleteLater();
}

void frmFreeDB::closeEvent(QCloseEvent* event) {
    // The close box unloads, as "Abort" does.
    event->accept();
    Unload();
}

void frmFreeDB::cFreeDB1_QueryState(const QString& text) {
    if (!BoundNodeSelected()) return;
    lblCurrentTrack->setText(QStringLiteral("FreeDB State:") + text);
}

void frmFreeDB::cFreeDB1_QueryInfo(const QString&) {}

void frmFreeDB::cFreeDB1_AlbumArtist(const QString& artist) {
    if (!BoundNodeSelected()) return;
    lblArtist->setText(artist);
}

void frmFreeDB::cFreeDB1_AlbumTitle(const QString& album) {
    if (!BoundNodeSelected()) return;
    lblAlbumName->setText(album);
}

void frmFreeDB::cFreeDB1_TrackInfo(const QString& artist, qint32 track, const QString& title) {
    if (!BoundNodeSelected() || !m_target.mainGrid) return;
    cGrid& grid = *m_target.mainGrid;
    if (grid.Rows() < 1 || track < 1 || track > grid.Rows()) return;
    grid.setCellText(track, grid.ColumnIndex(itemlists::COL_ITEM_NAME), title + QStringLiteral(".cda"));
    grid.setCellText(track, grid.ColumnIndex(itemlists::COL_TAG_ARTIST), artist);
    grid.setCellText(track, grid.ColumnIndex(itemlists::COL_TAG_ALBUM), lblAlbumName->text());
    if (track != grid.Rows()) return;
    cTreeViewNode node = m_target.tree->SelectedItem();
    const QString caption = lblArtist->text() + QStringLiteral(" - ") + lblAlbumName->text();
    node.setText(caption);
    if (m_target.renameNode) m_target.renameNode(node, caption);
    Unload();
}

void frmFreeDB::cFreeDB1_QueryDone() {
    // The lookup is over; the window stays loaded, hidden.
    m_nodeKey.clear();
    hide();
}

void frmFreeDB::cFreeDB1_QueryError(qint32 code, const QString& message) {
    if (!BoundNodeSelected()) return;
    const QString text = message + QLatin1Char('(') + QString::number(code) + QLatin1Char(')');
    lblCurrentTrack->setText(text);
    core::services().msgBox(this, text, core::vbExclamation, AppTitle());
    if (code == components::cFreeDB::ErrNoMatch) Unload();
}

bool FreeDBCommandAccepted(const toolframe::ToolLaunch& launch) {
    if (!launch.mainGrid || !launch.tree || launch.mainGrid->Rows() < 1) return false;
    const cTreeViewNode node = launch.tree->SelectedItem();
    if (node.isNull() || !itemlists::IsCDNode(node.Key())) {
        core::services().msgBox(launch.owner,
                                QStringLiteral("Select the CD drive to get the information about.") +
                                    QString(18, QLatin1Char(' ')),
                                core::vbInformation, AppTitle());
        return false;
    }
    return true;
}

bool ShowFreeDB(const toolframe::ToolLaunch& target) {
    QWidget* owner = target.owner;
    if (!FreeDBCommandAccepted(target)) return false;
    if (g_frmFreeDB && g_frmFreeDB->Busy()) return false;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    if (!g_frmFreeDB) g_frmFreeDB = new frmFreeDB(target, owner);
    QPointer<frmFreeDB> window = g_frmFreeDB;
    const bool started = window->GetFreeDB();
    if (started && window) dialogs::ExecModal(window);
    QApplication::restoreOverrideCursor();
    return started;
}

void OpenFreeDB(const toolframe::ToolLaunch& launch) {
    ShowFreeDB(launch);
}

void CloseFreeDBClient() {
    if (g_frmFreeDB && g_frmFreeDB->cFreeDB1) g_frmFreeDB->cFreeDB1->Close();
}

} // namespace ripping
