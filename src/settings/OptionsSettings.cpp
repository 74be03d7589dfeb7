#include "settings/OptionsSettings.h"

#include "core/AppPaths.h"
#include "core/ChromeColours.h"
#include "core/RegistryRoutines.h"
#include "core/mdlFunctions.h"
#include "core/mdlModes.h"
#include "core/mdlRunOnStart.h"
#include "core/mdlSupportedDestination.h"
#include "settings/SettingsVariables.h"
#include "settings/StoredValues.h"

#include <QFileInfo>
#include <QVariant>
#include <optional>

namespace settings {

namespace {

// A check box takes 0, 1 or 2; any other value leaves it as it was.
void LoadCheck(const core::RegistryRoutines& reg, const char* name, qint16& box) {
    const auto number = StoredNumber(reg.GetRegistryValue(QLatin1String(name)));
    if (number && *number >= 0 && *number <= 2) box = static_cast<qint16>(*number);
}

// A swatch: no value is black; otherwise the one colour reader, and only a colour number is taken.
void LoadColour(const core::RegistryRoutines& reg, const char* name, qint32& swatch) {
    const QVariant value = reg.GetRegistryValue(QLatin1String(name));
    if (!value.isValid() || value.isNull()) {
        swatch = 0;
        return;
    }
    if (const auto colour = core::chrome::ParseColour(StoredText(value))) {
        const qint32 number = static_cast<qint32>(static_cast<quint32>(*colour));
        if (IsColorNumber(number)) swatch = number;
    }
}

// A list-only combo: an empty text clears the choice; another text is taken
// only when it is one of the lines.
void LoadListText(tPickList& list, const QString& text) {
    if (text.isEmpty())
        list.index = -1;
    else
        list.SetText(text);
}

QString WithClosingSlash(const QString& folder) {
    if (folder.isEmpty() || folder.endsWith('/')) return folder;
    return folder + '/';
}

QString DefaultListsFolder() {
    return core::ProgramFolder() + "/Main/";
}

} // namespace

QString OptionsKeyRoot() {
    return "SOFTWARE\\" + core::g_sCompany + "\\" + core::g_sProductName;
}

bool IsColorNumber(qint32 color) {
    const quint32 number = static_cast<quint32>(color);
    return number <= 0x00FFFFFFu || (number >= 0x80000000u && number <= 0x8000001Eu);
}

QStringList FileNameFormatEntries() {
    const QString file = core::ProgramFolder() + "/FileNameFormats.txt";
    if (QFileInfo(file).isFile()) {
        QStringList lines;
        for (const QString& line : core::ReadTextFile(file).split(QLatin1String("\r\n")))
            if (!line.isEmpty()) lines << line;
        return lines;
    }
    return {"[file_name].[dest_extension]",
            "[file_name].[source_extension].[dest_extension]",
            "[file_name]_[123].[dest_extension]",
            "[file_name]_[123].[source_extension].[dest_extension]",
            "[123].[dest_extension]",
            "[123].[source_extension].[dest_extension]"};
}

void PresetOptions(tOptionsRecord& r) {
    r.cboFileName = tPickList{FileNameFormatEntries(), -1};
    r.txtToPathItems = core::ReadPathHistory();
    r.txtToPath = r.txtToPathItems.value(0);
    if (r.txtToPath.isEmpty()) r.txtToPath = DefaultListsFolder();
    r.cboTargetFormat = tPickList{core::DestinationFormatTexts(), -1};
}

void LoadOptions(core::RegistryRoutines& reg, tOptionsRecord& r) {
    reg.setSubkey("General");

    // The device list is always empty, so only "none" can be taken.
    if (const auto device = StoredNumber(reg.GetRegistryValue("cboDevices"))) {
        if (*device == -1)
            r.cboDevices.index = -1;
        else if (*device >= 0 && *device < r.cboDevices.items.size())
            r.cboDevices.SetIndex(static_cast<qint32>(*device));
    }

    const QString targetFormat = StoredText(reg.GetRegistryValue("cboTargetFormat"));
    if (!targetFormat.isEmpty()) r.cboTargetFormat.SetText(targetFormat);

    r.txtToPath = StoredText(reg.GetRegistryValue("txtToPath"));

    LoadCheck(reg, "chkSelectTheLastItem", r.chkSelectTheLastItem);
    LoadCheck(reg, "chkAutoFreeDB", r.chkAutoFreeDB);

    if (r.txtToPath.isEmpty()) {
        const QString folder = DefaultListsFolder();
        if (!core::IsFolder(folder)) core::CreateFolderTree(folder);
        core::AddToPathHistory(folder);
        r.txtToPathItems = core::ReadPathHistory();
        r.txtToPath = r.txtToPathItems.value(0);
        if (r.txtToPath.isEmpty()) r.txtToPath = folder; // history unreadable
    }
    // Whatever was typed, the lists folder is used with its closing "/".
    r.txtToPath = WithClosingSlash(r.txtToPath);

    LoadListText(r.cboFileName, StoredText(reg.GetRegistryValue("cboFileName")));

    LoadCheck(reg, "chkSaveLogWhenExit", r.chkSaveLogWhenExit);
    LoadCheck(reg, "chkDisplayMSGWhenExit", r.chkDisplayMSGWhenExit);
    LoadCheck(reg, "chkDisplayMSGWhenErase", r.chkDisplayMSGWhenErase);
    LoadCheck(reg, "chkGoToNextItem", r.chkGoToNextItem);
    LoadCheck(reg, "chkDisplayPlayer", r.chkDisplayPlayer);
    LoadCheck(reg, "chkClearOnExit", r.chkClearOnExit);
    LoadCheck(reg, "chkDisplayAudioGraph", r.chkDisplayAudioGraph);
    LoadCheck(reg, "chkMenuXPStyle", r.chkMenuXPStyle);
    LoadCheck(reg, "chkDisplayGridHotTrack", r.chkDisplayGridHotTrack);
    LoadCheck(reg, "chkDisplayTitle", r.chkDisplayTitle);
    LoadCheck(reg, "chkDisplayGridLine", r.chkDisplayGridLine);

    LoadColour(reg, "picColor", r.picColor);
    LoadColour(reg, "picTextColor", r.picTextColor);

    r.chkRunWhenWinStarts = core::IsRunOnStart() ? 1 : 0;

    LoadCheck(reg, "chkDisplayLiveUpdateWindow", r.chkDisplayLiveUpdateWindow);
    LoadCheck(reg, "chkAutoUpdate", r.chkAutoUpdate);

    reg.setSubkey("Events");
    LoadCheck(reg, "chkOpenDestFolder", r.chkOpenDestFolder);
    LoadCheck(reg, "chkTurnOffComputer", r.chkTurnOffComputer);
    LoadCheck(reg, "chkPlaySound", r.chkPlaySound);

    // A path with no file-name part counts as no sound at all.
    r.txtPlayAtEnd = StoredText(reg.GetRegistryValue("txtPlayAtEnd"));
    if (core::GetFileName(r.txtPlayAtEnd).isEmpty())
        r.txtPlayAtEnd = core::ProgramFolder() + "/sound/notify.wav";

    LoadCheck(reg, "chkNoticeApp", r.chkNoticeApp);
    r.txtAppNotice = StoredText(reg.GetRegistryValue("txtAppNotice"));

    reg.setSubkey("ID3 Tags");
    const QVariant copyTags = reg.GetRegistryValue("chkCopyID3FromSource");
    if (StoredText(copyTags).isEmpty())
        r.chkCopyID3FromSource = 1;
    else
        LoadCheck(reg, "chkCopyID3FromSource", r.chkCopyID3FromSource);

    r.txtTagArtist = StoredText(reg.GetRegistryValue("txtTagArtist"));
    r.txtTagSong = StoredText(reg.GetRegistryValue("txtTagSong"));
    r.txtTagAlbum = StoredText(reg.GetRegistryValue("txtTagAlbum"));
    r.txtTagTrack = StoredText(reg.GetRegistryValue("txtTagTrack"));
    r.txtTagGenre = StoredText(reg.GetRegistryValue("txtTagGenre"));
    r.txtTagYear = StoredText(reg.GetRegistryValue("txtTagYear"));
    r.txtTagComment = StoredText(reg.GetRegistryValue("txtTagComment"));

    SetOptionsVariables(r, !targetFormat.isEmpty());
}

StoreOutcome StoreOptions(core::RegistryRoutines& reg, const tOptionsRecord& r) {
    // One transaction: a failure (or a kill) part way leaves every old value.
    core::RegistryBatch batch;
    QString failedValue;
    auto write = [&reg, &failedValue](const char* name, const QString& text) {
        if (!reg.SetRegistryValue(QLatin1String(name), text, core::REG_SZ) && failedValue.isEmpty())
            failedValue = reg.WorkingKey() + QLatin1Char('\\') + QLatin1String(name);
    };
    auto check = [&write](const char* name, qint16 value) { write(name, QString::number(value)); };

    reg.setSubkey("General");
    check("chkClearOnExit", r.chkClearOnExit);
    check("chkDisplayAudioGraph", r.chkDisplayAudioGraph);
    check("chkMenuXPStyle", r.chkMenuXPStyle);
    check("chkSelectTheLastItem", r.chkSelectTheLastItem);
    check("chkAutoFreeDB", r.chkAutoFreeDB);
    check("chkDisplayPlayer", r.chkDisplayPlayer);
    check("chkDisplayGridHotTrack", r.chkDisplayGridHotTrack);
    check("chkDisplayTitle", r.chkDisplayTitle);
    check("chkDisplayGridLine", r.chkDisplayGridLine);
    write("picColor", QString::number(r.picColor));
    write("picTextColor", QString::number(r.picTextColor));
    write("cboDevices", QString::number(r.cboDevices.index));
    write("cboTargetFormat", r.cboTargetFormat.Text());

    const QString listsFolder = WithClosingSlash(r.txtToPath);
    write("txtToPath", listsFolder);
    write("cboFileName", r.cboFileName.Text());

    check("chkSaveLogWhenExit", r.chkSaveLogWhenExit);
    check("chkDisplayMSGWhenExit", r.chkDisplayMSGWhenExit);
    check("chkDisplayMSGWhenErase", r.chkDisplayMSGWhenErase);
    check("chkGoToNextItem", r.chkGoToNextItem);
    check("chkDisplayLiveUpdateWindow", r.chkDisplayLiveUpdateWindow);
    check("chkAutoUpdate", r.chkAutoUpdate);

    reg.setSubkey("Events");
    check("chkOpenDestFolder", r.chkOpenDestFolder);
    check("chkTurnOffComputer", r.chkTurnOffComputer);
    check("chkPlaySound", r.chkPlaySound);
    write("txtPlayAtEnd", r.txtPlayAtEnd);
    check("chkNoticeApp", r.chkNoticeApp);
    write("txtAppNotice", r.txtAppNotice);

    reg.setSubkey("ID3 Tags");
    check("chkCopyID3FromSource", r.chkCopyID3FromSource);
    write("txtTagArtist", r.txtTagArtist);
    write("txtTagSong", r.txtTagSong);
    write("txtTagAlbum", r.txtTagAlbum);
    write("txtTagGenre", r.txtTagGenre);
    write("txtTagTrack", r.txtTagTrack);
    write("txtTagYear", r.txtTagYear);
    write("txtTagComment", r.txtTagComment);

    StoreOutcome outcome;
    if (!batch.Commit() || !failedValue.isEmpty()) {
        outcome.error = !batch.ErrorText().isEmpty()
                            ? batch.ErrorText()
                            : QStringLiteral("the value %1 cannot be written").arg(failedValue);
        return outcome;
    }
    outcome.stored = true;
    // The run-at-start entry is a file of its own, written once the values are in.
    core::SetRunOnStart(r.chkRunWhenWinStarts == 1);
    // The tree follows the variable.
    outcome.listsFolderChanged = listsFolder != g_sItemsListDir;
    g_sItemsListDir = listsFolder;
    return outcome;
}

void SetOptionsVariables(const tOptionsRecord& r, bool withTargetFormat) {
    g_lAudioDevice = r.cboDevices.index;
    if (withTargetFormat) g_sTargetFormat = r.cboTargetFormat.Text();
    g_sItemsListDir = WithClosingSlash(r.txtToPath);
    g_bSelectTheLastItem = r.chkSelectTheLastItem != 0;
    g_bAutoFreeDB = r.chkAutoFreeDB != 0;
    g_sFileNameFormat = r.cboFileName.Text();
    g_bSaveLogWhenExit = r.chkSaveLogWhenExit != 0;
    g_bDisplayMSGWhenExit = r.chkDisplayMSGWhenExit != 0;
    g_bDisplayMSGWhenErase = r.chkDisplayMSGWhenErase != 0;
    g_bGoToNextItem = r.chkGoToNextItem != 0;
    g_bDisplayPlayer = r.chkDisplayPlayer != 0;
    g_bClearOnExit = r.chkClearOnExit != 0;
    g_bDisplayAudioGraph = r.chkDisplayAudioGraph != 0;
    g_bMenuXPStyle = r.chkMenuXPStyle != 0;
    g_bDisplayGridHotTrack = r.chkDisplayGridHotTrack != 0;
    g_bDisplayTitle = r.chkDisplayTitle != 0;
    g_bDisplayGridLine = r.chkDisplayGridLine != 0;
    g_lAppColor = r.picColor;
    g_lTextColor = r.picTextColor;
    g_bDisplayLiveUpdateWindow = r.chkDisplayLiveUpdateWindow != 0;
    g_bAutoUpdate = r.chkAutoUpdate != 0;
    g_bOpenDestFolder = r.chkOpenDestFolder != 0;
    g_bTurnOffComputer = r.chkTurnOffComputer != 0;
    g_bPlaySound = r.chkPlaySound != 0;
    g_sPlayAtEnd = r.txtPlayAtEnd;
    g_bNoticeApp = r.chkNoticeApp != 0;
    g_sAppNotice = r.txtAppNotice;
    g_bCopyID3FromSource = r.chkCopyID3FromSource != 0;
    g_sTagArtist = r.txtTagArtist;
    g_sTagSong = r.txtTagSong;
    g_sTagAlbum = r.txtTagAlbum;
    g_sTagGenre = r.txtTagGenre;
    g_sTagTrack = r.txtTagTrack;
    g_sTagYear = r.txtTagYear;
    g_sTagComment = r.txtTagComment;
}

tOptionsRecord LoadOptionsSettings() {
    tOptionsRecord r;
    PresetOptions(r);
    core::RegistryRoutines reg;
    reg.setHkey(core::HKEY_LOCAL_MACHINE);
    reg.setKeyRoot(OptionsKeyRoot());
    LoadOptions(reg, r);
    return r;
}

} // namespace settings
