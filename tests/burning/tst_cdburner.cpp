// The Audio CD Burner window, headless through its handlers: the hand-over
// of the marked items, the writer, speed and disc display, the trays and the
// drive link, a burn from "Burn" to the log, the close rule while burning,
// and the stored "Open the CD drive" box.
#include "burning/frmCDBurner.h"

#include "BurnerFixtures.h"
#include "DiscImages.h"
#include "TestEnv.h"
#include "controls/cGrid.h"
#include "controls/cProgressBar.h"
#include "controls/cStatusBar.h"
#include "controls/cTabControl.h"
#include "core/mdlFunctions.h"
#include "core/mdlModes.h"
#include "core/mdlSettingStore.h"
#include "dialogs/frmAbout.h"
#include "listviews/ItemsGrid.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

using components::cAudioBurner;
using components::DriveRegistry;

namespace {

QString storedBox() {
    return core::GetSetting(core::g_sProductName, "General", "chkOpenCDdrive", "missing");
}

} // namespace

class TestCDBurner : public QObject {
    Q_OBJECT

    std::unique_ptr<testsupport::TestEnv> env;
    cGrid mainGrid;
    QStringList countdowns;
    QStringList balloons;

    // A main grid of the given items (file, seconds, marked).
    void fillMainGrid(const QList<std::tuple<QString, int, bool>>& items) {
        mainGrid.Clear();
        listviews::InitGridColumns(mainGrid, nullptr, itemlists::GridVariant::Main);
        int row = 0;
        for (const auto& [file, seconds, marked] : items) {
            itemlists::ItemRow r;
            r.incIcon = marked ? itemlists::ICON_MARKED : itemlists::ICON_UNMARKED;
            r.itemName = QFileInfo(file).fileName();
            r.file = file;
            r.time = core::SecondsToTime(seconds);
            r.bytesSize = "1000";
            r.rangeAll = "1";
            listviews::WriteItemRow(mainGrid, ++row, r);
        }
    }

    std::unique_ptr<frmCDBurner> newWindow(std::shared_ptr<components::AudioWriterSeam> writer = {}) {
        auto w = std::make_unique<frmCDBurner>(nullptr, nullptr, std::move(writer));
        w->EndActionsHooks().turnOffCountdown = [this](qint32 s) { countdowns << QString::number(s); };
        w->EndActionsHooks().balloon = [this](const QString& t) { balloons << t; };
        w->Form_Load();
        return w;
    }

    QString wav(const QString& name, int seed, int seconds) {
        const QString path = env->path("items/" + name);
        burnertest::writeToneWav(path, seed, qint64(seconds) * 44100);
        return path;
    }

private slots:
    void init() {
        env = std::make_unique<testsupport::TestEnv>();
        core::SetShellDriveResolver(&DriveRegistry::localPath);
        countdowns.clear();
        balloons.clear();
    }
    void cleanup() {
        core::SetShellDriveResolver(nullptr);
        env.reset();
    }

    void loadShowsTheWriterAndItsDisc();
    void handOver_data();
    void handOver();
    void speedsFollowTheWriter();
    void burnFromTheWindow();
    void abortFromTheWindow();
    void writerControlsLockedWhileBurning_data();
    void writerControlsLockedWhileBurning();
    void noWriter();
    void showOpensAndUnloads();
    void openCDdriveBoxIsStored_data();
    void openCDdriveBoxIsStored();
};

