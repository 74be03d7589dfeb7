// The join as a job: the joined file's name from its template, and one run
// of the real joiner on tiny files for each way a join can end (done, an
// existing output kept or replaced, a missing input, the output being an
// input, abort), with what each logs, shows and runs at its end.
#include "core/JoinJob.h"
#include "core/mdlModes.h"

#include "MediaTools.h"
#include "TestEnv.h"

#include <QDir>
#include <QSignalSpy>
#include <QtTest>

namespace {

class RecordingEnd : public core::EndActions {
public:
    QStringList wanted{core::BOX_PLAY_SOUND, core::BOX_OPEN_DEST_FOLDER, core::BOX_TURN_OFF};
    QStringList calls; // in order
    bool Wanted(const QString& box) const override { return wanted.contains(box); }
    void PlaySound() override { calls << "sound"; }
    void OpenFolder(const QString& folder) override { calls << "folder " + folder; }
    void RunNoticApp() override { calls << "program"; }
    void TurnOffCountdown(qint32 seconds) override { calls << QString("turn off %1").arg(seconds); }
    void Balloon(const QString& text) override { calls << "balloon " + text; }
};

core::BatchItem Row(const QString& file, const QString& title = QString()) {
    core::BatchItem row;
    row.file = file;
    row.tags.title = title;
    return row;
}

// A join with its job, its end actions and what the job showed.
struct Join {
    components::cAudioJoin joiner;
    RecordingEnd end;
    core::JoinJob job{joiner, end};
    QStringList log, tasks, files;
    QList<bool> finished;
    Join() {
        QObject::connect(&job, &core::Job::LogLine, &job, [this](const QString& l) { log << l; });
        QObject::connect(&job, &core::Job::CurrentTask, &job, [this](const QString& t) { tasks << t; });
        QObject::connect(&job, &core::Job::FilesLabel, &job, [this](const QString& t) { files << t; });
        QObject::connect(&job, &core::Job::Finished, &job, [this](bool ok) { finished << ok; });
    }
    bool waitFinished() {
        return QTest::qWaitFor([this] { return !finished.isEmpty(); }, 60000);
    }
};

} // namespace

class tst_joinjob : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void joinedFileName_data();
    void joinedFileName();
    void doneRunsTheEndOfJob();
    void existingOutputAsksFirst_data();
    void existingOutputAsksFirst();
    void failuresEndWithoutEndOfJob();
    void abortLeavesNoOutput();

private:
    core::JoinRequest Request(const QList<core::BatchItem>& rows, const QString& folder) const;
    std::unique_ptr<testsupport::TestEnv> m_env;
    QString m_one, m_two, m_long;
};

void tst_joinjob::initTestCase() {
    m_env = std::make_unique<testsupport::TestEnv>();
    core::InitModes();
    QDir().mkpath(m_env->path("in"));
    m_one = m_env->path("in/one.wav");
    m_two = m_env->path("in/two.wav");
    m_long = m_env->path("in/long.wav");
    QVERIFY(testsupport::runFfmpeg(testsupport::sineInput(2.0) + QStringList{"-ar", "44100", m_one}));
    QVERIFY(testsupport::runFfmpeg(testsupport::sineInput(1.5) + QStringList{"-ar", "44100", m_two}));
    QVERIFY(testsupport::runFfmpeg(testsupport::sineInput(20.0) + QStringList{"-ar", "44100", m_long}));
    m_env->services().fixedNow = QDateTime(QDate(2026, 12, 8), QTime(14, 5, 9));
    m_env->services().fixedLocale = QLocale(QLocale::English, QLocale::UnitedStates);
}

core::JoinRequest tst_joinjob::Request(const QList<core::BatchItem>& rows, const QString& folder) const {
    core::JoinRequest r;
    r.rows = rows;
    r.destination = folder; // no closing "/": the job adds it
    r.nameTemplate = QStringLiteral("Joined_File-[date]-[time].[dest_extension]");
    r.targetFormatText = QStringLiteral("WAV - Waveform Audio Format (*.wav)");
    r.output.settings.outputFormat = 1;
    r.output.settings.wav = components::tWAVSettings{44100, 2, 16};
    r.output.logLine = QStringLiteral("Destination format: WAV");
    return r;
}

