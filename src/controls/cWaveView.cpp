#include "controls/cWaveView.h"

#include "controls/ControlColor.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

cWaveView::cWaveView(QWidget* parent) : QWidget(parent) {
    setMinimumHeight(120);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Base);
    m_wave = palette().color(QPalette::Text);
    m_selection = palette().color(QPalette::Highlight);
    m_line = palette().color(QPalette::Mid);
}

void cWaveView::setSource(PeakSource source, qint32 channels, qint64 frames) {
    m_source = std::move(source);
    m_channels = channels;
    m_frames = frames;
    m_viewStart = m_selStart = 0;
    m_viewEnd = m_selEnd = frames;
    update();
}

void cWaveView::setView(qint64 start, qint64 end) {
    m_viewStart = start;
    m_viewEnd = end;
    update();
}

void cWaveView::setSelection(qint64 start, qint64 end) {
    m_selStart = start;
    m_selEnd = end;
    update();
}

void cWaveView::setColors(qint64 wave, qint64 selection, qint64 line) {
    m_wave = components::ColorFromLong(wave);
    m_selection = components::ColorFromLong(selection);
    m_line = components::ColorFromLong(line);
    update();
}

qint64 cWaveView::FrameAt(int x) const {
    const int w = std::max(1, width());
    const double f = m_viewStart + double(std::clamp(x, 0, w)) * double(m_viewEnd - m_viewStart) / w;
    return std::clamp<qint64>(std::llround(f), m_viewStart, m_viewEnd);
}

int cWaveView::XOf(qint64 frame) const {
    if (m_viewEnd <= m_viewStart) return 0;
    return int(std::llround(double(frame - m_viewStart) * width() / double(m_viewEnd - m_viewStart)));
}

void cWaveView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const int w = width(), h = height();
    if (!m_source || m_channels <= 0 || m_viewEnd <= m_viewStart || w <= 0) return;

    // The selection first, so the wave is drawn over it.
    const qint64 s0 = std::max(m_selStart, m_viewStart), s1 = std::min(m_selEnd, m_viewEnd);
    if (s1 > s0 && !(m_selStart == 0 && m_selEnd == m_frames)) {
        QColor shade = m_selection;
        shade.setAlpha(90);
        p.fillRect(QRect(QPoint(XOf(s0), 0), QPoint(std::max(XOf(s0), XOf(s1) - 1), h - 1)), shade);
    }
    const int lane = h / m_channels;
    for (qint32 c = 0; c < m_channels; ++c) {
        const int mid = c * lane + lane / 2;
        const double half = std::max(1, lane / 2 - 2);
        p.setPen(m_line);
        p.drawLine(0, mid, w - 1, mid);
        p.setPen(m_wave);
        const auto peaks = m_source(c, m_viewStart, m_viewEnd, w);
        for (int x = 0; x < int(peaks.size()); ++x) {
            const int top = mid - int(std::lround(peaks[size_t(x)].second * half));
            const int bottom = mid - int(std::lround(peaks[size_t(x)].first * half));
            p.drawLine(x, top, x, std::max(top, bottom));
        }
    }
}

void cWaveView::DragTo(int x) {
    const qint64 here = FrameAt(x);
    emit SelectionDragged(std::min(m_anchor, here), std::max(m_anchor, here));
}

void cWaveView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || m_viewEnd <= m_viewStart) return QWidget::mousePressEvent(event);
    m_anchor = FrameAt(qRound(event->position().x()));
}

void cWaveView::mouseMoveEvent(QMouseEvent* event) {
    if (m_anchor < 0 || !(event->buttons() & Qt::LeftButton)) return QWidget::mouseMoveEvent(event);
    DragTo(qRound(event->position().x()));
}

void cWaveView::mouseReleaseEvent(QMouseEvent* event) {
    if (m_anchor < 0 || event->button() != Qt::LeftButton) return QWidget::mouseReleaseEvent(event);
    DragTo(qRound(event->position().x()));
    m_anchor = -1;
}
