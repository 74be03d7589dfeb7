#pragma once

#include <QPointer>
#include <QString>
#include <QToolBar>
#include <QVector>

class QToolButton;
#include "controls/cImageList.h"

// A toolbar whose buttons are numbered from 1 in the order they were added (separators
// included). Styles: 0 normal, 1 separator, 2 check (stays down until clicked again),
// 8 drop-down (a face and an arrow). Icon numbers count from 0, -1 none.
class cToolbar : public QToolBar {
    Q_OBJECT
public:
    enum ButtonStyle : qint32 { StyleNormal = 0, StyleSeparator = 1, StyleCheck = 2, StyleDropDown = 8 };

    explicit cToolbar(QWidget* parent = nullptr);

    // A transparent bar draws neither panel nor frame: what lies behind it
    // (a host's colour or picture) shows through.
    void setTransparent(bool transparent);

    // Build settings; kept, they do not change how the bar works.
    qint32 Style() const { return m_style; }
    using QToolBar::setStyle;
    void setStyle(qint32 style) { m_style = style; }
    bool Setting1() const { return m_setting1; }
    void setSetting1(bool on) { m_setting1 = on; }
    bool Setting2() const { return m_setting2; }
    void setSetting2(bool on) { m_setting2 = on; }
    qint32 Setting3() const { return m_setting3; }
    void setSetting3(qint32 value) { m_setting3 = value; }
    bool Setting4(qint32 index) const;
    void setSetting4(qint32 index, bool on);

    void SetImageList(cImageList* images);
    cImageList* ImageList() const { return m_images; }
    // buttonSize is the picture size in pixels (16, or 26 for the player toolbar).
    void CreateToolbar(qint32 buttonSize, bool a, bool b, bool c);

    // Adds a button and returns its 1-based index. `omitted` and `zero` keep the callers' order.
    // A caption that is empty gives an icon-only button.
    qint32 AddButton(const QString& tooltip, qint32 icon, qint32 omitted, qint32 zero, const QString& caption,
                     qint32 style, const QString& key = QString());

    // The widget that a rebar or host takes.
    QWidget* hWnd() { return this; }

    qint32 ButtonCount() const { return static_cast<qint32>(m_buttons.size()); }
    // Key of a button; empty for an index that is no button.
    QString ButtonKey(qint32 index) const;
    // Index of the first button with that key; 0 when none has it.
    qint32 ButtonIndex(const QString& key) const;
    // Down state of a check button; false for a missing key or index.
    bool ButtonChecked(qint32 index) const;
    bool ButtonChecked(const QString& key) const { return ButtonChecked(ButtonIndex(key)); }
    void setButtonChecked(qint32 index, bool checked);
    void setButtonChecked(const QString& key, bool checked) { setButtonChecked(ButtonIndex(key), checked); }
    bool ButtonEnabled(qint32 index) const;
    bool ButtonEnabled(const QString& key) const { return ButtonEnabled(ButtonIndex(key)); }
    void setButtonEnabled(qint32 index, bool enabled);
    void setButtonEnabled(const QString& key, bool enabled) { setButtonEnabled(ButtonIndex(key), enabled); }
    QString ButtonCaption(qint32 index) const;
    QString ButtonToolTip(qint32 index) const;
    qint32 ButtonStyleOf(qint32 index) const;

    // Screen point under the left edge of a button, where its menu opens (the form that
    // cPopupMenu::ShowPopupMenuEx takes). Leaves x and y alone for an unknown index.
    void GetDropDownPosition(qint32 index, qint32& x, qint32& y) const;

    // The button widget (nullptr for separators and unknown indexes).
    QToolButton* ButtonWidget(qint32 index) const;

protected:
    void paintEvent(QPaintEvent* event) override;

signals:
    // A click on a button, including the face of a drop-down button.
    void ButtonClick(int index);
    // A click on the arrow of a drop-down button.
    void ButtonDropDown(int index);

private:
    bool m_transparent = false;
    struct Button {
        QString key;
        QString tooltip;
        QString caption;
        qint32 icon = -1;
        qint32 style = 0;
        QAction* action = nullptr; // owned by the toolbar
        QPointer<QToolButton> widget;
    };
    bool valid(qint32 index) const { return index >= 1 && index <= ButtonCount(); }
    void applyIcon(Button& button);

    QVector<Button> m_buttons;
    QPointer<cImageList> m_images;
    qint32 m_style = 0;
    bool m_setting1 = false;
    bool m_setting2 = false;
    qint32 m_setting3 = 0;
    QVector<bool> m_setting4;
};
