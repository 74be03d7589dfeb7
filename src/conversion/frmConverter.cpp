#include "conversion/frmConverter.h"

#include "dialogs/frmAbout.h"

#include <QGridLayout>

namespace conversion {
QPointer<frmConverter> g_frmConverter;
}

namespace {
toolframe::frmBatchTool::Design ConverterDesign() {
    toolframe::frmBatchTool::Design d;
    d.objectName = QStringLiteral("frmConverter");
    d.caption = QStringLiteral("Audio Converter");
    d.settingsTabCaption = QStringLiteral("Converter        ");
    d.settingsTabIcon = 7;
    d.iconName = QStringLiteral("replace2");
    return d;
}
} // namespace

frmConverter::frmConverter(std::unique_ptr<core::ItemJob> job, cImageList* imgMenu, QWidget* parent)
    : frmBatchTool(ConverterDesign(), std::move(job), core::BatchPolicy{}, imgMenu, parent) {
    auto* g = new QGridLayout(formatArea);
    g->setContentsMargins(0, 0, 0, 0);
    AddTargetFormatRow(g, 0);
    g->setColumnStretch(1, 1);
}

void frmConverter::LoadFormatArea() {
    LoadTargetFormatRow();
}
