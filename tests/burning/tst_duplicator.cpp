// The Audio CD Duplicator window, headless through its handlers: the source
// drive and its disc check (at load and at each tick of the state timer), the
// writer side, the trays, the close rule while a duplication runs, the
// temporary folder emptied at close, and a burn given up at the prompt that
// keeps the window open with its rips.
#include "burning/frmAudioCDDuplicator.h"

#include "DiscImages.h"
#include "TestEnv.h"
#include "components/DriveRegistry.h"
#include "components/cAudioBurner.h"
#include "controls/ControlColor.h"
#include "controls/cGrid.h"
#include "controls/cTabControl.h"
#include "core/Services.h"
#include "core/mdlModes.h"
#include "itemlists/ItemRows.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

using components::DriveRegistry;

namespace {

QColor textColour(QLabel* label) {
    return label->palette().color(QPalette::WindowText);
}

QStringList gridColumn(frmAudioCDDuplicator& w, const QString& key) {
    QStringList cells;
    for (qint32 r = 1; r <= w.cGrid1->Rows(); ++r)
        cells << w.cGrid1->CellText(r, w.cGrid1->ColumnIndex(key));
    return cells;
}

} // namespace

class TestDuplicator : public QObject {
    Q_OBJECT

    std::unique_ptr<testsupport::TestEnv> env;
    QString source;
    QString writer;

    std::unique_ptr<frmAudioCDDuplicator> newWindow() {
        auto w = std::make_unique<frmAudioCDDuplicator>(nullptr);
        w->Form_Load();
        return w;
    }

private slots:
    void init() {
        env = std::make_unique<testsupport::TestEnv>();
        qputenv("CORVANE_KEEP_TRAYS_OPEN", "1");
    }
    void cleanup() {
        env.reset();
        qunsetenv("CORVANE_KEEP_TRAYS_OPEN");
    }

    void loadListsTheSourceDiscAndTheWriter();
    void discCheck_data();
    void discCheck();
    void discTakenOutAndPutBack();
    void closeRules();
    void burnGivenUpKeepsTheWindowAndItsRips();
};

void TestDuplicator::loadListsTheSourceDiscAndTheWriter() {
    source = env->addVirtualDrive("source");
    writer = env->addVirtualDrive("writer");
    QVERIFY(!testsupport::writeAudioCueBin(source, {1, 1, 2}).isEmpty());
    auto w = newWindow();
    QCOMPARE(w->windowTitle(), QStringLiteral("Audio CD Duplicator"));
    QCOMPARE(w->lblTitle->text(), QStringLiteral("Audio CD Duplicator"));
    QCOMPARE(w->cmdConvert->text(), QStringLiteral("Duplicate"));
    QCOMPARE(w->cTabControl1->TabCaption(1), QStringLiteral("Duplicator Options    "));
    QCOMPARE(w->cTabControl1->TabKey(1), QStringLiteral("Settings"));

    // The source: its disc checked and its tracks listed.
    QCOMPARE(w->cboDevices->count(), 2);
    QCOMPARE(w->cboDevices->currentIndex(), 0);
    QCOMPARE(w->lblCDStatus->text(), QStringLiteral("OK: 3 CDA tracks"));
    QCOMPARE(textColour(w->lblCDStatus), QColor(0, 0, 0));
    QCOMPARE(w->lblFilesToConvert->text(), QStringLiteral("OK: 3 CDA tracks"));
    QVERIFY(w->cmdConvert->isEnabled());
    QCOMPARE(gridColumn(*w, itemlists::COL_ITEM_NAME),
             (QStringList{"Track01.cda", "Track02.cda", "Track03.cda"}));
    QCOMPARE(gridColumn(*w, itemlists::COL_FILE),
             (QStringList{"D:/Track01.cda", "D:/Track02.cda", "D:/Track03.cda"}));
    QCOMPARE(gridColumn(*w, QStringLiteral("Time")), (QStringList{"", "", ""}));
    QCOMPARE(w->cGrid1->SelectedRow(), 1);
    QVERIFY(!w->cGrid1->isVisibleTo(w.get()));

    // The writer: size and capacity shown, the state filled but hidden.
    QCOMPARE(w->cboDrv->count(), 2);
    w->cboDrv->setCurrentIndex(1);
    QCOMPARE(w->cboSpeed->currentText(), QStringLiteral("Max."));
    QCOMPARE(w->lblDiskSize->text(), QStringLiteral("737280000"));
    QCOMPARE(w->lblDiskCapacity->text(), QStringLiteral("80 Min"));
    QCOMPARE(w->lblState->text(), QStringLiteral("OK - Ready to be burn."));
    QVERIFY(!w->lblState->isVisibleTo(w.get()));
    w->cmdOpenDestCD_Click();
    QVERIFY(DriveRegistry::instance().isTrayOpen(1));
    w->cmdClose_Click();
    QVERIFY(!DriveRegistry::instance().isTrayOpen(1));

    // What the window does not show, and what it starts with.
    for (QWidget* hidden : std::initializer_list<QWidget*>{w->txtToPath, w->chkOnTheFly, w->lblTimeLeft,
                                                           w->cboFileName, w->chkOverWrite})
        QVERIFY2(!hidden->isVisibleTo(w.get()), qPrintable(hidden->objectName()));
    QCOMPARE(w->txtToPath->currentText(), env->home() + "/duptmp/");
    QVERIFY(w->chkOpenCDdrive->isChecked());
    QVERIFY(w->chkOpenCDdrive->font().bold());
    QVERIFY(w->tmrState->isActive());
    QCOMPARE(w->tmrState->interval(), 3000);
}

