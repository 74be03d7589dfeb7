// The CDDB client against a scripted CDDBP server on 127.0.0.1: disc IDs,
// exact and inexact matches, no match, broken and silent servers, text
// decoding, and the rule of one closing event per lookup.
#include "DiscImages.h"
#include "FakeCddbServer.h"
#include "TestEnv.h"

#include "components/cFreeDB.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

#include <functional>
#include <memory>

using namespace components;

namespace {

QByteArray entry(const QByteArray& body) {
    return "210 rock 0e000903 CD database entry follows (until terminating `.')\r\n"
           "# xmcd\r\n#\r\n# Track frame offsets:\r\n#\t150\r\n" +
           body + ".\r\n";
}

const QByteArray kPlainEntry = entry("DISCID=0e000903\r\n"
                                     "DTITLE=The Band / First Album\r\n"
                                     "DYEAR=1999\r\n"
                                     "DGENRE=Rock\r\n"
                                     "TTITLE0=Opening\r\n"
                                     "TTITLE1=Middle\r\n"
                                     "TTITLE2=Closing\r\n"
                                     "EXTD=\r\nPLAYORDER=\r\n");

struct Events {
    QStringList log; // "artist:..", "album:..", "track:n:artist:title", "done", "error:code"
    int terminals = 0;
};

} // namespace

class tst_freedb : public QObject {
    Q_OBJECT

    std::unique_ptr<testsupport::TestEnv> m_env;
    std::unique_ptr<testsupport::FakeCddbServer> m_server;

    void attach(cFreeDB& db, Events& ev) {
        connect(&db, &cFreeDB::AlbumArtist, this, [&ev](const QString& a) { ev.log << "artist:" + a; });
        connect(&db, &cFreeDB::AlbumTitle, this, [&ev](const QString& a) { ev.log << "album:" + a; });
        connect(&db, &cFreeDB::TrackInfo, this, [&ev](const QString& a, qint32 n, const QString& t) {
            ev.log << QString("track:%1:%2:%3").arg(n).arg(a, t);
        });
        connect(&db, &cFreeDB::QueryDone, this, [&ev] {
            ev.log << "done";
            ++ev.terminals;
        });
        connect(&db, &cFreeDB::QueryError, this, [&ev](qint32 code, const QString&) {
            ev.log << QString("error:%1").arg(code);
            ++ev.terminals;
        });
    }

    // Looks up the disc of drive D: and waits for the closing event.
    Events lookup(qint32 timeOutMs = 5000) {
        cFreeDB db;
        db.setTimeOutMs(timeOutMs);
        Events ev;
        attach(db, ev);
        db.SelectDrive("D:");
        db.StartQuery();
        [&] { QCOMPARE(ev.terminals, 0); }(); // nothing from inside the start call
        [&] { QTRY_COMPARE_WITH_TIMEOUT(ev.terminals, 1, 10000); }();
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        [&] { QCOMPARE(ev.terminals, 1); }();
        return ev;
    }

private slots:
    void init() {
        m_env = std::make_unique<testsupport::TestEnv>(false);
        const QString drive = m_env->addVirtualDrive("cd");
        QVERIFY(!testsupport::writeAudioCueBin(drive, {3, 2, 4}).isEmpty());
        m_server = std::make_unique<testsupport::FakeCddbServer>();
        qputenv("CORVANE_CDDB_SERVER", "127.0.0.1:" + QByteArray::number(m_server->port()));
    }
    void cleanup() {
        m_server.reset();
        m_env.reset();
        qunsetenv("CORVANE_CDDB_SERVER");
    }

