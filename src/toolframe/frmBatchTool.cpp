#include "toolframe/frmBatchTool.h"

#include "controls/ControlColor.h"
#include "controls/cGrid.h"
#include "controls/cImageList.h"
#include "controls/cProgressBar.h"
#include "controls/cStatusBar.h"
#include "controls/cTabControl.h"
#include "core/AppPaths.h"
#include "core/RegistryRoutines.h"
#include "core/Services.h"
#include "core/mdlFunctions.h"
#include "core/mdlModes.h"
#include "core/mdlSupportedDestination.h"
#include "dialogs/WindowChrome.h"
#include "dialogs/frmAbout.h"
#include "dialogs/frmTurnOff.h"
#include "dialogs/mdlCommDialog.h"
#include "dialogs/mdlFunctionsGui.h"
#include "dialogs/mdlSetFormIcon32.h"
#include "dialogs/mdlSupportedDestinationGui.h"
#include "itemlists/BatchItems.h"
#include "listviews/HandOver.h"
#include "listviews/ItemsGrid.h"
#include "options/frmOptions.h"
#include "settings/RunOutput.h"
#include "settings/SettingsVariables.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStyle>
#include <QVBoxLayout>

namespace toolframe {

namespace {

template <class W> W* Named(W* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QFrame* NewPage(QWidget* parent, const char* name) {
    auto* page = Named(new QFrame(parent), name);
    page->setAutoFillBackground(true);
    return page;
}

qint32 BoolToCheckValue(bool value) {
    return value ? 1 : 0;
}

const QStringList& BuiltInFileNameFormats() {
    static const QStringList formats{
        QStringLiteral("[file_name].[dest_extension]"),
        QStringLiteral("[file_name].[source_extension].[dest_extension]"),
        QStringLiteral("[file_name]_[123].[dest_extension]"),
        QStringLiteral("[file_name]_[123].[source_extension].[dest_extension]"),
        QStringLiteral("[123].[dest_extension]"),
        QStringLiteral("[123].[source_extension].[dest_extension]"),
    };
    return formats;
}

} // namespace

frmBatchTool::frmBatchTool(const Design& design, std::unique_ptr<core::ItemJob> component,
                           core::BatchPolicy policy, cImageList* imgMenu, QWidget* parent)
    : QDialog(parent), m_component(std::move(component)), m_imgMenu(imgMenu), m_design(design) {
    m_iconName = design.iconName;
    setObjectName(design.objectName);
    setWindowTitle(design.caption);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    m_end.wanted = [this](const QString& box) { return EndEventChecked(box); };
    // A refused shutdown is told in this window's log: nobody may be there to close a box.
    m_end.turnOffCountdown = [this](qint32 seconds) {
        dialogs::ShowTurnOffCountdown(seconds,
                                      [this](const QString& line) { dialogs::AddLogLine(line, txtLog); });
    };
    openAudioFormat = [](QWidget* owner, const QString& key) { options::ShowAudioFormatAtTab(owner, key); };
    openProgParameters = [](QWidget* owner, int section) {
        options::ShowProgParametersAtSection(owner, section);
    };
    openEventsOptions = [](QWidget*) {
        frmOptions* options = frmOptions::instance();
        if (!options) return;
        cTreeViewNode node = options->cTreeView1->Nodes().Item(QStringLiteral("Events"));
        node.setSelected(true);
        options->cTreeView1_NodeClick(node);
        options->exec();
    };
    BuildControls(design);
    if (m_component) {
        m_run = std::make_unique<core::BatchRun>(*m_component, m_end, std::move(policy), this);
        connect(m_run.get(), &core::BatchRun::SelectRow, cGrid1, &cGrid::setSelectedRow);
        if (!design.runIsStage) ShowJob(*m_run);
    }
}

frmBatchTool::~frmBatchTool() = default;

void frmBatchTool::ShowJob(core::Job& job) {
    m_jobs << &job;
    job.SetQuestions(&m_questions);
    JobWidgets w;
    w.window = this;
    w.log = txtLog;
    w.currentBar = prgCurrnet;
    w.totalBar = prgTotal;
    w.currentTask = lblCurrentTrack;
    w.files = m_design.runShowsFileCount ? lblFilesToConvert : nullptr;
    w.timeLeft = lblTimeLeft;
    w.disabledWhileRunning = {cmdConvert, cmdExit};
    w.showLog = [this] { ShowLogPage(); };
    BindJob(job, w);
}

void frmBatchTool::BuildControls(const Design& design) {
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(4);

    picTitle = Named(new QFrame(this), "picTitle");
    picTitle->setAutoFillBackground(true);
    picTitle->setMinimumHeight(36);
    lblTitle = Named(new QLabel(design.caption, picTitle), "lblTitle");
    QFont titleFont = lblTitle->font();
    titleFont.setBold(true);
    titleFont.setPointSize(titleFont.pointSize() + 4);
    lblTitle->setFont(titleFont);
    auto* titleLayout = new QHBoxLayout(picTitle);
    titleLayout->setContentsMargins(10, 0, 10, 0);
    titleLayout->addWidget(lblTitle);
    root->addWidget(picTitle);

    auto* body = new QVBoxLayout();
    body->setContentsMargins(8, 0, 8, 0);
    root->addLayout(body, 1);

    cTabControl1 = Named(new cTabControl(this), "cTabControl1");
    QWidget* area = cTabControl1->ClientArea();
    TabSettings = NewPage(area, "TabSettings");
    TabEvents = NewPage(area, "TabEvents");
    TabLog = NewPage(area, "TabLog");
    auto* pages = new QGridLayout(area);
    pages->setContentsMargins(0, 0, 0, 0);
    for (QFrame* page : {TabSettings, TabEvents, TabLog})
        pages->addWidget(page, 0, 0);
    body->addWidget(cTabControl1);

    // Settings page
    auto* s = new QGridLayout(TabSettings);
    Label4 = Named(new QLabel(QStringLiteral("Destination:"), TabSettings), "Label4");
    txtToPath = Named(new QComboBox(TabSettings), "txtToPath");
    txtToPath->setEditable(true);
    txtToPath->setInsertPolicy(QComboBox::NoInsert);
    txtToPath->setEditText(QStringLiteral("txtToPath"));
    cmdSelectPath = Named(new QPushButton(QStringLiteral("..."), TabSettings), "cmdSelectPath");
    cmdSelectPath->setToolTip(QStringLiteral("Select a new directory"));
    lblSetAsDefaultDestination =
        Named(new cLinkLabel(QStringLiteral("Set as default"), TabSettings), "lblSetAsDefaultDestination");
    lblSetAsDefaultDestination->setToolTip(QStringLiteral("Set as default destination"));
    chkCreateSubFolder = Named(new QCheckBox(QStringLiteral("Under a new directory name:"), TabSettings),
                               "chkCreateSubFolder");
    txtUndeForlder = Named(new QLineEdit(TabSettings), "txtUndeForlder");
    chkOverWrite =
        Named(new QCheckBox(QStringLiteral("Overwrite existing files"), TabSettings), "chkOverWrite");
    Label21 = Named(new QLabel(QStringLiteral("File Name Format:"), TabSettings), "Label21");
    cboFileName = Named(new QComboBox(TabSettings), "cboFileName");
    cboFileName->addItems(BuiltInFileNameFormats());
    cboFileName->setCurrentIndex(-1);
    lblSetAsDefaultFileName =
        Named(new cLinkLabel(QStringLiteral("Set as default"), TabSettings), "lblSetAsDefaultFileName");
    lblSetAsDefaultFileName->setToolTip(QStringLiteral("Set as default file name format"));
    Image1 = Named(new QLabel(TabSettings), "Image1");
    lblParameters = Named(new cLinkLabel(QStringLiteral("Parameters"), TabSettings), "lblParameters");
    imgOpenDestFolder = Named(new QLabel(TabSettings), "imgOpenDestFolder");
    lblOpenDestinationDestinationFolder =
        Named(new cLinkLabel(QStringLiteral("Open destination folder"), TabSettings),
              "lblOpenDestinationDestinationFolder");
    formatArea = Named(new QWidget(TabSettings), "formatArea");

    // Rows from the top: the window's own format area (drive, target format),
    // the destination with its folder link, the sub-folder, overwriting, and
    // the file-name template with its help link.
    const QStyle* style = this->style();
    imgOpenDestFolder->setPixmap(style->standardIcon(QStyle::SP_DirOpenIcon).pixmap(16, 16));
    Image1->setPixmap(style->standardIcon(QStyle::SP_FileDialogInfoView).pixmap(16, 16));
    auto* destinationLink = new QHBoxLayout();
    destinationLink->addWidget(imgOpenDestFolder);
    destinationLink->addWidget(lblOpenDestinationDestinationFolder);
    auto* parametersLink = new QHBoxLayout();
    parametersLink->addWidget(Image1);
    parametersLink->addWidget(lblParameters);
    s->addWidget(formatArea, 0, 0, 1, 5);
    s->addWidget(Label4, 1, 0);
    s->addWidget(txtToPath, 1, 1);
    s->addWidget(cmdSelectPath, 1, 2);
    s->addWidget(lblSetAsDefaultDestination, 1, 3);
    s->addLayout(destinationLink, 1, 4);
    s->addWidget(chkCreateSubFolder, 2, 0);
    s->addWidget(txtUndeForlder, 2, 1);
    s->addWidget(chkOverWrite, 3, 0, 1, 2);
    s->addWidget(Label21, 4, 0);
    s->addWidget(cboFileName, 4, 1);
    s->addWidget(lblSetAsDefaultFileName, 4, 3);
    s->addLayout(parametersLink, 4, 4);
    s->setColumnStretch(1, 1);
    s->setRowStretch(5, 1);
    // The destination and the template are read whole: the window grows to
    // show the longest designed template rather than squeeze the two boxes.
    const int readable = cboFileName->fontMetrics().horizontalAdvance(BuiltInFileNameFormats().value(3)) +
                         style->pixelMetric(QStyle::PM_ScrollBarExtent) +
                         2 * style->pixelMetric(QStyle::PM_ComboBoxFrameWidth) + 16;
    txtToPath->setMinimumWidth(readable);
    cboFileName->setMinimumWidth(readable);

    // Events page
    eventsLayout = new QVBoxLayout(TabEvents);
    Label20 = Named(new QLabel(QStringLiteral("Events When Done:"), TabEvents), "Label20");
    chkOpenDestFolder = Named(new QCheckBox(design.openDestFolderText, TabEvents), "chkOpenDestFolder");
    chkNoticeApp = Named(new QCheckBox(design.noticeAppText, TabEvents), "chkNoticeApp");
    chkTurnOffComputer =
        Named(new QCheckBox(QStringLiteral("Turn off computer"), TabEvents), "chkTurnOffComputer");
    chkPlaySound = Named(new QCheckBox(QStringLiteral("Play a sound"), TabEvents), "chkPlaySound");
    lblEventsSettings =
        Named(new cLinkLabel(QStringLiteral("Events Options..."), TabEvents), "lblEventsSettings");
    lblEventsSettings->setToolTip(QStringLiteral("Parameters"));
    for (QWidget* w : std::initializer_list<QWidget*>{Label20, chkOpenDestFolder, chkNoticeApp,
                                                      chkTurnOffComputer, chkPlaySound})
        eventsLayout->addWidget(w);
    eventsLayout->addStretch(1);
    eventsLayout->addWidget(lblEventsSettings);

    // Log page
    auto* l = new QVBoxLayout(TabLog);
    txtLog = Named(new QPlainTextEdit(TabLog), "txtLog");
    txtLog->setReadOnly(true);
    l->addWidget(txtLog);

    cGrid1 = Named(new cGrid(this), "cGrid1");
    lblCurrentTrack = Named(new QLabel(QStringLiteral("Ready."), this), "lblCurrentTrack");
    prgCurrnet = Named(new Glimmet(this), "prgCurrnet");
    prgTotal = Named(new Glimmet(this), "prgTotal");
    lblFilesToConvert = Named(new QLabel(QStringLiteral("Files: 0/15"), this), "lblFilesToConvert");
    lblTimeLeft = Named(new QLabel(QStringLiteral("Time Left: 00:00:00"), this), "lblTimeLeft");
    auto* counters = new QHBoxLayout();
    counters->addWidget(lblFilesToConvert);
    counters->addStretch(1);
    counters->addWidget(lblTimeLeft);
    if (design.tracksFrame) {
        // The grid only holds the tracks; the progress block sits above the pages.
        cGrid1->setVisible(false);
        body->setStretchFactor(cTabControl1, 1);
        body->insertLayout(0, counters);
        body->insertWidget(1, prgTotal);
        body->insertWidget(2, lblCurrentTrack);
        body->insertWidget(3, prgCurrnet);
    } else {
        cGrid1->setMinimumHeight(140);
        body->addWidget(cGrid1, 1);
        body->addWidget(lblCurrentTrack);
        body->addWidget(prgCurrnet);
        body->addWidget(prgTotal);
        body->addLayout(counters);
    }

    cmdConvert = Named(new QPushButton(design.runButtonCaption, this), "cmdConvert");
    cmdAbort = Named(new QPushButton(QStringLiteral("Abort"), this), "cmdAbort");
    cmdExit = Named(new QPushButton(QStringLiteral("Exit"), this), "cmdExit");
    auto* buttons = new QHBoxLayout();
    buttons->addStretch(1);
    buttons->addWidget(cmdConvert);
    buttons->addWidget(cmdAbort);
    buttons->addWidget(cmdExit);
    body->addLayout(buttons);

    if (design.tracksFrame) {
        auto* line = new QFrame(this);
        line->setFrameShape(QFrame::HLine);
        line->setFrameShadow(QFrame::Sunken);
        root->addWidget(line);
    }
    cStatusBar1 = Named(new cStatusBar(this), "cStatusBar1");
    cStatusBar1->setSizeGripEnabled(false);
    root->addWidget(cStatusBar1);

    connect(cmdConvert, &QPushButton::clicked, this, &frmBatchTool::cmdConvert_Click);
    connect(cmdAbort, &QPushButton::clicked, this, &frmBatchTool::cmdAbort_Click);
    connect(cmdExit, &QPushButton::clicked, this, &frmBatchTool::cmdExit_Click);
    connect(chkCreateSubFolder, &QCheckBox::clicked, this, &frmBatchTool::chkCreateSubFolder_Click);
    connect(cTabControl1, &cTabControl::TabClick, this, &frmBatchTool::cTabControl1_TabClick);
    connect(txtToPath, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0) txtToPath_Click();
    });
    connect(cboFileName, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0) cboFileName_Click();
    });
    connect(lblSetAsDefaultDestination, &cLinkLabel::clicked, this,
            &frmBatchTool::lblSetAsDefaultDestination_Click);
    connect(lblSetAsDefaultFileName, &cLinkLabel::clicked, this,
            &frmBatchTool::lblSetAsDefaultFileName_Click);
    connect(cmdSelectPath, &QPushButton::clicked, this, &frmBatchTool::cmdSelectPath_Click);
    connect(lblOpenDestinationDestinationFolder, &cLinkLabel::clicked, this,
            &frmBatchTool::lblOpenDestinationDestinationFolder_Click);
    connect(lblEventsSettings, &cLinkLabel::clicked, this, &frmBatchTool::lblEventsSettings_Click);
    connect(lblParameters, &cLinkLabel::clicked, this, &frmBatchTool::lblParameters_Click);
}

