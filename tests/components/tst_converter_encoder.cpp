// The encoder on its own: PCM in, each output format out, the file only under
// its final name once finished.
#include "ConverterTools.h"
#include "components/AudioEncoder.h"
#include "components/ConverterCodecs.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

using components::AudioEncoder;
using components::EncoderSetup;
using components::EncoderTags;
using components::SampleKind;

namespace {

// One second of a 440 Hz tone per call, 16-bit interleaved.
std::vector<qint16> Tone(int rate, int channels, double seconds) {
    std::vector<qint16> pcm(size_t(rate * seconds) * size_t(channels));
    for (size_t i = 0; i < pcm.size() / size_t(channels); ++i)
        for (int c = 0; c < channels; ++c)
            pcm[i * size_t(channels) + size_t(c)] =
                qint16(8000 * std::sin(2 * M_PI * 440 * double(i) / rate));
    return pcm;
}

// One second each of white noise (which wants every bit the encoder may spend),
// digital silence (which wants none) and a tone, 44100 Hz 16-bit stereo.
std::vector<qint16> NoiseSilenceTone() {
    constexpr int rate = 44100;
    std::vector<qint16> pcm(size_t(rate) * 3 * 2, 0);
    quint32 seed = 12345;
    for (size_t i = 0; i < size_t(rate) * 2; ++i) {
        seed = seed * 1664525u + 1013904223u;
        pcm[i] = qint16(int(seed >> 16) - 32768);
    }
    for (size_t i = size_t(rate) * 2; i < size_t(rate) * 4; ++i)
        pcm[i] = 0;
    for (size_t i = 0; i < size_t(rate); ++i)
        pcm[size_t(rate) * 4 + 2 * i] = pcm[size_t(rate) * 4 + 2 * i + 1] =
            qint16(8000 * std::sin(2 * M_PI * 440 * double(i) / rate));
    return pcm;
}

QStringList FilesIn(const QString& dir) {
    return QDir(dir).entryList(QDir::Files | QDir::Hidden);
}

} // namespace

class tst_converter_encoder : public QObject {
    Q_OBJECT
private slots:
    void formats_data();
    void formats();
    void mp3Fields_data();
    void mp3Fields();
    void everyListedFormatEncodes();
    void cancelAndDestructionLeaveNothing();
    void refusedSettings_data();
    void refusedSettings();
    void replacesAnExistingDestination();
};

void tst_converter_encoder::formats_data() {
    QTest::addColumn<EncoderSetup>("setup");
    QTest::addColumn<QString>("container");
    QTest::addColumn<QString>("codec");
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("channels");

    EncoderSetup wav;
    wav.OutputFormat = 1;
    wav.WAV = {22050, 1, 8};
    QTest::newRow("WAV 22050 mono 8") << wav << "wav"
                                      << "pcm_u8" << 22050 << 1;
    wav.WAV = {44100, 2, 16};
    QTest::newRow("WAV 44100 stereo 16") << wav << "wav"
                                         << "pcm_s16le" << 44100 << 2;

    EncoderSetup mp3;
    mp3.OutputFormat = 3;
    mp3.MP3.Bitrate = 128;
    mp3.MP3.Quality = 5;
    mp3.MP3.SampleRate = 44100;
    QTest::newRow("MP3 CBR") << mp3 << "mp3"
                             << "mp3" << 44100 << 2;
    mp3.MP3.Mode = 3;
    mp3.MP3.SampleRate = 22050;
    QTest::newRow("MP3 mono 22050") << mp3 << "mp3"
                                    << "mp3" << 22050 << 1;

    EncoderSetup wma;
    wma.OutputFormat = 4;
    QTest::newRow("WMA") << wma << "asf"
                         << "wmav2" << 44100 << 2;

    EncoderSetup ogg;
    ogg.OutputFormat = 5;
    ogg.OGG = {0, 0, 50};
    QTest::newRow("OGG") << ogg << "ogg"
                         << "vorbis" << 44100 << 2;

    EncoderSetup acm;
    acm.OutputFormat = 2;
    acm.ACMTag = "IMA ADPCM";
    acm.ACMFormat = "22050 Hz, 4 Bit, Mono";
    QTest::newRow("ACM IMA ADPCM") << acm << "wav"
                                   << "adpcm_ima_wav" << 22050 << 1;
}

