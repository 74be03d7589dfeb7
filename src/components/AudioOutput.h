#pragma once

// The sound device, reached through Qt Multimedia in a module of its own
// (libcorvane_audio.so beside the program) that is loaded on first use: Qt
// Multimedia and the sound libraries it pulls in added to every start.

#include <QString>
#include <QStringList>

#include <memory>

namespace components {

// A device playing 16-bit samples.
class AudioOutput {
public:
    virtual ~AudioOutput() = default;
    // The names of the system's outputs, the default output first.
    virtual QStringList OutputNames() = 0;
    // Picks output `index` of OutputNames (the default device when out of
    // range); false when there is none.
    virtual bool SelectDevice(int index) = 0;
    // The format to play: 16-bit at *rate and *channels when the device takes
    // that, otherwise the device's preferred rate and one or two channels.
    virtual void FitFormat(int* rate, int* channels) = 0;
    // Opens the device for the format with a buffer of `bufferBytes`; false on failure.
    virtual bool Start(int rate, int channels, qint64 bufferBytes) = 0;
    // Stops and starts again, dropping what the device still holds; false on failure.
    virtual bool Restart() = 0;
    virtual void Stop() = 0;
    virtual void Suspend() = 0;
    virtual void Resume() = 0;
    virtual qint64 BytesFree() const = 0;
    virtual qint64 Write(const char* data, qint64 bytes) = 0;
    // Microseconds of audio the device has played since it was (re)started.
    virtual qint64 ProcessedUSecs() const = 0;
    // The device failed or went away.
    virtual bool Broken() const = 0;
};

// A short sound file played on the default device.
class SoundPlayer {
public:
    virtual ~SoundPlayer() = default;
    virtual void Play(const QString& wavFile) = 0;
    virtual void Stop() = 0;
};

// Both load the module on first use (GUI thread); null, with the reason in
// *error, when it cannot be loaded.
std::unique_ptr<AudioOutput> CreateAudioOutput(QString* error = nullptr);
std::unique_ptr<SoundPlayer> CreateSoundPlayer(QString* error = nullptr);
// Loads the module on a background thread, so that the first playback does
// not wait for it. Returns at once; call it on the GUI thread.
void PreloadAudioOutputInBackground();

} // namespace components

// The module's entry points (C names, looked up after loading).
extern "C" {
using CorvaneCreateAudioOutput = components::AudioOutput* (*)();
using CorvaneCreateSoundPlayer = components::SoundPlayer* (*)();
}
