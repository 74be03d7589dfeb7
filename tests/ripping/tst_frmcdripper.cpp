// The Audio CD Ripper window on generated discs: the drive list and disc
// check, the CD hand-over with every row and its mark, the command's
// refusals, and one rip end to end from "Rip" to the ejected tray.
#include "DiscImages.h"
#include "MediaTools.h"
#include "TestEnv.h"

#include "components/DriveRegistry.h"
#include "components/cAudioCDRipper.h"
#include "controls/cGrid.h"
#include "controls/cStatusBar.h"
#include "controls/cTabControl.h"
#include "core/mdlFunctions.h"
#include "core/mdlSupportedDestination.h"
#include "dialogs/frmAbout.h"
#include "itemlists/HandOver.h"
#include "itemlists/ItemsGrid.h"
#include "ripping/frmCDRipper.h"
#include "settings/EncoderSettings.h"
#include "settings/SettingsVariables.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

using namespace itemlists;

class tst_frmcdripper : public QObject {
    Q_OBJECT

    std::unique_ptr<testsupport::TestEnv> m_env;
    std::unique_ptr<cGrid> m_main;
    QList<qint32> m_countdowns;
    QStringList m_balloons;

    // The main window's list of the disc in E: (3, 2 and 4 s), tracks 1 and 3 marked.
    void fillMainGrid() {
        m_main = std::make_unique<cGrid>();
        InitGridColumns(*m_main, nullptr, GridVariant::Main);
        const QList<int> secs{3, 2, 4};
        for (int t = 1; t <= 3; ++t) {
            ItemRow r;
            r.incIcon = t == 2 ? ICON_UNMARKED : ICON_MARKED;
            r.itemName = QString("Track%1.cda").arg(t, 2, 10, QChar('0'));
            r.file = components::DriveRegistry::trackPath("E:", t);
            r.time = QString("00:00:0%1").arg(secs[t - 1]);
            r.bytesSize = QString::number(secs[t - 1] * 176400);
            r.rangeAll = "1";
            r.title = "Song [TRACK_NUM]";
            WriteItemRow(*m_main, t, r);
        }
    }

    frmCDRipper* open() {
        auto* w = new frmCDRipper(nullptr);
        w->EndActionsHooks().turnOffCountdown = [this](qint32 s) { m_countdowns << s; };
        w->EndActionsHooks().balloon = [this](const QString& t) { m_balloons << t; };
        w->Form_Load();
        w->HandOverCD(*m_main, "##CDE:", "The Band - First Album");
        return w;
    }

private slots:
    void init() {
        m_env = std::make_unique<testsupport::TestEnv>();
        m_env->addVirtualDrive("blank"); // D: holds no disc image
        const QString cd = m_env->addVirtualDrive("cd");
        QVERIFY(!testsupport::writeAudioCueBin(cd, {3, 2, 4}).isEmpty());
        settings::g_sFileNameFormat = "[file_name].[dest_extension]";
        settings::g_sTargetFormat = core::DestinationFormatText(core::fmtWAV);
        settings::g_bPlaySound = false;
        settings::g_bOpenDestFolder = false;
        settings::g_bNoticeApp = false;
        settings::g_bTurnOffComputer = true;
        settings::g_lWAVSampleRate = 44100;
        settings::g_lWAVChannelsIndex = 1;
        settings::g_lWAVBitsPerSample = 16;
        fillMainGrid();
        m_countdowns.clear();
        m_balloons.clear();
    }
    void cleanup() {
        m_main.reset();
        m_env.reset();
    }

