// The items-list file (".flst"): one line of records
//   <ITEM><Inc>1</Inc><Type>Audio</Type>...<COL_TAG_TRACK>1</COL_TAG_TRACK></ITEM>
// followed by CR LF, written as UTF-8. Read value by value: each value is
// UTF-8 where its bytes are valid UTF-8, else Windows-1252, so one stray byte
// spoils no other value.
// In values "&" is written "&amp;" and "<" is written "&lt;", so no value can
// end a field or start a record; the reader decodes exactly these two, so
// files written without escapes read as they always did.
//
// Records whose source file is missing or cannot be opened are not shown but
// kept (ItemsListHolder) and written back unchanged by the next save, so a
// list read while a disk is away loses nothing.
//
// A record whose tags the user edited carries one more field after the
// fourteen, <COL_TAG_EDITED>1</COL_TAG_EDITED>: its stored tags win over the
// source file's when the list is read again. Other records are written as
// they always were.
#pragma once

#include "itemlists/ItemRows.h"

#include <QList>
#include <QLocale>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace components {
class cAudioConverter;
}

namespace itemlists {

constexpr qint32 kListFieldCount = 14;
// The field that marks a record whose tags were edited.
inline const QString kTagsEditedField = QStringLiteral("COL_TAG_EDITED");
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
    bool tagsEdited = false; // the tags were edited: they are not replaced by the source file's

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
    // The list's file could not be read whole when it was opened (a read
    // error, not a missing file): what the grid shows is not all of it, so
    // it is not written over until it is opened again.
    void SetUnreadable(bool unreadable) { m_unreadable = unreadable; }
    bool Unreadable() const { return m_unreadable; }

private:
    QString m_path;
    QList<KeptRecord> m_kept;
    bool m_unreadable = false;
};

// The text of a list file (without its final CR LF): the rows in order, with
// the kept records put back before the row their anchor names (anchors past
// the last row go to the end).
QString ComposeListText(const QList<ListRecord>& rows, const QList<KeptRecord>& kept = {});
// The bytes of a list file as WriteListFile writes ComposeListText's text
// (UTF-8, CR LF line breaks, the closing CR LF), made without the text in
// between: a long list is saved in a fraction of the time and memory.
QByteArray ComposeListBytes(const QList<ListRecord>& rows, const QList<KeptRecord>& kept = {});
// The pieces ComposeListBytes is made of, for a writer that reads the values
// straight from where they are kept: one record from its field values (in
// ListFieldKeys order), and a kept record's text.
void AppendListRecordBytes(QByteArray& out, const QStringView (&values)[kListFieldCount], bool tagsEdited);
void AppendListTextBytes(QByteArray& out, QStringView text);
// Writes the bytes as they are through a temporary name; false (with the
// reason) when the file could not be written, the old file then untouched.
bool WriteListBytes(const QString& path, const QByteArray& bytes, QString* reason = nullptr);
// Writes a list file piece by piece through a temporary name, so a long list
// is never held whole in memory: the caller appends the bytes to Buffer()
// and calls Flush now and then; Commit writes the rest and puts the file in
// place. A writer that is not committed leaves the old file untouched.
class ListFileWriter {
public:
    explicit ListFileWriter(const QString& path);
    ~ListFileWriter();
    ListFileWriter(const ListFileWriter&) = delete;
    ListFileWriter& operator=(const ListFileWriter&) = delete;

    // False (with the reason) when the temporary file cannot be made.
    bool Open(QString* reason = nullptr);
    QByteArray& Buffer() { return m_buffer; }
    // Writes the buffer out once it holds a good piece; false once a write failed.
    bool Flush(bool always = false);
    // Writes the rest and renames the file over the list; false (with the
    // reason) when something could not be written, the old file then untouched.
    bool Commit(QString* reason = nullptr);

private:
    struct File;
    QString m_path;
    std::unique_ptr<File> m_file;
    QByteArray m_buffer;
    QString m_error;
};

// Writes the list text and one CR LF through a temporary name. False when the
// file could not be written (`reason` then says why); the old file is then
// untouched.
bool WriteListFile(const QString& path, const QString& listText, QString* reason = nullptr);
// The text of a list file, lines joined by CR LF without the last one; ""
// when it is missing or unreadable. Each value is decoded on its own (see the
// top of this file).
QString ReadListFile(const QString& path);
// The bytes of a list file as text, value by value: the bytes between two "<"
// are decoded as UTF-8 when they are valid UTF-8, else as Windows-1252.
QString DecodeListBytes(const QByteArray& bytes);

// --- reading a list with its source files

struct LoadedList {
    QList<ItemRow> rows;    // the records whose source file could be opened, in file order
    QList<KeptRecord> kept; // the records whose source file is missing or unreadable
    qint32 recordCount = 0; // number of "<ITEM>" in the file
};

// Called with the count of rows loaded so far and the number of records.
using ListProgress = std::function<void(qint32 value, qint32 maximum)>;

// The row of one record whose source file the converter opens, or false
// (nothing is left open) when the file is missing or cannot be read. The
// "Size" text is left empty: it follows the GUI's locale. With
// copyTagsFromSource the tags come from the source file, unless the record's
// tags were edited; otherwise from the record.
bool RowOfListRecord(const ListRecord& record, components::cAudioConverter& converter,
                     bool copyTagsFromSource, ItemRow* row);

// Reads the list file and probes every record's source file with the
// converter, one after the other: length, size and creation time, and the
// tags as RowOfListRecord says. "Size" is filled.
LoadedList LoadItemsList(const QString& path, components::cAudioConverter& converter, bool copyTagsFromSource,
                         const ListProgress& progress = {});

// Reads a list on threads of its own: one reads the file and finds its
// records, then several probe the source files at once, each with a converter
// of its own. The caller takes the results in file order as they come (Next,
// then Release) while its own thread goes on. The probing runs at most
// kAhead results ahead of the caller, so a long list never piles up between
// the threads. Destroying the loader stops the threads and waits for them.
class ListLoader {
public:
    struct Result {
        bool shown = false;  // the file opened: `row` is its row; else the record is kept
        ItemRow row;         // "Size" in the sizes' locale
        QString createdText; // "Created" as the grid shows it (local time, short format)
        QString text;        // the record's text, for a record that is kept
    };

    // `locale` is the user's (the GUI thread's services give it), used for
    // the sizes and the creation times. threads 0: one per processor, at most
    // kMaxThreads.
    ListLoader(const QString& path, bool copyTagsFromSource, const QLocale& locale, int threads = 0);
    static constexpr int kMaxThreads = 6;
    static constexpr qint32 kAhead = 1024;
    ~ListLoader();
    ListLoader(const ListLoader&) = delete;
    ListLoader& operator=(const ListLoader&) = delete;

    // Called on a loading thread when the records have been counted and
    // again when the last result is ready, so that a caller waiting for
    // either need not poll for it. Set before start; it must stay callable
    // until the loader is destroyed.
    void SetWake(std::function<void()> wake);
    void start();
    // Number of records (pieces of the file), -1 until the file is parsed.
    qint32 RecordCount() const;
    // True when every result has been taken.
    bool AllTaken() const;
    // True when part of the file could not be read (its records are missing
    // from the results); set by the time every result is taken.
    bool Unreadable() const;
    // The next result in file order when it is ready, else null. It stays
    // the loader's: the caller copies what it keeps (a deep copy, so that no
    // string of the probing threads outlives the load) and calls Release.
    const Result* Next();
    // Done with the result Next gave; its slot goes back to the probing.
    void Release();

private:
    struct Shared;
    std::shared_ptr<Shared> m_shared;
};

} // namespace itemlists
