#pragma once

#include <QColor>
#include <QString>
#include <QtGlobal>

class QWidget;

namespace controls {

// A colour number as the settings keep it (see TranslateColor in SystemColors.h): 0x00BBGGRR, or 0x800000NN
// for system colour NN (taken from the application palette). Accepts the number whether it was read signed or
// not.
QColor ColorFromLong(qint64 colour);

// Fills the widget's background with the colour.
void ApplyBackColor(QWidget* widget, qint64 colour);
// Sets the widget's text colour.
void ApplyTextColor(QWidget* widget, qint64 colour);

} // namespace controls