    void setUpAndHandOver() {
        std::unique_ptr<frmCDRipper> w(open());
        QCOMPARE(w->windowTitle(), QString("Audio CD Ripper"));
        QCOMPARE(w->cTabControl1->TabCaption(1), QString("Ripper Options    "));
        QCOMPARE(w->cmdConvert->text(), QString("Rip"));
        QVERIFY(w->chkOpenCDdrive->isChecked());
        QCOMPARE(w->chkOpenCDdrive->objectName(), QString("chkOpenCDdrive"));
        QCOMPARE(w->cboDevices->count(), 2);
        // The CD node's drive (the second entry) is chosen and fixed; the disc check ran for it.
        QCOMPARE(w->cboDevices->currentIndex(), 1);
        QVERIFY(!w->cboDevices->isEnabled());
        QVERIFY(!w->cmdOpenCD->isEnabled());
        QCOMPARE(w->lblCDStatus->text(), QString("OK: 3 CDA tracks"));
        QCOMPARE(w->lblFilesToConvert->text(), QString("2 items to convert."));
        QCOMPARE(w->Run().g_ltmrItemSecsTotal, 7);
        QCOMPARE(w->cStatusBar1->PanelText("Total Size"), QString("Total Time: 0:00:07"));
        QVERIFY(w->cStatusBar1->PanelText("Total Time").startsWith("Total Size: "));
        QCOMPARE(w->txtUndeForlder->text(), core::MakeSafeFileName("The Band - First Album"));
        // Every track in its own row, with its mark.
        QCOMPARE(w->cGrid1->Rows(), 3);
        QCOMPARE(w->cGrid1->CellIcon(2, w->cGrid1->ColumnIndex(COL_INC)), ICON_UNMARKED);
        QCOMPARE(w->cGrid1->CellIcon(3, w->cGrid1->ColumnIndex(COL_INC)), ICON_MARKED);
        QCOMPARE(w->cGrid1->CellText(3, w->cGrid1->ColumnIndex(COL_FILE)), QString("E:/Track03.cda"));
        QCOMPARE(w->TargetFormatText(), settings::g_sTargetFormat);
        QVERIFY(!w->lblSetAsDefaultFormat->isEnabled());
        w->cboTargetFormat->setCurrentIndex(
            w->cboTargetFormat->findText(core::DestinationFormatText(core::fmtMP3)));
        QVERIFY(w->lblSetAsDefaultFormat->isEnabled());
    }

    void discCheckTexts() {
        std::unique_ptr<frmCDRipper> w(open());
        w->cboDevices->setEnabled(true);
        w->cboDevices->setCurrentIndex(0);
        QCOMPARE(w->lblCDStatus->text(), QString("'D:\\' is not an Audio CD."));
        w->cboDevices->setCurrentIndex(1);
        QCOMPARE(w->lblCDStatus->text(), QString("OK: 3 CDA tracks"));
        w->cmdOpenCD_Click(); // the tray of the checked drive
        w->cboDevices_Click();
        QCOMPARE(w->lblCDStatus->text(), QString("'E:\\' is not an Audio CD."));
        components::DriveRegistry::instance().closeTray(1);
    }

    // "Rip" to the end: only the marked tracks, bit-exact, the log of a rip,
    // "Done.", the tray ejected and the turn-off countdown.
    void ripEndToEnd() {
        std::unique_ptr<frmCDRipper> w(open());
        const QString dest = m_env->path("rips");
        QVERIFY(QDir().mkpath(dest));
        w->txtToPath->setEditText(dest);
        QSignalSpy finished(&w->Run(), &conversion::BatchRun::Finished);
        w->cmdConvert_Click();
        QVERIFY(!w->cmdConvert->isEnabled());
        QVERIFY(!w->close()); // closing is refused while the run goes
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 60000);
        QVERIFY(w->cmdConvert->isEnabled());
        QCOMPARE(QDir(dest).entryList(QDir::Files), QStringList({"Track01.wav", "Track03.wav"}));
        QVERIFY(testsupport::wavPcm(dest + "/Track03.wav") == testsupport::cdTrackPcm(3, 4 * 44100));
        QCOMPARE(w->lblCurrentTrack->text(), QString("Done."));
        QCOMPARE(m_balloons, QStringList{"Done."});
        QCOMPARE(m_countdowns, QList<qint32>{30});
        QVERIFY(components::DriveRegistry::instance().isTrayOpen(1));
        components::DriveRegistry::instance().closeTray(1);
        QVERIFY(w->close());
    }
};

QTEST_MAIN(tst_frmcdripper)
#include "tst_frmcdripper.moc"
