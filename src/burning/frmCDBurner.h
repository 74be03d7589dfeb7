// The Audio CD Burner: the batch tool frame with the writer controls on its
// Settings page instead of the destination, and the burn run instead of the
// item loop. Every item handed over becomes one audio track, in grid order.
#pragma once

#include "burning/AudioBurnRun.h"
#include "components/cAudioBurner.h"
#include "conversion/ToolLaunch.h"
#include "conversion/frmBatchTool.h"
#include "itemlists/Templates.h"

#include <QPointer>

#include <functional>
#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class cProgressBar;

class frmCDBurner : public conversion::frmBatchTool {
    Q_OBJECT
public:
    // `writer` drives real writers (by default libburn).
    frmCDBurner(cImageList* imgMenu, QWidget* parent = nullptr,
                std::shared_ptr<components::AudioWriterSeam> writer = {});
    ~frmCDBurner() override;

    // The frame's load, then the writers and the stored "Open the CD drive" box.
    void Form_Load();
    // The "Audio CD Maker" hand-over: the marked rows of the main grid, their
    // count and minutes against 80.
    void HandOver(cGrid& mainGrid);

    burning::AudioBurnRun& BurnRun() { return *m_burnRun; }

    // --- controls, by their names
    components::cAudioBurner* cAudioBurner1 = nullptr;
    QComboBox* cboDrv = nullptr;
    QComboBox* cboSpeed = nullptr;
    QPushButton* cmdOpenCD = nullptr;
    QPushButton* cmdClose = nullptr;
    QLabel* lblDiskSize = nullptr;
    QLabel* lblDiskCapacity = nullptr;
    QLabel* lblState = nullptr;
    cProgressBar* prgSize = nullptr;
    QLabel* lblDataSize = nullptr;
    QCheckBox* chkOpenCDdrive = nullptr;

public slots:
    void cmdConvert_Click();
    void cmdAbort_Click();
    void cboDrv_Click();
    void cmdOpenCD_Click();
    void cmdClose_Click();
    void lblOpenDestinationDestinationFolder_Click();

    // Running: besides "Burn" and "Exit", the writer, speed and tray controls are off.
    void SetRunning(bool running) override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void BuildWriterArea();
    void LoadWriterDevices();
    void LoadWriteSpeeds();
    QString SelectedDrive() const;
    // Refuses while a burn runs; otherwise empties the track list, lets go of
    // the writer and stores the box (once).
    bool BurnerUnload();

    std::unique_ptr<burning::AudioBurnRun> m_burnRun;
    bool m_unloaded = false;
};

namespace burning {

// The Audio CD Burner while it is loaded.
extern QPointer<frmCDBurner> g_frmCDBurner;

// The "Audio CD Maker" command once the dispatcher's tests have passed:
// loads g_frmCDBurner, hands it the marked rows of the main grid, shows it
// modally and unloads it when it closes.
void ShowCDBurner(const conversion::ToolLaunch& launch);

} // namespace burning
