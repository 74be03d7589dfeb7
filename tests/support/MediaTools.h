// The command-line media tools the tests make and check fixtures with.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace testsupport {

// Runs ffmpeg quietly, overwriting its output; true when it succeeded.
bool runFfmpeg(const QStringList& args);
// The container duration ffprobe reports, in seconds (0 when it cannot tell).
double ffprobeSeconds(const QString& file);
// The frames ffmpeg decodes from a file as 44100 Hz stereo; -1 when it cannot.
qint64 decodedFrames(const QString& file);
// ffmpeg input arguments for a 440 Hz stereo sine tone of the given length.
QStringList sineInput(double seconds);
// The PCM bytes of a WAV file (all after its data chunk header); empty when
// the file cannot be read or has no data chunk.
QByteArray wavPcm(const QString& path);

} // namespace testsupport
