// The Audio Analyser window: its labels, a mouse drag saved exact to the
// frame, Add Selection and its failures, and the play buttons.
#include "TestEnv.h"
#include "WavFixtures.h"
#include "components/WavFile.h"
#include "components/cAudioEditor.h"
#include "controls/cToolbar.h"
#include "controls/cWaveView.h"
#include "core/Installer.h"
#include "core/mdlModes.h"
#include "settings/OptionsSettings.h"
#include "settings/SettingsVariables.h"
#include "tools/frmAudioEditor.h"

#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

using testsupport::WavSpec;
Q_DECLARE_METATYPE(testsupport::WavSpec)

namespace {

void mouse(QWidget* w, QEvent::Type type, int x, Qt::MouseButtons buttons) {
    const QPointF pos(x, w->height() / 2);
    QMouseEvent e(type, pos, w->mapToGlobal(pos), Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

// Drags over the view from one frame to another, as a user does.
void drag(cWaveView* view, qint64 from, qint64 to) {
    mouse(view, QEvent::MouseButtonPress, view->XOf(from), Qt::LeftButton);
    mouse(view, QEvent::MouseMove, (view->XOf(from) + view->XOf(to)) / 2, Qt::LeftButton);
    mouse(view, QEvent::MouseMove, view->XOf(to), Qt::LeftButton);
    mouse(view, QEvent::MouseButtonRelease, view->XOf(to), Qt::NoButton);
}

struct Window {
    testsupport::TestEnv env;
    QStringList added;
    frmAudioEditor window{nullptr, [this](QStringList& files) { added += files; }};
    Window() {
        core::InitModes();
        window.Form_Load();
        window.resize(900, 600);
        window.show();
    }
    QList<testsupport::ShownMessage>& messages() { return env.services().messages; }
    void clickToolbar(const QString& key) { window.tlbrList_ButtonClick(window.tlbrList->ButtonIndex(key)); }
};

} // namespace

class TestAnalyser : public QObject {
    Q_OBJECT
private slots:
    void timeLabels_data() {
        QTest::addColumn<qint64>("ms");
        QTest::addColumn<QString>("label");
        QTest::newRow("0") << qint64(0) << "0 ms [0:00:00]";
        QTest::newRow("half up to even") << qint64(1500) << "1500 ms [0:00:02]";
        QTest::newRow("half down to even") << qint64(2500) << "2500 ms [0:00:02]";
        QTest::newRow("3.5 s") << qint64(3500) << "3500 ms [0:00:04]";
        QTest::newRow("61.5 s") << qint64(61500) << "61500 ms [0:01:02]";
        QTest::newRow("205 s") << qint64(205000) << "205000 ms [0:03:25]";
    }
    void timeLabels() {
        QFETCH(qint64, ms);
        QFETCH(QString, label);
        QCOMPARE(frmAudioEditor::TimeLabel(ms), label);
    }

    void dragAndSave_data() {
        QTest::addColumn<WavSpec>("spec");
        QTest::newRow("8-bit") << WavSpec{1, 8, 2, 44100, false};
        QTest::newRow("16-bit") << WavSpec{1, 16, 2, 44100, false};
        QTest::newRow("24-bit") << WavSpec{1, 24, 2, 44100, false};
        QTest::newRow("float") << WavSpec{3, 32, 2, 44100, false};
    }
    // The wave stands out from the view's background whatever colours the
    // store holds, from the first picture on, without a drag; the label stops
    // saying "Preparing..." once the wave is read.
    void waveIsVisible_data() {
        QTest::addColumn<qint64>("text"); // -1: the colours of a newly installed store
        QTest::addColumn<qint64>("app");
        QTest::newRow("a new store") << qint64(-1) << qint64(-1);
        QTest::newRow("white, white") << qint64(0xFFFFFF) << qint64(0xFFFFFF);
        QTest::newRow("black, black") << qint64(0) << qint64(0);
        QTest::newRow("near white, pale grey") << qint64(0xF8F8F8) << qint64(0xE0E0E0);
        QTest::newRow("white, dark blue") << qint64(0xFFFFFF) << qint64(0x804020);
        QTest::newRow("dark red, white") << qint64(0x000080) << qint64(0xFFFFFF);
        QTest::newRow("window colours") << qint64(0x80000008) << qint64(0x8000000F);
    }
    void waveIsVisible() {
        QFETCH(qint64, text);
        QFETCH(qint64, app);
        testsupport::TestEnv env(false);
        QVERIFY(core::InstallFromSeed(true));
        settings::SetOptionsVariables(settings::LoadOptionsSettings());
        if (text == -1) {
            QCOMPARE(settings::g_lTextColor, 0xFFFFFF); // as installed: white text
        } else {
            settings::g_lTextColor = qint32(text);
            settings::g_lAppColor = qint32(app);
        }
        core::InitModes();
        frmAudioEditor window(nullptr, {});
        window.Form_Load();
        window.resize(900, 600);
        window.show();
        QCOMPARE(window.lblCurrentTrack->text(), QString("Preparing..."));

        WavSpec spec;
        const QString source = env.path("tone.wav");
        QVERIFY(testsupport::writeWav(source, spec, testsupport::tonePcm(spec, 2 * 44100)));
        window.txtWavFile->setText(source);
        QVERIFY(window.LoadFile(source));
        QTRY_COMPARE(window.lblCurrentTrack->text(), QString("Ready."));

        cWaveView* view = window.cWaveView1;
        QCoreApplication::processEvents();
        const QImage picture = view->grab().toImage();
        const QRgb back = view->palette().color(view->backgroundRole()).rgb();
        const QRgb wave = view->WaveColor().rgb();
        QVERIFY(wave != back);
        // The tone fills most of each lane: most columns carry wave pixels.
        qint64 wavePixels = 0;
        int columns = 0;
        for (int x = 0; x < picture.width(); ++x) {
            int inColumn = 0;
            for (int y = 0; y < picture.height(); ++y)
                if (picture.pixel(x, y) == wave) ++inColumn;
            wavePixels += inColumn;
            if (inColumn > picture.height() / 4) ++columns;
        }
        QVERIFY2(columns > picture.width() * 9 / 10,
                 qPrintable(QString("%1 of %2 columns show the wave").arg(columns).arg(picture.width())));
        // Told apart from the background by the eye, not just by the numbers.
        const auto grey = [](QRgb c) { return qGray(c); };
        QVERIFY2(qAbs(grey(wave) - grey(back)) >= 60 || qAbs(qRed(wave) - qRed(back)) +
                                                                qAbs(qGreen(wave) - qGreen(back)) +
                                                                qAbs(qBlue(wave) - qBlue(back)) >=
                                                            200,
                 qPrintable(QString("wave %1 on %2").arg(wave, 0, 16).arg(back, 0, 16)));
        QVERIFY(wavePixels > 0);
    }

    // A 3 s stereo tone; a drag over 1 s saved through the toolbar holds
    // exactly the frames selected, byte for byte.
    void dragAndSave() {
        QFETCH(WavSpec, spec);
        Window w;
        const QByteArray pcm = testsupport::tonePcm(spec, 3 * 44100);
        const QString source = w.env.path("tone.wav");
        QVERIFY(testsupport::writeWav(source, spec, pcm));
        w.window.txtWavFile->setText(source);
        QVERIFY(w.window.LoadFile(source));
        QTRY_COMPARE(w.window.lblNumOfSamples->text(), QString("132300"));
        QCOMPARE(w.window.lblInfoSamples->text(), QString("44100"));
        QCOMPARE(w.window.lblInfoBits->text(), QString::number(spec.bits));
        QCOMPARE(w.window.lblInfoChannels->text(), QString("2"));
        QCOMPARE(w.window.lblLength->text(), QString("0:00:03"));
        QCOMPARE(w.window.lblTimeEnd->text(), QString("3000 ms [0:00:03]"));
        QCOMPARE(w.window.lblSelectedTime->text(), w.window.lblTimeEnd->text());

        drag(w.window.cWaveView1, 44100, 88200);
        components::cAudioEditor* editor = w.window.cAudioEditor1;
        const qint64 start = editor->SelectionStart(), end = editor->SelectionEnd();
        // Within a pixel of the second dragged over.
        const qint64 pixel = 132300 / w.window.cWaveView1->width() + 1;
        QVERIFY2(qAbs(start - 44100) <= pixel && qAbs(end - 88200) <= pixel,
                 qPrintable(QString("%1..%2").arg(start).arg(end)));
        QCOMPARE(w.window.lblSamplesStart->text(), QString::number(start));
        QCOMPARE(w.window.lblSamplesEnd->text(), QString::number(end));
        QCOMPARE(w.window.lblTimeStart->text(), frmAudioEditor::TimeLabel(editor->MillisecondsOf(start)));

        const QString out = w.env.path("selection.wav");
        w.env.services().saveAnswers.enqueue(out);
        QSignalSpy done(editor, &components::cAudioEditor::Done);
        w.clickToolbar("Save Selection");
        QVERIFY(!w.window.cmdAddSelection->isEnabled());
        QVERIFY(done.wait(5000));
        QVERIFY(w.window.cmdAddSelection->isEnabled());
        QVERIFY(w.window.tlbrList->ButtonEnabled(QString("Save Selection")));
        const qint64 align = 2 * spec.bits / 8;
        QCOMPARE(testsupport::wavFrames(out), pcm.mid(int(start * align), int((end - start) * align)));
        QVERIFY(w.added.isEmpty()); // saving only
        QVERIFY(w.window.isVisible());
    }

    // Add Selection: cancelled, failed, over the analysed file, then done.
    void addSelection() {
        Window w;
        WavSpec spec;
        const QString source = w.env.path("tone.wav");
        QVERIFY(testsupport::writeWav(source, spec, testsupport::tonePcm(spec, 2 * 44100)));
        w.window.txtWavFile->setText(source);
        QVERIFY(w.window.LoadFile(source));
        components::cAudioEditor* editor = w.window.cAudioEditor1;
        editor->SetSelection(0, 44100);

        // Cancelled: back to the window, nothing saved or added.
        w.env.services().saveAnswers.enqueue(QString());
        w.window.cmdAddSelection_Click();
        QTest::qWait(30);
        QVERIFY(w.added.isEmpty());
        QVERIFY(w.window.isVisible());
        QVERIFY(w.window.cmdAddSelection->isEnabled());

        // Failed and refused saves are said, nothing is added, the window stays.
        for (const QString& dest : {w.env.root() + "/missing/x.wav", source}) {
            w.messages().clear();
            QSignalSpy error(editor, &components::cAudioEditor::Error);
            w.env.services().saveAnswers.enqueue(dest);
            w.window.cmdAddSelection_Click();
            QVERIFY(error.wait(5000));
            QCOMPARE(w.messages().size(), 1);
            QVERIFY(w.added.isEmpty());
            QVERIFY(w.window.isVisible());
            QVERIFY(w.window.cmdAddSelection->isEnabled());
        }
        QCOMPARE(testsupport::wavFrames(source).size(), 2 * 44100 * 4);

        // Done: the saved file is added once complete, and the window closes.
        const QString out = w.env.path("added.wav");
        w.env.services().saveAnswers.enqueue(out);
        w.window.cmdAddSelection_Click();
        QVERIFY(w.added.isEmpty()); // not before the save is done
        QTRY_COMPARE(w.added, QStringList{out});
        QCOMPARE(testsupport::wavFrames(out).size(), 44100 * 4);
        QVERIFY(!w.window.isVisible());
    }

    // A file that is no WAV: a message, an empty view, nothing to save.
    void unreadableFile() {
        Window w;
        const QString text = w.env.path("text.wav");
        QVERIFY(testsupport::writeFileBytes(text, "RIFF....WAVEjunk"));
        QVERIFY(!w.window.LoadFile(text));
        QCOMPARE(w.messages().size(), 1);
        QVERIFY(w.messages().first().prompt.contains(text));
        QVERIFY(!w.window.cmdAddSelection->isEnabled());
        QVERIFY(!w.window.tlbrList->ButtonEnabled(QString("Save Selection")));
        w.window.cWaveView1->repaint(); // nothing to draw, nothing to crash on
    }

    // Play disables itself until PlayDone; Pause twice pauses then resumes; Stop enables Play.
    void playButtons() {
        Window w;
        WavSpec spec;
        const QString source = w.env.path("tone.wav");
        QVERIFY(testsupport::writeWav(source, spec, testsupport::tonePcm(spec, 44100 / 2)));
        QVERIFY(w.window.LoadFile(source));
        components::cAudioEditor* editor = w.window.cAudioEditor1;
        QSignalSpy playDone(editor, &components::cAudioEditor::PlayDone);
        w.clickToolbar("Play");
        QVERIFY(!w.window.tlbrList->ButtonEnabled(QString("Play")));
        w.clickToolbar("Pause");
        QVERIFY(editor->IsPaused());
        w.clickToolbar("Pause");
        QVERIFY(!editor->IsPaused());
        QVERIFY(playDone.wait(5000));
        QVERIFY(w.window.tlbrList->ButtonEnabled(QString("Play")));
        w.clickToolbar("Play");
        w.clickToolbar("Stop");
        QVERIFY(w.window.tlbrList->ButtonEnabled(QString("Play")));
        QVERIFY(playDone.wait(5000));
    }
};

QTEST_MAIN(TestAnalyser)
#include "tst_analyser.moc"
