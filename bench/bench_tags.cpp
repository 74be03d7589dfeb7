// How long reading the ID3v2 tag of an MP3 file takes with cMP3ID3v2 (open,
// find the tag, read its frames, decode the properties, close) against TagLib
// reading the same tag without audio properties, over the same files, for
// three kinds of tag: text only, with a picture, and unsynchronised with a
// picture. Then one 1 MiB tag, plain and unsynchronised.
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

qint64 ReadOurs(id3::cMP3ID3v2& tag, const QString& f) {
    tag.setMP3File(f);
    return tag.Title().size() + tag.Artist().size() + tag.Album().size() + tag.Year().size() +
           tag.Track().size() + tag.OtherGenreName().size() + tag.Comment().size() + tag.Lyrics().size();
}

qint64 ReadTagLib(const QString& f) {
    TagLib::MPEG::File file(QFile::encodeName(f).constData(), false);
    TagLib::ID3v2::Tag* t = file.ID3v2Tag();
    if (!t) return 0;
    const auto lyrics = t->frameListMap()["USLT"];
    return t->title().size() + t->artist().size() + t->album().size() +
           TagLib::String::number(int(t->year())).size() + TagLib::String::number(int(t->track())).size() +
           t->genre().size() + t->comment().size() +
           (lyrics.isEmpty() ? 0 : lyrics.front()->toString().size());
}

// Writes `count` files of one kind and times both readers on them; the ratio.
double RunKind(const QTemporaryDir& dir, const QByteArray& audio, const char* kind, int count,
               int pictureBytes, bool unsync, bool* ok) {
    QStringList files;
    for (int i = 0; i < count; ++i) {
        const QString path =
            dir.filePath(QStringLiteral("%1_%2.mp3").arg(kind).arg(i, 4, 10, QLatin1Char('0')));
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly)) {
            *ok = false;
            return 0;
        }
        f.write(Tag(i, pictureBytes, unsync) + audio);
        files << path;
    }
    id3::cMP3ID3v2 tag;
    qint64 ourSum = 0, tagLibSum = 0;
    const double ours = bench::BestMicrosPerFile(
        files, 5, [&](const QString& f) { return ReadOurs(tag, f); }, &ourSum);
    const double tagLib = bench::BestMicrosPerFile(files, 5, ReadTagLib, &tagLibSum);
    std::printf("%-14s %d files, tag of %.1f KB: cMP3ID3v2 %7.1f us, TagLib %7.1f us per file; "
                "checksums %lld / %lld\n",
                kind, count, double(Tag(0, pictureBytes, unsync).size()) / 1024.0, ours, tagLib,
                (long long)ourSum, (long long)tagLibSum);
    for (const QString& f : files)
        QFile::remove(f);
    return ours / tagLib;
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

    bool ok = true;
    std::printf("bench_tags: reading the ID3v2 tag (MP3File: open, read, decode, close) beside TagLib "
                "(MPEG::File without audio properties)\n");
    const double plain = RunKind(dir, audio, "plain", count, 0, false, &ok);
    const double pictures = RunKind(dir, audio, "pictures", count, 20000, false, &ok);
    const double unsync = RunKind(dir, audio, "unsynchronised", count, 20000, true, &ok);

    // One large tag read plain and unsynchronised: undoing the latter is one pass.
    double bigPlain = 0, bigUnsync = 0;
    for (bool u : {false, true}) {
        const QString path = dir.filePath(u ? "big_unsync.mp3" : "big_plain.mp3");
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly)) return 1;
        f.write(Tag(1, 1 << 20, u) + audio);
        f.close();
        qint64 sum = 0;
        (u ? bigUnsync : bigPlain) = bench::BestMicrosPerFile(
            QStringList(20, path), 3,
            [](const QString& p) {
                id3::cMP3ID3v2 t;
                return ReadOurs(t, p);
            },
            &sum);
    }
    std::printf("1 MiB tag: plain %.0f us, unsynchronised %.0f us (unsynchronised / plain %.2f)\n", bigPlain,
                bigUnsync, bigUnsync / bigPlain);
    std::printf("peak memory %.1f MB\n", bench::MaxRssMb());
    std::printf(
        "ratio cMP3ID3v2 / TagLib: plain %.2f, pictures %.2f, unsynchronised %.2f (target <= 0.5 each)\n",
        plain, pictures, unsync);
    return ok ? 0 : 1;
}
