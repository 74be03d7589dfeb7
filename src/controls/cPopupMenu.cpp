#include "controls/cPopupMenu.h"

#include "controls/cImageList.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

cPopupMenu::cPopupMenu(QObject* parent) : QObject(parent) {}

cPopupMenu::~cPopupMenu() {
    // Child menus first: a parent menu deletes the actions that point at them.
    while (!m_menus.empty())
        m_menus.pop_back();
}

void cPopupMenu::setHWndOwner(QWidget* owner) {
    m_owner = owner;
}

void cPopupMenu::setFont(const QFont& font) {
    m_font = font;
    for (const auto& menu : m_menus)
        if (menu) menu->setFont(font);
}

void cPopupMenu::setXPStyle(bool on) {
    // Drawing is left to the platform style; only the setting is kept.
    m_xpStyle = on;
}

void cPopupMenu::setImageList(cImageList* images) {
    m_images = images;
    for (Item& item : m_items)
        applyIcon(item);
}

void cPopupMenu::applyIcon(Item& item) {
    if (!item.action || item.separator) return;
    item.action->setIcon(m_images ? m_images->IconForNumber(item.icon) : QIcon());
}

QMenu* cPopupMenu::ensureMenu(qint32 index) {
    if (!valid(index)) return nullptr;
    if (m_menus.size() < static_cast<size_t>(ItemCount())) m_menus.resize(ItemCount());
    auto& slot = m_menus[index - 1];
    if (!slot) {
        slot = std::make_unique<QMenu>();
        slot->setFont(m_font);
        slot->setTitle(m_items[index - 1].caption);
        Item& item = m_items[index - 1];
        if (item.action) item.action->setMenu(slot.get());
    }
    return slot.get();
}

qint32 cPopupMenu::AddItem(const QString& caption, const QString& helpText, qint32 a, qint32 parentIndex,
                           qint32 icon, qint32 b, qint32 c, const QString& key) {
    Q_UNUSED(helpText);
    Q_UNUSED(a);
    Q_UNUSED(b);
    Q_UNUSED(c);
    // An unknown parent makes the item a head rather than losing it.
    if (!valid(parentIndex)) parentIndex = 0;

    Item item;
    item.caption = caption;
    item.key = key;
    item.parent = parentIndex;
    item.icon = icon;
    item.separator = parentIndex != 0 && caption == QLatin1String("-");
    m_items.append(item);
    const qint32 index = ItemCount();
    m_menus.resize(ItemCount());

    if (parentIndex == 0) {
        // A head is its own menu; the menu's action stands for it in a menu bar.
        QMenu* menu = ensureMenu(index);
        m_items[index - 1].action = menu->menuAction();
    } else {
        QMenu* menu = ensureMenu(parentIndex);
        // A separator draws as a line; some styles would print its "-" caption beside it.
        QAction* action =
            new QAction(m_items[index - 1].separator ? QString() : caption, menu); // owned by its menu
        action->setSeparator(m_items[index - 1].separator);
        menu->addAction(action);
        m_items[index - 1].action = action;
        if (!m_items[index - 1].separator) {
            connect(action, &QAction::triggered, this, [this, index]() {
                const Item& it = m_items[index - 1];
                // The dispatcher decides the check mark; undo the toggle Qt made on its own.
                if (it.action->isCheckable()) it.action->setChecked(it.checked);
                emit Click(index);
            });
        }
    }
    applyIcon(m_items[index - 1]);
    return index;
}

qint32 cPopupMenu::IndexForKey(const QString& key) const {
    for (qint32 i = 0; i < ItemCount(); ++i)
        if (m_items[i].key == key) return i + 1;
    return 0;
}

QString cPopupMenu::ItemKey(qint32 index) const {
    return valid(index) ? m_items[index - 1].key : QString();
}

QString cPopupMenu::Caption(qint32 index) const {
    return valid(index) ? m_items[index - 1].caption : QString();
}

