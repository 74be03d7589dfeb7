// The program-wide settings variables, filled from the registry by the
// settings dialogs at start-up and read by every window.
#pragma once

#include <QString>

namespace settings {

// Set when the main window closes: the settings dialogs then unload for real.
extern bool g_bAppExiting;

} // namespace settings
