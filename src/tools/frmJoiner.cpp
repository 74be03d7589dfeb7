#include "tools/frmJoiner.h"

#include "dialogs/frmAbout.h"
#include "toolframe/ToolLaunch.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

namespace tools {
QPointer<frmJoiner> g_frmJoiner;
}

namespace {

toolframe::frmBatchTool::Design JoinerDesign() {
    toolframe::frmBatchTool::Design d;
    d.objectName = QStringLiteral("frmJoiner");
    d.caption = QStringLiteral("Audio Joiner");
    d.settingsTabCaption = QStringLiteral("Joiner Options        ");
    d.settingsTabIcon = 64;
    d.iconName = QStringLiteral("colors");
    d.noticeAppText = QStringLiteral("Notice application ");
    d.runButtonCaption = QStringLiteral("Join");
    d.honourOverwriteBox = false;
    return d;
}

} // namespace

frmJoiner::frmJoiner(cImageList* imgMenu, QWidget* parent)
    : frmBatchTool(JoinerDesign(), nullptr, core::BatchPolicy{}, imgMenu, parent), cAudioJoin1(this),
      m_join(cAudioJoin1, EndActionsHooks(), this) {
    auto* g = new QGridLayout(formatArea);
    g->setContentsMargins(0, 0, 0, 0);
    AddTargetFormatRow(g, 0);
    g->setColumnStretch(1, 1);

    // The name of the one output is a template typed in place of the list of formats.
    txtJoinedFileName =
        new QLineEdit(QStringLiteral("Joined_File-[date]-[time].[dest_extension]"), TabSettings);
    txtJoinedFileName->setObjectName(QStringLiteral("txtJoinedFileName"));
    if (auto* settings = qobject_cast<QGridLayout*>(TabSettings->layout())) {
        const int index = settings->indexOf(cboFileName);
        int row = 0, col = 0, rowSpan = 0, colSpan = 0;
        settings->getItemPosition(index, &row, &col, &rowSpan, &colSpan);
        settings->addWidget(txtJoinedFileName, row, col, rowSpan, colSpan);
    }
    // The joiner always asks before it replaces a file, and has no time left.
    for (QWidget* w :
         std::initializer_list<QWidget*>{cboFileName, lblSetAsDefaultFileName, chkOverWrite, lblTimeLeft})
        w->hide();
    chkPlaySound->setText(QStringLiteral("Play sound"));
    ShowJob(m_join);
}

void frmJoiner::LoadFormatArea() {
    LoadTargetFormatRow();
}

core::JoinRequest frmJoiner::JoinRequest() const {
    const core::BatchRequest batch = Request();
    core::JoinRequest r;
    r.rows = batch.rows;
    r.destination = batch.destination;
    r.createSubFolder = batch.createSubFolder;
    r.subFolderName = batch.subFolderName;
    r.nameTemplate = txtJoinedFileName->text();
    r.targetFormatText = TargetFormatText();
    r.output = batch.output;
    return r;
}

void frmJoiner::cmdConvert_Click() {
    if (IsJobRunning()) return;
    m_join.Start(JoinRequest());
    // The destination leads the path history whether the join started or not.
    RememberDestination();
}

void frmJoiner::Unload() {
    cAudioJoin1.Close();
}

namespace tools {

void OpenAudioJoiner(const toolframe::ToolLaunch& launch) {
    auto window = std::make_unique<frmJoiner>(launch.imgMenu, launch.owner);
    g_frmJoiner = window.get();
    window->Form_Load();
    toolframe::ConnectToMainWindow(*window, launch);
    if (launch.mainGrid)
        window->HandOver(*launch.mainGrid, launch.listName, QStringLiteral(" items to join."));
    toolframe::ShowToolModal(launch, window.get());
    g_frmJoiner = nullptr;
}

} // namespace tools
