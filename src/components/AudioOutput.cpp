#include "components/AudioOutput.h"

#include <QCoreApplication>
#include <QStringList>
#include <QThreadPool>

#include <dlfcn.h>

#include <mutex>

namespace components {

namespace {

constexpr const char* kModule = "libcorvane_audio.so";

struct Module {
    CorvaneCreateAudioOutput createOutput = nullptr;
    CorvaneCreateSoundPlayer createSound = nullptr;
    CorvaneCreateAudioInput createInput = nullptr;
    QString error;
};

// Beside the program first (the build and installation folders hold both),
// then wherever the dynamic linker looks.
Module load(const QString& beside) {
    Module m;
    QStringList tried;
    void* handle = nullptr;
    if (!beside.isEmpty()) {
        handle = dlopen(beside.toLocal8Bit().constData(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) tried << QString::fromLocal8Bit(dlerror());
    }
    if (!handle && qEnvironmentVariableIsEmpty("CORVANE_AUDIO_MODULE")) {
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
    m.createInput = reinterpret_cast<CorvaneCreateAudioInput>(dlsym(handle, "corvane_create_audio_input"));
    if (!m.createOutput || !m.createSound || !m.createInput)
        m.error = QStringLiteral("The sound module %1 is not this version's.").arg(QLatin1String(kModule));
    return m;
}

// The module's path beside the program; asked on the GUI thread.
QString besideProgram() {
    // CORVANE_AUDIO_MODULE names the module's file instead (the tests use it
    // to see the program without it).
    const QString chosen = qEnvironmentVariable("CORVANE_AUDIO_MODULE");
    if (!chosen.isEmpty()) return chosen;
    return QCoreApplication::instance()
               ? QCoreApplication::applicationDirPath() + QLatin1Char('/') + QLatin1String(kModule)
               : QString();
}

const Module& module(const QString& beside) {
    static const Module* const instance = new Module(load(beside)); // kept loaded for the run
    return *instance;
}

const Module& module() {
    return module(besideProgram());
}

} // namespace

void PreloadAudioOutputInBackground() {
    static std::once_flag once;
    std::call_once(once, [] {
        const QString beside = besideProgram();
        QThreadPool::globalInstance()->start([beside] { module(beside); });
    });
}

namespace {

// An object the module makes, or null with the reason the module is missing.
template <typename T, typename Make> std::unique_ptr<T> create(Make Module::*make, QString* error) {
    const Module& m = module();
    if (!m.error.isEmpty()) {
        if (error) *error = m.error;
        return nullptr;
    }
    return std::unique_ptr<T>((m.*make)());
}

} // namespace

std::unique_ptr<AudioOutput> CreateAudioOutput(QString* error) {
    return create<AudioOutput>(&Module::createOutput, error);
}

std::unique_ptr<SoundPlayer> CreateSoundPlayer(QString* error) {
    return create<SoundPlayer>(&Module::createSound, error);
}

std::unique_ptr<AudioInput> CreateAudioInput(QString* error) {
    return create<AudioInput>(&Module::createInput, error);
}

} // namespace components
