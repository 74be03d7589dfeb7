// The data-disc engine and its two faces on virtual drives and on libburn's
// "stdio:" target standing in for a real writer: what is burned reads back
// byte for byte with its names, a disc that is too small, not blank or whose
// burn is aborted gets nothing, and each burn ends with one terminal event.
#include "components/cAudioDataBurner.h"
#include "components/cBurner.h"

#include "BurnerFixtures.h"
#include "IsoReadBack.h"
#include "TestEnv.h"

#include <QDir>
#include <QSignalSpy>
#include <QtTest>

using components::cAudioDataBurner;
using components::cBurner;
using components::DataDiscBurner;
using components::DriveRegistry;
using namespace burnertest;

namespace {

QByteArray bytesOf(int seed, int size) {
    QByteArray b(size, '\0');
    for (int i = 0; i < size; ++i)
        b[i] = char((i * 31 + seed * 7) & 0xff);
    return b;
}

QStringList images(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

// Waits for the data burner's terminal event and names it.
QString waitEnd(cAudioDataBurner& b) {
    QString end;
    QEventLoop loop;
    QObject::connect(&b, &cAudioDataBurner::BurnFinished, &loop, [&] {
        end += "finished;";
        loop.quit();
    });
    QObject::connect(&b, &cAudioDataBurner::Error, &loop, [&](qint32 code, const QString& m) {
        end += QStringLiteral("error %1 %2;").arg(code).arg(m);
        loop.quit();
    });
    loop.exec();
    b.waitForFinished();
    QCoreApplication::processEvents(); // a second terminal event would arrive now
    return end;
}

} // namespace

class TestDataBurner : public QObject {
    Q_OBJECT
    std::unique_ptr<testsupport::TestEnv> env;

    QString file(const QString& name, int seed, int size = 5000) {
        const QString path = env->path("src/" + name);
        testsupport::writeFileBytes(path, bytesOf(seed, size));
        return path;
    }

private slots:
    void initTestCase() { QVERIFY2(testsupport::haveXorriso(), "xorriso (package xorriso) is needed"); }
    void init() { env = std::make_unique<testsupport::TestEnv>(); }
    void cleanup() {
        cBurner::SetInstalledForTesting(std::nullopt);
        env.reset();
    }

    // Long and non-ASCII names survive on both name tables; the bytes are the
    // files' own; the volume name is the one given; the drive then holds a data disc.
    void burnsReadableDiscToVirtualDrive() {
        const QString drive = env->addVirtualDrive("blank");
        const QString longName = QString(96, u'x') + ".mp3"; // 100 characters
        const QStringList files{file("Ünïcödé – Sång.mp3", 1), file(longName, 2, 70000),
                                file("plain.wma", 3)};
        cAudioDataBurner b;
        QCOMPARE(b.DeviceCount(), 1);
        QVERIFY(b.IsDriveReady("D"));
        QVERIFY(b.IsDiscEmpty("D"));
        for (const QString& f : files)
            QVERIFY(b.AddFile(f));
        QVERIFY(!b.AddFile(files.at(2))); // one name once
        QVERIFY(!b.AddFile(env->path("src/missing.mp3")));
        b.setVolumeName("My-List");
        b.setPublisher("Corvane");
        b.setPreparer("Corvane");
        QSignalSpy started(&b, &cAudioDataBurner::BurnStarted);
        QSignalSpy closing(&b, &cAudioDataBurner::ClosingSession);
        QSignalSpy progress(&b, &cAudioDataBurner::BurnProgress);
        b.BurnDisc("D", cAudioDataBurner::kMaxSpeed);
        QCOMPARE(waitEnd(b), QString("finished;"));
        QCOMPARE(started.count(), 1);
        QCOMPARE(closing.count(), 1);
        QCOMPARE(progress.last().at(0).toInt(), 100);

        QCOMPARE(images(drive), QStringList{"DataCD.iso"});
        const QString iso = QDir(drive).filePath("DataCD.iso");
        QCOMPARE(testsupport::isoVolumeId(iso), QString("My-List"));
        QCOMPARE(DriveRegistry::instance().readDisc(0).kind, components::DiscKind::Data);
        for (bool joliet : {false, true}) {
            const QString out = env->path(joliet ? "joliet" : "rr");
            QVERIFY(testsupport::extractIso(iso, out, joliet));
            QStringList expected;
            for (const QString& f : files)
                expected << QFileInfo(f).fileName();
            expected.sort();
            QCOMPARE(testsupport::fileNames(out), expected);
            for (const QString& f : files)
                QCOMPARE(testsupport::fileBytes(QDir(out).filePath(QFileInfo(f).fileName())),
                         testsupport::fileBytes(f));
        }

        // The disc is no longer blank: a second burn is refused and the image stays.
        QVERIFY(!b.IsDiscEmpty("D"));
        b.BurnDisc("D", 0);
        QVERIFY(waitEnd(b).startsWith("error 2 "));
        QCOMPARE(images(drive), QStringList{"DataCD.iso"});
    }

