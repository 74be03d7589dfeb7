// The Audio Converter and the ACM Converter, driven through their handlers
// with a scripted item job: set-up, hand-over, a run from the Convert button
// to the log, the close rule, the "Set as default" links and the destination
// folder.
#include "BatchFakes.h"
#include "TestEnv.h"
#include "components/cAudioConverter.h"
#include "controls/cGrid.h"
#include "controls/cProgressBar.h"
#include "controls/cStatusBar.h"
#include "controls/cTabControl.h"
#include "conversion/frmACMConverter.h"
#include "conversion/frmConverter.h"
#include "core/AppPaths.h"
#include "core/RegistryRoutines.h"
#include "core/mdlFunctions.h"
#include "core/mdlModes.h"
#include "core/mdlSupportedDestination.h"
#include "dialogs/frmAbout.h"
#include "listviews/ItemsGrid.h"
#include "settings/EncoderSettings.h"
#include "settings/SettingsVariables.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

using namespace conversion;
using namespace core;
using testsupport::ScriptedItemJob;

namespace {

QString generalValue(const QString& name) {
    core::RegistryRoutines reg;
    reg.setHkey(core::HKEY_LOCAL_MACHINE);
    reg.setKeyRoot("SOFTWARE\\" + core::g_sCompany + "\\" + core::g_sProductName);
    reg.setSubkey("General");
    return reg.GetRegistryValue(name).toString();
}

} // namespace

class tst_ConverterWindows : public QObject {
    Q_OBJECT

    std::unique_ptr<testsupport::TestEnv> env;
    std::unique_ptr<cGrid> mainGrid;
    QList<qint32> countdowns; // the turn-off countdowns asked for (never the real one)

    // A main grid of three items, rows 1 and 3 marked, row 3 selected.
    void fillMainGrid() {
        mainGrid = std::make_unique<cGrid>();
        listviews::InitGridColumns(*mainGrid, nullptr, itemlists::GridVariant::Main);
        for (int i = 1; i <= 3; ++i) {
            itemlists::ItemRow r;
            r.incIcon = i == 2 ? itemlists::ICON_UNMARKED : itemlists::ICON_MARKED;
            r.itemName = QString("Song%1.mp3").arg(i);
            r.file = env->path("music") + QString("/Song%1.mp3").arg(i);
            r.time = "00:01:00";
            r.bytesSize = "2000000";
            r.rangeAll = "1";
            r.title = "[ITEM_NAME] #[TRACK_NUM]";
            listviews::WriteItemRow(*mainGrid, i, r);
        }
        mainGrid->setSelectedRow(3);
    }

    frmConverter* newConverter(ScriptedItemJob*& job) {
        auto owned = std::make_unique<ScriptedItemJob>();
        job = owned.get();
        auto* w = new frmConverter(std::move(owned), nullptr);
        w->EndActionsHooks().turnOffCountdown = [this](qint32 s) { countdowns << s; };
        w->Form_Load();
        return w;
    }

private slots:
    void init() {
        env = std::make_unique<testsupport::TestEnv>();
        settings::g_sFileNameFormat.clear();
        settings::g_sTargetFormat = core::DestinationFormatText(core::fmtMP3);
        settings::g_bPlaySound = true;
        settings::g_bOpenDestFolder = false;
        settings::g_bNoticeApp = false;
        settings::g_bTurnOffComputer = true;
        settings::g_lMP3Bitrate = 128;
        fillMainGrid();
        countdowns.clear();
    }
    void cleanup() {
        mainGrid.reset();
        env.reset();
    }

