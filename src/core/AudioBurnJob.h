// The burn of the Audio CD Burner as a job: the "Burn" button (the track list
// from the files handed over, BurnDisk), the burner's events in the log, the
// labels and the bars, Abort, and the end-of-job events. The burner burns
// every track in one call, so this job has no item step of its own.
//
// While BurnCD runs, the job is running (the window's "Burn" disabled, the
// window kept open), whatever the events say; both come back when the call
// returns, and Finished(success) follows, success only for a burn that
// finished cleanly. The end-of-job events run only then, never after an
// error or an abort.
//
// Also the window's display rules that need no widget: the minutes of the
// items against 80, the speed entries and the disc capacity in minutes.
#pragma once

#include "components/cAudioBurner.h"
#include "core/Job.h"

#include <QString>
#include <QStringList>

#include <functional>

namespace core {

// "1764 KB/s (10x)".
QString SpeedEntryText(qint32 kbps);
// "80 Min" for the component's capacity value.
QString DiscCapacityText(qint32 capacity);

// What the window shows for the items it was handed.
struct DataSizeDisplay {
    qint64 minutes = 0;     // secs / 60, halves to even
    bool overLimit = false; // more than 80 minutes (exactly 80 is not)
    QString filesToConvert; // "4 items to burn (12 minutes)."
    QString totalSizePanel; // "12 Min / 80 Min."
    QString dataSize;       // "Data Size: 4 files, 12 Min / 80 Min." or the warning
};
DataSizeDisplay DataSize(qint64 seconds, qint32 items);

// The writer and speed chosen on the Settings page, and the tray button.
struct BurnChoices {
    std::function<QString()> writerEntry; // the selected cboDrv text ("" when none)
    std::function<qint32()> speed;        // the selected cboSpeed item value
    std::function<void()> openCD;         // cmdOpenCD_Click
};

// How a burn writes and shows itself: the Audio CD Burner's by default. The
// duplicator's copy (a stage of its job) is disc-at-once, leaves the end of
// job to its job and shows itself as the copy does.
struct AudioBurnStyle {
    // True: the tracks follow each other with no gap; false: track-at-once.
    bool discAtOnce = false;
    // False: no end-of-job events after a clean finish (the caller's job ends).
    bool endEvents = true;
    // The copy's display: both bars from 0 when the burn starts, "Files:
    // <track>/<n>" at every progress, "Closing session, please wait..." with
    // both bars full, and errors and "Nothing to burn." in the caption too.
    bool copyDisplay = false;
};

class AudioBurnJob : public Job {
    Q_OBJECT
public:
    AudioBurnJob(components::cAudioBurner& burner, EndActions& end, BurnChoices choices,
                 AudioBurnStyle style = {}, QObject* parent = nullptr);

    // The window state, by its own names.
    bool g_bBatchError = false;
    qint32 g_lLastTrack = 0;

    // The Burn button with the files of the window's rows, in grid order.
    // Returns when the burn has ended; false when there was nothing to burn
    // (after "Nothing to burn.").
    bool Start(const QStringList& files);
    // The burn itself, without the window's opening lines: the files become
    // the track list and are burned. False when nothing was started (already
    // running, or nothing to burn: after "Nothing to burn.").
    bool Burn(const QStringList& files);
    // Burns the track list; false (after "Nothing to burn.") when it is empty.
    bool BurnDisk();
    void Abort() override;
    void DoEndEvents();

    // The drive root of the chosen writer ("E:/").
    QString DriveRoot() const;

public slots:
    void cAudioBurner1_StepProgress(qint16 Percent, qint16 Unused);
    void cAudioBurner1_BurnProgress(qint16 Percent, qint16 Track);
    void cAudioBurner1_ClosingSession();
    void cAudioBurner1_ClosingTrack(qint16 Track);
    void cAudioBurner1_CachingTrack();
    void cAudioBurner1_WritingTrack();
    void cAudioBurner1_BurnFinished();
    void cAudioBurner1_BurnError(qint32 Code, const QString& Message);

private:
    // Log, task and (in the copy's display) caption.
    void ShowError(const QString& text);

    components::cAudioBurner& m_burner;
    BurnChoices m_choices;
    AudioBurnStyle m_style;
    qint32 m_files = 0;
    bool m_abortRequested = false;
    bool m_finishedWell = false;
};

} // namespace core
