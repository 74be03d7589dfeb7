// The preview player against a real audio server (a null sink whose monitor
// we record): what it plays is heard, PlayDone comes once and queued, seeking
// and pausing keep the position, and bad files leave it idle.
#include "components/cPlayer.h"

#include "PlayerTools.h"
#include "TestEnv.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

using components::cPlayer;

namespace {

// Lets the event loop run for `ms` (the player's feed runs meanwhile).
void RunEvents(int ms) {
    QTimer t;
    t.setSingleShot(true);
    QSignalSpy spy(&t, &QTimer::timeout);
    t.start(ms);
    spy.wait(ms + 5000);
}

} // namespace

class tst_player : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase() { m_env.reset(); }

    void formatSeconds_data();
    void formatSeconds();
    void toneIsHeardThenOnePlayDone_data();
    void toneIsHeardThenOnePlayDone();
    void stopGivesOnePlayDoneAfterItReturned();
    void seekAndPauseKeepThePosition();
    void audioDataIsTheToneHeardNow();
    void openFileShowsLengthButNeverReplacesAPlayingFile();
    void undecodableFilesStayIdle_data();
    void undecodableFilesStayIdle();
    void playWhilePlayingEndsTheFirstWithItsPlayDone();
    void closeDropsAPendingPlayDone();
    void exitAfterPlayingKeepsStatusAndOutput();

private:
    std::unique_ptr<testsupport::TestEnv> m_env;
    QString m_tone1;
    QString m_tone4;
};

void tst_player::initTestCase() {
    if (!playertest::HaveAudioServer())
        QFAIL("No audio server: the player tests run against the test server that scripts/test.sh starts.");
    m_env = std::make_unique<testsupport::TestEnv>(false);
    m_tone1 = m_env->path("tone1.wav");
    m_tone4 = m_env->path("tone4.wav");
    QVERIFY(playertest::MakeTone(m_tone1, 1.0));
    QVERIFY(playertest::MakeTone(m_tone4, 4.0));
}

void tst_player::formatSeconds_data() {
    QTest::addColumn<qint64>("seconds");
    QTest::addColumn<QString>("text");
    QTest::newRow("zero") << qint64(0) << "0:00:00";
    QTest::newRow("under a minute") << qint64(59) << "0:00:59";
    QTest::newRow("hour, minute, second") << qint64(3661) << "1:01:01";
    QTest::newRow("ten hours") << qint64(36000) << "10:00:00";
    QTest::newRow("negative") << qint64(-5) << "0:00:00";
}

void tst_player::formatSeconds() {
    QFETCH(qint64, seconds);
    QFETCH(QString, text);
    QCOMPARE(cPlayer::FormatSeconds(seconds), text);
}

void tst_player::toneIsHeardThenOnePlayDone_data() {
    QTest::addColumn<QString>("ext");
    QTest::newRow("wav") << "wav";
    QTest::newRow("mp3") << "mp3";
    QTest::newRow("ogg") << "ogg";
}

