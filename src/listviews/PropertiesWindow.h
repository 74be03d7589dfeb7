// What the item and items-list properties windows share, written once: the
// title strip along the top, and the tabs over the button row below it.
#pragma once

#include <QString>

class QFrame;
class QLabel;
class QLayout;
class QWidget;

namespace listviews {

// The title strip "picTitle" (30 pixels high, filled) with its bold title "lblTitle".
QFrame* AddPropertiesTitle(QWidget* window, QLabel*& title, const QString& text = QString());
// The window's layout: the strip along the top edge, then, with margins, the
// tabs (stretching) over the row of buttons.
void LayoutPropertiesWindow(QWidget* window, QFrame* titleStrip, QWidget* tabs, QLayout* buttons);

} // namespace listviews
