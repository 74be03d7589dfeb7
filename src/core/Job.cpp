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

void Job::SetRunning(bool running) {
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
