// The duplication job with the real ripper and burner on virtual drives: a
// disc copied sample for sample with no gap, and each way a duplication can
// end (aborted while ripping or burning, a track that cannot be ripped, the
// source disc taken out, a writer holding a written disc, one drive for both,
// nothing to burn), with what is kept of the rips for a second try. Then the
// temporary folder's deletion rules.
#include "BurnerFixtures.h"
#include "DiscImages.h"
#include "TestEnv.h"
#include "components/DriveRegistry.h"
#include "components/cAudioBurner.h"
#include "components/cAudioCDRipper.h"
#include "core/DuplicateJob.h"
#include "core/Services.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QtTest>

#include <functional>

using components::DriveRegistry;

namespace {

// The tracks of the source disc: 3.0, 2.4 and 4.2 seconds of noise.
QList<QByteArray> sourceTracks() {
    return {testsupport::randomPcm(132300, 1), testsupport::randomPcm(105840, 2),
            testsupport::randomPcm(185220, 3)};
}

// The bytes of track `track` (from 1) of the disc in the drive.
QByteArray trackBytes(qint32 drive, int track) {
    return burnertest::readTrackFromImage(DriveRegistry::instance().readDisc(drive), track);
}

QStringList tempFiles() {
    return QDir(core::DuplicatorTempFolder()).entryList(QDir::Files, QDir::Name);
}

struct Questions : core::JobQuestions {
    QStringList asked;
    std::function<int(const QString& prompt)> answer; // empty: OK / Yes
    int Ask(const QString& prompt, int style, const QString&) override {
        asked << prompt;
        if (answer) return answer(prompt);
        return (style & 0xF) == core::vbYesNo ? core::vbYes : core::vbOK;
    }
};

struct Ends : core::EndActions {
    QSet<QString> ticked;
    QStringList done;
    bool Wanted(const QString& box) const override { return ticked.contains(box); }
    void PlaySound() override { done << "sound"; }
    void OpenFolder(const QString& folder) override { done << "folder " + folder; }
    void RunNoticApp() override { done << "program"; }
    void TurnOffCountdown(qint32 seconds) override { done << QStringLiteral("turn off %1").arg(seconds); }
    void Balloon(const QString& text) override { done << "balloon " + text; }
};

// The job between the first virtual drive (the source) and a writer.
struct Duplication {
    components::cAudioCDRipper ripper;
    components::cAudioBurner burner;
    Ends ends;
    Questions questions;
    qint32 writer = 2; // burner numbering, from 1
    int writerTrays = 0;
    core::DuplicateJob job{ripper, burner, ends, choices()};
    QSignalSpy finished{&job, &core::Job::Finished};
    QStringList log;
    QString task;

    Duplication() {
        job.SetQuestions(&questions);
        QObject::connect(&job, &core::Job::LogLine, &job, [this](const QString& l) { log << l; });
        QObject::connect(&job, &core::Job::CurrentTask, &job, [this](const QString& t) { task = t; });
    }
    core::DuplicateChoices choices() {
        core::DuplicateChoices c;
        c.sourceDevice = [] { return 0; };
        c.writerEntry = [this] { return burner.DeviceName(writer); };
        c.speed = [] { return components::cAudioBurner::kMaxSpeed; };
        c.openDestCD = [this] {
            ++writerTrays;
            burner.OpenTray(burner.DeviceName(writer).left(1));
        };
        return c;
    }
    // Starts and waits for the one Finished; its success.
    bool run() {
        finished.clear();
        if (!job.Start()) return false;
        if (finished.isEmpty() && !finished.wait(60000)) return false;
        QTest::qWait(0);
        return finished.size() == 1 && finished.first().first().toBool();
    }
    bool ripped(int track) const {
        return log.contains(QStringLiteral("Start to rip: Track0%1.cda...").arg(track));
    }
};

} // namespace

class TestDuplicateJob : public QObject {
    Q_OBJECT

    std::unique_ptr<testsupport::TestEnv> env;
    QString source;
    QString writer;

    // The writer's disc, its tray closed again: the track count.
    int writerTracks(qint32 drive = 1) {
        DriveRegistry::instance().closeTray(drive);
        const components::DiscInfo disc = DriveRegistry::instance().readDisc(drive);
        return disc.hasAudio() ? int(disc.tracks.size()) : 0;
    }

private slots:
    void init() {
        env = std::make_unique<testsupport::TestEnv>();
        qputenv("CORVANE_KEEP_TRAYS_OPEN", "1");
        source = env->addVirtualDrive("source");
        writer = env->addVirtualDrive("writer");
    }
    void cleanup() {
        env.reset();
        qunsetenv("CORVANE_KEEP_TRAYS_OPEN");
    }

