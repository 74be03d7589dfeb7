#include "dialogs/mdlCommDialog.h"

#include "core/Services.h"
#include "core/mdlSettingStore.h"

#include <QColor>
#include <QColorDialog>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace dialogs {

tOpenFileName g_tOpenFileName;
tChooseColor g_tChooseColor;

namespace {

constexpr qint32 kColorDialogFlags = 259; // RGB init, full open, any colour

struct Rgb {
    int r, g, b;
};
constexpr std::array<Rgb, 8> kCustomColors{{
    {139, 155, 184},
    {188, 213, 254},
    {115, 172, 183},
    {200, 249, 198},
    {189, 194, 253},
    {200, 249, 255},
    {108, 213, 210},
    {236, 164, 236},
}};

qint32 toColorNumber(const QColor& c) {
    return c.red() + 256 * c.green() + 65536 * c.blue();
}
QColor fromColorNumber(qint32 n) {
    return QColor(n & 0xFF, (n >> 8) & 0xFF, (n >> 16) & 0xFF);
}

// The folder of a path without its closing "/", except for the root itself.
QString folderOf(const QString& path) {
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0) return QString();
    if (slash == 0) return QStringLiteral("/");
    return path.left(slash);
}

// The remembered "last_path" is the last file chosen alone; the dialog starts
// in its folder (a file path would propose that file as the new choice).
QString startFolderFor(const QString& remembered) {
    if (remembered.isEmpty()) return QDir::homePath();
    const QFileInfo info(remembered);
    if (info.isDir()) return info.absoluteFilePath();
    const QFileInfo parent(info.absolutePath());
    if (parent.isDir()) return parent.absoluteFilePath();
    return QDir::homePath();
}

tFileDialogResult cancelled() {
    tFileDialogResult r;
    r.bCancelled = true;
    return r;
}

// One Windows pattern list ("*.mp3;*.wav", "*.*") as Qt's ("*.mp3 *.wav", "*").
QString qtPatterns(const QString& windowsPatterns) {
    QStringList out;
    const QStringList parts = windowsPatterns.split(QRegularExpression("[;\\s]+"), Qt::SkipEmptyParts);
    for (const QString& p : parts)
        out << (p == QLatin1String("*.*") ? QStringLiteral("*") : p);
    out.removeDuplicates();
    return out.join(' ');
}

} // namespace

QString WindowsFilterToQt(const QString& windowsFilter) {
    QChar sep = QChar(u'\0');
    if (!windowsFilter.contains(sep)) {
        if (!windowsFilter.contains('|')) return windowsFilter; // already Qt's form, or empty
        sep = QChar('|');
    }
    const QStringList parts = windowsFilter.split(sep);
    QStringList filters;
    // Pairs of description and patterns; a description without patterns ends the list.
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i].trimmed();
        const QString patterns = qtPatterns(parts[i + 1]);
        if (description.isEmpty() && patterns.isEmpty()) break;
        if (patterns.isEmpty()) continue;
        // Qt reads the patterns from the description's last bracket, so a
        // bracket the description already carries is replaced by Qt's form.
        static const QRegularExpression trailingBracket(QStringLiteral("\\s*\\([^()]*\\)\\s*$"));
        description.remove(trailingBracket);
        if (description.isEmpty()) description = patterns;
        filters << description + " (" + patterns + ")";
    }
    return filters.join(QStringLiteral(";;"));
}

qint32 DefaultCustomColor(int slot) {
    if (slot < 1 || slot > 16) return 0;
    const Rgb c = slot <= 8 ? kCustomColors[static_cast<size_t>(slot - 1)] : Rgb{160, 160, 160};
    return c.r + 256 * c.g + 65536 * c.b;
}

