// The mode table: which product this build is and which tools it offers.
// InitModes runs first at start-up; every window reads these values and
// nothing writes them afterwards. They are not settings: nothing stores them.
#pragma once

#include <QString>
#include <QtGlobal>

#include <vector>

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
// Each switch is listed once here, with whether the standard table offers it
// (the full table offers every one); the variables, their start values and
// InitModes all come from this list.
#define CORVANE_EDITION_SWITCHES(X)                                                                          \
    X(g_lAppIncConverter, false)                                                                             \
    X(g_lAppIncJoin, false)                                                                                  \
    X(g_lAppIncSplit, false)                                                                                 \
    X(g_lAppIncMicRec, false)                                                                                \
    X(g_lAppIncEditor, true)                                                                                 \
    X(g_lAppIncAudioBurner, true)                                                                            \
    X(g_lAppIncCDRipper, true)                                                                               \
    X(g_lAppIncTagsEditor, true)                                                                             \
    X(g_lAppIncMP3Burner, true)                                                                              \
    X(g_lAppIncWMABurner, false)                                                                             \
    X(g_lAppIncACMConverter, false)                                                                          \
    X(g_lAppIncTTS, true)                                                                                    \
    X(g_lAppIncDuplicator, false)                                                                            \
    X(g_lAppIncItemsLists, true)

#define CORVANE_DECLARE_SWITCH(name, standard) extern qint32 name;
CORVANE_EDITION_SWITCHES(CORVANE_DECLARE_SWITCH)
#undef CORVANE_DECLARE_SWITCH

// One edition switch: its variable's name ("g_lAppIncJoin"), the variable,
// and whether the standard table offers it.
struct EditionSwitch {
    const char* name;
    qint32* variable;
    bool standard;
};
// Every switch, in the order of the list above.
const std::vector<EditionSwitch>& EditionSwitches();

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
