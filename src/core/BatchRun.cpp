#include "core/BatchRun.h"

#include "core/Services.h"
#include "core/mdlFunctions.h"
#include "core/mdlModes.h"

#include <QDir>
#include <QFileInfo>

#include <chrono>

namespace core {

BatchRun::BatchRun(ItemJob& job, EndActions& endActions, BatchPolicy policy, QObject* parent)
    : Job(endActions, parent), m_job(job), m_policy(std::move(policy)) {
    m_timer.setObjectName(QStringLiteral("Timer1"));
    m_timer.setInterval(1000);
    connect(&m_timer, &QTimer::timeout, this, &BatchRun::Timer1_Timer);
    connect(&m_job, &ItemJob::Progress, this, &BatchRun::Job_Progress);
    connect(&m_job, &ItemJob::Done, this, &BatchRun::Job_Done);
    connect(&m_job, &ItemJob::Error, this, &BatchRun::Job_Error);
    connect(&m_job, &ItemJob::Aborted, this, &BatchRun::Job_Aborted);
    connect(&m_job, &ItemJob::Note, this, [this](const QString& text) {
        if (IsRunning()) emit LogLine(text);
    });
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

bool BatchRun::Start(const BatchRequest& request) {
    if (IsRunning()) return false;
    // A run without a destination or a name template would write beside the
    // program or into names made of nothing; it is refused before it starts.
    const QString dest = request.destination.trimmed();
    if (dest.isEmpty()) {
        Ask(QStringLiteral("Please choose the destination folder."), vbInformation, g_sProductName);
        return false;
    }
    if (!m_policy.outputName && request.fileNameTemplate.trimmed().isEmpty()) {
        Ask(QStringLiteral("Please choose the file name format."), vbInformation, g_sProductName);
        return false;
    }
    // Without a format there is no extension for the names ("[dest_extension]"
    // would stay in them) and nothing to hand the component. (A window whose
    // items keep their own extensions names each one itself.)
    if (!request.output.destExtension && !m_policy.destExtensionFor) {
        Ask(QStringLiteral("Please choose the audio format."), vbInformation, g_sProductName);
        return false;
    }

    m_request = request;
    emit LogSeparator();
    m_destFolder = WithClosingSlash(dest);
    m_underFolder = GetUnderFolder(request.createSubFolder, request.subFolderName);

    const QString& runVerb = m_policy.runVerb.isEmpty() ? m_policy.verb : m_policy.runVerb;
    emit LogLine(m_policy.preparingLine ? m_policy.preparingLine()
                                        : QStringLiteral("Preparing to ") + runVerb + QStringLiteral(": ") +
                                              QString::number(RowCount()) + QStringLiteral(" tracks."));

    // The output format and its settings, once per run.
    m_output = request.output;
    m_job.BeginRun(m_output.settings);
    emit LogLine(m_output.logLine);
    if (m_policy.onRunStart) m_policy.onRunStart();

    if (request.createSubFolder) {
        QString folder = m_destFolder + m_underFolder;
        folder.chop(1);
        CreateFolderTree(folder); // a failure shows as the items' errors
    }

    g_lCurrentRow = 1;
    g_bBatchError = false;
    m_failed = 0;
    m_tried = 0;
    m_abortRequested = false;
    m_runPaths.clear();
    m_produced.clear();
    if (m_policy.resetFinishedSecondsAtStart) g_ltmrUpToItemSecs = 0;
    emit ShowLog();
    g_ltmrSces = 1;
    m_runStartMs = ClockMs();
    ConvertTracks();
    return true;
}

void BatchRun::ConvertTracks() {
    const qint32 n = RowCount();
    SetTotalBarMax(n * 100);
    SetRunning(true);
    // One timer for the whole run: restarting it for each item would put its
    // next tick off again and again, and items shorter than a second would never show a time.
    if (!m_timer.isActive()) m_timer.start();

    qint32 r = kStarted;
    for (qint32 i = g_lCurrentRow; i <= n; ++i) {
        g_lCurrentRow = i;
        if (m_policy.markedRowsOnly && !Row(i).marked) continue;
        if (!m_policy.quietDisplay) SetBusy(true);
        r = ConvertTask(i);
        if (r == kStarted) return; // the run goes on in the job's events
        if (r == kCancelled) {
            emit LogLine(QStringLiteral("Aborted."));
            break;
        }
        if (r == kSkipped && m_policy.noEndsRun) {
            r = kCancelled;
            break;
        }
        // skipped, or failed before it started: on with the next row
    }

    SetRunning(false);
    if (m_policy.quietDisplay) {
        emit Caption(AppTitle());
        emit TimeLeft(TimeLeftText(0));
    }
    // A run that ends after a skipped or failed item has still walked every row.
    if (r == kCancelled)
        CancelledEnd();
    else
        CompletedEnd(n);
}

TagContext BatchRun::TagContextOf(qint32 row) const {
    TagContext t;
    t.now = services().now();
    t.locale = services().locale();
    t.trackNum = QString::number(row);
    t.productName = g_sProductName;
    t.productVersion = g_sProductVersion;
    if (m_policy.tags == BatchPolicy::Tags::Full) {
        const QString& file = Row(row).file;
        t.sourceName = file.mid(file.lastIndexOf(u'/') + 1);
        t.itemName = Row(row).itemName;
        t.range = Row(row).rangeText;
    }
    return t;
}

qint32 BatchRun::ConvertTask(qint32 lRow) {
    const BatchItem& row = Row(lRow);
    FileNameContext nameCtx;
    nameCtx.row = lRow;
    nameCtx.sourcePath = row.file;
    nameCtx.itemName = row.itemName;
    nameCtx.destExtension =
        m_policy.destExtensionFor ? m_policy.destExtensionFor(row.file) : m_output.destExtension;
    nameCtx.now = services().now();
    nameCtx.locale = services().locale();
    const QString name = m_policy.outputName ? m_policy.outputName(lRow)
                                             : CreateDestFileName(m_request.fileNameTemplate, nameCtx);

    emit SelectRow(lRow);
    if (row.seconds) g_ltmrItemSecs = *row.seconds;
    g_ltmrCurItemSecs = 0;

    ItemRequest item;
    item.row = lRow;
    if (m_policy.tags != BatchPolicy::Tags::None) item.tags = SetID3Tags(row.tags, TagContextOf(lRow));

    item.source = row.file;
    const QString label = item.source.mid(item.source.lastIndexOf(u'/') + 1);
    emit CurrentTask(label);
    emit FilesLabel(QStringLiteral("Files: %1/%2").arg(lRow).arg(RowCount()));
    emit LogLine(QStringLiteral("Start to ") + m_policy.verb + QStringLiteral(": ") + label +
                 QStringLiteral("..."));

    const std::optional<QString> joined = JoinOutputPath(m_destFolder, m_underFolder, name);
    if (!joined) {
        FailItem(2, QStringLiteral("The file name '") + name + QStringLiteral("' cannot be used."));
        return kFailed;
    }
    {
        const QStringList levels = (m_underFolder + name).split(u'/');
        for (qsizetype i = 0; i < levels.size(); ++i) {
            if (!PathLevelIsCut(levels.at(i), i == levels.size() - 1)) continue;
            emit LogLine(QStringLiteral("The name is too long for the file system and was shortened: ") +
                         *joined);
            break;
        }
    }
    // Two items of one run that come out with the same name keep both outputs.
    const QString path = UniqueOutputPath(
        *joined, [this](const QString& p) { return m_runPaths.contains(QDir::cleanPath(p)); });
    if (IsSameFile(item.source, path)) {
        FailItem(2, QStringLiteral("The destination is the source file itself."));
        return kFailed;
    }

    if (!m_request.overwrite) {
        const QFileInfo existing(path);
        if (existing.exists() && !existing.isDir()) {
            emit LogLine(QStringLiteral("File already exists."));
            const int answer = Ask(QStringLiteral("The file: '") + path +
                                       QStringLiteral("' already exists.\r\n\r\nOverwrite it?"),
                                   vbYesNoCancel | vbInformation, AppTitle());
            if (answer == vbNo) return kSkipped;
            if (answer != vbYes) return kCancelled;
            emit LogLine(QStringLiteral("Overwrite it..."));
        }
    }

    item.ranged = row.ranged;
    if (row.ranged) {
        item.rangeStart = row.rangeStart;
        item.rangeLength = row.rangeLength;
    }
    item.destination = path;
    m_runPaths.insert(QDir::cleanPath(path));
    m_itemPath = path;
    ++m_tried;
    m_job.StartItem(item);
    return kStarted;
}

void BatchRun::ShowError(const QString& text) {
    emit LogLine(text);
    if (!m_policy.quietDisplay) {
        emit CurrentTask(text);
        emit Caption(text);
    }
}

void BatchRun::FailItem(qint32 code, const QString& description) {
    ++m_tried;
    ++m_failed;
    g_bBatchError = true;
    ShowError(QStringLiteral("Error: ") + description + u'(' + QString::number(code) + u')');
    if (!m_policy.quietDisplay) SetBusy(false);
}

void BatchRun::Job_Progress(qint32 percent) {
    if (!IsRunning() || percent < 1) return;
    if (!m_policy.quietDisplay) SetBusy(false);
    SetCurrentBar(percent);
    SetTotalBar((g_lCurrentRow - 1) * 100 + percent);
    if (m_policy.quietDisplay)
        emit Caption(AppTitle());
    else
        emit Caption(ProgressCaption(CurrentBar(), TotalBar(), TotalBarMax(), services().locale()));
    g_ltmrCurItemSecs = ItemSecondsAt(percent, g_ltmrItemSecs);
}

void BatchRun::Job_Done() {
    if (!IsRunning()) return;
    emit LogLine(QStringLiteral("Done."));
    emit CurrentTask(QStringLiteral("Done."));
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
    if (!IsRunning()) return;
    ++m_failed;
    g_bBatchError = true;
    ShowError(QStringLiteral("Error: ") + description + u'(' + QString::number(code) + u')');
    g_lCurrentRow += 1;
    if (m_abortRequested) {
        AbortedEnd();
        return;
    }
    ConvertTracks();
    if (!m_policy.quietDisplay) SetBusy(false);
}

void BatchRun::Job_Aborted() {
    if (!IsRunning()) return;
    AbortedEnd();
}

void BatchRun::AbortedEnd() {
    m_abortRequested = false;
    SetRunning(false);
    emit LogLine(QStringLiteral("Aborted."));
    emit CurrentTask(QStringLiteral("Aborted."));
    if (!m_policy.quietDisplay) {
        SetBusy(false);
        emit Caption(QStringLiteral("Aborted."));
    }
    Conclude(Ending::Aborted, false);
}

void BatchRun::Conclude(Ending ending, bool success) {
    m_ending = ending;
    emit Ended(ending);
    Finish(success);
}

void BatchRun::SetBusy(bool busy) {
    if (m_policy.hourglass) emit Busy(busy);
}

void BatchRun::CompletedEnd(qint32 rows) {
    const QString text =
        m_failed > 0 ? QStringLiteral("Done with errors (%1 of %2 failed).").arg(m_failed).arg(m_tried)
                     : QStringLiteral("Done.");
    if (m_policy.completionBalloon) EndOfJobActions().Balloon(text);
    const QString shown = m_policy.doneCountsFailures ? text : QStringLiteral("Done.");
    emit CurrentTask(shown);
    if (!m_policy.quietDisplay) emit Caption(shown);
    SetBusy(false);
    SetTotalBar((rows - 1) * 100 + 100);
    SetCurrentBar(100);
    m_timer.stop();
    // A run in which every item tried failed has made nothing: no sound, no
    // folder, no program, and it has not ended well.
    const bool madeNothing = m_tried > 0 && m_failed == m_tried;
    if (m_policy.endEvents && !madeNothing) DoEndEvents();
    Conclude(Ending::Completed, !madeNothing);
}

void BatchRun::CancelledEnd() {
    SetBusy(false);
    emit CurrentTask(QStringLiteral("Aborted."));
    emit Caption(QStringLiteral("Aborted."));
    EndOfJobActions().Balloon(QStringLiteral("Aborted."));
    Conclude(Ending::Cancelled, false);
}

void BatchRun::DoEndEvents() {
    RunEndActions(EndOfJobActions(),
                  EndOfJob{m_destFolder + m_underFolder, m_policy.extraEndSteps, g_bBatchError});
}

void BatchRun::Timer1_Timer() {
    // The run's seconds come from its clock, so late or missed ticks do not make the estimate drift.
    g_ltmrSces = static_cast<qint32>(1 + (ClockMs() - m_runStartMs) / 1000);
    const qint64 left =
        TimeLeftSeconds(g_ltmrSces, g_ltmrCurItemSecs, g_ltmrUpToItemSecs, g_ltmrItemSecsTotal);
    if (left == 0) return;
    emit TimeLeft(TimeLeftText(left));
    if (!IsRunning()) {
        m_timer.stop();
        emit TimeLeft(TimeLeftText(0));
    }
}

void BatchRun::Abort() {
    if (!IsRunning()) return;
    m_abortRequested = true;
    m_job.Abort();
    m_timer.stop();
}

} // namespace core