void tst_player::toneIsHeardThenOnePlayDone() {
    QFETCH(QString, ext);
    const QString file = m_env->path("heard." + ext);
    QVERIFY(playertest::MakeTone(file, 1.0));

    playertest::MonitorCapture capture;
    QVERIFY(capture.start());
    cPlayer player;
    QSignalSpy done(&player, &cPlayer::PlayDone);
    QSignalSpy errors(&player, &cPlayer::Error);
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(player.Play(file, -1), 0);
    QVERIFY(player.IsPlaying());
    QCOMPARE(done.count(), 0); // never from inside Play
    QVERIFY(qAbs(player.Length() - 1.0) < 0.06);

    QTRY_COMPARE_WITH_TIMEOUT(done.count(), 1, 20000);
    // The end comes after the whole second has been played, not when decoding ended.
    QVERIFY2(clock.elapsed() >= 950, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(!player.IsPlaying());
    QCOMPARE(errors.count(), 0);

    // Let the monitor deliver what the sink played last, then look at it.
    const qint64 at = capture.collect();
    QTRY_VERIFY_WITH_TIMEOUT(capture.collect() > at + playertest::kCaptureRate, 10000);
    const QVector<qint16> heard = capture.stop();
    QCOMPARE(done.count(), 1);

    const double hz = playertest::ToneFrequency(heard);
    QVERIFY2(qAbs(hz - 440.0) <= 2.0, qPrintable(QStringLiteral("heard %1 Hz").arg(hz)));
    // All of the tone was played before PlayDone: about one second sounds.
    const double seconds = double(playertest::SoundingSamples(heard)) / playertest::kCaptureRate;
    QVERIFY2(seconds > 0.9 && seconds < 1.15, qPrintable(QStringLiteral("heard %1 s of tone").arg(seconds)));
}

void tst_player::stopGivesOnePlayDoneAfterItReturned() {
    cPlayer player;
    QSignalSpy done(&player, &cPlayer::PlayDone);
    QCOMPARE(player.Play(m_tone4, -1), 0);
    QTRY_VERIFY_WITH_TIMEOUT(player.GetPosition() > 0.05, 10000);
    player.Stop();
    QCOMPARE(done.count(), 0);
    QVERIFY(!player.IsPlaying());
    QVERIFY(!player.IsPaused());
    QCOMPARE(player.GetPosition(), 0.0);
    QTRY_COMPARE_WITH_TIMEOUT(done.count(), 1, 5000);
    // A second Stop on an idle player gives nothing.
    player.Stop();
    RunEvents(100);
    QCOMPARE(done.count(), 1);
}

void tst_player::seekAndPauseKeepThePosition() {
    // The position comes from the sound server's reports, which a busy machine
    // delivers late: around a pause it may settle by what the sink still held
    // (the player keeps 0.2 s there), never by more. Progress is awaited as
    // long as it takes; only a player that stopped playing runs into the bound.
    constexpr double kSinkSeconds = 0.2;
    constexpr int kStalled = 60000;
    cPlayer player;
    QSignalSpy done(&player, &cPlayer::PlayDone);
    QCOMPARE(player.Play(m_tone4, -1), 0);
    QVERIFY(qAbs(player.Length() - 4.0) < 0.06);

    player.SetPosition(player.Length() / 2);
    QVERIFY2(qAbs(player.GetPosition() - 2.0) <= 0.1, qPrintable(QString::number(player.GetPosition())));
    // Playback goes on from there.
    QTRY_VERIFY_WITH_TIMEOUT(player.GetPosition() > 2.1, kStalled);
    QVERIFY(player.GetPosition() < 3.9);

    player.Pause();
    QVERIFY(player.IsPaused());
    QVERIFY(player.IsPlaying());
    const double paused = player.GetPosition();
    // A second paused is more than the sink holds: a pause that did not stop shows.
    RunEvents(1000);
    const double settled = player.GetPosition();
    QVERIFY2(settled >= paused - 0.01 && settled < paused + kSinkSeconds,
             qPrintable(QStringLiteral("%1 -> %2").arg(paused).arg(settled)));
    QCOMPARE(done.count(), 0);

    player.Resume();
    QVERIFY(!player.IsPaused());
    const double resumed = player.GetPosition();
    QVERIFY2(resumed >= settled - 0.01 && resumed < settled + kSinkSeconds,
             qPrintable(QStringLiteral("%1 -> %2").arg(settled).arg(resumed)));
    QTRY_VERIFY_WITH_TIMEOUT(player.GetPosition() > resumed + 0.2 || !done.isEmpty(), kStalled);
    QCOMPARE(done.count(), 0);

    // Seeking backwards after the decoder reached the end still plays.
    player.SetPosition(0.5);
    QVERIFY(qAbs(player.GetPosition() - 0.5) <= 0.1);
    QTRY_VERIFY_WITH_TIMEOUT(player.GetPosition() > 0.7 || !done.isEmpty(), kStalled);
    QCOMPARE(done.count(), 0);
    // A seek to the end ends playback.
    player.SetPosition(10);
    QTRY_COMPARE_WITH_TIMEOUT(done.count(), 1, kStalled);
}

void tst_player::audioDataIsTheToneHeardNow() {
    cPlayer player;
    QVERIFY(player.AudioData().isEmpty());
    QCOMPARE(player.Play(m_tone4, -1), 0);
    QTRY_VERIFY_WITH_TIMEOUT(player.GetPosition() > 0.3, 10000);
    const QVector<float> data = player.AudioData();
    QCOMPARE(player.AudioDataRate(), 44100);
    QCOMPARE(data.size(), 4410);
    // The tone is a sine of 1/8 full scale made stereo at -3 dB: a peak near 0.088.
    float peak = 0;
    for (float v : data)
        peak = std::max(peak, std::abs(v));
    QVERIFY2(peak > 0.08f && peak < 0.095f, qPrintable(QString::number(peak)));
    player.Stop();
    QVERIFY(player.AudioData().isEmpty());
}

void tst_player::openFileShowsLengthButNeverReplacesAPlayingFile() {
    cPlayer player;
    QCOMPARE(player.OpenFile(m_tone4), 0);
    QVERIFY(qAbs(player.Length() - 4.0) < 0.06);
    QVERIFY(!player.IsPlaying());

    QCOMPARE(player.Play(m_tone1, -1), 0);
    QVERIFY(player.OpenFile(m_tone4) != 0);
    QVERIFY(qAbs(player.Length() - 1.0) < 0.06);
    QVERIFY(player.IsPlaying());
    player.Stop();
}

void tst_player::undecodableFilesStayIdle_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("missing") << "missing.wav" << QByteArray();
    QTest::newRow("empty") << "empty.mp3" << QByteArray("");
    QTest::newRow("text named mp3") << "text.mp3"
                                    << QByteArray("This is not audio at all.\r\n").repeated(200);
    QTest::newRow("wav header only") << "cut.wav" << QByteArray("RIFF\x24\0\0\0WAVEfmt ", 16);
}

