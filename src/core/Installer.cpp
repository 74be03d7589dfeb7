#include "core/Installer.h"
namespace core {
bool InstallFromSeed() { return false; }
} // namespace core
