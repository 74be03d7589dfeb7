// What both settings dialogs do with their controls, written once: the
// widget-free pictures of a list or check box and back, and the hide-until-
// exit closing of a dialog that is the store of its settings.
#pragma once

#include "settings/EncoderSettings.h"

#include <QDialog>

class QBoxLayout;
class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QPushButton;

namespace options {

// A list's entries and its selected position.
settings::tPickList PickList(const QComboBox* combo);
// Refills the list only when its entries differ; a position outside it selects nothing. No events.
void SetPickList(QComboBox* combo, const settings::tPickList& list);
// Refills the list only when its entries differ. No events.
void SetListItems(QComboBox* combo, const QStringList& items);
// Check-box values as stored: 0 unchecked, 1 checked, 2 greyed.
qint16 CheckValue(const QCheckBox* box);
// Sets the value without raising the box's events (2 makes the box three-state).
void SetCheckValue(QCheckBox* box, qint16 value);

// The title strip "picTitle" along the top of a dialog's `layout`, with its
// title "lblTitle" (bold, a third larger) in `title`.
QFrame* AddTitleStrip(QWidget* dialog, QBoxLayout* layout, QLabel*& title, const QString& text);
// A dialog button of that name and caption at the end of `row`; Enter
// presses it only when it is the `isDefault` one.
QPushButton* AddDialogButton(QWidget* dialog, QBoxLayout* row, const char* name, const QString& caption,
                             bool isDefault = false);

// A settings dialog: loaded at start-up and kept loaded, hidden, as the store
// of its settings until the program exits. Escape and the window frame close
// it; the close only hides it unless settings::g_bAppExiting is set.
class cSettingsDialog : public QDialog {
    Q_OBJECT
public:
    using QDialog::QDialog;

    // The dialog deletes itself when it is closed while the program exits.
    // (Qt::WA_DeleteOnClose would also delete it at the end of every modal
    // show, losing the store and everything connected to it.)
    void UnloadAtExit() { m_unloadAtExit = true; }

protected:
    void reject() override;
    void closeEvent(QCloseEvent* event) override;
    // Before a close turns into a hide.
    virtual void Form_Hiding() {}
    // After the close (hidden or unloaded).
    virtual void Form_Unload() {}

private:
    bool m_unloadAtExit = false;
};

} // namespace options
