#include "core/mdlMain.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // The command line is the text after the program path.
    if (!core::StartApplication(app.arguments().mid(1).join(' '))) return 0;
    return app.exec();
}
