#include "controls/cStatusBar.h"

#include "controls/ControlColor.h"
#include "controls/cImageList.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <functional>

namespace {

// A sunken panel frame that reports a click.
class PanelFrame : public QFrame {
public:
    using QFrame::QFrame;
    std::function<void()> onClick;

protected:
    void mouseReleaseEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && onClick) {
            onClick();
            return;
        }
        QFrame::mouseReleaseEvent(event);
    }
};

} // namespace

cStatusBar::cStatusBar(QWidget* parent) : QStatusBar(parent) {
    setSizeGripEnabled(true);
}

void cStatusBar::setImageList(cImageList* images) {
    m_images = images;
    for (Panel& panel : m_panels)
        applyIcon(panel);
}

void cStatusBar::setBackColor(qint64 colour) {
    m_backColor = colour;
    controls::ApplyBackColor(this, colour);
}

qint32 cStatusBar::AddPanel(qint32 zero, const QString& text, const QString& tooltip, qint32 icon,
                            qint32 minWidth, bool a, bool b, qint32 c, const QString& key) {
    Q_UNUSED(zero);
    Q_UNUSED(a);
    Q_UNUSED(b);
    Q_UNUSED(c);
    const qint32 index = PanelCount() + 1;
    auto* frame = new PanelFrame(this); // owned by the status bar
    frame->setFrameShape(QFrame::StyledPanel);
    frame->setFrameShadow(QFrame::Sunken);
    frame->setToolTip(tooltip);
    frame->setMinimumWidth(qMax(0, minWidth));
    frame->onClick = [this, index]() { emit PanelClick(index); };
    auto* layout = new QHBoxLayout(frame); // owned by the frame
    layout->setContentsMargins(3, 0, 3, 0);
    layout->setSpacing(3);
    auto* picture = new QLabel(frame);
    auto* label = new QLabel(text, frame);
    label->setTextFormat(Qt::PlainText);
    layout->addWidget(picture);
    layout->addWidget(label, 1);

    Panel panel;
    panel.key = key;
    panel.icon = icon;
    panel.frame = frame;
    panel.picture = picture;
    panel.text = label;
    m_panels.append(panel);
    applyIcon(m_panels.last());
    // The first panel takes the spare width.
    addWidget(frame, index == 1 ? 1 : 0);
    return index;
}

void cStatusBar::applyIcon(Panel& panel) {
    const QIcon icon = m_images ? m_images->IconForNumber(panel.icon) : QIcon();
    if (icon.isNull()) {
        panel.picture->clear();
        panel.picture->hide();
    } else {
        panel.picture->setPixmap(icon.pixmap(16, 16));
        panel.picture->show();
    }
}

cStatusBar::Panel* cStatusBar::find(const QString& key) {
    const qint32 index = PanelIndex(key);
    return index ? &m_panels[index - 1] : nullptr;
}

const cStatusBar::Panel* cStatusBar::find(const QString& key) const {
    const qint32 index = PanelIndex(key);
    return index ? &m_panels[index - 1] : nullptr;
}

QString cStatusBar::PanelKey(qint32 index) const {
    return index >= 1 && index <= PanelCount() ? m_panels[index - 1].key : QString();
}

qint32 cStatusBar::PanelIndex(const QString& key) const {
    for (qint32 i = 0; i < PanelCount(); ++i)
        if (m_panels[i].key == key) return i + 1;
    return 0;
}

QString cStatusBar::PanelText(const QString& key) const {
    const Panel* panel = find(key);
    return panel ? panel->text->text() : QString();
}

void cStatusBar::setPanelText(const QString& key, const QString& text) {
    if (Panel* panel = find(key)) panel->text->setText(text);
}

qint32 cStatusBar::PanelIcon(const QString& key) const {
    const Panel* panel = find(key);
    return panel ? panel->icon : -1;
}

void cStatusBar::setPanelIcon(const QString& key, qint32 icon) {
    if (Panel* panel = find(key)) {
        panel->icon = icon;
        applyIcon(*panel);
    }
}

QString cStatusBar::PanelToolTip(const QString& key) const {
    const Panel* panel = find(key);
    return panel ? panel->frame->toolTip() : QString();
}

QWidget* cStatusBar::PanelWidget(qint32 index) const {
    return index >= 1 && index <= PanelCount() ? m_panels[index - 1].frame : nullptr;
}
