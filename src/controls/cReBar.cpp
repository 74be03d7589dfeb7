#include "controls/cReBar.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

cReBar::cReBar(QWidget* parent) : QWidget(parent) {
    m_layout = new QHBoxLayout(this); // owned by the rebar
    m_layout->setContentsMargins(2, 0, 2, 0);
    m_layout->setSpacing(4);
    m_layout->addStretch(1);
}

void cReBar::CreateRebar(QWidget* parent) {
    if (!parent) return;
    setParent(parent);
    QLayout* layout = parent->layout();
    if (!layout) {
        layout = new QVBoxLayout(parent); // owned by the parent
        layout->setContentsMargins(0, 0, 0, 0);
    }
    layout->addWidget(this);
    show();
}

qint32 cReBar::AddBandByHwnd(QWidget* child, const QString& caption, bool a, bool b, const QString& key) {
    Q_UNUSED(caption);
    Q_UNUSED(a);
    Q_UNUSED(b);
    if (!child) return 0;
    child->setParent(this);
    // Bands go before the closing stretch.
    m_layout->insertWidget(m_layout->count() - 1, child);
    child->show();
    m_bands.append({key, child});
    return BandCount();
}

void cReBar::ApplyBand(qint32 index) {
    Q_UNUSED(index);
    m_layout->invalidate();
    updateGeometry();
}

QString cReBar::BandKey(qint32 index) const {
    return index >= 1 && index <= BandCount() ? m_bands[index - 1].key : QString();
}

QWidget* cReBar::BandChild(qint32 index) const {
    return index >= 1 && index <= BandCount() ? m_bands[index - 1].child.data() : nullptr;
}
