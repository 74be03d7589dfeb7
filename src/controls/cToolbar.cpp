#include "controls/cToolbar.h"

#include "controls/cImageList.h"

#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionToolButton>
#include <QToolButton>
#include <functional>

namespace {

// A tool button that reports a press on its arrow instead of opening a menu of its own.
class ToolbarButton : public QToolButton {
public:
    using QToolButton::QToolButton;
    std::function<void()> onArrow;

    QRect arrowRect() const {
        QStyleOptionToolButton opt;
        initStyleOption(&opt);
        return style()->subControlRect(QStyle::CC_ToolButton, &opt, QStyle::SC_ToolButtonMenu, this);
    }

protected:
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton && popupMode() == QToolButton::MenuButtonPopup) {
            const QRect r = arrowRect();
            if (r.isValid() && r.contains(event->position().toPoint())) {
                event->accept();
                if (onArrow) onArrow();
                return;
            }
        }
        QToolButton::mousePressEvent(event);
    }
};

} // namespace

cToolbar::cToolbar(QWidget* parent) : QToolBar(parent) {
    setMovable(false);
    setFloatable(false);
    setContextMenuPolicy(Qt::PreventContextMenu);
}

bool cToolbar::Setting4(qint32 index) const {
    return index >= 0 && index < m_setting4.size() && m_setting4.at(index);
}

void cToolbar::setSetting4(qint32 index, bool on) {
    if (index < 0) return;
    if (index >= m_setting4.size()) m_setting4.resize(index + 1);
    m_setting4[index] = on;
}

void cToolbar::SetImageList(cImageList* images) {
    m_images = images;
    for (Button& button : m_buttons)
        applyIcon(button);
}

void cToolbar::CreateToolbar(qint32 buttonSize, bool a, bool b, bool c) {
    Q_UNUSED(a);
    Q_UNUSED(b);
    Q_UNUSED(c);
    if (buttonSize > 0) setIconSize(QSize(buttonSize, buttonSize));
}

void cToolbar::applyIcon(Button& button) {
    if (!button.widget) return;
    button.widget->setIcon(m_images ? m_images->IconForNumber(button.icon) : QIcon());
}

qint32 cToolbar::AddButton(const QString& tooltip, qint32 icon, qint32 omitted, qint32 zero,
                           const QString& caption, qint32 style, const QString& key) {
    Q_UNUSED(omitted);
    Q_UNUSED(zero);
    Button button;
    button.key = key;
    button.tooltip = tooltip;
    button.caption = caption;
    button.icon = icon;
    button.style = style;
    const qint32 index = ButtonCount() + 1;

    if (style == StyleSeparator) {
        button.action = addSeparator();
        m_buttons.append(button);
        return index;
    }

    auto* widget = new ToolbarButton(this); // owned by the toolbar
    widget->setText(caption);
    widget->setToolTip(tooltip);
    // Icon-only buttons are found by screen readers and automation through their tooltip.
    widget->setAccessibleName(caption.trimmed().isEmpty() ? tooltip : caption.trimmed());
    widget->setAutoRaise(true);
    widget->setIconSize(iconSize());
    widget->setToolButtonStyle(caption.isEmpty() ? Qt::ToolButtonIconOnly : Qt::ToolButtonTextBesideIcon);
    widget->setCheckable(style == StyleCheck);
    if (style == StyleDropDown) {
        widget->setPopupMode(QToolButton::MenuButtonPopup);
        widget->onArrow = [this, index]() { emit ButtonDropDown(index); };
    }
    connect(widget, &QToolButton::clicked, this, [this, index]() { emit ButtonClick(index); });
    connect(this, &QToolBar::iconSizeChanged, widget, &QToolButton::setIconSize);
    button.widget = widget;
    button.action = addWidget(widget);
    m_buttons.append(button);
    applyIcon(m_buttons.last());
    return index;
}

QString cToolbar::ButtonKey(qint32 index) const {
    return valid(index) ? m_buttons[index - 1].key : QString();
}

qint32 cToolbar::ButtonIndex(const QString& key) const {
    for (qint32 i = 0; i < ButtonCount(); ++i)
        if (m_buttons[i].style != StyleSeparator && m_buttons[i].key == key) return i + 1;
    return 0;
}

bool cToolbar::ButtonChecked(qint32 index) const {
    return valid(index) && m_buttons[index - 1].widget && m_buttons[index - 1].widget->isChecked();
}

void cToolbar::setButtonChecked(qint32 index, bool checked) {
    if (!valid(index) || !m_buttons[index - 1].widget) return;
    // Only check buttons have a down state.
    m_buttons[index - 1].widget->setChecked(checked);
}

bool cToolbar::ButtonEnabled(qint32 index) const {
    return valid(index) && m_buttons[index - 1].widget && m_buttons[index - 1].widget->isEnabled();
}

void cToolbar::setButtonEnabled(qint32 index, bool enabled) {
    if (valid(index) && m_buttons[index - 1].widget) m_buttons[index - 1].widget->setEnabled(enabled);
}

QString cToolbar::ButtonCaption(qint32 index) const {
    return valid(index) ? m_buttons[index - 1].caption : QString();
}

QString cToolbar::ButtonToolTip(qint32 index) const {
    return valid(index) ? m_buttons[index - 1].tooltip : QString();
}

qint32 cToolbar::ButtonStyleOf(qint32 index) const {
    return valid(index) ? m_buttons[index - 1].style : -1;
}

void cToolbar::GetDropDownPosition(qint32 index, qint32& x, qint32& y) const {
    if (!valid(index)) return;
    const QWidget* widget = widgetForAction(m_buttons[index - 1].action);
    if (!widget) return;
    const QPoint p = widget->mapToGlobal(QPoint(0, widget->height()));
    x = p.x();
    y = p.y();
}

QToolButton* cToolbar::ButtonWidget(qint32 index) const {
    return valid(index) ? m_buttons[index - 1].widget.data() : nullptr;
}

void cToolbar::setTransparent(bool transparent) {
    m_transparent = transparent;
    update();
}

void cToolbar::paintEvent(QPaintEvent* event) {
    if (m_transparent) return; // neither panel nor frame; the buttons paint themselves
    QToolBar::paintEvent(event);
}
