#pragma once

// libisofs, loaded when a data disc is first made (see LazyLibrary.h).

#include "components/LazyLibrary.h"

#include <libisofs/libisofs.h>

// Every libisofs function the components call.
#define CORVANE_LIBISOFS_FUNCTIONS(X)                                                                        \
    X(iso_error_to_msg)                                                                                      \
    X(iso_image_create_burn_source)                                                                          \
    X(iso_image_get_root)                                                                                    \
    X(iso_image_new)                                                                                         \
    X(iso_image_set_application_id)                                                                          \
    X(iso_image_set_data_preparer_id)                                                                        \
    X(iso_image_set_publisher_id)                                                                            \
    X(iso_image_unref)                                                                                       \
    X(iso_init_with_flag)                                                                                    \
    X(iso_set_local_charset)                                                                                 \
    X(iso_set_msgs_severities)                                                                               \
    X(iso_tree_add_new_node)                                                                                 \
    X(iso_tree_set_follow_symlinks)                                                                          \
    X(iso_write_opts_free)                                                                                   \
    X(iso_write_opts_new)                                                                                    \
    X(iso_write_opts_set_iso_level)                                                                          \
    X(iso_write_opts_set_joliet)                                                                             \
    X(iso_write_opts_set_joliet_long_names)                                                                  \
    X(iso_write_opts_set_joliet_utf16)                                                                       \
    X(iso_write_opts_set_output_charset)                                                                     \
    X(iso_write_opts_set_relaxed_vol_atts)                                                                   \
    X(iso_write_opts_set_rockridge)

namespace components {

struct LibisofsApi {
#define CORVANE_LIBISOFS_MEMBER(name) decltype(&::name) name;
    CORVANE_LIBISOFS_FUNCTIONS(CORVANE_LIBISOFS_MEMBER)
#undef CORVANE_LIBISOFS_MEMBER
};

// libisofs's functions, loading the library on the first call.
const LibisofsApi& libisofs();
// Why libisofs cannot be used (loads it on the first call); empty when it can.
QString LibisofsLoadError();

} // namespace components
