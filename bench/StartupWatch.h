// What both start-up benchmark programs share (Qt only: the bare one links
// nothing else): the time since the parent started the process, and the
// watch that reports the window's first exposure and ends the process.
#pragma once

#include <QByteArray>
#include <QEvent>
#include <QObject>
#include <QWindow>

#include <cstdio>
#include <ctime>
#include <functional>
#include <unistd.h>

namespace bench {

// Milliseconds since the parent started this process (CLOCK_MONOTONIC stamp
// handed over in CORVANE_BENCH_SPAWN_NS); 0 when run on its own.
inline double SinceSpawn() {
    bool ok = false;
    const qint64 t0 = qgetenv("CORVANE_BENCH_SPAWN_NS").toLongLong(&ok);
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const qint64 t = qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
    return ok ? double(t - t0) / 1e6 : 0.0;
}

// With CORVANE_BENCH_STEPS set, prints a step and its time to stderr.
inline void Step(const char* what) {
    if (qEnvironmentVariableIsSet("CORVANE_BENCH_STEPS"))
        std::fprintf(stderr, "%6.1f ms  %s\n", SinceSpawn(), what);
}

// Prints "shown" once the watched window is exposed, and ends the process at
// once: only the way to the first frame is measured.
class ShownWatch : public QObject {
public:
    explicit ShownWatch(std::function<QWindow*()> window) : m_window(std::move(window)) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Expose) {
            QWindow* w = m_window();
            if (w && watched == w && w->isExposed()) {
                Step("shown");
                std::fputs("shown\n", stdout);
                std::fflush(stdout);
                _exit(0);
            }
        }
        return false;
    }

private:
    std::function<QWindow*()> m_window;
};

} // namespace bench
