// The splash status line and what start-up leaves for the windows to read
// (the command line). The start-up sequence itself is app/StartApplication.
#pragma once

#include <QString>
#include <functional>

namespace dialogs {

// Program-wide: True from the moment the splash is about to load.
extern bool g_bSplashVisible;

void SetSplashStatus(const QString& text);
void SetNoFaultErrorMode();

// The command line StartApplication was given (empty before it ran).
QString Command();
void SetCommand(const QString& commandLine);

// Follows the start-up steps: called with ("status", text) after each status
// text and with ("loaded", window name) after each window's load handler
// ("frmOptions", "g_frmAudioProp", "frmMain"). Tests record the order with it;
// an empty function removes the observer.
using StartupObserver = std::function<void(const QString& step, const QString& detail)>;
void SetStartupObserver(StartupObserver observer);
// Tells the observer (if any) of a start-up step.
void NotifyStartup(const QString& step, const QString& detail);

} // namespace dialogs