tFileDialogResult ShowOpenDialog(QWidget* owner, qint16 centreMode) {
    Q_UNUSED(centreMode); // the platform places dialogs over their owner
    tOpenFileName& req = g_tOpenFileName;
    req.hwndOwner = owner;
    req.Flags = kOpenDialogFlags;
    req.lpstrInitialDir = core::GetSetting(kCommDialogApp, kLastPathSection, kLastPathKey);
    req.lpstrFile.clear();
    req.lpstrFileTitle.clear();

    core::FileDialogRequest r;
    r.owner = owner;
    r.title = req.lpstrTitle;
    r.initialDir = startFolderFor(req.lpstrInitialDir);
    r.filter = WindowsFilterToQt(req.lpstrFilter);
    r.defaultExt = req.lpstrDefExt;
    r.multiSelect = true;
    const QStringList chosen = core::services().openFiles(r);
    if (chosen.isEmpty()) return cancelled();

    tFileDialogResult result;
    if (chosen.size() == 1) {
        const QString full = QDir::cleanPath(chosen.constFirst());
        result.sDirectory = folderOf(full);
        result.sFiles = {full, QFileInfo(full).fileName()};
        result.iCount = 1;
        req.lpstrFile = full;
        req.lpstrFileTitle = result.sFiles[1];
        core::SaveSetting(kCommDialogApp, kLastPathSection, kLastPathKey, full);
        return result;
    }

    // Several names: all of them come back, whatever their number. The dialog
    // returns them from one folder; a name from elsewhere is kept relative to
    // it, so that folder + "/" + name still finds the file.
    result.sDirectory = folderOf(QDir::cleanPath(chosen.constFirst()));
    const QDir folder(result.sDirectory);
    result.sFiles.reserve(chosen.size() + 1);
    result.sFiles << QString();
    for (const QString& path : chosen)
        result.sFiles << folder.relativeFilePath(QDir::cleanPath(path));
    result.iCount = static_cast<qint32>(chosen.size());
    req.lpstrFile = result.sDirectory;
    return result;
}

tFileDialogResult ShowSaveDialog(QWidget* owner, const QString& defaultFileName, qint16 centreMode) {
    Q_UNUSED(centreMode);
    tOpenFileName& req = g_tOpenFileName;
    req.hwndOwner = owner;
    req.Flags = kSaveDialogFlags;
    req.lpstrFile.clear();
    req.lpstrFileTitle.clear();

    core::FileDialogRequest r;
    r.owner = owner;
    r.title = req.lpstrTitle;
    // The folder the last open dialog of this run started from, if any.
    r.initialDir = req.lpstrInitialDir.isEmpty() ? QString() : startFolderFor(req.lpstrInitialDir);
    r.defaultName = defaultFileName.trimmed();
    r.filter = WindowsFilterToQt(req.lpstrFilter);
    r.defaultExt = req.lpstrDefExt;
    r.multiSelect = false;
    const QString chosen = core::services().saveFile(r);
    if (chosen.isEmpty()) return cancelled();

    const QString full = QDir::cleanPath(chosen);
    tFileDialogResult result;
    result.sDirectory = full.left(full.lastIndexOf('/') + 1);
    result.sFiles = {QString(), full};
    result.iCount = 1;
    req.lpstrFile = full;
    req.lpstrFileTitle = QFileInfo(full).fileName();
    return result;
}

qint32 ShowColorDialog(QWidget* owner, qint16 centreMode) {
    Q_UNUSED(centreMode);
    tChooseColor& req = g_tChooseColor;
    if (!req.bCustomColorsSet) {
        for (int i = 0; i < 16; ++i)
            req.lpCustColors[static_cast<size_t>(i)] = DefaultCustomColor(i + 1);
        req.bCustomColorsSet = true;
    }
    req.hwndOwner = owner;
    req.rgbResult = 0xFFFFFF;
    req.Flags = kColorDialogFlags;
    for (int i = 0; i < 16; ++i)
        QColorDialog::setCustomColor(i, fromColorNumber(req.lpCustColors[static_cast<size_t>(i)]));

    const std::optional<qint32> chosen = core::services().chooseColor(owner, req.rgbResult);

    // What the user changed in the custom colours stays for the next call.
    for (int i = 0; i < 16; ++i)
        req.lpCustColors[static_cast<size_t>(i)] = toColorNumber(QColorDialog::customColor(i));
    if (!chosen) return -1;
    req.rgbResult = *chosen;
    return req.rgbResult;
}

QString BrowseForFolder(const QString& title, const QString& startFolder, QWidget* owner, bool showStatus,
                        const QString& rootPath, bool newStyle, bool includeFiles) {
    // The status line, the dialog style and showing files are the platform
    // dialog's own matters.
    Q_UNUSED(showStatus);
    Q_UNUSED(newStyle);
    Q_UNUSED(includeFiles);
    QString start = startFolder.trimmed();
    if (start.isEmpty() || !QFileInfo(start).isDir()) start = rootPath.isEmpty() ? start : rootPath;
    const QString chosen = core::services().browseForFolder(owner, title, start);
    if (chosen.isEmpty()) return QString();
    return QDir::cleanPath(chosen);
}

} // namespace dialogs
