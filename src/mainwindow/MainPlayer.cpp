// The main window's preview player: the selected row plays through cPlayer1,
// the slider and the time labels follow it, the two graphs are fed while it
// plays, the playing row and its list are bold, and at the end the next
// marked row may follow.
#include "mainwindow/frmMain.h"

#include "components/cPlayer.h"
#include "controls/cAudioGraph.h"
#include "controls/cGrid.h"
#include "controls/cSlider.h"
#include "controls/cStatusBar.h"
#include "controls/cToolbar.h"
#include "core/Services.h"
#include "core/mdlModes.h"
#include "itemlists/ItemRows.h"
#include "listviews/ItemsTree.h"
#include "settings/SettingsVariables.h"

#include <QFileInfo>
#include <QLabel>
#include <QTimer>

#include <cmath>

namespace {

// Lengths and positions are whole seconds, a half going to the even neighbour.
qint64 WholeSeconds(double seconds) {
    return std::isfinite(seconds) ? qint64(std::nearbyint(seconds)) : 0;
}

QString PlayerTitle() {
    return core::g_sProductName + " " + core::g_sProductVersion;
}

constexpr int kPanelPlaying = 38;
constexpr int kPanelReady = 47;

} // namespace

void frmMain::BuildPlayer() {
    cPlayer1 = new components::cPlayer(this);
    cPlayer1->setObjectName("cPlayer1");
    connect(cPlayer1, &components::cPlayer::PlayDone, this, &frmMain::cPlayer1_PlayDone);
    connect(cPlayer1, &components::cPlayer::Error, this, &frmMain::cPlayer1_Error);

    tmrPlayer = new QTimer(this);
    tmrPlayer->setObjectName("tmrPlayer");
    tmrPlayer->setInterval(200);
    connect(tmrPlayer, &QTimer::timeout, this, &frmMain::tmrPlayer_Timer);
    tmSlider = new QTimer(this);
    tmSlider->setObjectName("tmSlider");
    tmSlider->setInterval(200);
    connect(tmSlider, &QTimer::timeout, this, &frmMain::tmSlider_Timer);
    tmrAudioData = new QTimer(this);
    tmrAudioData->setObjectName("tmrAudioData");
    tmrAudioData->setInterval(100);
    connect(tmrAudioData, &QTimer::timeout, this, &frmMain::tmrAudioData_Timer);

    connect(cSlider1, &cSlider::ScrollStart, this, &frmMain::cSlider1_ScrollStart);
    connect(cSlider1, &cSlider::ScrollEnd, this, &frmMain::cSlider1_ScrollEnd);

    // The tree stops the player before it loads another node.
    if (m_cTree) m_cTree->link().IsPlaying = [this] { return cPlayer1 && cPlayer1->IsPlaying(); };
}

void frmMain::PlayerButtonClick(const QString& key) {
    if (key == QLatin1String("Play")) {
        StartPlay();
    } else if (key == QLatin1String("Pause")) {
        if (cPlayer1->IsPlaying()) {
            const bool down = tlbrRecorder->ButtonChecked("Pause");
            if (cPlayer1->IsPlaying()) {
                if (down)
                    cPlayer1->Pause();
                else
                    cPlayer1->Resume();
            }
        } else {
            // Nothing plays: the button does not stay down.
            tlbrRecorder->setButtonChecked("Pause", false);
        }
    } else if (key == QLatin1String("Stop")) {
        if (cPlayer1->IsPaused()) cPlayer1->Resume();
        if (cPlayer1->IsPlaying()) StopPlay();
    }
}

void frmMain::StartPlay() {
    if (cGrid1->Rows() < 1) return;
    if (cPlayer1->IsPaused()) {
        cPlayer1->Resume();
        tlbrRecorder->setButtonChecked("Pause", false);
        return;
    }
    // A busy player is stopped; the selected row starts once it has let go.
    if (!tmrPlayer->isActive() && cPlayer1->IsPlaying()) {
        cPlayer1->Stop();
        tmrPlayer->start();
        return;
    }
    const qint32 row = cGrid1->SelectedRow();
    const QString file = cGrid1->CellText(row, cGrid1->ColumnIndex(itemlists::COL_FILE));
    if (!QFileInfo(file).isFile()) {
        core::services().msgBox(this, file + " is not existed.", core::vbInformation | core::vbOKOnly,
                                PlayerTitle());
        cTreeView1_NodeClick(cTreeView1->SelectedItem());
        return;
    }
    if (cPlayer1->Play(file, settings::g_lAudioDevice) != 0) {
        // A file that cannot be decoded says so; nothing plays.
        core::services().msgBox(this, file + " cannot be played.\n\n" + cPlayer1->ErrorText(),
                                core::vbInformation | core::vbOKOnly, PlayerTitle());
        return;
    }
    cStatusBar1->setPanelText("Main", "Playing");
    cStatusBar1->setPanelIcon("Main", kPanelPlaying);
    const qint64 length = WholeSeconds(cPlayer1->Length());
    cSlider1->setMax(length > 0 ? qint32(length) : 1);
    m_cPlayNode = cTreeView1->SelectedItem();
    m_cPlayNode.setBold(true);
    lbTotalLengthSec->setText(components::cPlayer::FormatSeconds(length));
    tmSlider->start();
    tmrAudioData->start();
    SetRowBold(row, true);
    m_lPlayRow = row;
}

