#include "mainwindow/mdlMenus.h"

#include "mainwindow/ToolsTable.h"

#include "controls/cImageList.h"
#include "controls/cPopupMenu.h"
#include "core/mdlModes.h"
#include "settings/SettingsVariables.h"

#include <QFont>
#include <QString>

#include <algorithm>
#include <vector>

namespace mainwindow {

namespace {

// Edition switches count only when they hold exactly 1.
bool on(qint32 edition) {
    return edition == 1;
}

} // namespace

void CreateMenus(cPopupMenu& m_cMenu, QWidget* owner, cImageList* imgMenu) {
    using namespace core;

    QFont font;
    font.setFamily(QStringLiteral("Tahoma"));

    m_cMenu.setHWndOwner(owner);
    m_cMenu.setXPStyle(false);
    m_cMenu.setFont(font);
    m_cMenu.setXPStyle(settings::g_bMenuXPStyle);
    m_cMenu.setImageList(imgMenu);

    const auto add = [&m_cMenu](const QString& caption, qint32 parent, qint32 icon, const QString& key) {
        return m_cMenu.AddItem(caption, QString(), 0, parent, icon, 0, -1, key);
    };
    // Popup-only heads leave the (unused) bar but still open through their items.
    const auto hideHead = [&m_cMenu](const QString& key) {
        m_cMenu.setVisible(m_cMenu.IndexForKey(key), false);
    };
    const QString sep = QStringLiteral("-");
    qint32 head = 0;
    // File
    head = add("File", 0, -1, "mnuFileTop");
    add("Remove", head, 4, "Remove");
    add(sep, head, -1, "mnuFile(4)");
    add("Exit", head, -1, "Exit");

    // Edit: a head without items.
    add("Edit", 0, -1, "mnuEditTop");

    // Tools: the tools table's rows, group by group. A group's separator
    // stands before it when one of its gating tools is offered; the tag
    // editor's group has one on both sides whatever is offered, and the
    // speech group's separator follows it instead.
    head = add("Tools", 0, -1, "Tools");
    const std::vector<const ToolInfo*> tools = MenuTools();
    for (auto group = tools.begin(); group != tools.end();) {
        const MenuGroup id = (*group)->menuGroup;
        const auto end =
            std::find_if(group, tools.end(), [id](const ToolInfo* t) { return t->menuGroup != id; });
        const bool gated =
            std::any_of(group, end, [](const ToolInfo* t) { return t->gatesSeparator && Offered(*t); });
        if (id == MenuGroup::Tags || (id != MenuGroup::Speech && gated)) add(sep, head, -1, "mnuFile(4)");
        for (auto t = group; t != end; ++t)
            if (Offered(**t)) add((*t)->caption, head, (*t)->icon, (*t)->key);
        if (id == MenuGroup::Tags || (id == MenuGroup::Speech && gated)) add(sep, head, -1, "mnuFile(4)");
        group = end;
    }
    add("Master Volume", head, 79, "Master Volume");
    add(sep, head, -1, "mnuFile(4)");
    add("Notes", head, 8, "Notes");

    // The first "Options": a head without items.
    add("Options", 0, -1, "mnuOptionsTop");

    // Mode. The two modes carry check marks that follow the window's state.
    head = add("Mode", 0, -1, "Mode");
    m_cMenu.setChecked(add("Transparent", head, 11, "Transparent"), false);
    m_cMenu.setChecked(add("On Top", head, 53, "On Top"), false);
    add(sep, head, -1, "mnuFile(4)");
    add("Minimize", head, 76, "Minimize");
    add("Go to SysTray", head, 77, "GoSysTray");
    add(sep, head, -1, "mnuFile(4)");
    add("Exit", head, 78, "Exit");

    // Options (popup of the toolbar button). The trailing blanks widen the menu.
    head = add("Options", 0, -1, "Options");
    add("General" + QString(21, QLatin1Char(' ')), head, 9, "General");
    add(sep, head, -1, "Options Line1");
    add("Events", head, 10, "Events");
    add("View", head, 11, "View");
    add(sep, head, -1, "Options Line2");
    add("ID3 Tags", head, 18, "ID3 Tags");
    add(sep, head, -1, "Options Line2");
    add("Advanced", head, 59, "Advanced");
    hideHead("Options");

    // Help
    head = add("Help", 0, -1, "Help");
    add("Help Topics" + QString(5, QLatin1Char(' ')), head, 12, "HelpTopic");
    add("Support", head, -1, "Support");
    add(sep, head, -1, "mnuFile(4)");
    add("About", head, 22, "About");
    hideHead("Help");

    // Tray menu; "RC Open" switches between "Hide" and "Show" at run time.
    head = add("mnuSysTry", 0, -1, "mnuSysTry");
    add("Exit" + QString(22, QLatin1Char(' ')), head, 27, "RC Exit");
    add(sep, head, -1, "st1");
    add("Hide", head, -1, "RC Open");
    hideHead("mnuSysTry");

    // Player
    head = add("Player", 0, -1, "Player");
    add("System Player", head, 38, "Open Default Player");
    hideHead("Player");

    // Items lists
    head = add("mnuProjects", 0, -1, "mnuProjects");
    add("New Items List", head, 48, "New Items List");
    add("Rename Items List", head, 49, "Rename Items List");
    add("Remove Items List", head, 50, "Remove Items List");
    add(sep, head, -1, "st4");
    add("Items List Properties", head, 51, "Items List Properties");
    add("Open Destination Folder", head, 4, "Open Destination Folder");
    hideHead("mnuProjects");

    // Items of the grid
    head = add("mnuFilesList", 0, -1, "mnuFilesList");
    add("Mark/Unmark All", head, 74, "MarkUnmark All");
    add(sep, head, -1, "st1");
    add("Move Up", head, 0, "Move Up");
    add("Move Down", head, 1, "Move Down");
    add(sep, head, -1, "st1");
    add("Move To First", head, 80, "Move To First");
    add("Move To Last", head, 81, "Move To Last");
    add(sep, head, -1, "st1");
    add("Edit", head, 32, "Rename Item");
    add("Save As...", head, 5, "Save As");
    add(sep, head, -1, "st1");
    for (const ToolInfo* t : tools)
        if (t->itemsMenu && Offered(*t)) {
            add(t->caption, head, t->icon, t->key);
            add(sep, head, -1, "st1");
        }
    add("Remove Item", head, 3, "Remove Item");
    add(sep, head, -1, "ClearLine");
    add("Remove All", head, 27, "Clear the List");
    if (on(g_lAppIncCDRipper)) {
        add(sep, head, -1, "st1");
        add("FreeDB", head, 22, "FreeDB");
    }
    hideHead("mnuFilesList");

    // Adding files
    head = add("mnuAdd", 0, -1, "mnuAdd");
    add("Add Files", head, 39, "Add Files");
    add(sep, head, -1, "st1");
    add("Add Directories", head, 4, "Add Directories");
    hideHead("mnuAdd");

    m_cMenu.setMenuReady(true);
}

} // namespace mainwindow
