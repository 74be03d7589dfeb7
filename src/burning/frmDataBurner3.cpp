#include "burning/frmDataBurner3.h"

#include "components/OutputFiles.h"
#include "controls/cGrid.h"
#include "controls/cProgressBar.h"
#include "core/AppPaths.h"
#include "core/AudioBurnJob.h"
#include "core/Services.h"
#include "core/mdlFunctions.h"
#include "core/mdlModes.h"
#include "core/mdlSettingStore.h"
#include "core/mdlSupportedDestination.h"
#include "dialogs/WindowChrome.h"
#include "dialogs/frmAbout.h"
#include "dialogs/mdlFunctionsGui.h"
#include "dialogs/mdlSupportedDestinationGui.h"
#include "options/frmOptions.h"
#include "settings/RunOutput.h"
#include "settings/SettingsVariables.h"
#include "toolframe/ToolLaunch.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>

namespace burning {
QPointer<frmDataBurner3> g_frmDataBurner3;
} // namespace burning

namespace {

template <class W> W* Named(W* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

const QString kEngineSection = QStringLiteral("BurnerEngine");
const QString kEngineValue = QStringLiteral("cmbEngine");
// Where "Yes" of the missing-engine question leads: the disc libraries' home.
const QString kEnginePage = QStringLiteral("https://dev.lovelyhq.com/libburnia/web/wiki");

QString appTitle() {
    return core::g_sProductName + QLatin1Char(' ') + core::g_sProductVersion;
}

toolframe::frmBatchTool::Design DataBurnerDesign() {
    toolframe::frmBatchTool::Design d;
    d.objectName = QStringLiteral("g_frmDataBurner3");
    d.caption = QStringLiteral("Audio Data Burner");
    d.openDestFolderText = QStringLiteral("Open destination folder"); // it opens the disc's drive
    d.settingsTabCaption = QStringLiteral("Options        ");
    d.settingsTabIcon = 72;
    d.iconName = QStringLiteral("cd_music");
    d.runButtonCaption = QStringLiteral("Burn");
    d.runIsStage = true; // the preparation of the data-disc job
    return d;
}

void MakeBold(QWidget* w) {
    QFont f = w->font();
    f.setBold(true);
    w->setFont(f);
}

} // namespace

frmDataBurner3::frmDataBurner3(cImageList* imgMenu, QWidget* parent,
                               std::shared_ptr<components::AudioWriterSeam> writer,
                               std::unique_ptr<core::ItemJob> converter)
    : frmBatchTool(
          DataBurnerDesign(), std::make_unique<core::DataPrepJob>(std::move(converter)),
          [this] {
              core::BatchPolicy p;
              p.runVerb = QStringLiteral("burn");
              p.endEvents = false;
              p.completionBalloon = false;
              // A copy keeps its own extension: the name must not claim another format.
              p.destExtensionFor = [this](const QString& source) -> std::optional<QString> {
                  if (m_prep->copyMode()) return QFileInfo(source).suffix();
                  return Run().Output().destExtension;
              };
              return p;
          }(),
          imgMenu, parent),
      m_writer(writer ? std::move(writer) : components::makeLibburnWriter()) {
    m_prep = &static_cast<core::DataPrepJob&>(Component());
    m_first = std::make_unique<components::cAudioDataBurner>(nullptr, m_writer);
    m_second = std::make_unique<components::cBurner>(nullptr, m_writer);
    cAudioDataBurner1 = m_first.get();
    cBurner1 = m_second.get();
    BuildDataArea();

    core::DataBurnChoices c;
    c.engine = [this] { return cmbEngine->currentIndex(); };
    c.writerEntry = [this] { return cboDrv->currentText(); };
    c.writerPosition = [this] { return cboDrv->currentIndex(); };
    c.speed = [this] {
        bool ok = false;
        const qint32 v = cboSpeed->currentData().toInt(&ok);
        return ok ? v : components::cAudioDataBurner::kMaxSpeed;
    };
    c.volumeName = [this] { return txtCDName->text(); };
    c.boxTicked = [this](const QString& box) {
        const auto* check = findChild<QCheckBox*>(box);
        return check && check->isChecked();
    };
    c.imapi2Installed = [this] { return IsImapi2Installed(); };
    c.eraseTempFiles = [this] { EraseTempFiles(); };
    m_disc = std::make_unique<core::DataDiscJob>(Run(), *cAudioDataBurner1, *cBurner1, EndActionsHooks(), c);
    ShowJob(*m_disc);
    // The trays stay shut while the disc is written.
    connect(&m_disc->BurnStage(), &core::Job::Running, this, [this](bool running) {
        lblOpenCDDoor->setEnabled(!running);
        lblCloseCDDoor->setEnabled(!running);
    });
}

frmDataBurner3::~frmDataBurner3() {
    // The job and its burn stage go before the engines they listen to.
    m_disc.reset();
}

void frmDataBurner3::BuildDataArea() {
    // No destination, sub-folder or overwrite choice: the items go to the temporary folder.
    for (QWidget* w : std::initializer_list<QWidget*>{
             Label4, txtToPath, cmdSelectPath, lblSetAsDefaultDestination, chkCreateSubFolder, txtUndeForlder,
             chkOverWrite, lblSetAsDefaultFileName, imgOpenDestFolder, lblOpenDestinationDestinationFolder})
        w->setVisible(false);
    MakeBold(cmdConvert);

    auto* g = new QGridLayout(formatArea);
    g->setContentsMargins(0, 0, 0, 0);
    cmbEngine = Named(new QComboBox(formatArea), "cmbEngine");
    cmbEngine->addItems({QStringLiteral("IMAPI V1 - CDs only."), QStringLiteral("IMAPI V2 - CDs / DVDs")});
    cmbEngine->setCurrentIndex(-1);
    cboDrv = Named(new QComboBox(formatArea), "cboDrv");
    lblCDStatus = Named(new QLabel(QStringLiteral("Ready."), formatArea), "lblCDStatus");
    lblOpenCDDoor = Named(new cLinkLabel(QStringLiteral("Open"), formatArea), "lblOpenCDDoor");
    lblOpenCDDoor->setToolTip(QStringLiteral("Open CD"));
    lblCloseCDDoor = Named(new cLinkLabel(QStringLiteral("Close"), formatArea), "lblCloseCDDoor");
    lblCloseCDDoor->setToolTip(QStringLiteral("Close CD"));
    lblRefreshCDInfo = Named(new cLinkLabel(QStringLiteral("Refresh"), formatArea), "lblRefreshCDInfo");
    lblRefreshCDInfo->setToolTip(QStringLiteral("Refresh CD Information"));
    lblSpeeds = new QLabel(QStringLiteral("Speeds:"), formatArea);
    cboSpeed = Named(new QComboBox(formatArea), "cboSpeed");
    lblFileSys = Named(new QLabel(QStringLiteral("File Sytem:"), formatArea), "lblFileSys");
    chkJOLIET = Named(new QCheckBox(QStringLiteral("JOLIET"), formatArea), "chkJOLIET");
    chkISO = Named(new QCheckBox(QStringLiteral("ISO"), formatArea), "chkISO");
    chkUDF = Named(new QCheckBox(QStringLiteral("UDF"), formatArea), "chkUDF");
    chkJOLIET->setChecked(true);
    chkISO->setChecked(true);
    txtCDName = Named(new QLineEdit(formatArea), "txtCDName");
    PublisherID = Named(new QLineEdit(QStringLiteral("Publisher"), formatArea), "PublisherID");
    chkDoNotConvertSource =
        Named(new QCheckBox(
                  QStringLiteral("Do not convert the source files - Burn the files with the same format as "
                                 "they are."),
                  formatArea),
              "chkDoNotConvertSource");
    lblCDFormat = Named(new QLabel(QStringLiteral("CD / DVD Format:"), formatArea), "lblCDFormat");
    MakeBold(lblCDFormat);
    cboTargetFormat = Named(new QComboBox(formatArea), "cboTargetFormat");
    cmdEditTargetFormat = Named(new QPushButton(QStringLiteral("Edit"), formatArea), "cmdEditTargetFormat");
    cmdEditTargetFormat->setToolTip(QStringLiteral("Edit Target Audio Formats"));

    g->addWidget(new QLabel(QStringLiteral("Burning Engine:"), formatArea), 0, 0);
    g->addWidget(cmbEngine, 0, 1, 1, 3);
    g->addWidget(new QLabel(QStringLiteral("Destination CD:"), formatArea), 1, 0);
    g->addWidget(cboDrv, 1, 1, 1, 3);
    auto* links = new QHBoxLayout();
    links->addWidget(lblCDStatus);
    links->addStretch(1);
    links->addWidget(lblOpenCDDoor);
    links->addWidget(lblCloseCDDoor);
    links->addWidget(lblRefreshCDInfo);
    g->addLayout(links, 2, 1, 1, 3);
    g->addWidget(lblSpeeds, 3, 0);
    g->addWidget(cboSpeed, 3, 1, 1, 3);
    auto* fs = new QHBoxLayout();
    fs->addWidget(chkJOLIET);
    fs->addWidget(chkISO);
    fs->addWidget(chkUDF);
    fs->addStretch(1);
    g->addWidget(lblFileSys, 4, 0);
    g->addLayout(fs, 4, 1, 1, 3);
    g->addWidget(new QLabel(QStringLiteral("CD Name:"), formatArea), 5, 0);
    g->addWidget(txtCDName, 5, 1);
    g->addWidget(new QLabel(QStringLiteral("Publisher ID:"), formatArea), 5, 2);
    g->addWidget(PublisherID, 5, 3);
    g->addWidget(chkDoNotConvertSource, 6, 0, 1, 4);
    g->addWidget(lblCDFormat, 7, 0);
    g->addWidget(cboTargetFormat, 7, 1, 1, 2);
    g->addWidget(cmdEditTargetFormat, 7, 3);
    g->setColumnStretch(1, 1);
    lblSpeeds->setVisible(false);
    cboSpeed->setVisible(false);

    chkOpenCDdrive = Named(new QCheckBox(QStringLiteral("Eject the CD door"), TabEvents), "chkOpenCDdrive");
    chkEraseTempfiles =
        Named(new QCheckBox(QStringLiteral("Erase Temp files"), TabEvents), "chkEraseTempfiles");
    MakeBold(chkOpenCDdrive);
    MakeBold(chkEraseTempfiles);
    chkOpenCDdrive->setChecked(true);
    chkEraseTempfiles->setChecked(true);
    lblErasetempfilesnow =
        Named(new cLinkLabel(QStringLiteral("Erase temp files now."), TabEvents), "lblErasetempfilesnow");
    lblErasetempfilesnow->setToolTip(QStringLiteral("Erase temp files now."));
    const int after = eventsLayout->indexOf(chkPlaySound) + 1;
    eventsLayout->insertWidget(after, chkOpenCDdrive);
    eventsLayout->insertWidget(after + 1, chkEraseTempfiles);
    eventsLayout->insertWidget(after + 2, lblErasetempfilesnow);

    connect(cmbEngine, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0) cmbEngine_Click();
    });
    connect(cboDrv, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0) cboDrv_Click();
    });
    connect(lblOpenCDDoor, &cLinkLabel::clicked, this, &frmDataBurner3::lblOpenCDDoor_Click);
    connect(lblCloseCDDoor, &cLinkLabel::clicked, this, &frmDataBurner3::lblCloseCDDoor_Click);
    connect(lblRefreshCDInfo, &cLinkLabel::clicked, this, &frmDataBurner3::lblRefreshCDInfo_Click);
    connect(cmdEditTargetFormat, &QPushButton::clicked, this, &frmDataBurner3::cmdEditTargetFormat_Click);
    connect(lblErasetempfilesnow, &cLinkLabel::clicked, this, &frmDataBurner3::lblErasetempfilesnow_Click);
    connect(chkDoNotConvertSource, &QCheckBox::clicked, this, &frmDataBurner3::chkDoNotConvertSource_Click);
}

