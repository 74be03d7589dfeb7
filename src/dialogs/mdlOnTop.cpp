#include "dialogs/mdlOnTop.h"

#include <QWidget>

namespace dialogs {

void SetWindowOnTop(QWidget* window, bool onTop) {
    if (!window) return;
    QWidget* w = window->window();
    if (w->windowFlags().testFlag(Qt::WindowStaysOnTopHint) != onTop) {
        // Changing the flags hides the window and may drop its place.
        const QRect geometry = w->geometry();
        const bool wasPlaced = w->testAttribute(Qt::WA_Moved) || w->isVisible();
        w->setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
        if (wasPlaced) w->setGeometry(geometry);
    }
    const bool noActivate = w->testAttribute(Qt::WA_ShowWithoutActivating);
    w->setAttribute(Qt::WA_ShowWithoutActivating, true);
    w->show();
    w->setAttribute(Qt::WA_ShowWithoutActivating, noActivate);
}

} // namespace dialogs