    void discId_data() {
        QTest::addColumn<QList<qint32>>("starts");
        QTest::addColumn<qint32>("leadout");
        QTest::addColumn<quint32>("id");
        QTest::addColumn<QString>("query");
        // One 4-minute track: offset 150 = 2 s (digit sum 2); lead-out 18150 / 75 = 242 s;
        // length 242 - 2 = 240 = 0xf0 -> 02 00f0 01.
        QTest::newRow("one track") << QList<qint32>{0} << 18000 << 0x0200f001u
                                   << "cddb query 0200f001 1 150 242";
        // 150 -> 2 s (2), 22650 -> 302 s (3+0+2 = 5): sum 7; lead-out 45150 / 75 = 602 s;
        // 602 - 2 = 600 = 0x258 -> 07 0258 02.
        QTest::newRow("two tracks") << QList<qint32>{0, 22500} << 45000 << 0x07025802u
                                    << "cddb query 07025802 2 150 22650 602";
        // 2 s (2), 202 s (4), 442 s (10), 672 s (15): sum 31 = 0x1f; lead-out 70150 / 75 = 935 s
        // (the fraction dropped); 935 - 2 = 933 = 0x3a5 -> 1f 03a5 04.
        QTest::newRow("four tracks") << QList<qint32>{0, 15000, 33000, 50250} << 70000 << 0x1f03a504u
                                     << "cddb query 1f03a504 4 150 15150 33150 50400 935";
        // The test disc (3, 2 and 4 s): 2 s (2), 5 s (5), 7 s (7): sum 14 = 0x0e;
        // lead-out 825 / 75 = 11 s; 11 - 2 = 9 -> 0e 0009 03.
        QTest::newRow("test disc") << QList<qint32>{0, 225, 375} << 675 << 0x0e000903u
                                   << "cddb query 0e000903 3 150 375 525 11";
        // A first track after a pregap: 32 + 150 = 182 -> 2 s (2); lead-out 7650 / 75 = 102 s;
        // 102 - 2 = 100 = 0x64 -> 02 0064 01.
        QTest::newRow("pregap") << QList<qint32>{32} << 7500 << 0x02006401u
                                << "cddb query 02006401 1 182 102";
    }
    void discId() {
        QFETCH(QList<qint32>, starts);
        QFETCH(qint32, leadout);
        QFETCH(quint32, id);
        QFETCH(QString, query);
        QCOMPARE(cFreeDB::DiscId(starts, leadout), id);
        QCOMPARE(cFreeDB::QueryCommand(starts, leadout), query);
    }

    void exactMatch() {
        m_server->onQuery = [](const QString&) {
            return QByteArray("200 rock 0e000903 The Band / First Album\r\n");
        };
        m_server->onRead = [](const QString&) { return kPlainEntry; };
        const Events ev = lookup();
        QCOMPARE(ev.log, QStringList({"artist:The Band", "album:First Album", "track:1:The Band:Opening",
                                      "track:2:The Band:Middle", "track:3:The Band:Closing", "done"}));
        // The exchange in its order, with the hello identity and the disc's own query.
        QTRY_VERIFY(m_server->commands.size() >= 4);
        QVERIFY(m_server->commands[0].startsWith("cddb hello clsCDDB "));
        QVERIFY(m_server->commands[0].endsWith(" clsCDDB v0.5"));
        QCOMPARE(m_server->commands[0].split(' ').size(), 6);
        QCOMPARE(m_server->commands[1], QString("proto 6"));
        QCOMPARE(m_server->commands[2], QString("cddb query 0e000903 3 150 375 525 11"));
        QCOMPARE(m_server->commands[3], QString("cddb read rock 0e000903"));
    }

    void yearGenreAndContinuations() {
        m_server->onQuery = [](const QString&) { return QByteArray("200 rock 0e000903 x\r\n"); };
        m_server->onRead = [](const QString&) {
            return entry("DTITLE=Various Artists / Long Name\r\nDTITLE= Continued\r\n"
                         "DYEAR=2001\r\nDGENRE=Pop\r\n"
                         "TTITLE0=Singer A / A very long ti\r\nTTITLE0=tle split in two\r\n"
                         "TTITLE1=Singer B / Line\\nBreak\r\n"
                         "TTITLE2=No Artist Here\r\n");
        };
        cFreeDB db;
        Events ev;
        attach(db, ev);
        db.SelectDrive("D:");
        db.StartQuery();
        QTRY_COMPARE_WITH_TIMEOUT(ev.terminals, 1, 10000);
        QCOMPARE(ev.log, QStringList({"artist:Various Artists", "album:Long Name Continued",
                                      "track:1:Singer A:A very long title split in two",
                                      "track:2:Singer B:Line\nBreak",
                                      "track:3:Various Artists:No Artist Here", "done"}));
        QCOMPARE(db.Year(), QString("2001"));
        QCOMPARE(db.Genre(), QString("Pop"));
    }

