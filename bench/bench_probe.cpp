// How long examining one item takes, as the list reader and Add Files do it
// (open, length, tags, close), against TagLib reading the same length and
// tags, the two taking turns for several rounds. Both must find the same tags
// and lengths within one MP3 frame in every file.
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
#include <cstdlib>
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

// What a reader found in one file, as both readers can give it: the length in
// milliseconds, the text fields, and the year and track as numbers ("3/20" is
// track 3).
struct Found {
    qint64 ms = 0;
    QString title, artist, album, genre, comment;
    int year = 0, track = 0;
};

Found ProbeOurs(components::cAudioConverter& converter, const QString& f, bool* ok) {
    Found r;
    *ok = converter.OpenSource(f) == 0;
    if (!*ok) return r;
    r.ms = converter.Duration();
    converter.ReadTags(f);
    r.title = converter.TagTitle();
    r.artist = converter.TagArtist();
    r.album = converter.TagAlbum();
    r.genre = converter.TagGenre();
    r.comment = converter.TagComment();
    r.year = converter.TagYear().toInt();
    r.track = converter.TagTrack().section(QLatin1Char('/'), 0, 0).toInt();
    converter.CloseSource();
    return r;
}

Found ProbeTagLib(const QString& f) {
    Found r;
    TagLib::FileRef ref(QFile::encodeName(f).constData(), true, TagLib::AudioProperties::Average);
    if (ref.isNull() || !ref.tag() || !ref.audioProperties()) return r;
    const TagLib::Tag* t = ref.tag();
    r.ms = ref.audioProperties()->lengthInMilliseconds();
    r.title = QString::fromStdString(t->title().to8Bit(true));
    r.artist = QString::fromStdString(t->artist().to8Bit(true));
    r.album = QString::fromStdString(t->album().to8Bit(true));
    r.genre = QString::fromStdString(t->genre().to8Bit(true));
    r.comment = QString::fromStdString(t->comment().to8Bit(true));
    r.year = int(t->year());
    r.track = int(t->track());
    return r;
}

// Where the two readers disagree about `f`; empty when they agree. Lengths
// may differ by 1 ms: the converter truncates the length to whole
// milliseconds, TagLib rounds it.
QString Disagreement(const QString& f, const Found& a, const Found& b) {
    QStringList d;
    if (std::llabs(a.ms - b.ms) > 1) d << QStringLiteral("length %1 ms / %2 ms").arg(a.ms).arg(b.ms);
    const std::pair<const char*, std::pair<QString, QString>> texts[] = {
        {"title", {a.title, b.title}}, {"artist", {a.artist, b.artist}},    {"album", {a.album, b.album}},
        {"genre", {a.genre, b.genre}}, {"comment", {a.comment, b.comment}},
    };
    for (const auto& [name, values] : texts)
        if (values.first != values.second)
            d << QStringLiteral("%1 \"%2\" / \"%3\"").arg(name, values.first, values.second);
    if (a.year != b.year) d << QStringLiteral("year %1 / %2").arg(a.year).arg(b.year);
    if (a.track != b.track) d << QStringLiteral("track %1 / %2").arg(a.track).arg(b.track);
    return d.isEmpty() ? QString()
                       : QFileInfo(f).fileName() + QStringLiteral(" (ours / TagLib): ") + d.join(", ");
}

// Writes `count` tagged copies of one encoded tone and times both readers on
// them; prints the closing line and returns whether the target was met.
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

    // Each side sums the same values of every file: the length in
    // milliseconds, the text fields' lengths, the year and the track number.
    components::cAudioConverter converter;
    qint64 ourSum = 0, tagLibSum = 0;
    int failures = 0;
    auto ours = [&](const QString& f) -> qint64 {
        if (converter.OpenSource(f) != 0) {
            ++failures;
            return 0;
        }
        const qint64 ms = converter.Duration();
        converter.ReadTags(f);
        const qint64 sum = converter.TagTitle().size() + converter.TagArtist().size() +
                           converter.TagAlbum().size() + converter.TagYear().toInt() +
                           converter.TagTrack().section(QLatin1Char('/'), 0, 0).toInt() +
                           converter.TagGenre().size() + converter.TagComment().size();
        converter.CloseSource();
        return ms + sum;
    };
    auto tagLib = [](const QString& f) -> qint64 {
        TagLib::FileRef ref(QFile::encodeName(f).constData(), true, TagLib::AudioProperties::Average);
        if (ref.isNull() || !ref.tag() || !ref.audioProperties()) return 0;
        const TagLib::Tag* t = ref.tag();
        const qint64 ms = ref.audioProperties()->lengthInMilliseconds();
        return ms + t->title().size() + t->artist().size() + t->album().size() + t->year() + t->track() +
               t->genre().size() + t->comment().size();
    };
    bench::Turns turns;
    bench::Alternate(
        bench::Rounds(5), [&](int) { return bench::MicrosPerFile(files, ours, &ourSum); },
        [&](int) { return bench::MicrosPerFile(files, tagLib, &tagLibSum); }, &turns);
    const double oursRss = bench::MaxRssMb();
    const double target = vbrHeader ? 2.0 : 1.0;

    std::printf("  converter (OpenSource + Duration + ReadTags + CloseSource): %8.1f us per item (median)\n",
                turns.Ours());
    std::printf("  TagLib    (FileRef: length + tags):                          %8.1f us per item (median)\n",
                turns.Peer());
    std::printf("  peak memory (ru_maxrss) after the passes: %.1f MB (target < 150 MB)\n", oursRss);
    std::printf("  files refused: %d; checksum converter %lld, TagLib %lld\n", failures, (long long)ourSum,
                (long long)tagLibSum);

    bench::Outcome o;
    o.name = QStringLiteral("bench_probe %1").arg(vbrHeader ? "VBR header" : "no VBR header");
    o.figure = QStringLiteral("%1 us/file, %2 MB").arg(turns.Ours(), 0, 'f', 1).arg(oursRss, 0, 'f', 1);
    o.peer = QStringLiteral("TagLib %1 us/file").arg(turns.Peer(), 0, 'f', 1);
    o.ratio = turns.Ratio();
    o.target = QStringLiteral("ratio <= %1, memory < 150 MB").arg(target, 0, 'f', 1);
    o.met = o.ratio <= target && oursRss < 150.0;
    if (failures) o.faults << QStringLiteral("%1 files refused").arg(failures / int(turns.ours.size()));
    // The same values read by both, file by file.
    int disagreeing = 0;
    for (const QString& f : files) {
        bool opened = false;
        const QString d = Disagreement(f, ProbeOurs(converter, f, &opened), ProbeTagLib(f));
        if (!d.isEmpty() && ++disagreeing <= 3) o.faults << d;
    }
    if (disagreeing > 3) o.faults << QStringLiteral("%1 files in all disagree").arg(disagreeing);
    // The sums may differ only by the rounding of each file's length.
    if (disagreeing == 0 && std::llabs(ourSum - tagLibSum) > files.size())
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
    std::printf("bench_probe: peak memory at start %.1f MB\n", bench::MaxRssMb());
    bool ok = RunSet(dir, count, true);
    ok = RunSet(dir, count, false) && ok;
    std::printf("bench_probe: peak memory at the end %.1f MB\n", bench::MaxRssMb());
    return ok ? 0 : 1;
}
