#pragma once

#include <QSlider>

// The playback position slider, in seconds. Max is at least 1.
class cSlider : public QSlider {
    Q_OBJECT
public:
    explicit cSlider(QWidget* parent = nullptr);

    qint32 Value() const { return value(); }
    // setValue (inherited) sets it; a value outside 0..Max shows at the nearer end.
    qint32 Max() const { return maximum(); }
    void setMax(qint32 max);
    void setBackColor(qint64 colour);
    qint64 BackColor() const { return m_backColor; }

signals:
    // The user starts / ends dragging the thumb; the argument is the value at that moment.
    void ScrollStart(int value);
    void ScrollEnd(int value);

private:
    qint64 m_backColor = 0x8000000F;
};
