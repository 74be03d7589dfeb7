#include "LinkStubs.h"

namespace testsupport {

void StubMissingLinks(itemlists::MainWindowLink& link) {
    if (!link.PanelText) link.PanelText = [](const QString&, const QString&) {};
    if (!link.SetListName) link.SetListName = [](const QString&) {};
    if (!link.SetCDPolling) link.SetCDPolling = [](bool) {};
    if (!link.IsPlaying) link.IsPlaying = [] { return false; };
    if (!link.StopPlay) link.StopPlay = [] {};
    if (!link.ShowProgress) link.ShowProgress = [](bool) {};
    if (!link.SetProgress) link.SetProgress = [](qint32, qint32) {};
    if (!link.IsProgressVisible) link.IsProgressVisible = [] { return false; };
    if (!link.EmptyPanel) link.EmptyPanel = [](bool, const QString&) {};
    if (!link.BusyPointer) link.BusyPointer = [](bool) {};
    if (!link.GetFileInfoToGridInfo) link.GetFileInfoToGridInfo = [] {};
}

} // namespace testsupport
