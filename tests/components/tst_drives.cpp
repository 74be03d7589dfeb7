#include "DiscImages.h"
#include "TestEnv.h"

#include "components/DriveRegistry.h"
#include "components/cAudioCDRipper.h"

#include <QFile>
#include <QSignalSpy>
#include <QtEndian>
#include <QtTest>

#include <cdio/iso9660.h>

using namespace components;
using testsupport::CueTrackSpec;

class tst_drives : public QObject {
    Q_OBJECT

    std::unique_ptr<testsupport::TestEnv> m_env;
    qint64 m_now = 0;
    DriveRegistry& reg() { return DriveRegistry::instance(); }

private slots:
    void init() {
        m_env = std::make_unique<testsupport::TestEnv>(false);
        // Time stands still here unless a test moves it: no tray closes by itself.
        m_now = 0;
        reg().setClockForTesting([this] { return m_now; });
    }
    void cleanup() {
        reg().setClockForTesting({});
        m_env.reset();
    }

    void noRealDrivesInTests() {
        QVERIFY(!DriveRegistry::realDrivesAllowed());
        QCOMPARE(reg().count(), 0);
        cAudioCDRipper ripper;
        QCOMPARE(ripper.DeviceCount(), 0);
        QVERIFY(!ripper.SelectDevice(0));
        QCOMPARE(ripper.TrackCount(), 0);

        // Virtual drives come beside the real ones; only the switch hides real drives.
        qunsetenv("CORVANE_NO_REAL_DRIVES");
        QVERIFY(DriveRegistry::realDrivesAllowed());
        qputenv("CORVANE_NO_REAL_DRIVES", "1");
    }

    void lettersAndNames() {
        const QString a = m_env->addVirtualDrive("a");
        const QString b = m_env->addVirtualDrive("b");
        const QString c = m_env->addVirtualDrive("c");
        cAudioCDRipper ripper;
        QCOMPARE(ripper.DeviceCount(), 3);
        QCOMPARE(ripper.DeviceName(0), "D: Virtual drive (" + a + ")");
        QCOMPARE(ripper.DeviceName(1), "E: Virtual drive (" + b + ")");
        QCOMPARE(ripper.DeviceName(2).left(3), QString("F: "));
        QVERIFY(ripper.DeviceName(3).isEmpty());
        QVERIFY(ripper.SelectDevice(2));
        QVERIFY(!ripper.SelectDevice(3));
        QVERIFY(!ripper.SelectDevice(-1));

        QCOMPARE(reg().indexOf("e:"), 1);
        QCOMPARE(reg().indexOf("F"), 2);
        QCOMPARE(reg().indexOf(ripper.DeviceName(0)), 0);
        QCOMPARE(reg().indexOf("E:/Track01.cda"), 1);
        QCOMPARE(reg().indexOf("Q:"), -1);
        QCOMPARE(reg().indexOf("Ex"), -1);
        QCOMPARE(reg().drive(2)->device, c);
    }

    void audioDisc() {
        const QString folder = m_env->addVirtualDrive("d");
        m_env->addVirtualDrive("e");
        const QString cue = m_env->addVirtualDrive("cd");
        QVERIFY(!testsupport::writeAudioCueBin(cue, {3, 2, 4}).isEmpty());

        cAudioCDRipper ripper;
        QVERIFY(ripper.SelectDevice(2));
        QVERIFY(ripper.IsAudioCD());
        QCOMPARE(ripper.TrackCount(), 3);
        const QList<int> lengths{3, 2, 4};
        const QList<int> starts{0, 3, 5};
        for (int t = 1; t <= 3; ++t) {
            QCOMPARE(ripper.TrackType(t), 1);
            QCOMPARE(ripper.TrackLength(t), lengths[t - 1]);
            QCOMPARE(ripper.TrackStart(t), starts[t - 1]);
            QCOMPARE(ripper.disc().tracks[t - 1].sectors, lengths[t - 1] * 75);
        }
        QCOMPARE(ripper.TrackPath(2), QString("F:/Track02.cda"));
        // Out of range tracks answer nothing.
        QCOMPARE(ripper.TrackLength(0), 0);
        QCOMPARE(ripper.TrackLength(4), 0);
        QCOMPARE(ripper.TrackType(4), 0);
        QVERIFY(ripper.TrackPath(4).isEmpty());

        // The other drives are blank: selectable, no tracks.
        QVERIFY(ripper.SelectDevice(0));
        QVERIFY(!ripper.IsAudioCD());
        QCOMPARE(ripper.TrackCount(), 0);
        Q_UNUSED(folder);
    }

