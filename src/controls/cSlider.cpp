#include "controls/cSlider.h"

#include "controls/ControlColor.h"

cSlider::cSlider(QWidget* parent) : QSlider(Qt::Horizontal, parent) {
    setRange(0, 1);
    connect(this, &QAbstractSlider::sliderPressed, this, [this]() { emit ScrollStart(value()); });
    connect(this, &QAbstractSlider::sliderReleased, this, [this]() { emit ScrollEnd(value()); });
}

void cSlider::setMax(qint32 max) {
    // A zero-length file must still leave a usable range.
    setMaximum(qMax<qint32>(1, max));
}

void cSlider::setBackColor(qint64 colour) {
    m_backColor = colour;
    controls::ApplyBackColor(this, colour);
}
