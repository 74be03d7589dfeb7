#include "mainwindow/frmMain.h"

#include "components/DriveRegistry.h"
#include "components/cAudioCDRipper.h"
#include "components/cAudioConverter.h"
#include "components/cPlayer.h"
#include "controls/ControlColor.h"
#include "controls/cAudioGraph.h"
#include "controls/cGrid.h"
#include "controls/cImageList.h"
#include "controls/cPopupMenu.h"
#include "controls/cProgressBar.h"
#include "controls/cReBar.h"
#include "controls/cSlider.h"
#include "controls/cStatusBar.h"
#include "controls/cSysTray.h"
#include "controls/cToolbar.h"
#include "controls/cToolbarHost.h"
#include "core/AppPaths.h"
#include "core/ModalShow.h"
#include "core/PlatformCalls.h"
#include "core/RegistryRoutines.h"
#include "core/Services.h"
#include "core/WindowChrome.h"
#include "core/frmAbout.h"
#include "core/frmFileCopy.h"
#include "core/frmNotes.h"
#include "core/mdlCommDialog.h"
#include "core/mdlFileSystem.h"
#include "core/mdlFunctions.h"
#include "core/mdlMain.h"
#include "core/mdlModes.h"
#include "core/mdlOnTop.h"
#include "core/mdlSetFormIcon32.h"
#include "core/mdlTransparent.h"
#include "itemlists/AudioCDSource.h"
#include "itemlists/HandOver.h"
#include "itemlists/ItemRows.h"
#include "itemlists/ItemsGrid.h"
#include "itemlists/ItemsListFile.h"
#include "itemlists/ItemsTree.h"
#include "itemlists/RowOps.h"
#include "itemlists/TreeKeys.h"
#include "itemlists/frmDirProperties.h"
#include "itemlists/frmItem.h"
#include "itemlists/frmStat.h"
#include "mainwindow/ToolsTable.h"
#include "mainwindow/mdlMenus.h"
#include "settings/SettingsVariables.h"
#include "settings/frmOptions.h"
#include "settings/frmProgParameters.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMimeData>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>
#include <QSplitter>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <cmath>
#include <limits>
#ifndef QT_NO_SESSIONMANAGER
#include <QSessionManager>
#endif

namespace {

frmMain* s_instance = nullptr;

// Window size defaults and limits, in twips.
constexpr int kDefaultWidth = 13140;
constexpr int kDefaultHeight = 7440;
constexpr int kMinWidth = 3000;
constexpr int kMinHeight = 1000;
constexpr int kSmallWidthReplacement = 13740;

// Design sizes, in twips.
constexpr int kTreeWidth = 2535;
constexpr int kToolColumnWidth = 2535;
constexpr int kTitleHeight = 375;
constexpr int kCaptionStripHeight = 255;
constexpr int kPlayerHeight = 855;
constexpr int kTopHostHeight = 740;
constexpr int kRecorderHostHeight = 500;
constexpr int kListStripHeight = 400;

// The tool-button template's design place, in twips.
constexpr int kToolLeft = 120;
constexpr int kToolTop = 120;
constexpr int kToolWidth = 1815;
constexpr int kToolIconLeft = 1920;
constexpr int kToolIconWidth = 435;
constexpr int kToolHeight = 375;
constexpr int kToolGap = 20;

int px(int twips) {
    return core::TwipsToPixels(twips);
}

QString AppTitle() {
    return core::AppTitle();
}

// A stored size as a whole number; text that is no number counts as 0.
qint32 WholeNumber(const QVariant& value) {
    bool ok = false;
    const double number = value.toString().trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(number) || number > std::numeric_limits<qint32>::max() ||
        number < std::numeric_limits<qint32>::min())
        return 0;
    return static_cast<qint32>(std::lround(number));
}

bool on(qint32 edition) {
    return edition == 1;
}

using itemlists::IsCDNode;
using itemlists::IsMainNode;

// The tools of the tool-button column, in their order: caption (= command
// key), icon and edition switch.
QFrame* NewFrame(QWidget* parent, const char* name) {
    auto* frame = new QFrame(parent);
    frame->setObjectName(name);
    return frame;
}

QLabel* NewLabel(QWidget* parent, const char* name, const QString& text = QString()) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    return label;
}

void SetBackColor(QWidget* widget, qint64 colour) {
    if (widget) components::ApplyBackColor(widget, colour);
}

void SetTextColor(QLabel* label, qint64 colour) {
    components::ApplyTextColor(label, colour);
}

// Draws a picture file behind a widget; a missing or unreadable file changes nothing.
void SetBackPicture(QWidget* widget, const QString& file) {
    const QPixmap picture(file);
    if (!widget || picture.isNull()) return;
    QPalette palette = widget->palette();
    palette.setBrush(widget->backgroundRole(), QBrush(picture));
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

} // namespace

frmMain::frmMain(QWidget* parent) : QMainWindow(parent) {
    setObjectName("frmMain");
    // Closing the main window unloads it; the program ends with it.
    setAttribute(Qt::WA_DeleteOnClose);
    s_instance = this;
    core::setMainWindowHost(this);
    // Any size the user or the stored values give is taken; the controls
    // squeeze rather than hold the window bigger.
    setMinimumSize(1, 1);

    imgMenu = new cImageList(this);
    imgMenu->setObjectName("imgMenu");
    imgMenu->LoadStandardSet();
    imgGeneral = new cImageList(this);
    imgGeneral->setObjectName("imgGeneral");
    imgGeneral->LoadStandardSet();
    imgGeneral->setIconSize(QSize(26, 26));
    imgGrid = new cImageList(this);
    imgGrid->setObjectName("imgGrid");
    imgGrid->LoadGridSet();

    BuildControls();

    cSysTray1 = new cSysTray(this);
    cSysTray1->setObjectName("cSysTray1");
    connect(cSysTray1, &cSysTray::TrayClick, this, &frmMain::cSysTray1_TrayClick);

    cAudioConverter1 = new components::cAudioConverter(this);
    cAudioConverter1->setObjectName("cAudioConverter1");
    cAudioCDRipper1 = new components::cAudioCDRipper(this);
    cAudioCDRipper1->setObjectName("cAudioCDRipper1");

    tmrCDs = new QTimer(this);
    tmrCDs->setObjectName("tmrCDs");
    tmrCDs->setInterval(5000);
    connect(tmrCDs, &QTimer::timeout, this, &frmMain::tmrCDs_Timer);
    tmrRemove = new QTimer(this);
    tmrRemove->setObjectName("tmrRemove");
    tmrRemove->setInterval(50);
    connect(tmrRemove, &QTimer::timeout, this, &frmMain::tmrRemove_Timer);

    LinkItemsTree();
    BuildPlayer();

#ifndef QT_NO_SESSIONMANAGER
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager&) { SessionEnding(); });
#endif
    connect(qApp, &QCoreApplication::aboutToQuit, this, [this] {
        if (m_bUnloaded) return;
        m_bSessionEnding = true;
        bool cancel = false;
        Form_Unload(cancel);
    });
}

frmMain::~frmMain() {
    Form_Terminate();
    if (s_instance == this) s_instance = nullptr;
    if (core::mainWindowHost() == this) core::setMainWindowHost(nullptr);
}

frmMain* frmMain::instance() {
    return s_instance;
}

void frmMain::notesChanged() {
    if (cStatusBar1) cStatusBar1->setPanelText("Notes", GetNotesToStatus());
}

// ---------------------------------------------------------------------------
// Controls

