// The analyser's engine: reading WAV files in every sample format, the peak
// cache, cutting a selection exact to the frame, refusals, abort, playback.
#include "MediaTools.h"
#include "TestEnv.h"
#include "WavFixtures.h"
#include "components/WavFile.h"
#include "components/cAudioEditor.h"

#include <QDir>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QtTest>

using components::cAudioEditor;
using testsupport::WavSpec;

Q_DECLARE_METATYPE(testsupport::WavSpec)

namespace {

// Waits for the one terminal event of a save and names it.
QString saveOutcome(cAudioEditor& editor) {
    QSignalSpy done(&editor, &cAudioEditor::Done), aborted(&editor, &cAudioEditor::Aborted),
        error(&editor, &cAudioEditor::Error);
    QElapsedTimer t;
    t.start();
    while (done.isEmpty() && aborted.isEmpty() && error.isEmpty() && t.elapsed() < 20000)
        QTest::qWait(5);
    QTest::qWait(20); // nothing else may follow
    const int events = int(done.size() + aborted.size() + error.size());
    if (events != 1) return QStringLiteral("%1 events").arg(events);
    if (!error.isEmpty()) return QStringLiteral("Error: ") + error.first().at(1).toString();
    return done.isEmpty() ? QStringLiteral("Aborted") : QStringLiteral("Done");
}

} // namespace

class TestAudioEditor : public QObject {
    Q_OBJECT
private slots:
    void cutsExactFramesInEveryFormat_data() {
        QTest::addColumn<WavSpec>("spec");
        QTest::newRow("8-bit") << WavSpec{1, 8, 2, 44100, false};
        QTest::newRow("16-bit") << WavSpec{1, 16, 2, 44100, false};
        QTest::newRow("24-bit") << WavSpec{1, 24, 2, 44100, false};
        QTest::newRow("32-bit") << WavSpec{1, 32, 2, 44100, false};
        QTest::newRow("float") << WavSpec{3, 32, 2, 44100, false};
        QTest::newRow("16-bit extensible mono") << WavSpec{1, 16, 1, 22050, true};
        QTest::newRow("float extensible") << WavSpec{3, 32, 2, 48000, true};
    }
    // A 3 s file: its facts, then 1 s from an odd frame cut byte for byte in the source's own format.
    void cutsExactFramesInEveryFormat() {
        QFETCH(WavSpec, spec);
        testsupport::TestEnv env;
        const qint64 frames = 3 * qint64(spec.rate);
        const QByteArray pcm = testsupport::tonePcm(spec, frames);
        const QString source = env.path("tone.wav");
        QVERIFY(testsupport::writeWav(source, spec, pcm));

        cAudioEditor editor;
        QSignalSpy info(&editor, &cAudioEditor::FileInfo);
        QVERIFY(editor.LoadFile(source));
        QVERIFY(info.isEmpty()); // queued, never from inside the call
        QVERIFY(info.wait(5000));
        QCOMPARE(info.first().at(0).toInt(), qint32(spec.rate));
        QCOMPARE(info.first().at(1).toInt(), qint32(spec.bits));
        QCOMPARE(info.first().at(2).toInt(), qint32(spec.channels));
        QCOMPARE(info.first().at(3).toInt(), 3);
        QCOMPARE(info.first().at(4).toLongLong(), frames);

        const qint64 start = spec.rate / 2 + 7;
        QSignalSpy selection(&editor, &cAudioEditor::SelectionChanged);
        editor.SetSelection(start + spec.rate, start); // either order
        QCOMPARE(selection.size(), 1);
        QCOMPARE(selection.first().at(0).toLongLong(), start);
        QCOMPARE(selection.first().at(1).toLongLong(), start + spec.rate);

        const QString out = env.path("cut.wav");
        editor.SetSaveSource(source);
        editor.DestinationFile = out;
        editor.SetRangeFrames(editor.SelectionStart(), editor.SelectionEnd() - editor.SelectionStart());
        editor.SaveSelection();
        QCOMPARE(saveOutcome(editor), QString("Done"));
        const qint64 align = spec.channels * spec.bits / 8;
        QCOMPARE(testsupport::wavFrames(out), pcm.mid(int(start * align), int(spec.rate * align)));
        components::WavLayout layout;
        QVERIFY(components::ReadWavLayout(out, &layout, nullptr));
        QCOMPARE(layout.rate, qint32(spec.rate));
        QCOMPARE(layout.channels, qint32(spec.channels));
        QCOMPARE(layout.bits, qint32(spec.bits));
        QCOMPARE(layout.frames, qint64(spec.rate));
        // Another reader agrees on what was written, and nothing else was left beside it.
        QVERIFY(qAbs(testsupport::ffprobeSeconds(out) - 1.0) < 0.001);
        QCOMPARE(QDir(env.path("")).entryList(QDir::Files | QDir::Hidden).size(), 2);
    }

