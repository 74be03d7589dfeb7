// The Audio CD Burner's burn job against the real burner on virtual drives,
// shown in an in-memory window: log lines, labels and bars, the end-of-job
// events only after a clean finish, abort, and the window's display rules.
#include "core/AudioBurnJob.h"

#include "BatchFakes.h"
#include "BurnerFixtures.h"
#include "TestEnv.h"
#include "components/DriveRegistry.h"
#include "core/Services.h"
#include "settings/SettingsVariables.h"

#include <QDir>
#include <QSignalSpy>
#include <QtTest>

using components::cAudioBurner;
using components::DriveRegistry;
using core::AudioBurnJob;
using testsupport::FakeBatchView;
using testsupport::RecordingEndActions;

namespace {

const QStringList kAllBoxes{core::BOX_PLAY_SOUND, core::BOX_OPEN_DEST_FOLDER, core::BOX_NOTICE_APP,
                            core::BOX_OPEN_CD_DRIVE, core::BOX_TURN_OFF};

// One burner window's worth of run: the burner, the view, the end actions.
struct Fixture {
    testsupport::TestEnv env;
    QString drive = env.addVirtualDrive("writer");
    cAudioBurner burner;
    FakeBatchView view;
    RecordingEndActions end;
    int openCDs = 0;
    AudioBurnJob run{burner, end,
                     core::BurnChoices{[] { return QStringLiteral("D: Virtual drive"); },
                                       [] { return cAudioBurner::kMaxSpeed; }, [this] { ++openCDs; }}};
    Fixture() { view.attach(run, end); }
    // The Burn button with the window's rows.
    void burn() { run.Start(view.files()); }

    QString wav(const QString& name, int seed, qint64 frames = 44100) {
        const QString path = env.path("items/" + name);
        burnertest::writeToneWav(path, seed, frames);
        return path;
    }
    QStringList driveFiles() const { return QDir(drive).entryList(QDir::Files | QDir::Hidden); }
    bool noEndEvents() const {
        return end.sounds.isEmpty() && end.folders.isEmpty() && end.programs == 0 && end.turnOffs.isEmpty() &&
               openCDs == 0;
    }
};

} // namespace

class TestBurnRun : public QObject {
    Q_OBJECT

private slots:
    void burnsTheRowsAndRunsTheEndEvents();
    void secondBurnToTheFullDiscIsRefused();
    void failingSourceEndsWithErrorOnly();
    void abortLeavesNoImageAndNoEndEvents();
    void abortQuestion_data();
    void abortQuestion();
    void nothingToBurn();
    void finishedOncePerBurn();
    void dataSize_data();
    void dataSize();
    void capacityAndSpeedTexts();
};

void TestBurnRun::burnsTheRowsAndRunsTheEndEvents() {
    Fixture f;
    f.view.addItem(f.wav("one.wav", 1));
    const QString bad = f.env.path("items/notes.txt");
    QFile(bad).open(QIODevice::WriteOnly);
    f.view.addItem(bad);
    f.view.addItem(f.wav("two.wav", 2, 3 * 44100));
    f.view.checkedBoxes = kAllBoxes;
    f.view.log << "an earlier run";

    // While the call runs, "Burn" stays disabled and the window stays open.
    QStringList whileBurning;
    connect(&f.burner, &cAudioBurner::ClosingTrack, &f.burner,
            [&] { whileBurning << QStringLiteral("%1 %2").arg(f.view.running).arg(f.run.CanClose()); });
    f.burn();

    QCOMPARE(whileBurning, (QStringList{"1 0", "1 0"}));
    QVERIFY(!f.view.running);
    QVERIFY(f.run.CanClose());
    QCOMPARE(f.view.log,
             (QStringList{"an earlier run", "", "Preparing to burn: 3 tracks.", "List the files to burn...",
                          "Cannot add notes.txt", "Caching track...", "Writing track...", "Closing track...",
                          "Caching track...", "Writing track...", "Closing track...", "Closing session...",
                          "Finished."}));
    QCOMPARE(f.view.currentTrack, QStringLiteral("Finished."));
    QCOMPARE(f.view.logPageShown, 1);
    // Two tracks burned; the label counts against the three rows.
    QCOMPARE(f.view.filesLabels, (QStringList{"Files: 1/3", "Files: 2/3"}));
    QCOMPARE(f.view.totalMax, 2);
    QCOMPARE(f.view.totalBar, 2);
    QCOMPARE(f.view.currentBar, 100);
    QCOMPARE(f.burner.TrackCount(), qint16(0));
    QCOMPARE(DriveRegistry::instance().readDisc(0).tracks.size(), 2);

    // Every end-of-job event, the drive root for the destination.
    QCOMPARE(f.end.sounds, QStringList{settings::g_sPlayAtEnd});
    QCOMPARE(f.end.folders, QStringList{"D:/"});
    QCOMPARE(f.end.programs, 1);
    QCOMPARE(f.openCDs, 1);
    QCOMPARE(f.end.turnOffs, QList<qint32>{30});
    QVERIFY(f.end.balloons.isEmpty()); // no "Done." balloon here
}

