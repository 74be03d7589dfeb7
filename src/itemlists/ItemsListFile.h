// The items-list file (".flst"): one line of records
//   <ITEM><Inc>1</Inc><Type>Audio</Type>...<COL_TAG_TRACK>1</COL_TAG_TRACK></ITEM>
// followed by CR LF, written as UTF-8 (read as UTF-8, else Windows-1252).
// In values "&" is written "&amp;" and "<" is written "&lt;", so no value can
// end a field or start a record; the reader decodes exactly these two, so
// files written without escapes read as they always did.
//
// Records whose source file is missing or cannot be opened are not shown but
// kept (ItemsListHolder) and written back unchanged by the next save, so a
// list read while a disk is away loses nothing.
#pragma once

#include "itemlists/ItemRows.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

namespace components {
class cAudioConverter;
}

namespace itemlists {

constexpr qint32 kListFieldCount = 14;
// The fields of a record, in the order they are written.
const QStringList& ListFieldKeys();

// "&" -> "&amp;", "<" -> "&lt;".
QString EncodeListValue(const QString& value);
// "&amp;" -> "&", "&lt;" -> "<"; every other text, "&" included, stays.
QString DecodeListValue(const QString& value);

// The value of the field `key` in the text of one record: the text between the
// first "<key>" and the first "</key>" (exact, case-sensitive), decoded. ""
// when the closing tag is missing or lies before the end of the opening tag.
QString GetTagValue(const QString& key, const QString& record);

// One record as its fourteen field values (decoded).
struct ListRecord {
    QString inc;
    QString type = QStringLiteral("Audio");
    QString itemName;
    QString file;
    QString rangeAll;
    QString rangeStart;
    QString rangeLength;
    QString album;
    QString artist;
    QString comment;
    QString genre;
    QString year;
    QString title;
    QString track;

    bool operator==(const ListRecord&) const = default;
};

// "<ITEM>", the fourteen fields encoded, "</ITEM>".
QString SerializeRecord(const ListRecord& record);
// The fields of one record's text.
ListRecord ParseRecord(const QString& recordText);

// The record texts of a list file's text: the text split at every "<ITEM>",
// each piece given back with its "<ITEM>" and without trailing line breaks;
// the empty piece before the first "<ITEM>" is left out (a non-empty one,
// which no writer makes, is returned as it stands).
QStringList SplitRecords(const QString& listText);
// Number of "<ITEM>" in the text.
qint32 CountRecords(const QString& listText);

// A record left out of the grid, kept with its text as read. `anchor` is the
// number of shown rows that preceded it, so it is written back at its place.
struct KeptRecord {
    qint32 anchor = 0;
    QString text;
};

// The records of one list that the grid does not show. The main window owns
// one beside its grid; it belongs to the list whose path it names.
class ItemsListHolder {
public:
    QString Path() const { return m_path; }
    // Starts holding the list at `path`, with no kept records.
    void Reset(const QString& path);
    bool Holds(const QString& path) const { return !m_path.isEmpty() && m_path == path; }
    const QList<KeptRecord>& KeptRecords() const { return m_kept; }
    void Keep(qint32 anchor, const QString& text) { m_kept.append({anchor, text}); }
    qint32 KeptCount() const { return static_cast<qint32>(m_kept.size()); }
    // Drops the kept records: called when the user clears the whole list
    // (Clear the List); the next save then writes the shown rows only.
    // Removing single items keeps them: the user never saw them to remove.
    void DropKeptRecords() { m_kept.clear(); }

private:
    QString m_path;
    QList<KeptRecord> m_kept;
};

// The text of a list file (without its final CR LF): the rows in order, with
// the kept records put back before the row their anchor names (anchors past
// the last row go to the end).
QString ComposeListText(const QList<ListRecord>& rows, const QList<KeptRecord>& kept = {});
// Writes the list text and one CR LF through a temporary name. False when the
// file could not be written; the old file is then untouched.
bool WriteListFile(const QString& path, const QString& listText);
// The text of a list file; "" when it is missing or unreadable.
QString ReadListFile(const QString& path);

// --- reading a list with its source files

struct LoadedList {
    QList<ItemRow> rows;    // the records whose source file could be opened, in file order
    QList<KeptRecord> kept; // the records whose source file is missing or unreadable
    qint32 recordCount = 0; // number of "<ITEM>" in the file
};

// Called with the count of rows loaded so far and the number of records.
using ListProgress = std::function<void(qint32 value, qint32 maximum)>;

// Reads the list file and probes every record's source file with the
// converter: length, size and creation time; with copyTagsFromSource the
// tags come from the source file, else from the record.
LoadedList LoadItemsList(const QString& path, components::cAudioConverter& converter, bool copyTagsFromSource,
                         const ListProgress& progress = {});

} // namespace itemlists
