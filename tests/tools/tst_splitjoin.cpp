// The Audio Splitter and the Audio Joiner of the full build, opened from the
// main window and run with their own buttons: a 10.2 s tone split by seconds
// and by parts (the parts tile the tone to the sample; a 7 s tone asked for
// three parts gives three), into MP3 (each part
// within a frame of its length), the refused part lengths, "No" at the
// overwrite question; a WAV, an MP3 and an OGG item (one with a range) joined
// into MP3 and WAV with the first item's tags, and a join aborted midway.
#include "ListFixtures.h"
#include "MediaTools.h"
#include "TestEnv.h"
#include "WindowFixtures.h"

#include "ConverterTools.h"
#include "components/cAudioJoin.h"
#include "controls/cGrid.h"
#include "controls/cTreeView.h"
#include "core/SplitParts.h"
#include "core/mdlModes.h"
#include "itemlists/ItemRows.h"
#include "mainwindow/frmMain.h"
#include "options/frmAudioProp.h"
#include "options/frmOptions.h"
#include "settings/EncoderSettings.h"
#include "settings/SettingsVariables.h"
#include "tools/frmJoiner.h"
#include "tools/frmSplitter.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QtTest>

#include <functional>

namespace {

const QString kWav = QStringLiteral("WAV - Waveform Audio Format (*.wav)");
const QString kMp3 = QStringLiteral("MP3 - MPEG-1 Audio Layer 3 (*.mp3)");

using testsupport::folderEntries;

// The full build's main window over one list, with the settings dialogs loaded.
struct World : testsupport::SettingsDialogs {
    testsupport::TestEnv env;
    frmMain* main = nullptr;
    QString list;

    explicit World(const QStringList& files) {
        core::InitModes(core::Edition::Full);
        settings::g_bAppExiting = false;
        settings::g_bDisplayMSGWhenExit = false;
        settings::g_bClearOnExit = false;
        settings::g_sItemsListDir = env.home() + "/Main/";
        QDir().mkpath(settings::g_sItemsListDir);
        list = settings::g_sItemsListDir + "Songs.flst";
        testsupport::writeMarkedList(list, files);
        loadDialogs();
        settings::g_lWAVSampleRate = 44100;
        settings::g_lWAVChannelsIndex = 1;
        settings::g_lWAVBitsPerSample = 16;
        main = new frmMain;
        main->Form_Load();
        cTreeViewNode node = main->cTreeView1->Nodes().Item(list);
        node.setSelected(true);
        main->cTreeView1_NodeClick(node);
    }
    ~World() { testsupport::unloadAll(); }
    void setCell(qint32 row, const QString& key, const QString& text) {
        main->cGrid1->CellDetails(row, main->cGrid1->ColumnIndex(key), text);
    }
    // Runs the tool with the key; `use` drives its window and returns when done with it.
    template <class Window> bool run(const QString& key, const std::function<void(Window*)>& use) {
        bool opened = false;
        env.services().modalHandler = [&](QDialog* dialog) {
            auto* window = qobject_cast<Window*>(dialog);
            if (!window) return int(QDialog::Rejected);
            opened = true;
            dialog->show();
            use(window);
            dialog->close();
            return int(QDialog::Accepted);
        };
        main->RunCommand(key);
        env.services().modalHandler = {};
        return opened;
    }
};

void ChooseFormat(toolframe::frmBatchTool* w, const QString& format, const QString& folder) {
    w->cboTargetFormat->setCurrentIndex(w->cboTargetFormat->findText(format));
    QCOMPARE(w->cboTargetFormat->currentText(), format);
    w->txtToPath->setEditText(folder);
}

// Presses the run button and waits for the job's end; false when none came.
bool PressAndWait(QPushButton* button, core::Job& job) {
    QSignalSpy finished(&job, &core::Job::Finished);
    button->click();
    return finished.count() == 1 || finished.wait(120000);
}

} // namespace

class tst_splitjoin : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void splitThroughTheMainWindow_data();
    void splitThroughTheMainWindow();
    void splitRefusals();
    void splitNoAtOverwriteEndsTheRun();
    void splitShowsTheStartOfALongDestination();
    void joinThroughTheMainWindow_data();
    void joinThroughTheMainWindow();
    void joinAbortedLeavesNoOutput();

private:
    QString m_tone, m_seven, m_wav, m_mp3, m_ogg, m_long;
    std::unique_ptr<QTemporaryDir> m_fixtures;
};

