// Colour numbers: plain colours, system colours and colours kept as text.
#include "controls/SystemColors.h"

#include <QGuiApplication>
#include <QtTest>

using namespace controls;

class tst_systemcolors : public QObject {
    Q_OBJECT
private slots:
    void colors_data() {
        QTest::addColumn<qint64>("number");
        QTest::addColumn<QColor>("color");
        const QPalette p = QGuiApplication::palette();
        QTest::newRow("red") << qint64(0x000000FF) << QColor(255, 0, 0);
        QTest::newRow("blue") << qint64(0x00FF0000) << QColor(0, 0, 255);
        QTest::newRow("mixed") << qint64(0x00336699) << QColor(0x99, 0x66, 0x33);
        QTest::newRow("button face") << qint64(0x8000000F) << p.color(QPalette::Active, QPalette::Window);
        QTest::newRow("button face, signed")
            << qint64(-2147483633) << p.color(QPalette::Active, QPalette::Window);
        QTest::newRow("window text") << qint64(0x80000008) << p.color(QPalette::Active, QPalette::Text);
        QTest::newRow("highlight") << qint64(0x8000000D) << p.color(QPalette::Active, QPalette::Highlight);
    }
    void colors() {
        QFETCH(qint64, number);
        QFETCH(QColor, color);
        QCOMPARE(TranslateColor(number), color);
        if (!IsSystemColor(number)) QCOMPARE(ColorToLong(color), qint32(number));
    }

    void colorFromText() {
        QVERIFY(!ColorFromText("").has_value());
        QVERIFY(!ColorFromText("red").has_value());
        QCOMPARE(ColorFromText("255").value(), QColor(255, 0, 0));
        QCOMPARE(ColorFromText("-2147483633").value(), QGuiApplication::palette().color(QPalette::Window));
    }
};

QTEST_MAIN(tst_systemcolors)
#include "tst_systemcolors.moc"
