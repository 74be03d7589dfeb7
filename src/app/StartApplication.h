// The program's entry procedure: installation check, splash, the settings
// dialogs, the main window, in that order.
#pragma once

#include "dialogs/mdlMain.h"

#include <QString>

#include <thread>

namespace app {

// Runs the start-up sequence with the command line (the text after the
// program path). False when the main window was not loaded (the installation
// check failed): the process then ends.
bool StartApplication(const QString& commandLine);

// Reads the font configuration on another thread while the application
// object is built. The splash's first text needs it, and nothing else before
// the splash takes as long (the configuration files and the font caches).
// Made before the QApplication; its end waits for the thread.
class FontConfigPreload {
public:
    FontConfigPreload();
    ~FontConfigPreload();
    FontConfigPreload(const FontConfigPreload&) = delete;
    FontConfigPreload& operator=(const FontConfigPreload&) = delete;

private:
    std::thread m_thread;
};

} // namespace app
