// Keeping a window above all others.
#pragma once

class QWidget;

namespace dialogs {

// Puts the window above all others (or back among them) without activating
// it; the window keeps its position and size and is shown if it was hidden.
void SetWindowOnTop(QWidget* window, bool onTop);

} // namespace dialogs