    // Milliseconds round to frames; the range is reset after a save.
    void rangeInMilliseconds() {
        testsupport::TestEnv env;
        WavSpec spec;
        const QByteArray pcm = testsupport::tonePcm(spec, 44100 * 2);
        const QString source = env.path("tone.wav");
        QVERIFY(testsupport::writeWav(source, spec, pcm));
        cAudioEditor editor;
        QVERIFY(editor.LoadFile(source));
        editor.SetSaveSource(source);
        editor.DestinationFile = env.path("ms.wav");
        editor.RangeStart = 1500;
        editor.RangeLength = 250;
        editor.SaveSelection();
        QCOMPARE(saveOutcome(editor), QString("Done"));
        QCOMPARE(testsupport::wavFrames(env.path("ms.wav")), pcm.mid(66150 * 4, 11025 * 4));
    }

    // What cannot be loaded leaves an empty view and says why; saves that
    // cannot be done end with Error and write nothing.
    void refusals() {
        testsupport::TestEnv env;
        cAudioEditor editor;
        const QString text = env.path("notes.wav");
        QVERIFY(testsupport::writeFileBytes(text, "just some text, not audio"));
        QVERIFY(!editor.LoadFile(text));
        QVERIFY(editor.ErrorText().contains("not a WAV"));
        QVERIFY(!editor.IsLoaded());
        QCOMPARE(editor.Peaks(0, 0, 100, 10).size(), size_t(10));

        WavSpec spec;
        const QString empty = env.path("empty.wav");
        QVERIFY(testsupport::writeWav(empty, spec, QByteArray()));
        QVERIFY(!editor.LoadFile(empty));
        QVERIFY(editor.ErrorText().contains("no samples"));
        QVERIFY(!editor.LoadFile(env.path("missing.wav")));

        const QString source = env.path("tone.wav");
        const QByteArray bytes = testsupport::wavBytes(spec, testsupport::tonePcm(spec, 44100));
        QVERIFY(testsupport::writeFileBytes(source, bytes));
        QVERIFY(editor.LoadFile(source));
        editor.SetSaveSource(source);
        struct Case {
            QString dest;
            qint64 from, length;
            QString error;
        };
        const QList<Case> cases{
            {source, 0, 100, "cannot be saved over the file"},
            {env.path("sub/../tone.wav"), 0, 100, "cannot be saved over the file"},
            {env.root() + "/nowhere/out.wav", 0, 100, "does not exist"},
            {env.path("out.wav"), 500, 0, "Nothing is selected"},
            {QString(), 0, 100, "No destination"},
        };
        for (const Case& c : cases) {
            editor.DestinationFile = c.dest;
            editor.SetRangeFrames(c.from, c.length);
            editor.SaveSelection();
            const QString outcome = saveOutcome(editor);
            QVERIFY2(outcome.startsWith("Error: ") && outcome.contains(c.error),
                     qPrintable(c.dest + ": " + outcome));
        }
        QCOMPARE(testsupport::fileBytes(source), bytes);
        QVERIFY(!QFile::exists(env.path("out.wav")));
    }

