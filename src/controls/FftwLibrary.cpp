#include "controls/FftwLibrary.h"

#include <QFile>
#include <QStringList>

#include <dlfcn.h>

namespace {

struct Loaded {
    FftwApi api;
    QString error;
};

Loaded load() {
    Loaded result;
    // CORVANE_LIBRARY_DIR loads it from that folder only (the tests use it
    // to see the program without it).
    const QString folder = qEnvironmentVariable("CORVANE_LIBRARY_DIR");
    const QString name = QStringLiteral(CORVANE_FFTW_SONAME);
    const QString file = folder.isEmpty() ? name : folder + QLatin1Char('/') + name;
    void* handle = dlopen(QFile::encodeName(file).constData(), RTLD_LAZY | RTLD_LOCAL); // kept loaded
    if (!handle) {
        result.error = QString::fromLocal8Bit(dlerror());
        return result;
    }
    QStringList unresolved;
#define CORVANE_FFTW_RESOLVE(name)                                                                           \
    result.api.name = reinterpret_cast<decltype(&::name)>(dlsym(handle, #name));                             \
    if (!result.api.name) unresolved << QStringLiteral(#name);
    CORVANE_FFTW_FUNCTIONS(CORVANE_FFTW_RESOLVE)
#undef CORVANE_FFTW_RESOLVE
    if (!unresolved.isEmpty()) result.error = QStringLiteral("missing functions: ") + unresolved.join(", ");
    return result;
}

const Loaded& loaded() {
    static const Loaded* const instance = new Loaded(load());
    return *instance;
}

} // namespace

const FftwApi& fftw() {
    return loaded().api;
}

QString FftwLoadError() {
    return loaded().error;
}
