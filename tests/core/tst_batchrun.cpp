// The batch run with a scripted item job, an in-memory view and scripted
// prompts: one table row per way a run can end, abort, the item hand-over,
// output paths that must not go astray, and the end-of-job events.
#include "BatchFakes.h"
#include "TestEnv.h"
#include "core/BatchRun.h"
#include "core/mdlModes.h"
#include "settings/EncoderSettings.h"
#include "settings/SettingsVariables.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QtTest>

using namespace core;
using testsupport::FakeBatchView;
using testsupport::RecordingEndActions;
using testsupport::ScriptedItemJob;

namespace {

void touch(const QString& path, const QByteArray& data = "old") {
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(data);
}

// Wraps the scripted services: while a Yes/No question is "open" a hook runs
// and events are delivered, as under a real modal box.
class ModalServices final : public core::Services {
public:
    explicit ModalServices(std::unique_ptr<core::Services> inner) : m_inner(std::move(inner)) {}
    std::function<void()> whileOpen;
    int msgBox(QWidget* o, const QString& p, int s, const QString& t) override {
        if (whileOpen) {
            whileOpen();
            QCoreApplication::processEvents();
            QCoreApplication::processEvents();
        }
        return m_inner->msgBox(o, p, s, t);
    }
    std::optional<QString> inputBox(QWidget* o, const QString& p, const QString& t,
                                    const QString& d) override {
        return m_inner->inputBox(o, p, t, d);
    }
    QStringList openFiles(const core::FileDialogRequest& r) override { return m_inner->openFiles(r); }
    QString saveFile(const core::FileDialogRequest& r) override { return m_inner->saveFile(r); }
    QString browseForFolder(QWidget* o, const QString& t, const QString& s) override {
        return m_inner->browseForFolder(o, t, s);
    }
    std::optional<qint32> chooseColor(QWidget* o, qint32 c) override { return m_inner->chooseColor(o, c); }
    bool openUrl(const QUrl& u) override { return m_inner->openUrl(u); }
    bool startProgram(const QString& p, const QStringList& a) override { return m_inner->startProgram(p, a); }
    bool playSound(const QString& f) override { return m_inner->playSound(f); }
    void stopSound() override { m_inner->stopSound(); }
    bool powerOff(QString* e) override { return m_inner->powerOff(e); }
    QDateTime now() override { return m_inner->now(); }
    QLocale locale() override { return m_inner->locale(); }

private:
    std::unique_ptr<core::Services> m_inner;
};

} // namespace

class tst_BatchRun : public testsupport::BatchRunTest {
    Q_OBJECT

private slots:
    // Every way a run ends. outcomes: d done, e error, per started item;
    // existing: rows whose output is there before the run; answers: to the
    // overwrite prompts in order.
    void endings_data() {
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("outcomes");
        QTest::addColumn<QList<int>>("existing");
        QTest::addColumn<QList<int>>("answers");
        QTest::addColumn<QList<int>>("started");
        QTest::addColumn<BatchRun::Ending>("ending");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QStringList>("log");
        QTest::addColumn<int>("turnOffs");

        using E = BatchRun::Ending;
        const QString p = "Preparing to convert: ";
        const QString fmt = "Destination format: WAV";
        auto start = [](int i) { return QString("Start to convert: Song%1.mp3...").arg(i); };

        QTest::newRow("empty grid") << 0 << "" << QList<int>{} << QList<int>{} << QList<int>{} << E::Completed
                                    << "Done." << QStringList{p + "0 tracks.", fmt} << 1;
        QTest::newRow("all done") << 3 << "ddd" << QList<int>{} << QList<int>{} << QList<int>{1, 2, 3}
                                  << E::Completed << "Done."
                                  << QStringList{p + "3 tracks.", fmt,     start(1), "Done.",
                                                 start(2),        "Done.", start(3), "Done."}
                                  << 1;
        QTest::newRow("second fails")
            << 3 << "ded" << QList<int>{} << QList<int>{} << QList<int>{1, 2, 3} << E::Completed
            << "Done with errors (1 of 3 failed)."
            << QStringList{p + "3 tracks.",      fmt,      start(1), "Done.", start(2),
                           "Error: Bad file(6)", start(3), "Done."}
            << 0;
        QTest::newRow("last fails") << 2 << "de" << QList<int>{} << QList<int>{} << QList<int>{1, 2}
                                    << E::Completed << "Done with errors (1 of 2 failed)."
                                    << QStringList{p + "2 tracks.", fmt,      start(1),
                                                   "Done.",         start(2), "Error: Bad file(6)"}
                                    << 0;
        QTest::newRow("overwrite yes")
            << 2 << "dd" << QList<int>{1} << QList<int>{core::vbYes} << QList<int>{1, 2} << E::Completed
            << "Done." << QStringList{p + "2 tracks.",   fmt,     start(1), "File already exists.",
                                      "Overwrite it...", "Done.", start(2), "Done."}
            << 1;
        QTest::newRow("overwrite no skips")
            << 3 << "dd" << QList<int>{2} << QList<int>{core::vbNo} << QList<int>{1, 3} << E::Completed
            << "Done." << QStringList{p + "3 tracks.",        fmt,      start(1), "Done.", start(2),
                                      "File already exists.", start(3), "Done."}
            << 1;
        QTest::newRow("no on the last row completes")
            << 2 << "d" << QList<int>{2} << QList<int>{core::vbNo} << QList<int>{1} << E::Completed << "Done."
            << QStringList{p + "2 tracks.", fmt, start(1), "Done.", start(2), "File already exists."} << 1;
        QTest::newRow("cancel on row 2 of 5")
            << 5 << "d" << QList<int>{2} << QList<int>{core::vbCancel} << QList<int>{1} << E::Cancelled
            << "Aborted." << QStringList{p + "5 tracks.",        fmt,       start(1), "Done.", start(2),
                                         "File already exists.", "Aborted."}
            << 0;
    }

