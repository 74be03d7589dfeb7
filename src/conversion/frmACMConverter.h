// The ACM Converter: the batch run writing WAV files with a codec of the WAV
// container chosen from the lists the converter enumerates, without tags.
#pragma once

#include "toolframe/frmBatchTool.h"

#include <QPointer>

class QComboBox;
class QLabel;

namespace components {
class cAudioConverter;
}

class frmACMConverter : public toolframe::frmBatchTool {
    Q_OBJECT
public:
    // `codecs` answers the enumerations (the converter the job drives, or
    // another one); it must outlive the window.
    frmACMConverter(std::unique_ptr<core::ItemJob> job, components::cAudioConverter& codecs,
                    cImageList* imgMenu, QWidget* parent = nullptr);

    QLabel* lblBestAccord = nullptr;
    QComboBox* cboBestAccordItem = nullptr;
    QLabel* lblTag = nullptr;
    QComboBox* cboTags = nullptr;
    QLabel* lblFormat = nullptr;
    QComboBox* cboFormats = nullptr;

    // The launcher's source list: "All ACM Codecs" and the file of every row
    // of the main grid, then the file of its selected row chosen.
    void FillSourceList(cGrid& mainGrid);

    // While a run goes on the three lists are disabled.
    void SetRunning(bool running);

public slots:
    void cboBestAccordItem_Click();
    void cboTags_Click();
    void cAudioConverter1_ACMTagItem(const QString& name);
    void cAudioConverter1_ACMFormatItem(const QString& name);

protected:
    void LoadFormatArea() override;
    // The codec the two lists show when the run starts.
    core::RunOutput RunOutput() const override;

private:
    void SelectPCMTag();
    components::cAudioConverter& m_codecs;
};

namespace conversion {
extern QPointer<frmACMConverter> g_frmACMConverter;
} // namespace conversion
