#include "dialogs/frmSplash.h"

#include "controls/ControlColor.h"
#include "core/ChromeColours.h"
#include "core/mdlModes.h"
#include "dialogs/mdlSetFormIcon32.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QPalette>
#include <QThread>
#include <QTimer>

namespace dialogs {
QPointer<frmSplash> g_frmSplash;
} // namespace dialogs

namespace {

// 268 x 83 pixels: the 4020 x 1245 twips client area of the design.
constexpr int kWidth = 268;
constexpr int kHeight = 83;

void setBackColor(QWidget* widget, const QColor& color) {
    QPalette p = widget->palette();
    p.setColor(QPalette::Window, color);
    widget->setPalette(p);
    widget->setAutoFillBackground(true);
}

// The milliseconds of a clock that only goes forward.
qint64 steadyMilliseconds() {
    static QElapsedTimer clock;
    if (!clock.isValid()) clock.start();
    return clock.elapsed();
}

} // namespace

frmSplash::frmSplash(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      m_clock(steadyMilliseconds) {
    setObjectName("g_frmSplash");
    setFixedSize(kWidth, kHeight);
    QFont font("Tahoma");
    font.setPointSize(8);
    setFont(font);

    picTitle = new QFrame(this);
    picTitle->setObjectName("picTitle");
    picTitle->setGeometry(0, 0, kWidth, 26);

    lblAppTitle = new QLabel(picTitle);
    lblAppTitle->setObjectName("lblAppTitle");
    lblAppTitle->setGeometry(8, 0, kWidth - 16, 26);
    QFont titleFont = font;
    titleFont.setBold(true);
    titleFont.setPointSize(10);
    lblAppTitle->setFont(titleFont);

    lblStat = new QLabel("Loading...", this);
    lblStat->setObjectName("lblStat");
    lblStat->setGeometry(8, 34, kWidth - 16, 18);

    lblVersion = new QLabel("Version", this);
    lblVersion->setObjectName("lblVersion");
    lblVersion->setGeometry(8, 58, kWidth - 16, 16);
    QFont versionFont("Verdana");
    versionFont.setPointSize(7);
    lblVersion->setFont(versionFont);

    // The frame is drawn over the whole client area and lets clicks through.
    Shape1 = new QFrame(this);
    Shape1->setObjectName("Shape1");
    Shape1->setGeometry(0, 0, kWidth, kHeight);
    Shape1->setFrameShape(QFrame::Box);
    Shape1->setAttribute(Qt::WA_TransparentForMouseEvents);
    Shape1->raise();

    dialogs::g_frmSplash = this;
}

frmSplash::~frmSplash() = default;

void frmSplash::Form_Load() {
    dialogs::SetFormIcon(this, "AAA", true);
    const QString title = core::g_sProductName + " " + core::g_sProductVersion;
    setWindowTitle(title);
    lblAppTitle->setText(title);
    lblVersion->setText("Version " + core::g_sInsideVersion);
    // Not drawn until FadeIn gives it an opacity.
    setWindowOpacity(0.0);
    if (const auto viewBack = core::chrome::ViewBackColour()) {
        const QColor back = controls::ColorFromLong(*viewBack);
        setBackColor(this, back);
        setBackColor(picTitle, back);
    }
    // Topmost: the window flags carry Qt::WindowStaysOnTopHint.
}

void frmSplash::FadeIn() {
    m_fadeSteps.clear();
    for (int opacity = 0; opacity <= 250; opacity += 10) {
        setWindowOpacity(opacity / 255.0);
        m_fadeSteps.append(opacity);
        waitStep();
    }
    setWindowOpacity(1.0);
    m_fadeSteps.append(255);
}

void frmSplash::SetFadeClock(std::function<qint64()> clock) {
    m_clock = clock ? std::move(clock) : steadyMilliseconds;
}

// One step of the fade: the pending events run (the splash paints and answers
// a double click) until the clock has gone on by more than 5 ms; in between
// the thread sleeps until an event comes or a millisecond has passed.
void frmSplash::waitStep() {
    const qint64 start = m_clock();
    for (;;) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        if (m_clock() - start > 5) return;
        QEventLoop pause;
        QTimer::singleShot(1, Qt::PreciseTimer, &pause, &QEventLoop::quit);
        pause.exec();
    }
}

void frmSplash::Form_DblClick() {
    m_closedByUser = true;
    close();
}

void frmSplash::mouseDoubleClickEvent(QMouseEvent* event) {
    event->accept();
    Form_DblClick();
}
