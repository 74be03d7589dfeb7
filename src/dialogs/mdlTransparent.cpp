#include "dialogs/mdlTransparent.h"

#include <QWidget>

namespace dialogs {

qint32 SetWindowAlpha(QWidget* window, int opacity) {
    if (opacity < 0 || opacity > 255) return 1;
    if (!window) return 2;
    window->window()->setWindowOpacity(opacity / 255.0);
    return 0;
}

qint32 ClearWindowAlpha(QWidget* window) {
    if (!window) return 2;
    window->window()->setWindowOpacity(1.0);
    return 0;
}

} // namespace dialogs
