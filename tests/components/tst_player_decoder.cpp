// What the player relies on of the shared decoder: a seek lands on the very
// sample a read from the start reaches at that time, in every format the
// lists take, including those whose first packet does not start at zero.
#include "components/AudioDecoder.h"

#include "MediaTools.h"
#include "TestEnv.h"

#include <QtTest>

#include <vector>

using components::AudioDecoder;
using components::SampleKind;

namespace {

std::vector<float> ReadAll(AudioDecoder& d, qint64 maxFrames) {
    std::vector<float> out;
    std::vector<float> buf(4096 * 2);
    while (qint64(out.size()) / 2 < maxFrames) {
        const qint64 n = d.Read(buf.data(), 4096);
        if (n <= 0) break;
        out.insert(out.end(), buf.begin(), buf.begin() + n * 2);
    }
    return out;
}

// The shift (in frames) that best lines `part` up with `whole` around `at`.
qint64 BestShift(const std::vector<float>& whole, const std::vector<float>& part, qint64 at, qint64 range) {
    qint64 best = 0;
    double bestErr = 1e300;
    const qint64 len = qint64(part.size()) / 2;
    for (qint64 shift = -range; shift <= range; ++shift) {
        const qint64 base = at + shift;
        if (base < 0 || (base + len) * 2 > qint64(whole.size())) continue;
        double err = 0;
        for (qint64 i = 0; i < len * 2; ++i) {
            const double diff = whole[size_t(base * 2 + i)] - part[size_t(i)];
            err += diff * diff;
        }
        if (err < bestErr) {
            bestErr = err;
            best = shift;
        }
    }
    return best;
}

} // namespace

class tst_player_decoder : public QObject {
    Q_OBJECT

private slots:
    void seekLandsWhereAReadFromTheStartIs_data();
    void seekLandsWhereAReadFromTheStartIs();
};

void tst_player_decoder::seekLandsWhereAReadFromTheStartIs_data() {
    QTest::addColumn<QString>("ext");
    QTest::newRow("wav") << "wav";
    QTest::newRow("mp3") << "mp3";
    QTest::newRow("ogg") << "ogg";
}

void tst_player_decoder::seekLandsWhereAReadFromTheStartIs() {
    QFETCH(QString, ext);
    testsupport::TestEnv env(false);
    const QString file = env.path("noise." + ext);
    // Noise, so that no shift of the signal looks like another.
    QVERIFY(testsupport::runFfmpeg(
        {"-f", "lavfi", "-i", "anoisesrc=d=4:c=pink:seed=7:a=0.5", "-ac", "2", "-ar", "44100", file}));

    AudioDecoder whole;
    QVERIFY(whole.Open(file));
    whole.SetOutput(44100, 2, SampleKind::Float);
    const std::vector<float> all = ReadAll(whole, 44100 * 5);
    QVERIFY(all.size() > 44100 * 2 * 3);

    AudioDecoder seeker;
    QVERIFY(seeker.Open(file));
    seeker.SetOutput(44100, 2, SampleKind::Float);
    QVERIFY(seeker.Seek(2000));
    // Skip what a decoder may need to settle after a jump, then compare.
    const std::vector<float> after = ReadAll(seeker, 44100 / 5);
    QVERIFY(after.size() >= 44100 / 5 * 2);
    const std::vector<float> part(after.begin() + 44100 / 10 * 2, after.begin() + 44100 / 5 * 2);
    const qint64 shift = BestShift(all, part, 88200 + 4410, 3000);
    QVERIFY2(qAbs(shift) <= 2, qPrintable(QStringLiteral("the seek landed %1 frames off").arg(shift)));
}

QTEST_GUILESS_MAIN(tst_player_decoder)
#include "tst_player_decoder.moc"
