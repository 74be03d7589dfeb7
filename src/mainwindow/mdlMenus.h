// The main window's menus: one popup-menu object whose items are at the same
// time the window's table of command keys.
#pragma once

class QWidget;
class cImageList;
class cPopupMenu;

namespace mainwindow {

// Fills a new, empty popup-menu object with every head and item of the main
// window, in their fixed order, and marks it ready. `owner` is the main window,
// `imgMenu` its menu image list (either may be null, e.g. in tests). Which tool
// items appear follows the edition switches of core/mdlModes.h (exactly 1 offers
// a tool); the drawing style follows settings::g_bMenuXPStyle.
//
// The heads "Options", "Help", "mnuSysTry", "Player", "mnuProjects",
// "mnuFilesList" and "mnuAdd" are made invisible: they open only as popups,
// through one of their items (cPopupMenu::ShowPopupMenuEx / ShowPopupMenu).
// The window has no menu bar. Connecting the Click signal to the dispatcher is
// the caller's part.
void CreateMenus(cPopupMenu& m_cMenu, QWidget* owner, cImageList* imgMenu);

} // namespace mainwindow
