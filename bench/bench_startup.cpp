// Start-up time: from process start to the main window shown, beside a bare
// Qt main window of the same size, measured side by side in one run (rounds
// alternate, medians compared). Needs a display: scripts/bench.sh runs it
// under xvfb-run when there is none.
//
//   bench_startup            the comparison (starts bench_startup_bare and
//                            itself with --corvane, alternating)
//   bench_startup --corvane  one start of the program
// The bare window is a program of its own that links Qt Widgets only, so the
// libraries Corvane links count against Corvane.
#include "BenchSupport.h"
#include "StartupWatch.h"
#include "app/StartApplication.h"
#include "core/AppPaths.h"
#include "core/SingleInstance.h"
#include "dialogs/RealServices.h"
#include "mainwindow/frmMain.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QWindow>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <unistd.h>
#include <vector>

namespace {

int runCorvane(int argc, char** argv) {
    bench::Step("main");
    QApplication app(argc, argv);
    core::setServices(std::make_unique<core::RealServices>());
    QApplication::setQuitOnLastWindowClosed(false);
    bench::ShownWatch watch(
        [] { return frmMain::instance() ? frmMain::instance()->windowHandle() : nullptr; });
    app.installEventFilter(&watch);
    // CORVANE_BENCH_STEPS=1 prints the time of each start-up step (for profiling).
    // Times count from the moment the parent started this process.
    if (qEnvironmentVariableIsSet("CORVANE_BENCH_STEPS")) {
        bench::Step("QApplication built");
        core::SetStartupObserver([](const QString& step, const QString& detail) {
            std::fprintf(stderr, "%6.1f ms  %s %s\n", bench::SinceSpawn(), qPrintable(step),
                         qPrintable(detail));
        });
    }
    // As the program does: one copy per program folder.
    core::SingleInstance instance(core::ProgramFolder());
    if (instance.HandOverOrListen(QString())) return 1;
    if (!core::StartApplication(QString())) return 1;
    return app.exec();
}

// Milliseconds from starting the child to its "shown"; -1 on failure.
double timeChild(const QString& program, const QStringList& arguments) {
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
    if (!child.waitForStarted(10000)) return -1;
    QByteArray out;
    while (!out.contains("shown\n")) {
        if (!child.waitForReadyRead(20000)) break;
        out += child.readAllStandardOutput();
    }
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    child.waitForFinished(10000);
    return out.contains("shown\n") ? ms : -1;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
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
    if (corvaneStart() < 0 || bareStart() < 0) {
        std::fprintf(stderr, "bench_startup: a start failed (is there a display?)\n");
        return 1;
    }
    const int rounds = bench::CountArg(argc, argv, 1, 9);
    std::vector<double> bare, corvane;
    for (int i = 0; i < rounds; ++i) {
        bare.push_back(bareStart());
        corvane.push_back(corvaneStart());
    }
    if (std::count(bare.begin(), bare.end(), -1.0) || std::count(corvane.begin(), corvane.end(), -1.0)) {
        std::fprintf(stderr, "bench_startup: a start failed\n");
        return 1;
    }
    const double b = median(bare), c = median(corvane);
    std::printf("start-up to the main window shown (median of %d): bare Qt %.0f ms, Corvane %.0f ms, "
                "ratio %.2f (target <= 1.5)\n",
                rounds, b, c, c / b);
    return 0;
}
