#include "core/ChromeColours.h"

#include "core/mdlModes.h"

namespace core::chrome {

namespace {
const qint32* s_appColour = nullptr;
const qint32* s_textColour = nullptr;
// Until the settings are loaded: the face colour strip with the window text colour.
constexpr qint64 kDefaultAppColour = 0x8000000F;
constexpr qint64 kDefaultTextColour = 0x80000012;

// The view colour text is parsed once per text, not once per window.
struct ParsedView {
    QString text;
    std::optional<qint64> colour;
};
ParsedView& parsedView() {
    static ParsedView p;
    return p;
}
} // namespace

void SetColourSource(const qint32* appColour, const qint32* textColour) {
    s_appColour = appColour;
    s_textColour = textColour;
}

qint64 AppColour() {
    return s_appColour ? qint64(quint32(*s_appColour)) : kDefaultAppColour;
}

qint64 TextColour() {
    return s_textColour ? qint64(quint32(*s_textColour)) : kDefaultTextColour;
}

std::optional<qint64> ParseColour(const QString& text) {
    const QString t = text.trimmed();
    if (t.isEmpty()) return std::nullopt;
    bool ok = false;
    const qint64 value = t.toLongLong(&ok);
    // Kept as a signed or an unsigned 32-bit number; both mean the same bits.
    if (!ok || value < -2147483648LL || value > 4294967295LL) return std::nullopt;
    return qint64(quint32(value));
}

std::optional<qint64> ViewBackColour() {
    ParsedView& p = parsedView();
    if (p.text != core::g_sViewBackColor || (p.text.isNull() != core::g_sViewBackColor.isNull())) {
        p.text = core::g_sViewBackColor;
        p.colour = ParseColour(p.text);
    }
    return p.colour;
}

} // namespace core::chrome