    void setUp() {
        ScriptedItemJob* job = nullptr;
        std::unique_ptr<frmConverter> w(newConverter(job));
        QCOMPARE(w->windowTitle(), QString("Audio Converter"));
        QCOMPARE(w->cTabControl1->TabCount(), 3);
        QCOMPARE(w->cTabControl1->TabCaption(1), QString("Converter        "));
        QVERIFY(!w->TabSettings->isHidden());
        QVERIFY(w->TabLog->isHidden());
        QCOMPARE(w->cGrid1->Columns(), itemlists::kItemColumnCount);
        QCOMPARE(w->cGrid1->ColumnCaption(w->cGrid1->ColumnIndex("Time")), QString("Time-Length"));
        // No history: the program folder's Main folder, its link as designed (enabled).
        QCOMPARE(w->txtToPath->currentText(), core::ProgramFolder() + "/Main/");
        QVERIFY(w->lblSetAsDefaultDestination->isEnabled());
        // No stored template: the second one, and its link enabled.
        QCOMPARE(w->cboFileName->currentText(), QString("[file_name].[source_extension].[dest_extension]"));
        QVERIFY(w->lblSetAsDefaultFileName->isEnabled());
        QCOMPARE(w->cboTargetFormat->currentText(), settings::g_sTargetFormat);
        QVERIFY(!w->lblSetAsDefaultFormat->isEnabled());
        QVERIFY(w->chkPlaySound->isChecked());
        QVERIFY(w->chkTurnOffComputer->isChecked());
        QVERIFY(!w->chkNoticeApp->isChecked());
        QCOMPARE(w->chkNoticeApp->text(), QString("Execute external program "));
        QCOMPARE(w->cStatusBar1->PanelKey(1), QString("Total Size"));
        QCOMPARE(w->cStatusBar1->PanelKey(2), QString("Total Time"));
        QVERIFY(!w->txtUndeForlder->isEnabled());
        for (const char* name : {"cmdConvert", "cmdAbort", "cmdExit", "txtLog", "prgCurrnet", "prgTotal",
                                 "lblTimeLeft", "lblFilesToConvert", "lblCurrentTrack", "chkOverWrite",
                                 "chkCreateSubFolder", "cmdSelectPath", "lblOpenDestinationDestinationFolder",
                                 "lblParameters", "lblEventsSettings", "cmdEditTargetFormat"})
            QVERIFY2(w->findChild<QWidget*>(name), name);
    }

    void fileNameFormatsFromFile() {
        QFile f(core::ProgramFolder() + "/FileNameFormats.txt");
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("[123]_[file_name].[dest_extension]\r\n\r\n[item_name]\r\n");
        f.close();
        settings::g_sFileNameFormat = "[item_name]";
        ScriptedItemJob* job = nullptr;
        std::unique_ptr<frmConverter> w(newConverter(job));
        QCOMPARE(w->cboFileName->count(), 2);
        QCOMPARE(w->cboFileName->currentText(), QString("[item_name]"));
        QVERIFY(!w->lblSetAsDefaultFileName->isEnabled());
    }

    // A stored format the list does not offer: nothing chosen, the link as designed.
    void storedFormatNotOffered() {
        settings::g_sTargetFormat = "XYZ - no such format";
        ScriptedItemJob* job = nullptr;
        std::unique_ptr<frmConverter> w(newConverter(job));
        QCOMPARE(w->cboTargetFormat->currentIndex(), -1);
        QVERIFY(w->lblSetAsDefaultFormat->isEnabled());
    }

    // From the Convert button to the log, labels and bars; the close rule on the way.
    void handOverAndRun() {
        ScriptedItemJob* job = nullptr;
        std::unique_ptr<frmConverter> w(newConverter(job));
        w->HandOver(*mainGrid, "My List", " items to convert.");
        QCOMPARE(w->lblFilesToConvert->text(), QString("2 items to convert."));
        QCOMPARE(w->Run().g_ltmrItemSecsTotal, 120);
        QCOMPARE(w->cStatusBar1->PanelText("Total Size"), QString("Total Time: 0:02:00"));
        QVERIFY(w->cStatusBar1->PanelText("Total Time").startsWith("Total Size: "));
        QCOMPARE(w->txtUndeForlder->text(), QString("My List"));
        QCOMPARE(w->cGrid1->Rows(), 2);

        const QString dest = env->path("out");
        w->txtToPath->setEditText(dest);
        w->chkCreateSubFolder->setChecked(true);
        w->cboFileName->setCurrentIndex(0);
        job->outcomes.enqueue(ScriptedItemJob::done({40}));
        job->outcomes.enqueue(ScriptedItemJob::hold());
        QSignalSpy finished(&w->Run(), &core::BatchRun::Ended);
        w->cmdConvert->click();
        QTRY_COMPARE(job->items.size(), 2);
        // Running: neither Exit nor the close box ends the window.
        QVERIFY(!w->cmdConvert->isEnabled());
        QVERIFY(!w->cmdExit->isEnabled());
        w->show();
        QVERIFY(!w->close());
        QVERIFY(w->isVisible());
        job->FinishHeld();
        QVERIFY(finished.wait(5000));

        QCOMPARE(job->runs.size(), 1);
        QCOMPARE(job->runs[0].outputFormat, 3);
        QCOMPARE(job->items[0].destination, dest + "/My List/Song1.mp3");
        QCOMPARE(job->items[1].destination, dest + "/My List/Song3.mp3");
        QCOMPARE(job->items[1].tags->title, QString("Song3.mp3 #2"));
        QCOMPARE(w->txtToPath->currentText(), dest + "/");
        QCOMPARE(core::ReadPathHistory().value(0), dest + "/");
        QCOMPARE(w->lblCurrentTrack->text(), QString("Done."));
        QCOMPARE(w->windowTitle(), QString("Done."));
        QCOMPARE(w->prgTotal->Value(), 200);
        QCOMPARE(w->prgCurrnet->Value(), 100);
        QVERIFY(!w->TabLog->isHidden());
        const QString log = w->txtLog->toPlainText();
        for (const char* line :
             {":Preparing to convert: 2 tracks.", ":Destination format: MP3",
              ":Start to convert: Song1.mp3...", ":Start to convert: Song3.mp3...", ":Done."})
            QVERIFY2(log.contains(line), line);
        QCOMPARE(env->services().playedSounds.size(), 1);
        QCOMPARE(countdowns, QList<qint32>{30});
        QVERIFY(w->cmdConvert->isEnabled());

        // A second run is separated by an empty line and finds the outputs through the job only.
        w->cmdConvert_Click();
        QTRY_COMPARE(finished.size(), 2);
        QVERIFY(w->txtLog->toPlainText().contains("\n\n"));

        QVERIFY(w->close());
        QCOMPARE(job->closes, 1);
    }

