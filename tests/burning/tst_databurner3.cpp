// The data-disc burner window (MP3 CD Maker, WMA CD Maker) end to end on
// virtual drives: generated items converted or copied into the temporary
// folder, burned with either engine, and read back from the image; the ways
// a job can end (abort in either stage, a failed item, a disc too small,
// clashing names, a [time] template), the engine choice and its store, and
// the temporary files.
#include "burning/frmDataBurner3.h"

#include "BurnerFixtures.h"
#include "IsoReadBack.h"
#include "MediaTools.h"
#include "TestEnv.h"
#include "components/cAudioCDRipper.h"
#include "controls/cGrid.h"
#include "core/mdlFunctions.h"
#include "core/mdlModes.h"
#include "core/mdlSettingStore.h"
#include "listviews/ItemsGrid.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QtTest>

using components::DriveRegistry;

namespace {

struct Item {
    QString file;
    QString title;
    QString artist;
};

// The title and artist tags of a file as mutagen reads them, "title|artist".
QString mutagenTags(const QString& path) {
    const QString script = QStringLiteral("import sys, mutagen\n"
                                          "f = mutagen.File(sys.argv[1])\n"
                                          "t = f.tags\n"
                                          "def g(*keys):\n"
                                          "    for k in keys:\n"
                                          "        if t is not None and k in t:\n"
                                          "            v = t[k]\n"
                                          "            v = v.text[0] if hasattr(v, 'text') else v[0]\n"
                                          "            return str(v)\n"
                                          "    return ''\n"
                                          "print(g('TIT2', 'Title') + '|' + g('TPE1', 'Author'))\n");
    QProcess p;
    p.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), script, path});
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

} // namespace

class TestDataBurner3 : public QObject {
    Q_OBJECT

    std::unique_ptr<testsupport::TestEnv> env;
    cGrid mainGrid;
    QStringList balloons;
    QStringList countdowns;

    void fillMainGrid(const QList<Item>& items) {
        mainGrid.Clear();
        listviews::InitGridColumns(mainGrid, nullptr, itemlists::GridVariant::Main);
        int row = 0;
        for (const Item& it : items) {
            itemlists::ItemRow r;
            r.incIcon = itemlists::ICON_MARKED;
            r.itemName = QFileInfo(it.file).fileName();
            r.file = it.file;
            r.time = core::SecondsToTime(1);
            r.bytesSize = "1000";
            r.rangeAll = "1";
            r.title = it.title;
            r.artist = it.artist;
            listviews::WriteItemRow(mainGrid, ++row, r);
        }
    }

    QString tone(const QString& name, const QStringList& codec = {"-c:a", "pcm_s16le"}) {
        const QString path = env->path("items/" + name);
        if (!testsupport::runFfmpeg(testsupport::sineInput(1.0) << codec << path)) return {};
        return path;
    }

    std::unique_ptr<frmDataBurner3> newWindow(std::shared_ptr<components::AudioWriterSeam> writer = {}) {
        auto w = std::make_unique<frmDataBurner3>(nullptr, nullptr, std::move(writer));
        w->EndActionsHooks().balloon = [this](const QString& t) { balloons << t; };
        w->EndActionsHooks().turnOffCountdown = [this](qint32 s) { countdowns << QString::number(s); };
        w->Form_Load();
        w->HandOver(mainGrid, "My-List", " items to burn.");
        w->cboTargetFormat->setCurrentIndex(
            w->cboTargetFormat->findText("MP3 - MPEG-1 Audio Layer 3 (*.mp3)", Qt::MatchExactly));
        w->txtCDName->setText("My-List");
        return w;
    }

    // Waits until the job has ended: idle again with its end in the label.
    static bool waitIdle(frmDataBurner3& w) {
        QTest::qWait(0);
        for (int i = 0; i < 6000 && (w.IsJobRunning() || !w.cmdConvert->isEnabled()); ++i)
            QTest::qWait(10);
        return !w.IsJobRunning();
    }

    QString log(frmDataBurner3& w) { return w.txtLog->toPlainText(); }

    QString imageOf(const QString& drive) { return QDir(drive).filePath("DataCD.iso"); }

