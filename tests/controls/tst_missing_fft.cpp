// The player's graphs without FFTW (loaded on first use): the frequency
// graph says why it shows no spectrum, the level graph goes on working, and
// nothing crashes. CTest runs this with CORVANE_LIBRARY_DIR pointing at nothing.
#include "controls/cAudioGraph.h"

#include <QImage>
#include <QtTest>

#include <algorithm>
#include <cmath>

class tst_missing_fft : public QObject {
    Q_OBJECT
private slots:
    void frequencyGraphSaysWhy() {
        QVERIFY2(!qEnvironmentVariableIsEmpty("CORVANE_LIBRARY_DIR"), "run through CTest");
        QVector<float> tone(4410);
        for (int i = 0; i < tone.size(); ++i)
            tone[i] = float(0.5 * std::sin(2.0 * M_PI * 1000.0 * i / 44100));

        cAudioGraph frequency(nullptr, cAudioGraph::FrequencyGraph);
        frequency.resize(120, 40);
        QVERIFY(frequency.ErrorText().isEmpty()); // nothing asked for yet
        frequency.SetAudioData(tone, 44100);
        frequency.Draw();
        QVERIFY2(frequency.ErrorText().startsWith("The frequency graph cannot be drawn: the FFTW library "
                                                  "could not be loaded"),
                 qPrintable(frequency.ErrorText()));
        QCOMPARE(frequency.toolTip(), frequency.ErrorText());
        const QVector<double> bars = frequency.Bars();
        QVERIFY(std::all_of(bars.begin(), bars.end(), [](double v) { return v == 0.0; }));
        QVERIFY(!frequency.grab().isNull()); // paints the reason instead of bars

        cAudioGraph level(nullptr, cAudioGraph::LevelGraph);
        level.SetAudioData(tone, 44100);
        QVERIFY(level.Level() > 0.5);
        QVERIFY(level.ErrorText().isEmpty());
    }
};

QTEST_MAIN(tst_missing_fft)
#include "tst_missing_fft.moc"
