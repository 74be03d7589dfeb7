#include "core/AudioBurnJob.h"

#include "core/Services.h"
#include "core/mdlFunctions.h"

namespace core {

namespace {

constexpr qint32 kDiscMinutes = 80;

} // namespace

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

AudioBurnJob::AudioBurnJob(components::cAudioBurner& burner, EndActions& end, BurnChoices choices,
                           AudioBurnStyle style, QObject* parent)
    : Job(end, parent), m_burner(burner), m_choices(std::move(choices)), m_style(style) {
    using B = components::cAudioBurner;
    connect(&m_burner, &B::StepProgress, this, &AudioBurnJob::cAudioBurner1_StepProgress);
    connect(&m_burner, &B::BurnProgress, this, &AudioBurnJob::cAudioBurner1_BurnProgress);
    connect(&m_burner, &B::ClosingSession, this, &AudioBurnJob::cAudioBurner1_ClosingSession);
    connect(&m_burner, &B::ClosingTrack, this, &AudioBurnJob::cAudioBurner1_ClosingTrack);
    connect(&m_burner, &B::CachingTrack, this, &AudioBurnJob::cAudioBurner1_CachingTrack);
    connect(&m_burner, &B::WritingTrack, this, &AudioBurnJob::cAudioBurner1_WritingTrack);
    connect(&m_burner, &B::BurnFinished, this, &AudioBurnJob::cAudioBurner1_BurnFinished);
    connect(&m_burner, &B::Error, this, &AudioBurnJob::cAudioBurner1_BurnError);
}

QString AudioBurnJob::DriveRoot() const {
    const QString entry = m_choices.writerEntry ? m_choices.writerEntry() : QString();
    if (entry.size() < 2 || entry.at(1) != QLatin1Char(':')) return QString(); // no writer: nothing to open
    return entry.left(2) + QLatin1Char('/');
}

bool AudioBurnJob::Start(const QStringList& files) {
    if (IsRunning()) return false;
    emit LogSeparator();
    emit LogLine(QStringLiteral("Preparing to burn: %1 tracks.").arg(files.size()));
    g_bBatchError = false;
    emit ShowLog();
    emit LogLine(QStringLiteral("List the files to burn..."));
    return Burn(files);
}

bool AudioBurnJob::Burn(const QStringList& files) {
    if (IsRunning()) return false;
    m_files = static_cast<qint32>(files.size());
    g_lLastTrack = 0;
    for (const QString& path : files)
        if (!m_burner.AddTrack(path)) emit LogLine(QStringLiteral("Cannot add ") + GetFileName(path));
    return BurnDisk();
}

void AudioBurnJob::ShowError(const QString& text) {
    Step(text);
    if (m_style.copyDisplay) emit Caption(text);
}

bool AudioBurnJob::BurnDisk() {
    if (m_burner.TrackCount() < 1) {
        SetRunning(false);
        if (m_style.copyDisplay) ShowError(QStringLiteral("Nothing to burn."));
        Ask(QStringLiteral("Nothing to burn."), vbInformation, AppTitle());
        return false;
    }
    if (m_style.copyDisplay) SetCurrentBar(0);
    SetTotalBarMax(m_burner.TrackCount());
    if (m_style.copyDisplay) SetTotalBar(0);
    const QString entry = m_choices.writerEntry ? m_choices.writerEntry() : QString();
    const QString drive = entry.left(1);
    m_burner.setBurnOption(!m_style.discAtOnce);
    m_abortRequested = false;
    m_finishedWell = false;
    SetRunning(true);
    m_burner.BurnCD(drive, m_choices.speed ? m_choices.speed() : components::cAudioBurner::kMaxSpeed);
    m_burner.ClearTracks();
    SetRunning(false);
    Finish(m_finishedWell);
    return true;
}

void AudioBurnJob::Abort() {
    if (!IsRunning()) return;
    m_abortRequested = true;
    m_burner.Abort();
}

void AudioBurnJob::DoEndEvents() {
    RunEndActions(EndOfJobActions(),
                  EndOfJob{DriveRoot(), {ExtraEndStep{BOX_OPEN_CD_DRIVE, m_choices.openCD}}, g_bBatchError});
}

void AudioBurnJob::cAudioBurner1_StepProgress(qint16 Percent, qint16) {
    SetCurrentBar(Percent);
}

void AudioBurnJob::cAudioBurner1_BurnProgress(qint16 Percent, qint16 Track) {
    SetCurrentBar(Percent);
    SetTotalBar(Track);
    if (m_style.copyDisplay) {
        emit FilesLabel(QStringLiteral("Files: %1/%2").arg(Track).arg(m_files));
    } else if (Track != g_lLastTrack) {
        emit FilesLabel(QStringLiteral("Files: %1/%2").arg(g_lLastTrack + 1).arg(m_files));
        g_lLastTrack = Track;
    }
}

void AudioBurnJob::cAudioBurner1_ClosingSession() {
    if (!m_style.copyDisplay) {
        Step(QStringLiteral("Closing session..."));
        return;
    }
    Step(QStringLiteral("Closing session, please wait..."));
    SetCurrentBar(100);
    SetTotalBar(TotalBarMax());
}

void AudioBurnJob::cAudioBurner1_ClosingTrack(qint16) {
    Step(QStringLiteral("Closing track..."));
}

void AudioBurnJob::cAudioBurner1_CachingTrack() {
    Step(QStringLiteral("Caching track..."));
}

void AudioBurnJob::cAudioBurner1_WritingTrack() {
    Step(QStringLiteral("Writing track..."));
}

void AudioBurnJob::cAudioBurner1_BurnFinished() {
    SetTotalBar(TotalBarMax());
    Step(QStringLiteral("Finished."));
    // An abort the user confirmed wins over a burn that happened to finish.
    if (m_abortRequested) return;
    m_finishedWell = true;
    if (m_style.endEvents) DoEndEvents();
}

void AudioBurnJob::cAudioBurner1_BurnError(qint32 Code, const QString& Message) {
    ShowError(QStringLiteral("Error:%1(%2)").arg(Message).arg(Code));
}

} // namespace core
