// The encoder settings the tests of whole runs start from, so that what a run
// writes is small and of a known format: MP3 at 128 kbit/s and 44,100 Hz in
// the first channel mode, without a VBR tag or ABR; WAV at 22,050 Hz, mono,
// 16-bit.
#pragma once

#include "settings/EncoderSettings.h"

namespace testsupport {

inline void useSmallOutputSettings() {
    settings::g_lMP3Bitrate = 128;
    settings::g_lMP3SampleRate = 44100;
    settings::g_lMP3Mode = 0;
    settings::g_bMP3VBRTag = false;
    settings::g_bMP3ABR = false;
    settings::g_lWAVSampleRate = 22050;
    settings::g_lWAVChannelsIndex = 0;
    settings::g_lWAVBitsPerSample = 16;
}

} // namespace testsupport