    // The image reads back sample for sample at each track's start.
    void audioDiscSamples() {
        const QString folder = m_env->addVirtualDrive("cd");
        QVERIFY(!testsupport::writeAudioCueBin(folder, {1, 2}).isEmpty());
        const DiscInfo disc = reg().readDisc(0);
        QCOMPARE(disc.kind, DiscKind::Audio);
        CdioHandle cdio = reg().openDisc(0);
        QVERIFY(cdio);
        for (int t = 1; t <= 2; ++t) {
            QByteArray sector(2352 * 2, '\0');
            QCOMPARE(cdio_read_audio_sectors(cdio.get(), sector.data(), disc.tracks[t - 1].startSector, 2),
                     DRIVER_OP_SUCCESS);
            QCOMPARE(sector, testsupport::cdTrackPcm(t, 2352 * 2 / 4));
        }
    }

    void mixedDisc() {
        const QString folder = m_env->addVirtualDrive("mixed");
        QVERIFY(!testsupport::writeCueBin(
                     folder, {CueTrackSpec{2, true}, CueTrackSpec{1, true}, CueTrackSpec{3, false}})
                     .isEmpty());
        cAudioCDRipper ripper;
        QVERIFY(ripper.SelectDevice(0));
        QCOMPARE(ripper.disc().kind, DiscKind::Mixed);
        QVERIFY(ripper.IsAudioCD());
        QCOMPARE(ripper.TrackCount(), 3);
        QCOMPARE(ripper.TrackType(1), 1);
        QCOMPARE(ripper.TrackType(2), 1);
        QCOMPARE(ripper.TrackType(3), 0);
        QCOMPARE(ripper.TrackLength(3), 3);
    }

    void dataDisc() {
        const QString folder = m_env->addVirtualDrive("data");
        const QString iso = folder + "/disc.iso";
        QVERIFY(testsupport::writeIso(iso, "CORVANE_TEST", 40));
        // The fixture is a real ISO 9660 image.
        iso9660_t* image = iso9660_open(QFile::encodeName(iso).constData());
        QVERIFY(image);
        iso9660_pvd_t pvd;
        const bool pvdRead = iso9660_ifs_read_pvd(image, &pvd);
        char* id = pvdRead ? iso9660_get_volume_id(&pvd) : nullptr;
        const QString volume = id ? QString::fromLatin1(id) : QString();
        free(id);
        iso9660_close(image);
        QVERIFY(pvdRead);
        QCOMPARE(volume, QString("CORVANE_TEST"));

        cAudioCDRipper ripper;
        QVERIFY(ripper.SelectDevice(0));
        QVERIFY(!ripper.IsAudioCD());
        QCOMPARE(ripper.TrackCount(), 0);
        const DiscInfo disc = reg().readDisc(0);
        QCOMPARE(disc.kind, DiscKind::Data);
        QCOMPARE(disc.tracks.size(), 1);
        QVERIFY(!disc.tracks[0].audio);
        QCOMPARE(disc.usedSectors, 40);
        QVERIFY(!reg().openDisc(0));
    }

    void blankDisc() {
        m_env->addVirtualDrive("blank");
        const DiscInfo disc = reg().readDisc(0);
        QCOMPARE(disc.kind, DiscKind::Blank);
        QCOMPARE(disc.capacitySectors, 360000);
        QCOMPARE(disc.capacitySectors / 75 / 60, 80);
        QVERIFY(disc.tracks.isEmpty());
        QVERIFY(!reg().openDisc(0));
    }

