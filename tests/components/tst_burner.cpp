// The audio-CD burner on virtual drives: what it burns must read back sample
// for sample, a failed or aborted burn leaves no image, and a disc that is
// not blank or too small is refused before anything is written.
#include "components/cAudioBurner.h"
#include "components/cAudioCDRipper.h"

#include "BurnerFixtures.h"
#include "DiscImages.h"
#include "MediaTools.h"
#include "TestEnv.h"
#include "WavFixtures.h"

#include <QDir>
#include <QtTest>

#include <sys/stat.h>

using components::cAudioBurner;
using components::DiscKind;
using components::DriveRegistry;
using namespace burnertest;

namespace {

// What a blank 80-minute disc reads as: 360,000 blocks of 2,048 bytes.
constexpr qint32 kBlankBytes = 360000 * 2048;

QStringList folderEntries(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

// Rips one track of the drive to a CD-format WAV with the ripper; its closing event.
QString ripTrack(components::cAudioCDRipper& ripper, qint32 drive, qint32 track, const QString& wav) {
    components::tWAVSettings cd;
    cd.SampleRate = 44100;
    cd.Channels = 2;
    cd.BitsPerSample = 16;
    ripper.setOutputFormat(1);
    ripper.SetWAVSettings(cd);
    ripper.setDeviceIndex(drive);
    ripper.setTrack(track);
    ripper.setDestinationFile(wav);
    QString outcome;
    QEventLoop loop;
    auto end = [&](const QString& what) {
        outcome = what;
        loop.quit();
    };
    const auto c1 = QObject::connect(&ripper, &components::cAudioCDRipper::Done, &loop, [&] { end("done"); });
    const auto c2 =
        QObject::connect(&ripper, &components::cAudioCDRipper::Aborted, &loop, [&] { end("aborted"); });
    const auto c3 = QObject::connect(&ripper, &components::cAudioCDRipper::Error, &loop,
                                     [&](qint32, const QString& m) { end("error " + m); });
    ripper.StartRip();
    if (outcome.isEmpty()) loop.exec();
    QObject::disconnect(c1);
    QObject::disconnect(c2);
    QObject::disconnect(c3);
    return outcome;
}

// The samples of a WAV file's "data" chunk.
QByteArray wavData(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    const QByteArray all = f.readAll();
    qsizetype pos = 12;
    while (pos + 8 <= all.size()) {
        const QByteArray id = all.mid(pos, 4);
        const quint32 size = qFromLittleEndian<quint32>(all.constData() + pos + 4);
        if (id == "data") return all.mid(pos + 8, size);
        pos += 8 + size + (size & 1);
    }
    return {};
}

// A RIFF chunk: id, little-endian size, body, and the pad byte of an odd body.
QByteArray chunk(const char* id, const QByteArray& body) {
    QByteArray c(id, 4);
    c.resize(8);
    qToLittleEndian<quint32>(quint32(body.size()), c.data() + 4);
    c += body;
    if (body.size() % 2) c += '\0';
    return c;
}

// Minutes as the burner window shows a capacity: halves to even.
qint64 capacityMinutes(qint32 capacity) {
    return qRound64(std::nearbyint(double(capacity) / 153535.0 / 60.0));
}

} // namespace

class TestBurner : public QObject {
    Q_OBJECT

private slots:
    void burnsReadsBackAndRefusesTheFullDisc();
    void convertedSourcesMatchFfmpeg();
    void cdAudioWavsAreCopiedAsTheyStand_data();
    void cdAudioWavsAreCopiedAsTheyStand();
    void abortLeavesNoImage();
    void sourceFailingMidBurnLeavesNoImage();
    void tooMuchAudioIsRefusedBeforeWriting();
    void oneDriveOneBurnAtATime();
    void refusalsEndWithOneError_data();
    void refusalsEndWithOneError();
    void addTrackRefusesWhatCannotBeDecoded_data();
    void addTrackRefusesWhatCannotBeDecoded();
    void writersAndTrays();
};

void TestBurner::burnsReadsBackAndRefusesTheFullDisc() {
    testsupport::TestEnv env;
    const QString drive = env.addVirtualDrive("writer");
    // Lengths that end inside a sector and on a sector, and an MP3.
    const QByteArray pcm1 = writeToneWav(env.path("in/one.wav"), 1, 44100 + 123);
    const QByteArray pcm2 = writeToneWav(env.path("in/two.wav"), 2, 2 * 44100 + 7);
    const QByteArray pcm3 = writeToneWav(env.path("in/three.wav"), 3, 588 * 10);
    QVERIFY(!pcm1.isEmpty() && !pcm2.isEmpty() && !pcm3.isEmpty());
    const QString mp3 = env.path("in/four.mp3");
    QVERIFY(testsupport::runFfmpeg(testsupport::sineInput(2.5) +
                                   QStringList{"-c:a", "libmp3lame", "-b:a", "128k", mp3}));
    const QString mp3Raw = env.path("in/four.raw");
    QVERIFY(testsupport::runFfmpeg({"-i", mp3, "-f", "s16le", "-ar", "44100", "-ac", "2", mp3Raw}));
    QFile rawFile(mp3Raw);
    QVERIFY(rawFile.open(QIODevice::ReadOnly));
    const QByteArray pcm4 = rawFile.readAll();
    QVERIFY(pcm4.size() > 44100 * 4);
    const QList<QByteArray> expected{pcm1, pcm2, pcm3, pcm4};

    cAudioBurner burner;
    QCOMPARE(burner.DeviceCount(), 1);
    QVERIFY(burner.DeviceName(1).startsWith("D: "));
    QCOMPARE(burner.DriveState("D"), QString());
    QCOMPARE(burner.DiscCapacity("D"), kBlankBytes);
    QCOMPARE(capacityMinutes(burner.DiscCapacity("D")), 80);

    for (const QString name : {"one.wav", "two.wav", "three.wav", "four.mp3"})
        QVERIFY2(burner.AddTrack(env.path("in/") + name), qPrintable(name));
    QCOMPARE(burner.TrackCount(), qint16(4));

    Events events(burner);
    burner.setBurnOption(true);
    QCOMPARE(burner.BurnCD("D", cAudioBurner::kMaxSpeed), 0);
    QCOMPARE(events.terminals(), 1);
    QCOMPARE(events.last(), QStringLiteral("finished"));
    QStringList perTrack;
    for (int t = 1; t <= 4; ++t)
        perTrack << "caching"
                 << "writing" << QStringLiteral("closing track %1").arg(t);
    perTrack << "closing session"
             << "finished";
    QCOMPARE(events.steps(), perTrack);
    QVERIFY(events.list.contains("progress 4 100"));

    // The drive now holds an audio CD of four tracks of the right lengths.
    const components::DiscInfo disc = DriveRegistry::instance().readDisc(0);
    QCOMPARE(disc.kind, DiscKind::Audio);
    QCOMPARE(disc.tracks.size(), 4);
    // Ripped back by the ripper: the sources, sample for sample, then silence.
    components::cAudioCDRipper ripBack;
    for (int t = 1; t <= 4; ++t) {
        const QByteArray& want = expected.at(t - 1);
        QCOMPARE(disc.tracks.at(t - 1).sectors, qint32((want.size() + 2351) / 2352));
        const QString wavOut = env.path(QStringLiteral("ripped/track%1.wav").arg(t));
        QCOMPARE(ripTrack(ripBack, 0, t, wavOut), QStringLiteral("done"));
        const QByteArray got = wavData(wavOut);
        QCOMPARE(got.size(), disc.tracks.at(t - 1).sectors * 2352);
        QVERIFY2(got.left(want.size()) == want, qPrintable(QStringLiteral("track %1 differs").arg(t)));
        QVERIFY2(got.mid(want.size()).count('\0') == got.size() - want.size(), "padding is not silence");
        // The image itself holds the same.
        QCOMPARE(readTrackFromImage(disc, t), got);
    }
    QVERIFY(disc.tracks.at(3).sectors >= 2 * 75); // the MP3's 2.5 seconds
    // What the main window's tree lists for the drive: four audio tracks.
    components::cAudioCDRipper ripper;
    QVERIFY(ripper.SelectDevice(0));
    QVERIFY(ripper.IsAudioCD());
    QCOMPARE(ripper.TrackCount(), 4);
    QCOMPARE((QList<qint32>{ripper.TrackLength(1), ripper.TrackLength(2), ripper.TrackLength(3)}),
             (QList<qint32>{1, 2, 0}));
    QCOMPARE(ripper.TrackPath(4), QStringLiteral("D:/Track04.cda"));
    for (int t = 1; t <= 4; ++t)
        QCOMPARE(ripper.TrackType(t), 1);
    QCOMPARE(folderEntries(drive), (QStringList{"AudioCD.bin", "AudioCD.cue"}));
    QCOMPARE(burner.DriveState("D"), QStringLiteral("The disc in the drive is not blank."));
    QCOMPARE(burner.DiscCapacity("D"), 0);

    // The list is the caller's to clear; a second burn meets a full disc.
    burner.ClearTracks();
    QVERIFY(burner.AddTrack(env.path("in/one.wav")));
    const QByteArray image = [&] {
        QFile f(drive + "/AudioCD.bin");
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    events.list.clear();
    QCOMPARE(burner.BurnCD("D", cAudioBurner::kMaxSpeed), qint32(cAudioBurner::ErrNotReady));
    QCOMPARE(events.list, QStringList("error 2 The disc in the drive is not blank."));
    QCOMPARE(folderEntries(drive), (QStringList{"AudioCD.bin", "AudioCD.cue"}));
    QFile again(drive + "/AudioCD.bin");
    QVERIFY(again.open(QIODevice::ReadOnly));
    QCOMPARE(again.readAll(), image);

    // With the image moved out, the drive holds a blank disc again.
    QVERIFY(QDir().rename(drive + "/AudioCD.bin", env.path("out/AudioCD.bin")));
    QVERIFY(QDir().rename(drive + "/AudioCD.cue", env.path("out/AudioCD.cue")));
    QCOMPARE(DriveRegistry::instance().readDisc(0).kind, DiscKind::Blank);
    QCOMPARE(burner.DriveState("D"), QString());
    QCOMPARE(burner.DiscCapacity("D"), kBlankBytes);
}

// A source that is not CD audio (mono, another rate) is converted as FFmpeg
// converts it. The image's files get the permissions the user's umask gives.
void TestBurner::convertedSourcesMatchFfmpeg() {
    testsupport::TestEnv env;
    const QString drive = env.addVirtualDrive("writer");
    const QByteArray mono = tonePcm(4, 22050 + 31, 1);
    QVERIFY(writeWav(env.path("mono.wav"), mono, 22050, 1, 16));
    QVERIFY(testsupport::runFfmpeg(
        {"-i", env.path("mono.wav"), "-f", "s16le", "-ar", "44100", "-ac", "2", env.path("mono.raw")}));
    QFile raw(env.path("mono.raw"));
    QVERIFY(raw.open(QIODevice::ReadOnly));
    const QByteArray want = raw.readAll();
    cAudioBurner burner;
    QVERIFY(burner.AddTrack(env.path("mono.wav")));
    const mode_t oldMask = ::umask(027);
    const qint32 burned = burner.BurnCD("D", cAudioBurner::kMaxSpeed);
    ::umask(oldMask);
    QCOMPARE(burned, 0);
    for (const char* name : {"/AudioCD.bin", "/AudioCD.cue"}) {
        struct stat st {};
        QCOMPARE(::stat(QFile::encodeName(drive + name).constData(), &st), 0);
        QCOMPARE(st.st_mode & 0777, mode_t(0640));
    }
    const components::DiscInfo disc = DriveRegistry::instance().readDisc(0);
    QCOMPARE(disc.tracks.size(), 1);
    const QByteArray got = readTrackFromImage(disc, 1);
    QCOMPARE(got.size(), (want.size() + 2351) / 2352 * 2352);
    QVERIFY(got.left(want.size()) == want);
}

// WAVs already holding CD audio are copied, not decoded: what reaches the
// disc is their samples, whatever else the file holds around them.
void TestBurner::cdAudioWavsAreCopiedAsTheyStand_data() {
    QTest::addColumn<QString>("layout");
    QTest::newRow("a chunk before the samples") << "before";
    QTest::newRow("a chunk after the samples") << "after";
    QTest::newRow("extensible header") << "extensible";
    QTest::newRow("header counting more than the file holds") << "short";
}

void TestBurner::cdAudioWavsAreCopiedAsTheyStand() {
    QFETCH(QString, layout);
    testsupport::TestEnv env;
    env.addVirtualDrive("writer");
    const QByteArray pcm = tonePcm(5, 44100 + 333, 2);
    QByteArray body = "WAVE" + chunk("fmt ", testsupport::fmtBody({.extensible = layout == "extensible"}));
    if (layout == "before") body += chunk("LIST", QByteArray(101, 'b'));
    if (layout == "short") {
        QByteArray data = chunk("data", pcm + pcm);
        data.chop(pcm.size());
        body += data;
    } else {
        body += chunk("data", pcm);
    }
    if (layout == "after") body += chunk("LIST", QByteArray(3000, 'a'));
    QVERIFY(testsupport::writeFileBytes(env.path("in/cd.wav"), chunk("RIFF", body)));

    cAudioBurner burner;
    QVERIFY(burner.AddTrack(env.path("in/cd.wav")));
    QCOMPARE(burner.BurnCD("D", cAudioBurner::kMaxSpeed), 0);
    const components::DiscInfo disc = DriveRegistry::instance().readDisc(0);
    QCOMPARE(disc.tracks.size(), 1);
    const QByteArray got = readTrackFromImage(disc, 1);
    QCOMPARE(got.size(), (pcm.size() + 2351) / 2352 * 2352);
    QVERIFY(got.left(pcm.size()) == pcm);
    QCOMPARE(got.mid(pcm.size()).count('\0'), got.size() - pcm.size());
}

void TestBurner::abortLeavesNoImage() {
    testsupport::TestEnv env;
    const QString drive = env.addVirtualDrive("writer");
    // Three minutes, held at its first track until the abort is in.
    QVERIFY(!writeToneWav(env.path("long.wav"), 1, 3 * 60 * 44100).isEmpty());
    QVERIFY(!writeToneWav(env.path("short.wav"), 2, 44100).isEmpty());
    cAudioBurner burner;
    QVERIFY(burner.AddTrack(env.path("long.wav")));
    QVERIFY(burner.AddTrack(env.path("short.wav")));
    Events events(burner);
    FirstTrackGate gate;
    connect(&burner, &cAudioBurner::CachingTrack, &burner, [&] {
        burner.Abort();
        gate.Open();
    });
    QCOMPARE(burner.BurnCD("D", cAudioBurner::kMaxSpeed), qint32(cAudioBurner::ErrAborted));
    QCOMPARE(events.terminals(), 1);
    QCOMPARE(events.last(), QStringLiteral("error 6 The burn was aborted."));
    QVERIFY(!events.list.contains("closing session"));
    QCOMPARE(folderEntries(drive), QStringList());
    QCOMPARE(burner.DriveState("D"), QString());
    QVERIFY(!burner.isBurning());

    // The same list burns once the abort is over.
    events.list.clear();
    disconnect(&burner, &cAudioBurner::CachingTrack, &burner, nullptr);
    QCOMPARE(burner.BurnCD("D", cAudioBurner::kMaxSpeed), 0);
    QCOMPARE(events.last(), QStringLiteral("finished"));
    QCOMPARE(DriveRegistry::instance().readDisc(0).tracks.size(), 2);
}

void TestBurner::sourceFailingMidBurnLeavesNoImage() {
    testsupport::TestEnv env;
    const QString drive = env.addVirtualDrive("writer");
    QVERIFY(!writeToneWav(env.path("one.wav"), 1, 44100).isEmpty());
    QVERIFY(!writeToneWav(env.path("two.wav"), 2, 44100).isEmpty());
    cAudioBurner burner;
    QVERIFY(burner.AddTrack(env.path("one.wav")));
    QVERIFY(burner.AddTrack(env.path("two.wav")));
    // The second file turns into something else once it is on the list.
    QFile two(env.path("two.wav"));
    QVERIFY(two.open(QIODevice::WriteOnly));
    two.write(QByteArray(5000, 'x'));
    two.close();

    Events events(burner);
    QCOMPARE(burner.BurnCD("D", cAudioBurner::kMaxSpeed), qint32(cAudioBurner::ErrSource));
    QCOMPARE(events.terminals(), 1);
    QVERIFY2(events.last().startsWith("error 4 The file two.wav cannot be decoded: "),
             qPrintable(events.last()));
    QVERIFY(events.list.contains("closing track 1")); // the first track was written
    QVERIFY(!events.list.contains("finished"));
    QCOMPARE(folderEntries(drive), QStringList());
    QCOMPARE(DriveRegistry::instance().readDisc(0).kind, DiscKind::Blank);
}

void TestBurner::tooMuchAudioIsRefusedBeforeWriting() {
    testsupport::TestEnv env;
    const QString drive = env.addVirtualDrive("writer");
    // 81 minutes, kept small as 8 kHz 8-bit mono.
    const qint64 frames = 81LL * 60 * 8000;
    QVERIFY(writeWav(env.path("long.wav"), QByteArray(int(frames), char(0x80)), 8000, 1, 8));
    cAudioBurner burner;
    QVERIFY(burner.AddTrack(env.path("long.wav")));
    Events events(burner);
    QCOMPARE(burner.BurnCD("D", cAudioBurner::kMaxSpeed), qint32(cAudioBurner::ErrTooLong));
    QCOMPARE(events.list,
             QStringList("error 3 The tracks last 81:00 but the disc holds only 80:00. Remove some tracks."));
    QCOMPARE(folderEntries(drive), QStringList());
}

void TestBurner::oneDriveOneBurnAtATime() {
    testsupport::TestEnv env;
    const QString drive = env.addVirtualDrive("writer");
    QVERIFY(!writeToneWav(env.path("long.wav"), 1, 3 * 60 * 44100).isEmpty());
    cAudioBurner first;
    cAudioBurner second;
    QVERIFY(first.AddTrack(env.path("long.wav")));
    QVERIFY(second.AddTrack(env.path("long.wav")));
    Events firstEvents(first);
    Events secondEvents(second);
    qint32 secondResult = -1;
    FirstTrackGate gate; // the first burn waits at its first track for the second's try
    connect(&first, &cAudioBurner::CachingTrack, &first, [&] {
        if (secondResult < 0) secondResult = second.BurnCD("D", cAudioBurner::kMaxSpeed);
        gate.Open();
    });
    QCOMPARE(first.BurnCD("D", cAudioBurner::kMaxSpeed), 0);
    QCOMPARE(secondResult, qint32(cAudioBurner::ErrNotReady));
    QCOMPARE(secondEvents.list, QStringList("error 2 The writer is busy."));
    QCOMPARE(firstEvents.last(), QStringLiteral("finished"));
    QCOMPARE(folderEntries(drive), (QStringList{"AudioCD.bin", "AudioCD.cue"}));
}

void TestBurner::refusalsEndWithOneError_data() {
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("drive");
    QTest::addColumn<QString>("event");
    QTest::newRow("no such writer") << "track"
                                    << "K"
                                    << "error 1 The writer does not exist.";
    QTest::newRow("no tracks") << ""
                               << "D"
                               << "error 7 There are no tracks to burn.";
    QTest::newRow("tray open") << "track open"
                               << "D"
                               << "error 2 The tray is open.";
    QTest::newRow("drive folder gone") << "track gone"
                                       << "D"
                                       << "error 2 There is no disc in the drive.";
    QTest::newRow("data disc") << "track iso"
                               << "D"
                               << "error 2 The disc in the drive is not blank.";
}

void TestBurner::refusalsEndWithOneError() {
    QFETCH(QString, setup);
    QFETCH(QString, drive);
    QFETCH(QString, event);
    testsupport::TestEnv env;
    const QString folder = env.addVirtualDrive("writer");
    QVERIFY(!writeToneWav(env.path("one.wav"), 1, 44100).isEmpty());
    cAudioBurner burner;
    if (setup.contains("track")) QVERIFY(burner.AddTrack(env.path("one.wav")));
    if (setup.contains("open")) burner.OpenTray("D");
    if (setup.contains("gone")) QVERIFY(QDir(folder).removeRecursively());
    if (setup.contains("iso")) QVERIFY(testsupport::writeIso(folder + "/data.iso"));
    const QStringList before = folderEntries(folder);
    Events events(burner);
    QVERIFY(burner.BurnCD(drive, cAudioBurner::kMaxSpeed) != 0);
    QCOMPARE(events.list, QStringList(event));
    QCOMPARE(folderEntries(folder), before);
    burner.CloseTray("D");
}

void TestBurner::addTrackRefusesWhatCannotBeDecoded_data() {
    QTest::addColumn<QByteArray>("content"); // empty: no file at all
    QTest::addColumn<bool>("accepted");
    QTest::newRow("missing") << QByteArray() << false;
    QTest::newRow("empty") << QByteArray("") << false;
    QTest::newRow("text") << QByteArray("these are no samples\n") << false;
    QTest::newRow("wav") << tonePcm(1, 1000, 2) << true;
}

void TestBurner::addTrackRefusesWhatCannotBeDecoded() {
    QFETCH(QByteArray, content);
    QFETCH(bool, accepted);
    testsupport::TestEnv env;
    const QString path = env.path("item.wav");
    if (!content.isNull()) {
        if (accepted) {
            QVERIFY(writeWav(path, content, 44100, 2, 16));
        } else {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(content);
        }
    }
    cAudioBurner burner;
    QCOMPARE(burner.AddTrack(path), accepted);
    QCOMPARE(burner.TrackCount(), qint16(accepted ? 1 : 0));
    burner.ClearTracks();
    QCOMPARE(burner.TrackCount(), qint16(0));
}

void TestBurner::writersAndTrays() {
    testsupport::TestEnv env;
    cAudioBurner burner;
    QCOMPARE(burner.DeviceCount(), 0);
    QCOMPARE(burner.DeviceName(1), QString());
    QCOMPARE(burner.DriveState("D"), QStringLiteral("The writer does not exist."));

    env.addVirtualDrive("a");
    env.addVirtualDrive("b");
    QCOMPARE(burner.DeviceCount(), 2);
    QVERIFY(burner.DeviceName(2).startsWith("E: Virtual drive ("));
    QCOMPARE(burner.DeviceName(3), QString());
    // An image is written as fast as it decodes: no speeds but "Max.".
    QCOMPARE(burner.WriteSpeedCount("E"), 0);
    QCOMPARE(burner.DiscSize("E: Virtual"), kBlankBytes);

    burner.OpenTray("E");
    QCOMPARE(burner.DriveState("E"), QStringLiteral("The tray is open."));
    QCOMPARE(burner.DiscCapacity("E"), 0);
    QCOMPARE(burner.DriveState("D"), QString());
    burner.CloseTray("E");
    QCOMPARE(burner.DriveState("E"), QString());
}

QTEST_GUILESS_MAIN(TestBurner)
#include "tst_burner.moc"
