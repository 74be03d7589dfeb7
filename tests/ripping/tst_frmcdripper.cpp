// The Audio CD Ripper window on generated discs: the drive list and disc
// check, the CD hand-over with every row and its mark, the command's
// refusals, and one rip end to end from "Rip" to the ejected tray.
#include "DiscImages.h"
#include "MediaTools.h"
#include "TestEnv.h"

#include "components/DriveRegistry.h"
#include "components/cAudioCDRipper.h"
#include "controls/cGrid.h"
#include "controls/cProgressBar.h"
#include "controls/cStatusBar.h"
#include "controls/cTabControl.h"
#include "core/mdlFunctions.h"
#include "core/mdlModes.h"
#include "core/mdlSupportedDestination.h"
#include "dialogs/frmAbout.h"
#include "listviews/HandOver.h"
#include "listviews/ItemsGrid.h"
#include "ripping/frmCDRipper.h"
#include "settings/EncoderSettings.h"
#include "settings/SettingsVariables.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QVBoxLayout>
#include <QtTest>

#include <memory>

using namespace itemlists;
using namespace listviews;

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
        qputenv("CORVANE_KEEP_TRAYS_OPEN", "1"); // the ejected tray is looked at after the run
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
        QSignalSpy finished(&w->Run(), &core::BatchRun::Ended);
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

    // The disc image cut short inside its last track (track 3, sectors
    // 375-674): the sector lost is logged for track 3, which does not end as
    // "Done.", no file of it is left, and the run ends without the turn-off.
    void lostSectorsLoggedForTheirTrack() {
        QFile bin(m_env->drivesRoot() + "/cd/disc.bin");
        QVERIFY(bin.resize(qint64(600) * testsupport::kCdSectorBytes + 500));
        std::unique_ptr<frmCDRipper> w(open());
        const QString dest = m_env->path("rips");
        QVERIFY(QDir().mkpath(dest));
        w->txtToPath->setEditText(dest);
        QSignalSpy finished(&w->Run(), &core::BatchRun::Finished);
        w->cmdConvert_Click();
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 60000);
        const QStringList log = w->txtLog->toPlainText().split('\n', Qt::SkipEmptyParts);
        const int start3 = log.indexOf(QRegularExpression(".*:Start to rip: Track03.cda..."));
        QVERIFY2(start3 > 0, qPrintable(log.join('|')));
        QVERIFY2(log.value(start3 + 1)
                     .endsWith(":Error: Track 3 of the disc in E: cannot be read whole: 1 of "
                               "its 226 sectors are lost (600).(6)"),
                 qPrintable(log.value(start3 + 1)));
        QVERIFY(log.value(start3 - 1).endsWith(":Done.")); // track 1 is whole
        QVERIFY(w->lblCurrentTrack->text() != "Done.");
        QVERIFY(m_countdowns.isEmpty());
        QCOMPARE(QDir(dest).entryList(QDir::Files | QDir::Hidden), QStringList{"Track01.wav"});
    }

    // The window as designed: the progress block above the pages, the grid
    // never shown, the rows and events in their order with their pictures,
    // no default button, and the application title on its questions.
    void layoutAsDesigned() {
        std::unique_ptr<frmCDRipper> w(open());
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        QVERIFY(!w->cGrid1->isVisible());
        auto top = [&](QWidget* c) { return c->mapTo(w.get(), QPoint(0, 0)).y(); };
        const QList<QWidget*> column{w->lblFilesToConvert, w->prgTotal,   w->lblCurrentTrack, w->prgCurrnet,
                                     w->cTabControl1,      w->cmdConvert, w->cStatusBar1};
        for (int i = 1; i < column.size(); ++i)
            QVERIFY2(top(column[i - 1]) < top(column[i]), qPrintable(column[i]->objectName()));
        QCOMPARE(top(w->lblTimeLeft), top(w->lblFilesToConvert));
        const QList<QWidget*> rows{w->cboDevices,         w->cboTargetFormat, w->txtToPath,
                                   w->chkCreateSubFolder, w->chkOverWrite,    w->cboFileName};
        for (int i = 1; i < rows.size(); ++i)
            QVERIFY2(top(rows[i - 1]) < top(rows[i]), qPrintable(rows[i]->objectName()));
        auto left = [&](QWidget* c) { return c->mapTo(w.get(), QPoint(0, 0)).x(); };
        for (const QList<QWidget*>& row : QList<QList<QWidget*>>{
                 {w->Label1, w->cboDevices, w->lblCDStatus, w->cmdOpenCD},
                 {w->Label5, w->cboTargetFormat, w->lblSetAsDefaultFormat, w->cmdEditTargetFormat},
                 {w->txtToPath, w->lblSetAsDefaultDestination, w->imgOpenDestFolder,
                  w->lblOpenDestinationDestinationFolder},
                 {w->cboFileName, w->lblSetAsDefaultFileName, w->Image1, w->lblParameters},
                 {w->cmdConvert, w->cmdAbort, w->cmdExit}})
            for (int i = 1; i < row.size(); ++i) {
                QVERIFY2(left(row[i - 1]) < left(row[i]), qPrintable(row[i]->objectName()));
                QCOMPARE(top(row[i]) / 8, top(row[0]) / 8); // on one line
            }
        QVERIFY(!w->imgOpenDestFolder->pixmap().isNull());
        QVERIFY(!w->Image1->pixmap().isNull());
        int last = w->eventsLayout->indexOf(w->Label20);
        for (QWidget* box : QList<QWidget*>{w->chkPlaySound, w->chkOpenDestFolder, w->chkTurnOffComputer,
                                            w->chkNoticeApp, w->chkOpenCDdrive}) {
            QVERIFY2(w->eventsLayout->indexOf(box) > last, qPrintable(box->objectName()));
            last = w->eventsLayout->indexOf(box);
        }
        for (QPushButton* button : w->findChildren<QPushButton*>())
            QVERIFY2(!button->isDefault() && !button->autoDefault(), qPrintable(button->objectName()));

        w->txtToPath->setEditText(m_env->path("missing"));
        m_env->services().msgBoxAnswers.enqueue(core::vbNo);
        w->lblOpenDestinationDestinationFolder_Click();
        QCOMPARE(m_env->services().messages.last().title, core::AppTitle());
    }
};

QTEST_MAIN(tst_frmcdripper)
#include "tst_frmcdripper.moc"
