// The main window: its creation, the load and the stored size, the start
// switches and the exit. Its other concerns have their own files: the
// commands, the list view, the layout and view, the tray and the modes.
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
#include "controls/cStatusBar.h"
#include "controls/cSysTray.h"
#include "controls/cToolbar.h"
#include "controls/cToolbarHost.h"
#include "core/AppPaths.h"
#include "core/PlatformCalls.h"
#include "core/RegistryRoutines.h"
#include "core/Services.h"
#include "core/mdlFunctions.h"
#include "core/mdlModes.h"
#include "dialogs/WindowChrome.h"
#include "dialogs/frmAbout.h"
#include "dialogs/frmFileCopy.h"
#include "dialogs/frmNotes.h"
#include "dialogs/mdlCommDialog.h"
#include "dialogs/mdlMain.h"
#include "dialogs/mdlOnTop.h"
#include "dialogs/mdlSetFormIcon32.h"
#include "dialogs/mdlTransparent.h"
#include "itemlists/ItemRows.h"
#include "itemlists/ItemsListFile.h"
#include "itemlists/TreeKeys.h"
#include "listviews/AudioCDSource.h"
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

#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QPointer>
#include <QTimer>
#include <QUrl>
#ifndef QT_NO_SESSIONMANAGER
#include <QSessionManager>
#endif

using namespace mainwindow::parts;

namespace {

frmMain* s_instance = nullptr;

} // namespace

frmMain::frmMain(QWidget* parent) : QMainWindow(parent) {
    setObjectName("frmMain");
    // Closing the main window unloads it; the program ends with it.
    setAttribute(Qt::WA_DeleteOnClose);
    s_instance = this;
    dialogs::setMainWindowHost(this);
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
    if (dialogs::mainWindowHost() == this) dialogs::setMainWindowHost(nullptr);
}

frmMain* frmMain::instance() {
    return s_instance;
}

void frmMain::notesChanged() {
    if (cStatusBar1) cStatusBar1->setPanelText("Notes", GetNotesToStatus());
}

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
    dialogs::SetFormIcon(this, "AAA", true);

    // Grid columns.
    listviews::InitGridColumns(*cGrid1, imgGrid);

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
                [this](qint32 colour) { controls::ApplyTextColor(lblTitle, colour); });
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

void frmMain::SelectFirstNode() {
    const cTreeViewNode listsRoot = listviews::g_cItemsListsNode;
    const cTreeViewNode cdsRoot = listviews::g_cAudioCDsNode;
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
    RunStartSwitches(dialogs::Command());
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
    mainwindow::CloseFreeDBAtExit();
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
    dialogs::SetNoFaultErrorMode();
}
