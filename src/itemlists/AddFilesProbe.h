// What adding a file to an items list decides about one path, without any
// window: whether it is taken at all, and the item row it becomes. The Add
// Files window (frmStat.h) runs this on a worker thread.
#pragma once

#include "itemlists/ItemRows.h"

#include <QString>

namespace components {
class cAudioConverter;
}

namespace itemlists {

// The extension of the path (text after the last "." of its last element),
// lower-cased, occurs somewhere in the lower-cased supported-files filter.
// A part of the filter text passes, not only a listed pattern: "mp3", "MP3",
// "wave", "mp" and an empty extension pass; "ape", "flac" and "mid" do not.
bool SupportAudioFile(const QString& sFileName);

// Removes the first occurrence, and only the first, of each of : ? < > \ / * |
// in this order.
QString getLegaName(const QString& sPath);

// The default tag texts an added row gets when the tags are not copied from
// the file, taken from the settings once per add (the settings belong to the
// GUI thread).
struct AddTagDefaults {
    bool copyFromSource = false;
    QString album, artist, comment, genre, year, title, track;
    static AddTagDefaults FromSettings();
};

// The fate of one path.
struct AddFileResult {
    enum Kind {
        Skipped, // a folder or an unsupported extension: no row, no message
        Refused, // cannot be added: "Cannot add " + path, and `reason`
        Added,   // `row` is the new item row
    };
    Kind kind = Skipped;
    QString reason; // why it was refused, as a sentence
    ItemRow row;
};

// The message of a refused path: "Cannot add " and the path (its control
// characters shown as their visible symbols), then the reason.
QString CannotAddText(const QString& path, const QString& reason);

// Tests and probes one path with the converter. A path holding a line
// break is refused: an items list, a text of lines, cannot keep it. (OpenSource; the file stays
// open until the next OpenSource or Close) and builds its row: marked, audio
// icon, the cleaned file name, the length rounded to whole seconds (halves to
// even), byte count, creation time, whole range and the tags. The size text
// ("Size") is left empty: it follows the locale of the services, which
// belong to the GUI thread, while this may run on a worker.
AddFileResult ProbeFileForList(const QString& path, components::cAudioConverter& converter,
                               const AddTagDefaults& tags);

} // namespace itemlists
