#include "controls/cSysTray.h"

#include <QApplication>
#include <QFileInfo>
#include <QStyle>
#include <QSystemTrayIcon>

namespace {
std::optional<bool>& availableOverride() {
    static std::optional<bool> value;
    return value;
}
} // namespace

cSysTray::cSysTray(QObject* parent) : QObject(parent) {}

cSysTray::~cSysTray() {
    if (m_tray) m_tray->hide();
}

bool cSysTray::IsAvailable() {
    if (availableOverride()) return *availableOverride();
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void cSysTray::OverrideAvailable(std::optional<bool> available) {
    availableOverride() = available;
}

void cSysTray::CreateIcon() {
    if (!m_tray) {
        m_tray = std::make_unique<QSystemTrayIcon>();
        connect(m_tray.get(), &QSystemTrayIcon::activated, this,
                [this](QSystemTrayIcon::ActivationReason reason) {
                    switch (reason) {
                    case QSystemTrayIcon::Trigger:
                        emit TrayClick(1);
                        break;
                    case QSystemTrayIcon::Context:
                        emit TrayClick(2);
                        break;
                    default:
                        break;
                    }
                });
    }
    m_created = true;
    update();
}

void cSysTray::RemoveIcon() {
    m_created = false;
    if (m_tray) m_tray->hide();
}

void cSysTray::setToolTipText(const QString& text) {
    m_toolTip = text;
    update();
}

void cSysTray::setIconFile(const QString& path) {
    m_iconFile = path;
    QIcon icon;
    if (QFileInfo(path).isFile()) icon = QIcon(path);
    if (icon.isNull() || icon.pixmap(16, 16).isNull())
        icon = QApplication::style()->standardIcon(QStyle::SP_MediaVolume);
    m_icon = icon;
    update();
}

void cSysTray::ShowBalloon(const QString& text, const QString& title, qint32 icon, qint32 timeOut) {
    m_lastBalloonText = text;
    m_lastBalloonTitle = title;
    if (!m_tray || !m_created) return;
    QSystemTrayIcon::MessageIcon kind = QSystemTrayIcon::NoIcon;
    switch (icon) {
    case 1:
        kind = QSystemTrayIcon::Information;
        break;
    case 2:
        kind = QSystemTrayIcon::Warning;
        break;
    case 3:
        kind = QSystemTrayIcon::Critical;
        break;
    default:
        break;
    }
    m_tray->showMessage(title, text, kind, qMax(0, timeOut) * 1000);
}

void cSysTray::update() {
    if (!m_tray) return;
    m_tray->setToolTip(m_toolTip);
    if (!m_icon.isNull()) m_tray->setIcon(m_icon);
    // A tray icon without a picture is invisible and warns, so it waits for one.
    m_tray->setVisible(m_created && !m_icon.isNull());
}
