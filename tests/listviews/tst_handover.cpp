// Counting marked rows, handing rows over to a tool window's grid, and the
// time and size totals.
#include "TestEnv.h"
#include "controls/cGrid.h"
#include "core/mdlFunctions.h"
#include "listviews/HandOver.h"
#include "listviews/ItemsGrid.h"

#include <QSignalSpy>
#include <QtTest>

using namespace itemlists;
using namespace listviews;

namespace {

struct RowSpec {
    int mark = 0;
    QString time = "00:04:00";
    QString all = "1";
    QString length;
    QString bytes = "1000";
    QString name;
};

RowSpec spec(int mark, const QString& time = "00:04:00", const QString& all = "1", const QString& length = "",
             const QString& bytes = "1000") {
    RowSpec s;
    s.mark = mark;
    s.time = time;
    s.all = all;
    s.length = length;
    s.bytes = bytes;
    return s;
}

void fill(cGrid& g, const QList<RowSpec>& rows) {
    for (const RowSpec& s : rows) {
        ItemRow r;
        r.incIcon = s.mark;
        r.itemName = s.name;
        r.time = s.time;
        r.bytesSize = s.bytes;
        r.file = "/music/" + s.name + ".mp3";
        r.title = "Title " + s.name;
        r.range = s.all == "1" ? "All" : "range";
        WriteItemRow(g, g.Rows() + 1, r);
        // The range cells exactly as given (also empty or odd values).
        g.Cell(g.Rows(), g.ColumnIndex(COL_RANGE_ALL)).setText(s.all);
        g.Cell(g.Rows(), g.ColumnIndex(COL_RANGE_LENGTH_TIME)).setText(s.length);
    }
}

QList<RowSpec> named(int n, QList<int> marked) {
    QList<RowSpec> rows;
    for (int i = 1; i <= n; ++i) {
        RowSpec s;
        s.name = QString("Item %1").arg(i);
        s.mark = marked.contains(i) ? 1 : 0;
        rows << s;
    }
    return rows;
}

} // namespace

class tst_handover : public QObject {
    Q_OBJECT
private slots:
    void init() {
        m_env = std::make_unique<testsupport::TestEnv>(false);
        InitGridColumns(m_src, nullptr, GridVariant::Main);
    }
    void cleanup() {
        m_src.Clear();
        m_env.reset();
    }

    void emptyGridGivesZeroAndLeavesTheDestinationAlone() {
        cGrid dst;
        InitGridColumns(dst, nullptr, GridVariant::Tool);
        dst.setRedraw(false);
        QCOMPARE(GetMarkedCount(m_src), 0);
        QVERIFY(!IsAnyItemMarked(m_src));
        QCOMPARE(GetTotalTime(m_src, false), QString("0"));
        QCOMPARE(GetTotalSize(m_src, false), QString("0"));
        CopyGridRows(m_src, dst, true);
        CopyGridRows(m_src, dst, false);
        QCOMPARE(dst.Rows(), 0);
        QVERIFY(!dst.Redraw()); // not even its drawing switch was touched
    }

    void markedCount_data() {
        QTest::addColumn<QList<int>>("marks");
        QTest::addColumn<int>("count");
        QTest::newRow("none") << QList<int>{0, 0, 0} << 0;
        QTest::newRow("some") << QList<int>{1, 0, 1} << 2;
        // Only exactly 1 is a mark (-1 is a never-written cell).
        QTest::newRow("other icons") << QList<int>{2, -1, 3, 1} << 1;
    }
    void markedCount() {
        QFETCH(QList<int>, marks);
        QFETCH(int, count);
        QList<RowSpec> rows;
        for (int m : marks)
            rows << spec(m);
        fill(m_src, rows);
        QCOMPARE(GetMarkedCount(m_src), count);
        QCOMPARE(IsAnyItemMarked(m_src), count > 0);
    }

    void copyMarkedRows() {
        fill(m_src, named(6, {2, 5}));
        m_src.Cell(5, m_src.ColumnIndex(COL_TYPE)).setIconIndex(ICON_DATA);
        cGrid dst;
        InitGridColumns(dst, nullptr, GridVariant::Tool);
        CopyGridRows(m_src, dst, true);
        QCOMPARE(dst.Rows(), 2);
        QCOMPARE(dst.Rows(), GetMarkedCount(m_src));
        const int srcRows[] = {2, 5};
        for (int n = 1; n <= 2; ++n) {
            for (int j = 2; j <= 19; ++j)
                QCOMPARE(dst.Cell(n, j).Text(), m_src.Cell(srcRows[n - 1], j).Text());
            // Neither the mark nor the type picture travels.
            QCOMPARE(dst.Cell(n, 1).IconIndex(), -1);
            QCOMPARE(dst.Cell(n, 2).IconIndex(), -1);
        }
        QCOMPARE(dst.Cell(2, dst.ColumnIndex(COL_ITEM_NAME)).Text(), QString("Item 5"));
        QCOMPARE(dst.SelectedRow(), 1);
        QVERIFY(dst.Redraw());
        QCOMPARE(GetMarkedCount(dst), 0);
        // The source is unchanged.
        QCOMPARE(m_src.Rows(), 6);
        QCOMPARE(GetMarkedCount(m_src), 2);
    }

