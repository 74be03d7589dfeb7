// The Audio Recorder window on a scripted input device: its state after
// loading, the log of each step word for word, the format chosen at each
// record start, the 30-second stop on the window's own clock (ticked by the
// test), the questions before a file is replaced or a folder cannot take it,
// no device, Add during a recording, a lost device, and File Details.
#include "TestEnv.h"
#include "WaveTools.h"
#include "controls/cProgressBar.h"
#include "core/mdlModes.h"
#include "tools/frmMicRecorder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

using components::tWaveFormatEx;
Q_DECLARE_METATYPE(tWaveFormatEx)

namespace {

struct Window {
    testsupport::TestEnv env;
    std::shared_ptr<wavetest::FakeDevice> device = std::make_shared<wavetest::FakeDevice>();
    QStringList added;
    frmMicRecorder window{[this](QStringList& files) { added += files; }};
    QSignalSpy done{window.cWave1, &components::cWave::DoneRecord};

    explicit Window(const QStringList& devices = {"Mic one", "Mic two"}) {
        core::InitModes();
        device->names = devices;
        window.cWave1->SetInputFactory(
            [d = device](QString*) { return std::make_unique<wavetest::FakeInput>(d); });
        window.Form_Load();
        window.show();
    }
    // The log's lines without their time of day (each begins with ":").
    QStringList log() const {
        QStringList lines = window.txtResults->toPlainText().split('\n', Qt::SkipEmptyParts);
        for (QString& l : lines) {
            l = l.trimmed();
            const int at = l.indexOf(QRegularExpression("^\\d{1,2}:\\d\\d:\\d\\d"));
            if (at == 0) l = l.mid(l.indexOf(':', l.indexOf(':', l.indexOf(':') + 1) + 1));
        }
        return lines;
    }
    QList<testsupport::ShownMessage>& messages() { return env.services().messages; }
};

} // namespace

class tst_micrecorder : public QObject {
    Q_OBJECT
private slots:
    void afterLoading() {
        Window w;
        const tWaveFormatEx& f = w.window.g_tRecordFormat;
        QCOMPARE(f.wFormatTag, qint16(1));
        QCOMPARE(f.nChannels, qint16(2));
        QCOMPARE(f.nSamplesPerSec, 44100);
        QCOMPARE(f.nAvgBytesPerSec, 176400);
        QCOMPARE(f.nBlockAlign, qint16(4));
        QCOMPARE(f.wBitsPerSample, qint16(16));
        QCOMPARE(f.cbSize, qint16(0));
        QCOMPARE(w.log(), QStringList{": MeterIn=True."});
        QCOMPARE(w.window.cboDevices->count(), 2);
        QCOMPARE(w.window.cboDevices->itemText(0), QString("0 - Mic one - 2"));
        QCOMPARE(w.window.cboDevices->itemText(1), QString("1 - Mic two - 2"));
        QCOMPARE(w.window.cboDevices->currentIndex(), 0);
        QVERIFY(w.window.cmdRecord->isEnabled());
        QVERIFY(!w.window.cmdFileDetails->isEnabled());
        QVERIFY(w.window.chkMeterIn->isChecked() && !w.window.chkMeterIn->isEnabled());
        QVERIFY(!w.window.chkPreScreen->isChecked() && !w.window.chkPreScreen->isEnabled());
        QVERIFY(!w.window.chkCutSilence->isEnabled());
        QVERIFY(w.window.txtResults->isVisible());
        QCOMPARE(w.window.lblRecTime->text(), QString("0:00:00"));
        QCOMPARE(w.window.prgMeter->Max(), 120);
    }

