// The destination formats in a combo box.
#pragma once

class QComboBox;

namespace dialogs {

// Runs InitDestinationFormats, clears the combo box and adds the texts of the
// offered formats in code order; the selection is left to the caller.
void FillDestinationFormats(QComboBox* combo);

} // namespace dialogs
