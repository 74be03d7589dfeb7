#include "core/mdlRunOnStart.h"

#include "core/AppPaths.h"
#include "core/mdlModes.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <optional>

namespace core {

namespace {

QString currentCommand() {
    return RunOnStartCommand(QCoreApplication::applicationFilePath());
}

// The value of `key` in the [Desktop Entry] group, or nothing.
std::optional<QString> desktopEntryValue(const QString& contents, const QString& key) {
    bool inEntry = false;
    for (const QString& raw : contents.split(QLatin1Char('\n'))) {
        QString line = raw;
        if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
        if (line.startsWith(QLatin1Char('['))) {
            inEntry = line.trimmed() == QLatin1String("[Desktop Entry]");
            continue;
        }
        if (!inEntry || line.startsWith(QLatin1Char('#'))) continue;
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq < 0 || line.left(eq).trimmed() != key) continue;
        QString value = line.mid(eq + 1);
        while (value.startsWith(QLatin1Char(' ')))
            value.remove(0, 1);
        return value;
    }
    return std::nullopt;
}

} // namespace

QString RunOnStartFile() {
    return ConfigHome() + QStringLiteral("/autostart/corvane.desktop");
}

QString RunOnStartCommand(const QString& programPath) {
    // Inside a quoted argument ", `, $ and \ take a backslash; the value as a
    // whole then escapes backslashes and control characters once more, and a
    // literal % is doubled so it is no field code.
    QString quoted;
    for (const QChar c : programPath) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        quoted += c;
    }
    QString value;
    for (const QChar c : quoted) {
        if (c == QLatin1Char('\\'))
            value += QStringLiteral("\\\\");
        else if (c == QLatin1Char('\n'))
            value += QStringLiteral("\\n");
        else if (c == QLatin1Char('\r'))
            value += QStringLiteral("\\r");
        else if (c == QLatin1Char('\t'))
            value += QStringLiteral("\\t");
        else if (c == QLatin1Char('%'))
            value += QStringLiteral("%%");
        else
            value += c;
    }
    return QLatin1Char('"') + value + QStringLiteral("\" -st");
}

void SetRunOnStart(bool enable) {
    const QString path = RunOnStartFile();
    if (!enable) {
        QFile::remove(path);
        return;
    }
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) return;
    const QString contents = QStringLiteral("[Desktop Entry]\n"
                                            "Type=Application\n"
                                            "Name=%1\n"
                                            "Exec=%2\n"
                                            "Terminal=false\n")
                                 .arg(g_sProductName, currentCommand());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return;
    file.write(contents.toUtf8());
    file.commit();
}

bool IsRunOnStart() {
    QFile file(RunOnStartFile());
    if (!file.open(QIODevice::ReadOnly)) return false;
    const QString contents = QString::fromUtf8(file.readAll());
    // A hidden entry is how the desktop switches an autostart entry off.
    const auto hidden = desktopEntryValue(contents, QStringLiteral("Hidden"));
    if (hidden && hidden->trimmed() == QLatin1String("true")) return false;
    const auto exec = desktopEntryValue(contents, QStringLiteral("Exec"));
    return exec && *exec == currentCommand();
}

} // namespace core
