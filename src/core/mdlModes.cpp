#include "core/mdlModes.h"

#include <QCoreApplication>

namespace core {

namespace {
// This build's values. The variables start out with them too, so code that
// runs before InitModes (or a test that changed a switch and calls InitModes
// again) sees the same table.
constexpr char kCompany[] = "Pellory";
constexpr char kProductName[] = "Corvane";
constexpr char kProductVersion[] = "1.2";
constexpr char kInsideVersion[] = "1.2.1";
constexpr char kProductDescription[] = "Burn and rip WMA files from the Stereo Audio CD.";
constexpr char kSiteURL[] = "https://corvane.example.org";
constexpr char kViewBackColor[] = "-2147483633"; // &H8000000F, the button-face system colour
constexpr char kAppMainTool[] = "lAppIncAudioBurner";

#ifdef CORVANE_EDITION_FULL
constexpr Edition kBuildEdition = Edition::Full;
#else
constexpr Edition kBuildEdition = Edition::Standard;
#endif
// The switches the full table turns on whatever the standard one says.
constexpr qint32 kFull = kBuildEdition == Edition::Full ? 1 : 0;
} // namespace

QString g_sCompany = kCompany;
QString g_sProductName = kProductName;
QString g_sProductVersion = kProductVersion;
QString g_sInsideVersion = kInsideVersion;
QString g_sProductDescription = kProductDescription;
QString g_sSiteURL = kSiteURL;
QString g_sHomePageURL = QString(kSiteURL) + "/";
QString g_sSupportURL = QString(kSiteURL) + "/support.html";

QString g_sViewBackColor = kViewBackColor;
QString g_sViewBackPicture;
QString g_sViewToolbarPicture;
QString g_sViewTitlePicture;

#define CORVANE_DEFINE_SWITCH(name, standard) qint32 name = (standard) ? 1 : kFull;
CORVANE_EDITION_SWITCHES(CORVANE_DEFINE_SWITCH)
#undef CORVANE_DEFINE_SWITCH

const std::vector<EditionSwitch>& EditionSwitches() {
#define CORVANE_SWITCH_ROW(name, standard) EditionSwitch{#name, &name, standard},
    static const std::vector<EditionSwitch> switches{CORVANE_EDITION_SWITCHES(CORVANE_SWITCH_ROW)};
#undef CORVANE_SWITCH_ROW
    return switches;
}

qint32 g_lAppShowTree = 1;
QString g_sAppMainTool = kAppMainTool;

QString AppTitle() {
    return g_sProductName + QLatin1Char(' ') + g_sProductVersion;
}

Edition BuildEdition() {
    return kBuildEdition;
}

void InitModes() {
    InitModes(kBuildEdition);
}

void InitModes(Edition edition) {
    // The standard table switches these tools off; the full one offers them.
    const qint32 extra = edition == Edition::Full ? 1 : 0;
    g_sCompany = kCompany;
    g_sProductName = kProductName;
    g_sProductVersion = kProductVersion;
    g_sInsideVersion = kInsideVersion;
    g_sProductDescription = kProductDescription;
    g_sSiteURL = kSiteURL;
    g_sHomePageURL = g_sSiteURL + "/";
    g_sSupportURL = g_sHomePageURL + "support.html";

    g_sViewBackColor = kViewBackColor;
    g_sViewBackPicture.clear();
    g_sViewToolbarPicture.clear();
    g_sViewTitlePicture.clear();

    for (const EditionSwitch& s : EditionSwitches())
        *s.variable = s.standard ? 1 : extra;

    g_lAppShowTree = 1;
    g_sAppMainTool = kAppMainTool;

    // The application title: the name the desktop shows for the process,
    // with its version. Not set as the display name: on X11 and Wayland Qt
    // appends that to every window caption that does not already end with it
    // ("Options — Corvane 1.2"), and captions are the windows' own texts.
    QCoreApplication::setApplicationName(g_sProductName);
    QCoreApplication::setApplicationVersion(g_sProductVersion);
}

} // namespace core
