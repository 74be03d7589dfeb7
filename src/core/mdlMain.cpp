#include "core/mdlMain.h"

namespace core {
bool g_bSplashVisible = false;
bool StartApplication(const QString&) { return false; }
void SetSplashStatus(const QString&) {}
void SetNoFaultErrorMode() {}
} // namespace core
