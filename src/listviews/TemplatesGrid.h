// The grid half of the end-of-job templates (itemlists/Templates.h): the
// file values of the main grid's last row, and the command line and the
// program run from them.
#pragma once

#include "itemlists/Templates.h"

#include <QString>

class cGrid;

namespace listviews {

// The values of the grid's last row ("Item Name", "Size", "Time", "Created"
// as shown); all nullopt when the grid has no row, one nullopt for a column
// the grid does not have.
itemlists::NoticFileValues LastRowValues(cGrid& grid);

// itemlists::GetNoticAppParameters for the last row of the grid.
QString GetNoticAppParameters(cGrid& grid);

// itemlists::RunNoticApp for the last row of the main grid.
bool RunNoticApp(cGrid& mainGrid);

} // namespace listviews
