#pragma once

// The sound device, reached through Qt Multimedia (recording: through the
// sound server's own library) in a module of its own (libcorvane_audio.so
// beside the program) that is loaded on first use: Qt Multimedia and the
// sound libraries it pulls in added to every start.

#include <QString>
#include <QStringList>

#include <functional>
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

// A device recording PCM samples (unsigned 8-bit or signed 16-bit,
// interleaved) on a thread of its own.
class AudioInput {
public:
    // Called on the recording thread: each piece of samples as it arrives
    // (whole frames), and once when the device fails or goes away.
    struct Callbacks {
        std::function<void(const char* data, qint64 bytes)> data;
        std::function<void()> lost;
    };

    virtual ~AudioInput() = default;
    // The names of the input devices, the default input first; empty when
    // no sound server answers.
    virtual QStringList Devices() = 0;
    // The most channels input `index` records.
    virtual int MaxChannels(int index) = 0;
    // Starts recording from input `index` (the default input when out of
    // range) in exactly this format, handing pieces of about `pieceMs`
    // milliseconds. False, with the reason in *error, when it cannot start.
    virtual bool Start(int index, int rate, int channels, int bits, int pieceMs, Callbacks callbacks,
                       QString* error) = 0;
    // Ends the recording at this moment without waiting: what the device
    // had recorded by now is still handed over as it comes (the server
    // sends a piece only when its time is up), nothing recorded later.
    // `drained` is called once all of it is in, or when no more can come
    // (on the recording thread, or at once from here).
    virtual void Finish(std::function<void()> drained) = 0;
    // Stops at once (what Finish still waits for is dropped); no callback
    // comes after it returns. Nothing when not started.
    virtual void Stop() = 0;
    // Whether the device being recorded is still offered by the system (a
    // device that went away is not always reported otherwise).
    virtual bool Present() = 0;
};

// All three load the module on first use (GUI thread); null, with the reason
// in *error, when it cannot be loaded.
std::unique_ptr<AudioOutput> CreateAudioOutput(QString* error = nullptr);
std::unique_ptr<SoundPlayer> CreateSoundPlayer(QString* error = nullptr);
std::unique_ptr<AudioInput> CreateAudioInput(QString* error = nullptr);
// Loads the module on a background thread, so that the first playback does
// not wait for it. Returns at once; call it on the GUI thread.
void PreloadAudioOutputInBackground();

} // namespace components

// The module's entry points (C names, looked up after loading).
extern "C" {
using CorvaneCreateAudioOutput = components::AudioOutput* (*)();
using CorvaneCreateSoundPlayer = components::SoundPlayer* (*)();
using CorvaneCreateAudioInput = components::AudioInput* (*)();
}