    void abortButton() {
        ScriptedItemJob* job = nullptr;
        std::unique_ptr<frmConverter> w(newConverter(job));
        w->HandOver(*mainGrid, "L", " items to convert.");
        w->txtToPath->setEditText(env->path("out"));
        job->outcomes.enqueue(ScriptedItemJob::hold({10}));
        w->cmdConvert_Click();
        QTRY_COMPARE(w->prgCurrnet->Value(), 10);
        QVERIFY(w->windowTitle().startsWith("Converting... [ 10% / "));
        env->services().msgBoxAnswers.enqueue(core::vbYes);
        w->cmdAbort->click();
        QTRY_VERIFY(w->cmdConvert->isEnabled());
        QCOMPARE(w->lblCurrentTrack->text(), QString("Aborted."));
        QCOMPARE(w->windowTitle(), QString("Aborted."));
        QVERIFY(env->services().playedSounds.isEmpty());
        QVERIFY(w->close());
    }

    void setAsDefaultLinks() {
        ScriptedItemJob* job = nullptr;
        std::unique_ptr<frmConverter> w(newConverter(job));
        w->cboFileName->setCurrentIndex(2);
        QVERIFY(w->lblSetAsDefaultFileName->isEnabled());
        w->lblSetAsDefaultFileName_Click();
        QCOMPARE(generalValue("cboFileName"), QString("[file_name]_[123].[dest_extension]"));
        QCOMPARE(settings::g_sFileNameFormat, QString("[file_name]_[123].[dest_extension]"));
        QVERIFY(!w->lblSetAsDefaultFileName->isEnabled());

        w->cboTargetFormat->setCurrentIndex(
            w->cboTargetFormat->findText(core::DestinationFormatText(core::fmtWAV)));
        QVERIFY(w->lblSetAsDefaultFormat->isEnabled());
        w->lblSetAsDefaultFormat_Click();
        QCOMPARE(generalValue("cboTargetFormat"), core::DestinationFormatText(core::fmtWAV));
        QCOMPARE(settings::g_sTargetFormat, core::DestinationFormatText(core::fmtWAV));

        // Edit opens the Audio Format dialog at the format's tab and stores the format whatever happened
        // there.
        QString openedAt;
        w->openAudioFormat = [&](QWidget*, const QString& key) { openedAt = key; };
        w->cboTargetFormat->setCurrentIndex(
            w->cboTargetFormat->findText(core::DestinationFormatText(core::fmtMP3)));
        w->cmdEditTargetFormat_Click();
        QCOMPARE(openedAt, QString("MP3"));
        QCOMPARE(settings::g_sTargetFormat, core::DestinationFormatText(core::fmtMP3));
        QVERIFY(!w->lblSetAsDefaultFormat->isEnabled());

        // Destination: the typed folder becomes the newest history entry.
        w->txtToPath->setEditText("/tmp/a/");
        w->lblSetAsDefaultDestination_Click();
        w->txtToPath->setEditText("/tmp/b/");
        w->lblSetAsDefaultDestination->setEnabled(true);
        w->lblSetAsDefaultDestination_Click();
        QCOMPARE(core::ReadPathHistory().mid(0, 2), (QStringList{"/tmp/b/", "/tmp/a/"}));
        QVERIFY(!w->lblSetAsDefaultDestination->isEnabled());
        w->txtToPath->setCurrentIndex(1);
        QVERIFY(w->lblSetAsDefaultDestination->isEnabled());
        w->txtToPath->setCurrentIndex(0);
        QVERIFY(!w->lblSetAsDefaultDestination->isEnabled());

        // Events Options: the boxes come back to the stored defaults.
        w->chkPlaySound->setChecked(false);
        bool opened = false;
        w->openEventsOptions = [&](QWidget*) { opened = true; };
        w->lblEventsSettings_Click();
        QVERIFY(opened);
        QVERIFY(w->chkPlaySound->isChecked());
        int section = -1;
        w->openProgParameters = [&](QWidget*, int s) { section = s; };
        w->lblParameters_Click();
        QCOMPARE(section, 2);
    }

