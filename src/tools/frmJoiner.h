// The Audio Joiner: the marked items of a list joined into one file of the
// target format, each whole or its range, in list order, with the tags of
// the first item. Its join is one job (core::JoinJob) over the joiner
// component.
#pragma once

#include "components/cAudioJoin.h"
#include "core/JoinJob.h"
#include "toolframe/ToolLaunch.h"
#include "toolframe/frmBatchTool.h"

#include <QPointer>

class QLineEdit;

class frmJoiner : public toolframe::frmBatchTool {
    Q_OBJECT
public:
    explicit frmJoiner(cImageList* imgMenu, QWidget* parent = nullptr);

    components::cAudioJoin cAudioJoin1;
    core::JoinJob& Join() { return m_join; }

    QLineEdit* txtJoinedFileName = nullptr;

    // What a start hands the join: the rows, the Settings page's choices.
    core::JoinRequest JoinRequest() const;

public slots:
    void cmdConvert_Click() override;

protected:
    void LoadFormatArea() override;
    void Unload() override;

private:
    core::JoinJob m_join;
};

namespace tools {
// The Audio Joiner while it is loaded.
extern QPointer<frmJoiner> g_frmJoiner;

// "Audio Joiner": loads g_frmJoiner, hands over the marked rows of the main
// grid with their count, totals and the list name, shows it modally and
// returns when it has closed.
void OpenAudioJoiner(const toolframe::ToolLaunch& launch);
} // namespace tools
