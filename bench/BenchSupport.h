// What the benchmarks share: peak memory and CPU time, ffmpeg-made sources,
// the ffmpeg command line as the yardstick, rounds of the program and its peer
// taken in turn and their medians, decoded audio compared with its source, a
// GUI-thread stall probe, hand-built ID3v2 tags, a private sound server and
// the closing line every benchmark prints.
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
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>
#include <vector>

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

// CPU seconds (user and system) of `who`: RUSAGE_SELF, or RUSAGE_CHILDREN for
// the child processes waited for so far.
inline double CpuSeconds(int who = RUSAGE_SELF) {
    rusage ru{};
    getrusage(who, &ru);
    return double(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
           double(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
}

// Rounds each side runs: `fallback`, or CORVANE_BENCH_ROUNDS when it is set.
inline int Rounds(int fallback = 5) {
    const int n = qEnvironmentVariableIntValue("CORVANE_BENCH_ROUNDS");
    return n > 0 ? n : fallback;
}

inline double Median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const size_t m = v.size() / 2;
    return v.size() % 2 ? v[m] : (v[m - 1] + v[m]) / 2;
}

// The figures of the program's rounds and of its peer's.
struct Turns {
    std::vector<double> ours, peer;
    double Ours() const { return Median(ours); }
    double Peer() const { return Median(peer); }
    double Ratio() const { return Peer() > 0 ? Ours() / Peer() : std::numeric_limits<double>::infinity(); }
};

// Runs the program's side and its peer's in turn, `rounds` times each, the
// peer first in every other round so that neither always runs on the heels of
// the other: a busy moment of a shared machine then falls on both sides, and
// the medians leave it out. Each side gets the round's number and returns its
// figure, negative on failure; false as soon as one fails.
inline bool Alternate(int rounds, const std::function<double(int)>& ours,
                      const std::function<double(int)>& peer, Turns* turns) {
    for (int round = 0; round < rounds; ++round) {
        for (int side = 0; side < 2; ++side) {
            const bool peerNow = (side == 0) == (round % 2 == 0);
            const double v = peerNow ? peer(round) : ours(round);
            if (v < 0) return false;
            (peerNow ? turns->peer : turns->ours).push_back(v);
        }
    }
    return true;
}

// The line a benchmark ends with, which scripts/bench.sh gathers into its
// table: the program's figure, the peer's, their ratio, the target and
// whether it was met. A wrong output fails the run whatever the times.
struct Outcome {
    QString name;       // the benchmark, with the case when it measures several
    QString figure;     // the program's figure, with its unit
    QString peer;       // the peer and its figure
    double ratio = 0;   // program / peer
    QString target;     // what must hold, as "ratio <= 1.05"
    bool met = false;   // the target held
    QStringList faults; // outputs that are wrong or disagree with the peer's
};

// Prints the faults and the closing line; whether the benchmark passed.
inline bool Conclude(const Outcome& o) {
    for (const QString& f : o.faults)
        std::printf("  WRONG OUTPUT: %s\n", qPrintable(f));
    const bool pass = o.met && o.faults.isEmpty();
    std::printf("%s: ratio %.3f | %s | peer %s | target %s | %s\n", qPrintable(o.name), o.ratio,
                qPrintable(o.figure), qPrintable(o.peer), qPrintable(o.target),
                !o.faults.isEmpty() ? "wrong output" : (o.met ? "met" : "MISSED"));
    std::fflush(stdout);
    return pass;
}

// Seconds as the closing line shows them.
inline QString Secs(double s) {
    return QStringLiteral("%1 s").arg(s, 0, 'f', s < 10 ? 3 : 2);
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

// What ffmpeg decodes from `input` (its input options and file) as
// interleaved 16-bit PCM at `rate` and `channels`, read a piece at a time so
// that an hour of audio never sits in memory.
class DecodedPcm {
public:
    DecodedPcm(const QStringList& input, int rate, int channels) : m_channels(channels) {
        m_ffmpeg.start("ffmpeg",
                       QStringList{"-v", "error", "-nostdin"} + input +
                           QStringList{"-f", "s16le", "-c:a", "pcm_s16le", "-ar", QString::number(rate),
                                       "-ac", QString::number(channels), "-"});
    }
    ~DecodedPcm() {
        if (m_ffmpeg.state() != QProcess::NotRunning) {
            m_ffmpeg.kill();
            m_ffmpeg.waitForFinished(5000);
        }
    }
    // Appends up to `frames` frames to `out`; fewer only at the end. The frames appended.
    qint64 Append(std::vector<qint16>& out, qint64 frames) {
        const qint64 frameBytes = 2 * m_channels;
        const qint64 want = frames * frameBytes;
        while (m_pending.size() < want) {
            if (m_ffmpeg.bytesAvailable() == 0 && !m_ffmpeg.waitForReadyRead(300000)) {
                m_pending += m_ffmpeg.readAllStandardOutput();
                break;
            }
            m_pending += m_ffmpeg.readAllStandardOutput();
        }
        const qint64 bytes = std::min<qint64>(want, m_pending.size() / frameBytes * frameBytes);
        const size_t at = out.size();
        out.resize(at + size_t(bytes / 2));
        std::memcpy(out.data() + at, m_pending.constData(), size_t(bytes));
        m_pending.remove(0, bytes);
        m_frames += bytes / frameBytes;
        return bytes / frameBytes;
    }
    qint64 Frames() const { return m_frames; }
    // Whether ffmpeg decoded the whole input; its message when not.
    bool Finished(QString* error) {
        if (m_ffmpeg.state() != QProcess::NotRunning) m_ffmpeg.waitForFinished(300000);
        if (m_ffmpeg.exitStatus() == QProcess::NormalExit && m_ffmpeg.exitCode() == 0) return true;
        *error = QString::fromLocal8Bit(m_ffmpeg.readAllStandardError()).trimmed();
        if (error->isEmpty()) *error = QStringLiteral("ffmpeg could not decode it");
        return false;
    }

private:
    QProcess m_ffmpeg;
    QByteArray m_pending;
    int m_channels;
    qint64 m_frames = 0;
};

// Decoded audio beside the audio it was made from.
struct AudioMatch {
    qint64 referenceFrames = 0;
    qint64 frames = 0;
    qint64 lag = 0;   // frames of the decoded audio before the reference begins (an encoder's delay)
    double snrDb = 0; // the reference's power over that of the difference, aligned
    QString error;    // set when either side could not be decoded
    // The decoded audio, its lag taken off, lasts as long as the reference
    // within `tolerance` frames and sounds the same.
    QString Fault(const QString& what, qint64 tolerance, double minSnrDb) const {
        if (!error.isEmpty()) return what + QStringLiteral(": ") + error;
        if (std::llabs(frames - lag - referenceFrames) > tolerance)
            return QStringLiteral("%1: %2 frames after a lag of %3, the source has %4")
                .arg(what)
                .arg(frames - lag)
                .arg(lag)
                .arg(referenceFrames);
        if (snrDb < minSnrDb)
            return QStringLiteral("%1: not the source's sound (%2 dB from it, at least %3 dB wanted)")
                .arg(what)
                .arg(snrDb, 0, 'f', 1)
                .arg(minSnrDb);
        return {};
    }
};

// Decodes `reference` and `decoded` (ffmpeg inputs) side by side: finds the
// lag within `maxLag` frames where the two line up best, then compares every
// sample of both from there.
inline AudioMatch CompareDecoded(const QStringList& reference, const QStringList& decoded, int rate = 44100,
                                 int channels = 2, qint64 maxLag = 4608) {
    AudioMatch m;
    DecodedPcm ref(reference, rate, channels), dec(decoded, rate, channels);
    std::vector<qint16> r, d;
    const qint64 window = 2048;
    bool refEnded = ref.Append(r, maxLag + window) < maxLag + window;
    bool decEnded = dec.Append(d, maxLag + window) < maxLag + window;
    // The lag where the first channels line up: a steady tone lines up once
    // a period, so among the lags that correlate about as well as the best
    // one, the earliest run wins (earlier ones take in the encoder's silence),
    // and within it the best.
    std::vector<double> scores(size_t(2 * maxLag + 1), -2.0);
    double top = -2;
    for (qint64 lag = -maxLag; lag <= maxLag; ++lag) {
        const qint64 r0 = std::max<qint64>(0, -lag), d0 = std::max<qint64>(0, lag);
        if (qint64(r.size()) / channels < r0 + window || qint64(d.size()) / channels < d0 + window) continue;
        double rr = 0, rd = 0, dd = 0;
        for (qint64 i = 0; i < window; ++i) {
            const double a = r[size_t((r0 + i) * channels)];
            const double b = d[size_t((d0 + i) * channels)];
            rr += a * a;
            rd += a * b;
            dd += b * b;
        }
        const double score = rr > 0 && dd > 0 ? rd / std::sqrt(rr * dd) : (rr == dd ? 1.0 : 0.0);
        scores[size_t(lag + maxLag)] = score;
        top = std::max(top, score);
    }
    qint64 best = 0;
    size_t i = 0;
    while (i < scores.size() && scores[i] < top - 0.01)
        ++i;
    for (double bestScore = -2; i < scores.size() && scores[i] >= top - 0.01; ++i)
        if (scores[i] > bestScore) {
            bestScore = scores[i];
            best = qint64(i) - maxLag;
        }
    m.lag = best;
    // Samples still to skip on either side to line the two up.
    size_t rs = best < 0 ? size_t(-best * channels) : 0, ds = best > 0 ? size_t(best * channels) : 0;
    double signal = 0, noise = 0;
    for (;;) {
        const size_t re = std::min(rs, r.size()), de = std::min(ds, d.size());
        r.erase(r.begin(), r.begin() + std::ptrdiff_t(re));
        d.erase(d.begin(), d.begin() + std::ptrdiff_t(de));
        rs -= re;
        ds -= de;
        const size_t n = rs == 0 && ds == 0 ? std::min(r.size(), d.size()) : 0;
        for (size_t i = 0; i < n; ++i) {
            const double a = r[i], b = d[i];
            signal += a * a;
            noise += (a - b) * (a - b);
        }
        r.erase(r.begin(), r.begin() + std::ptrdiff_t(n));
        d.erase(d.begin(), d.begin() + std::ptrdiff_t(n));
        // What one side has beyond the other's end is only counted.
        if (refEnded) d.clear();
        if (decEnded) r.clear();
        if (refEnded && decEnded) break;
        refEnded = refEnded || ref.Append(r, rate) < rate;
        decEnded = decEnded || dec.Append(d, rate) < rate;
    }
    if (!ref.Finished(&m.error))
        m.error = QStringLiteral("the source: ") + m.error;
    else if (!dec.Finished(&m.error))
        m.error = QStringLiteral("the output: ") + m.error;
    m.referenceFrames = ref.Frames();
    m.frames = dec.Frames();
    m.snrDb = noise > 0 ? 10 * std::log10(signal / noise) : 200.0;
    return m;
}

// Checks each of `outputs` against the source at the same place in `sources`
// and beside the peer's output of that source in `peerOutputs`: each as long
// as its source within `tolerance` frames (an MP3 frame holds 1,152) once the
// encoder's delay is taken off, sounding like it, and the program's and the
// peer's within `tolerance` frames of each other. Appends what is wrong to
// `faults`.
inline void CheckAgainstSources(const QStringList& sources, const QStringList& outputs,
                                const QStringList& peerOutputs, QStringList* faults, qint64 tolerance = 1152,
                                double minSnrDb = 20.0) {
    if (outputs.size() != sources.size() || peerOutputs.size() != sources.size()) {
        *faults << QStringLiteral("%1 outputs and %2 of the peer for %3 sources")
                       .arg(outputs.size())
                       .arg(peerOutputs.size())
                       .arg(sources.size());
        return;
    }
    double lowest = 1e9;
    for (qsizetype i = 0; i < sources.size(); ++i) {
        const AudioMatch ours = CompareDecoded({"-i", sources[i]}, {"-i", outputs[i]});
        const AudioMatch peer = CompareDecoded({"-i", sources[i]}, {"-i", peerOutputs[i]});
        const QString a = ours.Fault(QFileInfo(outputs[i]).fileName(), tolerance, minSnrDb);
        const QString b = peer.Fault(QStringLiteral("the peer's ") + QFileInfo(peerOutputs[i]).fileName(),
                                     tolerance, minSnrDb);
        if (!a.isEmpty()) *faults << a;
        if (!b.isEmpty()) *faults << b;
        if (a.isEmpty() && b.isEmpty() &&
            std::llabs((ours.frames - ours.lag) - (peer.frames - peer.lag)) > tolerance)
            *faults << QStringLiteral("%1: %2 frames, the peer's %3")
                           .arg(QFileInfo(outputs[i]).fileName())
                           .arg(ours.frames - ours.lag)
                           .arg(peer.frames - peer.lag);
        lowest = std::min({lowest, ours.snrDb, peer.snrDb});
    }
    std::printf(
        "  outputs decoded: %d of the program's and %d of the peer's beside their sources, %.1f dB from "
        "them at worst\n",
        int(outputs.size()), int(peerOutputs.size()), lowest);
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

// Prints a conversion benchmark of `what` (`name` on the closing line)
// against the ffmpeg command line, from the medians of their rounds, with the
// stalls and the failed items, and checks the last round's outputs against
// the sources (the program's at `outputs`, the command line's at
// `peerOutputs`). `stallsMs`: each round's longest GUI-thread stall. Target:
// ratio at most 1.05, GUI thread held at most 50 ms.
inline bool ConcludeAgainstCli(const QString& name, const QString& what, const Turns& turns,
                               const std::vector<double>& stallsMs, const QStringList& sources,
                               const QStringList& outputs, const QStringList& peerOutputs, int failures) {
    const double stall = Median(stallsMs);
    std::printf("  %-20s median %.2f s of %d rounds\n", "ffmpeg command line:", turns.Peer(),
                int(turns.peer.size()));
    std::printf("  %-20s median %.2f s of %d rounds\n", qPrintable(what + QLatin1Char(':')), turns.Ours(),
                int(turns.ours.size()));
    std::printf("  longest GUI-thread stall: median %.1f ms, worst %.1f ms (target <= 50)\n", stall,
                stallsMs.empty() ? 0.0 : *std::max_element(stallsMs.begin(), stallsMs.end()));
    std::printf("  failed items: %d, peak memory %.1f MB\n", failures, MaxRssMb());
    Outcome o;
    o.name = name;
    o.figure = Secs(turns.Ours()) + QStringLiteral(", stall %1 ms").arg(stall, 0, 'f', 1);
    o.peer = QStringLiteral("ffmpeg command line ") + Secs(turns.Peer());
    o.ratio = turns.Ratio();
    o.target = QStringLiteral("ratio <= 1.05, stall <= 50 ms");
    o.met = o.ratio <= 1.05 && stall <= 50.0;
    if (failures) o.faults << QStringLiteral("%1 items failed").arg(failures);
    CheckAgainstSources(sources, outputs, peerOutputs, &o.faults);
    return Conclude(o);
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

// One pass of `read` over all files, in microseconds per file; `checksum`
// gets the sum of what `read` returned.
inline double MicrosPerFile(const QStringList& files, const std::function<qint64(const QString&)>& read,
                            qint64* checksum) {
    qint64 sum = 0;
    QElapsedTimer t;
    t.start();
    for (const QString& f : files)
        sum += read(f);
    *checksum = sum;
    return double(t.nsecsElapsed()) / 1000.0 / double(files.size());
}

// A private audio server with a null sink (`bench_null`), as the tests use;
// stopped by its pid file.
class PrivateAudioServer {
public:
    // The server PULSE_SERVER names, or a private one started for the
    // benchmark. `withInput` adds an input carrying what the sink plays
    // (`bench_mic`, the default input: the system lists no monitors as
    // inputs). False, with the reason printed under `who`, when there is none.
    bool UseGivenOrStart(const char* who, bool withInput) {
        if (!qEnvironmentVariableIsEmpty("PULSE_SERVER")) return true;
        if (!start()) {
            std::printf("%s: FAILED: no audio server, and a private one did not start\n", who);
            return false;
        }
        if (withInput)
            for (const QStringList& args : {QStringList{"load-module", "module-remap-source",
                                                        "source_name=bench_mic", "master=bench_null.monitor"},
                                            QStringList{"set-default-source", "bench_mic"}}) {
                QProcess pactl; // its module number is not wanted in the report
                pactl.start("pactl", args);
                if (!pactl.waitForFinished(10000) || pactl.exitCode() != 0) {
                    std::printf("%s: FAILED: pactl %s: %s\n", who, qPrintable(args.join(' ')),
                                pactl.readAllStandardError().constData());
                    return false;
                }
            }
        return true;
    }
    // Whether this benchmark started the server (and so knows its sink).
    bool Private() const { return !m_pidFile.isEmpty(); }

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
