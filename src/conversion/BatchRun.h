// The batch run of every item-by-item tool window, written once: the run
// start, the row walk (ConvertTracks), the preparation of one item
// (ConvertTask), the job's progress, done, error and aborted events, the
// one-second time-left timer, Abort with its question and the end-of-job
// events (DoEndEvents).
//
// The run knows its window only through BatchView, its component only through
// ItemJob and the end-of-job actions only through EndActions; prompts go
// through core::services(). What the windows do differently is a BatchPolicy.
#pragma once

#include "conversion/BatchTemplates.h"
#include "conversion/ItemJob.h"
#include "itemlists/Templates.h"

#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>

class QWidget;

namespace conversion {

// Names of the end-of-job boxes the run asks the view about.
inline const QString BOX_PLAY_SOUND = QStringLiteral("chkPlaySound");
inline const QString BOX_OPEN_DEST_FOLDER = QStringLiteral("chkOpenDestFolder");
inline const QString BOX_NOTICE_APP = QStringLiteral("chkNoticeApp");
inline const QString BOX_TURN_OFF = QStringLiteral("chkTurnOffComputer");

// The window as the run sees it. Rows are 1-based; cells are read as text by
// column key (itemlists::COL_*).
class BatchView {
public:
    virtual ~BatchView() = default;

    // --- rows
    virtual qint32 RowCount() const = 0;
    virtual QString Cell(qint32 row, const QString& key) const = 0;
    // The picture number of the row's "Inc" cell (1 = marked).
    virtual qint32 RowMark(qint32 row) const = 0;
    virtual void SelectRow(qint32 row) = 0;

    // --- the choices of the Settings and Events pages
    virtual QString DestinationText() const = 0;
    virtual void SetDestinationText(const QString& text) = 0;
    // The destination becomes the newest entry of the path history.
    virtual void RememberDestination() = 0;
    virtual bool CreateSubFolderChecked() const = 0;
    virtual QString SubFolderName() const = 0;
    virtual bool OverwriteChecked() const = 0;
    virtual QString FileNameTemplate() const = 0;
    virtual QString TargetFormatText() const = 0;
    // An end-of-job box by its name (BOX_* or a window's own, such as "chkOpenCDdrive").
    virtual bool EndEventChecked(const QString& box) const = 0;

    // --- display
    // Running: the run button and the exit button disabled.
    virtual void SetRunning(bool running) = 0;
    virtual void SetBusyPointer(bool busy) = 0;
    virtual void SetCurrentTrack(const QString& text) = 0;
    virtual void SetFilesToConvert(const QString& text) = 0;
    virtual void SetTimeLeft(const QString& text) = 0;
    virtual void SetCaption(const QString& text) = 0;
    virtual void SetCurrentBar(qint32 value) = 0;
    virtual qint32 CurrentBar() const = 0;
    virtual void SetTotalBarMax(qint32 max) = 0;
    virtual qint32 TotalBarMax() const = 0;
    virtual void SetTotalBar(qint32 value) = 0;
    virtual qint32 TotalBar() const = 0;
    virtual void LogLine(const QString& text) = 0;
    // A bare line break when the log is not empty (an empty line between runs).
    virtual void LogRunSeparator() = 0;
    virtual void ShowLogPage() = 0;
    // Owner of the prompts.
    virtual QWidget* PromptOwner() const { return nullptr; }
};

// The end-of-job actions and the tray balloon.
class EndActions {
public:
    virtual ~EndActions() = default;
    virtual void PlaySound(const QString& file) = 0;
    virtual void OpenFolder(const QString& folder) = 0;
    // The end-of-job program, split into program and arguments before its
    // tokens are replaced, started without a shell.
    virtual void RunNoticApp() = 0;
    // The modal turn-off countdown.
    virtual void TurnOffCountdown(qint32 seconds) = 0;
    // The main window's tray balloon.
    virtual void Balloon(const QString& text) = 0;
};

// EndActions over core::services() (sound, folder, program); the balloon, the
// countdown and the values of the program's file tokens are hooks (empty: nothing).
class StandardEndActions : public EndActions {
public:
    std::function<void(const QString&)> balloon;
    std::function<void(qint32)> turnOffCountdown;
    // The item values of the program's file tokens (the main window's last row).
    std::function<itemlists::NoticFileValues()> noticValues;

