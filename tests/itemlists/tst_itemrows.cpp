// The texts of item rows: the type icon a type text names, the range text
// and the stored range flags.
#include "itemlists/ItemRows.h"

#include <QtTest>

using namespace itemlists;

class tst_itemrows : public QObject {
    Q_OBJECT

private slots:
    void typeIcon_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("icon");
        QTest::newRow("Audio") << "Audio" << 3;
        QTest::newRow("Data") << "Data" << 4;
        QTest::newRow("lower case") << "audio" << 0;
        QTest::newRow("empty") << "" << 0;
        QTest::newRow("trailing blank") << "Data " << 0;
    }
    void typeIcon() {
        QFETCH(QString, text);
        QFETCH(int, icon);
        QCOMPARE(GetTypeIcon(text), icon);
    }

    void rangeAndTimeTexts_data() {
        QTest::addColumn<QString>("all");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("length");
        QTest::addColumn<QString>("range");
        QTest::addColumn<QString>("storedAll");
        QTest::newRow("ranged") << "0"
                                << "65"
                                << "30"
                                << "00:01:05 - 00:01:35"
                                << "0";
        QTest::newRow("past a day") << "0"
                                    << "90000"
                                    << "3600"
                                    << "25:00:00 - 26:00:00"
                                    << "0";
        QTest::newRow("whole") << "1"
                               << "65"
                               << "30"
                               << "All"
                               << "1";
        QTest::newRow("empty flag is whole") << ""
                                             << "65"
                                             << "30"
                                             << "All"
                                             << "1";
        QTest::newRow("no numbers") << "0"
                                    << "x"
                                    << ""
                                    << "00:00:00 - 00:00:00"
                                    << "0";
    }
    void rangeAndTimeTexts() {
        QFETCH(QString, all);
        QFETCH(QString, start);
        QFETCH(QString, length);
        QFETCH(QString, range);
        QFETCH(QString, storedAll);
        ItemRow r;
        r.setRange(all, start, length);
        QCOMPARE(r.range, range);
        QCOMPARE(r.rangeAll, storedAll);
        if (storedAll == "1") QVERIFY(r.rangeStart.isEmpty() && r.rangeLength.isEmpty());
        QCOMPARE(FormatTwoDigitTime(3661), QString("01:01:01"));
    }
};

QTEST_GUILESS_MAIN(tst_itemrows)
#include "tst_itemrows.moc"
