// The audio-CD burner on real writers: the burn logic against a scripted
// writer (what reaches the drive, how its states become events, failures and
// abort), and libburn itself against its "stdio:" pseudo-drive.
#include "components/cAudioBurner.h"

#include "BurnerFixtures.h"
#include "TestEnv.h"

#include <QDir>
#include <QtTest>

#include <functional>

using components::AudioWriterSeam;
using components::cAudioBurner;
using components::DriveRegistry;
using namespace burnertest;

namespace {

using S = AudioWriterSeam::Status;

S writing(int track, qint64 sector, qint64 sectors) {
    return S{S::Writing, track, sector, sectors};
}

} // namespace

class TestBurnerWriter : public QObject {
    Q_OBJECT

private slots:
    void speedsDiscAndTrays();
    void burnsThroughTheWriter();
    void writerOutcomes_data();
    void writerOutcomes();
    void refusedBeforeTheDiscIsTouched_data();
    void refusedBeforeTheDiscIsTouched();
    void libburnStdioDrive();
};

void TestBurnerWriter::speedsDiscAndTrays() {
    testsupport::TestEnv env;
    env.addVirtualDrive("v");
    FakeRealDrive real("/dev/fake-sr0");
    auto writer = std::make_shared<ScriptedWriter>();
    writer->speeds = {1764, 2822, 7056};
    writer->disc = {AudioWriterSeam::Medium::Blank, 333000, 333000, {}};
    cAudioBurner burner(nullptr, writer);
    QCOMPARE(burner.DeviceCount(), 2);
    QCOMPARE(burner.DeviceName(1), QStringLiteral("D: CD drive (/dev/fake-sr0)"));
    QVERIFY(burner.DeviceName(2).startsWith("E: Virtual drive"));

    QCOMPARE(burner.WriteSpeedCount("D"), 3);
    QCOMPARE(burner.WriteSpeed(1), QStringLiteral("1764"));
    QCOMPARE(burner.WriteSpeed(3), QStringLiteral("7056"));
    QCOMPARE(burner.WriteSpeed(4), QString());
    QCOMPARE(burner.WriteSpeedCount("E"), 0); // WriteSpeed now answers for E
    QCOMPARE(burner.WriteSpeed(1), QString());

    QCOMPARE(burner.DriveState("D"), QString());
    QCOMPARE(burner.DiscCapacity("D"), 333000 * 2048);
    writer->disc = {AudioWriterSeam::Medium::Written, 333000, 0, {}};
    QCOMPARE(burner.DriveState("D"), QStringLiteral("The disc in the drive is not blank."));
    QCOMPARE(burner.DiscCapacity("D"), 0);
    QCOMPARE(burner.DiscSize("D"), 333000 * 2048);
    writer->disc = {AudioWriterSeam::Medium::NoDisc, 0, 0, {}};
    QCOMPARE(burner.DriveState("D"), QStringLiteral("There is no disc in the drive."));
    writer->disc = {AudioWriterSeam::Medium::Busy, 0, 0, {}};
    QCOMPARE(burner.DriveState("D"), QStringLiteral("The writer is busy."));

    burner.OpenTray("D");
    burner.CloseTray("D");
    burner.OpenTray("E"); // a virtual drive's tray is the registry's
    QCOMPARE(writer->trays, (QStringList{"eject /dev/fake-sr0", "load /dev/fake-sr0"}));
    QCOMPARE(burner.DriveState("E"), QStringLiteral("The tray is open."));
    burner.CloseTray("E");
}

