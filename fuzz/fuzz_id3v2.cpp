// libFuzzer target for the ID3v2 reader; built and run by scripts/fuzz.sh.
#include "Id3v2Entry.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    tagtests::FuzzID3v2(data, size);
    return 0;
}
