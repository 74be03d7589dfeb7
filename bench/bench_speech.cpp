// The speech component: a 2,000-word text spoken into a WAV file beside the
// engine's own command line (`espeak-ng -w`) with the same voice and rate, and
// the time from Say It (Speak) to the first word heard on a null sink.
// Without PULSE_SERVER set, it starts a private PulseAudio server for itself.
// The two take turns for several rounds; the median wall-clock times decide
// the ratio, the CPU times beside them show the work itself when other
// processes share the machine. Both WAV files must hold the same speech.
// Usage: bench_speech [rounds, default 5]
#include "BenchSupport.h"
#include "components/cOrlath.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

// About 2,000 words of plain English prose, sentences of varied length.
QString TwoThousandWords() {
    const QStringList sentences{
        "The morning train left the station a few minutes late, and nobody on board seemed to mind.",
        "She opened the window, listened to the rain for a while, and then went back to her letters.",
        "Every list in the program can hold songs, spoken notes and recordings side by side.",
        "A careful reader will notice that the second chapter repeats an idea from the first.",
        "When the bridge was finished, the whole town walked across it on the same afternoon.",
        "Numbers are harder to read aloud than words, so this text keeps away from them.",
        "He wrote slowly, crossing out almost every other line, until the page was nearly empty.",
        "Later that evening the wind turned, the clouds broke up, and the stars came out.",
    };
    QStringList words;
    for (int i = 0; words.size() < 2000; ++i)
        words << sentences[i % sentences.size()].split(' ');
    return words.mid(0, 2000).join(' ');
}

// Runs the event loop until `done` holds or `ms` have passed.
void RunUntil(int ms, const std::function<bool()>& done) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done()) loop.quit();
    });
    poll.start(1);
    loop.exec();
}

qint32 VoiceIndex(components::cOrlath& speech, const QString& name) {
    for (qint32 i = 1; i <= speech.VoiceCount(); ++i)
        if (speech.VoiceName(i) == name) return i - 1;
    return -1;
}

double ThreadCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

// The loudness of `wav` (16-bit mono) in blocks of 20 ms.
std::vector<double> Envelope(const QString& wav) {
    bench::DecodedPcm pcm({"-i", wav}, 22050, 1);
    std::vector<qint16> samples;
    while (pcm.Append(samples, 22050) > 0) {
    }
    std::vector<double> blocks;
    for (size_t at = 0; at + 441 <= samples.size(); at += 441) {
        double sum = 0;
        for (size_t i = at; i < at + 441; ++i)
            sum += double(samples[i]) * samples[i];
        blocks.push_back(std::sqrt(sum / 441));
    }
    return blocks;
}

// How alike two loudness envelopes are: their correlation coefficient (1 for
// speech of the same words at the same pace) where they line up best within
// a second, and that lag in blocks.
double EnvelopeCorrelation(const std::vector<double>& a, const std::vector<double>& b, int* lagBlocks) {
    double best = 0;
    *lagBlocks = 0;
    for (int lag = -50; lag <= 50; ++lag) {
        const size_t a0 = size_t(std::max(0, -lag)), b0 = size_t(std::max(0, lag));
        if (a.size() <= a0 || b.size() <= b0) continue;
        const size_t n = std::min(a.size() - a0, b.size() - b0);
        double ma = 0, mb = 0;
        for (size_t i = 0; i < n; ++i) {
            ma += a[a0 + i];
            mb += b[b0 + i];
        }
        ma /= double(n);
        mb /= double(n);
        double ab = 0, aa = 0, bb = 0;
        for (size_t i = 0; i < n; ++i) {
            ab += (a[a0 + i] - ma) * (b[b0 + i] - mb);
            aa += (a[a0 + i] - ma) * (a[a0 + i] - ma);
            bb += (b[b0 + i] - mb) * (b[b0 + i] - mb);
        }
        const double r = aa > 0 && bb > 0 ? ab / std::sqrt(aa * bb) : 0;
        if (r > best) {
            best = r;
            *lagBlocks = lag;
        }
    }
    return best;
}

} // namespace

