// The converter's examining half: lengths and formats against ffprobe, tags of
// every container against what ffmpeg/mutagen wrote, bad files, codec lists.
#include "components/ConverterCodecs.h"
#include "components/cAudioConverter.h"

#include "TestEnv.h"

#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
}

#include <memory>

using components::cAudioConverter;

namespace {

struct Tags {
    QString title, artist, album, year, track, genre, comment;
};

Tags TagsOf(const cAudioConverter& c) {
    return {c.TagTitle(), c.TagArtist(), c.TagAlbum(),  c.TagYear(),
            c.TagTrack(), c.TagGenre(),  c.TagComment()};
}

bool AllEmpty(const cAudioConverter& c) {
    const Tags t = TagsOf(c);
    return t.title.isEmpty() && t.artist.isEmpty() && t.album.isEmpty() && t.year.isEmpty() &&
           t.track.isEmpty() && t.genre.isEmpty() && t.comment.isEmpty();
}

bool Run(const QString& program, const QStringList& args, QByteArray* out = nullptr) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        qWarning() << program << args << p.readAllStandardError();
        return false;
    }
    if (out) *out = p.readAllStandardOutput();
    return true;
}

QStringList Sine(double seconds, int rate, int channels) {
    return {"-v",
            "error",
            "-y",
            "-f",
            "lavfi",
            "-i",
            QStringLiteral("sine=f=440:d=%1:sample_rate=%2").arg(seconds).arg(rate),
            "-ac",
            QString::number(channels)};
}

// ID3v1.1: 128 bytes at the end of the file, Latin-1 text, track in byte 126.
QByteArray Id3v1(const QByteArray& title, const QByteArray& artist, const QByteArray& album,
                 const QByteArray& year, const QByteArray& comment, int track, int genre) {
    auto field = [](QByteArray s, int n) {
        s.truncate(n);
        return s + QByteArray(n - s.size(), '\0');
    };
    QByteArray t = "TAG" + field(title, 30) + field(artist, 30) + field(album, 30) + field(year, 4) +
                   field(comment, 28) + '\0' + char(track) + char(genre);
    Q_ASSERT(t.size() == 128);
    return t;
}

// A Monkey's Audio file with a valid header and seek table but no real audio:
// enough to be examined (length, format) without being decoded.
QByteArray ApeFile(quint32 finalBlocks, quint16 channels, quint32 rate) {
    auto u16 = [](quint16 v) {
        QByteArray b(2, '\0');
        qToLittleEndian(v, b.data());
        return b;
    };
    auto u32 = [](quint32 v) {
        QByteArray b(4, '\0');
        qToLittleEndian(v, b.data());
        return b;
    };
    const quint32 totalFrames = 1, descriptorLength = 52, headerLength = 24, seekTableLength = 4;
    const quint32 audioLength = 4096;
    const quint32 firstFrame = 4 + 2 + 2 + 4 + 4 + 4 + 4 + 4 + 4 + 4 + 16 + headerLength + seekTableLength;
    QByteArray f = "MAC " + u16(3990) + u16(0) + u32(descriptorLength) + u32(headerLength) +
                   u32(seekTableLength) + u32(0) + u32(audioLength) + u32(0) + u32(0) + QByteArray(16, '\0');
    f += u16(2000) + u16(0) + u32(73728) + u32(finalBlocks) + u32(totalFrames) + u16(16) + u16(channels) +
         u32(rate);
    f += u32(firstFrame);
    f += QByteArray(int(audioLength), '\0');
    return f;
}

} // namespace

class tst_converter_probe : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init() { m_env = std::make_unique<testsupport::TestEnv>(false); }
    void cleanup() { m_env.reset(); }

    void probe_data();
    void probe();
    void tags_data();
    void tags();
    void badInput_data();
    void badInput();
    void tagsNeverCarryOver();
    void openReplacesAndCloseReopens();
    void readTagsOfAnotherFileThanTheOpenOne();
    void secondsToTime_data();
    void secondsToTime();
    void acmLists();
    void acmTablesOpenTheirEncoders();
    void wmaLists();

