#include "toolframe/JobBinding.h"

#include "controls/cProgressBar.h"
#include "core/Services.h"
#include "core/mdlFunctions.h"
#include "dialogs/mdlFunctionsGui.h"
#include "settings/SettingsVariables.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTextCursor>
#include <QWidget>

namespace toolframe {

void BindJob(core::Job& job, const JobWidgets& w) {
    QObject* context = w.window ? static_cast<QObject*>(w.window) : static_cast<QObject*>(&job);
    auto label = [&](QLabel* target, void (core::Job::*signal)(const QString&)) {
        if (!target) return;
        QPointer<QLabel> l = target;
        QObject::connect(&job, signal, context, [l](const QString& text) {
            if (l) l->setText(text);
        });
    };
    label(w.currentTask, &core::Job::CurrentTask);
    label(w.files, &core::Job::FilesLabel);
    label(w.timeLeft, &core::Job::TimeLeft);

    if (QPointer<QWidget> window = w.window) {
        QObject::connect(&job, &core::Job::Caption, context, [window](const QString& text) {
            if (window) window->setWindowTitle(text);
        });
        QObject::connect(&job, &core::Job::Busy, context, [window](bool busy) {
            if (!window) return;
            if (busy)
                window->setCursor(Qt::WaitCursor);
            else
                window->unsetCursor();
        });
    }
    if (QPointer<QPlainTextEdit> log = w.log) {
        QObject::connect(&job, &core::Job::LogLine, context, [log](const QString& text) {
            if (log) dialogs::AddLogLine(text, log);
        });
        QObject::connect(&job, &core::Job::LogSeparator, context, [log] {
            if (log) AddLogSeparator(log);
        });
    }
    if (w.showLog) QObject::connect(&job, &core::Job::ShowLog, context, w.showLog);
    if (QPointer<cProgressBar> bar = w.currentBar)
        QObject::connect(&job, &core::Job::CurrentProgress, context, [bar](qint32 value) {
            if (bar) bar->setValue(value);
        });
    if (QPointer<cProgressBar> bar = w.totalBar)
        QObject::connect(&job, &core::Job::TotalProgress, context, [bar](qint32 value, qint32 max) {
            if (!bar) return;
            if (bar->Max() != max) bar->setMax(max);
            if (bar->Value() != value) bar->setValue(value);
        });
    QList<QPointer<QWidget>> locked;
    for (QWidget* widget : w.disabledWhileRunning)
        locked << widget;
    QObject::connect(&job, &core::Job::Running, context, [locked](bool running) {
        for (const QPointer<QWidget>& widget : locked)
            if (widget) widget->setEnabled(!running);
    });
}

void AddLogSeparator(QPlainTextEdit* log) {
    if (log->toPlainText().isEmpty()) return;
    QTextCursor cursor = log->textCursor();
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(QStringLiteral("\r\n"));
    log->setTextCursor(cursor);
}

int WindowQuestions::Ask(const QString& prompt, int style, const QString& title) {
    return core::services().msgBox(m_owner, prompt, style, title);
}

bool StandardEndActions::Wanted(const QString& box) const {
    return wanted && wanted(box);
}

void StandardEndActions::PlaySound() {
    core::services().playSound(settings::g_sPlayAtEnd);
}

void StandardEndActions::OpenFolder(const QString& folder) {
    core::ShellOpen(nullptr, folder);
}

void StandardEndActions::RunNoticApp() {
    const itemlists::NoticFileValues values = noticValues ? noticValues() : itemlists::NoticFileValues{};
    itemlists::RunNoticApp(values); // a program that cannot start is passed over
}

void StandardEndActions::TurnOffCountdown(qint32 seconds) {
    if (turnOffCountdown) turnOffCountdown(seconds);
}

void StandardEndActions::Balloon(const QString& text) {
    if (balloon) balloon(text);
}

} // namespace toolframe
