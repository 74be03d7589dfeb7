// Items-list files: writing a grid, reading it back with the converter's
// probe, records whose file is away, damaged files.
#include "ListFixtures.h"
#include "MediaTools.h"
#include "TestEnv.h"
#include "components/cAudioConverter.h"
#include "controls/cGrid.h"
#include "core/mdlFileSystem.h"
#include "itemlists/ItemsListFile.h"
#include "listviews/HandOver.h"
#include "listviews/ItemsGrid.h"
#include "settings/SettingsVariables.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QtTest>

#include <cmath>

using namespace itemlists;
using namespace listviews;
using testsupport::oldRecord;

namespace {

QByteArray readAll(const QString& path) {
    return testsupport::fileBytes(path);
}

void writeAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

QStringList column(cGrid& g, const QString& key) {
    QStringList out;
    for (int r = 1; r <= g.Rows(); ++r)
        out << g.Cell(r, g.ColumnIndex(key)).Text();
    return out;
}

ItemRow simpleRow(const QString& name, const QString& file, const QString& title = QString()) {
    ItemRow r;
    r.itemName = name;
    r.file = file;
    r.title = title;
    r.setRange("1", "", "");
    return r;
}

QList<int> icons(cGrid& g, const QString& key) {
    QList<int> out;
    for (int r = 1; r <= g.Rows(); ++r)
        out << g.Cell(r, g.ColumnIndex(key)).IconIndex();
    return out;
}

} // namespace

class tst_listfile : public QObject {
    Q_OBJECT

    QTemporaryDir m_fixtures;
    QString m_wav, m_mp3, m_ogg, m_odd, m_notAudio, m_plainMp3;
    std::unique_ptr<testsupport::TestEnv> m_env;
    std::unique_ptr<components::cAudioConverter> m_conv;
    ItemsListHolder m_holder;

    static bool ffmpeg(const QStringList& args) { return testsupport::runFfmpeg(args); }
    static double ffprobeSeconds(const QString& file) { return testsupport::ffprobeSeconds(file); }
    static QStringList sine(double seconds) { return testsupport::sineInput(seconds); }

    QString listPath(const QString& name = "List") { return m_env->path("lists") + "/" + name + ".flst"; }

    cGrid* newGrid() {
        auto* g = new cGrid;
        InitGridColumns(*g, nullptr);
        m_grids.emplace_back(g);
        return g;
    }
    std::vector<std::unique_ptr<cGrid>> m_grids;

    qint32 load(cGrid& g, const QString& path) {
        return LoadItemsListToGrid(g, path, *m_conv, m_holder, nullptr);
    }

private slots:
    void initTestCase() {
        QVERIFY(m_fixtures.isValid());
        const QString d = m_fixtures.path();
        m_wav = d + "/tone.wav";
        m_mp3 = d + "/tagged.mp3";
        m_ogg = d + "/tagged.ogg";
        QVERIFY(ffmpeg(sine(3) + QStringList{"-ar", "44100", m_wav}));
        QVERIFY(ffmpeg(sine(5) + QStringList{"-metadata", "title=Mp3 Title", "-metadata", "artist=Mp3 Artist",
                                             "-metadata", "album=Mp3 Album", "-metadata", "date=2001",
                                             "-metadata", "track=7", "-metadata", "genre=Rock", "-metadata",
                                             "comment=Tone", "-c:a", "libmp3lame", "-id3v2_version", "3",
                                             m_mp3}));
        m_plainMp3 = d + "/plain.mp3";
        QVERIFY(ffmpeg(sine(3) + QStringList{"-c:a", "libmp3lame", "-id3v2_version", "0", "-write_id3v1", "0",
                                             m_plainMp3}));
        QVERIFY(ffmpeg(sine(2) + QStringList{"-metadata", "title=Ogg <Title> & more", "-metadata",
                                             "artist=Ogg Artist", "-metadata", "tracknumber=2", "-c:a",
                                             "libvorbis", m_ogg}));
        // A path that holds a closing field tag: folder "a<", file "COL_FILE>b.wav".
        QVERIFY(QDir(d).mkpath("a<"));
        m_odd = d + "/a</COL_FILE>b.wav";
        QVERIFY(QFile::copy(m_wav, m_odd));
        m_notAudio = d + "/not audio.mp3";
        writeAll(m_notAudio, "this is no audio at all\n");
    }

