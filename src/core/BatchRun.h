// The item-by-item run of every batch tool window, written once as a job: the
// run start, the row walk (ConvertTracks), the preparation of one item
// (ConvertTask), the component's progress, done, error and aborted events,
// the one-second time-left timer, Abort and the end-of-job events
// (DoEndEvents).
//
// The window hands the run its item rows and choices when it starts
// (BatchRequest); the run knows its component only through ItemJob, shows
// itself through the Job signals (toolframe/JobBinding.h binds them to a
// window), asks its questions through JobQuestions and ends through
// EndActions. What windows do differently is a BatchPolicy: the token set,
// flags and texts, the extra end steps, and four hooks (destExtensionFor,
// onRunStart, outputName, preparingLine).
//
// A new item-by-item tool is, like the splitter and the data-disc
// preparation, an ItemJob over its component (the converter's is
// ConverterItemJob), a BatchPolicy, and a window that builds the
// BatchRequest from its grid.
#pragma once

#include "core/BatchTemplates.h"
#include "core/ItemJob.h"
#include "core/Job.h"

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <optional>

namespace core {

// One item row of a run, as the window's grid holds it.
struct BatchItem {
    bool marked = true; // the row's "Inc" mark
    QString file;       // the source
    QString itemName;   // "[item_name]", "[ITEM_NAME]"
    QString rangeText;  // "[RANGE]"
    // The seconds the time left counts for the item (its length, or its
    // range's); nullopt: unreadable, the previous item's count stays.
    std::optional<qint32> seconds;
    bool ranged = false;
    qint32 rangeStart = 0;  // seconds
    qint32 rangeLength = 0; // seconds
    ItemTags tags;          // as written in the grid, tokens not yet replaced
};

// What a window hands the run when it starts.
struct BatchRequest {
    QList<BatchItem> rows; // row n of the run is rows[n - 1]
    QString destination;   // as typed
    bool createSubFolder = false;
    QString subFolderName;
    bool overwrite = false; // an existing output is replaced without asking
    QString fileNameTemplate;
    RunOutput output;
};

// What one window does differently from the Audio Converter.
struct BatchPolicy {
    // Tags: none (the ACM Converter), the short token set ("[SOURCE_NAME]",
    // "[ITEM_NAME]" and "[RANGE]" stay as written: the ripper, the
    // splitter), or all.
    enum class Tags { None, Short, Full };
    Tags tags = Tags::Full;
    // The log's "Preparing to <verb>: " and "Start to <verb>: ".
    QString verb = QStringLiteral("convert");
    // The run's verb in "Preparing to ...", when it is not the items' (the data
    // disc prepares to burn and starts to convert each item); empty: verb.
    QString runVerb;
    // The ACM Converter's (and the splitter's) display: no hourglass, the
    // product name as caption (and the time left zeroed at the end), errors
    // in the log only, "Aborted." in the log and the task label only.
    bool quietDisplay = false;
    // True: rows without a mark are passed over (the ripper hands every track).
    bool markedRowsOnly = false;
    // True: the seconds finished in earlier runs do not count as done (the ripper).
    bool resetFinishedSecondsAtStart = false;
    // End-of-job events at the completion; false for a stage that others follow.
    bool endEvents = true;
    // The "Done." balloon at the completion; false for a stage that others follow.
    bool completionBalloon = true;
    // "[dest_extension]" of an item from its source path (a copy keeps its
    // own); empty: the run's output format gives it. A run with it is not
    // refused for want of a format.
    std::function<std::optional<QString>(const QString& source)> destExtensionFor;
    QList<ExtraEndStep> extraEndSteps;
    // Called at run start after the output hand-over (the ripper's drive).
    std::function<void()> onRunStart;
    // Each row's output file name, instead of the file-name template (the
    // splitter names its parts after their one source); a run with it needs
    // no template.
    std::function<QString(qint32 row)> outputName;
    // The run's first log line, when it is not "Preparing to <verb>: <n> tracks."
    std::function<QString()> preparingLine;
    // True: "No" at the overwrite question ends the run as "Cancel" does,
    // without its "Aborted." line (the splitter stops at the part).
    bool noEndsRun = false;
    // False: no hourglass while an item is prepared (the duplicator's rips).
    bool hourglass = true;
    // False: the completion says "Done." in the task and caption, failed
    // items or not (a stage whose job says so at its own end).
    bool doneCountsFailures = true;
};

class BatchRun : public Job {
    Q_OBJECT
public:
    enum class Ending {
        Completed, // every row walked (items may have failed: FailedCount)
        Cancelled, // Cancel at an overwrite prompt (or No, with noEndsRun)
        Aborted,   // Abort: the job reported Aborted, or the item in hand ended after it
    };
    Q_ENUM(Ending)

