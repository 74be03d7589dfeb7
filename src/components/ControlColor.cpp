#include "components/ControlColor.h"

#include <QApplication>
#include <QPalette>
#include <QWidget>

namespace components {

namespace {

QPalette::ColorRole roleForSystemColour(quint32 index, QPalette::ColorGroup* group) {
    *group = QPalette::Active;
    switch (index) {
    case 5:
        return QPalette::Base; // window
    case 7:
        return QPalette::WindowText; // menu text
    case 8:
        return QPalette::Text; // window text
    case 2:                    // active caption
    case 13:                   // highlight
    case 29:
        return QPalette::Highlight; // menu highlight
    case 9:                         // caption text
    case 14:
        return QPalette::HighlightedText; // highlight text
    case 15:
        return QPalette::Button; // button face
    case 16:
        return QPalette::Mid; // button shadow
    case 17:                  // grey text
        *group = QPalette::Disabled;
        return QPalette::Text;
    case 18:
        return QPalette::ButtonText; // button text
    case 20:
        return QPalette::Light; // button highlight
    case 21:
        return QPalette::Shadow; // 3D dark shadow
    case 22:
        return QPalette::Midlight; // 3D light
    case 23:
        return QPalette::ToolTipText; // info text
    case 24:
        return QPalette::ToolTipBase; // info background
    case 26:
        return QPalette::Link; // hot-track
    case 12:
        return QPalette::Dark; // application workspace
    default:
        return QPalette::Window; // desktop, menu, borders...
    }
}

} // namespace

QColor ColorFromLong(qint64 colour) {
    const quint32 value = static_cast<quint32>(colour & 0xFFFFFFFF);
    if (value & 0x80000000u) {
        QPalette::ColorGroup group;
        const QPalette::ColorRole role = roleForSystemColour(value & 0xFFu, &group);
        return QApplication::palette().color(group, role);
    }
    return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

void ApplyBackColor(QWidget* widget, qint64 colour) {
    if (!widget) return;
    QPalette palette = widget->palette();
    const QColor c = ColorFromLong(colour);
    palette.setColor(QPalette::Window, c);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

} // namespace components
