// The Audio CD Ripper: the batch tool frame with the source drive and its
// disc check, the target format, and "Eject the CD door" among the
// end-of-job events. Its run is the shared batch run with the ripper's
// policy; every track of the CD is handed over with its mark.
#pragma once

#include "toolframe/ToolLaunch.h"
#include "toolframe/frmBatchTool.h"

#include <QPointer>

class QComboBox;
class QLabel;
class QPushButton;
class QCheckBox;

namespace components {
class cAudioCDRipper;
}

class frmCDRipper : public toolframe::frmBatchTool {
    Q_OBJECT
public:
    explicit frmCDRipper(cImageList* imgMenu, QWidget* parent = nullptr);

    // The dispatcher's hand-over for the selected CD node: the count label, the
    // totals, the sub-folder proposal (the node's caption made safe), every row
    // with its mark, and the node's drive fixed in the drive list.
    void HandOverCD(cGrid& mainGrid, const QString& cdNodeKey, const QString& cdNodeText);

    components::cAudioCDRipper* cAudioCDRipper1 = nullptr;
    QLabel* Label1 = nullptr;
    QComboBox* cboDevices = nullptr; // list-only
    QLabel* lblCDStatus = nullptr;
    QPushButton* cmdOpenCD = nullptr;
    QCheckBox* chkOpenCDdrive = nullptr;

public slots:
    void cboDevices_Click();
    void cmdOpenCD_Click();

protected:
    void LoadFormatArea() override;

private:
    void LoadCDDevices();
};

namespace ripping {

// The ripper window while it is loaded.
extern QPointer<frmCDRipper> g_frmCDRipper;

// The "Audio CD Ripper" command once the dispatcher's tests have passed (a
// CD drive selected, items marked): loads the window, hands the CD over and
// shows it modally until it has closed.
void ShowCDRipper(const toolframe::ToolLaunch& launch);

} // namespace ripping