void tst_joinjob::joinedFileName_data() {
    QTest::addColumn<QString>("nameTemplate");
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("name");
    const QString mp3 = "MP3 - MPEG-1 Audio Layer 3 (*.mp3)";
    QTest::newRow("the default") << "Joined_File-[date]-[time].[dest_extension]" << mp3
                                 << "Joined_File-12-8-26-14-05-09.mp3";
    QTest::newRow("no tokens") << "My join.wav" << mp3 << "My join.wav";
    QTest::newRow("each occurrence") << "[time]_[time].[dest_extension]"
                                     << "OGG - Ogg Media Format (*.ogg)"
                                     << "14-05-09_14-05-09.ogg";
    QTest::newRow("source extension from the template")
        << "song-[source_extension].WAV" << mp3 << "song-wav.WAV";
    QTest::newRow("tokens compare case-sensitively")
        << "[DATE].[Dest_Extension]" << mp3 << "[DATE].[Dest_Extension]";
}

void tst_joinjob::joinedFileName() {
    QFETCH(QString, nameTemplate);
    QFETCH(QString, target);
    QFETCH(QString, name);
    QCOMPARE(core::CreateJoinedFileName(nameTemplate, target, QDateTime(QDate(2026, 12, 8), QTime(14, 5, 9)),
                                        QLocale(QLocale::English, QLocale::UnitedStates)),
             name);
}

// Both rows joined, the second with a range that is no number (the whole
// item); the end of job runs once, the folder with its closing "/".
void tst_joinjob::doneRunsTheEndOfJob() {
    const QString folder = m_env->path("done");
    Join j;
    core::BatchItem ranged = Row(m_one, "First [TRACK_NUM] [PROG_NAME]");
    ranged.ranged = true;
    ranged.rangeStart = 1;
    ranged.rangeLength = 1;
    core::BatchItem notNumbers = Row(m_two, "Second");
    notNumbers.ranged = true; // its range cells held no numbers
    QVERIFY(j.job.Start(Request({ranged, notNumbers}, folder)));
    QVERIFY(j.job.IsRunning());
    QVERIFY(j.waitFinished());
    QCOMPARE(j.finished, QList<bool>{true});
    const QString out = folder + "/Joined_File-12-8-26-14-05-09.wav";
    QCOMPARE(j.job.OutputPath(), out);
    QCOMPARE(j.log, (QStringList{"Preparing to join: 2 tracks.", "Destination format: WAV", "Add one.wav...",
                                 "Add two.wav...", "Done."}));
    QCOMPARE(j.tasks.first(), QString("Processing..."));
    QCOMPARE(j.tasks.last(), QString("Done."));
    QCOMPARE(j.files.last(), QString("Files: 2/2"));
    QCOMPARE(j.end.calls, (QStringList{"balloon Done.", "sound", "folder " + folder + "/", "turn off 30"}));
    QCOMPARE(j.job.TotalBar(), 200);
    QCOMPARE(j.job.TotalBarMax(), 200);
    QCOMPARE(j.joiner.TagTitle(), QString("First 1 Corvane"));
    // Second 1 of the first item, then the whole second.
    const QByteArray one = testsupport::wavPcm(m_one), two = testsupport::wavPcm(m_two);
    QCOMPARE(testsupport::wavPcm(out), one.mid(44100 * 4, 44100 * 4) + two);
    QVERIFY(!j.job.IsRunning());
}

void tst_joinjob::existingOutputAsksFirst_data() {
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("replaced");
    QTest::newRow("yes") << int(core::vbYes) << true;
    QTest::newRow("no") << int(core::vbNo) << false;
    QTest::newRow("cancel") << int(core::vbCancel) << false;
}

