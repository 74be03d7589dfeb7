#include "settings/frmOptions.h"

#include "settings/SettingsVariables.h"

#include <QCloseEvent>

namespace {
frmOptions* s_instance = nullptr;
}

frmOptions::frmOptions(QWidget* parent) : QDialog(parent) {
    setObjectName("frmOptions");
    s_instance = this;
}

frmOptions::~frmOptions() {
    if (s_instance == this) s_instance = nullptr;
}

frmOptions* frmOptions::instance() { return s_instance; }

void frmOptions::Form_Load() {}

void frmOptions::closeEvent(QCloseEvent* event) {
    if (!settings::g_bAppExiting) {
        event->ignore();
        hide();
        return;
    }
    QDialog::closeEvent(event);
}
