// What assistive technology is told about the program's windows and picture
// buttons, for every window alike, those of today and those to come:
// - a window (a tool window, a dialog) is a window or dialog named by its
//   title, never an unnamed filler, and its name follows the title;
// - a picture button (one whose caption holds no letter or digit: only a
//   picture, or "...") is named by its tool tip.
// A name a window or button was given on purpose is left alone.
#pragma once

class QWidget;

namespace controls {

// Installs the names program-wide, once (later calls do nothing). Call it
// after the application object exists, before the first window shows.
void InstallAccessibleNames();

// True when the button shows no caption of words: a picture, or marks such as "...".
bool IsPictureButton(const QWidget* widget);

} // namespace controls
