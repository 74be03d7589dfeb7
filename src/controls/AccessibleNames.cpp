#include "controls/AccessibleNames.h"

#include <QAbstractButton>
#include <QAccessibleWidget>
#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QMainWindow>
#include <QPointer>

namespace controls {

namespace {

// Set on a widget whose accessible name came from here, so that it may follow
// its title or tool tip; a name given otherwise is never replaced.
constexpr char kAutoName[] = "corvaneAutoAccessibleName";

bool MayName(const QWidget* widget) {
    return widget->accessibleName().isEmpty() || widget->property(kAutoName).toBool();
}

void SetAutoName(QWidget* widget, const QString& name) {
    if (!MayName(widget) || widget->accessibleName() == name) return;
    widget->setAccessibleName(name);
    widget->setProperty(kAutoName, true);
}

bool IsNamedWindow(const QWidget* widget) {
    if (!widget->isWindow()) return false;
    const Qt::WindowType type = widget->windowType();
    return type == Qt::Window || type == Qt::Dialog || type == Qt::Sheet;
}

void Name(QWidget* widget) {
    if (IsNamedWindow(widget))
        SetAutoName(widget, widget->windowTitle());
    else if (IsPictureButton(widget) && !widget->toolTip().isEmpty())
        SetAutoName(widget, widget->toolTip());
}

class Namer final : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
        case QEvent::Polish:
        case QEvent::Show:
        case QEvent::ToolTipChange:
        case QEvent::WindowTitleChange:
            if (watched->isWidgetType()) Name(static_cast<QWidget*>(watched));
            break;
        default:
            break;
        }
        return false;
    }
};

// Windows of the program's own classes would otherwise be told apart from
// their Qt base class only (a plain window is then an unnamed "filler").
QAccessibleInterface* WindowFactory(const QString& className, QObject* object) {
    if (!object || !object->isWidgetType() || className.startsWith(QLatin1Char('Q'))) return nullptr;
    auto* widget = static_cast<QWidget*>(object);
    // A main window keeps Qt's own description, which knows its docks.
    if (!IsNamedWindow(widget) || qobject_cast<QMainWindow*>(widget)) return nullptr;
    const QAccessible::Role role = qobject_cast<QDialog*>(widget) || widget->windowType() == Qt::Dialog
                                       ? QAccessible::Dialog
                                       : QAccessible::Window;
    return new QAccessibleWidget(widget, role);
}

} // namespace

bool IsPictureButton(const QWidget* widget) {
    const auto* button = qobject_cast<const QAbstractButton*>(widget);
    if (!button) return false;
    for (const QChar c : button->text())
        if (c.isLetterOrNumber()) return false;
    return true;
}

void InstallAccessibleNames() {
    static bool factory = false;
    if (!factory) {
        QAccessible::installFactory(WindowFactory);
        factory = true;
    }
    static QPointer<Namer> installed;
    if (installed || !qApp) return;
    installed = new Namer(qApp);
    qApp->installEventFilter(installed);
    // Windows and buttons that exist already.
    for (QWidget* widget : QApplication::allWidgets())
        Name(widget);
}

} // namespace controls
