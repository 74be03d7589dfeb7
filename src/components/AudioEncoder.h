// Encodes interleaved PCM into one of the six output formats of the converter
// (1 WAV, 2 ACM WAV, 3 MP3, 4 WMA, 5 OGG, 6 APE), with the seven tags. The one
// encoder path of the program: the converter, the ripper and the joiner all
// write their outputs through it.
//
// The output is written to a temporary name beside the destination and only
// Finish() renames it over the destination; Cancel() (or destroying an
// encoder that was not finished) removes the temporary file.
#pragma once

#include "components/AudioDecoder.h"
#include "components/EncoderRecords.h"

#include <QString>

#include <memory>

namespace components {

struct EncoderTags {
    QString Title, Artist, Album, Year, Track, Genre, Comment;
};

// Everything a run hands over before its first item.
struct EncoderSetup {
    qint32 OutputFormat = 1; // 1 WAV, 2 ACM WAV, 3 MP3, 4 WMA, 5 OGG, 6 APE
    tWAVSettings WAV;
    tMP3Settings MP3;
    tWMASettings WMA;
    tOGGSettings OGG;
    QString ACMTag;    // codec name as EnumACMTags lists it
    QString ACMFormat; // format name as EnumACMFormats lists it
    qint32 APELevel = 1;
};

class AudioEncoder {
public:
    // What kind of failure ErrorText() describes.
    enum class Failure {
        None,
        NotSupported, // the output format has no encoder here (APE)
        Settings,     // the settings name no format this encoder can write
        Destination,  // the destination cannot be written
        Encoder,      // the encoder or the file writer failed
    };

    AudioEncoder();
    ~AudioEncoder();
    AudioEncoder(const AudioEncoder&) = delete;
    AudioEncoder& operator=(const AudioEncoder&) = delete;

    // Prepares the output for PCM of the given rate, channels and sample kind.
    // False, with ErrorText(), when the settings cannot be encoded or the
    // destination folder cannot be written; nothing is left on disk then.
    bool Open(const QString& destination, const EncoderSetup& setup, const EncoderTags& tags, int inRate,
              int inChannels, SampleKind inKind);
    // Encodes `frames` interleaved frames.
    bool Write(const void* data, qint64 frames);
    // Flushes, writes the trailer and renames the temporary file over the destination.
    bool Finish();
    // Drops everything written so far; the destination is left as it was.
    void Cancel();

    QString ErrorText() const;
    Failure ErrorKind() const;

    // The rate and channels the output of `setup` will have for a source of
    // srcRate/srcChannels. Feeding Open exactly this spares a second resampling.
    // False, with *error, when the settings cannot be encoded at all.
    static bool TargetFormat(const EncoderSetup& setup, int srcRate, int srcChannels, int* rate,
                             int* channels, QString* error = nullptr);

private:
    struct State;
    std::unique_ptr<State> d;
};

} // namespace components