void TestCDBurner::loadShowsTheWriterAndItsDisc() {
    const QString folder = env->addVirtualDrive("writer");
    auto w = newWindow();
    QCOMPARE(w->windowTitle(), QStringLiteral("Audio CD Burner"));
    QCOMPARE(w->lblTitle->text(), QStringLiteral("Audio CD Burner"));
    QCOMPARE(w->cmdConvert->text(), QStringLiteral("Burn"));
    QCOMPARE(w->cTabControl1->TabIndex("Settings"), 1);
    QCOMPARE(w->cboDrv->count(), 1);
    QCOMPARE(w->cboDrv->currentText(), QStringLiteral("D: Virtual drive (%1)").arg(folder));
    QCOMPARE(w->cboSpeed->count(), 1);
    QCOMPARE(w->cboSpeed->currentText(), QStringLiteral("Max."));
    QCOMPARE(w->cboSpeed->currentData().toInt(), 65535);
    QCOMPARE(w->lblDiskSize->text(), QStringLiteral("737280000"));
    QCOMPARE(w->lblDiskCapacity->text(), QStringLiteral("80 Min"));
    QCOMPARE(w->lblState->text(), QStringLiteral("OK - Ready to be burn."));
    QVERIFY(!w->lblState->font().bold());
    QVERIFY(!w->txtToPath->isVisibleTo(w.get()));
    QCOMPARE(w->lblOpenDestinationDestinationFolder->text(), QStringLiteral("Browse with explorer"));

    // The trays; the display follows only when a writer is selected again.
    w->cmdOpenCD_Click();
    QCOMPARE(w->lblState->text(), QStringLiteral("OK - Ready to be burn."));
    w->cboDrv_Click();
    QCOMPARE(w->lblState->text(), QStringLiteral("The tray is open."));
    QVERIFY(w->lblState->font().bold());
    QCOMPARE(w->lblDiskCapacity->text(), QStringLiteral("0 Min"));
    w->cmdClose_Click();
    w->cboDrv_Click();
    QCOMPARE(w->lblState->text(), QStringLiteral("OK - Ready to be burn."));

    // The drive link opens the writer's disc, here the drive's folder.
    w->lblOpenDestinationDestinationFolder_Click();
    QCOMPARE(env->services().openedUrls, QList<QUrl>{QUrl::fromLocalFile(folder)});
}

void TestCDBurner::handOver_data() {
    QTest::addColumn<int>("secondsOfEach"); // two marked items of this length, one unmarked
    QTest::addColumn<QString>("files");
    QTest::addColumn<QString>("panel");
    QTest::addColumn<QString>("dataSize");
    QTest::addColumn<bool>("over");
    QTest::newRow("79.5 min") << 2385 << "2 items to burn (80 minutes)."
                              << "80 Min / 80 Min."
                              << "Data Size: 2 files, 80 Min / 80 Min." << false;
    QTest::newRow("80.5 min") << 2415 << "2 items to burn (80 minutes)."
                              << "80 Min / 80 Min."
                              << "Data is to big (more then 80 min). Please remove some tracks." << true;
    QTest::newRow("3 min") << 90 << "2 items to burn (3 minutes)."
                           << "3 Min / 80 Min."
                           << "Data Size: 2 files, 3 Min / 80 Min." << false;
}

void TestCDBurner::handOver() {
    QFETCH(int, secondsOfEach);
    QFETCH(QString, files);
    QFETCH(QString, panel);
    QFETCH(QString, dataSize);
    QFETCH(bool, over);
    env->addVirtualDrive("writer");
    fillMainGrid({{"/music/a.wav", secondsOfEach, true},
                  {"/music/b.wav", 600, false},
                  {"/music/c.wav", secondsOfEach, true}});
    auto w = newWindow();
    w->HandOver(mainGrid);
    QCOMPARE(w->lblFilesToConvert->text(), files);
    QCOMPARE(w->cStatusBar1->PanelText("Total Size"), panel);
    QCOMPARE(w->lblDataSize->text(), dataSize);
    QCOMPARE(w->lblDataSize->font().bold(), over);
    QCOMPARE(w->prgSize->Max(), 83);
    QCOMPARE(w->prgSize->Value(), files.contains("80") ? 80 : 3);
    if (over) QCOMPARE(w->prgSize->BarColor(), qint64(255));
    // Exactly the marked items, in list order.
    QCOMPARE(w->RowCount(), 2);
    QCOMPARE(w->Cell(1, itemlists::COL_FILE), QStringLiteral("/music/a.wav"));
    QCOMPARE(w->Cell(2, itemlists::COL_FILE), QStringLiteral("/music/c.wav"));
}

