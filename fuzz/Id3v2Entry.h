// The one entry through which the fuzzer and the corpus test feed bytes to
// the ID3v2 reader (and to what runs on what it read: values, setters, the
// writer's tag bytes).
#pragma once

#include <cstddef>
#include <cstdint>

namespace tagtests {

int FuzzID3v2(const uint8_t* data, size_t size);

} // namespace tagtests
