// What the benchmarks share: peak memory, ffmpeg-made sources, the ffmpeg
// command line as the yardstick, a GUI-thread stall probe, hand-built ID3v2
// tags and the best-of-N timing of a reader over a set of files.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QObject>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <signal.h>
#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>

namespace bench {

// The process's peak resident memory so far, in MB.
inline double MaxRssMb() {
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    return double(ru.ru_maxrss) / 1024.0;
}

// The `index`th command-line argument as a number of at least `minimum`, or
// `fallback` when it is not given.
inline int CountArg(int argc, char** argv, int index, int fallback, int minimum = 1) {
    return argc > index ? std::max(minimum, std::atoi(argv[index])) : fallback;
}

// Runs ffmpeg quietly with `args`; reports a failure under `who`.
inline bool RunFfmpeg(const char* who, const QStringList& args) {
    QProcess ff;
    ff.start("ffmpeg", QStringList{"-v", "error", "-y"} + args);
    if (!ff.waitForFinished(600000) || ff.exitStatus() != QProcess::NormalExit || ff.exitCode() != 0) {
        std::fprintf(stderr, "%s: ffmpeg failed: %s\n", who, ff.readAllStandardError().constData());
        return false;
    }
    return true;
}

// Encodes `seconds` of a 440 Hz stereo tone as a 128 kbps MP3 at `path`, with
// `extra` ffmpeg options before the output name. Reports a failure under `who`.
inline bool MakeMp3Tone(const char* who, const QString& path, int seconds, const QStringList& extra) {
    QStringList args{
        "-v",  "error", "-y",   "-f",         "lavfi", "-i",  QStringLiteral("sine=f=440:d=%1").arg(seconds),
        "-ac", "2",     "-c:a", "libmp3lame", "-b:a",  "128k"};
    args << extra << path;
    QProcess ff;
    ff.start("ffmpeg", args);
    if (!ff.waitForFinished(120000) || ff.exitStatus() != QProcess::NormalExit || ff.exitCode() != 0) {
        std::fprintf(stderr, "%s: ffmpeg could not make the tone: %s\n", who,
                     ff.readAllStandardError().constData());
        return false;
    }
    return true;
}

// Writes `count` WAV files of `seconds` (44100 Hz, 16-bit stereo) into
// `folder`, a different tone in each so that no two encodes are alike. Their
// paths, or an empty list when ffmpeg failed.
inline QStringList MakeWavTones(const char* who, const QDir& folder, int count, int seconds) {
    QStringList sources;
    for (int i = 0; i < count; ++i) {
        const QString p = folder.filePath(QStringLiteral("src%1.wav").arg(i, 2, 10, QLatin1Char('0')));
        if (!RunFfmpeg(who,
                       {"-f", "lavfi", "-i", QStringLiteral("sine=f=%1:d=%2").arg(300 + 20 * i).arg(seconds),
                        "-ac", "2", "-ar", "44100", "-c:a", "pcm_s16le", p}))
            return {};
        sources << p;
    }
    return sources;
}

// Converts `sources` one after another with the ffmpeg command line to
// `outFolder`/out<i>.mp3 with the settings the converter benchmarks give the
// program: CBR 128 kbps, 44100 Hz, joint stereo, encoder quality 5, ID3v2.3
// and ID3v1 tags, no VBR tag. The seconds it took, or a negative number.
inline double TimeCliMp3Conversions(const char* who, const QStringList& sources, const QDir& outFolder) {
    const QStringList cliSettings{"-c:a",
                                  "libmp3lame",
                                  "-b:a",
                                  "128k",
                                  "-ar",
                                  "44100",
                                  "-compression_level",
                                  "5",
                                  "-joint_stereo",
                                  "1",
                                  "-id3v2_version",
                                  "3",
                                  "-write_id3v1",
                                  "1",
                                  "-write_xing",
                                  "0"};
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < sources.size(); ++i)
        if (!RunFfmpeg(who, QStringList{"-i", sources[i]} + cliSettings +
                                QStringList{outFolder.filePath(QStringLiteral("out%1.mp3").arg(i))}))
            return -1.0;
    return double(clock.nsecsElapsed()) / 1e9;
}

// The bytes of the files directly in `folder`.
inline qint64 BytesIn(const QDir& folder) {
    qint64 total = 0;
    for (const QFileInfo& fi : folder.entryInfoList(QDir::Files))
        total += fi.size();
    return total;
}

// Watches the GUI thread with a 1 ms timer: each tick is proof that the thread
// ran events, so the longest gap between ticks is the longest stall.
class StallProbe {
public:
    StallProbe() {
        m_timer.setInterval(1);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            const qint64 gap = m_sinceTick.nsecsElapsed();
            m_longestGapNs = std::max(m_longestGapNs, gap);
            if (gap > 20000000) ++m_longGaps;
            m_sinceTick.restart();
        });
    }
    void Start() {
        m_sinceTick.start();
        m_timer.start();
    }
    void Stop() { m_timer.stop(); }
    double LongestStallMs() const { return double(m_longestGapNs) / 1e6; }
    // Gaps over 20 ms.
    int LongGaps() const { return m_longGaps; }

