// The mode table: which product this build is and which tools it offers.
// InitModes runs first at start-up; every window reads these values and
// nothing writes them afterwards. They are not settings: nothing stores them.
#pragma once

#include <QString>
#include <QtGlobal>

namespace core {

// Identity
extern QString g_sCompany;            // maker: the company part of the settings key path
extern QString g_sProductName;        // display name: captions, message-box titles, tray tool tip
extern QString g_sProductVersion;     // short version shown after the name
extern QString g_sInsideVersion;      // long version (splash, About window)
extern QString g_sProductDescription; // one line in the About window
extern QString g_sSiteURL;            // the maker's site, no trailing "/"
extern QString g_sHomePageURL;        // g_sSiteURL & "/"
extern QString g_sSupportURL;         // g_sHomePageURL & "support.html"

// Theme. g_sViewBackColor is a decimal colour number (0x800000NN = a system
// colour); empty keeps the design colours. The pictures are file names in
// the program folder's "View" folder; empty means no picture.
extern QString g_sViewBackColor;
extern QString g_sViewBackPicture;
extern QString g_sViewToolbarPicture;
extern QString g_sViewTitlePicture;

// Edition switches: exactly 1 offers the tool, any other value does not.
extern qint32 g_lAppIncConverter;
extern qint32 g_lAppIncJoin;
extern qint32 g_lAppIncSplit;
extern qint32 g_lAppIncMicRec;
extern qint32 g_lAppIncEditor;
extern qint32 g_lAppIncAudioBurner;
extern qint32 g_lAppIncCDRipper;
extern qint32 g_lAppIncTagsEditor;
extern qint32 g_lAppIncMP3Burner;
extern qint32 g_lAppIncWMABurner;
extern qint32 g_lAppIncACMConverter;
extern qint32 g_lAppIncTTS;
extern qint32 g_lAppIncDuplicator;
extern qint32 g_lAppIncItemsLists;

// Layout: 1 shows the tree of items lists and its splitter, 0 collapses them.
extern qint32 g_lAppShowTree;
// The headline tool's id ("lAppIncAudioBurner", ...; the duplicator's is "lAppIncFreq").
extern QString g_sAppMainTool;

// The two tables a build can be made with (CMake option CORVANE_EDITION):
// Standard offers the Audio Analyser, Audio CD Maker, Audio CD Ripper, MP3
// Tags Editor, MP3 CD Maker and Text To Speech; Full switches every tool on.
// Everything else in the table is the same in both.
enum class Edition { Standard, Full };
// The table this build was made with.
Edition BuildEdition();

// Assigns every value above from this build's table (the variables also start
// out with it) and sets the application title to g_sProductName & " " &
// g_sProductVersion.
void InitModes();
// The same with the table of the given edition (tests of either table run in
// any build).
void InitModes(Edition edition);

// The application title, g_sProductName & " " & g_sProductVersion: the
// title of every message box that has none of its own.
QString AppTitle();

} // namespace core
