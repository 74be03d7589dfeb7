#include "dialogs/WindowChrome.h"

#include "controls/ControlColor.h"
#include "core/AppPaths.h"
#include "core/mdlModes.h"
#include "dialogs/MainWindowHost.h"
#include "dialogs/mdlSetFormIcon32.h"

#include <QBrush>
#include <QCloseEvent>
#include <QPalette>
#include <QPixmap>

namespace dialogs {

namespace {
MainWindowHost* s_host = nullptr;
}

MainWindowHost* mainWindowHost() {
    return s_host;
}

void setMainWindowHost(MainWindowHost* host) {
    s_host = host;
}

} // namespace dialogs

namespace dialogs::chrome {

void ApplyTitleStrip(QWidget* strip, const QList<QWidget*>& texts) {
    controls::ApplyBackColor(strip, core::chrome::AppColour());
    for (QWidget* text : texts)
        controls::ApplyTextColor(text, core::chrome::TextColour());
}

void ApplyView(const QList<QWidget*>& backs, QWidget* titleStrip, std::optional<QList<QWidget*>> pictured) {
    if (const auto colour = core::chrome::ViewBackColour())
        for (QWidget* w : backs)
            controls::ApplyBackColor(w, *colour);
    if (!core::g_sViewBackPicture.isEmpty())
        for (QWidget* w : pictured ? *pictured : backs)
            ApplyViewPicture(w, core::g_sViewBackPicture);
    if (titleStrip && !core::g_sViewTitlePicture.isEmpty())
        ApplyViewPicture(titleStrip, core::g_sViewTitlePicture);
}

bool ApplyViewPicture(QWidget* widget, const QString& name) {
    if (!widget || name.isEmpty()) return false;
    const QPixmap picture(core::ProgramFolder() + QStringLiteral("/View/") + name);
    if (picture.isNull()) return false;
    QPalette palette = widget->palette();
    palette.setBrush(QPalette::Window, QBrush(picture));
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
    return true;
}

void SetIcon(QWidget* window, const QString& iconName) {
    dialogs::SetFormIcon(window, iconName, true);
}

bool HideUnlessExiting(QWidget* window, QCloseEvent* event, bool appExiting) {
    if (appExiting) {
        event->accept();
        return false;
    }
    event->ignore();
    window->hide();
    return true;
}

} // namespace dialogs::chrome
