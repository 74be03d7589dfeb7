// The converter's converting half: generated sources of each kind through
// every output format (checked with ffprobe and mutagen), ranges, bad sources,
// abort, and the one-terminal-event rules the batch run relies on.
#include "ConverterTools.h"
#include "components/ConverterCodecs.h"
#include "components/cAudioConverter.h"

#include "MediaTools.h"
#include "TestEnv.h"

#include <QCryptographicHash>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

extern "C" {
#include <libavcodec/avcodec.h>
}

#include <functional>
#include <memory>

using components::cAudioConverter;
using components::tMP3Settings;
using components::tOGGSettings;
using components::tWAVSettings;
using components::tWMASettings;

namespace {

// An output format with its settings, as the windows hand it over.
struct Target {
    QString name;
    std::function<void(cAudioConverter&)> apply;
    QString container, codec;
    int rate = 0, channels = 0; // 0: as the source
};

// Records the events of one converter in arrival order.
struct Recorder {
    QStringList terminals;
    QList<qint32> progress;
    QList<qint32> codes;
    QStringList descriptions;
    explicit Recorder(cAudioConverter& c) {
        QObject::connect(&c, &cAudioConverter::Progress, &c, [this](qint32 p) { progress << p; });
        QObject::connect(&c, &cAudioConverter::Done, &c, [this] { terminals << "done"; });
        QObject::connect(&c, &cAudioConverter::Aborted, &c, [this] { terminals << "aborted"; });
        QObject::connect(&c, &cAudioConverter::Error, &c, [this](qint32 code, const QString& d) {
            terminals << "error";
            codes << code;
            descriptions << d;
        });
    }
    // Runs the event loop until `count` terminal events have arrived (or a minute has passed).
    bool waitFor(int count) {
        QEventLoop loop;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
            if (terminals.size() >= count) loop.quit();
        });
        QTimer::singleShot(60000, &loop, &QEventLoop::quit);
        poll.start(5);
        if (terminals.size() < count) loop.exec();
        return terminals.size() >= count;
    }
};

QString CodecNameOf(const QString& encoder) {
    const AVCodec* c = avcodec_find_encoder_by_name(encoder.toLatin1().constData());
    return c ? QString::fromLatin1(avcodec_get_name(c->id)) : QString();
}