    void missingFolderHoldsNoDisc() {
        qputenv("CORVANE_VIRTUAL_DRIVES", (m_env->root() + "/not/there").toUtf8());
        cAudioCDRipper ripper;
        QCOMPARE(ripper.DeviceCount(), 1);
        QVERIFY(ripper.SelectDevice(0));
        QCOMPARE(ripper.disc().kind, DiscKind::NoDisc);
        QCOMPARE(ripper.TrackCount(), 0);
    }

    // A CUE is the disc even when an ISO lies beside it.
    void cuePreferredOverIso() {
        const QString folder = m_env->addVirtualDrive("both");
        QVERIFY(testsupport::writeIso(folder + "/a.iso"));
        QVERIFY(!testsupport::writeAudioCueBin(folder, {1}, "z").isEmpty());
        QCOMPARE(reg().readDisc(0).kind, DiscKind::Audio);
    }

    void trayTakesDiscOut() {
        const QString cd = m_env->addVirtualDrive("cd");
        const QString other = m_env->addVirtualDrive("other");
        QVERIFY(!testsupport::writeAudioCueBin(cd, {1, 1}).isEmpty());
        QVERIFY(!testsupport::writeAudioCueBin(other, {2}).isEmpty());

        cAudioCDRipper ripper;
        cAudioCDRipper mainWindowCopy;
        QSignalSpy errors(&ripper, &cAudioCDRipper::Error);
        QVERIFY(ripper.SelectDevice(0));
        QCOMPARE(ripper.TrackCount(), 2);
        ripper.OpenTray();
        QVERIFY(reg().isTrayOpen(0));
        QCOMPARE(ripper.TrackCount(), 0);
        QVERIFY(!ripper.IsAudioCD());
        QVERIFY(!reg().openDisc(0));
        // Every component sees the same drive; the other drive keeps its disc.
        QVERIFY(mainWindowCopy.SelectDevice(0));
        QCOMPARE(mainWindowCopy.TrackCount(), 0);
        QVERIFY(mainWindowCopy.SelectDevice(1));
        QCOMPARE(mainWindowCopy.TrackCount(), 1);

        ripper.CloseTray();
        QVERIFY(!reg().isTrayOpen(0));
        QCOMPARE(ripper.TrackCount(), 2);
        QVERIFY(QFile::exists(cd + "/disc.bin")); // the image itself is never touched
        QCoreApplication::processEvents();
        QCOMPARE(errors.count(), 0);
    }

    // A virtual tray that was opened closes by itself after a few seconds and
    // the disc is back for every reader; the environment switch keeps it open.
    void virtualTrayClosesByItself() {
        const QString cd = m_env->addVirtualDrive("cd");
        QVERIFY(!testsupport::writeAudioCueBin(cd, {1, 1}).isEmpty());
        m_now = 1000;
        QVERIFY(reg().openTray(0));
        m_now += DriveRegistry::kVirtualTrayCloseMs - 1;
        QVERIFY(reg().isTrayOpen(0));
        QCOMPARE(reg().readDisc(0).kind, DiscKind::NoDisc);
        m_now += 1;
        QCOMPARE(reg().readDisc(0).kind, DiscKind::Audio);
        QVERIFY(!reg().isTrayOpen(0));
        QVERIFY(reg().openDisc(0));

        qputenv("CORVANE_KEEP_TRAYS_OPEN", "1");
        QVERIFY(reg().openTray(0));
        m_now += 60 * 60 * 1000;
        QVERIFY(reg().isTrayOpen(0));
        QCOMPARE(reg().readDisc(0).kind, DiscKind::NoDisc);
        qunsetenv("CORVANE_KEEP_TRAYS_OPEN");
        QVERIFY(reg().closeTray(0));
        QCOMPARE(reg().readDisc(0).kind, DiscKind::Audio);
    }

