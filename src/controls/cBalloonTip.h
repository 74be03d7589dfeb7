#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

// A balloon tip pointing at a widget. Set Icon, Title and Text, Create with the widget, then
// Show. The balloon does not block; it closes itself after TimeOut milliseconds or on a click
// and lives on after this object is gone (it belongs to the widget).
// Icons: 0 none, 1 warning, 2 information, 3 error.
class cBalloonTip {
public:
    qint32 Icon() const { return m_icon; }
    void setIcon(qint32 icon) { m_icon = icon; }
    QString Title() const { return m_title; }
    void setTitle(const QString& title) { m_title = title; }
    QString Text() const { return m_text; }
    void setText(const QString& text) { m_text = text; }
    qint32 TimeOut() const { return m_timeOut; }
    void setTimeOut(qint32 ms) { m_timeOut = ms; }

    void Create(QWidget* target) { m_target = target; }
    // Shows the balloon under the target (nothing without one) and returns its window.
    QWidget* Show();

    // The name balloon windows carry, so they can be found among the target's children.
    static constexpr const char* WindowName = "cBalloonTipWindow";

private:
    QPointer<QWidget> m_target;
    QString m_title;
    QString m_text;
    qint32 m_icon = 0;
    qint32 m_timeOut = 6000;
};
