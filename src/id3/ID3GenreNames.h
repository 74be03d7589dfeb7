// The genre names by ID3 genre code, shared by both tag classes, the editor
// and the converter's MP3 tags.
#pragma once

#include <QString>
#include <QtGlobal>

namespace id3 {

// Codes 0 to 147 (123 has no name); 148 entries.
constexpr int kGenreCodeCount = 148;

// The name of a genre code; "" for a code without one (123, 148 to 255).
QString ID3GenreNames(quint8 genre);

// The code of a genre name, comparing letters and digits only and without
// regard to case ("Hip-Hop" and "hip hop" are "Hip Hop"); 255 when no name
// of the list is that genre.
quint8 ID3GenreCode(const QString& name);

} // namespace id3