void cPopupMenu::setCaption(qint32 index, const QString& caption) {
    if (!valid(index)) return;
    Item& item = m_items[index - 1];
    item.caption = caption;
    if (item.action && !item.separator) item.action->setText(caption);
    if (static_cast<size_t>(index) <= m_menus.size() && m_menus[index - 1])
        m_menus[index - 1]->setTitle(caption);
}

bool cPopupMenu::Checked(qint32 index) const {
    return valid(index) && m_items[index - 1].checked;
}

void cPopupMenu::setChecked(qint32 index, bool checked) {
    if (!valid(index)) return;
    Item& item = m_items[index - 1];
    item.checked = checked;
    if (item.action && !item.separator) {
        item.action->setCheckable(true);
        item.action->setChecked(checked);
    }
}

bool cPopupMenu::Visible(qint32 index) const {
    return valid(index) && m_items[index - 1].visible;
}

void cPopupMenu::setVisible(qint32 index, bool visible) {
    if (!valid(index)) return;
    Item& item = m_items[index - 1];
    item.visible = visible;
    // A hidden head only leaves the menu bar; its items still open as a popup.
    if (item.action) item.action->setVisible(visible);
}

bool cPopupMenu::Enabled(qint32 index) const {
    return valid(index) && m_items[index - 1].enabled;
}

void cPopupMenu::setEnabled(qint32 index, bool enabled) {
    if (!valid(index)) return;
    Item& item = m_items[index - 1];
    item.enabled = enabled;
    if (item.action) item.action->setEnabled(enabled);
}

QMenu* cPopupMenu::MenuForItem(qint32 index) const {
    if (!valid(index)) return nullptr;
    return SubMenu(m_items[index - 1].parent);
}

QMenu* cPopupMenu::SubMenu(qint32 index) const {
    if (!valid(index) || static_cast<size_t>(index) > m_menus.size()) return nullptr;
    return m_menus[index - 1].get();
}

void cPopupMenu::showLevel(qint32 x, qint32 y, qint32 index) {
    QMenu* menu = MenuForItem(index);
    if (!menu) return;
    m_lastShown = menu;
    menu->popup(QPoint(x, y));
}

void cPopupMenu::ShowPopupMenuEx(qint32 x, qint32 y, qint32 x2, qint32 y2, qint32 a, qint32 b, qint32 c,
                                 qint32 index, qint32& result) {
    Q_UNUSED(x2);
    Q_UNUSED(y2);
    Q_UNUSED(a);
    Q_UNUSED(b);
    Q_UNUSED(c);
    result = 0;
    showLevel(x, y, index);
}

void cPopupMenu::ShowPopupMenu(qint32 x, qint32 y, qint32 index, qint32 c, qint32& result) {
    Q_UNUSED(c);
    result = 0;
    showLevel(x, y, index);
}

void cPopupMenu::FillMenuBar(QMenuBar* bar) const {
    if (!bar) return;
    for (qint32 i = 1; i <= ItemCount(); ++i)
        if (m_items[i - 1].parent == 0)
            if (QMenu* menu = SubMenu(i)) bar->addMenu(menu);
}

qint32 cPopupMenu::ItemParent(qint32 index) const {
    return valid(index) ? m_items[index - 1].parent : 0;
}

qint32 cPopupMenu::ItemIcon(qint32 index) const {
    return valid(index) ? m_items[index - 1].icon : -1;
}

bool cPopupMenu::IsSeparator(qint32 index) const {
    return valid(index) && m_items[index - 1].separator;
}

QVector<qint32> cPopupMenu::Children(qint32 parentIndex) const {
    QVector<qint32> children;
    for (qint32 i = 0; i < ItemCount(); ++i)
        if (m_items[i].parent == parentIndex) children.append(i + 1);
    return children;
}

QAction* cPopupMenu::Action(qint32 index) const {
    return valid(index) ? m_items[index - 1].action : nullptr;
}
