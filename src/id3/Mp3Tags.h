// The seven tags an items list shows of an MP3 file, read as the common tag
// readers read them: each from the ID3v2 tag, and where that tag lacks the
// field (or its frame is broken) from the ID3v1 tag.
#pragma once

#include <QString>

namespace id3 {

struct Mp3Tags {
    QString Title, Artist, Album, Year, Track, Genre, Comment;
};

// Fields neither tag holds stay empty; a file that cannot be read gives
// empty fields and false.
bool ReadMp3Tags(const QString& path, Mp3Tags& out);

} // namespace id3
