#include "settings/SettingsVariables.h"

#include "core/ChromeColours.h"

namespace settings {

bool g_bAppExiting = false;

qint32 g_lAudioDevice = -1;
QString g_sTargetFormat;
QString g_sItemsListDir;
bool g_bSelectTheLastItem = false;
bool g_bAutoFreeDB = false;
QString g_sFileNameFormat;
bool g_bSaveLogWhenExit = false;
bool g_bDisplayMSGWhenExit = false;
bool g_bDisplayMSGWhenErase = false;
bool g_bGoToNextItem = false;
bool g_bClearOnExit = false;
bool g_bDisplayLiveUpdateWindow = false;
bool g_bAutoUpdate = false;

bool g_bDisplayPlayer = false;
bool g_bDisplayAudioGraph = false;
bool g_bMenuXPStyle = false;
bool g_bDisplayGridHotTrack = false;
bool g_bDisplayTitle = false;
bool g_bDisplayGridLine = false;
qint32 g_lAppColor = 0;
qint32 g_lTextColor = 0;

// Every window's title strip follows these two, whatever layer it lives in.
[[maybe_unused]] const bool s_chromeColours =
    (core::chrome::SetColourSource(&g_lAppColor, &g_lTextColor), true);

bool g_bOpenDestFolder = false;
bool g_bTurnOffComputer = false;
bool g_bPlaySound = false;
QString g_sPlayAtEnd;
bool g_bNoticeApp = false;
QString g_sAppNotice;

bool g_bCopyID3FromSource = true;
QString g_sTagArtist;
QString g_sTagSong;
QString g_sTagAlbum;
QString g_sTagGenre;
QString g_sTagTrack;
QString g_sTagYear;
QString g_sTagComment;

} // namespace settings
