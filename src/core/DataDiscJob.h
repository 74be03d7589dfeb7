// The data-disc burner's work ("MP3 CD Maker", "WMA CD Maker") as one job:
// the preparation, a batch run over DataPrepJob that converts (or copies) the
// marked items into the temporary folder, then, after "Burn CD?", the burn of
// exactly the files that run produced (DataBurnJob), then the end-of-job
// events after a burn that finished well. Both are its stages
// (Job::ConnectSubJob); the window starts and shows this job only.
//
// Start(request) is its start; Finished(success) follows once, success only
// for a burn that finished well.
#pragma once

#include "components/cAudioDataBurner.h"
#include "components/cBurner.h"
#include "core/BatchRun.h"
#include "core/DataBurnJob.h"
#include "core/Job.h"

#include <QString>

namespace core {

// The end-of-job box of this window besides the frame's four and "Eject the CD door".
inline const QString BOX_ERASE_TEMP = QStringLiteral("chkEraseTempfiles");

class DataDiscJob : public Job {
    Q_OBJECT
public:
    // `prep` is the window's batch run (its time-left counters are the
    // window's); it, the engines and `choices` must outlive the job.
    DataDiscJob(BatchRun& prep, components::cAudioDataBurner& first, components::cBurner& second,
                EndActions& end, DataBurnChoices choices, QObject* parent = nullptr);

    BatchRun& Prep() { return m_prep; }
    DataBurnJob& BurnStage() { return m_burn; }

    // The Burn button with the window's request (its destination the
    // temporary folder). False when nothing was started: already running, the
    // first engine's writer not ready or not empty (said in the log and
    // asked about), or the preparation refused.
    bool Start(const BatchRequest& request);
    void Abort() override;
    void DoEndEvents();

private:
    void PrepEnded();
    void BurnSucceeded();

    BatchRun& m_prep;
    components::cAudioDataBurner& m_first;
    DataBurnChoices m_choices;
    DataBurnJob m_burn;
};

} // namespace core