    void copiesTheDiscSampleForSample();
    void abortWhileRipping();
    void abortWhileBurningKeepsTheRipsForASecondTry();
    void trackThatCannotBeRipped();
    void sourceTakenOutMidRun();
    void writerHoldsAWrittenDisc();
    void oneDriveForBoth();
    void nothingToBurn();
    void tempFolderDeletion();
};

void TestDuplicateJob::copiesTheDiscSampleForSample() {
    const QList<QByteArray> tracks = sourceTracks();
    QVERIFY(!testsupport::writePcmCueBin(source, tracks).isEmpty());
    // What an earlier run left behind is not burned.
    QDir().mkpath(core::DuplicatorTempFolder());
    QVERIFY(testsupport::writeFileBytes(core::DuplicatorTempFolder() + "4.wav", QByteArray(5000, 'x')));
    Duplication d;
    d.ends.ticked = {core::BOX_OPEN_CD_DRIVE, core::BOX_TURN_OFF, core::BOX_OPEN_DEST_FOLDER};
    QVERIFY(d.run());

    for (const char* line : {"Preparing to copy: 3 tracks.", "Destination format: PCM WAV 44100 16 Stereo.",
                             "Start to rip: Track01.cda...", "Start to rip: Track03.cda...",
                             "Caching track...", "Closing session, please wait...", "Finished."})
        QVERIFY2(d.log.contains(QLatin1String(line)), line);
    QVERIFY(!d.burner.BurnOption()); // disc-at-once
    QCOMPARE(d.questions.asked, QStringList{"Done." + QString(19, ' ')});
    QCOMPARE(d.ends.done, (QStringList{"folder E:/", "turn off 30", "balloon Done."}));
    QVERIFY(DriveRegistry::instance().isTrayOpen(0)); // "Eject the CD door": the source
    QCOMPARE(d.writerTrays, 1);
    QVERIFY(tempFiles().isEmpty());
    QVERIFY(QFileInfo(core::DuplicatorTempFolder()).isDir());
    QVERIFY(!d.job.HasKeptRips());

    // The copy: the same tracks at the same places, no gap, sample for sample.
    QCOMPARE(writerTracks(), 3);
    DriveRegistry::instance().closeTray(0);
    const components::DiscInfo original = DriveRegistry::instance().readDisc(0);
    const components::DiscInfo copy = DriveRegistry::instance().readDisc(1);
    for (int t = 1; t <= 3; ++t) {
        QCOMPARE(copy.tracks.at(t - 1).startSector, original.tracks.at(t - 1).startSector);
        QCOMPARE(copy.tracks.at(t - 1).sectors, original.tracks.at(t - 1).sectors);
        QVERIFY2(trackBytes(1, t) == tracks.at(t - 1), qPrintable(QString("track %1").arg(t)));
    }
    QCOMPARE(copy.usedSectors, original.usedSectors);
}

void TestDuplicateJob::abortWhileRipping() {
    QVERIFY(!testsupport::writePcmCueBin(source, sourceTracks()).isEmpty());
    Duplication d;
    d.ends.ticked = {core::BOX_TURN_OFF};
    bool asked = false;
    QObject::connect(&d.job, &core::Job::CurrentProgress, &d.job, [&](qint32) {
        if (asked || d.job.g_lCurrentRow != 2) return;
        asked = true;
        d.job.cmdAbort_Click();
    });
    QVERIFY(!d.run());
    QVERIFY(asked);
    QCOMPARE(d.log.last(), QStringLiteral("Aborted."));
    QCOMPARE(d.task, QStringLiteral("Aborted."));
    QVERIFY(!d.ripped(3));
    QCOMPARE(d.ends.done, QStringList{"balloon Aborted."});
    QVERIFY(!d.job.HasKeptRips());
    QCOMPARE(writerTracks(), 0);
    // Track 1 stays until the next run or the window's close; nothing of track 3.
    QVERIFY(tempFiles().contains("1.wav"));
    QVERIFY(!tempFiles().contains("3.wav"));
    QVERIFY(!d.job.IsRunning());
}

