// File-name and tag templates, output paths, the progress caption and the
// time-left estimate.
#include "core/BatchTemplates.h"
#include "core/mdlSupportedDestination.h"

#include <QtTest>

using namespace core;

class tst_BatchTemplates : public QObject {
    Q_OBJECT

    static QDateTime at() { return QDateTime(QDate(2026, 8, 12), QTime(9, 5, 7)); }

private slots:
    void fileNames_data() {
        QTest::addColumn<QString>("tmpl");
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("expected");
        const QString mp3 = "MP3 - MPEG-1 Audio Layer 3 (*.mp3)";
        const QString wav = "WAV - Waveform Audio Format (*.wav)";
        QTest::newRow("plain") << "[file_name].[dest_extension]" << 1 << "/m/Song.wma"
                               << "Song.wma" << mp3 << "Song.mp3";
        QTest::newRow("row and both extensions")
            << "[file_name]_[123].[source_extension].[dest_extension]" << 3 << "/m/Intro.wav"
            << "Intro.WAV" << wav << "Intro_3.wav.wav";
        QTest::newRow("dots in the name") << "[file_name]" << 1 << "/m/my.song.live.mp3"
                                          << "x" << mp3 << "mysonglive";
        QTest::newRow("no dot") << "[file_name].[dest_extension]" << 1 << "/m/noext"
                                << "noext" << mp3 << ".mp3";
        QTest::newRow("convert extension") << "[item_name].[convert_extension]" << 1 << "/m/a.wav"
                                           << "A b" << mp3 << "A b.mp3";
        QTest::newRow("format without dash") << "[file_name].[dest_extension]" << 1 << "/m/a.wav"
                                             << "a"
                                             << "MP3"
                                             << "a.[dest_extension]";
        QTest::newRow("time") << "[time]" << 1 << "/m/a.wav"
                              << "a" << mp3 << "09-05-07";
        QTest::newRow("upper case stays") << "[DATE]-[FILE_NAME]" << 1 << "/m/a.wav"
                                          << "a" << mp3 << "[DATE]-[FILE_NAME]";
        // A CD track's ".cda" is no format: it never reaches an output name.
        QTest::newRow("CD track, both extensions")
            << "[file_name].[source_extension].[dest_extension]" << 1 << "E:/Track01.cda"
            << "Track01.cda" << wav << "Track01.wav";
        QTest::newRow("CD track, extension first")
            << "[source_extension].[file_name]" << 2 << "E:/Track02.cda"
            << "Track02.cda" << wav << "Track02";
        QTest::newRow("CD track named by FreeDB") << "[item_name].[dest_extension]" << 4 << "E:/Track04.cda"
                                                  << "First Song.cda" << mp3 << "First Song.mp3";
        QTest::newRow("item without extension")
            << "[file_name].[source_extension].[dest_extension]" << 1 << "/m/Intro.ogg"
            << "Intro" << wav << "Intro.wav";
        QTest::newRow("values lose slashes and control characters")
            << "[item_name]" << 1 << "/m/a.wav" << QString("AC/DC\tlive") + QChar(0) + "x" << mp3
            << "ACDClivex";
    }
    void fileNames() {
        QFETCH(QString, tmpl);
        QFETCH(int, row);
        QFETCH(QString, source);
        QFETCH(QString, item);
        QFETCH(QString, format);
        QFETCH(QString, expected);
        FileNameContext c;
        c.row = row;
        c.sourcePath = source;
        c.itemName = item;
        c.destExtension = DestExtensionOf(format);
        c.now = at();
        c.locale = QLocale::c();
        QCOMPARE(CreateDestFileName(tmpl, c), expected);
    }

    // Every built-in template, for a CD track and for a file, with every
    // format offered: no token and no ".cda" is left in the name.
    void builtInTemplatesLeaveNoToken() {
        const QStringList templates{"[file_name].[dest_extension]",
                                    "[file_name].[source_extension].[dest_extension]",
                                    "[file_name]_[123].[dest_extension]",
                                    "[file_name]_[123].[source_extension].[dest_extension]",
                                    "[123].[dest_extension]",
                                    "[123].[source_extension].[dest_extension]",
                                    "[item_name]_[date]_[time].[convert_extension]"};
        for (const QString& format : core::DestinationFormatTexts())
            for (const QString& tmpl : templates)
                for (const auto& [source, item] :
                     {std::pair<QString, QString>{"D:/Track07.cda", "Track07.cda"},
                      {"/music/Song.ogg", "Song.ogg"}}) {
                    FileNameContext c;
                    c.row = 7;
                    c.sourcePath = source;
                    c.itemName = item;
                    c.destExtension = DestExtensionOf(format);
                    c.now = at();
                    c.locale = QLocale::c();
                    const QString name = CreateDestFileName(tmpl, c);
                    QVERIFY2(!name.contains('[') && !name.contains(']') && !name.contains("cda") &&
                                 !name.contains(".."),
                             qPrintable(tmpl + " -> " + name));
                }
    }