void TestDuplicator::discCheck_data() {
    QTest::addColumn<QString>("disc"); // what the source drive holds
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("afterTick");
    QTest::newRow("data disc") << "iso"
                               << "'D:\\' is not an Audio CD."
                               << "'D:\\' is not an Audio CD.";
    QTest::newRow("blank disc") << "blank"
                                << "'D:\\' is not an Audio CD."
                                << "'D:\\' is not an Audio CD.";
    // No drive: no check at load; the first tick checks nothing and says so.
    QTest::newRow("no drive") << "none"
                              << "Ready."
                              << "Cannot select '\\' as an Audio CD.";
}

void TestDuplicator::discCheck() {
    QFETCH(QString, disc);
    QFETCH(QString, status);
    QFETCH(QString, afterTick);
    if (disc != "none") source = env->addVirtualDrive("source");
    if (disc == "iso") QVERIFY(testsupport::writeIso(source + "/data.iso"));
    auto w = newWindow();
    QCOMPARE(w->lblCDStatus->text(), status);
    QCOMPARE(w->lblFilesToConvert->text(), disc == "none" ? QStringLiteral("Files: 0/15") : status);
    QVERIFY(!w->cmdConvert->isEnabled());
    QCOMPARE(w->cGrid1->Rows(), 0);
    w->tmrState_Timer();
    QCOMPARE(w->lblCDStatus->text(), afterTick);
    QCOMPARE(textColour(w->lblCDStatus), QColor(255, 0, 0));
    QVERIFY(!w->cmdConvert->isEnabled());
    // The window closes whenever nothing runs.
    QVERIFY(w->close());
}

void TestDuplicator::discTakenOutAndPutBack() {
    source = env->addVirtualDrive("source");
    QVERIFY(!testsupport::writeAudioCueBin(source, {1, 1}).isEmpty());
    auto w = newWindow();
    QVERIFY(w->cmdConvert->isEnabled());
    w->cmdOpenCD_Click();
    w->tmrState_Timer();
    QCOMPARE(w->lblCDStatus->text(), QStringLiteral("'D:\\' is not an Audio CD."));
    QCOMPARE(w->cGrid1->Rows(), 0);
    QVERIFY(!w->cmdConvert->isEnabled());
    // The timer's look says nothing; the user who picks the empty drive is told.
    QVERIFY(env->services().messages.isEmpty());
    emit w->cboDevices->activated(0);
    QCOMPARE(env->services().messages.size(), 1);
    QCOMPARE(env->services().messages[0].prompt, QStringLiteral("There is no CD in the drive."));
    QCOMPARE(env->services().messages[0].style, int(core::vbInformation));
    QCOMPARE(env->services().messages[0].title, core::AppTitle());
    w->cmdCloseCD_Click();
    emit w->cboDevices->activated(0);
    QCOMPARE(env->services().messages.size(), 1);
    w->tmrState_Timer();
    QCOMPARE(w->lblCDStatus->text(), QStringLiteral("OK: 2 CDA tracks"));
    QCOMPARE(w->cGrid1->Rows(), 2);
    QVERIFY(w->cmdConvert->isEnabled());
}

