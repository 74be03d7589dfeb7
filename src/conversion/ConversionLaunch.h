// How the main window's dispatcher opens the converting windows: it keeps its
// own tests (selection, empty list, marks) and CD polling, and calls these
// with what the windows need of it.
#pragma once

#include "conversion/frmAudioEditorProc.h"
#include "core/ItemJob.h"

#include <QString>

#include <functional>
#include <memory>

class QWidget;
class cGrid;
class cImageList;

namespace conversion {

struct ToolLaunch {
    QWidget* owner = nullptr;      // the main window
    cGrid* mainGrid = nullptr;     // its items grid (marked rows, totals, the end-of-job program's last row)
    cImageList* imgMenu = nullptr; // its menu pictures (the tabs' icons)
    QString listName;              // core::MakeSafeFileName of the selected node's text
    // The main window's tray balloon: cSysTray1->ShowBalloon(text, product name & " " & version, 1, 30).
    std::function<void(const QString& text)> balloon;
    // The window's job; empty: the converter component.
    std::function<std::unique_ptr<core::ItemJob>()> makeJob;
    // Called with the loaded window before it is shown (tests drive it from here).
    std::function<void(QDialog* window)> beforeShow;
};

// "Audio Converter": loads g_frmConverter, hands over the marked rows of the
// main grid with their count, totals and the list name, shows it modally and
// returns when it has closed.
void ShowConverter(const ToolLaunch& launch);
// "ACM Converter": the same for g_frmACMConverter, then its source list from
// every row of the main grid with the selected row's file chosen.
void ShowACMConverter(const ToolLaunch& launch);

// The analyser's and the speech window's one-file conversion: loads
// g_frmAudioEditorProc, converts `source` into `dest` (a PCM WAV, or the
// format of frmAudioEditorProc::g_sConvertToTarget when g_bConvertTo is set)
// and shows the window modally until it closes. Only Done means `dest` holds
// the result.
frmAudioEditorProc::Outcome
ConvertFileModal(QWidget* owner, const QString& source, const QString& dest,
                 const std::function<std::unique_ptr<core::ItemJob>()>& makeJob = {},
                 const std::function<void(QDialog*)>& beforeShow = {});

} // namespace conversion
