// The widget-free part of the grid's row commands: where a move goes, and
// where the records held back for missing files stay when rows go.
#include "itemlists/ItemsListFile.h"
#include "itemlists/RowOps.h"

#include <QtTest>

class tst_rowops : public QObject {
    Q_OBJECT
private slots:
    void moveOffsets_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("selected");
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("offset");
        QTest::newRow("up") << "Move Up" << 3 << 5 << -1;
        QTest::newRow("up from first") << "Move Up" << 1 << 5 << 0;
        QTest::newRow("down") << "Move Down" << 3 << 5 << 1;
        QTest::newRow("down from last") << "Move Down" << 5 << 5 << 0;
        QTest::newRow("to first") << "Move To First" << 4 << 5 << -3;
        QTest::newRow("first to first") << "Move To First" << 1 << 5 << 0;
        QTest::newRow("to last") << "Move To Last" << 2 << 5 << 3;
        QTest::newRow("last to last") << "Move To Last" << 5 << 5 << 0;
        QTest::newRow("empty grid") << "Move Down" << 0 << 0 << 0;
        QTest::newRow("no selection") << "Move Down" << 0 << 5 << 0;
        QTest::newRow("other key") << "Move Sideways" << 2 << 5 << 0;
    }
    void moveOffsets() {
        QFETCH(QString, key);
        QFETCH(int, selected);
        QFETCH(int, rows);
        QFETCH(int, offset);
        QCOMPARE(itemlists::MoveOffset(key, selected, rows), offset);
    }

    void keptAnchorsFollowRemovedRows() {
        itemlists::ItemsListHolder holder;
        holder.Reset("/x.flst");
        holder.Keep(0, "first");
        holder.Keep(2, "middle");
        holder.Keep(4, "end");
        itemlists::KeepRecordsAfterRemoval(holder, {1, 3, 4});
        QCOMPARE(holder.Path(), QString("/x.flst"));
        QCOMPARE(holder.KeptCount(), 3);
        QCOMPARE(holder.KeptRecords().at(0).anchor, 0);
        QCOMPARE(holder.KeptRecords().at(1).anchor, 1);
        QCOMPARE(holder.KeptRecords().at(2).anchor, 1);
        QCOMPARE(holder.KeptRecords().at(2).text, QString("end"));
    }
};

QTEST_GUILESS_MAIN(tst_rowops)
#include "tst_rowops.moc"
