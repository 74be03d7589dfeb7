#include "burning/AudioBurnRun.h"

#include "core/Services.h"
#include "core/mdlFunctions.h"
#include "core/mdlModes.h"
#include "itemlists/ItemRows.h"
#include "settings/SettingsVariables.h"

#include <cmath>

namespace burning {

namespace {

constexpr qint32 kDiscMinutes = 80;

QString appTitle() {
    return core::g_sProductName + QLatin1Char(' ') + core::g_sProductVersion;
}

} // namespace

qint64 RoundHalfEven(double x) {
    const double r = std::nearbyint(x); // the default rounding mode: halves to even
    return static_cast<qint64>(r);
}

QString SpeedEntryText(qint32 kbps) {
    return QStringLiteral("%1 KB/s (%2x)").arg(kbps).arg(kbps / 176);
}

QString DiscCapacityText(qint32 capacity) {
    return QStringLiteral("%1 Min").arg(RoundHalfEven(double(capacity) / 153535.0 / 60.0));
}

DataSizeDisplay DataSize(qint64 seconds, qint32 items) {
    DataSizeDisplay d;
    const double exact = double(seconds) / 60.0;
    d.minutes = RoundHalfEven(exact);
    d.overLimit = exact > kDiscMinutes;
    d.filesToConvert = QStringLiteral("%1 items to burn (%2 minutes).").arg(items).arg(d.minutes);
    d.totalSizePanel = QStringLiteral("%1 Min / %2 Min.").arg(d.minutes).arg(kDiscMinutes);
    d.dataSize = d.overLimit ? QStringLiteral("Data is to big (more then 80 min). Please remove some tracks.")
                             : QStringLiteral("Data Size: %1 files, %2 Min / %3 Min.")
                                   .arg(items)
                                   .arg(d.minutes)
                                   .arg(kDiscMinutes);
    return d;
}

AudioBurnRun::AudioBurnRun(components::cAudioBurner& burner, conversion::BatchView& view,
                           conversion::EndActions& end, BurnChoices choices, QObject* parent)
    : QObject(parent), m_burner(burner), m_view(view), m_end(end), m_choices(std::move(choices)) {
    using B = components::cAudioBurner;
    connect(&m_burner, &B::StepProgress, this, &AudioBurnRun::cAudioBurner1_StepProgress);
    connect(&m_burner, &B::BurnProgress, this, &AudioBurnRun::cAudioBurner1_BurnProgress);
    connect(&m_burner, &B::ClosingSession, this, &AudioBurnRun::cAudioBurner1_ClosingSession);
    connect(&m_burner, &B::ClosingTrack, this, &AudioBurnRun::cAudioBurner1_ClosingTrack);
    connect(&m_burner, &B::CachingTrack, this, &AudioBurnRun::cAudioBurner1_CachingTrack);
    connect(&m_burner, &B::WritingTrack, this, &AudioBurnRun::cAudioBurner1_WritingTrack);
    connect(&m_burner, &B::BurnFinished, this, &AudioBurnRun::cAudioBurner1_BurnFinished);
    connect(&m_burner, &B::Error, this, &AudioBurnRun::cAudioBurner1_BurnError);
}

QString AudioBurnRun::DriveRoot() const {
    const QString entry = m_choices.writerEntry ? m_choices.writerEntry() : QString();
    if (entry.size() < 2 || entry.at(1) != QLatin1Char(':')) return QString(); // no writer: nothing to open
    return entry.left(2) + QLatin1Char('/');
}

void AudioBurnRun::cmdConvert_Click() {
    if (m_burning) return;
    m_view.LogRunSeparator();
    const qint32 rows = m_view.RowCount();
    m_view.LogLine(QStringLiteral("Preparing to burn: %1 tracks.").arg(rows));
    g_bBatchError = false;
    g_lLastTrack = 0;
    m_view.ShowLogPage();
    m_view.LogLine(QStringLiteral("List the files to burn..."));
    for (qint32 row = 1; row <= rows; ++row) {
        const QString path = m_view.Cell(row, itemlists::COL_FILE);
        if (!m_burner.AddTrack(path)) m_view.LogLine(QStringLiteral("Cannot add ") + core::GetFileName(path));
    }
    BurnDisk();
}

void AudioBurnRun::BurnDisk() {
    if (m_burner.TrackCount() < 1) {
        m_view.SetRunning(false);
        core::services().msgBox(m_view.PromptOwner(), QStringLiteral("Nothing to burn."), core::vbInformation,
                                appTitle());
        return;
    }
    m_view.SetTotalBarMax(m_burner.TrackCount());
    const QString entry = m_choices.writerEntry ? m_choices.writerEntry() : QString();
    const QString drive = entry.left(1);
    m_burner.setBurnOption(true);
    m_burning = true;
    m_abortRequested = false;
    m_view.SetRunning(true);
    m_burner.BurnCD(drive, m_choices.speed ? m_choices.speed() : components::cAudioBurner::kMaxSpeed);
    m_burner.ClearTracks();
    m_burning = false;
    m_view.SetRunning(false);
    emit BurnEnded();
}

void AudioBurnRun::cmdAbort_Click() {
    if (!m_burning) return;
    const int answer =
        core::services().msgBox(m_view.PromptOwner(), QStringLiteral("Abort operation?") + QString(38, u' '),
                                core::vbYesNo | core::vbInformation, appTitle());
    if (answer != core::vbYes) return;
    // The burn may have ended while the question was open.
    if (!m_burning) return;
    m_abortRequested = true;
    m_burner.Abort();
    m_end.Balloon(QStringLiteral("Aborted."));
}

void AudioBurnRun::DoEndEvents() {
    if (m_view.EndEventChecked(conversion::BOX_PLAY_SOUND)) m_end.PlaySound(settings::g_sPlayAtEnd);
    if (m_view.EndEventChecked(conversion::BOX_OPEN_DEST_FOLDER)) m_end.OpenFolder(DriveRoot());
    if (m_view.EndEventChecked(conversion::BOX_NOTICE_APP)) m_end.RunNoticApp();
    if (m_view.EndEventChecked(BOX_OPEN_CD_DRIVE) && m_choices.openCD) m_choices.openCD();
    if (!g_bBatchError && m_view.EndEventChecked(conversion::BOX_TURN_OFF)) m_end.TurnOffCountdown(30);
}

void AudioBurnRun::Step(const QString& text) {
    m_view.LogLine(text);
    m_view.SetCurrentTrack(text);
}

void AudioBurnRun::cAudioBurner1_StepProgress(qint16 Percent, qint16) {
    m_view.SetCurrentBar(Percent);
}

void AudioBurnRun::cAudioBurner1_BurnProgress(qint16 Percent, qint16 Track) {
    m_view.SetCurrentBar(Percent);
    m_view.SetTotalBar(Track);
    if (Track != g_lLastTrack) {
        m_view.SetFilesToConvert(QStringLiteral("Files: %1/%2").arg(g_lLastTrack + 1).arg(m_view.RowCount()));
        g_lLastTrack = Track;
    }
}

void AudioBurnRun::cAudioBurner1_ClosingSession() {
    Step(QStringLiteral("Closing session..."));
}

void AudioBurnRun::cAudioBurner1_ClosingTrack(qint16) {
    Step(QStringLiteral("Closing track..."));
}

void AudioBurnRun::cAudioBurner1_CachingTrack() {
    Step(QStringLiteral("Caching track..."));
}

void AudioBurnRun::cAudioBurner1_WritingTrack() {
    Step(QStringLiteral("Writing track..."));
}

void AudioBurnRun::cAudioBurner1_BurnFinished() {
    m_view.SetTotalBar(m_view.TotalBarMax());
    Step(QStringLiteral("Finished."));
    // An abort the user confirmed wins over a burn that happened to finish.
    if (!m_abortRequested) DoEndEvents();
}

void AudioBurnRun::cAudioBurner1_BurnError(qint32 Code, const QString& Message) {
    Step(QStringLiteral("Error:%1(%2)").arg(Message).arg(Code));
}

} // namespace burning
