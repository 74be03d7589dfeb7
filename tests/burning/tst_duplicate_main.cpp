// The Audio CD Duplicator from the main window of the full build: a disc of
// three tracks of noise (3.0, 2.4 and 4.2 s) in D: copied to the blank disc
// in E: through the window's own controls; the copy equals the original
// sample for sample with no gap, and the tree lists it. The standard build
// does not offer the command.
#include "BurnerFixtures.h"
#include "DiscImages.h"
#include "TestEnv.h"
#include "WindowFixtures.h"

#include "app/StartApplication.h"
#include "burning/frmAudioCDDuplicator.h"
#include "components/DriveRegistry.h"
#include "controls/cGrid.h"
#include "controls/cTreeView.h"
#include "core/mdlModes.h"
#include "itemlists/TreeKeys.h"
#include "listviews/ItemsTree.h"
#include "mainwindow/frmMain.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

using components::DriveRegistry;

namespace {

// The bytes of track `track` (from 1) of the disc in the drive.
QByteArray trackBytes(qint32 drive, int track) {
    return burnertest::readTrackFromImage(DriveRegistry::instance().readDisc(drive), track);
}

} // namespace

class tst_duplicate_main : public QObject {
    Q_OBJECT

    qint64 now = 0;

private slots:
    void init() {
        DriveRegistry::instance().setClockForTesting([this] { return now; });
    }
    void cleanup() { DriveRegistry::instance().setClockForTesting({}); }

    void fullBuildDuplicatesADisc() {
        testsupport::TestEnv env;
        const QString source = env.addVirtualDrive("cd");
        const QString blank = env.addVirtualDrive("blank");
        const QList<QByteArray> tracks{testsupport::randomPcm(132300, 11), testsupport::randomPcm(105840, 12),
                                       testsupport::randomPcm(185220, 13)};
        QVERIFY(!testsupport::writePcmCueBin(source, tracks).isEmpty());
        QVERIFY(app::StartApplication(QString()));
        frmMain::instance()->close();
        testsupport::processDeletes();
        core::InitModes(core::Edition::Full);
        auto* main = new frmMain;
        main->Form_Load();
        main->show();

        bool opened = false;
        bool hourglass = false;
        bool finished = false;
        QString status;
        env.services().modalHandler = [&](QDialog* window) {
            hourglass = main->cursor().shape() == Qt::WaitCursor;
            auto* w = qobject_cast<frmAudioCDDuplicator*>(window);
            if (!w) return int(QDialog::Rejected);
            opened = true;
            w->cboDevices->setCurrentIndex(w->cboDevices->findText("D:", Qt::MatchStartsWith));
            w->cboDrv->setCurrentIndex(w->cboDrv->findText("E:", Qt::MatchStartsWith));
            status = w->lblCDStatus->text();
            QSignalSpy done(&w->Job(), &core::Job::Finished);
            w->cmdConvert->click();
            finished = (!done.isEmpty() || done.wait(60000)) && done.first().first().toBool();
            return int(QDialog::Accepted);
        };
        main->RunCommand("Audio CD Duplicator");
        QVERIFY(opened);
        QVERIFY(hourglass); // kept on the main window while the duplicator is open
        QCOMPARE(status, QStringLiteral("OK: 3 CDA tracks"));
        QVERIFY(finished);
        QVERIFY(main->cursor().shape() != Qt::WaitCursor);
        QCOMPARE(env.services().messages.last().prompt, "Done." + QString(19, ' '));
        QVERIFY(QDir(env.home() + "/duptmp").entryList(QDir::Files).isEmpty());

        // Both trays went out at the end and come back by themselves.
        QVERIFY(DriveRegistry::instance().isTrayOpen(0));
        QVERIFY(DriveRegistry::instance().isTrayOpen(1));
        now += DriveRegistry::kVirtualTrayCloseMs;
        const components::DiscInfo original = DriveRegistry::instance().readDisc(0);
        const components::DiscInfo copy = DriveRegistry::instance().readDisc(1);
        QCOMPARE(copy.tracks.size(), 3);
        for (int t = 1; t <= 3; ++t) {
            QCOMPARE(copy.tracks.at(t - 1).startSector, original.tracks.at(t - 1).startSector);
            QCOMPARE(copy.tracks.at(t - 1).sectors, original.tracks.at(t - 1).sectors);
            QVERIFY2(trackBytes(1, t) == tracks.at(t - 1), qPrintable(QString("track %1").arg(t)));
        }

        // The tree shows the copy.
        cTreeViewNode node = listviews::g_cAudioCDsNode.Children().Item(2);
        QVERIFY(!node.isNull());
        QCOMPARE(node.Text(), QString("E:"));
        node.setSelected(true);
        main->cTreeView1_NodeClick(node);
        QCOMPARE(main->cGrid1->Rows(), 3);
        QCOMPARE(main->cGrid1->CellText(3, main->cGrid1->ColumnIndex("Item Name")), QString("Track03.cda"));
        testsupport::unloadAll();
    }

    void standardBuildDoesNotOfferIt() {
        testsupport::TestEnv env;
        env.addVirtualDrive("cd");
        QVERIFY(app::StartApplication(QString()));
        frmMain::instance()->close();
        testsupport::processDeletes();
        core::InitModes(core::Edition::Standard);
        auto* main = new frmMain;
        main->Form_Load();
        main->RunCommand("Audio CD Duplicator");
        QCOMPARE(env.services().modalShows, 0);
        testsupport::unloadAll();
    }
};

QTEST_MAIN(tst_duplicate_main)
#include "tst_duplicate_main.moc"
