// End to end with the real converter: from the Convert handler and from the
// launch the dispatcher calls, to files on disk checked with ffprobe.
#include "ConverterTools.h"
#include "MediaTools.h"
#include "RunSettings.h"
#include "TestEnv.h"
#include "controls/cGrid.h"
#include "conversion/ConversionLaunch.h"
#include "conversion/frmACMConverter.h"
#include "conversion/frmConverter.h"
#include "core/ConverterItemJob.h"
#include "core/mdlSupportedDestination.h"
#include "listviews/ItemsGrid.h"
#include "settings/EncoderSettings.h"
#include "settings/SettingsVariables.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

using namespace conversion;
using toolframe::ToolLaunch;
using namespace core;
using convtest::Probe;
using convtest::probe;

class tst_ConversionE2E : public QObject {
    Q_OBJECT

    std::unique_ptr<testsupport::TestEnv> env;
    std::unique_ptr<cGrid> mainGrid;
    QString music;

    void addRow(const QString& file, const QString& time, const QString& rangeAll = "1",
                const QString& start = QString(), const QString& length = QString()) {
        itemlists::ItemRow r;
        r.incIcon = itemlists::ICON_MARKED;
        r.itemName = file.mid(file.lastIndexOf('/') + 1);
        r.file = file;
        r.time = time;
        r.bytesSize = "1000";
        r.title = "Title [TRACK_NUM]";
        r.artist = "Tester";
        r.setRange(rangeAll, start, length);
        listviews::WriteItemRow(*mainGrid, mainGrid->Rows() + 1, r);
    }

    // Loads the window over the main grid's rows, to write `format` files into `out`.
    void loadForConversion(frmConverter& w, const QString& out, core::DestinationFormat format) {
        w.Form_Load();
        w.HandOver(*mainGrid, "List", " items to convert.");
        w.txtToPath->setEditText(out);
        w.cboFileName->setCurrentIndex(0);
        w.cboTargetFormat->setCurrentIndex(w.cboTargetFormat->findText(core::DestinationFormatText(format)));
    }

private slots:
    void init() {
        env = std::make_unique<testsupport::TestEnv>();
        music = env->path("music");
        QDir().mkpath(music);
        QVERIFY(testsupport::runFfmpeg(testsupport::sineInput(2.0) << music + "/one.wav"));
        QVERIFY(testsupport::runFfmpeg(testsupport::sineInput(1.0) << music + "/two.wav"));
        mainGrid = std::make_unique<cGrid>();
        listviews::InitGridColumns(*mainGrid, nullptr, itemlists::GridVariant::Main);
        testsupport::useSmallOutputSettings();
        settings::g_bTurnOffComputer = false;
        settings::g_bPlaySound = false;
    }
    void cleanup() {
        mainGrid.reset();
        env.reset();
    }

    // The Convert handler with the converter: a ranged item, then a whole one, to WAV.
    void convertHandlerToWav() {
        addRow(music + "/one.wav", "00:00:02", "0", "1", "1");
        addRow(music + "/two.wav", "00:00:01");
        frmConverter w(std::make_unique<ConverterItemJob>(), nullptr);
        w.EndActionsHooks().turnOffCountdown = [](qint32) {};
        const QString out = env->path("out");
        loadForConversion(w, out, core::fmtWAV);
        QSignalSpy finished(&w.Run(), &core::BatchRun::Ended);
        w.cmdConvert->click();
        QVERIFY(finished.wait(60000));
        QCOMPARE(w.lblCurrentTrack->text(), QString("Done."));
        const Probe a = probe(out + "/one.wav");
        QCOMPARE(a.codec, QString("pcm_s16le"));
        QCOMPARE(a.rate, 22050);
        QCOMPARE(a.channels, 1);
        QVERIFY2(qAbs(a.seconds - 1.0) <= 0.1, qPrintable(QString::number(a.seconds)));
        const Probe b = probe(out + "/two.wav");
        QVERIFY2(qAbs(b.seconds - 1.0) <= 0.1, qPrintable(QString::number(b.seconds)));
        QVERIFY(w.close());
    }

