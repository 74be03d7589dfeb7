// How the dispatcher opens the converting windows, once its tests have
// passed, from the common launch context.
#pragma once

#include "toolframe/ToolLaunch.h"

namespace conversion {

// "Audio Converter": loads g_frmConverter, hands over the marked rows of the
// main grid with their count, totals and the list name, shows it modally and
// returns when it has closed.
void ShowConverter(const toolframe::ToolLaunch& launch);
// "ACM Converter": the same for g_frmACMConverter, then its source list from
// every row of the main grid with the selected row's file chosen.
void ShowACMConverter(const toolframe::ToolLaunch& launch);

} // namespace conversion