void TestDuplicateJob::abortWhileBurningKeepsTheRipsForASecondTry() {
    const QList<QByteArray> tracks = sourceTracks();
    QVERIFY(!testsupport::writePcmCueBin(source, tracks).isEmpty());
    Duplication d;
    bool asked = false;
    burnertest::FirstTrackGate gate; // the burn waits at its first track until the abort is in
    QObject::connect(&d.burner, &components::cAudioBurner::CachingTrack, &d.job, [&] {
        if (asked) return;
        asked = true;
        d.job.cmdAbort_Click();
        gate.Open();
    });
    QVERIFY(!d.run());
    QVERIFY(asked);
    QCOMPARE(d.task, QStringLiteral("Error:The burn was aborted.(6)"));
    QVERIFY(!d.questions.asked.contains("Done." + QString(19, ' ')));
    QVERIFY(!d.ends.done.contains("balloon Done."));
    QCOMPARE(writerTracks(), 0);
    QCOMPARE(tempFiles(), (QStringList{"1.wav", "2.wav", "3.wav"}));
    QVERIFY(d.job.HasKeptRips());

    // Again: the rips are burned as they are; the disc is not read a second time.
    d.log.clear();
    d.questions.asked.clear();
    QVERIFY(d.run());
    QVERIFY(d.log.contains("Burning the 3 tracks ripped before."));
    QVERIFY(!d.ripped(1));
    QCOMPARE(writerTracks(), 3);
    for (int t = 1; t <= 3; ++t)
        QVERIFY(trackBytes(1, t) == tracks.at(t - 1));
    QVERIFY(tempFiles().isEmpty());
}

void TestDuplicateJob::trackThatCannotBeRipped() {
    // Track 2 is a data track: the ripper refuses it.
    QVERIFY(!testsupport::writeCueBin(source, {{1, true}, {1, false}, {2, true}}).isEmpty());
    Duplication d;
    d.ends.ticked = {core::BOX_TURN_OFF, core::BOX_OPEN_CD_DRIVE};
    QVERIFY(d.run());
    QVERIFY(d.log.contains("Error: Track 2 of the disc in D: is no audio track.(4)"));
    QVERIFY(d.ripped(3));
    QVERIFY(d.job.g_bBatchError);
    QCOMPARE(d.job.TempFiles().size(), 3);
    // The other tracks are burned; the end says so and does not turn the computer off.
    const QString text = QStringLiteral("Done with errors (1 of 3 tracks failed).");
    QCOMPARE(d.questions.asked, QStringList{text});
    QCOMPARE(d.ends.done, QStringList{"balloon " + text});
    QCOMPARE(writerTracks(), 2);
    QVERIFY(trackBytes(1, 1) == testsupport::cdTrackPcm(1, testsupport::kCdSampleRate));
    QVERIFY(trackBytes(1, 2) == testsupport::cdTrackPcm(3, 2 * testsupport::kCdSampleRate));
}

void TestDuplicateJob::sourceTakenOutMidRun() {
    QVERIFY(!testsupport::writePcmCueBin(source, sourceTracks()).isEmpty());
    Duplication d;
    QObject::connect(&d.job, &core::Job::LogLine, &d.job, [](const QString& line) {
        if (line == "Start to rip: Track02.cda...") DriveRegistry::instance().openTray(0);
    });
    QVERIFY(d.run());
    QVERIFY(d.log.contains("Error: There is no audio CD in D:.(3)"));
    QCOMPARE(d.questions.asked, QStringList{"Done with errors (2 of 3 tracks failed)."});
    QCOMPARE(writerTracks(), 1);
}

void TestDuplicateJob::writerHoldsAWrittenDisc() {
    const QList<QByteArray> tracks = sourceTracks();
    QVERIFY(!testsupport::writePcmCueBin(source, tracks).isEmpty());
    const QString written = testsupport::writeAudioCueBin(writer, {1});
    QVERIFY(!written.isEmpty());
    const QByteArray writtenBytes = testsupport::fileBytes(written);
    Duplication d;
    int prompts = 0;
    d.questions.answer = [&](const QString&) { return ++prompts < 3 ? core::vbOK : core::vbCancel; };
    QVERIFY(!d.run());
    const QString prompt = "Insert an empty media to drive E then click on 'OK'.\r\n\r\n"
                           "Click on cancel in order to cancel the burn proccess.";
    QCOMPARE(d.questions.asked, (QStringList{prompt, prompt, prompt}));
    QCOMPARE(d.writerTrays, 3);
    QCOMPARE(d.task, QStringLiteral("The burn was cancelled."));
    QCOMPARE(testsupport::fileBytes(written), writtenBytes);
    QVERIFY(d.job.HasKeptRips());
    QCOMPARE(tempFiles().size(), 3);

    // A blank disc now: the kept rips are burned without a second rip.
    QVERIFY(QFile::remove(written));
    QVERIFY(QFile::remove(writer + "/disc.bin"));
    d.log.clear();
    d.questions.answer = {};
    QVERIFY(d.run());
    QVERIFY(!d.ripped(1));
    QCOMPARE(writerTracks(), 3);
    QVERIFY(trackBytes(1, 2) == tracks.at(1));
}