void frmMain::BuildControls() {
    auto* central = new QWidget(this);
    central->setObjectName("centralWidget");
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(px(100), px(40), px(100), 0);
    layout->setSpacing(px(40));

    picTitle = NewFrame(central, "picTitle");
    picTitle->setAutoFillBackground(true);
    picTitle->setFixedHeight(px(kTitleHeight));
    auto* titleLayout = new QHBoxLayout(picTitle);
    titleLayout->setContentsMargins(8, 0, 8, 0);
    lblTitle = NewLabel(picTitle, "lblTitle");
    QFont titleFont = lblTitle->font();
    titleFont.setBold(true);
    lblTitle->setFont(titleFont);
    titleLayout->addWidget(lblTitle);
    layout->addWidget(picTitle);

    cToolbarHost1 = new cToolbarHost(central);
    cToolbarHost1->setObjectName("cToolbarHost1");
    picToolBarJPGPicHolder = NewLabel(cToolbarHost1, "picToolBarJPGPicHolder");
    picToolBarJPGPicHolder->hide();
    layout->addWidget(cToolbarHost1);

    splMain = new QSplitter(Qt::Horizontal, central);
    splMain->setObjectName("splMain");
    splMain->setChildrenCollapsible(false);
    splMain->setHandleWidth(px(100));
    splMain->addWidget(BuildTreePane());
    splMain->addWidget(BuildListPane());
    splMain->setStretchFactor(0, 0);
    splMain->setStretchFactor(1, 1);
    splMain->setSizes({px(kTreeWidth), px(15750 - kTreeWidth)});
    // The bar between tree and grid.
    splMain->handle(1)->setObjectName("picResizer");
    splMain->handle(1)->setCursor(Qt::SizeHorCursor);
    layout->addWidget(splMain, 1);

    setCentralWidget(central);

    // The status bar and its progress bar exist with the window; the load adds the panels.
    cStatusBar1 = new cStatusBar(this);
    cStatusBar1->setObjectName("cStatusBar1");
    connect(cStatusBar1, &cStatusBar::PanelClick, this, &frmMain::cStatusBar1_PanelClick);
    setStatusBar(cStatusBar1);
    prgStatus = new Glimmet(cStatusBar1);
    prgStatus->setObjectName("prgStatus");
    prgStatus->setMaximumWidth(px(2400));
    cStatusBar1->addPermanentWidget(prgStatus);
    prgStatus->hide();
}

QWidget* frmMain::BuildTreePane() {
    auto* pane = new QWidget(this);
    pane->setObjectName("paneTree");
    auto* layout = new QVBoxLayout(pane);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(1);

    picTitleProject = NewFrame(pane, "picTitleProject");
    picTitleProject->setAutoFillBackground(true);
    picTitleProject->setFixedHeight(px(kCaptionStripHeight) + 2);
    auto* captionLayout = new QHBoxLayout(picTitleProject);
    captionLayout->setContentsMargins(4, 0, 4, 0);
    lblProjects = NewLabel(picTitleProject, "lblProjects", "Items Lists");
    captionLayout->addWidget(lblProjects);
    layout->addWidget(picTitleProject);

    cTreeView1 = new cTreeView(pane);
    cTreeView1->setObjectName("cTreeView1");
    cTreeView1->setImageList(imgGrid);
    connect(cTreeView1, &cTreeView::NodeClick, this, &frmMain::cTreeView1_NodeClick);
    connect(cTreeView1, &cTreeView::AfterLabelEdit, this, &frmMain::cTreeView1_AfterLabelEdit,
            Qt::DirectConnection);
    layout->addWidget(cTreeView1, 1);

    froTreeControl = NewFrame(pane, "froTreeControl");
    auto* frameLayout = new QHBoxLayout(froTreeControl);
    frameLayout->setContentsMargins(0, 0, 0, 0);
    tlbrProjectsHost = new cToolbarHost(froTreeControl);
    tlbrProjectsHost->setObjectName("tlbrProjectsHost");
    frameLayout->addWidget(tlbrProjectsHost);
    layout->addWidget(froTreeControl);
    return pane;
}

QWidget* frmMain::BuildListPane() {
    auto* pane = new QWidget(this);
    pane->setObjectName("paneList");
    auto* layout = new QVBoxLayout(pane);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(1);

    // Caption strip above the grid and the tool-button column: the list's
    // name, then the places of the two graphs, the frequency graph flush right.
    picTitleList = NewFrame(pane, "picTitleList");
    picTitleList->setAutoFillBackground(true);
    picTitleList->setFixedHeight(px(kCaptionStripHeight) + 2);
    auto* captionLayout = new QHBoxLayout(picTitleList);
    captionLayout->setContentsMargins(4, 0, 0, 0);
    captionLayout->setSpacing(px(120));
    lblListName = NewLabel(picTitleList, "lblListName", "New Items List");
    // A click on the list's caption opens its properties.
    lblListName->installEventFilter(this);
    captionLayout->addWidget(lblListName, 1);
    cAudioGraphAmp = new cAudioGraph(picTitleList, cAudioGraph::LevelGraph);
    cAudioGraphAmp->setObjectName("cAudioGraphAmp");
    cAudioGraphAmp->setFixedWidth(px(2055));
    captionLayout->addWidget(cAudioGraphAmp);
    cAudioGraphFreq = new cAudioGraph(picTitleList, cAudioGraph::FrequencyGraph);
    cAudioGraphFreq->setObjectName("cAudioGraphFreq");
    cAudioGraphFreq->setFixedWidth(px(2175));
    captionLayout->addWidget(cAudioGraphFreq);
    layout->addWidget(picTitleList);

    auto* body = new QWidget(pane);
    body->setObjectName("paneListBody");
    auto* bodyLayout = new QHBoxLayout(body);
    bodyLayout->setContentsMargins(0, 0, 0, 0);
    bodyLayout->setSpacing(0);

    auto* gridColumn = new QWidget(body);
    gridColumn->setObjectName("paneGrid");
    auto* gridLayout = new QVBoxLayout(gridColumn);
    gridLayout->setContentsMargins(0, 0, 0, 0);
    gridLayout->setSpacing(0);

    cGrid1 = new cGrid(gridColumn);
    cGrid1->setObjectName("cGrid1");
    connect(cGrid1, &cGrid::OLEDragDrop, this, &frmMain::cGrid1_OLEDragDrop);
    // A grid whose drawing was left off (an empty list) is drawn again once it shows.
    connect(cGrid1, &cGrid::RedrawNeeded, this, &frmMain::cGrid1_RedrawNeeded);
    connect(cGrid1, &cGrid::MouseUp, this, &frmMain::cGrid1_MouseUp);
    connect(cGrid1, &cGrid::DblClick, this, &frmMain::cGrid1_DblClick);
    gridLayout->addWidget(cGrid1, 1);

    // The empty-list panel lies over the grid (outside the layout); files
    // dropped on it go to the grid's drop handler.
    picEmptyMsg = NewFrame(gridColumn, "picEmptyMsg");
    picEmptyMsg->setFrameShape(QFrame::StyledPanel);
    picEmptyMsg->setAutoFillBackground(true);
    picEmptyMsg->setMinimumSize(px(3615), px(735));
    picEmptyMsg->setAcceptDrops(true);
    picEmptyMsg->installEventFilter(this);
    auto* emptyLayout = new QVBoxLayout(picEmptyMsg);
    emptyLayout->setContentsMargins(4, 4, 4, 4);
    lblAddorDrag = NewLabel(picEmptyMsg, "lblAddorDrag", "Add or Drag and Drop audio files to here.");
    lblAddorDrag->setAlignment(Qt::AlignCenter);
    lblEmptylist = NewLabel(picEmptyMsg, "lblEmptylist", "Empty list.");
    lblEmptylist->setAlignment(Qt::AlignCenter);
    QFont emptyFont = lblEmptylist->font();
    emptyFont.setBold(true);
    lblEmptylist->setFont(emptyFont);
    emptyLayout->addWidget(lblEmptylist);
    emptyLayout->addWidget(lblAddorDrag);
    cGrid1->installEventFilter(this);

    picList = NewFrame(gridColumn, "picList");
    picList->setFixedHeight(px(kListStripHeight) + 4);
    rbrList = new cReBar(picList);
    rbrList->setObjectName("rbrList");
    gridLayout->addWidget(picList);

    froControl = NewFrame(gridColumn, "froControl");
    froControl->setFrameShape(QFrame::StyledPanel);
    froControl->setFixedHeight(px(kPlayerHeight));
    auto* playerLayout = new QHBoxLayout(froControl);
    playerLayout->setContentsMargins(px(120), 0, px(100), 0);
    playerLayout->setSpacing(px(200));
    cToolbarHostRecorder = new cToolbarHost(froControl);
    cToolbarHostRecorder->setObjectName("cToolbarHostRecorder");
    cToolbarHostRecorder->setFixedWidth(px(2175));
    playerLayout->addWidget(cToolbarHostRecorder);
    cSlider1 = new cSlider(froControl);
    cSlider1->setObjectName("cSlider1");
    playerLayout->addWidget(cSlider1, 1);
    picPlayTime = NewFrame(froControl, "picPlayTime");
    auto* timeLayout = new QHBoxLayout(picPlayTime);
    timeLayout->setContentsMargins(0, 0, 0, 0);
    lblCurrentPositionSec = NewLabel(picPlayTime, "lblCurrentPositionSec", "0:00:00");
    lbTotalLengthSec = NewLabel(picPlayTime, "lbTotalLengthSec", "0:00:00");
    timeLayout->addWidget(lblCurrentPositionSec);
    timeLayout->addWidget(NewLabel(picPlayTime, "lblTimeSeparator", "/"));
    timeLayout->addWidget(lbTotalLengthSec);
    playerLayout->addWidget(picPlayTime);
    gridLayout->addWidget(froControl);

    bodyLayout->addWidget(gridColumn, 1);

    picControl = NewFrame(body, "picControl");
    picControl->setFixedWidth(px(kToolColumnWidth));
    bodyLayout->addWidget(picControl);

    // Element 1 of each button array is the template made at design time.
    cmdTools = {nullptr};
    cmdToolsIcon = {nullptr};
    auto* toolTemplate = new QPushButton(picControl);
    toolTemplate->setObjectName("cmdTools_1");
    toolTemplate->setGeometry(px(kToolLeft), px(kToolTop), px(kToolWidth), px(kToolHeight));
    toolTemplate->hide();
    cmdTools.append(toolTemplate);
    auto* iconTemplate = new QPushButton(picControl);
    iconTemplate->setObjectName("cmdToolsIcon_1");
    iconTemplate->setGeometry(px(kToolIconLeft), px(kToolTop), px(kToolIconWidth), px(kToolHeight));
    iconTemplate->hide();
    cmdToolsIcon.append(iconTemplate);

    layout->addWidget(body, 1);
    return pane;
}