    // Bad sources in one batch: each gets its error line, the good one converts.
    void badSourcesInOneBatch() {
        QVERIFY(testsupport::writeFileBytes(music + "/empty.wav", QByteArray()));
        QVERIFY(testsupport::writeFileBytes(music + "/text.mp3", "this is no audio at all\n"));
        QFile good(music + "/one.wav");
        QVERIFY(good.open(QIODevice::ReadOnly));
        QByteArray corrupt = good.read(64);
        corrupt += QByteArray(4096, '\x7f');
        QVERIFY(testsupport::writeFileBytes(music + "/corrupt.mp3", corrupt));
        for (const char* name : {"empty.wav", "text.mp3", "corrupt.mp3", "two.wav"})
            addRow(music + "/" + name, "00:00:01");
        frmConverter w(std::make_unique<ConverterItemJob>(), nullptr);
        w.EndActionsHooks().turnOffCountdown = [](qint32) { QFAIL("no turn-off after a failure"); };
        const QString out = env->path("bad");
        loadForConversion(w, out, core::fmtMP3);
        w.chkTurnOffComputer->setChecked(true);
        QSignalSpy finished(&w.Run(), &core::BatchRun::Ended);
        w.cmdConvert_Click();
        QVERIFY(finished.wait(60000));
        const QString log = w.txtLog->toPlainText();
        QCOMPARE(log.count(":Error: "), 3);
        QCOMPARE(probe(out + "/two.mp3").codec, QString("mp3"));
        QVERIFY(!QFileInfo(out + "/empty.mp3").exists());
        QVERIFY(!QFileInfo(out + "/text.mp3").exists());
        QCOMPARE(w.lblCurrentTrack->text(), QString("Done with errors (3 of 4 failed)."));
        QVERIFY(!QFileInfo(out + "/corrupt.mp3").exists());
    }

    // What the run does not say with its "Done.": a source cut short (an
    // MP3 whose header counts six seconds, of which the copy holds less than
    // three) converts as far as it goes and the log says how far; a name cut
    // to fit the file system is logged with the name it got.
    void partReadSourceAndShortenedNameAreLogged() {
        const QString cut = music + "/cut.mp3";
        QVERIFY(testsupport::runFfmpeg(testsupport::sineInput(6.0) << "-c:a"
                                                                   << "libmp3lame"
                                                                   << "-b:a"
                                                                   << "128k" << cut));
        QVERIFY(QFile::resize(cut, QFileInfo(cut).size() * 2 / 5));
        const QString longName = QString(244, u'n') + ".wav";
        QVERIFY(QFile::copy(music + "/two.wav", music + "/" + longName));
        addRow(cut, "00:00:06");
        addRow(music + "/" + longName, "00:00:01");
        frmConverter w(std::make_unique<ConverterItemJob>(), nullptr);
        w.EndActionsHooks().turnOffCountdown = [](qint32) {};
        const QString out = env->path("partly");
        loadForConversion(w, out, core::fmtWAV);
        QSignalSpy finished(&w.Run(), &core::BatchRun::Ended);
        w.cmdConvert->click();
        QVERIFY(finished.wait(60000));
        const QString log = w.txtLog->toPlainText();
        const QRegularExpression partly(
            "Only the first 0:0[1-3] of the source's 0:06 could be read; the rest of the file is missing "
            "or damaged\\.");
        QVERIFY2(log.contains(partly), qPrintable(log));
        QVERIFY(probe(out + "/cut.wav").seconds < 3.0);
        const QString shortened = out + "/" + QString(236, u'n') + ".wav";
        QVERIFY2(log.contains("The name is too long for the file system and was shortened: " + shortened),
                 qPrintable(log));
        QVERIFY(QFileInfo::exists(shortened));
        // The plain items say nothing more than before.
        QCOMPARE(log.count("Only the first"), 1);
        QCOMPARE(log.count("was shortened"), 1);
        QCOMPARE(w.lblCurrentTrack->text(), QString("Done."));
    }