QList<Target> Targets() {
    QList<Target> list;
    list << Target{"WAV",
                   [](cAudioConverter& c) {
                       c.setOutputFormat(1);
                       c.SetWAVSettings(tWAVSettings{22050, 1, 16});
                   },
                   "wav",
                   "pcm_s16le",
                   22050,
                   1};
    // Every WAV codec offered, each with a format of its own list.
    for (const auto& tag : components::codecs::AcmTags()) {
        const auto& f = tag.formats.size() > 1 ? tag.formats[tag.formats.size() / 2] : tag.formats.front();
        const QString formatName = components::codecs::AcmFormatName(tag, f);
        const QString tagName = tag.name;
        list << Target{"ACM " + tag.name + " " + formatName,
                       [tagName, formatName](cAudioConverter& c) {
                           c.setOutputFormat(2);
                           c.SetACMSettings(tagName, formatName);
                       },
                       "wav",
                       CodecNameOf(components::codecs::AcmEncoder(tag, f)),
                       f.sampleRate,
                       f.channels};
    }
    list << Target{"MP3 CBR",
                   [](cAudioConverter& c) {
                       tMP3Settings m;
                       m.Bitrate = 128;
                       m.Quality = 5;
                       m.SampleRate = 44100;
                       c.setOutputFormat(3);
                       c.SetMP3Settings(m);
                   },
                   "mp3",
                   "mp3",
                   44100,
                   0};
    list << Target{"MP3 VBR",
                   [](cAudioConverter& c) {
                       tMP3Settings m;
                       m.VBRMethod = 4;
                       m.WriteVBRTag = -1;
                       m.VBRQuality = 2;
                       m.MinBitrate = 9;
                       m.MaxBitrate = 11;
                       m.SampleRate = 48000;
                       c.setOutputFormat(3);
                       c.SetMP3Settings(m);
                   },
                   "mp3",
                   "mp3",
                   48000,
                   0};
    list << Target{"MP3 ABR mono",
                   [](cAudioConverter& c) {
                       tMP3Settings m;
                       m.VBRMethod = 3;
                       m.WriteVBRTag = -1;
                       m.ABRBitrate = 96;
                       m.Mode = 3;
                       m.SampleRate = 22050;
                       c.setOutputFormat(3);
                       c.SetMP3Settings(m);
                   },
                   "mp3",
                   "mp3",
                   22050,
                   1};
    list << Target{"WMA v2",
                   [](cAudioConverter& c) {
                       c.setOutputFormat(4);
                       c.SetWMASettings(tWMASettings{0, 0});
                   },
                   "asf",
                   "wmav2",
                   44100,
                   2};
    list << Target{"WMA v1 22050 mono",
                   [](cAudioConverter& c) {
                       c.setOutputFormat(4);
                       c.SetWMASettings(tWMASettings{1, 18});
                   },
                   "asf",
                   "wmav1",
                   22050,
                   1};
    list << Target{"OGG quality",
                   [](cAudioConverter& c) {
                       c.setOutputFormat(5);
                       c.SetOGGSettings(tOGGSettings{0, 0, 50});
                   },
                   "ogg",
                   "vorbis",
                   0,
                   0};
    list << Target{"OGG bitrate",
                   [](cAudioConverter& c) {
                       c.setOutputFormat(5);
                       c.SetOGGSettings(tOGGSettings{2, 128, 0});
                   },
                   "ogg",
                   "vorbis",
                   0,
                   0};
    return list;
}

QByteArray Sha1(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha1);
}

// The MPEG frame headers of an MP3 file, in order (after its ID3v2 tag).
QList<QByteArray> Mp3FrameHeaders(const QString& path) {
    QList<QByteArray> headers;
    for (const convtest::Mp3Frame& frame : convtest::mp3Frames(path))
        headers << frame.data.left(4);
    return headers;
}

} // namespace

class tst_converter_convert : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase() { m_env.reset(); }

    void formats_data();
    void formats();
    void tags_data();
    void tags();
    void mp3Genre_data();
    void mp3Genre();
    void mp3Header_data();
    void mp3Header();
    void rangeAppliesToOneConversion();
    void badSources_data();
    void badSources();
    void destinationIsTheSource();
    void unwritableDestinations_data();
    void unwritableDestinations();
    void abortLeavesNoFile();
    void startFromInsideDoneAndError();
    void startWhileBusy();

private:
    QString out(const QString& name) const { return m_env->path("out/" + name); }
    QString m_sources[4];
    std::unique_ptr<testsupport::TestEnv> m_env;
};

void tst_converter_convert::initTestCase() {
    m_env = std::make_unique<testsupport::TestEnv>(false);
    const QString dir = m_env->path("src");
    QDir().mkpath(dir);
    QDir().mkpath(m_env->path("out"));
    const QStringList tone = testsupport::sineInput(3.0);
    const struct {
        const char* name;
        QStringList codec;
    } kinds[4] = {
        {"tone.wav", {"-c:a", "pcm_s16le"}},
        {"tone.mp3", {"-c:a", "libmp3lame", "-b:a", "128k"}},
        {"tone.ogg", {"-c:a", "libvorbis"}},
        {"tone.wma", {"-c:a", "wmav2"}},
    };
    for (int i = 0; i < 4; ++i) {
        m_sources[i] = dir + "/" + kinds[i].name;
        QVERIFY(testsupport::runFfmpeg(tone + kinds[i].codec + QStringList{m_sources[i]}));
    }
}

