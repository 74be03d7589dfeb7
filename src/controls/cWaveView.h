// The analyser's waveform: one lane per channel, drawn from the peaks a
// source hands it for the frames in view, with the selection shaded. A drag
// with the left button selects; the view reports the frames under the mouse.
#pragma once

#include <QWidget>

#include <functional>
#include <utility>
#include <vector>

class cWaveView : public QWidget {
    Q_OBJECT
public:
    // (channel, first frame, end frame, columns) -> (min, max) per column in -1..1.
    using PeakSource = std::function<std::vector<std::pair<float, float>>(qint32, qint64, qint64, qint32)>;

    explicit cWaveView(QWidget* parent = nullptr);

    void setSource(PeakSource source, qint32 channels, qint64 frames);
    void setView(qint64 start, qint64 end);
    void setSelection(qint64 start, qint64 end);
    // Colour numbers: the wave, the selection, the middle line.
    void setColors(qint64 wave, qint64 selection, qint64 line);

    qint64 ViewStart() const { return m_viewStart; }
    qint64 ViewEnd() const { return m_viewEnd; }
    // The frame under a horizontal position of the widget.
    qint64 FrameAt(int x) const;
    // The horizontal position where a frame is drawn.
    int XOf(qint64 frame) const;
    // The colour the wave is drawn in: the wave colour given, else the line
    // colour, else black or white, the first that stands out from the background.
    QColor WaveColor() const;

signals:
    // The frames between where the drag began and where the mouse is, in order.
    void SelectionDragged(qint64 start, qint64 end);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void DragTo(int x);

    PeakSource m_source;
    qint32 m_channels = 0;
    qint64 m_frames = 0;
    qint64 m_viewStart = 0;
    qint64 m_viewEnd = 0;
    qint64 m_selStart = 0;
    qint64 m_selEnd = 0;
    qint64 m_anchor = -1;
    QColor m_wave;
    QColor m_selection;
    QColor m_line;
};