    void endings() {
        QFETCH(int, rows);
        QFETCH(QString, outcomes);
        QFETCH(QList<int>, existing);
        QFETCH(QList<int>, answers);
        QFETCH(QList<int>, started);
        QFETCH(BatchRun::Ending, ending);
        QFETCH(QString, label);
        QFETCH(QStringList, log);
        QFETCH(int, turnOffs);

        FakeBatchView view;
        fill(view, rows);
        for (int r : existing)
            touch(dest + QString("Song%1.wav").arg(r));
        for (int a : answers)
            env->services().msgBoxAnswers.enqueue(a);
        ScriptedItemJob job;
        for (QChar c : outcomes)
            job.outcomes.enqueue(c == 'e' ? ScriptedItemJob::error(6, "Bad file")
                                          : ScriptedItemJob::done({50}));
        RecordingEndActions end;
        BatchRun run(job, end);
        view.attach(run, end);

        QCOMPARE(runToEnd(run, view), ending);
        QList<int> startedRows;
        for (const ItemRequest& item : job.items)
            startedRows << item.row;
        QCOMPARE(startedRows, started);
        QCOMPARE(view.log, log);
        QCOMPARE(view.currentTrack, label);
        QCOMPARE(view.caption, label);
        QVERIFY(!view.running);
        QVERIFY(!run.IsRunning());
        QCOMPARE(end.balloons,
                 QStringList{ending == BatchRun::Ending::Completed ? label : QString("Aborted.")});
        QCOMPARE(end.turnOffs.size(), turnOffs);
        // The other end-of-job events run at every completion, failed items or not.
        const int completed = ending == BatchRun::Ending::Completed ? 1 : 0;
        QCOMPARE(end.sounds.size(), completed);
        QCOMPARE(end.programs, completed);
        QCOMPARE(end.folders.size(), completed);
        QCOMPARE(job.protocolFaults, 0);
        // Answered prompts only where an output existed.
        QCOMPARE(env->services().messages.size(), answers.size());
        if (completed) {
            QCOMPARE(view.totalBar, rows * 100);
            QCOMPARE(view.currentBar, 100);
            QVERIFY(!run.TimerEnabled());
        }
    }

