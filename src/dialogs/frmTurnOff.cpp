#include "dialogs/frmTurnOff.h"

#include "core/Services.h"
#include "core/mdlModes.h"
#include "core/mdlShutDown.h"
#include "dialogs/MainWindowHost.h"
#include "dialogs/ModalShow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

namespace dialogs {
QPointer<frmTurnOff> g_frmTurnOff;
}

frmTurnOff::frmTurnOff(QWidget* parent) : QDialog(parent) {
    setObjectName("g_frmTurnOff");
    setWindowTitle("Turn Off Computer");
    // Fixed border, no minimise or maximise; kept above every other window.
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint);
    QFont font("Tahoma");
    font.setPointSize(8);
    setFont(font);

    lblApplInfo = new QLabel(this);
    lblApplInfo->setObjectName("lblApplInfo");
    QFont infoFont = font;
    infoFont.setBold(true);
    lblApplInfo->setFont(infoFont);
    Image1 = new QLabel(this);
    Image1->setObjectName("Image1");
    Image1->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(32, 32));
    lblStatus = new QLabel("Computer will shutdown in", this);
    lblStatus->setObjectName("lblStatus");
    lblSecToShutDown = new QLabel(this);
    lblSecToShutDown->setObjectName("lblSecToShutDown");
    QFont secondsFont = font;
    secondsFont.setBold(true);
    secondsFont.setPointSize(14);
    lblSecToShutDown->setFont(secondsFont);
    lblSeconds = new QLabel("Seconds", this);
    lblSeconds->setObjectName("lblSeconds");
    cmdTurnOffNow = new QPushButton("Shutdown Now", this);
    cmdTurnOffNow->setObjectName("cmdTurnOffNow");
    cmdTurnOffNow->setAutoDefault(false);
    cmdCancel = new QPushButton("Cancel", this);
    cmdCancel->setObjectName("cmdCancel");
    cmdCancel->setDefault(true);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblApplInfo);
    auto* countdown = new QHBoxLayout;
    countdown->addWidget(Image1);
    countdown->addSpacing(8);
    countdown->addWidget(lblStatus);
    countdown->addWidget(lblSecToShutDown);
    countdown->addWidget(lblSeconds);
    countdown->addStretch();
    layout->addLayout(countdown);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdTurnOffNow);
    buttons->addWidget(cmdCancel);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(1000);

    connect(Timer1, &QTimer::timeout, this, &frmTurnOff::Timer1_Timer);
    connect(cmdTurnOffNow, &QPushButton::clicked, this, &frmTurnOff::cmdTurnOffNow_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmTurnOff::cmdCancel_Click);
}

void frmTurnOff::Form_Load() {
    lblApplInfo->setText(core::g_sProductName + " " + core::g_sProductVersion);
}

void frmTurnOff::StartShutDown(qint32 seconds) {
    lNumOfSecToShutDown = seconds;
    lblSecToShutDown->setText(QString::number(lNumOfSecToShutDown));
    Timer1->start();
    Timer1_Timer();
}

void frmTurnOff::Timer1_Timer() {
    lblSecToShutDown->setText(QString::number(lNumOfSecToShutDown));
    if (lNumOfSecToShutDown > 0) {
        --lNumOfSecToShutDown;
        return;
    }
    Timer1->stop();
    ShutDown();
}

void frmTurnOff::cmdTurnOffNow_Click() {
    Timer1->stop();
    lNumOfSecToShutDown = 0;
    lblSecToShutDown->setText("0");
    ShutDown();
}

void frmTurnOff::cmdCancel_Click() {
    Timer1->stop();
    close();
}

void frmTurnOff::ShutDown() {
    Timer1->stop();
    if (!core::ShutdownSystem(core::EWX_SHUTDOWN)) {
        // The program still ends as planned; the reason the computer stayed on
        // is logged, since an unattended job has nobody to close a box.
        const QString line =
            QStringLiteral("The computer could not be turned off: ") + core::LastShutdownError().description;
        if (LogLine)
            LogLine(line);
        else
            qWarning("%s", qUtf8Printable(line));
    }
    close();
    if (dialogs::MainWindowHost* host = dialogs::mainWindowHost()) host->closeHost();
}

void frmTurnOff::closeEvent(QCloseEvent* event) {
    // The close box cancels like the Cancel button.
    Timer1->stop();
    QDialog::closeEvent(event);
}

namespace dialogs {

void ShowTurnOffCountdown(qint32 seconds, std::function<void(const QString& line)> log) {
    // No parent: closing the main window must not take the running countdown with it.
    frmTurnOff window;
    window.LogLine = std::move(log);
    g_frmTurnOff = &window;
    window.Form_Load();
    window.StartShutDown(seconds);
    ExecModal(&window);
    g_frmTurnOff = nullptr;
}

} // namespace dialogs
