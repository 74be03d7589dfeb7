// The burn stage and end of job of the data-disc burner, without widgets:
// the files that the preparation produced go to the first engine
// (cAudioDataBurner) or the second (cBurner), the engine's events reach the
// window's log, label and bars, Abort stops the write, and the end-of-job
// events run once, after a burn that finished well.
//
// It reaches its window through the batch run's BatchView and EndActions and
// a few choices of the Settings page.
#pragma once

#include "components/cAudioDataBurner.h"
#include "components/cBurner.h"
#include "conversion/BatchRun.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

namespace burning {

// The end-of-job boxes of this window besides the frame's four.
inline const QString BOX_EJECT_CD = QStringLiteral("chkOpenCDdrive");
inline const QString BOX_ERASE_TEMP = QStringLiteral("chkEraseTempfiles");

// What the stage reads of the Settings page and asks of the window.
struct DataBurnChoices {
    std::function<qint32()> engine;                    // cmbEngine's position (-1 none)
    std::function<QString()> writerEntry;              // the selected cboDrv text
    std::function<qint32()> writerPosition;            // its position (the second engine's recorder)
    std::function<qint32()> speed;                     // the selected cboSpeed item value
    std::function<QString()> volumeName;               // txtCDName
    std::function<bool(const QString& box)> boxTicked; // chkISO, chkJOLIET, chkUDF
    std::function<bool()> imapi2Installed;             // the window's check, with its question
    std::function<void(bool enable)> enableTrayLinks;
    std::function<void(bool enable)> enableAbort;
    std::function<void()> eraseTempFiles;
};

class DataBurnRun : public QObject {
    Q_OBJECT
public:
    DataBurnRun(components::cAudioDataBurner& first, components::cBurner& second, conversion::BatchView& view,
                conversion::EndActions& end, DataBurnChoices choices, QObject* parent = nullptr);

    // The preparation's outcome that the end of job reads.
    bool g_bBatchError = false;
    qint32 failedItems = 0;
    qint32 triedItems = 0;

    bool IsBurning() const { return m_burning; }
    // Burns exactly these files with the chosen engine; nothing when the list is empty.
    void Burn(const QStringList& files);
    void BurnDiskImapiV1(const QStringList& files);
    void BurnDiskImapiV2(const QStringList& files);
    // While a burn runs: asks, then stops the write (the engine's end follows).
    void cmdAbort_Click();
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

signals:
    // After the burn's one end (finished well or not) and the end of job.
    void BurnEnded(bool ok);

private:
    void Step(const QString& text);
    void EnableControls(bool enable);
    void Failed(const QString& text, bool tooBig);
    QString DriveLetter() const;

    components::cAudioDataBurner& m_first;
    components::cBurner& m_second;
    conversion::BatchView& m_view;
    conversion::EndActions& m_end;
    DataBurnChoices m_choices;
    bool m_burning = false;
    bool m_abortRequested = false;
};

} // namespace burning