    void PlaySound(const QString& file) override;
    void OpenFolder(const QString& folder) override;
    void RunNoticApp() override;
    void TurnOffCountdown(qint32 seconds) override;
    void Balloon(const QString& text) override;
};

// A window's own end-of-job step, run when its box is ticked, after the
// program and before the turn-off (the ripper's "Eject the CD door").
struct ExtraEndStep {
    QString box;
    std::function<void()> run;
};

// What one window does differently from the Audio Converter.
struct BatchPolicy {
    // Tags: set from the row's tag cells, or none at all (ACM Converter).
    bool useTags = true;
    // False: "[SOURCE_NAME]", "[ITEM_NAME]" and "[RANGE]" stay in the tags as written.
    bool fullTagTokens = true;
    // "[TRACK_NUM]" of a row; empty: the row number.
    std::function<QString(qint32 row)> trackNumber;
    // False: the overwrite box is not read, an existing output always asks (ACM Converter).
    bool honourOverwriteBox = true;
    // True: rows whose "Inc" mark is not 1 are passed over (the ripper).
    bool markedRowsOnly = false;
    // True: the seconds finished in earlier runs do not count as done (the ripper).
    bool resetFinishedSecondsAtStart = false;
    // Log texts.
    QString preparingText = QStringLiteral("Preparing to convert: ");
    QString startText = QStringLiteral("Start to convert: ");
    // Display.
    bool busyPointer = true;          // hourglass while an item is prepared
    bool progressCaption = true;      // false: the caption shows the product name and version
    bool errorToLabel = true;         // the error text in the label and caption
    bool abortedToCaption = true;     // "Aborted." in the caption at the Aborted event
    bool productCaptionAtEnd = false; // caption = product name and version, time left zeroed at the end
    // The output of the run; empty: OutputForFormat of the view's target format.
    std::function<RunOutput()> output;
    // Called at run start after the output hand-over (the ripper's drive).
    std::function<void()> onRunStart;
    // End-of-job events at the completion; false for a stage that others follow.
    bool endEvents = true;
    // The "Done." balloon at the completion; false for a stage that others follow.
    bool completionBalloon = true;
    // "[dest_extension]" of an item from its source path (a copy keeps its
    // own); empty: the run's output format gives it.
    std::function<std::optional<QString>(const QString& source)> destExtensionFor;
    QList<ExtraEndStep> extraEndSteps;
};

class BatchRun : public QObject {
    Q_OBJECT
public:
    enum class Ending {
        Completed, // every row walked (items may have failed: FailedCount)
        Cancelled, // Cancel at an overwrite prompt
        Aborted,   // the job reported Aborted (Abort button)
    };
    Q_ENUM(Ending)

    // ConvertTask results.
    static constexpr qint32 kStarted = 0;
    static constexpr qint32 kSkipped = 1;
    static constexpr qint32 kCancelled = 2;
    static constexpr qint32 kFailed = 3; // refused before the job was started (logged as an error)

    BatchRun(ItemJob& job, BatchView& view, EndActions& endActions, BatchPolicy policy = {},
             QObject* parent = nullptr);
    ~BatchRun() override;

    // The window state, by its own names.
    qint32 g_ltmrItemSecsTotal = 0; // total seconds of the items, set by the launcher
    bool g_bBatchError = false;
    qint32 g_lCurrentRow = 0;
    qint32 g_ltmrItemSecs = 0;
    qint32 g_ltmrCurItemSecs = 0;
    qint32 g_ltmrUpToItemSecs = 0;
    qint32 g_ltmrSces = 0;

    // The five counters to 0 (at load).
    void ResetCounters();
    // The clock the time left is measured on, in milliseconds of a steady
    // clock (tests inject their own). Each run reads it once at its start.
    void SetClock(std::function<qint64()> clock);
    bool IsRunning() const { return m_running; }
    // Closing is refused while a run is active.
    bool CanClose() const { return !m_running; }
    bool TimerEnabled() const { return m_timer.isActive(); }
    // Items of the current (or last) run that failed, and that were tried.
    qint32 FailedCount() const { return m_failed; }
    qint32 TriedCount() const { return m_tried; }
    const BatchPolicy& Policy() const { return m_policy; }
    ItemJob& Job() { return m_job; }

    // The run button. False when the run was refused (already running, no
    // destination or no file-name template; the last two with a message).
    bool cmdConvert_Click();
    void ConvertTracks();
    qint32 ConvertTask(qint32 lRow);
    void DoEndEvents();
    void Timer1_Timer();
    void cmdAbort_Click();
    // The output settings and destination of the current run.
    const RunOutput& Output() const { return m_output; }
    QString DestinationFolder() const { return m_destFolder + m_underFolder; }
    // The outputs of the current (or last) run's items that ended well, in row order.
    const QStringList& Produced() const { return m_produced; }

public slots:
    void Job_Progress(qint32 percent);
    void Job_Done();
    void Job_Error(qint32 code, const QString& description);
    void Job_Aborted();

signals:
    // After the last step of a run's end (the end-of-job events included).
    void Finished(conversion::BatchRun::Ending ending);

private:
    void FailItem(qint32 code, const QString& description);
    void CompletedEnd(qint32 rows);
    void CancelledEnd();
    void AbortedEnd();
    QString AppTitle() const;
    qint64 ClockMs() const;
    TagContext TagContextOf(qint32 row) const;

    ItemJob& m_job;
    BatchView& m_view;
    EndActions& m_end;
    BatchPolicy m_policy;
    QTimer m_timer;
    std::function<qint64()> m_clock;
    qint64 m_runStartMs = 0;
    bool m_running = false;
    bool m_abortRequested = false;
    qint32 m_failed = 0;
    qint32 m_tried = 0;
    RunOutput m_output;
    QString m_destFolder; // with its closing "/"
    QString m_underFolder;
    QString m_template;
    QSet<QString> m_runPaths; // outputs of this run, so that no item overwrites another's
    QString m_itemPath;       // the output of the item being converted
    QStringList m_produced;
};

} // namespace conversion
