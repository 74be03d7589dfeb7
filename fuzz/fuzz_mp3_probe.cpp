// MP3 probing (what adding files learns without decoding) on any bytes.
#include "FuzzSupport.h"

#include "components/Mp3Probe.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString path = fuzzing::WriteScratch(QStringLiteral("input.mp3"), data, size);
    components::Mp3Facts facts;
    if (!components::ProbeMp3(path, facts)) return 0;
    if (facts.sampleRate <= 0 || facts.channels < 1 || facts.channels > 2 || facts.bitRateKbps < 0 ||
        facts.durationMs <= 0)
        fuzzing::Broken("facts no MP3 can have");
    return 0;
}