void TestDuplicateJob::oneDriveForBoth() {
    const QList<QByteArray> tracks = sourceTracks();
    QVERIFY(!testsupport::writePcmCueBin(source, tracks).isEmpty());
    Duplication d;
    d.writer = 1; // D: is the writer too
    // At the prompt the user swaps the audio CD for a blank one.
    d.questions.answer = [&](const QString& prompt) {
        if (!prompt.startsWith("Insert an empty media to drive D ")) return core::vbOK;
        QFile::remove(source + "/disc.cue");
        QFile::remove(source + "/disc.bin");
        return core::vbOK;
    };
    QVERIFY(d.run());
    QCOMPARE(d.questions.asked.size(), 2); // the blank disc, then "Done."
    QCOMPARE(writerTracks(0), 3);
    for (int t = 1; t <= 3; ++t)
        QVERIFY(trackBytes(0, t) == tracks.at(t - 1));
}

void TestDuplicateJob::nothingToBurn() {
    // A blank disc in the source drive: nothing is ripped and nothing burned.
    Duplication d;
    QVERIFY(!d.run());
    QVERIFY(d.log.contains("Preparing to copy: 0 tracks."));
    QCOMPARE(d.questions.asked, QStringList{"Nothing to burn."});
    QCOMPARE(d.task, QStringLiteral("Nothing to burn."));
    QVERIFY(d.ends.done.isEmpty());
}

void TestDuplicateJob::tempFolderDeletion() {
    const QString temp = core::DuplicatorTempFolder();
    QCOMPARE(temp, env->home() + "/duptmp/");
    QVERIFY(QDir().mkpath(temp + "sub"));
    const QString outside = env->path("outside/keep.wav");
    QVERIFY(testsupport::writeFileBytes(outside, "keep"));
    QVERIFY(testsupport::writeFileBytes(temp + "1.wav", "one"));
    QVERIFY(testsupport::writeFileBytes(temp + ".hidden", "h"));
    QVERIFY(testsupport::writeFileBytes(temp + "sub/2.wav", "two"));
    QVERIFY(QFile::link(outside, temp + "link.wav"));
    QVERIFY(QFile::link(env->path("outside"), temp + "dirlink"));

    // Only the program folder's temporary folder is ever emptied.
    core::DeleteTempFiles(env->path("outside") + "/");
    core::DeleteTempFiles(env->home() + "/");
    core::DeleteTempFiles(temp + "../");
    QVERIFY(QFileInfo::exists(outside));
    QVERIFY(QFileInfo::exists(temp + "1.wav"));

    core::DeleteTempFiles(temp);
    QCOMPARE(QDir(temp).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
             QStringList{"sub"});
    QVERIFY(QFileInfo::exists(temp + "sub/2.wav"));
    QCOMPARE(testsupport::fileBytes(outside), QByteArray("keep"));

    // A temporary folder that is a link leads nowhere.
    QVERIFY(QDir(temp).removeRecursively());
    QVERIFY(QFile::link(env->path("outside"), env->home() + "/duptmp"));
    core::DeleteTempFiles(temp);
    QVERIFY(QFileInfo::exists(outside));

    // The files a burn takes: those that hold data, in the order given.
    const QString a = env->path("files/a.wav"), b = env->path("files/b.wav"), c = env->path("files/c.wav");
    QVERIFY(testsupport::writeFileBytes(a, "a"));
    QVERIFY(testsupport::writeFileBytes(b, ""));
    QVERIFY(testsupport::writeFileBytes(c, "c"));
    QCOMPARE(core::FilesToBurn({c, b, env->path("files/none.wav"), a}), (QStringList{c, a}));
}

QTEST_GUILESS_MAIN(TestDuplicateJob)
#include "tst_duplicatejob.moc"
