// Where the tool windows join the main window: each fills its hook here, so
// that the tool windows never include the main window's headers.
#include "mainwindow/ToolsTable.h"

#include "burning/frmCDBurner.h"
#include "components/cFreeDB.h"
#include "controls/cGrid.h"
#include "conversion/ConversionLaunch.h"
#include "core/mdlOnTop.h"
#include "itemlists/ItemsTree.h"
#include "itemlists/Templates.h"
#include "itemlists/frmStat.h"
#include "mainwindow/frmMain.h"
#include "ripping/frmCDRipper.h"
#include "ripping/frmFreeDB.h"
#include "tags/frmMP3TagsEditor.h"
#include "tools/frmOrlath.h"

#include <QWidget>

namespace mainwin {

namespace {

conversion::ToolLaunch ConversionLaunchOf(const ToolLaunch& launch) {
    conversion::ToolLaunch out;
    out.owner = launch.owner;
    out.mainGrid = launch.grid;
    out.imgMenu = launch.images;
    out.listName = launch.listName;
    out.balloon = launch.balloon;
    return out;
}

// The converting windows hand over the rows themselves and show themselves
// modally; around that the dispatcher's pointer and CD polling steps run.
void AroundShow(const ToolLaunch& launch, const std::function<void()>& show) {
    if (launch.setCDPolling) launch.setCDPolling(false);
    show();
    if (launch.cdNodeSelected && launch.cdNodeSelected() && launch.setCDPolling) launch.setCDPolling(true);
    if (launch.owner) launch.owner->unsetCursor();
}

// "Text To Speech" needs no list: it opens with nothing handed over and adds
// its file to whatever list the main window shows, which it then saves and reloads.
void OpenOrlath(const ToolLaunch& launch) {
    tools::OrlathOpening opening;
    opening.owner = launch.owner;
    opening.imgMenu = launch.images;
    opening.addToList = [](const QString& file) {
        frmMain* main = frmMain::instance();
        if (!main || !main->m_cTree) return;
        QStringList paths{file};
        frmStat* adding = frmStat::Load(main);
        adding->AddFilesToList(paths, *main->cGrid1, main, false, main->m_cTree->link());
        frmStat::Unload();
        main->m_cTree->SaveGridToFile();
        main->m_cTree->DisplayGridInfoStatusBar();
        main->cTreeView1_NodeClick(main->cTreeView1->SelectedItem());
    };
    // The hourglass stays on the main window while the tool is open.
    if (launch.owner) launch.owner->setCursor(Qt::WaitCursor);
    tools::ShowOrlath(opening);
    if (launch.owner) launch.owner->unsetCursor();
}

} // namespace

void InstallToolHooks() {
    SetToolHook("Audio Converter", [](const ToolLaunch& launch) {
        AroundShow(launch, [&] { conversion::ShowConverter(ConversionLaunchOf(launch)); });
    });
    SetToolHook("ACM Converter", [](const ToolLaunch& launch) {
        AroundShow(launch, [&] { conversion::ShowACMConverter(ConversionLaunchOf(launch)); });
    });
    // Modeless: the command returns at once and the editor reads nothing of the list.
    SetToolHook("MP3 Tags Editor", [](const ToolLaunch& launch) {
        if (launch.owner) {
            if (launch.owner->windowFlags().testFlag(Qt::WindowStaysOnTopHint))
                core::SetWindowOnTop(launch.owner, false);
            launch.owner->setCursor(Qt::WaitCursor);
        }
        tags::ShowMP3TagsEditor();
        if (launch.owner) launch.owner->unsetCursor();
    });
    // The ripper receives every track of the CD with its mark and locks its drive list to the CD's drive.
    SetToolHook("Audio CD Ripper", [](const ToolLaunch& launch) {
        AroundShow(launch, [&] {
            ripping::CDRipperOpening opening;
            opening.owner = launch.owner;
            opening.mainGrid = launch.grid;
            const cTreeViewNode node = launch.tree ? launch.tree->SelectedItem() : cTreeViewNode();
            opening.selectedKey = node.isNull() ? QString() : node.Key();
            opening.selectedText = node.isNull() ? QString() : node.Text();
            opening.imgMenu = launch.images;
            opening.balloon = launch.balloon;
            ripping::ShowCDRipper(opening);
        });
    });
    // The burner measures the marked items against the disc itself, as the disc-fill check says.
    SetToolHook("Audio CD Maker", [](const ToolLaunch& launch) {
        if (!launch.grid) return;
        AroundShow(launch, [&] {
            burning::CDBurnerHooks hooks;
            hooks.balloon = launch.balloon;
            cGrid* grid = launch.grid;
            hooks.noticValues = [grid] { return itemlists::LastRowValues(*grid); };
            burning::ShowCDBurner(launch.owner, *launch.grid, launch.images, hooks);
        });
    });
    SetToolHook("Text To Speech", OpenOrlath);
    SetFreeDBHook([](const ToolLaunch& launch) {
        ripping::FreeDBTarget target;
        target.grid = launch.grid;
        target.tree = launch.tree;
        target.lblListName = launch.listCaption;
        target.afterLabelEdit = launch.afterLabelEdit;
        ripping::ShowFreeDB(launch.owner, target);
    });
    exitHooks().closeFreeDB = [] {
        if (ripping::g_frmFreeDB && ripping::g_frmFreeDB->cFreeDB1) ripping::g_frmFreeDB->cFreeDB1->Close();
    };
}

} // namespace mainwin
