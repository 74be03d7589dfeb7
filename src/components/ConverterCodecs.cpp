#include "components/ConverterCodecs.h"

namespace components::codecs {

namespace {

std::vector<AcmFormat> Grid(std::initializer_list<int> rates, std::initializer_list<int> bits) {
    std::vector<AcmFormat> out;
    for (int rate : rates)
        for (int b : bits)
            for (int ch : {1, 2})
                out.push_back({rate, ch, b});
    return out;
}

// The rates and bit rates the three MPEG versions share with the WAV world.
std::vector<AcmFormat> Mp3Formats() {
    struct Row {
        int rate;
        std::initializer_list<int> kbps;
    };
    const Row rows[] = {
        {8000, {8, 16, 24, 32}},
        {11025, {16, 24, 32}},
        {22050, {32, 48, 64}},
        {44100, {64, 96, 128, 160, 192, 256, 320}},
    };
    std::vector<AcmFormat> out;
    for (const Row& r : rows)
        for (int k : r.kbps)
            for (int ch : {1, 2})
                out.push_back({r.rate, ch, 0, k * 1000});
    return out;
}

QString ChannelsText(int channels) {
    return channels == 1 ? QStringLiteral("Mono") : QStringLiteral("Stereo");
}

} // namespace

const std::vector<AcmTag>& AcmTags() {
    static const std::vector<AcmTag> tags = [] {
        // Listed without asking FFmpeg, whose libraries load only after the
        // program has started; an encoder the installed FFmpeg lacks is
        // reported when a conversion asks for it.
        return std::vector<AcmTag>{
            {"PCM", "pcm_s16le", Grid({8000, 11025, 16000, 22050, 32000, 44100, 48000}, {8, 16})},
            {"IMA ADPCM", "adpcm_ima_wav", Grid({8000, 11025, 22050, 44100}, {4})},
            {"MS ADPCM", "adpcm_ms", Grid({8000, 11025, 22050, 44100}, {4})},
            {"CCITT A-Law", "pcm_alaw", Grid({8000, 11025, 22050, 44100}, {8})},
            {"CCITT u-Law", "pcm_mulaw", Grid({8000, 11025, 22050, 44100}, {8})},
            {"GSM 6.10", "libgsm_ms", {{8000, 1, 0}}},
            {"MPEG Layer-3", "libmp3lame", Mp3Formats()},
        };
    }();
    return tags;
}

QString AcmFormatName(const AcmTag&, const AcmFormat& f) {
    QString s = QStringLiteral("%1 Hz, ").arg(f.sampleRate);
    if (f.bitsPerSample > 0) s += QStringLiteral("%1 Bit, ").arg(f.bitsPerSample);
    if (f.bitRate > 0) s += QStringLiteral("%1 kbps, ").arg(f.bitRate / 1000);
    return s + ChannelsText(f.channels);
}

bool FindAcmFormat(const QString& tagName, const QString& formatName, AcmTag* tag, AcmFormat* format) {
    for (const AcmTag& t : AcmTags()) {
        if (t.name != tagName) continue;
        for (const AcmFormat& f : t.formats) {
            if (AcmFormatName(t, f) != formatName) continue;
            if (tag) *tag = t;
            if (format) *format = f;
            return true;
        }
    }
    return false;
}

QString AcmEncoder(const AcmTag& tag, const AcmFormat& format) {
    if (tag.encoder == QLatin1String("pcm_s16le") && format.bitsPerSample == 8)
        return QStringLiteral("pcm_u8");
    return tag.encoder;
}

const std::vector<WmaCodec>& WmaCodecs() {
    static const std::vector<WmaCodec> codecs = [] {
        // Both encoders take the same formats; 24 kbps is their lowest rate.
        const std::vector<WmaFormat> formats = {
            {128000, 44100, 2}, {160000, 44100, 2}, {192000, 44100, 2}, {256000, 44100, 2},
            {320000, 44100, 2}, {96000, 44100, 2},  {80000, 44100, 2},  {64000, 44100, 2},
            {48000, 44100, 2},  {192000, 48000, 2}, {160000, 48000, 2}, {128000, 48000, 2},
            {64000, 44100, 1},  {48000, 44100, 1},  {32000, 44100, 1},  {48000, 32000, 2},
            {32000, 32000, 2},  {32000, 22050, 2},  {32000, 22050, 1},  {24000, 22050, 1},
            {24000, 16000, 1},  {24000, 11025, 1},  {24000, 8000, 1},
        };
        return std::vector<WmaCodec>{
            {"WMA version 2", "wmav2", formats},
            {"WMA version 1", "wmav1", formats},
        };
    }();
    return codecs;
}

QString WmaFormatName(const WmaFormat& f) {
    return QStringLiteral("%1 kbps, %2 Hz, %3")
        .arg(f.bitRate / 1000)
        .arg(f.sampleRate)
        .arg(ChannelsText(f.channels));
}

} // namespace components::codecs