void tst_joinjob::existingOutputAsksFirst() {
    QFETCH(int, answer);
    QFETCH(bool, replaced);
    const QString folder = m_env->path(QString("exists-%1").arg(answer));
    QDir().mkpath(folder);
    const QString out = folder + "/Joined_File-12-8-26-14-05-09.wav";
    QVERIFY(testsupport::writeFileBytes(out, "earlier"));
    Join j;
    m_env->services().messages.clear();
    m_env->services().msgBoxAnswers.enqueue(answer);
    QCOMPARE(j.job.Start(Request({Row(m_one), Row(m_two)}, folder)), replaced);
    QCOMPARE(m_env->services().messages.size(), 1);
    QCOMPARE(m_env->services().messages.first().prompt,
             "The file: '" + out + "' already exists.\r\n\r\nOverwrite it?");
    QCOMPARE(m_env->services().messages.first().title, QString("Corvane 1.2"));
    if (replaced) {
        QVERIFY(j.waitFinished());
        QCOMPARE(j.log.mid(2, 2), (QStringList{"File already exists.", "Overwrite it..."}));
        QVERIFY(testsupport::wavPcm(out).size() > 0);
    } else {
        // Nothing starts: the window stays idle and the file as it was.
        QTest::qWait(50);
        QVERIFY(j.finished.isEmpty());
        QVERIFY(!j.job.IsRunning());
        QCOMPARE(j.log.last(), QString("File already exists."));
        QCOMPARE(testsupport::fileBytes(out), QByteArray("earlier"));
    }
}

// A missing input stops the join with its name; an output that is one of the
// inputs is refused before anything starts. Neither runs the end of job or
// leaves an output.
void tst_joinjob::failuresEndWithoutEndOfJob() {
    {
        const QString folder = m_env->path("missing");
        Join j;
        QVERIFY(j.job.Start(Request({Row(m_one), Row(folder + "/gone.wav")}, folder)));
        QVERIFY(j.waitFinished());
        QCOMPARE(j.finished, QList<bool>{false});
        QVERIFY2(j.log.last().startsWith("Error: ") && j.log.last().contains("gone.wav") &&
                     j.log.last().endsWith("(1)"),
                 qPrintable(j.log.last()));
        QVERIFY(j.job.g_bBatchError);
        QVERIFY(j.end.calls.isEmpty());
        QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList());
    }
    {
        const QString folder = m_env->path("in");
        Join j;
        core::JoinRequest r = Request({Row(m_one), Row(m_two)}, folder);
        r.nameTemplate = "one.wav";
        const QByteArray before = testsupport::fileBytes(m_one);
        QVERIFY(!j.job.Start(r));
        QTest::qWait(50);
        QVERIFY(j.finished.isEmpty());
        QVERIFY2(j.log.last().startsWith("Error: The joined file would replace one of the files to join"),
                 qPrintable(j.log.last()));
        QCOMPARE(testsupport::fileBytes(m_one), before);
        QVERIFY(j.end.calls.isEmpty());
    }
}

void tst_joinjob::abortLeavesNoOutput() {
    const QString folder = m_env->path("abort");
    Join j;
    j.job.cmdAbort_Click(); // idle: nothing is asked
    const qsizetype asked = m_env->services().messages.size();
    core::JoinRequest r = Request({Row(m_long), Row(m_long)}, folder);
    r.output.settings.outputFormat = 3; // MP3: slow enough to be caught midway
    r.nameTemplate = "joined.mp3";
    QVERIFY(j.job.Start(r));
    QVERIFY(QTest::qWaitFor([&] { return j.job.CurrentBar() >= 1; }, 60000));
    m_env->services().msgBoxAnswers.enqueue(core::vbYes);
    j.job.cmdAbort_Click();
    QCOMPARE(m_env->services().messages.size(), asked + 1);
    QCOMPARE(m_env->services().messages.last().prompt, "Abort operation?" + QString(38, ' '));
    QVERIFY(j.waitFinished());
    QCOMPARE(j.finished, QList<bool>{false});
    QCOMPARE(j.log.last(), QString("Aborted."));
    QCOMPARE(j.tasks.last(), QString("Aborted."));
    QCOMPARE(j.end.calls, QStringList{"balloon Aborted."});
    QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());
}

QTEST_GUILESS_MAIN(tst_joinjob)
#include "tst_joinjob.moc"
