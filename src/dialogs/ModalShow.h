// Modal windows opened by the main window's commands are shown through here,
// so that the services seam can take them in tests.
#pragma once

class QDialog;

namespace core {

// Shows the window modally and returns its result; when the installed
// services take the window (core::Services::showModal), their answer instead.
int ExecModal(QDialog* dialog);

} // namespace core
