// Services for tests: prompts are answered from queues filled by the test, in
// order, and everything shown or asked for is recorded. A prompt with no
// queued answer gets the first button (or "cancelled") and is still recorded.
#pragma once

#include "core/Services.h"

#include <QList>
#include <QQueue>
#include <functional>

namespace testsupport {

struct ShownMessage {
    QString prompt;
    int style = 0;
    QString title;
};

class ScriptedServices final : public core::Services {
public:
    // Answers, consumed in order.
    QQueue<int> msgBoxAnswers;
    QQueue<std::optional<QString>> inputAnswers;
    QQueue<QStringList> openAnswers;
    QQueue<QString> saveAnswers;
    QQueue<QString> folderAnswers;
    QQueue<std::optional<qint32>> colorAnswers; // colour numbers 0x00BBGGRR
    bool powerOffResult = true;
    bool soundPlays = true; // what playSound answers
    QDateTime fixedNow;     // when valid, now() returns it
    QLocale fixedLocale = QLocale::c();
    // When set, modal windows shown through dialogs::ExecModal come here instead
    // of running: the handler looks at the window and returns its result.
    std::function<int(QDialog*)> modalHandler;

    // What happened.
    QList<ShownMessage> messages;
    QList<QString> inputPrompts;
    QList<core::FileDialogRequest> openRequests;
    QList<core::FileDialogRequest> saveRequests;
    QList<QString> folderRequests;
    QList<QUrl> openedUrls;
    QList<QStringList> startedPrograms; // program first, then its arguments
    QList<QString> playedSounds;
    int soundStops = 0;
    int powerOffs = 0;
    int modalShows = 0; // windows shown through dialogs::ExecModal

    int msgBox(QWidget* owner, const QString& prompt, int style, const QString& title) override;
    std::optional<QString> inputBox(QWidget* owner, const QString& prompt, const QString& title,
                                    const QString& defaultText) override;
    QStringList openFiles(const core::FileDialogRequest& request) override;
    QString saveFile(const core::FileDialogRequest& request) override;
    QString browseForFolder(QWidget* owner, const QString& title, const QString& startDir) override;
    std::optional<qint32> chooseColor(QWidget* owner, qint32 initial) override;
    bool openUrl(const QUrl& url) override;
    bool startProgram(const QString& program, const QStringList& arguments) override;
    bool playSound(const QString& wavFile) override;
    void stopSound() override;
    bool powerOff(QString* error) override;
    bool showModal(QDialog* dialog, int* result) override;
    QDateTime now() override;
    QLocale locale() override;
};

// Installs a fresh ScriptedServices and returns it (owned by the seam).
ScriptedServices& installScriptedServices();

} // namespace testsupport
