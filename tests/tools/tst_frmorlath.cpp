// The Text To Speech window on the real engine and converter: its texts and
// stored choices, speaking with the word selected, and the files it saves or
// hands to the items list (checked with ffprobe), with every way a file can
// fail to come about.
#include "BatchFakes.h"
#include "MediaTools.h"
#include "RunSettings.h"
#include "TestEnv.h"
#include "controls/cSlider.h"
#include "core/AppPaths.h"
#include "core/mdlModes.h"
#include "core/mdlSettingStore.h"
#include "core/mdlSupportedDestination.h"
#include "dialogs/frmAbout.h"
#include "settings/EncoderSettings.h"
#include "settings/SettingsVariables.h"
#include "toolframe/frmAudioEditorProc.h"
#include "tools/frmOrlath.h"

#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

namespace {

QString CodecOf(const QString& file) {
    QProcess p;
    p.start("ffprobe", {"-v", "error", "-select_streams", "a:0", "-show_entries", "stream=codec_name", "-of",
                        "csv=p=0", file});
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

bool HaveAudioServer() {
    return !qEnvironmentVariableIsEmpty("PULSE_SERVER");
}

} // namespace

class tst_frmorlath : public QObject {
    Q_OBJECT

    std::unique_ptr<testsupport::TestEnv> env;
    QStringList added;
    int jobsMade = 0;

    std::unique_ptr<frmOrlath> open(std::function<std::unique_ptr<core::ItemJob>()> makeJob = {}) {
        toolframe::ToolLaunch launch;
        launch.addFiles = [this](QStringList& files) { added << files; };
        launch.reloadShownList = [this] { added << "reloaded"; };
        launch.makeJob = makeJob;
        auto w = std::make_unique<frmOrlath>(launch);
        w->Form_Load();
        return w;
    }
    QString setting(const QString& key) {
        return core::GetSetting(core::g_sProductName, "TTS", key, "<none>");
    }
    void target(frmOrlath& w, core::DestinationFormat format) {
        w.cboTargetFormat->setCurrentIndex(w.cboTargetFormat->findText(core::DestinationFormatText(format)));
        QVERIFY(w.cboTargetFormat->currentIndex() >= 0);
    }
    // The conversion window stays open after an error until the user closes it: the "user" here.
    void closeConversionWindowOnError() {
        auto* poll = new QTimer(this);
        connect(poll, &QTimer::timeout, poll, [poll] {
            frmAudioEditorProc* w = toolframe::g_frmAudioEditorProc;
            if (w && w->Result() == frmAudioEditorProc::Outcome::Failed) {
                w->close();
                poll->deleteLater();
            }
        });
        poll->start(10);
    }

private slots:
    void init() {
        env = std::make_unique<testsupport::TestEnv>();
        core::InitModes();
        added.clear();
        jobsMade = 0;
        settings::g_bAppExiting = false;
        settings::g_sTargetFormat = core::DestinationFormatText(core::fmtMP3);
        testsupport::useSmallOutputSettings();
        settings::g_sTagSong = "Speech [TRACK_NUM]";
    }
    void cleanup() { env.reset(); }

