#pragma once

// libcdio, loaded when a CD drive or image is first looked at, and its
// paranoia reader, loaded when a CD is first ripped (see LazyLibrary.h).

#include "components/LazyLibrary.h"

#include <cdio/cdio.h>
#include <cdio/logging.h>
#include <cdio/paranoia/cdda.h>
#include <cdio/paranoia/paranoia.h>

// Every libcdio function the components call.
#define CORVANE_LIBCDIO_FUNCTIONS(X)                                                                         \
    X(cdio_close_tray)                                                                                       \
    X(cdio_destroy)                                                                                          \
    X(cdio_eject_media_drive)                                                                                \
    X(cdio_free_device_list)                                                                                 \
    X(cdio_get_arg)                                                                                          \
    X(cdio_get_devices)                                                                                      \
    X(cdio_get_disc_last_lsn)                                                                                \
    X(cdio_get_first_track_num)                                                                              \
    X(cdio_get_num_tracks)                                                                                   \
    X(cdio_get_track_format)                                                                                 \
    X(cdio_get_track_lsn)                                                                                    \
    X(cdio_log_set_handler)                                                                                  \
    X(cdio_open)

// Every libcdio_cdda and libcdio_paranoia function the components call.
#define CORVANE_LIBPARANOIA_FUNCTIONS(X)                                                                     \
    X(cdio_cddap_close_no_free_cdio)                                                                         \
    X(cdio_cddap_identify_cdio)                                                                              \
    X(cdio_cddap_open)                                                                                       \
    X(cdio_cddap_verbose_set)                                                                                \
    X(cdio_paranoia_free)                                                                                    \
    X(cdio_paranoia_init)                                                                                    \
    X(cdio_paranoia_modeset)                                                                                 \
    X(cdio_paranoia_read_limited)                                                                            \
    X(cdio_paranoia_seek)

namespace components {

struct LibcdioApi {
#define CORVANE_LIBCDIO_MEMBER(name) decltype(&::name) name;
    CORVANE_LIBCDIO_FUNCTIONS(CORVANE_LIBCDIO_MEMBER)
};
struct LibparanoiaApi {
    CORVANE_LIBPARANOIA_FUNCTIONS(CORVANE_LIBCDIO_MEMBER)
#undef CORVANE_LIBCDIO_MEMBER
};

// libcdio's functions, loading the library on the first call.
const LibcdioApi& libcdio();
// Why libcdio cannot be used (loads it on the first call); empty when it can.
QString LibcdioLoadError();

// The paranoia reader's functions, loading its libraries on the first call.
const LibparanoiaApi& libparanoia();
// Why they cannot be used (loads them on the first call); empty when they can.
QString LibparanoiaLoadError();

} // namespace components
