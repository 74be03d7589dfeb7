// The ripping run end to end: the shared batch run driving the real ripper
// on a generated CUE/BIN image through RipperItemJob, with an in-memory
// window. Only marked tracks are ripped, bit-exact; the log, labels, balloon
// and end-of-job events (eject before turn-off) follow the ripper's rules;
// titles from the network cannot put a file outside the destination.
#include "BatchFakes.h"
#include "DiscImages.h"
#include "FakeCddbServer.h"
#include "MediaTools.h"
#include "TestEnv.h"

#include "components/DriveRegistry.h"
#include "components/cFreeDB.h"
#include "core/BatchRun.h"
#include "core/RipperItemJob.h"
#include "core/Services.h"
#include "itemlists/ItemRows.h"
#include "settings/EncoderSettings.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QSignalSpy>
#include <QtEndian>
#include <QtTest>

#include <memory>

using namespace core;
using namespace itemlists;
using components::cAudioCDRipper;
using testsupport::FakeBatchView;
using testsupport::RecordingEndActions;

namespace {

using testsupport::filesBelow;

} // namespace

class tst_riprun : public QObject {
    Q_OBJECT

    std::unique_ptr<testsupport::TestEnv> m_env;
    QString m_dest;

    // The CD list of the 3-track disc in D: as the main window hands it over.
    void fillDisc(FakeBatchView& view, const QList<int>& marked) {
        const QList<int> secs{3, 2, 4};
        for (int t = 1; t <= 3; ++t) {
            view.addItem(components::DriveRegistry::trackPath("D:", t),
                         QString("00:00:0%1").arg(secs[t - 1]));
            view.marks[t - 1] = marked.contains(t) ? ICON_MARKED : ICON_UNMARKED;
            view.rows[t - 1][COL_TAG_TITLE] = QString("Song %1").arg(t);
            view.rows[t - 1][COL_TAG_TRACK] = "[TRACK_NUM]";
            view.rows[t - 1][COL_TAG_COMMENT] = "[ITEM_NAME]";
        }
        view.destination = m_dest; // no closing "/": the run adds it
    }

private slots:
    void init() {
        qputenv("CORVANE_KEEP_TRAYS_OPEN", "1"); // the ejected tray is looked at after the run
        m_env = std::make_unique<testsupport::TestEnv>(false);
        const QString cd = m_env->addVirtualDrive("cd");
        QVERIFY(!testsupport::writeAudioCueBin(cd, {3, 2, 4}).isEmpty());
        m_dest = m_env->path("music");
        // CD quality: what comes out must equal what the disc holds.
        settings::g_lWAVSampleRate = 44100;
        settings::g_lWAVChannelsIndex = 1;
        settings::g_lWAVBitsPerSample = 16;
        QVERIFY(QDir().mkpath(m_dest));
    }
    void cleanup() { m_env.reset(); }

    void marksDecideLogAndEject_data() {
        QTest::addColumn<QList<int>>("marked");
        QTest::addColumn<bool>("eject");
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QStringList>("labels");
        QTest::newRow("1 and 3, eject")
            << QList<int>{1, 3} << true << QStringList{"Track01.wav", "Track03.wav"}
            << QStringList{"Files: 1/3", "Files: 3/3"};
        QTest::newRow("only 3, no eject")
            << QList<int>{3} << false << QStringList{"Track03.wav"} << QStringList{"Files: 3/3"};
    }
    void marksDecideLogAndEject() {
        QFETCH(QList<int>, marked);
        QFETCH(bool, eject);
        QFETCH(QStringList, files);
        QFETCH(QStringList, labels);
        cAudioCDRipper ripper;
        core::RipperItemJob job(ripper);
        FakeBatchView view;
        fillDisc(view, marked);
        view.checkedBoxes << BOX_TURN_OFF;
        if (eject) view.checkedBoxes << core::BOX_OPEN_CD_DRIVE;
        RecordingEndActions end;
        BatchRun run(job, end, core::RipperPolicy([&ripper] { return &ripper; }, [] { return 0; }));
        view.attach(run, end);
        QSignalSpy finished(&run, &BatchRun::Ended);
        QVERIFY(view.start(run));
        QVERIFY(view.running);
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 60000);
        QCOMPARE(finished.at(0).at(0).value<BatchRun::Ending>(), BatchRun::Ending::Completed);

