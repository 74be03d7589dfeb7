// The main window's controls, toolbars and tool buttons as they are built,
// and the layout and view that the window size and the View settings give them.
#include "mainwindow/frmMain.h"

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
#include "core/Services.h"
#include "core/mdlFunctions.h"
#include "core/mdlModes.h"
#include "dialogs/WindowChrome.h"
#include "dialogs/frmAbout.h"
#include "dialogs/frmFileCopy.h"
#include "dialogs/frmNotes.h"
#include "dialogs/mdlCommDialog.h"
#include "dialogs/mdlOnTop.h"
#include "dialogs/mdlSetFormIcon32.h"
#include "dialogs/mdlTransparent.h"
#include "itemlists/ItemRows.h"
#include "itemlists/ItemsListFile.h"
#include "listviews/AudioCDSource.h"
#include "listviews/HandOver.h"
#include "listviews/ItemsGrid.h"
#include "listviews/ItemsTree.h"
#include "listviews/frmDirProperties.h"
#include "listviews/frmItem.h"
#include "mainwindow/ToolsTable.h"
#include "mainwindow/frmMainParts.h"
#include "mainwindow/mdlMenus.h"
#include "options/frmOptions.h"
#include "options/frmProgParameters.h"
#include "settings/SettingsVariables.h"

#include <algorithm>

#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QSplitter>
#include <QTimer>
#include <QVBoxLayout>

using namespace mainwindow::parts;

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
    m_cTree = new listviews::ItemsTree(*cTreeView1, *cGrid1, this, this);
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
        listviews::ShowItemsListProperties(*m_cTree, *cTreeView1,
                                           cStatusBar1->PanelText("Items List Properties"), this);
    };
    // The Item Properties window's "Parameters" link opens the tag tokens' page.
    frmItem::ShowID3TagParameters = [](QWidget* owner) { options::ShowProgParameters(owner, 1); };

    m_cCDs = new listviews::AudioCDSource(*m_cTree, *cTreeView1, *cGrid1, *cAudioCDRipper1, this, this);
    m_cCDs->setObjectName("m_cCDs");
    m_cCDs->RunFreeDB = [this] { RunCommand("FreeDB"); };
    connect(cAudioCDRipper1, &components::cAudioCDRipper::Error, m_cCDs,
            &listviews::AudioCDSource::cAudioCDRipper1_RipError);
    link.LoadAudioCD = [this](const QString& sDrive) { m_cCDs->LoadAudioCD(sDrive); };
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
    mainwindow::CreateMenus(*m_cMenu, this, imgMenu);
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
    for (const QString& key : mainwindow::ToolButtonOrder())
        if (const mainwindow::ToolInfo* tool = mainwindow::FindTool(key); tool && mainwindow::Offered(*tool))
            AddToolButton(tool->caption, tool->icon);

    // The design width fits the captions in the design font; with a wider
    // desktop font the column grows so that no caption is cut.
    int extra = 0;
    for (qsizetype i = 2; i < cmdTools.size(); ++i)
        if (cmdTools[i]) extra = std::max(extra, cmdTools[i]->sizeHint().width() - cmdTools[i]->width());
    if (extra <= 0) return;
    for (qsizetype i = 1; i < cmdTools.size(); ++i) {
        if (cmdTools[i]) cmdTools[i]->resize(cmdTools[i]->width() + extra, cmdTools[i]->height());
        if (cmdToolsIcon.value(i)) cmdToolsIcon[i]->move(cmdToolsIcon[i]->x() + extra, cmdToolsIcon[i]->y());
    }
    picControl->setFixedWidth(picControl->minimumWidth() + extra);
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
    for (const mainwindow::ToolInfo& tool : mainwindow::Tools()) {
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
