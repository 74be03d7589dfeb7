// Paths, names, sizes, durations, folders and documents.
#include "TestEnv.h"

#include "core/mdlFileSystem.h"
#include "core/mdlFunctions.h"

#include <QtTest>

#include <functional>

using namespace core;

namespace {
QString resolveTestDrive(const QString& path) {
    if (path.startsWith(QLatin1String("E:"), Qt::CaseInsensitive)) return "/media/disc-e" + path.mid(2);
    return path;
}
} // namespace

class tst_functions : public QObject {
    Q_OBJECT
private slots:
    void pathHelpers_data() {
        QTest::addColumn<QString>("fn");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("expected");
        auto row = [](const char* fn, const char* input, const char* expected) {
            QTest::addRow("%s(%s)", fn, input) << QString(fn) << QString(input) << QString(expected);
        };
        row("GetFileName", "/home/u/a.mp3", "a.mp3");
        row("GetFileName", "/home/u/", "");
        row("GetFileName", "a.mp3", "a.mp3");
        row("GetFileName", "", "");
        // The folder keeps its root: never a relative path.
        row("GetFolderPath", "/home/u/a.mp3", "/home/u/");
        row("GetFolderPath", "/a.mp3", "/");
        row("GetFolderPath", "/home//u/a.mp3", "/home//u/");
        row("GetFolderPath", "/home/u/", "/home/u/");
        row("GetFolderPath", "song.mp3", "");
        row("GetFolderPath", "", "");
        row("GetParentFolder", "/home/u/a.mp3", "/home/u/");
        row("GetParentFolder", "/a/b/a", "/a/b/");
        row("GetParentFolder", "/a", "/");
        row("GetParentFolder", "/home/u/", "");
        row("GetParentFolder", "song.mp3", "");
        row("GetFileExt", "x.abcdefghijklmnop", "abcdefghijklmnop");
        row("GetFileExt", "/m/a.b.mp3", "mp3");
        row("GetFileExt", "song", "");
        row("GetFileExt", "song.", "");
        // A dot in a folder name is no extension of the file.
        row("GetFileExt", "/my.dir/file", "");
        row("GetExtension", "x.abcdefghijklmnop", "abcdefghijkl");
        row("GetExtension", "a.MP3", "MP3");
        row("GetExtension", "/my.dir/file", "");
        row("GetBaseName", "a.b.c", "ab");
        row("GetBaseName", "my.song.mp3", "mysong");
        row("GetBaseName", "song", "");
        row("GetBaseName", "song.", "song");
        row("GetBaseName", ".mp3", "");
    }
    void pathHelpers() {
        QFETCH(QString, fn);
        QFETCH(QString, input);
        QFETCH(QString, expected);
        static const QMap<QString, std::function<QString(const QString&)>> fns{
            {"GetFileName", GetFileName},         {"GetFolderPath", GetFolderPath},
            {"GetParentFolder", GetParentFolder}, {"GetFileExt", GetFileExt},
            {"GetExtension", GetExtension},       {"GetBaseName", GetBaseName},
        };
        QCOMPARE(fns.value(fn)(input), expected);
    }

    void makeSafeFileName_data() {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("expected");
        QTest::newRow("spaces, ampersand, brackets") << "Rock & Roll (Live).mp3"
                                                     << "Rock---Roll--Live-.mp3";
        const QString all = QString::fromUtf16(
            u"!/\\;:, $+&[](){}?*|<>\u05D6\uF893\u20AC@\u00A8~\u00B4`=%\u00BD#\u00A3'\"\u05D9");
        QTest::newRow("all 37 replaced") << all << QString(37, '-');
        QTest::newRow("kept") << QString::fromUtf16(u"a.b-c_D9\u00C4\u00E9")
                              << QString::fromUtf16(u"a.b-c_D9\u00C4\u00E9");
    }
    void makeSafeFileName() {
        QFETCH(QString, input);
        QFETCH(QString, expected);
        QCOMPARE(MakeSafeFileName(input), expected);
    }

    void isLegalFileName() {
        QVERIFY(IsLegalFileName(""));
        QVERIFY(IsLegalFileName("My list.1 (b);x"));
        for (QChar c : QString("/\\:?*<>|\""))
            QVERIFY2(!IsLegalFileName("ab" + QString(c) + "c"), qPrintable(c));
    }

    void formatByteSize_data() {
        QTest::addColumn<qint64>("size");
        QTest::addColumn<QString>("expected");
        QTest::newRow("negative") << qint64(-1) << "";
        QTest::newRow("zero") << qint64(0) << "0";
        QTest::newRow("5 bytes, no unit") << qint64(5) << "5.00";
        QTest::newRow("512") << qint64(512) << "512";
        QTest::newRow("999") << qint64(999) << "999";
        QTest::newRow("1000 takes KB") << qint64(1000) << "0.98 KB";
        QTest::newRow("1536") << qint64(1536) << "1.50 KB";
        QTest::newRow("10 KB") << qint64(10240) << "10.0 KB";
        QTest::newRow("100 KB") << qint64(102400) << "100 KB";
        QTest::newRow("1 MB") << qint64(1048576) << "1.00 MB";
        QTest::newRow("5 GB, past 32 bits") << qint64(5) * 1024 * 1024 * 1024 << "5.00 GB";
        QTest::newRow("1 TB") << (qint64(1) << 40) << "1.00 TB";
    }
    void formatByteSize() {
        testsupport::TestEnv env(false);
        QFETCH(qint64, size);
        QFETCH(QString, expected);
        QCOMPARE(FormatByteSize(size), expected);
    }

