// The program's entry procedure and the splash status line.
#pragma once

#include <QString>

namespace core {

// Program-wide: True from the moment the splash is about to load.
extern bool g_bSplashVisible;

// Runs the start-up sequence with the command line (the text after the
// program path). False when the main window was not loaded (the installation
// check failed): the process then ends.
bool StartApplication(const QString& commandLine);
void SetSplashStatus(const QString& text);
void SetNoFaultErrorMode();

} // namespace core
