#include "settings/StoredValues.h"

#include <QByteArray>
#include <cmath>

namespace settings {

QString StoredText(const QVariant& value) {
    if (!value.isValid() || value.isNull()) return QString();
    if (value.typeId() == QMetaType::QByteArray) return QString::fromLocal8Bit(value.toByteArray());
    return value.toString();
}

std::optional<qint64> TextToNumber(const QString& raw) {
    const QString text = raw.trimmed();
    if (text.isEmpty()) return std::nullopt;
    bool ok = false;
    const qint64 whole = text.toLongLong(&ok);
    if (ok) return whole;
    const double real = text.toDouble(&ok);
    if (ok && std::isfinite(real) && std::fabs(real) < 9.0e15)
        return static_cast<qint64>(std::nearbyint(real));
    return std::nullopt;
}

std::optional<qint64> StoredNumber(const QVariant& value) {
    if (!value.isValid() || value.isNull()) return 0;
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return value.toLongLong();
    default:
        return TextToNumber(StoredText(value));
    }
}

} // namespace settings