    void unreadableImage_data() {
        QTest::addColumn<QByteArray>("cue");
        QTest::addColumn<int>("binBytes");
        QTest::newRow("garbage cue") << QByteArray("this is no cue sheet\n") << 0;
        QTest::newRow("missing bin") << QByteArray("FILE \"gone.bin\" BINARY\r\n  TRACK 01 AUDIO\r\n"
                                                   "    INDEX 01 00:00:00\r\n")
                                     << -1;
        QTest::newRow("cut-off bin") << QByteArray("FILE \"disc.bin\" BINARY\r\n  TRACK 01 AUDIO\r\n"
                                                   "    INDEX 01 00:00:00\r\n  TRACK 02 AUDIO\r\n"
                                                   "    INDEX 01 00:02:00\r\n")
                                     << 2352 * 10;
    }
    void unreadableImage() {
        QFETCH(QByteArray, cue);
        QFETCH(int, binBytes);
        const QString folder = m_env->addVirtualDrive("bad");
        QFile c(folder + "/disc.cue");
        QVERIFY(c.open(QIODevice::WriteOnly));
        c.write(cue);
        c.close();
        if (binBytes >= 0) {
            QFile b(folder + "/disc.bin");
            QVERIFY(b.open(QIODevice::WriteOnly));
            b.write(QByteArray(binBytes, '\0'));
        }

        cAudioCDRipper ripper;
        QSignalSpy errors(&ripper, &cAudioCDRipper::Error);
        QVERIFY(ripper.SelectDevice(0));
        QCOMPARE(ripper.disc().kind, DiscKind::Unreadable);
        QVERIFY(!ripper.IsAudioCD());
        QCOMPARE(ripper.TrackCount(), 0);
        QCOMPARE(errors.count(), 0); // never from inside the call
        QCoreApplication::processEvents();
        QCOMPARE(errors.count(), 1);
        QCOMPARE(errors[0][0].toInt(), int(cAudioCDRipper::ErrUnreadableDisc));
        QVERIFY(errors[0][1].toString().contains("disc.cue"));
        // The poll asks again and again: one message per bad image.
        QVERIFY(ripper.SelectDevice(0));
        QCoreApplication::processEvents();
        QCOMPARE(errors.count(), 1);
        QCOMPARE(c.size(), qint64(cue.size())); // left as it was
    }

    // A bad image that was mended and then broke again is reported again,
    // even when the CUE itself never changed.
    void unreadableAgainAfterMended() {
        const QString folder = m_env->addVirtualDrive("cd");
        QVERIFY(!testsupport::writeAudioCueBin(folder, {1}).isEmpty());
        const QString bin = folder + "/disc.bin";
        const QString kept = m_env->path("disc.bin.kept");
        QVERIFY(QFile::rename(bin, kept));

        cAudioCDRipper ripper;
        QSignalSpy errors(&ripper, &cAudioCDRipper::Error);
        QVERIFY(ripper.SelectDevice(0));
        QCOMPARE(ripper.TrackCount(), 0);
        QVERIFY(QFile::copy(kept, bin));
        QVERIFY(ripper.SelectDevice(0));
        QCOMPARE(ripper.TrackCount(), 1);
        QVERIFY(QFile::remove(bin));
        QVERIFY(ripper.SelectDevice(0));
        QCOMPARE(ripper.TrackCount(), 0);
        QCoreApplication::processEvents();
        QCOMPARE(errors.count(), 2);
    }

    void trackPaths_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QString>("letter");
        QTest::addColumn<int>("track");
        QTest::newRow("plain") << "E:/Track01.cda" << true << "E:" << 1;
        QTest::newRow("backslash, lower case") << "e:\\track12.CDA" << true << "E:" << 12;
        QTest::newRow("three digits") << "D:/Track100.cda" << true << "D:" << 100;
        QTest::newRow("track 0") << "E:/Track00.cda" << false << "" << 0;
        QTest::newRow("a file") << "/music/Track01.cda" << false << "" << 0;
        QTest::newRow("other name") << "E:/Song01.cda" << false << "" << 0;
    }
    void trackPaths() {
        QFETCH(QString, path);
        QFETCH(bool, valid);
        QFETCH(QString, letter);
        QFETCH(int, track);
        QString l;
        qint32 t = 0;
        QCOMPARE(DriveRegistry::parseTrackPath(path, &l, &t), valid);
        if (!valid) return;
        QCOMPARE(l, letter);
        QCOMPARE(t, track);
        QCOMPARE(DriveRegistry::trackPath(letter, track).compare(path, Qt::CaseInsensitive) == 0,
                 !path.contains('\\'));
    }
};

QTEST_MAIN(tst_drives)
#include "tst_drives.moc"
