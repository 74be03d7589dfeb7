// The speech component: a 2,000-word text spoken into a WAV file beside the
// engine's own command line (`espeak-ng -w`) with the same voice and rate, and
// the time from Say It (Speak) to the first word heard on a null sink.
// Without PULSE_SERVER set, it starts a private PulseAudio server for itself.
// Wall-clock times decide the ratio; the CPU times beside them show the work
// itself when other processes share the machine.
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

double ChildrenCpuSeconds() {
    rusage ru{};
    getrusage(RUSAGE_CHILDREN, &ru);
    return double(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
           double(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    const int rounds = bench::CountArg(argc, argv, 1, 5);
    bench::PrivateAudioServer server;
    if (qEnvironmentVariableIsEmpty("PULSE_SERVER") && !server.start()) {
        std::printf("bench_speech: FAILED: no audio server, and a private one did not start\n");
        return 1;
    }
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
                "best of %d\n",
                rounds);

    // 1. The whole text into a file, each side its best round, the two taking turns.
    double cliBest = 1e9, oursBest = 1e9, cliCpu = 1e9, oursCpu = 1e9;
    for (int i = 0; i < rounds; ++i) {
        QElapsedTimer t;
        const double children = ChildrenCpuSeconds();
        t.start();
        QProcess cli;
        cli.start("espeak-ng", {"-v", "en-us", "-s", "175", "-w", dir.filePath("cli.wav"), "-f", textFile});
        if (!cli.waitForFinished(600000) || cli.exitCode() != 0) {
            std::printf("bench_speech: FAILED: espeak-ng: %s\n", cli.readAllStandardError().constData());
            return 1;
        }
        cliBest = std::min(cliBest, double(t.nsecsElapsed()) / 1e9);
        cliCpu = std::min(cliCpu, ChildrenCpuSeconds() - children);
        const double cpu = ThreadCpuSeconds();
        t.restart();
        if (speech.SpeakToWave(text, dir.filePath("ours.wav")) != 0) {
            std::printf("bench_speech: FAILED: SpeakToWave: %s\n", qPrintable(speech.ErrorText()));
            return 1;
        }
        oursBest = std::min(oursBest, double(t.nsecsElapsed()) / 1e9);
        oursCpu = std::min(oursCpu, ThreadCpuSeconds() - cpu);
    }
    const double cliBytes = double(QFileInfo(dir.filePath("cli.wav")).size());
    const double ourBytes = double(QFileInfo(dir.filePath("ours.wav")).size());
    std::printf(
        "  espeak-ng -w: %.2f s (CPU %.2f s); SpeakToWave: %.2f s (CPU %.2f s); %.1f MB against %.1f MB "
        "of speech\n",
        cliBest, cliCpu, oursBest, oursCpu, ourBytes / 1e6, cliBytes / 1e6);

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

    const double ratio = oursBest / cliBest;
    const bool ok = ratio <= 1.1 && firstMedian < 150.0;
    std::printf(
        "bench_speech: ratio %.2f (SpeakToWave / espeak-ng -w, target <= 1.1), first sound %.0f ms%s\n",
        ratio, firstMedian, ok ? "" : " FAILED");
    return ok ? 0 : 1;
}