    void dateInFileNameHasNoSlash() {
        FileNameContext c;
        c.now = at();
        c.locale = QLocale(QLocale::English, QLocale::UnitedStates); // M/d/yy
        const QString name = CreateDestFileName("[date]", c);
        QVERIFY(!name.contains('/'));
        QCOMPARE(name, QString("8-12-26"));
    }

    void tags() {
        TagContext t;
        t.now = at();
        t.locale = QLocale::c();
        t.trackNum = "1";
        t.itemName = "Intro";
        t.range = "00:00:05 - 00:00:10";
        t.sourceName = "Intro.wav";
        t.productName = "Corvane";
        t.productVersion = "1.2";
        QCOMPARE(CreateID3TagsString("Track [TRACK_NUM]", t), QString("Track 1"));
        QCOMPARE(CreateID3TagsString("[ITEM_NAME] ([RANGE])", t), QString("Intro (00:00:05 - 00:00:10)"));
        QCOMPARE(CreateID3TagsString("[PROG_NAME] [PROG_VERSION] [YEAR] [SOURCE_NAME]", t),
                 QString("Corvane 1.2 2026 Intro.wav"));
        QCOMPARE(CreateID3TagsString("[date] stays", t), QString("[date] stays"));
        QCOMPARE(CreateID3TagsString("", t), QString());
        // The short token set leaves the item's own tokens as written.
        t.itemName.reset();
        t.range.reset();
        t.sourceName.reset();
        QCOMPARE(CreateID3TagsString("[ITEM_NAME] [RANGE] [SOURCE_NAME] [TRACK_NUM]", t),
                 QString("[ITEM_NAME] [RANGE] [SOURCE_NAME] 1"));
    }

    void outputPaths_data() {
        QTest::addColumn<QString>("dest");
        QTest::addColumn<QString>("under");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expected"); // empty: refused
        QTest::newRow("plain") << "/out"
                               << ""
                               << "a.mp3"
                               << "/out/a.mp3";
        QTest::newRow("sub-folder") << "/out/"
                                    << "Rock/"
                                    << "a.mp3"
                                    << "/out/Rock/a.mp3";
        QTest::newRow("dot-dot levels") << "/out/"
                                        << "../"
                                        << "../a.mp3"
                                        << "/out/-/-/a.mp3";
        QTest::newRow("dot level") << "/out/"
                                   << ""
                                   << "."
                                   << "/out/-";
        QTest::newRow("doubled slash") << "/out/"
                                       << ""
                                       << "x//a.mp3"
                                       << "/out/x/a.mp3";
        QTest::newRow("no name") << "/out/"
                                 << "Rock/"
                                 << ""
                                 << "";
        QTest::newRow("ends with slash") << "/out/"
                                         << ""
                                         << "a/"
                                         << "";
        QTest::newRow("no destination") << ""
                                        << ""
                                        << "a.mp3"
                                        << "";
    }
    void outputPaths() {
        QFETCH(QString, dest);
        QFETCH(QString, under);
        QFETCH(QString, name);
        QFETCH(QString, expected);
        const std::optional<QString> p = JoinOutputPath(dest, under, name);
        QCOMPARE(p.value_or(QString()), expected);
    }

