#include "components/FFmpegLibrary.h"

#include <QFile>
#include <QStringList>
#include <QThreadPool>

#include <dlfcn.h>

#include <cerrno>
#include <mutex>
#include <type_traits>
#include <vector>

namespace components {

namespace {

// What a function does when the libraries are missing: report failure in the
// function's own terms.
template <typename Fn> struct Missing;
template <typename R, typename... A> struct Missing<R (*)(A...)> {
    static R call(A...) {
        if constexpr (std::is_void_v<R>)
            return;
        else if constexpr (std::is_pointer_v<R>)
            return nullptr;
        else
            return static_cast<R>(AVERROR(ENOSYS));
    }
};

struct Loaded {
    FFmpegApi api{};
    QString error;
};

// The sonames this build was compiled against.
QStringList libraryNames() {
    return {QStringLiteral("libavutil.so.%1").arg(LIBAVUTIL_VERSION_MAJOR),
            QStringLiteral("libswresample.so.%1").arg(LIBSWRESAMPLE_VERSION_MAJOR),
            QStringLiteral("libavcodec.so.%1").arg(LIBAVCODEC_VERSION_MAJOR),
            QStringLiteral("libavformat.so.%1").arg(LIBAVFORMAT_VERSION_MAJOR)};
}

// Some declarations carry attributes (nonnull and the like) that a template
// argument drops; the stand-ins need none of them.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wignored-attributes"
void fillMissing(FFmpegApi& api) {
#define CORVANE_FFMPEG_MISSING(name) api.name = &Missing<decltype(&::name)>::call;
    CORVANE_FFMPEG_FUNCTIONS(CORVANE_FFMPEG_MISSING)
#undef CORVANE_FFMPEG_MISSING
}
#pragma GCC diagnostic pop

Loaded load() {
    Loaded result;
    std::vector<void*> handles;
    // CORVANE_FFMPEG_DIR loads them from that folder only (the tests use it
    // to see the program without them).
    const QString folder = qEnvironmentVariable("CORVANE_FFMPEG_DIR");
    for (const QString& name : libraryNames()) {
        const QString file = folder.isEmpty() ? name : folder + QLatin1Char('/') + name;
        // Kept loaded for the rest of the run.
        void* handle = dlopen(QFile::encodeName(file).constData(), RTLD_LAZY | RTLD_LOCAL);
        if (!handle) {
            result.error = QString::fromLocal8Bit(dlerror());
            fillMissing(result.api);
            return result;
        }
        handles.push_back(handle);
    }
    auto resolve = [&](const char* symbol) -> void* {
        for (void* handle : handles)
            if (void* address = dlsym(handle, symbol)) return address;
        return nullptr;
    };
    QStringList unresolved;
#define CORVANE_FFMPEG_RESOLVE(name)                                                                         \
    result.api.name = reinterpret_cast<decltype(&::name)>(resolve(#name));                                   \
    if (!result.api.name) unresolved << QStringLiteral(#name);
    CORVANE_FFMPEG_FUNCTIONS(CORVANE_FFMPEG_RESOLVE)
#undef CORVANE_FFMPEG_RESOLVE
    if (!unresolved.isEmpty()) {
        result.error = QStringLiteral("missing functions: ") + unresolved.join(", ");
        fillMissing(result.api);
    }
    return result;
}

const Loaded& loaded() {
    static const Loaded* const instance = new Loaded(load());
    return *instance;
}

} // namespace

const FFmpegApi& ff() {
    return loaded().api;
}

namespace ffmpeg {

bool Available() {
    return loaded().error.isEmpty();
}

QString LoadError() {
    return loaded().error;
}

QString ErrorText(int code) {
    if (!Available())
        return QStringLiteral("The FFmpeg libraries could not be loaded (%1).").arg(LoadError());
    char buf[AV_ERROR_MAX_STRING_SIZE] = {};
    ff().av_strerror(code, buf, sizeof buf);
    return QString::fromLocal8Bit(buf);
}

void PreloadInBackground(std::function<void(const QString& reason)> whenMissing) {
    // The global pool is waited for when the application object goes, so a
    // load still running at exit finishes first.
    static std::once_flag once;
    std::call_once(once, [&whenMissing] {
        QThreadPool::globalInstance()->start([whenMissing] {
            if (!Available() && whenMissing) whenMissing(LoadError());
        });
    });
}

} // namespace ffmpeg
} // namespace components