void frmMain::LinkItemsTree() {
    m_cTree = new itemlists::ItemsTree(*cTreeView1, *cGrid1, this, this);
    m_cTree->setObjectName("m_cTree");
    m_cTree->setImageLists(imgMenu, imgGrid);
    m_cTree->setConverter(cAudioConverter1);
    m_cTree->setRipper(cAudioCDRipper1);

    itemlists::MainWindowLink& link = m_cTree->link();
    link.PanelText = [this](const QString& panelKey, const QString& text) {
        cStatusBar1->setPanelText(panelKey, text);
    };
    link.SetListName = [this](const QString& text) { lblListName->setText(text); };
    link.SetCDPolling = [this](bool on) {
        if (on)
            tmrCDs->start();
        else
            tmrCDs->stop();
    };
    // IsPlaying is the preview player's (BuildPlayer).
    link.StopPlay = [this] {
        tlbrRecorder_ButtonClick(tlbrRecorder ? tlbrRecorder->ButtonIndex("Stop") : 0);
    };
    link.ShowProgress = [this](bool visible) { prgStatus->setVisible(visible); };
    link.SetProgress = [this](qint32 value, qint32 maximum) {
        prgStatus->setMax(maximum);
        prgStatus->setValue(value);
    };
    link.IsProgressVisible = [this] { return prgStatus->isVisibleTo(cStatusBar1); };
    link.EmptyPanel = [this](bool show, const QString& text) {
        if (!text.isEmpty()) lblAddorDrag->setText(text);
        if (show) PlaceEmptyMessage();
        picEmptyMsg->setVisible(show);
    };
    link.BusyPointer = [this](bool busy) {
        if (busy)
            setCursor(Qt::WaitCursor);
        else
            unsetCursor();
    };
    link.GetFileInfoToGridInfo = [this] { GetFileInfoToGridInfo(); };
    link.ShowItemsListProperties = [this] {
        itemlists::ShowItemsListProperties(*m_cTree, *cTreeView1,
                                           cStatusBar1->PanelText("Items List Properties"), this);
    };
    // The Item Properties window's "Parameters" link opens the tag tokens' page.
    frmItem::ShowID3TagParameters = [](QWidget* owner) { settings::ShowProgParameters(owner, 1); };

    m_cCDs = new itemlists::AudioCDSource(*m_cTree, *cTreeView1, *cGrid1, *cAudioCDRipper1, this, this);
    m_cCDs->setObjectName("m_cCDs");
    m_cCDs->RunFreeDB = [this] { RunCommand("FreeDB"); };
    connect(cAudioCDRipper1, &components::cAudioCDRipper::Error, m_cCDs,
            &itemlists::AudioCDSource::cAudioCDRipper1_RipError);
    link.LoadAudioCD = [this](const QString& sDrive) { m_cCDs->LoadAudioCD(sDrive); };
}

// ---------------------------------------------------------------------------
// Load

void frmMain::Form_Load() {
    // Registry object: the settings key of the product.
    m_reg = std::make_unique<core::RegistryRoutines>();
    m_reg->setHkey(core::HKEY_LOCAL_MACHINE);
    m_reg->setKeyRoot("SOFTWARE\\" + core::g_sCompany + "\\" + core::g_sProductName);

    // Tray icon, in the tray from here until the exit.
    cSysTray1->CreateIcon();
    cSysTray1->setToolTipText(AppTitle());
    cSysTray1->setIconFile(core::ProgramFolder() + "/SysIcon/systrayicon.png");

    // Window icons.
    core::SetFormIcon(this, "AAA", true);

    // Grid columns.
    itemlists::InitGridColumns(*cGrid1, imgGrid);

    // Status bar.
    BuildStatusBar();

    // Menus: from here on every command key exists.
    CreateMenus();

    // View: before the toolbars, whose hosts take its toolbar picture.
    SetAppView();

    // Player toolbar.
    BuildRecorderToolbar();
    // Tool-button column.
    BuildToolButtons();
    // Player toolbar host.
    cToolbarHostRecorder->AttachToolbar(tlbrRecorder);
    cToolbarHostRecorder->setFixedHeight(px(kRecorderHostHeight));
    // Top toolbar and its host.
    BuildTopToolbar();
    AttachWithBackground(cToolbarHost1, tlbrTop);
    cToolbarHost1->setFixedHeight(px(kTopHostHeight));
    // Items-lists toolbar and its host.
    BuildProjectsToolbar();
    AttachWithBackground(tlbrProjectsHost, tlbrProjects);
    // Items toolbar in the rebar.
    BuildListToolbar();

    // Caption.
    setWindowTitle(AppTitle());
    lblTitle->setText(AppTitle());

    // Tree: the items-lists root with its lists and the CD root with its drives.
    m_cTree->setTree();
    // First selection.
    SelectFirstNode();

    // Window size.
    m_reg->setSubkey("General");
    RestoreWindowSize();
    Form_Resize();
    m_bLoaded = true;

    frmOptions::WhenLoaded(this, [this](frmOptions* options) {
        connect(options, &frmOptions::settingsApplied, this, &frmMain::OptionsApplied);
        // A text colour picked in the dialog shows on the title at once.
        connect(options, &frmOptions::textColorPicked, this,
                [this](qint32 colour) { components::ApplyTextColor(lblTitle, colour); });
    });

    // A picture of the window on request, for checking its look without a screen.
    const QString shot = qEnvironmentVariable("CORVANE_SCREENSHOT");
    if (!shot.isEmpty()) {
        QTimer::singleShot(1500, this, [this, shot] {
            grab().save(shot, "PNG");
            settings::g_bDisplayMSGWhenExit = false;
            close();
        });
    }
}

