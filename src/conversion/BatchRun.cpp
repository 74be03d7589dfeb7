#include "conversion/BatchRun.h"

#include "core/Services.h"
#include "core/mdlFunctions.h"
#include "core/mdlModes.h"
#include "itemlists/ItemRows.h"
#include "itemlists/Templates.h"
#include "settings/SettingsVariables.h"

#include <QDir>
#include <QFileInfo>

#include <chrono>

namespace conversion {

using namespace itemlists;

// --- StandardEndActions ------------------------------------------------------

void StandardEndActions::PlaySound(const QString& file) {
    core::services().playSound(file);
}

void StandardEndActions::OpenFolder(const QString& folder) {
    core::ShellOpen(nullptr, folder);
}

void StandardEndActions::RunNoticApp() {
    const itemlists::NoticFileValues values = noticValues ? noticValues() : itemlists::NoticFileValues{};
    itemlists::RunNoticApp(values); // a program that cannot start is passed over
}

void StandardEndActions::TurnOffCountdown(qint32 seconds) {
    if (turnOffCountdown) turnOffCountdown(seconds);
}

void StandardEndActions::Balloon(const QString& text) {
    if (balloon) balloon(text);
}

// --- BatchRun ------------------------------------------------------------------

BatchRun::BatchRun(ItemJob& job, BatchView& view, EndActions& endActions, BatchPolicy policy, QObject* parent)
    : QObject(parent), m_job(job), m_view(view), m_end(endActions), m_policy(std::move(policy)) {
    m_timer.setObjectName(QStringLiteral("Timer1"));
    m_timer.setInterval(1000);
    connect(&m_timer, &QTimer::timeout, this, &BatchRun::Timer1_Timer);
    connect(&m_job, &ItemJob::Progress, this, &BatchRun::Job_Progress);
    connect(&m_job, &ItemJob::Done, this, &BatchRun::Job_Done);
    connect(&m_job, &ItemJob::Error, this, &BatchRun::Job_Error);
    connect(&m_job, &ItemJob::Aborted, this, &BatchRun::Job_Aborted);
}

BatchRun::~BatchRun() = default;

void BatchRun::SetClock(std::function<qint64()> clock) {
    m_clock = std::move(clock);
}

qint64 BatchRun::ClockMs() const {
    if (m_clock) return m_clock();
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void BatchRun::ResetCounters() {
    g_ltmrItemSecsTotal = 0;
    g_ltmrCurItemSecs = 0;
    g_ltmrSces = 0;
    g_ltmrItemSecs = 0;
    g_ltmrUpToItemSecs = 0;
}

QString BatchRun::AppTitle() const {
    return core::g_sProductName + QLatin1Char(' ') + core::g_sProductVersion;
}

bool BatchRun::cmdConvert_Click() {
    if (m_running) return false;
    // A run without a destination or a name template would write beside the
    // program or into names made of nothing; it is refused before it starts.
    const QString dest = m_view.DestinationText().trimmed();
    if (dest.isEmpty()) {
        core::services().msgBox(m_view.PromptOwner(), QStringLiteral("Please choose the destination folder."),
                                core::vbInformation, core::g_sProductName);
        return false;
    }
    if (m_view.FileNameTemplate().trimmed().isEmpty()) {
        core::services().msgBox(m_view.PromptOwner(), QStringLiteral("Please choose the file name format."),
                                core::vbInformation, core::g_sProductName);
        return false;
    }
    // Without a format there is no extension for the names ("[dest_extension]"
    // would stay in them) and nothing to hand the component.
    RunOutput output = m_policy.output ? m_policy.output() : OutputForFormat(m_view.TargetFormatText());
    // (A window whose items keep their own extensions names each one itself.)
    if (!output.destExtension && !m_policy.destExtensionFor) {
        core::services().msgBox(m_view.PromptOwner(), QStringLiteral("Please choose the audio format."),
                                core::vbInformation, core::g_sProductName);
        return false;
    }

    m_view.LogRunSeparator();
    m_destFolder = WithClosingSlash(dest);
    m_view.SetDestinationText(m_destFolder);
    m_view.RememberDestination();
    m_underFolder = GetUnderFolder(m_view.CreateSubFolderChecked(), m_view.SubFolderName());
    m_template = m_view.FileNameTemplate();

    m_view.LogLine(m_policy.preparingText + QString::number(m_view.RowCount()) + QStringLiteral(" tracks."));

    // SetDestination: the output format and its settings, once per run.
    m_output = std::move(output);
    m_job.BeginRun(m_output.settings);
    m_view.LogLine(m_output.logLine);
    if (m_policy.onRunStart) m_policy.onRunStart();

    if (m_view.CreateSubFolderChecked()) {
        QString folder = m_destFolder + m_underFolder;
        folder.chop(1);
        core::CreateFolderTree(folder); // a failure shows as the items' errors
    }

    g_lCurrentRow = 1;
    g_bBatchError = false;
    m_failed = 0;
    m_tried = 0;
    m_abortRequested = false;
    m_runPaths.clear();
    m_produced.clear();
    if (m_policy.resetFinishedSecondsAtStart) g_ltmrUpToItemSecs = 0;
    m_view.ShowLogPage();
    g_ltmrSces = 1;
    m_runStartMs = ClockMs();
    ConvertTracks();
    return true;
}

void BatchRun::ConvertTracks() {
    const qint32 n = m_view.RowCount();
    m_view.SetTotalBarMax(n * 100);
    m_running = true;
    m_view.SetRunning(true);
    // One timer for the whole run: restarting it for each item would put its
    // next tick off again and again, and items shorter than a second would never show a time.
    if (!m_timer.isActive()) m_timer.start();

    qint32 r = kStarted;
    for (qint32 i = g_lCurrentRow; i <= n; ++i) {
        g_lCurrentRow = i;
        if (m_policy.markedRowsOnly && m_view.RowMark(i) != ICON_MARKED) continue;
        if (m_policy.busyPointer) m_view.SetBusyPointer(true);
        r = ConvertTask(i);
        if (r == kStarted) return; // the run goes on in the job's events
        if (r == kCancelled) {
            m_view.LogLine(QStringLiteral("Aborted."));
            break;
        }
        // skipped, or failed before it started: on with the next row
    }

    m_running = false;
    m_view.SetRunning(false);
    if (m_policy.productCaptionAtEnd) {
        m_view.SetCaption(AppTitle());
        m_view.SetTimeLeft(TimeLeftText(0));
    }
    // A run that ends after a skipped or failed item has still walked every row.
    if (r == kCancelled)
        CancelledEnd();
    else
        CompletedEnd(n);
}

TagContext BatchRun::TagContextOf(qint32 row) const {
    TagContext t;
    t.now = core::services().now();
    t.locale = core::services().locale();
    t.trackNum = m_policy.trackNumber ? m_policy.trackNumber(row) : QString::number(row);
    t.productName = core::g_sProductName;
    t.productVersion = core::g_sProductVersion;
    if (m_policy.fullTagTokens) {
        const QString file = m_view.Cell(row, COL_FILE);
        t.sourceName = file.mid(file.lastIndexOf(u'/') + 1);
        t.itemName = m_view.Cell(row, COL_ITEM_NAME);
        t.range = m_view.Cell(row, COL_RANGE);
    }
    return t;
}

qint32 BatchRun::ConvertTask(qint32 lRow) {
    FileNameContext nameCtx;
    nameCtx.row = lRow;
    nameCtx.sourcePath = m_view.Cell(lRow, COL_FILE);
    nameCtx.itemName = m_view.Cell(lRow, COL_ITEM_NAME);
    nameCtx.destExtension =
        m_policy.destExtensionFor ? m_policy.destExtensionFor(nameCtx.sourcePath) : m_output.destExtension;
    nameCtx.now = core::services().now();
    nameCtx.locale = core::services().locale();
    const QString name = CreateDestFileName(m_template, nameCtx);

    m_view.SelectRow(lRow);
    const bool whole = m_view.Cell(lRow, COL_RANGE_ALL) == u"1";
    double number = 0;
    if (whole)
        g_ltmrItemSecs = static_cast<qint32>(core::TimeToSeconds(m_view.Cell(lRow, COL_TIME)));
    else if (CellNumber(m_view.Cell(lRow, COL_RANGE_LENGTH_TIME), &number))
        g_ltmrItemSecs = static_cast<qint32>(RoundHalfEven(number));
    g_ltmrCurItemSecs = 0;

    ItemRequest item;
    item.row = lRow;
    if (m_policy.useTags) {
        ItemTags cells;
        cells.album = m_view.Cell(lRow, COL_TAG_ALBUM);
        cells.artist = m_view.Cell(lRow, COL_TAG_ARTIST);
        cells.comment = m_view.Cell(lRow, COL_TAG_COMMENT);
        cells.genre = m_view.Cell(lRow, COL_TAG_GEN);
        cells.title = m_view.Cell(lRow, COL_TAG_TITLE);
        cells.track = m_view.Cell(lRow, COL_TAG_TRACK);
        cells.year = m_view.Cell(lRow, COL_TAG_YEAR);
        item.tags = SetID3Tags(cells, TagContextOf(lRow));
    }

    item.source = nameCtx.sourcePath;
    const QString label = item.source.mid(item.source.lastIndexOf(u'/') + 1);
    m_view.SetCurrentTrack(label);
    m_view.SetFilesToConvert(QStringLiteral("Files: %1/%2").arg(lRow).arg(m_view.RowCount()));
    m_view.LogLine(m_policy.startText + label + QStringLiteral("..."));

    const std::optional<QString> joined = JoinOutputPath(m_destFolder, m_underFolder, name);
    if (!joined) {
        FailItem(2, QStringLiteral("The file name '") + name + QStringLiteral("' cannot be used."));
        return kFailed;
    }
    // Two items of one run that come out with the same name keep both outputs.
    const QString path = UniqueOutputPath(
        *joined, [this](const QString& p) { return m_runPaths.contains(QDir::cleanPath(p)); });
    if (IsSameFile(item.source, path)) {
        FailItem(2, QStringLiteral("The destination is the source file itself."));
        return kFailed;
    }

    if (!(m_policy.honourOverwriteBox && m_view.OverwriteChecked())) {
        const QFileInfo existing(path);
        if (existing.exists() && !existing.isDir()) {
            m_view.LogLine(QStringLiteral("File already exists."));
            const int answer =
                core::services().msgBox(m_view.PromptOwner(),
                                        QStringLiteral("The file: '") + path +
                                            QStringLiteral("' already exists.\r\n\r\nOverwrite it?"),
                                        core::vbYesNoCancel | core::vbInformation, AppTitle());
            if (answer == core::vbNo) return kSkipped;
            if (answer != core::vbYes) return kCancelled;
            m_view.LogLine(QStringLiteral("Overwrite it..."));
        }
    }

    if (!whole) {
        item.ranged = true;
        if (CellNumber(m_view.Cell(lRow, COL_RANGE_START_TIME), &number))
            item.rangeStart = static_cast<qint32>(RoundHalfEven(number));
        if (CellNumber(m_view.Cell(lRow, COL_RANGE_LENGTH_TIME), &number))
            item.rangeLength = static_cast<qint32>(RoundHalfEven(number));
    }
    item.destination = path;
    m_runPaths.insert(QDir::cleanPath(path));
    m_itemPath = path;
    ++m_tried;
    m_job.StartItem(item);
    return kStarted;
}

void BatchRun::FailItem(qint32 code, const QString& description) {
    ++m_tried;
    ++m_failed;
    g_bBatchError = true;
    const QString text = QStringLiteral("Error: ") + description + u'(' + QString::number(code) + u')';
    m_view.LogLine(text);
    if (m_policy.errorToLabel) {
        m_view.SetCurrentTrack(text);
        m_view.SetCaption(text);
    }
    if (m_policy.busyPointer) m_view.SetBusyPointer(false);
}

void BatchRun::Job_Progress(qint32 percent) {
    if (!m_running || percent < 1) return;
    if (m_policy.busyPointer) m_view.SetBusyPointer(false);
    m_view.SetCurrentBar(percent);
    m_view.SetTotalBar((g_lCurrentRow - 1) * 100 + percent);
    if (m_policy.progressCaption)
        m_view.SetCaption(ProgressCaption(m_view.CurrentBar(), m_view.TotalBar(), m_view.TotalBarMax(),
                                          core::services().locale()));
    else
        m_view.SetCaption(AppTitle());
    g_ltmrCurItemSecs = ItemSecondsAt(percent, g_ltmrItemSecs);
}

void BatchRun::Job_Done() {
    if (!m_running) return;
    m_view.LogLine(QStringLiteral("Done."));
    m_view.SetCurrentTrack(QStringLiteral("Done."));
    m_produced << m_itemPath;
    g_ltmrUpToItemSecs += g_ltmrItemSecs;
    g_lCurrentRow += 1;
    // An abort asked for while this item was finishing stops the run here.
    if (m_abortRequested) {
        AbortedEnd();
        return;
    }
    ConvertTracks();
}

void BatchRun::Job_Error(qint32 code, const QString& description) {
    if (!m_running) return;
    ++m_failed;
    g_bBatchError = true;
    const QString text = QStringLiteral("Error: ") + description + u'(' + QString::number(code) + u')';
    m_view.LogLine(text);
    if (m_policy.errorToLabel) {
        m_view.SetCurrentTrack(text);
        m_view.SetCaption(text);
    }
    g_lCurrentRow += 1;
    if (m_abortRequested) {
        AbortedEnd();
        return;
    }
    ConvertTracks();
    if (m_policy.busyPointer) m_view.SetBusyPointer(false);
}

void BatchRun::Job_Aborted() {
    if (!m_running) return;
    AbortedEnd();
}

void BatchRun::AbortedEnd() {
    m_running = false;
    m_abortRequested = false;
    m_view.SetRunning(false);
    m_view.LogLine(QStringLiteral("Aborted."));
    m_view.SetCurrentTrack(QStringLiteral("Aborted."));
    if (m_policy.busyPointer) m_view.SetBusyPointer(false);
    if (m_policy.abortedToCaption) m_view.SetCaption(QStringLiteral("Aborted."));
    emit Finished(Ending::Aborted);
}

void BatchRun::CompletedEnd(qint32 rows) {
    const QString text =
        m_failed > 0 ? QStringLiteral("Done with errors (%1 of %2 failed).").arg(m_failed).arg(m_tried)
                     : QStringLiteral("Done.");
    if (m_policy.completionBalloon) m_end.Balloon(text);
    m_view.SetCurrentTrack(text);
    if (!m_policy.productCaptionAtEnd) m_view.SetCaption(text);
    m_view.SetBusyPointer(false);
    m_view.SetTotalBar((rows - 1) * 100 + 100);
    m_view.SetCurrentBar(100);
    m_timer.stop();
    if (m_policy.endEvents) DoEndEvents();
    emit Finished(Ending::Completed);
}

void BatchRun::CancelledEnd() {
    m_view.SetBusyPointer(false);
    m_view.SetCurrentTrack(QStringLiteral("Aborted."));
    m_view.SetCaption(QStringLiteral("Aborted."));
    m_end.Balloon(QStringLiteral("Aborted."));
    emit Finished(Ending::Cancelled);
}

void BatchRun::DoEndEvents() {
    if (m_view.EndEventChecked(BOX_PLAY_SOUND)) m_end.PlaySound(settings::g_sPlayAtEnd);
    if (m_view.EndEventChecked(BOX_OPEN_DEST_FOLDER)) m_end.OpenFolder(m_destFolder + m_underFolder);
    if (m_view.EndEventChecked(BOX_NOTICE_APP)) m_end.RunNoticApp();
    for (const ExtraEndStep& step : m_policy.extraEndSteps)
        if (step.run && m_view.EndEventChecked(step.box)) step.run();
    // Never after a failed item: the user has to see what went wrong.
    if (!g_bBatchError && m_view.EndEventChecked(BOX_TURN_OFF)) m_end.TurnOffCountdown(30);
}

void BatchRun::Timer1_Timer() {
    // The run's seconds come from its clock, so late or missed ticks do not make the estimate drift.
    g_ltmrSces = static_cast<qint32>(1 + (ClockMs() - m_runStartMs) / 1000);
    const qint64 left =
        TimeLeftSeconds(g_ltmrSces, g_ltmrCurItemSecs, g_ltmrUpToItemSecs, g_ltmrItemSecsTotal);
    if (left == 0) return;
    m_view.SetTimeLeft(TimeLeftText(left));
    if (!m_running) {
        m_timer.stop();
        m_view.SetTimeLeft(TimeLeftText(0));
    }
}

void BatchRun::cmdAbort_Click() {
    if (!m_running) return;
    const int answer =
        core::services().msgBox(m_view.PromptOwner(), QStringLiteral("Abort operation?") + QString(38, u' '),
                                core::vbYesNo | core::vbInformation, AppTitle());
    if (answer != core::vbYes) return;
    // The run may have ended while the question was open.
    if (!m_running) return;
    m_abortRequested = true;
    m_job.Abort();
    m_end.Balloon(QStringLiteral("Aborted."));
    m_timer.stop();
}

} // namespace conversion
