// The recorder against the test sound server: while paplay plays a 440 Hz
// tone into the null sink, 2 s recorded from the server's input (the sink's
// monitor) hold the tone in each format, with a true header; the meter is
// high during the tone and near zero in silence; the recording plays back
// into the sink with one DonePlay; a device removed from the server ends
// the recording, which keeps what it had.
#include "components/cWave.h"

#include "MediaTools.h"
#include "TestEnv.h"
#include "WaveTools.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QSignalSpy>
#include <QtTest>

using components::cWave;
using components::tWaveFormatEx;
using wavetest::Format;

namespace {

int MaxLevel(const QSignalSpy& spy) {
    int max = -1;
    for (const QList<QVariant>& l : spy)
        max = std::max(max, l.at(0).toInt());
    return max;
}

} // namespace

class tst_wave_server : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        if (qEnvironmentVariableIsEmpty("PULSE_SERVER"))
            QFAIL("No audio server: these tests run against the test server that scripts/test.sh starts.");
        m_env = std::make_unique<testsupport::TestEnv>(false);
        m_tone = m_env->path("tone.wav");
        QVERIFY(testsupport::runFfmpeg(testsupport::sineInput(4.0) << m_tone));
        m_silence = m_env->path("silence-in.wav");
        QVERIFY(testsupport::runFfmpeg(
            {"-f", "lavfi", "-i", "anullsrc=r=44100:cl=stereo", "-t", "3", m_silence}));
    }
    void cleanupTestCase() { m_env.reset(); }

    void recordsTheToneFromTheServer_data() {
        QTest::addColumn<int>("rate");
        QTest::addColumn<int>("channels");
        QTest::addColumn<int>("bits");
        QTest::addColumn<QString>("codec");
        QTest::newRow("8000 Hz mono 8-bit") << 8000 << 1 << 8 << "pcm_u8";
        QTest::newRow("44100 Hz stereo 16-bit") << 44100 << 2 << 16 << "pcm_s16le";
    }
    void recordsTheToneFromTheServer() {
        QFETCH(int, rate);
        QFETCH(int, channels);
        QFETCH(int, bits);
        QFETCH(QString, codec);
        cWave wave;
        wave.MeterIn = true;
        QVERIFY(wave.GetDeviceCount(cWave::kDeviceIn) > 0);
        QSignalSpy done(&wave, &cWave::DoneRecord);
        QSignalSpy levels(&wave, &cWave::MeterLevel);
        const QString path =
            m_env->path(QStringLiteral("rec-%1-%2-%3.wav").arg(rate).arg(channels).arg(bits));

        QProcess player;
        player.start("paplay", {"--latency-msec=100", m_tone});
        QVERIFY(player.waitForStarted(5000));
        qint32 device = 0;
        tWaveFormatEx format = Format(rate, channels, bits);
        QCOMPARE(wave.RecordStart(device, path, format, 1600), 0);
        // The tone is under way once the meter hears it; then two seconds.
        QTRY_VERIFY_WITH_TIMEOUT(MaxLevel(levels) > 60, 60000);
        QElapsedTimer clock;
        clock.start();
        QTest::qWait(2000);
        wave.RecordStop();
        const qint64 wall = clock.elapsed();
        QVERIFY2(player.state() == QProcess::Running, "the tone ended before the recording");
        player.kill();
        player.waitForFinished(5000);
        QTRY_COMPARE(done.count(), 1);
        QCOMPARE(wave.RecordEndCode(), 0);

        const wavetest::Header h = wavetest::ReadHeader(path);
        QVERIFY2(wavetest::HeaderFaults(h).isEmpty(), qPrintable(wavetest::HeaderFaults(h)));
        QCOMPARE(int(h.rate), rate);
        QCOMPARE(int(h.channels), channels);
        QCOMPARE(int(h.bits), bits);
        QCOMPARE(wavetest::Probe(path), QString("%1,%2,%3").arg(codec).arg(rate).arg(channels));
        const double seconds = double(wave.RecordedFrames()) / rate;
        QVERIFY2(seconds >= wall / 1000.0 && seconds < wall / 1000.0 + 3.0,
                 qPrintable(QString("%1 s recorded in %2 ms").arg(seconds).arg(wall)));
        const double hz = wavetest::SoxFrequency(path);
        QVERIFY2(qAbs(hz - 440) <= 5, qPrintable(QString("%1 Hz").arg(hz)));

        // Silence plays now: the meter stays near zero.
        player.start("paplay", {"--latency-msec=100", m_silence});
        QVERIFY(player.waitForStarted(5000));
        QCOMPARE(wave.RecordStart(device, m_env->path("silence.wav"), format, 1600), 0);
        levels.clear();
        QTRY_VERIFY_WITH_TIMEOUT(levels.count() >= 8, 60000);
        wave.RecordStop();
        player.kill();
        player.waitForFinished(5000);
        QVERIFY2(MaxLevel(levels) <= 4, qPrintable(QString::number(MaxLevel(levels))));
    }

    // Nothing recorded is lost at the end: the server sends a piece only
    // when its time is up, and RecordStop takes the piece still on its way.
    // The file is as long as the time between the two calls, and no longer
    // than the time from the start of the one to the end of the other.
    void stopKeepsTheLastPiece() {
        cWave wave;
        QProcess player;
        player.start("paplay", {"--latency-msec=100", m_tone});
        QVERIFY(player.waitForStarted(5000));
        qint32 device = 0;
        tWaveFormatEx format = Format(44100, 2, 16);
        const QString path = m_env->path("last-piece.wav");
        // The input delivers once the tone is under way.
        wave.MeterIn = true;
        QSignalSpy levels(&wave, &cWave::MeterLevel);
        QCOMPARE(wave.RecordStart(device, path, format, 1600), 0);
        QTRY_VERIFY_WITH_TIMEOUT(MaxLevel(levels) > 60, 60000);
        wave.RecordStop();
        for (int round = 0; round < 3; ++round) {
            QElapsedTimer outer, inner;
            outer.start();
            QCOMPARE(wave.RecordStart(device, path, format, 1600), 0);
            inner.start();
            QTest::qWait(700 + 7 * round); // ending anywhere within a piece
            const qint64 innerNs = inner.nsecsElapsed();
            wave.RecordStop();
            const qint64 outerNs = outer.nsecsElapsed();
            const double recordedMs = double(wave.RecordedFrames()) * 1000.0 / 44100;
            QVERIFY2(recordedMs >= innerNs / 1e6 - 2 && recordedMs <= outerNs / 1e6 + 2,
                     qPrintable(QString("%1 ms recorded between calls %2 ms apart (%3 ms with the calls)")
                                    .arg(recordedMs)
                                    .arg(innerNs / 1e6)
                                    .arg(outerNs / 1e6)));
        }
        player.kill();
        player.waitForFinished(5000);
    }

    // The recording plays into the sink: progress moves, then one DonePlay.
    void recordingPlaysBackWithOneDonePlay() {
        const QString path = m_env->path("rec-44100-2-16.wav");
        QVERIFY(QFile::exists(path));
        cWave wave;
        QSignalSpy donePlay(&wave, &cWave::DonePlay);
        components::tWaveFileInfo info;
        QCOMPARE(wave.GetFileInfo(path, info), 0);
        QCOMPARE(wave.PlayStart(path, 0, 8000), 0);
        QVERIFY(wave.IsPlaying());
        QCOMPARE(donePlay.count(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(wave.GetPlayProgress() > 10, 60000);
        QVERIFY(wave.GetPlayPosition() <= info.SecondsLength);
        QVERIFY(donePlay.wait(20000));
        QVERIFY(!wave.IsPlaying());
        QTest::qWait(200);
        QCOMPARE(donePlay.count(), 1);
        QCOMPARE(wave.GetPlayProgress(), 0);
    }

    // A device that goes away mid-recording (its sink is unloaded from the
    // server): the recording ends by itself and keeps what it had.
    void lostDeviceKeepsTheRecording() {
        QProcess load;
        load.start("pactl", {"load-module", "module-null-sink", "sink_name=corvane_lost"});
        QVERIFY(load.waitForFinished(10000));
        const QString sinkModule = QString::fromUtf8(load.readAllStandardOutput()).trimmed();
        load.start("pactl",
                   {"load-module", "module-remap-source", "source_name=corvane_lost_mic",
                    "master=corvane_lost.monitor", "source_properties=device.description=CorvaneLostMic"});
        QVERIFY(load.waitForFinished(10000));
        const QString sourceModule = QString::fromUtf8(load.readAllStandardOutput()).trimmed();
        QVERIFY(!sinkModule.isEmpty() && !sourceModule.isEmpty());
        cWave wave;
        qint32 device = -1;
        QTRY_VERIFY_WITH_TIMEOUT((device = findDevice(wave, "CorvaneLostMic")) >= 0, 10000);
        QSignalSpy done(&wave, &cWave::DoneRecord);
        const QString path = m_env->path("lost.wav");
        tWaveFormatEx format = Format(44100, 2, 16);
        // Something plays into it, so that it delivers.
        QProcess player;
        player.start("paplay", {"--latency-msec=100", "-d", "corvane_lost", m_tone});
        QVERIFY(player.waitForStarted(5000));
        wave.MeterIn = true;
        QSignalSpy levels(&wave, &cWave::MeterLevel);
        QCOMPARE(wave.RecordStart(device, path, format, 1600), 0);
        QTRY_VERIFY_WITH_TIMEOUT(MaxLevel(levels) > 60, 60000);
        QTest::qWait(500);
        QProcess::execute("pactl", {"unload-module", sourceModule});
        QVERIFY(done.wait(20000));
        player.kill();
        player.waitForFinished(5000);
        QProcess::execute("pactl", {"unload-module", sinkModule});
        QCOMPARE(wave.RecordEndCode(), qint32(cWave::ErrDeviceLost));
        const wavetest::Header h = wavetest::ReadHeader(path);
        QVERIFY2(wavetest::HeaderFaults(h).isEmpty(), qPrintable(wavetest::HeaderFaults(h)));
        QVERIFY(wave.RecordedFrames() > 44100 / 2);
    }

private:
    static qint32 findDevice(cWave& wave, const QString& name) {
        const qint32 n = wave.GetDeviceCount(cWave::kDeviceIn);
        for (qint32 i = 0; i < n; ++i) {
            components::tWaveDeviceCaps caps;
            qint32 index = i;
            wave.GetDeviceCaps(index, caps, cWave::kDeviceIn);
            if (caps.szPname == name) return i;
        }
        return -1;
    }

    std::unique_ptr<testsupport::TestEnv> m_env;
    QString m_tone;
    QString m_silence;
};

QTEST_GUILESS_MAIN(tst_wave_server)
#include "tst_wave_server.moc"
