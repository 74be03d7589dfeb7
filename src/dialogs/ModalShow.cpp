#include "dialogs/ModalShow.h"

#include "core/Services.h"

#include <QDialog>

namespace core {

int ExecModal(QDialog* dialog) {
    if (!dialog) return QDialog::Rejected;
    int result = QDialog::Rejected;
    if (services().showModal(dialog, &result)) return result;
    return dialog->exec();
}

} // namespace core
