// Where the tool windows join the main window: each fills its hook here, so
// that the tool windows never include the main window's headers.
#include "mainwindow/ToolsTable.h"

namespace mainwin {

void InstallToolHooks() {
    // One line per tool window, e.g.
    //     SetToolHook("Audio Converter", &conversion::LaunchConverter);
}

} // namespace mainwin