void frmMain::BuildStatusBar() {
    // The panels, in their order; "Main" reads "Ready.".
    cStatusBar1->setImageList(imgMenu);
    cStatusBar1->AddPanel(0, QString(), QString(), 47, 120, false, false, 0, "Main");
    cStatusBar1->AddPanel(0, QString(), QString(), -1, 180, false, false, 0, "Items List Properties");
    cStatusBar1->AddPanel(0, GetNotesToStatus(), "Notes", 8, 250, false, false, 0, "Notes");
    cStatusBar1->AddPanel(0, "Master Volume", QString(), 79, 64, false, false, 0, "Master Volume");
    cStatusBar1->setPanelText("Main", "Ready.");
}

void frmMain::CreateMenus() {
    m_cMenu = new cPopupMenu(this);
    m_cMenu->setObjectName("m_cMenu");
    mainwin::CreateMenus(*m_cMenu, this, imgMenu);
    connect(m_cMenu, &cPopupMenu::Click, this, &frmMain::m_cMenu_Click);
}

void frmMain::BuildRecorderToolbar() {
    tlbrRecorder = new cToolbar(this);
    tlbrRecorder->setObjectName("tlbrRecorder");
    tlbrRecorder->setStyle(2);
    tlbrRecorder->SetImageList(imgGeneral);
    tlbrRecorder->CreateToolbar(26, false, true, true);
    tlbrRecorder->AddButton("Play", 13, 0, 0, QString(), cToolbar::StyleDropDown, "Play");
    tlbrRecorder->AddButton("", -1, 0, 0, QString(), cToolbar::StyleSeparator);
    tlbrRecorder->AddButton("Pause", 16, 0, 0, QString(), cToolbar::StyleCheck, "Pause");
    tlbrRecorder->AddButton("", -1, 0, 0, QString(), cToolbar::StyleSeparator);
    tlbrRecorder->AddButton("Stop", 14, 0, 0, QString(), cToolbar::StyleNormal, "Stop");
    tlbrRecorder->AddButton("", -1, 0, 0, QString(), cToolbar::StyleSeparator);
    connect(tlbrRecorder, &cToolbar::ButtonClick, this, &frmMain::tlbrRecorder_ButtonClick);
    connect(tlbrRecorder, &cToolbar::ButtonDropDown, this, &frmMain::tlbrRecorder_ButtonDropDown);
}

void frmMain::BuildToolButtons() {
    // The templates move out of sight; the loaded buttons start above their design place.
    for (QPushButton* button : {cmdTools.value(1), cmdToolsIcon.value(1)}) {
        if (!button) continue;
        button->move(button->x(), -(button->y() + px(200)));
    }
    for (const QString& key : mainwin::ToolButtonOrder())
        if (const mainwin::ToolInfo* tool = mainwin::FindTool(key); tool && mainwin::Offered(*tool))
            AddToolButton(tool->caption, tool->icon);
}

void frmMain::AddToolButton(const QString& caption, qint32 icon) {
    const qint32 n = static_cast<qint32>(cmdTools.size());
    QPushButton* previous = cmdTools.value(n - 1);
    QPushButton* previousIcon = cmdToolsIcon.value(n - 1);
    if (!previous || !previousIcon) return;

    auto* button = new QPushButton(caption, picControl);
    button->setObjectName(QStringLiteral("cmdTools_%1").arg(n));
    button->setToolTip(caption);
    button->setAccessibleName(caption);
    button->setGeometry(previous->x(), previous->y() + previous->height() + px(kToolGap), previous->width(),
                        previous->height());
    connect(button, &QPushButton::clicked, this, [this, n] { cmdTools_Click(n); });
    button->show();
    cmdTools.append(button);

    auto* iconButton = new QPushButton(picControl);
    iconButton->setObjectName(QStringLiteral("cmdToolsIcon_%1").arg(n));
    iconButton->setIcon(imgMenu->ItemPicture(icon + 1));
    // Icon-only: screen readers and desktop automation find it by the tool's name.
    iconButton->setAccessibleName(caption);
    iconButton->setGeometry(previousIcon->x(), previousIcon->y() + previousIcon->height() + px(kToolGap),
                            previousIcon->width(), previousIcon->height());
    if (const auto colour = core::chrome::ViewBackColour()) SetBackColor(iconButton, *colour);
    iconButton->show();
    cmdToolsIcon.append(iconButton);
}

void frmMain::BuildTopToolbar() {
    tlbrTop = new cToolbar(this);
    tlbrTop->setObjectName("tlbrTop");
    tlbrTop->setStyle(2);
    tlbrTop->setSetting3(0);
    tlbrTop->setSetting1(true);
    tlbrTop->SetImageList(imgMenu);
    tlbrTop->CreateToolbar(16, false, true, true);
    tlbrTop->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    if (on(core::g_lAppIncItemsLists)) {
        tlbrTop->AddButton("Add Files(s) to The Items List", 2, 0, 0, "  Add File(s)  ",
                           cToolbar::StyleNormal, "Add");
        tlbrTop->AddButton("", -1, 0, 0, QString(), cToolbar::StyleSeparator);
    }
    tlbrTop->AddButton("Items List", 39, 0, 0, "Items List", cToolbar::StyleDropDown, "Items List");
    tlbrTop->AddButton("", -1, 0, 0, QString(), cToolbar::StyleSeparator);
    for (const mainwin::ToolInfo& tool : mainwin::Tools()) {
        if (tool.headlineId.isEmpty() || core::g_sAppMainTool != tool.headlineId) continue;
        tlbrTop->AddButton(tool.key, tool.headlineIcon, 0, 0, tool.headlineCaption, cToolbar::StyleNormal,
                           tool.key);
        break;
    }
    tlbrTop->AddButton("Tools", 19, 0, 0, "Tools", cToolbar::StyleDropDown, "Tools");
    tlbrTop->AddButton("", -1, 0, 0, QString(), cToolbar::StyleSeparator);
    tlbrTop->AddButton("Options", 9, 0, 0, "Options", cToolbar::StyleDropDown, "Options");
    tlbrTop->AddButton("", -1, 0, 0, QString(), cToolbar::StyleSeparator);
    tlbrTop->AddButton("Modes", 45, 0, 0, "Mode", cToolbar::StyleDropDown, "Mode");
    tlbrTop->AddButton("Help", 12, 0, 0, "Help", cToolbar::StyleDropDown, "Help");
    tlbrTop->setSetting4(0, true);
    connect(tlbrTop, &cToolbar::ButtonClick, this, &frmMain::tlbrTop_ButtonClick);
    connect(tlbrTop, &cToolbar::ButtonDropDown, this, &frmMain::tlbrTop_ButtonDropDown);
}

void frmMain::BuildProjectsToolbar() {
    tlbrProjects = new cToolbar(this);
    tlbrProjects->setObjectName("tlbrProjects");
    tlbrProjects->setStyle(2);
    tlbrProjects->setSetting3(0);
    tlbrProjects->setSetting1(true);
    tlbrProjects->SetImageList(imgMenu);
    tlbrProjects->CreateToolbar(16, false, true, true);
    tlbrProjects->AddButton("New Items List", 48, 0, 0, QString(), cToolbar::StyleNormal, "New Items List");
    tlbrProjects->AddButton("Rename Items List", 49, 0, 0, QString(), cToolbar::StyleNormal,
                            "Rename Items List");
    tlbrProjects->AddButton("Remove Items List", 50, 0, 0, QString(), cToolbar::StyleNormal,
                            "Remove Items List");
    tlbrProjects->AddButton("", -1, 0, 0, QString(), cToolbar::StyleSeparator);
    tlbrProjects->AddButton("Items List Properties", 51, 0, 0, QString(), cToolbar::StyleNormal,
                            "Items List Properties");
    tlbrProjects->setSetting4(0, true);
    connect(tlbrProjects, &cToolbar::ButtonClick, this, &frmMain::tlbrProjects_ButtonClick);
}

