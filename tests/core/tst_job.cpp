// A job made of stages (Job::ConnectSubJob): what a stage shows, asks and
// how it ends reaches the whole job, which a window sees as one job with one
// queued Finished per start. Two hand-driven stages stand in for the rip and
// the burn.
#include "TestEnv.h"
#include "core/Job.h"
#include "core/Services.h"

#include <QtTest>

namespace {

struct NoEnds : core::EndActions {
    QStringList balloons;
    bool Wanted(const QString&) const override { return false; }
    void PlaySound() override {}
    void OpenFolder(const QString&) override {}
    void RunNoticApp() override {}
    void TurnOffCountdown(qint32) override {}
    void Balloon(const QString& text) override { balloons << text; }
};

// The window's answers: Yes to "Abort operation?", No to anything else.
struct Answers : core::JobQuestions {
    QStringList* trace = nullptr;
    int Ask(const QString& prompt, int, const QString&) override {
        *trace << "asked " + prompt.trimmed();
        return prompt.startsWith("Abort") ? core::vbYes : core::vbNo;
    }
};

// A stage the test drives by hand.
class Stage : public core::Job {
public:
    using Job::Job;
    int aborts = 0;
    void Start() { SetRunning(true); }
    void Progress(qint32 current, qint32 total, qint32 max) {
        SetCurrentBar(current);
        SetTotalBarMax(max);
        SetTotalBar(total);
    }
    void Say(const QString& text) { Step(text); }
    int Question(const QString& prompt) { return Ask(prompt, core::vbYesNo, "T"); }
    void EndWith(bool success) { End(success); }
    void Abort() override {
        ++aborts;
        End(false);
    }
};

// Two stages, one after the other; the second's end is the whole's.
class TwoStages : public core::Job {
public:
    Stage first;
    Stage second;
    bool secondStarted = false;

    explicit TwoStages(core::EndActions& end) : Job(end), first(end), second(end) {
        ConnectSubJob(first, [this] {
            secondStarted = true;
            second.Start();
        });
        ConnectSubJob(second, [this] { End(true); });
    }
    void Start() { first.Start(); }
    void Abort() override {
        if (IsRunning()) AbortSubJobs();
    }
};

} // namespace

class TestJob : public QObject {
    Q_OBJECT

private slots:
    // What the first stage does, one step a letter: p progress, l a log line,
    // q a question, a the Abort button, f it fails, s it ends well, S the
    // second ends well, . the queued events run. `trace` is what the whole
    // showed, asked and how it ended, in order, then its bars.
    void stages_data() {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QStringList>("trace");
        QTest::addColumn<bool>("secondStarted");
        QTest::addColumn<int>("firstAborts");

        const QString start = "running 1";
        QTest::newRow("progress") << "p"
                                  << QStringList{start, "current 40", "total 0/3", "total 1/3", "bars 40 1/3"}
                                  << false << 0;
        QTest::newRow("log") << "l" << QStringList{start, "log Copying", "task Copying", "bars 0 0/100"}
                             << false << 0;
        QTest::newRow("question") << "q" << QStringList{start, "asked Overwrite?", "answer 7", "bars 0 0/100"}
                                  << false << 0;
        QTest::newRow("abort") << "a."
                               << QStringList{start, "asked Abort operation?", "running 0", "finished 0",
                                              "bars 0 0/100"}
                               << false << 1;
        QTest::newRow("failure ends the whole")
            << "f." << QStringList{start, "running 0", "finished 0", "bars 0 0/100"} << false << 0;
        QTest::newRow("success goes on")
            << "s.S." << QStringList{start, "running 0", "finished 1", "bars 0 0/100"} << true << 0;
        // Abort after the first has ended, before the whole has heard of it.
        QTest::newRow("abort between stages") << "sa."
                                              << QStringList{start,
                                                             "asked Abort operation?",
                                                             "log Aborted.",
                                                             "task Aborted.",
                                                             "caption Aborted.",
                                                             "running 0",
                                                             "finished 0",
                                                             "bars 0 0/100"}
                                              << false << 0;
    }

    void stages() {
        QFETCH(QString, steps);
        QFETCH(QStringList, trace);
        QFETCH(bool, secondStarted);
        QFETCH(int, firstAborts);

        testsupport::TestEnv env;
        NoEnds ends;
        TwoStages whole(ends);
        QStringList seen;
        Answers answers;
        answers.trace = &seen;
        whole.SetQuestions(&answers);
        using J = core::Job;
        connect(&whole, &J::Running, this, [&](bool r) { seen << QString("running %1").arg(r); });
        connect(&whole, &J::LogLine, this, [&](const QString& t) { seen << "log " + t; });
        connect(&whole, &J::CurrentTask, this, [&](const QString& t) { seen << "task " + t; });
        connect(&whole, &J::Caption, this, [&](const QString& t) { seen << "caption " + t; });
        connect(&whole, &J::CurrentProgress, this, [&](qint32 v) { seen << QString("current %1").arg(v); });
        connect(&whole, &J::TotalProgress, this,
                [&](qint32 v, qint32 m) { seen << QString("total %1/%2").arg(v).arg(m); });
        connect(&whole, &J::Finished, this, [&](bool ok) { seen << QString("finished %1").arg(ok); });

        whole.Start();
        for (QChar step : steps) {
            const int finishedBefore = seen.filter("finished").size();
            switch (step.toLatin1()) {
            case 'p':
                whole.first.Progress(40, 1, 3);
                break;
            case 'l':
                whole.first.Say("Copying");
                break;
            case 'q':
                seen << QString("answer %1").arg(whole.first.Question("Overwrite?"));
                break;
            case 'a':
                whole.cmdAbort_Click();
                break;
            case 'f':
                whole.first.EndWith(false);
                break;
            case 's':
                whole.first.EndWith(true);
                break;
            case 'S':
                whole.second.EndWith(true);
                break;
            case '.':
                QCoreApplication::processEvents();
                break;
            }
            // Finished is queued: never from inside the step that ends the job.
            if (step != u'.') QCOMPARE(seen.filter("finished").size(), finishedBefore);
        }
        QCoreApplication::processEvents();
        seen << QString("bars %1 %2/%3")
                    .arg(whole.CurrentBar())
                    .arg(whole.TotalBar())
                    .arg(whole.TotalBarMax());

        QCOMPARE(seen, trace);
        QCOMPARE(whole.secondStarted, secondStarted);
        QCOMPARE(whole.first.aborts, firstAborts);
        // The stages never asked anybody but the whole's answerer.
        QVERIFY(env.services().messages.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestJob)
#include "tst_job.moc"
