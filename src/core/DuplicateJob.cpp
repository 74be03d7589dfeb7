#include "core/DuplicateJob.h"

#include "core/AppPaths.h"
#include "core/BatchTemplates.h"
#include "core/Services.h"
#include "core/mdlFunctions.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace core {

using components::cAudioBurner;
using components::cAudioCDRipper;

namespace {

// "Track01.cda": how a track of the source disc is named in the window.
QString TrackName(qint32 track) {
    return QStringLiteral("Track%1.cda").arg(track, 2, 10, QLatin1Char('0'));
}

// The folder itself, its links resolved; "" when it does not exist.
QString Canonical(const QString& path) {
    return QFileInfo(path).canonicalFilePath();
}

// Deletes one file of the temporary folder (nothing elsewhere).
void DeleteTempFile(const QString& path) {
    const QFileInfo info(path);
    if (QDir::cleanPath(info.absolutePath()) + QLatin1Char('/') !=
        QDir::cleanPath(DuplicatorTempFolder()) + QLatin1Char('/'))
        return;
    if (info.isFile() || info.isSymLink()) QFile::remove(path);
}

} // namespace

QString DuplicatorTempFolder() {
    return WithClosingSlash(ProgramFolder()) + QStringLiteral("duptmp/");
}

QString DuplicatorTrackFile(qint32 track) {
    return QString::number(track) + QStringLiteral(".wav");
}

void DeleteTempFiles(const QString& folder) {
    const QString own = QDir::cleanPath(DuplicatorTempFolder());
    const QString asked = QDir::cleanPath(folder);
    if (asked != own && !asked.startsWith(own + QLatin1Char('/'))) return;
    // "duptmp/" made a link to somewhere else is not emptied through the link.
    const QString ownReal = Canonical(own);
    const QString askedReal = Canonical(asked);
    if (ownReal.isEmpty() || askedReal.isEmpty() || QFileInfo(own).isSymLink()) return;
    if (askedReal != ownReal && !askedReal.startsWith(ownReal + QLatin1Char('/'))) return;
    const QFileInfoList entries =
        QDir(asked).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo& entry : entries) {
        // A link goes, whatever it points to; the target stays. Sub-folders stay.
        if (entry.isSymLink() || entry.isFile()) QFile::remove(entry.absoluteFilePath());
    }
}

QStringList FilesToBurn(const QStringList& tempFiles) {
    QStringList files;
    for (const QString& path : tempFiles) {
        const QFileInfo info(path);
        if (info.isFile() && !info.isSymLink() && info.size() > 0) files << path;
    }
    return files;
}

DuplicateJob::DuplicateJob(cAudioCDRipper& ripper, cAudioBurner& burner, EndActions& end,
                           DuplicateChoices choices, QObject* parent)
    : Job(end, parent), m_ripper(ripper), m_burner(burner), m_rip(ripper), m_choices(std::move(choices)) {
    connect(&m_rip, &ItemJob::Progress, this, &DuplicateJob::cAudioCDRipper1_RipProgress);
    connect(&m_rip, &ItemJob::Done, this, &DuplicateJob::cAudioCDRipper1_RipDone);
    connect(&m_rip, &ItemJob::Error, this, &DuplicateJob::cAudioCDRipper1_RipError);
    connect(&m_rip, &ItemJob::Aborted, this, &DuplicateJob::cAudioCDRipper1_RipAborted);
    using B = cAudioBurner;
    connect(&m_burner, &B::StepProgress, this, &DuplicateJob::cAudioBurner1_StepProgress);
    connect(&m_burner, &B::BurnProgress, this, &DuplicateJob::cAudioBurner1_BurnProgress);
    connect(&m_burner, &B::ClosingSession, this, &DuplicateJob::cAudioBurner1_ClosingSession);
    connect(&m_burner, &B::ClosingTrack, this, &DuplicateJob::cAudioBurner1_ClosingTrack);
    connect(&m_burner, &B::CachingTrack, this, &DuplicateJob::cAudioBurner1_CachingTrack);
    connect(&m_burner, &B::WritingTrack, this, &DuplicateJob::cAudioBurner1_WritingTrack);
    connect(&m_burner, &B::BurnFinished, this, &DuplicateJob::cAudioBurner1_BurnFinished);
    connect(&m_burner, &B::Error, this, &DuplicateJob::cAudioBurner1_BurnError);
}