private:
    QTimer m_timer;
    QElapsedTimer m_sinceTick;
    qint64 m_longestGapNs = 0;
    int m_longGaps = 0;
};

// Runs `loop` from `start` (posted into it) under `probe`; the seconds it ran.
inline double TimeLoop(QEventLoop& loop, StallProbe& probe, const std::function<void()>& start) {
    QElapsedTimer clock;
    clock.start();
    probe.Start();
    QTimer::singleShot(0, &loop, start);
    loop.exec();
    probe.Stop();
    return double(clock.nsecsElapsed()) / 1e9;
}

// Prints a conversion run of `what` (`shortName` in the ratio) against the
// ffmpeg command line: times, bytes written to `cliFolder` and `outFolder`,
// the ratio, the stalls, the failed items and the peak memory.
inline void ReportAgainstCli(const QString& what, const char* shortName, double seconds,
                             const QDir& outFolder, double cliSeconds, const QDir& cliFolder,
                             const StallProbe& probe, int failures) {
    std::printf("  %-20s %.2f s (%.1f MB written)\n", "ffmpeg command line:", cliSeconds,
                double(BytesIn(cliFolder)) / 1e6);
    std::printf("  %-20s %.2f s (%.1f MB written)\n", qPrintable(what + QLatin1Char(':')), seconds,
                double(BytesIn(outFolder)) / 1e6);
    std::printf("  ratio %s / command line: %.3f (target <= 1.05)\n", shortName, seconds / cliSeconds);
    std::printf("  longest GUI-thread stall: %.1f ms (target <= 50); pauses over 20 ms: %d\n",
                probe.LongestStallMs(), probe.LongGaps());
    std::printf("  failed items: %d, peak memory %.1f MB\n", failures, MaxRssMb());
}

// The four bytes of a synchsafe integer (7 bits a byte), as in the ID3v2 header.
inline QByteArray SyncSafe(quint32 v) {
    QByteArray b(4, '\0');
    for (int i = 3; i >= 0; --i, v >>= 7)
        b[i] = char(v & 0x7f);
    return b;
}

// An ID3v2.3 frame: its id, big-endian size, no flags, then the body.
inline QByteArray Id3v23Frame(const char* id, const QByteArray& body) {
    QByteArray size(4, '\0');
    for (int i = 3, v = int(body.size()); i >= 0; --i, v >>= 8)
        size[i] = char(v & 0xff);
    return QByteArray(id) + size + QByteArray(2, '\0') + body;
}

// An ID3v2.3 tag header in front of `frames` (padding included).
inline QByteArray Id3v23Tag(const QByteArray& frames) {
    return "ID3" + QByteArray("\x03\x00\x00", 3) + SyncSafe(quint32(frames.size())) + frames;
}

// Best of `passes` passes of `read` over all files, in microseconds per file;
// `checksum` gets the sum of what `read` returned in the last pass.
inline double BestMicrosPerFile(const QStringList& files, int passes,
                                const std::function<qint64(const QString&)>& read, qint64* checksum) {
    double best = 1e300;
    for (int pass = 0; pass < passes; ++pass) {
        qint64 sum = 0;
        QElapsedTimer t;
        t.start();
        for (const QString& f : files)
            sum += read(f);
        best = std::min(best, double(t.nsecsElapsed()) / 1000.0 / double(files.size()));
        *checksum = sum;
    }
    return best;
}

// A private audio server with a null sink, as the tests use; stopped by its pid file.
class PrivateAudioServer {
public:
    bool start() {
        if (!m_runtime.isValid()) return false;
        const QString dir = m_runtime.path();
        qputenv("XDG_RUNTIME_DIR", dir.toLocal8Bit());
        const int rc = QProcess::execute(
            "pulseaudio", {"-n", "--daemonize=yes", "--exit-idle-time=-1", "--disallow-exit",
                           "--use-pid-file=yes", "--load=module-native-protocol-unix",
                           "--load=module-null-sink sink_name=bench_null", "--load=module-always-sink"});
        if (rc != 0) return false;
        m_pidFile = dir + "/pulse/pid";
        qputenv("PULSE_SERVER", QStringLiteral("unix:%1/pulse/native").arg(dir).toLocal8Bit());
        return true;
    }
    ~PrivateAudioServer() {
        if (m_pidFile.isEmpty()) return;
        QFile f(m_pidFile);
        if (f.open(QIODevice::ReadOnly)) {
            const pid_t id = pid_t(f.readAll().trimmed().toLong());
            if (id > 0 && ::kill(id, SIGTERM) == 0) {
                // Its files go with the folder only once it has ended.
                for (int i = 0; i < 200 && ::kill(id, 0) == 0; ++i)
                    QThread::msleep(10);
            }
        }
    }

private:
    QTemporaryDir m_runtime;
    QString m_pidFile;
};

} // namespace bench
