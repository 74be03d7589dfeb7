// The job: every long piece of work a tool window starts (a batch of items,
// a burn, later a copy of a disc or a recording) is one of these widget-free
// objects. The window sets it up, starts it, and shows it through the GUI
// binding (toolframe/JobBinding.h); the job never opens a dialog itself.
//
// Contract of every job:
//  - a start method of its own (the batch run's Start(request), the burn's
//    Start(files)), handed everything the job needs of the window; a refused
//    start returns false and is followed by no Finished;
//  - while it runs: Running(true), log lines, the current task, the two bars
//    and the labels, as signals on the job's thread (the GUI thread);
//  - Abort() stops it cooperatively; cmdAbort_Click() first asks "Abort
//    operation?" through the job's questions;
//  - exactly one Finished(success) per accepted start, always queued (never
//    from inside the start or the abort call); success means "ended well",
//    and only then have the end-of-job actions run (RunEndActions);
//  - questions asked mid-run (overwrite?, abort?, insert a blank disc) go
//    through JobQuestions, which windows answer with core::services().
//
// A new long-running tool derives from Job, emits these signals from its
// component's events, calls RunEndActions at its good end and Finish() once.
// A job made of stages (rip then burn, prepare then burn) is one job over
// sub-jobs (ConnectSubJob): the window starts and shows only the whole.
#pragma once

#include <QList>
#include <QObject>
#include <QString>

#include <functional>

namespace core {

// The end-of-job boxes every tool window has (the controls' names).
inline const QString BOX_PLAY_SOUND = QStringLiteral("chkPlaySound");
inline const QString BOX_OPEN_DEST_FOLDER = QStringLiteral("chkOpenDestFolder");
inline const QString BOX_NOTICE_APP = QStringLiteral("chkNoticeApp");
inline const QString BOX_TURN_OFF = QStringLiteral("chkTurnOffComputer");
// The disc windows' own box: eject the CD (the ripper's and the burner's drive).
inline const QString BOX_OPEN_CD_DRIVE = QStringLiteral("chkOpenCDdrive");

// The questions a job asks while it runs. Windows answer them with
// core::services().msgBox and themselves as owner; without an answerer the
// job asks core::services() with no owner.
class JobQuestions {
public:
    virtual ~JobQuestions() = default;
    // A message-box question; returns the button chosen (core::vbYes, vbNo, vbCancel ...).
    virtual int Ask(const QString& prompt, int style, const QString& title) = 0;
};

// The end-of-job actions and the tray balloon, as the window offers them.
class EndActions {
public:
    virtual ~EndActions() = default;
    // True when the window's end-of-job box of that name is ticked (read when the job ends).
    virtual bool Wanted(const QString& box) const = 0;
    // The sound of the end of a job (the Events settings' file).
    virtual void PlaySound() = 0;
    virtual void OpenFolder(const QString& folder) = 0;
    // The end-of-job program, split into program and arguments before its
    // tokens are replaced, started without a shell.
    virtual void RunNoticApp() = 0;
    // The modal turn-off countdown.
    virtual void TurnOffCountdown(qint32 seconds) = 0;
    // The main window's tray balloon.
    virtual void Balloon(const QString& text) = 0;
};

// A window's own end-of-job step, run when its box is ticked: after the
// program and before the turn-off (the ripper's "Eject the CD door"), or,
// with afterSound, right after the sound (the data-disc burner's steps).
struct ExtraEndStep {
    QString box;
    std::function<void()> run;
    bool afterSound = false;
};

// What the end of a job that ended well does.
struct EndOfJob {
    QString folder;                 // opened by "Open destination folder"
    QList<ExtraEndStep> extraSteps; // the window's own steps
    bool failures = false;          // an item failed: no turn-off, the user has to see it
};

// The end-of-job actions, written once for every job: the sound, the folder,
// the program, the window's own steps and the turn-off countdown, each when
// its box is ticked.
void RunEndActions(EndActions& actions, const EndOfJob& end);

class Job : public QObject {
    Q_OBJECT
public:
    explicit Job(EndActions& end, QObject* parent = nullptr);
    ~Job() override;

    bool IsRunning() const { return m_running; }
    // Closing the window is refused while the job runs.
    bool CanClose() const { return !m_running; }
    // Who answers the questions (not owned; null: core::services() without an owner).
    void SetQuestions(JobQuestions* questions) { m_questions = questions; }
    EndActions& EndOfJobActions() { return m_end; }

    // Stops the running work cooperatively; the job then finishes unsuccessfully.
    virtual void Abort() = 0;
    // The Abort button: asks "Abort operation?"; on Yes, while still running,
    // Abort() and the "Aborted." balloon. Nothing is asked while idle.
    void cmdAbort_Click();

    qint32 CurrentBar() const { return m_currentBar; }
    qint32 TotalBar() const { return m_totalBar; }
    qint32 TotalBarMax() const { return m_totalBarMax; }

signals:
    // Running: the window's run and exit buttons disabled.
    void Running(bool running);
    void LogLine(const QString& text);
    // A bare line break when the log is not empty (an empty line between runs).
    void LogSeparator();
    // The Log page is brought to the front.
    void ShowLog();
    void CurrentTask(const QString& text);
    void FilesLabel(const QString& text);
    void TimeLeft(const QString& text);
    void Caption(const QString& text);
    // The hourglass while an item is prepared.
    void Busy(bool busy);
    void CurrentProgress(qint32 value);
    void TotalProgress(qint32 value, qint32 max);
    // Exactly one per accepted start, always queued.
    void Finished(bool success);

protected:
    int Ask(const QString& prompt, int style, const QString& title);
    // Makes `sub` a stage of this job: called once per stage while this job
    // is made, `sub` living as long as this job. From then on
    //  - its log lines, task, labels, caption, hourglass and bars are this
    //    job's (the bars' figures too), and its questions are asked through
    //    this job's answerer;
    //  - when it starts running this job runs too; its own end of running is
    //    not this job's, which runs over all its stages until End;
    //  - its end (its queued Finished), while this job runs, calls
    //    `succeeded` when it ended well, else `failed`; without `failed` this
    //    job then ends with failure.
    // This job starts its stages itself and stops the running one with AbortSubJobs.
    void ConnectSubJob(Job& sub, std::function<void()> succeeded, std::function<void()> failed = {});
    // Aborts the stage that runs. Between two stages (one has ended, the next
    // is not started yet) the job ends instead at that end, with "Aborted.".
    void AbortSubJobs();
    // No longer running, then the one queued Finished(success).
    void End(bool success);
    void SetRunning(bool running);
    void SetCurrentBar(qint32 value);
    void SetTotalBar(qint32 value);
    void SetTotalBarMax(qint32 max);
    // The task text in the log and in the current-task label.
    void Step(const QString& text);
    // Emits Finished(success) queued.
    void Finish(bool success);
    // "<product> <version>": the title of a job's questions.
    static QString AppTitle();

private:
    EndActions& m_end;
    JobQuestions* m_questions = nullptr;
    Job* m_whole = nullptr; // the job this one is a stage of
    QList<Job*> m_subJobs;  // the stages of this job
    bool m_abortBetweenStages = false;
    bool m_running = false;
    qint32 m_currentBar = 0;
    qint32 m_totalBar = 0;
    qint32 m_totalBarMax = 100;
};

} // namespace core
