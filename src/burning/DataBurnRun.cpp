#include "burning/DataBurnRun.h"

#include "components/DriveRegistry.h"
#include "core/Services.h"
#include "core/mdlFunctions.h"
#include "core/mdlModes.h"
#include "settings/SettingsVariables.h"

#include <QFileInfo>

namespace burning {

namespace {

QString appTitle() {
    return core::g_sProductName + QLatin1Char(' ') + core::g_sProductVersion;
}

QString fileName(const QString& path) {
    return path.mid(path.lastIndexOf(u'/') + 1);
}

} // namespace

DataBurnRun::DataBurnRun(components::cAudioDataBurner& first, components::cBurner& second,
                         conversion::BatchView& view, conversion::EndActions& end, DataBurnChoices choices,
                         QObject* parent)
    : QObject(parent), m_first(first), m_second(second), m_view(view), m_end(end),
      m_choices(std::move(choices)) {
    using A = components::cAudioDataBurner;
    connect(&m_first, &A::BurnStarted, this, &DataBurnRun::cAudioDataBurner1_BurnStarted);
    connect(&m_first, &A::BurnProgress, this, &DataBurnRun::cAudioDataBurner1_BurnProgress);
    connect(&m_first, &A::ClosingSession, this, &DataBurnRun::cAudioDataBurner1_ClosingSession);
    connect(&m_first, &A::BurnFinished, this, &DataBurnRun::cAudioDataBurner1_BurnFinished);
    connect(&m_first, &A::Error, this, &DataBurnRun::cAudioDataBurner1_BurnError);
    using B = components::cBurner;
    connect(&m_second, &B::BurnerInitializing, this, &DataBurnRun::cBurner1_BurnerInitializing);
    connect(&m_second, &B::StartBurning, this, &DataBurnRun::cBurner1_StartBurning);
    connect(&m_second, &B::BurnerFileCount, this, &DataBurnRun::cBurner1_BurnerFileCount);
    connect(&m_second, &B::BurnerAddingFile, this, &DataBurnRun::cBurner1_BurnerAddingFile);
    connect(&m_second, &B::BurnerProgress, this, &DataBurnRun::cBurner1_BurnerProgress);
    connect(&m_second, &B::BurnerFinalization, this, &DataBurnRun::cBurner1_BurnerFinalization);
    connect(&m_second, &B::BurnerCompleted, this, &DataBurnRun::cBurner1_BurnerCompleted);
    connect(&m_second, &B::BurnerDoneBurn, this, &DataBurnRun::cBurner1_BurnerDoneBurn);
    connect(&m_second, &B::BurnerCanceled, this, &DataBurnRun::cBurner1_BurnerCanceled);
    connect(&m_second, &B::BurnerEnd, this, &DataBurnRun::cBurner1_BurnerEnd);
    connect(&m_second, &B::BurnerError, this, &DataBurnRun::cBurner1_BurnerError);
    connect(&m_second, &B::BurnerNote, this, &DataBurnRun::cBurner1_BurnerNote);
}

QString DataBurnRun::DriveLetter() const {
    const QString entry = m_choices.writerEntry ? m_choices.writerEntry() : QString();
    return entry.left(1);
}

void DataBurnRun::Step(const QString& text) {
    m_view.LogLine(text);
    m_view.SetCurrentTrack(text);
}

void DataBurnRun::EnableControls(bool enable) {
    m_view.SetRunning(!enable);
    if (m_choices.enableTrayLinks) m_choices.enableTrayLinks(enable);
}

void DataBurnRun::Burn(const QStringList& files) {
    if (m_burning) return;
    // Only what this run produced is burned; a run that produced nothing burns nothing.
    if (files.isEmpty()) {
        Step(QStringLiteral("Nothing to burn."));
        return;
    }
    if (m_choices.engine && m_choices.engine() == 0)
        BurnDiskImapiV1(files);
    else
        BurnDiskImapiV2(files);
}

void DataBurnRun::BurnDiskImapiV1(const QStringList& files) {
    EnableControls(false);
    m_view.LogLine(QStringLiteral("Add files to burn."));
    m_first.ClearFiles();
    for (const QString& path : files) {
        if (!m_first.AddFile(path)) {
            core::services().msgBox(m_view.PromptOwner(), QStringLiteral("Couldn't add the file ") + path,
                                    core::vbOKOnly | core::vbExclamation, QStringLiteral("Error"));
            m_view.LogLine(QStringLiteral("Couldn't add the file ") + fileName(path));
        }
    }
    m_view.SetCurrentBar(0);
    m_view.SetTotalBarMax(100);
    m_view.SetTotalBar(0);
    m_first.setVolumeName(m_choices.volumeName ? m_choices.volumeName() : QString());
    m_first.setFileSystem(QStringLiteral("CDFS"));
    m_first.setPublisher(core::g_sProductName);
    m_first.setPreparer(core::g_sProductName);
    m_first.setBurnOption(false);
    m_burning = true;
    m_abortRequested = false;
    if (m_choices.enableAbort) m_choices.enableAbort(true);
    const qint32 speed = m_choices.speed ? m_choices.speed() : components::cAudioDataBurner::kMaxSpeed;
    m_first.BurnDisc(DriveLetter(), speed);
}

void DataBurnRun::BurnDiskImapiV2(const QStringList& files) {
    if (m_choices.imapi2Installed && !m_choices.imapi2Installed()) return;
    m_second.ClearFiles();
    m_second.setFileSystemISO(false);
    m_second.setFileSystemJoliet(false);
    m_second.setFileSystemUDF(false);
    auto ticked = [this](const char* box) {
        return m_choices.boxTicked && m_choices.boxTicked(QString::fromLatin1(box));
    };
    if (ticked("chkISO")) m_second.setFileSystemISO(true);
    if (ticked("chkJOLIET")) m_second.setFileSystemJoliet(true);
    if (ticked("chkUDF")) m_second.setFileSystemUDF(true);
    m_second.setVolumeName(m_choices.volumeName ? m_choices.volumeName() : QString());
    m_second.setPublisher(core::g_sProductName);
    for (const QString& path : files)
        m_second.AddFile(path);
    m_view.SetCurrentBar(0);
    m_view.SetTotalBarMax(100);
    m_view.SetTotalBar(0);
    EnableControls(false);
    m_burning = true;
    m_abortRequested = false;
    if (m_choices.enableAbort) m_choices.enableAbort(true);
    m_second.BurnDisc(m_choices.writerPosition ? m_choices.writerPosition() : 0);
}

void DataBurnRun::cmdAbort_Click() {
    if (!m_burning || m_abortRequested) return;
    const int answer =
        core::services().msgBox(m_view.PromptOwner(), QStringLiteral("Abort operation?") + QString(38, u' '),
                                core::vbYesNo | core::vbInformation, appTitle());
    if (answer != core::vbYes || !m_burning) return;
    // The write stops first; "Aborted." is said when the engine has stopped.
    m_abortRequested = true;
    m_first.Abort();
    m_second.Abort();
}

void DataBurnRun::Failed(const QString& text, bool tooBig) {
    m_burning = false;
    EnableControls(true);
    Step(text);
    if (m_abortRequested) {
        m_view.LogLine(QStringLiteral("Aborted."));
        m_view.SetCurrentTrack(QStringLiteral("Aborted."));
        m_end.Balloon(QStringLiteral("Aborted."));
    } else if (tooBig) {
        core::services().msgBox(m_view.PromptOwner(), text, core::vbOKOnly | core::vbInformation, appTitle());
    }
    m_abortRequested = false;
    emit BurnEnded(false);
}

// --- first engine ------------------------------------------------------------

void DataBurnRun::cAudioDataBurner1_BurnStarted() {
    Step(QStringLiteral("Start the burning process..."));
}

void DataBurnRun::cAudioDataBurner1_BurnProgress(qint16 Percent) {
    m_view.SetTotalBar(Percent);
    m_view.SetCurrentBar(Percent);
    m_view.SetCurrentTrack(QString::number(Percent) + u'%');
}

void DataBurnRun::cAudioDataBurner1_ClosingSession() {
    Step(QStringLiteral("Closing session..."));
}

void DataBurnRun::cAudioDataBurner1_BurnFinished() {
    Step(QStringLiteral("Finished"));
    m_burning = false;
    DoEndEvents();
    emit BurnEnded(true);
}

void DataBurnRun::cAudioDataBurner1_BurnError(qint32 Code, const QString& Message) {
    Failed(Message, Code == components::DataDiscBurner::ErrTooBig);
}

// --- second engine -----------------------------------------------------------

void DataBurnRun::cBurner1_BurnerInitializing() {
    Step(QStringLiteral("BurnerInitializing..."));
}

void DataBurnRun::cBurner1_StartBurning() {
    Step(QStringLiteral("StartBurning..."));
}

void DataBurnRun::cBurner1_BurnerFileCount(qint32 Files, qint32 Folders) {
    m_view.LogLine(QString::number(Files) + QStringLiteral(" files to burn.\r\n") + QString::number(Folders) +
                   QStringLiteral(" dirs to burn."));
}

void DataBurnRun::cBurner1_BurnerAddingFile(const QString& Path) {
    Step(QStringLiteral("Adding:") + fileName(Path));
}

void DataBurnRun::cBurner1_BurnerProgress(qint32 Percent) {
    m_view.SetTotalBar(Percent);
    m_view.SetCurrentBar(Percent);
    m_view.SetCurrentTrack(QString::number(Percent) + u'%');
}

void DataBurnRun::cBurner1_BurnerFinalization() {
    m_view.LogLine(QStringLiteral("BurnerFinalization - Please wait..."));
    m_view.SetCurrentTrack(QStringLiteral("BurnerFinalization"));
}

void DataBurnRun::cBurner1_BurnerCompleted() {
    Step(QStringLiteral("BurnerCompleted."));
}

void DataBurnRun::cBurner1_BurnerDoneBurn() {
    Step(QStringLiteral("BurnerDoneBurn."));
}

void DataBurnRun::cBurner1_BurnerCanceled() {
    Step(QStringLiteral("BurnerCanceled..."));
}

void DataBurnRun::cBurner1_BurnerEnd() {
    Step(QStringLiteral("BurnerEnd."));
    m_burning = false;
    EnableControls(true);
    DoEndEvents();
    emit BurnEnded(true);
}

void DataBurnRun::cBurner1_BurnerError(const QString& Detail, const QString& Message) {
    Failed(Message + QStringLiteral(" (") + Detail + u')',
           Detail == QString::number(components::DataDiscBurner::ErrTooBig));
}

void DataBurnRun::cBurner1_BurnerNote(const QString& Text) {
    m_view.LogLine(Text);
}

// --- end of job ----------------------------------------------------------------

void DataBurnRun::DoEndEvents() {
    m_abortRequested = false;
    if (m_choices.enableAbort) m_choices.enableAbort(false);
    if (m_view.EndEventChecked(conversion::BOX_PLAY_SOUND)) m_end.PlaySound(settings::g_sPlayAtEnd);
    if (m_view.EndEventChecked(BOX_ERASE_TEMP)) {
        m_view.LogLine(QStringLiteral("Erase temp files..."));
        if (m_choices.eraseTempFiles) m_choices.eraseTempFiles();
    }
    const QString letter = DriveLetter();
    if (m_view.EndEventChecked(BOX_EJECT_CD) && !letter.isEmpty()) m_first.OpenTray(letter);
    if (m_view.EndEventChecked(conversion::BOX_OPEN_DEST_FOLDER) && !letter.isEmpty())
        m_end.OpenFolder(components::DriveRegistry::localPath(letter + QStringLiteral(":/")));
    if (m_view.EndEventChecked(conversion::BOX_NOTICE_APP)) m_end.RunNoticApp();
    // Never after a failed item: the user has to see what went wrong.
    if (!g_bBatchError && m_view.EndEventChecked(conversion::BOX_TURN_OFF)) m_end.TurnOffCountdown(30);
    m_view.SetRunning(false);
    const QString text =
        failedItems > 0
            ? QStringLiteral("Done with errors (%1 of %2 failed).").arg(failedItems).arg(triedItems)
            : QStringLiteral("Done.");
    m_end.Balloon(text);
    m_view.LogLine(text);
    m_view.SetCurrentTrack(text);
}

} // namespace burning
