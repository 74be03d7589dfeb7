// Shutting the computer down at the end of a batch job. The request goes
// to the platform through the services seam; a refusal is recorded as the
// shutdown's last error.
#pragma once

#include <QString>
#include <QtGlobal>

namespace core {

// Shut down without forcing applications to close.
constexpr qint32 EWX_SHUTDOWN = 1;

// Error numbers of the shutdown procedures.
constexpr qint32 kErrShutdownFailed = static_cast<qint32>(0x8004062B);
constexpr qint32 kErrShutdownInvalidParameter = static_cast<qint32>(0x8004062F);

struct ShutdownError {
    qint32 number = 0;
    QString source;
    QString description;
};

// True when the platform accepted the shutdown request. Flags outside 0..31
// are refused without asking the platform. Every failure is recorded in
// LastShutdownError; a success clears it.
bool ShutdownSystem(qint32 flags);
const ShutdownError& LastShutdownError();

// The system's text for an error code (errno values), ending with a line
// break; empty for a code the system does not know.
QString GetSystemErrorText(qint32 errorCode);

} // namespace core
