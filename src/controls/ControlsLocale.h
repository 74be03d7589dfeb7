// The locale the controls format dates and times with. The controls sit below
// the services seam, so the layer that owns the seam hands them its locale.
#pragma once

#include <QLocale>

#include <functional>

namespace controls {

// The locale in force: the provider's answer, else the default QLocale.
QLocale ControlsLocale();
// Installs the provider (an empty function restores the default).
void SetControlsLocaleProvider(std::function<QLocale()> provider);

} // namespace controls