    // Burns killed mid-image left their partial images in the drive's folder,
    // named as this version names them and as an earlier one did: the next
    // burn to that drive removes both. A link named like one is left alone,
    // and so is the user's file it leads to.
    void killedBurnsPartialImagesAreSweptByTheNextBurn() {
        const QString drive = env->addVirtualDrive("blank");
        const QByteArray userBytes = bytesOf(9, 3000);
        const QString userFile = env->path("user/keep.iso");
        QVERIFY(testsupport::writeFileBytes(userFile, userBytes));
        QVERIFY(testsupport::writeFileBytes(QDir(drive).filePath(".DataCD-0123abcd.iso.part"),
                                            bytesOf(1, 90000)));
        QVERIFY(
            testsupport::writeFileBytes(QDir(drive).filePath(".DataCD.iso.part-Ab12Cd"), bytesOf(2, 90000)));
        QVERIFY(QFile::link(userFile, QDir(drive).filePath(".DataCD-deadbeef.iso.part")));

        cAudioDataBurner b;
        QVERIFY(b.IsDiscEmpty("D"));
        QVERIFY(b.AddFile(file("a.mp3", 1)));
        b.BurnDisc("D", 0);
        QCOMPARE(waitEnd(b), QString("finished;"));

        QCOMPARE(images(drive), QStringList({".DataCD-deadbeef.iso.part", "DataCD.iso"}));
        QCOMPARE(testsupport::fileBytes(userFile), userBytes);
    }

    // Each way a burn cannot start or is stopped leaves the folder as it was.
    void refusedAndAbortedBurnsLeaveNothing() {
        const QString drive = env->addVirtualDrive("blank");
        cAudioDataBurner b;
        // Nothing to burn.
        b.BurnDisc("D", 0);
        QVERIFY(waitEnd(b).startsWith("error 7 "));
        // An open tray.
        QVERIFY(b.AddFile(file("a.mp3", 1)));
        b.OpenTray("D");
        QVERIFY(!b.IsDriveReady("D"));
        b.BurnDisc("D", 0);
        QVERIFY(waitEnd(b).startsWith("error 2 The tray is open."));
        b.CloseTray("D");
        // A file removed after it was added.
        QVERIFY(b.AddFile(file("b.mp3", 2)));
        QFile::remove(env->path("src/b.mp3"));
        b.BurnDisc("D", 0);
        QVERIFY(waitEnd(b).startsWith("error 4 "));
        // Aborted as it starts.
        b.ClearFiles();
        QVERIFY(b.AddFile(file("c.mp3", 3, 400000)));
        b.BurnDisc("D", 0);
        b.Abort();
        QCOMPARE(waitEnd(b), QString("error 6 The burn was aborted.;"));
        QCOMPARE(images(drive), QStringList{});
        QVERIFY(b.IsDiscEmpty("D"));
    }

