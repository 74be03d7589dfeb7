#include "conversion/ToolLaunch.h"

#include "dialogs/ModalShow.h"

#include <QDialog>
#include <QWidget>

#include <cmath>

namespace conversion {

DiscFill ComputeDiscFill(qint32 marked, qint64 seconds) {
    DiscFill fill;
    const double quotient = static_cast<double>(seconds) / 60.0;
    // Nearest integer, an exact half to the even neighbour (150 s -> 2, 210 s -> 4).
    fill.minutes = static_cast<qint32>(std::nearbyint(quotient));
    const QString n = QString::number(marked);
    const QString m = QString::number(fill.minutes);
    fill.filesText = n + " items to burn (" + m + " minutes).";
    fill.sizePanelText = m + " Min / " + "80" + " Min.";
    fill.barValue = fill.minutes;
    // The limit is tested on the unrounded quotient: 4801 seconds are too many, 4800 are not.
    fill.tooBig = quotient > 80.0;
    if (fill.tooBig) {
        fill.barColor = 255;
        fill.dataSizeText = QStringLiteral("Data is to big (more then 80 min). Please remove some tracks.");
        fill.dataSizeBold = true;
    } else {
        fill.dataSizeText = "Data Size: " + n + " files, " + m + " Min / " + "80" + " Min.";
    }
    return fill;
}

void ShowToolModal(const ToolLaunch& launch, QDialog* window) {
    if (launch.owner) launch.owner->unsetCursor();
    if (!window) return;
    if (launch.beforeShow) launch.beforeShow(window);
    core::ExecModal(window);
}

} // namespace conversion
