#pragma once

#include <QPointer>
#include <QString>
#include <QVector>
#include <QWidget>

class QHBoxLayout;

// A band container laid into a parent widget; each band holds one child widget (a toolbar).
class cReBar : public QWidget {
    Q_OBJECT
public:
    explicit cReBar(QWidget* parent = nullptr);

    qint32 Setting1() const { return m_setting1; }
    void setSetting1(qint32 value) { m_setting1 = value; }

    // Places the rebar into `parent`, filling it.
    void CreateRebar(QWidget* parent);
    // Puts `child` into a new band; returns the band's 1-based index (0 for no child).
    qint32 AddBandByHwnd(QWidget* child, const QString& caption, bool a, bool b, const QString& key);
    // Lays the bands out again; `index` is kept for the callers' order.
    void ApplyBand(qint32 index);

    qint32 BandCount() const { return static_cast<qint32>(m_bands.size()); }
    QString BandKey(qint32 index) const;
    QWidget* BandChild(qint32 index) const;

private:
    struct Band {
        QString key;
        QPointer<QWidget> child;
    };
    QHBoxLayout* m_layout = nullptr;
    QVector<Band> m_bands;
    qint32 m_setting1 = 0;
};
