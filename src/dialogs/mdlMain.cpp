#include "dialogs/mdlMain.h"

#include "dialogs/frmSplash.h"

#include <QLabel>

namespace dialogs {

bool g_bSplashVisible = false;

namespace {
QString s_commandLine;
StartupObserver s_observer;

void notify(const QString& step, const QString& detail) {
    if (s_observer) s_observer(step, detail);
}
} // namespace

QString Command() {
    return s_commandLine;
}

void SetCommand(const QString& commandLine) {
    s_commandLine = commandLine;
}

void NotifyStartup(const QString& step, const QString& detail) {
    notify(step, detail);
}

void SetStartupObserver(StartupObserver observer) {
    s_observer = std::move(observer);
}

void SetSplashStatus(const QString& text) {
    if (!g_bSplashVisible || !g_frmSplash) return;
    // The text also goes to a splash the user closed, without showing it again.
    g_frmSplash->lblStat->setText(text);
    if (g_frmSplash->isVisible()) g_frmSplash->lblStat->repaint();
    notify("status", text);
}

// The platform shows no fault dialog for a crashing process, so there is no
// error mode to set; kept for the main window's termination step.
void SetNoFaultErrorMode() {}

} // namespace dialogs
