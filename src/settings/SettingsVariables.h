// The program-wide settings variables, read by every window. They follow the
// settings record (settings/OptionsSettings.h: LoadOptions, through the
// Options dialog's GetOptions at start-up), their only writer except where noted.
#pragma once

#include <QString>
#include <QtGlobal>

namespace settings {

// Set when the main window closes: the settings dialogs then unload for real.
extern bool g_bAppExiting;

// General
extern qint32 g_lAudioDevice; // preview player's output device; always -1 (default device)
extern QString
    g_sTargetFormat; // default output format, a line of cboTargetFormat (also set by "Set as default")
extern QString g_sItemsListDir; // folder of the items lists, always with a closing "/" (also set by OK)
extern bool g_bSelectTheLastItem;
extern bool g_bAutoFreeDB;
extern QString g_sFileNameFormat; // default file-name template (also set by "Set as default")
extern bool g_bSaveLogWhenExit;   // kept and stored only
extern bool g_bDisplayMSGWhenExit;
extern bool g_bDisplayMSGWhenErase;
extern bool g_bGoToNextItem;
extern bool g_bClearOnExit;
extern bool g_bDisplayLiveUpdateWindow; // kept and stored only
extern bool g_bAutoUpdate;              // kept and stored only

// View
extern bool g_bDisplayPlayer;
extern bool g_bDisplayAudioGraph; // kept and stored only
extern bool g_bMenuXPStyle;
extern bool g_bDisplayGridHotTrack;
extern bool g_bDisplayTitle;
extern bool g_bDisplayGridLine;
extern qint32 g_lAppColor;  // colour number 0x00BBGGRR of title strips and progress bars
extern qint32 g_lTextColor; // colour number 0x00BBGGRR of title texts

// End-of-job events: the defaults of the batch tool windows
extern bool g_bOpenDestFolder;
extern bool g_bTurnOffComputer;
extern bool g_bPlaySound;
extern QString g_sPlayAtEnd; // full path of the sound played at the end of a job
extern bool g_bNoticeApp;
extern QString g_sAppNotice; // command-line template with the end-of-job tokens

// Default tags: templates that may hold the tag tokens
extern bool g_bCopyID3FromSource;
extern QString g_sTagArtist;
extern QString g_sTagSong;
extern QString g_sTagAlbum;
extern QString g_sTagGenre;
extern QString g_sTagTrack;
extern QString g_sTagYear;
extern QString g_sTagComment;

} // namespace settings
