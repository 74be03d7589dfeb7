// Plays the installer's part at start: the settings keys listed in the
// installation folder's seed are created when missing, with the initial
// values the seed gives them (existing keys and values are never touched),
// and missing assets are copied into the program folder.
#pragma once

#include <QString>

namespace core {

// False when the installation folder holds no seed (a broken installation;
// nothing is created or copied then), or when a key of the seed could not be
// created (for example because the settings store is unusable). The start-up
// check then finds no settings key and refuses to run.
// `withValues` false creates the keys empty (tests of the settings' own defaults).
bool InstallFromSeed(bool withValues = true);

} // namespace core