void tst_converter_encoder::formats() {
    QFETCH(EncoderSetup, setup);
    QFETCH(QString, container);
    QFETCH(QString, codec);
    QFETCH(int, rate);
    QFETCH(int, channels);

    QTemporaryDir dir;
    const QString dest = dir.filePath("out.bin");
    const auto pcm = Tone(44100, 2, 2.0);
    AudioEncoder enc;
    QVERIFY2(enc.Open(dest, setup, EncoderTags{}, 44100, 2, SampleKind::S16), qPrintable(enc.ErrorText()));
    // The work happens under a hidden temporary name in the same folder.
    QCOMPARE(FilesIn(dir.path()).size(), 1);
    QVERIFY(FilesIn(dir.path()).first().startsWith(".out.bin.part-"));
    QVERIFY(!QFile::exists(dest));
    QVERIFY(enc.Write(pcm.data(), qint64(pcm.size() / 2)));
    QVERIFY2(enc.Finish(), qPrintable(enc.ErrorText()));
    QCOMPARE(FilesIn(dir.path()), QStringList{"out.bin"});

    const convtest::Probe p = convtest::probe(dest);
    QVERIFY(p.ok);
    QCOMPARE(p.container, container);
    QCOMPARE(p.codec, codec);
    QCOMPARE(p.rate, rate);
    QCOMPARE(p.channels, channels);
    QVERIFY2(std::abs(p.seconds - 2.0) <= 0.1, qPrintable(QString::number(p.seconds)));
}

// Every field of the MP3 record shows in the frames written: bit rates (CBR,
// VBR and ABR inside their limits), channel mode, CRC, copyright and original
// bits, and the VBR tag frame.
void tst_converter_encoder::mp3Fields_data() {
    QTest::addColumn<components::tMP3Settings>("m");
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("cbrKbps");   // every frame at this rate; 0: variable
    QTest::addColumn<int>("minKbps");   // no frame below (with the hard minimum)
    QTest::addColumn<int>("maxKbps");   // no frame above
    QTest::addColumn<bool>("belowMin"); // some frame (silence) below the soft minimum
    QTest::addColumn<int>("channelMode");
    QTest::addColumn<QString>("vbrTag"); // "Xing", "Info" or none

    components::tMP3Settings cbr;
    cbr.Bitrate = 192;
    cbr.SampleRate = 44100;
    cbr.Quality = 5;
    cbr.ErrorProtect = cbr.Copyright = cbr.StrictISO = -1;
    QTest::newRow("CBR 192, stereo, CRC, copyright, strict ISO")
        << cbr << 44100 << 192 << 0 << 320 << false << 0 << QString();
    cbr = {};
    cbr.Bitrate = 128;
    cbr.Mode = 1;
    cbr.Original = cbr.WriteVBRTag = -1;
    QTest::newRow("CBR 128, joint stereo, original, Info tag")
        << cbr << 44100 << 128 << 0 << 320 << false << 1 << QString("Info");
    cbr.Mode = 2;
    cbr.WriteVBRTag = 0;
    cbr.ErrorProtect = -1;
    QTest::newRow("CBR 128, dual channel, CRC") << cbr << 44100 << 128 << 0 << 320 << false << 2 << QString();
    cbr.Mode = 5;
    QTest::newRow("CBR 128, forced joint stereo")
        << cbr << 44100 << 128 << 0 << 320 << false << 1 << QString();
    cbr = {};
    cbr.Bitrate = 64;
    cbr.Mode = 3;
    cbr.SampleRate = 22050;
    QTest::newRow("CBR 64, mono, 22050 Hz") << cbr << 22050 << 64 << 0 << 160 << false << 3 << QString();

    components::tMP3Settings vbr;
    vbr.VBRMethod = 4;
    vbr.WriteVBRTag = -1;
    vbr.VBRQuality = 0;
    vbr.MinBitrate = 9;  // 96
    vbr.MaxBitrate = 13; // 160
    vbr.VBRForceMinBitrate = -1;
    vbr.Copyright = vbr.Original = -1;
    vbr.Mode = 4; // not set: the encoder picks joint stereo
    QTest::newRow("VBR 96 to 160, hard minimum, mode not set, Xing tag")
        << vbr << 44100 << 0 << 96 << 160 << false << 1 << QString("Xing");
    vbr.VBRForceMinBitrate = 0;
    vbr.WriteVBRTag = 0;
    vbr.Mode = 0;
    QTest::newRow("VBR 96 to 160, soft minimum, no tag")
        << vbr << 44100 << 0 << 0 << 160 << true << 0 << QString();
    vbr.MinBitrate = 0;
    vbr.MaxBitrate = 18;
    vbr.WriteVBRTag = -1;
    // Without the limit the noise takes more than 160 kbps: the rows above show the limit at work.
    QTest::newRow("VBR up to 320") << vbr << 44100 << 0 << 0 << 320 << true << 0 << QString("Xing");

    components::tMP3Settings abr;
    abr.VBRMethod = 3;
    abr.ABRBitrate = 128;
    abr.MinBitrate = 10; // 112
    abr.MaxBitrate = 13; // 160
    abr.VBRForceMinBitrate = -1;
    abr.WriteVBRTag = -1;
    abr.ErrorProtect = -1;
    QTest::newRow("ABR 128 within 112 to 160, CRC")
        << abr << 44100 << 0 << 112 << 160 << false << 0 << QString("Xing");
}

