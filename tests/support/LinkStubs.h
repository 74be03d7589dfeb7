// Quiet stand-ins for the main window's links, for tests of the tree and the
// list windows without a main window: only links still empty are filled, so
// a test sets the ones it watches first.
#pragma once

#include "itemlists/MainWindowLink.h"

namespace testsupport {

void StubMissingLinks(itemlists::MainWindowLink& link);

} // namespace testsupport
