// Programs started without a shell: a command line is split into program and
// arguments first, so a value with blanks, quotes or shell characters stays
// one argument, exactly as it is.
#pragma once

#include <QString>
#include <QStringList>

namespace core {

// Splits a command line into words. Blanks, tabs and line breaks separate
// words. A part in double quotes or in single quotes belongs to one word with
// its blanks and the other kind of quote; quoted and unquoted parts that touch
// make one word ("--x=\"a b\"" is --x=a b); "" is an empty word. A quote left
// open runs to the end of the text. Nothing else (backslashes, $, ;, |, ...)
// has a meaning.
QStringList SplitCommandLine(const QString& commandLine);

// A program and its arguments, ready to start without a shell.
struct ProgramCall {
    QString program;
    QStringList arguments;
    bool isEmpty() const { return program.isEmpty(); }
};

// The words of the command line taken as typed: the first is the program.
// An empty or blank line gives an empty call.
ProgramCall ProgramCallFromCommandLine(const QString& commandLine);

// Starts the program through core::services().startProgram. False when the
// call is empty or the program could not be started; no message either way.
bool StartProgramCall(const ProgramCall& call);

} // namespace core
