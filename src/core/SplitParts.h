// The splitter's arithmetic, without a widget: how long each part is, where
// the parts start, and what they are called. The parts of one item are the
// rows of an item-by-item run (core::BatchRun), each a range of the item.
#pragma once

#include "core/BatchRun.h"

#include <QList>
#include <QString>

namespace core {

// The message a split that cannot start shows: "Source file length is to
// small." and seven blanks.
QString SplitRefusedText();

// The part length of a split. In the parts mode, the source's length over the
// number of parts; in the seconds mode, the seconds given. Whole seconds, an
// exact half to the even neighbour (in the parts mode rounded down instead
// when rounding up would leave the last part nothing). A start is refused
// (nullopt) when the text of the chosen mode is no number, when the number
// of parts is 1 or less, when the seconds given are below 1 or not shorter
// than the source, or when the length comes out below 1 second: a part of
// 0 seconds would never end the split.
std::optional<qint32> SplitPartLength(bool byParts, const QString& partsText, const QString& secondsText,
                                      qint64 durationMs);

// How many parts the parts mode asks for: the number, whole, an exact half
// to the even neighbour; 0 in the seconds mode (as many as the length gives)
// or for a text that is no number.
qint32 SplitPartCount(bool byParts, const QString& partsText);

// The starts, in seconds, of the parts of a source of durationMs cut into
// parts of `length` seconds: 0, L, 2L ... while the start lies before the
// end, and no more than `parts` of them when that is above 0. The last part
// takes what remains, so the parts neither overlap nor leave a gap.
QList<qint32> SplitPartStarts(qint32 length, qint64 durationMs, qint32 parts = 0);

// The rows of the run: one per part, each the item with its part's range.
// Each range is `length` long, except the last of a count of parts, which
// runs to the end of the source.
QList<BatchItem> SplitPartItems(const BatchItem& item, qint32 length, qint64 durationMs, qint32 parts = 0);

// "Part_<n>_" and the source's file name with its last three characters
// replaced by the target format's code (the first three characters of the
// target-format text): song.mp3 to MP3 gives Part_1_song.MP3.
QString CreatePartFileName(qint32 partNum, const QString& sourcePath, const QString& targetFormatText);

} // namespace core
