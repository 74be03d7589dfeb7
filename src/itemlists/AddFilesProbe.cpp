#include "itemlists/AddFilesProbe.h"

#include "components/AudioLimits.h"
#include "components/cAudioConverter.h"
#include "core/mdlFunctions.h"
#include "core/mdlSupportedFormats.h"
#include "settings/SettingsVariables.h"

#include <QFile>
#include <QFileInfo>

namespace itemlists {

bool SupportAudioFile(const QString& sFileName) {
    const QString ext = core::GetFileExt(sFileName).toLower();
    return core::GetSupportedFilesFilter().toLower().contains(ext);
}

QString getLegaName(const QString& sPath) {
    QString name = sPath;
    for (const QChar c : {u':', u'?', u'<', u'>', u'\\', u'/', u'*', u'|'}) {
        const qsizetype at = name.indexOf(c);
        if (at >= 0) name.remove(at, 1);
    }
    return name;
}

namespace {
// Why the converter refused a file, in the user's terms.
QString RefusalReason(const QString& path, qint32 opened) {
    using components::cAudioConverter;
    switch (opened) {
    case cAudioConverter::OpenNoFile: {
        const QFileInfo fi(path);
        if (fi.exists() && !fi.isFile()) return QStringLiteral("It is not a file.");
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return QStringLiteral("It cannot be read: %1.").arg(file.errorString());
        return QStringLiteral("It cannot be read.");
    }
    case cAudioConverter::OpenNoAudio:
        return QStringLiteral("It holds no audio.");
    case cAudioConverter::OpenNoDecoder:
        return QStringLiteral("Its audio cannot be decoded.");
    case cAudioConverter::OpenBeyondBounds:
        return QStringLiteral("It cannot be examined within the limits set for opening a file.");
    case cAudioConverter::OpenTooManyChannels:
        return QStringLiteral("It has more channels than can be used (at most %1).")
            .arg(components::kMaxChannels);
    default:
        return QStringLiteral("It is not an audio file.");
    }
}
} // namespace

QString CannotAddText(const QString& path, const QString& reason) {
    QString shown = path;
    for (QChar& c : shown) {
        if (c.unicode() < 0x20)
            c = QChar(0x2400 + c.unicode());
        else if (c.unicode() == 0x7f)
            c = QChar(0x2421);
    }
    QString text = QStringLiteral("Cannot add ") + shown;
    if (!reason.isEmpty()) text += QStringLiteral("\r\n\r\n") + reason;
    return text;
}

AddTagDefaults AddTagDefaults::FromSettings() {
    AddTagDefaults t;
    t.copyFromSource = settings::g_bCopyID3FromSource;
    t.album = settings::g_sTagAlbum;
    t.artist = settings::g_sTagArtist;
    t.comment = settings::g_sTagComment;
    t.genre = settings::g_sTagGenre;
    t.year = settings::g_sTagYear;
    t.title = settings::g_sTagSong;
    t.track = settings::g_sTagTrack;
    return t;
}

AddFileResult ProbeFileForList(const QString& path, components::cAudioConverter& converter,
                               const AddTagDefaults& tags) {
    AddFileResult out;
    const QFileInfo fi(path);
    if (fi.isDir()) return out;
    // A path that is gone has no byte count; it goes on to the probe, which refuses it.
    if (fi.exists() && fi.size() == 0) return out;
    if (!SupportAudioFile(path)) return out;

    if (path.contains(u'\n') || path.contains(u'\r')) {
        out.kind = AddFileResult::Refused;
        out.reason = QStringLiteral("Its name holds a line break, which an items list cannot keep.");
        return out;
    }
    const qint32 opened = converter.OpenSource(path);
    if (opened != components::cAudioConverter::OpenOk) {
        out.kind = AddFileResult::Refused;
        out.reason = RefusalReason(path, opened);
        return out;
    }

    ItemRow& row = out.row;
    row.incIcon = ICON_MARKED;
    row.typeIcon = ICON_AUDIO;
    row.itemName = getLegaName(core::GetFileName(path));
    row.setRange(QStringLiteral("1"), QString(), QString());
    row.setFromSource(path, converter, tags.copyFromSource);
    if (!tags.copyFromSource) {
        row.album = tags.album;
        row.artist = tags.artist;
        row.comment = tags.comment;
        row.genre = tags.genre;
        row.year = tags.year;
        row.title = tags.title;
        row.track = tags.track;
    }
    out.kind = AddFileResult::Added;
    return out;
}

} // namespace itemlists
