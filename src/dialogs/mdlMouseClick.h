// The pointer position.
#pragma once

#include <QtGlobal>

namespace dialogs {

// The pointer position in screen pixels; x and y stay as they were when it
// cannot be read.
void GetMousePos(qint32& x, qint32& y);

} // namespace dialogs