void tst_converter_convert::formats_data() {
    QTest::addColumn<QString>("source");
    QTest::addColumn<int>("target");
    const QList<Target> targets = Targets();
    for (const QString& source : m_sources)
        for (int t = 0; t < targets.size(); ++t)
            QTest::newRow(qPrintable(QFileInfo(source).suffix() + " to " + targets[t].name)) << source << t;
}

void tst_converter_convert::formats() {
    QFETCH(QString, source);
    QFETCH(int, target);
    const Target t = Targets().at(target);

    cAudioConverter c;
    Recorder r(c);
    t.apply(c);
    const QString dest = out("formats.out");
    QFile::remove(dest);
    c.setSourceFile(source);
    c.setDestinationFile(dest);
    c.StartConvert();
    QVERIFY(r.terminals.isEmpty()); // never from inside the call
    QVERIFY(r.waitFor(1));
    QCOMPARE(r.terminals, QStringList{"done"});
    QVERIFY2(r.descriptions.isEmpty(), qPrintable(r.descriptions.join(' ')));
    QCOMPARE(r.progress.last(), 100);
    QVERIFY(std::is_sorted(r.progress.begin(), r.progress.end()));

    const convtest::Probe p = convtest::probe(dest);
    QVERIFY(p.ok);
    QCOMPARE(p.container, t.container);
    QCOMPARE(p.codec, t.codec);
    QCOMPARE(p.rate, t.rate ? t.rate : 44100);
    QCOMPARE(p.channels, t.channels ? t.channels : 2);
    QVERIFY2(qAbs(p.seconds - 3.0) <= 0.1, qPrintable(QString::number(p.seconds)));
    QCOMPARE(QDir(m_env->path("out")).entryList(QDir::Files | QDir::Hidden), QStringList{"formats.out"});
}

void tst_converter_convert::tags_data() {
    QTest::addColumn<int>("format");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("v1Title"); // the MP3's ID3v1 title (Latin-1)
    const QString latin1 = QString::fromUtf8("Grüße aus Köln");
    QTest::newRow("MP3 (ID3v2 and ID3v1)") << 3 << latin1 << latin1;
    // ID3v2 keeps it as UTF-16; ID3v1 can only show what Latin-1 holds.
    QTest::newRow("MP3 beyond Latin-1")
        << 3 << QString::fromUtf8("Привет, Köln 東京") << QString::fromUtf8("??????, Köln ??");
    QTest::newRow("WMA (ASF)") << 4 << latin1 << QString();
    QTest::newRow("OGG (Vorbis comments)") << 5 << latin1 << QString();
}