void frmMain::StopPlay() {
    tlbrRecorder->setButtonEnabled("Play", true);
    tlbrRecorder->setButtonChecked("Pause", false);
    if (!cPlayer1->IsPlaying()) return;
    tmrAudioData->stop();
    cPlayer1->Stop();
    cAudioGraphFreq->Clear();
    cAudioGraphAmp->Clear();
    if (m_cPlayNode) m_cPlayNode.setBold(false);
    m_cPlayNode = cTreeViewNode();
    tmSlider->stop();
}

void frmMain::cPlayer1_PlayDone() {
    tmrAudioData->stop();
    tmSlider->stop();
    cSlider1->setValue(0);
    cAudioGraphFreq->Clear();
    cAudioGraphAmp->Clear();
    lblCurrentPositionSec->setText("0:00:00");
    tlbrRecorder_ButtonClick(tlbrRecorder->ButtonIndex("Stop"));
    cStatusBar1->setPanelText("Main", "Ready.");
    cStatusBar1->setPanelIcon("Main", kPanelReady);
    SetRowUnBold();
    m_lPlayRow = 0;
    // Stopped by the user: the node was let go already, and nothing follows.
    if (!m_cPlayNode) return;
    m_cPlayNode.setBold(false);

    // A file that ran to its end: the next marked row below the selected one
    // plays, when the option asks for it and no restart is pending.
    const qint32 selected = cGrid1->SelectedRow();
    if (!settings::g_bGoToNextItem || tmrPlayer->isActive() || selected >= cGrid1->Rows()) return;
    const qint32 incCol = cGrid1->ColumnIndex(itemlists::COL_INC);
    for (qint32 row = selected + 1; row <= cGrid1->Rows(); ++row) {
        if (cGrid1->CellIcon(row, incCol) == itemlists::ICON_MARKED) {
            cGrid1->setSelectedRow(row);
            tlbrRecorder_ButtonClick(tlbrRecorder->ButtonIndex("Play"));
            return;
        }
    }
}

void frmMain::cPlayer1_Error(const QString& file, const QString& reason) {
    // Decoding failed while the file played; PlayDone follows and resets the display.
    core::services().msgBox(this, file + " cannot be played.\n\n" + reason,
                            core::vbInformation | core::vbOKOnly, PlayerTitle());
}

void frmMain::tmrPlayer_Timer() {
    tmrPlayer->stop();
    StartPlay();
}

void frmMain::tmSlider_Timer() {
    cSlider1->setValue(qint32(WholeSeconds(cPlayer1->GetPosition())));
    lblCurrentPositionSec->setText(components::cPlayer::FormatSeconds(WholeSeconds(cPlayer1->GetPosition())));
}

void frmMain::tmrAudioData_Timer() {
    if (!cPlayer1->IsPlaying()) return;
    cAudioGraphAmp->SetAudioData(cPlayer1->AudioData(), cPlayer1->AudioDataRate());
    cAudioGraphAmp->Draw();
    cAudioGraphFreq->SetAudioData(cPlayer1->AudioData(), cPlayer1->AudioDataRate());
    cAudioGraphFreq->Draw();
}

void frmMain::cSlider1_ScrollStart() {
    // The position display must not move the thumb under the user's hand.
    if (cPlayer1->IsPlaying()) tmSlider->stop();
}

void frmMain::cSlider1_ScrollEnd() {
    if (!cPlayer1->IsPlaying()) return;
    cPlayer1->SetPosition(cSlider1->Value());
    tmSlider->start();
}

void frmMain::LoadSelectedToPlayer() {
    if (cGrid1->Rows() < 1) return;
    const QString file = cGrid1->CellText(cGrid1->SelectedRow(), cGrid1->ColumnIndex(itemlists::COL_FILE));
    if (file.isEmpty()) return;
    // A playing file is never replaced by a preview.
    if (cPlayer1->IsPlaying()) return;
    if (!QFileInfo(file).isFile()) return;
    if (cPlayer1->OpenFile(file) != 0) return;
    lbTotalLengthSec->setText(components::cPlayer::FormatSeconds(WholeSeconds(cPlayer1->Length())));
    lblCurrentPositionSec->setText("0:00:00");
}

void frmMain::StopIfPlayingRowMoves(qint32 lMove) {
    // The bold font stays with the row's place while its texts move, so the
    // playing item stops before it changes places.
    if (!cPlayer1->IsPlaying() || m_lPlayRow < 1) return;
    const qint32 from = cGrid1->SelectedRow();
    if (from != m_lPlayRow && from + lMove != m_lPlayRow) return;
    tlbrRecorder_ButtonClick(tlbrRecorder->ButtonIndex("Stop"));
    SetRowUnBold();
}

void frmMain::ClosePlayer() {
    tmrPlayer->stop();
    tmSlider->stop();
    tmrAudioData->stop();
    cPlayer1->Close();
    cAudioGraphAmp->Close();
    cAudioGraphFreq->Close();
}
