// Making an MP3 CD, conversion included: WAV items converted to MP3 128 kbps
// by the batch run into the temporary folder and burned as a data disc to a
// virtual drive, as the MP3 CD Maker does; against the ffmpeg command line
// converting the same items one after another with the same settings plus
// xorriso writing the same files to an ISO image, the two taking turns for
// several rounds. The files of both images are taken out again, decoded and
// compared with the sources. Target: ratio at most 1.1.
// Usage: bench_datadisc [item count, default 20] [seconds per item, default 60]
#include "BenchBatchView.h"
#include "BenchSupport.h"
#include "components/DriveRegistry.h"
#include "core/DataDiscJob.h"
#include "core/DataPrepJob.h"
#include "core/Services.h"
#include "settings/EncoderSettings.h"
#include "settings/SettingsVariables.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <cstdio>

namespace {

bool RunXorriso(const QStringList& args) {
    QProcess x;
    x.start("xorriso", args);
    if (!x.waitForFinished(600000) || x.exitStatus() != QProcess::NormalExit || x.exitCode() != 0) {
        std::fprintf(stderr, "bench_datadisc: xorriso failed: %s\n", x.readAllStandardError().constData());
        return false;
    }
    return true;
}

// The files of the ISO image at `iso`, taken out into `folder`, by name.
QStringList FilesOnImage(const QString& iso, const QString& folder) {
    QDir(folder).removeRecursively();
    if (!RunXorriso({"-osirrox", "on", "-indev", iso, "-extract", "/", folder})) return {};
    QStringList files;
    for (const QFileInfo& fi : QDir(folder).entryInfoList(QDir::Files, QDir::Name))
        files << fi.filePath();
    return files;
}

// The questions of the job: OK to each ("Burn CD?").
struct BurnAnswers : core::JobQuestions {
    int Ask(const QString&, int, const QString&) override { return core::vbOK; }
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int count = bench::CountArg(argc, argv, 1, 20);
    const int seconds = bench::CountArg(argc, argv, 2, 60);

    QTemporaryDir dir;
    if (!dir.isValid()) return 1;
    const QString drive = dir.filePath("drive");
    for (const char* sub : {"drive", "tmp", "cli"})
        QDir().mkpath(dir.filePath(sub));
    qputenv("CORVANE_VIRTUAL_DRIVES", drive.toUtf8());
    qputenv("CORVANE_NO_REAL_DRIVES", "1");

    const QStringList sources = bench::MakeWavTones("bench_datadisc", QDir(dir.path()), count, seconds);
    if (sources.isEmpty()) return 1;
    core::BatchRequest request = bench::BenchRequest(sources, seconds);
    std::printf("bench_datadisc: an MP3 CD of %d WAV items of %d s (44100 Hz, 16-bit stereo), MP3 128 kbps\n",
                count, seconds);

    request.output = bench::UseBenchMp3Settings();
    request.destination = dir.filePath("tmp");
    const QDir cli(dir.filePath("cli"));
    const QString cliIso = dir.filePath("cli.iso");
    const QString iso = QDir(drive).filePath("DataCD.iso");

    // The yardstick: ffmpeg one item after another, then xorriso writing the image.
    std::vector<double> cliConverts;
    auto yardstick = [&](int) {
        QFile::remove(cliIso);
        const double convert = bench::TimeCliMp3Conversions("bench_datadisc", sources, cli);
        if (convert < 0) return -1.0;
        QElapsedTimer clock;
        clock.start();
        QStringList args{"-as", "mkisofs", "-J", "-R", "-V", "BENCH", "-o", cliIso};
        for (const QString& f : cli.entryList({"*.mp3"}, QDir::Files))
            args << cli.filePath(f);
        if (!RunXorriso(args)) return -1.0;
        cliConverts.push_back(convert);
        return convert + double(clock.nsecsElapsed()) / 1e9;
    };

