#include "components/BurnLibrary.h"

namespace components {

namespace {

const lazy::Loaded<LibburnApi>& loaded() {
    static const auto* const instance = lazy::Load<LibburnApi>(
        {QStringLiteral(CORVANE_LIBBURN_SONAME)}, [](lazy::Library& library, LibburnApi& api) {
#define CORVANE_LIBBURN_RESOLVE(name) library.Resolve(api.name, #name);
            CORVANE_LIBBURN_FUNCTIONS(CORVANE_LIBBURN_RESOLVE)
#undef CORVANE_LIBBURN_RESOLVE
        });
    return *instance;
}

} // namespace

const LibburnApi& libburn() {
    return loaded().api;
}

QString LibburnLoadError() {
    return loaded().error;
}

} // namespace components