// Every chrome call of the window is here, so that a shared chrome helper can
// take over in one place.
void frmBatchTool::ApplyChrome() {
    dialogs::SetFormIcon(this, m_iconName, true);
    dialogs::chrome::ApplyTitleStrip(picTitle, {lblTitle});
    dialogs::chrome::ApplyView({this, TabSettings, TabEvents, TabLog, chkPlaySound, chkOpenDestFolder,
                                chkTurnOffComputer, chkNoticeApp, chkCreateSubFolder, chkOverWrite},
                               picTitle, QList<QWidget*>{this, TabSettings, TabEvents, TabLog});
    prgCurrnet->setBarColor(settings::g_lAppColor);
    prgTotal->setBarColor(settings::g_lAppColor);
}

void frmBatchTool::Form_Load() {
    ApplyChrome();

    cTabControl1->setImageList(m_imgMenu);
    cTabControl1->AddTab(m_design.settingsTabCaption, m_design.settingsTabIcon, 1,
                         QStringLiteral("Settings"));
    cTabControl1->AddTab(QStringLiteral("Events        "), 10, 1, QStringLiteral("Events"));
    cTabControl1->AddTab(QStringLiteral("Log             "), 36, 1, QStringLiteral("Log"));
    HideTabPages();
    TabSettings->setVisible(true);

    listviews::InitGridColumns(*cGrid1, m_imgMenu, itemlists::GridVariant::Tool);

    dialogs::LoadPathHistory(txtToPath);
    if (txtToPath->count() == 0 || txtToPath->currentText().isEmpty())
        txtToPath->setEditText(core::ProgramFolder() + QStringLiteral("/Main/"));

    LoadFileNameFormats();
    if (!settings::g_sFileNameFormat.isEmpty())
        cboFileName->setCurrentIndex(cboFileName->findText(settings::g_sFileNameFormat, Qt::MatchExactly));
    else if (cboFileName->count() > 1)
        cboFileName->setCurrentIndex(1);

    LoadFormatArea();
    SetEndBoxesFromSettings();

    cStatusBar1->AddPanel(0, QString(), QString(), -1, 200, false, false, 0, QStringLiteral("Total Size"));
    cStatusBar1->AddPanel(0, QString(), QString(), -1, 64, false, false, 0, QStringLiteral("Total Time"));

    CheckUnderFolderEna();
    if (m_run) m_run->ResetCounters();
    // No button of a tool window is its default: Enter in the destination
    // field must neither eject a tray nor start a run.
    for (QPushButton* button : findChildren<QPushButton*>())
        button->setAutoDefault(false);
}

