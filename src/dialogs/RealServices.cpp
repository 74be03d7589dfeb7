#include "dialogs/RealServices.h"

#include "components/AudioOutput.h"
#include "controls/ControlColor.h"
#include "controls/SystemColors.h"

#include <QApplication>
#include <QColorDialog>
#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>
#include <QDebug>
#include <QDesktopServices>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QProcess>

namespace dialogs {

struct RealServices::Sound {
    std::unique_ptr<components::SoundPlayer> player;
};

RealServices::RealServices() = default;
RealServices::~RealServices() = default;

int RealServices::msgBox(QWidget* owner, const QString& prompt, int style, const QString& title) {
    QMessageBox box(owner ? owner : QApplication::activeWindow());
    box.setWindowTitle(title);
    box.setText(prompt);
    switch (style & 0x70) {
    case core::vbCritical:
        box.setIcon(QMessageBox::Critical);
        break;
    case core::vbQuestion:
        box.setIcon(QMessageBox::Question);
        break;
    case core::vbExclamation:
        box.setIcon(QMessageBox::Warning);
        break;
    case core::vbInformation:
        box.setIcon(QMessageBox::Information);
        break;
    default:
        box.setIcon(QMessageBox::NoIcon);
    }
    struct B {
        QMessageBox::StandardButton qt;
        int answer;
    };
    QList<B> buttons;
    switch (style & 7) {
    case core::vbOKCancel:
        buttons = {{QMessageBox::Ok, core::vbOK}, {QMessageBox::Cancel, core::vbCancel}};
        break;
    case core::vbAbortRetryIgnore:
        buttons = {{QMessageBox::Abort, core::vbAbort},
                   {QMessageBox::Retry, core::vbRetry},
                   {QMessageBox::Ignore, core::vbIgnore}};
        break;
    case core::vbYesNoCancel:
        buttons = {{QMessageBox::Yes, core::vbYes},
                   {QMessageBox::No, core::vbNo},
                   {QMessageBox::Cancel, core::vbCancel}};
        break;
    case core::vbYesNo:
        buttons = {{QMessageBox::Yes, core::vbYes}, {QMessageBox::No, core::vbNo}};
        break;
    case core::vbRetryCancel:
        buttons = {{QMessageBox::Retry, core::vbRetry}, {QMessageBox::Cancel, core::vbCancel}};
        break;
    default:
        buttons = {{QMessageBox::Ok, core::vbOK}};
    }
    QMessageBox::StandardButtons set;
    for (const B& b : buttons)
        set |= b.qt;
    box.setStandardButtons(set);
    int def = (style & core::vbDefaultButton3) ? 2 : (style & core::vbDefaultButton2) ? 1 : 0;
    if (def < buttons.size()) box.setDefaultButton(buttons[def].qt);
    const auto chosen = static_cast<QMessageBox::StandardButton>(box.exec());
    for (const B& b : buttons)
        if (b.qt == chosen) return b.answer;
    // Closed with Escape or the window's close box.
    return set.testFlag(QMessageBox::Cancel) ? core::vbCancel
           : buttons.size() == 1             ? core::vbOK
                                             : buttons.last().answer;
}

std::optional<QString> RealServices::inputBox(QWidget* owner, const QString& prompt, const QString& title,
                                              const QString& defaultText) {
    bool ok = false;
    QString text = QInputDialog::getText(owner, title, prompt, QLineEdit::Normal, defaultText, &ok);
    if (!ok) return std::nullopt;
    return text;
}

QStringList RealServices::openFiles(const core::FileDialogRequest& r) {
    QString start = r.initialDir;
    if (!r.defaultName.isEmpty())
        start = r.initialDir.isEmpty() ? r.defaultName : r.initialDir + "/" + r.defaultName;
    if (r.multiSelect) return QFileDialog::getOpenFileNames(r.owner, r.title, start, r.filter);
    QString one = QFileDialog::getOpenFileName(r.owner, r.title, start, r.filter);
    return one.isEmpty() ? QStringList{} : QStringList{one};
}

QString RealServices::saveFile(const core::FileDialogRequest& r) {
    QFileDialog dialog(r.owner, r.title, r.initialDir, r.filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    if (!r.defaultExt.isEmpty()) dialog.setDefaultSuffix(r.defaultExt);
    if (!r.defaultName.isEmpty()) dialog.selectFile(r.defaultName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().constFirst();
}

QString RealServices::browseForFolder(QWidget* owner, const QString& title, const QString& startDir) {
    return QFileDialog::getExistingDirectory(owner, title, startDir);
}

std::optional<qint32> RealServices::chooseColor(QWidget* owner, qint32 initial) {
    const QColor c = QColorDialog::getColor(controls::ColorFromLong(initial), owner);
    if (!c.isValid()) return std::nullopt;
    return controls::ColorToLong(c);
}

bool RealServices::openUrl(const QUrl& url) {
    return QDesktopServices::openUrl(url);
}

bool RealServices::startProgram(const QString& program, const QStringList& arguments) {
    return QProcess::startDetached(program, arguments);
}

bool RealServices::playSound(const QString& wavFile) {
    if (!m_sound) m_sound = std::make_unique<Sound>();
    if (!m_sound->player) m_sound->player = components::CreateSoundPlayer();
    if (!m_sound->player) return false;
    m_sound->player->Play(wavFile);
    return true;
}

void RealServices::stopSound() {
    if (m_sound && m_sound->player) m_sound->player->Stop();
}

bool RealServices::powerOff(QString* error) {
    if (qEnvironmentVariableIsSet("CORVANE_NO_POWEROFF")) {
        qInfo("Power-off requested (CORVANE_NO_POWEROFF is set: the machine stays on).");
        return true;
    }
    QDBusInterface logind(QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
                          QStringLiteral("org.freedesktop.login1.Manager"), QDBusConnection::systemBus());
    if (!logind.isValid()) {
        if (error) *error = logind.lastError().message();
        return false;
    }
    QDBusMessage reply = logind.call(QStringLiteral("PowerOff"), false);
    if (reply.type() == QDBusMessage::ErrorMessage) {
        if (error) *error = reply.errorMessage();
        return false;
    }
    return true;
}

QDateTime RealServices::now() {
    return QDateTime::currentDateTime();
}
QLocale RealServices::locale() {
    return QLocale::system();
}

} // namespace dialogs
