#include "itemlists/MainWindowLink.h"

#include <QtGlobal>

#include <cstdlib>

namespace itemlists {

void LinkMissing(const char* name) {
#ifdef QT_NO_DEBUG
    const bool strict = qEnvironmentVariableIsSet("CORVANE_STRICT_LINKS");
#else
    const bool strict = true;
#endif
    if (strict) qFatal("MainWindowLink::%s was called but never filled", name);
    qWarning("MainWindowLink::%s was called but never filled", name);
}

QStringList MainWindowLink::Missing() const {
    QStringList missing;
    const auto check = [&missing](bool filled, const char* name) {
        if (!filled) missing << QString::fromLatin1(name);
    };
    check(bool(PanelText), "PanelText");
    check(bool(SetListName), "SetListName");
    check(bool(SetCDPolling), "SetCDPolling");
    check(bool(IsPlaying), "IsPlaying");
    check(bool(StopPlay), "StopPlay");
    check(bool(ShowProgress), "ShowProgress");
    check(bool(SetProgress), "SetProgress");
    check(bool(IsProgressVisible), "IsProgressVisible");
    check(bool(EmptyPanel), "EmptyPanel");
    check(bool(BusyPointer), "BusyPointer");
    check(bool(GetFileInfoToGridInfo), "GetFileInfoToGridInfo");
    return missing;
}

} // namespace itemlists
