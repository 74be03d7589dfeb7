// Small items-list fixtures: silent WAV files the converter can open and
// list files naming them.
#pragma once

#include <QString>
#include <QStringList>

namespace testsupport {

// A silent 16-bit stereo 44.1 kHz WAV of the given length.
bool writeSilentWav(const QString& path, double seconds);
// An items-list file naming the files, every item marked and whole, tags empty.
bool writeMarkedList(const QString& path, const QStringList& files);

} // namespace testsupport
