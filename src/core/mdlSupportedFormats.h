// The audio files the program accepts as input.
#pragma once

#include <QString>

namespace core {

// The input filter: five pairs of description and pattern ("All supported
// audio files (*.mp3;*.ogg;*.wav;*.wma;)", "*.mp3;*.ogg;*.wav;*.wma;", ...),
// each description and each pattern followed by one NUL character. The file
// dialogs take it as their filter; adding files searches it to decide whether
// a file is supported.
QString GetSupportedFilesFilter();

} // namespace core
