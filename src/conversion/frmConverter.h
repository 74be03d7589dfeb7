// The Audio Converter: the batch tool frame with the target-format list, its
// "Edit" button and its "Set as default" link.
#pragma once

#include "toolframe/frmBatchTool.h"

#include <QPointer>

class QComboBox;
class QLabel;
class QPushButton;

class frmConverter : public toolframe::frmBatchTool {
    Q_OBJECT
public:
    frmConverter(std::unique_ptr<core::ItemJob> job, cImageList* imgMenu, QWidget* parent = nullptr);

protected:
    void LoadFormatArea() override;
};

namespace conversion {
// The Audio Converter while it is loaded.
extern QPointer<frmConverter> g_frmConverter;
} // namespace conversion