    void formatFileSize_data() {
        QTest::addColumn<qint64>("size");
        QTest::addColumn<QString>("expected");
        QTest::newRow("0") << qint64(0) << "0 bytes";
        QTest::newRow("999") << qint64(999) << "999 bytes";
        QTest::newRow("1000") << qint64(1000) << "0.98 KB";
        QTest::newRow("1022976 = 999 KB") << qint64(1022976) << "999 KB";
        QTest::newRow("one more takes MB") << qint64(1022977) << "0.98 MB";
        QTest::newRow("15 KB") << qint64(15360) << "15.0 KB";
        QTest::newRow("100.5 KB to even") << qint64(102912) << "100 KB";
        QTest::newRow("101.5 KB to even") << qint64(103936) << "102 KB";
        QTest::newRow("5 GB") << qint64(5) * 1024 * 1024 * 1024 << "5.00 GB";
        QTest::newRow("4.5 TB") << qint64(9) * 512 * 1024 * 1024 * 1024 << "4.50 TB";
    }
    void formatFileSize() {
        testsupport::TestEnv env(false);
        QFETCH(qint64, size);
        QFETCH(QString, expected);
        QCOMPARE(FormatFileSize(size), expected);
    }

    void sizesUseTheLocaleDecimalSeparator() {
        testsupport::TestEnv env(false);
        env.services().fixedLocale = QLocale(QLocale::German, QLocale::Germany);
        QCOMPARE(FormatByteSize(1536), QString("1,50 KB"));
        QCOMPARE(FormatFileSize(1536), QString("1,50 KB"));
        QCOMPARE(FormatFileSize(999), QString("999 bytes"));
    }

    void secondsToTime_data() {
        QTest::addColumn<qint64>("seconds");
        QTest::addColumn<QString>("text");
        QTest::newRow("0") << qint64(0) << "0:00:00";
        QTest::newRow("59") << qint64(59) << "0:00:59";
        QTest::newRow("3600") << qint64(3600) << "1:00:00";
        QTest::newRow("3661") << qint64(3661) << "1:01:01";
        QTest::newRow("100000") << qint64(100000) << "27:46:40";
        QTest::newRow("100 hours") << qint64(360000) << "100:00:00";
    }
    void secondsToTime() {
        QFETCH(qint64, seconds);
        QFETCH(QString, text);
        QCOMPARE(SecondsToTime(seconds), text);
        // What is written reads back, within a day and beyond.
        QCOMPARE(TimeToSeconds(text), seconds);
    }

    void timeToSeconds_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("seconds");
        QTest::newRow("time of day") << "1:02:03" << qint64(3723);
        QTest::newRow("hours and minutes") << "3:20" << qint64(12000);
        QTest::newRow("afternoon") << "1:02:03 PM" << qint64(13 * 3600 + 123);
        QTest::newRow("not a time of day") << "100:00:00" << qint64(360000);
        QTest::newRow("minutes past 59 stay") << "0:75:00" << qint64(4500);
        QTest::newRow("empty") << "" << qint64(0);
        QTest::newRow("one field") << "5" << qint64(0);
        QTest::newRow("word") << "abc" << qint64(0);
        QTest::newRow("field not a number") << "1:xx:00" << qint64(0);
    }
    void timeToSeconds() {
        QFETCH(QString, text);
        QFETCH(qint64, seconds);
        QCOMPARE(TimeToSeconds(text), seconds);
    }

    void createFolderTree() {
        testsupport::TestEnv env(false);
        const QString deep = env.root() + "/a/b/c";
        QCOMPARE(CreateFolderTree(deep + "/"), 0);
        QVERIFY(IsFolder(deep));
        QCOMPARE(CreateFolderTree(deep), 0); // already there
        QVERIFY(!IsFolder(env.root() + "/missing"));

        // A file in the way stops the walk; nothing below it is made.
        QFile blocker(env.root() + "/a/file");
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        QVERIFY(!IsFolder(blocker.fileName()));
        QVERIFY(CreateFolderTree(env.root() + "/a/file/x/y") != 0);
        QVERIFY(!QFileInfo::exists(env.root() + "/a/file/x"));
        QCOMPARE(CreateFolderTree(QString()), 0);
    }

    void shellOpen_data() {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("url"); // "" = nothing opened; "{home}" = the program folder
        QTest::newRow("folder") << "/home/u/Music/"
                                << "file:///home/u/Music/";
        QTest::newRow("document") << "/home/u/a b.mp3"
                                  << "file:///home/u/a b.mp3";
        QTest::newRow("web address") << "https://example.org/x?y=1"
                                     << "https://example.org/x?y=1";
        QTest::newRow("www address") << "www.example.org"
                                     << "http://www.example.org";
        QTest::newRow("relative: program folder") << "help/index.html"
                                                  << "{home}/help/index.html";
        QTest::newRow("drive root") << "E:/"
                                    << "file:///media/disc-e/";
        QTest::newRow("drive unknown") << "F:"
                                       << "";
        QTest::newRow("empty") << ""
                               << "";
    }
    void shellOpen() {
        testsupport::TestEnv env(false);
        QFETCH(QString, target);
        QFETCH(QString, url);
        SetShellDriveResolver(resolveTestDrive);
        ShellOpen(nullptr, target);
        SetShellDriveResolver(nullptr);
        if (url.isEmpty()) {
            QVERIFY(env.services().openedUrls.isEmpty());
            return;
        }
        url.replace("{home}", QUrl::fromLocalFile(env.home()).toString());
        QCOMPARE(env.services().openedUrls.size(), 1);
        QCOMPARE(env.services().openedUrls[0].toString(), url);
    }
};

QTEST_MAIN(tst_functions)
#include "tst_functions.moc"
