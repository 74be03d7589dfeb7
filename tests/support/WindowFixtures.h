// What the window tests share: the two settings dialogs loaded as start-up
// loads them, the Options dialog on its own, and unloading everything a test
// left loaded while its private world still exists.
#pragma once

#include <QPointer>

#include <memory>

class frmAudioProp;
class frmOptions;

namespace testsupport {

// The Options and Audio Format dialogs, loaded hidden as start-up loads them;
// each unloads itself when closed. A fixture that holds the main window
// derives from this to have them beside it.
struct SettingsDialogs {
    QPointer<frmOptions> options;
    QPointer<frmAudioProp> audioProp;

    void loadDialogs();
};

// An Options dialog, loaded (Form_Load) and not shown.
std::unique_ptr<frmOptions> loadedOptions();

// Closes the main window, the settings dialogs and every other window on
// screen, with no question asked at exit and no list cleared, runs the
// pending deletes and puts the edition's switches back: what a test calls at
// its end while its TestEnv still exists.
void unloadAll();

} // namespace testsupport
