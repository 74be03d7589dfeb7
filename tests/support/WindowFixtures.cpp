#include "WindowFixtures.h"
#include "TestEnv.h"

#include "core/mdlModes.h"
#include "mainwindow/frmMain.h"
#include "options/frmAudioProp.h"
#include "options/frmOptions.h"
#include "settings/SettingsVariables.h"

#include <QApplication>

namespace testsupport {

void SettingsDialogs::loadDialogs() {
    options = new frmOptions;
    options->setAttribute(Qt::WA_DeleteOnClose);
    options->Form_Load();
    audioProp = new frmAudioProp;
    audioProp->setAttribute(Qt::WA_DeleteOnClose);
    audioProp->Form_Load();
}

std::unique_ptr<frmOptions> loadedOptions() {
    auto dialog = std::make_unique<frmOptions>();
    dialog->Form_Load();
    return dialog;
}

void unloadAll() {
    settings::g_bDisplayMSGWhenExit = false;
    settings::g_bClearOnExit = false;
    if (frmMain* main = frmMain::instance()) main->close();
    settings::g_bAppExiting = true;
    if (frmOptions* options = frmOptions::loadedInstance()) options->close();
    if (options::g_frmAudioProp) options::g_frmAudioProp->close();
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible()) w->close();
    processDeletes();
    settings::g_bAppExiting = false;
    core::InitModes();
}

} // namespace testsupport
