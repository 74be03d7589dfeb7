// The joiner component: generated WAV, MP3 and OGG inputs (one with a range)
// joined into MP3 and WAV, checked against ffmpeg's own decoding and mutagen;
// the faults that stop a join without leaving an output; abort; and the one
// terminal event per start.
#include "ConverterTools.h"
#include "components/cAudioJoin.h"

#include "MediaTools.h"
#include "TestEnv.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <memory>

using components::cAudioJoin;

namespace {

// The events of one joiner in arrival order.
struct Recorder {
    QStringList terminals;
    QList<QPair<qint32, qint32>> progress;
    QList<qint32> codes;
    QStringList descriptions;
    explicit Recorder(cAudioJoin& j) {
        QObject::connect(&j, &cAudioJoin::Progress, &j,
                         [this](qint32 i, qint32 p) { progress.append(qMakePair(i, p)); });
        QObject::connect(&j, &cAudioJoin::Done, &j, [this] { terminals << "done"; });
        QObject::connect(&j, &cAudioJoin::Aborted, &j, [this] { terminals << "aborted"; });
        QObject::connect(&j, &cAudioJoin::Error, &j, [this](qint32 code, const QString& d) {
            terminals << "error";
            codes << code;
            descriptions << d;
        });
    }
    bool waitUntil(const std::function<bool()>& condition) {
        QEventLoop loop;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
            if (condition()) loop.quit();
        });
        QTimer::singleShot(120000, &loop, &QEventLoop::quit);
        poll.start(2);
        if (!condition()) loop.exec();
        return condition();
    }
    bool waitFor(int count) {
        return waitUntil([&] { return terminals.size() >= count; });
    }
};

using testsupport::folderEntries;

} // namespace

class tst_audiojoin : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void joinListCalls();
    void joinsThreeKindsIntoMp3AndWav();
    void wavJoinIsExactToTheSample();
    void faultsStopTheJoinWithoutOutput_data();
    void faultsStopTheJoinWithoutOutput();
    void abortMidJoinLeavesNoOutput();
    void startWhileBusyIsAnError();

private:
    std::unique_ptr<testsupport::TestEnv> m_env;
    QString m_wav, m_mp3, m_ogg, m_long;
};

void tst_audiojoin::initTestCase() {
    m_env = std::make_unique<testsupport::TestEnv>();
    QDir().mkpath(m_env->path("in"));
    m_wav = m_env->path("in/one.wav");
    m_mp3 = m_env->path("in/two.mp3");
    m_ogg = m_env->path("in/three.ogg");
    m_long = m_env->path("in/long.wav");
    using testsupport::runFfmpeg;
    using testsupport::sineInput;
    QVERIFY(runFfmpeg(sineInput(3.0) + QStringList{"-ar", "44100", "-c:a", "pcm_s16le", m_wav}));
    QVERIFY(
        runFfmpeg(sineInput(2.0) + QStringList{"-ar", "44100", "-c:a", "libmp3lame", "-b:a", "128k", m_mp3}));
    QVERIFY(runFfmpeg(sineInput(2.5) + QStringList{"-ar", "44100", "-c:a", "libvorbis", m_ogg}));
    QVERIFY(runFfmpeg(sineInput(20.0) + QStringList{"-ar", "44100", "-c:a", "pcm_s16le", m_long}));
}

void tst_audiojoin::joinListCalls() {
    cAudioJoin j;
    j.AddFile("/a.wav", -1, -1);
    j.AddFile("/b.mp3", 3, 7);
    j.AddFile("/c.ogg", -1, -1);
    QCOMPARE(j.FileCount(), 3);
    qint32 start = 0, length = 0;
    QCOMPARE(j.GetFile(2, start, length), QString("/b.mp3"));
    QCOMPARE(start, 3);
    QCOMPARE(length, 7);
    QCOMPARE(j.GetFile(4, start, length), QString());
    QCOMPARE(start, -1);
    j.RemoveFile(0); // outside: nothing
    j.RemoveFile(1);
    QCOMPARE(j.GetFile(1, start, length), QString("/b.mp3"));
    // Emptied the way the window does it: RemoveFile(1) FileCount() times.
    for (qint32 n = j.FileCount(); n > 0; --n)
        j.RemoveFile(1);
    QCOMPARE(j.FileCount(), 0);
}

