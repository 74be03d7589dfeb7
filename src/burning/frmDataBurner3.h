// The data-disc burner, opened as "MP3 CD Maker" or "WMA CD Maker": the
// batch tool frame whose one job (core::DataDiscJob) converts (or, with "Do
// not convert", copies) the marked items into "datacdtmp" in the program
// folder with the frame's batch run over core::DataPrepJob, then, after
// "Burn CD?", burns exactly the files that run produced with one of two
// engines and runs the end-of-job events after a burn that finished well.
#pragma once

#include "core/DataDiscJob.h"
#include "core/DataPrepJob.h"
#include "itemlists/Templates.h"
#include "toolframe/ToolLaunch.h"
#include "toolframe/frmBatchTool.h"

#include <QPointer>

#include <functional>
#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

class frmDataBurner3 : public toolframe::frmBatchTool {
    Q_OBJECT
public:
    // `writer` drives real writers (by default libburn); `converter` converts
    // the items (by default the converter component).
    frmDataBurner3(cImageList* imgMenu, QWidget* parent = nullptr,
                   std::shared_ptr<components::AudioWriterSeam> writer = {},
                   std::unique_ptr<core::ItemJob> converter = {});
    ~frmDataBurner3() override;

    // The frame's load, then the writers, the stored engine and the boxes.
    void Form_Load();

    core::DataDiscJob& DiscJob() { return *m_disc; }
    core::DataPrepJob& PrepJob() { return *m_prep; }

    // The engine choice as the store keeps it: "0", "1", or "-1" with none.
    static QString StoredEngine();
    // The temporary folder, with its closing "/".
    static QString GetTempFolder();
    // Deletes the plain files of the temporary folder (never what a link
    // points to, never outside it); false while a job runs.
    bool EraseTempFiles();

    // --- controls, by their names
    components::cAudioDataBurner* cAudioDataBurner1 = nullptr;
    components::cBurner* cBurner1 = nullptr;
    QComboBox* cmbEngine = nullptr;
    QComboBox* cboDrv = nullptr;
    QLabel* lblCDStatus = nullptr;
    cLinkLabel* lblOpenCDDoor = nullptr;
    cLinkLabel* lblCloseCDDoor = nullptr;
    cLinkLabel* lblRefreshCDInfo = nullptr;
    QLabel* lblSpeeds = nullptr;
    QComboBox* cboSpeed = nullptr;
    QLabel* lblFileSys = nullptr;
    QCheckBox* chkJOLIET = nullptr;
    QCheckBox* chkISO = nullptr;
    QCheckBox* chkUDF = nullptr;
    QLineEdit* txtCDName = nullptr;
    QLineEdit* PublisherID = nullptr;
    QCheckBox* chkDoNotConvertSource = nullptr;
    QLabel* lblCDFormat = nullptr;
    QCheckBox* chkOpenCDdrive = nullptr;
    QCheckBox* chkEraseTempfiles = nullptr;
    cLinkLabel* lblErasetempfilesnow = nullptr;

    // The rows and the file-name template; the destination is the temporary
    // folder, with no sub-folder, and an existing output is asked about.
    core::BatchRequest Request() const override;

public slots:
    void cmdConvert_Click() override;
    void cmbEngine_Click();
    bool IsImapi2Installed();
    void LoadImapi1Devices();
    void LoadImapi2Devices();
    void cboDrv_Click();
    void LoadWriteSpeeds();
    void lblOpenCDDoor_Click();
    void lblCloseCDDoor_Click();
    void lblRefreshCDInfo_Click();
    void cmdEditTargetFormat_Click();
    void lblErasetempfilesnow_Click();
    void chkDoNotConvertSource_Click();
    void CheckDoNotConvertEna();

protected:
    // Converted items, or the sources as they are ("Do not convert").
    core::RunOutput RunOutput() const override;
    // Erases the temporary files, stores the engine and lets go of both engines.
    void Unload() override;

private:
    void BuildDataArea();
    QString DriveLetter() const;

    std::shared_ptr<components::AudioWriterSeam> m_writer;
    core::DataPrepJob* m_prep = nullptr;
    std::unique_ptr<components::cAudioDataBurner> m_first;
    std::unique_ptr<components::cBurner> m_second;
    std::unique_ptr<core::DataDiscJob> m_disc;
};

namespace burning {

// The data-disc burner while it is loaded.
extern QPointer<frmDataBurner3> g_frmDataBurner3;

// "MP3 CD Maker" and "WMA CD Maker" (the launch's tool key) once the main
// window's checks have passed: loads g_frmDataBurner3, hands it the marked
// rows, shows it modally and unloads it when it closes.
void ShowDataBurner(const toolframe::ToolLaunch& launch);

} // namespace burning
