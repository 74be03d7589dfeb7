// How long duplicating a 10-minute audio CD takes through the duplication job
// (every track ripped to a WAV in duptmp/, then burned disc-at-once to a blank
// virtual drive), against what the same copy takes by hand: cd-paranoia
// (package cd-paranoia) ripping every track of the same CUE/BIN image with
// its default (full) paranoia checks, plus dd writing that PCM as a CUE/BIN
// pair. Both read the image from the page cache; the two take turns for
// several rounds and the medians count. The two copies must hold the same
// samples.
// Usage: bench_duplicate [minutes, default 10] [rounds, default 3]
#include "BenchSupport.h"
#include "components/cAudioBurner.h"
#include "components/cAudioCDRipper.h"
#include "core/DuplicateJob.h"
#include "core/Services.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtEndian>

#include <cmath>
#include <cstdio>
#include <numbers>

namespace {

constexpr int kRate = 44100;
constexpr int kSectorBytes = 2352;

QString msf(qint64 sectors) {
    return QStringLiteral("%1:%2:%3")
        .arg(sectors / 4500, 2, 10, QLatin1Char('0'))
        .arg((sectors / 75) % 60, 2, 10, QLatin1Char('0'))
        .arg(sectors % 75, 2, 10, QLatin1Char('0'));
}

// A disc of one-minute tracks: a sine sweep, so no two sectors look alike.
bool writeImage(const QString& folder, int minutes) {
    QFile bin(folder + "/disc.bin");
    if (!bin.open(QIODevice::WriteOnly)) return false;
    QByteArray cue = "FILE \"disc.bin\" BINARY\r\n";
    QByteArray chunk(kRate * 4, Qt::Uninitialized);
    for (int track = 0; track < minutes; ++track) {
        cue += QStringLiteral("  TRACK %1 AUDIO\r\n    INDEX 01 %2\r\n")
                   .arg(track + 1, 2, 10, QLatin1Char('0'))
                   .arg(msf(qint64(track) * 60 * 75))
                   .toUtf8();
        for (int second = 0; second < 60; ++second) {
            char* p = chunk.data();
            for (int i = 0; i < kRate; ++i, p += 4) {
                const double t = double(qint64(track * 60 + second) * kRate + i) / kRate;
                const auto v =
                    qint16(std::lround(12000.0 * std::sin(2.0 * std::numbers::pi * (200.0 + t) * t)));
                qToLittleEndian<qint16>(v, p);
                qToLittleEndian<qint16>(qint16(v / 2 + track), p + 2);
            }
            if (bin.write(chunk) != chunk.size()) return false;
        }
    }
    QFile cueFile(folder + "/disc.cue");
    return cueFile.open(QIODevice::WriteOnly) && cueFile.write(cue) == cue.size();
}

struct NoEnd : core::EndActions {
    bool Wanted(const QString&) const override { return false; }
    void PlaySound() override {}
    void OpenFolder(const QString&) override {}
    void RunNoticApp() override {}
    void TurnOffCountdown(qint32) override {}
    void Balloon(const QString&) override {}
};

struct NoQuestions : core::JobQuestions {
    int Ask(const QString& prompt, int, const QString&) override {
        // Only the closing "Done." is expected; anything else ends the run.
        return prompt.startsWith(QStringLiteral("Done.")) ? core::vbOK : core::vbCancel;
    }
};

void emptyFolder(const QString& folder) {
    QDir dir(folder);
    for (const QString& f : dir.entryList(QDir::Files | QDir::Hidden))
        dir.remove(f);
}

double duplicateWithJob(const QString& writerFolder) {
    emptyFolder(writerFolder);
    components::cAudioCDRipper ripper;
    components::cAudioBurner burner;
    NoEnd end;
    NoQuestions questions;
    core::DuplicateChoices choices;
    choices.sourceDevice = [] { return 0; };
    choices.writerEntry = [&burner] { return burner.DeviceName(2); };
    choices.speed = [] { return components::cAudioBurner::kMaxSpeed; };
    core::DuplicateJob job(ripper, burner, end, choices);
    job.SetQuestions(&questions);
    QObject::connect(&job, &core::Job::LogLine, &job, [](const QString& line) {
        if (line.startsWith(QStringLiteral("Error")))
            std::fprintf(stderr, "bench_duplicate: %s\n", qPrintable(line));
    });
    QEventLoop loop;
    bool ok = false;
    QObject::connect(&job, &core::Job::Finished, &loop, [&](bool success) {
        ok = success;
        loop.quit();
    });
    QElapsedTimer t;
    t.start();
    if (!job.Start()) return -1.0;
    loop.exec();
    const double secs = double(t.nsecsElapsed()) / 1e9;
    return ok ? secs : -1.0;
}

bool run(const QString& exe, const QStringList& args, const QString& dir) {
    QProcess p;
    p.setWorkingDirectory(dir);
    p.start(exe, args);
    if (!p.waitForFinished(600000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        std::fprintf(stderr, "bench_duplicate: %s failed: %s\n", qPrintable(exe),
                     p.readAllStandardError().constData());
        return false;
    }
    return true;
}

// cd-paranoia rips every track to trackNN.cdda.wav; dd appends each one's PCM
// (after its 44-byte header) to the BIN; the CUE lists the tracks.
double duplicateByHand(const QString& paranoia, const QString& dd, const QString& cue, const QString& work,
                       int tracks) {
    QDir(work).removeRecursively();
    QDir().mkpath(work);
    QElapsedTimer t;
    t.start();
    if (!run(paranoia, {"-q", "-B", "-d", cue, "1-"}, work)) return -1.0;
    QByteArray copyCue = "FILE \"copy.bin\" BINARY\r\n";
    qint64 sector = 0;
    for (int n = 1; n <= tracks; ++n) {
        const QString wav = QStringLiteral("track%1.cdda.wav").arg(n, 2, 10, QLatin1Char('0'));
        if (!run(dd,
                 {"if=" + wav, "of=copy.bin", "bs=1M", "iflag=skip_bytes", "skip=44", "oflag=append",
                  "conv=notrunc", "status=none"},
                 work))
            return -1.0;
        copyCue += QStringLiteral("  TRACK %1 AUDIO\r\n    INDEX 01 %2\r\n")
                       .arg(n, 2, 10, QLatin1Char('0'))
                       .arg(msf(sector))
                       .toUtf8();
        sector += (QFileInfo(work + "/" + wav).size() - 44) / kSectorBytes;
    }
    QFile out(work + "/copy.cue");
    if (!out.open(QIODevice::WriteOnly) || out.write(copyCue) != copyCue.size()) return -1.0;
    out.close();
    return double(t.nsecsElapsed()) / 1e9;
}

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int minutes = bench::CountArg(argc, argv, 1, 10);
    const int reps = bench::CountArg(argc, argv, 2, bench::Rounds(3));
    const QString paranoia = QStandardPaths::findExecutable("cd-paranoia");
    const QString dd = QStandardPaths::findExecutable("dd");
    if (paranoia.isEmpty() || dd.isEmpty()) {
        std::fprintf(stderr, "bench_duplicate: cd-paranoia (package cd-paranoia) and dd are needed\n");
        return 2;
    }
    QTemporaryDir dir;
    const QString source = dir.filePath("source");
    const QString writer = dir.filePath("writer");
    const QString home = dir.filePath("home");
    const QString work = dir.filePath("byhand");
    for (const QString& f : {source, writer, home})
        QDir().mkpath(f);
    if (!writeImage(source, minutes)) {
        std::fprintf(stderr, "bench_duplicate: cannot write the image\n");
        return 2;
    }
    qputenv("CORVANE_HOME", home.toLocal8Bit());
    qputenv("CORVANE_NO_REAL_DRIVES", "1");
    qputenv("CORVANE_VIRTUAL_DRIVES", (source + ":" + writer).toLocal8Bit());
    { // both read from the page cache
        QFile bin(source + "/disc.bin");
        if (bin.open(QIODevice::ReadOnly))
            while (!bin.read(1 << 20).isEmpty()) {
            }
    }

    bench::Turns turns;
    if (!bench::Alternate(
            reps, [&](int) { return duplicateWithJob(writer); },
            [&](int) { return duplicateByHand(paranoia, dd, source + "/disc.cue", work, minutes); }, &turns))
        return 1;
    const double rss = bench::MaxRssMb();
    const QStringList bins = QDir(writer).entryList({"*.bin"}, QDir::Files);
    const QByteArray copy = bins.size() == 1 ? fileBytes(writer + "/" + bins.first()) : QByteArray();
    const QByteArray original = fileBytes(source + "/disc.bin");
    const bool same = !copy.isEmpty() && copy == original && fileBytes(work + "/copy.bin") == original;
    std::printf("bench_duplicate: %d min disc (%d tracks) copied to a blank virtual drive, median of %d\n",
                minutes, minutes, reps);
    std::printf("  DuplicateJob          : %8.3f s\n", turns.Ours());
    std::printf("  cd-paranoia + dd      : %8.3f s\n", turns.Peer());
    std::printf("  peak memory           : %8.1f MB\n", rss);
    bench::Outcome o;
    o.name = "bench_duplicate";
    o.figure = bench::Secs(turns.Ours());
    o.peer = "cd-paranoia + dd " + bench::Secs(turns.Peer());
    o.ratio = turns.Ratio();
    o.target = "ratio <= 1.2";
    o.met = o.ratio <= 1.2;
    if (!same) o.faults << "the copies do not hold the samples of the original";
    return bench::Conclude(o) ? 0 : 1;
}