QString frmDataBurner3::StoredEngine() {
    const QString stored =
        core::GetSetting(core::g_sProductName, kEngineSection, kEngineValue, QStringLiteral("0")).trimmed();
    // Anything but the two engines' positions is the first engine.
    return stored == u"1" ? stored : QStringLiteral("0");
}

void frmDataBurner3::Form_Load() {
    frmBatchTool::Form_Load();
    dialogs::chrome::ApplyView(
        {chkDoNotConvertSource, chkOpenCDdrive, chkEraseTempfiles, chkISO, chkUDF, chkJOLIET}, nullptr,
        QList<QWidget*>{});
    LoadImapi1Devices();
    // The engine last used; its writers are listed as it is chosen.
    const qint32 engine = StoredEngine().toInt();
    if (cmbEngine->currentIndex() == engine)
        cmbEngine_Click();
    else
        cmbEngine->setCurrentIndex(engine);
    {
        const QSignalBlocker block(cboTargetFormat);
        dialogs::FillDestinationFormats(cboTargetFormat);
    }
    frmOptions* options = frmOptions::instance();
    const QString wanted = options && options->cboTargetFormat ? options->cboTargetFormat->currentText()
                                                               : settings::g_sTargetFormat;
    cboTargetFormat->setCurrentIndex(cboTargetFormat->findText(wanted, Qt::MatchExactly));
    // The first template, whatever the default file-name format is.
    if (cboFileName->count() > 0) cboFileName->setCurrentIndex(0);
    CheckDoNotConvertEna();
}

