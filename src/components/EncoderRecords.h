// The encoder records the audio components take (converter, ripper, joiner).
#pragma once

#include <QtGlobal>
#include <cstddef>

namespace components {

// The records handed to the audio components. Their layout is a binary
// interface: little-endian, natural alignment, 16-bit Booleans 0 / -1, every
// padding byte 0. A default-constructed record is all zeros.

constexpr qint16 kRecordTrue = -1;
constexpr qint16 kRecordFalse = 0;

struct tWAVSettings {
    qint32 SampleRate = 0;
    qint16 Channels = 0; // 1 mono, 2 stereo
    qint16 BitsPerSample = 0;
};

struct tMP3Settings {
    qint32 ABRBitrate = 0;
    qint32 Bitrate = 0;
    qint16 Copyright = 0;
    qint16 ErrorProtect = 0;
    qint32 Mode = 0;
    qint16 Original = 0;
    qint16 Padding18 = 0;
    qint32 SampleRate = 0;
    qint32 Quality = 0;
    qint16 StrictISO = 0;
    qint16 Padding30 = 0;
    qint32 VBRMethod = 0; // 0 none, 4 VBR with tag, 3 ABR
    qint16 VBRForceMinBitrate = 0;
    qint16 Padding38 = 0;
    qint32 MinBitrate = 0; // positions in the bitrate list
    qint32 MaxBitrate = 0;
    qint32 VBRQuality = 0;
    qint16 WriteVBRTag = 0;
    qint16 Padding54 = 0;
};

struct tWMASettings {
    qint32 Codec = 0;
    qint32 Format = 0;
};

struct tOGGSettings {
    qint32 Mode = 0; // 0 quality, 2 nominal bitrate
    qint32 NominalBitrate = 0;
    qint32 Quality = 0;
};

static_assert(sizeof(tWAVSettings) == 8 && offsetof(tWAVSettings, Channels) == 4 &&
              offsetof(tWAVSettings, BitsPerSample) == 6);
static_assert(sizeof(tMP3Settings) == 56 && offsetof(tMP3Settings, Copyright) == 8 &&
              offsetof(tMP3Settings, Mode) == 12 && offsetof(tMP3Settings, Original) == 16 &&
              offsetof(tMP3Settings, SampleRate) == 20 && offsetof(tMP3Settings, StrictISO) == 28 &&
              offsetof(tMP3Settings, VBRMethod) == 32 && offsetof(tMP3Settings, VBRForceMinBitrate) == 36 &&
              offsetof(tMP3Settings, MinBitrate) == 40 && offsetof(tMP3Settings, VBRQuality) == 48 &&
              offsetof(tMP3Settings, WriteVBRTag) == 52);
static_assert(sizeof(tWMASettings) == 8 && offsetof(tWMASettings, Format) == 4);
static_assert(sizeof(tOGGSettings) == 12 && offsetof(tOGGSettings, Quality) == 8);

} // namespace components
