#pragma once

#include <QProgressBar>

// A progress bar that remembers the values it is given: Value reads back what was set even
// above Max or below Min, while the bar shows it clamped. Max not above Min shows an empty bar
// (never the busy animation).
class cProgressBar : public QProgressBar {
    Q_OBJECT
public:
    explicit cProgressBar(QWidget* parent = nullptr);

    qint32 Min() const { return m_min; }
    void setMin(qint32 min);
    qint32 Max() const { return m_max; }
    void setMax(qint32 max);
    qint32 Value() const { return m_value; }
    void setValue(qint32 value);
    void setBarColor(qint64 colour);
    qint64 BarColor() const { return m_barColor; }

private:
    void refresh();

    qint32 m_min = 0;
    qint32 m_max = 100;
    qint32 m_value = 0;
    qint64 m_barColor = 0x8000000D;
};

// The batch tool windows' progress bar: a cProgressBar counted from 0.
class Glimmet : public cProgressBar {
    Q_OBJECT
public:
    explicit Glimmet(QWidget* parent = nullptr);
};
