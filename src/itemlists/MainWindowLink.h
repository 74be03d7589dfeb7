// What the tree and the Add Files window need of the main window beyond its
// tree and grid: the main window fills these once (each may stay empty; an
// empty one does nothing, or answers false).
#pragma once

#include <QString>

#include <functional>

namespace itemlists {

struct MainWindowLink {
    // cStatusBar1: the text of the panel with that key ("Main", "Items List Properties", ...).
    std::function<void(const QString& panelKey, const QString& text)> PanelText;
    // lblListName: the caption above the grid.
    std::function<void(const QString& text)> SetListName;
    // tmrCDs on or off.
    std::function<void(bool on)> SetCDPolling;
    // The preview player: playing?, and the "Stop" of its toolbar.
    std::function<bool()> IsPlaying;
    std::function<void()> StopPlay;
    // prgStatus: shown while a list is read (node clicks are refused meanwhile).
    std::function<void(bool visible)> ShowProgress;
    std::function<void(qint32 value, qint32 maximum)> SetProgress;
    std::function<bool()> IsProgressVisible;
    // picEmptyMsg shown or hidden; a non-empty text becomes lblAddorDrag's caption.
    std::function<void(bool show, const QString& text)> EmptyPanel;
    // Hourglass pointer on or off.
    std::function<void(bool busy)> BusyPointer;
    // frmMain.GetFileInfoToGridInfo, run once after an add that leaves rows.
    std::function<void()> GetFileInfoToGridInfo;
    // The "Items List Properties" command for the selected node ("Rename Items
    // List" and a click on the list caption run it).
    std::function<void()> ShowItemsListProperties;
    // The audio-CD loader: fills the grid with the tracks of the disc in the
    // drive ("E:"). Filled by the audio-CD loading code; while it is empty a
    // CD node shows an empty grid.
    std::function<void(const QString& sDrive)> LoadAudioCD;
};

} // namespace itemlists