void TestBurnRun::secondBurnToTheFullDiscIsRefused() {
    Fixture f;
    f.view.addItem(f.wav("one.wav", 1));
    f.burn();
    QCOMPARE(f.view.currentTrack, QStringLiteral("Finished."));
    const QStringList image = f.driveFiles();
    QCOMPARE(image, (QStringList{"AudioCD.bin", "AudioCD.cue"}));

    f.view.checkedBoxes = kAllBoxes;
    f.view.log.clear();
    f.view.filesLabels.clear();
    f.burn();
    QCOMPARE(f.view.log, (QStringList{"Preparing to burn: 1 tracks.", "List the files to burn...",
                                      "Error:The disc in the drive is not blank.(2)"}));
    QCOMPARE(f.view.currentTrack, QStringLiteral("Error:The disc in the drive is not blank.(2)"));
    QVERIFY(f.view.filesLabels.isEmpty());
    QVERIFY(!f.view.running);
    QVERIFY(f.noEndEvents());
    QCOMPARE(f.driveFiles(), image);

    // The image moved out of the folder: the drive is blank and burns again.
    QVERIFY(QDir().rename(f.drive + "/AudioCD.bin", f.env.path("kept/AudioCD.bin")));
    QVERIFY(QDir().rename(f.drive + "/AudioCD.cue", f.env.path("kept/AudioCD.cue")));
    f.view.checkedBoxes.clear();
    f.burn();
    QCOMPARE(f.view.currentTrack, QStringLiteral("Finished."));
    QCOMPARE(f.view.filesLabels, QStringList{"Files: 1/1"}); // counts from track 1 again
}

void TestBurnRun::failingSourceEndsWithErrorOnly() {
    Fixture f;
    f.view.addItem(f.wav("one.wav", 1));
    const QString two = f.wav("two.wav", 2);
    f.view.addItem(two);
    f.view.checkedBoxes = kAllBoxes;
    // The file breaks after it was added to the track list and before the
    // burn starts: the total bar is set once every track is listed, on this
    // thread, so the worker cannot have read the file yet.
    connect(&f.run, &core::Job::TotalProgress, &f.run, [&] {
        QFile broken(two);
        if (broken.open(QIODevice::WriteOnly)) broken.write(QByteArray(3000, 'x'));
    });
    f.burn();
    QVERIFY2(f.view.log.last().startsWith("Error:The file two.wav cannot be decoded: ") &&
                 f.view.log.last().endsWith("(4)"),
             qPrintable(f.view.log.last()));
    QCOMPARE(f.view.currentTrack, f.view.log.last());
    QVERIFY(!f.view.log.contains("Finished."));
    QVERIFY(f.noEndEvents());
    QVERIFY(!f.view.running);
    QVERIFY(!f.run.g_bBatchError); // a burner error does not set the flag
    QCOMPARE(f.driveFiles(), QStringList());
    QCOMPARE(DriveRegistry::instance().readDisc(0).kind, components::DiscKind::Blank);
}

void TestBurnRun::abortLeavesNoImageAndNoEndEvents() {
    Fixture f;
    f.view.addItem(f.wav("long.wav", 1, 3 * 60 * 44100));
    f.view.addItem(f.wav("two.wav", 2));
    f.view.checkedBoxes = kAllBoxes;
    f.env.services().msgBoxAnswers.enqueue(core::vbYes);
    bool stillDisabled = false;
    burnertest::FirstTrackGate gate;
    connect(&f.burner, &cAudioBurner::CachingTrack, &f.burner, [&] {
        if (!f.env.services().messages.isEmpty()) return;
        f.run.cmdAbort_Click();
        stillDisabled = f.view.running && !f.run.CanClose();
        gate.Open();
    });
    f.burn();
    QCOMPARE(f.env.services().messages.size(), 1);
    QCOMPARE(f.env.services().messages.at(0).prompt, QStringLiteral("Abort operation?") + QString(38, ' '));
    QCOMPARE(f.env.services().messages.at(0).style, core::vbYesNo | core::vbInformation);
    QVERIFY(stillDisabled); // "Burn" comes back only when the call returns
    QVERIFY(!f.view.running);
    QCOMPARE(f.end.balloons, QStringList{"Aborted."});
    QCOMPARE(f.view.log.last(), QStringLiteral("Error:The burn was aborted.(6)"));
    QVERIFY(f.noEndEvents());
    QCOMPARE(f.driveFiles(), QStringList());
}

void TestBurnRun::abortQuestion_data() {
    QTest::addColumn<bool>("whileBurning");
    QTest::addColumn<int>("answer");
    QTest::addColumn<int>("messages");
    QTest::newRow("idle") << false << int(core::vbYes) << 0;
    QTest::newRow("answered No") << true << int(core::vbNo) << 1;
}

