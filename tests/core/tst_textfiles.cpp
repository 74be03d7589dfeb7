// Text files and the log lines.
#include "FileFixtures.h"
#include "TestEnv.h"

#include "core/mdlFunctions.h"

#include <QtTest>

using namespace core;
using testsupport::historyBytes;
using testsupport::readFile;
using testsupport::writeFile;

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
        writeFile(file, bytes);
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
        writeFile(file, "old content that is longer\r\n");
        QVERIFY(WriteTextFile(text, file));
        QCOMPARE(readFile(file), bytes);
        QCOMPARE(ReadTextFile(file), readBack);
    }

    void writeTextFileIntoMissingFolderFails() {
        testsupport::TestEnv env(false);
        const QString file = env.root() + "/no/such/folder/w.txt";
        QVERIFY(!WriteTextFile("x", file));
        QVERIFY(!QFileInfo::exists(env.root() + "/no"));
    }

    // Every start adds the lists folder, which is first already: the file is
    // not written again (it keeps even line ends it was not written with).
    void pathHistoryAlreadyFirstIsLeftAlone() {
        testsupport::TestEnv env(false);
        writeFile(PathHistoryFile(), "/a\n/b\n");
        QVERIFY(AddToPathHistory("/a"));
        QCOMPARE(readFile(PathHistoryFile()), QByteArray("/a\n/b\n"));
        QVERIFY(AddToPathHistory("/b"));
        QCOMPARE(readFile(PathHistoryFile()), historyBytes({"/b", "/a"}));
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
};

QTEST_MAIN(tst_textfiles)
#include "tst_textfiles.moc"