void tst_converter_convert::tags() {
    QFETCH(int, format);
    QFETCH(QString, title);
    QFETCH(QString, v1Title);
    cAudioConverter c;
    Recorder r(c);
    c.setOutputFormat(format);
    if (format == 5) c.SetOGGSettings(tOGGSettings{0, 0, 30});
    c.setTagTitle(title);
    c.setTagArtist("The Artist");
    c.setTagAlbum("An Album");
    c.setTagYear("2003");
    c.setTagTrack("7");
    c.setTagGenre("Jazz");
    c.setTagComment("Said and done");
    c.setSourceFile(m_sources[0]);
    c.setDestinationFile(out("tags.out"));
    c.StartConvert();
    QVERIFY(r.waitFor(1));
    QCOMPARE(r.terminals, QStringList{"done"});

    const QMap<QString, QString> tags = convtest::mutagenTags(out("tags.out"));
    QCOMPARE(tags.value("title"), title);
    QCOMPARE(tags.value("artist"), QStringLiteral("The Artist"));
    QCOMPARE(tags.value("album"), QStringLiteral("An Album"));
    QCOMPARE(tags.value("year"), QStringLiteral("2003"));
    QCOMPARE(tags.value("track"), QStringLiteral("7"));
    QCOMPARE(tags.value("genre"), QStringLiteral("Jazz"));
    QCOMPARE(tags.value("comment"), QStringLiteral("Said and done"));
    // The converter's own reader finds the same seven values.
    cAudioConverter reader;
    QVERIFY(reader.ReadTags(out("tags.out")));
    QCOMPARE(reader.TagTitle(), title);
    QCOMPARE(reader.TagArtist(), QStringLiteral("The Artist"));
    QCOMPARE(reader.TagAlbum(), QStringLiteral("An Album"));
    QCOMPARE(reader.TagYear(), QStringLiteral("2003"));
    QCOMPARE(reader.TagTrack(), QStringLiteral("7"));
    QCOMPARE(reader.TagGenre(), QStringLiteral("Jazz"));
    QCOMPARE(reader.TagComment(), QStringLiteral("Said and done"));
    if (format == 3) { // ID3v1 text is Latin-1
        QCOMPARE(tags.value("id3v2"), QStringLiteral("2.3"));
        QCOMPARE(tags.value("v1:title"), v1Title);
        QCOMPARE(tags.value("v1:comment"), QStringLiteral("Said and done"));
        QCOMPARE(tags.value("v1:track"), QStringLiteral("7"));
        QCOMPARE(tags.value("v1:genre"), QStringLiteral("8")); // Jazz in the ID3v1 genre list
        QCOMPARE(tags.value("v1:artist"), QStringLiteral("The Artist"));
    }
}

void tst_converter_convert::mp3Genre_data() {
    QTest::addColumn<QString>("genre");
    QTest::addColumn<QString>("tcon");    // the ID3v2 genre text
    QTest::addColumn<QString>("v1Genre"); // the ID3v1 genre code
    // A genre of the one genre list is written with the list's spelling and code.
    QTest::newRow("list name") << "Blue Grass"
                               << "Blue Grass"
                               << "89";
    QTest::newRow("other spelling of a list name") << "Bluegrass"
                                                   << "Blue Grass"
                                                   << "89";
    QTest::newRow("punctuation and case") << "hip-hop"
                                          << "Hip Hop"
                                          << "7";
    QTest::newRow("not in the list") << "Chillwave"
                                     << "Chillwave"
                                     << "255";
}

void tst_converter_convert::mp3Genre() {
    QFETCH(QString, genre);
    QFETCH(QString, tcon);
    QFETCH(QString, v1Genre);
    cAudioConverter c;
    Recorder r(c);
    c.setOutputFormat(3);
    c.setTagTitle("Genre");
    c.setTagGenre(genre);
    c.setSourceFile(m_sources[0]);
    c.setDestinationFile(out("genre.mp3"));
    c.StartConvert();
    QVERIFY(r.waitFor(1));
    QCOMPARE(r.terminals, QStringList{"done"});
    const QMap<QString, QString> tags = convtest::mutagenTags(out("genre.mp3"));
    QCOMPARE(tags.value("genre"), tcon);
    QCOMPARE(tags.value("v1:genre"), v1Genre);
}

void tst_converter_convert::mp3Header_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("copyright");
    QTest::addColumn<bool>("original");
    QTest::addColumn<bool>("vbrTag");
    QTest::addColumn<int>("channelMode"); // expected in every audio frame; -1: joint stereo in some
    QTest::newRow("stereo, copyright, original, tag") << 0 << true << true << true << 0;
    QTest::newRow("joint stereo, neither bit, no tag") << 1 << false << false << false << -1;
    QTest::newRow("mono, original only") << 3 << false << true << false << 3;
    QTest::newRow("dual channel, copyright only, tag") << 2 << true << false << true << 2;
}

