// The items-list file as the main window opens it: bytes decoded value by
// value (line breaks made CR LF), split into records and parsed. Every record
// must write and read back as the same record, and a list composed of them
// must read back as the same list.
#include "FuzzSupport.h"

#include "itemlists/ItemsListFile.h"

using namespace itemlists;

namespace {
// A few kilobytes hold a few records; more adds time, not paths.
constexpr qsizetype kMaxRecords = 64;
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = ReadListFile(fuzzing::WriteScratch(QStringLiteral("input.flst"), data, size));
    const QStringList pieces = SplitRecords(text);
    if (CountRecords(text) > pieces.size()) fuzzing::Broken("more records counted than split");

    QList<ListRecord> rows;
    for (const QString& piece : pieces.mid(0, kMaxRecords)) {
        const ListRecord record = ParseRecord(piece);
        if (!(ParseRecord(SerializeRecord(record)) == record)) fuzzing::Broken("a record reads back changed");
        rows << record;
    }
    const QStringList again = SplitRecords(DecodeListBytes(ComposeListBytes(rows)));
    if (again.size() != rows.size()) fuzzing::Broken("a written list reads back with another count");
    for (qsizetype i = 0; i < rows.size(); ++i)
        if (!(ParseRecord(again[i]) == rows[i])) fuzzing::Broken("a written list reads back changed");
    return 0;
}