private:
    QString fx(const QString& name) const { return m_dir.filePath(name); }
    bool ffmpeg(const QStringList& args) { return Run(m_ffmpeg, args); }
    bool mutagen(const QString& script, const QString& path) { return Run(m_python, {"-c", script, path}); }
    QHash<QString, QString> ffprobe(const QString& path);

    std::unique_ptr<testsupport::TestEnv> m_env;
    QTemporaryDir m_dir;
    QString m_ffmpeg, m_ffprobe, m_python;
};

// The audio stream's rate and channels and the file's length, as ffprobe reports them.
QHash<QString, QString> tst_converter_probe::ffprobe(const QString& path) {
    QByteArray out;
    QHash<QString, QString> h;
    if (!Run(m_ffprobe,
             {"-v", "error", "-select_streams", "a:0", "-show_entries",
              "format=duration:stream=sample_rate,channels", "-of", "default=nw=1", path},
             &out))
        return h;
    for (const QByteArray& line : out.split('\n')) {
        const int eq = line.indexOf('=');
        if (eq > 0) h.insert(QString::fromUtf8(line.left(eq)), QString::fromUtf8(line.mid(eq + 1)).trimmed());
    }
    return h;
}

void tst_converter_probe::initTestCase() {
    m_ffmpeg = QStandardPaths::findExecutable("ffmpeg");
    m_ffprobe = QStandardPaths::findExecutable("ffprobe");
    // The checkers are part of the test set-up (scripts/common.sh installs them):
    // without them the results would go unchecked, so their absence is a failure.
    QVERIFY2(!m_ffmpeg.isEmpty() && !m_ffprobe.isEmpty(), "ffmpeg and ffprobe (package ffmpeg) are needed");
    // The system interpreter carries the distribution's mutagen.
    for (const QString& py : {QStringLiteral("/usr/bin/python3"), QStringLiteral("python3")}) {
        const QString exe = QStandardPaths::findExecutable(py);
        if (!exe.isEmpty() && Run(exe, {"-c", "import mutagen"})) {
            m_python = exe;
            break;
        }
    }
    QVERIFY2(!m_python.isEmpty(), "a python3 with mutagen (package python3-mutagen) is needed");
    QVERIFY(m_dir.isValid());

    QVERIFY(ffmpeg(Sine(3.5, 22050, 2) << "-c:a"
                                       << "pcm_s16le" << fx("tone16.wav")));
    QVERIFY(ffmpeg(Sine(2.25, 8000, 1) << "-c:a"
                                       << "pcm_u8" << fx("tone8.wav")));
    QVERIFY(ffmpeg(Sine(1.5, 44100, 1) << "-c:a"
                                       << "pcm_s24le" << fx("tone24.wav")));
    QVERIFY(ffmpeg(Sine(7.3, 44100, 2) << "-c:a"
                                       << "libmp3lame"
                                       << "-b:a"
                                       << "128k"
                                       << "-metadata" << QStringLiteral("title=Grüße aus Köln") << "-metadata"
                                       << "artist=The Artist"
                                       << "-metadata"
                                       << "album=First Album"
                                       << "-metadata"
                                       << "date=2001"
                                       << "-metadata"
                                       << "track=3/9"
                                       << "-metadata"
                                       << "genre=Rock"
                                       << "-metadata"
                                       << "comment=hello there" << fx("id3v24.mp3")));
    // No VBR header: the length is estimated from the bit rate, as ffprobe does it.
    QVERIFY(ffmpeg(Sine(5.2, 44100, 2) << "-c:a"
                                       << "libmp3lame"
                                       << "-b:a"
                                       << "128k"
                                       << "-write_xing"
                                       << "0"
                                       << "-metadata"
                                       << "title=No Xing" << fx("cbr_noxing.mp3")));
    QVERIFY(ffmpeg(Sine(4.1, 32000, 1) << "-c:a"
                                       << "libmp3lame"
                                       << "-q:a"
                                       << "2"
                                       << "-write_xing"
                                       << "0"
                                       << "-id3v2_version"
                                       << "0" << fx("vbr_noxing.mp3")));
    // ID3v1 only.
    QVERIFY(ffmpeg(Sine(2.0, 44100, 2) << "-c:a"
                                       << "libmp3lame"
                                       << "-b:a"
                                       << "96k"
                                       << "-id3v2_version"
                                       << "0"
                                       << "-write_id3v1"
                                       << "0" << fx("id3v1.mp3")));
    {
        QFile f(fx("id3v1.mp3"));
        QVERIFY(f.open(QIODevice::Append));
        f.write(Id3v1("Caf\xe9 Song", "V1 Artist", "V1 Album", "1987", "v1 comment", 7, 17));
    }
    QVERIFY(ffmpeg(Sine(6.4, 44100, 2) << "-c:a"
                                       << "libvorbis"
                                       << "-metadata"
                                       << "title=Ogg Title"
                                       << "-metadata"
                                       << "artist=Ogg Artist"
                                       << "-metadata"
                                       << "album=Ogg Album"
                                       << "-metadata"
                                       << "date=2003"
                                       << "-metadata"
                                       << "track=5"
                                       << "-metadata"
                                       << "genre=Ambient"
                                       << "-metadata"
                                       << "comment=ogg comment" << fx("tone.ogg")));
    QVERIFY(ffmpeg(Sine(4.8, 44100, 2) << "-c:a"
                                       << "wmav2"
                                       << "-b:a"
                                       << "128k"
                                       << "-metadata"
                                       << "title=Wma Title"
                                       << "-metadata"
                                       << "artist=Wma Artist"
                                       << "-metadata"
                                       << "album=Wma Album"
                                       << "-metadata"
                                       << "date=2004"
                                       << "-metadata"
                                       << "track=6"
                                       << "-metadata"
                                       << "genre=Jazz"
                                       << "-metadata"
                                       << "comment=wma comment" << fx("tone.wma")));
    {
        // ffmpeg cannot write Monkey's Audio; a header-only file serves for examining.
        QFile f(fx("tone.ape"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(ApeFile(44100 * 2 + 22050, 2, 44100));
    }
    {
        // ID3v2.3 written by another hand: numeric genre reference, track of total, year frame.
        QFile::copy(fx("id3v1.mp3"), fx("id3v23.mp3"));
        QVERIFY(
            mutagen("import sys\nfrom mutagen.id3 import ID3,TIT2,TPE1,TALB,TYER,TRCK,TCON,COMM\n"
                    "t=ID3()\nt.add(TIT2(encoding=1,text='Mutagen Title'))\nt.add(TPE1(encoding=1,text='M "
                    "Artist'))\nt.add(TALB(encoding=1,text='M Album'))\nt.add(TYER(encoding=1,text='1999'))\n"
                    "t.add(TRCK(encoding=1,text='4/12'))\nt.add(TCON(encoding=1,text='(17)'))\n"
                    "t.add(COMM(encoding=1,lang='eng',desc='',text='m comment'))\nt.save(sys.argv[1],v2_"
                    "version=3,v1=0)\n",
                    fx("id3v23.mp3")));
        QVERIFY(mutagen("import sys\nfrom mutagen.apev2 import APEv2\nt=APEv2()\nt['Title']='Ape Title'\n"
                        "t['Artist']='Ape Artist'\nt['Album']='Ape Album'\nt['Year']='2005'\nt['Track']='8'\n"
                        "t['Genre']='Blues'\nt['Comment']='ape comment'\nt.save(sys.argv[1])\n",
                        fx("tone.ape")));
    }

    // Bad input.
    {
        QFile t(fx("text.txt"));
        QVERIFY(t.open(QIODevice::WriteOnly));
        for (int i = 0; i < 200; ++i)
            t.write("This is a plain text file, not audio at all.\n");
        QFile e(fx("empty.mp3"));
        QVERIFY(e.open(QIODevice::WriteOnly));
        QFile t2(fx("text.mp3"));
        QVERIFY(t2.open(QIODevice::WriteOnly));
        t2.write("ID3 is not enough to make this a tag. Just words.\n");
    }
    QFile src(fx("id3v24.mp3"));
    QVERIFY(src.open(QIODevice::ReadOnly));
    const QByteArray mp3 = src.readAll();
    auto write = [&](const QString& name, const QByteArray& data) {
        QFile f(fx(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(data);
    };
    write("cut_in_tag.mp3", mp3.left(40));
    write("cut_half.mp3", mp3.left(mp3.size() / 2));
    QByteArray damaged = mp3;
    damaged[6] = 0x7f; // the tag claims 256 MB
    damaged[7] = 0x7f;
    damaged[8] = 0x7f;
    damaged[9] = 0x7f;
    write("damaged_id3.mp3", damaged);
    QByteArray badFrame = mp3;
    badFrame[10 + 4] = char(0x7f); // the first frame's size runs past the tag
    write("damaged_frame.mp3", badFrame);
    QFile::copy(fx("tone16.wav"), fx("odd:name.wav"));
}

void tst_converter_probe::probe_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("channels");
    QTest::addColumn<int>("bits");
    QTest::newRow("wav 16-bit") << "tone16.wav" << 22050 << 2 << 16;
    QTest::newRow("wav 8-bit") << "tone8.wav" << 8000 << 1 << 8;
    QTest::newRow("wav 24-bit") << "tone24.wav" << 44100 << 1 << 24;
    QTest::newRow("mp3 with VBR header") << "id3v24.mp3" << 44100 << 2 << 16;
    QTest::newRow("mp3 CBR, no VBR header") << "cbr_noxing.mp3" << 44100 << 2 << 16;
    QTest::newRow("mp3 VBR, no VBR header") << "vbr_noxing.mp3" << 32000 << 1 << 16;
    QTest::newRow("mp3 ID3v1") << "id3v1.mp3" << 44100 << 2 << 16;
    QTest::newRow("mp3 cut in half") << "cut_half.mp3" << 44100 << 2 << 16;
    QTest::newRow("ogg") << "tone.ogg" << 44100 << 2 << 16;
    QTest::newRow("wma") << "tone.wma" << 44100 << 2 << 16;
    QTest::newRow("ape") << "tone.ape" << 44100 << 2 << 16;
    QTest::newRow("colon in name") << "odd:name.wav" << 22050 << 2 << 16;
}

void tst_converter_probe::probe() {
    QFETCH(QString, file);
    QFETCH(int, rate);
    QFETCH(int, channels);
    QFETCH(int, bits);
    const QString path = fx(file);
    cAudioConverter c;
    QCOMPARE(c.OpenSource(path), qint32(cAudioConverter::OpenOk));
    QCOMPARE(c.SampleRate(), rate);
    QCOMPARE(int(c.Channels()), channels);
    QCOMPARE(c.BitsPerSample(), bits);

    // ffprobe is the reference for the length; the list shows whole seconds.
    QString probePath = path;
    if (file.contains(':')) probePath = "file:" + path;
    const QHash<QString, QString> st = ffprobe(probePath);
    const double expected = st.value("duration").toDouble();
    QVERIFY2(expected > 0, qPrintable(file));
    const qint32 ms = c.Duration();
    QVERIFY2(
        qAbs(ms - expected * 1000.0) <= 1.0,
        qPrintable(QStringLiteral("%1: %2 ms, ffprobe %3 s").arg(file).arg(ms).arg(expected, 0, 'f', 6)));
    QCOMPARE(c.SampleRate(), st.value("sample_rate").toInt());
    QCOMPARE(int(c.Channels()), st.value("channels").toInt());
    c.CloseSource();
    QCOMPARE(c.Duration(), 0);
    QCOMPARE(c.SampleRate(), 0);
}

void tst_converter_probe::tags_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("expected"); // title, artist, album, year, track, genre, comment
    QTest::newRow("ID3v2.4") << "id3v24.mp3" << QStringList{QStringLiteral("Grüße aus Köln"),
                                                            "The Artist",
                                                            "First Album",
                                                            "2001",
                                                            "3/9",
                                                            "Rock",
                                                            "hello there"};
    QTest::newRow("ID3v2.3 by mutagen")
        << "id3v23.mp3"
        << QStringList{"Mutagen Title", "M Artist", "M Album", "1999", "4/12", "Rock", "m comment"};
    QTest::newRow("ID3v1 only")
        << "id3v1.mp3"
        << QStringList{
               QStringLiteral("Café Song"), "V1 Artist", "V1 Album", "1987", "7", "Rock", "v1 comment"};
    QTest::newRow("Vorbis comments") << "tone.ogg"
                                     << QStringList{"Ogg Title", "Ogg Artist", "Ogg Album",  "2003",
                                                    "5",         "Ambient",    "ogg comment"};
    QTest::newRow("ASF") << "tone.wma" << QStringList{"Wma Title", "Wma Artist", "Wma Album",  "2004",
                                                      "6",         "Jazz",       "wma comment"};
    QTest::newRow("APE") << "tone.ape" << QStringList{"Ape Title", "Ape Artist", "Ape Album",  "2005",
                                                      "8",         "Blues",      "ape comment"};
    QTest::newRow("no tags") << "tone16.wav" << QStringList{"", "", "", "", "", "", ""};
}

void tst_converter_probe::tags() {
    QFETCH(QString, file);
    QFETCH(QStringList, expected);
    cAudioConverter c;
    // As the list reader does it: open, read the tags of the open file, close.
    QCOMPARE(c.OpenSource(fx(file)), 0);
    QVERIFY(c.ReadTags(fx(file)));
    const Tags t = TagsOf(c);
    const QStringList got{t.title, t.artist, t.album, t.year, t.track, t.genre, t.comment};
    QCOMPARE(got, expected);
    c.CloseSource();
    // And without an open file, as the Add Files window may.
    cAudioConverter d;
    QVERIFY(d.ReadTags(fx(file)));
    const Tags u = TagsOf(d);
    QCOMPARE((QStringList{u.title, u.artist, u.album, u.year, u.track, u.genre, u.comment}), expected);
}

void tst_converter_probe::badInput_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("result"); // -1: any failure
    QTest::newRow("missing") << "no such file.mp3" << int(cAudioConverter::OpenNoFile);
    QTest::newRow("folder") << "" << int(cAudioConverter::OpenNoFile);
    QTest::newRow("text file") << "text.txt" << -1;
    QTest::newRow("text named mp3") << "text.mp3" << -1;
    QTest::newRow("empty file") << "empty.mp3" << int(cAudioConverter::OpenNotMedia);
    QTest::newRow("cut inside the ID3v2 tag") << "cut_in_tag.mp3" << -1;
    QTest::newRow("ID3v2 size past the end") << "damaged_id3.mp3" << -1;
}

void tst_converter_probe::badInput() {
    QFETCH(QString, file);
    QFETCH(int, result);
    cAudioConverter c;
    const qint32 rc = c.OpenSource(fx(file));
    if (result >= 0)
        QCOMPARE(rc, result);
    else
        QVERIFY2(rc != 0, qPrintable(QString::number(rc)));
    QCOMPARE(c.Duration(), 0);
    QCOMPARE(c.SampleRate(), 0);
    QCOMPARE(c.Channels(), qint16(0));
    QCOMPARE(c.BitsPerSample(), 0);
    c.ReadTags(fx(file));
    QVERIFY(AllEmpty(c));
    c.CloseSource();
    c.Close();
}

void tst_converter_probe::tagsNeverCarryOver() {
    cAudioConverter c;
    QVERIFY(c.ReadTags(fx("id3v24.mp3")));
    QCOMPARE(c.TagArtist(), QStringLiteral("The Artist"));
    // A failed read leaves no tag of the previous file behind...
    QVERIFY(!c.ReadTags(fx("text.txt")));
    QVERIFY(AllEmpty(c));
    QVERIFY(c.ReadTags(fx("tone.ogg")));
    QVERIFY(!c.ReadTags(fx("no such file.mp3")));
    QVERIFY(AllEmpty(c));
    // ...and neither does a readable file without tags.
    QVERIFY(c.ReadTags(fx("id3v1.mp3")));
    QVERIFY(c.ReadTags(fx("tone8.wav")));
    QVERIFY(AllEmpty(c));
    // A damaged tag frame gives no garbage: whatever is read is valid text.
    c.ReadTags(fx("damaged_frame.mp3"));
    for (const QString& s : {c.TagTitle(), c.TagArtist(), c.TagAlbum(), c.TagComment()})
        QVERIFY(!s.contains(QChar::ReplacementCharacter));
}

void tst_converter_probe::openReplacesAndCloseReopens() {
    cAudioConverter c;
    QCOMPARE(c.OpenSource(fx("tone16.wav")), 0);
    QCOMPARE(c.SampleRate(), 22050);
    // The next open replaces the file, without CloseSource (as Add Files does).
    QCOMPARE(c.OpenSource(fx("tone8.wav")), 0);
    QCOMPARE(c.SampleRate(), 8000);
    QCOMPARE(c.Duration(), 2250);
    // A failed open leaves nothing of the previous file.
    QVERIFY(c.OpenSource(fx("text.txt")) != 0);
    QCOMPARE(c.Duration(), 0);
    // Close after every row, and open again (as Item Properties does).
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(c.OpenSource(fx("tone.ogg")), 0);
        QCOMPARE(int(c.Channels()), 2);
        c.CloseSource();
        c.Close();
    }
}