    void recordFormat_data() {
        QTest::addColumn<QString>("bits");
        QTest::addColumn<QString>("rate");
        QTest::addColumn<QString>("channels");
        QTest::addColumn<int>("align");
        QTest::newRow("8 mono") << "8"
                                << "8000"
                                << "Mono" << 1;
        QTest::newRow("8 stereo") << "8"
                                  << "11025"
                                  << "Stereo" << 2;
        QTest::newRow("16 mono") << "16"
                                 << "22050"
                                 << "Mono" << 2;
        QTest::newRow("16 stereo") << "16"
                                   << "44100"
                                   << "Stereo" << 4;
    }
    void recordFormat() {
        QFETCH(QString, bits);
        QFETCH(QString, rate);
        QFETCH(QString, channels);
        QFETCH(int, align);
        const tWaveFormatEx f = frmMicRecorder::RecordFormat(bits, rate, channels);
        QCOMPARE(int(f.nBlockAlign), align);
        QCOMPARE(f.nAvgBytesPerSec, rate.toInt() * align);
        QCOMPARE(int(f.nChannels), channels == "Stereo" ? 2 : 1);
    }

    // A recording in the format chosen after loading, its log word for word,
    // the buttons on the way; a second one with the cut box ticked.
    void recordAndStop() {
        Window w;
        const QString path = w.env.path("take.wav");
        w.window.txtAudioFile->setText(path);
        w.window.cboBitPerSample->setCurrentText("8");
        w.window.cboSamplesPerSec->setCurrentText("8000");
        w.window.cboChannels->setCurrentText("Mono");
        w.window.cboDevices->setCurrentIndex(1);
        w.window.cmdRecord->click();
        QCOMPARE(w.device->index, 1);
        QCOMPARE(w.device->rate, 8000);
        QCOMPARE(w.device->channels, 1);
        QCOMPARE(w.device->bits, 8);
        QCOMPARE(w.window.g_tRecordFormat.nBlockAlign, qint16(1));
        QCOMPARE(w.log(), (QStringList{": MeterIn=True.", ": MeterIn=True.", ": PreScreenClose.",
                                       ": RecordStart Success."}));
        QVERIFY(!w.window.cmdRecord->isEnabled());
        QVERIFY(w.window.tmrRec->isActive());
        QCOMPARE(w.window.g_lRecSeconds, 0);
        const QByteArray pcm = wavetest::Pcm(8000, 1, 8, 8000);
        w.device->feed(pcm);
        w.window.cmdStopRec->click();
        QCOMPARE(w.log().last(), QString(": RecordStop Success."));
        QVERIFY(!w.window.cmdRecord->isEnabled()); // until DoneRecord
        QVERIFY(w.done.wait(2000));
        QCOMPARE(w.log().last(), QString(": DoneRecord Event."));
        QVERIFY(w.window.cmdRecord->isEnabled());
        QVERIFY(w.window.chkCutSilence->isEnabled());
        QVERIFY(w.window.cmdFileDetails->isEnabled());
        QVERIFY(!w.window.tmrRec->isActive());
        QCOMPARE(wavetest::ReadHeader(path).data, pcm);

        w.window.chkCutSilence->setChecked(true);
        w.env.services().msgBoxAnswers.enqueue(core::vbYes); // over the take
        const int before = w.log().size();
        w.window.cmdRecord_Click();
        QCOMPARE(w.log().mid(before), (QStringList{": CutSilence=True, Val=20.", ": MeterIn=True.",
                                                   ": PreScreenClose.", ": RecordStart Success."}));
        QVERIFY(w.window.cWave1->CutSilence);
        w.window.cmdStopRec_Click();
    }

    void refusedStartStaysReady() {
        Window w;
        w.window.txtAudioFile->setText(w.env.path("x.wav"));
        w.device->refusal = "The device is busy.";
        w.window.cmdRecord_Click();
        QCOMPARE(w.log().last(), QString(": Error RecordStart .The device is busy."));
        QVERIFY(w.window.cmdRecord->isEnabled());
        QVERIFY(!w.window.tmrRec->isActive());
        QVERIFY(w.messages().isEmpty());
    }

