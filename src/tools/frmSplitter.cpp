#include "tools/frmSplitter.h"

#include "components/cAudioConverter.h"
#include "controls/cGrid.h"
#include "controls/cStatusBar.h"
#include "core/ConverterItemJob.h"
#include "core/Services.h"
#include "core/SplitParts.h"
#include "core/mdlFunctions.h"
#include "core/mdlModes.h"
#include "dialogs/WindowChrome.h"
#include "dialogs/frmAbout.h"
#include "dialogs/mdlFunctionsGui.h"
#include "itemlists/ItemRows.h"
#include "toolframe/ToolLaunch.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>

namespace tools {
QPointer<frmSplitter> g_frmSplitter;
}

namespace {

// The captions leave room for the text box that sits in them.
const QString kByPartsCaption = QStringLiteral("Split to") + QString(25, u' ') + QStringLiteral("parts");
const QString kBySecsCaption = QStringLiteral("Split each") + QString(20, u' ') + QStringLiteral("seconds");

toolframe::frmBatchTool::Design SplitterDesign() {
    toolframe::frmBatchTool::Design d;
    d.objectName = QStringLiteral("frmSplitter");
    d.caption = QStringLiteral("Audio Splitter");
    d.settingsTabCaption = QStringLiteral("Settings        ");
    d.settingsTabIcon = 9;
    d.iconName = QStringLiteral("cut");
    d.noticeAppText = QStringLiteral("Execute external program");
    d.runButtonCaption = QStringLiteral("Split");
    d.runShowsFileCount = false; // the label keeps "Split: <item>"
    return d;
}

// The splitter's differences from the converter's run: its parts named from
// the source, the short tag tokens, the product name as caption, and "No" at
// the overwrite question ending the run.
core::BatchPolicy SplitterPolicy(frmSplitter* window) {
    core::BatchPolicy policy;
    policy.tags = core::BatchPolicy::Tags::Short;
    policy.verb = QStringLiteral("split");
    policy.quietDisplay = true;
    policy.noEndsRun = true;
    policy.preparingLine = [window] {
        return QStringLiteral("Preparing to split: ") + core::GetFileName(window->g_sFileToSplit) +
               QStringLiteral("..");
    };
    // The part's number is its row in the run.
    policy.outputName = [window](qint32 row) {
        return core::CreatePartFileName(row, window->g_sFileToSplit, window->TargetFormatText());
    };
    return policy;
}

} // namespace

frmSplitter::frmSplitter(std::unique_ptr<core::ItemJob> component, components::cAudioConverter& probe,
                         cImageList* imgMenu, QWidget* parent)
    : frmBatchTool(SplitterDesign(), std::move(component), SplitterPolicy(this), imgMenu, parent),
      m_probe(probe) {
    Label1 = new QLabel(QStringLiteral("Splitter Mode:"), formatArea);
    Label1->setObjectName(QStringLiteral("Label1"));
    ptnSplitByParts = new QRadioButton(kByPartsCaption, formatArea);
    ptnSplitByParts->setObjectName(QStringLiteral("ptnSplitByParts"));
    ptnSplitBySecs = new QRadioButton(kBySecsCaption, formatArea);
    ptnSplitBySecs->setObjectName(QStringLiteral("ptnSplitBySecs"));
    txtSplitParts = new QLineEdit(QStringLiteral("6"), ptnSplitByParts);
    txtSplitParts->setObjectName(QStringLiteral("txtSplitParts"));
    txtSplitSecs = new QLineEdit(QStringLiteral("10"), ptnSplitBySecs);
    txtSplitSecs->setObjectName(QStringLiteral("txtSplitSecs"));
    ptnSplitByParts->setChecked(true);
    dialogs::InstallNameKeyFilter(txtSplitParts);
    dialogs::InstallNameKeyFilter(txtSplitSecs);

    auto* g = new QGridLayout(formatArea);
    g->setContentsMargins(0, 0, 0, 0);
    g->addWidget(Label1, 0, 0);
    g->addWidget(ptnSplitByParts, 0, 1);
    g->addWidget(ptnSplitBySecs, 1, 1);
    AddTargetFormatRow(g, 2);
    g->setColumnStretch(1, 1);
    PlaceTextBoxes();

    // No file-name format list, no parameters link and no time left here.
    for (QWidget* w : std::initializer_list<QWidget*>{Label21, cboFileName, lblSetAsDefaultFileName, Image1,
                                                      lblParameters, lblTimeLeft})
        w->hide();

    connect(ptnSplitByParts, &QRadioButton::clicked, this, &frmSplitter::ptnSplitByParts_Click);
    connect(ptnSplitBySecs, &QRadioButton::clicked, this, &frmSplitter::ptnSplitBySecs_Click);
}