void tst_player::undecodableFilesStayIdle() {
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    const QString file = m_env->path("bad/" + name);
    if (name != "missing.wav") {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
    }
    cPlayer player;
    QSignalSpy done(&player, &cPlayer::PlayDone);
    QSignalSpy errors(&player, &cPlayer::Error);
    QVERIFY(player.Play(file, -1) != 0);
    QVERIFY(!player.ErrorText().isEmpty());
    QVERIFY(!player.IsPlaying());
    QVERIFY(player.OpenFile(file) != 0);
    RunEvents(100);
    QCOMPARE(done.count(), 0);
    QCOMPARE(errors.count(), 0);
    // The player still plays a good file afterwards.
    QCOMPARE(player.Play(m_tone1, -1), 0);
    player.Stop();
    QTRY_COMPARE(done.count(), 1);
}

void tst_player::playWhilePlayingEndsTheFirstWithItsPlayDone() {
    cPlayer player;
    QSignalSpy done(&player, &cPlayer::PlayDone);
    QCOMPARE(player.Play(m_tone4, -1), 0);
    QCOMPARE(player.Play(m_tone1, -1), 0);
    QCOMPARE(done.count(), 0);
    QVERIFY(qAbs(player.Length() - 1.0) < 0.06);
    QTRY_COMPARE_WITH_TIMEOUT(done.count(), 2, 20000);
    QVERIFY(!player.IsPlaying());
}

void tst_player::closeDropsAPendingPlayDone() {
    auto player = std::make_unique<cPlayer>();
    QSignalSpy done(player.get(), &cPlayer::PlayDone);
    QCOMPARE(player->Play(m_tone4, -1), 0);
    player->Stop();
    player->Close();
    QVERIFY(!player->IsPlaying());
    RunEvents(100);
    QCOMPARE(done.count(), 0);
    player.reset();
}

// A process that played ends with its own status and all its output, and
// never aborts on the way out (the sound library's teardown at exit is racy).
void tst_player::exitAfterPlayingKeepsStatusAndOutput() {
    const QString probe = QCoreApplication::applicationDirPath() + "/sound_exit_probe";
    QVERIFY(QFile::exists(probe));
    for (int status : {0, 3, 0, 7, 0}) {
        QProcess p;
        p.start(probe, {m_tone1, QString::number(status)});
        QVERIFY(p.waitForFinished(120000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QVERIFY2(p.exitCode() == status, p.readAllStandardError().constData());
        QCOMPARE(p.readAllStandardOutput(), QByteArray("played to the end\n"));
    }
}

QTEST_MAIN(tst_player)
#include "tst_player.moc"
