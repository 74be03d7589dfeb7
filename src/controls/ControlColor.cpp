#include "controls/ControlColor.h"

#include "controls/SystemColors.h"

#include <QBrush>
#include <QPalette>
#include <QWidget>

namespace controls {

QColor ColorFromLong(qint64 colour) {
    return TranslateColor(colour);
}

void ApplyBackColor(QWidget* widget, qint64 colour) {
    if (!widget) return;
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, ColorFromLong(colour));
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

void ApplyTextColor(QWidget* widget, qint64 colour) {
    if (!widget) return;
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, ColorFromLong(colour));
    widget->setPalette(palette);
}

} // namespace controls
