#include "core/SplitParts.h"

#include "core/mdlFunctions.h"

#include <cmath>
#include <limits>

namespace core {

namespace {

std::optional<double> NumberOf(const QString& text) {
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok) return std::nullopt;
    return value;
}

} // namespace

QString SplitRefusedText() {
    return QStringLiteral("Source file length is to small.") + QString(7, u' ');
}

std::optional<qint32> SplitPartLength(bool byParts, const QString& partsText, const QString& secondsText,
                                      qint64 durationMs) {
    const double seconds = double(durationMs) / 1000.0;
    double length = 0;
    if (byParts) {
        const qint32 parts = SplitPartCount(true, partsText);
        if (parts <= 1) return std::nullopt;
        length = seconds / parts;
        // Rounded up, the parts before the last could cover the whole source.
        if (length < double(std::numeric_limits<qint32>::max()) &&
            double(RoundHalfEven(length)) * (parts - 1) >= seconds)
            length = std::floor(length);
    } else {
        const std::optional<double> given = NumberOf(secondsText);
        if (!given || *given < 1 || *given >= seconds) return std::nullopt;
        length = *given;
    }
    // Compared before the conversion, so that no length overflows it.
    if (length >= double(std::numeric_limits<qint32>::max())) return std::nullopt;
    const qint64 whole = RoundHalfEven(length);
    if (whole < 1) return std::nullopt;
    return qint32(whole);
}

qint32 SplitPartCount(bool byParts, const QString& partsText) {
    if (!byParts) return 0;
    const std::optional<double> parts = NumberOf(partsText);
    if (!parts || *parts < 1 || *parts >= double(std::numeric_limits<qint32>::max())) return 0;
    return qint32(RoundHalfEven(*parts));
}

QList<qint32> SplitPartStarts(qint32 length, qint64 durationMs, qint32 parts) {
    QList<qint32> starts;
    if (length < 1) return starts;
    for (qint64 start = 0; start * 1000 < durationMs && (parts <= 0 || starts.size() < parts);
         start += length)
        starts << qint32(start);
    return starts;
}

QList<BatchItem> SplitPartItems(const BatchItem& item, qint32 length, qint64 durationMs, qint32 parts) {
    QList<BatchItem> rows;
    const QList<qint32> starts = SplitPartStarts(length, durationMs, parts);
    for (qsizetype i = 0; i < starts.size(); ++i) {
        BatchItem part = item;
        part.ranged = true;
        part.rangeStart = starts[i];
        part.rangeLength = length;
        // The last of a count of parts takes the rest, in whole seconds up.
        if (parts > 0 && i == starts.size() - 1)
            part.rangeLength = qint32((durationMs - qint64(starts[i]) * 1000 + 999) / 1000);
        part.seconds = part.rangeLength;
        rows << part;
    }
    return rows;
}

QString CreatePartFileName(qint32 partNum, const QString& sourcePath, const QString& targetFormatText) {
    const QString name = GetFileName(sourcePath);
    return QStringLiteral("Part_") + QString::number(partNum) + u'_' +
           name.chopped(qMin<qsizetype>(3, name.size())) + targetFormatText.left(3);
}

} // namespace core