void frmBatchTool::HandOver(cGrid& mainGrid, const QString& listName, const QString& countSuffix,
                            bool markedOnly) {
    const qint32 n = listviews::GetMarkedCount(mainGrid);
    const qint64 s = listviews::TotalSeconds(mainGrid, true);
    lblFilesToConvert->setText(QString::number(n) + countSuffix);
    if (m_run)
        m_run->g_ltmrItemSecsTotal = static_cast<qint32>(qMin<qint64>(s, std::numeric_limits<qint32>::max()));
    cStatusBar1->setPanelText(QStringLiteral("Total Size"),
                              QStringLiteral("Total Time: ") + core::SecondsToTime(s));
    cStatusBar1->setPanelText(QStringLiteral("Total Time"),
                              QStringLiteral("Total Size: ") + listviews::GetTotalSize(mainGrid, true));
    txtUndeForlder->setText(listName);
    listviews::CopyGridRows(mainGrid, *cGrid1, markedOnly);
}

void frmBatchTool::LoadFileNameFormats() {
    const QString file = core::ProgramFolder() + QStringLiteral("/FileNameFormats.txt");
    if (QFileInfo(file).isFile()) dialogs::LoadListFileToCombo(file, cboFileName);
}

void frmBatchTool::SetEndBoxesFromSettings() {
    chkNoticeApp->setChecked(BoolToCheckValue(settings::g_bNoticeApp) == 1);
    chkOpenDestFolder->setChecked(BoolToCheckValue(settings::g_bOpenDestFolder) == 1);
    chkPlaySound->setChecked(BoolToCheckValue(settings::g_bPlaySound) == 1);
    chkTurnOffComputer->setChecked(BoolToCheckValue(settings::g_bTurnOffComputer) == 1);
}

