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
// A record as the unescaping writer wrote it.
QString oldRecord(const QString& inc, const QString& type, const QString& name, const QString& file,
                  const QString& all = "1", const QString& start = "", const QString& length = "",
                  const QString& title = "", const QString& track = "");

} // namespace testsupport
