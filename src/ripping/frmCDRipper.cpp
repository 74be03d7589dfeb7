#include "ripping/frmCDRipper.h"

#include "components/cAudioCDRipper.h"
#include "controls/ControlColor.h"
#include "controls/cGrid.h"
#include "controls/cStatusBar.h"
#include "core/RipperItemJob.h"
#include "core/Services.h"
#include "core/mdlFunctions.h"
#include "core/mdlModes.h"
#include "core/mdlSupportedDestination.h"
#include "dialogs/frmAbout.h"
#include "itemlists/TreeKeys.h"
#include "listviews/HandOver.h"
#include "options/frmOptions.h"
#include "settings/SettingsVariables.h"
#include "toolframe/ToolLaunch.h"

#include "dialogs/ModalShow.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <limits>

namespace ripping {
QPointer<frmCDRipper> g_frmCDRipper;
}

namespace {

toolframe::frmBatchTool::Design RipperDesign() {
    toolframe::frmBatchTool::Design d;
    d.objectName = QStringLiteral("g_frmCDRipper");
    d.caption = QStringLiteral("Audio CD Ripper");
    d.settingsTabCaption = QStringLiteral("Ripper Options    ");
    d.settingsTabIcon = 25;
    d.iconName = QStringLiteral("cd_music");
    d.noticeAppText = QStringLiteral("Execute external program");
    d.tracksFrame = true;
    d.productNameTitles = false;
    return d;
}

// The job owns the ripper (a Qt child), and the window owns the job.
std::unique_ptr<core::RipperItemJob> NewRipperJob() {
    auto* ripper = new components::cAudioCDRipper;
    ripper->setObjectName(QStringLiteral("cAudioCDRipper1"));
    auto job = std::make_unique<core::RipperItemJob>(*ripper);
    ripper->setParent(job.get());
    return job;
}

} // namespace

frmCDRipper::frmCDRipper(cImageList* imgMenu, QWidget* parent)
    : frmBatchTool(RipperDesign(), NewRipperJob(),
                   core::RipperPolicy(
                       [this]() -> components::cAudioCDRipper* { return cAudioCDRipper1; },
                       [this]() -> qint32 { return cboDevices ? qMax(0, cboDevices->currentIndex()) : 0; }),
                   imgMenu, parent) {
    cAudioCDRipper1 = &static_cast<core::RipperItemJob&>(Component()).Ripper();

    auto* g = new QGridLayout(formatArea);
    g->setContentsMargins(0, 0, 0, 0);
    Label1 = new QLabel(QStringLiteral("Audio CD:"), formatArea);
    Label1->setObjectName(QStringLiteral("Label1"));
    cboDevices = new QComboBox(formatArea);
    cboDevices->setObjectName(QStringLiteral("cboDevices"));
    lblCDStatus = new QLabel(QStringLiteral("Ready."), formatArea);
    lblCDStatus->setObjectName(QStringLiteral("lblCDStatus"));
    cmdOpenCD = new QPushButton(QStringLiteral("Open"), formatArea);
    cmdOpenCD->setObjectName(QStringLiteral("cmdOpenCD"));
    g->addWidget(Label1, 0, 0);
    g->addWidget(cboDevices, 0, 1);
    g->addWidget(lblCDStatus, 0, 2);
    g->addWidget(cmdOpenCD, 0, 3);

    AddTargetFormatRow(g, 1);
    g->setColumnStretch(1, 1);

    QFont bold = font();
    bold.setBold(true);
    chkOpenCDdrive = new QCheckBox(QStringLiteral("Eject the CD door"), TabEvents);
    chkOpenCDdrive->setObjectName(core::BOX_OPEN_CD_DRIVE);
    chkOpenCDdrive->setFont(bold);
    chkOpenCDdrive->setChecked(true);
    // The events from the top: sound, folder, turn-off, program, eject.
    if (eventsLayout) {
        int at = eventsLayout->indexOf(Label20) + 1;
        for (QWidget* box : std::initializer_list<QWidget*>{
                 chkPlaySound, chkOpenDestFolder, chkTurnOffComputer, chkNoticeApp, chkOpenCDdrive}) {
            eventsLayout->removeWidget(box);
            eventsLayout->insertWidget(at++, box);
        }
    }
    cmdConvert->setText(QStringLiteral("Rip"));

    connect(cboDevices, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0) cboDevices_Click();
    });
    connect(cmdOpenCD, &QPushButton::clicked, this, &frmCDRipper::cmdOpenCD_Click);
}

