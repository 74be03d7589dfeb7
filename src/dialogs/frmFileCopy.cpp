#include "dialogs/frmFileCopy.h"

#include "controls/ControlColor.h"
#include "controls/cProgressBar.h"
#include "core/FileCopyClass.h"
#include "core/Services.h"
#include "core/mdlModes.h"
#include "dialogs/WindowChrome.h"

#include <QCloseEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

namespace dialogs {
QPointer<frmFileCopy> g_frmFileCopy;
}

namespace {
constexpr qint32 kWindowChunk = 8000;

QTimer* makeTimer(QObject* parent, const char* name, int interval) {
    auto* timer = new QTimer(parent);
    timer->setObjectName(name);
    timer->setInterval(interval);
    return timer;
}
} // namespace

frmFileCopy::frmFileCopy(QWidget* parent) : QDialog(parent) {
    setObjectName("g_frmFileCopy");
    setWindowTitle("File Copy");
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    QFont font("Tahoma");
    font.setPointSize(8);
    setFont(font);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 8);

    picTitle = new QFrame(this);
    picTitle->setObjectName("picTitle");
    picTitle->setFixedHeight(26);
    auto* titleLayout = new QHBoxLayout(picTitle);
    titleLayout->setContentsMargins(8, 0, 8, 0);
    lblTitle = new QLabel("File Copy", picTitle);
    lblTitle->setObjectName("lblTitle");
    QFont titleFont = font;
    titleFont.setBold(true);
    lblTitle->setFont(titleFont);
    titleLayout->addWidget(lblTitle);
    layout->addWidget(picTitle);

    auto* grid = new QGridLayout;
    grid->setContentsMargins(8, 4, 8, 4);
    Label1 = new QLabel("From:", this);
    Label1->setObjectName("Label1");
    lblFrom = new QLabel(this);
    lblFrom->setObjectName("lblFrom");
    Label2 = new QLabel("To:", this);
    Label2->setObjectName("Label2");
    lblTo = new QLabel(this);
    lblTo->setObjectName("lblTo");
    for (QLabel* path : {lblFrom, lblTo}) {
        path->setMinimumWidth(320);
        path->setTextInteractionFlags(Qt::TextSelectableByMouse);
    }
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(lblFrom, 0, 1);
    grid->addWidget(Label2, 1, 0);
    grid->addWidget(lblTo, 1, 1);
    layout->addLayout(grid);

    ProgressBar1 = new Glimmet(this);
    ProgressBar1->setObjectName("ProgressBar1");
    ProgressBar1->setMax(100);
    lblState = new QLabel("State", this);
    lblState->setObjectName("lblState");
    auto* progress = new QVBoxLayout;
    progress->setContentsMargins(8, 0, 8, 0);
    progress->addWidget(ProgressBar1);
    progress->addWidget(lblState);
    layout->addLayout(progress);

    cmdOk = new QPushButton("OK", this);
    cmdOk->setObjectName("cmdOk");
    cmdOk->setAutoDefault(false);
    cmdExit = new QPushButton("Exit", this);
    cmdExit->setObjectName("cmdExit");
    cmdExit->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(8, 0, 8, 0);
    buttons->addStretch();
    buttons->addWidget(cmdOk);
    buttons->addWidget(cmdExit);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    tmrStart = makeTimer(this, "tmrStart", 100);
    Timer1 = makeTimer(this, "Timer1", 1000);
    tmrEnd = makeTimer(this, "tmrEnd", 100);

    connect(tmrStart, &QTimer::timeout, this, &frmFileCopy::tmrStart_Timer);
    connect(Timer1, &QTimer::timeout, this, &frmFileCopy::Timer1_Timer);
    connect(tmrEnd, &QTimer::timeout, this, &frmFileCopy::tmrEnd_Timer);
    connect(cmdOk, &QPushButton::clicked, this, &frmFileCopy::cmdOk_Click);
    connect(cmdExit, &QPushButton::clicked, this, &frmFileCopy::cmdExit_Click);
}

