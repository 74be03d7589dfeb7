#include "app/StartApplication.h"
#include "core/AppPaths.h"
#include "core/Services.h"
#include "core/SingleInstance.h"
#include "core/mdlModes.h"
#include "dialogs/RealServices.h"
#include "mainwindow/frmMain.h"

#include <QApplication>
#include <QStringList>

int main(int argc, char** argv) {
    const app::FontConfigPreload fonts;
    QApplication app(argc, argv);
    core::setServices(std::make_unique<dialogs::RealServices>());
    // The program lives as long as its main window, also while that window is
    // hidden in the tray and some other window closes.
    QApplication::setQuitOnLastWindowClosed(false);
    // The command line is the text after the program path.
    const QString commandLine = app.arguments().mid(1).join(' ');

    // One copy per program folder: two would overwrite each other's lists.
    // A later start hands its command line to this copy and ends.
    core::SingleInstance instance(core::ProgramFolder());
    if (instance.HandOverOrListen(commandLine)) {
        if (!instance.RunningCopyDidNotAnswer()) return 0;
        core::services().msgBox(nullptr,
                                core::g_sProductName +
                                    " is already running with this program folder but does not answer. "
                                    "Close it, or end it if it hangs, and start again.",
                                core::vbExclamation, core::g_sProductName);
        return 1;
    }
    QStringList early; // handed over while this copy was still starting
    QObject::connect(&instance, &core::SingleInstance::CommandLineReceived, [&early](const QString& line) {
        if (frmMain* main = frmMain::instance())
            main->SecondStart(line);
        else
            early << line;
    });

    if (!app::StartApplication(commandLine)) return 0;
    QObject::connect(frmMain::instance(), &QObject::destroyed, &app, &QCoreApplication::quit);
    for (const QString& line : early)
        QMetaObject::invokeMethod(
            frmMain::instance(), [line] { frmMain::instance()->SecondStart(line); }, Qt::QueuedConnection);
    return app.exec();
}
