#include "controls/cWaveView.h"

#include "controls/ControlColor.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

// WCAG relative luminance and contrast ratio (1 to 21).
double Luminance(const QColor& c) {
    auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    const QColor rgb = c.toRgb();
    return 0.2126 * channel(rgb.redF()) + 0.7152 * channel(rgb.greenF()) + 0.0722 * channel(rgb.blueF());
}

double Contrast(const QColor& a, const QColor& b) {
    const double la = Luminance(a), lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// What graphics need to be told apart from their background.
constexpr double kEnoughContrast = 3.0;

} // namespace

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
    m_wave = controls::ColorFromLong(wave);
    m_selection = controls::ColorFromLong(selection);
    m_line = controls::ColorFromLong(line);
    update();
}

qint64 cWaveView::FrameAt(int x) const {
    const int w = std::max(1, width());
    const double f = m_viewStart + double(std::clamp(x, 0, w)) * double(m_viewEnd - m_viewStart) / w;
    return std::clamp<qint64>(std::llround(f), m_viewStart, m_viewEnd);
}

QColor cWaveView::WaveColor() const {
    // The user's colours are free: white text on the white view of a new
    // store would hide the wave. The first of them that stands out is taken,
    // else black or white, whichever stands out more.
    const QColor back = palette().color(backgroundRole());
    for (const QColor& wanted : {m_wave, m_line})
        if (Contrast(wanted, back) >= kEnoughContrast) return wanted;
    return Contrast(Qt::black, back) >= Contrast(Qt::white, back) ? QColor(Qt::black) : QColor(Qt::white);
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
    const QColor wave = WaveColor();
    for (qint32 c = 0; c < m_channels; ++c) {
        const int mid = c * lane + lane / 2;
        const double half = std::max(1, lane / 2 - 2);
        p.setPen(m_line);
        p.drawLine(0, mid, w - 1, mid);
        p.setPen(wave);
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
