// Items-list files without a grid: the escaping of values, reading one
// field of a record, the quick writer against the plain one, and what a
// killed save left beside the list.
#include "ListFixtures.h"
#include "OutputFolders.h"
#include "TestEnv.h"
#include "itemlists/ItemsListFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace itemlists;
using testsupport::FilesIn;
using testsupport::ModeOf;
using testsupport::oldRecord;
using testsupport::Touch;

namespace {

const auto readAll = testsupport::fileBytes;

} // namespace

class tst_itemslistfile : public QObject {
    Q_OBJECT

    std::unique_ptr<testsupport::TestEnv> m_env;

private slots:
    void init() { m_env = std::make_unique<testsupport::TestEnv>(false); }
    void cleanup() { m_env.reset(); }

    void escaping_data() {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("encoded");
        QTest::newRow("plain") << "Intro"
                               << "Intro";
        QTest::newRow("record tag") << "<ITEM>"
                                    << "&lt;ITEM>";
        QTest::newRow("closing field tag") << "a</COL_FILE>b"
                                           << "a&lt;/COL_FILE>b";
        QTest::newRow("ampersand") << "Rock & Roll"
                                   << "Rock &amp; Roll";
        QTest::newRow("looks escaped already") << "&lt;&amp;"
                                               << "&amp;lt;&amp;amp;";
        QTest::newRow("greater-than stays") << "a > b"
                                            << "a > b";
    }
    void escaping() {
        QFETCH(QString, value);
        QFETCH(QString, encoded);
        QCOMPARE(EncodeListValue(value), encoded);
        QCOMPARE(DecodeListValue(encoded), value);
        ListRecord r;
        r.title = value;
        r.itemName = value;
        QCOMPARE(ParseRecord(SerializeRecord(r)), r);
    }

    void getTagValue_data() {
        QTest::addColumn<QString>("record");
        QTest::addColumn<QString>("value");
        QTest::newRow("found") << "<ITEM><K>v</K></ITEM>"
                               << "v";
        QTest::newRow("first of two") << "<K>one</K><K>two</K>"
                                      << "one";
        QTest::newRow("no closing tag") << "<K>v"
                                        << "";
        QTest::newRow("closing before opening") << "</K><K>v"
                                                << "";
        QTest::newRow("no opening tag") << "v</K>"
                                        << "";
        QTest::newRow("other case") << "<k>v</k>"
                                    << "";
        QTest::newRow("unknown entity stays") << "<K>AT&T &gt;</K>"
                                              << "AT&T &gt;";
    }
    void getTagValue() {
        QFETCH(QString, record);
        QFETCH(QString, value);
        QCOMPARE(GetTagValue("K", record), value);
    }

    // The quick writer used for saving gives the very bytes of the plain one:
    // escapes, line breaks in comments, characters beyond the BMP, the edit
    // mark and the records held back.
    void quickWriterMatchesThePlainOne() {
        QList<ListRecord> rows;
        ListRecord a;
        a.inc = "1";
        a.itemName = QString::fromUtf8("Caf\xc3\xa9 & <Friends>");
        a.file = QString::fromUtf8("/m\xc3\xbcsik/\xf0\x9f\x8e\xb5.mp3");
        a.rangeAll = "1";
        a.comment = "line one\r\nline two\nline three\rend";
        a.tagsEdited = true;
        rows << a;
        ListRecord b;
        b.inc = "0";
        b.itemName = "Plain";
        b.file = "/x/y.wav";
        b.rangeAll = "0";
        b.rangeStart = "65";
        b.rangeLength = "30";
        rows << b;
        const QList<KeptRecord> kept{
            {0, oldRecord("1", "Audio", "Away", "/gone.wav")},
            {1, QString::fromUtf8("<ITEM><Inc>1</Inc><Item Name>\xc3\x9f\nx</Item Name></ITEM>")},
            {9, oldRecord("0", "Data", "Last", "/last.wav")}};
        const QString path = m_env->path("quick.flst");
        for (const QList<KeptRecord>& k : {QList<KeptRecord>(), kept}) {
            QVERIFY(WriteListFile(path, ComposeListText(rows, k)));
            const QByteArray plain = readAll(path);
            QCOMPARE(ComposeListBytes(rows, k), plain);
            QVERIFY(WriteListBytes(path, ComposeListBytes(rows, k)));
            QCOMPARE(readAll(path), plain);
        }
        QCOMPARE(ComposeListBytes({}), QByteArray("\r\n"));
    }

    // A list save killed mid-write left its partial file beside the list;
    // the next save of any list in that folder removes it. The list itself
    // keeps its permissions.
    void killedListSaveIsSweptByTheNextSave() {
        QTemporaryDir dir;
        const QString list = dir.filePath("Main.flst");
        QVERIFY(itemlists::WriteListBytes(list, "old"));
        QVERIFY(QFile::setPermissions(list, QFile::ReadOwner | QFile::WriteOwner));
        Touch(dir.filePath(".Main.flst.part-Ab12Cd"));
        QString reason;
        QVERIFY2(itemlists::WriteListBytes(list, "new", &reason), qPrintable(reason));
        QCOMPARE(FilesIn(dir.path()), QStringList{"Main.flst"});
        QCOMPARE(ModeOf(list), mode_t(0600));
        QFile f(list);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("new"));
    }

    // A list kept as a link to a file in another folder (a synced one, say)
    // is saved into that file, and stays a link.
    void listKeptAsALinkIsSavedThroughIt() {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir("synced"));
        const QString target = dir.filePath("synced/Shared.flst");
        const QString list = dir.filePath("Shared.flst");
        QVERIFY(itemlists::WriteListBytes(target, "old"));
        QVERIFY(QFile::link(target, list));
        QString reason;
        QVERIFY2(itemlists::WriteListBytes(list, "new", &reason), qPrintable(reason));
        QVERIFY(QFileInfo(list).isSymLink());
        QCOMPARE(QFileInfo(list).symLinkTarget(), target);
        QFile f(target);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("new"));
        QCOMPARE(FilesIn(dir.filePath("synced")), QStringList{"Shared.flst"});
    }
};

QTEST_GUILESS_MAIN(tst_itemslistfile)
#include "tst_itemslistfile.moc"
