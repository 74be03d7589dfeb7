#include "core/mdlShutDown.h"

#include "core/Services.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <cstring>

namespace core {

namespace {
ShutdownError g_lastError;

void raise(qint32 number, const QString& description) {
    g_lastError.number = number;
    g_lastError.source = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName() + ".mShutDown";
    g_lastError.description = description;
}
} // namespace

const ShutdownError& LastShutdownError() {
    return g_lastError;
}

bool ShutdownSystem(qint32 flags) {
    g_lastError = ShutdownError();
    if (flags < 0 || flags > 31) {
        raise(kErrShutdownInvalidParameter, "Invalid parameter to ShutdownSystem: " + QString::number(flags));
        return false;
    }
    QString reason;
    if (!services().powerOff(&reason)) {
        raise(kErrShutdownFailed, "ShutdownSystem failed: " + reason);
        return false;
    }
    return true;
}

QString GetSystemErrorText(qint32 errorCode) {
    if (errorCode <= 0) return QString();
    const char* text = std::strerror(errorCode);
    const QString message = text ? QString::fromLocal8Bit(text) : QString();
    // Unknown codes come back as "Unknown error N".
    if (message.isEmpty() || message.startsWith(QLatin1String("Unknown error"))) return QString();
    return message + "\r\n";
}

} // namespace core
