#include "id3/TagError.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <cstring>

namespace id3 {

QString TagErrorSource(const char* className) {
    QString exe = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    if (exe.isEmpty()) exe = QStringLiteral("corvane");
    return exe + QLatin1Char('.') + QLatin1String(className);
}

TagError FileError(int errnoValue, const char* className) {
    return TagError(errnoValue, TagErrorSource(className), QString::fromLocal8Bit(std::strerror(errnoValue)));
}

} // namespace id3
