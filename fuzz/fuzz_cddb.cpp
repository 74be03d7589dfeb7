// A CDDB server's answers: any bytes as the whole conversation, fed in
// pieces as a socket delivers them.
#include "FuzzSupport.h"

#include "components/CddbSession.h"

using components::CddbSession;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    CddbSession session(QStringLiteral("cddb hello user host client v1"),
                        QStringLiteral("cddb query 0a000b02 2 150 300 13"));
    QList<CddbSession::Step> steps;
    // Uneven pieces, so that lines are cut anywhere.
    for (qsizetype at = 0, piece = 1; at < bytes.size() && !session.Over();
         at += piece, piece = piece * 3 % 97 + 1)
        session.Feed(bytes.mid(at, piece), steps);
    for (qsizetype i = 0; i < steps.size(); ++i) {
        const bool last =
            steps[i].kind == CddbSession::StepKind::Fail || steps[i].kind == CddbSession::StepKind::Entry;
        if (last != (i + 1 == steps.size() && session.Over())) fuzzing::Broken("a step after the end");
        if (steps[i].kind == CddbSession::StepKind::Send &&
            (steps[i].text.contains(QLatin1Char('\n')) || steps[i].text.contains(QLatin1Char('\r'))))
            fuzzing::Broken("a command that would split into two");
    }
    if (session.Over() && !steps.isEmpty() && steps.last().kind == CddbSession::StepKind::Entry) {
        const CddbSession::Entry& entry = session.entry();
        if (entry.tracks.size() > 99) fuzzing::Broken("more tracks than a disc holds");
    }
    return 0;
}
