// The tag blocks of an MP3 file the encoder writes: an ID3v2.3 tag for the
// start of the file and an ID3v1.1 tag for its end, with the seven tags.
#pragma once

#include <QByteArray>
#include <QString>

namespace components {

struct EncoderTags;

namespace id3 {

// The whole ID3v2.3 tag (header and frames); empty when every tag is empty.
// Text that Latin-1 cannot hold is written as UTF-16 with a byte-order mark.
QByteArray V2Tag(const EncoderTags& tags);

// The 128-byte ID3v1.1 tag; empty when every tag is empty. Text is Latin-1,
// characters outside it become '?', and fields are cut to their width.
QByteArray V1Tag(const EncoderTags& tags);

// The ID3v1 genre code of a genre name (255 when the list has no such genre).
quint8 V1GenreCode(const QString& genre);

} // namespace id3
} // namespace components
