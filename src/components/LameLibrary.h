#pragma once

// The MP3 encoder library (LAME), loaded when an MP3 is first written (see
// LazyLibrary.h).

#include "components/LazyLibrary.h"

#include <lame/lame.h>

// Every encoder function the components call.
#define CORVANE_LAME_FUNCTIONS(X)                                                                            \
    X(lame_close)                                                                                            \
    X(lame_encode_buffer_ieee_float)                                                                         \
    X(lame_encode_flush)                                                                                     \
    X(lame_get_lametag_frame)                                                                                \
    X(lame_get_num_channels)                                                                                 \
    X(lame_init)                                                                                             \
    X(lame_init_params)                                                                                      \
    X(lame_set_VBR)                                                                                          \
    X(lame_set_VBR_hard_min)                                                                                 \
    X(lame_set_VBR_max_bitrate_kbps)                                                                         \
    X(lame_set_VBR_mean_bitrate_kbps)                                                                        \
    X(lame_set_VBR_min_bitrate_kbps)                                                                         \
    X(lame_set_VBR_q)                                                                                        \
    X(lame_set_bWriteVbrTag)                                                                                 \
    X(lame_set_brate)                                                                                        \
    X(lame_set_copyright)                                                                                    \
    X(lame_set_error_protection)                                                                             \
    X(lame_set_force_ms)                                                                                     \
    X(lame_set_in_samplerate)                                                                                \
    X(lame_set_mode)                                                                                         \
    X(lame_set_num_channels)                                                                                 \
    X(lame_set_original)                                                                                     \
    X(lame_set_out_samplerate)                                                                               \
    X(lame_set_quality)                                                                                      \
    X(lame_set_strict_ISO)                                                                                   \
    X(lame_set_write_id3tag_automatic)

namespace components {

struct LameApi {
#define CORVANE_LAME_MEMBER(name) decltype(&::name) name;
    CORVANE_LAME_FUNCTIONS(CORVANE_LAME_MEMBER)
#undef CORVANE_LAME_MEMBER
};

// The encoder's functions, loading the library on the first call.
const LameApi& mp3lame();
// Why the encoder cannot be used (loads it on the first call); empty when it can.
QString LameLoadError();

} // namespace components
