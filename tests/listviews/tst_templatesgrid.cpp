// The end-of-job command line from the last row of a grid: its file tokens
// and the program started with them.
#include "TestEnv.h"
#include "controls/cGrid.h"
#include "itemlists/Templates.h"
#include "listviews/ItemsGrid.h"
#include "listviews/TemplatesGrid.h"
#include "settings/SettingsVariables.h"

#include <QtTest>

using namespace itemlists;
using namespace listviews;

namespace {

ItemRow row(const QString& name, const QString& size, const QString& time, int mark) {
    ItemRow r;
    r.incIcon = mark;
    r.itemName = name;
    r.size = size;
    r.time = time;
    r.created = QDateTime(QDate(2026, 12, 8), QTime(14, 5, 9));
    r.file = "/music/" + name;
    return r;
}

} // namespace

class TstTemplatesGrid : public QObject {
    Q_OBJECT
private:
    QString m_notice;

private slots:
    void init() { m_notice = settings::g_sAppNotice; }
    void cleanup() { settings::g_sAppNotice = m_notice; }

    // The file tokens follow the last row of the grid, not the marked ones.
    void lastRowOfGrid() {
        testsupport::TestEnv env;
        cGrid grid;
        InitGridColumns(grid, nullptr);
        settings::g_sAppNotice = "[FILE_RECORDED]|[FILE_SIZE]|[FILE_TIME_LENGTH]|[FILE_CREATED]";
        QCOMPARE(GetNoticAppParameters(grid), settings::g_sAppNotice); // no row: tokens stay

        WriteItemRow(grid, 1, row("First.mp3", "1 MB", "00:01:00", ICON_MARKED));
        WriteItemRow(grid, 2, row("Take 1.wav", "35 KB", "00:03:20", ICON_UNMARKED));
        const QString created = grid.CellText(2, grid.ColumnIndex(COL_CREATED));
        QVERIFY(!created.isEmpty());
        QCOMPARE(GetNoticAppParameters(grid), "Take 1.wav|35 KB|00:03:20|" + created);

        // The cell texts at the moment of the call.
        grid.setCellText(2, grid.ColumnIndex(COL_ITEM_NAME), "Renamed");
        QVERIFY(GetNoticAppParameters(grid).startsWith("Renamed|"));

        settings::g_sAppNotice = "notify [FILE_RECORDED]";
        QVERIFY(RunNoticApp(grid));
        QCOMPARE(env.services().startedPrograms, (QList<QStringList>{{"notify", "Renamed"}}));
    }
};

QTEST_MAIN(TstTemplatesGrid)
#include "tst_templatesgrid.moc"
