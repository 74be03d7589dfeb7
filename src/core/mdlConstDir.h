// The operating system's own folders.
#pragma once

#include <QString>

namespace core {

// The folder the operating system is installed in ("/usr"); "" when missing.
// No trailing "/".
QString GetWindowsDir();
// The folder of the system's shared libraries (such as
// "/usr/lib/x86_64-linux-gnu"); "" when missing. No trailing "/".
QString GetSystemDir();

} // namespace core
