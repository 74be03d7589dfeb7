// The shared helpers that work on widgets: name filters and balloon tips of
// text boxes, list files and the path history in combo boxes, log lines.
#pragma once

#include <QString>

class QComboBox;
class QPlainTextEdit;
class QTextEdit;
class QWidget;

namespace dialogs {

// Key-press filter of text boxes holding file, list or item names: for an
// illegal character the balloon tip is shown over the box and keyAscii is set
// to 0 (the key is cancelled); any other key passes unchanged.
void FilterNameKeyPress(QWidget* textBox, int& keyAscii);

// Installs FilterNameKeyPress as the typed-key filter of the text box.
void InstallNameKeyFilter(QWidget* textBox);

// The balloon tip over a control (icon 1 = information). Shown as a tool tip
// pointing at the control.
void ShowBalloonTip(QWidget* control, int icon, const QString& text);

// Clears the combo box and adds every non-empty line of the file; selects nothing.
void LoadListFileToCombo(const QString& file, QComboBox* combo);

// The combo box's current text becomes the newest entry of the history.
void SavePathHistory(QComboBox* combo);

// Fills the combo box with the history and selects the first entry.
void LoadPathHistory(QComboBox* combo);

// Appends one log line to the log box and scrolls to its end.
void AddLogLine(const QString& message, QPlainTextEdit* log);
void AddLogLine(const QString& message, QTextEdit* log);

} // namespace dialogs