    // Abort during a save of several megabytes leaves neither the file nor a partial one.
    void abortLeavesNoFile() {
        testsupport::TestEnv env;
        WavSpec spec;
        const QString source = env.path("long.wav");
        QVERIFY(testsupport::writeWav(source, spec, QByteArray(44100 * 4 * 60, '\x11')));
        cAudioEditor editor;
        QVERIFY(editor.LoadFile(source));
        QDir().mkpath(env.path("out"));
        editor.DestinationFile = env.path("out/part.wav");
        editor.SetRangeFrames(0, editor.Samples());
        editor.SaveSelection();
        editor.Abort();
        QCOMPARE(saveOutcome(editor), QString("Aborted"));
        QVERIFY(QDir(env.path("out")).entryList(QDir::Files | QDir::Hidden | QDir::System).isEmpty());
    }

    // The peaks of a loud half and a silent half, from the cache and, zoomed
    // in closer than a block per column, from the file; Zoom and RestoreZoom.
    void peaksAndZoom() {
        testsupport::TestEnv env;
        WavSpec spec{1, 16, 1, 8000, false};
        QByteArray pcm;
        for (int f = 0; f < 16000; ++f) {
            char b[2];
            qToLittleEndian(qint16(f < 8000 ? (f % 2 ? 16384 : -16384) : 0), b);
            pcm.append(b, 2);
        }
        const QString source = env.path("halves.wav");
        QVERIFY(testsupport::writeWav(source, spec, pcm));
        cAudioEditor editor;
        QSignalSpy view(&editor, &cAudioEditor::ViewChanged);
        QVERIFY(editor.LoadFile(source));
        QTRY_VERIFY(editor.PeaksReady());
        const auto whole = editor.Peaks(0, 0, 16000, 4);
        QCOMPARE(whole[0], std::make_pair(-0.5f, 0.5f));
        QCOMPARE(whole[3], std::make_pair(0.0f, 0.0f));
        const auto close = editor.Peaks(0, 7990, 8010, 20); // a frame per column
        QCOMPARE(qAbs(close[0].first), 0.5f);
        QCOMPARE(close[19], std::make_pair(0.0f, 0.0f));

        editor.SetSelection(4000, 6000);
        editor.Zoom();
        QCOMPARE(editor.ViewStart(), qint64(4000));
        QCOMPARE(editor.ViewEnd(), qint64(6000));
        editor.RestoreZoom();
        QCOMPARE(editor.ViewEnd(), qint64(16000));
        QVERIFY(!view.isEmpty());
        // A click without a drag selects the whole file again.
        editor.SetSelection(100, 100);
        QCOMPARE(editor.SelectionStart(), qint64(0));
        QCOMPARE(editor.SelectionEnd(), qint64(16000));
    }

    // The selection plays on the test server's null sink and ends with one PlayDone.
    // The file runs well past the selection, so that a slow machine cannot
    // pass off the rest of the file as the selection's second.
    void playsTheSelection() {
        testsupport::TestEnv env;
        WavSpec spec;
        const QString source = env.path("tone.wav");
        QVERIFY(testsupport::writeWav(source, spec, testsupport::tonePcm(spec, 44100 * 20)));
        cAudioEditor editor;
        QVERIFY(editor.LoadFile(source));
        editor.SetSelection(44100, 88200);
        QSignalSpy done(&editor, &cAudioEditor::PlayDone);
        QElapsedTimer t;
        t.start();
        QCOMPARE(editor.Play(), 0);
        QVERIFY(editor.IsPlaying());
        QVERIFY(done.wait(30000));
        const qint64 ms = t.elapsed();
        QVERIFY2(ms >= 800 && ms < 12000, qPrintable(QString::number(ms)));
        QTest::qWait(50);
        QCOMPARE(done.size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestAudioEditor)
#include "tst_audioeditor.moc"
