#include "ScriptedServices.h"

namespace testsupport {

int ScriptedServices::msgBox(QWidget*, const QString& prompt, int style, const QString& title) {
    messages.append({prompt, style, title});
    return msgBoxAnswers.isEmpty() ? core::firstButtonOf(style) : msgBoxAnswers.dequeue();
}

std::optional<QString> ScriptedServices::inputBox(QWidget*, const QString& prompt, const QString&,
                                                  const QString&) {
    inputPrompts.append(prompt);
    return inputAnswers.isEmpty() ? std::nullopt : inputAnswers.dequeue();
}

bool ScriptedServices::showModal(QDialog* dialog, int* result) {
    ++modalShows;
    if (!modalHandler) return false;
    const int answer = modalHandler(dialog);
    if (result) *result = answer;
    return true;
}

QStringList ScriptedServices::openFiles(const core::FileDialogRequest& request) {
    openRequests.append(request);
    return openAnswers.isEmpty() ? QStringList{} : openAnswers.dequeue();
}

QString ScriptedServices::saveFile(const core::FileDialogRequest& request) {
    saveRequests.append(request);
    return saveAnswers.isEmpty() ? QString{} : saveAnswers.dequeue();
}

QString ScriptedServices::browseForFolder(QWidget*, const QString& title, const QString&) {
    folderRequests.append(title);
    return folderAnswers.isEmpty() ? QString{} : folderAnswers.dequeue();
}

std::optional<qint32> ScriptedServices::chooseColor(QWidget*, qint32) {
    return colorAnswers.isEmpty() ? std::nullopt : colorAnswers.dequeue();
}

bool ScriptedServices::openUrl(const QUrl& url) {
    openedUrls.append(url);
    return true;
}

bool ScriptedServices::startProgram(const QString& program, const QStringList& arguments) {
    startedPrograms.append(QStringList{program} + arguments);
    return true;
}

bool ScriptedServices::playSound(const QString& wavFile) {
    playedSounds.append(wavFile);
    return soundPlays;
}

void ScriptedServices::stopSound() {
    ++soundStops;
}

bool ScriptedServices::powerOff(QString* error) {
    ++powerOffs;
    if (!powerOffResult && error) *error = QStringLiteral("refused by the test");
    return powerOffResult;
}

QDateTime ScriptedServices::now() {
    return fixedNow.isValid() ? fixedNow : QDateTime::currentDateTime();
}
QLocale ScriptedServices::locale() {
    return fixedLocale;
}

ScriptedServices& installScriptedServices() {
    auto impl = std::make_unique<ScriptedServices>();
    ScriptedServices& ref = *impl;
    core::setServices(std::move(impl));
    return ref;
}

} // namespace testsupport
