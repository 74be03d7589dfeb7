#include "app/StartApplication.h"

#include "components/AudioOutput.h"
#include "components/DriveRegistry.h"
#include "components/FFmpegLibrary.h"
#include "controls/AccessibleNames.h"
#include "controls/cPopupMenu.h"
#include "controls/cSysTray.h"
#include "core/AppPaths.h"
#include "core/Installer.h"
#include "core/RegistryRoutines.h"
#include "core/Services.h"
#include "core/mdlFunctions.h"
#include "core/mdlModes.h"
#include "dialogs/frmSplash.h"
#include "dialogs/mdlMain.h"
#include "dialogs/mdlSetFormIcon32.h"
#include "mainwindow/frmMain.h"
#include "options/frmOptions.h"
#include "settings/EncoderSettings.h"
#include "settings/OptionsSettings.h"

#include <QApplication>
#include <QDBusConnection>
#include <QFileInfo>
#include <QIcon>
#include <QLabel>
#include <QMetaObject>
#include <QThreadPool>
#include <QTimer>
#include <fontconfig/fontconfig.h>
#include <memory>

namespace app {

FontConfigPreload::FontConfigPreload() : m_thread([] { FcInit(); }) {}

FontConfigPreload::~FontConfigPreload() {
    m_thread.join();
}

bool StartApplication(const QString& commandLine) {
    // The session bus is asked for by the first label the splash shows (for
    // accessibility), and connecting to it can take a while (without a bus,
    // an attempt to start one): that runs on another thread while the
    // settings store is checked.
    QThreadPool::globalInstance()->start([] { QDBusConnection::sessionBus(); });
    dialogs::SetCommand(commandLine);
    // With no desktop icon theme Qt looks standard pictures up in "hicolor",
    // the fallback theme, which holds application icons only: every lookup
    // failed, after reading its large index, before the style's own picture
    // was taken. The program's own folder is then the only place searched.
    if (QIcon::themeName() == QLatin1String("hicolor"))
        QIcon::setThemeSearchPaths({core::InstallFolder() + QLatin1String("/icons")});
    core::InitModes();
    // Every window and picture button is named for assistive technology.
    controls::InstallAccessibleNames();
    // Drive paths such as "E:/" open the drive's folder or mount point.
    core::SetShellDriveResolver(&components::DriveRegistry::localPath);

    // A damaged settings store is reported and left alone, before anything
    // could write to it.
    QString storeMessage;
    if (!core::RegistryStoreUsable(&storeMessage)) {
        core::services().msgBox(nullptr, storeMessage, core::vbCritical, core::g_sProductName);
        return false;
    }
    // The installer's part: missing settings keys and assets come from the
    // installation folder's seed. Without a seed the check below fails.
    core::InstallFromSeed();

    core::RegistryRoutines reg;
    reg.setHkey(core::HKEY_LOCAL_MACHINE);
    reg.setKeyRoot("SOFTWARE\\" + core::g_sCompany + "\\" + core::g_sProductName);
    reg.setSubkey("General");
    // Without a store there is no key; looking into one would create its file.
    const QFileInfo store(core::RegistryFile());
    if ((!store.exists() && !store.isSymLink()) || !reg.KeyExists()) {
        core::services().msgBox(
            nullptr,
            "This program cannot run, please reinstall the software or connect to the sofrware "
            "aurhor.\r\n\r\nThe main reistry key doesn't existed.",
            core::vbInformation, core::g_sProductName);
        return false;
    }

    // Qt's widgets need no common-controls initialisation.

    // The splash's icon is read on another thread while the splash is made.
    dialogs::ReadFormIconAhead(QStringLiteral("AAA"));

    dialogs::g_bSplashVisible = true;
    auto splash = std::make_unique<frmSplash>();
    splash->Form_Load();
    splash->setWindowTitle(core::g_sProductName + " " + core::g_sProductVersion);
    splash->show();
    splash->repaint();
    splash->FadeIn();

    // The settings dialogs stay loaded and hidden for the whole run once
    // loaded; the main window's exit closes them for real (they delete
    // themselves then).
    // The options are read into the settings variables without building the
    // Options dialog: it is built, hidden, when something first needs it.
    dialogs::SetSplashStatus("Loading options...");
    settings::LoadOptionsSettings();
    frmOptions::LoadOnDemand();
    dialogs::NotifyStartup("loaded", "frmOptions");

    // After the options: they set the output-format switches that decide
    // which format pages the Audio Format dialog offers. The encoder settings
    // are read the same way, and the dialog is built when first opened.
    dialogs::SetSplashStatus("Loading audio properties...");
    settings::LoadEncoderSettings();
    dialogs::NotifyStartup("loaded", "g_frmAudioProp");

    dialogs::SetSplashStatus("Loading GUI...");
    auto* main = new frmMain; // deletes itself when closed
    main->Form_Load();
    dialogs::NotifyStartup("loaded", "frmMain");

    if (dialogs::g_bSplashVisible) {
        splash->hide();
        splash.reset();
    }

    if (commandLine == QLatin1String("-st")) {
        if (cSysTray::IsAvailable()) {
            // Started at log-in: only the tray icon shows until the user restores the window.
            if (main->m_cMenu) main->m_cMenu->setCaption(main->m_cMenu->IndexForKey("RC Open"), "Show");
            main->setWindowState(Qt::WindowMinimized);
            main->hide();
            main->m_bInTray = true;
        } else {
            // Without a notification area a hidden window could never be reached again.
            main->showMinimized();
        }
    } else {
        main->show();
    }
    // The start switches run once, from the event loop: the window is shown
    // (or in the tray) by then.
    QMetaObject::invokeMethod(main, "RunCommandLineSwitches", Qt::QueuedConnection);
    // FFmpeg's libraries (and the hundred they pull in) and the sound module
    // load on another thread once the window is up, so that neither the start
    // nor the first playback or conversion waits for them.
    QTimer::singleShot(500, [] {
        // Without FFmpeg no audio file can be read, played or converted: said
        // once, rather than as every file being refused as "not audio".
        components::ffmpeg::PreloadInBackground([](const QString& reason) {
            QMetaObject::invokeMethod(
                qApp,
                [reason] {
                    core::services().msgBox(
                        nullptr,
                        "The FFmpeg libraries could not be loaded (" + reason +
                            "). Audio files cannot be read, played or converted until they "
                            "are installed.",
                        core::vbCritical, core::AppTitle());
                },
                Qt::QueuedConnection);
        });
        components::PreloadAudioOutputInBackground();
    });
    return true;
}

} // namespace app
