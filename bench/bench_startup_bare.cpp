// The yardstick of bench_startup: a bare Qt main window of the size frmMain
// restores when nothing is stored, linked against Qt Widgets only. Prints
// "shown" and ends as soon as the window is first exposed.
#include <QApplication>
#include <QMainWindow>
#include <QWindow>

#include <cstdio>
#include <ctime>
#include <unistd.h>

namespace {

// Milliseconds since the parent started this process (see bench_startup).
double SinceSpawn() {
    bool ok = false;
    const qint64 t0 = qgetenv("CORVANE_BENCH_SPAWN_NS").toLongLong(&ok);
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return ok ? double(qint64(now.tv_sec) * 1000000000 + now.tv_nsec - t0) / 1e6 : 0.0;
}

class ShownWatch : public QObject {
public:
    explicit ShownWatch(QMainWindow* window) : m_window(window) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Expose) {
            QWindow* w = m_window->windowHandle();
            if (w && watched == w && w->isExposed()) {
                if (qEnvironmentVariableIsSet("CORVANE_BENCH_STEPS"))
                    std::fprintf(stderr, "%6.1f ms  bare shown\n", SinceSpawn());
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
    const bool steps = qEnvironmentVariableIsSet("CORVANE_BENCH_STEPS");
    if (steps) std::fprintf(stderr, "%6.1f ms  bare main\n", SinceSpawn());
    QApplication app(argc, argv);
    if (steps) std::fprintf(stderr, "%6.1f ms  bare QApplication built\n", SinceSpawn());
    QMainWindow window;
    ShownWatch watch(&window);
    app.installEventFilter(&watch);
    window.resize(876, 496);
    window.show();
    return app.exec();
}
