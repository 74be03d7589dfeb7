// The common dialogs every window uses: open files (several at once), save a
// file, choose a colour, browse for a folder. They are shown through
// core::services(), so tests answer them. Callers fill the shared file request
// (filter, title and, for saving, the default extension) before each call.
#pragma once

#include <QString>
#include <QStringList>
#include <array>

class QWidget;

namespace dialogs {

// The error number callers treat as "the user cancelled a common dialog".
// The procedures here never raise it; they report bCancelled instead.
constexpr qint32 cdlCancel = 32755;

// Centring modes: -1 centres on the owner; any other value on the screen.
constexpr qint16 kCentreOnOwner = -1;

// The result of both file dialogs.
//  - one file opened:   sFiles[0] = full path, sFiles[1] = its name, iCount = 1,
//                       sDirectory = its folder without a closing "/" (except "/").
//  - several opened:    sFiles[1..iCount] = the names (sFiles[0] is empty),
//                       sDirectory = their folder.
//  - file saved:        sFiles[1] = the full path (sFiles[0] is empty), iCount = 1,
//                       sDirectory = its folder with a closing "/".
//  - cancelled:         bCancelled, iCount = 0, sDirectory empty, sFiles empty.
struct tFileDialogResult {
    qint32 iCount = 0;
    QStringList sFiles;
    QString sDirectory;
    bool bCancelled = false;
};

// The shared request of both file dialogs. Callers set lpstrFilter and
// lpstrTitle before every call and lpstrDefExt before saving; the dialog
// procedures fill in the rest. The filter is in the Windows form: pairs of
// description and pattern list, each followed by a NUL ("Audio (*.mp3)\0*.mp3;*.wav\0");
// "|" is accepted as the separator as well.
struct tOpenFileName {
    QWidget* hwndOwner = nullptr;
    QString lpstrFilter;
    QString lpstrTitle;
    QString lpstrDefExt;
    QString lpstrInitialDir;
    QString lpstrFile;      // the full path returned by the last call
    QString lpstrFileTitle; // the name returned by the last call
    qint32 Flags = 0;       // the procedure's own; what a caller puts here is not used
};
extern tOpenFileName g_tOpenFileName;

// Flags the two file dialogs put in the request.
constexpr qint32 kOpenDialogFlags =
    0x382204; // hide read-only, multi-select, create prompt, explorer, no deref, long names
constexpr qint32 kSaveDialogFlags = 0x280006; // overwrite prompt, hide read-only, explorer, long names

// The shared request of the colour dialog. Colours are 0x00BBGGRR.
struct tChooseColor {
    QWidget* hwndOwner = nullptr;
    qint32 rgbResult = 0xFFFFFF;
    std::array<qint32, 16> lpCustColors{};
    qint32 Flags = 0;
    bool bCustomColorsSet = false; // the built-in custom colours were put in
};
extern tChooseColor g_tChooseColor;

// The per-user setting that remembers the open dialog's last single choice.
inline const char* const kCommDialogApp = "Corvane";
inline const char* const kLastPathSection = "path";
inline const char* const kLastPathKey = "last_path";

tFileDialogResult ShowOpenDialog(QWidget* owner, qint16 centreMode = kCentreOnOwner);
tFileDialogResult ShowSaveDialog(QWidget* owner, const QString& defaultFileName,
                                 qint16 centreMode = kCentreOnOwner);
// The chosen colour as red + 256 * green + 65536 * blue, or -1 when cancelled.
qint32 ShowColorDialog(QWidget* owner, qint16 centreMode = 0);
// The chosen folder, or "" when cancelled.
QString BrowseForFolder(const QString& title, const QString& startFolder, QWidget* owner = nullptr,
                        bool showStatus = true, const QString& rootPath = QString(), bool newStyle = true,
                        bool includeFiles = false);

// The Windows filter form turned into Qt's ("Audio (*.mp3 *.wav);;All Files (*)").
QString WindowsFilterToQt(const QString& windowsFilter);

// The built-in custom colour of slot 1..16, as 0x00BBGGRR.
qint32 DefaultCustomColor(int slot);

} // namespace dialogs
