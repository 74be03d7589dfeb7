#include "settings/frmAudioProp.h"

#include "settings/SettingsVariables.h"

#include <QCloseEvent>

namespace settings {
QPointer<frmAudioProp> g_frmAudioProp;
} // namespace settings

frmAudioProp::frmAudioProp(QWidget* parent) : QDialog(parent) {
    setObjectName("g_frmAudioProp");
    settings::g_frmAudioProp = this;
}

frmAudioProp::~frmAudioProp() = default;

void frmAudioProp::Form_Load() {
    if (m_loaded) return;
    m_loaded = true;
}

void frmAudioProp::closeEvent(QCloseEvent* event) {
    if (!settings::g_bAppExiting) {
        event->ignore();
        hide();
        return;
    }
    QDialog::closeEvent(event);
}
