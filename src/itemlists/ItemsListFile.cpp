#include "itemlists/ItemsListFile.h"

#include "components/OutputFiles.h"
#include "components/cAudioConverter.h"
#include "core/mdlFileSystem.h"
#include "core/mdlFunctions.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <thread>
#include <vector>

namespace itemlists {

namespace {
const QString kItemOpen = QStringLiteral("<ITEM>");
const QString kItemClose = QStringLiteral("</ITEM>");
} // namespace

const QStringList& ListFieldKeys() {
    static const QStringList keys{COL_INC,
                                  COL_TYPE,
                                  COL_ITEM_NAME,
                                  COL_FILE,
                                  COL_RANGE_ALL,
                                  COL_RANGE_START_TIME,
                                  COL_RANGE_LENGTH_TIME,
                                  COL_TAG_ALBUM,
                                  COL_TAG_ARTIST,
                                  COL_TAG_COMMENT,
                                  COL_TAG_GEN,
                                  COL_TAG_YEAR,
                                  COL_TAG_TITLE,
                                  COL_TAG_TRACK};
    return keys;
}

QString EncodeListValue(const QString& value) {
    if (!value.contains(QLatin1Char('&')) && !value.contains(QLatin1Char('<'))) return value;
    QString out;
    out.reserve(value.size() + 8);
    for (const QChar c : value) {
        if (c == QLatin1Char('&'))
            out += QLatin1String("&amp;");
        else if (c == QLatin1Char('<'))
            out += QLatin1String("&lt;");
        else
            out += c;
    }
    return out;
}

QString DecodeListValue(const QString& value) {
    if (!value.contains(QLatin1Char('&'))) return value;
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] == QLatin1Char('&')) {
            if (QStringView(value).mid(i).startsWith(QLatin1String("&amp;"))) {
                out += QLatin1Char('&');
                i += 4;
                continue;
            }
            if (QStringView(value).mid(i).startsWith(QLatin1String("&lt;"))) {
                out += QLatin1Char('<');
                i += 3;
                continue;
            }
        }
        out += value[i];
    }
    return out;
}

QString GetTagValue(const QString& key, const QString& record) {
    const QString open = QLatin1Char('<') + key + QLatin1Char('>');
    const QString close = QLatin1String("</") + key + QLatin1Char('>');
    const qsizetype start = record.indexOf(open);
    const qsizetype end = record.indexOf(close);
    if (start < 0 || end < 0) return QString();
    const qsizetype valueStart = start + open.size();
    if (end < valueStart) return QString();
    return DecodeListValue(record.mid(valueStart, end - valueStart));
}

namespace {
// The opening and closing tags of the fields, made once.
struct FieldTags {
    QString open[kListFieldCount];
    QString close[kListFieldCount];
    QString editedOpen, editedClose;
    FieldTags() {
        const QStringList& keys = ListFieldKeys();
        for (int i = 0; i < kListFieldCount; ++i) {
            open[i] = QLatin1Char('<') + keys[i] + QLatin1Char('>');
            close[i] = QLatin1String("</") + keys[i] + QLatin1Char('>');
        }
        editedOpen = QLatin1Char('<') + kTagsEditedField + QLatin1Char('>');
        editedClose = QLatin1String("</") + kTagsEditedField + QLatin1Char('>');
    }
};
const FieldTags& fieldTags() {
    static const FieldTags tags;
    return tags;
}

void appendEncoded(QString& out, const QString& value) {
    if (!value.contains(QLatin1Char('&')) && !value.contains(QLatin1Char('<')))
        out += value;
    else
        out += EncodeListValue(value);
}

void appendRecord(QString& out, const ListRecord& r) {
    const QString* values[kListFieldCount] = {
        &r.inc,   &r.type,   &r.itemName, &r.file,  &r.rangeAll, &r.rangeStart, &r.rangeLength,
        &r.album, &r.artist, &r.comment,  &r.genre, &r.year,     &r.title,      &r.track};
    const FieldTags& tags = fieldTags();
    out += kItemOpen;
    for (int i = 0; i < kListFieldCount; ++i) {
        out += tags.open[i];
        appendEncoded(out, *values[i]);
        out += tags.close[i];
    }
    if (r.tagsEdited) {
        out += tags.editedOpen;
        out += QLatin1Char('1');
        out += tags.editedClose;
    }
    out += kItemClose;
}
} // namespace