void frmMain::BuildListToolbar() {
    tlbrList = new cToolbar(this);
    tlbrList->setObjectName("tlbrList");
    tlbrList->setStyle(2);
    tlbrList->setSetting3(0);
    tlbrList->setSetting1(true);
    tlbrList->SetImageList(imgMenu);
    tlbrList->CreateToolbar(16, false, true, true);
    const auto button = [this](const QString& tooltip, qint32 icon, const QString& key) {
        tlbrList->AddButton(tooltip, icon, 0, 0, QString(), cToolbar::StyleNormal, key);
    };
    const auto separator = [this] { tlbrList->AddButton("", -1, 0, 0, QString(), cToolbar::StyleSeparator); };
    if (on(core::g_lAppIncItemsLists)) {
        button("Add File(s)", 2, "Add Files");
        separator();
    }
    button("Mark/Unmark All", 74, "MarkUnmark All");
    separator();
    button("Move Item Up", 0, "Move Up");
    button("Move Item Down", 1, "Move Down");
    separator();
    button("Move Item To First", 80, "Move To First");
    button("Move Item To Last", 81, "Move To Last");
    separator();
    button("Edit Item", 32, "Rename Item");
    separator();
    button("Save Item As", 5, "Save As");
    separator();
    button("Remove Item", 3, "Remove Item");
    button("Remove All", 27, "Clear the List");
    if (on(core::g_lAppIncCDRipper)) {
        separator();
        button("Get FreeDB Information About CD", 22, "FreeDB");
    }
    tlbrList->setSetting2(true);
    tlbrList->setSetting4(0, true);
    connect(tlbrList, &cToolbar::ButtonClick, this, &frmMain::tlbrList_ButtonClick);

    rbrList->setSetting1(1);
    rbrList->CreateRebar(picList);
    rbrList->AddBandByHwnd(tlbrList->hWnd(), QString(), false, false, "Toolbar1");
    rbrList->ApplyBand(0);
}

void frmMain::AttachWithBackground(cToolbarHost* host, cToolbar* toolbar) {
    // The theme's toolbar picture, when it has one, goes behind the toolbar.
    const QPixmap picture = picToolBarJPGPicHolder->pixmap();
    if (!picture.isNull() && picture.height() >= 1) {
        const QString file = core::ProgramFolder() + "/tbbg.bmp";
        if (picture.save(file, "BMP")) host->setBackgroundPicture(file);
    }
    host->AttachToolbar(toolbar);
}

void frmMain::SelectFirstNode() {
    const cTreeViewNode listsRoot = itemlists::g_cItemsListsNode;
    const cTreeViewNode cdsRoot = itemlists::g_cAudioCDsNode;
    if (on(core::g_lAppIncItemsLists)) {
        const cTreeViewNode first = listsRoot ? listsRoot.Children().Item(1) : cTreeViewNode();
        if (!first) {
            // No list: the command creates none while no list is selected,
            // so the grid stays empty.
            RunCommand("New Items List");
        } else {
            cTreeView1_NodeClick(first);
        }
    } else if (cdsRoot && cdsRoot.Children().Count() >= 1) {
        cTreeView1_NodeClick(cdsRoot.Children().Item(1));
    }
    PlaceEmptyMessage();
}

void frmMain::RestoreWindowSize() {
    if (!m_reg) return;
    const qint32 storedWidth = WholeNumber(m_reg->GetRegistryValue("lWidth", kDefaultWidth));
    const qint32 storedHeight = WholeNumber(m_reg->GetRegistryValue("lHeight", kDefaultHeight));
    const int width = storedWidth < kMinWidth ? kSmallWidthReplacement : storedWidth;
    const int height = storedHeight < kMinHeight ? kDefaultHeight : storedHeight;
    SetOuterSize(QSize(core::TwipsToPixels(width), core::TwipsToPixels(height)));
}

void frmMain::SetOuterSize(const QSize& outer) {
    // Before the window manager has framed the window its frame is unknown;
    // the size is corrected once it is, so the stored outer size does not
    // grow by a frame at every start. The layout's minimum must not hold the
    // window bigger than asked.
    const QSize frame = frameGeometry().size() - size();
    m_pendingOuterSize = outer;
    resize(outer - frame);
    ApplyPendingOuterSize();
}

void frmMain::ApplyPendingOuterSize() {
    if (!m_pendingOuterSize.isValid() || !isVisible()) return;
    const QSize frame = frameGeometry().size() - size();
    if (frame.width() <= 0 && frame.height() <= 0) return;
    const QSize target = m_pendingOuterSize - frame;
    m_pendingOuterSize = QSize();
    if (!(windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen))) resize(target);
}

bool frmMain::event(QEvent* event) {
    const bool result = QMainWindow::event(event);
    switch (event->type()) {
    case QEvent::Show:
    case QEvent::Move:
        ApplyPendingOuterSize();
        break;
    case QEvent::Resize:
        ApplyPendingOuterSize();
        if (m_bLoaded) Form_Resize();
        break;
    default:
        break;
    }
    return result;
}

