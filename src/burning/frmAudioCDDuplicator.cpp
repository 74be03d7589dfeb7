#include "burning/frmAudioCDDuplicator.h"

#include "components/DriveRegistry.h"
#include "components/cAudioBurner.h"
#include "components/cAudioCDRipper.h"
#include "controls/ControlColor.h"
#include "controls/cGrid.h"
#include "core/AppPaths.h"
#include "core/Services.h"
#include "core/mdlFunctions.h"
#include "core/mdlModes.h"
#include "dialogs/ModalShow.h"
#include "dialogs/WindowChrome.h"
#include "dialogs/frmAbout.h"
#include "itemlists/ItemRows.h"
#include "toolframe/ToolLaunch.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

namespace burning {
QPointer<frmAudioCDDuplicator> g_frmAudioCDDuplicator;
} // namespace burning

namespace {

template <class W> W* Named(W* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

constexpr qint64 kBlack = 0;
constexpr qint64 kRed = 255;
constexpr int kStateCheckMs = 3000;

toolframe::frmBatchTool::Design DuplicatorDesign() {
    toolframe::frmBatchTool::Design d;
    d.objectName = QStringLiteral("frmAudioCDDuplicator");
    d.caption = QStringLiteral("Audio CD Duplicator");
    d.settingsTabCaption = QStringLiteral("Duplicator Options    ");
    d.settingsTabIcon = 83;
    d.noticeAppText = QStringLiteral("Execute external program");
    d.runButtonCaption = QStringLiteral("Duplicate");
    d.tracksFrame = true;
    return d;
}

QLabel* Bold(QLabel* label) {
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

} // namespace

frmAudioCDDuplicator::frmAudioCDDuplicator(cImageList* imgMenu, QWidget* parent,
                                           std::shared_ptr<components::AudioWriterSeam> writer)
    : frmBatchTool(DuplicatorDesign(), nullptr, core::BatchPolicy{}, imgMenu, parent),
      m_ripper(std::make_unique<components::cAudioCDRipper>()),
      m_burner(std::make_unique<components::cAudioBurner>(nullptr, std::move(writer))) {
    cAudioCDRipper1 = m_ripper.get();
    cAudioCDRipper1->setObjectName(QStringLiteral("cAudioCDRipper1"));
    cAudioBurner1 = m_burner.get();
    cAudioBurner1->setObjectName(QStringLiteral("cAudioBurner1"));
    // A real writer's tracks are cached in the program folder while it burns.
    cAudioBurner1->setCacheFolder(core::ProgramFolder());
    BuildDriveArea();
    // A disc check that finds an audio CD enables it.
    cmdConvert->setEnabled(false);

    core::DuplicateChoices choices;
    choices.sourceDevice = [this] { return cboDevices->currentIndex(); };
    choices.writerEntry = [this] { return cboDrv->currentText(); };
    choices.speed = [this] { return m_writer.Speed(); };
    choices.openDestCD = [this] { cmdOpenDestCD_Click(); };
    m_job =
        std::make_unique<core::DuplicateJob>(*cAudioCDRipper1, *cAudioBurner1, EndActionsHooks(), choices);
    ShowJob(*m_job);
    connect(m_job.get(), &core::Job::Running, this, [this](bool running) {
        EnableControls(!running);
        // The disc is never examined while the job reads or writes a drive.
        if (running)
            tmrState->stop();
        else
            tmrState->start();
    });
    connect(m_job.get(), &core::DuplicateJob::SelectRow, cGrid1, &cGrid::setSelectedRow);
    connect(m_job.get(), &core::DuplicateJob::TracksToBurn, this, &frmAudioCDDuplicator::LoadTempFilesToGrid);
    // A duplication that ended well closes the window.
    connect(m_job.get(), &core::Job::Finished, this, [this](bool success) {
        if (success) close();
    });
}

frmAudioCDDuplicator::~frmAudioCDDuplicator() = default;

void frmAudioCDDuplicator::BuildDriveArea() {
    // No destination, file names or target format: the temporary folder takes their place.
    for (QWidget* w : std::initializer_list<QWidget*>{
             Label4, txtToPath, cmdSelectPath, lblSetAsDefaultDestination, chkCreateSubFolder, txtUndeForlder,
             chkOverWrite, Label21, cboFileName, lblSetAsDefaultFileName, Image1, lblParameters,
             imgOpenDestFolder, lblOpenDestinationDestinationFolder, lblTimeLeft})
        w->setVisible(false);

    auto* g = new QGridLayout(formatArea);
    g->setContentsMargins(0, 0, 0, 0);
    Label1 = Named(Bold(new QLabel(QStringLiteral("Source Audio CD:"), formatArea)), "Label1");
    cboDevices = Named(new QComboBox(formatArea), "cboDevices");
    cmdOpenCD = Named(new QPushButton(QStringLiteral("Open"), formatArea), "cmdOpenCD");
    cmdCloseCD = Named(new QPushButton(QStringLiteral("Close"), formatArea), "cmdCloseCD");
    lblCDStatus = Named(new QLabel(QStringLiteral("Ready."), formatArea), "lblCDStatus");
    chkOnTheFly =
        Named(new QCheckBox(QStringLiteral("On The Fly - Duplicate without using a temp folder"), formatArea),
              "chkOnTheFly");
    chkOnTheFly->setVisible(false);
    Label2 = Named(Bold(new QLabel(QStringLiteral("Destination Audio CD:"), formatArea)), "Label2");
    cboDrv = Named(new QComboBox(formatArea), "cboDrv");
    cboSpeed = Named(new QComboBox(formatArea), "cboSpeed");
    cmdOpenDestCD = Named(new QPushButton(QStringLiteral("Open CD"), formatArea), "cmdOpenDestCD");
    cmdClose = Named(new QPushButton(QStringLiteral("Close CD"), formatArea), "cmdClose");
    lblDiskSize = Named(new QLabel(QStringLiteral("Disk Size"), formatArea), "lblDiskSize");
    lblDiskCapacity = Named(new QLabel(QStringLiteral("Disk Capacity"), formatArea), "lblDiskCapacity");
    lblState = Named(new QLabel(QStringLiteral("State"), formatArea), "lblState");

    int row = 0;
    g->addWidget(Label1, row++, 0, 1, 4);
    g->addWidget(cboDevices, row, 0, 1, 2);
    g->addWidget(cmdOpenCD, row, 2);
    g->addWidget(cmdCloseCD, row++, 3);
    g->addWidget(lblCDStatus, row++, 0, 1, 4);
    g->addWidget(chkOnTheFly, row++, 0, 1, 4);
    g->addWidget(Label2, row++, 0, 1, 4);
    auto* writerRow = new QHBoxLayout();
    writerRow->addWidget(cboDrv, 1);
    writerRow->addWidget(Named(new QLabel(QStringLiteral("Speeds:"), formatArea), "Label10"));
    writerRow->addWidget(cboSpeed);
    g->addLayout(writerRow, row++, 0, 1, 4);
    g->addWidget(cmdOpenDestCD, row, 2);
    g->addWidget(cmdClose, row++, 3);
    // The disc rows: a caption, a dash and the value.
    auto discRow = [&](const char* name, const QString& caption, const char* dashName, QLabel* value) {
        QLabel* label = new QLabel(caption, formatArea);
        if (name) label->setObjectName(QString::fromLatin1(name));
        QLabel* dash = Named(new QLabel(QStringLiteral("-"), formatArea), dashName);
        g->addWidget(label, row, 0);
        g->addWidget(dash, row, 1);
        g->addWidget(value, row++, 2, 1, 2);
        return QList<QWidget*>{label, dash, value};
    };
    discRow("Label9", QStringLiteral("Disk Size"), "Label6", lblDiskSize);
    discRow(nullptr, QStringLiteral("Disk Capacity"), "Label7", lblDiskCapacity);
    // Filled with the writer's state like the burner's, but never shown here.
    m_stateRow = discRow(nullptr, QStringLiteral("Disk State"), "Label8", lblState);
    for (QWidget* w : m_stateRow)
        w->setVisible(false);
    g->setColumnStretch(0, 1);
    g->setRowStretch(row, 1);

    chkOpenCDdrive = Named(new QCheckBox(QStringLiteral("Eject the CD door"), TabEvents), "chkOpenCDdrive");
    QFont bold = chkOpenCDdrive->font();
    bold.setBold(true);
    chkOpenCDdrive->setFont(bold);
    chkOpenCDdrive->setChecked(true);
    // The events from the top: sound, folder, turn-off, program, eject.
    int next = eventsLayout->indexOf(Label20) + 1;
    for (QWidget* box : std::initializer_list<QWidget*>{chkPlaySound, chkOpenDestFolder, chkTurnOffComputer,
                                                        chkNoticeApp, chkOpenCDdrive}) {
        eventsLayout->removeWidget(box);
        eventsLayout->insertWidget(next++, box);
    }

    tmrState = Named(new QTimer(this), "tmrState");
    tmrState->setInterval(kStateCheckMs);
    connect(tmrState, &QTimer::timeout, this, &frmAudioCDDuplicator::tmrState_Timer);

    m_writer = {cAudioBurner1, cboDrv, cboSpeed, lblDiskSize, lblDiskCapacity, lblState};
    // A drive the user picks that holds no disc is told so (the state timer's re-reads are not).
    connect(cboDevices, &QComboBox::activated, this, [this](int index) {
        if (index >= 0 && cAudioCDRipper1->SelectDevice(index) && !cAudioCDRipper1->IsDiscIn())
            core::services().msgBox(this, QStringLiteral("There is no CD in the drive."), core::vbInformation,
                                    core::AppTitle());
    });
    connect(cboDevices, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0) cboDevices_Click();
    });
    connect(cboDrv, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0) cboDrv_Click();
    });
    connect(cmdOpenCD, &QPushButton::clicked, this, &frmAudioCDDuplicator::cmdOpenCD_Click);
    connect(cmdCloseCD, &QPushButton::clicked, this, &frmAudioCDDuplicator::cmdCloseCD_Click);
    connect(cmdOpenDestCD, &QPushButton::clicked, this, &frmAudioCDDuplicator::cmdOpenDestCD_Click);
    connect(cmdClose, &QPushButton::clicked, this, &frmAudioCDDuplicator::cmdClose_Click);
}

