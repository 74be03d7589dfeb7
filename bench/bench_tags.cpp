// How long reading the ID3v2 tag of an MP3 file takes with cMP3ID3v2 (open,
// find the tag, read its frames, decode the properties, close) against TagLib
// reading the same tag without audio properties, over the same files, for
// three kinds of tag: text only, with a picture, and unsynchronised with a
// picture. Both sides open each file afresh, take turns for several rounds and
// must read the same values from every file. Then one 1 MiB tag, plain and
// unsynchronised.
// Usage: bench_tags [file count per kind, default 1000]
#include "BenchSupport.h"
#include "id3/cMP3ID3v2.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

QByteArray Utf16(const QString& s) {
    QByteArray b("\x01\xff\xfe", 3);
    for (QChar c : s)
        b.append(char(c.unicode() & 0xff)).append(char(c.unicode() >> 8));
    return b;
}

// Bytes as a compressed picture has them: any value, 0xFF among them.
QByteArray Picture(int n, int bytes) {
    QRandomGenerator random(quint32(n + 1));
    QByteArray data(bytes, Qt::Uninitialized);
    random.fillRange(reinterpret_cast<quint32*>(data.data()), bytes / 4);
    return data;
}

// Every FF followed by a byte that could be mistaken for a frame sync, or
// by 00, gets a 00 after it; so does a last FF.
QByteArray Unsynchronise(const QByteArray& in) {
    QByteArray out;
    out.reserve(in.size() + in.size() / 128);
    for (qsizetype i = 0; i < in.size(); ++i) {
        out.append(in[i]);
        if (uchar(in[i]) == 0xff && (i + 1 == in.size() || uchar(in[i + 1]) >= 0xe0 || in[i + 1] == 0))
            out.append('\0');
    }
    return out;
}

// The frames of an ID3v2.3 tag as taggers write them: Latin-1 and UTF-16
// text, comments, lyrics, a user text frame and, for `pictureBytes` > 0, a
// picture.
QByteArray Frames(int n, int pictureBytes) {
    const QByteArray num = QByteArray::number(n);
    const QByteArray latin1(1, '\0'); // text encoding byte
    QByteArray frames = bench::Id3v23Frame("TIT2", latin1 + "Title number " + num) +
                        bench::Id3v23Frame("TPE1", Utf16(QString::fromUtf8("Artíst ✓ %1").arg(n % 37))) +
                        bench::Id3v23Frame("TALB", latin1 + "Album " + QByteArray::number(n % 11)) +
                        bench::Id3v23Frame("TYER", latin1 + QByteArray::number(1960 + n % 60)) +
                        bench::Id3v23Frame("TRCK", latin1 + QByteArray::number(n % 20 + 1) + "/20") +
                        bench::Id3v23Frame("TCON", latin1 + "(17)Rock") +
                        bench::Id3v23Frame("COMM", QByteArray("\0eng\0", 5) + "Comment for file " + num) +
                        bench::Id3v23Frame("COMM", QByteArray("\0engiTunNORM\0", 13) + " 0000 0000 0000") +
                        bench::Id3v23Frame("USLT", QByteArray("\0eng\0", 5) + QByteArray(400, 'l')) +
                        bench::Id3v23Frame("TXXX", QByteArray("\0KEY\0", 5) + "value " + num);
    if (pictureBytes > 0)
        frames +=
            bench::Id3v23Frame("APIC", QByteArray("\0image/jpeg\0\x03\0", 14) + Picture(n, pictureBytes));
    return frames;
}

QByteArray Tag(int n, int pictureBytes, bool unsync) {
    QByteArray frames = Frames(n, pictureBytes);
    if (unsync) frames = Unsynchronise(frames);
    frames += QByteArray(1024, '\0'); // padding
    QByteArray tag = bench::Id3v23Tag(frames);
    if (unsync) tag[5] = char(0x80);
    return tag;
}

// The sum of what a reader found: the text fields' lengths, the year and the
// track number ("3/20" is track 3); both readers sum the same values.
qint64 ReadOurs(const QString& f) {
    id3::cMP3ID3v2 tag;
    tag.setMP3File(f);
    return tag.Title().size() + tag.Artist().size() + tag.Album().size() + tag.Year().toInt() +
           tag.Track().section(QLatin1Char('/'), 0, 0).toInt() + tag.OtherGenreName().size() +
           tag.Comment().size() + tag.Lyrics().size();
}

qint64 ReadTagLib(const QString& f) {
    TagLib::MPEG::File file(QFile::encodeName(f).constData(), false);
    TagLib::ID3v2::Tag* t = file.ID3v2Tag();
    if (!t) return 0;
    const auto lyrics = t->frameListMap()["USLT"];
    return t->title().size() + t->artist().size() + t->album().size() + t->year() + t->track() +
           t->genre().size() + t->comment().size() +
           (lyrics.isEmpty() ? 0 : lyrics.front()->toString().size());
}

// The values themselves, for comparing file by file.
QStringList ValuesOurs(const QString& f) {
    id3::cMP3ID3v2 tag;
    tag.setMP3File(f);
    return {tag.Title(),
            tag.Artist(),
            tag.Album(),
            QString::number(tag.Year().toInt()),
            QString::number(tag.Track().section(QLatin1Char('/'), 0, 0).toInt()),
            tag.OtherGenreName(),
            tag.Comment(),
            tag.Lyrics()};
}

