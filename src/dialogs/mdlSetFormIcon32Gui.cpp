// The part of mdlSetFormIcon32 that works on widgets.
#include "dialogs/mdlSetFormIcon32.h"

#include <QApplication>
#include <QWidget>

namespace dialogs {

void SetFormIcon(QWidget* window, const QString& iconName, bool ownerFlag) {
    if (!window) return;
    const QIcon icon = LoadFormIcon(iconName);
    QWidget* w = window->window();
    if (ownerFlag && !w->parentWidget() && !icon.isNull()) QApplication::setWindowIcon(icon);
    w->setWindowIcon(icon);
}

} // namespace dialogs
