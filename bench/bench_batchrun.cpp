// Converting WAV files to MP3 128 kbps through the batch run (the run
// controller driving the converter item by item, as the Audio Converter
// does), against the ffmpeg command line converting the same files one after
// another with the same settings; and the longest pause of the GUI thread
// during the run, seen by a 1 ms timer.
// Usage: bench_batchrun [file count, default 20] [seconds per file, default 60]
#include "BenchSupport.h"
#include "conversion/BatchRun.h"
#include "conversion/ConverterItemJob.h"
#include "itemlists/ItemRows.h"
#include "settings/EncoderSettings.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

// The window as the run sees it, without widgets: rows and choices in memory.
class BenchView : public conversion::BatchView {
public:
    QList<QHash<QString, QString>> rows;
    QString destination;
    int errors = 0;
    qint32 current = 0, total = 0, totalMax = 0;

    qint32 RowCount() const override { return static_cast<qint32>(rows.size()); }
    QString Cell(qint32 row, const QString& key) const override { return rows.value(row - 1).value(key); }
    qint32 RowMark(qint32) const override { return itemlists::ICON_MARKED; }
    void SelectRow(qint32) override {}
    QString DestinationText() const override { return destination; }
    void SetDestinationText(const QString& text) override { destination = text; }
    void RememberDestination() override {}
    bool CreateSubFolderChecked() const override { return false; }
    QString SubFolderName() const override { return QString(); }
    bool OverwriteChecked() const override { return true; }
    QString FileNameTemplate() const override { return QStringLiteral("[file_name].[dest_extension]"); }
    QString TargetFormatText() const override { return QStringLiteral("MP3 - MPEG-1 Audio Layer 3 (*.mp3)"); }
    bool EndEventChecked(const QString&) const override { return false; }
    void SetRunning(bool) override {}
    void SetBusyPointer(bool) override {}
    void SetCurrentTrack(const QString&) override {}
    void SetFilesToConvert(const QString&) override {}
    void SetTimeLeft(const QString&) override {}
    void SetCaption(const QString&) override {}
    void SetCurrentBar(qint32 v) override { current = v; }
    qint32 CurrentBar() const override { return current; }
    void SetTotalBarMax(qint32 m) override { totalMax = m; }
    qint32 TotalBarMax() const override { return totalMax; }
    void SetTotalBar(qint32 v) override { total = v; }
    qint32 TotalBar() const override { return total; }
    void LogLine(const QString& text) override {
        if (text.startsWith(QLatin1String("Error: "))) {
            ++errors;
            std::fprintf(stderr, "bench_batchrun: %s\n", qPrintable(text));
        }
    }
    void LogRunSeparator() override {}
    void ShowLogPage() override {}
};

class NoEndActions : public conversion::EndActions {
public:
    void PlaySound(const QString&) override {}
    void OpenFolder(const QString&) override {}
    void RunNoticApp() override {}
    void TurnOffCountdown(qint32) override {}
    void Balloon(const QString&) override {}
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int count = bench::CountArg(argc, argv, 1, 20);
    const int seconds = bench::CountArg(argc, argv, 2, 60);

    QTemporaryDir dir;
    if (!dir.isValid()) return 1;
    QDir().mkpath(dir.filePath("batch"));
    QDir().mkpath(dir.filePath("cli"));
    BenchView view;
    const QStringList sources = bench::MakeWavTones("bench_batchrun", QDir(dir.path()), count, seconds);
    if (sources.isEmpty()) return 1;
    for (const QString& p : sources) {
        QHash<QString, QString> row;
        row[itemlists::COL_FILE] = p;
        row[itemlists::COL_ITEM_NAME] = QFileInfo(p).fileName();
        row[itemlists::COL_TIME] = itemlists::FormatTwoDigitTime(seconds);
        row[itemlists::COL_RANGE_ALL] = QStringLiteral("1");
        row[itemlists::COL_TAG_TITLE] = QStringLiteral("Item [TRACK_NUM]");
        view.rows << row;
    }
    std::printf("bench_batchrun: %d WAV files of %d s (44100 Hz, 16-bit stereo) to MP3 128 kbps\n", count,
                seconds);

    const double cliSeconds =
        bench::TimeCliMp3Conversions("bench_batchrun", sources, QDir(dir.filePath("cli")));
    if (cliSeconds < 0) return 1;

    settings::g_lMP3Bitrate = 128;
    settings::g_lMP3SampleRate = 44100;
    settings::g_lMP3Quality = 5;
    settings::g_lMP3Mode = 1; // joint stereo
    settings::g_bMP3VBRTag = false;
    settings::g_bMP3ABR = false;
    view.destination = dir.filePath("batch");
    conversion::ConverterItemJob job;
    NoEndActions end;
    conversion::BatchRun run(job, view, end);
    run.g_ltmrItemSecsTotal = count * seconds;

    QEventLoop loop;
    QObject::connect(&run, &conversion::BatchRun::Finished, &loop, &QEventLoop::quit);

    bench::StallProbe probe;
    const double batchSeconds = bench::TimeLoop(loop, probe, [&run] { run.cmdConvert_Click(); });
    bench::ReportAgainstCli("batch run", "batch run", batchSeconds, QDir(dir.filePath("batch")), cliSeconds,
                            QDir(dir.filePath("cli")), probe, view.errors);
    return view.errors ? 1 : 0;
}