QStringList ValuesTagLib(const QString& f) {
    TagLib::MPEG::File file(QFile::encodeName(f).constData(), false);
    TagLib::ID3v2::Tag* t = file.ID3v2Tag();
    if (!t) return {};
    auto q = [](const TagLib::String& s) { return QString::fromStdString(s.to8Bit(true)); };
    const auto lyrics = t->frameListMap()["USLT"];
    return {q(t->title()),
            q(t->artist()),
            q(t->album()),
            QString::number(t->year()),
            QString::number(t->track()),
            q(t->genre()),
            q(t->comment()),
            lyrics.isEmpty() ? QString() : q(lyrics.front()->toString())};
}

// Where the readers disagree about `f`, or nothing.
QString Disagreement(const QString& f) {
    static const char* const names[] = {"title", "artist", "album",   "year",
                                        "track", "genre",  "comment", "lyrics"};
    const QStringList a = ValuesOurs(f), b = ValuesTagLib(f);
    if (b.isEmpty()) return QFileInfo(f).fileName() + QStringLiteral(": TagLib found no tag");
    QStringList d;
    for (int i = 0; i < 8; ++i)
        if (a[i] != b[i])
            d << QStringLiteral("%1 \"%2\" / \"%3\"").arg(names[i], a[i].left(40), b[i].left(40));
    return d.isEmpty() ? QString()
                       : QFileInfo(f).fileName() + QStringLiteral(" (ours / TagLib): ") + d.join(", ");
}

// Writes `count` files of one kind and times both readers on them, taking
// turns; prints the closing line and returns whether it passed.
bool RunKind(const QTemporaryDir& dir, const QByteArray& audio, const char* kind, int count, int pictureBytes,
             bool unsync) {
    QStringList files;
    for (int i = 0; i < count; ++i) {
        const QString path =
            dir.filePath(QStringLiteral("%1_%2.mp3").arg(kind).arg(i, 4, 10, QLatin1Char('0')));
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly)) return false;
        f.write(Tag(i, pictureBytes, unsync) + audio);
        files << path;
    }
    qint64 ourSum = 0, tagLibSum = 0;
    bench::Turns turns;
    bench::Alternate(
        bench::Rounds(5), [&](int) { return bench::MicrosPerFile(files, ReadOurs, &ourSum); },
        [&](int) { return bench::MicrosPerFile(files, ReadTagLib, &tagLibSum); }, &turns);
    std::printf("%-14s %d files, tag of %.1f KB: cMP3ID3v2 %7.1f us, TagLib %7.1f us per file (medians); "
                "checksums %lld / %lld\n",
                kind, count, double(Tag(0, pictureBytes, unsync).size()) / 1024.0, turns.Ours(), turns.Peer(),
                (long long)ourSum, (long long)tagLibSum);
    bench::Outcome o;
    o.name = QStringLiteral("bench_tags %1").arg(kind);
    o.figure = QStringLiteral("%1 us/file").arg(turns.Ours(), 0, 'f', 1);
    o.peer = QStringLiteral("TagLib %1 us/file").arg(turns.Peer(), 0, 'f', 1);
    o.ratio = turns.Ratio();
    o.target = "ratio <= 0.5";
    o.met = o.ratio <= 0.5;
    int disagreeing = 0;
    for (const QString& f : files) {
        const QString d = Disagreement(f);
        if (!d.isEmpty() && ++disagreeing <= 3) o.faults << d;
    }
    if (disagreeing > 3) o.faults << QStringLiteral("%1 files in all disagree").arg(disagreeing);
    if (ourSum != tagLibSum && disagreeing == 0)
        o.faults << QStringLiteral("checksums %1 / %2").arg(ourSum).arg(tagLibSum);
    for (const QString& f : files)
        QFile::remove(f);
    return bench::Conclude(o);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int count = bench::CountArg(argc, argv, 1, 1000);
    QTemporaryDir dir;
    if (!dir.isValid()) return 1;
    const QString tone = dir.filePath("tone.mp3");
    if (!bench::MakeMp3Tone("bench_tags", tone, 10, {"-id3v2_version", "0", "-write_id3v1", "0"})) return 1;
    QFile toneFile(tone);
    if (!toneFile.open(QIODevice::ReadOnly)) return 1;
    const QByteArray audio = toneFile.readAll();

    std::printf("bench_tags: reading the ID3v2 tag (MP3File: open, read, decode, close) beside TagLib "
                "(MPEG::File without audio properties), each file opened afresh by both\n");
    bool ok = RunKind(dir, audio, "plain", count, 0, false);
    ok = RunKind(dir, audio, "pictures", count, 20000, false) && ok;
    ok = RunKind(dir, audio, "unsynchronised", count, 20000, true) && ok;

    // One large tag read plain and unsynchronised: undoing the latter is one pass.
    double bigPlain = 0, bigUnsync = 0;
    for (bool u : {false, true}) {
        const QString path = dir.filePath(u ? "big_unsync.mp3" : "big_plain.mp3");
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly)) return 1;
        f.write(Tag(1, 1 << 20, u) + audio);
        f.close();
        qint64 sum = 0;
        std::vector<double> passes;
        for (int i = 0; i < bench::Rounds(5); ++i)
            passes.push_back(bench::MicrosPerFile(QStringList(20, path), ReadOurs, &sum));
        (u ? bigUnsync : bigPlain) = bench::Median(passes);
    }
    std::printf("1 MiB tag: plain %.0f us, unsynchronised %.0f us (unsynchronised / plain %.2f)\n", bigPlain,
                bigUnsync, bigUnsync / bigPlain);
    std::printf("peak memory %.1f MB\n", bench::MaxRssMb());
    return ok ? 0 : 1;
}
