// The program's entry procedure: installation check, splash, the settings
// dialogs, the main window, in that order.
#pragma once

#include "dialogs/mdlMain.h"

#include <QString>

namespace app {

// Runs the start-up sequence with the command line (the text after the
// program path). False when the main window was not loaded (the installation
// check failed): the process then ends.
bool StartApplication(const QString& commandLine);

} // namespace app