QString DuplicateJob::WriterLetter() const {
    const QString entry = m_choices.writerEntry ? m_choices.writerEntry() : QString();
    if (entry.size() < 2 || entry.at(1) != QLatin1Char(':')) return QString();
    return entry.left(1);
}

DuplicateJob::Toc DuplicateJob::SourceToc() {
    Toc toc;
    if (!m_ripper.IsAudioCD()) return toc;
    for (const components::DiscTrack& track : m_ripper.disc().tracks)
        toc.append({track.startSector, track.sectors});
    return toc;
}

bool DuplicateJob::Start() {
    if (IsRunning()) return false;
    const qint32 device = m_choices.sourceDevice ? m_choices.sourceDevice() : 0;
    m_ripper.SelectDevice(device);
    const Toc toc = SourceToc();
    m_abortRequested = false;
    m_tempFolder = DuplicatorTempFolder();
    emit LogSeparator();

    // A complete rip that no burn has taken yet is burned as it is, unless
    // another audio CD is now in the source drive.
    if (HasKeptRips() && (toc.isEmpty() || toc == m_keptToc)) {
        m_rows = m_keptRows;
        m_failed = m_keptFailed;
        g_bBatchError = m_failed > 0;
        emit LogLine(QStringLiteral("Burning the %1 tracks ripped before.").arg(m_keptRips.size()));
        emit ShowLog();
        SetRunning(true);
        BurnDisk();
        return true;
    }
    m_keptRips.clear();
    m_keptToc = toc;

    // Every track of the disc, the data tracks of a mixed CD included (they fail as tracks).
    m_rows = m_ripper.TrackCount();
    emit LogLine(QStringLiteral("Preparing to copy: %1 tracks.").arg(m_rows));
    OutputSettings wav;
    wav.outputFormat = 1;
    wav.wav.SampleRate = cAudioCDRipper::kCdRate;
    wav.wav.Channels = cAudioCDRipper::kCdChannels;
    wav.wav.BitsPerSample = 16;
    m_rip.BeginRun(wav);
    emit LogLine(QStringLiteral("Destination format: PCM WAV 44100 16 Stereo."));

    // Only the files of this run are burned: the folder starts empty.
    QString folder = m_tempFolder;
    folder.chop(1);
    CreateFolderTree(folder); // a folder that cannot be made shows as each track's error
    DeleteTempFiles(m_tempFolder);

    g_lCurrentRow = 1;
    g_bBatchError = false;
    m_failed = 0;
    emit ShowLog();
    m_tempFiles.clear();
    m_ripper.setDeviceIndex(device);
    ConvertTracks();
    return true;
}

void DuplicateJob::ConvertTracks() {
    SetTotalBarMax(qMax(1, m_rows) * 100);
    SetRunning(true);
    if (g_lCurrentRow <= m_rows) {
        ConvertTask(g_lCurrentRow);
        return;
    }
    // Every track tried: the files go to the burn.
    emit CurrentTask(QStringLiteral("Done."));
    emit Caption(QStringLiteral("Done."));
    SetTotalBar(TotalBarMax());
    SetCurrentBar(100);
    m_keptRips = FilesToBurn(m_tempFiles);
    m_keptFailed = m_failed;
    m_keptRows = m_rows;
    BurnDisk();
}

void DuplicateJob::ConvertTask(qint32 lRow) {
    emit SelectRow(lRow);
    const QString label = TrackName(lRow);
    emit CurrentTask(label);
    emit FilesLabel(QStringLiteral("Files: %1/%2").arg(lRow).arg(m_rows));
    emit LogLine(QStringLiteral("Start to rip: ") + label + QStringLiteral("..."));
    const QString path = m_tempFolder + DuplicatorTrackFile(lRow);
    m_tempFiles << path;
    ItemRequest item;
    item.row = lRow;
    item.tags = ItemTags{};
    item.destination = path;
    m_ripping = true;
    m_rip.StartItem(item);
}