QString SerializeRecord(const ListRecord& r) {
    QString out;
    appendRecord(out, r);
    return out;
}

ListRecord ParseRecord(const QString& text) {
    ListRecord r;
    r.inc = GetTagValue(COL_INC, text);
    r.type = GetTagValue(COL_TYPE, text);
    r.itemName = GetTagValue(COL_ITEM_NAME, text);
    r.file = GetTagValue(COL_FILE, text);
    r.rangeAll = GetTagValue(COL_RANGE_ALL, text);
    r.rangeStart = GetTagValue(COL_RANGE_START_TIME, text);
    r.rangeLength = GetTagValue(COL_RANGE_LENGTH_TIME, text);
    r.album = GetTagValue(COL_TAG_ALBUM, text);
    r.artist = GetTagValue(COL_TAG_ARTIST, text);
    r.comment = GetTagValue(COL_TAG_COMMENT, text);
    r.genre = GetTagValue(COL_TAG_GEN, text);
    r.year = GetTagValue(COL_TAG_YEAR, text);
    r.title = GetTagValue(COL_TAG_TITLE, text);
    r.track = GetTagValue(COL_TAG_TRACK, text);
    r.tagsEdited = GetTagValue(kTagsEditedField, text) == QLatin1String("1");
    return r;
}

namespace {
QString withoutTrailingBreaks(QString s) {
    while (s.endsWith(QLatin1Char('\n')) || s.endsWith(QLatin1Char('\r')))
        s.chop(1);
    return s;
}
} // namespace

QStringList SplitRecords(const QString& listText) {
    QStringList records;
    qsizetype at = listText.indexOf(kItemOpen);
    // Text before the first record: nothing in a file we wrote.
    const QString lead = withoutTrailingBreaks(at < 0 ? listText : listText.left(at));
    if (!lead.isEmpty()) records << lead;
    while (at >= 0) {
        const qsizetype next = listText.indexOf(kItemOpen, at + kItemOpen.size());
        QStringView piece = QStringView(listText).mid(at, next < 0 ? -1 : next - at);
        while (piece.endsWith(QLatin1Char('\n')) || piece.endsWith(QLatin1Char('\r')))
            piece.chop(1);
        records << piece.toString();
        at = next;
    }
    return records;
}

qint32 CountRecords(const QString& listText) {
    return static_cast<qint32>(listText.count(kItemOpen));
}

void ItemsListHolder::Reset(const QString& path) {
    m_path = path;
    m_kept.clear();
    m_unreadable = false;
}

QString ComposeListText(const QList<ListRecord>& rows, const QList<KeptRecord>& kept) {
    QString text;
    // A record is about five hundred characters; one allocation up front
    // spares a long list many copies.
    text.reserve(static_cast<qsizetype>(rows.size() + kept.size()) * 512);
    qsizetype k = 0;
    auto putKept = [&](qint32 upTo) {
        while (k < kept.size() && kept[k].anchor <= upTo)
            text += kept[k++].text;
    };
    for (qint32 i = 0; i < rows.size(); ++i) {
        putKept(i);
        appendRecord(text, rows[i]);
    }
    while (k < kept.size())
        text += kept[k++].text;
    return text;
}

bool WriteListFile(const QString& path, const QString& listText, QString* reason) {
    // Line breaks (only ever inside a comment) are written CR LF, as in every
    // text file of the program.
    QByteArray bytes;
    if (listText.contains(QLatin1Char('\n'))) {
        QString body = listText;
        body.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        body.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
        bytes = body.toUtf8();
    } else {
        bytes = listText.toUtf8();
    }
    bytes += "\r\n";
    return WriteListBytes(path, bytes, reason);
}