    // The job's contract: every accepted start ends in exactly one Finished,
    // never from inside the start; success only for a completed run; a
    // refused start is followed by none.
    void finishedOncePerStartQueued() {
        FakeBatchView view;
        fill(view, 0); // a run without rows ends inside Start
        ScriptedItemJob job;
        RecordingEndActions end;
        BatchRun run(job, end);
        view.attach(run, end);
        QSignalSpy finished(&run, &Job::Finished);
        QVERIFY(view.start(run));
        QCOMPARE(finished.size(), 0);
        QTRY_COMPARE(finished.size(), 1);
        QCOMPARE(finished.at(0).at(0).toBool(), true);

        view.addItem("/music/Song1.mp3");
        touch(dest + "Song1.wav");
        env->services().msgBoxAnswers << core::vbCancel;
        QVERIFY(view.start(run)); // cancelled at the overwrite question
        QTRY_COMPARE(finished.size(), 2);
        QCOMPARE(finished.at(1).at(0).toBool(), false);

        view.overwrite = true;
        job.outcomes.enqueue(ScriptedItemJob::hold());
        QVERIFY(view.start(run));
        env->services().msgBoxAnswers << core::vbYes;
        run.cmdAbort_Click();
        QTRY_COMPARE(finished.size(), 3);
        QCOMPARE(finished.at(2).at(0).toBool(), false);

        view.destination.clear();
        QVERIFY(!view.start(run));
        QCoreApplication::processEvents();
        QCOMPARE(finished.size(), 3);
    }

    void filesLabelAndHandOver() {
        FakeBatchView view;
        fill(view, 3);
        view.rows[1][itemlists::COL_RANGE_ALL] = "0";
        view.rows[1][itemlists::COL_RANGE_START_TIME] = "5";
        view.rows[1][itemlists::COL_RANGE_LENGTH_TIME] = "7";
        view.rows[0][itemlists::COL_TAG_TITLE] = "Track [TRACK_NUM] of [ITEM_NAME]";
        view.targetFormat = "MP3 - MPEG-1 Audio Layer 3 (*.mp3)";
        settings::g_lMP3Bitrate = 128;
        ScriptedItemJob job;
        RecordingEndActions end;
        BatchRun run(job, end);
        view.attach(run, end);
        QCOMPARE(runToEnd(run, view), BatchRun::Ending::Completed);

        QCOMPARE(view.filesLabels, (QStringList{"Files: 1/3", "Files: 2/3", "Files: 3/3"}));
        QCOMPARE(job.runs.size(), 1);
        QCOMPARE(job.runs[0].outputFormat, 3);
        QCOMPARE(job.runs[0].mp3.Bitrate, 128);
        QCOMPARE(job.items.size(), 3);
        QCOMPARE(job.items[0].destination, dest + "Song1.mp3");
        QCOMPARE(job.items[0].source, QString("/music/Song1.mp3"));
        QVERIFY(job.items[0].tags);
        QCOMPARE(job.items[0].tags->title, QString("Track 1 of Song1.mp3"));
        QCOMPARE(job.items[1].tags->title, QString()); // an empty cell clears the previous item's value
        // Only the ranged item carries a range; the next one is whole again.
        QVERIFY(!job.items[0].ranged);
        QVERIFY(job.items[1].ranged);
        QCOMPARE(job.items[1].rangeStart, 5);
        QCOMPARE(job.items[1].rangeLength, 7);
        QVERIFY(!job.items[2].ranged);
        // Items 2 and 3 were started from inside the previous item's Done.
        QCOMPARE(job.startedInsideTerminal, (QList<bool>{false, true, true}));
        QCOMPARE(run.g_ltmrUpToItemSecs, 10 + 7 + 10);
    }

    // A list of failing files is walked item by item from the job's events,
    // never by recursion inside one call.
    void manyFailingItems() {
        FakeBatchView view;
        fill(view, 300);
        ScriptedItemJob job;
        for (int i = 0; i < 300; ++i)
            job.outcomes.enqueue(ScriptedItemJob::error(1, "Cannot open"));
        RecordingEndActions end;
        BatchRun run(job, end);
        view.attach(run, end);
        QCOMPARE(runToEnd(run, view), BatchRun::Ending::Completed);
        QCOMPARE(job.items.size(), 300);
        QCOMPARE(view.currentTrack, QString("Done with errors (300 of 300 failed)."));
        QVERIFY(end.turnOffs.isEmpty());
    }

    void progress() {
        FakeBatchView view;
        fill(view, 4);
        ScriptedItemJob job;
        job.outcomes = QQueue<ScriptedItemJob::Outcome>(
            QList<ScriptedItemJob::Outcome>{ScriptedItemJob::done(), ScriptedItemJob::hold({0, 30})});
        RecordingEndActions end;
        BatchRun run(job, end);
        view.attach(run, end);
        QVERIFY(view.start(run));
        QTRY_COMPARE(view.currentBar, 30);
        QCOMPARE(view.caption, QString("Converting... [ 30% / 32.5% ]"));
        QCOMPARE(view.totalBar, 130);
        QCOMPARE(run.g_ltmrCurItemSecs, 3);
        QVERIFY(!view.busy);
        // A progress of 0 before it changed nothing: the caption list holds only real steps.
        QVERIFY(!view.captions.contains("Converting... [ 0% / 25% ]"));
        job.FinishHeld();
        QTRY_VERIFY(!run.IsRunning());
    }