// --- run buttons ------------------------------------------------------------------

void frmBatchTool::cmdConvert_Click() {
    if (!m_run || !m_run->Start(Request())) return;
    txtToPath->setEditText(m_run->Destination());
    RememberDestination();
}

core::BatchRequest frmBatchTool::Request() const {
    core::BatchRequest r;
    for (qint32 row = 1; row <= RowCount(); ++row)
        r.rows << itemlists::BatchItemFromCells([this, row](const QString& key) { return Cell(row, key); },
                                                RowMark(row));
    r.destination = txtToPath->currentText();
    r.createSubFolder = chkCreateSubFolder->isChecked();
    r.subFolderName = txtUndeForlder->text();
    r.overwrite = m_design.honourOverwriteBox && chkOverWrite->isChecked();
    r.fileNameTemplate = cboFileName->currentText();
    r.output = RunOutput();
    return r;
}

core::RunOutput frmBatchTool::RunOutput() const {
    return settings::OutputForFormat(TargetFormatText());
}

void frmBatchTool::cmdAbort_Click() {
    for (core::Job* job : m_jobs)
        if (job->IsRunning()) {
            job->cmdAbort_Click();
            return;
        }
}

bool frmBatchTool::IsJobRunning() const {
    for (const core::Job* job : m_jobs)
        if (job->IsRunning()) return true;
    return false;
}

