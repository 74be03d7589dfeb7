// What windows below the main window need of it. The main window implements
// this interface and registers itself; lower layers never include its header.
#pragma once

class QWidget;
class cImageList;

namespace dialogs {

class MainWindowHost {
public:
    virtual ~MainWindowHost() = default;
    // The main window itself (parent of the windows it owns).
    virtual QWidget* hostWindow() = 0;
    // The menu pictures (imgMenu), shared by the tab strips of other windows.
    virtual cImageList* menuImages() = 0;
    // The notes were saved: the status bar's "Notes" panel shows them again.
    virtual void notesChanged() = 0;
    // Closes the main window, which ends the program.
    virtual void closeHost() = 0;
};

// The registered main window, or nullptr when none is loaded (tests of lone
// windows, start-up before the main window).
MainWindowHost* mainWindowHost();
// The main window registers itself when created and unregisters (nullptr)
// when destroyed.
void setMainWindowHost(MainWindowHost* host);

} // namespace dialogs
