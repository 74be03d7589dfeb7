// Limits on what the program takes from a file, checked where a file is
// first read so that a damaged or hostile header is refused before anything
// is sized by it.
#pragma once

namespace components {

// The most channels a file may have: 7.1, the widest layout in common use.
// Everything the program writes or plays is mono or stereo, and the analyser
// draws a lane per channel; a header claiming thousands of channels is damage.
constexpr int kMaxChannels = 8;

// The highest sample rate a file may have: 768 kHz, four times the highest
// studio rate. Bringing a rate down costs memory in proportion to the ratio
// (a header claiming a billion samples a second made the resampler ask for
// 1.6 GB).
constexpr int kMaxSampleRate = 768000;

} // namespace components