void frmAudioCDDuplicator::Form_Load() {
    frmBatchTool::Form_Load();
    dialogs::chrome::ApplyView({chkOpenCDdrive, chkOnTheFly}, nullptr, QList<QWidget*>{});
    tmrState->start();
}

void frmAudioCDDuplicator::LoadFormatArea() {
    // The temporary folder, for show: the job works out its own path.
    txtToPath->clear();
    txtToPath->setEditText(core::DuplicatorTempFolder());
    LoadWriterDevices();
    LoadCDDevices();
}

// --- source -----------------------------------------------------------------------

void frmAudioCDDuplicator::LoadCDDevices() {
    for (qint32 i = 0; i < cAudioCDRipper1->DeviceCount(); ++i)
        cboDevices->addItem(cAudioCDRipper1->DeviceName(i));
    if (cboDevices->count() > 0) {
        if (cboDevices->currentIndex() == 0)
            cboDevices_Click();
        else
            cboDevices->setCurrentIndex(0);
    }
}

void frmAudioCDDuplicator::cboDevices_Click() {
    // The job has the drives while it runs.
    if (m_job->IsRunning()) return;
    const QString drive = cboDevices->currentText().left(2);
    cGrid1->Clear();
    const core::DiscCheck check = core::CheckAudioCD(*cAudioCDRipper1, cboDevices->currentIndex(), drive);
    controls::ApplyTextColor(lblCDStatus, check.ok ? kBlack : kRed);
    lblCDStatus->setText(check.text);
    // Rips that wait for their burn can be burned whatever the source drive holds now.
    cmdConvert->setEnabled(check.ok || m_job->HasKeptRips());
    if (check.ok) LoadCDTracks(drive);
    lblFilesToConvert->setText(lblCDStatus->text());
}

