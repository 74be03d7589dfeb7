// Modal windows opened by the main window's commands are shown through here,
// so that the services seam can take them in tests.
#pragma once

class QDialog;

namespace dialogs {

// What happens to the owner's busy pointer (the hourglass a command set while
// it loaded the window) when the window shows.
enum class OwnerPointer {
    Reset, // the default pointer comes back before the window shows
    Keep,  // the hourglass stays on the owner while the window is open
};

// Shows the window modally and returns its result; when the installed
// services take the window (core::Services::showModal), their answer instead.
// The owner's pointer is reset first unless `pointer` keeps it.
int ExecModal(QDialog* dialog, OwnerPointer pointer = OwnerPointer::Reset);

} // namespace dialogs
