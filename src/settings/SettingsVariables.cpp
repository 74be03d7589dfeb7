#include "settings/SettingsVariables.h"

namespace settings {

bool g_bAppExiting = false;

} // namespace settings
