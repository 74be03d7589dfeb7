#include "burning/frmCDBurner.h"

#include "controls/ControlColor.h"
#include "controls/cGrid.h"
#include "controls/cProgressBar.h"
#include "controls/cStatusBar.h"
#include "core/AppPaths.h"
#include "core/mdlFunctions.h"
#include "core/mdlModes.h"
#include "core/mdlSettingStore.h"
#include "dialogs/WindowChrome.h"
#include "dialogs/frmAbout.h"
#include "itemlists/ItemRows.h"
#include "listviews/HandOver.h"
#include "toolframe/ToolLaunch.h"

#include "dialogs/ModalShow.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace burning {
QPointer<frmCDBurner> g_frmCDBurner;
} // namespace burning

namespace {

template <class W> W* Named(W* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

const QString kSection = QStringLiteral("General");
const QString kOpenCDValue = QStringLiteral("chkOpenCDdrive");
constexpr qint64 kRed = 255;

toolframe::frmBatchTool::Design BurnerDesign() {
    toolframe::frmBatchTool::Design d;
    d.objectName = QStringLiteral("frmCDBurner");
    d.caption = QStringLiteral("Audio CD Burner");
    d.settingsTabCaption = QStringLiteral("Burner Options   ");
    d.settingsTabIcon = 73;
    d.iconName = QStringLiteral("cd_music");
    d.runButtonCaption = QStringLiteral("Burn");
    return d;
}

} // namespace

frmCDBurner::frmCDBurner(cImageList* imgMenu, QWidget* parent,
                         std::shared_ptr<components::AudioWriterSeam> writer)
    : frmBatchTool(BurnerDesign(), nullptr, core::BatchPolicy{}, imgMenu, parent),
      m_burner(std::make_unique<components::cAudioBurner>(nullptr, std::move(writer))) {
    cAudioBurner1 = m_burner.get();
    // Temporary files of the burn stay in the program folder.
    cAudioBurner1->setCacheFolder(core::ProgramFolder());
    BuildWriterArea();
    core::BurnChoices choices;
    choices.writerEntry = [this] { return cboDrv->currentText(); };
    choices.speed = [this] { return m_writer.Speed(); };
    choices.openCD = [this] { cmdOpenCD_Click(); };
    m_burnRun = std::make_unique<core::AudioBurnJob>(*cAudioBurner1, EndActionsHooks(), choices);
    ShowJob(*m_burnRun);
    // Besides "Burn" and "Exit": a writer, speed or tray changed mid-burn would
    // spoil the disc being written.
    connect(m_burnRun.get(), &core::Job::Running, this, [this](bool running) {
        for (QWidget* control : std::initializer_list<QWidget*>{cboDrv, cboSpeed, cmdOpenCD, cmdClose})
            control->setEnabled(!running);
    });
}

frmCDBurner::~frmCDBurner() = default;

void frmCDBurner::BuildWriterArea() {
    // The burner has no destination, file names or tags: the frame's controls
    // for them stay hidden, and the drive link browses the writer's disc.
    for (QWidget* w : std::initializer_list<QWidget*>{
             Label4, txtToPath, cmdSelectPath, lblSetAsDefaultDestination, chkCreateSubFolder, txtUndeForlder,
             chkOverWrite, Label21, cboFileName, lblSetAsDefaultFileName, Image1, lblParameters, lblTimeLeft})
        w->setVisible(false);
    lblOpenDestinationDestinationFolder->setText(QStringLiteral("Browse with explorer"));
    lblOpenDestinationDestinationFolder->setToolTip(QStringLiteral("Browse with the explorer."));
    QFont bold = cmdConvert->font();
    bold.setBold(true);
    cmdConvert->setFont(bold);

    auto* g = new QGridLayout(formatArea);
    g->setContentsMargins(0, 0, 0, 0);
    cboDrv = Named(new QComboBox(formatArea), "cboDrv");
    cboSpeed = Named(new QComboBox(formatArea), "cboSpeed");
    cmdOpenCD = Named(new QPushButton(QStringLiteral("Open CD"), formatArea), "cmdOpenCD");
    cmdClose = Named(new QPushButton(QStringLiteral("Close CD"), formatArea), "cmdClose");
    lblDiskSize = Named(new QLabel(QStringLiteral("Disk Size"), formatArea), "lblDiskSize");
    lblDiskCapacity = Named(new QLabel(QStringLiteral("Disk Capacity"), formatArea), "lblDiskCapacity");
    lblState = Named(new QLabel(QStringLiteral("State"), formatArea), "lblState");
    prgSize = Named(new cProgressBar(formatArea), "prgSize");
    lblDataSize = Named(new QLabel(QStringLiteral("Data Size:"), formatArea), "lblDataSize");

    g->addWidget(new QLabel(QStringLiteral("CDs:"), formatArea), 0, 0);
    g->addWidget(cboDrv, 0, 1, 1, 3);
    g->addWidget(cmdOpenCD, 0, 4);
    g->addWidget(cmdClose, 0, 5);
    g->addWidget(new QLabel(QStringLiteral("Speeds:"), formatArea), 1, 0);
    g->addWidget(cboSpeed, 1, 1, 1, 3);
    g->addWidget(new QLabel(QStringLiteral("Disk Size"), formatArea), 2, 0);
    g->addWidget(lblDiskSize, 2, 1);
    g->addWidget(new QLabel(QStringLiteral("Disk Capacity"), formatArea), 2, 2);
    g->addWidget(lblDiskCapacity, 2, 3);
    g->addWidget(new QLabel(QStringLiteral("Disk State"), formatArea), 3, 0);
    g->addWidget(lblState, 3, 1, 1, 5);
    auto* bar = new QHBoxLayout();
    bar->addWidget(new QLabel(QStringLiteral("0 MIN"), formatArea));
    bar->addWidget(prgSize, 1);
    bar->addWidget(new QLabel(QStringLiteral("80 MIN"), formatArea));
    g->addLayout(bar, 4, 0, 1, 6);
    g->addWidget(lblDataSize, 5, 0, 1, 6);
    g->setColumnStretch(1, 1);
    g->setColumnStretch(3, 1);

    chkOpenCDdrive = Named(new QCheckBox(QStringLiteral("Open the CD drive"), TabEvents), "chkOpenCDdrive");
    eventsLayout->insertWidget(eventsLayout->indexOf(chkPlaySound) + 1, chkOpenCDdrive);

    m_writer = {cAudioBurner1, cboDrv, cboSpeed, lblDiskSize, lblDiskCapacity, lblState};
    connect(cboDrv, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0) cboDrv_Click();
    });
    connect(cmdOpenCD, &QPushButton::clicked, this, &frmCDBurner::cmdOpenCD_Click);
    connect(cmdClose, &QPushButton::clicked, this, &frmCDBurner::cmdClose_Click);
}