bool frmMain::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lblListName && event->type() == QEvent::MouseButtonRelease) {
        RunCommand("Items List Properties");
        return true;
    }
    if (watched == cGrid1 && (event->type() == QEvent::Resize || event->type() == QEvent::Move)) {
        PlaceEmptyMessage();
    } else if (watched == picEmptyMsg) {
        if (event->type() == QEvent::DragEnter) {
            auto* drag = static_cast<QDragEnterEvent*>(event);
            if (drag->mimeData()->hasUrls()) drag->acceptProposedAction();
            return true;
        }
        if (event->type() == QEvent::Drop) {
            auto* drop = static_cast<QDropEvent*>(event);
            QStringList files;
            for (const QUrl& url : drop->mimeData()->urls())
                if (url.isLocalFile()) files << url.toLocalFile();
            drop->acceptProposedAction();
            if (!files.isEmpty()) cGrid1_OLEDragDrop(files, 1, 1, 0, 0, 0);
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void frmMain::RunCommandLineSwitches() {
    RunStartSwitches(core::Command());
}

void frmMain::SecondStart(const QString& commandLine) {
    if (m_bUnloaded) return;
    if (!m_bLoaded) {
        // Still loading: the hand-over waits until the window is there.
        QTimer::singleShot(100, this, [this, commandLine] { SecondStart(commandLine); });
        return;
    }
    // The running copy comes to the front, from the tray or the taskbar too.
    if (m_bInTray || isMinimized()) {
        setWindowState(Qt::WindowNoState);
        SetTrayOpenCaption("Hide");
        m_bInTray = false;
    }
    show();
    raise();
    activateWindow();
    RunStartSwitches(commandLine);
}

void frmMain::RunStartSwitches(const QString& switches) {
    // The whole argument text, lower-cased: no trimming, no further arguments.
    const QString commandLine = switches.toLower();
    if (commandLine == QLatin1String("-addfiles"))
        RunCommand("Add Files");
    else if (commandLine == QLatin1String("-addaudiocd"))
        SelectFirstAudioCD();
}

// ---------------------------------------------------------------------------
// Layout and view

void frmMain::Form_Resize() {
    if (isMinimized()) return;

    // Tree switch: a shown tree keeps the width the user gave it.
    QWidget* treePane = splMain->widget(0);
    if (treePane->isVisibleTo(this) && core::g_lAppShowTree == 0) {
        treePane->hide();
        splMain->handle(1)->hide();
    } else if (!treePane->isVisibleTo(this) && core::g_lAppShowTree == 1) {
        treePane->show();
        splMain->handle(1)->show();
        QList<int> sizes = splMain->sizes();
        if (sizes.size() == 2) {
            sizes[1] = qMax(0, sizes[0] + sizes[1] - px(kTreeWidth));
            sizes[0] = px(kTreeWidth);
            splMain->setSizes(sizes);
        }
    }

    if (m_cMenu) m_cMenu->setXPStyle(settings::g_bMenuXPStyle);
    picTitle->setVisible(settings::g_bDisplayTitle);
    froControl->setVisible(settings::g_bDisplayPlayer);
    PlaceEmptyMessage();
}

void frmMain::PlaceEmptyMessage() {
    if (!picEmptyMsg || !cGrid1) return;
    // Centred across the grid, as far below the grid's top as at design time.
    picEmptyMsg->adjustSize();
    const QRect grid = cGrid1->geometry();
    picEmptyMsg->move(grid.left() + qMax(0, (grid.width() - picEmptyMsg->width()) / 2),
                      grid.top() + qMin(px(2400 - 1485), qMax(0, grid.height() - picEmptyMsg->height())));
    picEmptyMsg->raise();
}

void frmMain::SetAppView() {
    // Title strips and their texts in the user's colours.
    for (QWidget* strip : {static_cast<QWidget*>(picTitle), static_cast<QWidget*>(picTitleList),
                           static_cast<QWidget*>(picTitleProject)})
        SetBackColor(strip, settings::g_lAppColor);
    for (QLabel* label : {lblTitle, lblListName, lblProjects})
        SetTextColor(label, settings::g_lTextColor);
    // The graphs: the application colour behind, the text colour for the bars.
    cAudioGraphAmp->setColor3(settings::g_lAppColor);
    cAudioGraphAmp->setColor2(settings::g_lTextColor);
    cAudioGraphFreq->setColor3(settings::g_lAppColor);
    cAudioGraphFreq->setColor1(settings::g_lTextColor);
    if (prgStatus) prgStatus->setBarColor(settings::g_lAppColor);

    if (const auto viewBack = core::chrome::ViewBackColour()) {
        const qint64 colour = *viewBack;
        {
            SetBackColor(this, colour);
            cSlider1->setBackColor(colour);
            SetBackColor(froControl, colour);
            cToolbarHostRecorder->setBackColor(colour);
            cToolbarHost1->setBackColor(colour);
            tlbrProjectsHost->setBackColor(colour);
            SetBackColor(splMain->handle(1), colour);
            SetBackColor(froTreeControl, colour);
            cStatusBar1->setBackColor(colour);
            SetBackColor(picControl, colour);
        }
    }

    const QString viewFolder = core::ProgramFolder() + "/View/";
    if (!core::g_sViewBackPicture.isEmpty()) {
        const QString file = viewFolder + core::g_sViewBackPicture;
        SetBackPicture(this, file);
        SetBackPicture(splMain->handle(1), file);
        SetBackPicture(picControl, file);
    }
    if (!core::g_sViewTitlePicture.isEmpty())
        SetBackPicture(picTitle, viewFolder + core::g_sViewTitlePicture);
    if (!core::g_sViewToolbarPicture.isEmpty()) {
        const QPixmap picture(viewFolder + core::g_sViewToolbarPicture);
        if (!picture.isNull()) picToolBarJPGPicHolder->setPixmap(picture);
    }
}

QString frmMain::GetNotesToStatus() const {
    const QString empty = QStringLiteral("Notes [ Empty ]");
    const QString file = core::ProgramFolder() + "/Notes";
    if (!QFileInfo::exists(file)) return empty;
    QString text = core::ReadTextFile(file);
    if (text.isEmpty() || text == QLatin1String("\r\n")) return empty;
    text.replace(QLatin1String("\r\n"), QLatin1String(" "));
    if (text.size() <= 36) return "Notes [ " + text + " ]";
    return "Notes [ " + text.left(35) + "..." + " ]";
}

// ---------------------------------------------------------------------------
// Commands

void frmMain::RunCommand(const QString& key) {
    if (m_cMenu) m_cMenu_Click(m_cMenu->IndexForKey(key));
}

QString frmMain::SelectedKey() const {
    return m_cTree ? m_cTree->SelectedKey() : QString();
}

void frmMain::LeaveOnTop() {
    // A window that is not on top is left alone: taking it out would show it again.
    if (windowFlags().testFlag(Qt::WindowStaysOnTopHint)) core::SetWindowOnTop(this, false);
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
    for (const mainwin::ToolInfo& tool : mainwin::Tools()) {
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
        core::SetWindowOnTop(this, false);
        core::ShowAbout(this);
    });
    c.insert("Notes", [this] {
        core::SetWindowOnTop(this, false);
        core::ShowNotes();
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
    pending << mainwin::ToolsWithoutWindow();
    return pending;
}

conversion::ToolLaunch frmMain::LaunchContext(const QString& key) {
    conversion::ToolLaunch launch;
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
    launch.addFilesToList = [this](const QStringList& files) {
        QStringList paths = files;
        frmStat* adding = frmStat::Load(this);
        adding->AddFilesToList(paths, *cGrid1, this, false, m_cTree->link());
        frmStat::Unload();
    };
    launch.saveShownList = [this] {
        m_cTree->SaveGridToFile();
        m_cTree->DisplayGridInfoStatusBar();
        cTreeView1_NodeClick(cTreeView1->SelectedItem());
    };
    return launch;
}

// The tool's row decides everything: its preconditions, what it is handed,
// whether CD polling pauses, and the function that opens its window.
void frmMain::RunTool(const QString& key) {
    const mainwin::ToolInfo* tool = mainwin::FindTool(key);
    if (!tool || !mainwin::Offered(*tool)) return;
    const cTreeViewNode selected = cTreeView1->SelectedItem();
    const mainwin::Refusal refusal =
        mainwin::CheckPreconditions(*tool, selected.isNull() ? QString() : selected.Key(), cGrid1->Rows(),
                                    itemlists::GetMarkedCount(*cGrid1));
    using Then = mainwin::Refusal::Then;
    if (refusal.then != Then::Open) {
        if (!refusal.text.isEmpty())
            core::services().msgBox(this, refusal.text, core::vbInformation, AppTitle());
        cTreeViewNode parent;
        if (refusal.then == Then::SelectFirstChild) parent = selected;
        if (refusal.then == Then::SelectFirstDrive && !itemlists::g_cAudioCDsNode.isNull()) {
            parent = itemlists::g_cAudioCDsNode;
            parent.setExpanded(true);
        }
        if (!parent.isNull()) {
            const cTreeViewNode first = parent.Children().Item(1);
            if (!first.isNull()) cTreeView1_NodeClick(first);
        }
        if (refusal.then == Then::AddFiles) RunCommand("Add Files");
        return;
    }
    conversion::ToolLaunch launch = LaunchContext(key);
    mainwin::FillHandOver(*tool, *cGrid1, selected.isNull() ? QString() : selected.Text(), launch);

    const mainwin::ToolOpen open = mainwin::ToolOpenFor(key);
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
    core::g_tOpenFileName.lpstrFilter = "Audio Files (*." + ext + ")" + QChar(0) + "*." + ext;
    core::g_tOpenFileName.lpstrTitle = "Save As";
    core::g_tOpenFileName.lpstrDefExt = ext;
    const core::tFileDialogResult result = core::ShowSaveDialog(this, itemName, -1);
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
    core::ShowFileCopy(this, source, dest);
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
    MarkAllItems(!itemlists::IsAnyItemMarked(*cGrid1));
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

void frmMain::SetOnTop(bool bVal) {
    // Taking a window that is not on top out would show it again (in the tray too).
    if (bVal || windowFlags().testFlag(Qt::WindowStaysOnTopHint)) core::SetWindowOnTop(this, bVal);
    if (tlbrTop) tlbrTop->setButtonChecked(tlbrTop->ButtonIndex("On Top"), bVal);
    if (m_cMenu) m_cMenu->setChecked(m_cMenu->IndexForKey("On Top"), bVal);
}

void frmMain::SetTransparent(bool bVal) {
    if (bVal)
        core::SetWindowAlpha(this, 90);
    else
        core::ClearWindowAlpha(this);
    if (tlbrTop) tlbrTop->setButtonChecked(tlbrTop->ButtonIndex("Transparent"), bVal);
    if (m_cMenu) m_cMenu->setChecked(m_cMenu->IndexForKey("Transparent"), bVal);
}

void frmMain::CmdTransparent() {
    const qint32 index = m_cMenu->IndexForKey("Transparent");
    SetTransparent(!m_cMenu->Checked(index));
}

void frmMain::CmdOnTop() {
    const qint32 index = m_cMenu->IndexForKey("On Top");
    const bool checked = m_cMenu->Checked(index);
    m_cMenu->setChecked(index, !checked);
    SetOnTop(!checked);
}

void frmMain::GoSysTray() {
    // Without a notification area a hidden window could not be reached again:
    // it is minimised instead, as a start with "-st" does.
    if (!cSysTray::IsAvailable()) {
        setWindowState((windowState() & ~Qt::WindowActive) | Qt::WindowMinimized);
        return;
    }
    setWindowState((windowState() & ~Qt::WindowActive) | Qt::WindowMinimized);
    hide();
    SetTrayOpenCaption("Show");
    m_bInTray = true;
}

void frmMain::CmdFreeDB() {
    LeaveOnTop();
    if (cGrid1->Rows() < 1) return;
    if (!IsCDNode(SelectedKey())) {
        core::services().msgBox(this,
                                QStringLiteral("Select the CD drive to get the information about.") +
                                    QString(18, QLatin1Char(' ')),
                                core::vbInformation, AppTitle());
        return;
    }
    const mainwin::ToolOpen open = mainwin::FreeDBOpen();
    setCursor(Qt::WaitCursor);
    open(LaunchContext("FreeDB"));
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
    core::ExecModal(options);
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

// ---------------------------------------------------------------------------
// Row operations

bool frmMain::IsPlaying() const {
    const itemlists::MainWindowLink& link = m_cTree->link();
    return link.IsPlaying && link.IsPlaying();
}

void frmMain::PressStop() {
    tlbrRecorder_ButtonClick(tlbrRecorder->ButtonIndex("Stop"));
}

void frmMain::cGrid1_MouseUp(qint32 Button, qint32 Shift, double X, double Y) {
    Q_UNUSED(Shift);
    if (Button == 2 && cGrid1->Rows() >= 1) {
        const qint32 x = static_cast<qint32>(std::lround(X));
        const qint32 y = static_cast<qint32>(std::lround(Y));
        // The grid reports the point in its own coordinates; the menu opens at the screen point.
        const QPoint at = cGrid1->mapToGlobal(QPoint(x, y));
        qint32 result = 0;
        m_cMenu->ShowPopupMenuEx(at.x(), at.y(), x, y, 0, 0, -1, m_cMenu->IndexForKey("MarkUnmark All"),
                                 result);
        return;
    }
    if (X > 300) return;
    LoadSelectedToPlayer();
    const qint32 row = cGrid1->SelectedRow();
    if (row < 1 || row > cGrid1->Rows()) return;
    const qint32 typeCol = cGrid1->ColumnIndex(itemlists::COL_TYPE);
    // A data track is neither marked nor unmarked by a click.
    if (cGrid1->CellIcon(row, typeCol) == itemlists::GetTypeIcon("Data")) return;
    if (cGrid1->SelectedCol() == 1) {
        const qint32 mark = cGrid1->CellIcon(row, 1) == itemlists::ICON_MARKED ? itemlists::ICON_UNMARKED
                                                                               : itemlists::ICON_MARKED;
        cGrid1->setCellIcon(row, 1, mark);
        m_cTree->SaveGridToFile();
    }
}

void frmMain::cGrid1_DblClick(qint32 lRow, qint32 lCol) {
    Q_UNUSED(lCol);
    itemlists::cGrid1_DblClick(*cGrid1, lRow, *m_cTree, imgMenu, this);
}

void frmMain::cGrid1_RedrawNeeded() {
    cGrid1->setRedraw(true);
}

void frmMain::MarkAllItems(bool bMark) {
    // Every row, data tracks included.
    const qint32 value = bMark ? itemlists::ICON_MARKED : itemlists::ICON_UNMARKED;
    const qint32 incCol = cGrid1->ColumnIndex(itemlists::COL_INC);
    cGrid1->setRedraw(false);
    for (qint32 row = 1; row <= cGrid1->Rows(); ++row)
        cGrid1->setCellIcon(row, incCol, value);
    cGrid1->setRedraw(true);
    m_cTree->SaveGridToFile();
}

void frmMain::ReplaceRow(qint32 lMove) {
    const qint32 s = cGrid1->SelectedRow();
    const qint32 t = s + lMove;
    cGrid1->setRedraw(false);
    // Only texts and the mark move; the type icon and the fonts stay in place.
    for (qint32 j = 2; j <= cGrid1->Columns(); ++j) {
        const QString kept = cGrid1->CellText(t, j);
        cGrid1->setCellText(t, j, cGrid1->CellText(s, j));
        cGrid1->setCellText(s, j, kept);
    }
    const qint32 keptMark = cGrid1->CellIcon(t, 1);
    cGrid1->setCellIcon(t, 1, cGrid1->CellIcon(s, 1));
    cGrid1->setCellIcon(s, 1, keptMark);
    // Whether the tags were edited goes with the tags.
    const bool keptEdited = itemlists::RowTagsEdited(*cGrid1, t);
    itemlists::SetRowTagsEdited(*cGrid1, t, itemlists::RowTagsEdited(*cGrid1, s));
    itemlists::SetRowTagsEdited(*cGrid1, s, keptEdited);
    cGrid1->setSelectedRow(t);
    cGrid1->setRedraw(true);
}

void frmMain::RemoveSelectedItems() {
    if (IsPlaying()) {
        PressStop();
        SetRowUnBold();
    }
    if (settings::g_bDisplayMSGWhenErase) {
        const qint32 row = cGrid1->SelectedRow();
        const QString name = cGrid1->CellText(row, cGrid1->ColumnIndex(itemlists::COL_ITEM_NAME));
        const QString prompt = "This operation will erase the " + name + " under the '" +
                               cTreeView1->SelectedItem().Text() + "'.\n\nContinue?";
        if (core::services().msgBox(this, prompt, core::vbInformation | core::vbYesNo, AppTitle()) !=
            core::vbYes)
            return;
    }
    cGrid1->setRedraw(false);
    if (cGrid1->Rows() > 0) {
        // The selection is read before any row goes: the grid moves its
        // selection onto a neighbour when a selected row is removed, and that
        // row must not be taken for one the user chose.
        const qint32 count = cGrid1->Rows();
        QList<qint32> removed;
        for (qint32 i = 1; i <= count; ++i)
            if (cGrid1->Cell(i, 1).Selected()) removed.append(i);
        for (qint32 r = 0; r < removed.size(); ++r)
            cGrid1->RemoveRow(removed[r] - r);
        // The records held back for missing files stay, at their places
        // among the rows that remain.
        itemlists::KeepRecordsAfterRemoval(m_cTree->holder(), removed);
        // The selection shows on a row that still exists; rows that remain
        // are never cleared away for want of a selection.
        const qint32 rows = cGrid1->Rows();
        if (rows < 1) {
            cGrid1->Clear();
        } else {
            qint32 selected = cGrid1->SelectedRow();
            if (selected < 1) selected = removed.isEmpty() ? 1 : removed.first();
            cGrid1->setSelectedRow(qBound(1, selected, rows));
        }
    }
    m_cTree->SaveGridToFile();
    m_cTree->DisplayGridInfoStatusBar();
    cGrid1->setRedraw(true);
    if (m_cTree->link().EmptyPanel) m_cTree->link().EmptyPanel(cGrid1->Rows() < 1, QString());
}

void frmMain::ClearTheList() {
    if (cGrid1->Rows() < 1) return;
    if (IsPlaying()) {
        PressStop();
        SetRowUnBold();
        // A player that does not stop keeps the list.
        if (IsPlaying()) return;
    }
    const QString prompt = "This operation will erase all the items under the '" +
                           cTreeView1->SelectedItem().Text() + "' list.\n\nAre you sure?";
    if (core::services().msgBox(this, prompt, core::vbExclamation | core::vbYesNo, AppTitle()) == core::vbYes)
        DoClearTheList();
}

void frmMain::SetRowBold(qint32 lRow, bool bBold) {
    QFont font("Tahoma", 8);
    font.setBold(bBold);
    for (qint32 col = 1; col <= cGrid1->Columns(); ++col)
        cGrid1->setCellFont(lRow, col, font);
}

void frmMain::SetRowUnBold() {
    const QFont font("Tahoma", 8);
    cGrid1->setRedraw(false);
    for (qint32 row = 1; row <= cGrid1->Rows(); ++row)
        for (qint32 col = 1; col <= cGrid1->Columns(); ++col)
            cGrid1->setCellFont(row, col, font);
    cGrid1->setRedraw(true);
}

// ---------------------------------------------------------------------------
// Toolbars, tool buttons, panels

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
    if (const mainwin::ToolInfo* tool = mainwin::FindTool(key); tool && !tool->headlineId.isEmpty()) {
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
    for (const mainwin::ToolInfo& tool : mainwin::Tools())
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

// ---------------------------------------------------------------------------
// Tree, grid, timers

void frmMain::OptionsApplied(bool listsFolderChanged) {
    if (listsFolderChanged) {
        m_cTree->setTree();
        // The first list of the new folder is selected and loaded: selecting it alone
        // would leave the old list's rows in the grid, to be saved into the new list.
        cTreeViewNode first = cTreeView1->Nodes().Item(2);
        if (!first.isNull()) {
            first.setSelected(true);
            cTreeView1_NodeClick(first);
        }
    }
    SetAppView();
    Form_Resize();
    cGrid1->setHotTrack(settings::g_bDisplayGridHotTrack);
    cGrid1->setGridLines(settings::g_bDisplayGridLine);
}

void frmMain::cTreeView1_NodeClick(cTreeViewNode node) {
    m_cTree->cTreeView1_NodeClick(node);
}

void frmMain::cTreeView1_AfterLabelEdit(cTreeViewNode node, const QString& newText, bool* cancel) {
    m_cTree->cTreeView1_AfterLabelEdit(node, newText, cancel);
}

void frmMain::cGrid1_OLEDragDrop(const QStringList& files, qint32 effect, qint32 button, qint32 shift,
                                 double x, double y) {
    m_cTree->cGrid1_OLEDragDrop(files);
    Q_UNUSED(effect);
    Q_UNUSED(button);
    Q_UNUSED(shift);
    Q_UNUSED(x);
    Q_UNUSED(y);
}

void frmMain::tmrCDs_Timer() {
    m_cCDs->tmrCDs_Timer();
}

void frmMain::tmrRemove_Timer() {
    tmrRemove->stop();
    if (m_sPendingRemove == QLatin1String("All"))
        ClearTheList();
    else if (m_sPendingRemove == QLatin1String("Item"))
        RemoveSelectedItems();
}

void frmMain::SelectFirstAudioCD() {
    m_cCDs->SelectFirstAudioCD();
}

// ---------------------------------------------------------------------------
// Tray

void frmMain::SetTrayOpenCaption(const QString& caption) {
    if (m_cMenu) m_cMenu->setCaption(m_cMenu->IndexForKey("RC Open"), caption);
}

void frmMain::cSysTray1_TrayClick(qint32 lButton) {
    if (lButton == 1) {
        const Qt::WindowStates state = windowState();
        if (state.testFlag(Qt::WindowMinimized) && m_bInTray) {
            // Back from the tray, always in the normal state.
            setWindowState(Qt::WindowNoState);
            show();
            raise();
            activateWindow();
            SetTrayOpenCaption("Hide");
            m_bInTray = false;
        } else if (!state.testFlag(Qt::WindowMinimized) && !state.testFlag(Qt::WindowMaximized) &&
                   !state.testFlag(Qt::WindowFullScreen)) {
            setWindowState(Qt::WindowMinimized);
            hide();
            SetTrayOpenCaption("Show");
            m_bInTray = true;
        } else if (state.testFlag(Qt::WindowMinimized)) {
            // Minimised to the taskbar: into the tray without showing it first.
            hide();
            setWindowState(Qt::WindowMinimized);
            SetTrayOpenCaption("Show");
            m_bInTray = true;
        }
        // Maximised: nothing happens.
    } else if (lButton == 2) {
        if (isVisible()) activateWindow();
        const QPoint pos = QCursor::pos();
        qint32 result = 0;
        if (m_cMenu) m_cMenu->ShowPopupMenu(pos.x(), pos.y(), m_cMenu->IndexForKey("RC Open"), -1, result);
    }
}

// ---------------------------------------------------------------------------
// Exit

void frmMain::closeEvent(QCloseEvent* event) {
    if (m_bUnloaded) {
        event->accept();
        return;
    }
    bool cancel = false;
    Form_Unload(cancel);
    if (cancel) {
        event->ignore();
        return;
    }
    event->accept();
}

void frmMain::SessionEnding() {
    if (m_bUnloaded) return;
    m_bSessionEnding = true;
    close();
}

void frmMain::Form_Unload(bool& cancel) {
    settings::g_bAppExiting = true;

    if (settings::g_bDisplayMSGWhenExit && !m_bSessionEnding) {
        const int answer =
            core::services().msgBox(this, "Are you sure you want to exit '" + AppTitle() + "' ?",
                                    core::vbYesNo | core::vbInformation, AppTitle());
        if (answer != core::vbYes) {
            cancel = true;
            settings::g_bAppExiting = false;
            return;
        }
    }

    LeaveOnTop();

    // Playback stops.
    if (tlbrRecorder) tlbrRecorder_ButtonClick(tlbrRecorder->ButtonIndex("Stop"));

    // The selected list is emptied when the option asks for it; roots and CD
    // drives name no list file and are never touched.
    if (settings::g_bClearOnExit && cTreeView1) {
        const QString selected = SelectedKey();
        if (!selected.isEmpty() && !IsMainNode(selected) && !IsCDNode(selected)) DoClearTheList();
    }

    // Every other window unloads; the settings dialogs close for real now
    // that the exit flag is set.
    QList<QPointer<QWidget>> others;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget == this || !widget->isWindow()) continue;
        const Qt::WindowType type = widget->windowType();
        if (type == Qt::Popup || type == Qt::ToolTip || type == Qt::Desktop) continue;
        others.append(widget);
    }
    for (const QPointer<QWidget>& widget : others)
        if (widget) widget->close();

    // The temporary WAVs of the analyser and the speech tool; missing ones are fine.
    const QString folder = core::ProgramFolder();
    QFile::remove(folder + "/tmpeditor.wav");
    QFile::remove(folder + "/tmptts.wav");

    // The components let go of what they hold.
    tmrCDs->stop();
    tmrRemove->stop();
    ClosePlayer();
    cAudioConverter1->Close();
    mainwin::CloseFreeDBAtExit();
    cAudioCDRipper1->Close();

    // The outer size, whatever the window state.
    if (m_reg) {
        const QSize outer = frameGeometry().size();
        m_reg->setSubkey("General");
        m_reg->SetRegistryValue("lHeight", QString::number(core::PixelsToTwips(outer.height())),
                                core::REG_SZ);
        m_reg->SetRegistryValue("lWidth", QString::number(core::PixelsToTwips(outer.width())), core::REG_SZ);
    }
    m_reg.reset();

    cSysTray1->RemoveIcon();
    m_bUnloaded = true;
}

void frmMain::DoClearTheList() {
    const cTreeViewNode node = cTreeView1->SelectedItem();
    if (node.isNull()) return;
    // The playing row goes with the rest: playback stops first.
    if (cPlayer1->IsPlaying()) StopPlay();
    const QString key = node.Key();
    if (!IsMainNode(key) && !IsCDNode(key)) {
        // The emptied list holds one line break. The records kept for files
        // that could not be found go with the rest.
        m_cTree->ClearListFile(key);
    }
    cGrid1->Clear();
    cGrid1->setRedraw(true);
    cTreeView1_NodeClick(node);
}

void frmMain::Form_Terminate() {
    core::SetNoFaultErrorMode();
}
