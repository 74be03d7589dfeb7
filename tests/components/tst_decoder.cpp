// The shared decoder: seeking to the sample, resampling, the end of the
// stream and damaged input.
#include "components/AudioDecoder.h"

#include "MediaTools.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <memory>
#include <random>
#include <vector>

using components::AudioDecoder;
using components::SampleKind;

namespace {

// A rising chirp: no two stretches of it look alike, so a shifted read shows.
QStringList Chirp(double seconds) {
    return {"-f", "lavfi", "-i",
            QStringLiteral("aevalsrc=0.5*sin(2*PI*(200+300*t)*t)|0.4*sin(2*PI*(300+200*t)*t):s=44100:d=%1")
                .arg(seconds)};
}

// A mono 16-bit WAV of `frames` frames of a ramp whose header claims `rate`.
QByteArray WavAtRate(quint32 rate, quint32 frames) {
    QByteArray data;
    for (quint32 i = 0; i < frames; ++i) {
        const auto v = qint16(i * 37);
        data.append(char(v & 0xff)).append(char((v >> 8) & 0xff));
    }
    QByteArray h;
    auto u32 = [&h](quint32 v) {
        for (int i = 0; i < 4; ++i)
            h.append(char((v >> (8 * i)) & 0xff));
    };
    auto u16 = [&h](quint16 v) { h.append(char(v & 0xff)).append(char(v >> 8)); };
    h.append("RIFF");
    u32(quint32(36 + data.size()));
    h.append("WAVEfmt ");
    u32(16);
    u16(1);
    u16(1);
    u32(rate);
    u32(rate * 2);
    u16(2);
    u16(16);
    h.append("data");
    u32(quint32(data.size()));
    return h + data;
}

// Fills the stack below the caller with words that read as a custom channel
// layout holding a wild map pointer, as a stale frame of other code may: a
// structure FFmpeg treats as holding state and that starts from whatever the
// stack held gets freed as such.
Q_NEVER_INLINE void SoilStack() {
    volatile quint32 words[16384];
    for (auto& w : words)
        w = 2; // order AV_CHANNEL_ORDER_CUSTOM, two channels, map 0x200000002
}

std::vector<qint16> ReadAll(AudioDecoder& d, bool* failed = nullptr) {
    std::vector<qint16> all;
    std::vector<qint16> buf(4096 * size_t(d.OutputChannels()));
    for (;;) {
        const qint64 n = d.Read(buf.data(), 4096);
        if (n < 0 && failed) *failed = true;
        if (n <= 0) break;
        all.insert(all.end(), buf.begin(), buf.begin() + n * d.OutputChannels());
    }
    return all;
}

} // namespace

class tst_decoder : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();

    void seekIsExact_data();
    void seekIsExact();
    void resamples_data();
    void resamples();
    void endOfStream();
    void damagedInput_data();
    void damagedInput();
    void refusedFiles_data();
    void refusedFiles();
    void highestRate();
    void soiledStack_data();
    void soiledStack();

private:
    QString file(const QString& name) const { return m_dir.filePath(name); }
    QTemporaryDir m_dir;
};

void tst_decoder::initTestCase() {
    QVERIFY(m_dir.isValid());
    QVERIFY(testsupport::runFfmpeg(Chirp(4.0) + QStringList{"-c:a", "pcm_s16le", file("chirp.wav")}));
    QVERIFY(testsupport::runFfmpeg(Chirp(4.0) + QStringList{"-c:a", "flac", file("chirp.flac")}));
    QVERIFY(testsupport::runFfmpeg(Chirp(4.0) +
                                   QStringList{"-c:a", "libmp3lame", "-b:a", "192k", file("chirp.mp3")}));
    QVERIFY(testsupport::runFfmpeg(Chirp(4.0) + QStringList{"-c:a", "libvorbis", file("chirp.ogg")}));
}

void tst_decoder::seekIsExact_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<qint64>("ms");
    QTest::addColumn<int>("tolerance"); // largest sample difference allowed after the seek
    for (const char* name : {"chirp.wav", "chirp.flac"})
        for (qint64 ms : {0, 1, 1234, 2999, 3990})
            QTest::newRow(qPrintable(QStringLiteral("%1 at %2 ms").arg(name).arg(ms))) << name << ms << 0;
    // Lossy decoders settle within a frame after a seek; from then on the
    // samples must be those of the same instant.
    for (const char* name : {"chirp.mp3", "chirp.ogg"})
        for (qint64 ms : {1234, 2999})
            QTest::newRow(qPrintable(QStringLiteral("%1 at %2 ms").arg(name).arg(ms))) << name << ms << 300;
}