void TestBurnerWriter::burnsThroughTheWriter() {
    testsupport::TestEnv env;
    FakeRealDrive real("/dev/fake-sr0");
    auto writer = std::make_shared<ScriptedWriter>();
    const QByteArray pcm1 = writeToneWav(env.path("one.wav"), 1, 5 * 44100 + 11); // over four seconds
    const QByteArray pcm2 = writeToneWav(env.path("two.wav"), 2, 44100);          // under four seconds
    writer->script = {S{S::Starting, 0, 0, 0},      writing(0, 0, 376),   writing(0, 188, 376),
                      writing(1, 0, 300),           writing(1, 150, 300), S{S::ClosingTrack, 1, 300, 300},
                      S{S::ClosingSession, 1, 0, 0}};
    cAudioBurner burner(nullptr, writer);
    const QString cache = env.path("home/cache");
    burner.setCacheFolder(cache);
    // A burn killed while caching left its folder; this burn removes it, and
    // through a link in it nothing of the user's.
    const QString killed = cache + "/burntmp-Ab12Cd";
    QVERIFY(QDir().mkpath(killed));
    QVERIFY(testsupport::writeFileBytes(killed + "/track01.pcm", QByteArray(4096, 'p')));
    QVERIFY(QFile::link(env.path("one.wav"), killed + "/track02.pcm"));
    QVERIFY(burner.AddTrack(env.path("one.wav")));
    QVERIFY(burner.AddTrack(env.path("two.wav")));
    Events events(burner);
    burner.setBurnOption(true);
    QCOMPARE(burner.BurnCD("D", 2822), 0);

    QCOMPARE(writer->device, QStringLiteral("/dev/fake-sr0"));
    QCOMPARE(writer->speed, 2822);
    QVERIFY(writer->underrunProof);
    QCOMPARE(writer->finishes, 1);
    // Whole sectors of CD audio, at least four seconds each.
    QCOMPARE(writer->trackBytes, (QList<qint64>{376 * 2352, 300 * 2352}));
    QCOMPARE(writer->trackData.at(0).left(pcm1.size()), pcm1);
    QCOMPARE(writer->trackData.at(0).size(), 376 * 2352);
    QCOMPARE(writer->trackData.at(1).left(pcm2.size()), pcm2);
    QCOMPARE(writer->trackData.at(1).mid(pcm2.size()).count('\0'), 300 * 2352 - pcm2.size());

    QCOMPARE(events.steps(), (QStringList{"caching", "caching", "writing", "closing track 1", "writing",
                                          "closing track 2", "closing session", "finished"}));
    const QStringList progress = events.list.filter("progress");
    QCOMPARE(progress, (QStringList{"progress 1 0", "progress 1 50", "progress 2 0", "progress 2 50",
                                    "progress 2 100"}));
    QVERIFY(events.list.contains("step 100"));
    // The cache is gone with the burn.
    QCOMPARE(writer->trackFiles.size(), 2);
    QVERIFY(!QFileInfo::exists(writer->trackFiles.at(0)));
    QVERIFY(writer->trackFiles.at(0).startsWith(cache + "/burntmp-"));
    QVERIFY(!QFileInfo::exists(QFileInfo(writer->trackFiles.at(0)).path()));
    QCOMPARE(QDir(cache).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden), QStringList());
    QVERIFY(QFileInfo(env.path("one.wav")).size() > 5 * 44100 * 4);

    // The speed choice "Max." means the drive's fastest; the option goes through as set.
    burner.setBurnOption(false);
    writer->script.clear();
    writer->polls = 0;
    QCOMPARE(burner.BurnCD("D", cAudioBurner::kMaxSpeed), 0);
    QCOMPARE(writer->speed, 0);
    QVERIFY(!writer->underrunProof);
    QCOMPARE(events.terminals(), 2);
}

void TestBurnerWriter::writerOutcomes_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("event");
    QTest::addColumn<int>("cancels");
    QTest::addColumn<int>("finishes");
    QTest::newRow("refused at start") << "start"
                                      << "error 5 The writer refused the audio tracks." << 0 << 0;
    QTest::newRow("failed write") << "finish"
                                  << "error 5 Disc error" << 0 << 1;
    QTest::newRow("aborted while writing") << "abort"
                                           << "error 6 The burn was aborted." << 1 << 1;
}

void TestBurnerWriter::writerOutcomes() {
    QFETCH(QString, how);
    QFETCH(QString, event);
    QFETCH(int, cancels);
    QFETCH(int, finishes);
    testsupport::TestEnv env;
    FakeRealDrive real("/dev/fake-sr0");
    auto writer = std::make_shared<ScriptedWriter>();
    writer->script = {writing(0, 0, 300), writing(0, 100, 300), writing(0, 200, 300)};
    cAudioBurner burner(nullptr, writer);
    if (how == "start") {
        writer->startOk = false;
        writer->startError = "The writer refused the audio tracks.";
    } else if (how == "finish") {
        writer->finishOk = false;
        writer->finishError = "Disc error";
    } else {
        // The user's abort reaches the worker while the drive writes.
        writer->onPoll = [&burner](int n) {
            if (n == 1) burner.Abort();
        };
    }
    QVERIFY(!writeToneWav(env.path("one.wav"), 1, 44100).isEmpty());
    QVERIFY(burner.AddTrack(env.path("one.wav")));
    Events events(burner);
    QVERIFY(burner.BurnCD("D", cAudioBurner::kMaxSpeed) != 0);
    QCOMPARE(events.terminals(), 1);
    QCOMPARE(events.last(), event);
    QVERIFY(!events.list.contains("closing session"));
    QCOMPARE(writer->cancels, cancels);
    QCOMPARE(writer->finishes, finishes);
}

