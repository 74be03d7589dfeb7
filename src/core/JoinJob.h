// The join of the Audio Joiner as a job: the "Join" button (the rows handed
// to the joiner component with their ranges, the output named from its
// template, the overwrite question), the joiner's events in the log, the
// labels and the bars, Abort, and the end-of-job events. The joiner joins
// every item in one call, so this job has no item step of its own.
//
// Only a join that ends with the component's Done runs the end-of-job
// events and finishes with success; an error or an abort ends it without
// them, and the component leaves no output then.
#pragma once

#include "components/cAudioJoin.h"
#include "core/BatchRun.h"
#include "core/Job.h"

#include <QDateTime>
#include <QList>
#include <QLocale>
#include <QString>

namespace core {

// What the window hands the join when it starts.
struct JoinRequest {
    QList<BatchItem> rows; // in list order; row 1's tags go into the output
    QString destination;   // as typed
    bool createSubFolder = false;
    QString subFolderName;
    QString nameTemplate;     // txtJoinedFileName
    QString targetFormatText; // cboTargetFormat
    RunOutput output;
};

// The joined file's name: "[source_extension]" (the lower-cased text after
// the template's own last "."), "[dest_extension]" (the target format's
// code in lower case), "[time]" ("HH-MM-SS") and "[date]" (the short date
// with "-" for "/"), each occurrence, case-sensitive, in this order; the rest
// of the template stays as typed.
QString CreateJoinedFileName(const QString& nameTemplate, const QString& targetFormatText,
                             const QDateTime& now, const QLocale& locale);

class JoinJob : public Job {
    Q_OBJECT
public:
    JoinJob(components::cAudioJoin& joiner, EndActions& end, QObject* parent = nullptr);

    // The window state, by its own names.
    bool g_bBatchError = false;
    qint32 g_lLastFileIndex = 0;

    // The Join button. False when no join was started (a refused output
    // name, an output that is one of the inputs, No or Cancel at the
    // overwrite question); no Finished follows then.
    bool Start(const JoinRequest& request);
    // Fills the component and starts it (the rest of Start).
    bool JoinFiles();
    // Stops the join; the component removes its partial output.
    void Abort() override;
    void DoEndEvents();
    // The joined file of the current (or last) join.
    QString OutputPath() const { return m_outputPath; }

public slots:
    void cAudioJoin1_Progress(qint32 index, qint32 percent);
    void cAudioJoin1_Done();
    void cAudioJoin1_Error(qint32 code, const QString& description);
    void cAudioJoin1_Aborted();

private:
    void Fail(qint32 code, const QString& description);
    qint32 RowCount() const { return qint32(m_request.rows.size()); }

    components::cAudioJoin& m_joiner;
    JoinRequest m_request;
    QString m_destFolder; // with its closing "/"
    QString m_underFolder;
    QString m_outputPath;
};

} // namespace core