void TestCDBurner::speedsFollowTheWriter() {
    burnertest::FakeRealDrive real("/dev/fake-sr0");
    env->addVirtualDrive("writer");
    auto writer = std::make_shared<burnertest::ScriptedWriter>();
    writer->speeds = {1764, 2822, 7056};
    writer->disc = {components::AudioWriterSeam::Medium::Written, 333000, 0, {}};
    auto w = newWindow(writer);
    QCOMPARE(w->cboDrv->count(), 2);
    QCOMPARE(w->cboDrv->currentIndex(), 0);
    QStringList speeds;
    for (int i = 0; i < w->cboSpeed->count(); ++i)
        speeds << w->cboSpeed->itemText(i);
    QCOMPARE(speeds, (QStringList{"1764 KB/s (10x)", "2822 KB/s (16x)", "7056 KB/s (40x)", "Max."}));
    QCOMPARE(w->cboSpeed->currentText(), QStringLiteral("Max."));
    QCOMPARE(w->lblState->text(), QStringLiteral("The disc in the drive is not blank."));
    QVERIFY(w->lblState->font().bold());

    w->cboSpeed->setCurrentIndex(1);
    w->cboDrv->setCurrentIndex(1); // the virtual drive: only "Max."
    QCOMPARE(w->cboSpeed->count(), 1);
    QCOMPARE(w->lblState->text(), QStringLiteral("OK - Ready to be burn."));
    w->cboDrv->setCurrentIndex(0);
    QCOMPARE(w->cboSpeed->currentText(), QStringLiteral("Max."));

    // The chosen speed's value goes to the burn; the trays go to the writer.
    writer->disc = {components::AudioWriterSeam::Medium::Blank, 333000, 333000, {}};
    w->cboSpeed->setCurrentIndex(1);
    fillMainGrid({{wav("one.wav", 1, 1), 1, true}});
    w->HandOver(mainGrid);
    w->cmdConvert_Click();
    QCOMPARE(writer->speed, 2822);
    QCOMPARE(w->lblCurrentTrack->text(), QStringLiteral("Finished."));
    w->cmdOpenCD_Click();
    QCOMPARE(writer->trays, QStringList{"eject /dev/fake-sr0"});
}

void TestCDBurner::burnFromTheWindow() {
    const QString folder = env->addVirtualDrive("writer");
    fillMainGrid({{wav("one.wav", 1, 2), 2, true},
                  {wav("skip.wav", 2, 1), 1, false},
                  {wav("two.wav", 3, 1), 1, true}});
    auto w = newWindow();
    w->HandOver(mainGrid);
    w->chkOpenCDdrive->setChecked(true);
    w->chkOpenDestFolder->setChecked(true);
    w->chkTurnOffComputer->setChecked(true);

    // While the call runs: "Burn" and "Exit" disabled, closing refused.
    QStringList duringBurn;
    connect(w->cAudioBurner1, &cAudioBurner::ClosingTrack, w.get(), [&] {
        duringBurn << QStringLiteral("%1 %2 %3")
                          .arg(w->cmdConvert->isEnabled())
                          .arg(w->cmdExit->isEnabled())
                          .arg(w->close());
    });
    w->cmdConvert_Click();
    QCOMPARE(duringBurn, (QStringList{"0 0 0", "0 0 0"}));
    QVERIFY(w->cmdConvert->isEnabled());
    QCOMPARE(w->lblCurrentTrack->text(), QStringLiteral("Finished."));
    QCOMPARE(w->lblFilesToConvert->text(), QStringLiteral("Files: 2/2"));
    const QString log = w->txtLog->toPlainText();
    for (const char* line :
         {":Preparing to burn: 2 tracks.", ":List the files to burn...", ":Caching track...",
          ":Writing track...", ":Closing track...", ":Closing session...", ":Finished."})
        QVERIFY2(log.contains(QLatin1String(line)), line);
    QCOMPARE(w->cTabControl1->TabKey(w->cTabControl1->SelectedTab()), QStringLiteral("Log"));

    // The disc holds the two marked items; the end-of-job events ran.
    const components::DiscInfo disc = DriveRegistry::instance().readDisc(0);
    QCOMPARE(disc.tracks.size(), 0); // the tray was opened at the end
    DriveRegistry::instance().closeTray(0);
    QCOMPARE(DriveRegistry::instance().readDisc(0).tracks.size(), 2);
    QCOMPARE(DriveRegistry::instance().readDisc(0).tracks.at(0).sectors, 150);
    QCOMPARE(env->services().openedUrls, QList<QUrl>{QUrl::fromLocalFile(folder)});
    QCOMPARE(countdowns, QStringList{"30"});

    // A second burn meets the full disc: the Part's error text, no end-of-job events.
    w->cmdConvert_Click();
    QCOMPARE(w->lblCurrentTrack->text(), QStringLiteral("Error:The disc in the drive is not blank.(2)"));
    QVERIFY(w->txtLog->toPlainText().endsWith(":Error:The disc in the drive is not blank.(2)\n") ||
            w->txtLog->toPlainText().contains(":Error:The disc in the drive is not blank.(2)"));
    QCOMPARE(countdowns, QStringList{"30"});
    QCOMPARE(env->services().openedUrls.size(), 1);
    QVERIFY(w->cmdConvert->isEnabled());
    QVERIFY(w->close());
}