    void inexactAndMultipleMatches_data() {
        QTest::addColumn<QByteArray>("answer");
        QTest::newRow("211 inexact") << QByteArray(
            "211 Found inexact matches, list follows (until terminating `.')\r\n"
            "misc 0e000904 Someone / Near Miss\r\n"
            "rock 0e000905 Other / Further\r\n.\r\n");
        QTest::newRow("210 several exact") << QByteArray("210 Found exact matches, list follows\r\n"
                                                         "misc 0e000904 Someone / Near Miss\r\n"
                                                         "jazz 0e000903 Other / Same Id\r\n.\r\n");
    }
    void inexactAndMultipleMatches() {
        QFETCH(QByteArray, answer);
        m_server->onQuery = [answer](const QString&) { return answer; };
        m_server->onRead = [](const QString& cmd) {
            return cmd == "cddb read misc 0e000904" ? kPlainEntry : QByteArray("401 not found\r\n");
        };
        const Events ev = lookup();
        QCOMPARE(ev.log.last(), QString("done"));
        QCOMPARE(ev.log.first(), QString("artist:The Band"));
        QVERIFY(m_server->commands.contains("cddb read misc 0e000904"));
    }

    void failures_data() {
        QTest::addColumn<QByteArray>("queryAnswer");
        QTest::addColumn<QByteArray>("readAnswer");
        QTest::addColumn<bool>("closeAfterRead");
        QTest::addColumn<int>("code");
        const QByteArray match = "200 rock 0e000903 The Band / First Album\r\n";
        QTest::newRow("no match") << QByteArray("202 No match found\r\n") << QByteArray() << false
                                  << int(cFreeDB::ErrNoMatch);
        QTest::newRow("empty match list") << QByteArray("211 Found inexact matches\r\n.\r\n") << QByteArray()
                                          << false << int(cFreeDB::ErrNoMatch);
        QTest::newRow("entry gone") << match << QByteArray("401 Specified CDDB entry not found.\r\n") << false
                                    << int(cFreeDB::ErrNoMatch);
        QTest::newRow("closes mid-answer")
            << match << QByteArray("210 rock 0e000903 CD database entry follows\r\nDTITLE=The Ba") << true
            << int(cFreeDB::ErrConnection);
        QTest::newRow("closes before the end mark")
            << match << QByteArray("210 rock 0e000903 CD database entry follows\r\nDTITLE=A / B\r\n") << true
            << int(cFreeDB::ErrConnection);
        QTest::newRow("overlong line")
            << match << entry("DTITLE=" + QByteArray(300, 'x') + "\r\nTTITLE0=a\r\n") << false
            << int(cFreeDB::ErrProtocol);
        QTest::newRow("endless line without a line end")
            << match << QByteArray("210 rock 0e000903 entry\r\n") + QByteArray(5000, 'y') << false
            << int(cFreeDB::ErrProtocol);
        QTest::newRow("garbage instead of a code")
            << QByteArray("hello there\r\n") << QByteArray() << false << int(cFreeDB::ErrProtocol);
        QTest::newRow("malformed match")
            << QByteArray("200 rock\r\n") << QByteArray() << false << int(cFreeDB::ErrProtocol);
        QTest::newRow("server error")
            << QByteArray("409 No handshake\r\n") << QByteArray() << false << int(cFreeDB::ErrProtocol);
        QTest::newRow("line without =")
            << match << entry("DTITLE=A / B\r\njust words\r\n") << false << int(cFreeDB::ErrProtocol);
        QTest::newRow("track number out of range")
            << match << entry("DTITLE=A / B\r\nTTITLE4000000000=x\r\n") << false << int(cFreeDB::ErrProtocol);
        QTest::newRow("entry without titles")
            << match << entry("DISCID=0e000903\r\n") << false << int(cFreeDB::ErrProtocol);
    }
    void failures() {
        QFETCH(QByteArray, queryAnswer);
        QFETCH(QByteArray, readAnswer);
        QFETCH(bool, closeAfterRead);
        QFETCH(int, code);
        m_server->onQuery = [queryAnswer](const QString&) { return queryAnswer; };
        m_server->onRead = [readAnswer](const QString&) { return readAnswer; };
        m_server->closeAfterRead = closeAfterRead;
        const Events ev = lookup();
        QCOMPARE(ev.log.last(), QString("error:%1").arg(code));
        QVERIFY(!ev.log.contains("done"));
    }