    void timeLeft() {
        FakeBatchView view;
        ScriptedItemJob job;
        RecordingEndActions end;
        BatchRun run(job, end);
        view.attach(run, end);
        run.g_ltmrItemSecsTotal = 600;
        run.g_ltmrUpToItemSecs = 100;
        run.g_ltmrCurItemSecs = 50;
        run.SetClock([] { return qint64(30000); }); // 30 s after the (never started) run's clock
        run.Timer1_Timer(); // idle: the estimate shows, then the timer stops and zeroes it
        QCOMPARE(run.g_ltmrSces, 31);
        QCOMPARE(view.timeLeft, QString("Time Left: 00:00:00"));
        run.g_ltmrCurItemSecs = 0;
        view.timeLeft = "Time Left: 00:01:33";
        run.Timer1_Timer(); // nothing converted yet: the label keeps its text
        QCOMPARE(view.timeLeft, QString("Time Left: 00:01:33"));
    }

    // The elapsed seconds come from one clock read at the run's start, not
    // from ticks restarted with each item: item 2 still counts item 1's time,
    // and a second run starts its own clock.
    void timeLeftFromOneClockPerRun() {
        FakeBatchView view;
        fill(view, 3);
        view.checkedBoxes.clear();
        for (auto& row : view.rows)
            row[itemlists::COL_TIME] = "00:01:40";
        ScriptedItemJob job;
        using O = ScriptedItemJob;
        job.outcomes = QQueue<O::Outcome>(QList<O::Outcome>{O::hold({50}), O::hold({50}), O::done()});
        RecordingEndActions end;
        BatchRun run(job, end);
        view.attach(run, end);
        qint64 ms = 5'000'000;
        run.SetClock([&ms] { return ms; });
        run.g_ltmrItemSecsTotal = 300;

        QVERIFY(view.start(run));
        QTRY_COMPARE(run.g_ltmrCurItemSecs, 50);
        ms += 10'000;
        run.Timer1_Timer();
        QCOMPARE(run.g_ltmrSces, 11);
        QCOMPARE(view.timeLeft, QString("Time Left: 00:00:55")); // 11 / 50 * 250

        job.FinishHeld();
        QTRY_COMPARE(job.items.size(), 2);
        QTRY_COMPARE(run.g_ltmrCurItemSecs, 50);
        QVERIFY(run.TimerEnabled());
        ms += 10'000;
        run.Timer1_Timer();
        QCOMPARE(run.g_ltmrSces, 21);
        QCOMPARE(view.timeLeft, QString("Time Left: 00:00:21")); // 21 / 150 * 150

        job.FinishHeld();
        QTRY_VERIFY(!run.IsRunning());

        // A later run in the same window counts from its own start.
        ms += 60'000;
        job.outcomes = QQueue<O::Outcome>(QList<O::Outcome>{O::hold({50})});
        view.overwrite = true;
        run.g_ltmrUpToItemSecs = 0;
        QVERIFY(view.start(run));
        QTRY_COMPARE(run.g_ltmrCurItemSecs, 50);
        ms += 4'000;
        run.Timer1_Timer();
        QCOMPARE(run.g_ltmrSces, 5);
        QCOMPARE(view.timeLeft, QString("Time Left: 00:00:25")); // 5 / 50 * 250
        job.Abort();
        QTRY_VERIFY(!run.IsRunning());
    }

