#include "controls/cToolbarHost.h"

#include "controls/ControlColor.h"
#include "controls/cToolbar.h"

#include <QHBoxLayout>
#include <QPainter>

cToolbarHost::cToolbarHost(QWidget* parent) : QWidget(parent) {
    m_layout = new QHBoxLayout(this); // owned by the host
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(0);
}

void cToolbarHost::setBackgroundPicture(const QString& path) {
    m_picturePath = path;
    m_picture = path.isEmpty() ? QPixmap() : QPixmap(path);
    update();
}

void cToolbarHost::setBackColor(qint64 colour) {
    m_backColor = colour;
    controls::ApplyBackColor(this, colour);
    update();
}

void cToolbarHost::AttachToolbar(cToolbar* toolbar) {
    if (!toolbar || toolbar == m_toolbar) return;
    if (m_toolbar) m_layout->removeWidget(m_toolbar);
    m_toolbar = toolbar;
    toolbar->setParent(this);
    // The host's colour or picture shows through the bar. (Not a style
    // sheet: one re-polishes the bar and every button on it, at every start.)
    toolbar->setTransparent(true);
    m_layout->addWidget(toolbar, 1, Qt::AlignLeft | Qt::AlignVCenter);
    toolbar->show();
}

void cToolbarHost::paintEvent(QPaintEvent* event) {
    QWidget::paintEvent(event);
    if (m_picture.isNull()) return;
    QPainter painter(this);
    painter.drawPixmap(rect(), m_picture);
}