void tst_converter_encoder::mp3Fields() {
    QFETCH(components::tMP3Settings, m);
    QFETCH(int, rate);
    QFETCH(int, cbrKbps);
    QFETCH(int, minKbps);
    QFETCH(int, maxKbps);
    QFETCH(bool, belowMin);
    QFETCH(int, channelMode);
    QFETCH(QString, vbrTag);

    QTemporaryDir dir;
    const QString dest = dir.filePath("fields.mp3");
    EncoderSetup setup;
    setup.OutputFormat = 3;
    setup.MP3 = m;
    const auto pcm = NoiseSilenceTone();
    AudioEncoder enc;
    QVERIFY2(enc.Open(dest, setup, EncoderTags{}, 44100, 2, SampleKind::S16), qPrintable(enc.ErrorText()));
    QVERIFY(enc.Write(pcm.data(), qint64(pcm.size() / 2)));
    QVERIFY2(enc.Finish(), qPrintable(enc.ErrorText()));

    std::vector<convtest::Mp3Frame> frames = convtest::mp3Frames(dest);
    QVERIFY(frames.size() > 50);
    const QByteArray first = frames.front().data;
    const QString tag = first.contains("Xing") ? "Xing" : first.contains("Info") ? "Info" : QString();
    QCOMPARE(tag, vbrTag);
    if (!tag.isEmpty()) frames.erase(frames.begin()); // the tag frame carries no audio
    int lowest = 1000, highest = 0;
    for (const convtest::Mp3Frame& f : frames) {
        QCOMPARE(f.rate, rate);
        QCOMPARE(f.channelMode, channelMode);
        QCOMPARE(f.crc, bool(m.ErrorProtect));
        QCOMPARE(f.copyright, bool(m.Copyright));
        QCOMPARE(f.original, bool(m.Original));
        if (cbrKbps) QCOMPARE(f.kbps, cbrKbps);
        lowest = std::min(lowest, f.kbps);
        highest = std::max(highest, f.kbps);
    }
    const QString seen = QStringLiteral("frames from %1 to %2 kbps").arg(lowest).arg(highest);
    QVERIFY2(highest <= maxKbps, qPrintable(seen));
    QVERIFY2(lowest >= minKbps, qPrintable(seen));
    if (belowMin) QVERIFY2(lowest < 96, qPrintable(seen));
    if (!cbrKbps && maxKbps == 320) QVERIFY2(highest > 160, qPrintable(seen));

    // The length is right: from the tag's frame count, or the constant bit rate.
    if (cbrKbps || !tag.isEmpty()) {
        const convtest::Probe p = convtest::probe(dest);
        QVERIFY2(std::abs(p.seconds - 3.0) <= 0.1, qPrintable(QString::number(p.seconds)));
    }
}