void TestCDBurner::abortFromTheWindow() {
    const QString folder = env->addVirtualDrive("writer");
    fillMainGrid({{wav("long.wav", 1, 180), 180, true}});
    auto w = newWindow();
    w->HandOver(mainGrid);
    w->chkTurnOffComputer->setChecked(true);
    env->services().msgBoxAnswers.enqueue(core::vbYes);
    burnertest::FirstTrackGate gate;
    connect(w->cAudioBurner1, &cAudioBurner::CachingTrack, w.get(), [&] {
        w->cmdAbort_Click();
        gate.Open();
    });
    w->cmdConvert_Click();
    QCOMPARE(balloons, QStringList{"Aborted."});
    QCOMPARE(w->lblCurrentTrack->text(), QStringLiteral("Error:The burn was aborted.(6)"));
    QVERIFY(countdowns.isEmpty());
    QVERIFY(w->cmdConvert->isEnabled());
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList());
}

void TestCDBurner::writerControlsLockedWhileBurning_data() {
    QTest::addColumn<QString>("ending");
    QTest::newRow("finished") << "finished";
    QTest::newRow("disc not blank") << "error";
    QTest::newRow("aborted") << "aborted";
}

// While a burn runs the writer, its speed, the trays and the job's buttons
// are off, and every way the burn ends gives them back.
void TestCDBurner::writerControlsLockedWhileBurning() {
    QFETCH(QString, ending);
    const QString folder = env->addVirtualDrive("writer");
    if (ending == "error") QVERIFY(!testsupport::writeAudioCueBin(folder, {1}).isEmpty());
    const int seconds = ending == "aborted" ? 30 : 1;
    fillMainGrid({{wav("one.wav", 1, seconds), seconds, true}});
    auto w = newWindow();
    w->HandOver(mainGrid);
    QList<QWidget*> controls{w->cboDrv, w->cboSpeed, w->cmdOpenCD, w->cmdClose, w->cmdConvert, w->cmdExit};
    QStringList during;
    auto look = [&] {
        QString enabled;
        for (QWidget* c : controls)
            enabled += c->isEnabled() ? '1' : '0';
        during << enabled;
    };
    connect(w->cAudioBurner1, &cAudioBurner::CachingTrack, w.get(), look);
    connect(w->cAudioBurner1, &cAudioBurner::Error, w.get(), look);
    // The burn waits at its first track until the abort is in.
    burnertest::FirstTrackGate gate;
    if (ending == "aborted") {
        env->services().msgBoxAnswers.enqueue(core::vbYes);
        connect(w->cAudioBurner1, &cAudioBurner::CachingTrack, w.get(), [&] {
            w->cmdAbort_Click();
            gate.Open();
        });
    } else {
        gate.Open();
    }
    w->cmdConvert_Click();
    QVERIFY(!during.isEmpty());
    for (const QString& enabled : during)
        QCOMPARE(enabled, QString("000000"));
    for (QWidget* c : controls)
        QVERIFY2(c->isEnabled(), qPrintable(c->objectName()));
    QCOMPARE(w->lblCurrentTrack->text().startsWith("Error:"), ending != "finished");
}