void frmBatchTool::cmdExit_Click() {
    close();
}

bool frmBatchTool::Form_Unload() {
    if (IsJobRunning()) return false; // a job is running: Abort is the way out
    if (!m_unloaded) Unload();
    m_unloaded = true;
    return true;
}

void frmBatchTool::Unload() {
    if (m_component) m_component->Close();
}

void frmBatchTool::closeEvent(QCloseEvent* event) {
    if (!Form_Unload()) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void frmBatchTool::reject() {
    if (Form_Unload()) QDialog::reject();
}

// --- pages and links --------------------------------------------------------------

void frmBatchTool::chkCreateSubFolder_Click() {
    CheckUnderFolderEna();
}

void frmBatchTool::CheckUnderFolderEna() {
    if (chkCreateSubFolder->isChecked()) {
        txtUndeForlder->setEnabled(true);
        txtUndeForlder->setFocus();
        txtUndeForlder->selectAll();
    } else {
        txtUndeForlder->setEnabled(false);
    }
}

void frmBatchTool::HideTabPages() {
    TabSettings->setVisible(false);
    TabEvents->setVisible(false);
    TabLog->setVisible(false);
}

void frmBatchTool::cTabControl1_TabClick(qint32 /*lTab*/) {
    HideTabPages();
    const QString key = cTabControl1->TabKey(cTabControl1->SelectedTab());
    if (key == u"Settings")
        TabSettings->setVisible(true);
    else if (key == u"Events")
        TabEvents->setVisible(true);
    else if (key == u"Log")
        TabLog->setVisible(true);
}

void frmBatchTool::txtToPath_Click() {
    lblSetAsDefaultDestination->setEnabled(false);
    if (txtToPath->currentIndex() >= 1) lblSetAsDefaultDestination->setEnabled(true);
}

void frmBatchTool::cboFileName_Click() {
    lblSetAsDefaultFileName->setEnabled(false);
    if (cboFileName->currentText() != settings::g_sFileNameFormat) lblSetAsDefaultFileName->setEnabled(true);
}

void frmBatchTool::RememberDestination() {
    const QString text = txtToPath->currentText();
    dialogs::SavePathHistory(txtToPath);
    dialogs::LoadPathHistory(txtToPath);
    // An unreadable history must not lose the folder.
    if (txtToPath->currentText() != text) txtToPath->setEditText(text);
    // A path longer than the box shows from its start, not from a cut somewhere in its middle.
    if (QLineEdit* edit = txtToPath->lineEdit()) edit->setCursorPosition(0);
}

void frmBatchTool::lblSetAsDefaultDestination_Click() {
    if (!lblSetAsDefaultDestination->isEnabled()) return;
    RememberDestination();
    lblSetAsDefaultDestination->setEnabled(false);
}

void frmBatchTool::StoreGeneralDefault(const QString& valueName, const QString& text) {
    core::RegistryRoutines reg;
    reg.setHkey(core::HKEY_LOCAL_MACHINE);
    reg.setKeyRoot(QStringLiteral("SOFTWARE\\") + core::g_sCompany + QStringLiteral("\\") +
                   core::g_sProductName);
    reg.setSubkey(QStringLiteral("General"));
    reg.SetRegistryValue(valueName, text,
                         core::REG_SZ); // held until exit even when the key cannot be written
    frmOptions* options = frmOptions::instance();
    if (valueName == u"cboTargetFormat") {
        if (options && options->cboTargetFormat)
            options->cboTargetFormat->setCurrentIndex(
                options->cboTargetFormat->findText(text, Qt::MatchExactly));
        settings::g_sTargetFormat = text;
    } else if (valueName == u"cboFileName") {
        if (options && options->cboFileName)
            options->cboFileName->setCurrentIndex(options->cboFileName->findText(text, Qt::MatchExactly));
        settings::g_sFileNameFormat = text;
    }
}

QString frmBatchTool::TargetFormatText() const {
    return cboTargetFormat ? cboTargetFormat->currentText() : QString();
}

void frmBatchTool::AddTargetFormatRow(QGridLayout* grid, int row) {
    QWidget* area = grid->parentWidget();
    Label5 = new QLabel(QStringLiteral("Audio Format:"), area);
    Label5->setObjectName(QStringLiteral("Label5"));
    cboTargetFormat = new QComboBox(area);
    cboTargetFormat->setObjectName(QStringLiteral("cboTargetFormat"));
    cmdEditTargetFormat = new QPushButton(QStringLiteral("Edit"), area);
    cmdEditTargetFormat->setObjectName(QStringLiteral("cmdEditTargetFormat"));
    cmdEditTargetFormat->setToolTip(QStringLiteral("Edit Target Audio Formats"));
    lblSetAsDefaultFormat = new cLinkLabel(QStringLiteral("Set as default"), area);
    lblSetAsDefaultFormat->setObjectName(QStringLiteral("lblSetAsDefaultFormat"));
    lblSetAsDefaultFormat->setToolTip(QStringLiteral("Set as default format"));
    grid->addWidget(Label5, row, 0);
    grid->addWidget(cboTargetFormat, row, 1);
    grid->addWidget(lblSetAsDefaultFormat, row, 2);
    grid->addWidget(cmdEditTargetFormat, row, 3);

    connect(cboTargetFormat, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0) cboTargetFormat_Click();
    });
    connect(cmdEditTargetFormat, &QPushButton::clicked, this, &frmBatchTool::cmdEditTargetFormat_Click);
    connect(lblSetAsDefaultFormat, &cLinkLabel::clicked, this, &frmBatchTool::lblSetAsDefaultFormat_Click);
}