QString frmDataBurner3::DriveLetter() const {
    return cboDrv->currentText().left(1);
}

// --- engines and writers ---------------------------------------------------------

void frmDataBurner3::cmbEngine_Click() {
    const bool second = cmbEngine->currentIndex() != 0;
    for (QWidget* w : std::initializer_list<QWidget*>{chkJOLIET, chkISO, chkUDF, lblFileSys})
        w->setVisible(second);
    if (!second) {
        LoadImapi1Devices();
        return;
    }
    if (IsImapi2Installed())
        LoadImapi2Devices();
    else
        cmbEngine->setCurrentIndex(0); // raises this handler once more, for the first engine
}

bool frmDataBurner3::IsImapi2Installed() {
    if (components::cBurner::IsInstalled()) return true;
    const int answer =
        core::services().msgBox(this,
                                QStringLiteral("Windows XP/2003 users - You need to install the IMAPI2 from "
                                               "Microsoft... \r\n\r\nContinue?"),
                                core::vbYesNo | core::vbInformation, appTitle());
    if (answer == core::vbYes) core::ShellOpen(this, kEnginePage);
    return false;
}

void frmDataBurner3::LoadImapi1Devices() {
    {
        const QSignalBlocker block(cboDrv);
        cboDrv->clear();
        const qint32 count = cAudioDataBurner1->DeviceCount();
        for (qint32 i = 1; i <= count; ++i)
            cboDrv->addItem(cAudioDataBurner1->DeviceName(i));
        cboDrv->setCurrentIndex(-1);
    }
    if (cboDrv->count() > 0) cboDrv->setCurrentIndex(0);
}

