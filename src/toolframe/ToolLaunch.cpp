#include "toolframe/ToolLaunch.h"

#include "controls/cGrid.h"
#include "core/AudioBurnJob.h"
#include "core/ConverterItemJob.h"
#include "dialogs/ModalShow.h"
#include "listviews/TemplatesGrid.h"
#include "toolframe/frmBatchTool.h"

#include <QDialog>
#include <QPointer>
#include <QWidget>

namespace toolframe {

std::unique_ptr<core::ItemJob> MakeItemJob(const std::function<std::unique_ptr<core::ItemJob>()>& makeJob) {
    if (makeJob) return makeJob();
    return std::make_unique<core::ConverterItemJob>();
}

DiscFill ComputeDiscFill(qint32 marked, qint64 seconds) {
    // The burner's own measure, so that the hand-over and the window agree.
    const core::DataSizeDisplay d = core::DataSize(seconds, marked);
    DiscFill fill;
    fill.minutes = static_cast<qint32>(d.minutes);
    fill.filesText = d.filesToConvert;
    fill.sizePanelText = d.totalSizePanel;
    fill.barValue = fill.minutes;
    fill.tooBig = d.overLimit;
    fill.dataSizeText = d.dataSize;
    if (fill.tooBig) {
        fill.barColor = 255;
        fill.dataSizeBold = true;
    }
    return fill;
}

void ShowToolModal(const ToolLaunch& launch, QDialog* window) {
    if (launch.owner) launch.owner->unsetCursor();
    if (!window) return;
    if (launch.beforeShow) launch.beforeShow(window);
    dialogs::ExecModal(window);
}

void ConnectToMainWindow(frmBatchTool& window, const ToolLaunch& launch) {
    window.EndActionsHooks().balloon = launch.balloon;
    QPointer<cGrid> grid = launch.mainGrid;
    window.EndActionsHooks().noticValues = [grid] {
        return grid ? listviews::LastRowValues(*grid) : itemlists::NoticFileValues{};
    };
}

} // namespace toolframe