    // The clock stops the recording at its 30th tick, paused or not.
    void thirtySecondStop() {
        Window w;
        w.window.txtAudioFile->setText(w.env.path("long.wav"));
        w.window.cmdRecord_Click();
        for (int second = 1; second <= 29; ++second) {
            w.window.tmrRec_Timer();
            QCOMPARE(w.window.lblRecTime->text(), components::cWave::FormatSeconds(second));
            if (second == 10) w.window.cmdPauseIn_Click();
            if (second == 20) w.window.cmdUnPauseIn_Click();
        }
        QVERIFY(w.window.cWave1->IsRecording());
        QVERIFY(!w.log().contains(": RecordStop Success."));
        w.window.tmrRec_Timer();
        QCOMPARE(w.window.lblRecTime->text(), QString("0:00:30"));
        QCOMPARE(w.log().last(), QString(": RecordStop Success."));
        QVERIFY(!w.window.cWave1->IsRecording());
        QCOMPARE(w.window.g_lRecSeconds, 0);
        QVERIFY(!w.window.tmrRec->isActive());
        QVERIFY(w.window.cmdRecord->isEnabled());
        QVERIFY(w.log().contains(": RecordPause."));
        QVERIFY(w.log().contains(": RecordUnPause."));
    }

    // Unpausing a recording that is not paused does nothing; the player's
    // always calls and logs.
    void unpauseButtons() {
        Window w;
        w.window.cmdUnPauseIn_Click();
        w.window.cmdUnPauseOut_Click();
        QCOMPARE(w.log(), (QStringList{": MeterIn=True.", ": PlayUnPause."}));
    }

    // Nothing is recorded over a file without asking, nor into a folder that
    // cannot take it.
    void recordAsksBeforeReplacing() {
        Window w;
        const QString path = w.env.path("old.wav");
        QVERIFY(testsupport::writeFileBytes(path, "old"));
        w.window.txtAudioFile->setText(path);
        w.env.services().msgBoxAnswers.enqueue(core::vbNo);
        w.window.cmdRecord_Click();
        QCOMPARE(w.messages().size(), 1);
        QCOMPARE(w.messages().first().prompt, "The file " + path + " is already exists, overwrite it?");
        QCOMPARE(w.device->starts, 0);
        QCOMPARE(w.log(), QStringList{": MeterIn=True."});
        QCOMPARE(testsupport::fileBytes(path), QByteArray("old"));

        w.env.services().msgBoxAnswers.enqueue(core::vbYes);
        w.window.cmdRecord_Click();
        QCOMPARE(w.device->starts, 1);
        w.window.cmdStopRec_Click();
        QVERIFY(wavetest::ReadHeader(path).ok);
    }

    void missingFolderIsSaidBeforeRecording() {
        Window w;
        w.window.txtAudioFile->setText(w.env.root() + "/nowhere/take.wav");
        w.window.cmdRecord_Click();
        QCOMPARE(w.messages().size(), 1);
        QVERIFY2(w.messages().first().prompt.contains("does not exist"),
                 qPrintable(w.messages().first().prompt));
        QCOMPARE(w.device->starts, 0);
        QVERIFY(w.window.cmdRecord->isEnabled());
    }

    void noInputDevice() {
        Window w(QStringList{});
        QCOMPARE(w.window.cboDevices->count(), 0);
        QCOMPARE(w.window.cboDevices->currentIndex(), -1);
        QVERIFY(!w.window.cmdRecord->isEnabled());
        QCOMPARE(w.log().last(), QString(": No sound input device was found; recording is not possible."));
    }

