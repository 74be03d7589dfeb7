// Text builders other windows call: the end-of-job command line (from the
// template g_sAppNotice and the last row of the main grid) and the
// time-stamped file name of the speech generator.
//
// The end-of-job program is never run through a shell: its template is split
// into program and arguments first and the tokens are replaced inside each
// word afterwards, so a value with blanks, quotes or shell characters stays
// one argument, exactly as it is.
#pragma once

#include "core/ProgramCall.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace itemlists {

// The end-of-job tokens, in the order they are replaced.
inline const QString TOKEN_PROG_NAME = QStringLiteral("[PROG_NAME]");
inline const QString TOKEN_PROG_VERSION = QStringLiteral("[PROG_VERSION]");
inline const QString TOKEN_FILE_RECORDED = QStringLiteral("[FILE_RECORDED]");
inline const QString TOKEN_FILE_SIZE = QStringLiteral("[FILE_SIZE]");
inline const QString TOKEN_FILE_TIME_LENGTH = QStringLiteral("[FILE_TIME_LENGTH]");
inline const QString TOKEN_FILE_CREATED = QStringLiteral("[FILE_CREATED]");

// The six tokens in replacement order.
QStringList NoticAppTokens();

// The file values of the end-of-job tokens, taken from the last row of the
// main grid ("Item Name", "Size", "Time", "Created" as shown; the grid's side
// is listviews/TemplatesGrid.h). A value that could not be read is nullopt:
// its token then stays as typed.
struct NoticFileValues {
    std::optional<QString> fileRecorded;
    std::optional<QString> fileSize;
    std::optional<QString> fileTimeLength;
    std::optional<QString> fileCreated;
};

// Replaces the six tokens one after the other, every occurrence, letter case
// exact; a token that an earlier value brought in is replaced too. The
// product values are core::g_sProductName and core::g_sProductVersion.
QString ExpandNoticAppTokens(const QString& text, const NoticFileValues& file);

// settings::g_sAppNotice with the tokens replaced: the command line as text
// (for showing it; running it goes through BuildNoticAppCall).
QString GetNoticAppParameters(const NoticFileValues& file);

// The command line splitter and the program call live in core/ProgramCall.h.
using core::ProgramCall;
using core::SplitCommandLine;
using core::StartProgramCall;

// Splits the template first, then replaces the tokens inside each word. With
// no file values (nullptr) the words are taken as typed (the Options dialog's
// "Test" button). An empty or blank template gives an empty call.
ProgramCall BuildNoticAppCall(const QString& commandTemplate, const NoticFileValues* file);

// The end-of-job step of a batch tool: settings::g_sAppNotice, split, expanded
// with the last row of the main grid, started. False as StartProgramCall.
bool RunNoticApp(const NoticFileValues& file);

// The lower-case extension, without dot, of a target-format text ("MP3 -
// MPEG-1 Audio Layer 3 (*.mp3)" gives "mp3", "ACM - ..." gives "wav"); empty
// for any other text.
QString GetExt(const QString& targetFormatText);

// The speech generator's output name: the time "HH:MM:SS", "_", the short
// date of core::services().locale(), ".", GetExt of the format, all passed
// through core::MakeSafeFileName (14-05-09_12-8-2026.mp3). The clock is
// core::services().now().
QString CreateFileName(const QString& targetFormatText);

} // namespace itemlists
