// Where the tool windows join the main window: each fills its hook here, so
// that the tool windows never include the main window's headers.
#include "mainwindow/ToolsTable.h"

#include "conversion/ConversionLaunch.h"
#include "core/mdlOnTop.h"
#include "tags/frmMP3TagsEditor.h"

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
    // The ripping and burning windows fill theirs when they join:
    //     SetToolHook("Audio CD Ripper", ...); SetToolHook("Audio CD Maker", ...);
    //     SetFreeDBHook(...); exitHooks().closeFreeDB = ...; exitHooks().closeRipper = ...;
}

} // namespace mainwin
