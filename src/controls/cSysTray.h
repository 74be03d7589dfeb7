// The notification-area icon of the main window: tool tip, icon file,
// balloons and clicks. Where the desktop offers no notification area the
// icon simply never appears (see IsAvailable).
#pragma once

#include <QIcon>
#include <QObject>
#include <QString>
#include <memory>
#include <optional>

class QSystemTrayIcon;

class cSysTray : public QObject {
    Q_OBJECT
public:
    explicit cSysTray(QObject* parent = nullptr);
    ~cSysTray() override;

    // Puts the icon into the notification area; it shows as soon as it has a picture.
    void CreateIcon();
    // Takes the icon out again.
    void RemoveIcon();
    bool IconCreated() const { return m_created; }

    QString ToolTipText() const { return m_toolTip; }
    void setToolTipText(const QString& text);

    // The picture file. A file that cannot be read gives the program's
    // built-in picture, so the icon never disappears for a missing asset.
    QString IconFile() const { return m_iconFile; }
    void setIconFile(const QString& path);
    // The picture in use (null before any IconFile).
    QIcon Icon() const { return m_icon; }

    // A balloon message: icon 0 none, 1 information, 2 warning, 3 error;
    // timeOut in seconds.
    void ShowBalloon(const QString& text, const QString& title, qint32 icon, qint32 timeOut);
    // The last balloon asked for (shown or not), for the windows' tests.
    QString LastBalloonText() const { return m_lastBalloonText; }
    QString LastBalloonTitle() const { return m_lastBalloonTitle; }

    // Whether the desktop has a notification area. A test may force the answer
    // (std::nullopt gives the desktop's answer back).
    static bool IsAvailable();
    static void OverrideAvailable(std::optional<bool> available);

signals:
    // 1 = left button, 2 = right button.
    void TrayClick(qint32 button);

private:
    void update();

    std::unique_ptr<QSystemTrayIcon> m_tray;
    QString m_lastBalloonText;
    QString m_lastBalloonTitle;
    QIcon m_icon;
    QString m_iconFile;
    QString m_toolTip;
    bool m_created = false;
};
