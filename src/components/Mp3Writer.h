// MP3 output through the MPEG layer-3 encoder library itself, so that every
// field of tMP3Settings reaches the encoder: bit rate, quality, channel mode,
// VBR or ABR with their limits, the VBR (Xing/Info) tag, CRC, copyright,
// original and strict ISO. The file gets an ID3v2.3 tag at its start and an
// ID3v1.1 tag at its end.
#pragma once

#include "components/EncoderRecords.h"

#include <QFile>
#include <QString>

#include <vector>

struct lame_global_struct;

namespace components {

struct EncoderTags;

class Mp3Writer {
public:
    enum class Failure { None, Settings, Destination, Encoder };

    Mp3Writer() = default;
    ~Mp3Writer();
    Mp3Writer(const Mp3Writer&) = delete;
    Mp3Writer& operator=(const Mp3Writer&) = delete;

    // The kbps of a position in the settings' bit-rate list (0 "8" .. 18 "320"); 0 when out of range.
    static int ListBitrate(qint32 position);

    // Checks what does not depend on the source; false with *error when the settings cannot work.
    static bool CheckSettings(const tMP3Settings& m, QString* error);

    // Starts the file `path` (created or truncated) for float samples of `rate` and `channels`.
    bool Open(const QString& path, const tMP3Settings& m, int rate, int channels, const EncoderTags& tags);
    // Encodes `frames` frames given as one float plane per channel, full scale +/-1.
    bool Encode(const float* const* planes, int frames);
    // Flushes the encoder, writes the VBR tag and the ID3v1 tag, closes the file.
    bool Finish();
    // Closes the file without finishing it.
    void Close();

    QString ErrorText() const { return m_error; }
    Failure ErrorKind() const { return m_failure; }

private:
    bool fail(Failure kind, const QString& text);
    bool writeOut(int bytes);

    lame_global_struct* m_lame = nullptr;
    QFile m_file;
    qint64 m_audioStart = 0; // where the first audio frame (the VBR tag's place) begins
    bool m_vbrTag = false;
    QByteArray m_v1Tag;
    std::vector<unsigned char> m_out;
    Failure m_failure = Failure::None;
    QString m_error;
};

} // namespace components
