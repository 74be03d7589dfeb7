// The look every window shares, written once: the title strip in the
// application and text colours, the "View" colour and pictures, the icon,
// the caption "<product> <version>" (core::AppTitle), and the load-on-demand and
// hide-until-exit lifecycle. No window parses a stored colour itself.
//
// A tool window typically calls, in its Form_Load:
//     dialogs::chrome::ApplyTitleStrip(picTitle, {lblTitle});
//     dialogs::chrome::ApplyView({this, TabOne, TabTwo}, picTitle);
//     dialogs::chrome::SetIcon(this, "document_music");
// and is opened with
//     dialogs::chrome::ShowOnDemand(g_frmX, [] { return new frmX(parent); });
#pragma once

#include "core/ChromeColours.h"

#include <QList>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <QtGlobal>

#include <functional>
#include <optional>

class QCloseEvent;

namespace dialogs::chrome {

// ---- Parts of a window --------------------------------------------------
// The title strip in the application colour, its labels in the text colour.
void ApplyTitleStrip(QWidget* strip, const QList<QWidget*>& texts);
// The "View" look: the back colour on each widget, the back picture on each
// widget of `pictured` (by default the same ones), the title picture on the strip.
void ApplyView(const QList<QWidget*>& backs, QWidget* titleStrip = nullptr,
               std::optional<QList<QWidget*>> pictured = std::nullopt);
// Draws a picture of the program folder's "View" folder behind the widget; a
// picture that does not load leaves the widget as it is (false).
bool ApplyViewPicture(QWidget* widget, const QString& name);

// The window's icon from the program's icon set (see dialogs::SetFormIcon).
void SetIcon(QWidget* window, const QString& iconName);

// ---- Lifecycle ----------------------------------------------------------
// Load on demand: the window in `slot` is created by `create` the first time
// (or after it was unloaded), shown, raised and activated. Windows that unload
// on close set Qt::WA_DeleteOnClose, which clears the QPointer.
template <class W> W* ShowOnDemand(QPointer<W>& slot, const std::function<W*()>& create) {
    if (!slot) slot = create();
    if (slot) {
        slot->show();
        slot->raise();
        slot->activateWindow();
    }
    return slot;
}

// The settings dialogs stay loaded for the whole run: a close before the
// program exits only hides them. Returns true when the event was turned into
// a hide (the caller then returns at once).
bool HideUnlessExiting(QWidget* window, QCloseEvent* event, bool appExiting);

} // namespace dialogs::chrome
