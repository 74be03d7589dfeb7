#include "core/Job.h"

#include "core/Services.h"
#include "core/mdlModes.h"

#include <QMetaObject>

namespace core {

void RunEndActions(EndActions& actions, const EndOfJob& end) {
    auto extraSteps = [&](bool afterSound) {
        for (const ExtraEndStep& step : end.extraSteps)
            if (step.afterSound == afterSound && step.run && actions.Wanted(step.box)) step.run();
    };
    if (actions.Wanted(BOX_PLAY_SOUND)) actions.PlaySound();
    extraSteps(true);
    // No folder (a burner without a writer): nothing to open.
    if (!end.folder.isEmpty() && actions.Wanted(BOX_OPEN_DEST_FOLDER)) actions.OpenFolder(end.folder);
    if (actions.Wanted(BOX_NOTICE_APP)) actions.RunNoticApp();
    extraSteps(false);
    // Never after a failed item: the user has to see what went wrong.
    if (!end.failures && actions.Wanted(BOX_TURN_OFF)) actions.TurnOffCountdown(30);
}

Job::Job(EndActions& end, QObject* parent) : QObject(parent), m_end(end) {}

Job::~Job() = default;

QString Job::AppTitle() {
    return g_sProductName + QLatin1Char(' ') + g_sProductVersion;
}

int Job::Ask(const QString& prompt, int style, const QString& title) {
    if (m_whole) return m_whole->Ask(prompt, style, title);
    if (m_questions) return m_questions->Ask(prompt, style, title);
    return services().msgBox(nullptr, prompt, style, title);
}

void Job::cmdAbort_Click() {
    if (!m_running) return;
    const int answer =
        Ask(QStringLiteral("Abort operation?") + QString(38, u' '), vbYesNo | vbInformation, AppTitle());
    if (answer != vbYes) return;
    // The job may have ended while the question was open.
    if (!m_running) return;
    Abort();
    m_end.Balloon(QStringLiteral("Aborted."));
}

void Job::ConnectSubJob(Job& sub, std::function<void()> succeeded, std::function<void()> failed) {
    sub.m_whole = this;
    m_subJobs << &sub;
    connect(&sub, &Job::LogLine, this, &Job::LogLine);
    connect(&sub, &Job::LogSeparator, this, &Job::LogSeparator);
    connect(&sub, &Job::ShowLog, this, &Job::ShowLog);
    connect(&sub, &Job::CurrentTask, this, &Job::CurrentTask);
    connect(&sub, &Job::FilesLabel, this, &Job::FilesLabel);
    connect(&sub, &Job::TimeLeft, this, &Job::TimeLeft);
    connect(&sub, &Job::Caption, this, &Job::Caption);
    connect(&sub, &Job::Busy, this, &Job::Busy);
    connect(&sub, &Job::CurrentProgress, this, &Job::SetCurrentBar);
    connect(&sub, &Job::TotalProgress, this, [this](qint32 value, qint32 max) {
        m_totalBar = value;
        m_totalBarMax = max;
        emit TotalProgress(value, max);
    });
    connect(&sub, &Job::Running, this, [this](bool running) {
        if (running && !m_running) SetRunning(true);
    });
    connect(&sub, &Job::Finished, this,
            [this, succeeded = std::move(succeeded), failed = std::move(failed)](bool success) {
                // A stage that ends after its job has ended (or before it started) is none of its business.
                if (!m_running) return;
                if (m_abortBetweenStages) {
                    emit LogLine(QStringLiteral("Aborted."));
                    emit CurrentTask(QStringLiteral("Aborted."));
                    emit Caption(QStringLiteral("Aborted."));
                    End(false);
                } else if (success) {
                    if (succeeded) succeeded();
                } else if (failed) {
                    failed();
                } else {
                    End(false);
                }
            });
}

void Job::AbortSubJobs() {
    for (Job* sub : std::as_const(m_subJobs))
        if (sub->IsRunning()) {
            sub->Abort();
            return;
        }
    // The stage that ended has its end queued: the job stops there.
    m_abortBetweenStages = true;
}

void Job::End(bool success) {
    SetRunning(false);
    Finish(success);
}

void Job::SetRunning(bool running) {
    if (running && !m_running) m_abortBetweenStages = false;
    m_running = running;
    emit Running(running);
}

void Job::SetCurrentBar(qint32 value) {
    m_currentBar = value;
    emit CurrentProgress(value);
}

void Job::SetTotalBar(qint32 value) {
    m_totalBar = value;
    emit TotalProgress(m_totalBar, m_totalBarMax);
}

void Job::SetTotalBarMax(qint32 max) {
    m_totalBarMax = max;
    emit TotalProgress(m_totalBar, m_totalBarMax);
}

void Job::Step(const QString& text) {
    emit LogLine(text);
    emit CurrentTask(text);
}

void Job::Finish(bool success) {
    QMetaObject::invokeMethod(
        this, [this, success] { emit Finished(success); }, Qt::QueuedConnection);
}

} // namespace core