// What the settings dialog offers must be what comes out, for every entry of
// the WAV-codec and WMA lists.
void tst_converter_encoder::everyListedFormatEncodes() {
    QTemporaryDir dir;
    const auto pcm = Tone(44100, 2, 0.3);
    auto check = [&](const EncoderSetup& setup, const QString& what, int rate, int channels) {
        const QString dest = dir.filePath("list.out");
        AudioEncoder enc;
        if (!enc.Open(dest, setup, {}, 44100, 2, SampleKind::S16) ||
            !enc.Write(pcm.data(), qint64(pcm.size() / 2)) || !enc.Finish())
            return what + ": " + enc.ErrorText();
        // Read back through FFmpeg's demuxers in-process: ffprobe for each of the
        // hundred-odd entries would take most of a minute.
        components::AudioDecoder back;
        if (!back.Open(dest)) return what + ": " + back.ErrorText();
        if (back.SourceRate() != rate || back.SourceChannels() != channels)
            return what + QStringLiteral(": written as %1 Hz, %2 channels")
                              .arg(back.SourceRate())
                              .arg(back.SourceChannels());
        return QString();
    };
    for (const auto& tag : components::codecs::AcmTags())
        for (const auto& f : tag.formats) {
            EncoderSetup setup;
            setup.OutputFormat = 2;
            setup.ACMTag = tag.name;
            setup.ACMFormat = components::codecs::AcmFormatName(tag, f);
            const QString failure = check(setup, tag.name + ", " + setup.ACMFormat, f.sampleRate, f.channels);
            QVERIFY2(failure.isEmpty(), qPrintable(failure));
        }
    const auto& wma = components::codecs::WmaCodecs();
    for (size_t c = 0; c < wma.size(); ++c)
        for (size_t i = 0; i < wma[c].formats.size(); ++i) {
            EncoderSetup setup;
            setup.OutputFormat = 4;
            setup.WMA = {qint32(c), qint32(i)};
            const auto& f = wma[c].formats[i];
            const QString failure = check(setup, wma[c].name + ", " + components::codecs::WmaFormatName(f),
                                          f.sampleRate, f.channels);
            QVERIFY2(failure.isEmpty(), qPrintable(failure));
        }
}

void tst_converter_encoder::cancelAndDestructionLeaveNothing() {
    QTemporaryDir dir;
    EncoderSetup setup;
    setup.OutputFormat = 3;
    const auto pcm = Tone(44100, 2, 0.5);
    {
        AudioEncoder enc;
        QVERIFY(enc.Open(dir.filePath("a.mp3"), setup, {}, 44100, 2, SampleKind::S16));
        QVERIFY(enc.Write(pcm.data(), qint64(pcm.size() / 2)));
        enc.Cancel();
        QVERIFY(FilesIn(dir.path()).isEmpty());
        QVERIFY(enc.Open(dir.filePath("b.mp3"), setup, {}, 44100, 2, SampleKind::S16));
        QVERIFY(enc.Write(pcm.data(), qint64(pcm.size() / 2)));
    } // destroyed unfinished
    QVERIFY(FilesIn(dir.path()).isEmpty());
}

