#include "components/IsofsLibrary.h"

namespace components {

namespace {

const lazy::Loaded<LibisofsApi>& loaded() {
    static const auto* const instance = lazy::Load<LibisofsApi>(
        {QStringLiteral(CORVANE_LIBISOFS_SONAME)}, [](lazy::Library& library, LibisofsApi& api) {
#define CORVANE_LIBISOFS_RESOLVE(name) library.Resolve(api.name, #name);
            CORVANE_LIBISOFS_FUNCTIONS(CORVANE_LIBISOFS_RESOLVE)
#undef CORVANE_LIBISOFS_RESOLVE
        });
    return *instance;
}

} // namespace

const LibisofsApi& libisofs() {
    return loaded().api;
}

QString LibisofsLoadError() {
    return loaded().error;
}

} // namespace components
