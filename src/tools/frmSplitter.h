// The Audio Splitter: one item cut into consecutive parts, each converted into
// a file of its own in the target format, by a number of parts or by a
// number of seconds per part. The parts are the rows of the item-by-item run
// (core::BatchRun) over the converter; the window works out the part length
// from the source's length when "Split" is pressed.
#pragma once

#include "toolframe/ToolLaunch.h"
#include "toolframe/frmBatchTool.h"

#include <QPointer>

#include <memory>

class QLabel;
class QLineEdit;
class QRadioButton;

namespace components {
class cAudioConverter;
}

class frmSplitter : public toolframe::frmBatchTool {
    Q_OBJECT
public:
    // `probe` measures the source when a split starts (the converter the
    // component drives, or another one); it must outlive the window.
    frmSplitter(std::unique_ptr<core::ItemJob> component, components::cAudioConverter& probe,
                cImageList* imgMenu, QWidget* parent = nullptr);

    // The source; the main window sets it before it shows the window.
    QString g_sFileToSplit;
    // Of the last start: the source's length in milliseconds, the part length in seconds.
    qint32 g_lTotalFileLength = 0;
    qint32 g_lLength = 0;

    QLabel* Label1 = nullptr; // "Splitter Mode:"
    QRadioButton* ptnSplitByParts = nullptr;
    QLineEdit* txtSplitParts = nullptr;
    QRadioButton* ptnSplitBySecs = nullptr;
    QLineEdit* txtSplitSecs = nullptr;

    // The single-item hand-over: the selected row of the main grid, marked or
    // not, becomes row 1; its file is the source.
    void HandOverItem(cGrid& mainGrid, const toolframe::ToolLaunch& launch);

public slots:
    void cmdConvert_Click() override;
    void SetSplitMode();
    void ptnSplitByParts_Click();
    void ptnSplitBySecs_Click();

protected:
    void LoadFormatArea() override;
    void showEvent(QShowEvent* event) override;

private:
    void PlaceTextBoxes();
    components::cAudioConverter& m_probe;
};

namespace tools {
// The Audio Splitter while it is loaded.
extern QPointer<frmSplitter> g_frmSplitter;

// "Audio Splitter": loads g_frmSplitter, hands over the selected row of the
// main grid, shows it modally and returns when it has closed.
void OpenAudioSplitter(const toolframe::ToolLaunch& launch);
} // namespace tools
