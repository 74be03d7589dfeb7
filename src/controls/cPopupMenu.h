#pragma once

#include <QFont>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVector>
#include <memory>
#include <vector>

class QAction;
#include <QMenu>
class QMenuBar;
class QWidget;
#include "controls/cImageList.h"

// The command menu model: a tree of items numbered from 1 in the order they were added.
// An item with parent 0 is a head; its children form one menu. Every item is backed by a
// QAction, every item with children by a QMenu. Index 0 is never an item: lookups of a key
// that no item carries return 0, whose key is empty.
class cPopupMenu : public QObject {
    Q_OBJECT
public:
    explicit cPopupMenu(QObject* parent = nullptr);
    ~cPopupMenu() override;

    // Owner window: the menus take its style; positions are screen pixels either way.
    void setHWndOwner(QWidget* owner);
    QWidget* hWndOwner() const { return m_owner; }
    void setFont(const QFont& font);
    QFont font() const { return m_font; }
    void setXPStyle(bool on);
    bool XPStyle() const { return m_xpStyle; }
    void setImageList(cImageList* images);
    cImageList* ImageList() const { return m_images; }

    // caption "-" gives a separator; parentIndex 0 a head; icon counts from 0, -1 none.
    // helpText, a, b and c are accepted for the callers' argument order and not used.
    qint32 AddItem(const QString& caption, const QString& helpText, qint32 a, qint32 parentIndex, qint32 icon,
                   qint32 b, qint32 c, const QString& key);

    // First item carrying exactly this key (case-sensitive); 0 when none does.
    qint32 IndexForKey(const QString& key) const;
    // Key of an item; empty for 0 or any index that is not an item.
    QString ItemKey(qint32 index) const;

    QString Caption(qint32 index) const;
    void setCaption(qint32 index, const QString& caption);
    bool Checked(qint32 index) const;
    void setChecked(qint32 index, bool checked);
    bool Visible(qint32 index) const;
    void setVisible(qint32 index, bool visible);
    bool Enabled(qint32 index) const;
    void setEnabled(qint32 index, bool enabled);
    bool MenuReady() const { return m_ready; }
    void setMenuReady(bool ready) { m_ready = ready; }

    // Open, non-blocking, at screen point (x, y) the menu level that holds item `index`.
    // The other arguments keep the callers' order and are not used; result is set to 0.
    void ShowPopupMenuEx(qint32 x, qint32 y, qint32 x2, qint32 y2, qint32 a, qint32 b, qint32 c, qint32 index,
                         qint32& result);
    void ShowPopupMenu(qint32 x, qint32 y, qint32 index, qint32 c, qint32& result);

    // The menu that a show operation for `index` opens (the menu of its parent); nullptr for
    // a head or an index that is not an item. Does not open it.
    QMenu* MenuForItem(qint32 index) const;
    // The menu formed by the children of `index` (a head); nullptr when it has none yet.
    QMenu* SubMenu(qint32 index) const;
    // The menu opened by the last show operation (nullptr before any).
    QMenu* LastShownMenu() const { return m_lastShown; }

    // Puts every head into a menu bar, in order; heads made invisible stay hidden there.
    void FillMenuBar(QMenuBar* bar) const;

    // Inspection.
    qint32 ItemCount() const { return static_cast<qint32>(m_items.size()); }
    qint32 ItemParent(qint32 index) const;
    qint32 ItemIcon(qint32 index) const;
    bool IsSeparator(qint32 index) const;
    QVector<qint32> Children(qint32 parentIndex) const;
    QAction* Action(qint32 index) const;

signals:
    // The user chose an item (never a separator or a head).
    void Click(int index);

private:
    struct Item {
        QString caption;
        QString key;
        qint32 parent = 0;
        qint32 icon = -1;
        bool separator = false;
        bool checked = false;
        bool visible = true;
        bool enabled = true;
        QAction* action = nullptr; // owned by its menu
    };
    bool valid(qint32 index) const { return index >= 1 && index <= ItemCount(); }
    QMenu* ensureMenu(qint32 index);
    void showLevel(qint32 x, qint32 y, qint32 index);
    void applyIcon(Item& item);

    QVector<Item> m_items;
    // menus[i] holds the children of item i+1; owned here, top-level popups.
    std::vector<std::unique_ptr<QMenu>> m_menus;
    QPointer<QWidget> m_owner;
    QPointer<cImageList> m_images;
    QPointer<QMenu> m_lastShown;
    QFont m_font;
    bool m_xpStyle = false;
    bool m_ready = false;
};