    void abortAnsweredYes() {
        FakeBatchView view;
        fill(view, 3);
        ScriptedItemJob job;
        job.outcomes = QQueue<ScriptedItemJob::Outcome>(
            QList<ScriptedItemJob::Outcome>{ScriptedItemJob::done(), ScriptedItemJob::hold({20})});
        RecordingEndActions end;
        BatchRun run(job, end);
        view.attach(run, end);
        QSignalSpy finished(&run, &BatchRun::Ended);
        run.cmdAbort_Click(); // idle: nothing asked
        QVERIFY(env->services().messages.isEmpty());
        QVERIFY(view.start(run));
        QTRY_COMPARE(job.items.size(), 2);
        env->services().msgBoxAnswers << core::vbNo << core::vbYes;
        run.cmdAbort_Click(); // No: the run goes on
        QCOMPARE(job.aborts, 0);
        QVERIFY(run.IsRunning());
        run.cmdAbort_Click();
        QCOMPARE(env->services().messages.last().prompt, "Abort operation?" + QString(38, ' '));
        QCOMPARE(job.aborts, 1);
        QVERIFY(finished.wait(5000));
        QCOMPARE(finished.first().first().value<BatchRun::Ending>(), BatchRun::Ending::Aborted);
        QCOMPARE(view.log.last(), QString("Aborted."));
        QCOMPARE(view.currentTrack, QString("Aborted."));
        QCOMPARE(end.balloons, QStringList{"Aborted."});
        QVERIFY(end.sounds.isEmpty());
        QVERIFY(end.turnOffs.isEmpty());
        QCOMPARE(run.g_lCurrentRow, 2);
        QCOMPARE(job.items.size(), 2);
        QVERIFY(!run.TimerEnabled());
        QVERIFY(run.CanClose());
    }

    // The last item ends while "Abort operation?" is open: the run completed,
    // and the late Yes neither aborts nor reports an abort.
    void abortAnsweredAfterTheRunEnded() {
        auto modal = std::make_unique<ModalServices>(std::make_unique<testsupport::ScriptedServices>());
        ModalServices* services = modal.get();
        auto previous = core::setServices(std::move(modal));
        {
            FakeBatchView view;
            fill(view, 1);
            ScriptedItemJob job;
            job.outcomes =
                QQueue<ScriptedItemJob::Outcome>(QList<ScriptedItemJob::Outcome>{ScriptedItemJob::hold()});
            RecordingEndActions end;
            BatchRun run(job, end);
            view.attach(run, end);
            QSignalSpy finished(&run, &BatchRun::Ended);
            QVERIFY(view.start(run));
            services->whileOpen = [&job] { job.FinishHeld(); };
            run.cmdAbort_Click(); // the scripted answer is the first button: Yes
            QCOMPARE(finished.size(), 1);
            QCOMPARE(finished.first().first().value<BatchRun::Ending>(), BatchRun::Ending::Completed);
            QCOMPARE(job.aborts, 0);
            QCOMPARE(end.balloons, QStringList{"Done."});
            QVERIFY(!view.log.contains("Aborted."));
            QCOMPARE(view.currentTrack, QString("Done."));
        }
        core::setServices(std::move(previous));
    }

    // Abort confirmed while the item's Done is already on its way: the job
    // never answers with Aborted, and the run still stops.
    void abortRacingTheItemsEnd() {
        FakeBatchView view;
        fill(view, 3);
        ScriptedItemJob job;
        job.outcomes =
            QQueue<ScriptedItemJob::Outcome>(QList<ScriptedItemJob::Outcome>{ScriptedItemJob::hold()});
        RecordingEndActions end;
        BatchRun run(job, end);
        view.attach(run, end);
        QSignalSpy finished(&run, &BatchRun::Ended);
        QVERIFY(view.start(run));
        job.FinishHeld(); // Done queued; the job is idle when Abort arrives
        run.cmdAbort_Click();
        QVERIFY(finished.wait(5000));
        QCOMPARE(finished.first().first().value<BatchRun::Ending>(), BatchRun::Ending::Aborted);
        QCOMPARE(job.items.size(), 1);
        QVERIFY(!run.IsRunning());
    }

    // Nothing to write into, no name or no format: said before anything starts.
    void refusedWithoutDestinationOrTemplate_data() {
        QTest::addColumn<QString>("destination");
        QTest::addColumn<QString>("fileTemplate");
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("message");
        const QString wav = "WAV - Waveform Audio Format (*.wav)";
        QTest::newRow("no destination")
            << "  "
            << "[file_name].[dest_extension]" << wav << "Please choose the destination folder.";
        QTest::newRow("no template") << "/tmp/x/"
                                     << "" << wav << "Please choose the file name format.";
        QTest::newRow("no format") << "/tmp/x/"
                                   << "[file_name].[dest_extension]"
                                   << ""
                                   << "Please choose the audio format.";
        QTest::newRow("no format of the list") << "/tmp/x/"
                                               << "[file_name].[dest_extension]"
                                               << "WAV"
                                               << "Please choose the audio format.";
    }
    void refusedWithoutDestinationOrTemplate() {
        QFETCH(QString, destination);
        QFETCH(QString, fileTemplate);
        QFETCH(QString, format);
        QFETCH(QString, message);
        FakeBatchView view;
        fill(view, 1);
        view.destination = destination;
        view.fileTemplate = fileTemplate;
        view.targetFormat = format;
        ScriptedItemJob job;
        RecordingEndActions end;
        BatchRun run(job, end);
        view.attach(run, end);
        QVERIFY(!view.start(run));
        QCOMPARE(env->services().messages.size(), 1);
        QCOMPARE(env->services().messages[0].prompt, message);
        QVERIFY(job.runs.isEmpty());
        QVERIFY(job.items.isEmpty());
        QVERIFY(view.log.isEmpty());
        QVERIFY(!run.IsRunning());
    }

