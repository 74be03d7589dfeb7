#include "controls/ControlsLocale.h"

namespace controls {

namespace {
std::function<QLocale()>& provider() {
    static std::function<QLocale()> p;
    return p;
}
} // namespace

QLocale ControlsLocale() {
    return provider() ? provider()() : QLocale();
}

void SetControlsLocaleProvider(std::function<QLocale()> p) {
    provider() = std::move(p);
}

} // namespace controls
