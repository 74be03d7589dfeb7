// The Audio CD Ripper: the batch tool frame with the source drive and its
// disc check, the target format, and "Eject the CD door" among the
// end-of-job events. Its run is the shared batch run with the ripper's
// policy; every track of the CD is handed over with its mark.
#pragma once

#include "conversion/frmBatchTool.h"

#include <QPointer>

#include <functional>

class QComboBox;
class QLabel;
class QPushButton;
class QCheckBox;

namespace components {
class cAudioCDRipper;
}

class frmCDRipper : public conversion::frmBatchTool {
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

// What the main window lends the ripper window.
struct CDRipperOpening {
    QWidget* owner = nullptr;
    cGrid* mainGrid = nullptr;
    QString selectedKey;  // key of the selected tree node
    QString selectedText; // its caption
    cImageList* imgMenu = nullptr;
    std::function<void(const QString&)> balloon;                   // the tray balloon
    std::function<void(qint32)> turnOffCountdown;                  // empty: the standard countdown
    std::function<void(conversion::StandardEndActions&)> endHooks; // anything else (the program's values)
};

// The "Audio CD Ripper" command after the main window has stopped its CD
// polling: refuses a root node, a node that is no CD and a CD without marks
// with their messages (false), else loads the window, hands the CD over and
// shows it modally (true once it has closed). The caller selects another node
// after a refusal and restarts the polling afterwards.
bool ShowCDRipper(const CDRipperOpening& opening);

} // namespace ripping