void TestBurnerWriter::refusedBeforeTheDiscIsTouched_data() {
    QTest::addColumn<int>("state");
    QTest::addColumn<qint64>("freeSectors");
    QTest::addColumn<QString>("event");
    QTest::newRow("too small")
        << int(AudioWriterSeam::Medium::Blank) << qint64(299)
        << "error 3 The tracks last 0:04 but the disc holds only 0:03. Remove some tracks.";
    QTest::newRow("written") << int(AudioWriterSeam::Medium::Written) << qint64(0)
                             << "error 2 The disc in the drive is not blank.";
    QTest::newRow("unsuitable") << int(AudioWriterSeam::Medium::Unsuitable) << qint64(0)
                                << "error 2 The disc in the drive cannot take an audio CD.";
    QTest::newRow("unreachable") << int(AudioWriterSeam::Medium::Missing) << qint64(0)
                                 << "error 2 The writer cannot be reached.";
}

void TestBurnerWriter::refusedBeforeTheDiscIsTouched() {
    QFETCH(int, state);
    QFETCH(qint64, freeSectors);
    QFETCH(QString, event);
    testsupport::TestEnv env;
    FakeRealDrive real("/dev/fake-sr0");
    auto writer = std::make_shared<ScriptedWriter>();
    writer->disc = {AudioWriterSeam::Medium::State(state), 360000, freeSectors, {}};
    cAudioBurner burner(nullptr, writer);
    QVERIFY(!writeToneWav(env.path("one.wav"), 1, 44100).isEmpty());
    QVERIFY(burner.AddTrack(env.path("one.wav")));
    Events events(burner);
    QVERIFY(burner.BurnCD("D", cAudioBurner::kMaxSpeed) != 0);
    QCOMPARE(events.list, QStringList(event));
    QCOMPARE(writer->device, QString()); // startAudio never ran
}

// libburn's "stdio:" pseudo-drive stands for a file. It writes data tracks
// there but refuses audio tracks, since a file is no CD: the whole libburn
// path runs up to that refusal, which reaches the user as the error, and no
// file is left behind.
void TestBurnerWriter::libburnStdioDrive() {
    testsupport::TestEnv env;
    const QString target = env.path("stdio/disc.img");
    FakeRealDrive real("stdio:" + target);
    cAudioBurner burner; // the program's libburn writer
    QCOMPARE(burner.DeviceName(1), QStringLiteral("D: CD drive (stdio:%1)").arg(target));
    QCOMPARE(burner.DriveState("D"), QString()); // a file not yet there reads as a blank disc
    QVERIFY(burner.DiscCapacity("D") > 0);
    QVERIFY(!writeToneWav(env.path("one.wav"), 1, 44100).isEmpty());
    QVERIFY(burner.AddTrack(env.path("one.wav")));
    Events events(burner);
    QCOMPARE(burner.BurnCD("D", cAudioBurner::kMaxSpeed), qint32(cAudioBurner::ErrWrite));
    QCOMPARE(events.terminals(), 1);
    QVERIFY2(events.last().startsWith("error 5 The writer refused the audio tracks: ") &&
                 events.last().contains("audio track prohibited by non-CD"),
             qPrintable(events.last()));
    QVERIFY(events.list.contains("caching"));
    QVERIFY(!events.list.contains("writing"));
    QVERIFY(!QFileInfo::exists(target));
    // The drive is free again afterwards.
    QCOMPARE(burner.DriveState("D"), QString());
}

QTEST_GUILESS_MAIN(TestBurnerWriter)
#include "tst_burner_writer.moc"