void frmAudioCDDuplicator::LoadCDTracks(const QString& sDrive) {
    cGrid1->Clear();
    cGrid1->setRedraw(false);
    if (cAudioCDRipper1->SelectDevice(cboDevices->currentIndex()) && cAudioCDRipper1->IsAudioCD()) {
        const QString letter = sDrive.left(2);
        for (qint32 n = 1; n <= cAudioCDRipper1->TrackCount(); ++n) {
            const QString path = components::DriveRegistry::trackPath(letter, n);
            cGrid1->CellDetails(n, cGrid1->ColumnIndex(itemlists::COL_ITEM_NAME), core::GetFileName(path));
            cGrid1->CellDetails(n, cGrid1->ColumnIndex(itemlists::COL_FILE), path);
        }
    }
    cGrid1->setRedraw(true);
    if (cGrid1->Rows() > 0)
        cGrid1->setSelectedRow(1);
    else
        lblCDStatus->setText(QStringLiteral("Insert an Audio CD to the CD drive."));
}

void frmAudioCDDuplicator::tmrState_Timer() {
    cboDevices_Click();
}

void frmAudioCDDuplicator::cmdOpenCD_Click() {
    cAudioCDRipper1->OpenTray();
}

void frmAudioCDDuplicator::cmdCloseCD_Click() {
    cAudioCDRipper1->CloseTray();
}