void tst_audiojoin::joinsThreeKindsIntoMp3AndWav() {
    const qint64 wavFrames = testsupport::decodedFrames(m_wav);
    const qint64 mp3Frames = testsupport::decodedFrames(m_mp3);
    QVERIFY(wavFrames > 0 && mp3Frames > 0);
    // The OGG input is joined with its range: one second from second 1.
    const qint64 expected = wavFrames + mp3Frames + 44100;

    struct Case {
        const char* name;
        std::function<void(cAudioJoin&)> format;
        qint64 tolerance; // frames
    };
    const QList<Case> cases{
        {"joined.mp3",
         [](cAudioJoin& j) {
             components::tMP3Settings m;
             m.Bitrate = 128;
             m.SampleRate = 44100;
             m.Quality = 5;
             m.Mode = 1;
             m.VBRMethod = 4;
             m.WriteVBRTag = -1; // the delay and padding of the encoder recorded for decoders
             j.setOutputFormat(3);
             j.SetMP3Settings(m);
         },
         1152},
        {"joined.wav",
         [](cAudioJoin& j) {
             j.setOutputFormat(1);
             j.SetWAVSettings(components::tWAVSettings{44100, 2, 16});
         },
         0},
    };
    for (const Case& c : cases) {
        cAudioJoin j;
        Recorder r(j);
        c.format(j);
        j.setTagTitle("Joined Title");
        j.setTagArtist("The Artist");
        j.setTagAlbum("The Album");
        j.setTagYear("2026");
        j.setTagTrack("2");
        j.setTagGenre("Rock");
        j.setTagComment("Made by joining");
        j.AddFile(m_wav, -1, -1);
        j.AddFile(m_mp3, -1, -1);
        j.AddFile(m_ogg, 1, 1);
        const QString out = m_env->path(QString("out/") + c.name);
        j.setDestinationFile(out);
        j.StartJoin();
        QVERIFY(j.IsJoining());
        QVERIFY(r.waitFor(1));
        QVERIFY2(r.terminals == QStringList{"done"}, qPrintable(r.descriptions.join(';')));
        QVERIFY(!j.IsJoining());

        const qint64 frames = testsupport::decodedFrames(out);
        QVERIFY2(qAbs(frames - expected) <= c.tolerance,
                 qPrintable(QString("%1: %2 frames, expected %3").arg(c.name).arg(frames).arg(expected)));
        // Every input reported, in order, each up to 100 percent.
        QList<qint32> finished;
        for (const auto& [index, percent] : r.progress)
            if (percent == 100) finished << index;
        QCOMPARE(finished, (QList<qint32>{1, 2, 3}));
        QCOMPARE(folderEntries(m_env->path("out")).filter(".part-"), QStringList());
        if (QString(c.name).endsWith(".mp3")) {
            const auto tags = convtest::mutagenTags(out);
            QCOMPARE(tags.value("title"), QString("Joined Title"));
            QCOMPARE(tags.value("artist"), QString("The Artist"));
            QCOMPARE(tags.value("album"), QString("The Album"));
            QCOMPARE(tags.value("year"), QString("2026"));
            QCOMPARE(tags.value("track"), QString("2"));
            QCOMPARE(tags.value("genre"), QString("Rock"));
            QCOMPARE(tags.value("comment"), QString("Made by joining"));
        }
    }
}

void tst_audiojoin::wavJoinIsExactToTheSample() {
    // Seconds 1 to 2 of the first input, then the whole of it, then from
    // second 2 to its end (a length past the end runs to the end).
    cAudioJoin j;
    Recorder r(j);
    j.setOutputFormat(1);
    j.SetWAVSettings(components::tWAVSettings{44100, 2, 16});
    j.AddFile(m_wav, 1, 1);
    j.AddFile(m_wav, -1, -1);
    j.AddFile(m_wav, 2, 60);
    const QString out = m_env->path("exact/joined.wav");
    j.setDestinationFile(out);
    j.StartJoin();
    QVERIFY(r.waitFor(1));
    QVERIFY2(r.terminals == QStringList{"done"}, qPrintable(r.descriptions.join(';')));
    const QByteArray pcm = testsupport::wavPcm(m_wav);
    const qsizetype second = 44100 * 4;
    QVERIFY(pcm.size() == 3 * second);
    QCOMPARE(testsupport::wavPcm(out), pcm.mid(second, second) + pcm + pcm.mid(2 * second));
}

void tst_audiojoin::faultsStopTheJoinWithoutOutput_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<qint32>("code");
    QTest::addColumn<QString>("named"); // a text the description names
    QTest::newRow("missing input") << "missing" << qint32(cAudioJoin::ErrSourceOpen) << "gone.wav";
    QTest::newRow("input that is no audio") << "garbage" << qint32(cAudioJoin::ErrSourceOpen) << "notes.ogg";
    QTest::newRow("range after the end") << "range" << qint32(cAudioJoin::ErrSourceOpen) << "one.wav";
    QTest::newRow("output is an input") << "self" << qint32(cAudioJoin::ErrDestination) << "victim.wav";
    QTest::newRow("nothing to join") << "empty" << qint32(cAudioJoin::ErrNothingToJoin) << "Nothing to join.";
    QTest::newRow("APE output") << "ape" << qint32(cAudioJoin::ErrNotSupported) << "APE";
}

