// The Audio CD Duplicator's work as one job: every track of the source disc
// ripped to a 44,100 Hz 16-bit stereo WAV in the program folder's "duptmp/"
// ("1.wav", "2.wav", ...), then those files burned disc-at-once to a blank
// disc in the writer, after asking for one as long as the writer holds none.
//
// The ripped files are kept until a burn succeeds (then they are deleted) or
// the window closes: a burn that failed, was cancelled or was aborted can be
// tried again without ripping the disc a second time, also when the source
// disc has been taken out to make room for the blank one in the same drive.
// Only "Done." is reported for a burn that finished well.
//
// Temporary files are only ever deleted in the program folder's "duptmp/",
// which the job works out itself; links there are removed, never followed.
#pragma once

#include "components/cAudioBurner.h"
#include "components/cAudioCDRipper.h"
#include "core/AudioBurnJob.h"
#include "core/BatchRun.h"
#include "core/Job.h"
#include "core/RipperItemJob.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <utility>

namespace core {

// The program folder's "duptmp/" (with its closing "/").
QString DuplicatorTempFolder();
// The temporary file of a track: "[123].wav" made of its number ("1.wav").
QString DuplicatorTrackFile(qint32 track);
// Deletes what `folder` holds directly: ordinary files and links (the link,
// not what it points to); sub-folders stay. The folder must be the program
// folder's "duptmp/" or lie inside it; anything else is left alone.
void DeleteTempFiles(const QString& folder);
// The files of the list that exist and hold data, in list order: the tracks a
// burn takes (a track that failed to rip has no file).
QStringList FilesToBurn(const QStringList& tempFiles);

// What the job reads of the window when it starts or burns.
struct DuplicateChoices {
    std::function<qint32()> sourceDevice; // the source drive's position in cboDevices
    std::function<QString()> writerEntry; // the selected cboDrv text ("" when none)
    std::function<qint32()> speed;        // the selected cboSpeed item value
    std::function<void()> openDestCD;     // cmdOpenDestCD_Click
};

// The job is the rip, a batch run of the ripper's item job with the
// duplicator's policy, followed by the burn, an AudioBurnJob in the copy's
// style; both are its stages (Job::ConnectSubJob).
class DuplicateJob : public Job {
    Q_OBJECT
public:
    // The ripper and the burner stay the window's; they must outlive the job.
    DuplicateJob(components::cAudioCDRipper& ripper, components::cAudioBurner& burner, EndActions& end,
                 DuplicateChoices choices, QObject* parent = nullptr);

    // The window state, by its own names.
    bool g_bBatchError = false;
    qint32 g_lCurrentRow = 0;

    // The temporary files of this run, one per track started.
    const QStringList& TempFiles() const { return m_tempFiles; }
    // Files of a complete rip that no burn has taken yet ("Duplicate" burns
    // them without ripping again unless another audio CD is in the source drive).
    bool HasKeptRips() const { return !m_keptRips.isEmpty(); }

    // "Duplicate". False when nothing was started (already running).
    bool Start();
    void Abort() override;
    // The end-of-job events of a burn that finished well.
    void DoEndEvents();

signals:
    // The track being ripped (the window selects its row).
    void SelectRow(qint32 row);
    // The files the burn takes, in track order (the window lists them).
    void TracksToBurn(const QStringList& files);

private:
    using Toc = QList<std::pair<qint32, qint32>>; // start sector and length of each track
    Toc SourceToc();
    BatchPolicy RipPolicy();
    void RipStarted(qint32 row);
    void RipEnded();
    void ShowError(const QString& text);
    void BurnStage();
    void BurnSucceeded();
    QString WriterLetter() const;

    components::cAudioCDRipper& m_ripper;
    components::cAudioBurner& m_burner;
    DuplicateChoices m_choices;
    RipperItemJob m_ripItem;
    BatchRun m_rip;
    AudioBurnJob m_burn;
    QString m_tempFolder;
    qint32 m_device = 0;
    qint32 m_rows = 0;
    qint32 m_failed = 0;
    QStringList m_tempFiles;
    QStringList m_keptRips; // complete rip waiting for a burn
    Toc m_keptToc;
    qint32 m_keptFailed = 0;
    qint32 m_keptRows = 0;
};

} // namespace core
