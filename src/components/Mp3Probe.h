// What an MP3 file states about itself without decoding: its first MPEG
// Layer III frame gives rate, channels and bit rate; a VBR header (Xing,
// Info or VBRI) the frame count, else the length follows from the bytes of
// audio between the tags and the bit rate. Reading that much costs two small
// reads, where opening the file with the demuxer reads the whole ID3v2 tag
// and, for a file without a VBR header, packets to measure it.
#pragma once

#include <QString>
#include <QtGlobal>

namespace components {

struct Mp3Facts {
    qint32 durationMs = 0;
    qint32 sampleRate = 0;
    qint16 channels = 0;
    qint32 bitRateKbps = 0;
};

// False when no two consecutive Layer III frames follow the ID3v2 tags
// within the first 64 KiB of audio, or when a file without a VBR header
// changes its bit rate there: the caller then examines the file the general
// way.
bool ProbeMp3(const QString& path, Mp3Facts& out);

} // namespace components
