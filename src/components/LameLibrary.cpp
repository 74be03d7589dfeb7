#include "components/LameLibrary.h"

namespace components {

namespace {

const lazy::Loaded<LameApi>& loaded() {
    static const auto* const instance =
        lazy::Load<LameApi>({QStringLiteral(CORVANE_LAME_SONAME)}, [](lazy::Library& library, LameApi& api) {
#define CORVANE_LAME_RESOLVE(name) library.Resolve(api.name, #name);
            CORVANE_LAME_FUNCTIONS(CORVANE_LAME_RESOLVE)
#undef CORVANE_LAME_RESOLVE
        });
    return *instance;
}

} // namespace

const LameApi& mp3lame() {
    return loaded().api;
}

QString LameLoadError() {
    return loaded().error;
}

} // namespace components
