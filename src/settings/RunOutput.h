// The output format of a run as the windows hand it to a job: the target
// format's settings from the encoder settings variables as they are now.
#pragma once

#include "core/ItemJob.h"

#include <QString>

namespace settings {

// The output settings of a run for a target-format text, and the log line of
// the hand-over ("Destination format: MP3"). A text naming no format gives WAV.
core::RunOutput OutputForFormat(const QString& targetFormatText);
// The ACM WAV hand-over with a codec chosen in a window (tag, format); the
// extension is "wav".
core::RunOutput OutputForACM(const QString& tagName, const QString& formatName);

} // namespace settings
