// Text files, the path history and the log lines.
#include "TestEnv.h"
#include "dialogs/mdlFunctionsGui.h"

#include "core/mdlFunctions.h"

#include <QComboBox>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QtTest>

using namespace core;

namespace {
void writeBytes(const QString& file, const QByteArray& bytes) {
    QFile f(file);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}
QByteArray readBytes(const QString& file) {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}
QByteArray historyBytes(const QStringList& lines) {
    QByteArray bytes;
    for (const QString& line : lines)
        bytes += line.toUtf8() + "\r\n";
    return bytes;
}
} // namespace

class tst_textfiles : public QObject {
    Q_OBJECT
private slots:
    void readTextFile_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("two lines CR LF") << QByteArray("one\r\ntwo\r\n") << "one\r\ntwo";
        QTest::newRow("two lines LF") << QByteArray("one\ntwo\n") << "one\r\ntwo";
        QTest::newRow("no final break") << QByteArray("one\r\ntwo") << "one\r\ntwo";
        QTest::newRow("empty file") << QByteArray() << "";
        QTest::newRow("one empty line") << QByteArray("\r\n") << "\r\n";
        QTest::newRow("inner empty line") << QByteArray("a\r\n\r\nb\r\n") << "a\r\n\r\nb";
        QTest::newRow("UTF-8") << QByteArray("caf\xc3\xa9 \xe2\x82\xac\r\n") << QString::fromUtf8("café €");
        QTest::newRow("UTF-8 with BOM") << QByteArray("\xef\xbb\xbfx\r\n") << "x";
        QTest::newRow("Windows-1252")
            << QByteArray("caf\xe9 \x80 \x93q\x94\r\n") << QString::fromUtf8("café € “q”");
    }
    void readTextFile() {
        testsupport::TestEnv env(false);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        const QString file = env.path("t.txt");
        writeBytes(file, bytes);
        QCOMPARE(ReadTextFile(file), text);
    }

    void readTextFileOfNoFile() {
        testsupport::TestEnv env(false);
        QCOMPARE(ReadTextFile(env.path("missing.txt")), QString());
        QCOMPARE(ReadTextFile(env.root()), QString()); // a folder
        QCOMPARE(ReadTextFile(QString()), QString());
    }

    void writeTextFile_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("readBack");
        QTest::newRow("one line") << "abc" << QByteArray("abc\r\n") << "abc";
        QTest::newRow("CR LF lines") << "a\r\nb" << QByteArray("a\r\nb\r\n") << "a\r\nb";
        QTest::newRow("LF lines get CR LF") << "a\nb" << QByteArray("a\r\nb\r\n") << "a\r\nb";
        QTest::newRow("empty: one empty line") << "" << QByteArray("\r\n") << "\r\n";
        QTest::newRow("UTF-8") << QString::fromUtf8("é€✓")
                               << QByteArray("\xc3\xa9\xe2\x82\xac\xe2\x9c\x93\r\n")
                               << QString::fromUtf8("é€✓");
        QTest::newRow("blanks kept") << " x " << QByteArray(" x \r\n") << " x ";
    }
    void writeTextFile() {
        testsupport::TestEnv env(false);
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, readBack);
        const QString file = env.path("w.txt");
        writeBytes(file, "old content that is longer\r\n");
        QVERIFY(WriteTextFile(text, file));
        QCOMPARE(readBytes(file), bytes);
        QCOMPARE(ReadTextFile(file), readBack);
    }

    void writeTextFileIntoMissingFolderFails() {
        testsupport::TestEnv env(false);
        const QString file = env.root() + "/no/such/folder/w.txt";
        QVERIFY(!WriteTextFile("x", file));
        QVERIFY(!QFileInfo::exists(env.root() + "/no"));
    }

    void loadListFileToCombo() {
        testsupport::TestEnv env(false);
        const QString file = env.path("FileNameFormats.txt");
        writeBytes(file, "[file_name]\r\n\r\n[123] - [item_name]\r\n\r\n");
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
        if (before != QStringList{"<none>"}) writeBytes(file, historyBytes(before));

        QComboBox combo;
        combo.setEditable(true);
        combo.setEditText(folder);
        SavePathHistory(&combo);
        QCOMPARE(readBytes(file), historyBytes(after));

        LoadPathHistory(&combo);
        QCOMPARE(combo.count(), after.size());
        for (int i = 0; i < after.size(); ++i)
            QCOMPARE(combo.itemText(i), after[i]);
        QCOMPARE(combo.currentIndex(), 0);
        QCOMPARE(combo.currentText(), folder);
    }

    // Every start adds the lists folder, which is first already: the file is
    // not written again (it keeps even line ends it was not written with).
    void pathHistoryAlreadyFirstIsLeftAlone() {
        testsupport::TestEnv env(false);
        writeBytes(PathHistoryFile(), "/a\n/b\n");
        QVERIFY(AddToPathHistory("/a"));
        QCOMPARE(readBytes(PathHistoryFile()), QByteArray("/a\n/b\n"));
        QVERIFY(AddToPathHistory("/b"));
        QCOMPARE(readBytes(PathHistoryFile()), historyBytes({"/b", "/a"}));
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
        writeBytes(PathHistoryFile(), "/m\xfcsic\n/out\n");
        QComboBox combo;
        LoadPathHistory(&combo);
        QCOMPARE(combo.count(), 2);
        QCOMPARE(combo.itemText(0), QString::fromUtf8("/müsic"));
        QCOMPARE(combo.itemText(1), QString("/out"));
    }

    // --- Log lines ---

    void logLineFormat_data() {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("line");
        QTest::newRow("C") << QLocale::c() << "14:05:09:Done.\r\n";
        QTest::newRow("en_US") << QLocale(QLocale::English, QLocale::UnitedStates) << "2:05:09 PM:Done.\r\n";
        QTest::newRow("de_DE") << QLocale(QLocale::German, QLocale::Germany) << "14:05:09:Done.\r\n";
    }
    void logLineFormat() {
        testsupport::TestEnv env(false);
        QFETCH(QLocale, locale);
        QFETCH(QString, line);
        env.services().fixedLocale = locale;
        env.services().fixedNow = QDateTime(QDate(2024, 5, 1), QTime(14, 5, 9));
        QCOMPARE(FormatLogLine("Done."), line);
    }

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

QTEST_MAIN(tst_textfiles)
#include "tst_textfiles.moc"