    // libburn writing to a device address, as for a real writer: the "stdio:"
    // target plays the device, the scripted writer what only hardware does
    // (speeds, trays, the disc's room).
    void realWriterPathThroughStdio() {
        const QString target = env->path("real/disc.iso");
        auto writer = std::make_shared<ScriptedWriter>();
        writer->speeds = {1764, 3528, 7056};
        writer->disc = {components::AudioWriterSeam::Medium::Blank, 360000, 360000, {}};
        FakeRealDrive real("stdio:" + target);
        cAudioDataBurner b(nullptr, writer);
        const QString name = b.DeviceName(1);
        QVERIFY(name.startsWith("D:"));
        QCOMPARE(b.WriteSpeedCount("D"), 3);
        QCOMPARE(b.WriteSpeed(2), 3528);
        b.OpenTray("D");
        b.CloseTray("D");
        QCOMPARE(writer->trays, QStringList({"eject stdio:" + target, "load stdio:" + target}));
        QVERIFY(b.IsDriveReady("D") && b.IsDiscEmpty("D"));

        // Too small: refused with both sizes named, nothing written.
        writer->disc.freeSectors = 10;
        QVERIFY(b.AddFile(file("big.mp3", 1, 200000)));
        b.setVolumeName("REAL");
        b.BurnDisc("D", 1764);
        const QString tooBig = waitEnd(b);
        QVERIFY2(tooBig.startsWith("error 3 The files need ") &&
                     tooBig.contains("but the disc holds only 0.0 MB"),
                 qPrintable(tooBig));
        QVERIFY(!QFileInfo::exists(target));

        writer->disc.freeSectors = 360000;
        b.BurnDisc("D", 1764);
        QCOMPARE(waitEnd(b), QString("finished;"));
        QCOMPARE(testsupport::isoVolumeId(target), QString("REAL"));
        QVERIFY(testsupport::extractIso(target, env->path("out")));
        QCOMPARE(testsupport::fileBytes(env->path("out/big.mp3")),
                 testsupport::fileBytes(env->path("src/big.mp3")));

        // A disc that is not blank is refused by the scripted state before libburn is asked.
        writer->disc.state = components::AudioWriterSeam::Medium::Written;
        QVERIFY(!b.IsDiscEmpty("D"));
    }

    // The second face: recorders from 0, its events in order, one end per burn,
    // UDF said not to be written, and the probe that tests can answer.
    void secondFaceEventsAndFileSystems() {
        const QString drive = env->addVirtualDrive("blank");
        cBurner c;
        QCOMPARE(c.DeviceCount(), 1);
        QCOMPARE(c.DevicePath(0), QString("D:"));
        QVERIFY(c.DeviceName(0).startsWith("Virtual drive"));
        QVERIFY(cBurner::IsInstalled());
        cBurner::SetInstalledForTesting(false);
        QVERIFY(!cBurner::IsInstalled());

        c.ClearFiles();
        c.setFileSystemUDF(true); // the only one asked for
        c.setVolumeName("UDF-ONLY");
        QVERIFY(c.AddFile(file("one.mp3", 1)));
        QVERIFY(c.AddFile(file("two.mp3", 2)));
        QStringList events;
        for (auto [signal, name] : std::initializer_list<std::pair<void (cBurner::*)(), const char*>>{
                 {&cBurner::BurnerInitializing, "init"},
                 {&cBurner::StartBurning, "start"},
                 {&cBurner::BurnerFinalization, "final"},
                 {&cBurner::BurnerCompleted, "completed"},
                 {&cBurner::BurnerDoneBurn, "done"},
                 {&cBurner::BurnerCanceled, "canceled"},
                 {&cBurner::BurnerEnd, "end"}})
            connect(&c, signal, this, [&events, name] { events << name; });
        connect(&c, &cBurner::BurnerFileCount, this,
                [&](qint32 f, qint32 d) { events << QStringLiteral("count %1 %2").arg(f).arg(d); });
        connect(&c, &cBurner::BurnerAddingFile, this,
                [&](const QString& p) { events << "adding " + QFileInfo(p).fileName(); });
        connect(&c, &cBurner::BurnerError, this,
                [&](const QString& d, const QString&) { events << "error " + d; });
        connect(&c, &cBurner::BurnerNote, this, [&](const QString& t) { events << "note " + t.left(3); });
        c.BurnDisc(0);
        QTRY_VERIFY(events.contains("end") || events.contains("error 5"));
        c.waitForFinished();
        QCoreApplication::processEvents();
        QCOMPARE(events, QStringList({"note UDF", "init", "adding one.mp3", "adding two.mp3", "count 2 0",
                                      "start", "final", "completed", "done", "end"}));
        const QString iso = QDir(drive).filePath("DataCD.iso");
        QVERIFY(testsupport::extractIso(iso, env->path("j"), true));
        QCOMPARE(testsupport::fileNames(env->path("j")), QStringList({"one.mp3", "two.mp3"}));

        // An aborted burn: canceled, then its one error; never "end".
        events.clear();
        env->addVirtualDrive("second");
        c.BurnDisc(1);
        c.Abort();
        QTRY_VERIFY(events.contains("error 6"));
        c.waitForFinished();
        QCoreApplication::processEvents();
        QVERIFY(events.contains("canceled"));
        QVERIFY(!events.contains("end"));
    }
};

QTEST_GUILESS_MAIN(TestDataBurner)
#include "tst_databurner.moc"