void tst_converter_probe::readTagsOfAnotherFileThanTheOpenOne() {
    cAudioConverter c;
    QCOMPARE(c.OpenSource(fx("tone.wma")), 0);
    QVERIFY(c.ReadTags(fx("tone.ogg")));
    QCOMPARE(c.TagTitle(), QStringLiteral("Ogg Title"));
    QCOMPARE(c.SampleRate(), 44100); // still the open file
    QVERIFY(c.ReadTags(fx("tone.wma")));
    QCOMPARE(c.TagTitle(), QStringLiteral("Wma Title"));
}

void tst_converter_probe::secondsToTime_data() {
    QTest::addColumn<int>("seconds");
    QTest::addColumn<QString>("text");
    QTest::newRow("zero") << 0 << "00:00:00";
    QTest::newRow("59") << 59 << "00:00:59";
    QTest::newRow("93") << 93 << "00:01:33";
    QTest::newRow("hour") << 3600 << "01:00:00";
    QTest::newRow("last second of a day") << 86399 << "23:59:59";
}

void tst_converter_probe::secondsToTime() {
    QFETCH(int, seconds);
    QFETCH(QString, text);
    const QTime t = cAudioConverter::SecondsToTime(seconds);
    QVERIFY(t.isValid());
    QCOMPARE(t.toString("HH:mm:ss"), text);
}

