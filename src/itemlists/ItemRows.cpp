#include "itemlists/ItemRows.h"

#include "components/cAudioConverter.h"
#include "core/Services.h"
#include "core/mdlFileTime.h"

#include <QFile>
#include <QFileInfo>
#include <QtNumeric>

#include <fcntl.h>
#include <sys/stat.h>

#include <cmath>
#include <limits>

namespace itemlists {

QList<ItemColumn> ItemColumns(GridVariant variant) {
    const bool main = variant == GridVariant::Main;
    QList<ItemColumn> cols{
        {COL_INC, main ? COL_INC : QString(), main ? 26 : 20, true},
        {COL_TYPE, COL_TYPE, 40, true},
        {COL_ITEM_NAME, COL_ITEM_NAME, main ? 120 : 160, true},
        {COL_SIZE, COL_SIZE, 80, true},
        {COL_TIME, QStringLiteral("Time-Length"), 80, true},
        {COL_CREATED, COL_CREATED, 140, !main},
        {COL_RANGE, COL_RANGE, 120, true},
    };
    for (const QString& key :
         {COL_FILE, COL_RANGE_ALL, COL_RANGE_START_TIME, COL_RANGE_LENGTH_TIME, COL_BYTES_SIZE, COL_TAG_ALBUM,
          COL_TAG_ARTIST, COL_TAG_COMMENT, COL_TAG_GEN, COL_TAG_YEAR, COL_TAG_TITLE, COL_TAG_TRACK})
        cols.append({key, key, -1, false});
    return cols;
}

qint32 GetTypeIcon(const QString& typeText) {
    if (typeText == QLatin1String("Audio")) return ICON_AUDIO;
    if (typeText == QLatin1String("Data")) return ICON_DATA;
    return 0;
}

QString FormatRangeText(qint64 startSeconds, qint64 lengthSeconds) {
    return FormatTwoDigitTime(startSeconds) + QLatin1String(" - ") +
           FormatTwoDigitTime(startSeconds + lengthSeconds);
}

bool CellNumber(const QString& text, double* value) {
    const QString t = text.trimmed();
    if (t.isEmpty()) return false;
    bool ok = false;
    double v = t.toDouble(&ok);
    if (!ok) v = core::services().locale().toDouble(t, &ok);
    if (!ok || !std::isfinite(v)) return false;
    if (value) *value = v;
    return true;
}

bool AddToTotal(qint64& total, double value) {
    const double sum = static_cast<double>(total) + value;
    if (!std::isfinite(sum) || sum >= 9.2233720368547758e18 || sum <= -9.2233720368547758e18) return false;
    // Whole numbers add exactly (a double would lose bytes above 2^53).
    const double whole = std::floor(value);
    if (whole == value && std::fabs(value) < 9.2e18) {
        qint64 result = 0;
        if (qAddOverflow(total, static_cast<qint64>(value), &result)) return false;
        total = result;
        return true;
    }
    total = RoundHalfEven(sum);
    return true;
}

void ItemRow::setRange(const QString& rangeAllText, const QString& startText, const QString& lengthText) {
    if (rangeAllText == QLatin1String("0")) {
        rangeAll = QStringLiteral("0");
        rangeStart = startText;
        rangeLength = lengthText;
        double start = 0, length = 0;
        if (!CellNumber(startText, &start)) start = 0;
        if (!CellNumber(lengthText, &length)) length = 0;
        const qint64 s = RoundHalfEven(start);
        const qint64 e = RoundHalfEven(start + length);
        range = FormatTwoDigitTime(s) + QLatin1String(" - ") + FormatTwoDigitTime(e);
    } else {
        rangeAll = QStringLiteral("1");
        rangeStart.clear();
        rangeLength.clear();
        range = kRangeAllText;
    }
}

qint64 ItemRow::setFromSource(const QString& path, components::cAudioConverter& converter,
                              bool tagsFromSource) {
    // One statx for the size and the creation time, kept in UTC: turning it
    // into local time takes a process-wide lock, which many lists' worth of
    // probing threads would queue on. Whoever shows it converts it.
    qint64 bytes = 0; // 64-bit: files of 2 GiB and more keep their true size
    struct statx st {};
    if (statx(AT_FDCWD, QFile::encodeName(path).constData(), 0, STATX_SIZE | STATX_BTIME | STATX_CTIME,
              &st) == 0) {
        bytes = qint64(st.stx_size);
        const statx_timestamp& t = (st.stx_mask & STATX_BTIME) ? st.stx_btime : st.stx_ctime;
        created = QDateTime::fromMSecsSinceEpoch(qint64(t.tv_sec) * 1000 + t.tv_nsec / 1000000, Qt::UTC);
    } else {
        bytes = QFileInfo(path).size();
        created = core::GetFileCreatedDate(path);
    }
    time = FormatTwoDigitTime(RoundHalfEven(converter.Duration() / 1000.0));
    file = path;
    bytesSize = QString::number(bytes);
    if (tagsFromSource) {
        converter.ReadTags(path);
        album = converter.TagAlbum();
        artist = converter.TagArtist();
        comment = converter.TagComment();
        genre = converter.TagGenre();
        year = converter.TagYear();
        title = converter.TagTitle();
        track = converter.TagTrack();
    }
    return bytes;
}

} // namespace itemlists
