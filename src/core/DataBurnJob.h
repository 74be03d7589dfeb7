// The burn stage of the data-disc job (DataDiscJob): the files that the
// preparation produced go to the first engine (cAudioDataBurner) or the
// second (cBurner), the engine's events show in the log, label and bars, and
// Abort stops the write. The end of job is the data-disc job's.
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

// What the data-disc job and its burn read of the Settings page and ask of the window.
struct DataBurnChoices {
    std::function<qint32()> engine;                    // cmbEngine's position (-1 none)
    std::function<QString()> writerEntry;              // the selected cboDrv text
    std::function<qint32()> writerPosition;            // its position (the second engine's recorder)
    std::function<qint32()> speed;                     // the selected cboSpeed item value
    std::function<QString()> volumeName;               // txtCDName
    std::function<bool(const QString& box)> boxTicked; // chkISO, chkJOLIET, chkUDF
    std::function<bool()> imapi2Installed;             // the window's check, with its question
    std::function<void()> eraseTempFiles;              // the temporary folder emptied
};

class DataBurnJob : public Job {
    Q_OBJECT
public:
    DataBurnJob(components::cAudioDataBurner& first, components::cBurner& second, EndActions& end,
                DataBurnChoices choices, QObject* parent = nullptr);

    // Burns exactly these files with the chosen engine. False when nothing
    // was started (already burning, no file: "Nothing to burn.", or the
    // second engine missing).
    bool Burn(const QStringList& files);
    void Abort() override;

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

    // The letter of the writer the choices name (empty without one).
    QString DriveLetter() const;

private:
    void BurnDiskImapiV1(const QStringList& files);
    bool BurnDiskImapiV2(const QStringList& files);
    void ShowPercent(qint32 percent);
    void Failed(const QString& text, bool tooBig);

    components::cAudioDataBurner& m_first;
    components::cBurner& m_second;
    DataBurnChoices m_choices;
    bool m_abortRequested = false;
};

} // namespace core
