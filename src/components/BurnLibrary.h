#pragma once

// libburn, loaded when a writer is first asked for (see LazyLibrary.h).
// Its C++ face puts everything into namespace burn.

#include "components/LazyLibrary.h"

#include <libburn/libburn.h>

// Every libburn function the components call.
#define CORVANE_LIBBURN_FUNCTIONS(X)                                                                         \
    X(burn_disc_add_session)                                                                                 \
    X(burn_disc_available_space)                                                                             \
    X(burn_disc_create)                                                                                      \
    X(burn_disc_free)                                                                                        \
    X(burn_disc_get_status)                                                                                  \
    X(burn_disc_track_lba_nwa)                                                                               \
    X(burn_disc_write)                                                                                       \
    X(burn_drive_cancel)                                                                                     \
    X(burn_drive_free_speedlist)                                                                             \
    X(burn_drive_get_speedlist)                                                                              \
    X(burn_drive_get_status)                                                                                 \
    X(burn_drive_info_free)                                                                                  \
    X(burn_drive_release)                                                                                    \
    X(burn_drive_scan_and_grab)                                                                              \
    X(burn_drive_set_speed)                                                                                  \
    X(burn_drive_wrote_well)                                                                                 \
    X(burn_fifo_source_new)                                                                                  \
    X(burn_file_source_new)                                                                                  \
    X(burn_initialize)                                                                                       \
    X(burn_msgs_obtain)                                                                                      \
    X(burn_msgs_set_severities)                                                                              \
    X(burn_precheck_write)                                                                                   \
    X(burn_session_add_track)                                                                                \
    X(burn_session_create)                                                                                   \
    X(burn_session_free)                                                                                     \
    X(burn_set_signal_handling)                                                                              \
    X(burn_source_free)                                                                                      \
    X(burn_track_create)                                                                                     \
    X(burn_track_define_data)                                                                                \
    X(burn_track_free)                                                                                       \
    X(burn_track_set_source)                                                                                 \
    X(burn_write_opts_auto_write_type)                                                                       \
    X(burn_write_opts_free)                                                                                  \
    X(burn_write_opts_new)                                                                                   \
    X(burn_write_opts_set_multi)                                                                             \
    X(burn_write_opts_set_perform_opc)                                                                       \
    X(burn_write_opts_set_underrun_proof)                                                                    \
    X(burn_write_opts_set_write_type)

namespace components {

struct LibburnApi {
#define CORVANE_LIBBURN_MEMBER(name) decltype(&burn::name) name;
    CORVANE_LIBBURN_FUNCTIONS(CORVANE_LIBBURN_MEMBER)
#undef CORVANE_LIBBURN_MEMBER
};

// libburn's functions, loading the library on the first call.
const LibburnApi& libburn();

// Why libburn cannot be used (loads it on the first call); empty when it can.
QString LibburnLoadError();

} // namespace components
