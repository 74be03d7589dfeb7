// The yardstick of bench_startup: a bare Qt main window of the size frmMain
// restores when nothing is stored, linked against Qt Widgets only. Prints
// "shown" and ends as soon as the window is first exposed.
#include "StartupWatch.h"

#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv) {
    bench::Step("bare main");
    QApplication app(argc, argv);
    bench::Step("bare QApplication built");
    QMainWindow window;
    bench::ShownWatch watch([&window] { return window.windowHandle(); });
    app.installEventFilter(&watch);
    window.resize(876, 496);
    window.show();
    return app.exec();
}