void tst_converter_convert::mp3Header() {
    QFETCH(int, mode);
    QFETCH(bool, copyright);
    QFETCH(bool, original);
    QFETCH(bool, vbrTag);
    QFETCH(int, channelMode);
    cAudioConverter c;
    Recorder r(c);
    tMP3Settings m;
    m.Bitrate = 128;
    m.SampleRate = 44100;
    m.Mode = mode;
    m.Copyright = copyright ? -1 : 0;
    m.Original = original ? -1 : 0;
    m.WriteVBRTag = vbrTag ? -1 : 0;
    c.setOutputFormat(3);
    c.SetMP3Settings(m);
    c.setSourceFile(m_sources[0]);
    c.setDestinationFile(out("header.mp3"));
    c.StartConvert();
    QVERIFY(r.waitFor(1));
    QCOMPARE(r.terminals, QStringList{"done"});

    const QList<QByteArray> headers = Mp3FrameHeaders(out("header.mp3"));
    QVERIFY(headers.size() > 100);
    QFile f(out("header.mp3"));
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray head = f.read(8192);
    QCOMPARE(head.contains("Xing") || head.contains("Info"), vbrTag);
    bool joint = false;
    // The first frame may be the muxer's VBR tag frame; the encoder's frames follow.
    for (qsizetype i = 1; i < headers.size(); ++i) {
        const uchar b3 = uchar(headers[i][3]);
        QCOMPARE(bool(b3 & 0x08), copyright);
        QCOMPARE(bool(b3 & 0x04), original);
        if (channelMode >= 0) QCOMPARE(int(b3 >> 6), channelMode);
        joint = joint || (b3 >> 6) == 1;
    }
    if (channelMode < 0) QVERIFY(joint);
}

void tst_converter_convert::rangeAppliesToOneConversion() {
    cAudioConverter c;
    Recorder r(c);
    c.setOutputFormat(1);
    c.SetWAVSettings(tWAVSettings{44100, 2, 16});
    c.setSourceFile(m_sources[1]);
    c.setRangeStart(1);
    c.setRangeLength(1);
    c.setDestinationFile(out("range.wav"));
    c.StartConvert();
    QCOMPARE(c.RangeStart(), 0);
    QCOMPARE(c.RangeLength(), 0);
    QVERIFY(r.waitFor(1));
    QCOMPARE(r.terminals, QStringList{"done"});
    QVERIFY(qAbs(convtest::probe(out("range.wav")).seconds - 1.0) <= 0.1);

    // The next item, without a range of its own, is whole.
    c.setDestinationFile(out("whole.wav"));
    c.StartConvert();
    QVERIFY(r.waitFor(2));
    QCOMPARE(r.terminals, (QStringList{"done", "done"}));
    QVERIFY(qAbs(convtest::probe(out("whole.wav")).seconds - 3.0) <= 0.1);

    // A range with a start only runs to the end; one past the end is an error.
    c.setRangeStart(2);
    c.setDestinationFile(out("tail.wav"));
    c.StartConvert();
    QVERIFY(r.waitFor(3));
    QVERIFY(qAbs(convtest::probe(out("tail.wav")).seconds - 1.0) <= 0.1);
    c.setRangeStart(10);
    c.setRangeLength(1);
    c.setDestinationFile(out("past.wav"));
    c.StartConvert();
    QVERIFY(r.waitFor(4));
    QCOMPARE(r.terminals.last(), QStringLiteral("error"));
    QCOMPARE(r.codes.last(), qint32(cAudioConverter::ErrSourceOpen));
    QVERIFY(!QFile::exists(out("past.wav")));
}

void tst_converter_convert::badSources_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("format");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("description");
    QByteArray riff = "RIFF\x24\x00\x00\x00WAVEfmt \x10\x00\x00\x00";
    riff += QByteArray(16, '\xEE') + "data" + QByteArray(4000, '\x11');
    QTest::newRow("corrupt WAV") << "corrupt.wav" << riff << 3 << 1 << "Cannot open the source file: ";
    QTest::newRow("zero bytes") << "empty.wav" << QByteArray() << 3 << 1 << "Cannot open the source file: ";
    QTest::newRow("text named .mp3") << "notes.mp3"
                                     << QByteArray("Just some notes,\nnothing to hear.\n").repeated(20) << 3
                                     << 1 << "Cannot open the source file: ";
    QTest::newRow("missing") << "" << QByteArray() << 3 << 1 << "Cannot open the source file: ";
    QTest::newRow("APE output") << "" << QByteArray() << 6 << 4
                                << "APE encoding is not available in this version.";
}