frmFileCopy::~frmFileCopy() {
    // A copy still running is stopped; its temporary file is removed by the copier.
    if (m_thread) {
        m_cFileCopy->Cancel();
        m_thread->wait();
    }
}

void frmFileCopy::Form_Load() {
    dialogs::chrome::ApplyTitleStrip(picTitle, {lblTitle});
    ProgressBar1->setBarColor(core::chrome::AppColour());
}

void frmFileCopy::FileCopyEx(const QString& source, const QString& destination) {
    if (m_thread) return; // one copy at a time
    cmdOk->setEnabled(false);
    // The exit button turns into the way to stop the copy.
    cmdExit->setText("Cancel");
    ProgressBar1->setValue(0);
    ProgressBar1->setVisible(true);
    lblState->setText("Copying");

    m_cFileCopy = std::make_unique<core::FileCopyClass>();
    m_cFileCopy->setCacheSize(kWindowChunk);
    m_cFileCopy->onChunk = onChunk;
    Timer1->start();

    core::FileCopyClass* copier = m_cFileCopy.get();
    m_thread = QThread::create([copier, source, destination] { copier->Copy(source, destination); });
    m_thread->setParent(this);
    connect(m_thread, &QThread::finished, this, &frmFileCopy::CopyFinished, Qt::QueuedConnection);
    m_thread->start();
}

void frmFileCopy::CopyFinished() {
    if (!m_thread) return;
    m_thread->wait();
    m_thread->deleteLater();
    m_thread = nullptr;

    ProgressBar1->setValue(100);
    Timer1->stop();
    const bool successful = m_cFileCopy->Sucessfull();
    const QString error = m_cFileCopy->ErrorText();
    m_cFileCopy.reset();
    lblState->setText("Ready");
    cmdOk->setEnabled(true);
    cmdExit->setText("Exit");
    cmdExit->setEnabled(true);

    if (!error.isEmpty())
        core::services().msgBox(this, "The file was not copied.\n\n" + error, core::vbExclamation,
                                core::AppTitle());
    tmrEnd->start();
    emit CopyEnded(successful);
}

void frmFileCopy::tmrStart_Timer() {
    tmrStart->stop();
    FileCopyEx(g_sSourceFile, g_sDestFile);
}

void frmFileCopy::Timer1_Timer() {
    if (m_cFileCopy) ProgressBar1->setValue(m_cFileCopy->PercentREady());
}

void frmFileCopy::tmrEnd_Timer() {
    tmrEnd->stop();
    close();
}

void frmFileCopy::cmdOk_Click() {
    FileCopyEx(g_sSourceFile, g_sDestFile);
}

void frmFileCopy::cmdExit_Click() {
    if (m_thread) {
        // The copier stops after its current chunk and removes its temporary file.
        m_cFileCopy->Cancel();
        cmdExit->setEnabled(false);
        lblState->setText("Cancelling");
        return;
    }
    close();
}

void frmFileCopy::closeEvent(QCloseEvent* event) {
    // The window stays while a copy runs; Cancel stops it.
    if (m_thread) {
        event->ignore();
        return;
    }
    tmrStart->stop();
    tmrEnd->stop();
    event->accept();
    QDialog::closeEvent(event);
}

void frmFileCopy::reject() {
    if (m_thread) return;
    QDialog::reject();
}

namespace dialogs {

void ShowFileCopy(QWidget* owner, const QString& source, const QString& destination) {
    frmFileCopy window(owner);
    g_frmFileCopy = &window;
    window.Form_Load();
    window.g_sSourceFile = source;
    window.g_sDestFile = destination;
    window.lblFrom->setText(source);
    window.lblTo->setText(destination);
    window.tmrStart->start();
    window.exec();
    g_frmFileCopy = nullptr;
}

} // namespace dialogs
