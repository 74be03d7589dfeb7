// The temporary-WAV window: with a scripted item job, each way a conversion
// ends and the refusal of its own source; with the real converter, the modal
// run the analyser and the speech window use, checked with ffprobe.
#include "BatchFakes.h"
#include "ConverterTools.h"
#include "MediaTools.h"
#include "RunSettings.h"
#include "TestEnv.h"
#include "controls/cProgressBar.h"
#include "core/mdlSupportedDestination.h"
#include "settings/EncoderSettings.h"
#include "settings/SettingsVariables.h"
#include "toolframe/frmAudioEditorProc.h"

#include <QDir>
#include <QLabel>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

using namespace toolframe;
using convtest::probe;
using testsupport::ScriptedItemJob;

class tst_AudioEditorProc : public QObject {
    Q_OBJECT

    std::unique_ptr<testsupport::TestEnv> env;
    QString music;

private slots:
    void init() {
        env = std::make_unique<testsupport::TestEnv>();
        music = env->path("music");
        QDir().mkpath(music);
        settings::g_sFileNameFormat.clear();
        settings::g_sTargetFormat = core::DestinationFormatText(core::fmtMP3);
        settings::g_bPlaySound = false;
        settings::g_bOpenDestFolder = false;
        settings::g_bNoticeApp = false;
        settings::g_bTurnOffComputer = false;
        testsupport::useSmallOutputSettings();
    }
    void cleanup() { env.reset(); }

    void temporaryWav_data() {
        QTest::addColumn<bool>("convertTo");
        QTest::addColumn<QString>("outcome"); // done, error, abort
        QTest::addColumn<int>("result");
        QTest::newRow("plain wav done") << false << "done" << int(frmAudioEditorProc::Outcome::Done);
        QTest::newRow("mp3 with tags done") << true << "done" << int(frmAudioEditorProc::Outcome::Done);
        QTest::newRow("error stays open") << false << "error" << int(frmAudioEditorProc::Outcome::Failed);
        QTest::newRow("aborted") << true << "abort" << int(frmAudioEditorProc::Outcome::Aborted);
    }
    void temporaryWav() {
        QFETCH(bool, convertTo);
        QFETCH(QString, outcome);
        QFETCH(int, result);
        settings::g_sTagSong = "Track [TRACK_NUM] [ITEM_NAME]";
        auto owned = std::make_unique<ScriptedItemJob>();
        ScriptedItemJob* job = owned.get();
        frmAudioEditorProc w(std::move(owned));
        w.Form_Load();
        frmAudioEditorProc::g_bConvertTo = convertTo;
        frmAudioEditorProc::g_sConvertToTarget = "mp3 - MPEG-1 Audio Layer 3 (*.mp3)";
        if (outcome == "error") job->outcomes.enqueue(ScriptedItemJob::error(5, "Cannot open"));
        if (outcome == "abort") job->outcomes.enqueue(ScriptedItemJob::hold({30}));
        QSignalSpy closed(&w, &QDialog::finished);
        w.show();
        w.ConvertFile("/music/in.mp3", env->path("home") + "/tmpeditor.wav");
        QTRY_COMPARE(job->items.size(), 1);
        if (outcome == "abort") {
            QTRY_COMPARE(w.prgCurrnet->Value(), 30);
            w.cmdAbort_Click();
        }
        QTRY_VERIFY(w.Result() != frmAudioEditorProc::Outcome::None);
        QCOMPARE(int(w.Result()), result);
        QCOMPARE(job->runs.size(), 1);
        QCOMPARE(job->runs[0].outputFormat, convertTo ? 3 : 1);
        QCOMPARE(bool(job->items[0].tags), convertTo);
        if (convertTo) QCOMPARE(job->items[0].tags->title, QString("Track 1 [ITEM_NAME]"));
        QVERIFY(!frmAudioEditorProc::g_bConvertTo);
        if (outcome == "error") {
            QCOMPARE(w.lblCurrentTrack->text(), QString("Cannot open(5)"));
            QVERIFY(w.isVisible());
            QVERIFY(closed.isEmpty());
        } else {
            QCOMPARE(closed.size(), 1);
        }
    }

    void temporaryWavRefusesItsOwnSource() {
        auto owned = std::make_unique<ScriptedItemJob>();
        ScriptedItemJob* job = owned.get();
        frmAudioEditorProc w(std::move(owned));
        const QString file = env->path("home") + "/same.wav";
        w.ConvertFile(file, file);
        w.ConvertX();
        QCOMPARE(int(w.Result()), int(frmAudioEditorProc::Outcome::Failed));
        QVERIFY(job->items.isEmpty());
    }

    // With the real converter, through the modal run the analyser and the speech window use.
    void convertFileModal() {
        frmAudioEditorProc::g_bConvertTo = false;
        const QString dest = env->home() + "/tmpeditor.wav";
        QVERIFY(testsupport::runFfmpeg(testsupport::sineInput(1.0) << music + "/tone.mp3"));
        const auto outcome = ConvertFileModal(nullptr, music + "/tone.mp3", dest);
        QCOMPARE(int(outcome), int(frmAudioEditorProc::Outcome::Done));
        QCOMPARE(probe(dest).codec, QString("pcm_s16le"));
        // A source that is no audio fails, and the caller is told so.
        QVERIFY(testsupport::writeFileBytes(music + "/bad.mp3", "no audio"));
        const auto failed =
            ConvertFileModal(nullptr, music + "/bad.mp3", env->home() + "/bad.wav", {}, [](QDialog* d) {
                auto* w = static_cast<frmAudioEditorProc*>(d);
                // The window stays open after an error; here the "user" closes it.
                connect(w, &frmAudioEditorProc::Ended, w,
                        [w] { QTimer::singleShot(0, w, [w] { w->close(); }); });
            });
        QCOMPARE(int(failed), int(frmAudioEditorProc::Outcome::Failed));
    }
};

QTEST_MAIN(tst_AudioEditorProc)
#include "tst_audioeditorproc.moc"