void frmDataBurner3::LoadImapi2Devices() {
    {
        const QSignalBlocker block(cboDrv);
        cboDrv->clear();
        for (qint32 i = 0; i < cBurner1->DeviceCount(); ++i)
            cboDrv->addItem(cBurner1->DevicePath(i) + QStringLiteral(" - ") + cBurner1->DeviceName(i));
        cboDrv->setCurrentIndex(-1);
    }
    if (cboDrv->count() > 0) cboDrv->setCurrentIndex(0);
}

void frmDataBurner3::cboDrv_Click() {
    if (cmbEngine->currentIndex() == 0) LoadWriteSpeeds();
}

void frmDataBurner3::LoadWriteSpeeds() {
    const qint32 count = cAudioDataBurner1->WriteSpeedCount(DriveLetter());
    cboSpeed->clear();
    for (qint32 i = 1; i <= count; ++i) {
        const qint32 kbps = cAudioDataBurner1->WriteSpeed(i);
        cboSpeed->addItem(core::SpeedEntryText(kbps), kbps);
    }
    cboSpeed->addItem(QStringLiteral("Max."), components::cAudioDataBurner::kMaxSpeed);
    cboSpeed->setCurrentIndex(cboSpeed->count() - 1);
}

void frmDataBurner3::lblOpenCDDoor_Click() {
    cAudioDataBurner1->OpenTray(DriveLetter());
}

void frmDataBurner3::lblCloseCDDoor_Click() {
    cAudioDataBurner1->CloseTray(DriveLetter());
}

void frmDataBurner3::lblRefreshCDInfo_Click() {}

