#pragma once

// The codecs the converter offers for WAV files ("ACM" tags and formats) and
// for WMA files, as fixed tables. The positions of the WMA tables are stored
// in the settings, so entries are only ever appended, never reordered.

#include <QString>
#include <QStringList>

#include <vector>

namespace components::codecs {

struct AcmFormat {
    int sampleRate;
    int channels;
    int bitsPerSample; // bits of one coded sample (4 for the ADPCMs; 0 where none applies)
    int bitRate = 0;   // bits per second, for the codecs that are set by bit rate (MPEG Layer-3)
};

struct AcmTag {
    QString name;    // shown to the user and handed back by the settings
    QString encoder; // FFmpeg encoder name
    std::vector<AcmFormat> formats;
};

struct WmaFormat {
    int bitRate; // bits per second
    int sampleRate;
    int channels;
};

struct WmaCodec {
    QString name;
    QString encoder;
    std::vector<WmaFormat> formats;
};

// Every tag whose encoder this FFmpeg build has, in table order.
const std::vector<AcmTag>& AcmTags();
QString AcmFormatName(const AcmTag& tag, const AcmFormat& format);
// The tag and format a pair of names stand for; false when either is unknown.
bool FindAcmFormat(const QString& tagName, const QString& formatName, AcmTag* tag, AcmFormat* format);
// The FFmpeg encoder that writes the format (PCM of 8 bits is unsigned, of 16 signed).
QString AcmEncoder(const AcmTag& tag, const AcmFormat& format);

// Every WMA codec whose encoder this FFmpeg build has, in table order.
const std::vector<WmaCodec>& WmaCodecs();
QString WmaFormatName(const WmaFormat& format);

} // namespace components::codecs
