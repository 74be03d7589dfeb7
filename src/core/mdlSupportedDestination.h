// The output formats the program can produce: one switch per format, the
// texts of the target-format lists and the format code of a chosen text.
#pragma once

#include <QString>
#include <QStringList>

namespace core {

// Format codes (the components take the code plus one).
enum DestinationFormat : qint32 { fmtWAV = 0, fmtACM = 1, fmtMP3 = 2, fmtWMA = 3, fmtOGG = 4, fmtAPE = 5 };

// 1 = the format is offered; set by InitDestinationFormats.
extern qint32 g_lDestWAV;
extern qint32 g_lDestACM;
extern qint32 g_lDestMP3;
extern qint32 g_lDestWMA;
extern qint32 g_lDestOGG;
extern qint32 g_lDestAPE;

// Sets the six switches to this build's values (WAV, MP3 and WMA offered).
void InitDestinationFormats();
// The list text of a format code ("WAV - Waveform Audio Format (*.wav)"...);
// "" for an unknown code.
QString DestinationFormatText(qint32 code);
// Runs InitDestinationFormats and gives the texts of the offered formats in
// code order.
QStringList DestinationFormatTexts();
// The code of a list text, by its first three characters (any case); 0 (WAV)
// for anything else, also for an empty text.
qint32 GetDestinationFormatCode(const QString& formatText);

} // namespace core