    // A typed sub-folder is cleaned level by level: nothing climbs out of the
    // destination, starts at the root or is hidden.
    void subFolders_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("under");
        QTest::newRow("plain") << "Rock"
                               << "Rock/";
        QTest::newRow("two levels") << "Rock/70s"
                                    << "Rock/70s/";
        QTest::newRow("up one level") << "../x"
                                      << "-/x/";
        QTest::newRow("absolute") << "/etc/cron.d"
                                  << "etc/cron.d/";
        QTest::newRow("down and further up") << "a/../../b"
                                             << "a/-/-/b/";
        QTest::newRow("dots only") << "..."
                                   << "-/";
        QTest::newRow("hidden") << ".cache"
                                << "-.cache/";
        QTest::newRow("control characters") << QString("new\nline\t") << "newline/";
        QTest::newRow("slashes only") << "//"
                                      << "";
        QTest::newRow("empty") << ""
                               << "";
    }
    void subFolders() {
        QFETCH(QString, typed);
        QFETCH(QString, under);
        QCOMPARE(GetUnderFolder(true, typed), under);
        QCOMPARE(GetUnderFolder(false, typed), QString());
        const std::optional<QString> p = JoinOutputPath("/out/", GetUnderFolder(true, typed), "a.mp3");
        QCOMPARE(p.value_or(QString()), "/out/" + under + "a.mp3");
    }

    // Titles that clean down to nothing or to dots give no hidden file, and a
    // title of tens of thousands of characters (as a CDDB answer may hold)
    // gives a name within the file system's limit that keeps its extension.
    void namesFromTitles_data() {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("expected"); // empty: only checked for length and form
        QTest::newRow("slash") << "/"
                               << "/out/-.mp3";
        QTest::newRow("dot") << "."
                             << "/out/-..mp3";
        QTest::newRow("dots") << ".."
                              << "/out/-...mp3";
        QTest::newRow("leading dot") << ".hidden"
                                     << "/out/-.hidden.mp3";
        QString longTitle;
        for (int i = 0; i < 20000; ++i)
            longTitle += (i % 2) ? QChar(0x00E9) : QChar(u'a');
        QTest::newRow("very long") << longTitle << "";
        QString notes; // four bytes each
        for (int i = 0; i < 10000; ++i)
            notes += QStringLiteral("\U0001F3B5");
        QTest::newRow("very long, four bytes each") << notes << "";
    }
    void namesFromTitles() {
        QFETCH(QString, title);
        QFETCH(QString, expected);
        FileNameContext c;
        c.row = 1;
        c.sourcePath = "D:/Track01.cda";
        c.itemName = title;
        c.destExtension = QString("mp3");
        c.now = at();
        c.locale = QLocale::c();
        const QString name = CreateDestFileName("[item_name].[dest_extension]", c);
        const std::optional<QString> path = JoinOutputPath("/out/", QString(), name);
        QVERIFY(path);
        if (!expected.isEmpty()) {
            QCOMPARE(*path, expected);
            return;
        }
        const QString file = path->mid(5);
        QVERIFY(!file.contains(u'/'));
        QVERIFY(file.endsWith(".mp3"));
        const QByteArray bytes = file.toUtf8();
        QVERIFY(bytes.size() <= kMaxOutputNameBytes);
        QVERIFY(bytes.size() > kMaxOutputNameBytes - 4); // cut, not emptied
        QCOMPARE(QString::fromUtf8(bytes), file);        // no character cut in two
        QVERIFY(title.startsWith(file.chopped(4)));
    }

    void numberedPaths() {
        QCOMPARE(NumberedPath("/o/a.mp3", 2), QString("/o/a (2).mp3"));
        QCOMPARE(NumberedPath("/o/a", 3), QString("/o/a (3)"));
        QCOMPARE(NumberedPath("/o.d/a", 2), QString("/o.d/a (2)"));
        QStringList taken{"/o/a.mp3", "/o/a (2).mp3"};
        QCOMPARE(UniqueOutputPath("/o/a.mp3", [&](const QString& p) { return taken.contains(p); }),
                 QString("/o/a (3).mp3"));
    }

    void progressAndTime() {
        QCOMPARE(ProgressCaption(50, 50, 300, QLocale::c()),
                 QString("Converting... [ 50% / 16.6666666666667% ]"));
        QCOMPARE(ProgressCaption(30, 130, 400, QLocale::c()), QString("Converting... [ 30% / 32.5% ]"));
        QCOMPARE(ProgressCaption(30, 130, 400, QLocale(QLocale::German)),
                 QString("Converting... [ 30% / 32,5% ]"));
        QCOMPARE(TimeLeftSeconds(31, 50, 100, 600), qint64(93));
        QCOMPARE(TimeLeftSeconds(31, 0, 100, 600), qint64(0));
        QCOMPARE(TimeLeftSeconds(10, 50, 600, 600), qint64(0)); // never negative
        QCOMPARE(TimeLeftSeconds(5, 2, 0, 3), qint64(2));       // 2.5 to even
        QCOMPARE(TimeLeftSeconds(7, 2, 0, 3), qint64(4));       // 3.5 to even
        QCOMPARE(ItemSecondsAt(50, 5), 2);
        QCOMPARE(ItemSecondsAt(50, 7), 4);
        QCOMPARE(TimeLeftText(93), QString("Time Left: 00:01:33"));
        QCOMPARE(TimeLeftText(90000), QString("Time Left: 25:00:00"));
    }
};

QTEST_GUILESS_MAIN(tst_BatchTemplates)
#include "tst_batchtemplates.moc"
