// Adding many files to an items list through the Add Files window against
// TagLib reading the length and tags of the same files, the two taking turns
// for several rounds: time per file, peak memory, and whether the GUI kept
// running meanwhile (a GUI timer counts the window's progress values it sees
// and the longest pause between its ticks). Every row must show the tags and
// length TagLib reads. Target: the progress moving while the GUI runs.
// Usage: bench_addfiles [file count, default 1000]
#include "BenchSupport.h"
#include "controls/cGrid.h"
#include "controls/cProgressBar.h"
#include "core/mdlFunctions.h"
#include "listviews/ItemsGrid.h"
#include "listviews/frmStat.h"
#include "settings/SettingsVariables.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>
#include <QTimer>

#include <taglib/audioproperties.h>
#include <taglib/fileref.h>
#include <taglib/tag.h>

#include <algorithm>
#include <cmath>
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
    owner.resize(800, 600);
    owner.show();

    // The program's side: a fresh list each round, the files added through the window.
    cGrid* grid = nullptr;
    int valueChanges = 0, ticks = 0;
    QSet<int> seen;
    qint64 longestGapNs = 0;
    auto add = [&](int) {
        delete grid;
        grid = new cGrid(&owner);
        listviews::InitGridColumns(*grid, nullptr);
        frmStat* window = frmStat::Load(&owner);
        valueChanges = ticks = 0;
        seen.clear();
        longestGapNs = 0;
        QObject::connect(window->cProgressBar1, &QProgressBar::valueChanged, [&] { ++valueChanges; });
        // A GUI timer: each tick is proof that the GUI thread ran events.
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
        const double ms = double(clock.nsecsElapsed()) / 1e6;
        timer.stop();
        frmStat::Unload();
        return ms;
    };
    // The peer: TagLib reads the length and the tags of every file.
    auto tagLib = [&](int) {
        QElapsedTimer clock;
        clock.start();
        qint64 sum = 0;
        for (const QString& p : paths) {
            TagLib::FileRef file(QFile::encodeName(p).constData(), true, TagLib::AudioProperties::Average);
            if (file.isNull() || !file.tag() || !file.audioProperties()) return -1.0;
            const TagLib::Tag* tag = file.tag();
            sum += file.audioProperties()->lengthInMilliseconds() + tag->title().size() +
                   tag->artist().size() + tag->album().size() + tag->track();
        }
        return sum > 0 ? double(clock.nsecsElapsed()) / 1e6 : -1.0;
    };
    bench::Turns turns;
    if (!bench::Alternate(bench::Rounds(5), add, tagLib, &turns)) {
        std::printf("bench_addfiles: FAILED: TagLib could not read the files\n");
        return 1;
    }

    QElapsedTimer clock;
    clock.start();
    const QString list = dir.filePath("Bench.flst");
    const bool saved = listviews::SaveGridToFile(*grid, list);
    const qint64 saveNs = clock.nsecsElapsed();

    const int rows = grid->Rows();
    std::printf("  rows added: %d of %d\n", rows, count);
    std::printf("  add: %.1f ms in all, %.1f us per file (median of %d); TagLib %.1f ms\n", turns.Ours(),
                turns.Ours() * 1e3 / count, int(turns.ours.size()), turns.Peer());
    std::printf("  save of the list: %.1f ms (%s, %.1f KB)\n", double(saveNs) / 1e6,
                saved ? "written" : "FAILED", double(QFileInfo(list).size()) / 1024.0);
    std::printf(
        "  progress (last round): %d value changes of the bar; a GUI timer ticked %d times during the add "
        "and saw %d different values; longest pause between ticks %.1f ms\n",
        valueChanges, ticks, int(seen.size()), double(longestGapNs) / 1e6);
    std::printf("  peak memory (ru_maxrss) after the adds: %.1f MB\n", bench::MaxRssMb());

    bench::Outcome o;
    o.name = "bench_addfiles";
    o.figure = QStringLiteral("%1 ms for %2 files").arg(turns.Ours(), 0, 'f', 1).arg(count);
    o.peer = QStringLiteral("TagLib %1 ms").arg(turns.Peer(), 0, 'f', 1);
    o.ratio = turns.Ratio();
    o.target = "progress moving";
    o.met = seen.size() > 1;
    if (rows != count) o.faults << QStringLiteral("%1 rows for %2 files").arg(rows).arg(count);
    if (!saved) o.faults << "the list was not saved";
    // Every row shows what TagLib reads from its file.
    int wrong = 0;
    for (int r = 1; r <= rows; ++r) {
        const QString p = grid->CellText(r, grid->ColumnIndex(itemlists::COL_FILE));
        TagLib::FileRef file(QFile::encodeName(p).constData(), true, TagLib::AudioProperties::Average);
        if (file.isNull() || !file.tag() || !file.audioProperties()) continue;
        const TagLib::Tag* tag = file.tag();
        auto q = [](const TagLib::String& v) { return QString::fromStdString(v.to8Bit(true)); };
        const QStringList expected{
            q(tag->title()), q(tag->artist()), q(tag->album()), QString::number(tag->track()),
            core::FormatTwoDigitTime(
                qint64(std::nearbyint(file.audioProperties()->lengthInMilliseconds() / 1000.0)))};
        const QStringList shown{grid->CellText(r, grid->ColumnIndex(itemlists::COL_TAG_TITLE)),
                                grid->CellText(r, grid->ColumnIndex(itemlists::COL_TAG_ARTIST)),
                                grid->CellText(r, grid->ColumnIndex(itemlists::COL_TAG_ALBUM)),
                                grid->CellText(r, grid->ColumnIndex(itemlists::COL_TAG_TRACK)),
                                grid->CellText(r, grid->ColumnIndex(itemlists::COL_TIME))};
        if (shown != expected && ++wrong <= 3)
            o.faults << QStringLiteral("row %1 shows %2, TagLib reads %3")
                            .arg(r)
                            .arg(shown.join(" | "), expected.join(" | "));
    }
    if (wrong > 3) o.faults << QStringLiteral("%1 rows in all disagree with TagLib").arg(wrong);
    return bench::Conclude(o) ? 0 : 1;
}