    // A device that goes away mid-recording: the log says so, the file keeps
    // what was recorded.
    void lostDeviceIsLogged() {
        Window w;
        const QString path = w.env.path("lost.wav");
        w.window.txtAudioFile->setText(path);
        w.window.cmdRecord_Click();
        const QByteArray pcm = wavetest::Pcm(44100, 2, 16, 4410);
        w.device->feed(pcm);
        w.device->lose();
        QVERIFY(w.done.wait(2000));
        const QStringList log = w.log();
        QVERIFY2(log.at(log.size() - 2).startsWith(": Error Record .The input device stopped"),
                 qPrintable(log.at(log.size() - 2)));
        QCOMPARE(log.last(), QString(": DoneRecord Event."));
        QCOMPARE(wavetest::ReadHeader(path).data, pcm);
        QVERIFY(w.window.cmdRecord->isEnabled());
    }

    // Add during a recording stops it first and adds the finished file.
    void addDuringRecording() {
        Window w;
        const QString path = w.env.path("added.wav");
        w.window.txtAudioFile->setText(path);
        w.window.cmdRecord_Click();
        const QByteArray pcm = wavetest::Pcm(44100, 2, 16, 22050);
        w.device->feed(pcm);
        w.window.cmdAdd->click();
        QCOMPARE(w.added, QStringList{path});
        QVERIFY(!w.window.isVisible());
        QVERIFY(!w.device->running);
        QVERIFY(w.log().contains(": RecordStop Success."));
        const wavetest::Header h = wavetest::ReadHeader(path);
        QVERIFY2(wavetest::HeaderFaults(h).isEmpty(), qPrintable(wavetest::HeaderFaults(h)));
        QCOMPARE(h.data, pcm);
    }

    void addChecksTheFile_data() {
        QTest::addColumn<int>("size"); // -1: no file
        QTest::addColumn<QString>("message");
        QTest::newRow("missing") << -1 << " was not found.";
        QTest::newRow("64 bytes") << 64 << " is empty.";
        QTest::newRow("65 bytes") << 65 << "";
    }
    void addChecksTheFile() {
        QFETCH(int, size);
        QFETCH(QString, message);
        Window w;
        const QString path = w.env.path("f.wav");
        if (size >= 0) QVERIFY(testsupport::writeFileBytes(path, QByteArray(size, 'x')));
        w.window.txtAudioFile->setText(path);
        w.window.cmdAdd_Click();
        if (message.isEmpty()) {
            QVERIFY(w.messages().isEmpty());
            QCOMPARE(w.added, QStringList{path});
            QVERIFY(!w.window.isVisible());
        } else {
            QCOMPARE(w.messages().size(), 1);
            QCOMPARE(w.messages().first().prompt, "The file:" + path + message);
            QVERIFY(w.added.isEmpty());
            QVERIFY(w.window.isVisible());
        }
    }

    // A new window offers a file in the user's own folders, and every path it
    // records to or adds is absolute, wherever the program was started from.
    void pathIsTheUsersAndAbsolute_data() {
        QTest::addColumn<bool>("music");
        QTest::newRow("a Music folder") << true;
        QTest::newRow("no Music folder") << false;
    }
    void pathIsTheUsersAndAbsolute() {
        QFETCH(bool, music);
        QTemporaryDir user;
        const QByteArray home = qgetenv("HOME");
        const QString started = QDir::currentPath();
        const auto restore = qScopeGuard([&] {
            qputenv("HOME", home);
            QDir::setCurrent(started);
        });
        qputenv("HOME", user.path().toUtf8());
        if (music) QVERIFY(QDir(user.path()).mkpath("Music"));
        Window w;
        const QString folder = music ? user.path() + "/Music" : user.path();
        QCOMPARE(w.window.txtAudioFile->text(), folder + "/wave_file.wav");
        const QString elsewhere = w.env.path("started here");
        QVERIFY(QDir().mkpath(elsewhere) && QDir::setCurrent(elsewhere));

        const auto record = [&w](const QByteArray& pcm) {
            w.window.cmdRecord_Click();
            w.device->feed(pcm);
            w.window.cmdStopRec_Click();
            return w.done.wait(2000);
        };
        const QByteArray first = wavetest::Pcm(44100, 2, 16, 4410);
        QVERIFY(record(first));
        QCOMPARE(wavetest::ReadHeader(folder + "/wave_file.wav").data, first);

        // A name typed without a folder lies beside the offered file; the box says where.
        w.window.txtAudioFile->setText("take.wav");
        const QByteArray second = wavetest::Pcm(44100, 2, 16, 2205, 0.5);
        QVERIFY(record(second));
        QCOMPARE(w.window.txtAudioFile->text(), folder + "/take.wav");
        QCOMPARE(wavetest::ReadHeader(folder + "/take.wav").data, second);
        QVERIFY(QDir(elsewhere).isEmpty());

        w.window.txtAudioFile->setText("take.wav");
        w.window.cmdAdd_Click();
        QCOMPARE(w.added, QStringList{folder + "/take.wav"});
        QVERIFY(w.messages().isEmpty());
        QVERIFY(!w.log().join('\n').contains("C:"));
    }