    int errors = 0;
    qsizetype produced = 0;
    std::vector<double> stalls;
    auto ours = [&](int) {
        QFile::remove(iso); // a blank disc in the drive for every round
        bench::NoEndActions end;
        core::DataPrepJob job;
        core::BatchPolicy policy;
        policy.endEvents = false;
        policy.completionBalloon = false;
        core::BatchRun run(job, end, policy);
        bench::CountErrors(run, "bench_datadisc", errors);
        run.g_ltmrItemSecsTotal = count * seconds;

        components::cAudioDataBurner first;
        components::cBurner second;
        core::DataBurnChoices choices;
        choices.engine = [] { return 0; };
        choices.writerEntry = [&first] { return first.DeviceName(1); };
        choices.speed = [] { return components::cAudioDataBurner::kMaxSpeed; };
        choices.volumeName = [] { return QStringLiteral("BENCH"); };
        core::DataDiscJob disc(run, first, second, end, choices);
        BurnAnswers answers; // "Burn CD?": OK
        disc.SetQuestions(&answers);

        QEventLoop loop;
        bool burned = false;
        QObject::connect(&run, &core::Job::Finished, &loop, [&] { produced = run.Produced().size(); });
        QObject::connect(&disc, &core::Job::Finished, &loop, [&](bool ok) {
            burned = ok;
            loop.quit();
        });
        QString failure;
        QObject::connect(&first, &components::cAudioDataBurner::Error, &loop,
                         [&](qint32 code, const QString& text) {
                             failure = QStringLiteral("%1 (%2)").arg(text).arg(code);
                         });
        bench::StallProbe probe;
        const double s = bench::TimeLoop(loop, probe, [&] {
            if (!disc.Start(request)) loop.quit();
        });
        stalls.push_back(probe.LongestStallMs());
        if (!burned || errors) {
            std::fprintf(stderr, "bench_datadisc: the disc was not made: %s\n", qPrintable(failure));
            return -1.0;
        }
        return s;
    };
    bench::Turns turns;
    if (!bench::Alternate(bench::Rounds(3), ours, yardstick, &turns)) return 1;

    const double cliConvert = bench::Median(cliConverts);
    std::printf("  ffmpeg CLI, one after another:  %7.2f s (median)\n", cliConvert);
    std::printf("  xorriso to an ISO image:        %7.2f s  (%.1f MB)\n", turns.Peer() - cliConvert,
                double(QFileInfo(cliIso).size()) / 1048576.0);
    std::printf("  MP3 CD to the virtual drive:    %7.2f s  (%.1f MB, %lld files; median)\n", turns.Ours(),
                double(QFileInfo(iso).size()) / 1048576.0, static_cast<long long>(produced));
    std::printf("  longest GUI-thread stall:       %7.1f ms (median)\n", bench::Median(stalls));
    std::printf("  peak memory:                    %7.1f MB\n", bench::MaxRssMb());

    bench::Outcome o;
    o.name = "bench_datadisc";
    o.figure = bench::Secs(turns.Ours());
    o.peer = "ffmpeg + xorriso " + bench::Secs(turns.Peer());
    o.ratio = turns.Ratio();
    o.target = "ratio <= 1.10";
    o.met = o.ratio <= 1.1;
    // Both images hold one MP3 per item, each the sound of its source.
    const QStringList onDisc = FilesOnImage(iso, dir.filePath("disc_files"));
    QStringList onCliImage;
    if (FilesOnImage(cliIso, dir.filePath("cli_files")).size() == count)
        for (int i = 0; i < count; ++i)
            onCliImage << dir.filePath(QStringLiteral("cli_files/out%1.mp3").arg(i));
    std::printf("  files on the disc: %s\n",
                qPrintable(QStringList(onDisc).replaceInStrings(QRegularExpression(".*/"), "").join(' ')));
    if (onDisc.size() != count)
        o.faults << QStringLiteral("%1 files on the disc for %2 items").arg(onDisc.size()).arg(count);
    for (int i = 0; i < onDisc.size() && i < count; ++i)
        if (QFileInfo(onDisc[i]).completeBaseName().compare(QFileInfo(sources[i]).completeBaseName(),
                                                            Qt::CaseInsensitive) != 0 ||
            QFileInfo(onDisc[i]).suffix().compare("mp3", Qt::CaseInsensitive) != 0)
            o.faults << QStringLiteral("%1 on the disc for the item %2")
                            .arg(QFileInfo(onDisc[i]).fileName(), QFileInfo(sources[i]).fileName());
    if (o.faults.isEmpty()) bench::CheckAgainstSources(sources, onDisc, onCliImage, &o.faults);
    return bench::Conclude(o) ? 0 : 1;
}