void tst_converter_probe::acmLists() {
    cAudioConverter c;
    QSignalSpy tags(&c, &cAudioConverter::ACMTagItem);
    QSignalSpy formats(&c, &cAudioConverter::ACMFormatItem);
    auto names = [](QSignalSpy& spy) {
        QStringList l;
        for (const auto& args : spy)
            l << args.at(0).toString();
        spy.clear();
        return l;
    };

    // Every tag, raised before the call returns, in a fixed order.
    c.EnumACMTags(1, 44100, 2, 16, 0);
    const QStringList all = names(tags);
    QVERIFY(all.contains("PCM"));
    QVERIFY(all.contains("IMA ADPCM"));
    QVERIFY(all.contains("MS ADPCM"));
    QVERIFY(all.contains("CCITT A-Law"));
    QVERIFY(all.contains("CCITT u-Law"));
    c.EnumACMTags(1, 8000, 1, 8, 0);
    QCOMPARE(names(tags), all);

    // Only what a 44.1 kHz stereo source converts to: GSM takes 8 kHz mono only.
    c.EnumACMTags(1, 44100, 2, 16, cAudioConverter::ACM_FORMATENUMF_CONVERT);
    QStringList convertible = names(tags);
    QVERIFY(convertible.contains("PCM"));
    QVERIFY(!convertible.contains("GSM 6.10"));
    c.EnumACMTags(1, 8000, 1, 16, cAudioConverter::ACM_FORMATENUMF_CONVERT);
    QCOMPARE(names(tags), all);
    // Nothing converts from an unknown source or a non-PCM tag.
    c.EnumACMTags(1, 0, 0, 0, cAudioConverter::ACM_FORMATENUMF_CONVERT);
    c.EnumACMTags(2, 44100, 2, 16, 0);
    QCOMPARE(tags.count(), 0);

    c.EnumACMFormats("PCM");
    const QStringList pcm = names(formats);
    QVERIFY(pcm.contains("44100 Hz, 16 Bit, Stereo"));
    QVERIFY(pcm.contains("8000 Hz, 8 Bit, Mono"));
    // Every format name leads back to its format.
    for (const QString& tag : all) {
        c.EnumACMFormats(tag);
        const QStringList fs = names(formats);
        QVERIFY2(!fs.isEmpty(), qPrintable(tag));
        for (const QString& f : fs)
            QVERIFY2(components::codecs::FindAcmFormat(tag, f, nullptr, nullptr), qPrintable(f));
    }
    c.EnumACMFormats("No such codec");
    c.EnumACMFormats("");
    QCOMPARE(formats.count(), 0);
}

