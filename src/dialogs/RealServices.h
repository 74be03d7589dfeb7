// The services the running program uses: real dialogs, the desktop, the
// audio server and logind.
#pragma once

#include "core/Services.h"

namespace dialogs {

class RealServices final : public core::Services {
public:
    RealServices();
    ~RealServices() override;

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
    QDateTime now() override;
    QLocale locale() override;

private:
    struct Sound;
    std::unique_ptr<Sound> m_sound;
};

} // namespace dialogs