    // ConvertTask results.
    static constexpr qint32 kStarted = 0;
    static constexpr qint32 kSkipped = 1;
    static constexpr qint32 kCancelled = 2;
    static constexpr qint32 kFailed = 3; // refused before the job was started (logged as an error)

    BatchRun(ItemJob& job, EndActions& endActions, BatchPolicy policy = {}, QObject* parent = nullptr);
    ~BatchRun() override;

    // The window state, by its own names.
    qint32 g_ltmrItemSecsTotal = 0; // total seconds of the items, set by the window at the hand-over
    bool g_bBatchError = false;
    qint32 g_lCurrentRow = 0;
    qint32 g_ltmrItemSecs = 0;
    qint32 g_ltmrCurItemSecs = 0;
    qint32 g_ltmrUpToItemSecs = 0;
    qint32 g_ltmrSces = 0;

    // The five counters to 0 (at load).
    void ResetCounters();
    // The clock the time left is measured on, in milliseconds of a steady
    // clock (tests inject their own). A run reads it at its start and at
    // each tick of its one-second timer.
    void SetClock(std::function<qint64()> clock);
    bool TimerEnabled() const { return m_timer.isActive(); }
    // Items of the current (or last) run that failed, and that were tried.
    qint32 FailedCount() const { return m_failed; }
    // How the current (or last) run ended.
    Ending LastEnding() const { return m_ending; }
    qint32 TriedCount() const { return m_tried; }
    const BatchPolicy& Policy() const { return m_policy; }
    ItemJob& Component() { return m_job; }

    // The run button. False when the run was refused (already running, no
    // destination, no file-name template or no usable format; the last three
    // with a message).
    bool Start(const BatchRequest& request);
    void ConvertTracks();
    qint32 ConvertTask(qint32 lRow);
    void DoEndEvents();
    void Timer1_Timer();
    void Abort() override;
    // The destination folder of the current (or last) run, with its closing
    // "/"; the window shows it and keeps it in the path history.
    QString Destination() const { return m_destFolder; }
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
    // The row of the item being prepared (the window selects it).
    void SelectRow(qint32 row);
    // After the last step of a run's end (the end-of-job events included),
    // just before the queued Finished(success).
    void Ended(core::BatchRun::Ending ending);

private:
    void FailItem(qint32 code, const QString& description);
    void ShowError(const QString& text);
    void CompletedEnd(qint32 rows);
    void CancelledEnd();
    void AbortedEnd();
    void SetBusy(bool busy);
    // The last step of every end: Ended, then the queued Finished.
    void Conclude(Ending ending, bool success);
    TagContext TagContextOf(qint32 row) const;
    qint64 ClockMs() const;
    qint32 RowCount() const { return static_cast<qint32>(m_request.rows.size()); }
    const BatchItem& Row(qint32 row) const { return m_request.rows[row - 1]; }

    ItemJob& m_job;
    BatchPolicy m_policy;
    QTimer m_timer;
    std::function<qint64()> m_clock;
    qint64 m_runStartMs = 0;
    bool m_abortRequested = false;
    Ending m_ending = Ending::Completed;
    qint32 m_failed = 0;
    qint32 m_tried = 0;
    BatchRequest m_request;
    RunOutput m_output;
    QString m_destFolder; // with its closing "/"
    QString m_underFolder;
    QSet<QString> m_runPaths; // outputs of this run, so that no item overwrites another's
    QString m_itemPath;       // the output of the item being converted
    QStringList m_produced;
};

} // namespace core
