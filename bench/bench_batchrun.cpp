// Converting WAV files to MP3 128 kbps through the batch run (the run
// controller driving the converter item by item, as the Audio Converter
// does), against the ffmpeg command line converting the same files one after
// another with the same settings; and the longest pause of the GUI thread
// during the run, seen by a 1 ms timer.
// Usage: bench_batchrun [file count, default 20] [seconds per file, default 60]
#include "BenchSupport.h"
#include "core/BatchRun.h"
#include "core/ConverterItemJob.h"
#include "itemlists/BatchItems.h"
#include "itemlists/ItemRows.h"
#include "settings/EncoderSettings.h"
#include "settings/RunOutput.h"

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

// End-of-job actions that do nothing: no box is ticked.
class NoEndActions : public core::EndActions {
public:
    bool Wanted(const QString&) const override { return false; }
    void PlaySound() override {}
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
    core::BatchRequest request;
    request.overwrite = true;
    request.fileNameTemplate = QStringLiteral("[file_name].[dest_extension]");
    const QStringList sources = bench::MakeWavTones("bench_batchrun", QDir(dir.path()), count, seconds);
    if (sources.isEmpty()) return 1;
    for (const QString& p : sources) {
        QHash<QString, QString> row;
        row[itemlists::COL_FILE] = p;
        row[itemlists::COL_ITEM_NAME] = QFileInfo(p).fileName();
        row[itemlists::COL_TIME] = itemlists::FormatTwoDigitTime(seconds);
        row[itemlists::COL_RANGE_ALL] = QStringLiteral("1");
        row[itemlists::COL_TAG_TITLE] = QStringLiteral("Item [TRACK_NUM]");
        request.rows << itemlists::BatchItemFromCells([&row](const QString& key) { return row.value(key); },
                                                      itemlists::ICON_MARKED);
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
    request.destination = dir.filePath("batch");
    request.output = settings::OutputForFormat(QStringLiteral("MP3 - MPEG-1 Audio Layer 3 (*.mp3)"));
    core::ConverterItemJob job;
    NoEndActions end;
    core::BatchRun run(job, end);
    int errors = 0;
    QObject::connect(&run, &core::Job::LogLine, [&errors](const QString& text) {
        if (text.startsWith(QLatin1String("Error: "))) {
            ++errors;
            std::fprintf(stderr, "bench_batchrun: %s\n", qPrintable(text));
        }
    });
    run.g_ltmrItemSecsTotal = count * seconds;

    QEventLoop loop;
    QObject::connect(&run, &core::BatchRun::Ended, &loop, &QEventLoop::quit);

    bench::StallProbe probe;
    const double batchSeconds = bench::TimeLoop(loop, probe, [&run, &request] { run.Start(request); });
    bench::ReportAgainstCli("batch run", "batch run", batchSeconds, QDir(dir.filePath("batch")), cliSeconds,
                            QDir(dir.filePath("cli")), probe, errors);
    return errors ? 1 : 0;
}
