// The decoder's read path on a small file of any format: open (FFmpeg's
// probing and demuxing), then read the samples the way its users do. The
// last byte picks the way, so every seed reaches each of them in turn.
#include "FuzzSupport.h"

#include "components/AudioDecoder.h"

#include <vector>

using components::AudioDecoder;
using components::SampleKind;

namespace {
// Enough for any file of a few kilobytes; a longer stream is cut here so
// that one input never runs for long.
constexpr qint64 kMaxFrames = 2'000'000;
constexpr qint64 kChunk = 4096;
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString path = fuzzing::WriteScratch(QStringLiteral("input"), data, size);
    AudioDecoder decoder;
    if (!decoder.Open(path)) {
        if (decoder.ErrorText().isEmpty()) fuzzing::Broken("a failed open says nothing");
        if (decoder.IsOpen()) fuzzing::Broken("a failed open left the file open");
        return 0;
    }
    if (decoder.SourceRate() <= 0 || decoder.SourceChannels() <= 0) fuzzing::Broken("open without a format");
    (void)decoder.DurationMs();
    switch (size ? data[size - 1] & 3 : 0) {
    case 0: // the player and the converter: the source's own format
        break;
    case 1: // the joiner: floats at the first input's rate, in stereo
        decoder.SetOutput(44100, 2, SampleKind::Float);
        break;
    case 2: // the burner: CD audio
        decoder.SetOutput(44100, 2, SampleKind::S16);
        break;
    case 3: // a range that starts within the file
        decoder.SetOutput(22050, 1, SampleKind::S16);
        decoder.Seek(20);
        break;
    }
    std::vector<char> buffer(size_t(kChunk * decoder.BytesPerFrame()));
    qint64 total = 0;
    while (total < kMaxFrames) {
        const qint64 n = decoder.Read(buffer.data(), kChunk);
        if (n < 0 || n > kChunk) {
            if (n > kChunk) fuzzing::Broken("more frames than asked for");
            break;
        }
        if (n == 0) break;
        total += n;
    }
    return 0;
}
