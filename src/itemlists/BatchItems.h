// An item row of the grid as the item-by-item run (core/BatchRun.h) is
// handed it: the cells read once, when the run starts.
#pragma once

#include "core/BatchRun.h"

#include <QString>

#include <functional>

namespace itemlists {

// An item row from its cells, read as text by column key (COL_*), and the
// picture number of its "Inc" cell (1 = marked).
core::BatchItem BatchItemFromCells(const std::function<QString(const QString& key)>& cell, qint32 mark);

} // namespace itemlists
