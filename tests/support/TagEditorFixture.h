// The MP3 Tags Editor as its tests open it: loaded, kept when it closes, with
// the file chosen through the scripted open dialog; and the last message it
// showed.
#pragma once

#include "ScriptedServices.h"
#include "tags/frmMP3TagsEditor.h"

#include <QString>

#include <memory>

namespace tagtests {

inline std::unique_ptr<frmMP3TagsEditor> OpenTagsEditor(testsupport::ScriptedServices& services,
                                                        const QString& path) {
    auto w = std::make_unique<frmMP3TagsEditor>();
    w->setAttribute(Qt::WA_DeleteOnClose, false);
    w->Form_Load();
    services.openAnswers.enqueue({path});
    w->cmdSelectFile_Click();
    return w;
}

// The prompt of the last message box shown, or "" when none was.
inline QString LastPrompt(const testsupport::ScriptedServices& services) {
    return services.messages.isEmpty() ? QString() : services.messages.last().prompt;
}

} // namespace tagtests
