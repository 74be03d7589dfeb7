// The Audio CD Duplicator: the CD windows' tool frame with a source drive
// (its disc checked every 3 seconds while the window is idle) and a writer
// (as in the Audio CD Burner) on its Settings page, and "Duplicate", which
// runs the duplication job: rip every track to "duptmp/", then burn them
// disc-at-once. The window closes itself after a burn that went well.
#pragma once

#include "burning/WriterControls.h"
#include "components/AudioWriterSeam.h"
#include "core/DuplicateJob.h"
#include "toolframe/ToolLaunch.h"
#include "toolframe/frmBatchTool.h"

#include <QPointer>

#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QTimer;

namespace components {
class cAudioBurner;
class cAudioCDRipper;
} // namespace components

class frmAudioCDDuplicator : public toolframe::frmBatchTool {
    Q_OBJECT
public:
    // `writer` drives real writers (by default libburn).
    explicit frmAudioCDDuplicator(cImageList* imgMenu, QWidget* parent = nullptr,
                                  std::shared_ptr<components::AudioWriterSeam> writer = {});
    ~frmAudioCDDuplicator() override;

    // The frame's load, then the writers, the source drives and the disc check.
    void Form_Load();

    core::DuplicateJob& Job() { return *m_job; }

    // --- controls, by their names
    components::cAudioCDRipper* cAudioCDRipper1 = nullptr;
    components::cAudioBurner* cAudioBurner1 = nullptr;
    QLabel* Label1 = nullptr;
    QComboBox* cboDevices = nullptr; // list-only
    QPushButton* cmdOpenCD = nullptr;
    QPushButton* cmdCloseCD = nullptr;
    QLabel* lblCDStatus = nullptr;
    QCheckBox* chkOnTheFly = nullptr;
    QLabel* Label2 = nullptr;
    QComboBox* cboDrv = nullptr; // list-only
    QComboBox* cboSpeed = nullptr;
    QPushButton* cmdOpenDestCD = nullptr;
    QPushButton* cmdClose = nullptr;
    QLabel* lblDiskSize = nullptr;
    QLabel* lblDiskCapacity = nullptr;
    QLabel* lblState = nullptr;
    QCheckBox* chkOpenCDdrive = nullptr;
    QTimer* tmrState = nullptr;

public slots:
    void cmdConvert_Click() override;
    void cboDevices_Click();
    void tmrState_Timer();
    void cmdOpenCD_Click();
    void cmdCloseCD_Click();
    void cboDrv_Click();
    void cmdOpenDestCD_Click();
    void cmdClose_Click();
    void EnableControls(bool bEnable);

protected:
    void LoadFormatArea() override;
    // Lets go of both drives and empties the temporary folder.
    void Unload() override;

private:
    void BuildDriveArea();
    void LoadCDDevices();
    void LoadCDTracks(const QString& sDrive);
    void LoadWriterDevices();
    void LoadTempFilesToGrid(const QStringList& files);

    std::unique_ptr<components::cAudioCDRipper> m_ripper;
    std::unique_ptr<components::cAudioBurner> m_burner;
    std::unique_ptr<core::DuplicateJob> m_job;
    burning::WriterControls m_writer;
    QList<QWidget*> m_stateRow; // "Disk State", its dash and lblState: filled, never shown
};

namespace burning {

// The duplicator while it is loaded.
extern QPointer<frmAudioCDDuplicator> g_frmAudioCDDuplicator;

// The "Audio CD Duplicator" command: loads the window, shows it modally with
// the hourglass kept on the main window, and unloads it when it closes.
// Nothing of the list is handed over.
void ShowAudioCDDuplicator(const toolframe::ToolLaunch& launch);

} // namespace burning
