// Run at session start: an XDG autostart entry that starts the program with
// "-st", so that it starts hidden in the notification area.
#pragma once

#include <QString>

namespace core {

// True: writes the entry for the running program; otherwise removes it (a
// missing entry is no error). Nothing is reported: a failure leaves the
// entry as it was.
void SetRunOnStart(bool enable);
// True when the entry exists, is not hidden and starts exactly the running
// program with "-st" (the text SetRunOnStart would write now, case counts).
bool IsRunOnStart();

// $XDG_CONFIG_HOME/autostart/corvane.desktop
QString RunOnStartFile();
// The Exec line's value for a program: the quoted, escaped path and " -st".
QString RunOnStartCommand(const QString& programPath);

} // namespace core
