// The burn run of the Audio CD Burner, without widgets: the "Burn" button
// (track list from the rows, BurnDisk), the burner's events in the log, the
// labels and the bars, Abort, and the end-of-job events. It reaches its window
// through the batch run's BatchView and EndActions, so the burner shares the
// tool windows' log and end-of-job events; only the item loop is its own,
// since the burner burns every track in one call.
//
// While BurnCD runs, "Burn" stays disabled and the window cannot close,
// whatever the events say; both come back when the call returns. The end-of-job
// events run only after a burn that finished cleanly, never after an error or
// an abort.
//
// Also the window's display rules that need no widget: the minutes of the
// items against 80, the speed entries and the disc capacity in minutes.
#pragma once

#include "components/cAudioBurner.h"
#include "conversion/BatchRun.h"

#include <QObject>
#include <QString>

#include <functional>

namespace burning {

// The end-of-job box of this window: open the writer's tray.
inline const QString BOX_OPEN_CD_DRIVE = QStringLiteral("chkOpenCDdrive");

// x rounded to the nearest whole number, a half to the even neighbour.
qint64 RoundHalfEven(double x);

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

class AudioBurnRun : public QObject {
    Q_OBJECT
public:
    AudioBurnRun(components::cAudioBurner& burner, conversion::BatchView& view, conversion::EndActions& end,
                 BurnChoices choices, QObject* parent = nullptr);

    // The window state, by its own names.
    bool g_bBatchError = false;
    qint32 g_lLastTrack = 0;

    bool IsBurning() const { return m_burning; }
    bool CanClose() const { return !m_burning; }

    void cmdConvert_Click();
    void BurnDisk();
    void cmdAbort_Click();
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

signals:
    // After BurnCD has returned and "Burn" is enabled again.
    void BurnEnded();

private:
    void Step(const QString& text);

    components::cAudioBurner& m_burner;
    conversion::BatchView& m_view;
    conversion::EndActions& m_end;
    BurnChoices m_choices;
    bool m_burning = false;
    bool m_abortRequested = false;
};

} // namespace burning
