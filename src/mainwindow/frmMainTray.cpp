// The tray icon and the window modes: on top, transparent, minimised to the tray.
#include "mainwindow/frmMain.h"

#include "controls/cPopupMenu.h"
#include "controls/cSysTray.h"
#include "controls/cToolbar.h"
#include "dialogs/mdlOnTop.h"
#include "dialogs/mdlTransparent.h"
#include "itemlists/ItemsListFile.h"
#include "mainwindow/ToolsTable.h"
#include "mainwindow/frmMainParts.h"

#include <QCursor>

using namespace mainwindow::parts;

void frmMain::SetOnTop(bool bVal) {
    // Taking a window that is not on top out would show it again (in the tray too).
    if (bVal || windowFlags().testFlag(Qt::WindowStaysOnTopHint)) dialogs::SetWindowOnTop(this, bVal);
    if (tlbrTop) tlbrTop->setButtonChecked(tlbrTop->ButtonIndex("On Top"), bVal);
    if (m_cMenu) m_cMenu->setChecked(m_cMenu->IndexForKey("On Top"), bVal);
}

void frmMain::SetTransparent(bool bVal) {
    if (bVal)
        dialogs::SetWindowAlpha(this, 90);
    else
        dialogs::ClearWindowAlpha(this);
    if (tlbrTop) tlbrTop->setButtonChecked(tlbrTop->ButtonIndex("Transparent"), bVal);
    if (m_cMenu) m_cMenu->setChecked(m_cMenu->IndexForKey("Transparent"), bVal);
}

void frmMain::CmdTransparent() {
    const qint32 index = m_cMenu->IndexForKey("Transparent");
    SetTransparent(!m_cMenu->Checked(index));
}

void frmMain::CmdOnTop() {
    const qint32 index = m_cMenu->IndexForKey("On Top");
    const bool checked = m_cMenu->Checked(index);
    m_cMenu->setChecked(index, !checked);
    SetOnTop(!checked);
}

void frmMain::GoSysTray() {
    // Without a notification area a hidden window could not be reached again:
    // it is minimised instead, as a start with "-st" does.
    if (!cSysTray::IsAvailable()) {
        setWindowState((windowState() & ~Qt::WindowActive) | Qt::WindowMinimized);
        return;
    }
    setWindowState((windowState() & ~Qt::WindowActive) | Qt::WindowMinimized);
    hide();
    SetTrayOpenCaption("Show");
    m_bInTray = true;
}

void frmMain::SetTrayOpenCaption(const QString& caption) {
    if (m_cMenu) m_cMenu->setCaption(m_cMenu->IndexForKey("RC Open"), caption);
}

void frmMain::cSysTray1_TrayClick(qint32 lButton) {
    if (lButton == 1) {
        const Qt::WindowStates state = windowState();
        if (state.testFlag(Qt::WindowMinimized) && m_bInTray) {
            // Back from the tray, always in the normal state.
            setWindowState(Qt::WindowNoState);
            show();
            raise();
            activateWindow();
            SetTrayOpenCaption("Hide");
            m_bInTray = false;
        } else if (!state.testFlag(Qt::WindowMinimized) && !state.testFlag(Qt::WindowMaximized) &&
                   !state.testFlag(Qt::WindowFullScreen)) {
            setWindowState(Qt::WindowMinimized);
            hide();
            SetTrayOpenCaption("Show");
            m_bInTray = true;
        } else if (state.testFlag(Qt::WindowMinimized)) {
            // Minimised to the taskbar: into the tray without showing it first.
            hide();
            setWindowState(Qt::WindowMinimized);
            SetTrayOpenCaption("Show");
            m_bInTray = true;
        }
        // Maximised: nothing happens.
    } else if (lButton == 2) {
        if (isVisible()) activateWindow();
        const QPoint pos = QCursor::pos();
        qint32 result = 0;
        if (m_cMenu) m_cMenu->ShowPopupMenu(pos.x(), pos.y(), m_cMenu->IndexForKey("RC Open"), -1, result);
    }
}