    void init() {
        m_env = std::make_unique<testsupport::TestEnv>(false);
        QVERIFY(QDir().mkpath(m_env->path("lists")));
        m_conv = std::make_unique<components::cAudioConverter>();
        m_holder = ItemsListHolder();
        settings::g_bCopyID3FromSource = false;
        settings::g_bSelectTheLastItem = false;
    }
    void cleanup() {
        m_grids.clear();
        m_conv.reset();
        m_env.reset();
    }

    // An MP3 whose ID3v2 year frame is malformed (its size runs past the tag,
    // hiding the artist frame after it) and whose ID3v1 tag holds the artist:
    // the list takes each field the ID3v2 tag lacks from the ID3v1 tag.
    void mp3TagsFallBackToId3v1PerField() {
        settings::g_bCopyID3FromSource = true;
        auto frame = [](const char* id, const QByteArray& body, quint32 size) {
            return QByteArray(id) + char(size >> 24) + char(size >> 16) + char(size >> 8) + char(size) +
                   QByteArray(2, '\0') + body;
        };
        const QByteArray frames = frame("TIT2", QByteArray("\0V2 Title", 9), 9) +
                                  frame("TYER",
                                        QByteArray("\0"
                                                   "2001",
                                                   5),
                                        4000) +
                                  frame("TPE1", QByteArray("\0V2 Artist", 10), 10);
        const quint32 n = quint32(frames.size());
        const QByteArray tag = QByteArray("ID3\x03\0\0", 6) + char((n >> 21) & 0x7f) +
                               char((n >> 14) & 0x7f) + char((n >> 7) & 0x7f) + char(n & 0x7f) + frames;
        auto field = [](const QByteArray& s, int width) { return s + QByteArray(width - s.size(), '\0'); };
        const QByteArray v1 = "TAG" + field("V1 Title", 30) + field("V1 Artist", 30) + field("V1 Album", 30) +
                              "1999" + field("", 28) + '\0' + char(4) + char(8);
        const QString mp3 = m_fixtures.path() + "/broken year.mp3";
        writeAll(mp3, tag + testsupport::fileBytes(m_plainMp3) + v1);
        const QString path = listPath();
        writeAll(path, (oldRecord("1", "Audio", "Broken", mp3) + "\r\n").toUtf8());

        cGrid& g = *newGrid();
        QCOMPARE(load(g, path), 1);
        QCOMPARE(column(g, COL_TAG_TITLE), QStringList{"V2 Title"});
        QCOMPARE(column(g, COL_TAG_ARTIST), QStringList{"V1 Artist"});
        QCOMPARE(column(g, COL_TAG_ALBUM), QStringList{"V1 Album"});
        QCOMPARE(column(g, COL_TAG_YEAR), QStringList{"1999"});
        QCOMPARE(column(g, COL_TAG_TRACK), QStringList{"4"});
        QCOMPARE(column(g, COL_TAG_GEN), QStringList{"Jazz"});
        // mutagen, which fills what ID3v2 lacks from ID3v1 too, reads the same artist.
        QProcess py;
        py.start("/usr/bin/python3", {"-c",
                                      "import sys; from mutagen.id3 import ID3; t = ID3(sys.argv[1]); "
                                      "print(t['TIT2'].text[0] + '|' + t['TPE1'].text[0])",
                                      mp3});
        QVERIFY(py.waitForFinished(60000) && py.exitCode() == 0);
        QCOMPARE(QString::fromUtf8(py.readAllStandardOutput()).trimmed(),
                 QStringLiteral("V2 Title|V1 Artist"));
        // The length still comes from the audio between the tags.
        const QTime t = QTime::fromString(g.Cell(1, g.ColumnIndex(COL_TIME)).Text(), "HH:mm:ss");
        QVERIFY(std::fabs(t.msecsSinceStartOfDay() / 1000.0 - ffprobeSeconds(m_plainMp3)) <= 1.0);
    }

