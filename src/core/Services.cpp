#include "core/Services.h"

namespace core {

int firstButtonOf(int style) {
    switch (style & 7) {
    case vbAbortRetryIgnore:
        return vbAbort;
    case vbYesNoCancel:
    case vbYesNo:
        return vbYes;
    case vbRetryCancel:
        return vbRetry;
    default:
        return vbOK;
    }
}

namespace {

class PassiveServices final : public Services {
public:
    int msgBox(QWidget*, const QString&, int style, const QString&) override { return firstButtonOf(style); }
    std::optional<QString> inputBox(QWidget*, const QString&, const QString&, const QString&) override {
        return std::nullopt;
    }
    QStringList openFiles(const FileDialogRequest&) override { return {}; }
    QString saveFile(const FileDialogRequest&) override { return {}; }
    QString browseForFolder(QWidget*, const QString&, const QString&) override { return {}; }
    std::optional<qint32> chooseColor(QWidget*, qint32) override { return std::nullopt; }
    bool openUrl(const QUrl&) override { return false; }
    bool startProgram(const QString&, const QStringList&) override { return false; }
    bool playSound(const QString&) override { return false; }
    void stopSound() override {}
    bool powerOff(QString* error) override {
        if (error) *error = QStringLiteral("No services are installed.");
        return false;
    }
    QDateTime now() override { return QDateTime::currentDateTime(); }
    QLocale locale() override { return QLocale::system(); }
};

std::unique_ptr<Services>& slot() {
    static std::unique_ptr<Services> current = std::make_unique<PassiveServices>();
    return current;
}

} // namespace

Services& services() {
    return *slot();
}

std::unique_ptr<Services> setServices(std::unique_ptr<Services> impl) {
    if (!impl) impl = std::make_unique<PassiveServices>();
    std::swap(slot(), impl);
    return impl;
}

} // namespace core