void tst_splitjoin::initTestCase() {
    m_fixtures = std::make_unique<QTemporaryDir>();
    QVERIFY(m_fixtures->isValid());
    m_tone = m_fixtures->filePath("tone.wav");
    m_seven = m_fixtures->filePath("seven.wav");
    m_wav = m_fixtures->filePath("one.wav");
    m_mp3 = m_fixtures->filePath("two.mp3");
    m_ogg = m_fixtures->filePath("three.ogg");
    m_long = m_fixtures->filePath("long.wav");
    using testsupport::runFfmpeg;
    using testsupport::sineInput;
    const QStringList pcm{"-ar", "44100", "-c:a", "pcm_s16le"};
    QVERIFY(runFfmpeg(sineInput(10.2) + pcm + QStringList{m_tone}));
    QVERIFY(runFfmpeg(sineInput(7.0) + pcm + QStringList{m_seven}));
    QVERIFY(runFfmpeg(sineInput(2.0) + pcm + QStringList{m_wav}));
    QVERIFY(runFfmpeg(sineInput(1.5) + QStringList{"-ar", "44100", "-c:a", "libmp3lame", m_mp3}));
    QVERIFY(runFfmpeg(sineInput(2.5) + QStringList{"-ar", "44100", "-c:a", "libvorbis", m_ogg}));
    QVERIFY(runFfmpeg(sineInput(30.0) + pcm + QStringList{m_long}));
    QCOMPARE(testsupport::wavPcm(m_tone).size(), qsizetype(449820) * 4);
}

// After a run the destination box holds the folder the parts went to; a
// path longer than the box shows from its start, as the user typed it, not
// from a cut somewhere in its middle.
void tst_splitjoin::splitShowsTheStartOfALongDestination() {
    World w({m_wav, m_tone});
    w.main->cGrid1->setSelectedRow(2);
    const QString dest = w.env.path(QString(60, u'a') + "/" + QString(60, u'b') + "/parts");
    QString shown;
    int cursor = -1;
    int shownWidth = 0;
    int pathWidth = 0;
    QVERIFY(w.run<frmSplitter>("Audio Splitter", [&](frmSplitter* s) {
        ChooseFormat(s, kWav, dest);
        s->ptnSplitBySecs->click();
        s->txtSplitSecs->setText("5");
        QVERIFY(PressAndWait(s->cmdConvert, s->Run()));
        QLineEdit* box = s->txtToPath->lineEdit();
        shown = box->text();
        cursor = box->cursorPosition();
        shownWidth = box->width();
        pathWidth = box->fontMetrics().horizontalAdvance(shown);
    }));
    QVERIFY(QDir(dest).exists());
    QVERIFY2(QDir::cleanPath(shown) == QDir::cleanPath(dest), qPrintable(shown));
    QVERIFY2(pathWidth > shownWidth, "the path fits the box: nothing to show");
    QCOMPARE(cursor, 0);
}

void tst_splitjoin::splitThroughTheMainWindow_data() {
    QTest::addColumn<bool>("byParts");
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("source");         // "tone" (10.2 s) or "seven" (7 s)
    QTest::addColumn<QList<qint64>>("expected"); // frames of each part
    const QList<qint64> tone{3 * 44100, 3 * 44100, 3 * 44100, 449820 - 9 * 44100};
    QTest::newRow("3 s to WAV") << false << "3" << kWav << "tone" << tone;
    QTest::newRow("4 parts to WAV") << true << "4" << kWav << "tone" << tone;
    QTest::newRow("3 s to MP3") << false << "3" << kMp3 << "tone" << tone;
    QTest::newRow("7 s to 3 parts") << true << "3" << kWav << "seven"
                                    << QList<qint64>{2 * 44100, 2 * 44100, 3 * 44100};
}

