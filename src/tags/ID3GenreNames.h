// The genre names by ID3 genre code, shared by both tag classes and the editor.
#pragma once

#include <QString>
#include <QtGlobal>

namespace tags {

// Codes 0 to 147 (123 has no name); 148 entries.
constexpr int kGenreCodeCount = 148;

// The name of a genre code; "" for a code without one (123, 148 to 255).
QString ID3GenreNames(quint8 genre);

} // namespace tags
