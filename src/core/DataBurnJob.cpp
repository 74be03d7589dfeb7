#include "core/DataBurnJob.h"

#include "core/Services.h"
#include "core/mdlModes.h"

namespace core {

namespace {

QString fileName(const QString& path) {
    return path.mid(path.lastIndexOf(u'/') + 1);
}

} // namespace

DataBurnJob::DataBurnJob(components::cAudioDataBurner& first, components::cBurner& second, EndActions& end,
                         DataBurnChoices choices, QObject* parent)
    : Job(end, parent), m_first(first), m_second(second), m_choices(std::move(choices)) {
    using A = components::cAudioDataBurner;
    connect(&m_first, &A::BurnStarted, this, &DataBurnJob::cAudioDataBurner1_BurnStarted);
    connect(&m_first, &A::BurnProgress, this, &DataBurnJob::cAudioDataBurner1_BurnProgress);
    connect(&m_first, &A::ClosingSession, this, &DataBurnJob::cAudioDataBurner1_ClosingSession);
    connect(&m_first, &A::BurnFinished, this, &DataBurnJob::cAudioDataBurner1_BurnFinished);
    connect(&m_first, &A::Error, this, &DataBurnJob::cAudioDataBurner1_BurnError);
    using B = components::cBurner;
    connect(&m_second, &B::BurnerInitializing, this, &DataBurnJob::cBurner1_BurnerInitializing);
    connect(&m_second, &B::StartBurning, this, &DataBurnJob::cBurner1_StartBurning);
    connect(&m_second, &B::BurnerFileCount, this, &DataBurnJob::cBurner1_BurnerFileCount);
    connect(&m_second, &B::BurnerAddingFile, this, &DataBurnJob::cBurner1_BurnerAddingFile);
    connect(&m_second, &B::BurnerProgress, this, &DataBurnJob::cBurner1_BurnerProgress);
    connect(&m_second, &B::BurnerFinalization, this, &DataBurnJob::cBurner1_BurnerFinalization);
    connect(&m_second, &B::BurnerCompleted, this, &DataBurnJob::cBurner1_BurnerCompleted);
    connect(&m_second, &B::BurnerDoneBurn, this, &DataBurnJob::cBurner1_BurnerDoneBurn);
    connect(&m_second, &B::BurnerCanceled, this, &DataBurnJob::cBurner1_BurnerCanceled);
    connect(&m_second, &B::BurnerEnd, this, &DataBurnJob::cBurner1_BurnerEnd);
    connect(&m_second, &B::BurnerError, this, &DataBurnJob::cBurner1_BurnerError);
    connect(&m_second, &B::BurnerNote, this, &DataBurnJob::cBurner1_BurnerNote);
}

QString DataBurnJob::DriveLetter() const {
    const QString entry = m_choices.writerEntry ? m_choices.writerEntry() : QString();
    return entry.left(1);
}

bool DataBurnJob::Burn(const QStringList& files) {
    if (IsRunning()) return false;
    // Only what this run produced is burned; a run that produced nothing burns nothing.
    if (files.isEmpty()) {
        Step(QStringLiteral("Nothing to burn."));
        return false;
    }
    if (m_choices.engine && m_choices.engine() == 0) {
        BurnDiskImapiV1(files);
        return true;
    }
    return BurnDiskImapiV2(files);
}

void DataBurnJob::BurnDiskImapiV1(const QStringList& files) {
    SetRunning(true);
    emit LogLine(QStringLiteral("Add files to burn."));
    m_first.ClearFiles();
    for (const QString& path : files) {
        if (!m_first.AddFile(path)) {
            Ask(QStringLiteral("Couldn't add the file ") + path, vbOKOnly | vbExclamation,
                QStringLiteral("Error"));
            emit LogLine(QStringLiteral("Couldn't add the file ") + fileName(path));
        }
    }
    SetCurrentBar(0);
    SetTotalBarMax(100);
    SetTotalBar(0);
    m_first.setVolumeName(m_choices.volumeName ? m_choices.volumeName() : QString());
    m_first.setFileSystem(QStringLiteral("CDFS"));
    m_first.setPublisher(g_sProductName);
    m_first.setPreparer(g_sProductName);
    m_first.setBurnOption(false);
    m_abortRequested = false;
    const qint32 speed = m_choices.speed ? m_choices.speed() : components::cAudioDataBurner::kMaxSpeed;
    m_first.BurnDisc(DriveLetter(), speed);
}

bool DataBurnJob::BurnDiskImapiV2(const QStringList& files) {
    if (m_choices.imapi2Installed && !m_choices.imapi2Installed()) return false;
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
    m_second.setPublisher(g_sProductName);
    for (const QString& path : files)
        m_second.AddFile(path);
    SetCurrentBar(0);
    SetTotalBarMax(100);
    SetTotalBar(0);
    SetRunning(true);
    m_abortRequested = false;
    m_second.BurnDisc(m_choices.writerPosition ? m_choices.writerPosition() : 0);
    return true;
}

void DataBurnJob::Abort() {
    if (!IsRunning() || m_abortRequested) return;
    // The write stops first; "Aborted." is said when the engine has stopped.
    m_abortRequested = true;
    m_first.Abort();
    m_second.Abort();
}

void DataBurnJob::ShowPercent(qint32 percent) {
    SetTotalBar(percent);
    SetCurrentBar(percent);
    emit CurrentTask(QString::number(percent) + u'%');
}

void DataBurnJob::Failed(const QString& text, bool tooBig) {
    SetRunning(false);
    Step(text);
    if (m_abortRequested) {
        emit LogLine(QStringLiteral("Aborted."));
        emit CurrentTask(QStringLiteral("Aborted."));
    } else if (tooBig) {
        Ask(text, vbOKOnly | vbInformation, AppTitle());
    }
    m_abortRequested = false;
    Finish(false);
}

// --- first engine ------------------------------------------------------------

void DataBurnJob::cAudioDataBurner1_BurnStarted() {
    Step(QStringLiteral("Start the burning process..."));
}

void DataBurnJob::cAudioDataBurner1_BurnProgress(qint16 Percent) {
    ShowPercent(Percent);
}

void DataBurnJob::cAudioDataBurner1_ClosingSession() {
    Step(QStringLiteral("Closing session..."));
}

void DataBurnJob::cAudioDataBurner1_BurnFinished() {
    if (!IsRunning()) return;
    Step(QStringLiteral("Finished"));
    End(true);
}

void DataBurnJob::cAudioDataBurner1_BurnError(qint32 Code, const QString& Message) {
    if (!IsRunning()) return;
    Failed(Message, Code == components::DataDiscBurner::ErrTooBig);
}

// --- second engine -----------------------------------------------------------

void DataBurnJob::cBurner1_BurnerInitializing() {
    Step(QStringLiteral("BurnerInitializing..."));
}

void DataBurnJob::cBurner1_StartBurning() {
    Step(QStringLiteral("StartBurning..."));
}

void DataBurnJob::cBurner1_BurnerFileCount(qint32 Files, qint32 Folders) {
    emit LogLine(QString::number(Files) + QStringLiteral(" files to burn.\r\n") + QString::number(Folders) +
                 QStringLiteral(" dirs to burn."));
}

void DataBurnJob::cBurner1_BurnerAddingFile(const QString& Path) {
    Step(QStringLiteral("Adding:") + fileName(Path));
}

void DataBurnJob::cBurner1_BurnerProgress(qint32 Percent) {
    ShowPercent(Percent);
}

void DataBurnJob::cBurner1_BurnerFinalization() {
    emit LogLine(QStringLiteral("BurnerFinalization - Please wait..."));
    emit CurrentTask(QStringLiteral("BurnerFinalization"));
}

void DataBurnJob::cBurner1_BurnerCompleted() {
    Step(QStringLiteral("BurnerCompleted."));
}

void DataBurnJob::cBurner1_BurnerDoneBurn() {
    Step(QStringLiteral("BurnerDoneBurn."));
}

void DataBurnJob::cBurner1_BurnerCanceled() {
    Step(QStringLiteral("BurnerCanceled..."));
}

void DataBurnJob::cBurner1_BurnerEnd() {
    if (!IsRunning()) return;
    Step(QStringLiteral("BurnerEnd."));
    End(true);
}

void DataBurnJob::cBurner1_BurnerError(const QString& Detail, const QString& Message) {
    if (!IsRunning()) return;
    Failed(Message + QStringLiteral(" (") + Detail + u')',
           Detail == QString::number(components::DataDiscBurner::ErrTooBig));
}

void DataBurnJob::cBurner1_BurnerNote(const QString& Text) {
    emit LogLine(Text);
}

} // namespace core