void frmBatchTool::LoadTargetFormatRow() {
    if (!cboTargetFormat) return;
    {
        // Filling is no choice: the link is computed for the entry chosen below only.
        const QSignalBlocker block(cboTargetFormat);
        dialogs::FillDestinationFormats(cboTargetFormat);
        cboTargetFormat->setCurrentIndex(-1);
    }
    frmOptions* options = frmOptions::instance();
    const QString wanted = options && options->cboTargetFormat ? options->cboTargetFormat->currentText()
                                                               : settings::g_sTargetFormat;
    cboTargetFormat->setCurrentIndex(cboTargetFormat->findText(wanted, Qt::MatchExactly));
}

void frmBatchTool::cboTargetFormat_Click() {
    lblSetAsDefaultFormat->setEnabled(cboTargetFormat->currentText() != settings::g_sTargetFormat);
}

void frmBatchTool::lblSetAsDefaultFormat_Click() {
    if (!lblSetAsDefaultFormat->isEnabled()) return;
    StoreGeneralDefault(QStringLiteral("cboTargetFormat"), cboTargetFormat->currentText());
    lblSetAsDefaultFormat->setEnabled(false);
}

void frmBatchTool::cmdEditTargetFormat_Click() {
    if (openAudioFormat) openAudioFormat(this, cboTargetFormat->currentText().left(3));
    // The dialog's OK chose the Options dialog's format; the window follows it
    // and keeps it as the default, however the dialog was closed.
    frmOptions* options = frmOptions::instance();
    if (options && options->cboTargetFormat)
        cboTargetFormat->setCurrentIndex(options->cboTargetFormat->currentIndex());
    StoreGeneralDefault(QStringLiteral("cboTargetFormat"), cboTargetFormat->currentText());
    lblSetAsDefaultFormat->setEnabled(false);
}