void tst_splitjoin::splitThroughTheMainWindow() {
    QFETCH(bool, byParts);
    QFETCH(QString, number);
    QFETCH(QString, format);
    QFETCH(QString, source);
    QFETCH(QList<qint64>, expected);
    const QString file = source == "seven" ? m_seven : m_tone;
    World w({m_wav, file});
    w.main->cGrid1->setSelectedRow(2); // the item to split: the selected row
    settings::g_bMP3VBRTag = true;     // gapless: an MP3 part decodes to its own length
    const QString dest = w.env.path("parts");
    QString files, log;
    bool finished = false;
    QVERIFY(w.run<frmSplitter>("Audio Splitter", [&](frmSplitter* s) {
        QCOMPARE(s->g_sFileToSplit, file);
        QCOMPARE(s->cGrid1->Rows(), 1);
        ChooseFormat(s, format, dest);
        (byParts ? s->ptnSplitByParts : s->ptnSplitBySecs)->click();
        QCOMPARE(s->txtSplitParts->isEnabled(), byParts);
        QCOMPARE(s->txtSplitSecs->isEnabled(), !byParts);
        (byParts ? s->txtSplitParts : s->txtSplitSecs)->setText(number);
        finished = PressAndWait(s->cmdConvert, s->Run());
        files = s->lblFilesToConvert->text();
        log = s->txtLog->toPlainText();
        QCOMPARE(s->lblCurrentTrack->text(), QString("Done."));
        QVERIFY(s->cmdConvert->isEnabled());
    }));
    QVERIFY(finished);
    QCOMPARE(files, "Split: " + source + ".wav");
    QVERIFY2(log.contains("Preparing to split: " + source + ".wav..") &&
                 log.contains("Start to split: " + source + ".wav..."),
             qPrintable(log));
    const QString ext = format.left(3);
    QStringList parts;
    for (qsizetype i = 1; i <= expected.size(); ++i)
        parts << QString("Part_%1_%2.%3").arg(i).arg(source, ext);
    QCOMPARE(folderEntries(dest), parts);
    if (ext == "WAV") {
        // The parts' samples, one after another, are the source's.
        QByteArray joined;
        for (const QString& p : parts)
            joined += testsupport::wavPcm(dest + "/" + p);
        QCOMPARE(joined, testsupport::wavPcm(file));
        for (qsizetype i = 0; i < parts.size(); ++i)
            QCOMPARE(testsupport::wavPcm(dest + "/" + parts[i]).size() / 4, expected[i]);
    } else {
        for (qsizetype i = 0; i < parts.size(); ++i) {
            const qint64 frames = testsupport::decodedFrames(dest + "/" + parts[i]);
            QVERIFY2(
                qAbs(frames - expected[i]) <= 1152,
                qPrintable(QString("%1: %2 frames, expected %3").arg(parts[i]).arg(frames).arg(expected[i])));
        }
    }
}

// A part length below a second, a single part and a source that is no audio
// are refused with a message before anything runs.
void tst_splitjoin::splitRefusals() {
    // The third source is audio when the list is loaded and no longer when the split starts.
    const QString notAudio = QDir(m_fixtures->path()).filePath("notes.wav");
    QVERIFY(QFile::copy(m_tone, notAudio));
    for (const auto& [source, byParts, number, message] :
         {std::tuple{m_tone, false, QString("0.4"), core::SplitRefusedText()},
          std::tuple{m_tone, true, QString("1"), core::SplitRefusedText()},
          std::tuple{notAudio, true, QString("4"),
                     "The file: '" + notAudio + "' cannot be read as audio."}}) {
        World w({source});
        if (source == notAudio) QVERIFY(testsupport::writeFileBytes(notAudio, QByteArray(3000, 'x')));
        w.env.services().messages.clear();
        // Named copies: clang before 16 cannot capture structured bindings in a lambda.
        const bool parts = byParts;
        const QString count = number;
        QVERIFY(w.run<frmSplitter>("Audio Splitter", [&](frmSplitter* s) {
            ChooseFormat(s, kWav, w.env.path("refused"));
            (parts ? s->ptnSplitByParts : s->ptnSplitBySecs)->click();
            (parts ? s->txtSplitParts : s->txtSplitSecs)->setText(count);
            s->cmdConvert->click();
            QVERIFY(!s->Run().IsRunning());
            QVERIFY(s->cmdConvert->isEnabled() && s->cmdExit->isEnabled());
        }));
        QCOMPARE(w.env.services().messages.size(), 1);
        QCOMPARE(w.env.services().messages.first().prompt, message);
        QVERIFY(!QDir(w.env.path("refused")).exists() || folderEntries(w.env.path("refused")).isEmpty());
    }
}

void tst_splitjoin::splitNoAtOverwriteEndsTheRun() {
    World w({m_tone});
    const QString dest = w.env.path("again");
    QDir().mkpath(dest);
    QVERIFY(testsupport::writeFileBytes(dest + "/Part_2_tone.WAV", "earlier"));
    QStringList balloons;
    QString log, track;
    QVERIFY(w.run<frmSplitter>("Audio Splitter", [&](frmSplitter* s) {
        s->EndActionsHooks().balloon = [&](const QString& text) { balloons << text; };
        ChooseFormat(s, kWav, dest);
        s->ptnSplitBySecs->click();
        s->txtSplitSecs->setText("3");
        w.env.services().msgBoxAnswers.enqueue(core::vbNo);
        QVERIFY(PressAndWait(s->cmdConvert, s->Run()));
        log = s->txtLog->toPlainText().trimmed();
        track = s->lblCurrentTrack->text();
    }));
    QCOMPARE(log.split('\n').last().section(':', -1).trimmed(), QString("File already exists."));
    QCOMPARE(track, QString("Aborted."));
    QCOMPARE(balloons, QStringList{"Aborted."});
    // Part 1 was made before the question; part 2 kept; nothing after it.
    QCOMPARE(folderEntries(dest), (QStringList{"Part_1_tone.WAV", "Part_2_tone.WAV"}));
    QCOMPARE(testsupport::fileBytes(dest + "/Part_2_tone.WAV"), QByteArray("earlier"));
}