void tst_decoder::seekIsExact() {
    QFETCH(QString, name);
    QFETCH(qint64, ms);
    QFETCH(int, tolerance);
    AudioDecoder whole;
    QVERIFY(whole.Open(file(name)));
    const std::vector<qint16> all = ReadAll(whole);

    AudioDecoder d;
    QVERIFY(d.Open(file(name)));
    QVERIFY(d.Seek(ms));
    const std::vector<qint16> tail = ReadAll(d);
    const size_t first = size_t((ms * 44100 + 500) / 1000) * 2; // the nearest sample
    QVERIFY(first < all.size());
    QCOMPARE(tail.size(), all.size() - first);
    // Lossy: skip the first frames, where the decoder starts without its history.
    const size_t from = tolerance ? 4096 : 0;
    int worst = 0;
    for (size_t i = from; i < tail.size(); ++i)
        worst = std::max(worst, std::abs(int(tail[i]) - int(all[first + i])));
    QVERIFY2(worst <= tolerance, qPrintable(QString::number(worst)));
}

void tst_decoder::resamples_data() {
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("channels");
    QTest::newRow("22050 mono") << 22050 << 1;
    QTest::newRow("48000 stereo") << 48000 << 2;
    QTest::newRow("8000 stereo") << 8000 << 2;
}

void tst_decoder::resamples() {
    QFETCH(int, rate);
    QFETCH(int, channels);
    const QString tone = file("tone.wav");
    QVERIFY(testsupport::runFfmpeg(testsupport::sineInput(2.0) + QStringList{tone}));
    AudioDecoder d;
    QVERIFY(d.Open(tone));
    d.SetOutput(rate, channels, SampleKind::Float);
    QCOMPARE(d.BytesPerFrame(), channels * 4);
    std::vector<float> all;
    std::vector<float> buf(1000 * size_t(channels));
    qint64 n;
    while ((n = d.Read(buf.data(), 1000)) > 0)
        all.insert(all.end(), buf.begin(), buf.begin() + n * channels);
    QCOMPARE(n, qint64(0));
    const qint64 frames = qint64(all.size()) / channels;
    QVERIFY2(qAbs(frames - 2 * rate) <= rate / 1000 + 2, qPrintable(QString::number(frames)));
    // Still a 440 Hz tone: count the upward zero crossings of the first channel.
    int crossings = 0;
    for (qint64 i = 1; i < frames; ++i)
        if (all[size_t((i - 1) * channels)] < 0 && all[size_t(i * channels)] >= 0) ++crossings;
    QVERIFY2(qAbs(crossings - 880) <= 2, qPrintable(QString::number(crossings)));
}

void tst_decoder::endOfStream() {
    AudioDecoder d;
    QVERIFY(d.Open(file("chirp.wav")));
    QCOMPARE(d.SourceRate(), 44100);
    QCOMPARE(d.SourceChannels(), 2);
    QCOMPARE(d.DurationMs(), qint64(4000));
    bool failed = false;
    QCOMPARE(qint64(ReadAll(d, &failed).size()), qint64(4 * 44100 * 2));
    QVERIFY(!failed);
    qint16 buf[64];
    QCOMPARE(d.Read(buf, 32), qint64(0)); // and stays at the end
    QCOMPARE(d.Read(buf, 32), qint64(0));
    // A seek back after the end reads again.
    QVERIFY(d.Seek(3000));
    QCOMPARE(qint64(ReadAll(d).size()), qint64(44100 * 2));
}

void tst_decoder::damagedInput_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("cutAt");      // bytes kept (0: all)
    QTest::addColumn<int>("noiseAt");    // where 20,000 random bytes overwrite the file (0: none)
    QTest::addColumn<double>("atLeast"); // seconds that must still decode
    QTest::newRow("MP3, noise in the middle") << "chirp.mp3" << 0 << 40000 << 2.5;
    QTest::newRow("OGG, noise in the middle") << "chirp.ogg" << 0 << 20000 << 2.0;
    QTest::newRow("WAV cut short") << "chirp.wav" << 300000 << 0 << 1.6;
    QTest::newRow("MP3 cut short") << "chirp.mp3" << 50000 << 0 << 1.5;
    QTest::newRow("FLAC, noise in the middle") << "chirp.flac" << 0 << 100000 << 1.0;
}

void tst_decoder::damagedInput() {
    QFETCH(QString, name);
    QFETCH(int, cutAt);
    QFETCH(int, noiseAt);
    QFETCH(double, atLeast);
    QFile in(file(name));
    QVERIFY(in.open(QIODevice::ReadOnly));
    QByteArray data = in.readAll();
    if (cutAt) data.truncate(cutAt);
    if (noiseAt) {
        std::mt19937 rng(7);
        for (int i = 0; i < 20000 && noiseAt + i < data.size(); ++i)
            data[noiseAt + i] = char(rng());
    }
    const QString damaged = file("damaged." + QFileInfo(name).suffix());
    QFile out(damaged);
    QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
    out.write(data);
    out.close();

    AudioDecoder d;
    QVERIFY2(d.Open(damaged), qPrintable(d.ErrorText()));
    bool failed = false;
    const std::vector<qint16> all = ReadAll(d, &failed);
    QVERIFY(!failed);
    QVERIFY2(double(all.size()) / 2 / 44100 >= atLeast, qPrintable(QString::number(all.size())));
    QVERIFY(double(all.size()) / 2 / 44100 <= 4.1);
}

