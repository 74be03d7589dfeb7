#pragma once

#include <QPointer>
#include <QStatusBar>
#include <QString>
#include <QVector>

class QLabel;
#include "controls/cImageList.h"

// A status bar of keyed panels, numbered from 1 in the order they were added. Each panel
// shows an icon (0-based in the image list, -1 none) and a text; clicking it raises PanelClick.
class cStatusBar : public QStatusBar {
    Q_OBJECT
public:
    explicit cStatusBar(QWidget* parent = nullptr);

    void setImageList(cImageList* images);
    cImageList* ImageList() const { return m_images; }
    void setBackColor(qint64 colour);
    qint64 BackColor() const { return m_backColor; }

    // minWidth is in pixels. `zero`, `a`, `b` and `c` keep the callers' order. Returns the
    // panel's 1-based index.
    qint32 AddPanel(qint32 zero, const QString& text, const QString& tooltip, qint32 icon, qint32 minWidth,
                    bool a, bool b, qint32 c, const QString& key);

    qint32 PanelCount() const { return static_cast<qint32>(m_panels.size()); }
    // Key of a panel; empty for an index that is no panel.
    QString PanelKey(qint32 index) const;
    // Index of the first panel with that key; 0 when none has it.
    qint32 PanelIndex(const QString& key) const;
    // Text of a panel by key; empty for an unknown key, which a setter ignores.
    QString PanelText(const QString& key) const;
    void setPanelText(const QString& key, const QString& text);
    qint32 PanelIcon(const QString& key) const;
    void setPanelIcon(const QString& key, qint32 icon);
    QString PanelToolTip(const QString& key) const;

    // The panel's widget (nullptr for an unknown index).
    QWidget* PanelWidget(qint32 index) const;

signals:
    void PanelClick(int index);

private:
    struct Panel {
        QString key;
        qint32 icon = -1;
        QWidget* frame = nullptr; // owned by the status bar
        QLabel* picture = nullptr;
        QLabel* text = nullptr;
    };
    Panel* find(const QString& key);
    const Panel* find(const QString& key) const;
    void applyIcon(Panel& panel);

    QVector<Panel> m_panels;
    QPointer<cImageList> m_images;
    qint64 m_backColor = 0x8000000F;
};
