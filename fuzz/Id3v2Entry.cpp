#include "Id3v2Entry.h"

#include "id3/ID3v2Format.h"
#include "id3/TagError.h"
#include "id3/cMP3ID3v2.h"

#include <QByteArray>

namespace tagtests {

int FuzzID3v2(const uint8_t* data, size_t size) {
    using namespace id3;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));

    cMP3ID3v2 t;
    t.ReadFromBytes(bytes);
    qsizetype sink = t.Title().size() + t.Artist().size() + t.Album().size() + t.Year().size() +
                     t.Comment().size() + t.Lyrics().size() + t.Track().size() + t.OtherGenreName().size() +
                     t.LinkTo().size() + t.PlayCounter().size() + t.AudioURL().size() + t.Genre();
    for (qint32 i = 1; i <= t.FrameCount(); ++i) {
        const QString id = t.Frame(i);
        for (qint32 n = 1; n <= t.TagsInFrame(id); ++n)
            sink += t.GetFrameValue(id, n).size();
    }
    try {
        sink += t.RenderTag().size();
        t.setTitle(QStringLiteral("fuzz"));
        t.setComment(QStringLiteral("c \u2713"));
        t.setLyrics(QString());
        t.setLinkTo(QStringLiteral("http://x"));
        t.setYear(QStringLiteral("2000"));
        t.setGenre(1);
        t.setPlayCounter(QStringLiteral("7"));
        sink += t.RenderTag().size();
    } catch (const TagError&) {
    }

    // The decoders on their own, on any bytes.
    v2::LangTextFrame lt;
    v2::ParseLangText(bytes, lt);
    QString desc, url;
    v2::ParseUserUrl(bytes, desc, url);
    sink += v2::DecodeTextBody(bytes).size() + v2::ParseGenre(QString::fromLatin1(bytes)).other.size() +
            v2::RemoveUnsync(bytes).size() + v2::DecodeCounter(bytes.left(16)).size() + lt.text.size();
    return sink < 0 ? 1 : 0;
}

} // namespace tagtests
