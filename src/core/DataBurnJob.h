// The burn stage and end of job of the data-disc burner as a job: the files
// that the preparation (a batch run over DataPrepJob) produced go to the first
// engine (cAudioDataBurner) or the second (cBurner), the engine's events show
// in the window's log, label and bars, Abort stops the write, and the
// end-of-job events run once, after a burn that finished well.
//
// Burn(files) is its start; Finished(success) follows once, success only for
// a burn that finished well.
#pragma once

#include "components/cAudioDataBurner.h"
#include "components/cBurner.h"
#include "core/Job.h"

#include <QString>
#include <QStringList>

#include <functional>

namespace core {

// The end-of-job box of this window besides the frame's four and "Eject the CD door".
inline const QString BOX_ERASE_TEMP = QStringLiteral("chkEraseTempfiles");

// What the job reads of the Settings page and asks of the window.
struct DataBurnChoices {
    std::function<qint32()> engine;                    // cmbEngine's position (-1 none)
    std::function<QString()> writerEntry;              // the selected cboDrv text
    std::function<qint32()> writerPosition;            // its position (the second engine's recorder)
    std::function<qint32()> speed;                     // the selected cboSpeed item value
    std::function<QString()> volumeName;               // txtCDName
    std::function<bool(const QString& box)> boxTicked; // chkISO, chkJOLIET, chkUDF
    std::function<bool()> imapi2Installed;             // the window's check, with its question
    std::function<void()> eraseTempFiles;
};

class DataBurnJob : public Job {
    Q_OBJECT
public:
    DataBurnJob(components::cAudioDataBurner& first, components::cBurner& second, EndActions& end,
                DataBurnChoices choices, QObject* parent = nullptr);

    // The preparation's outcome that the end of job reads.
    bool g_bBatchError = false;
    qint32 failedItems = 0;
    qint32 triedItems = 0;

    // Burns exactly these files with the chosen engine. False when nothing
    // was started (already burning, no file: "Nothing to burn.", or the
    // second engine missing).
    bool Burn(const QStringList& files);
    void Abort() override;
    void DoEndEvents();

public slots:
    void cAudioDataBurner1_BurnStarted();
    void cAudioDataBurner1_BurnProgress(qint16 Percent);
    void cAudioDataBurner1_ClosingSession();
    void cAudioDataBurner1_BurnFinished();
    void cAudioDataBurner1_BurnError(qint32 Code, const QString& Message);
    void cBurner1_BurnerInitializing();
    void cBurner1_StartBurning();
    void cBurner1_BurnerFileCount(qint32 Files, qint32 Folders);
    void cBurner1_BurnerAddingFile(const QString& Path);
    void cBurner1_BurnerProgress(qint32 Percent);
    void cBurner1_BurnerFinalization();
    void cBurner1_BurnerCompleted();
    void cBurner1_BurnerDoneBurn();
    void cBurner1_BurnerCanceled();
    void cBurner1_BurnerEnd();
    void cBurner1_BurnerError(const QString& Detail, const QString& Message);
    void cBurner1_BurnerNote(const QString& Text);

private:
    void BurnDiskImapiV1(const QStringList& files);
    bool BurnDiskImapiV2(const QStringList& files);
    void ShowPercent(qint32 percent);
    void Succeeded();
    void Failed(const QString& text, bool tooBig);
    QString DriveLetter() const;

    components::cAudioDataBurner& m_first;
    components::cBurner& m_second;
    DataBurnChoices m_choices;
    bool m_abortRequested = false;
};

} // namespace core
