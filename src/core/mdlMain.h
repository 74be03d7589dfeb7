// The program's entry procedure and the splash status line.
#pragma once

#include <QString>
#include <functional>

namespace core {

// Program-wide: True from the moment the splash is about to load.
extern bool g_bSplashVisible;

// Runs the start-up sequence with the command line (the text after the
// program path). False when the main window was not loaded (the installation
// check failed): the process then ends.
bool StartApplication(const QString& commandLine);
void SetSplashStatus(const QString& text);
void SetNoFaultErrorMode();

// The command line StartApplication was given (empty before it ran).
QString Command();

// Follows the start-up steps: called with ("status", text) after each status
// text and with ("loaded", window name) after each window's load handler
// ("frmOptions", "g_frmAudioProp", "frmMain"). Tests record the order with it;
// an empty function removes the observer.
using StartupObserver = std::function<void(const QString& step, const QString& detail)>;
void SetStartupObserver(StartupObserver observer);

} // namespace core
