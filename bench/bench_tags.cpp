// How long reading the ID3v2 tag of an MP3 file takes with cMP3ID3v2 (open,
// find the tag, read its frames, decode the properties, close) against TagLib
// reading the same tag without audio properties, over the same files.
// Usage: bench_tags [file count, default 1000]
#include "BenchSupport.h"
#include "id3/cMP3ID3v2.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
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

// An ID3v2.3 tag as taggers write them: Latin-1 and UTF-16 text, comments,
// lyrics, a user text frame, a 20 KB picture and padding.
QByteArray Tag(int n) {
    const QByteArray num = QByteArray::number(n);
    const QByteArray latin1(1, '\0'); // text encoding byte
    QByteArray frames =
        bench::Id3v23Frame("TIT2", latin1 + "Title number " + num) +
        bench::Id3v23Frame("TPE1", Utf16(QString::fromUtf8("Artíst ✓ %1").arg(n % 37))) +
        bench::Id3v23Frame("TALB", latin1 + "Album " + QByteArray::number(n % 11)) +
        bench::Id3v23Frame("TYER", latin1 + QByteArray::number(1960 + n % 60)) +
        bench::Id3v23Frame("TRCK", latin1 + QByteArray::number(n % 20 + 1) + "/20") +
        bench::Id3v23Frame("TCON", latin1 + "(17)Rock") +
        bench::Id3v23Frame("COMM", QByteArray("\0eng\0", 5) + "Comment for file " + num) +
        bench::Id3v23Frame("COMM", QByteArray("\0engiTunNORM\0", 13) + " 0000 0000 0000") +
        bench::Id3v23Frame("USLT", QByteArray("\0eng\0", 5) + QByteArray(400, 'l')) +
        bench::Id3v23Frame("TXXX", QByteArray("\0KEY\0", 5) + "value " + num) +
        bench::Id3v23Frame("APIC", QByteArray("\0image/jpeg\0\x03\0", 14) + QByteArray(20000, char(n)));
    frames += QByteArray(1024, '\0');
    return bench::Id3v23Tag(frames);
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
    QStringList files;
    for (int i = 0; i < count; ++i) {
        const QString path = dir.filePath(QStringLiteral("item%1.mp3").arg(i, 4, 10, QLatin1Char('0')));
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly)) return 1;
        f.write(Tag(i) + audio);
        files << path;
    }
    std::printf(
        "bench_tags: %d MP3 files with an ID3v2.3 tag of %.1f KB (11 frames, 20 KB picture), %.1f KB each\n",
        count, double(Tag(0).size()) / 1024.0, double(QFileInfo(files.first()).size()) / 1024.0);

    qint64 ourSum = 0;
    id3::cMP3ID3v2 tag;
    const double ours = bench::BestMicrosPerFile(
        files, 5,
        [&](const QString& f) -> qint64 {
            tag.setMP3File(f);
            return tag.Title().size() + tag.Artist().size() + tag.Album().size() + tag.Year().size() +
                   tag.Track().size() + tag.OtherGenreName().size() + tag.Comment().size() +
                   tag.Lyrics().size();
        },
        &ourSum);

    qint64 tagLibSum = 0;
    const double tagLib = bench::BestMicrosPerFile(
        files, 5,
        [](const QString& f) -> qint64 {
            TagLib::MPEG::File file(QFile::encodeName(f).constData(), false);
            TagLib::ID3v2::Tag* t = file.ID3v2Tag();
            if (!t) return 0;
            const auto lyrics = t->frameListMap()["USLT"];
            return t->title().size() + t->artist().size() + t->album().size() +
                   TagLib::String::number(int(t->year())).size() +
                   TagLib::String::number(int(t->track())).size() + t->genre().size() + t->comment().size() +
                   (lyrics.isEmpty() ? 0 : lyrics.front()->toString().size());
        },
        &tagLibSum);

    std::printf("  cMP3ID3v2 (MP3File: open, read the tag, decode, close): %8.1f us per file\n", ours);
    std::printf("  TagLib    (MPEG::File without audio properties):       %8.1f us per file\n", tagLib);
    std::printf("  ratio cMP3ID3v2 / TagLib: %.2f (target <= 1.0)\n", ours / tagLib);
    std::printf("  checksums: cMP3ID3v2 %lld, TagLib %lld; peak memory %.1f MB\n", (long long)ourSum,
                (long long)tagLibSum, bench::MaxRssMb());
    return 0;
}
