// Hand-over of marked items to a tool window's grid, and the totals of a
// grid's rows. A row is marked when the icon number of its "Inc" cell is
// exactly 1. Totals are 64-bit: lists of many gigabytes add up exactly.
#pragma once

#include <QString>

class cGrid;

namespace listviews {

// Number of marked rows.
qint32 GetMarkedCount(cGrid& grid);
// True when at least one row is marked.
bool IsAnyItemMarked(cGrid& grid);

// Copies rows of srcGrid into dstGrid, column by column by position. With
// bMarkedOnly the marked rows become rows 1..n of the destination, columns 2
// to the last as texts ("Inc" stays unwritten: no mark). Without it (the
// ripper) row i of the source becomes row i, with its mark in "Inc". Row 1 of
// the destination is selected; its drawing is off during the copy. An empty
// source leaves the destination untouched.
void CopyGridRows(cGrid& srcGrid, cGrid& dstGrid, bool bMarkedOnly);

// Seconds of all rows, or of the marked ones: a whole item counts its "Time",
// a ranged one its COL_RANGE_LENGTH_TIME; empty or non-numeric cells add nothing.
qint64 TotalSeconds(cGrid& grid, bool bMarkedOnly);
// Bytes of all rows, or of the marked ones (COL_BYTES_SIZE; ranges are not
// looked at); empty or non-numeric cells add nothing.
qint64 TotalBytes(cGrid& grid, bool bMarkedOnly);

// TotalSeconds as decimal digits ("0" when nothing counts).
QString GetTotalTime(cGrid& grid, bool bMarkedOnly);
// TotalBytes formatted by core::FormatByteSize.
QString GetTotalSize(cGrid& grid, bool bMarkedOnly);

} // namespace listviews
