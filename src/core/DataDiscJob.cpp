#include "core/DataDiscJob.h"

#include "components/DriveRegistry.h"
#include "core/Services.h"
#include "core/mdlFunctions.h"
#include "core/mdlModes.h"

namespace core {

DataDiscJob::DataDiscJob(BatchRun& prep, components::cAudioDataBurner& first, components::cBurner& second,
                         EndActions& end, DataBurnChoices choices, QObject* parent)
    : Job(end, parent), m_prep(prep), m_first(first), m_choices(std::move(choices)),
      m_burn(first, second, end, m_choices) {
    // Only a preparation that walked every row goes on to the burn, also
    // when every item failed (the burn then has nothing to take).
    ConnectSubJob(
        m_prep, [this] { PrepEnded(); },
        [this] {
            if (m_prep.LastEnding() == BatchRun::Ending::Completed)
                PrepEnded();
            else
                End(false);
        });
    ConnectSubJob(m_burn, [this] { BurnSucceeded(); });
}

bool DataDiscJob::Start(const BatchRequest& request) {
    if (IsRunning()) return false;
    SetCurrentBar(0);
    SetTotalBar(0);
    if (m_choices.engine && m_choices.engine() == 0) {
        const QString letter = m_burn.DriveLetter();
        const QString drive = m_choices.writerEntry ? m_choices.writerEntry().left(2) : QString();
        auto refuse = [&](const QString& why) {
            emit LogSeparator();
            emit LogLine(QStringLiteral("Preparing to burn: %1 tracks.").arg(request.rows.size()));
            emit LogLine(QStringLiteral("The CD drive '") + drive + QStringLiteral("' is ") + why);
            Ask(QStringLiteral("Please insert an empty media into drive: ") + drive, vbOKOnly | vbInformation,
                AppTitle());
            emit LogLine(QStringLiteral("Aborted."));
            return false;
        };
        if (!m_first.IsDriveReady(letter)) return refuse(QStringLiteral("not ready."));
        if (!m_first.IsDiscEmpty(letter)) return refuse(QStringLiteral("not empty."));
    }
    // Every job starts from an empty folder: only its own files are burned.
    if (m_choices.eraseTempFiles) m_choices.eraseTempFiles();
    CreateFolderTree(request.destination); // a failure shows as the items' errors
    return m_prep.Start(request);
}

void DataDiscJob::PrepEnded() {
    SetTotalBar(0);
    // Only what this run produced is burned; a run that produced nothing is
    // not asked about, the burn says there is nothing to burn.
    const QStringList produced = m_prep.Produced();
    if (!produced.isEmpty() &&
        Ask(QStringLiteral("Burn CD?") + QString(46, u' '), vbOKCancel, AppTitle()) != vbOK) {
        End(false);
        return;
    }
    if (!m_burn.Burn(produced)) End(false);
}

void DataDiscJob::BurnSucceeded() {
    SetRunning(false);
    DoEndEvents();
    Finish(true);
}

void DataDiscJob::Abort() {
    if (IsRunning()) AbortSubJobs();
}

void DataDiscJob::DoEndEvents() {
    const QString letter = m_burn.DriveLetter();
    EndOfJob end;
    // The disc's drive, as its folder: nothing to open without a writer.
    if (!letter.isEmpty()) end.folder = components::DriveRegistry::localPath(letter + QStringLiteral(":/"));
    end.failures = m_prep.g_bBatchError;
    end.extraSteps = {ExtraEndStep{BOX_ERASE_TEMP,
                                   [this] {
                                       emit LogLine(QStringLiteral("Erase temp files..."));
                                       if (m_choices.eraseTempFiles) m_choices.eraseTempFiles();
                                   },
                                   true},
                      ExtraEndStep{BOX_OPEN_CD_DRIVE,
                                   [this, letter] {
                                       if (!letter.isEmpty()) m_first.OpenTray(letter);
                                   },
                                   true}};
    RunEndActions(EndOfJobActions(), end);
    const QString text = m_prep.FailedCount() > 0 ? QStringLiteral("Done with errors (%1 of %2 failed).")
                                                        .arg(m_prep.FailedCount())
                                                        .arg(m_prep.TriedCount())
                                                  : QStringLiteral("Done.");
    EndOfJobActions().Balloon(text);
    Step(text);
}

} // namespace core