// A partial file beside the list, renamed over it: a crash or a kill leaves
// the old list or the new one, never a mix, and the partial file a kill left
// is removed by the next save in the folder. It is not forced to the disk
// first (a list is rewritten on every click, and a 24 MB list would wait on
// that for most of a second); the file system writes a file renamed over
// another before it commits the rename.
struct ListFileWriter::File {
    components::PartialFile partial;
    QFile file;
};

namespace {
// The bytes a writer gathers before it writes them.
constexpr qsizetype kWriterPiece = 1 << 20;
} // namespace

ListFileWriter::ListFileWriter(const QString& path) : m_path(path) {}

ListFileWriter::~ListFileWriter() = default;

bool ListFileWriter::Open(QString* reason) {
    auto fail = [&](const QString& why) {
        m_error = why;
        if (reason) *reason = why;
        return false;
    };
    if (m_path.isEmpty()) return fail(QStringLiteral("No file name"));
    if (QFileInfo(m_path).isDir()) return fail(QStringLiteral("A folder of that name is in the way"));
    // A list kept as a link to a file elsewhere is saved into that file: the
    // new contents replace the target, and the link stays.
    if (const QFileInfo link(m_path); link.isSymLink()) {
        const QString target = link.canonicalFilePath();
        if (!target.isEmpty()) m_path = target;
    }
    m_file = std::make_unique<File>();
    const QFileInfo info(m_path);
    if (!m_file->partial.Create(info.absolutePath(), info.fileName())) {
        const QString why = m_file->partial.ErrorText();
        m_file.reset();
        return fail(why);
    }
    if (!m_file->file.open(m_file->partial.Handle(), QIODevice::WriteOnly, QFileDevice::DontCloseHandle)) {
        const QString why = m_file->file.errorString();
        m_file.reset();
        return fail(why);
    }
    m_buffer.reserve(kWriterPiece + kWriterPiece / 4);
    return true;
}

bool ListFileWriter::Flush(bool always) {
    if (!m_file || !m_error.isEmpty()) return false;
    if (m_buffer.isEmpty() || (!always && m_buffer.size() < kWriterPiece)) return true;
    if (!components::WriteAll(m_file->file, m_buffer)) {
        m_error = m_file->file.errorString();
        return false;
    }
    m_buffer.resize(0); // the capacity stays for the next piece
    return true;
}

bool ListFileWriter::Commit(QString* reason) {
    auto fail = [&](const QString& why) {
        if (reason) *reason = why;
        return false;
    };
    if (!m_file) return fail(m_error.isEmpty() ? QStringLiteral("The file is not open") : m_error);
    if (!Flush(true)) return fail(m_error);
    QFile& f = m_file->file;
    if (!f.flush()) return fail(f.errorString());
    f.close();
    // A rewritten list keeps its permissions; a new one has those the umask
    // gives every new file.
    struct stat old {};
    if (::stat(QFile::encodeName(m_path).constData(), &old) == 0)
        ::fchmod(m_file->partial.Handle(), old.st_mode & 07777);
    if (!m_file->partial.Commit(m_path, true)) {
        const QString why = m_file->partial.ErrorText();
        m_file.reset();
        return fail(why);
    }
    m_file.reset();
    return true;
}

bool WriteListBytes(const QString& path, const QByteArray& bytes, QString* reason) {
    ListFileWriter writer(path);
    if (!writer.Open(reason)) return false;
    writer.Buffer() = bytes;
    return writer.Commit(reason);
}

namespace {
// Appends text as UTF-8, every line break CR LF.
void appendUtf8(QByteArray& out, QStringView text) {
    if (text.isEmpty()) return;
    if (text.contains(QLatin1Char('\n'))) {
        QString body = text.toString();
        body.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        body.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
        out += body.toUtf8();
        return;
    }
    // Straight into the buffer: at most three bytes per UTF-16 unit.
    QStringEncoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    const qsizetype used = out.size();
    out.resize(used + text.size() * 3);
    char* end = utf8.appendToBuffer(out.data() + used, text);
    out.truncate(end - out.constData());
}

void appendRecordUtf8(QByteArray& out, const ListRecord& r) {
    const QStringView values[kListFieldCount] = {
        r.inc,   r.type,   r.itemName, r.file,  r.rangeAll, r.rangeStart, r.rangeLength,
        r.album, r.artist, r.comment,  r.genre, r.year,     r.title,      r.track};
    AppendListRecordBytes(out, values, r.tagsEdited);
}
} // namespace

