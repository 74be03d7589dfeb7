#include "controls/cProgressBar.h"

#include "controls/ControlColor.h"

#include <QPalette>

cProgressBar::cProgressBar(QWidget* parent) : QProgressBar(parent) {
    setTextVisible(false);
    refresh();
}

void cProgressBar::setMin(qint32 min) {
    m_min = min;
    refresh();
}

void cProgressBar::setMax(qint32 max) {
    m_max = max;
    refresh();
}

void cProgressBar::setValue(qint32 value) {
    m_value = value;
    refresh();
}

void cProgressBar::setBarColor(qint64 colour) {
    m_barColor = colour;
    QPalette palette = this->palette();
    palette.setColor(QPalette::Highlight, controls::ColorFromLong(colour));
    setPalette(palette);
}

void cProgressBar::refresh() {
    if (m_max > m_min) {
        QProgressBar::setRange(m_min, m_max);
        QProgressBar::setValue(qBound(m_min, m_value, m_max));
    } else {
        // A range of 0 would make the bar busy-animate; show it empty instead.
        QProgressBar::setRange(0, 1);
        QProgressBar::setValue(0);
    }
}

Glimmet::Glimmet(QWidget* parent) : cProgressBar(parent) {
    setMin(0);
}
