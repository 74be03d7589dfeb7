// Small files whose headers ask a reader to spend without bound: WAV files
// claiming thousands of channels, and files whose cover picture claims
// 16000 x 16000 pixels. Each is refused or read at once, and the process's
// peak memory barely moves (the faults cost gigabytes).
#include "components/AudioDecoder.h"
#include "components/AudioLimits.h"
#include "components/WavFile.h"
#include "components/cAudioConverter.h"
#include "components/cAudioEditor.h"
#include "components/cAudioJoin.h"

#include "MediaTools.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <sys/resource.h>
#include <unistd.h>

using components::AudioDecoder;
using components::cAudioConverter;

namespace {

// The process's highest resident size so far, and its resident size now, in KB.
qint64 PeakKb() {
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    return ru.ru_maxrss;
}
qint64 ResidentKb() {
    QFile statm("/proc/self/statm");
    if (!statm.open(QIODevice::ReadOnly)) return PeakKb();
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLongLong() * (sysconf(_SC_PAGESIZE) / 1024) : PeakKb();
}
// CPU time of the whole process (worker threads included), in seconds.
double CpuSeconds() {
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    return double(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
           double(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
}

// How far the peak resident size rose above what was resident when it was made.
struct Spend {
    qint64 startKb = ResidentKb();
    double startCpu = CpuSeconds();
    qint64 grownKb() const { return PeakKb() - startKb; }
    double cpu() const { return CpuSeconds() - startCpu; }
};

void U16(QByteArray& b, quint16 v) {
    char c[2];
    qToLittleEndian(v, c);
    b.append(c, 2);
}
void U32(QByteArray& b, quint32 v) {
    char c[4];
    qToLittleEndian(v, c);
    b.append(c, 4);
}

// A WAV file of `frames` silent frames; `extra` chunks follow the data.
QByteArray Wav(quint16 tag, quint16 channels, quint16 bits, qint64 frames, const QByteArray& extra = {}) {
    const quint16 align = quint16(channels * bits / 8);
    QByteArray fmt;
    U16(fmt, tag);
    U16(fmt, channels);
    U32(fmt, 8000);
    U32(fmt, 8000u * align);
    U16(fmt, align);
    U16(fmt, bits);
    const QByteArray pcm(qsizetype(frames * align), tag == 1 && bits == 8 ? '\x80' : '\0');
    QByteArray out("RIFF");
    U32(out, quint32(4 + 8 + fmt.size() + 8 + pcm.size() + extra.size()));
    out += "WAVEfmt ";
    U32(out, quint32(fmt.size()));
    out += fmt;
    out += "data";
    U32(out, quint32(pcm.size()));
    out += pcm + extra;
    return out;
}

// An ID3v2.3 tag holding one front cover: a GIF of one pixel on a canvas of
// 16000 x 16000, which a decoder fills (a gigabyte) before drawing the pixel.
QByteArray HugeCoverTag() {
    QByteArray gif("GIF89a");
    U16(gif, 16000);
    U16(gif, 16000);
    gif += QByteArray("\x80\x00\x00\x00\x00\x00\xff\xff\xff", 9); // global palette of two colours
    gif += ',';
    for (quint16 v : {0, 0, 1, 1})
        U16(gif, v);
    gif += QByteArray("\x00\x02\x02\x44\x01\x00;", 8);
    const QByteArray body = QByteArray("\x00image/gif\x00\x03\x00", 13) + gif;
    QByteArray frame("APIC");
    for (int shift : {24, 16, 8, 0})
        frame += char((body.size() >> shift) & 0xff);
    frame += QByteArray(2, '\0') + body;
    QByteArray tag("ID3\x03\x00\x00", 6);
    for (int shift : {21, 14, 7, 0})
        tag += char((frame.size() >> shift) & 0x7f);
    return tag + frame;
}

bool Write(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// Runs one join of `path` to WAV and returns the error it ended with (empty when it succeeded).
QString JoinError(const QString& path, const QString& destination) {
    components::cAudioJoin join;
    QString error;
    bool ended = false;
    QObject::connect(&join, &components::cAudioJoin::Error, &join, [&](qint32, const QString& text) {
        error = text;
        ended = true;
    });
    QObject::connect(&join, &components::cAudioJoin::Done, &join, [&] { ended = true; });
    join.setOutputFormat(1);
    join.SetWAVSettings(components::tWAVSettings{8000, 1, 16});
    join.AddFile(path, -1, -1);
    join.setDestinationFile(destination);
    join.StartJoin();
    if (!QTest::qWaitFor([&] { return ended; }, 120000)) return QStringLiteral("no end");
    return error;
}

} // namespace

class tst_costly_files : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void analyserBuffersFitTheFile();
    void manyChannels_data();
    void manyChannels();
    void hugeCover_data();
    void hugeCover();
    void tooManyStreams();

private:
    QString file(const QString& name) const { return m_dir.filePath(name); }
    QTemporaryDir m_dir;
};

void tst_costly_files::initTestCase() {
    QVERIFY(m_dir.isValid());
    // Loads FFmpeg and warms every reader up, so that what the cases measure is theirs.
    QVERIFY(Write(file("warm.wav"), Wav(1, 2, 16, 8000)));
    AudioDecoder d;
    QVERIFY2(d.Open(file("warm.wav")), qPrintable(d.ErrorText()));
    cAudioConverter c;
    QCOMPARE(c.OpenSource(file("warm.wav")), qint32(cAudioConverter::OpenOk));
    QVERIFY(JoinError(file("warm.wav"), file("warm-joined.wav")).isEmpty());
    components::cAudioEditor e;
    QVERIFY(e.LoadFile(file("warm.wav")));
    QVERIFY(QTest::qWaitFor([&] { return e.PeaksReady(); }, 60000));
}

// The peak scan of a short file holds buffers for the frames it has, not
// for a quarter of a million of its widest frames (24 MB at 8 channels of 64 bits).
void tst_costly_files::analyserBuffersFitTheFile() {
    QVERIFY(Write(file("wide.wav"), Wav(3, components::kMaxChannels, 64, 500)));
    const Spend spend;
    components::cAudioEditor e;
    QVERIFY2(e.LoadFile(file("wide.wav")), qPrintable(e.ErrorText()));
    QVERIFY(QTest::qWaitFor([&] { return e.PeaksReady(); }, 60000));
    QVERIFY2(spend.grownKb() < 8 * 1024, qPrintable(QString::number(spend.grownKb())));
    const auto peaks = e.Peaks(components::kMaxChannels - 1, 0, 500, 2);
    QCOMPARE(peaks.size(), size_t(2));
    QCOMPARE(peaks[0].first, 0.0f);
}

void tst_costly_files::manyChannels_data() {
    QTest::addColumn<int>("channels");
    QTest::addColumn<int>("bits");
    QTest::addColumn<int>("frames");
    QTest::addColumn<bool>("usable");
    QTest::newRow("65535 channels, 131 KB") << 65535 << 8 << 2 << false;
    QTest::newRow("1024 channels, 300 frames") << 1024 << 16 << 300 << false;
    QTest::newRow("one channel too many") << components::kMaxChannels + 1 << 16 << 300 << false;
    QTest::newRow("the most channels") << components::kMaxChannels << 16 << 300 << true;
}

// Every reader of the header (the analyser's, the decoder's that the joiner,
// player and converter use, and the probe that adds files to lists) refuses
// channels it cannot use before sizing anything by them, and says why.
void tst_costly_files::manyChannels() {
    QFETCH(int, channels);
    QFETCH(int, bits);
    QFETCH(int, frames);
    QFETCH(bool, usable);
    const QString path = file("channels.wav");
    QVERIFY(Write(path, Wav(1, quint16(channels), quint16(bits), frames)));
    const QString said =
        QStringLiteral("%1 channels; at most %2").arg(channels).arg(components::kMaxChannels);
    const Spend spend;

    components::WavLayout layout;
    QString why;
    QCOMPARE(components::ReadWavLayout(path, &layout, &why), usable);
    components::cAudioEditor editor;
    QCOMPARE(editor.LoadFile(path), usable);
    if (usable) {
        QCOMPARE(layout.channels, channels);
        QVERIFY(QTest::qWaitFor([&] { return editor.PeaksReady(); }, 60000));
    } else {
        QVERIFY2(why.contains(said), qPrintable(why));
        QCOMPARE(editor.ErrorText(), why);
    }

    AudioDecoder d;
    QCOMPARE(d.Open(path), usable);
    if (usable) QCOMPARE(d.SourceChannels(), channels);
    // FFmpeg itself refuses more than a few hundred channels, in its own words.
    if (!usable && channels < 256) QVERIFY2(d.ErrorText().contains(said), qPrintable(d.ErrorText()));

    cAudioConverter c;
    const qint32 opened = c.OpenSource(path);
    QCOMPARE(opened == cAudioConverter::OpenOk, usable);
    if (!usable && channels < 256) QCOMPARE(opened, qint32(cAudioConverter::OpenTooManyChannels));

    const QString joinError = JoinError(path, file("joined.wav"));
    QCOMPARE(joinError.isEmpty(), usable);
    if (!usable && channels < 256) QVERIFY2(joinError.contains(said), qPrintable(joinError));

    QVERIFY2(spend.grownKb() < 48 * 1024, qPrintable(QString::number(spend.grownKb())));
}

void tst_costly_files::hugeCover_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("channels");
    // The cover in a chunk of its own after the samples.
    QByteArray tag = HugeCoverTag();
    if (tag.size() & 1) tag += '\0';
    QByteArray chunk("ID3 ");
    U32(chunk, quint32(tag.size()));
    QTest::newRow("WAV") << Wav(1, 1, 16, 2, chunk + tag) << 1;
    // The cover in the tag before the frames: twelve MPEG-1 layer 3 frames of silence, 32 kbit/s, 32 kHz,
    // mono.
    QByteArray mp3;
    for (int i = 0; i < 12; ++i)
        mp3 += QByteArray("\xff\xfb\x18\xc4", 4) + QByteArray(140, '\0');
    QTest::newRow("MP3") << HugeCoverTag() + mp3 << 1;
}

// A picture in a file is never decoded to learn about it: the audio opens
// at once and the picture costs nothing.
void tst_costly_files::hugeCover() {
    QFETCH(QByteArray, content);
    QFETCH(int, channels);
    // No extension: the file's content alone says what it is, as for a file dropped on a list.
    const QString path = file("cover");
    QVERIFY(Write(path, content));
    const Spend spend;

    AudioDecoder d;
    QVERIFY2(d.Open(path), qPrintable(d.ErrorText()));
    QCOMPARE(d.SourceChannels(), channels);
    std::vector<qint16> buf(4096 * 2);
    while (d.Read(buf.data(), 4096) > 0) {
    }
    cAudioConverter c;
    QCOMPARE(c.OpenSource(path), qint32(cAudioConverter::OpenOk));
    QVERIFY(c.ReadTags(path));

    QVERIFY2(spend.grownKb() < 48 * 1024, qPrintable(QString::number(spend.grownKb())));
    // Decoding the picture took seconds of CPU time; reading the file takes a moment.
    QVERIFY2(spend.cpu() < 3.0, qPrintable(QString::number(spend.cpu())));
}

// Each stream of a file costs a decoder while it is examined; a file of more
// streams than any audio file has is refused, and said to be.
void tst_costly_files::tooManyStreams() {
    const QString path = file("streams.ogg");
    QStringList args{"-f", "lavfi", "-i", "sine=duration=0.05"};
    for (int i = 0; i < 20; ++i)
        args << "-map"
             << "0:a";
    QVERIFY(testsupport::runFfmpeg(args + QStringList{"-c:a", "libvorbis", path}));
    AudioDecoder d;
    QVERIFY(!d.Open(path));
    QCOMPARE(d.ErrorText(), "The file cannot be read within the limits set for opening one.");
    cAudioConverter c;
    QCOMPARE(c.OpenSource(path), qint32(cAudioConverter::OpenBeyondBounds));
}

QTEST_GUILESS_MAIN(tst_costly_files)
#include "tst_costly_files.moc"
