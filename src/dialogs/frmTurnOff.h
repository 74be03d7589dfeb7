// The countdown before the computer is shut down at the end of a batch job.
// It counts down once a second; the user can cancel it or shut down at once.
#pragma once

#include <QDialog>
#include <QPointer>
#include <QtGlobal>

#include <functional>

class QCloseEvent;
class QLabel;
class QPushButton;
class QTimer;

class frmTurnOff : public QDialog {
    Q_OBJECT
public:
    explicit frmTurnOff(QWidget* parent = nullptr);

    void Form_Load();
    // Starts the countdown from the given seconds and runs its first tick at once.
    void StartShutDown(qint32 seconds);
    // Asks the platform to shut down, then closes this window and the main
    // window, which ends the program (also when the platform refused).
    void ShutDown();

    // The seconds left.
    qint32 lNumOfSecToShutDown = 0;
    // Where a refused shutdown is told (the batch window's log); without one
    // it goes to the program's warning output. Never a message box: nobody
    // may be there to close it.
    std::function<void(const QString& line)> LogLine;

    QLabel* lblApplInfo = nullptr;
    QLabel* Image1 = nullptr;
    QLabel* lblStatus = nullptr;
    QLabel* lblSecToShutDown = nullptr;
    QLabel* lblSeconds = nullptr;
    QPushButton* cmdTurnOffNow = nullptr;
    QPushButton* cmdCancel = nullptr;
    QTimer* Timer1 = nullptr;

public slots:
    void Timer1_Timer();
    void cmdTurnOffNow_Click();
    void cmdCancel_Click();

protected:
    void closeEvent(QCloseEvent* event) override;
};

namespace dialogs {
// The countdown window while it is loaded.
extern QPointer<frmTurnOff> g_frmTurnOff;

// Loads the countdown window, starts it with the seconds and shows it
// modally; returns when the window has closed. A refused shutdown is told
// to `log` (see frmTurnOff::LogLine).
void ShowTurnOffCountdown(qint32 seconds, std::function<void(const QString& line)> log = {});
} // namespace dialogs