void AppendListTextBytes(QByteArray& out, QStringView text) {
    appendUtf8(out, text);
}

void AppendListRecordBytes(QByteArray& out, const QStringView (&values)[kListFieldCount], bool tagsEdited) {
    static const QList<QByteArray> open = [] {
        QList<QByteArray> tags;
        for (const QString& key : ListFieldKeys())
            tags << ('<' + key.toLatin1() + '>');
        return tags;
    }();
    static const QList<QByteArray> close = [] {
        QList<QByteArray> tags;
        for (const QString& key : ListFieldKeys())
            tags << ("</" + key.toLatin1() + '>');
        return tags;
    }();
    out += "<ITEM>";
    for (int i = 0; i < kListFieldCount; ++i) {
        out += open[i];
        const QStringView v = values[i];
        if (v.contains(QLatin1Char('&')) || v.contains(QLatin1Char('<')))
            appendUtf8(out, EncodeListValue(v.toString()));
        else
            appendUtf8(out, v);
        out += close[i];
    }
    if (tagsEdited) out += "<COL_TAG_EDITED>1</COL_TAG_EDITED>";
    out += "</ITEM>";
}

QByteArray ComposeListBytes(const QList<ListRecord>& rows, const QList<KeptRecord>& kept) {
    QByteArray out;
    out.reserve(static_cast<qsizetype>(rows.size() + kept.size()) * 520 + 2);
    qsizetype k = 0;
    auto putKept = [&](qint32 upTo) {
        while (k < kept.size() && kept[k].anchor <= upTo)
            appendUtf8(out, kept[k++].text);
    };
    for (qint32 i = 0; i < rows.size(); ++i) {
        putKept(i);
        appendRecordUtf8(out, rows[i]);
    }
    while (k < kept.size())
        appendUtf8(out, kept[k++].text);
    out += "\r\n";
    return out;
}

namespace {
// Windows-1252: Latin-1 except for 0x80..0x9F.
void appendWindows1252(QString& out, const char* p, qsizetype n) {
    static const char16_t high[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                      0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    for (qsizetype i = 0; i < n; ++i) {
        const auto b = static_cast<unsigned char>(p[i]);
        out += (b >= 0x80 && b < 0xA0) ? QChar(high[b - 0x80]) : QChar(b);
    }
}

bool validUtf8(QByteArrayView bytes) {
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    const QString ignored = utf8.decode(bytes);
    return !utf8.hasError();
}
} // namespace

QString DecodeListBytes(const QByteArray& bytes) {
    // The usual case: the whole file is UTF-8.
    {
        QStringDecoder utf8(QStringConverter::Utf8);
        QString text = utf8.decode(bytes);
        if (!utf8.hasError()) return text;
    }
    // Markup is ASCII, and a value holds no "<" (it is written "&lt;"): the
    // bytes between two "<" are one value with the end of a tag before it.
    QString out;
    out.reserve(bytes.size());
    qsizetype start = 0;
    while (start <= bytes.size()) {
        qsizetype end = bytes.indexOf('<', start);
        if (end < 0) end = bytes.size();
        const QByteArrayView piece(bytes.constData() + start, end - start);
        if (validUtf8(piece))
            out += QString::fromUtf8(piece);
        else
            appendWindows1252(out, piece.data(), piece.size());
        if (end == bytes.size()) break;
        out += QLatin1Char('<');
        start = end + 1;
    }
    return out;
}

namespace {
// Every line break CR LF, as reading a text file by lines makes them.
QString NormalisedBreaks(QString text) {
    if (!text.contains(QLatin1Char('\n'))) return text;
    QString out;
    out.reserve(text.size() + 16);
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('\n') && (i == 0 || text[i - 1] != QLatin1Char('\r')))
            out += QLatin1Char('\r');
        out += text[i];
    }
    return out;
}
} // namespace

