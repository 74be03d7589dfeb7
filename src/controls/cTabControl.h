#pragma once

#include <QPointer>
#include <QRect>
#include <QString>
#include <QVector>
#include <QWidget>

class QFrame;
class QTabBar;
#include "controls/cImageList.h"

// A row of keyed tabs over a framed page area. Tabs are numbered from 1 in the order they were
// added. The control shows no pages itself: the window puts its page panels onto the client
// area (ClientLeft.. in the coordinates of the control's parent, pixels) or into ClientArea().
class cTabControl : public QWidget {
    Q_OBJECT
public:
    explicit cTabControl(QWidget* parent = nullptr);

    void setImageList(cImageList* images);
    cImageList* ImageList() const { return m_images; }

    // icon counts from 0, -1 none; `a` keeps the callers' order. Returns the 1-based index.
    qint32 AddTab(const QString& caption, qint32 icon, qint32 a, const QString& key);

    // Removes every tab; raises no TabClick.
    void Reset();

    qint32 TabCount() const { return static_cast<qint32>(m_keys.size()); }
    qint32 ClientLeft() const { return ClientRect().left(); }
    qint32 ClientTop() const { return ClientRect().top(); }
    qint32 ClientWidth() const { return ClientRect().width(); }
    qint32 ClientHeight() const { return ClientRect().height(); }
    QRect ClientRect() const;
    QWidget* ClientArea() const;

    // 1-based index of the selected tab; 0 when there are no tabs.
    qint32 SelectedTab() const;
    // Key of a tab; empty for an index that is no tab.
    QString TabKey(qint32 index) const;
    // Index of the first tab with that key; 0 when none has it.
    qint32 TabIndex(const QString& key) const;
    QString TabCaption(qint32 index) const;
    // Selects a tab from code; raises no TabClick.
    void SelectTab(const QString& key);

    QTabBar* TabBar() const { return m_bar; }

signals:
    // The user chose a tab.
    void TabClick(int index);

private:
    QTabBar* m_bar = nullptr;
    QFrame* m_page = nullptr;
    QVector<QString> m_keys;
    QVector<qint32> m_icons;
    QPointer<cImageList> m_images;
    bool m_fromCode = false;
};
