// Adding many files to an items list through the Add Files window: time per
// file, peak memory, and whether the GUI kept running meanwhile (a GUI timer
// counts the window's progress values it sees and the longest pause between
// its ticks).
// Usage: bench_addfiles [file count, default 1000]
#include "BenchSupport.h"
#include "controls/cGrid.h"
#include "controls/cProgressBar.h"
#include "itemlists/ItemsGrid.h"
#include "itemlists/frmStat.h"
#include "settings/SettingsVariables.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int count = bench::CountArg(argc, argv, 1, 1000);

    QTemporaryDir dir;
    if (!dir.isValid()) return 1;
    const QString tone = dir.filePath("tone.mp3");
    if (!bench::MakeMp3Tone("bench_addfiles", tone, 20,
                            {"-metadata", "title=Bench Title", "-metadata", "artist=Bench Artist",
                             "-metadata", "album=Bench Album", "-metadata", "track=3", "-id3v2_version",
                             "3"}))
        return 1;
    QStringList paths;
    for (int i = 0; i < count; ++i) {
        const QString p = dir.filePath(QStringLiteral("item%1.mp3").arg(i, 4, 10, QLatin1Char('0')));
        if (!QFile::copy(tone, p)) return 1;
        paths << p;
    }
    std::printf("bench_addfiles: %d tagged MP3 files (20 s, 128 kbps), %.1f KB each\n", count,
                double(QFileInfo(tone).size()) / 1024.0);
    std::printf("  peak memory before the add: %.1f MB\n", bench::MaxRssMb());

    settings::g_bCopyID3FromSource = true;
    QWidget owner;
    cGrid* grid = new cGrid(&owner);
    itemlists::InitGridColumns(*grid, nullptr);
    owner.resize(800, 600);
    owner.show();

    frmStat* window = frmStat::Load(&owner);
    int valueChanges = 0;
    QObject::connect(window->cProgressBar1, &QProgressBar::valueChanged, [&] { ++valueChanges; });

    // A GUI timer: each tick is proof that the GUI thread ran events.
    int ticks = 0;
    QSet<int> seen;
    qint64 longestGapNs = 0;
    QElapsedTimer sinceTick;
    QTimer timer;
    timer.setInterval(0);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (!window->IsAdding()) return;
        if (ticks > 0) longestGapNs = std::max(longestGapNs, sinceTick.nsecsElapsed());
        sinceTick.start();
        ++ticks;
        seen.insert(window->cProgressBar1->Value());
    });
    timer.start();

    QElapsedTimer clock;
    clock.start();
    window->AddFilesToList(paths, *grid, &owner, false);
    const qint64 addNs = clock.nsecsElapsed();
    timer.stop();
    frmStat::Unload();

    clock.restart();
    const QString list = dir.filePath("Bench.flst");
    const bool saved = itemlists::SaveGridToFile(*grid, list);
    const qint64 saveNs = clock.nsecsElapsed();

    const int rows = grid->Rows();
    std::printf("  rows added: %d of %d\n", rows, count);
    std::printf("  add: %.1f ms in all, %.1f us per file\n", double(addNs) / 1e6,
                double(addNs) / 1e3 / count);
    std::printf("  save of the list: %.1f ms (%s, %.1f KB)\n", double(saveNs) / 1e6,
                saved ? "written" : "FAILED", double(QFileInfo(list).size()) / 1024.0);
    std::printf("  progress: %d value changes of the bar; a GUI timer ticked %d times during the add and saw "
                "%d different values; longest pause between ticks %.1f ms\n",
                valueChanges, ticks, int(seen.size()), double(longestGapNs) / 1e6);
    std::printf("  peak memory (ru_maxrss) after the add: %.1f MB\n", bench::MaxRssMb());
    const bool ok = rows == count && saved && seen.size() > 1;
    if (!ok) std::printf("bench_addfiles: FAILED\n");
    return ok ? 0 : 1;
}