QString ReadListFile(const QString& path) {
    if (path.isEmpty() || !QFileInfo(path).isFile()) return QString();
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return QString();
    const QByteArray bytes = f.readAll();
    if (f.error() != QFileDevice::NoError) return QString();
    QString text = DecodeListBytes(bytes);
    // Lines joined by CR LF, the break after the last line dropped, as every
    // text file reads. A list is one line: only its end needs work then.
    if (text.endsWith(QLatin1String("\r\n")) && text.size() > 2 &&
        text.indexOf(QLatin1Char('\n')) == text.size() - 1 && !text.endsWith(QLatin1String("\r\r\n"))) {
        text.chop(2);
    } else if (text.contains(QLatin1Char('\n'))) {
        QStringList lines = text.split(QLatin1Char('\n'));
        if (lines.last().isEmpty()) lines.removeLast();
        for (QString& line : lines)
            if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
        text = lines.join(QLatin1String("\r\n"));
        if (lines.size() == 1 && lines.first().isEmpty()) text = QStringLiteral("\r\n");
    } else if (text.endsWith(QLatin1Char('\r'))) {
        text.chop(1);
    }
    return text;
}

bool RowOfListRecord(const ListRecord& rec, components::cAudioConverter& converter, bool copyTagsFromSource,
                     ItemRow* out) {
    if (!core::FileExists(rec.file) || converter.OpenSource(rec.file) != 0) return false;
    ItemRow& row = *out;
    double inc = 0;
    // A mark that is no number, or none an icon can have, reads as unmarked.
    const bool incOk = CellNumber(rec.inc, &inc) && std::fabs(inc) <= 2147483647.0;
    row.incIcon = incOk ? static_cast<qint32>(RoundHalfEven(inc)) : ICON_UNMARKED;
    row.typeIcon = GetTypeIcon(rec.type);
    row.itemName = rec.itemName;
    row.setRange(rec.rangeAll, rec.rangeStart, rec.rangeLength);
    // Tags the user edited stay his; the others follow the source file.
    const bool tagsFromSource = copyTagsFromSource && !rec.tagsEdited;
    row.setFromSource(rec.file, converter, tagsFromSource);
    row.tagsEdited = rec.tagsEdited;
    if (!tagsFromSource) {
        row.album = rec.album;
        row.artist = rec.artist;
        row.comment = rec.comment;
        row.genre = rec.genre;
        row.year = rec.year;
        row.title = rec.title;
        row.track = rec.track;
    }
    converter.CloseSource();
    return true;
}

LoadedList LoadItemsList(const QString& path, components::cAudioConverter& converter, bool copyTagsFromSource,
                         const ListProgress& progress) {
    LoadedList out;
    const QString text = ReadListFile(path);
    out.recordCount = CountRecords(text);
    if (progress) progress(0, out.recordCount);

    const QStringList records = SplitRecords(text);
    for (const QString& recordText : records) {
        if (!recordText.startsWith(kItemOpen)) continue; // stray text before the first record
        const ListRecord rec = ParseRecord(recordText);
        const qint32 anchor = static_cast<qint32>(out.rows.size());
        // A piece that names no file is no record (a fragment of a damaged
        // file); it is not kept.
        if (rec.file.isEmpty()) continue;
        ItemRow row;
        if (!RowOfListRecord(rec, converter, copyTagsFromSource, &row)) {
            out.kept.append({anchor, recordText});
            continue;
        }
        row.size = core::FormatFileSize(row.bytesSize.toLongLong());
        out.rows.append(row);
        if (progress) progress(static_cast<qint32>(out.rows.size()), out.recordCount);
    }
    return out;
}

// ------------------------------------------------------------ ListLoader

struct ListLoader::Shared {
    QString path;
    bool copyTags = false;
    QLocale locale;
    QLocale sizeLocale;
    int threads = 1;
    std::atomic<bool> abort{false};
    std::atomic<qint32> count{-1};
    std::atomic<qint32> nextToProbe{0};
    std::atomic<qint32> probed{0}; // results ready (or skipped)
    std::function<void()> wake;
    std::atomic<bool> unreadable{false}; // part of the file could not be read

