#include "itemlists/ItemsListFile.h"

#include "components/cAudioConverter.h"
#include "core/mdlFileSystem.h"
#include "core/mdlFunctions.h"

#include <cmath>

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

QString SerializeRecord(const ListRecord& r) {
    const QString* values[kListFieldCount] = {
        &r.inc,   &r.type,   &r.itemName, &r.file,  &r.rangeAll, &r.rangeStart, &r.rangeLength,
        &r.album, &r.artist, &r.comment,  &r.genre, &r.year,     &r.title,      &r.track};
    const QStringList& keys = ListFieldKeys();
    QString out = kItemOpen;
    for (int i = 0; i < kListFieldCount; ++i) {
        out += QLatin1Char('<') + keys[i] + QLatin1Char('>');
        out += EncodeListValue(*values[i]);
        out += QLatin1String("</") + keys[i] + QLatin1Char('>');
    }
    out += kItemClose;
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
    const QStringList pieces = listText.split(kItemOpen);
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        if (i == 0) {
            // Text before the first record: nothing in a file we wrote.
            const QString lead = withoutTrailingBreaks(pieces[0]);
            if (!lead.isEmpty()) records << lead;
            continue;
        }
        records << withoutTrailingBreaks(kItemOpen + pieces[i]);
    }
    return records;
}

qint32 CountRecords(const QString& listText) {
    return static_cast<qint32>(listText.count(kItemOpen));
}

void ItemsListHolder::Reset(const QString& path) {
    m_path = path;
    m_kept.clear();
}

QString ComposeListText(const QList<ListRecord>& rows, const QList<KeptRecord>& kept) {
    QString text;
    qsizetype k = 0;
    auto putKept = [&](qint32 upTo) {
        while (k < kept.size() && kept[k].anchor <= upTo)
            text += kept[k++].text;
    };
    for (qint32 i = 0; i < rows.size(); ++i) {
        putKept(i);
        text += SerializeRecord(rows[i]);
    }
    while (k < kept.size())
        text += kept[k++].text;
    return text;
}

bool WriteListFile(const QString& path, const QString& listText) {
    return core::WriteTextFile(listText, path);
}

QString ReadListFile(const QString& path) {
    return core::ReadTextFile(path);
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
        if (!core::FileExists(rec.file) || converter.OpenSource(rec.file) != 0) {
            out.kept.append({anchor, recordText});
            continue;
        }

        ItemRow row;
        double inc = 0;
        // A mark that is no number, or none an icon can have, reads as unmarked.
        const bool incOk = CellNumber(rec.inc, &inc) && std::fabs(inc) <= 2147483647.0;
        row.incIcon = incOk ? static_cast<qint32>(RoundHalfEven(inc)) : ICON_UNMARKED;
        row.typeIcon = GetTypeIcon(rec.type);
        row.itemName = rec.itemName;
        row.setRange(rec.rangeAll, rec.rangeStart, rec.rangeLength);
        row.size = core::FormatFileSize(row.setFromSource(rec.file, converter, copyTagsFromSource));
        if (!copyTagsFromSource) {
            row.album = rec.album;
            row.artist = rec.artist;
            row.comment = rec.comment;
            row.genre = rec.genre;
            row.year = rec.year;
            row.title = rec.title;
            row.track = rec.track;
        }
        converter.CloseSource();
        out.rows.append(row);
        if (progress) progress(static_cast<qint32>(out.rows.size()), out.recordCount);
    }
    return out;
}

} // namespace itemlists