void TestCDBurner::noWriter() {
    fillMainGrid({{wav("one.wav", 1, 1), 1, true}});
    auto w = newWindow();
    w->HandOver(mainGrid);
    QCOMPARE(w->cboDrv->count(), 0);
    QCOMPARE(w->cboSpeed->count(), 0);
    QCOMPARE(w->lblDiskSize->text(), QStringLiteral("Disk Size"));
    QCOMPARE(w->lblDiskCapacity->text(), QStringLiteral("Disk Capacity"));
    QCOMPARE(w->lblState->text(), QStringLiteral("State"));
    w->lblOpenDestinationDestinationFolder_Click();
    QVERIFY(env->services().openedUrls.isEmpty());
    w->cmdConvert_Click();
    QCOMPARE(w->lblCurrentTrack->text(), QStringLiteral("Error:The writer does not exist.(1)"));
}

// The dispatcher's entry: the window opens modally with the marked items and
// is gone once it closes.
void TestCDBurner::showOpensAndUnloads() {
    env->addVirtualDrive("writer");
    fillMainGrid({{"/music/a.wav", 60, true}, {"/music/b.wav", 60, false}});
    QStringList seen;
    QTimer::singleShot(0, this, [&] {
        QVERIFY(burning::g_frmCDBurner);
        seen << burning::g_frmCDBurner->lblFilesToConvert->text()
             << QString::number(burning::g_frmCDBurner->RowCount())
             << QString::number(burning::g_frmCDBurner->isVisible());
        burning::g_frmCDBurner->chkOpenCDdrive->setChecked(true);
        burning::g_frmCDBurner->cmdExit->click();
    });
    toolframe::ToolLaunch launch;
    launch.mainGrid = &mainGrid;
    burning::ShowCDBurner(launch);
    QCOMPARE(seen, (QStringList{"1 items to burn (1 minutes).", "1", "1"}));
    QVERIFY(!burning::g_frmCDBurner);
    QCOMPARE(storedBox(), QStringLiteral("1"));
}

void TestCDBurner::openCDdriveBoxIsStored_data() {
    QTest::addColumn<QString>("stored"); // "" = nothing stored
    QTest::addColumn<bool>("checkedAtLoad");
    QTest::newRow("missing") << "" << false;
    QTest::newRow("1") << "1" << true;
    QTest::newRow("0") << "0" << false;
}

void TestCDBurner::openCDdriveBoxIsStored() {
    QFETCH(QString, stored);
    QFETCH(bool, checkedAtLoad);
    if (!stored.isEmpty())
        QVERIFY(core::SaveSetting(core::g_sProductName, "General", "chkOpenCDdrive", stored));
    auto w = newWindow();
    QCOMPARE(w->chkOpenCDdrive->isChecked(), checkedAtLoad);
    QCOMPARE(storedBox(), stored.isEmpty() ? QStringLiteral("missing") : stored);
    w->chkOpenCDdrive->setChecked(!checkedAtLoad);
    QVERIFY(w->close());
    QCOMPARE(storedBox(), checkedAtLoad ? QStringLiteral("0") : QStringLiteral("1"));
}

QTEST_MAIN(TestCDBurner)
#include "tst_cdburner.moc"
