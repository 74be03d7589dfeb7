// The Audio CD Burner: the batch tool frame with the writer controls on its
// Settings page instead of the destination, showing its own job (the burn)
// instead of the item-by-item run. Every item handed over becomes one audio
// track, in grid order.
#pragma once

#include "burning/WriterControls.h"
#include "components/cAudioBurner.h"
#include "core/AudioBurnJob.h"
#include "itemlists/Templates.h"
#include "toolframe/ToolLaunch.h"
#include "toolframe/frmBatchTool.h"

#include <QPointer>

#include <functional>
#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class cProgressBar;

class frmCDBurner : public toolframe::frmBatchTool {
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

    core::AudioBurnJob& BurnRun() { return *m_burnRun; }

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
    // Burn: the file of every row, in grid order.
    void cmdConvert_Click() override;
    void cboDrv_Click();
    void cmdOpenCD_Click();
    void cmdClose_Click();
    void lblOpenDestinationDestinationFolder_Click() override;

protected:
    // Empties the track list, lets go of the writer and stores the box.
    void Unload() override;

private:
    void BuildWriterArea();
    void LoadWriterDevices();
    QString SelectedDrive() const;

    std::unique_ptr<components::cAudioBurner> m_burner;
    std::unique_ptr<core::AudioBurnJob> m_burnRun;
    burning::WriterControls m_writer;
};

namespace burning {

// The Audio CD Burner while it is loaded.
extern QPointer<frmCDBurner> g_frmCDBurner;

// The "Audio CD Maker" command once the dispatcher's tests have passed:
// loads g_frmCDBurner, hands it the marked rows of the main grid, shows it
// modally and unloads it when it closes.
void ShowCDBurner(const toolframe::ToolLaunch& launch);

} // namespace burning
