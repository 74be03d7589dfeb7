// The Audio Converter: the batch tool frame with the target-format list, its
// "Edit" button and its "Set as default" link.
#pragma once

#include "conversion/frmBatchTool.h"

#include <QPointer>

class QComboBox;
class QLabel;
class QPushButton;

class frmConverter : public conversion::frmBatchTool {
    Q_OBJECT
public:
    frmConverter(std::unique_ptr<conversion::ItemJob> job, cImageList* imgMenu, QWidget* parent = nullptr);

    QLabel* Label5 = nullptr;
    QComboBox* cboTargetFormat = nullptr; // list-only
    QPushButton* cmdEditTargetFormat = nullptr;
    cLinkLabel* lblSetAsDefaultFormat = nullptr;

    QString TargetFormatText() const override;

public slots:
    void cboTargetFormat_Click();
    void lblSetAsDefaultFormat_Click();
    void cmdEditTargetFormat_Click();

protected:
    void LoadFormatArea() override;

private:
    void StoreFormatDefault();
};

namespace conversion {
// The Audio Converter while it is loaded.
extern QPointer<frmConverter> g_frmConverter;
} // namespace conversion
