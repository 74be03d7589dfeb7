#include "components/AudioOutput.h"

#include <QCoreApplication>
#include <QStringList>

#include <dlfcn.h>

namespace components {

namespace {

constexpr const char* kModule = "libcorvane_audio.so";

struct Module {
    CorvaneCreateAudioOutput createOutput = nullptr;
    CorvaneCreateSoundPlayer createSound = nullptr;
    QString error;
};

// Beside the program first (the build and installation folders hold both),
// then wherever the dynamic linker looks.
Module load() {
    Module m;
    QStringList tried;
    void* handle = nullptr;
    if (QCoreApplication::instance()) {
        const QString beside =
            QCoreApplication::applicationDirPath() + QLatin1Char('/') + QLatin1String(kModule);
        handle = dlopen(beside.toLocal8Bit().constData(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) tried << QString::fromLocal8Bit(dlerror());
    }
    if (!handle) {
        handle = dlopen(kModule, RTLD_NOW | RTLD_LOCAL);
        if (!handle) tried << QString::fromLocal8Bit(dlerror());
    }
    if (!handle) {
        m.error =
            QStringLiteral("The sound module cannot be loaded (%1).").arg(tried.join(QStringLiteral("; ")));
        return m;
    }
    m.createOutput = reinterpret_cast<CorvaneCreateAudioOutput>(dlsym(handle, "corvane_create_audio_output"));
    m.createSound = reinterpret_cast<CorvaneCreateSoundPlayer>(dlsym(handle, "corvane_create_sound_player"));
    if (!m.createOutput || !m.createSound)
        m.error = QStringLiteral("The sound module %1 is not this version's.").arg(QLatin1String(kModule));
    return m;
}

const Module& module() {
    static const Module* const instance = new Module(load()); // kept loaded for the run
    return *instance;
}

} // namespace

std::unique_ptr<AudioOutput> CreateAudioOutput(QString* error) {
    const Module& m = module();
    if (!m.error.isEmpty()) {
        if (error) *error = m.error;
        return nullptr;
    }
    return std::unique_ptr<AudioOutput>(m.createOutput());
}

std::unique_ptr<SoundPlayer> CreateSoundPlayer(QString* error) {
    const Module& m = module();
    if (!m.error.isEmpty()) {
        if (error) *error = m.error;
        return nullptr;
    }
    return std::unique_ptr<SoundPlayer>(m.createSound());
}

} // namespace components
