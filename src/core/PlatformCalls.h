// Small platform services the windows' code asks for by their old names:
// the tick count and the twips of window sizes.
#pragma once

#include <QtGlobal>

namespace core {

// Milliseconds on a steady clock that only moves forwards; wraps at 2^32 like
// the count it replaces. Only differences between two readings mean anything.
quint32 GetTickCount();

// Window sizes and positions given in twips: 15 twips per pixel.
constexpr int kTwipsPerPixel = 15;
// Rounded to whole pixels.
constexpr int TwipsToPixels(int twips) {
    return twips >= 0 ? (twips + kTwipsPerPixel / 2) / kTwipsPerPixel
                      : -((-twips + kTwipsPerPixel / 2) / kTwipsPerPixel);
}
constexpr int PixelsToTwips(int pixels) {
    return pixels * kTwipsPerPixel;
}

} // namespace core
