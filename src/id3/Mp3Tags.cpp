#include "id3/Mp3Tags.h"

#include "id3/ID3v2Format.h"
#include "id3/TagError.h"
#include "id3/cMP3ID3v1.h"
#include "id3/cMP3ID3v2.h"

#include <QStringList>

namespace id3 {

namespace {

// The value of the first user text frame of a description, any letter case.
QString UserText(const cMP3ID3v2& tag, const QString& description) {
    for (qint32 n = 1; n <= tag.TagsInFrame(QStringLiteral("TXXX")); ++n) {
        const QByteArray body = tag.GetFrameData(QStringLiteral("TXXX"), n).body;
        if (body.isEmpty()) continue;
        const quint8 enc = quint8(body.at(0)) > 3 ? 0 : quint8(body.at(0));
        const qsizetype end = v2::FindTerminator(enc, body, 1);
        if (end < 0) continue;
        if (v2::DecodeString(enc, body.mid(1, end - 1)).compare(description, Qt::CaseInsensitive) == 0)
            return tag.GetFrameValue(QStringLiteral("TXXX"), n);
    }
    return QString();
}

} // namespace

bool ReadMp3Tags(const QString& path, Mp3Tags& out) {
    out = Mp3Tags();
    cMP3ID3v2 v2;
    cMP3ID3v1 v1;
    try {
        v2.setMP3File(path);
        v1.setMP3File(path);
    } catch (const TagError&) {
        return false;
    }
    auto pick = [](const QString& first, const QString& second) {
        const QString a = first.trimmed();
        return a.isEmpty() ? second.trimmed() : a;
    };
    out.Title = pick(v2.Title(), v1.Title());
    out.Artist = pick(v2.Artist(), v1.Artist());
    out.Album = pick(v2.Album(), v1.Album());
    out.Year = pick(v2.Year(), v1.Year());
    out.Track = pick(v2.Track(), v1.Track() ? QString::number(v1.Track()) : QString());
    out.Genre = pick(v2.Genres().join(QStringLiteral(" / ")), v1.GenreName(v1.Genre()));
    // Some writers keep the comment in a user text frame named "comment".
    out.Comment = pick(pick(v2.Comment(), UserText(v2, QStringLiteral("comment"))), v1.Comment());
    return true;
}

} // namespace id3
