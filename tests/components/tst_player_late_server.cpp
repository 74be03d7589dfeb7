// A sound server that starts after the program: the first play finds none and
// says so; the next play looks again and plays. Its own process, so that
// nothing asked the sound system anything before the first play.
#include "components/cPlayer.h"

#include "MediaTools.h"
#include "TestEnv.h"

#include <QSignalSpy>
#include <QtTest>

using components::cPlayer;

class tst_player_late_server : public QObject {
    Q_OBJECT
private slots:
    void serverStartedAfterTheProgramIsFoundAtTheNextPlay() {
        const QByteArray server = qgetenv("PULSE_SERVER");
        if (server.isEmpty())
            QFAIL("No audio server: this test runs against the test server that scripts/test.sh starts.");
        testsupport::TestEnv env(false);
        const QString tone = env.path("tone.wav");
        QVERIFY(testsupport::runFfmpeg(
            {"-f", "lavfi", "-i", "sine=frequency=440:duration=0.5", "-ac", "2", "-ar", "44100", tone}));

        // No server yet where the program looks for it.
        qputenv("PULSE_SERVER", ("unix:" + env.path("no-server-yet/native")).toUtf8());
        cPlayer player;
        QVERIFY(player.Play(tone, -1) != 0);
        QCOMPARE(player.ErrorText(), QString("No audio output device is available."));
        QVERIFY(!player.IsPlaying());

        // The server is there now; nothing was restarted.
        qputenv("PULSE_SERVER", server);
        QSignalSpy done(&player, &cPlayer::PlayDone);
        QCOMPARE(player.Play(tone, -1), 0);
        QVERIFY(player.IsPlaying());
        QVERIFY(done.wait(10000));
        QVERIFY(!player.IsPlaying());
    }
};

QTEST_GUILESS_MAIN(tst_player_late_server)
#include "tst_player_late_server.moc"
