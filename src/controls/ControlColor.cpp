#include "controls/ControlColor.h"

#include "core/AppPaths.h"
#include "core/SystemColors.h"

#include <QBrush>
#include <QPalette>
#include <QPixmap>
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

void ApplyTextColor(QWidget* widget, qint64 colour) {
    if (!widget) return;
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, ColorFromLong(colour));
    widget->setPalette(palette);
}

bool ApplyViewPicture(QWidget* widget, const QString& name) {
    if (!widget || name.isEmpty()) return false;
    const QPixmap picture(core::ProgramFolder() + QStringLiteral("/View/") + name);
    if (picture.isNull()) return false;
    QPalette palette = widget->palette();
    palette.setBrush(QPalette::Window, QBrush(picture));
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
    return true;
}

} // namespace components