void frmDataBurner3::cmdEditTargetFormat_Click() {
    if (openAudioFormat) openAudioFormat(this, cboTargetFormat->currentText().left(3));
    // The dialog's OK chose the Options dialog's format; this window follows it and stores nothing.
    frmOptions* options = frmOptions::instance();
    if (options && options->cboTargetFormat)
        cboTargetFormat->setCurrentIndex(options->cboTargetFormat->currentIndex());
}

void frmDataBurner3::chkDoNotConvertSource_Click() {
    CheckDoNotConvertEna();
}

void frmDataBurner3::CheckDoNotConvertEna() {
    const bool convert = !chkDoNotConvertSource->isChecked();
    cboTargetFormat->setEnabled(convert);
    cmdEditTargetFormat->setEnabled(convert);
    lblCDFormat->setEnabled(convert);
}

// --- temporary folder -------------------------------------------------------------

QString frmDataBurner3::GetTempFolder() {
    return core::ProgramFolder() + QStringLiteral("/datacdtmp/");
}

bool frmDataBurner3::EraseTempFiles() {
    if (IsJobRunning()) return false;
    QString folder = GetTempFolder();
    folder.chop(1);
    // Only the folder itself: never one that a link leads elsewhere.
    const QFileInfo info(folder);
    if (info.isSymLink() || !info.isDir()) return true;
    const QFileInfoList entries =
        QDir(folder).entryInfoList(QDir::Files | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo& entry : entries)
        QFile::remove(
            entry.absoluteFilePath()); // a link goes, what it points to stays; a failure is passed over
    // The hidden partial files a killed conversion left (a running writer's stay).
    components::SweepPartialFiles(folder);
    return true;
}

void frmDataBurner3::lblErasetempfilesnow_Click() {
    if (!EraseTempFiles()) {
        core::services().msgBox(this,
                                QStringLiteral("The temporary files are in use until the job has ended."),
                                core::vbInformation, appTitle());
        return;
    }
    core::services().msgBox(this, QStringLiteral("Done.") + QString(28, u' '), core::vbInformation,
                            appTitle());
}

// --- the job ------------------------------------------------------------------------

core::BatchRequest frmDataBurner3::Request() const {
    core::BatchRequest r = frmBatchTool::Request();
    r.destination = GetTempFolder();
    r.createSubFolder = false;
    r.overwrite = false;
    return r;
}

core::RunOutput frmDataBurner3::RunOutput() const {
    if (!chkDoNotConvertSource->isChecked()) return frmBatchTool::RunOutput();
    core::RunOutput copy;
    copy.logLine = QStringLiteral("Destination format: the source's own");
    return copy;
}

void frmDataBurner3::cmdConvert_Click() {
    if (IsJobRunning()) return;
    m_prep->setCopyMode(chkDoNotConvertSource->isChecked());
    m_disc->Start(Request());
}

// --- closing ------------------------------------------------------------------------

void frmDataBurner3::Unload() {
    EraseTempFiles();
    core::SaveSetting(core::g_sProductName, kEngineSection, kEngineValue,
                      QString::number(cmbEngine->currentIndex()));
    cAudioDataBurner1->Close();
    cBurner1->Close();
    frmBatchTool::Unload();
}

namespace burning {

void ShowDataBurner(const toolframe::ToolLaunch& launch) {
    if (!launch.mainGrid) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    auto window = std::make_unique<frmDataBurner3>(launch.imgMenu, launch.owner);
    g_frmDataBurner3 = window.get();
    toolframe::ConnectToMainWindow(*window, launch);
    window->Form_Load();
    window->lblTitle->setText(launch.toolKey);
    window->setWindowTitle(launch.toolKey);
    const QString target = launch.toolKey == u"WMA CD Maker"
                               ? QStringLiteral("WMA - Windows Media Audio files (*.wma)")
                               : QStringLiteral("MP3 - MPEG-1 Audio Layer 3 (*.mp3)");
    window->cboTargetFormat->setCurrentIndex(window->cboTargetFormat->findText(target, Qt::MatchExactly));
    window->HandOver(*launch.mainGrid, launch.listName, QStringLiteral(" items to burn."));
    window->txtCDName->setText(launch.listName);
    QApplication::restoreOverrideCursor();
    toolframe::ShowToolModal(launch, window.get());
    g_frmDataBurner3 = nullptr;
}

} // namespace burning
