// Decodes the first audio stream of a file to interleaved PCM in the format
// the caller asks for (rate, channels, 16-bit integer or 32-bit float). Used
// by the converter, the player, the burner and everything else that needs
// samples. One instance per thread; nothing here touches Qt's event loop.
#pragma once

#include <QString>
#include <QtGlobal>

#include <memory>

namespace components {

enum class SampleKind { S16, Float };

class AudioDecoder {
public:
    AudioDecoder();
    ~AudioDecoder();
    AudioDecoder(const AudioDecoder&) = delete;
    AudioDecoder& operator=(const AudioDecoder&) = delete;

    // Opens the file's first audio stream with a decoder. False, with
    // ErrorText(), when the file is missing, unreadable or holds no audio.
    bool Open(const QString& path);
    void Close();
    bool IsOpen() const;

    // Of the open stream.
    int SourceRate() const;
    int SourceChannels() const;
    // The container's length in milliseconds; -1 when it does not say.
    qint64 DurationMs() const;
    // True when that length is only guessed from the bit rate and the file's
    // size (an MP3 without a frame count), so it may be off either way.
    bool DurationIsEstimate() const;

    // The format Read delivers; by default the source's rate and channels as S16.
    // Call after Open and before the first Read (or Seek).
    void SetOutput(int rate, int channels, SampleKind kind);
    int OutputRate() const;
    int OutputChannels() const;
    SampleKind OutputKind() const;
    int BytesPerFrame() const;

    // Makes the next Read start at the given time, exact to the sample.
    bool Seek(qint64 ms);

    // Decodes up to maxFrames frames into buffer (BytesPerFrame() each).
    // Returns the frames written; 0 at the end of the stream; -1 on an error
    // that ends decoding (ErrorText()). Damaged packets are skipped.
    qint64 Read(void* buffer, qint64 maxFrames);

    QString ErrorText() const;

private:
    struct State;
    std::unique_ptr<State> d;
};

} // namespace components
