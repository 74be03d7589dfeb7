// The level and frequency graphs: the spectrum's highest bar sits in the
// tone's band, the level follows the loudness, drawing uses the colours, and
// fed from the player as the main window feeds them they follow what is heard.
#include "controls/cAudioGraph.h"

#include "components/cPlayer.h"

#include "PlayerTools.h"
#include "TestEnv.h"

#include <QImage>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

#include <cmath>

namespace {

QVector<float> Sine(double hz, double amplitude, int rate, int count = -1) {
    if (count < 0) count = rate / 10;
    QVector<float> out(count);
    for (int i = 0; i < count; ++i)
        out[i] = float(amplitude * std::sin(2.0 * M_PI * hz * i / rate));
    return out;
}

int Highest(const QVector<double>& bars) {
    return int(std::max_element(bars.begin(), bars.end()) - bars.begin());
}

} // namespace

class tst_audiograph : public QObject {
    Q_OBJECT

private slots:
    void highestBarIsTheTonesBand_data();
    void highestBarIsTheTonesBand();
    void levelFollowsQuietToLoud();
    void drawsBarsInItsColours();
    void clearAndCloseEmptyTheGraph();
    void followsThePlayer();
};

void tst_audiograph::highestBarIsTheTonesBand_data() {
    QTest::addColumn<double>("hz");
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("count"); // -1: 100 ms
    QTest::newRow("100 Hz") << 100.0 << 44100 << -1;
    QTest::newRow("440 Hz") << 440.0 << 44100 << -1;
    QTest::newRow("1 kHz at 48 kHz") << 1000.0 << 48000 << -1;
    QTest::newRow("3 kHz") << 3000.0 << 44100 << -1;
    QTest::newRow("10 kHz at 22 kHz") << 10000.0 << 22050 << -1;
    QTest::newRow("440 Hz at 8 kHz") << 440.0 << 8000 << -1;
    // Just after the start only a few milliseconds have been heard.
    QTest::newRow("440 Hz, 25 ms") << 440.0 << 44100 << 1100;
    QTest::newRow("440 Hz, 50 ms") << 440.0 << 44100 << 2205;
}

void tst_audiograph::highestBarIsTheTonesBand() {
    QFETCH(double, hz);
    QFETCH(int, rate);
    QFETCH(int, count);
    cAudioGraph graph(nullptr, cAudioGraph::FrequencyGraph);
    graph.SetAudioData(Sine(hz, 0.5, rate, count), rate);
    const QVector<double> bars = graph.Bars();
    QCOMPARE(bars.size(), cAudioGraph::BandCount());
    const int band = cAudioGraph::BandOf(hz);
    QVERIFY(band >= 0);
    QCOMPARE(Highest(bars), band);
    // Half of full scale is -6 dB: nine tenths of the -60..0 dB scale.
    QVERIFY2(qAbs(bars[band] - 0.9) < 0.03, qPrintable(QString::number(bars[band])));
    // Far from the tone the bars stay low.
    for (int b = 0; b < bars.size(); ++b)
        if (qAbs(b - band) > 3)
            QVERIFY2(bars[b] < 0.3, qPrintable(QStringLiteral("band %1: %2").arg(b).arg(bars[b])));
}

void tst_audiograph::levelFollowsQuietToLoud() {
    cAudioGraph graph(nullptr, cAudioGraph::LevelGraph);
    graph.SetAudioData(QVector<float>(4410, 0.0f), 44100);
    QCOMPARE(graph.Level(), 0.0);
    double last = -1;
    // -40 dB, -20 dB, -6 dB, 0 dB: each step reads louder, and in proportion.
    for (double amplitude : {0.01, 0.1, 0.5, 1.0}) {
        graph.SetAudioData(Sine(440, amplitude, 44100), 44100);
        const double expected = (20 * std::log10(amplitude) + 60) / 60;
        QVERIFY2(qAbs(graph.Level() - expected) < 0.02, qPrintable(QString::number(graph.Level())));
        QVERIFY(graph.Level() > last);
        last = graph.Level();
    }
    // The history scrolls: the newest reading is on the right.
    const QVector<double> bars = graph.Bars();
    QCOMPARE(bars.last(), graph.Level());
    QVERIFY(bars[bars.size() - 2] < bars.last());
    QCOMPARE(bars.first(), 0.0);
}