    // Outputs stay inside the destination, never replace their own source,
    // and two items of one run never share an output.
    void outputPaths() {
        FakeBatchView view;
        view.destination = dest.chopped(1); // typed without the closing "/"
        view.fileTemplate = "[item_name]";
        view.addItem("/music/a.wav");
        view.rows[0][itemlists::COL_ITEM_NAME] = "../../etc/passwd";
        view.addItem("/music/b.wav");
        view.rows[1][itemlists::COL_ITEM_NAME] = "..";
        view.addItem("/music/c.wav");
        view.rows[2][itemlists::COL_ITEM_NAME] = "same";
        view.addItem("/music/d.wav");
        view.rows[3][itemlists::COL_ITEM_NAME] = "same";
        const QString source = dest + "self.wav";
        touch(source, "source bytes");
        view.addItem(source);
        view.rows[4][itemlists::COL_ITEM_NAME] = "self.wav";
        view.overwrite = true;
        ScriptedItemJob job;
        RecordingEndActions end;
        BatchRun run(job, end);
        view.attach(run, end);
        QCOMPARE(runToEnd(run, view), BatchRun::Ending::Completed);

        QCOMPARE(view.destination, dest);
        QStringList outputs;
        for (const ItemRequest& i : job.items)
            outputs << i.destination;
        QCOMPARE(outputs,
                 (QStringList{dest + "-....etcpasswd", dest + "-", dest + "same", dest + "same (2)"}));
        QCOMPARE(view.log.filter("Error: ").size(), 1);
        QCOMPARE(view.log.filter("Error: ").first(),
                 QString("Error: The destination is the source file itself.(2)"));
        QVERIFY(end.turnOffs.isEmpty());
        QFile f(source);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("source bytes"));
    }

    void subFolderIsCreated() {
        FakeBatchView view;
        fill(view, 1);
        view.createSubFolder = true;
        view.subFolder = "Rock";
        ScriptedItemJob job;
        RecordingEndActions end;
        BatchRun run(job, end);
        view.attach(run, end);
        QCOMPARE(runToEnd(run, view), BatchRun::Ending::Completed);
        QVERIFY(QFileInfo(dest + "Rock").isDir());
        QCOMPARE(job.items[0].destination, dest + "Rock/Song1.wav");
        QCOMPARE(end.folders, QStringList{dest + "Rock/"});
    }

    // A window's own step (the ripper's eject) runs after the program and before the turn-off.
    void extraEndStep() {
        FakeBatchView view;
        fill(view, 1);
        view.checkedBoxes << "chkOpenCDdrive";
        QStringList order;
        BatchPolicy policy;
        policy.extraEndSteps << ExtraEndStep{"chkOpenCDdrive", [&] { order << "eject"; }};
        policy.markedRowsOnly = true;
        view.marks[0] = itemlists::ICON_MARKED;
        view.addItem("/music/unmarked.mp3");
        ScriptedItemJob job;
        struct Ordered : RecordingEndActions {
            QStringList* order;
            void RunNoticApp() override { *order << "program"; }
            void TurnOffCountdown(qint32) override { *order << "turnoff"; }
        } end;
        end.order = &order;
        BatchRun run(job, end, policy);
        view.attach(run, end);
        QCOMPARE(runToEnd(run, view), BatchRun::Ending::Completed);
        QCOMPARE(order, (QStringList{"program", "eject", "turnoff"}));
        QCOMPARE(job.items.size(), 1); // the unmarked row is passed over
    }
};

QTEST_GUILESS_MAIN(tst_BatchRun)
#include "tst_batchrun.moc"
