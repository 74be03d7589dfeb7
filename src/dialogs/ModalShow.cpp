#include "dialogs/ModalShow.h"

#include "core/Services.h"

#include <QDialog>

namespace dialogs {

int ExecModal(QDialog* dialog, OwnerPointer pointer) {
    if (!dialog) return QDialog::Rejected;
    // The hourglass said "loading"; over a window that waits for the user it
    // would say the program is busy.
    if (pointer == OwnerPointer::Reset)
        if (QWidget* owner = dialog->parentWidget()) owner->window()->unsetCursor();
    int result = QDialog::Rejected;
    if (core::services().showModal(dialog, &result)) return result;
    return dialog->exec();
}

} // namespace dialogs
