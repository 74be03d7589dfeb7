#include "app/StartApplication.h"
#include "core/RealServices.h"
#include "mainwindow/frmMain.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    core::setServices(std::make_unique<core::RealServices>());
    // The program lives as long as its main window, also while that window is
    // hidden in the tray and some other window closes.
    QApplication::setQuitOnLastWindowClosed(false);
    // The command line is the text after the program path.
    if (!core::StartApplication(app.arguments().mid(1).join(' '))) return 0;
    QObject::connect(frmMain::instance(), &QObject::destroyed, &app, &QCoreApplication::quit);
    return app.exec();
}