void DuplicateJob::cAudioCDRipper1_RipProgress(qint32 Percent) {
    if (!m_ripping || Percent < 1) return;
    SetCurrentBar(Percent);
    SetTotalBar((g_lCurrentRow - 1) * 100 + Percent);
    emit Caption(ProgressCaption(CurrentBar(), TotalBar(), TotalBarMax(), services().locale()));
}

void DuplicateJob::cAudioCDRipper1_RipDone() {
    if (!m_ripping) return;
    m_ripping = false;
    emit LogLine(QStringLiteral("Done."));
    emit CurrentTask(QStringLiteral("Done."));
    g_lCurrentRow += 1;
    if (m_abortRequested) {
        RipAbortedEnd();
        return;
    }
    ConvertTracks();
}

void DuplicateJob::ShowError(const QString& text) {
    emit LogLine(text);
    emit CurrentTask(text);
    emit Caption(text);
}

void DuplicateJob::cAudioCDRipper1_RipError(qint32 Code, const QString& Message) {
    if (!m_ripping) return;
    m_ripping = false;
    ++m_failed;
    g_bBatchError = true;
    // A failed track leaves nothing behind that a burn could take.
    if (!m_tempFiles.isEmpty()) DeleteTempFile(m_tempFiles.last());
    ShowError(QStringLiteral("Error: ") + Message + u'(' + QString::number(Code) + u')');
    g_lCurrentRow += 1;
    if (m_abortRequested) {
        RipAbortedEnd();
        return;
    }
    ConvertTracks();
}

void DuplicateJob::cAudioCDRipper1_RipAborted() {
    if (!m_ripping) return;
    m_ripping = false;
    if (!m_tempFiles.isEmpty()) DeleteTempFile(m_tempFiles.last());
    RipAbortedEnd();
}

void DuplicateJob::RipAbortedEnd() {
    m_abortRequested = false;
    m_keptRips.clear();
    SetRunning(false);
    emit LogLine(QStringLiteral("Aborted."));
    emit CurrentTask(QStringLiteral("Aborted."));
    emit Caption(QStringLiteral("Aborted."));
    Finish(false);
}

void DuplicateJob::BurnDisk() {
    // The source drive is free again (it may be the writer).
    m_ripper.Close();
    const QString letter = WriterLetter();
    if (letter.isEmpty()) {
        ShowError(QStringLiteral("There is no CD writer to burn to."));
        BurnFailed();
        return;
    }
    // Until the writer holds a disc it can burn, or the user gives up.
    while (!m_burner.DriveState(letter).isEmpty()) {
        if (m_choices.openDestCD) m_choices.openDestCD();
        const int answer = Ask(QStringLiteral("Insert an empty media to drive ") + letter +
                                   QStringLiteral(" then click on 'OK'.\r\n\r\n"
                                                  "Click on cancel in order to cancel the burn proccess."),
                               vbOKCancel | vbInformation, AppTitle());
        if (answer != vbOK) {
            ShowError(QStringLiteral("The burn was cancelled."));
            BurnFailed();
            return;
        }
        // The disc is in: the tray goes back (a tray the user closed stays closed).
        m_burner.CloseTray(letter);
    }

    const QStringList files = FilesToBurn(m_keptRips);
    emit TracksToBurn(files);
    m_burner.ClearTracks();
    for (const QString& path : files)
        if (!m_burner.AddTrack(path)) emit LogLine(QStringLiteral("Cannot add ") + GetFileName(path));
    if (m_burner.TrackCount() < 1) {
        ShowError(QStringLiteral("Nothing to burn."));
        Ask(QStringLiteral("Nothing to burn."), vbInformation, AppTitle());
        BurnFailed();
        return;
    }
    m_burnTracks = static_cast<qint32>(files.size());
    SetCurrentBar(0);
    SetTotalBarMax(m_burner.TrackCount());
    SetTotalBar(0);
    // Disc-at-once: the tracks follow each other with no gap.
    m_burner.setBurnOption(false);
    m_finishedWell = false;
    m_burning = true;
    const qint32 result =
        m_burner.BurnCD(letter, m_choices.speed ? m_choices.speed() : cAudioBurner::kMaxSpeed);
    m_burning = false;
    m_burner.ClearTracks();
    m_burner.Close();
    if (result != 0 || !m_finishedWell) {
        BurnFailed();
        return;
    }

    if (m_choices.openDestCD) m_choices.openDestCD();
    DeleteTempFiles(m_tempFolder);
    m_keptRips.clear();
    // After the files are gone, so that a turn-off leaves nothing behind.
    DoEndEvents();
    const QString text =
        m_failed > 0 ? QStringLiteral("Done with errors (%1 of %2 tracks failed).").arg(m_failed).arg(m_rows)
                     : QStringLiteral("Done.");
    EndOfJobActions().Balloon(text);
    Ask(m_failed > 0 ? text : text + QString(19, u' '), vbInformation, AppTitle());
    SetRunning(false);
    Finish(true);
}

