// Translucent windows.
#pragma once

#include <QtGlobal>

class QWidget;

namespace dialogs {

// Opacity 0 (invisible) to 255 (opaque): 0 when set; 1 for any other
// opacity (nothing changes); 2 when there is no window to change.
qint32 SetWindowAlpha(QWidget* window, int opacity);
// Makes the window opaque again: 0, or 2 when there is no window.
qint32 ClearWindowAlpha(QWidget* window);

} // namespace dialogs
