// Start-up time: from process start to the main window shown, beside a bare
// Qt main window of the same size, measured side by side in one run: the two
// alternate, several rounds each (the bare one first in every other round),
// and their medians are compared. Needs a display: scripts/bench.sh runs it
// under xvfb-run when there is none.
//
//   bench_startup [rounds]   the comparison (starts bench_startup_bare and
//                            itself with --corvane, in turn); exits 1 when
//                            the target is missed or a start fails
//   bench_startup --corvane  one start of the program
// The bare window is a program of its own that links Qt Widgets only, so the
// libraries Corvane links count against Corvane.
//
// The splash fades in through a fixed series of 26 waits of more than 5 ms
// each. That time is no work of the start: the program's start reports it
// ("fade <ms>", from the moment the first wait begins, as the splash's own
// fade clock sees it, to full opacity or to the first loading step if that
// comes first), and the ratio compares the start without it. The fade is
// shown on its own.
#include "BenchSupport.h"
#include "StartupWatch.h"
#include "app/StartApplication.h"
#include "core/AppPaths.h"
#include "core/SingleInstance.h"
#include "dialogs/RealServices.h"
#include "dialogs/frmSplash.h"
#include "mainwindow/frmMain.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QWindow>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <unistd.h>
#include <vector>

namespace {

constexpr double kTarget = 1.3;

// Times the splash's fade: from the moment its first wait begins (the
// splash's fade clock is asked for the first time) to full opacity, as its
// window reports it, or, should the fade not hold the start up, to the moment
// loading goes on, whichever comes first.
class FadeWatch : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show && !m_window && dialogs::g_frmSplash &&
            watched == dialogs::g_frmSplash) {
            m_window = dialogs::g_frmSplash->windowHandle();
            if (m_window)
                QObject::connect(m_window, &QWindow::opacityChanged, this, &FadeWatch::opacityChanged);
            // The same steady milliseconds as the splash's own clock.
            m_clock.start();
            dialogs::g_frmSplash->SetFadeClock([this] {
                if (!m_timer.isValid()) {
                    m_timer.start();
                    bench::Step("fade begins");
                }
                return m_clock.elapsed();
            });
        }
        return false;
    }
    // Loading goes on (the first status after the splash appeared): prints
    // "fade <ms>" once.
    void LoadingGoesOn() {
        if (m_reported) return;
        m_reported = true;
        const double ms =
            !m_timer.isValid() ? 0.0 : double(m_ended >= 0 ? m_ended : m_timer.nsecsElapsed()) / 1e6;
        std::printf("fade %.3f\n", ms);
        std::fflush(stdout);
    }

private:
    void opacityChanged(qreal level) {
        if (m_ended >= 0 || !m_timer.isValid() || level < 1.0) return;
        m_ended = m_timer.nsecsElapsed();
        bench::Step("fade ended");
    }

    QWindow* m_window = nullptr;
    QElapsedTimer m_clock;
    QElapsedTimer m_timer;
    qint64 m_ended = -1;
    bool m_reported = false;
};

int runCorvane(int argc, char** argv) {
    bench::Step("main");
    // As the program's main() does.
    const app::FontConfigPreload fonts;
    QApplication app(argc, argv);
    core::setServices(std::make_unique<dialogs::RealServices>());
    QApplication::setQuitOnLastWindowClosed(false);
    bench::ShownWatch watch(
        [] { return frmMain::instance() ? frmMain::instance()->windowHandle() : nullptr; });
    app.installEventFilter(&watch);
    FadeWatch fade;
    app.installEventFilter(&fade);
    // CORVANE_BENCH_STEPS=1 prints the time of each start-up step (for profiling).
    // Times count from the moment the parent started this process.
    bench::Step("QApplication built");
    dialogs::SetStartupObserver([&fade](const QString& step, const QString& detail) {
        fade.LoadingGoesOn();
        if (qEnvironmentVariableIsSet("CORVANE_BENCH_STEPS"))
            std::fprintf(stderr, "%6.1f ms  %s %s\n", bench::SinceSpawn(), qPrintable(step),
                         qPrintable(detail));
    });
    // As the program does: one copy per program folder.
    core::SingleInstance instance(core::ProgramFolder());
    if (instance.HandOverOrListen(QString())) return 1;
    if (!app::StartApplication(QString())) return 1;
    return app.exec();
}