    void probedCellsMatchTheSourceFiles() {
        settings::g_bCopyID3FromSource = true;
        const QString path = listPath();
        writeAll(path, (oldRecord("1", "Audio", "Wave", m_wav) +
                        oldRecord("0", "Audio", "Mp3", m_mp3, "0", "65", "30") +
                        oldRecord("1", "Audio", "Ogg", m_ogg) + "\r\n")
                           .toUtf8());
        cGrid& g = *newGrid();
        QList<QPair<int, int>> progress;
        const qint32 rows =
            LoadItemsListToGrid(g, path, *m_conv, m_holder, nullptr, [&](qint32 v, qint32 max) {
                progress.append({v, max});
            });
        QCOMPARE(rows, 3);
        QCOMPARE(progress.first(), qMakePair(0, 3));
        QCOMPARE(progress.last(), qMakePair(3, 3));

        const QStringList files{m_wav, m_mp3, m_ogg};
        for (int r = 1; r <= 3; ++r) {
            const QString f = files[r - 1];
            const qint64 bytes = QFileInfo(f).size();
            QCOMPARE(g.Cell(r, g.ColumnIndex(COL_BYTES_SIZE)).Text(), QString::number(bytes));
            QCOMPARE(g.Cell(r, g.ColumnIndex(COL_SIZE)).Text(), core::FormatFileSize(bytes));
            QCOMPARE(g.Cell(r, g.ColumnIndex(COL_FILE)).Text(), f);
            QVERIFY(!g.Cell(r, g.ColumnIndex(COL_CREATED)).Text().isEmpty());
            // The length to the second, against a prober we did not write.
            const QTime t = QTime::fromString(g.Cell(r, g.ColumnIndex(COL_TIME)).Text(), "HH:mm:ss");
            QVERIFY(t.isValid());
            const double expected = ffprobeSeconds(f);
            QVERIFY2(std::fabs(t.msecsSinceStartOfDay() / 1000.0 - expected) <= 1.0,
                     qPrintable(QString("%1: %2 vs %3").arg(f).arg(t.toString()).arg(expected)));
        }
        QCOMPARE(icons(g, COL_INC), QList<int>({1, 0, 1}));
        QCOMPARE(icons(g, COL_TYPE), QList<int>({3, 3, 3}));
        QCOMPARE(column(g, COL_RANGE), QStringList({"All", "00:01:05 - 00:01:35", "All"}));
        // Tags from the files themselves.
        QCOMPARE(column(g, COL_TAG_TITLE), QStringList({"", "Mp3 Title", "Ogg <Title> & more"}));
        QCOMPARE(column(g, COL_TAG_ARTIST), QStringList({"", "Mp3 Artist", "Ogg Artist"}));
        QCOMPARE(g.Cell(2, g.ColumnIndex(COL_TAG_ALBUM)).Text(), QString("Mp3 Album"));
        QCOMPARE(g.Cell(2, g.ColumnIndex(COL_TAG_YEAR)).Text(), QString("2001"));
        QCOMPARE(g.Cell(2, g.ColumnIndex(COL_TAG_TRACK)).Text(), QString("7"));
        QCOMPARE(g.Cell(2, g.ColumnIndex(COL_TAG_GEN)).Text(), QString("Rock"));
        QCOMPARE(g.Cell(2, g.ColumnIndex(COL_TAG_COMMENT)).Text(), QString("Tone"));
        QCOMPARE(g.SelectedRow(), 1);
        QVERIFY(g.Redraw());
    }

    void saveAndReadBackGivesTheSameRows() {
        const QString path = listPath();
        cGrid& g = *newGrid();
        const QStringList files{m_wav, m_mp3, m_ogg, m_odd};
        for (int i = 0; i < files.size(); ++i) {
            ItemRow r;
            r.incIcon = i % 2;
            r.itemName = QString("Item %1").arg(i);
            r.file = files[i];
            r.setRange(i == 1 ? "0" : "1", "1", "2");
            r.album = "Album & Co";
            r.artist = "Ärtist – ünïcode";
            r.comment = "line one\r\nline two";
            r.genre = "Pop";
            r.year = "1999";
            r.title = QString("Title %1").arg(i);
            r.track = QString::number(i + 1);
            WriteItemRow(g, i + 1, r);
        }
        g.Cell(3, g.ColumnIndex(COL_TYPE)).setIconIndex(ICON_DATA); // written back as "Audio"
        QVERIFY(SaveGridToFile(g, path));
        const QByteArray first = readAll(path);
        QVERIFY(first.endsWith("</ITEM>\r\n"));
        QCOMPARE(first.count("<ITEM>"), 4);
        QVERIFY(!first.contains("<Type>Data</Type>"));

        cGrid& back = *newGrid();
        QCOMPARE(load(back, path), 4);
        for (int r = 1; r <= 4; ++r) {
            ListRecord expected = RecordOfGridRow(g, r);
            QCOMPARE(RecordOfGridRow(back, r), expected);
        }
        QCOMPARE(icons(back, COL_TYPE), QList<int>({3, 3, 3, 3}));
        QCOMPARE(back.Cell(2, back.ColumnIndex(COL_RANGE)).Text(), QString("00:00:01 - 00:00:03"));
        // Saving what was read writes the same file again.
        QVERIFY(SaveGridToFile(back, path, &m_holder));
        QCOMPARE(readAll(path), first);
    }