void frmCDRipper::LoadFormatArea() {
    LoadTargetFormatRow();
    LoadCDDevices();
}

void frmCDRipper::LoadCDDevices() {
    for (qint32 i = 0; i < cAudioCDRipper1->DeviceCount(); ++i)
        cboDevices->addItem(cAudioCDRipper1->DeviceName(i));
    if (cboDevices->count() > 0) {
        if (cboDevices->currentIndex() == 0)
            cboDevices_Click();
        else
            cboDevices->setCurrentIndex(0);
    }
}

void frmCDRipper::cboDevices_Click() {
    const core::DiscCheck check =
        core::CheckAudioCD(*cAudioCDRipper1, cboDevices->currentIndex(), cboDevices->currentText().left(2));
    controls::ApplyTextColor(lblCDStatus, check.ok ? 0 : 255);
    lblCDStatus->setText(check.text);
}

void frmCDRipper::cmdOpenCD_Click() {
    cAudioCDRipper1->OpenTray();
}

void frmCDRipper::HandOverCD(cGrid& mainGrid, const QString& cdNodeKey, const QString& cdNodeText) {
    const qint32 n = listviews::GetMarkedCount(mainGrid);
    const qint64 s = listviews::TotalSeconds(mainGrid, true);
    lblFilesToConvert->setText(QString::number(n) + QStringLiteral(" items to convert."));
    Run().g_ltmrItemSecsTotal = static_cast<qint32>(qMin<qint64>(s, std::numeric_limits<qint32>::max()));
    cStatusBar1->setPanelText(QStringLiteral("Total Size"),
                              QStringLiteral("Total Time: ") + core::SecondsToTime(s));
    cStatusBar1->setPanelText(QStringLiteral("Total Time"),
                              QStringLiteral("Total Size: ") + listviews::GetTotalSize(mainGrid, true));
    txtUndeForlder->setText(core::MakeSafeFileName(cdNodeText));
    // Every track goes to its own row with its mark: row n stays track n.
    listviews::CopyGridRows(mainGrid, *cGrid1, false);
    const QString drive = itemlists::GetCDNameNode(cdNodeKey);
    for (int i = 0; i < cboDevices->count() && !drive.isEmpty(); ++i) {
        if (!cboDevices->itemText(i).startsWith(drive, Qt::CaseInsensitive)) continue;
        if (cboDevices->currentIndex() == i)
            cboDevices_Click();
        else
            cboDevices->setCurrentIndex(i);
        cboDevices->setEnabled(false);
        cmdOpenCD->setEnabled(false);
        break;
    }
}

namespace ripping {

void ShowCDRipper(const toolframe::ToolLaunch& launch) {
    if (!launch.mainGrid) return;
    const cTreeViewNode node = launch.tree ? launch.tree->SelectedItem() : cTreeViewNode();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    auto* w = new frmCDRipper(launch.imgMenu, launch.owner);
    w->setAttribute(Qt::WA_DeleteOnClose);
    g_frmCDRipper = w;
    toolframe::ConnectToMainWindow(*w, launch);
    w->Form_Load();
    w->HandOverCD(*launch.mainGrid, node.isNull() ? QString() : node.Key(),
                  node.isNull() ? QString() : node.Text());
    QApplication::restoreOverrideCursor();
    toolframe::ShowToolModal(launch, w);
}

} // namespace ripping