    // The save dialog: cancel changes nothing, an existing file is taken only on Yes.
    void pathChoice() {
        Window w;
        const QString design = w.window.txtAudioFile->text();
        w.window.cmdPath_Click(); // no answer: cancelled
        QCOMPARE(w.window.txtAudioFile->text(), design);
        QCOMPARE(w.env.services().saveRequests.last().title, QString("Save as WAV file"));
        const QString existing = w.env.path("there.wav");
        QVERIFY(testsupport::writeFileBytes(existing, "x"));
        w.env.services().saveAnswers.enqueue(existing);
        w.env.services().msgBoxAnswers.enqueue(core::vbNo);
        w.window.cmdPath_Click();
        QCOMPARE(w.window.txtAudioFile->text(), design);
        w.env.services().saveAnswers.enqueue(existing);
        w.env.services().msgBoxAnswers.enqueue(core::vbYes);
        w.window.cmdPath_Click();
        QCOMPARE(w.window.txtAudioFile->text(), existing);
        QCOMPARE(testsupport::fileBytes(existing), QByteArray("x"));
    }

    // File Details: twelve lines after a recording; a missing file is said.
    void fileDetails() {
        Window w;
        const QString path = w.env.path("details.wav");
        w.window.txtAudioFile->setText(path);
        w.window.cmdFileDetails_Click();
        QCOMPARE(w.messages().size(), 1);
        QCOMPARE(w.messages().first().prompt, "The audio file " + path + " doesn't exists");
        w.window.cmdPlay_Click();
        QCOMPARE(w.messages().size(), 2);
        QCOMPARE(w.messages().last().prompt, "The audio file " + path + " doesn't exists");

        w.window.cmdRecord_Click();
        w.device->feed(wavetest::Pcm(44100, 2, 16, 44100 * 2));
        w.window.cmdStopRec_Click();
        QVERIFY(w.done.wait(2000));
        QVERIFY(w.window.cmdFileDetails->isEnabled());
        const int before = w.log().size();
        w.window.cmdFileDetails->click();
        const QStringList lines = w.log().mid(before);
        QCOMPARE(lines,
                 (QStringList{":", "FileName: details.wav", "FilePath: " + w.env.root() + "/",
                              "FileLen: " + QString::number(44 + 44100 * 2 * 4), "SecondsLength: 2",
                              "cbSize: 0", "wFormatTag: 1", "nAvgBytesPerSec: 176400", "nBlockAlign: 4",
                              "nChannels: 2", "nSamplesPerSec: 44100", "wBitsPerSample: 16"}));
    }

    // The meter shows each level unchanged.
    void meterShowsTheLevel() {
        Window w;
        w.window.txtAudioFile->setText(w.env.path("m.wav"));
        w.window.cmdRecord_Click();
        w.device->feed(wavetest::Pcm(44100, 2, 16, 4410, 0.5));
        QTRY_VERIFY(w.window.prgMeter->Value() > 100);
        w.window.cmdStopRec_Click();
    }
};

QTEST_MAIN(tst_micrecorder)
#include "tst_micrecorder.moc"
