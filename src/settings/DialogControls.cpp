#include "settings/DialogControls.h"

#include "core/WindowChrome.h"
#include "settings/SettingsVariables.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QSignalBlocker>

namespace settings {

tPickList PickList(const QComboBox* combo) {
    tPickList list;
    for (int i = 0; i < combo->count(); ++i)
        list.items << combo->itemText(i);
    list.index = combo->currentIndex();
    return list;
}

void SetPickList(QComboBox* combo, const tPickList& list) {
    const QSignalBlocker blocker(combo);
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items << combo->itemText(i);
    if (items != list.items) {
        combo->clear();
        combo->addItems(list.items);
    }
    combo->setCurrentIndex(list.index >= 0 && list.index < combo->count() ? list.index : -1);
}

qint16 CheckValue(const QCheckBox* box) {
    switch (box->checkState()) {
    case Qt::Checked:
        return 1;
    case Qt::PartiallyChecked:
        return 2;
    default:
        return 0;
    }
}

void SetCheckValue(QCheckBox* box, qint16 value) {
    const QSignalBlocker blocker(box);
    if (value == 2) box->setTristate(true);
    box->setCheckState(value == 1 ? Qt::Checked : value == 2 ? Qt::PartiallyChecked : Qt::Unchecked);
}

void cSettingsDialog::reject() {
    close();
}

void cSettingsDialog::closeEvent(QCloseEvent* event) {
    if (!g_bAppExiting) Form_Hiding();
    core::chrome::HideUnlessExiting(this, event, g_bAppExiting);
    Form_Unload();
}

} // namespace settings
