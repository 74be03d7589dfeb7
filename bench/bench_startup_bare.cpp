// The yardstick of bench_startup: a bare Qt main window of the size frmMain
// restores when nothing is stored, linked against Qt Widgets only. Prints
// "shown" and ends as soon as the window is first exposed.
#include <QApplication>
#include <QMainWindow>
#include <QWindow>

#include <cstdio>
#include <unistd.h>

namespace {

class ShownWatch : public QObject {
public:
    explicit ShownWatch(QMainWindow* window) : m_window(window) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Expose) {
            QWindow* w = m_window->windowHandle();
            if (w && watched == w && w->isExposed()) {
                std::fputs("shown\n", stdout);
                std::fflush(stdout);
                _exit(0);
            }
        }
        return false;
    }

private:
    QMainWindow* m_window;
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QMainWindow window;
    ShownWatch watch(&window);
    app.installEventFilter(&watch);
    window.resize(876, 496);
    window.show();
    return app.exec();
}