    void silentServerTimesOut() {
        m_server->silent = true;
        // The GUI keeps turning while the server says nothing.
        int ticks = 0;
        QTimer tick;
        connect(&tick, &QTimer::timeout, this, [&] { ++ticks; });
        tick.start(10);
        const Events ev = lookup(300);
        QCOMPARE(ev.log, QStringList({"error:4"}));
        QVERIFY(ticks > 0);
    }

    void refusedAndUnreachable() {
        // A port nobody listens on.
        const quint16 port = testsupport::closedLocalPort();
        QVERIFY(port != 0);
        qputenv("CORVANE_CDDB_SERVER", "127.0.0.1:" + QByteArray::number(port));
        cFreeDB db;
        QSignalSpy checked(&db, &cFreeDB::ConnectionChecked);
        db.CheckConnection();
        QVERIFY(checked.isEmpty()); // never from inside the call
        QTRY_COMPARE_WITH_TIMEOUT(checked.size(), 1, 10000);
        QCOMPARE(checked.takeFirst().first().toBool(), false);
        QCOMPARE(lookup().log, QStringList({"error:1"}));

        // A server that answers its banner with a refusal.
        m_server->banner = "433 No connections allowed: system load too high\r\n";
        qputenv("CORVANE_CDDB_SERVER", "127.0.0.1:" + QByteArray::number(m_server->port()));
        db.CheckConnection();
        QTRY_COMPARE_WITH_TIMEOUT(checked.size(), 1, 10000);
        QCOMPARE(checked.takeFirst().first().toBool(), true);
        // A check stopped before it answered says nothing.
        db.CheckConnection();
        db.StopQuery();
        QCoreApplication::processEvents();
        QVERIFY(checked.isEmpty());
        QCOMPARE(lookup().log, QStringList({"error:1"}));
    }

    void noDiscInDrive() {
        cFreeDB db;
        Events ev;
        attach(db, ev);
        db.SelectDrive("Q:");
        db.StartQuery();
        QCOMPARE(ev.terminals, 0);
        QTRY_COMPARE(ev.terminals, 1);
        QCOMPARE(ev.log, QStringList({"error:5"}));
        QVERIFY(m_server->commands.isEmpty());
    }

    void textDecoding_data() {
        QTest::addColumn<QByteArray>("title");
        QTest::addColumn<QString>("expected");
        QTest::newRow("UTF-8") << QByteArray("Caf\xc3\xa9 \xe6\x97\xa5\xe6\x9c\xac \xd0\x9c\xd0\xb8\xd1\x80")
                               << QString::fromUtf8("Café 日本 Мир");
        QTest::newRow("Latin-1 fallback")
            << QByteArray("Caf\xe9 M\xfcller") << QString::fromUtf8("Café Müller");
        QTest::newRow("path characters kept as text") << QByteArray("../../etc/passwd") << "../../etc/passwd";
        // "TTITLE0=" and 248 two-byte characters: 256 characters, the longest line allowed.
        QTest::newRow("longest line, multi-byte")
            << QByteArray(248, '\0').replace(QByteArray(1, '\0'), "\xc3\xa9") << QString(248, QChar(0xe9));
    }
    void textDecoding() {
        QFETCH(QByteArray, title);
        QFETCH(QString, expected);
        const QByteArray body = "DTITLE=A / B\r\nTTITLE0=" + title + "\r\n";
        m_server->onQuery = [](const QString&) { return QByteArray("200 rock 0e000903 x\r\n"); };
        m_server->onRead = [body](const QString&) { return entry(body); };
        const Events ev = lookup();
        QCOMPARE(ev.log.last(), QString("done"));
        QCOMPARE(ev.log.at(2), "track:1:A:" + expected);
    }

