// A private world for a test of start-up: its own TestEnv, and at its end
// every window unloaded, the start-up observer and the tray's availability
// put back and the installation folder forgotten.
#pragma once

#include "TestEnv.h"
#include "WindowFixtures.h"

#include "controls/cSysTray.h"
#include "dialogs/mdlMain.h"

#include <QtGlobal>

#include <optional>

namespace testsupport {

struct StartupSession {
    explicit StartupSession(bool seed = true) : env(seed) {}
    ~StartupSession() {
        testsupport::unloadAll();
        dialogs::SetStartupObserver({});
        cSysTray::OverrideAvailable(std::nullopt);
        qunsetenv("CORVANE_INSTALL_DIR");
    }
    testsupport::TestEnv env;
};

} // namespace testsupport