// Each offered format must be one the encoder accepts, or a conversion chosen
// in the settings would fail only when it runs.
void tst_converter_probe::acmTablesOpenTheirEncoders() {
    auto opens = [](const QString& encoder, int rate, int channels, qint64 bitRate) {
        const AVCodec* codec = avcodec_find_encoder_by_name(encoder.toLatin1().constData());
        if (!codec) return false;
        AVCodecContext* ctx = avcodec_alloc_context3(codec);
        ctx->sample_rate = rate;
        av_channel_layout_default(&ctx->ch_layout, channels);
        ctx->sample_fmt = codec->sample_fmts ? codec->sample_fmts[0] : AV_SAMPLE_FMT_S16;
        ctx->bit_rate = bitRate;
        const bool ok = avcodec_open2(ctx, codec, nullptr) >= 0;
        avcodec_free_context(&ctx);
        return ok;
    };
    for (const auto& tag : components::codecs::AcmTags())
        for (const auto& f : tag.formats)
            QVERIFY2(opens(tag.encoder, f.sampleRate, f.channels, 0),
                     qPrintable(tag.name + ": " + components::codecs::AcmFormatName(tag, f)));
    for (const auto& codec : components::codecs::WmaCodecs())
        for (const auto& f : codec.formats)
            QVERIFY2(opens(codec.encoder, f.sampleRate, f.channels, f.bitRate),
                     qPrintable(codec.name + ": " + components::codecs::WmaFormatName(f)));
}

void tst_converter_probe::wmaLists() {
    cAudioConverter c;
    QCOMPARE(c.WMACodecCount(), 2);
    QCOMPARE(c.WMACodecName(0), QStringLiteral("WMA version 2"));
    QCOMPARE(c.WMACodecName(1), QStringLiteral("WMA version 1"));
    QVERIFY(c.WMAFormatCount(0) > 0);
    QCOMPARE(c.WMAFormatName(0, 0), QStringLiteral("128 kbps, 44100 Hz, Stereo"));
    // The same order every time (the settings store positions).
    cAudioConverter d;
    for (int i = 0; i < c.WMACodecCount(); ++i)
        for (int j = 0; j < c.WMAFormatCount(i); ++j)
            QCOMPARE(d.WMAFormatName(i, j), c.WMAFormatName(i, j));
    QCOMPARE(c.WMACodecName(-1), QString());
    QCOMPARE(c.WMACodecName(2), QString());
    QCOMPARE(c.WMAFormatCount(5), 0);
    QCOMPARE(c.WMAFormatName(0, c.WMAFormatCount(0)), QString());
    QCOMPARE(c.WMAFormatName(0, -1), QString());
}

QTEST_MAIN(tst_converter_probe)
#include "tst_converter_probe.moc"
