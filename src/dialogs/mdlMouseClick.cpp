#include "dialogs/mdlMouseClick.h"

#include <QCursor>
#include <QGuiApplication>

namespace dialogs {

void GetMousePos(qint32& x, qint32& y) {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return;
    const QPoint p = QCursor::pos();
    x = p.x();
    y = p.y();
}

} // namespace dialogs
