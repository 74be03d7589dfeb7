// What the fuzz targets share: an application object for the readers that
// post events or run threads, and a private folder for the readers that take
// a path rather than bytes.
#pragma once

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

namespace fuzzing {

// Makes the process's QCoreApplication on the first call.
void EnsureApp();
// Runs the events posted so far (queued signals of the last input), so that
// nothing of one input is left for the next.
void DrainEvents();
// A folder of this run under the temporary folder, removed at a clean exit.
QString ScratchDir();
// Writes the bytes to the file `name` of the scratch folder; its path.
QString WriteScratch(const QString& name, const uint8_t* data, size_t size);
// Stops the run with a message when a reader broke a promise of its own
// (libFuzzer keeps the input as a crash).
[[noreturn]] void Broken(const char* what);

} // namespace fuzzing