void frmSplitter::PlaceTextBoxes() {
    for (auto [option, box, lead] :
         {std::tuple{ptnSplitByParts, txtSplitParts, QStringLiteral("Split to ")},
          std::tuple{ptnSplitBySecs, txtSplitSecs, QStringLiteral("Split each ")}}) {
        QStyleOptionButton opt;
        opt.initFrom(option);
        const QRect text = option->style()->subElementRect(QStyle::SE_RadioButtonContents, &opt, option);
        const QFontMetrics fm(option->font());
        const int x = text.left() + fm.horizontalAdvance(lead);
        const int width = fm.horizontalAdvance(QString(box == txtSplitParts ? 23 : 18, u' '));
        box->setGeometry(x, 0, qMax(width, fm.horizontalAdvance(QStringLiteral("00000"))), option->height());
        option->setMinimumHeight(box->sizeHint().height());
    }
}

void frmSplitter::showEvent(QShowEvent* event) {
    frmBatchTool::showEvent(event);
    PlaceTextBoxes();
}

void frmSplitter::LoadFormatArea() {
    dialogs::chrome::ApplyView({ptnSplitByParts, ptnSplitBySecs});
    LoadTargetFormatRow();
    SetSplitMode();
}

void frmSplitter::HandOverItem(cGrid& mainGrid, const toolframe::ToolLaunch& launch) {
    lblFilesToConvert->setText(launch.filesText);
    cStatusBar1->setPanelText(QStringLiteral("Total Size"), launch.timePanelText);
    cStatusBar1->setPanelText(QStringLiteral("Total Time"), launch.sizePanelText);
    txtUndeForlder->setText(launch.listName);
    const qint32 row = launch.selectedRow;
    if (row < 1 || row > mainGrid.Rows()) return;
    g_sFileToSplit = mainGrid.CellText(row, mainGrid.ColumnIndex(itemlists::COL_FILE));
    // Every column but the mark, into row 1.
    for (qint32 col = 2; col <= mainGrid.Columns(); ++col)
        cGrid1->CellDetails(1, col, mainGrid.CellText(row, col));
}

void frmSplitter::SetSplitMode() {
    const bool byParts = ptnSplitByParts->isChecked();
    txtSplitParts->setEnabled(byParts);
    txtSplitSecs->setEnabled(!byParts);
}

void frmSplitter::ptnSplitByParts_Click() {
    SetSplitMode();
}

void frmSplitter::ptnSplitBySecs_Click() {
    SetSplitMode();
}

void frmSplitter::cmdConvert_Click() {
    if (IsJobRunning()) return;
    // The source is measured at every start; one that cannot be read is said so.
    if (m_probe.OpenSource(g_sFileToSplit) != components::cAudioConverter::OpenOk) {
        g_lTotalFileLength = 0;
        core::services().msgBox(this,
                                QStringLiteral("The file: '") + g_sFileToSplit +
                                    QStringLiteral("' cannot be read as audio."),
                                core::vbInformation, core::AppTitle());
        return;
    }
    g_lTotalFileLength = m_probe.Duration();
    m_probe.CloseSource();
    const std::optional<qint32> length = core::SplitPartLength(
        ptnSplitByParts->isChecked(), txtSplitParts->text(), txtSplitSecs->text(), g_lTotalFileLength);
    if (!length) {
        core::services().msgBox(this, core::SplitRefusedText(), core::vbInformation, core::AppTitle());
        return;
    }
    g_lLength = *length;

    core::BatchRequest request = Request();
    core::BatchItem item = request.rows.value(0);
    item.file = g_sFileToSplit;
    request.rows =
        core::SplitPartItems(item, g_lLength, g_lTotalFileLength,
                             core::SplitPartCount(ptnSplitByParts->isChecked(), txtSplitParts->text()));
    if (!Run().Start(request)) return;
    txtToPath->setEditText(Run().Destination());
    RememberDestination();
}

namespace tools {

void OpenAudioSplitter(const toolframe::ToolLaunch& launch) {
    std::unique_ptr<core::ItemJob> job = toolframe::MakeItemJob(launch.makeJob);
    // The source is measured by the converter that converts, as one control does both.
    std::unique_ptr<components::cAudioConverter> ownProbe;
    components::cAudioConverter* probe = nullptr;
    if (auto* converterJob = dynamic_cast<core::ConverterItemJob*>(job.get())) {
        probe = &converterJob->Converter();
    } else {
        ownProbe = std::make_unique<components::cAudioConverter>();
        probe = ownProbe.get();
    }
    auto window = std::make_unique<frmSplitter>(std::move(job), *probe, launch.imgMenu, launch.owner);
    g_frmSplitter = window.get();
    window->Form_Load();
    toolframe::ConnectToMainWindow(*window, launch);
    if (launch.mainGrid) window->HandOverItem(*launch.mainGrid, launch);
    toolframe::ShowToolModal(launch, window.get());
    g_frmSplitter = nullptr;
}

} // namespace tools
