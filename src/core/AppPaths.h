// Where the program keeps its files.
#pragma once

#include <QString>

namespace core {

// The writable program folder: $CORVANE_HOME, else $XDG_DATA_HOME/corvane
// (~/.local/share/corvane). Created when missing. No trailing "/".
QString ProgramFolder();
// The read-only installation folder: <folder of the executable>/../share/corvane,
// or $CORVANE_INSTALL_DIR when set. No trailing "/".
QString InstallFolder();
// The settings database: $CORVANE_REGISTRY, else $XDG_CONFIG_HOME/corvane/registry.db.
QString RegistryFile();
// $XDG_CONFIG_HOME, else ~/.config.
QString ConfigHome();

} // namespace core