void tst_splitjoin::joinThroughTheMainWindow_data() {
    QTest::addColumn<QString>("format");
    QTest::addColumn<qint64>("tolerance");
    QTest::newRow("MP3") << kMp3 << qint64(1152);
    QTest::newRow("WAV") << kWav << qint64(0);
}

void tst_splitjoin::joinThroughTheMainWindow() {
    QFETCH(QString, format);
    QFETCH(qint64, tolerance);
    World w({m_wav, m_mp3, m_ogg});
    settings::g_bMP3VBRTag = true;
    // Row 1's tags go into the output; the OGG item is joined from second 1 for a second.
    w.setCell(1, itemlists::COL_TAG_TITLE, "Joined [TRACK_NUM]");
    w.setCell(1, itemlists::COL_TAG_ARTIST, "Artist");
    w.setCell(1, itemlists::COL_TAG_ALBUM, "Album");
    w.setCell(1, itemlists::COL_TAG_YEAR, "2026");
    w.setCell(1, itemlists::COL_TAG_GEN, "Rock");
    w.setCell(1, itemlists::COL_TAG_COMMENT, "Comment");
    w.setCell(2, itemlists::COL_TAG_TITLE, "Not this one");
    w.setCell(3, itemlists::COL_RANGE_ALL, "0");
    w.setCell(3, itemlists::COL_RANGE_START_TIME, "1");
    w.setCell(3, itemlists::COL_RANGE_LENGTH_TIME, "1");
    const QString dest = w.env.path("joined");
    bool finished = false;
    QString before, label;
    QVERIFY(w.run<frmJoiner>("Audio Joiner", [&](frmJoiner* j) {
        before = j->lblFilesToConvert->text();
        QCOMPARE(j->cGrid1->Rows(), 3);
        ChooseFormat(j, format, dest);
        j->txtJoinedFileName->setText("All of it.[dest_extension]");
        finished = PressAndWait(j->cmdConvert, j->Join());
        label = j->lblFilesToConvert->text();
        QCOMPARE(j->lblCurrentTrack->text(), QString("Done."));
        QVERIFY(j->txtLog->toPlainText().contains("Add three.ogg..."));
    }));
    QCOMPARE(before, QString("3 items to join."));
    QCOMPARE(label, QString("Files: 3/3"));
    QVERIFY(finished);
    const QString out = dest + "/All of it." + format.left(3).toLower();
    QCOMPARE(folderEntries(dest), QStringList{QFileInfo(out).fileName()});
    const qint64 expected = testsupport::decodedFrames(m_wav) + testsupport::decodedFrames(m_mp3) + 44100;
    const qint64 frames = testsupport::decodedFrames(out);
    QVERIFY2(qAbs(frames - expected) <= tolerance,
             qPrintable(QString("%1 frames, expected %2").arg(frames).arg(expected)));
    if (format == kMp3) {
        const auto tags = convtest::mutagenTags(out);
        QCOMPARE(tags.value("title"), QString("Joined 1"));
        QCOMPARE(tags.value("artist"), QString("Artist"));
        QCOMPARE(tags.value("album"), QString("Album"));
        QCOMPARE(tags.value("year"), QString("2026"));
        QCOMPARE(tags.value("genre"), QString("Rock"));
        QCOMPARE(tags.value("comment"), QString("Comment"));
    }
}

void tst_splitjoin::joinAbortedLeavesNoOutput() {
    World w({m_long, m_long, m_wav});
    const QString dest = w.env.path("aborted");
    QStringList balloons;
    QString track;
    QVERIFY(w.run<frmJoiner>("Audio Joiner", [&](frmJoiner* j) {
        j->EndActionsHooks().balloon = [&](const QString& text) { balloons << text; };
        ChooseFormat(j, kMp3, dest);
        QSignalSpy finished(&j->Join(), &core::Job::Finished);
        j->cmdConvert->click();
        QVERIFY(!j->cmdConvert->isEnabled() && !j->cmdExit->isEnabled());
        // Closing is refused while the join runs.
        j->close();
        QVERIFY(j->isVisible());
        QVERIFY(QTest::qWaitFor([&] { return j->Join().CurrentBar() >= 1; }, 60000));
        w.env.services().msgBoxAnswers.enqueue(core::vbYes);
        j->cmdAbort->click();
        QVERIFY(finished.count() == 1 || finished.wait(60000));
        QCOMPARE(finished.first().first().toBool(), false);
        track = j->lblCurrentTrack->text();
        QVERIFY(j->cmdConvert->isEnabled());
    }));
    QCOMPARE(track, QString("Aborted."));
    QCOMPARE(balloons, QStringList{"Aborted."});
    QCOMPARE(folderEntries(dest), QStringList());
}

QTEST_MAIN(tst_splitjoin)
#include "tst_splitjoin.moc"
