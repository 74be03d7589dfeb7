#include "controls/SystemColors.h"

#include <QGuiApplication>

namespace controls {

bool IsSystemColor(qint64 color) {
    const quint32 v = quint32(color);
    return (v & 0xFFFFFF00u) == 0x80000000u;
}

SystemColorEntry SystemColorRole(int index) {
    using P = QPalette;
    struct Entry {
        P::ColorGroup group;
        P::ColorRole role;
    };
    // Indexed as the platform's system colours: scroll bar, desktop, active and
    // inactive caption, menu, window, frame, menu text, window text, caption
    // text, borders, workspace, highlight, highlight text, face, shadow, grey
    // text, button text, inactive caption text, light, dark shadow, 3D light,
    // tip text and tip back, (none), hot track, caption gradients, menu
    // highlight and menu bar.
    static const Entry table[] = {
        {P::Active, P::Button},
        {P::Active, P::Window},
        {P::Active, P::Highlight},
        {P::Inactive, P::Highlight},
        {P::Active, P::Window},
        {P::Active, P::Base},
        {P::Active, P::Shadow},
        {P::Active, P::WindowText},
        {P::Active, P::Text},
        {P::Active, P::HighlightedText},
        {P::Active, P::Window},
        {P::Inactive, P::Window},
        {P::Active, P::Dark},
        {P::Active, P::Highlight},
        {P::Active, P::HighlightedText},
        {P::Active, P::Window},
        {P::Active, P::Dark},
        {P::Disabled, P::Text},
        {P::Active, P::ButtonText},
        {P::Inactive, P::HighlightedText},
        {P::Active, P::Light},
        {P::Active, P::Shadow},
        {P::Active, P::Midlight},
        {P::Active, P::ToolTipText},
        {P::Active, P::ToolTipBase},
        {P::Active, P::Window},
        {P::Active, P::Link},
        {P::Active, P::Highlight},
        {P::Inactive, P::Highlight},
        {P::Active, P::Highlight},
        {P::Active, P::Window},
    };
    if (index < 0 || index >= int(std::size(table))) return {};
    return {table[index].group, table[index].role};
}

QColor TranslateColor(qint64 color) {
    const quint32 v = quint32(color);
    if (IsSystemColor(color)) {
        const SystemColorEntry e = SystemColorRole(int(v & 0xFF));
        const QPalette palette = qobject_cast<QGuiApplication*>(QCoreApplication::instance())
                                     ? QGuiApplication::palette()
                                     : QPalette();
        return palette.color(e.group, e.role);
    }
    return QColor(int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF));
}

qint32 ColorToLong(const QColor& color) {
    const QColor c = color.toRgb();
    return qint32(quint32(c.red()) | (quint32(c.green()) << 8) | (quint32(c.blue()) << 16));
}

std::optional<QColor> ColorFromText(const QString& text) {
    bool ok = false;
    const qint64 v = text.trimmed().toLongLong(&ok);
    if (!ok) return std::nullopt;
    return TranslateColor(v);
}

} // namespace controls