// Closing is refused while a duplication runs (its controls are off and the
// disc is not checked meanwhile); closing empties the temporary folder of
// whatever it holds, and stops the disc check.
void TestDuplicator::closeRules() {
    source = env->addVirtualDrive("source");
    writer = env->addVirtualDrive("writer");
    QVERIFY(!testsupport::writeAudioCueBin(source, {1, 1}).isEmpty());
    auto w = newWindow();
    w->cboDrv->setCurrentIndex(1);
    QStringList during;
    auto look = [&] {
        QString s;
        for (QWidget* c : std::initializer_list<QWidget*>{w->cmdExit, w->cmdConvert, w->cboDevices,
                                                          w->cmdOpenCD, w->cmdCloseCD, w->cboDrv, w->cboSpeed,
                                                          w->cmdOpenDestCD, w->cmdClose})
            s += c->isEnabled() ? '1' : '0';
        s += w->tmrState->isActive() ? " timer" : " -";
        s += w->close() ? " closed" : " open";
        during << s;
    };
    bool lookedWhileRipping = false;
    connect(w->cAudioCDRipper1, &components::cAudioCDRipper::Progress, w.get(), [&](qint32 p) {
        if (p < 50 || lookedWhileRipping) return;
        lookedWhileRipping = true;
        look();
    });
    connect(w->cAudioBurner1, &components::cAudioBurner::CachingTrack, w.get(), look);
    QSignalSpy finished(&w->Job(), &core::Job::Finished);
    w->cmdConvert->click();
    QVERIFY(finished.wait(60000));
    QVERIFY(!during.isEmpty());
    for (const QString& s : during)
        QCOMPARE(s, QStringLiteral("000000000 - open"));
    QCOMPARE(finished.first().first().toBool(), true);
    QVERIFY(lookedWhileRipping);
    // The duplication that went well closed the window (which stopped the disc check).
    QVERIFY(!w->tmrState->isActive());
    QVERIFY(QDir(env->home() + "/duptmp").entryList(QDir::Files).isEmpty());
    QCOMPARE(env->services().messages.last().prompt, "Done." + QString(19, ' '));

    // Closing empties the folder, whoever wrote there; the folder stays.
    auto again = newWindow();
    const QString temp = env->home() + "/duptmp/";
    QVERIFY(testsupport::writeFileBytes(temp + "stranger.wav", "x"));
    QVERIFY(QDir().mkpath(temp + "keep"));
    QVERIFY(again->close());
    QCOMPARE(QDir(temp).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"keep"});
}

void TestDuplicator::burnGivenUpKeepsTheWindowAndItsRips() {
    source = env->addVirtualDrive("source");
    writer = env->addVirtualDrive("writer");
    QVERIFY(!testsupport::writeAudioCueBin(source, {1, 2}).isEmpty());
    QVERIFY(!testsupport::writeAudioCueBin(writer, {1}, "old").isEmpty());
    auto w = newWindow();
    w->cboDrv->setCurrentIndex(1);
    env->services().msgBoxAnswers.enqueue(core::vbCancel);
    QSignalSpy finished(&w->Job(), &core::Job::Finished);
    w->cmdConvert->click();
    QVERIFY(finished.wait(60000));
    QCOMPARE(finished.first().first().toBool(), false);
    QCOMPARE(env->services().messages.size(), 1);
    QVERIFY(env->services().messages.first().prompt.startsWith("Insert an empty media to drive E then"));
    QCOMPARE(w->lblCurrentTrack->text(), QStringLiteral("The burn was cancelled."));
    QVERIFY(!w->windowTitle().contains("Done"));
    QVERIFY(w->txtLog->toPlainText().contains(":Start to rip: Track02.cda..."));
    // Still open, ready for another try with the rips it has.
    QVERIFY(w->cmdConvert->isEnabled());
    QVERIFY(w->cmdExit->isEnabled());
    QVERIFY(w->tmrState->isActive());
    QCOMPARE(QDir(env->home() + "/duptmp").entryList(QDir::Files), (QStringList{"1.wav", "2.wav"}));
    // The source taken out (the same drive could now take the blank): "Duplicate" stays on.
    w->cmdOpenCD_Click();
    w->tmrState_Timer();
    QVERIFY(w->cmdConvert->isEnabled());
    QVERIFY(w->close());
    QVERIFY(QDir(env->home() + "/duptmp").entryList(QDir::Files).isEmpty());
}

QTEST_MAIN(TestDuplicator)
#include "tst_duplicator.moc"