    void stopSilencesTheLookup() {
        // The first query goes unanswered until the lookup has been stopped.
        int queries = 0;
        m_server->onQuery = [&queries](const QString&) {
            return ++queries == 1 ? QByteArray() : QByteArray("200 rock 0e000903 x\r\n");
        };
        m_server->onRead = [](const QString&) { return kPlainEntry; };
        cFreeDB db;
        Events ev;
        attach(db, ev);
        db.SelectDrive("D:");
        db.StartQuery();
        QTRY_COMPARE(queries, 1);
        db.StopQuery();
        // The component can look up again, and a second start while busy is refused;
        // nothing of the stopped lookup shows up meanwhile.
        db.StartQuery();
        db.StartQuery();
        QTRY_COMPARE_WITH_TIMEOUT(ev.terminals, 2, 10000);
        QCOMPARE(ev.log, QStringList({QString("error:%1").arg(cFreeDB::ErrBusy), "artist:The Band",
                                      "album:First Album", "track:1:The Band:Opening",
                                      "track:2:The Band:Middle", "track:3:The Band:Closing", "done"}));
        QCOMPARE(queries, 2);
    }

    void unloadFromInsideTrackEvent() {
        // The window closes itself (and drops the component) at the last track.
        m_server->onQuery = [](const QString&) { return QByteArray("200 rock 0e000903 x\r\n"); };
        m_server->onRead = [](const QString&) { return kPlainEntry; };
        auto* db = new cFreeDB;
        QPointer<cFreeDB> guard(db);
        int tracks = 0;
        connect(db, &cFreeDB::TrackInfo, this, [&](const QString&, qint32, const QString&) {
            ++tracks;
            db->StopQuery();
            db->Close();
            db->deleteLater();
        });
        db->SelectDrive("D:");
        db->StartQuery();
        QTRY_VERIFY(guard.isNull());
        QCOMPARE(tracks, 1);
    }

    // A server given by name: the name is resolved away from the caller's
    // thread, and where it has several addresses one that refuses gives way
    // to the next (localhost's IPv6 one, where the system lists it: the
    // server listens on 127.0.0.1 only). A lookup stopped while the name is
    // being resolved says nothing afterwards.
    void serverGivenByName() {
        m_server->onQuery = [](const QString&) { return QByteArray("200 rock 0e000903 x\r\n"); };
        m_server->onRead = [](const QString&) { return kPlainEntry; };
        qputenv("CORVANE_CDDB_SERVER", "localhost:" + QByteArray::number(m_server->port()));
        QCOMPARE(lookup().log.last(), QString("done"));

        cFreeDB db;
        Events ev;
        attach(db, ev);
        db.SelectDrive("D:");
        db.StartQuery();
        db.StopQuery();
        QCoreApplication::processEvents();
        QCOMPARE(ev.terminals, 0);
        // The next lookup resolves the same name after the stopped one began:
        // by its end the stopped one has had its answer, and said nothing.
        db.StartQuery();
        QTRY_COMPARE_WITH_TIMEOUT(ev.terminals, 1, 10000);
        QCOMPARE(ev.log.last(), QString("done"));
        QCoreApplication::processEvents();
        QCOMPARE(ev.terminals, 1);
    }

    void serverOverride() {
        cFreeDB db;
        db.setServerName("cddb.example.org");
        db.setServerPort(8880);
        QCOMPARE(db.effectiveServer(), QString("127.0.0.1"));
        QCOMPARE(db.effectivePort(), qint32(m_server->port()));
        qunsetenv("CORVANE_CDDB_SERVER");
        QCOMPARE(db.effectiveServer(), QString("cddb.example.org"));
        QCOMPARE(cFreeDB().ServerName(), QString(cFreeDB::kDefaultServer));
        QCOMPARE(cFreeDB().ServerPort(), 8880);
    }
};

QTEST_GUILESS_MAIN(tst_freedb)
#include "tst_freedb.moc"
