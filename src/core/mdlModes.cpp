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

qint32 g_lAppIncConverter = kFull;
qint32 g_lAppIncJoin = kFull;
qint32 g_lAppIncSplit = kFull;
qint32 g_lAppIncMicRec = kFull;
qint32 g_lAppIncEditor = 1;
qint32 g_lAppIncAudioBurner = 1;
qint32 g_lAppIncCDRipper = 1;
qint32 g_lAppIncTagsEditor = 1;
qint32 g_lAppIncMP3Burner = 1;
qint32 g_lAppIncWMABurner = kFull;
qint32 g_lAppIncACMConverter = kFull;
qint32 g_lAppIncTTS = 1;
qint32 g_lAppIncDuplicator = kFull;
qint32 g_lAppIncItemsLists = 1;

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

    g_lAppIncConverter = extra;
    g_lAppIncJoin = extra;
    g_lAppIncSplit = extra;
    g_lAppIncMicRec = extra;
    g_lAppIncEditor = 1;
    g_lAppIncAudioBurner = 1;
    g_lAppIncCDRipper = 1;
    g_lAppIncTagsEditor = 1;
    g_lAppIncMP3Burner = 1;
    g_lAppIncWMABurner = extra;
    g_lAppIncACMConverter = extra;
    g_lAppIncTTS = 1;
    g_lAppIncDuplicator = extra;
    g_lAppIncItemsLists = 1;

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
