// The part of mdlSupportedDestination that works on widgets.
#include "dialogs/mdlSupportedDestinationGui.h"
#include "core/mdlSupportedDestination.h"

#include <QComboBox>

namespace core {

void FillDestinationFormats(QComboBox* combo) {
    const QStringList texts = DestinationFormatTexts();
    if (!combo) return;
    combo->clear();
    combo->addItems(texts);
}

} // namespace core
