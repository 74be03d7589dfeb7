// The helpers that work on widgets: the name filter of text boxes, list
// files and the path history in combo boxes, log lines in log boxes.
#include "FileFixtures.h"
#include "TestEnv.h"
#include "dialogs/mdlFunctionsGui.h"

#include "controls/cBalloonTip.h"
#include "core/mdlFunctions.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QtTest>

using namespace core;
using namespace dialogs;
using testsupport::historyBytes;
using testsupport::readFile;
using testsupport::writeFile;

namespace {
// The balloon a refused key left on a text box, if any.
QWidget* balloonOf(QWidget* box) {
    const auto shown = box->findChildren<QWidget*>(cBalloonTip::WindowName, Qt::FindDirectChildrenOnly);
    for (QWidget* w : shown)
        if (w->isVisible()) return w;
    return nullptr;
}
} // namespace

class tst_functionsgui : public QObject {
    Q_OBJECT
private slots:
    // --- Name filter ---

    void filterNameKeyPress() {
        testsupport::TestEnv env(false);
        QLineEdit edit;
        int key = 'a';
        FilterNameKeyPress(&edit, key);
        QCOMPARE(key, int('a'));
        QVERIFY(!balloonOf(&edit));

        for (QChar c : QString("/\\:?*<>|\"")) {
            key = c.unicode();
            FilterNameKeyPress(&edit, key);
            QCOMPARE(key, 0);
        }
        QWidget* balloon = balloonOf(&edit);
        QVERIFY(balloon);
        auto* text = balloon->findChild<QLabel*>("text");
        QVERIFY(text);
        QCOMPARE(text->text(), QString("Illegal name.\r\n\r\nThe chars:   /\\:?*<>\"|   are not legal."));
        // One balloon at a time, however many keys were refused.
        int visible = 0;
        for (QWidget* w : edit.findChildren<QWidget*>(cBalloonTip::WindowName, Qt::FindDirectChildrenOnly))
            visible += w->isVisible() ? 1 : 0;
        QCOMPARE(visible, 1);
    }

    void nameKeyFilterDropsIllegalKeys() {
        testsupport::TestEnv env(false);
        QLineEdit edit;
        InstallNameKeyFilter(&edit);
        QTest::keyClicks(&edit, "my?list*1");
        QCOMPARE(edit.text(), QString("mylist1"));
    }

    // --- List files ---

    void loadListFileToCombo() {
        testsupport::TestEnv env(false);
        const QString file = env.path("FileNameFormats.txt");
        writeFile(file, "[file_name]\r\n\r\n[123] - [item_name]\r\n\r\n");
        QComboBox combo;
        combo.addItem("stale");
        LoadListFileToCombo(file, &combo);
        QCOMPARE(combo.count(), 2);
        QCOMPARE(combo.itemText(0), QString("[file_name]"));
        QCOMPARE(combo.itemText(1), QString("[123] - [item_name]"));

        LoadListFileToCombo(env.path("missing.txt"), &combo);
        QCOMPARE(combo.count(), 0);
    }

    // --- Path history ---

    void savePathHistory_data() {
        QTest::addColumn<QStringList>("before"); // {"<none>"} = no file
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QStringList>("after");
        QStringList sixteen;
        for (int i = 1; i <= 16; ++i)
            sixteen << QString("/f%1").arg(i);
        QTest::newRow("moves to the top")
            << QStringList{"/out", "/music", "/tmp"} << "/music" << QStringList{"/music", "/out", "/tmp"};
        QTest::newRow("new at the top") << QStringList{"/out"} << "/music" << QStringList{"/music", "/out"};
        QTest::newRow("16 kept, oldest drops")
            << sixteen << "/new" << (QStringList{"/new"} + sixteen.mid(0, 15));
        QTest::newRow("16 with the folder: all kept")
            << sixteen << "/f16" << (QStringList{"/f16"} + sixteen.mid(0, 15));
        QTest::newRow("case-sensitive")
            << QStringList{"/Music"} << "/music" << QStringList{"/music", "/Music"};
        QTest::newRow("empty folder box") << QStringList{"/a"} << "" << QStringList{"", "/a"};
        QTest::newRow("hand-made duplicates")
            << QStringList{"/a", "/b", "/a"} << "/a" << QStringList{"/a", "/b"};
        QTest::newRow("no file yet") << QStringList{"<none>"} << "/a" << QStringList{"/a"};
        QTest::newRow("empty file") << QStringList{} << "/a" << QStringList{"/a"};
    }
    void savePathHistory() {
        testsupport::TestEnv env(false);
        QFETCH(QStringList, before);
        QFETCH(QString, folder);
        QFETCH(QStringList, after);
        const QString file = PathHistoryFile();
        QCOMPARE(file, env.home() + "/PathHistory");
        if (before != QStringList{"<none>"}) writeFile(file, historyBytes(before));

        QComboBox combo;
        combo.setEditable(true);
        combo.setEditText(folder);
        SavePathHistory(&combo);
        QCOMPARE(readFile(file), historyBytes(after));

        LoadPathHistory(&combo);
        QCOMPARE(combo.count(), after.size());
        for (int i = 0; i < after.size(); ++i)
            QCOMPARE(combo.itemText(i), after[i]);
        QCOMPARE(combo.currentIndex(), 0);
        QCOMPARE(combo.currentText(), folder);
    }

    void loadPathHistoryWithoutFile() {
        testsupport::TestEnv env(false);
        QComboBox combo;
        combo.addItem("stale");
        LoadPathHistory(&combo);
        QCOMPARE(combo.count(), 0);
        QVERIFY(QFileInfo(PathHistoryFile()).isFile()); // created empty
        QCOMPARE(QFileInfo(PathHistoryFile()).size(), qint64(0));
    }

    void loadPathHistoryReadsLfAndOldCodePage() {
        testsupport::TestEnv env(false);
        writeFile(PathHistoryFile(), "/m\xfcsic\n/out\n");
        QComboBox combo;
        LoadPathHistory(&combo);
        QCOMPARE(combo.count(), 2);
        QCOMPARE(combo.itemText(0), QString::fromUtf8("/müsic"));
        QCOMPARE(combo.itemText(1), QString("/out"));
    }

    // --- Log lines ---

    void addLogLineAppendsAndScrollsToEnd() {
        testsupport::TestEnv env(false);
        env.services().fixedNow = QDateTime(QDate(2024, 5, 1), QTime(10, 15, 32));
        QPlainTextEdit plain;
        QTextEdit rich;
        AddLogLine("first", &plain);
        AddLogLine("first", &rich);
        env.services().fixedNow = QDateTime(QDate(2024, 5, 1), QTime(10, 15, 33));
        AddLogLine("second <b>", &plain);
        AddLogLine("second <b>", &rich);
        const QString expected = "10:15:32:first\n10:15:33:second <b>\n";
        QCOMPARE(plain.toPlainText(), expected);
        QCOMPARE(rich.toPlainText(), expected);
        QCOMPARE(plain.textCursor().position(), int(expected.size()));
        QCOMPARE(rich.textCursor().position(), int(expected.size()));
    }
};

QTEST_MAIN(tst_functionsgui)
#include "tst_functionsgui.moc"
