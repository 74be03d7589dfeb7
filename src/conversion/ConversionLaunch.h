// How the dispatcher opens the converting windows, once its tests have
// passed, from the common launch context.
#pragma once

#include "conversion/ToolLaunch.h"
#include "conversion/frmAudioEditorProc.h"
#include "core/ItemJob.h"

#include <QString>

#include <functional>
#include <memory>

class QWidget;

namespace conversion {

class frmBatchTool;

// The end-of-job steps that need the main window: its tray balloon, and the
// end-of-job program's file values from its grid's last row.
void ConnectToMainWindow(frmBatchTool& window, const ToolLaunch& launch);

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
