// Colour numbers as the settings and windows keep them: 0x00BBGGRR for a
// plain colour, 0x800000NN for system colour NN, which follows the desktop's
// palette. Settings hold them as signed 32-bit numbers ("-2147483633" is
// 0x8000000F, the face colour of windows and buttons).
#pragma once

#include <QColor>
#include <QPalette>
#include <QString>
#include <optional>

namespace controls {

// True for 0x800000NN (in the signed or unsigned form).
bool IsSystemColor(qint64 color);
// The palette entry that stands for system colour index NN (0..30).
struct SystemColorEntry {
    QPalette::ColorGroup group = QPalette::Active;
    QPalette::ColorRole role = QPalette::Window;
};
SystemColorEntry SystemColorRole(int index);

// The colour a number stands for; system colours are taken from the
// application palette. An unknown system colour index gives the window colour.
QColor TranslateColor(qint64 color);
// The 0x00BBGGRR number of a colour (alpha dropped).
qint32 ColorToLong(const QColor& color);
// A colour kept as decimal text; std::nullopt for an empty or non-numeric
// text (the window then keeps its own colours).
std::optional<QColor> ColorFromText(const QString& text);

} // namespace controls
