// How long examining one item takes, as the list reader and Add Files do it
// (open, length, tags, close), against TagLib reading the same length and tags.
// Usage: bench_probe [file count, default 1000]
#include "BenchSupport.h"
#include "components/cAudioConverter.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <taglib/audioproperties.h>
#include <taglib/fileref.h>
#include <taglib/tag.h>

#include <cstdio>
#include <functional>

namespace {

QByteArray TextFrame(const char* id, const QByteArray& text) {
    return bench::Id3v23Frame(id, '\0' + text); // Latin-1
}

// An ID3v2.3 tag with the seven fields, and the matching ID3v1 tag.
QByteArray Id3v2(int n) {
    QByteArray frames = TextFrame("TIT2", "Title number " + QByteArray::number(n)) +
                        TextFrame("TPE1", "Artist " + QByteArray::number(n % 37)) +
                        TextFrame("TALB", "Album " + QByteArray::number(n % 11)) +
                        TextFrame("TYER", QByteArray::number(1960 + n % 60)) +
                        TextFrame("TRCK", QByteArray::number(n % 20 + 1) + "/20") + TextFrame("TCON", "Rock");
    const QByteArray comm = QByteArray(1, '\0') + "eng" + '\0' + "Comment for file " + QByteArray::number(n);
    frames += bench::Id3v23Frame("COMM", comm);
    frames += QByteArray(256, '\0'); // padding, as taggers leave it
    return bench::Id3v23Tag(frames);
}

QByteArray Id3v1(int n) {
    auto field = [](QByteArray s, int len) {
        s.truncate(len);
        return s + QByteArray(len - s.size(), '\0');
    };
    return "TAG" + field("Title number " + QByteArray::number(n), 30) + field("Artist", 30) +
           field("Album", 30) + field(QByteArray::number(1960 + n % 60), 4) + field("Comment", 28) + '\0' +
           char(n % 20 + 1) + char(17);
}

// Writes `count` tagged copies of one encoded tone and times both readers on them.
bool RunSet(const QTemporaryDir& dir, int count, bool vbrHeader) {
    const QString tag = vbrHeader ? QStringLiteral("xing") : QStringLiteral("noxing");
    const QString tone = dir.filePath(tag + "_tone.mp3");
    if (!bench::MakeMp3Tone(
            "bench_probe", tone, 30,
            {"-write_xing", vbrHeader ? "1" : "0", "-id3v2_version", "0", "-write_id3v1", "0"}))
        return false;
    QFile toneFile(tone);
    if (!toneFile.open(QIODevice::ReadOnly)) return false;
    const QByteArray audio = toneFile.readAll();
    QStringList files;
    for (int i = 0; i < count; ++i) {
        const QString path =
            dir.filePath(QStringLiteral("%1_item%2.mp3").arg(tag).arg(i, 4, 10, QLatin1Char('0')));
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly)) return false;
        f.write(Id3v2(i) + audio + Id3v1(i));
        files << path;
    }
    std::printf("%d tagged MP3 files (30 s, 128 kbps CBR, %s, ID3v2.3 + ID3v1), %.1f KB each\n", count,
                vbrHeader ? "with VBR header" : "without VBR header",
                double(QFileInfo(files.first()).size()) / 1024.0);

    components::cAudioConverter converter;
    qint64 ourSum = 0;
    int failures = 0;
    const double ours = bench::BestMicrosPerFile(
        files, 3,
        [&](const QString& f) -> qint64 {
            if (converter.OpenSource(f) != 0) {
                ++failures;
                return 0;
            }
            const qint64 ms = converter.Duration();
            converter.ReadTags(f);
            const qint64 len = converter.TagTitle().size() + converter.TagArtist().size() +
                               converter.TagAlbum().size() + converter.TagYear().size() +
                               converter.TagTrack().size() + converter.TagGenre().size() +
                               converter.TagComment().size();
            converter.CloseSource();
            return ms + len;
        },
        &ourSum);
    const double oursRss = bench::MaxRssMb();

    qint64 tagLibSum = 0;
    const double tagLib = bench::BestMicrosPerFile(
        files, 3,
        [](const QString& f) -> qint64 {
            TagLib::FileRef ref(QFile::encodeName(f).constData(), true, TagLib::AudioProperties::Average);
            if (ref.isNull() || !ref.tag() || !ref.audioProperties()) return 0;
            const TagLib::Tag* t = ref.tag();
            const qint64 ms = ref.audioProperties()->lengthInMilliseconds();
            const qint64 len = t->title().size() + t->artist().size() + t->album().size() +
                               TagLib::String::number(int(t->year())).size() +
                               TagLib::String::number(int(t->track())).size() + t->genre().size() +
                               t->comment().size();
            return ms + len;
        },
        &tagLibSum);

    std::printf("  converter (OpenSource + Duration + ReadTags + CloseSource): %8.1f us per item\n", ours);
    std::printf("  TagLib    (FileRef: length + tags):                          %8.1f us per item\n", tagLib);
    std::printf("  ratio converter / TagLib: %.2f (target <= %.1f)\n", ours / tagLib, vbrHeader ? 2.0 : 1.0);
    std::printf("  peak memory (ru_maxrss) after the converter passes: %.1f MB (target < 150 MB)\n", oursRss);
    std::printf("  files refused: %d; checksum converter %lld, TagLib %lld\n", failures, (long long)ourSum,
                (long long)tagLibSum);
    for (const QString& f : files)
        QFile::remove(f);
    return failures == 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int count = bench::CountArg(argc, argv, 1, 1000);
    QTemporaryDir dir;
    if (!dir.isValid()) return 1;
    std::printf("bench_probe: peak memory at start %.1f MB\n", bench::MaxRssMb());
    bool ok = RunSet(dir, count, true);
    ok = RunSet(dir, count, false) && ok;
    std::printf("bench_probe: peak memory at the end %.1f MB\n", bench::MaxRssMb());
    return ok ? 0 : 1;
}