void tst_converter_encoder::refusedSettings_data() {
    QTest::addColumn<EncoderSetup>("setup");
    QTest::addColumn<int>("failure");
    QTest::addColumn<QString>("text");
    EncoderSetup ape;
    ape.OutputFormat = 6;
    QTest::newRow("APE") << ape << int(AudioEncoder::Failure::NotSupported)
                         << "APE encoding is not available in this version.";
    EncoderSetup acm;
    acm.OutputFormat = 2;
    acm.ACMTag = "PCM";
    acm.ACMFormat = "1 Hz, 3 Bit, Mono";
    QTest::newRow("ACM unknown format")
        << acm << int(AudioEncoder::Failure::Settings)
        << "The WAV codec \"PCM\" with the format \"1 Hz, 3 Bit, Mono\" is not available.";
    EncoderSetup wma;
    wma.OutputFormat = 4;
    wma.WMA = {7, 0};
    QTest::newRow("WMA codec out of range")
        << wma << int(AudioEncoder::Failure::Settings) << "The WMA codec or format chosen is not available.";
    EncoderSetup wav;
    wav.OutputFormat = 1;
    wav.WAV = {44100, 2, 12};
    EncoderSetup ogg;
    ogg.OutputFormat = 5;
    ogg.OGG = {2, 32, 0};
    QTest::newRow("OGG bit rate too low for the source")
        << ogg << int(AudioEncoder::Failure::Settings)
        << "Ogg Vorbis cannot be encoded at 44100 Hz stereo with 32 kbps.";
    EncoderSetup mp3;
    mp3.OutputFormat = 3;
    mp3.MP3.VBRMethod = 4;
    mp3.MP3.MinBitrate = 15;
    mp3.MP3.MaxBitrate = 11;
    QTest::newRow("MP3 VBR minimum above maximum")
        << mp3 << int(AudioEncoder::Failure::Settings)
        << "The minimum VBR bit rate (192 kbps) is above the maximum (128 kbps).";
    mp3.MP3.VBRMethod = 3;
    mp3.MP3.MinBitrate = 9;
    mp3.MP3.MaxBitrate = 19;
    QTest::newRow("MP3 ABR maximum not in the list")
        << mp3 << int(AudioEncoder::Failure::Settings)
        << "The maximum VBR bit rate (list position 19) is not in the bit-rate list.";
    QTest::newRow("WAV 12 bits") << wav << int(AudioEncoder::Failure::Settings)
                                 << "WAV files of 12 bits per sample cannot be written.";
}

void tst_converter_encoder::refusedSettings() {
    QFETCH(EncoderSetup, setup);
    QFETCH(int, failure);
    QFETCH(QString, text);
    QTemporaryDir dir;
    AudioEncoder enc;
    QVERIFY(!enc.Open(dir.filePath("x.out"), setup, {}, 44100, 2, SampleKind::S16));
    QCOMPARE(int(enc.ErrorKind()), failure);
    QCOMPARE(enc.ErrorText(), text);
    QVERIFY(FilesIn(dir.path()).isEmpty());
}

void tst_converter_encoder::replacesAnExistingDestination() {
    QTemporaryDir dir;
    const QString dest = dir.filePath("old.wav");
    {
        QFile f(dest);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("not audio");
    }
    EncoderSetup setup;
    setup.WAV = {8000, 1, 16};
    const auto pcm = Tone(8000, 1, 1.0);
    AudioEncoder enc;
    QVERIFY(enc.Open(dest, setup, {}, 8000, 1, SampleKind::S16));
    QVERIFY(enc.Write(pcm.data(), qint64(pcm.size())));
    // Until Finish the old file is untouched.
    QCOMPARE(QFileInfo(dest).size(), 9);
    QVERIFY(enc.Finish());
    const convtest::Probe p = convtest::probe(dest);
    QCOMPARE(p.codec, QStringLiteral("pcm_s16le"));
    QCOMPARE(p.seconds, 1.0);
    QVERIFY(QFileInfo(dest).permissions() & QFileDevice::ReadOther);
}

QTEST_GUILESS_MAIN(tst_converter_encoder)
#include "tst_converter_encoder.moc"