void tst_audiojoin::faultsStopTheJoinWithoutOutput() {
    QFETCH(QString, kind);
    QFETCH(qint32, code);
    QFETCH(QString, named);
    const QString folder = m_env->path("faults/" + kind);
    QDir().mkpath(folder);
    QString out = folder + "/joined.wav";
    // An earlier output of the same name stays as it was.
    QVERIFY(testsupport::writeFileBytes(out, "earlier output"));

    cAudioJoin j;
    Recorder r(j);
    j.setOutputFormat(kind == "ape" ? 6 : 1);
    if (kind == "missing") {
        j.AddFile(m_wav, -1, -1);
        j.AddFile(folder + "/gone.wav", -1, -1);
    } else if (kind == "garbage") {
        QVERIFY(testsupport::writeFileBytes(folder + "/notes.ogg", QByteArray(4000, 'x')));
        j.AddFile(m_wav, -1, -1);
        j.AddFile(m_mp3, -1, -1);
        j.AddFile(folder + "/notes.ogg", -1, -1);
    } else if (kind == "range") {
        j.AddFile(m_mp3, -1, -1);
        j.AddFile(m_wav, 5, 2);
    } else if (kind == "self") {
        out = folder + "/victim.wav";
        QVERIFY(QFile::copy(m_wav, out));
        j.AddFile(m_mp3, -1, -1);
        j.AddFile(out, -1, -1);
    } else if (kind != "empty") {
        j.AddFile(m_wav, -1, -1);
    }
    const QByteArray before = testsupport::fileBytes(out);
    const QStringList entries = folderEntries(folder);
    j.setDestinationFile(out);
    j.StartJoin();
    QVERIFY(r.waitFor(1));
    QCOMPARE(r.terminals, QStringList{"error"});
    QCOMPARE(r.codes.first(), code);
    QVERIFY2(r.descriptions.first().contains(named), qPrintable(r.descriptions.first()));
    QCOMPARE(testsupport::fileBytes(out), before);
    QCOMPARE(folderEntries(folder), entries);
}

void tst_audiojoin::abortMidJoinLeavesNoOutput() {
    const QString folder = m_env->path("abort");
    QDir().mkpath(folder);
    cAudioJoin j;
    Recorder r(j);
    j.Abort(); // idle: nothing follows
    j.Cleanup();
    j.setOutputFormat(3);
    j.AddFile(m_long, -1, -1);
    j.AddFile(m_long, -1, -1);
    j.setDestinationFile(folder + "/joined.mp3");
    j.StartJoin();
    // Stopped once the first input is under way, as the Abort button does it.
    QVERIFY(r.waitUntil([&] { return !r.progress.isEmpty() && r.progress.last().second >= 1; }));
    j.Abort();
    j.Cleanup();
    QVERIFY(r.waitFor(1));
    QCOMPARE(r.terminals, QStringList{"aborted"});
    QCOMPARE(folderEntries(folder), QStringList());

    // Closing aborts a running join the same way, and empties the list.
    j.StartJoin();
    j.Close();
    QVERIFY(r.waitFor(2));
    QCOMPARE(r.terminals, (QStringList{"aborted", "aborted"}));
    QCOMPARE(j.FileCount(), 0);
    QCOMPARE(folderEntries(folder), QStringList());

    // A joiner destroyed in the middle of a join leaves nothing either.
    {
        cAudioJoin gone;
        gone.setOutputFormat(3);
        gone.AddFile(m_long, -1, -1);
        gone.setDestinationFile(folder + "/gone.mp3");
        gone.StartJoin();
    }
    QCOMPARE(folderEntries(folder), QStringList());
}

void tst_audiojoin::startWhileBusyIsAnError() {
    cAudioJoin j;
    Recorder r(j);
    j.setOutputFormat(1);
    j.SetWAVSettings(components::tWAVSettings{44100, 2, 16});
    j.AddFile(m_wav, -1, -1);
    j.AddFile(m_wav, -1, -1);
    j.setDestinationFile(m_env->path("busy/joined.wav"));
    j.StartJoin();
    j.StartJoin();
    QVERIFY(r.waitFor(2));
    // The refused start is answered at once; the running join still ends once.
    QCOMPARE(r.terminals, (QStringList{"error", "done"}));
    QCOMPARE(r.codes.first(), qint32(cAudioJoin::ErrBusy));
    // A next join may be started from inside the Done handler.
    QObject::connect(&j, &cAudioJoin::Done, &j, [&] {
        if (r.terminals.size() == 3) j.StartJoin();
    });
    j.StartJoin();
    QVERIFY(r.waitFor(4));
    QCOMPARE(r.terminals, (QStringList{"error", "done", "done", "done"}));
}

QTEST_GUILESS_MAIN(tst_audiojoin)
#include "tst_audiojoin.moc"
