// The part of mdlSupportedDestination that works on widgets.
#include "dialogs/mdlSupportedDestinationGui.h"
#include "core/mdlSupportedDestination.h"

#include <QComboBox>

namespace dialogs {

void FillDestinationFormats(QComboBox* combo) {
    const QStringList texts = core::DestinationFormatTexts();
    if (!combo) return;
    combo->clear();
    combo->addItems(texts);
}

} // namespace dialogs
