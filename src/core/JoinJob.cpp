#include "core/JoinJob.h"

#include "core/BatchTemplates.h"
#include "core/Services.h"
#include "core/mdlFunctions.h"
#include "core/mdlModes.h"

#include <QFileInfo>

namespace core {

QString CreateJoinedFileName(const QString& nameTemplate, const QString& targetFormatText,
                             const QDateTime& now, const QLocale& locale) {
    QString name = nameTemplate;
    const qsizetype dot = nameTemplate.lastIndexOf(u'.');
    const QString sourceExtension = dot < 0 ? QString() : nameTemplate.mid(dot + 1).toLower();
    name.replace(QStringLiteral("[source_extension]"), CleanFileNameValue(sourceExtension));
    const qsizetype dash = targetFormatText.indexOf(QStringLiteral(" -"));
    const QString destExtension = (dash < 0 ? targetFormatText : targetFormatText.left(dash)).toLower();
    name.replace(QStringLiteral("[dest_extension]"), CleanFileNameValue(destExtension));
    name.replace(QStringLiteral("[time]"),
                 now.time().toString(QStringLiteral("HH:mm:ss")).replace(u':', u'-'));
    const QString date = locale.toString(now.date(), QLocale::ShortFormat).replace(u'/', u'-');
    name.replace(QStringLiteral("[date]"), CleanFileNameValue(date));
    return name;
}

JoinJob::JoinJob(components::cAudioJoin& joiner, EndActions& end, QObject* parent)
    : Job(end, parent), m_joiner(joiner) {
    using J = components::cAudioJoin;
    connect(&m_joiner, &J::Progress, this, &JoinJob::cAudioJoin1_Progress);
    connect(&m_joiner, &J::Done, this, &JoinJob::cAudioJoin1_Done);
    connect(&m_joiner, &J::Error, this, &JoinJob::cAudioJoin1_Error);
    connect(&m_joiner, &J::Aborted, this, &JoinJob::cAudioJoin1_Aborted);
}

bool JoinJob::Start(const JoinRequest& request) {
    if (IsRunning()) return false;
    m_request = request;
    emit LogSeparator();
    emit LogLine(QStringLiteral("Preparing to join: ") + QString::number(RowCount()) +
                 QStringLiteral(" tracks."));
    g_bBatchError = false;
    emit ShowLog();

    // The output format and its settings.
    ApplyOutputSettings(m_joiner, request.output.settings);
    emit LogLine(request.output.logLine);

    m_destFolder = WithClosingSlash(request.destination.trimmed());
    m_underFolder = GetUnderFolder(request.createSubFolder, request.subFolderName);
    if (request.createSubFolder) {
        QString folder = m_destFolder + m_underFolder;
        folder.chop(1);
        CreateFolderTree(folder); // a failure shows as the join's error
    }
    return JoinFiles();
}

bool JoinJob::JoinFiles() {
    const QString name = CreateJoinedFileName(m_request.nameTemplate, m_request.targetFormatText,
                                              services().now(), services().locale());

    // The tags of the first row, with the short set of tokens.
    if (!m_request.rows.isEmpty()) {
        TagContext tags;
        tags.now = services().now();
        tags.locale = services().locale();
        tags.trackNum = QStringLiteral("1");
        tags.productName = g_sProductName;
        tags.productVersion = g_sProductVersion;
        ApplyTags(m_joiner, SetID3Tags(m_request.rows.first().tags, tags));
    }

    for (qint32 n = m_joiner.FileCount(); n > 0; --n)
        m_joiner.RemoveFile(1);
    // A range is a start and a length of at least a second; a range the row
    // holds no numbers for joins the whole item.
    for (const BatchItem& row : m_request.rows) {
        if (row.ranged && row.rangeLength >= 1)
            m_joiner.AddFile(row.file, row.rangeStart, row.rangeLength);
        else
            m_joiner.AddFile(row.file, -1, -1);
    }

    const std::optional<QString> path = m_request.destination.trimmed().isEmpty()
                                            ? std::nullopt
                                            : JoinOutputPath(m_destFolder, m_underFolder, name);
    if (!path) {
        Fail(components::cAudioJoin::ErrDestination,
             QStringLiteral("The file name '") + name + QStringLiteral("' cannot be used."));
        return false;
    }
    for (const BatchItem& row : m_request.rows)
        if (IsSameFile(row.file, *path)) {
            Fail(components::cAudioJoin::ErrDestination,
                 QStringLiteral("The joined file would replace one of the files to join: ") + *path);
            return false;
        }
    if (QFileInfo::exists(*path)) {
        emit LogLine(QStringLiteral("File already exists."));
        const int answer = Ask(QStringLiteral("The file: '") + *path +
                                   QStringLiteral("' already exists.\r\n\r\nOverwrite it?"),
                               vbYesNoCancel | vbInformation, AppTitle());
        if (answer != vbYes) return false;
        emit LogLine(QStringLiteral("Overwrite it..."));
    }

    m_outputPath = *path;
    m_joiner.setDestinationFile(*path);
    SetTotalBarMax(RowCount() * 100);
    SetRunning(true);
    emit CurrentTask(QStringLiteral("Processing..."));
    m_joiner.StartJoin();
    return true;
}

void JoinJob::Fail(qint32 code, const QString& description) {
    g_bBatchError = true;
    emit LogLine(QStringLiteral("Error: ") + description + u'(' + QString::number(code) + u')');
}

void JoinJob::cAudioJoin1_Progress(qint32 index, qint32 percent) {
    if (!IsRunning() || percent < 1) return;
    SetCurrentBar(percent);
    SetTotalBar((index - 1) * 100 + percent);
    emit FilesLabel(QStringLiteral("Files: ") + QString::number(index) + u'/' + QString::number(RowCount()));
    emit Caption(AppTitle());
    if (index != g_lLastFileIndex) {
        g_lLastFileIndex = index;
        qint32 start = 0, length = 0;
        emit LogLine(QStringLiteral("Add ") + GetFileName(m_joiner.GetFile(index, start, length)) +
                     QStringLiteral("..."));
    }
}

void JoinJob::cAudioJoin1_Done() {
    if (!IsRunning()) return;
    EndOfJobActions().Balloon(QStringLiteral("Done."));
    emit CurrentTask(QStringLiteral("Done."));
    SetRunning(false);
    DoEndEvents();
    emit LogLine(QStringLiteral("Done."));
    SetCurrentBar(100);
    SetTotalBar((RowCount() - 1) * 100 + 100);
    Finish(true);
}

void JoinJob::cAudioJoin1_Error(qint32 code, const QString& description) {
    if (!IsRunning()) return;
    Fail(code, description);
    SetRunning(false);
    Finish(false);
}

void JoinJob::cAudioJoin1_Aborted() {
    if (!IsRunning()) return;
    SetRunning(false);
    emit LogLine(QStringLiteral("Aborted."));
    emit CurrentTask(QStringLiteral("Aborted."));
    Finish(false);
}

void JoinJob::Abort() {
    if (!IsRunning()) return;
    m_joiner.Abort();
    m_joiner.Cleanup();
}

void JoinJob::DoEndEvents() {
    RunEndActions(EndOfJobActions(), EndOfJob{m_destFolder + m_underFolder, {}, g_bBatchError});
}

} // namespace core
