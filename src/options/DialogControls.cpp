#include "options/DialogControls.h"

#include "dialogs/WindowChrome.h"
#include "settings/SettingsVariables.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>

namespace options {

settings::tPickList PickList(const QComboBox* combo) {
    settings::tPickList list;
    for (int i = 0; i < combo->count(); ++i)
        list.items << combo->itemText(i);
    list.index = combo->currentIndex();
    return list;
}

void SetListItems(QComboBox* combo, const QStringList& items) {
    const QSignalBlocker blocker(combo);
    QStringList current;
    for (int i = 0; i < combo->count(); ++i)
        current << combo->itemText(i);
    if (current != items) {
        combo->clear();
        combo->addItems(items);
    }
}

void SetPickList(QComboBox* combo, const settings::tPickList& list) {
    SetListItems(combo, list.items);
    const QSignalBlocker blocker(combo);
    combo->setCurrentIndex(list.index >= 0 && list.index < combo->count() ? list.index : -1);
}

QFrame* AddTitleStrip(QWidget* dialog, QBoxLayout* layout, QLabel*& title, const QString& text) {
    auto* strip = new QFrame(dialog);
    strip->setObjectName("picTitle");
    auto* stripLayout = new QHBoxLayout(strip);
    title = new QLabel(text, strip);
    title->setObjectName("lblTitle");
    QFont font = title->font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.3);
    title->setFont(font);
    stripLayout->addWidget(title);
    layout->addWidget(strip);
    return strip;
}

QPushButton* AddDialogButton(QWidget* dialog, QBoxLayout* row, const char* name, const QString& caption,
                             bool isDefault) {
    auto* button = new QPushButton(caption, dialog);
    button->setObjectName(name);
    if (isDefault)
        button->setDefault(true);
    else
        button->setAutoDefault(false);
    row->addWidget(button);
    return button;
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
    if (!settings::g_bAppExiting) Form_Hiding();
    const bool hidden = dialogs::chrome::HideUnlessExiting(this, event, settings::g_bAppExiting);
    Form_Unload();
    if (!hidden && m_unloadAtExit) deleteLater();
}

} // namespace options
