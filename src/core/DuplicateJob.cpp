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
    : Job(end, parent), m_ripper(ripper), m_burner(burner), m_choices(std::move(choices)), m_ripItem(ripper),
      m_rip(m_ripItem, end, RipPolicy()),
      m_burn(burner, end, BurnChoices{m_choices.writerEntry, m_choices.speed, {}},
             AudioBurnStyle{.discAtOnce = true, .endEvents = false, .copyDisplay = true}) {
    connect(&m_rip, &BatchRun::SelectRow, this, &DuplicateJob::RipStarted);
    ConnectSubJob(
        m_rip, [this] { RipEnded(); }, [this] { RipEnded(); });
    ConnectSubJob(
        m_burn, [this] { BurnSucceeded(); },
        [this] {
            m_burner.Close();
            End(false);
        });
}

BatchPolicy DuplicateJob::RipPolicy() {
    BatchPolicy p = RipperPolicy([this] { return &m_ripper; }, [this] { return m_device; });
    p.tags = BatchPolicy::Tags::None;
    p.runVerb = QStringLiteral("copy");
    // The burn follows; the end of job is this job's.
    p.endEvents = false;
    p.completionBalloon = false;
    p.doneCountsFailures = false;
    p.hourglass = false;
    p.outputName = [](qint32 row) { return DuplicatorTrackFile(row); };
    return p;
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
    m_device = m_choices.sourceDevice ? m_choices.sourceDevice() : 0;
    m_ripper.SelectDevice(m_device);
    const Toc toc = SourceToc();
    m_tempFolder = DuplicatorTempFolder();

    // A complete rip that no burn has taken yet is burned as it is, unless
    // another audio CD is now in the source drive.
    if (HasKeptRips() && (toc.isEmpty() || toc == m_keptToc)) {
        emit LogSeparator();
        m_rows = m_keptRows;
        m_failed = m_keptFailed;
        g_bBatchError = m_failed > 0;
        emit LogLine(QStringLiteral("Burning the %1 tracks ripped before.").arg(m_keptRips.size()));
        emit ShowLog();
        SetRunning(true);
        BurnStage();
        return true;
    }
    m_keptRips.clear();
    m_keptToc = toc;

    // Only the files of this run are burned: the folder starts empty.
    QString folder = m_tempFolder;
    folder.chop(1);
    CreateFolderTree(folder); // a folder that cannot be made shows as each track's error
    DeleteTempFiles(m_tempFolder);
    g_lCurrentRow = 0;
    g_bBatchError = false;
    m_tempFiles.clear();

    // Every track of the disc, the data tracks of a mixed CD included (they fail as tracks).
    m_rows = m_ripper.TrackCount();
    BatchRequest request;
    for (qint32 track = 1; track <= m_rows; ++track) {
        BatchItem item;
        item.file = TrackName(track);
        item.itemName = item.file;
        request.rows << item;
    }
    request.destination = m_tempFolder;
    request.overwrite = true; // the folder was emptied: what is there is this run's
    request.output.settings.outputFormat = 1;
    request.output.settings.wav.SampleRate = cAudioCDRipper::kCdRate;
    request.output.settings.wav.Channels = cAudioCDRipper::kCdChannels;
    request.output.settings.wav.BitsPerSample = 16;
    request.output.logLine = QStringLiteral("Destination format: PCM WAV 44100 16 Stereo.");
    request.output.destExtension = QStringLiteral("wav");
    return m_rip.Start(request);
}

void DuplicateJob::RipStarted(qint32 row) {
    g_lCurrentRow = row;
    m_tempFiles << m_tempFolder + DuplicatorTrackFile(row);
    emit SelectRow(row);
}

void DuplicateJob::RipEnded() {
    // A track that failed leaves nothing behind that a burn could take.
    const QStringList& produced = m_rip.Produced();
    for (const QString& path : std::as_const(m_tempFiles))
        if (!produced.contains(path)) DeleteTempFile(path);
    // Aborted: the rip said so.
    if (m_rip.LastEnding() != BatchRun::Ending::Completed) {
        End(false);
        return;
    }
    // Every track tried: the files go to the burn.
    m_failed = m_rip.FailedCount();
    g_bBatchError = m_rip.g_bBatchError;
    m_keptRips = FilesToBurn(produced);
    m_keptFailed = m_failed;
    m_keptRows = m_rows;
    BurnStage();
}

void DuplicateJob::ShowError(const QString& text) {
    emit LogLine(text);
    emit CurrentTask(text);
    emit Caption(text);
}

void DuplicateJob::BurnStage() {
    // The source drive is free again (it may be the writer).
    m_ripper.Close();
    const QString letter = WriterLetter();
    if (letter.isEmpty()) {
        ShowError(QStringLiteral("There is no CD writer to burn to."));
        End(false);
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
            End(false);
            return;
        }
        // The disc is in: the tray goes back (a tray the user closed stays closed).
        m_burner.CloseTray(letter);
    }

    const QStringList files = FilesToBurn(m_keptRips);
    emit TracksToBurn(files);
    m_burner.ClearTracks();
    // The stage says "Nothing to burn." itself when no file could be added.
    if (!m_burn.Burn(files)) End(false);
}

void DuplicateJob::BurnSucceeded() {
    m_burner.Close();
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
    End(true);
}

void DuplicateJob::Abort() {
    if (IsRunning()) AbortSubJobs();
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

} // namespace core
