// A list of many items (50,000 by default): opening it in the main window's
// tree against TagLib reading the length and tags of the same files, the two
// taking turns for several rounds and compared by their medians; whether the
// GUI kept running meanwhile (a GUI timer measures the longest pause between
// its ticks and the progress values it sees), saving it after one change, and
// the peak memory.
// Usage: bench_biglist [item count, default 50000]; CORVANE_BENCH_ROUNDS sets the rounds (5)
#include "BenchSupport.h"
#include "controls/cGrid.h"
#include "controls/cTreeView.h"
#include "core/mdlModes.h"
#include "itemlists/ItemsListFile.h"
#include "listviews/ItemsGrid.h"
#include "listviews/ItemsTree.h"
#include "settings/SettingsVariables.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>
#include <QTimer>

#include <taglib/audioproperties.h>
#include <taglib/fileref.h>
#include <taglib/tag.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <vector>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int count = argc > 1 ? std::max(1, atoi(argv[1])) : 50000;
    const int rounds = bench::Rounds(5);
    core::InitModes();

    QTemporaryDir dir;
    if (!dir.isValid()) return 1;
    const QString tone = dir.filePath("tone.mp3");
    if (!bench::MakeMp3Tone("bench_biglist", tone, 3,
                            {"-metadata", "title=Bench Title", "-metadata", "artist=Bench Artist",
                             "-metadata", "album=Bench Album", "-metadata", "track=3", "-id3v2_version",
                             "3"}))
        return 1;
    // Hard links: as many names as items, on one file's worth of disk.
    QDir().mkpath(dir.filePath("audio"));
    QStringList paths;
    paths.reserve(count);
    for (int i = 0; i < count; ++i) {
        const QString p = dir.filePath(QStringLiteral("audio/item%1.mp3").arg(i, 5, 10, QLatin1Char('0')));
        if (::link(QFile::encodeName(tone).constData(), QFile::encodeName(p).constData()) != 0) return 1;
        paths << p;
    }
    std::printf("bench_biglist: %d items, each a tagged MP3 (3 s, 128 kbps, %.1f KB), opened beside TagLib "
                "reading them, median of %d rounds each\n",
                count, double(QFileInfo(tone).size()) / 1024.0, rounds);

    // The list file, every item marked and whole, written a record at a time:
    // the bench's own set-up must not set the peak it reports.
    const QString listsDir = dir.filePath("lists/");
    QDir().mkpath(listsDir);
    const QString listPath = listsDir + "Big.flst";
    {
        itemlists::ListFileWriter writer(listPath);
        if (!writer.Open()) return 1;
        for (int i = 0; i < count; ++i) {
            const QString name = QFileInfo(paths[i]).fileName();
            const QStringView values[itemlists::kListFieldCount] = {
                u"1", u"Audio", name, paths[i], u"1", {}, {}, {}, {}, {}, {}, {}, u"Stored title", {}};
            itemlists::AppendListRecordBytes(writer.Buffer(), values, false);
            writer.Flush();
        }
        writer.Buffer() += "\r\n";
        if (!writer.Commit()) return 1;
    }
    std::printf("  list file: %.1f MB\n", double(QFileInfo(listPath).size()) / 1048576.0);

    settings::g_sItemsListDir = listsDir;
    settings::g_bCopyID3FromSource = true;
    settings::g_bSelectTheLastItem = false;
    core::g_lAppIncItemsLists = 1;
    core::g_lAppIncCDRipper = 0;

    QWidget owner;
    auto* tree = new cTreeView(&owner);
    auto* grid = new cGrid(&owner);
    listviews::InitGridColumns(*grid, nullptr);
    tree->setGeometry(0, 0, 200, 600);
    grid->setGeometry(200, 0, 800, 600);
    owner.resize(1000, 600);
    owner.show();
    listviews::ItemsTree lists(*tree, *grid, &owner);
    lists.setTree();
    // The main window's side of the tree, as far as the open needs it.
    bool progressShown = false;
    itemlists::MainWindowLink& link = lists.link();
    link.PanelText = [](const QString&, const QString&) {};
    link.SetListName = [](const QString&) {};
    link.SetCDPolling = [](bool) {};
    link.IsPlaying = [] { return false; };
    link.StopPlay = [] {};
    link.ShowProgress = [&](bool visible) { progressShown = visible; };
    link.IsProgressVisible = [&] { return progressShown; };
    link.EmptyPanel = [](bool, const QString&) {};
    link.BusyPointer = [](bool) {};
    QSet<int> progressValues;
    bool loading = false;
    lists.link().SetProgress = [&](qint32 value, qint32) {
        if (loading) progressValues.insert(value);
    };

    // A GUI timer: each tick is proof that the GUI thread ran its events.
    int ticks = 0;
    qint64 longestGapNs = 0;
    QElapsedTimer sinceTick;
    QTimer timer;
    timer.setInterval(0);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (!loading) return;
        if (ticks > 0) longestGapNs = std::max(longestGapNs, sinceTick.nsecsElapsed());
        sinceTick.start();
        ++ticks;
    });
    timer.start();

    const cTreeViewNode node = tree->Nodes().Item(listPath);
    if (node.isNull()) return 1;

    // The yardstick: TagLib reads the length and the tags of every file.
    int taglibRead = 0;
    auto readWithTaglib = [&](int) {
        QElapsedTimer clock;
        clock.start();
        taglibRead = 0;
        for (const QString& p : paths) {
            TagLib::FileRef file(QFile::encodeName(p).constData(), true, TagLib::AudioProperties::Average);
            if (file.isNull() || !file.tag() || !file.audioProperties()) continue;
            const TagLib::Tag* tag = file.tag();
            if (file.audioProperties()->lengthInMilliseconds() > 0 && !tag->title().isEmpty() &&
                !tag->artist().isEmpty())
                ++taglibRead;
        }
        return double(clock.nsecsElapsed()) / 1e9;
    };
    // The open, as a click on the list in the tree opens it; each round's
    // rows, longest GUI pause and progress values.
    std::vector<double> pausesMs;
    int rows = 0, fewestProgressValues = std::numeric_limits<int>::max();
    bool tagsOk = true;
    auto open = [&](int) {
        progressValues.clear();
        ticks = 0;
        longestGapNs = 0;
        loading = true;
        sinceTick.start();
        QElapsedTimer clock;
        clock.start();
        cTreeViewNode(node).setSelected(true);
        lists.cTreeView1_NodeClick(node);
        const qint64 openNs = clock.nsecsElapsed();
        longestGapNs = std::max(longestGapNs, sinceTick.nsecsElapsed()); // the last stretch
        loading = false;
        rows = grid->Rows();
        pausesMs.push_back(double(longestGapNs) / 1e6);
        fewestProgressValues = std::min(fewestProgressValues, int(progressValues.size()));
        tagsOk =
            tagsOk && rows > 0 &&
            grid->CellText(rows, grid->ColumnIndex(itemlists::COL_TAG_TITLE)) == QLatin1String("Bench Title");
        return rows == count ? double(openNs) / 1e9 : -1.0;
    };
    bench::Turns turns;
    if (!bench::Alternate(rounds, open, readWithTaglib, &turns)) {
        std::printf("bench_biglist: FAILED: the open showed %d rows of %d\n", rows, count);
        return 1;
    }
    timer.stop();
    paths = QStringList();
    std::printf("  TagLib: median %.0f ms for %d files (%.1f us each, %d with tags)\n", turns.Peer() * 1e3,
                count, turns.Peer() * 1e6 / count, taglibRead);
    std::printf("  peak memory after the opens: %.1f MB\n", bench::MaxRssMb());
    if (qEnvironmentVariableIsSet("BENCH_PHASES")) {
        QFile statm("/proc/self/statm");
        statm.open(QIODevice::ReadOnly);
        std::printf("  resident now: %.1f MB\n", statm.readAll().split(' ').value(1).toDouble() * 4 / 1024);
    }

    if (qEnvironmentVariableIsSet("BENCH_PHASES")) {
        QElapsedTimer t;
        t.start();
        QList<itemlists::ListRecord> recs;
        for (int r = 1; r <= grid->Rows(); ++r)
            recs << listviews::RecordOfGridRow(*grid, r);
        const double a = t.nsecsElapsed() / 1e6;
        t.restart();
        const QByteArray text = itemlists::ComposeListBytes(recs);
        const double b = t.nsecsElapsed() / 1e6;
        t.restart();
        itemlists::WriteListBytes(listPath + ".x", text);
        std::printf("  phases: records %.1f ms, compose %.1f ms, write %.1f ms\n", a, b,
                    t.nsecsElapsed() / 1e6);
    }
    // One change, one save.
    grid->setCellIcon(1, 1, itemlists::ICON_UNMARKED);
    QElapsedTimer saveClock;
    saveClock.start();
    lists.SaveGridToFile();
    const qint64 saveNs = saveClock.nsecsElapsed();
    const double peakMb = bench::MaxRssMb();
    // The first record is enough to see the change: reading the whole list
    // back would only add the check's memory to the figures.
    QFile written(listPath);
    const bool saved =
        written.open(QIODevice::ReadOnly) &&
        itemlists::ParseRecord(
            itemlists::SplitRecords(itemlists::DecodeListBytes(written.read(64 * 1024))).value(0))
                .inc == QLatin1String("0");

    const double pauseMs = bench::Median(pausesMs);
    std::printf("  open: median %.0f ms for %d rows (%.1f us each), %.2f x TagLib%s\n", turns.Ours() * 1e3,
                rows, turns.Ours() * 1e6 / std::max(1, rows), turns.Ratio(), tagsOk ? "" : " (TAGS WRONG)");
    std::printf("  GUI during the opens: longest pause median %.1f ms, worst %.1f ms; the progress showed %d "
                "values at least\n",
                pauseMs, *std::max_element(pausesMs.begin(), pausesMs.end()), fewestProgressValues);
    std::printf("  save after one change: %.0f ms (%s)\n", double(saveNs) / 1e6,
                saved ? "written" : "FAILED");
    std::printf("  peak memory (ru_maxrss): %.1f MB\n", peakMb);

    bench::Outcome o;
    o.name = "bench_biglist";
    o.figure = QStringLiteral("open %1, stall %2 ms, save %3 ms, %4 MB")
                   .arg(bench::Secs(turns.Ours()))
                   .arg(pauseMs, 0, 'f', 1)
                   .arg(double(saveNs) / 1e6, 0, 'f', 0)
                   .arg(peakMb, 0, 'f', 1);
    o.peer = QStringLiteral("TagLib ") + bench::Secs(turns.Peer());
    o.ratio = turns.Ratio();
    o.target = "ratio <= 2, stall <= 50 ms, progress moving, save <= 250 ms, memory < 300 MB";
    o.met = o.ratio <= 2.0 && pauseMs <= 50.0 && fewestProgressValues > 2 && saveNs <= 250'000'000 &&
            peakMb < 300.0;
    if (!tagsOk) o.faults << "the rows do not show the files' tags";
    if (taglibRead != count)
        o.faults << QStringLiteral("TagLib read the tags of %1 files of %2").arg(taglibRead).arg(count);
    if (!saved) o.faults << "the change was not saved";
    return bench::Conclude(o) ? 0 : 1;
}
