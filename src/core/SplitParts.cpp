#include "core/SplitParts.h"

#include "core/mdlFunctions.h"

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
        const std::optional<double> parts = NumberOf(partsText);
        if (!parts || *parts <= 1) return std::nullopt;
        length = seconds / (*parts - 1);
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

QList<qint32> SplitPartStarts(qint32 length, qint64 durationMs) {
    QList<qint32> starts;
    if (length < 1) return starts;
    for (qint64 start = 0; start * 1000 < durationMs; start += length)
        starts << qint32(start);
    return starts;
}

QList<BatchItem> SplitPartItems(const BatchItem& item, qint32 length, qint64 durationMs) {
    QList<BatchItem> parts;
    for (const qint32 start : SplitPartStarts(length, durationMs)) {
        BatchItem part = item;
        part.ranged = true;
        part.rangeStart = start;
        part.rangeLength = length;
        part.seconds = length;
        parts << part;
    }
    return parts;
}

QString CreatePartFileName(qint32 partNum, const QString& sourcePath, const QString& targetFormatText) {
    const QString name = GetFileName(sourcePath);
    return QStringLiteral("Part_") + QString::number(partNum) + u'_' +
           name.chopped(qMin<qsizetype>(3, name.size())) + targetFormatText.left(3);
}

} // namespace core