// --- writer -----------------------------------------------------------------------

void frmAudioCDDuplicator::LoadWriterDevices() {
    m_writer.LoadWriterDevices([this] { cboDrv_Click(); });
}

void frmAudioCDDuplicator::cboDrv_Click() {
    m_writer.ShowDisc();
}

void frmAudioCDDuplicator::cmdOpenDestCD_Click() {
    cAudioBurner1->OpenTray(m_writer.SelectedDrive());
}

void frmAudioCDDuplicator::cmdClose_Click() {
    cAudioBurner1->CloseTray(m_writer.SelectedDrive());
}

// --- the job ------------------------------------------------------------------------

void frmAudioCDDuplicator::cmdConvert_Click() {
    if (!cmdConvert->isEnabled()) return;
    m_job->Start();
}

void frmAudioCDDuplicator::EnableControls(bool bEnable) {
    for (QWidget* control :
         std::initializer_list<QWidget*>{cmdExit, cmdConvert, cboDevices, cmdOpenCD, cmdCloseCD, cboDrv,
                                         cboSpeed, cmdOpenDestCD, cmdClose})
        control->setEnabled(bEnable);
}

void frmAudioCDDuplicator::LoadTempFilesToGrid(const QStringList& files) {
    cGrid1->Clear();
    cGrid1->setRedraw(false);
    qint32 row = 0;
    for (const QString& path : files) {
        ++row;
        cGrid1->CellDetails(row, cGrid1->ColumnIndex(itemlists::COL_ITEM_NAME), core::GetFileName(path));
        cGrid1->CellDetails(row, cGrid1->ColumnIndex(itemlists::COL_FILE), path);
    }
    cGrid1->setRedraw(true);
}

void frmAudioCDDuplicator::Unload() {
    tmrState->stop();
    cAudioCDRipper1->Close();
    cAudioBurner1->ClearTracks();
    cAudioBurner1->Close();
    core::DeleteTempFiles(core::DuplicatorTempFolder());
}

namespace burning {

void ShowAudioCDDuplicator(const toolframe::ToolLaunch& launch) {
    auto window = std::make_unique<frmAudioCDDuplicator>(launch.imgMenu, launch.owner);
    g_frmAudioCDDuplicator = window.get();
    toolframe::ConnectToMainWindow(*window, launch);
    window->Form_Load();
    if (launch.beforeShow) launch.beforeShow(window.get());
    // The main window keeps its hourglass while the duplicator is open.
    dialogs::ExecModal(window.get(), dialogs::OwnerPointer::Keep);
}

} // namespace burning