    // The list file, open while the records are read, and where each record
    // starts and where the last one ends. Only these are kept: the thread
    // that probes a record reads its bytes, so a long list's file is never
    // held whole in memory.
    int fd = -1;
    std::vector<qint64> starts;
    qint64 end = 0;

    // Record i is probed into slot i % ringSize once record i - ringSize has
    // been taken. The strings a result holds are made by a probing thread and
    // freed by one (when its slot is filled again): the caller copies them.
    // Were they freed on the caller's thread, its allocator would hand that
    // memory out again for the grid's strings, pinning the probing threads'
    // heaps for as long as the list is shown.
    struct Slot {
        std::atomic<qint32> record{-1}; // the record whose result the slot holds
        bool skip = false;              // a piece that is no record: nothing to show or keep
        Result result;
    };
    // Made by the reader thread once the records are counted (no larger than
    // the list: most lists are short, and a ring of empty rows costs time on
    // the thread that opens the list), before the count is published.
    std::unique_ptr<Slot[]> ring;
    qint32 ringSize = 1;
    // Results taken by the caller (written by the caller only).
    std::atomic<qint32> taken{0};
    std::vector<std::thread> probers;
    std::thread reader;

    ~Shared() {
        if (fd >= 0) ::close(fd);
    }

    // Opens the file and finds its records, reading it a piece at a time.
    // A file that cannot be read has none.
    void findRecords() {
        if (!QFileInfo(path).isFile()) return;
        fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            unreadable = true; // there, but not to be read: not to be written over either
            return;
        }
        static const QByteArray itemOpen = kItemOpen.toLatin1();
        const qint64 overlap = itemOpen.size() - 1; // a tag cut by a piece's end is found in the next
        QByteArray piece(1 << 20, Qt::Uninitialized);
        qint64 pieceAt = 0; // the file offset of piece[0]
        qsizetype carried = 0;
        for (;;) {
            const ssize_t got =
                ::read(fd, piece.data() + carried, static_cast<size_t>(piece.size() - carried));
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) {
                starts.clear(); // shown as an empty list, and kept from being written over
                end = 0;
                unreadable = true;
                return;
            }
            if (got == 0) break;
            const qsizetype filled = carried + got;
            const QByteArrayView view(piece.constData(), filled);
            for (qsizetype at = view.indexOf(itemOpen); at >= 0;
                 at = view.indexOf(itemOpen, at + itemOpen.size()))
                starts.push_back(pieceAt + at);
            // Keep the last bytes for the next piece: they may begin a tag.
            carried = std::min<qsizetype>(overlap, filled);
            std::memmove(piece.data(), piece.constData() + filled - carried, static_cast<size_t>(carried));
            pieceAt += filled - carried;
        }
        end = pieceAt + carried;
    }

    // The text of record i as ReadListFile and SplitRecords would give it
    // (a file cut short since it was scanned gives what is left of it); false
    // when its bytes cannot be read.
    bool recordText(qint32 i, QString* out) const {
        const qint64 start = starts[static_cast<size_t>(i)];
        const qint64 stop =
            static_cast<size_t>(i) + 1 < starts.size() ? starts[static_cast<size_t>(i) + 1] : end;
        QByteArray bytes(stop - start, Qt::Uninitialized);
        qsizetype done = 0;
        while (done < bytes.size()) {
            const ssize_t got = ::pread(fd, bytes.data() + done, static_cast<size_t>(bytes.size() - done),
                                        static_cast<off_t>(start + done));
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) return false;
            if (got == 0) {
                bytes.truncate(done);
                break;
            }
            done += got;
        }
        QString text = NormalisedBreaks(DecodeListBytes(bytes));
        while (text.endsWith(QLatin1Char('\n')) || text.endsWith(QLatin1Char('\r')))
            text.chop(1);
        *out = text;
        return true;
    }
};

