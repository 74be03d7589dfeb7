#include "controls/cTabControl.h"

#include "controls/cImageList.h"

#include <QFrame>
#include <QTabBar>
#include <QVBoxLayout>

cTabControl::cTabControl(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this); // owned by the control
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_bar = new QTabBar(this);
    m_bar->setDrawBase(false);
    m_bar->setExpanding(false);
    // Every tab stays in sight: the control asks its window for the room of
    // all of them instead of hiding some behind scroll arrows or cutting captions.
    m_bar->setUsesScrollButtons(false);
    m_bar->setElideMode(Qt::ElideNone);
    m_page = new QFrame(this);
    m_page->setFrameShape(QFrame::StyledPanel);
    layout->addWidget(m_bar);
    layout->addWidget(m_page, 1);
    connect(m_bar, &QTabBar::currentChanged, this, [this](int index) {
        if (!m_fromCode && index >= 0) emit TabClick(index + 1);
    });
}

void cTabControl::setImageList(cImageList* images) {
    m_images = images;
    for (int i = 0; i < m_bar->count(); ++i)
        m_bar->setTabIcon(i, m_images ? m_images->IconForNumber(m_icons.at(i)) : QIcon());
}

qint32 cTabControl::AddTab(const QString& caption, qint32 icon, qint32 a, const QString& key) {
    Q_UNUSED(a);
    m_fromCode = true; // the first tab becomes current without a user's choice
    const int i = m_bar->addTab(caption);
    m_fromCode = false;
    m_keys.append(key);
    m_icons.append(icon);
    if (m_images) m_bar->setTabIcon(i, m_images->IconForNumber(icon));
    // A hidden tab bar does not tell the layouts that it grew: the height
    // they kept from when it had no tabs would stay 0 once shown.
    m_bar->updateGeometry();
    updateGeometry();
    return i + 1;
}

void cTabControl::Reset() {
    m_fromCode = true;
    while (m_bar->count() > 0)
        m_bar->removeTab(m_bar->count() - 1);
    m_fromCode = false;
    m_keys.clear();
    m_icons.clear();
    m_bar->updateGeometry();
    updateGeometry();
}

QRect cTabControl::ClientRect() const {
    // The page frame's inside, in the parent's coordinates. Layout may be pending for a
    // control that was never shown, so lay it out first.
    if (layout()) layout()->activate();
    const QRect inside = m_page->contentsRect().translated(m_page->pos());
    return inside.translated(pos());
}

QWidget* cTabControl::ClientArea() const {
    return m_page;
}

qint32 cTabControl::SelectedTab() const {
    return m_bar->currentIndex() + 1;
}

QString cTabControl::TabKey(qint32 index) const {
    return index >= 1 && index <= TabCount() ? m_keys.at(index - 1) : QString();
}

qint32 cTabControl::TabIndex(const QString& key) const {
    const int i = m_keys.indexOf(key);
    return i >= 0 ? i + 1 : 0;
}

QString cTabControl::TabCaption(qint32 index) const {
    return index >= 1 && index <= TabCount() ? m_bar->tabText(index - 1) : QString();
}

void cTabControl::SelectTab(const QString& key) {
    const qint32 index = TabIndex(key);
    if (!index) return;
    m_fromCode = true;
    m_bar->setCurrentIndex(index - 1);
    m_fromCode = false;
}