    void loadsItsTextsAndChoices() {
        auto w = open();
        QCOMPARE(w->lblTitle->text(), QString("Text To Speech"));
        QCOMPARE(w->lblOutputs->text(), QString("Audio Outputs:"));
        QCOMPARE(w->lblVoices->text(), QString("Voices:"));
        QCOMPARE(w->lblFormats->text(), QString("Formats:"));
        QCOMPARE(w->lblVolume->text(), QString("Volume:"));
        QCOMPARE(w->lblRate->text(), QString("Rate:"));
        QCOMPARE(w->lblText->text(), QString("Text:"));
        QCOMPARE(w->lblClearText->text(), QString("Clear Text"));
        QCOMPARE(w->cmdSay->text(), QString("Say It"));
        QCOMPARE(w->cmdSay->toolTip(), QString("Say it"));
        QCOMPARE(w->cmdStop->text(), QString("Stop"));
        QCOMPARE(w->lblAudioFormat->text(), QString("Destination Format:"));
        QCOMPARE(w->lblID3Tags->text(), QString("ID3Tags"));
        QCOMPARE(w->lblID3Tags->toolTip(), QString("Set the ID3 tags"));
        QCOMPARE(w->cmdEditTargetFormat->text(), QString("Edit"));
        QCOMPARE(w->cmdAdd->text(), QString("Add to Items List"));
        QCOMPARE(w->cmdSaveAs->text(), QString("Save As..."));
        QCOMPARE(w->cmdSaveAs->toolTip(), QString("Save 'Text To Speech' as..."));
        QCOMPARE(w->cmdToolsIcon.size(), 4);
        QCOMPARE(w->cmdToolsIcon[2]->toolTip(), QString("Save 'Text To Speech' as a wav file."));

        QCOMPARE(w->txtSpeak->toPlainText(),
                 QString("This sample shows you how to use the 'Text To Speech'."));
        QVERIFY(w->lblClearText->isEnabled());
        QCOMPARE(w->lblValumeVal->text(), QString("50"));
        QCOMPARE(w->lblRateVal->text(), QString("0"));
        QCOMPARE(w->sldRate->minimum(), -10);
        QCOMPARE(w->sldVolume->maximum(), 100);
        QVERIFY(w->cboVoices->count() > 0);
        QCOMPARE(w->cboVoices->currentIndex(), 0);
        QCOMPARE(w->cboFormats->currentText(), QString("SAFT22kHz16BitMono"));
        QCOMPARE(w->cboFormats->count(), int(components::cOrlath::Formats().size()));
        QCOMPARE(w->cboFormats->currentData().toInt(), components::cOrlath::DefaultFormat().id);
        QCOMPARE(w->cboTargetFormat->currentText(), core::DestinationFormatText(core::fmtMP3));
        QCOMPARE(w->cboTargetFormat->count(), 3); // WAV, MP3 and WMA in this edition
        if (HaveAudioServer()) QCOMPARE(w->cboAudioOutputs->currentIndex(), 0);
        QVERIFY(env->services().messages.isEmpty());

        // The sliders only change their labels.
        w->sldRate->setValue(-3);
        w->sldVolume->setValue(80);
        QCOMPARE(w->lblRateVal->text(), QString("-3"));
        QCOMPARE(w->lblValumeVal->text(), QString("80"));
    }

    void formatAndVoiceAreKeptForTheNextOpening() {
        QString voice;
        {
            auto w = open();
            QVERIFY(w->cboVoices->count() > 2);
            w->cboVoices->setCurrentIndex(2);
            voice = w->cboVoices->currentText();
            w->cboFormats->setCurrentIndex(w->cboFormats->findText("SAFT44kHz16BitStereo"));
            w->reject();
        }
        QCOMPARE(setting("Format"), QString("SAFT44kHz16BitStereo"));
        QCOMPARE(setting("Voice"), voice);
        {
            auto w = open();
            QCOMPARE(w->cboVoices->currentText(), voice);
            QCOMPARE(w->cboFormats->currentText(), QString("SAFT44kHz16BitStereo"));
        }
        // A format or voice that is gone: no format shown (and none stored), the first voice.
        core::SaveSetting(core::g_sProductName, "TTS", "Format", "SAFT99kHz");
        core::SaveSetting(core::g_sProductName, "TTS", "Voice", "Nobody");
        {
            auto w = open();
            QCOMPARE(w->cboFormats->currentIndex(), -1);
            QCOMPARE(w->cboVoices->currentIndex(), 0);
            w->close();
        }
        QCOMPARE(setting("Format"), QString());
    }