    void openDestinationFolder() {
        ScriptedItemJob* job = nullptr;
        std::unique_ptr<frmConverter> w(newConverter(job));
        const QString dest = env->path("missing") + "/deeper";
        w->txtToPath->setEditText(dest);
        env->services().msgBoxAnswers.enqueue(core::vbNo);
        w->lblOpenDestinationDestinationFolder_Click();
        QCOMPARE(w->txtToPath->currentText(), dest + "/");
        QVERIFY(
            env->services().messages.last().prompt.startsWith("The folder " + dest + "/ does not exist."));
        QCOMPARE(env->services().messages.last().title, core::g_sProductName); // the name alone, here
        QVERIFY(env->services().openedUrls.isEmpty());
        env->services().msgBoxAnswers.enqueue(core::vbYes);
        w->lblOpenDestinationDestinationFolder_Click();
        QVERIFY(QFileInfo(dest).isDir());
        QCOMPARE(env->services().openedUrls.size(), 1);
        QCOMPARE(core::ReadPathHistory().value(0), dest + "/");
    }

    // The ACM Converter: codec lists from the converter, "wav" names, no tags,
    // the product name in the caption, errors only in the log.
    void acmConverter() {
        components::cAudioConverter codecs;
        auto owned = std::make_unique<ScriptedItemJob>();
        ScriptedItemJob* job = owned.get();
        std::unique_ptr<frmACMConverter> w(new frmACMConverter(std::move(owned), codecs, nullptr));
        w->EndActionsHooks().turnOffCountdown = [this](qint32 s) { countdowns << s; };
        w->Form_Load();
        QCOMPARE(w->windowTitle(), QString("ACM Converter"));
        QCOMPARE(w->cTabControl1->TabCaption(1), QString("ACM Converter        "));
        QCOMPARE(w->chkNoticeApp->text(), QString("Execute external program"));
        QVERIFY(w->cboTags->count() > 0);
        QCOMPARE(w->cboTags->currentText(), QString("PCM"));
        QVERIFY(w->cboFormats->count() > 0);
        QCOMPARE(w->cboFormats->currentIndex(), 0);
        QVERIFY(!w->findChild<QComboBox*>("cboTargetFormat"));

        w->FillSourceList(*mainGrid);
        QCOMPARE(w->cboBestAccordItem->count(), 4);
        QCOMPARE(w->cboBestAccordItem->itemText(0), QString("All ACM Codecs"));
        QCOMPARE(w->cboBestAccordItem->currentText(),
                 mainGrid->CellText(3, mainGrid->ColumnIndex("COL_FILE")));
        w->cboBestAccordItem->setCurrentIndex(0);
        QCOMPARE(w->cboTags->currentText(), QString("PCM"));

        const int tagIndex = w->cboTags->count() - 1;
        w->cboTags->setCurrentIndex(tagIndex);
        const QString tag = w->cboTags->currentText();
        const QString format = w->cboFormats->currentText();

        w->HandOver(*mainGrid, "L", " items to convert.");
        w->txtToPath->setEditText(env->path("acm"));
        w->cboFileName->setCurrentIndex(0);
        job->outcomes.enqueue(ScriptedItemJob::error(3, "Cannot encode"));
        job->outcomes.enqueue(ScriptedItemJob::done({50}));
        QSignalSpy finished(&w->Run(), &core::BatchRun::Ended);
        w->cmdConvert_Click();
        QVERIFY(finished.wait(5000));
        QCOMPARE(job->runs[0].outputFormat, 2);
        QCOMPARE(job->runs[0].acmTag, tag);
        QCOMPARE(job->runs[0].acmFormat, format);
        QVERIFY(!job->items[0].tags);
        QVERIFY(job->items[1].destination.endsWith("/Song3.wav"));
        QVERIFY(w->txtLog->toPlainText().contains(":Destination format: ACM WAV"));
        QVERIFY(w->txtLog->toPlainText().contains(":Error: Cannot encode(3)"));
        QCOMPARE(w->windowTitle(), core::g_sProductName + " " + core::g_sProductVersion);
        QCOMPARE(w->lblCurrentTrack->text(), QString("Done with errors (1 of 2 failed)."));
        QCOMPARE(w->lblTimeLeft->text(), QString("Time Left: 00:00:00"));
        QVERIFY(w->cboTags->isEnabled());
        QVERIFY(countdowns.isEmpty()); // an item failed
    }
};

QTEST_MAIN(tst_ConverterWindows)
#include "tst_converterwindows.moc"