    void copyAllRowsWithTheirMarksForTheRipper() {
        QList<int> marked;
        for (int i = 1; i <= 11; ++i)
            marked << i;
        fill(m_src, named(12, marked)); // track 12: a data track, unmarked
        cGrid dst;
        InitGridColumns(dst, nullptr, GridVariant::Tool);
        CopyGridRows(m_src, dst, false);
        QCOMPARE(dst.Rows(), 12);
        for (int i = 1; i <= 12; ++i) {
            QCOMPARE(dst.Cell(i, 1).IconIndex(), i <= 11 ? 1 : 0);
            QCOMPARE(dst.Cell(i, dst.ColumnIndex(COL_ITEM_NAME)).Text(), QString("Item %1").arg(i));
            QCOMPARE(dst.Cell(i, dst.ColumnIndex(COL_TAG_TITLE)).Text(), QString("Title Item %1").arg(i));
        }
        QCOMPARE(dst.SelectedRow(), 1);
        QCOMPARE(GetMarkedCount(dst), 11);
    }

    void copyMatchesColumnsByPosition() {
        fill(m_src, named(1, {1}));
        cGrid dst; // a grid with fewer columns: the missing ones are skipped
        for (int i = 1; i <= 3; ++i)
            dst.AddColumn(QString("c%1").arg(i), QString());
        CopyGridRows(m_src, dst, true);
        QCOMPARE(dst.Rows(), 1);
        QCOMPARE(dst.Cell(1, 3).Text(), QString("Item 1"));
    }

    void totalTime_data() {
        QTest::addColumn<QString>("all");
        QTest::addColumn<QString>("time");
        QTest::addColumn<QString>("length");
        QTest::addColumn<QString>("total");
        QTest::newRow("ranged counts its length") << "0"
                                                  << "00:04:00"
                                                  << "30"
                                                  << "30";
        QTest::newRow("whole counts its time") << "1"
                                               << "00:04:00"
                                               << "30"
                                               << "240";
        QTest::newRow("empty flag counts the length") << ""
                                                      << "00:04:00"
                                                      << "45"
                                                      << "45";
        QTest::newRow("empty flag and length add nothing") << ""
                                                           << "00:04:00"
                                                           << ""
                                                           << "0";
        QTest::newRow("non-number adds nothing") << "0"
                                                 << "00:04:00"
                                                 << "abc"
                                                 << "0";
        QTest::newRow("half rounds to even") << "0"
                                             << ""
                                             << "2.5"
                                             << "2";
        QTest::newRow("more than a day") << "1"
                                         << "27:46:40"
                                         << ""
                                         << "100000";
    }
    void totalTime() {
        QFETCH(QString, all);
        QFETCH(QString, time);
        QFETCH(QString, length);
        QFETCH(QString, total);
        RowSpec s = spec(1, time, all, length);
        fill(m_src, {s});
        QCOMPARE(GetTotalTime(m_src, true), total);
        QCOMPARE(GetTotalTime(m_src, false), total);
    }

    void markedTotalsIgnoreUnmarkedRows() {
        fill(m_src, {spec(1, "00:01:00", "1", "", "100"), spec(0, "00:02:00", "1", "", "200"),
                     spec(1, "00:03:00", "0", "30", "4000000")});
        QCOMPARE(GetTotalTime(m_src, true), QString("90"));
        QCOMPARE(GetTotalTime(m_src, false), QString("210"));
        // A ranged row still counts the whole file's bytes.
        QCOMPARE(TotalBytes(m_src, true), qint64(4000100));
        QCOMPARE(TotalBytes(m_src, false), qint64(4000300));
        QCOMPARE(GetTotalSize(m_src, true), core::FormatByteSize(4000100));
    }

    void sizesAreSixtyFourBit() {
        // Three files of a billion bytes: the total goes past 2^31 and counts all three.
        fill(m_src, {spec(1, "", "1", "", "1000000000"), spec(1, "", "1", "", "1000000000"),
                     spec(1, "", "1", "", "1000000000"), spec(1, "", "1", "", "3221225472"),
                     spec(1, "", "1", "", ""), spec(1, "", "1", "", "n/a")});
        QCOMPARE(TotalBytes(m_src, true), qint64(6221225472));
        QCOMPARE(GetTotalSize(m_src, true), core::FormatByteSize(6221225472));
        QVERIFY(GetTotalSize(m_src, true).endsWith(" GB"));
        m_src.Clear();
        fill(m_src, {spec(1, "", "1", "", "3221225472")});
        QCOMPARE(GetTotalSize(m_src, false), core::FormatByteSize(qint64(3) << 30));
        QCOMPARE(GetTotalSize(m_src, false).left(4), QString("3.00"));
    }

    void totalOverflowSkipsTheRow() {
        fill(m_src, {spec(1, "", "1", "", "9223372036854775000"), spec(1, "", "1", "", "1000"),
                     spec(1, "", "1", "", "10")});
        QCOMPARE(TotalBytes(m_src, false), qint64(9223372036854775010));
    }

private:
    std::unique_ptr<testsupport::TestEnv> m_env;
    cGrid m_src;
};

QTEST_MAIN(tst_handover)
#include "tst_handover.moc"