    void clearTextAsksFirst() {
        auto w = open();
        const QString text = w->txtSpeak->toPlainText();
        env->services().msgBoxAnswers << core::vbNo << core::vbYes;
        w->lblClearText_Click();
        QCOMPARE(w->txtSpeak->toPlainText(), text);
        QCOMPARE(env->services().messages.size(), 1);
        QCOMPARE(env->services().messages[0].prompt,
                 QString("This action will clear the Text-Box, continue?"));
        QCOMPARE(env->services().messages[0].style, core::vbYesNo | core::vbInformation);
        QCOMPARE(env->services().messages[0].title, core::AppTitle());
        w->lblClearText_Click();
        QCOMPARE(w->txtSpeak->toPlainText(), QString());
        QVERIFY(!w->lblClearText->isEnabled());
        w->txtSpeak->setPlainText("a");
        QVERIFY(w->lblClearText->isEnabled());
    }

    // The sample text is there to be replaced: what the user types or pastes
    // first takes its place wherever the cursor is; once the user has begun
    // on the sample itself (or on a text of their own), typing only adds.
    void typingReplacesTheSampleText_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("expected");
        QTest::newRow("typed at the end") << "type"
                                          << "Hello";
        QTest::newRow("typed after a click into it") << "click, type"
                                                     << "Hello";
        QTest::newRow("pasted") << "paste"
                                << "Pasted words";
        QTest::newRow("the sample edited first")
            << "backspace, type"
            << "This sample shows you how to use the 'Text To Speech'Hello";
    }
    void typingReplacesTheSampleText() {
        QFETCH(QString, how);
        QFETCH(QString, expected);
        auto w = open();
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        QPlainTextEdit* box = w->txtSpeak;
        box->setFocus();
        box->moveCursor(QTextCursor::End);
        for (const QString& step : how.split(", ")) {
            if (step == "click") {
                // Into the middle of the first line: the cursor lands inside the sample.
                const int y = box->cursorRect(QTextCursor(box->document())).center().y();
                QTest::mouseClick(box->viewport(), Qt::LeftButton, {}, QPoint(40, y));
            } else if (step == "type") {
                QTest::keyClicks(box, "Hello");
            } else if (step == "paste") {
                QGuiApplication::clipboard()->setText("Pasted words");
                QTest::keySequence(box, QKeySequence::Paste);
            } else if (step == "backspace") {
                QTest::keyClick(box, Qt::Key_Backspace);
            }
        }
        QCOMPARE(box->toPlainText(), expected);
        // A text of the user's own is never replaced.
        QTest::keyClicks(box, "!");
        QCOMPARE(box->toPlainText(), expected + "!");
    }

