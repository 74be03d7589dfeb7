#include "core/ChromeColours.h"
#include "core/mdlModes.h"

#include <QtTest>

// The one reader of stored colour numbers: signed and unsigned 32-bit texts
// mean the same bits; anything else leaves the window's own colours.
class tst_chromecolours : public QObject {
    Q_OBJECT
private slots:
    void parsesStoredColours_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("expected"); // -1: no colour
        QTest::newRow("plain") << "255" << qint64(0xFF);
        QTest::newRow("blanks") << "  16711680 " << qint64(0xFF0000);
        QTest::newRow("system, signed") << "-2147483633" << qint64(0x8000000F);
        QTest::newRow("system, unsigned") << "2147483663" << qint64(0x8000000F);
        QTest::newRow("largest unsigned") << "4294967295" << qint64(0xFFFFFFFF);
        QTest::newRow("beyond 32 bits") << "4294967296" << qint64(-1);
        QTest::newRow("below signed range") << "-2147483649" << qint64(-1);
        QTest::newRow("empty") << "" << qint64(-1);
        QTest::newRow("letters") << "red" << qint64(-1);
    }
    void parsesStoredColours() {
        QFETCH(QString, text);
        QFETCH(qint64, expected);
        const auto colour = core::chrome::ParseColour(text);
        QCOMPARE(colour.has_value(), expected >= 0);
        if (colour) QCOMPARE(*colour, expected);
    }

    // The view colour follows the variable whenever it changes.
    void viewColourFollowsTheVariable() {
        core::g_sViewBackColor = "255";
        QCOMPARE(core::chrome::ViewBackColour().value_or(-1), qint64(0xFF));
        core::g_sViewBackColor = "-2147483633";
        QCOMPARE(core::chrome::ViewBackColour().value_or(-1), qint64(0x8000000F));
        core::g_sViewBackColor.clear();
        QVERIFY(!core::chrome::ViewBackColour().has_value());
    }

    // Title strips follow the registered colour variables as they change.
    void coloursFollowTheirSource() {
        qint32 app = -2147483633;
        qint32 text = 255;
        core::chrome::SetColourSource(&app, &text);
        QCOMPARE(core::chrome::AppColour(), qint64(0x8000000F));
        QCOMPARE(core::chrome::TextColour(), qint64(0xFF));
        text = 0xFF00;
        QCOMPARE(core::chrome::TextColour(), qint64(0xFF00));
        core::chrome::SetColourSource(nullptr, nullptr);
    }
};

QTEST_GUILESS_MAIN(tst_chromecolours)
#include "tst_chromecolours.moc"