void tst_converter_convert::badSources() {
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(int, format);
    QFETCH(int, code);
    QFETCH(QString, description);
    QString source = m_sources[0];
    if (!name.isEmpty()) {
        source = m_env->path("bad/" + name);
        QDir().mkpath(QFileInfo(source).path());
        QFile f(source);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
    } else if (format != 6) {
        source = m_env->path("bad/none.wav");
    }
    const QString destDir = m_env->path("badout");
    QDir().mkpath(destDir);
    cAudioConverter c;
    Recorder r(c);
    c.setOutputFormat(format);
    c.setSourceFile(source);
    c.setDestinationFile(destDir + "/x.out");
    c.StartConvert();
    QVERIFY(r.waitFor(1));
    QCOMPARE(r.terminals, QStringList{"error"});
    QCOMPARE(r.codes.first(), code);
    QVERIFY2(r.descriptions.first().startsWith(description), qPrintable(r.descriptions.first()));
    QVERIFY(QDir(destDir).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

void tst_converter_convert::destinationIsTheSource() {
    const QString source = m_env->path("self/tone.wav");
    QDir().mkpath(QFileInfo(source).path());
    QVERIFY(QFile::copy(m_sources[0], source));
    QVERIFY(QFile::link(source, m_env->path("self/link.wav")));
    const QByteArray before = Sha1(source);
    for (const QString& dest : {source, m_env->path("self/../self/tone.wav"), m_env->path("self/link.wav")}) {
        cAudioConverter c;
        Recorder r(c);
        c.setOutputFormat(1);
        c.setSourceFile(source);
        c.setDestinationFile(dest);
        c.StartConvert();
        QVERIFY(r.waitFor(1));
        QCOMPARE(r.terminals, QStringList{"error"});
        QCOMPARE(r.codes.first(), qint32(cAudioConverter::ErrDestination));
        QVERIFY(r.descriptions.first().startsWith("The destination file is the source file itself"));
        QCOMPARE(Sha1(source), before);
    }
    QCOMPARE(QDir(m_env->path("self")).entryList(QDir::Files | QDir::Hidden | QDir::System).size(), 2);
}

void tst_converter_convert::unwritableDestinations_data() {
    QTest::addColumn<QString>("dest"); // relative to the test folder; "" for none
    QTest::addColumn<QString>("description");
    QTest::newRow("none") << ""
                          << "No destination file is set.";
    QTest::newRow("a folder") << "unwritable"
                              << "The destination is a folder: ";
    QTest::newRow("below a file") << "unwritable/file.txt/out.wav"
                                  << "The destination folder cannot be created: ";
}

void tst_converter_convert::unwritableDestinations() {
    QFETCH(QString, dest);
    QFETCH(QString, description);
    QDir().mkpath(m_env->path("unwritable"));
    {
        QFile f(m_env->path("unwritable/file.txt"));
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    cAudioConverter c;
    Recorder r(c);
    c.setOutputFormat(1);
    c.setSourceFile(m_sources[0]);
    c.setDestinationFile(dest.isEmpty() ? QString() : m_env->path(dest));
    c.StartConvert();
    QVERIFY(r.waitFor(1));
    QCOMPARE(r.terminals, QStringList{"error"});
    QCOMPARE(r.codes.first(), qint32(cAudioConverter::ErrDestination));
    QVERIFY2(r.descriptions.first().startsWith(description), qPrintable(r.descriptions.first()));
    QCOMPARE(
        QDir(m_env->path("unwritable")).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
        QStringList{"file.txt"});
}

void tst_converter_convert::abortLeavesNoFile() {
    const QString longSource = m_env->path("long/long.wav");
    QDir().mkpath(QFileInfo(longSource).path());
    QVERIFY(testsupport::runFfmpeg(testsupport::sineInput(60.0) + QStringList{longSource}));
    const QString destDir = m_env->path("abortout");
    QDir().mkpath(destDir);

    cAudioConverter c;
    Recorder r(c);
    c.Abort(); // idle: nothing follows
    QVERIFY(!c.IsConverting());
    c.setOutputFormat(3);
    c.setSourceFile(longSource);
    c.setDestinationFile(destDir + "/long.mp3");
    c.StartConvert();
    QVERIFY(c.IsConverting());
    c.Abort();
    QVERIFY(r.waitFor(1));
    QCOMPARE(r.terminals, QStringList{"aborted"});
    QVERIFY(!c.IsConverting());
    QVERIFY(QDir(destDir).entryList(QDir::Files | QDir::Hidden).isEmpty());

    // Closing the converter aborts a running conversion the same way.
    c.setSourceFile(longSource);
    c.setDestinationFile(destDir + "/closed.mp3");
    c.StartConvert();
    c.Close();
    QVERIFY(r.waitFor(2));
    QCOMPARE(r.terminals, (QStringList{"aborted", "aborted"}));
    QVERIFY(QDir(destDir).entryList(QDir::Files | QDir::Hidden).isEmpty());

    // Destroying a converter in the middle of a conversion leaves nothing either.
    {
        cAudioConverter d;
        d.setOutputFormat(3);
        d.setSourceFile(longSource);
        d.setDestinationFile(destDir + "/gone.mp3");
        d.StartConvert();
    }
    QVERIFY(QDir(destDir).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

void tst_converter_convert::startFromInsideDoneAndError() {
    cAudioConverter c;
    Recorder r(c);
    c.setOutputFormat(5);
    c.SetOGGSettings(tOGGSettings{0, 0, 20});
    // Item 1 fails, item 2 is started from the Error handler, item 3 from Done.
    const QStringList sources{m_env->path("nowhere.wav"), m_sources[2], m_sources[3]};
    int next = 0;
    auto startNext = [&] {
        if (next >= sources.size()) return;
        c.setSourceFile(sources[next]);
        c.setDestinationFile(out(QStringLiteral("chain%1.ogg").arg(next)));
        ++next;
        c.StartConvert();
    };
    connect(&c, &cAudioConverter::Done, &c, startNext);
    connect(&c, &cAudioConverter::Error, &c, startNext);
    startNext();
    QVERIFY(r.waitFor(3));
    QCOMPARE(r.terminals, (QStringList{"error", "done", "done"}));
    QVERIFY(!QFile::exists(out("chain0.ogg")));
    QCOMPARE(convtest::probe(out("chain1.ogg")).codec, QStringLiteral("vorbis"));
    QCOMPARE(convtest::probe(out("chain2.ogg")).codec, QStringLiteral("vorbis"));
}

void tst_converter_convert::startWhileBusy() {
    cAudioConverter c;
    Recorder r(c);
    c.setOutputFormat(1);
    c.setSourceFile(m_sources[1]);
    c.setDestinationFile(out("busy.wav"));
    c.StartConvert();
    c.setDestinationFile(out("second.wav"));
    c.StartConvert();
    QVERIFY(r.terminals.isEmpty());
    QVERIFY(r.waitFor(2));
    QCOMPARE(r.terminals.count("error"), 1);
    QCOMPARE(r.terminals.count("done"), 1);
    QCOMPARE(r.codes, QList<qint32>{cAudioConverter::ErrBusy});
    QVERIFY(QFile::exists(out("busy.wav")));
    QVERIFY(!QFile::exists(out("second.wav")));
}

QTEST_GUILESS_MAIN(tst_converter_convert)
#include "tst_converter_convert.moc"