void tst_decoder::refusedFiles_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("error");
    QTest::newRow("empty") << QByteArray() << "The file is empty.";
    QTest::newRow("text") << QByteArray("Nothing to hear here.\n").repeated(50)
                          << "The file is not a known audio format";
    QTest::newRow("missing") << QByteArray("-") << "The file does not exist.";
    // Resampling from it down to any usable rate asked for 1.6 GB.
    QTest::newRow("a billion samples a second")
        << WavAtRate(1044414464, 1700)
        << "The file's sample rate (1044414464 Hz) is higher than the 768000 Hz";
    QTest::newRow("just above the highest rate")
        << WavAtRate(768001, 1700) << "The file's sample rate (768001 Hz) is higher than the 768000 Hz";
}

void tst_decoder::refusedFiles() {
    QFETCH(QByteArray, content);
    QFETCH(QString, error);
    const QString path = file("refused.mp3");
    QFile::remove(path);
    if (content != "-") {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
    }
    AudioDecoder d;
    QVERIFY(!d.Open(path));
    QVERIFY(!d.IsOpen());
    QVERIFY2(d.ErrorText().startsWith(error), qPrintable(d.ErrorText()));
    qint16 buf[8];
    QCOMPARE(d.Read(buf, 4), qint64(-1));
}

// The highest rate a file may have still opens and comes down to CD and telephone rates.
void tst_decoder::highestRate() {
    const QString path = file("highest.wav");
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(WavAtRate(768000, 76800)); // a tenth of a second
    f.close();
    for (const int rate : {44100, 8000}) {
        AudioDecoder d;
        QVERIFY2(d.Open(path), qPrintable(d.ErrorText()));
        QCOMPARE(d.SourceRate(), 768000);
        d.SetOutput(rate, 1, SampleKind::S16);
        bool failed = false;
        const std::vector<qint16> all = ReadAll(d, &failed);
        QVERIFY(!failed);
        QVERIFY2(qAbs(qint64(all.size()) - rate / 10) <= rate / 100, qPrintable(QString::number(all.size())));
    }
}

void tst_decoder::soiledStack_data() {
    QTest::addColumn<QStringList>("parts"); // MP3 files joined byte for byte
    QTest::addColumn<qint64>("frames");     // half a second each, read at 44100 Hz
    const QString mono = "mono 22050";
    const QString stereo = "stereo 44100";
    QTest::newRow("mono") << QStringList{mono} << qint64(22050);
    QTest::newRow("stereo") << QStringList{stereo} << qint64(22050);
    // The resampler is made anew where the stream changes its layout.
    QTest::newRow("mono, then stereo") << QStringList{mono, stereo} << qint64(44100);
    QTest::newRow("stereo, then mono") << QStringList{stereo, mono} << qint64(44100);
}

// Small MP3s decode the same whatever the stack held before.
void tst_decoder::soiledStack() {
    QFETCH(QStringList, parts);
    QFETCH(qint64, frames);
    QByteArray joined;
    for (const QString& part : parts) {
        const QString out = file(QString(part).replace(' ', '_') + ".mp3");
        const QStringList shape = part.split(' ');
        if (!QFile::exists(out))
            QVERIFY(testsupport::runFfmpeg({"-f", "lavfi", "-i", "sine=frequency=440:duration=0.5", "-ac",
                                            shape[0] == "mono" ? "1" : "2", "-ar", shape[1], "-c:a",
                                            "libmp3lame", "-b:a", "32k", out}));
        QFile f(out);
        QVERIFY(f.open(QIODevice::ReadOnly));
        joined += f.readAll();
    }
    const QString path = file("joined.mp3");
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(joined);
    f.close();

    AudioDecoder d;
    QVERIFY2(d.Open(path), qPrintable(d.ErrorText()));
    d.SetOutput(44100, 2, SampleKind::S16);
    qint64 total = 0;
    std::vector<qint16> buf(2 * 512);
    for (;;) {
        SoilStack();
        const qint64 n = d.Read(buf.data(), 512);
        QVERIFY2(n >= 0, qPrintable(d.ErrorText()));
        if (n == 0) break;
        total += n;
    }
    // The encoder's delay and padding add up to a few frames of 1152 samples per part.
    QVERIFY2(total >= frames && total <= frames + 4000 * parts.size(), qPrintable(QString::number(total)));
}

QTEST_GUILESS_MAIN(tst_decoder)
#include "tst_decoder.moc"