        QCOMPARE(filesBelow(m_dest), files);
        for (const QString& f : files) {
            const int t = f.mid(5, 2).toInt();
            QVERIFY2(testsupport::wavPcm(m_dest + '/' + f) ==
                         testsupport::cdTrackPcm(t, QList<int>{3, 2, 4}[t - 1] * 44100),
                     qPrintable(f));
        }
        QStringList expectedLog{"Preparing to rip: 3 tracks.", "Destination format: WAV"};
        for (int t : marked)
            expectedLog << QString("Start to rip: Track0%1.cda...").arg(t) << "Done.";
        QCOMPARE(view.log, expectedLog);
        QCOMPARE(view.filesLabels, labels);
        QCOMPARE(view.totalMax, 300);
        QCOMPARE(end.balloons, QStringList{"Done."});
        QCOMPARE(end.turnOffs, QList<qint32>{30});
        // The tray of the ripping drive is open exactly when the box was ticked.
        cAudioCDRipper probe;
        QVERIFY(probe.SelectDevice(0));
        QCOMPARE(probe.TrackCount(), eject ? 0 : 3);
        QCOMPARE(components::DriveRegistry::instance().isTrayOpen(0), eject);
        if (eject) components::DriveRegistry::instance().closeTray(0);
    }

    // A failing track is logged with its code, the run goes on, and the
    // turn-off is skipped; the other end-of-job events still run.
    void failedTrackGoesOn() {
        cAudioCDRipper ripper;
        core::RipperItemJob job(ripper);
        FakeBatchView view;
        fillDisc(view, {1, 2});
        // A fourth row for a track the disc does not have.
        view.addItem("D:/Track04.cda", "00:00:02");
        view.marks[3] = ICON_MARKED;
        view.checkedBoxes << BOX_TURN_OFF << BOX_PLAY_SOUND;
        RecordingEndActions end;
        BatchRun run(job, end, core::RipperPolicy([&ripper] { return &ripper; }, [] { return 0; }));
        view.attach(run, end);
        QSignalSpy finished(&run, &BatchRun::Ended);
        QVERIFY(view.start(run));
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 60000);
        QVERIFY(run.g_bBatchError);
        QCOMPARE(view.log.last().left(7), QString("Error: "));
        QVERIFY(view.log.last().endsWith(QString("(%1)").arg(cAudioCDRipper::ErrBadTrack)));
        QCOMPARE(filesBelow(m_dest), QStringList({"Track01.wav", "Track02.wav"}));
        QVERIFY(end.turnOffs.isEmpty());
        QCOMPARE(end.sounds.size(), 1);
    }

    // Titles that came from a CDDB server go into names cleaned: no folder
    // level, no way out of the destination.
    void networkTitlesStayInsideTheDestination() {
        cAudioCDRipper ripper;
        core::RipperItemJob job(ripper);
        FakeBatchView view;
        fillDisc(view, {1, 2});
        view.rows[0][COL_ITEM_NAME] = "../../escape.cda";
        view.rows[1][COL_ITEM_NAME] = "/etc/passwd.cda";
        view.fileTemplate = "[item_name].[dest_extension]";
        RecordingEndActions end;
        BatchRun run(job, end, core::RipperPolicy([&ripper] { return &ripper; }, [] { return 0; }));
        view.attach(run, end);
        QSignalSpy finished(&run, &BatchRun::Ended);
        QVERIFY(view.start(run));
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 60000);
        const QStringList files = filesBelow(m_dest);
        QCOMPARE(files.size(), 2);
        for (const QString& f : files)
            QVERIFY2(!f.contains('/'), qPrintable(f));
        QCOMPARE(filesBelow(m_env->root() + "/home").filter(".wav").size(), 0);
        QVERIFY(!QFile::exists(m_env->root() + "/escape.cda.wav"));
    }

    // Titles from a local CDDB answer: one of 40,000 characters (sent in
    // continuation lines within the protocol's line limit), one that cleans to
    // nothing and one of a dot; a typed sub-folder that climbs out. The rip
    // completes, every name is valid and within limits, and nothing is made
    // outside the destination.
    void hostileTitlesAndSubFolder() {
        QString longTitle;
        for (int i = 0; i < 40000; ++i)
            longTitle += QChar(u'a' + i % 26);
        testsupport::FakeCddbServer server;
        server.onQuery = [](const QString&) { return QByteArray("200 rock 0e000903 A / B\r\n"); };
        server.onRead = [&longTitle](const QString&) {
            QByteArray body = "210 rock 0e000903 CD database entry follows (until terminating `.')\r\n"
                              "DTITLE=A / B\r\n";
            for (qsizetype at = 0; at < longTitle.size(); at += 200)
                body += "TTITLE0=" + longTitle.mid(at, 200).toUtf8() + "\r\n";
            return body + "TTITLE1=/\r\nTTITLE2=.\r\n.\r\n";
        };
        qputenv("CORVANE_CDDB_SERVER", "127.0.0.1:" + QByteArray::number(server.port()));
        QStringList titles(3);
        components::cFreeDB db;
        connect(&db, &components::cFreeDB::TrackInfo, this,
                [&titles](const QString&, qint32 n, const QString& title) {
                    if (n >= 1 && n <= 3) titles[n - 1] = title;
                });
        QSignalSpy looked(&db, &components::cFreeDB::QueryDone);
        db.SelectDrive("D:");
        db.StartQuery();
        QTRY_COMPARE_WITH_TIMEOUT(looked.size(), 1, 10000);
        qunsetenv("CORVANE_CDDB_SERVER");
        QCOMPARE(titles, (QStringList{longTitle, "/", "."}));

        cAudioCDRipper ripper;
        core::RipperItemJob job(ripper);
        FakeBatchView view;
        fillDisc(view, {1, 2, 3});
        for (int t = 0; t < 3; ++t)
            view.rows[t][COL_ITEM_NAME] = titles[t]; // as the FreeDB window names the tracks
        view.fileTemplate = "[item_name].[dest_extension]";
        view.createSubFolder = true;
        view.subFolder = "../up";
        RecordingEndActions end;
        BatchRun run(job, end, core::RipperPolicy([&ripper] { return &ripper; }, [] { return 0; }));
        view.attach(run, end);
        QSignalSpy finished(&run, &BatchRun::Ended);
        QVERIFY(view.start(run));
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 60000);
        QCOMPARE(finished.at(0).at(0).value<BatchRun::Ending>(), BatchRun::Ending::Completed);
        QCOMPARE(view.log.filter("Done.").size(), 3);

        const QStringList files = filesBelow(m_dest);
        QCOMPARE(files.size(), 3);
        QVERIFY(files.contains("-/up/-.wav"));
        QVERIFY(files.contains("-/up/-..wav"));
        const QStringList longOnes = files.filter(QRegularExpression("^-/up/a"));
        QCOMPARE(longOnes.size(), 1);
        const QString name = longOnes.first().mid(5);
        QVERIFY(name.endsWith(".wav"));
        QVERIFY(name.toUtf8().size() <= 255);
        QVERIFY(longTitle.startsWith(name.chopped(4)));
        // Nothing beside the destination, where "../up" would have led.
        QVERIFY(!QFileInfo::exists(m_env->root() + "/up"));
    }

    // Abort confirmed in the middle of a long track: the aborted end, no
    // output, no end-of-job event.
    void abortMidTrack() {
        const QString longCd = m_env->addVirtualDrive("long");
        QVERIFY(!testsupport::writeAudioCueBin(longCd, {120}).isEmpty());
        cAudioCDRipper ripper;
        core::RipperItemJob job(ripper);
        FakeBatchView view;
        view.addItem("E:/Track01.cda", "00:02:00");
        view.marks[0] = ICON_MARKED;
        view.destination = m_dest;
        view.checkedBoxes << core::BOX_OPEN_CD_DRIVE << BOX_PLAY_SOUND;
        RecordingEndActions end;
        BatchRun run(job, end, core::RipperPolicy([&ripper] { return &ripper; }, [] { return 1; }));
        auto& services = m_env->services();
        services.msgBoxAnswers.enqueue(core::vbYes);
        connect(&job, &ItemJob::Progress, &run, [&run](qint32 p) {
            if (p >= 1) run.cmdAbort_Click();
        });
        view.attach(run, end);
        QSignalSpy finished(&run, &BatchRun::Ended);
        QVERIFY(view.start(run));
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 60000);
        QCOMPARE(finished.at(0).at(0).value<BatchRun::Ending>(), BatchRun::Ending::Aborted);
        QCOMPARE(view.log.last(), QString("Aborted."));
        QVERIFY(filesBelow(m_dest).isEmpty());
        QVERIFY(end.sounds.isEmpty());
        QVERIFY(!components::DriveRegistry::instance().isTrayOpen(1));
        QVERIFY(!view.running);
    }
};

QTEST_GUILESS_MAIN(tst_riprun)
#include "tst_riprun.moc"