void frmCDBurner::Form_Load() {
    frmBatchTool::Form_Load();
    dialogs::chrome::ApplyView({chkOpenCDdrive}, nullptr, QList<QWidget*>{});
    LoadWriterDevices();
    const QString stored =
        core::GetSetting(core::g_sProductName, kSection, kOpenCDValue, QStringLiteral("0"));
    chkOpenCDdrive->setChecked(stored.trimmed().toInt() == 1);
}

void frmCDBurner::HandOver(cGrid& mainGrid) {
    const qint64 secs = listviews::TotalSeconds(mainGrid, true);
    const qint32 n = listviews::GetMarkedCount(mainGrid);
    const core::DataSizeDisplay d = core::DataSize(secs, n);
    lblFilesToConvert->setText(d.filesToConvert);
    cStatusBar1->setPanelText(QStringLiteral("Total Size"), d.totalSizePanel);
    prgSize->setMin(0);
    prgSize->setMax(83);
    prgSize->setValue(qint32(qMin<qint64>(d.minutes, 83)));
    lblDataSize->setText(d.dataSize);
    QFont font = lblDataSize->font();
    font.setBold(d.overLimit);
    lblDataSize->setFont(font);
    if (d.overLimit) prgSize->setBarColor(kRed);
    listviews::CopyGridRows(mainGrid, *cGrid1, true);
}

QString frmCDBurner::SelectedDrive() const {
    return m_writer.SelectedDrive();
}

void frmCDBurner::LoadWriterDevices() {
    m_writer.LoadWriterDevices([this] { cboDrv_Click(); });
}

void frmCDBurner::cboDrv_Click() {
    m_writer.ShowDisc();
}

void frmCDBurner::cmdOpenCD_Click() {
    cAudioBurner1->OpenTray(SelectedDrive());
}

void frmCDBurner::cmdClose_Click() {
    cAudioBurner1->CloseTray(SelectedDrive());
}

void frmCDBurner::lblOpenDestinationDestinationFolder_Click() {
    core::ShellOpen(this, m_burnRun->DriveRoot());
}

void frmCDBurner::cmdConvert_Click() {
    QStringList files;
    for (qint32 row = 1; row <= RowCount(); ++row)
        files << Cell(row, itemlists::COL_FILE);
    m_burnRun->Start(files);
}

void frmCDBurner::Unload() {
    cAudioBurner1->ClearTracks();
    cAudioBurner1->Close();
    core::SaveSetting(core::g_sProductName, kSection, kOpenCDValue,
                      chkOpenCDdrive->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
}

namespace burning {

void ShowCDBurner(const toolframe::ToolLaunch& launch) {
    if (!launch.mainGrid) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    auto window = std::make_unique<frmCDBurner>(launch.imgMenu, launch.owner);
    g_frmCDBurner = window.get();
    toolframe::ConnectToMainWindow(*window, launch);
    window->Form_Load();
    window->HandOver(*launch.mainGrid);
    QApplication::restoreOverrideCursor();
    toolframe::ShowToolModal(launch, window.get());
}

} // namespace burning
