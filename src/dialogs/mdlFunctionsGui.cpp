// The helpers of mdlFunctions that work on widgets.
#include "dialogs/mdlFunctionsGui.h"
#include "core/mdlFunctions.h"

#include "controls/cBalloonTip.h"

#include <QComboBox>
#include <QEvent>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextEdit>
#include <QToolTip>

namespace dialogs {

void ShowBalloonTip(QWidget* control, int icon, const QString& text) {
    if (!control) return;
    cBalloonTip balloon;
    balloon.setIcon(icon);
    balloon.setText(text);
    balloon.Create(control);
    balloon.Show(); // the balloon window outlives the object
}

void FilterNameKeyPress(QWidget* textBox, int& keyAscii) {
    if (keyAscii <= 0 || keyAscii > 0xFFFF || !core::IsIllegalNameChar(QChar(char16_t(keyAscii)))) return;
    ShowBalloonTip(textBox, 1, core::kIllegalNameBalloonText);
    keyAscii = 0;
}

namespace {
class NameKeyFilter final : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress) return false;
        const QString text = static_cast<QKeyEvent*>(event)->text();
        if (text.size() != 1) return false;
        int key = text.at(0).unicode();
        FilterNameKeyPress(qobject_cast<QWidget*>(watched), key);
        return key == 0;
    }
};
} // namespace

void InstallNameKeyFilter(QWidget* textBox) {
    if (!textBox) return;
    textBox->installEventFilter(new NameKeyFilter(textBox)); // owned by the text box
}

void LoadListFileToCombo(const QString& file, QComboBox* combo) {
    if (!combo) return;
    const QStringList lines = core::ReadTextFile(file).split(QLatin1String("\r\n"));
    combo->clear();
    for (const QString& line : lines)
        if (!line.isEmpty()) combo->addItem(line);
}

void SavePathHistory(QComboBox* combo) {
    if (combo) core::AddToPathHistory(combo->currentText());
}

void LoadPathHistory(QComboBox* combo) {
    if (!combo) return;
    combo->clear();
    const QStringList lines = core::ReadPathHistory();
    for (const QString& line : lines)
        combo->addItem(line);
    if (combo->count() > 0) combo->setCurrentIndex(0);
}

namespace {
// Both kinds of log box: append at the end, caret after the new line.
template <class LogBox> void appendLogLine(const QString& message, LogBox* log) {
    if (!log) return;
    QTextCursor cursor(log->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(core::FormatLogLine(message));
    log->moveCursor(QTextCursor::End);
    log->ensureCursorVisible();
}
} // namespace

void AddLogLine(const QString& message, QPlainTextEdit* log) {
    appendLogLine(message, log);
}

void AddLogLine(const QString& message, QTextEdit* log) {
    appendLogLine(message, log);
}

} // namespace dialogs
