// The application and text colours of every window's title strip, and the one
// reader of stored colour numbers. Widget-free; the widget side is in
// WindowChrome.h.
#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

namespace core::chrome {

// ---- Colours ------------------------------------------------------------
// The settings layer points these at its application and text colours
// (0x00BBGGRR numbers, or 0x800000NN system colours); until it does, the
// installation defaults are used.
void SetColourSource(const qint32* appColour, const qint32* textColour);
qint64 AppColour();
qint64 TextColour();

// The one reader of a colour kept as decimal text: signed or unsigned 32-bit
// ("-2147483633" and "2147483663" are the same system colour). Blank,
// non-numeric or out-of-range text gives nullopt (the window keeps its own colours).
std::optional<qint64> ParseColour(const QString& text);
// core::g_sViewBackColor, parsed.
std::optional<qint64> ViewBackColour();

} // namespace core::chrome
