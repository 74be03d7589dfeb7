// The one GUI binding of jobs (core/Job.h): any job shown in a window's own
// log, bars and labels, and what a window offers a job: its questions asked
// through the services seam, and the end-of-job actions.
//
// A tool window with a long job: builds its widgets, makes the job with a
// StandardEndActions, calls BindJob once, hands the job a WindowQuestions,
// and starts it from its run button. Each window keeps its own controls.
#pragma once

#include "core/Job.h"
#include "itemlists/Templates.h"

#include <QList>
#include <QString>

#include <functional>

class QLabel;
class QPlainTextEdit;
class QWidget;
class cProgressBar;

namespace toolframe {

// Where a job shows itself; a null widget is passed over.
struct JobWidgets {
    QWidget* window = nullptr; // the caption and the hourglass
    QPlainTextEdit* log = nullptr;
    cProgressBar* currentBar = nullptr;
    cProgressBar* totalBar = nullptr;
    QLabel* currentTask = nullptr;
    QLabel* files = nullptr;
    QLabel* timeLeft = nullptr;
    QList<QWidget*> disabledWhileRunning; // the run and exit buttons
    std::function<void()> showLog;        // brings the Log page to the front
};

// Connects the job's signals to the widgets (for as long as the window lives).
void BindJob(core::Job& job, const JobWidgets& widgets);
// A bare line break when the log is not empty (an empty line between runs).
void AddLogSeparator(QPlainTextEdit* log);

// The job's questions as message boxes of the window, through core::services().
class WindowQuestions : public core::JobQuestions {
public:
    explicit WindowQuestions(QWidget* owner) : m_owner(owner) {}
    int Ask(const QString& prompt, int style, const QString& title) override;

private:
    QWidget* m_owner;
};

// The end-of-job actions over core::services() (sound, folder, program); the
// boxes, the balloon, the countdown and the values of the program's file
// tokens are hooks (empty: nothing).
class StandardEndActions : public core::EndActions {
public:
    std::function<bool(const QString& box)> wanted;
    std::function<void(const QString&)> balloon;
    std::function<void(qint32)> turnOffCountdown;
    // The item values of the program's file tokens (the main window's last row).
    std::function<itemlists::NoticFileValues()> noticValues;

    bool Wanted(const QString& box) const override;
    void PlaySound() override;
    void OpenFolder(const QString& folder) override;
    void RunNoticApp() override;
    void TurnOffCountdown(qint32 seconds) override;
    void Balloon(const QString& text) override;
};

} // namespace toolframe