    void emptyGridIsTwoBytesAndRootsAreNotWritten() {
        cGrid& g = *newGrid();
        QVERIFY(SaveGridToFile(g, listPath()));
        QCOMPARE(readAll(listPath()), QByteArray("\r\n"));
        QVERIFY(!SaveGridToFile(g, "##MAINITEMS" + m_env->path("lists") + "/"));
        QVERIFY(!SaveGridToFile(g, "##CDE: Virtual drive"));
        QVERIFY(!QFile::exists("##CDE: Virtual drive"));
    }

    void readerCases_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QList<int>>("marks");
        QTest::addColumn<QList<int>>("types");
        QTest::addColumn<QStringList>("ranges");
        QTest::addColumn<QStringList>("rangeAll");

        const QString a = oldRecord("1", "Audio", "A", "%WAV%");
        const QString b = oldRecord("0", "Audio", "B", "%OGG%");
        QTest::newRow("one line, final CR LF")
            << a + b + "\r\n"
            << QStringList{"A", "B"} << QList<int>{1, 0} << QList<int>{3, 3} << QStringList{"All", "All"}
            << QStringList{"1", "1"};
        QTest::newRow("no final line break")
            << a + b << QStringList{"A", "B"} << QList<int>{1, 0} << QList<int>{3, 3}
            << QStringList{"All", "All"} << QStringList{"1", "1"};
        QTest::newRow("missing file drops its record")
            << a + oldRecord("1", "Audio", "Gone", "/no/such/file.wav") + b << QStringList{"A", "B"}
            << QList<int>{1, 0} << QList<int>{3, 3} << QStringList{"All", "All"} << QStringList{"1", "1"};
        QTest::newRow("ranged") << oldRecord("1", "Audio", "R", "%WAV%", "0", "65", "30") << QStringList{"R"}
                                << QList<int>{1} << QList<int>{3} << QStringList{"00:01:05 - 00:01:35"}
                                << QStringList{"0"};
        QTest::newRow("empty range flag is whole")
            << oldRecord("1", "Audio", "W", "%WAV%", "", "65", "30") << QStringList{"W"} << QList<int>{1}
            << QList<int>{3} << QStringList{"All"} << QStringList{"1"};
        QTest::newRow("data type") << oldRecord("1", "Data", "D", "%WAV%") << QStringList{"D"}
                                   << QList<int>{1} << QList<int>{4} << QStringList{"All"}
                                   << QStringList{"1"};
        QString lower = oldRecord("1", "Audio", "L", "%WAV%");
        lower.replace("<Inc>1</Inc>", "<inc>1</inc>");
        QTest::newRow("field names are case-sensitive")
            << lower << QStringList{"L"} << QList<int>{0} << QList<int>{3} << QStringList{"All"}
            << QStringList{"1"};
        QTest::newRow("mark that is no number")
            << oldRecord("x", "audio", "N", "%WAV%") << QStringList{"N"} << QList<int>{0} << QList<int>{0}
            << QStringList{"All"} << QStringList{"1"};
        QTest::newRow("mark beyond any icon")
            << oldRecord("4294967297", "Audio", "M", "%WAV%") << QStringList{"M"} << QList<int>{0}
            << QList<int>{3} << QStringList{"All"} << QStringList{"1"};
        QTest::newRow("LF line ends between records")
            << a + "\n" + b + "\n"
            << QStringList{"A", "B"} << QList<int>{1, 0} << QList<int>{3, 3} << QStringList{"All", "All"}
            << QStringList{"1", "1"};
    }
    void readerCases() {
        QFETCH(QString, text);
        QFETCH(QStringList, names);
        QFETCH(QList<int>, marks);
        QFETCH(QList<int>, types);
        QFETCH(QStringList, ranges);
        QFETCH(QStringList, rangeAll);
        text.replace("%WAV%", m_wav).replace("%OGG%", m_ogg);
        writeAll(listPath(), text.toUtf8());
        cGrid& g = *newGrid();
        QCOMPARE(load(g, listPath()), names.size());
        QCOMPARE(column(g, COL_ITEM_NAME), names);
        QCOMPARE(icons(g, COL_INC), marks);
        QCOMPARE(icons(g, COL_TYPE), types);
        QCOMPARE(column(g, COL_RANGE), ranges);
        QCOMPARE(column(g, COL_RANGE_ALL), rangeAll);
        if (rangeAll == QStringList{"1"}) QCOMPARE(column(g, COL_RANGE_START_TIME), QStringList{""});
    }

    void selectsTheLastItemWhenAsked() {
        writeAll(listPath(),
                 (oldRecord("1", "Audio", "A", m_wav) + oldRecord("1", "Audio", "B", m_ogg)).toUtf8());
        settings::g_bSelectTheLastItem = true;
        cGrid& g = *newGrid();
        QCOMPARE(load(g, listPath()), 2);
        QCOMPARE(g.SelectedRow(), 2);
    }

    void emptyListLeavesDrawingOff() {
        writeAll(listPath(), "\r\n");
        cGrid& g = *newGrid();
        g.CellDetails(1, 1, "old row");
        QCOMPARE(load(g, listPath()), 0);
        QCOMPARE(g.Rows(), 0);
        QVERIFY(!g.Redraw()); // the grid asks for drawing when it is shown
    }

    void awkwardValuesSurviveAFile() {
        cGrid& g = *newGrid();
        ItemRow r;
        r.incIcon = 1;
        r.itemName = "a</COL_FILE>b";
        r.file = m_odd;
        r.title = "<ITEM>";
        r.track = "3";
        r.comment = "x &amp; y & z </COL_TAG_COMMENT>";
        r.setRange("1", "", "");
        WriteItemRow(g, 1, r);
        WriteItemRow(g, 2, simpleRow("next", m_wav, "ok"));
        QVERIFY(SaveGridToFile(g, listPath()));
        QCOMPARE(readAll(listPath()).count("<ITEM>"), 2);

        cGrid& back = *newGrid();
        QCOMPARE(load(back, listPath()), 2);
        QCOMPARE(RecordOfGridRow(back, 1), RecordOfGridRow(g, 1));
        QCOMPARE(back.Cell(1, back.ColumnIndex(COL_TAG_TITLE)).Text(), QString("<ITEM>"));
        QCOMPARE(back.Cell(1, back.ColumnIndex(COL_TAG_TRACK)).Text(), QString("3"));
        QCOMPARE(back.Cell(1, back.ColumnIndex(COL_FILE)).Text(), m_odd);
        QCOMPARE(back.Cell(2, back.ColumnIndex(COL_TAG_TITLE)).Text(), QString("ok"));
    }

    void unescapedFilesReadAsBefore() {
        // What the writer without escapes made: "&" as it stands, and values
        // holding tags that cut or split their record.
        const QString text = oldRecord("1", "Audio", "Rock & Roll", m_wav, "1", "", "", "AT&T", "1") +
                             oldRecord("1", "Audio", "Cut", m_wav, "1", "", "", "a</COL_TAG_TITLE>b", "2") +
                             oldRecord("1", "Audio", "Split", m_wav, "1", "", "", "x<ITEM>y", "3");
        writeAll(listPath(), text.toUtf8());
        cGrid& g = *newGrid();
        QCOMPARE(load(g, listPath()), 3);
        QCOMPARE(column(g, COL_ITEM_NAME), QStringList({"Rock & Roll", "Cut", "Split"}));
        QCOMPARE(column(g, COL_TAG_TITLE), QStringList({"AT&T", "a", ""}));
        QCOMPARE(column(g, COL_TAG_TRACK), QStringList({"1", "2", ""}));
        QCOMPARE(m_holder.KeptCount(), 0); // the split-off remainder names no file
    }

    void recordsOfAbsentFilesAreKeptAndWrittenBack() {
        const QString gone = m_fixtures.path() + "/unmounted/disk/song.mp3";
        const QString kept1 = oldRecord("1", "Audio", "Gone", gone, "0", "5", "10", "Away & back");
        const QString kept2 = oldRecord("0", "Audio", "Broken", m_notAudio);
        const QString text = oldRecord("0", "Audio", "First", m_wav) + kept1 +
                             oldRecord("1", "Audio", "Third", m_ogg) + kept2 + "\r\n";
        writeAll(listPath(), text.toUtf8());
        cGrid& g = *newGrid();
        QCOMPARE(load(g, listPath()), 2);
        QCOMPARE(column(g, COL_ITEM_NAME), QStringList({"First", "Third"}));
        QCOMPARE(m_holder.KeptCount(), 2);
        QCOMPARE(GetMarkedCount(g), 1);

        // A change (marking the first row) keeps the absent records at their places.
        g.Cell(1, g.ColumnIndex(COL_INC)).setIconIndex(1);
        QVERIFY(SaveGridToFile(g, listPath(), &m_holder));
        QString expected = text;
        expected.replace("<Inc>0</Inc><Type>Audio</Type><Item Name>First",
                         "<Inc>1</Inc><Type>Audio</Type><Item Name>First");
        QCOMPARE(QString::fromUtf8(readAll(listPath())), expected);

        // Another list's holder does not leak into this one.
        ItemsListHolder other;
        other.Reset(listPath("Other"));
        other.Keep(0, kept1);
        QVERIFY(SaveGridToFile(g, listPath(), &other));
        QCOMPARE(readAll(listPath()).count("<ITEM>"), 2);
        QVERIFY(SaveGridToFile(g, listPath(), &m_holder));

        // Added rows go after; the file comes back complete when the disk returns.
        WriteItemRow(g, 3, simpleRow("Added", m_mp3));
        QVERIFY(SaveGridToFile(g, listPath(), &m_holder));
        QCOMPARE(readAll(listPath()).count("<ITEM>"), 5);
        QVERIFY(QDir().mkpath(QFileInfo(gone).path()));
        QVERIFY(QFile::copy(m_mp3, gone));
        cGrid& again = *newGrid();
        QCOMPARE(load(again, listPath()), 4);
        QCOMPARE(column(again, COL_ITEM_NAME), QStringList({"First", "Gone", "Third", "Added"}));
        QCOMPARE(again.Cell(2, again.ColumnIndex(COL_RANGE)).Text(), QString("00:00:05 - 00:00:15"));
        QCOMPARE(m_holder.KeptCount(), 1);
        QVERIFY(QFile::remove(gone));

        // Removing a shown item keeps the hidden one; clearing the list drops it.
        again.RemoveRow(4);
        QVERIFY(SaveGridToFile(again, listPath(), &m_holder));
        QCOMPARE(readAll(listPath()).count("<ITEM>"), 4);
        QVERIFY(readAll(listPath()).contains("Broken"));
        again.Clear();
        m_holder.DropKeptRecords();
        QVERIFY(SaveGridToFile(again, listPath(), &m_holder));
        QCOMPARE(readAll(listPath()), QByteArray("\r\n"));
    }

    // A long list is read a piece (a megabyte) at a time: a record that
    // begins across the end of a piece is found like any other.
    void recordsAcrossTheReadersPieces_data() {
        QTest::addColumn<int>("before");
        for (int k : {0, 1, 3, 5, 6, 7})
            QTest::addRow("<ITEM> %d bytes before the end of the piece", k) << k;
    }
    void recordsAcrossTheReadersPieces() {
        QFETCH(int, before);
        const QString gone = m_fixtures.path() + "/unmounted/song.mp3";
        const QString empty = oldRecord("1", "Audio", "", gone);
        const QString first = oldRecord(
            "1", "Audio", QString((1 << 20) - before - empty.toUtf8().size(), QLatin1Char('n')), gone);
        QCOMPARE(first.toUtf8().size(), (1 << 20) - before);
        const QString second = oldRecord("0", "Audio", "Second", gone + "2");
        const QString text = first + second + oldRecord("1", "Audio", "Shown", m_wav) + "\r\n";
        writeAll(listPath(), text.toUtf8());
        cGrid& g = *newGrid();
        QCOMPARE(load(g, listPath()), 1);
        QCOMPARE(column(g, COL_ITEM_NAME), QStringList({"Shown"}));
        QCOMPARE(m_holder.KeptCount(), 2);
        QCOMPARE(m_holder.KeptRecords()[0].text, first);
        QCOMPARE(m_holder.KeptRecords()[1].text, second);
        QVERIFY(SaveGridToFile(g, listPath(), &m_holder));
        QCOMPARE(QString::fromUtf8(readAll(listPath())), text);
    }

    void damagedFilesNeverCrash_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("minRows");
        QTest::addColumn<int>("maxRows");
        const QByteArray good =
            (oldRecord("1", "Audio", "A", "%WAV%") + oldRecord("1", "Audio", "B", "%OGG%")).toUtf8();
        QTest::newRow("empty") << QByteArray() << 0 << 0;
        QTest::newRow("line break only") << QByteArray("\r\n") << 0 << 0;
        QTest::newRow("cut inside the second record") << good.left(good.size() - 200) << 1 << 2;
        QTest::newRow("cut inside the first file name") << good.left(good.indexOf("%WAV%") + 3) << 0 << 0;
        QTest::newRow("only an opening tag") << QByteArray("<ITEM>") << 0 << 0;
        QByteArray noise(4096, '\0');
        QRandomGenerator rng(1234);
        for (char& c : noise)
            c = char(rng.bounded(256));
        QTest::newRow("binary") << noise << 0 << 0;
        QTest::newRow("binary around records") << noise.left(100) + good + noise.left(57) << 1 << 2;
        QTest::newRow("Windows-1252 name")
            << QByteArray("<ITEM><Item Name>Caf\xe9</Item Name><COL_FILE>%WAV%</COL_FILE></ITEM>") << 1 << 1;
    }
    void damagedFilesNeverCrash() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, minRows);
        QFETCH(int, maxRows);
        bytes.replace("%WAV%", m_wav.toUtf8()).replace("%OGG%", m_ogg.toUtf8());
        writeAll(listPath(), bytes);
        cGrid& g = *newGrid();
        const qint32 rows = load(g, listPath());
        QVERIFY2(rows >= minRows && rows <= maxRows, qPrintable(QString::number(rows)));
        QCOMPARE(readAll(listPath()), bytes); // reading changes nothing
        if (QTest::currentDataTag() == QByteArray("Windows-1252 name"))
            QCOMPARE(g.Cell(1, g.ColumnIndex(COL_ITEM_NAME)).Text(), QString::fromUtf8("Café"));
    }

    void everyTruncationLoadsWhatItCan() {
        const QByteArray good =
            (oldRecord("1", "Audio", "A", m_wav) + oldRecord("1", "Audio", "B", m_ogg) + "\r\n").toUtf8();
        for (qsizetype cut = 0; cut <= good.size(); cut += 13) {
            writeAll(listPath(), good.left(cut));
            cGrid& g = *newGrid();
            const qint32 rows = load(g, listPath());
            QVERIFY(rows >= 0 && rows <= 2);
            m_grids.clear();
        }
    }

    // More records than the readers run ahead of the grid: slots are reused
    // and the readers wait for the grid, and every record comes back in its
    // place.
    void aListLongerThanTheReadersRun() {
        const QString gone = m_fixtures.path() + "/unmounted/";
        QString text;
        const int count = ListLoader::kAhead * 2 + 77;
        for (int i = 0; i < count; ++i)
            text += oldRecord(i % 2 ? "1" : "0", "Audio", QString("Item %1").arg(i),
                              gone + QString("%1.mp3").arg(i));
        text += "\r\n";
        writeAll(listPath(), text.toUtf8());
        cGrid& g = *newGrid();
        QCOMPARE(load(g, listPath()), 0);
        QCOMPARE(m_holder.KeptCount(), count);
        QVERIFY(!m_holder.Unreadable());
        QVERIFY(SaveGridToFile(g, listPath(), &m_holder));
        QCOMPARE(QString::fromUtf8(readAll(listPath())), text);
    }

    // A list file that is there but cannot be read shows empty, and is not
    // written over by the next change (that would lose every item in it).
    void unreadableListIsNotWrittenOver() {
        const QString unreadable = "/proc/self/mem"; // a file whose first bytes cannot be read
        QVERIFY(QFileInfo(unreadable).isFile());
        cGrid& g = *newGrid();
        QCOMPARE(load(g, unreadable), 0);
        QVERIFY(m_holder.Unreadable());
        WriteItemRow(g, 1, simpleRow("Added", m_mp3));
        QString reason;
        QVERIFY(!SaveGridToFile(g, unreadable, &m_holder, &reason));
        QVERIFY2(reason.contains("could not be read"), qPrintable(reason));
        // Opening a readable list starts afresh.
        writeAll(listPath(), QByteArray("\r\n"));
        QCOMPARE(load(g, listPath()), 0);
        QVERIFY(!m_holder.Unreadable());
        WriteItemRow(g, 1, simpleRow("Added", m_mp3));
        QVERIFY(SaveGridToFile(g, listPath(), &m_holder));
    }

    void missingListReadsEmpty() {
        cGrid& g = *newGrid();
        QCOMPARE(load(g, listPath("Nothing")), 0);
        QVERIFY(!QFile::exists(listPath("Nothing")));
    }

    void sizesBeyondFourGigabytes() {
        // A WAV of 3 GiB whose samples are a hole in the file (sparse).
        const QString big = m_env->path("big") + "/big.wav";
        QVERIFY(QDir().mkpath(m_env->path("big")));
        const qint64 total = qint64(3) << 30;
        QByteArray header;
        QDataStream ds(&header, QIODevice::WriteOnly);
        ds.setByteOrder(QDataStream::LittleEndian);
        ds.writeRawData("RIFF", 4);
        ds << quint32(total - 8);
        ds.writeRawData("WAVEfmt ", 8);
        ds << quint32(16) << quint16(1) << quint16(2) << quint32(44100) << quint32(176400) << quint16(4)
           << quint16(16);
        ds.writeRawData("data", 4);
        ds << quint32(total - 44);
        {
            QFile f(big);
            QVERIFY(f.open(QIODevice::WriteOnly));
            QCOMPARE(f.write(header), qint64(44));
            if (!f.resize(total)) QSKIP("no room for a sparse 3 GiB file here");
        }
        const QString text = oldRecord("1", "Audio", "Big", big) + oldRecord("1", "Audio", "Big again", big) +
                             oldRecord("0", "Audio", "Small", m_wav);
        writeAll(listPath(), text.toUtf8());
        cGrid& g = *newGrid();
        QCOMPARE(load(g, listPath()), 3);
        QCOMPARE(g.Cell(1, g.ColumnIndex(COL_BYTES_SIZE)).Text(), QString("3221225472"));
        QCOMPARE(g.Cell(1, g.ColumnIndex(COL_SIZE)).Text(), core::FormatFileSize(total));
        QVERIFY(g.Cell(1, g.ColumnIndex(COL_SIZE)).Text().startsWith("3.00 GB"));
        QCOMPARE(TotalBytes(g, true), 2 * total);
        QCOMPARE(GetTotalSize(g, true), QString("6.00 GB"));
        QCOMPARE(TotalBytes(g, false), 2 * total + QFileInfo(m_wav).size());
        QCOMPARE(GetTotalTime(g, true), QString::number(2 * std::lround((total - 44) / 176400.0)));
        QVERIFY(QFile::remove(big));
    }

    // Saving a grid writes what the plain writer makes of its rows' records,
    // byte for byte: marks (an icon number past the usual ones included),
    // escapes, line breaks, characters beyond the BMP, the edit mark, empty
    // cells and the records held back at the start, between rows and past the
    // end.
    void gridSaveMatchesThePlainWriter() {
        cGrid& g = *newGrid();
        const QString texts[] = {QString::fromUtf8("Caf\xc3\xa9 & <Friends>"),
                                 QString::fromUtf8("/m\xc3\xbcsik/\xf0\x9f\x8e\xb5.mp3"),
                                 "line one\r\nline two\nline three\rend",
                                 "&amp; stays &lt;",
                                 QString(),
                                 "plain"};
        for (int i = 0; i < 6; ++i) {
            ItemRow r;
            r.incIcon = i == 4 ? 23 : i % 2;
            r.itemName = texts[i];
            r.file = texts[(i + 1) % 6];
            r.setRange(i % 3 ? "1" : "0", QString::number(i), QString::number(2 * i));
            r.album = texts[(i + 2) % 6];
            r.artist = texts[(i + 3) % 6];
            r.comment = texts[(i + 4) % 6];
            r.genre = texts[(i + 5) % 6];
            r.year = i == 2 ? QString() : QString::number(1990 + i);
            r.title = texts[i % 6];
            r.track = QString::number(i + 1);
            r.tagsEdited = i % 2 == 0;
            WriteItemRow(g, i + 1, r);
        }
        QList<ListRecord> rows;
        for (int r = 1; r <= g.Rows(); ++r)
            rows << RecordOfGridRow(g, r);
        const QString path = listPath();
        const QString plainPath = m_env->path("plain.flst");
        for (bool keep : {false, true}) {
            ItemsListHolder holder;
            holder.Reset(path);
            if (keep) {
                holder.Keep(0, oldRecord("1", "Audio", "Away", "/gone.wav"));
                holder.Keep(3,
                            QString::fromUtf8("<ITEM><Inc>1</Inc><Item Name>\xc3\x9f\nx</Item Name></ITEM>"));
                holder.Keep(3, oldRecord("0", "Audio", "Second", "/second.wav"));
                holder.Keep(40, oldRecord("0", "Data", "Last", "/last.wav"));
            }
            QVERIFY(SaveGridToFile(g, path, &holder));
            QVERIFY(WriteListFile(plainPath, ComposeListText(rows, holder.KeptRecords())));
            const QByteArray plain = readAll(plainPath);
            QCOMPARE(plain.count("<ITEM>"), keep ? 10 : 6);
            QCOMPARE(readAll(path), plain);
        }
    }
};

QTEST_MAIN(tst_listfile)
#include "tst_listfile.moc"