    QStringList prompts() {
        QStringList out;
        for (const auto& m : env->services().messages)
            out << m.prompt.trimmed();
        return out;
    }

private slots:
    void initTestCase() {
        QVERIFY2(testsupport::haveXorriso(), "xorriso (package xorriso) is needed");
        qputenv("CORVANE_KEEP_TRAYS_OPEN", "1"); // the ejected tray is looked at after the run
    }
    void init() {
        env = std::make_unique<testsupport::TestEnv>();
        balloons.clear();
        countdowns.clear();
    }
    void cleanup() {
        components::cBurner::SetInstalledForTesting(std::nullopt);
        components::DriveRegistry::instance().setRealDevicesForTesting({});
        env.reset();
    }

    // Three WAV items and one OGG item made into an MP3 (or WMA) CD from the
    // command's launch: the disc holds four files of the items' length and
    // tags, named by the template, under the CD name; the drive then holds a
    // data disc, the temporary files are gone and the tray was opened.
    void makesDiscFromTheCommand_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("ext");
        QTest::newRow("MP3 CD Maker") << "MP3 CD Maker"
                                      << "mp3";
        QTest::newRow("WMA CD Maker") << "WMA CD Maker"
                                      << "wma";
    }
    void makesDiscFromTheCommand() {
        QFETCH(QString, command);
        QFETCH(QString, ext);
        const QString drive = env->addVirtualDrive("blank");
        QList<Item> items{{tone("one.wav"), "First", "Ann"},
                          {tone("two.wav"), "Second", "Bo"},
                          {tone("three.wav"), "Third", "Cy"},
                          {tone("four.ogg", {"-c:a", "libvorbis"}), "Fourth", "Di"}};
        for (const Item& it : items)
            QVERIFY(!it.file.isEmpty());
        fillMainGrid(items);
        QString title;
        QString format;
        QString cdName;
        env->services().modalHandler = [&](QDialog* dialog) {
            auto* w = qobject_cast<frmDataBurner3*>(dialog);
            if (!w) return int(QDialog::Rejected);
            title = w->windowTitle() + "|" + w->lblTitle->text() + "|" + w->lblFilesToConvert->text();
            format = w->cboTargetFormat->currentText();
            cdName = w->txtCDName->text();
            w->cmdConvert->click();
            waitIdle(*w);
            w->close();
            return int(QDialog::Accepted);
        };
        toolframe::ToolLaunch launch;
        launch.toolKey = command;
        launch.mainGrid = &mainGrid;
        launch.listName = "My-List";
        launch.balloon = [this](const QString& t) { balloons << t; };
        burning::ShowDataBurner(launch);

        QCOMPARE(title, command + "|" + command + "|4 items to burn.");
        QCOMPARE(format.left(3), ext.toUpper());
        QCOMPARE(cdName, QString("My-List"));
        QVERIFY2(prompts().contains("Burn CD?"), qPrintable(prompts().join("\n")));
        QCOMPARE(balloons.last(), QString("Done."));
        const QString iso = imageOf(drive);
        QVERIFY(QFileInfo::exists(iso));
        QCOMPARE(testsupport::isoVolumeId(iso), QString("My-List"));
        const QString out = env->path("out");
        QVERIFY(testsupport::extractIso(iso, out));
        QCOMPARE(testsupport::fileNames(out),
                 QStringList({"four." + ext, "one." + ext, "three." + ext, "two." + ext}));
        for (const Item& it : items) {
            const QString f = QDir(out).filePath(QFileInfo(it.file).completeBaseName() + "." + ext);
            QVERIFY2(qAbs(testsupport::ffprobeSeconds(f) - 1.0) < 0.15, qPrintable(f));
            QCOMPARE(mutagenTags(f), it.title + "|" + it.artist);
        }
        // The end of job: temporary files erased, tray opened (ticked by design).
        QCOMPARE(QDir(frmDataBurner3::GetTempFolder()).entryList(QDir::Files), QStringList{});
        QVERIFY(DriveRegistry::instance().isTrayOpen(0));
        // What the main window's tree reads of the drive once the tray is in:
        // a data disc, no audio tracks.
        DriveRegistry::instance().closeTray(0);
        QCOMPARE(DriveRegistry::instance().readDisc(0).kind, components::DiscKind::Data);
        components::cAudioCDRipper ripper;
        QVERIFY(ripper.SelectDevice(0) && !ripper.IsAudioCD());
    }

    // "Do not convert": the files go on the disc as they are, byte for byte,
    // keeping non-ASCII and 100-character names on both name tables; with the
    // second engine and only UDF ticked, the log says UDF is not written.
    void copiesWithTheirNames() {
        const QString drive = env->addVirtualDrive("blank");
        const QString longName = QString(96, u'L') + ".ogg";
        const QString a = env->path("items/Ünïcödé – Sång.wav");
        const QString b = env->path("items/" + longName);
        testsupport::writeFileBytes(a, QByteArray("RIFF and some bytes"));
        testsupport::writeFileBytes(b, QByteArray(5000, 'b'));
        fillMainGrid({{a, "A", "X"}, {b, "B", "Y"}});
        core::SaveSetting(core::g_sProductName, "BurnerEngine", "cmbEngine", "1");
        auto w = newWindow();
        QCOMPARE(w->cmbEngine->currentIndex(), 1);
        QVERIFY(w->chkUDF->isVisibleTo(w.get()));
        QVERIFY(w->cboDrv->currentText().startsWith("D: - Virtual drive"));
        w->chkISO->setChecked(false);
        w->chkJOLIET->setChecked(false);
        w->chkUDF->setChecked(true);
        w->chkDoNotConvertSource->click();
        QVERIFY(!w->cboTargetFormat->isEnabled());
        // What a conversion killed earlier left in the temporary folder, and
        // a link named like it that leads to the user's file.
        const QString tmp = frmDataBurner3::GetTempFolder();
        QVERIFY(QDir().mkpath(tmp));
        QVERIFY(testsupport::writeFileBytes(tmp + ".Track01.mp3.part-Ab12Cd", QByteArray(9000, 'k')));
        const QString userFile = env->path("user/own.mp3");
        QVERIFY(testsupport::writeFileBytes(userFile, "the user's"));
        QVERIFY(QFile::link(userFile, tmp + ".own.mp3.part-Zz9876"));
        w->cmdConvert->click();
        QVERIFY(waitIdle(*w));
        QVERIFY(!QFileInfo::exists(tmp + ".Track01.mp3.part-Ab12Cd"));
        QCOMPARE(testsupport::fileBytes(userFile), QByteArray("the user's"));
        QVERIFY2(log(*w).contains("UDF cannot be written"), qPrintable(log(*w)));
        QVERIFY(log(*w).contains("BurnerEnd."));
        for (bool joliet : {false, true}) {
            const QString out = env->path(joliet ? "j" : "rr");
            QVERIFY(testsupport::extractIso(imageOf(drive), out, joliet));
            QCOMPARE(testsupport::fileNames(out), QStringList({longName, "Ünïcödé – Sång.wav"}));
            QCOMPARE(testsupport::fileBytes(QDir(out).filePath(longName)), testsupport::fileBytes(b));
            QCOMPARE(testsupport::fileBytes(QDir(out).filePath("Ünïcödé – Sång.wav")),
                     testsupport::fileBytes(a));
        }
        w->close();
        QCOMPARE(core::GetSetting(core::g_sProductName, "BurnerEngine", "cmbEngine", "x"), QString("1"));
    }

    // A source that fails to convert: the others are burned, the log says
    // which failed and the end says one failed; no turn-off countdown.
    // Two items with one name both reach the disc.
    void failedItemAndClashingNames() {
        const QString drive = env->addVirtualDrive("blank");
        QDir().mkpath(env->path("items/other"));
        const QString same2 = env->path("items/other/one.wav");
        QVERIFY(QFile::copy(tone("one.wav"), same2));
        fillMainGrid({{env->path("items/one.wav"), "1", "a"},
                      {env->path("items/missing.wav"), "2", "b"},
                      {same2, "3", "c"}});
        auto w = newWindow();
        w->chkTurnOffComputer->setChecked(true);
        w->cmdConvert->click();
        QVERIFY(waitIdle(*w));
        QVERIFY(log(*w).contains("Error: "));
        QCOMPARE(w->lblCurrentTrack->text(), QString("Done with errors (1 of 3 failed)."));
        QVERIFY(countdowns.isEmpty());
        QVERIFY(testsupport::extractIso(imageOf(drive), env->path("out")));
        QCOMPARE(testsupport::fileNames(env->path("out")), QStringList({"one (2).mp3", "one.mp3"}));
    }

    // A [time] template: the burn takes the files that were made, whatever
    // the clock says by then; nothing made burns nothing.
    void timeTemplateAndNothingMade() {
        const QString drive = env->addVirtualDrive("blank");
        fillMainGrid({{tone("one.wav"), "1", "a"}});
        auto w = newWindow();
        w->cboFileName->addItem("[file_name] [time].[dest_extension]");
        w->cboFileName->setCurrentIndex(w->cboFileName->count() - 1);
        w->cmdConvert->click();
        QVERIFY(waitIdle(*w));
        QVERIFY(testsupport::extractIso(imageOf(drive), env->path("out")));
        QCOMPARE(testsupport::fileNames(env->path("out")).size(), 1);
        QVERIFY(testsupport::fileNames(env->path("out")).at(0).startsWith("one "));

        const QString second = env->addVirtualDrive("second");
        fillMainGrid({{env->path("items/none.wav"), "1", "a"}});
        auto w2 = newWindow();
        w2->cboDrv->setCurrentIndex(1);
        balloons.clear();
        w2->cmdConvert->click();
        QVERIFY(waitIdle(*w2));
        QVERIFY(log(*w2).contains("Nothing to burn."));
        QVERIFY(!prompts().contains("Burn CD?") || prompts().count("Burn CD?") == 1);
        QVERIFY(balloons.isEmpty());
        QCOMPARE(images(second), QStringList{});
    }

    // Abort in the preparation: no question, no disc. Abort in the burn: the
    // write stops, then "Aborted."; no disc and no end of job.
    void abortInEitherStage() {
        const QString drive = env->addVirtualDrive("blank");
        fillMainGrid({{tone("one.wav"), "1", "a"}, {tone("two.wav"), "2", "b"}});
        auto w = newWindow();
        w->cmdConvert->click();
        w->cmdAbort->click(); // "Abort operation?" answers Yes
        QVERIFY(waitIdle(*w));
        QVERIFY(!prompts().contains("Burn CD?"));
        QCOMPARE(images(drive), QStringList{});

        env->services().messages.clear();
        balloons.clear();
        // Stop the burn as soon as "Burn CD?" has been answered.
        QMetaObject::Connection c = connect(&w->Run(), &core::BatchRun::Finished, this, [&] {
            QMetaObject::invokeMethod(
                this, [&] { w->cmdAbort_Click(); }, Qt::QueuedConnection);
        });
        w->cmdConvert->click();
        QVERIFY(waitIdle(*w));
        disconnect(c);
        QVERIFY2(log(*w).trimmed().endsWith("Aborted."), qPrintable(log(*w)));
        QVERIFY(!log(*w).contains("Finished"));
        QVERIFY(!balloons.contains("Done."));
        QCOMPARE(images(drive), QStringList{});
        QVERIFY(w->cmdConvert->isEnabled() && w->cmdExit->isEnabled());
    }

    // A writer whose disc is too small: refused before writing, the message
    // names both sizes; a writer that is not ready: nothing prepared.
    void discTooSmallAndNotReady() {
        const QString target = env->path("real/disc.iso");
        auto writer = std::make_shared<burnertest::ScriptedWriter>();
        writer->disc = {components::AudioWriterSeam::Medium::Blank, 1, 1, {}};
        burnertest::FakeRealDrive real("stdio:" + target);
        fillMainGrid({{tone("one.wav"), "1", "a"}});
        auto w = newWindow(writer);
        w->cmdConvert->click();
        QVERIFY(waitIdle(*w));
        const QString shown = prompts().last();
        QVERIFY2(shown.startsWith("The files need ") && shown.contains(" but the disc holds only 0.0 MB."),
                 qPrintable(shown));
        QVERIFY(!QFileInfo::exists(target));

        writer->disc.state = components::AudioWriterSeam::Medium::NoDisc;
        env->services().messages.clear();
        w->cmdConvert->click();
        QVERIFY(log(*w).contains("The CD drive 'D:' is not ready."));
        QCOMPARE(prompts(), QStringList{"Please insert an empty media into drive: D:"});
        QVERIFY(!w->IsJobRunning());
    }

    // The engine: a stored value other than "0" or "1" is the first engine;
    // the second without its libraries asks, then falls back; each engine
    // lists its writers its own way.
    void engineChoice() {
        env->addVirtualDrive("blank");
        core::SaveSetting(core::g_sProductName, "BurnerEngine", "cmbEngine", "7");
        auto w = newWindow();
        QCOMPARE(w->cmbEngine->currentIndex(), 0);
        QVERIFY(!w->chkUDF->isVisibleTo(w.get()));
        QVERIFY(w->cboDrv->currentText().startsWith("D: Virtual drive"));
        QCOMPARE(w->cboSpeed->currentText(), QString("Max."));
        w->cmbEngine->setCurrentIndex(1);
        QVERIFY(w->cboDrv->currentText().startsWith("D: - "));

        components::cBurner::SetInstalledForTesting(false);
        env->services().msgBoxAnswers.enqueue(core::vbNo);
        w->cmbEngine->setCurrentIndex(0);
        w->cmbEngine->setCurrentIndex(1);
        QCOMPARE(w->cmbEngine->currentIndex(), 0);
        QVERIFY(prompts().last().startsWith("Windows XP/2003 users"));
        QVERIFY(env->services().openedUrls.isEmpty());
        w->close();
        QCOMPARE(core::GetSetting(core::g_sProductName, "BurnerEngine", "cmbEngine", "x"), QString("0"));
    }

    // The Events page: the end-of-job boxes under their own captions.
    void eventsPageCaptions() {
        env->addVirtualDrive("blank");
        auto w = newWindow();
        QStringList captions;
        for (QCheckBox* box : {w->chkPlaySound, w->chkOpenDestFolder, w->chkTurnOffComputer, w->chkNoticeApp})
            captions << box->text();
        QCOMPARE(captions, QStringList({"Play a sound", "Open destination folder", "Turn off computer",
                                        "Execute external program "}));
        QCOMPARE(w->chkOpenCDdrive->text(), QString("Eject the CD door"));
        QCOMPARE(w->chkEraseTempfiles->text(), QString("Erase Temp files"));
    }

    // "Erase temp files now." and closing are refused while a job runs; the
    // erase removes links, never what they point to, and nothing outside.
    void temporaryFiles() {
        env->addVirtualDrive("blank");
        fillMainGrid({{tone("one.wav"), "1", "a"}});
        auto w = newWindow();
        const QString tmp = frmDataBurner3::GetTempFolder();
        QDir().mkpath(tmp);
        const QString outside = env->path("keep.txt");
        testsupport::writeFileBytes(outside, "keep");
        QFile::link(outside, tmp + "link.txt");
        testsupport::writeFileBytes(tmp + "old.mp3", "old");
        QDir().mkpath(tmp + "sub");
        testsupport::writeFileBytes(tmp + "sub/deep.txt", "deep");
        w->lblErasetempfilesnow_Click();
        QCOMPARE(prompts().last(), QString("Done."));
        QCOMPARE(QDir(tmp).entryList(QDir::Files | QDir::System), QStringList{});
        QVERIFY(QFileInfo::exists(outside));
        QVERIFY(QFileInfo::exists(tmp + "sub/deep.txt"));

        env->services().msgBoxAnswers.enqueue(core::vbOK);     // "in use"
        env->services().msgBoxAnswers.enqueue(core::vbCancel); // "Burn CD?"
        w->cmdConvert->click();
        QVERIFY(w->IsJobRunning());
        w->lblErasetempfilesnow_Click();
        QVERIFY(prompts().last().startsWith("The temporary files are in use"));
        w->close();
        QVERIFY(w->isVisible() || w->IsJobRunning());
        QVERIFY(waitIdle(*w));
        QCOMPARE(QDir(tmp).entryList(QDir::Files), QStringList{"one.mp3"}); // Cancel keeps them
        w->close();
        QCOMPARE(QDir(tmp).entryList(QDir::Files), QStringList{});
    }

private:
    static QStringList images(const QString& folder) {
        return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    }
};

QTEST_MAIN(TestDataBurner3)
#include "tst_databurner3.moc"