    // From the launch the dispatcher calls, to MP3 files with their tags.
    void launchToMp3() {
        addRow(music + "/one.wav", "00:00:02");
        addRow(music + "/two.wav", "00:00:01");
        QStringList balloons;
        ToolLaunch launch;
        launch.mainGrid = mainGrid.get();
        launch.listName = "My List";
        launch.balloon = [&](const QString& t) { balloons << t; };
        const QString out = env->path("launched");
        launch.beforeShow = [&](QDialog* d) {
            auto* w = static_cast<frmConverter*>(d);
            w->EndActionsHooks().turnOffCountdown = [](qint32) {};
            w->txtToPath->setEditText(out);
            w->cboFileName->setCurrentIndex(0);
            w->cboTargetFormat->setCurrentIndex(
                w->cboTargetFormat->findText(core::DestinationFormatText(core::fmtMP3)));
            connect(&w->Run(), &core::BatchRun::Ended, w,
                    [w] { QTimer::singleShot(0, w, [w] { w->close(); }); });
            QTimer::singleShot(0, w, [w] { w->cmdConvert->click(); });
        };
        ShowConverter(launch);
        QCOMPARE(balloons, QStringList{"Done."});
        for (const char* name : {"/one.mp3", "/two.mp3"}) {
            const Probe p = probe(out + name);
            QCOMPARE(p.codec, QString("mp3"));
            QCOMPARE(p.rate, 44100);
        }
        QVERIFY(qAbs(probe(out + "/one.mp3").seconds - 2.0) <= 0.1);
        QProcess tags;
        // The system's python, which has the distribution's mutagen.
        tags.start(QFile::exists("/usr/bin/python3") ? "/usr/bin/python3" : "python3",
                   {"-c",
                    "import sys, mutagen; f = mutagen.File(sys.argv[1], easy=True); "
                    "print(f['title'][0] + '|' + f['artist'][0])",
                    out + "/two.mp3"});
        QVERIFY(tags.waitForFinished(30000));
        QVERIFY2(tags.exitCode() == 0, tags.readAllStandardError().constData());
        QCOMPARE(QString::fromUtf8(tags.readAllStandardOutput()).trimmed(), QString("Title 2|Tester"));
    }

    // The ACM Converter from its launch: the codec lists come from the
    // converter that converts, and the chosen codec is what lands on disk.
    void launchAcm() {
        addRow(music + "/one.wav", "00:00:02");
        mainGrid->setSelectedRow(1);
        ToolLaunch launch;
        launch.mainGrid = mainGrid.get();
        launch.listName = "L";
        const QString out = env->path("acm");
        QString tag;
        launch.beforeShow = [&](QDialog* d) {
            auto* w = static_cast<frmACMConverter*>(d);
            QCOMPARE(w->cboBestAccordItem->currentText(), music + "/one.wav");
            const int adpcm = w->cboTags->findText("IMA ADPCM", Qt::MatchContains);
            QVERIFY(adpcm >= 0);
            w->cboTags->setCurrentIndex(adpcm);
            tag = w->cboTags->currentText();
            QVERIFY(w->cboFormats->count() > 0);
            w->EndActionsHooks().turnOffCountdown = [](qint32) {};
            w->txtToPath->setEditText(out);
            w->cboFileName->setCurrentIndex(0);
            connect(&w->Run(), &core::BatchRun::Ended, w,
                    [w] { QTimer::singleShot(0, w, [w] { w->close(); }); });
            QTimer::singleShot(0, w, [w] { w->cmdConvert->click(); });
        };
        ShowACMConverter(launch);
        QVERIFY(!tag.isEmpty());
        const Probe p = probe(out + "/one.wav");
        QCOMPARE(tag, QString("IMA ADPCM"));
        QCOMPARE(p.codec, QString("adpcm_ima_wav"));
        QVERIFY2(qAbs(p.seconds - 2.0) <= 0.1, qPrintable(QString::number(p.seconds)));
    }
};

QTEST_MAIN(tst_ConversionE2E)
#include "tst_conversion_e2e.moc"
