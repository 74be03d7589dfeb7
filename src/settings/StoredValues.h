// How the settings read stored values, written once for both stores.
#pragma once

#include <QString>
#include <QVariant>

#include <optional>

namespace settings {

// A stored value as text: no value reads as "" (bytes as local 8-bit text).
QString StoredText(const QVariant& value);
// A text as a whole number, as the settings always took it: blanks around it
// are ignored and a decimal rounds half to even. Empty text and words give nothing.
std::optional<qint64> TextToNumber(const QString& text);
// A stored value as a whole number: no value reads as 0; a number kept as
// a number is taken as it is; a text by TextToNumber.
std::optional<qint64> StoredNumber(const QVariant& value);

} // namespace settings
