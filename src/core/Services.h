// The one seam between the program and everything a test must answer or
// must never really do: message and input boxes, file, folder and colour
// dialogs, opening documents, starting programs, sounds, power-off, the clock
// and the locale. The program installs the real implementation at start; tests
// install a scripted one (tests/support/ScriptedServices.h).
#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <memory>
#include <optional>

class QDialog;
class QWidget;

namespace core {

// Message box styles and answers, with the numbers the windows' code uses.
enum MsgBoxStyle : int {
    vbOKOnly = 0,
    vbOKCancel = 1,
    vbAbortRetryIgnore = 2,
    vbYesNoCancel = 3,
    vbYesNo = 4,
    vbRetryCancel = 5,
    vbCritical = 16,
    vbQuestion = 32,
    vbExclamation = 48,
    vbInformation = 64,
    vbDefaultButton2 = 256,
    vbDefaultButton3 = 512,
};
enum MsgBoxResult : int {
    vbOK = 1,
    vbCancel = 2,
    vbAbort = 3,
    vbRetry = 4,
    vbIgnore = 5,
    vbYes = 6,
    vbNo = 7
};

// One open or save request. `filter` is in Qt's form ("Audio Files (*.mp3 *.wav);;All Files (*)").
struct FileDialogRequest {
    QWidget* owner = nullptr;
    QString title;
    QString initialDir;
    QString defaultName;
    QString filter;
    QString defaultExt;
    bool multiSelect = false;
};

class Services {
public:
    virtual ~Services() = default;

    // Returns one of MsgBoxResult; `style` combines buttons, icon and default button.
    virtual int msgBox(QWidget* owner, const QString& prompt, int style, const QString& title) = 0;
    // std::nullopt when the user cancelled.
    virtual std::optional<QString> inputBox(QWidget* owner, const QString& prompt, const QString& title,
                                            const QString& defaultText) = 0;
    // Chosen full paths; empty when cancelled.
    virtual QStringList openFiles(const FileDialogRequest& request) = 0;
    // Chosen full path; empty when cancelled.
    virtual QString saveFile(const FileDialogRequest& request) = 0;
    // Chosen folder; empty when cancelled.
    virtual QString browseForFolder(QWidget* owner, const QString& title, const QString& startDir) = 0;
    // The colour chosen, as a colour number 0x00BBGGRR (the form the settings
    // keep); `initial` is one too. std::nullopt when cancelled.
    virtual std::optional<qint32> chooseColor(QWidget* owner, qint32 initial) = 0;

    virtual bool openUrl(const QUrl& url) = 0;
    virtual bool startProgram(const QString& program, const QStringList& arguments) = 0;
    virtual bool playSound(const QString& wavFile) = 0;
    virtual void stopSound() = 0;
    // Asks the platform to power the machine off; false with a reason when it refuses.
    virtual bool powerOff(QString* error) = 0;

    // A modal window is about to be shown (dialogs::ExecModal). The real program
    // answers false and the caller runs the window; a test may take it instead,
    // look at it and answer true with the window's result in `result`.
    virtual bool showModal(QDialog* dialog, int* result) {
        (void)dialog;
        (void)result;
        return false;
    }

    virtual QDateTime now() = 0;
    virtual QLocale locale() = 0;
};

// The installed implementation. Before anything is installed a passive one
// answers every prompt with its first button or "cancelled" and does nothing.
Services& services();
// Installs an implementation and returns the previous one.
std::unique_ptr<Services> setServices(std::unique_ptr<Services> impl);

// The first button of a style's button set: what a box answers when it cannot be shown.
int firstButtonOf(int style);

} // namespace core