// Abort while idle asks nothing; answered No the burn goes on untouched.
void TestBurnRun::abortQuestion() {
    QFETCH(bool, whileBurning);
    QFETCH(int, answer);
    QFETCH(int, messages);
    Fixture f;
    f.view.addItem(f.wav("one.wav", 1));
    f.env.services().msgBoxAnswers.enqueue(answer);
    if (whileBurning)
        connect(&f.burner, &cAudioBurner::WritingTrack, &f.burner, [&] { f.run.cmdAbort_Click(); });
    else
        f.run.cmdAbort_Click();
    f.burn();
    QCOMPARE(f.env.services().messages.size(), messages);
    QCOMPARE(f.view.currentTrack, QStringLiteral("Finished."));
    QVERIFY(f.end.balloons.isEmpty());
    QCOMPARE(DriveRegistry::instance().readDisc(0).tracks.size(), 1);
}

void TestBurnRun::nothingToBurn() {
    Fixture f;
    const QString bad = f.env.path("items/notes.txt");
    QFile(bad).open(QIODevice::WriteOnly);
    f.view.addItem(bad);
    f.burn();
    QCOMPARE(f.env.services().messages.size(), 1);
    QCOMPARE(f.env.services().messages.at(0).prompt, QStringLiteral("Nothing to burn."));
    QCOMPARE(f.env.services().messages.at(0).style, int(core::vbInformation));
    QCOMPARE(f.view.log.last(), QStringLiteral("Cannot add notes.txt"));
    QVERIFY(!f.view.running);
    QCOMPARE(f.driveFiles(), QStringList());

    f.view.rows.clear();
    f.view.marks.clear();
    f.burn();
    QCOMPARE(f.env.services().messages.size(), 2);
}

// One queued Finished per burn, true only for a burn that finished cleanly;
// none when there was nothing to burn.
void TestBurnRun::finishedOncePerBurn() {
    Fixture f;
    QSignalSpy finished(&f.run, &core::Job::Finished);
    f.view.addItem(f.wav("one.wav", 1));
    f.burn();
    QCOMPARE(finished.size(), 0);
    QTRY_COMPARE(finished.size(), 1);
    QCOMPARE(finished.at(0).at(0).toBool(), true);
    f.burn(); // the disc is full now
    QTRY_COMPARE(finished.size(), 2);
    QCOMPARE(finished.at(1).at(0).toBool(), false);
    f.view.rows.clear();
    f.view.marks.clear();
    f.burn();
    QCoreApplication::processEvents();
    QCOMPARE(finished.size(), 2);
}

void TestBurnRun::dataSize_data() {
    QTest::addColumn<qint64>("seconds");
    QTest::addColumn<qint64>("minutes");
    QTest::addColumn<bool>("over");
    QTest::newRow("79.5 min") << qint64(4770) << qint64(80) << false;
    QTest::newRow("80 min") << qint64(4800) << qint64(80) << false;
    QTest::newRow("80.5 min") << qint64(4830) << qint64(80) << true;
    QTest::newRow("2.5 min") << qint64(150) << qint64(2) << false;
    QTest::newRow("none") << qint64(0) << qint64(0) << false;
}

void TestBurnRun::dataSize() {
    QFETCH(qint64, seconds);
    QFETCH(qint64, minutes);
    QFETCH(bool, over);
    const core::DataSizeDisplay d = core::DataSize(seconds, 4);
    QCOMPARE(d.minutes, minutes);
    QCOMPARE(d.overLimit, over);
    QCOMPARE(d.filesToConvert, QStringLiteral("4 items to burn (%1 minutes).").arg(minutes));
    QCOMPARE(d.totalSizePanel, QStringLiteral("%1 Min / 80 Min.").arg(minutes));
    QCOMPARE(d.dataSize, over
                             ? QStringLiteral("Data is to big (more then 80 min). Please remove some tracks.")
                             : QStringLiteral("Data Size: 4 files, %1 Min / 80 Min.").arg(minutes));
}

void TestBurnRun::capacityAndSpeedTexts() {
    QCOMPARE(core::DiscCapacityText(153535 * 60 * 74), QStringLiteral("74 Min"));
    QCOMPARE(core::DiscCapacityText(qint32(153535 * 60 * 74.5)), QStringLiteral("74 Min"));
    QCOMPARE(core::DiscCapacityText(qint32(153535 * 60 * 75.5)), QStringLiteral("76 Min"));
    QCOMPARE(core::DiscCapacityText(0), QStringLiteral("0 Min"));
    QCOMPARE(core::DiscCapacityText(360000 * 2048), QStringLiteral("80 Min")); // a blank virtual disc
    QCOMPARE(core::SpeedEntryText(1764), QStringLiteral("1764 KB/s (10x)"));
    QCOMPARE(core::SpeedEntryText(2822), QStringLiteral("2822 KB/s (16x)"));
    QCOMPARE(core::SpeedEntryText(7056), QStringLiteral("7056 KB/s (40x)"));
}

QTEST_MAIN(TestBurnRun)
#include "tst_burnrun.moc"