void frmBatchTool::lblSetAsDefaultFileName_Click() {
    if (!lblSetAsDefaultFileName->isEnabled()) return;
    StoreGeneralDefault(QStringLiteral("cboFileName"), cboFileName->currentText());
    lblSetAsDefaultFileName->setEnabled(false);
}

void frmBatchTool::cmdSelectPath_Click() {
    QString folder = dialogs::BrowseForFolder(QStringLiteral("Select a new directory"),
                                              txtToPath->currentText(), this, true, QString(), true, false);
    if (folder.isEmpty()) return;
    txtToPath->setEditText(core::WithClosingSlash(folder));
    RememberDestination();
}

void frmBatchTool::lblOpenDestinationDestinationFolder_Click() {
    if (!txtToPath->currentText().endsWith(u'/')) txtToPath->setEditText(txtToPath->currentText() + u'/');
    const QString folder = txtToPath->currentText() +
                           core::GetUnderFolder(chkCreateSubFolder->isChecked(), txtUndeForlder->text());
    if (!core::IsFolder(folder)) {
        const QString title = m_design.productNameTitles ? core::g_sProductName : core::AppTitle();
        const int answer = core::services().msgBox(
            this,
            QStringLiteral("The folder ") + folder + QStringLiteral(" does not exist.") + QString(44, u' ') +
                QStringLiteral("\r\n\r\nWould you like to create it?"),
            core::vbYesNo | core::vbInformation, title);
        if (answer != core::vbYes) return;
        if (core::CreateFolderTree(folder) != 0)
            core::services().msgBox(
                this, QStringLiteral("The path: ") + folder + QStringLiteral(" cannot be created."),
                core::vbOKOnly, title);
        else
            RememberDestination();
    }
    core::ShellOpen(this, folder);
}

void frmBatchTool::lblEventsSettings_Click() {
    if (openEventsOptions) openEventsOptions(this);
    SetEndBoxesFromSettings();
}

void frmBatchTool::lblParameters_Click() {
    if (openProgParameters) openProgParameters(this, 2);
}

// --- the grid and the boxes ----------------------------------------------------------

qint32 frmBatchTool::RowCount() const {
    return cGrid1->Rows();
}

QString frmBatchTool::Cell(qint32 row, const QString& key) const {
    const qint32 col = cGrid1->ColumnIndex(key);
    return col > 0 ? cGrid1->CellText(row, col) : QString();
}

qint32 frmBatchTool::RowMark(qint32 row) const {
    const qint32 col = cGrid1->ColumnIndex(itemlists::COL_INC);
    return col > 0 ? cGrid1->CellIcon(row, col) : 0;
}

bool frmBatchTool::EndEventChecked(const QString& box) const {
    const auto* check = findChild<QCheckBox*>(box);
    return check && check->isChecked();
}

void frmBatchTool::ShowLogPage() {
    cTabControl1->SelectTab(QStringLiteral("Log"));
    cTabControl1_TabClick(cTabControl1->TabIndex(QStringLiteral("Log")));
}

} // namespace toolframe
