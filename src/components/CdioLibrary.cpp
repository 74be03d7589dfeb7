#include "components/CdioLibrary.h"

#include <QLoggingCategory>

#include <cdio/logging.h>

namespace components {

// Stand-ins must not report success: zero is success for these.
template <> driver_return_code_t lazy::MissingValue<driver_return_code_t>() {
    return DRIVER_OP_ERROR;
}
template <> track_format_t lazy::MissingValue<track_format_t>() {
    return TRACK_FORMAT_ERROR;
}

namespace {

Q_LOGGING_CATEGORY(lcCdio, "corvane.cdio", QtWarningMsg)

// libcdio reports through this instead of writing to the terminal.
void cdioLog(cdio_log_level_t level, const char* message) {
    if (level >= CDIO_LOG_ERROR)
        qCWarning(lcCdio, "%s", message);
    else
        qCDebug(lcCdio, "%s", message);
}

const lazy::Loaded<LibcdioApi>& loadedCdio() {
    static const auto* const instance = [] {
        const auto* loaded = lazy::Load<LibcdioApi>({QStringLiteral(CORVANE_LIBCDIO_SONAME)},
                                                    [](lazy::Library& library, LibcdioApi& api) {
#define CORVANE_LIBCDIO_RESOLVE(name) library.Resolve(api.name, #name);
                                                        CORVANE_LIBCDIO_FUNCTIONS(CORVANE_LIBCDIO_RESOLVE)
                                                    });
        loaded->api.cdio_log_set_handler(cdioLog);
        return loaded;
    }();
    return *instance;
}

const lazy::Loaded<LibparanoiaApi>& loadedParanoia() {
    static const auto* const instance = lazy::Load<LibparanoiaApi>(
        {QStringLiteral(CORVANE_LIBCDIO_CDDA_SONAME), QStringLiteral(CORVANE_LIBCDIO_PARANOIA_SONAME)},
        [](lazy::Library& library, LibparanoiaApi& api) {
            CORVANE_LIBPARANOIA_FUNCTIONS(CORVANE_LIBCDIO_RESOLVE)
        });
#undef CORVANE_LIBCDIO_RESOLVE
    return *instance;
}

} // namespace

const LibcdioApi& libcdio() {
    return loadedCdio().api;
}

QString LibcdioLoadError() {
    return loadedCdio().error;
}

const LibparanoiaApi& libparanoia() {
    return loadedParanoia().api;
}

QString LibparanoiaLoadError() {
    return loadedParanoia().error;
}

} // namespace components
