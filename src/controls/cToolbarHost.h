#pragma once

#include <QPixmap>
#include <QPointer>
#include <QWidget>

#include "controls/cToolbar.h"
class QHBoxLayout;

// A strip that shows one toolbar over a background colour or picture.
class cToolbarHost : public QWidget {
    Q_OBJECT
public:
    explicit cToolbarHost(QWidget* parent = nullptr);

    // Path of a picture drawn (stretched) behind the toolbar; an unreadable file shows none.
    void setBackgroundPicture(const QString& path);
    QString BackgroundPicture() const { return m_picturePath; }
    bool HasBackgroundPicture() const { return !m_picture.isNull(); }
    void setBackColor(qint64 colour);
    qint64 BackColor() const { return m_backColor; }

    // Takes the toolbar into the host, which shows and sizes it.
    void AttachToolbar(cToolbar* toolbar);
    cToolbar* Toolbar() const { return m_toolbar; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QHBoxLayout* m_layout = nullptr;
    QPointer<cToolbar> m_toolbar;
    QString m_picturePath;
    QPixmap m_picture;
    qint64 m_backColor = 0x8000000F;
};