void tst_audiograph::drawsBarsInItsColours() {
    cAudioGraph freq(nullptr, cAudioGraph::FrequencyGraph);
    freq.resize(240, 40);
    freq.setColor1(0x0000FF00); // green bars (0x00BBGGRR)
    freq.setColor3(0x00FF0000); // blue background
    freq.SetAudioData(Sine(1000, 1.0, 44100), 44100);
    // Nothing shows before Draw.
    QImage image = freq.grab().toImage();
    QCOMPARE(QColor(image.pixel(120, 39)), QColor(0, 0, 255));
    freq.Draw();
    image = freq.grab().toImage();
    const int band = cAudioGraph::BandOf(1000);
    const int x = int((band + 0.5) * 240 / cAudioGraph::BandCount());
    QCOMPARE(QColor(image.pixel(x, 39)), QColor(0, 255, 0));
    QCOMPARE(QColor(image.pixel(x, 2)), QColor(0, 255, 0));  // a full-scale tone reaches the top
    QCOMPARE(QColor(image.pixel(2, 39)), QColor(0, 0, 255)); // the lowest band is empty

    cAudioGraph level(nullptr, cAudioGraph::LevelGraph);
    level.resize(200, 40);
    level.setColor2(0x000000FF); // red
    level.setColor3(0x00000000);
    level.SetAudioData(Sine(440, 1.0, 44100), 44100);
    level.Draw();
    image = level.grab().toImage();
    QCOMPARE(QColor(image.pixel(198, 39)), QColor(255, 0, 0)); // the newest reading, right
    QCOMPARE(QColor(image.pixel(2, 39)), QColor(0, 0, 0));
}

void tst_audiograph::clearAndCloseEmptyTheGraph() {
    for (auto type : {cAudioGraph::LevelGraph, cAudioGraph::FrequencyGraph}) {
        cAudioGraph graph(nullptr, type);
        graph.resize(100, 20);
        graph.setColor3(0x00000000);
        graph.setColor1(0x00FFFFFF);
        graph.setColor2(0x00FFFFFF);
        graph.SetAudioData(Sine(440, 1.0, 44100), 44100);
        graph.Draw();
        graph.Clear();
        QCOMPARE(graph.Level(), 0.0);
        for (double v : graph.Bars())
            QCOMPARE(v, 0.0);
        const QImage image = graph.grab().toImage();
        for (int x = 0; x < 100; x += 5)
            QCOMPARE(QColor(image.pixel(x, 19)), QColor(0, 0, 0));
        graph.SetAudioData(Sine(440, 1.0, 44100), 44100);
        graph.Close();
        for (double v : graph.Bars())
            QCOMPARE(v, 0.0);
        // A closed graph still takes data without failing (a late timer tick).
        graph.SetAudioData(Sine(440, 1.0, 44100), 44100);
        graph.SetAudioData({}, 44100);
        QCOMPARE(graph.Level(), 0.0);
    }
}

void tst_audiograph::followsThePlayer() {
    if (!playertest::HaveAudioServer())
        QFAIL("No audio server: this test runs against the test server that scripts/test.sh starts.");
    testsupport::TestEnv env(false);
    // One second at -34 dB, then one second at full scale.
    const QString file = env.path("step.wav");
    QVERIFY(testsupport::runFfmpeg({"-f", "lavfi", "-i",
                                    "aevalsrc=if(lt(t\\,1)\\,0.02\\,1)*sin(2*PI*440*t):d=2:s=44100", "-ac",
                                    "2", file}));

    components::cPlayer player;
    cAudioGraph amp(nullptr, cAudioGraph::LevelGraph);
    cAudioGraph freq(nullptr, cAudioGraph::FrequencyGraph);
    struct Reading {
        double position;
        double level;
        int highest;
    };
    QVector<Reading> readings;
    QTimer feed;
    feed.setInterval(100);
    connect(&feed, &QTimer::timeout, this, [&] {
        if (!player.IsPlaying()) return;
        amp.SetAudioData(player.AudioData(), player.AudioDataRate());
        amp.Draw();
        freq.SetAudioData(player.AudioData(), player.AudioDataRate());
        freq.Draw();
        readings.append({player.GetPosition(), amp.Level(), Highest(freq.Bars())});
    });
    QSignalSpy done(&player, &components::cPlayer::PlayDone);
    QCOMPARE(player.Play(file, -1), 0);
    feed.start();
    QTRY_COMPARE_WITH_TIMEOUT(done.count(), 1, 20000);

    int quietCount = 0, loudCount = 0;
    for (const Reading& r : readings) {
        // Away from the step: the 100 ms window must lie on one side of it.
        if (r.position > 0.2 && r.position < 0.9) {
            ++quietCount;
            QVERIFY2(r.level < 0.5, qPrintable(QStringLiteral("%1 s: %2").arg(r.position).arg(r.level)));
        } else if (r.position > 1.2 && r.position < 1.95) {
            ++loudCount;
            QVERIFY2(r.level > 0.9, qPrintable(QStringLiteral("%1 s: %2").arg(r.position).arg(r.level)));
            QCOMPARE(r.highest, cAudioGraph::BandOf(440));
        }
    }
    QVERIFY2(quietCount >= 3 && loudCount >= 3,
             qPrintable(QStringLiteral("%1 quiet and %2 loud readings").arg(quietCount).arg(loudCount)));
}

QTEST_MAIN(tst_audiograph)
#include "tst_audiograph.moc"
