#include "core/ProgramCall.h"

#include "core/Services.h"

namespace core {

QStringList SplitCommandLine(const QString& commandLine) {
    QStringList words;
    QString word;
    bool inWord = false; // a word has begun (it may still be empty: "")
    QChar quote;         // the open quote, null when outside quotes
    for (const QChar c : commandLine) {
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
            else
                word += c;
        } else if (c == u'"' || c == u'\'') {
            quote = c;
            inWord = true;
        } else if (c == u' ' || c == u'\t' || c == u'\r' || c == u'\n') {
            if (inWord) words.append(word);
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord) words.append(word);
    return words;
}

ProgramCall ProgramCallFromCommandLine(const QString& commandLine) {
    QStringList words = SplitCommandLine(commandLine);
    ProgramCall call;
    if (words.isEmpty()) return call;
    call.program = words.takeFirst();
    call.arguments = words;
    return call;
}

bool StartProgramCall(const ProgramCall& call) {
    if (call.isEmpty()) return false;
    return core::services().startProgram(call.program, call.arguments);
}

} // namespace core