    // Speech that the disk takes only in part (a size limit plays the full
    // disk) is not saved, and the message gives the system's reason.
    void saveAsOntoAFullDiskSaysWhy() {
        auto w = open();
        const QString dest = env->path("out/speech.wav");
        env->services().saveAnswers << dest;
        struct rlimit old {};
        QCOMPARE(::getrlimit(RLIMIT_FSIZE, &old), 0);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit small = old;
        small.rlim_cur = 8 * 1024 + 333;
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
        w->cmdSaveAs_Click();
        ::setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);
        QCOMPARE(env->services().messages.size(), 1);
        const QString shown = env->services().messages[0].prompt;
        QVERIFY2(shown.contains("File too large"), qPrintable(shown));
        QVERIFY2(!shown.contains("canceled"), qPrintable(shown));
        QVERIFY(!QFile::exists(dest));
    }

    void editAndTagLinksOpenTheSettings() {
        auto w = open();
        QStringList opened;
        w->openAudioFormat = [&](QWidget*, const QString& key) { opened << "format " + key; };
        w->openOptionsPage = [&](QWidget*, const QString& page) { opened << "options " + page; };
        target(*w, core::fmtWAV);
        w->cmdEditTargetFormat_Click();
        // Left without OK: back to the program's default target.
        QCOMPARE(w->cboTargetFormat->currentText(), settings::g_sTargetFormat);
        w->lblID3Tags_Click();
        QCOMPARE(opened, (QStringList{"format WAV", "options ID3 Tags"}));
    }

    void saveAsWritesTheTargetFormat_data() {
        QTest::addColumn<int>("format");
        QTest::addColumn<QString>("ext");
        QTest::addColumn<QString>("codec");
        QTest::newRow("WAV") << int(core::fmtWAV) << "wav"
                             << "pcm_s16le";
        QTest::newRow("WMA") << int(core::fmtWMA) << "wma"
                             << "wmav2";
    }
    void saveAsWritesTheTargetFormat() {
        QFETCH(int, format);
        QFETCH(QString, ext);
        QFETCH(QString, codec);
        auto w = open();
        target(*w, core::DestinationFormat(format));
        const QString dest = env->path("out/speech." + ext);
        env->services().saveAnswers << dest;
        w->cmdSaveAs_Click();
        QCOMPARE(env->services().saveRequests.size(), 1);
        const core::FileDialogRequest& asked = env->services().saveRequests[0];
        QCOMPARE(asked.title, QString("Save As"));
        QCOMPARE(asked.defaultExt, ext);
        QVERIFY2(asked.filter.contains("Audio Files (*." + ext + ")"), qPrintable(asked.filter));
        QVERIFY2(env->services().messages.isEmpty(), qPrintable(env->services().messages.value(0).prompt));
        QCOMPARE(CodecOf(dest), codec);
        const double spoken = testsupport::ffprobeSeconds(frmOrlath::TempWavPath());
        QVERIFY(spoken > 1.0);
        QVERIFY2(std::abs(testsupport::ffprobeSeconds(dest) - spoken) < 0.3,
                 qPrintable(QString::number(testsupport::ffprobeSeconds(dest))));
        QVERIFY(!frmAudioEditorProc::g_bConvertTo);
        QCOMPARE(w->result(), int(QDialog::Rejected)); // the window stays open
        QVERIFY(added.isEmpty());
    }

    void saveAsCancelledOrOntoTheTemporaryFileDoesNothing() {
        auto w = open();
        w->cmdSaveAs_Click(); // no answer: cancelled
        QVERIFY(!QFile::exists(frmOrlath::TempWavPath()));
        QVERIFY(testsupport::writeFileBytes(frmOrlath::TempWavPath(), "old"));
        env->services().saveAnswers << frmOrlath::TempWavPath();
        w->cmdSaveAs_Click();
        QCOMPARE(env->services().messages.size(), 1);
        QVERIFY(env->services().messages[0].prompt.contains("please choose another name"));
        QCOMPARE(testsupport::fileBytes(frmOrlath::TempWavPath()), QByteArray("old"));
    }

    void addHandsAnMp3ToTheList() {
        env->services().fixedNow = QDateTime(QDate(2026, 8, 12), QTime(14, 5, 9));
        env->services().fixedLocale = QLocale(QLocale::English, QLocale::UnitedKingdom);
        auto w = open();
        w->txtSpeak->setPlainText("Every item in the list can be spoken.");
        w->cmdAdd_Click();
        QVERIFY2(env->services().messages.isEmpty(), qPrintable(env->services().messages.value(0).prompt));
        QCOMPARE(added.size(), 2);
        QCOMPARE(added[1], QString("reloaded")); // the list is loaded again after the add
        const QString file = added[0];
        QCOMPARE(QFileInfo(file).path(), core::ProgramFolder());
        QCOMPARE(QFileInfo(file).fileName(), QString("TTS_14-05-09_12-08-2026.mp3"));
        QCOMPARE(CodecOf(file), QString("mp3"));
        const double spoken = testsupport::ffprobeSeconds(frmOrlath::TempWavPath());
        QVERIFY(spoken > 1.0);
        QVERIFY2(std::abs(testsupport::ffprobeSeconds(file) - spoken) < 0.3,
                 qPrintable(QString::number(testsupport::ffprobeSeconds(file))));
        QCOMPARE(w->result(), int(QDialog::Accepted)); // the window unloads itself
        QCOMPARE(setting("Format"), QString("SAFT22kHz16BitMono"));
    }

    // A text that gives no speech is never converted or added, and no old
    // temporary file passes for it.
    void failedSynthesisStopsWithItsReason() {
        auto w = open([this] {
            ++jobsMade;
            return std::make_unique<testsupport::ScriptedItemJob>();
        });
        QVERIFY(testsupport::writeFileBytes(frmOrlath::TempWavPath(), "old speech"));
        w->txtSpeak->setPlainText("  ");
        w->cmdAdd_Click();
        QCOMPARE(env->services().messages.size(), 1);
        QCOMPARE(env->services().messages[0].prompt,
                 QString("The text cannot be spoken into a file: There is no text to speak."));
        QVERIFY(!QFile::exists(frmOrlath::TempWavPath()));
        QCOMPARE(jobsMade, 0);
        QVERIFY(added.isEmpty());
        QCOMPARE(w->result(), int(QDialog::Rejected));
    }

    void failedConversionAddsNothing() {
        auto w = open([] {
            auto job = std::make_unique<testsupport::ScriptedItemJob>();
            job->outcomes << testsupport::ScriptedItemJob::error(5, "Cannot open");
            return job;
        });
        closeConversionWindowOnError();
        w->cmdAdd_Click();
        QCOMPARE(env->services().messages.size(), 1);
        QCOMPARE(env->services().messages[0].prompt,
                 QString("The speech was not added to the Items List: Cannot open(5)"));
        QVERIFY(added.isEmpty());
        QCOMPARE(w->result(), int(QDialog::Rejected)); // the text is still there to try again
    }

    void sayItSelectsEachWordThenAll() {
        if (!HaveAudioServer()) QSKIP("needs the test sound server (scripts/test.sh)");
        auto w = open();
        const QString text = QStringLiteral("Señor Müller said hello.");
        w->txtSpeak->setPlainText(text);
        QStringList selected;
        connect(w->cOrlath1, &components::cOrlath::WordPosition, this,
                [&] { selected << w->txtSpeak->textCursor().selectedText(); });
        QSignalSpy done(w->cOrlath1, &components::cOrlath::SpeakDone);
        w->cmdSay_Click();
        QVERIFY(done.wait(20000));
        QCOMPARE(selected, (QStringList{"Señor", "Müller", "said", "hello"}));
        QCOMPARE(w->txtSpeak->textCursor().selectedText(), text);
    }

    // Editing while it speaks: the offsets of the old text are kept inside the new one.
    void wordsStayInsideAnEditedText() {
        if (!HaveAudioServer()) QSKIP("needs the test sound server (scripts/test.sh)");
        auto w = open();
        w->txtSpeak->setPlainText("A longer sentence so that there is time to edit it while it is spoken.");
        QSignalSpy words(w->cOrlath1, &components::cOrlath::WordPosition);
        QSignalSpy done(w->cOrlath1, &components::cOrlath::SpeakDone);
        w->cmdSay_Click();
        QVERIFY(words.wait(10000));
        w->txtSpeak->setPlainText("Short.");
        bool inside = true;
        connect(w->cOrlath1, &components::cOrlath::WordPosition, this, [&] {
            const QTextCursor c = w->txtSpeak->textCursor();
            inside = inside && c.selectionEnd() <= 6;
        });
        QVERIFY(done.wait(20000));
        QVERIFY(inside);
        // Stop and Say It again work after an edit.
        w->cmdSay_Click();
        w->cmdStop_Click();
        QVERIFY(done.wait(1000));
    }
};

QTEST_MAIN(tst_frmorlath)
#include "tst_frmorlath.moc"