ListLoader::ListLoader(const QString& path, bool copyTagsFromSource, const QLocale& locale, int threads)
    : m_shared(std::make_shared<Shared>()) {
    m_shared->path = path;
    m_shared->copyTags = copyTagsFromSource;
    m_shared->locale = locale;
    m_shared->sizeLocale = locale;
    m_shared->sizeLocale.setNumberOptions(QLocale::OmitGroupSeparator);
    // Each thread keeps memory of its own; past a few, they only add to it.
    const int cpus = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    m_shared->threads = threads > 0 ? threads : std::min(cpus, kMaxThreads);
}

ListLoader::~ListLoader() {
    m_shared->abort = true;
    if (m_shared->reader.joinable()) m_shared->reader.join();
    for (std::thread& t : m_shared->probers)
        if (t.joinable()) t.join();
}

void ListLoader::SetWake(std::function<void()> wake) {
    m_shared->wake = std::move(wake);
}

void ListLoader::start() {
    Shared* sh = m_shared.get();
    sh->reader = std::thread([sh] {
        sh->findRecords();
        const qint32 n = static_cast<qint32>(sh->starts.size());
        sh->ringSize = std::max<qint32>(1, std::min<qint32>(kAhead, n));
        sh->ring.reset(new Shared::Slot[static_cast<size_t>(sh->ringSize)]);
        auto probe = [sh, n] {
            components::cAudioConverter converter;
            for (;;) {
                if (sh->abort) return;
                const qint32 i = sh->nextToProbe.fetch_add(1);
                if (i >= n) return;
                QString text;
                if (!sh->recordText(i, &text)) sh->unreadable = true; // the record is missing: see Unreadable
                while (i - sh->taken.load(std::memory_order_acquire) >= sh->ringSize) {
                    if (sh->abort) return;
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                }
                Shared::Slot& slot = sh->ring[i % sh->ringSize];
                slot.skip = false;
                slot.result = Result(); // the strings of record i - ringSize go on this thread
                const ListRecord rec = ParseRecord(text);
                if (rec.file.isEmpty()) {
                    slot.skip = true; // a fragment of a damaged file
                } else if (RowOfListRecord(rec, converter, sh->copyTags, &slot.result.row)) {
                    slot.result.shown = true; // shown rows are written from the grid
                    ItemRow& row = slot.result.row;
                    row.size = core::FormatFileSize(row.bytesSize.toLongLong(), sh->sizeLocale);
                    if (row.created.isValid())
                        slot.result.createdText =
                            sh->locale.toString(row.created.toLocalTime(), QLocale::ShortFormat);
                } else {
                    slot.result.text = text;
                }
                slot.record.store(i, std::memory_order_release);
                if (sh->probed.fetch_add(1) + 1 == n && sh->wake) sh->wake();
            }
        };
        // The records are found before anyone may look at them.
        sh->count.store(n, std::memory_order_release);
        if (sh->wake) sh->wake();
        const int threads = std::max(1, std::min(sh->threads, n));
        for (int t = 1; t < threads; ++t)
            sh->probers.emplace_back(probe);
        probe();
    });
}

qint32 ListLoader::RecordCount() const {
    return m_shared->count.load(std::memory_order_acquire);
}

bool ListLoader::Unreadable() const {
    return m_shared->unreadable.load();
}

bool ListLoader::AllTaken() const {
    const qint32 n = RecordCount();
    return n >= 0 && m_shared->taken.load(std::memory_order_relaxed) >= n;
}

const ListLoader::Result* ListLoader::Next() {
    Shared* sh = m_shared.get();
    for (;;) {
        const qint32 n = RecordCount();
        const qint32 next = sh->taken.load(std::memory_order_relaxed);
        if (n < 0 || next >= n) return nullptr;
        const Shared::Slot& slot = sh->ring[next % sh->ringSize];
        if (slot.record.load(std::memory_order_acquire) != next) return nullptr;
        if (!slot.skip) return &slot.result;
        Release();
    }
}

void ListLoader::Release() {
    Shared* sh = m_shared.get();
    sh->taken.store(sh->taken.load(std::memory_order_relaxed) + 1, std::memory_order_release);
}

} // namespace itemlists