void DuplicateJob::BurnFailed() {
    m_abortRequested = false;
    SetRunning(false);
    Finish(false);
}

void DuplicateJob::Abort() {
    if (!IsRunning()) return;
    m_abortRequested = true;
    if (m_ripping) m_rip.Abort();
    if (m_burning) m_burner.Abort();
}

void DuplicateJob::DoEndEvents() {
    const QString letter = WriterLetter();
    const QString writerRoot = letter.isEmpty() ? QString() : letter + QStringLiteral(":/");
    auto ejectSource = [this] {
        // The tray of the drive the tracks were read from.
        if (m_ripper.selectedDevice() != m_ripper.DeviceIndex())
            m_ripper.SelectDevice(m_ripper.DeviceIndex());
        m_ripper.OpenTray();
    };
    RunEndActions(EndOfJobActions(),
                  EndOfJob{writerRoot, {ExtraEndStep{BOX_OPEN_CD_DRIVE, ejectSource}}, g_bBatchError});
}

void DuplicateJob::cAudioBurner1_StepProgress(qint16 Percent, qint16) {
    if (m_burning) SetCurrentBar(Percent);
}

void DuplicateJob::cAudioBurner1_BurnProgress(qint16 Percent, qint16 Track) {
    if (!m_burning) return;
    SetCurrentBar(Percent);
    SetTotalBar(Track);
    emit FilesLabel(QStringLiteral("Files: %1/%2").arg(Track).arg(m_burnTracks));
}

void DuplicateJob::cAudioBurner1_ClosingSession() {
    if (!m_burning) return;
    Step(QStringLiteral("Closing session, please wait..."));
    SetCurrentBar(100);
    SetTotalBar(TotalBarMax());
}

void DuplicateJob::cAudioBurner1_ClosingTrack(qint16) {
    if (m_burning) Step(QStringLiteral("Closing track..."));
}

void DuplicateJob::cAudioBurner1_CachingTrack() {
    if (m_burning) Step(QStringLiteral("Caching track..."));
}

void DuplicateJob::cAudioBurner1_WritingTrack() {
    if (m_burning) Step(QStringLiteral("Writing track..."));
}

void DuplicateJob::cAudioBurner1_BurnFinished() {
    if (!m_burning) return;
    SetTotalBar(TotalBarMax());
    Step(QStringLiteral("Finished."));
    // An abort the user confirmed wins over a burn that happened to finish.
    if (!m_abortRequested) m_finishedWell = true;
}

void DuplicateJob::cAudioBurner1_BurnError(qint32 Code, const QString& Message) {
    if (!m_burning) return;
    ShowError(QStringLiteral("Error:%1(%2)").arg(Message).arg(Code));
}

} // namespace core
