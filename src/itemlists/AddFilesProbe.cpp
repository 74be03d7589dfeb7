#include "itemlists/AddFilesProbe.h"

#include "components/cAudioConverter.h"
#include "core/mdlFunctions.h"
#include "core/mdlSupportedFormats.h"
#include "settings/SettingsVariables.h"

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

    if (converter.OpenSource(path) != components::cAudioConverter::OpenOk) {
        out.kind = AddFileResult::Refused;
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