int main(int argc, char** argv) {
    const int rounds = bench::CountArg(argc, argv, 1, bench::Rounds(5));
    bench::PrivateAudioServer server;
    if (!server.UseGivenOrStart("bench_speech", false)) return 1;
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid()) return 1;
    const QString textFile = dir.filePath("text.txt");
    const QString text = TwoThousandWords();
    {
        QFile f(textFile);
        if (!f.open(QIODevice::WriteOnly) || f.write(text.toUtf8()) < 0) return 1;
    }

    components::cOrlath speech;
    const qint32 voice = VoiceIndex(speech, "English (America)");
    if (voice < 0) {
        std::printf("bench_speech: FAILED: no English (America) voice: %s\n", qPrintable(speech.ErrorText()));
        return 1;
    }
    speech.setVoice(voice);
    speech.setRate(0); // 175 words per minute, the command line's default
    speech.setVolume(100);
    std::printf("bench_speech: 2,000 words to a 22,050 Hz mono WAV, voice en-us at 175 words per minute, "
                "median of %d rounds\n",
                rounds);

    // 1. The whole text into a file, the two taking turns.
    std::vector<double> cliCpu, oursCpu;
    bench::Turns turns;
    const bool ran = bench::Alternate(
        rounds,
        [&](int) {
            const double cpu = ThreadCpuSeconds();
            QElapsedTimer t;
            t.start();
            if (speech.SpeakToWave(text, dir.filePath("ours.wav")) != 0) {
                std::printf("bench_speech: FAILED: SpeakToWave: %s\n", qPrintable(speech.ErrorText()));
                return -1.0;
            }
            const double s = double(t.nsecsElapsed()) / 1e9;
            oursCpu.push_back(ThreadCpuSeconds() - cpu);
            return s;
        },
        [&](int) {
            const double children = bench::CpuSeconds(RUSAGE_CHILDREN);
            QElapsedTimer t;
            t.start();
            QProcess cli;
            cli.start("espeak-ng",
                      {"-v", "en-us", "-s", "175", "-w", dir.filePath("cli.wav"), "-f", textFile});
            if (!cli.waitForFinished(600000) || cli.exitCode() != 0) {
                std::printf("bench_speech: FAILED: espeak-ng: %s\n", cli.readAllStandardError().constData());
                return -1.0;
            }
            const double s = double(t.nsecsElapsed()) / 1e9;
            cliCpu.push_back(bench::CpuSeconds(RUSAGE_CHILDREN) - children);
            return s;
        },
        &turns);
    if (!ran) return 1;
    const double cliBytes = double(QFileInfo(dir.filePath("cli.wav")).size());
    const double ourBytes = double(QFileInfo(dir.filePath("ours.wav")).size());
    std::printf(
        "  espeak-ng -w: %.2f s (CPU %.2f s); SpeakToWave: %.2f s (CPU %.2f s); %.1f MB against %.1f MB "
        "of speech\n",
        turns.Peer(), bench::Median(cliCpu), turns.Ours(), bench::Median(oursCpu), ourBytes / 1e6,
        cliBytes / 1e6);
    // The same engine, voice and rate: the same speech, so the two last as
    // long within a 20 ms block and their loudness rises and falls together
    // block by block.
    const std::vector<double> cliEnvelope = Envelope(dir.filePath("cli.wav"));
    const std::vector<double> ourEnvelope = Envelope(dir.filePath("ours.wav"));
    int lag = 0;
    const double likeness = EnvelopeCorrelation(cliEnvelope, ourEnvelope, &lag);
    const double cliLength = double(cliEnvelope.size()) / 50.0, ourLength = double(ourEnvelope.size()) / 50.0;
    std::printf(
        "  the two WAV files: %.2f s and %.2f s of speech, loudness alike to %.3f, %d ms apart at best\n",
        ourLength, cliLength, likeness, lag * 20);

    // 2. Say It to the first word heard: Speak until the output has played into the first word.
    std::vector<double> firstMs;
    bool heard = false;
    QObject::connect(&speech, &components::cOrlath::WordPosition, [&](qint32, qint32) { heard = true; });
    for (int i = 0; i < 7; ++i) {
        heard = false;
        QElapsedTimer t;
        t.start();
        if (!speech.Speak(QStringLiteral("Say it, and the first word is heard at once."))) {
            std::printf("bench_speech: FAILED: Speak: %s\n", qPrintable(speech.ErrorText()));
            return 1;
        }
        RunUntil(5000, [&] { return heard; });
        firstMs.push_back(heard ? double(t.nsecsElapsed()) / 1e6 : 5000.0);
        speech.Stop();
        RunUntil(200, [] { return false; });
    }
    std::sort(firstMs.begin(), firstMs.end());
    const double firstMedian = firstMs[firstMs.size() / 2];
    std::printf("  Say It to the first word heard: median %.1f ms, worst %.1f ms (target < 150 ms)\n",
                firstMedian, firstMs.back());

    bench::Outcome o;
    o.name = "bench_speech";
    o.figure = bench::Secs(turns.Ours()) + QStringLiteral(", first word %1 ms").arg(firstMedian, 0, 'f', 0);
    o.peer = "espeak-ng -w " + bench::Secs(turns.Peer());
    o.ratio = turns.Ratio();
    o.target = "ratio <= 1.1, first word < 150 ms";
    o.met = o.ratio <= 1.1 && firstMedian < 150.0;
    if (ourLength <= 0 || std::abs(ourLength - cliLength) > 0.021)
        o.faults << QStringLiteral("%1 s of speech, espeak-ng -w wrote %2 s").arg(ourLength).arg(cliLength);
    if (likeness < 0.99)
        o.faults << QStringLiteral("not the same speech (loudness alike to %1)").arg(likeness);
    return bench::Conclude(o) ? 0 : 1;
}