struct Start {
    double ms = -1; // to the main window shown; negative on failure
    double fadeMs = 0;
};

// One start of `program`, timed from before the child is started to its "shown".
Start timeChild(const QString& program, const QStringList& arguments) {
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("CORVANE_BENCH_SPAWN_NS", QString::number(qint64(now.tv_sec) * 1000000000 + now.tv_nsec));
    child.setProcessEnvironment(env);
    QElapsedTimer timer;
    timer.start();
    child.start(program, arguments);
    Start result;
    if (!child.waitForStarted(10000)) return result;
    QByteArray out;
    while (!out.contains("shown\n")) {
        if (!child.waitForReadyRead(20000)) break;
        out += child.readAllStandardOutput();
    }
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    child.waitForFinished(10000);
    if (!out.contains("shown\n")) return result;
    result.ms = ms;
    const QRegularExpressionMatch fade =
        QRegularExpression("fade ([0-9.]+)\n").match(QString::fromLatin1(out));
    if (fade.hasMatch()) result.fadeMs = fade.captured(1).toDouble();
    return result;
}

double median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const size_t m = v.size() / 2;
    return v.size() % 2 ? v[m] : (v[m - 1] + v[m]) / 2;
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 1 && QByteArray(argv[1]) == "--corvane") return runCorvane(argc, argv);

    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    qputenv("CORVANE_HOME", (dir.path() + "/home").toUtf8());
    qputenv("CORVANE_REGISTRY", (dir.path() + "/registry.db").toUtf8());
    qputenv("CORVANE_NO_POWEROFF", "1");
    qputenv("CORVANE_NO_REAL_DRIVES", "1");
    qputenv("CORVANE_VIRTUAL_DRIVES", "");
    qputenv("XDG_CONFIG_HOME", (dir.path() + "/config").toUtf8());

    const QString self = QCoreApplication::applicationFilePath();
    const QString bareProgram = QCoreApplication::applicationDirPath() + "/bench_startup_bare";
    auto corvaneStart = [&] { return timeChild(self, {"--corvane"}); };
    auto bareStart = [&] { return timeChild(bareProgram, {}); };
    // The first start installs the settings and assets; later ones are ordinary starts.
    if (corvaneStart().ms < 0 || bareStart().ms < 0) {
        std::fprintf(stderr, "bench_startup: a start failed (is there a display?)\n");
        return 1;
    }
    const int fallback = qEnvironmentVariableIntValue("CORVANE_BENCH_ROUNDS") > 0
                             ? qEnvironmentVariableIntValue("CORVANE_BENCH_ROUNDS")
                             : 11;
    const int rounds = bench::CountArg(argc, argv, 1, fallback);
    std::vector<double> bare, corvane, fade, corvaneWithoutFade;
    for (int i = 0; i < rounds; ++i) {
        // The bare window first in every other round, so that neither side
        // always runs on the heels of the other.
        for (int side = 0; side < 2; ++side) {
            if ((side == 0) == (i % 2 == 0)) {
                const Start s = bareStart();
                if (s.ms < 0) {
                    std::fprintf(stderr, "bench_startup: the bare window did not start\n");
                    return 1;
                }
                bare.push_back(s.ms);
            } else {
                const Start s = corvaneStart();
                if (s.ms < 0) {
                    std::fprintf(stderr, "bench_startup: Corvane did not start\n");
                    return 1;
                }
                corvane.push_back(s.ms);
                fade.push_back(s.fadeMs);
                corvaneWithoutFade.push_back(s.ms - s.fadeMs);
            }
        }
    }
    const double b = median(bare), c = median(corvaneWithoutFade), f = median(fade);
    const double ratio = c / b;
    const bool met = ratio <= kTarget;
    std::printf("start-up to the main window shown, median of %d alternated starts each:\n", rounds);
    std::printf("  bare Qt window          : %7.1f ms\n", b);
    std::printf("  Corvane without the fade: %7.1f ms\n", c);
    std::printf("  splash fade-in          : %7.1f ms (not counted)\n", f);
    std::printf("  Corvane as started      : %7.1f ms\n", median(corvane));
    std::printf("bench_startup: ratio %.3f | Corvane %.0f ms + fade %.0f ms | peer bare Qt window %.0f ms | "
                "target ratio <= %.1f | %s\n",
                ratio, c, f, b, kTarget, met ? "met" : "MISSED");
    return met ? 0 : 1;
}
