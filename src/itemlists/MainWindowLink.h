// What the tree and the Add Files window need of the main window beyond its
// tree and grid: the main window fills these once. Every callback but
// LoadAudioCD and ShowItemsListProperties is required: calling one that was never filled is a wiring
// fault, fatal in debug builds and whenever CORVANE_STRICT_LINKS is set (the
// tests set it); a release build logs it and carries on as if it did nothing.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <type_traits>
#include <utility>

namespace itemlists {

// Reports a required link that was called while empty (see above).
void LinkMissing(const char* name);

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

    // Calls a required callback; an empty one is reported by LinkMissing and
    // answers the return type's default (false, nothing).
    template <class R, class... P, class... A>
    static R Call(const std::function<R(P...)>& f, const char* name, A&&... args) {
        if (!f) {
            LinkMissing(name);
            if constexpr (!std::is_void_v<R>)
                return R{};
            else
                return;
        }
        return f(std::forward<A>(args)...);
    }

    // The names of the required callbacks that are still empty.
    QStringList Missing() const;
};

} // namespace itemlists
