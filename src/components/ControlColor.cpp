#include "components/ControlColor.h"

#include "core/SystemColors.h"

#include <QPalette>
#include <QWidget>

namespace components {

QColor ColorFromLong(qint64 colour) {
    return core::TranslateColor(colour);
}

void ApplyBackColor(QWidget* widget, qint64 colour) {
    if (!widget) return;
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, ColorFromLong(colour));
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

} // namespace components
