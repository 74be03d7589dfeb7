// The speech component on the real engine: WAV files beside the engine's own
// command line (checked with ffprobe), and speech into the test server's null
// sink with the words announced in order, one SpeakDone and a prompt Stop.
#include "components/cOrlath.h"

#include "MediaTools.h"
#include "PlayerTools.h"
#include "TestEnv.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

using components::cOrlath;

namespace {

const QString kSentence =
    QStringLiteral("The quick brown fox jumps over the lazy dog, and then it runs away.");

// What ffprobe says of the first audio stream: codec, rate, channels.
QStringList ProbeStream(const QString& file) {
    QProcess p;
    p.start("ffprobe", {"-v", "error", "-select_streams", "a:0", "-show_entries",
                        "stream=codec_name,sample_rate,channels", "-of", "csv=p=0", file});
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed().split(',');
}

// The loudest sample of a WAV's PCM (16-bit or unsigned 8-bit).
int Peak(const QString& file, int bits) {
    const QByteArray pcm = testsupport::wavPcm(file);
    int peak = 0;
    if (bits == 8) {
        for (char c : pcm)
            peak = std::max(peak, std::abs(int(quint8(c)) - 128) * 256);
    } else {
        const auto* s = reinterpret_cast<const qint16*>(pcm.constData());
        for (qsizetype i = 0; i < pcm.size() / 2; ++i)
            peak = std::max(peak, std::abs(int(s[i])));
    }
    return peak;
}

qint32 VoiceIndex(cOrlath& speech, const QString& name) {
    for (qint32 i = 1; i <= speech.VoiceCount(); ++i)
        if (speech.VoiceName(i) == name) return i - 1;
    return -1;
}

qint32 FormatId(const QString& name) {
    for (const components::SpeechFormat& f : cOrlath::Formats())
        if (f.name == name) return f.id;
    return -1;
}

QStringList Words(const QString& text) {
    QStringList words;
    static const QRegularExpression word(QStringLiteral("\\w+"),
                                         QRegularExpression::UseUnicodePropertiesOption);
    for (auto it = word.globalMatch(text); it.hasNext();)
        words << it.next().captured();
    return words;
}

} // namespace

class tst_orlath : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        QVERIFY2(!QStandardPaths::findExecutable("espeak-ng").isEmpty(), "the espeak-ng command is needed");
        cOrlath speech;
        QVERIFY2(speech.VoiceCount() > 0, qPrintable(speech.ErrorText()));
        m_voice = VoiceIndex(speech, "English (America)");
        QVERIFY(m_voice >= 0);
    }

    void formatsAreListedBeforeTheCallReturns() {
        cOrlath speech;
        QSignalSpy items(&speech, &cOrlath::AudioFormatItem);
        speech.EnumAudioFormats();
        QCOMPARE(items.count(), int(cOrlath::Formats().size()));
        QSet<qint32> ids;
        QStringList names;
        for (const QList<QVariant>& item : items) {
            names << item.at(0).toString();
            ids << item.at(1).toInt();
        }
        QCOMPARE(ids.size(), items.count());
        QVERIFY(names.contains("SAFT22kHz16BitMono"));
        QVERIFY(names.contains("SAFT8kHz8BitMono"));
        QVERIFY(names.contains("SAFT48kHz16BitStereo"));
        QCOMPARE(speech.AudioFormat(), FormatId("SAFT22kHz16BitMono"));
        speech.setAudioFormat(9999); // not a format: the last one stays
        QCOMPARE(speech.AudioFormat(), FormatId("SAFT22kHz16BitMono"));
    }

    void ratesMapToWordsPerMinute() {
        QCOMPARE(cOrlath::WordsPerMinute(0), 175);
        QCOMPARE(cOrlath::WordsPerMinute(-10), 80);
        QCOMPARE(cOrlath::WordsPerMinute(10), 450);
        QCOMPARE(cOrlath::WordsPerMinute(-99), 80);
        QCOMPARE(cOrlath::WordsPerMinute(99), 450);
        QVERIFY(cOrlath::WordsPerMinute(-1) < 175 && cOrlath::WordsPerMinute(1) > 175);
    }

    void waveMatchesTheEnginesOwnCommand_data() {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("codec");
        QTest::addColumn<int>("rate");
        QTest::addColumn<int>("channels");
        QTest::addColumn<int>("bits");
        QTest::newRow("engine's own") << "SAFT22kHz16BitMono"
                                      << "pcm_s16le" << 22050 << 1 << 16;
        QTest::newRow("resampled stereo") << "SAFT44kHz16BitStereo"
                                          << "pcm_s16le" << 44100 << 2 << 16;
        QTest::newRow("8-bit") << "SAFT8kHz8BitMono"
                               << "pcm_u8" << 8000 << 1 << 8;
    }
    void waveMatchesTheEnginesOwnCommand() {
        QFETCH(QString, format);
        QFETCH(QString, codec);
        QFETCH(int, rate);
        QFETCH(int, channels);
        QFETCH(int, bits);
        const QString reference = m_dir.filePath("reference.wav");
        if (!QFile::exists(reference)) {
            QProcess cli;
            cli.start("espeak-ng", {"-v", "en-us", "-s", "175", "-w", reference, kSentence});
            QVERIFY(cli.waitForFinished(60000) && cli.exitCode() == 0);
        }
        const double expected = testsupport::ffprobeSeconds(reference);
        QVERIFY(expected > 1.0);

        cOrlath speech;
        speech.setVoice(m_voice);
        speech.setRate(0);
        speech.setVolume(100);
        speech.setAudioFormat(FormatId(format));
        const QString out = m_dir.filePath(format + ".wav");
        QCOMPARE(speech.SpeakToWave(kSentence, out), 0);
        QCOMPARE(ProbeStream(out), (QStringList{codec, QString::number(rate), QString::number(channels)}));
        const double seconds = testsupport::ffprobeSeconds(out);
        QVERIFY2(std::abs(seconds - expected) <= 0.1 * expected,
                 qPrintable(QString("%1 s against %2 s").arg(seconds).arg(expected)));
        QVERIFY2(Peak(out, bits) > 3000, "the speech is not silent");
        // Nothing is left beside it.
        QCOMPARE(QDir(m_dir.path()).entryList({format + "*"}, QDir::Files), QStringList{format + ".wav"});
    }

    // The engine must not carry anything from one text to the next: the same
    // text comes out sample for sample the same every time, whatever was
    // spoken before, and in the engine's own format just as its command line
    // writes it.
    void sameTextGivesTheSameSamplesEveryTime_data() {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("between"); // spoken into a WAV between the two
        QTest::newRow("twice in a row") << "SAFT22kHz16BitMono" << QString();
        QTest::newRow("another text between") << "SAFT22kHz16BitMono"
                                              << "Numbers are hard to read aloud.";
        QTest::newRow("resampled, another text between") << "SAFT44kHz16BitStereo"
                                                         << "Rain, then wind.";
    }
    void sameTextGivesTheSameSamplesEveryTime() {
        QFETCH(QString, format);
        QFETCH(QString, between);
        cOrlath speech;
        speech.setVoice(m_voice);
        speech.setRate(0);
        speech.setVolume(100);
        speech.setAudioFormat(FormatId(format));
        const QString first = m_dir.filePath("same-1.wav"), second = m_dir.filePath("same-2.wav");
        QCOMPARE(speech.SpeakToWave(kSentence, first), 0);
        if (!between.isEmpty()) QCOMPARE(speech.SpeakToWave(between, m_dir.filePath("between.wav")), 0);
        QCOMPARE(speech.SpeakToWave(kSentence, second), 0);
        const QByteArray a = testsupport::wavPcm(first), b = testsupport::wavPcm(second);
        QVERIFY(a.size() > 22050);
        QCOMPARE(b.size(), a.size());
        QVERIFY2(a == b, "the second WAV sounds different");
        if (format != "SAFT22kHz16BitMono") return;
        const QString reference = m_dir.filePath("reference-words.wav");
        if (!QFile::exists(reference)) {
            QProcess cli;
            cli.start("espeak-ng", {"-v", "en-us", "-s", "175", "-w", reference, kSentence});
            QVERIFY(cli.waitForFinished(60000) && cli.exitCode() == 0);
        }
        QCOMPARE(testsupport::wavPcm(reference).size(), b.size());
        QVERIFY2(testsupport::wavPcm(reference) == b, "not what the engine's command line writes");
    }

    void refusedWaveLeavesTheFileAlone() {
        cOrlath speech;
        const QString out = m_dir.filePath("kept.wav");
        QVERIFY(testsupport::writeFileBytes(out, "old"));
        QVERIFY(speech.SpeakToWave("   \n", out) != 0);
        QCOMPARE(speech.ErrorText(), QString("There is no text to speak."));
        QCOMPARE(testsupport::fileBytes(out), QByteArray("old"));

        const QString nowhere = m_dir.filePath("no-such-folder/out.wav");
        QVERIFY(speech.SpeakToWave(kSentence, nowhere) != 0);
        QVERIFY2(speech.ErrorText().contains(nowhere), qPrintable(speech.ErrorText()));
        QVERIFY(!QFile::exists(nowhere));

        // The disk takes only part of the speech (a size limit plays the full
        // disk): the message gives the system's reason, and the file stays.
        speech.setVoice(m_voice);
        struct rlimit old {};
        QCOMPARE(::getrlimit(RLIMIT_FSIZE, &old), 0);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit small = old;
        small.rlim_cur = 20 * 1024 + 333;
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
        const int result = speech.SpeakToWave(kSentence, out);
        ::setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);
        QVERIFY(result != 0);
        QVERIFY2(speech.ErrorText().contains("File too large"), qPrintable(speech.ErrorText()));
        QVERIFY2(speech.ErrorText().contains(out), qPrintable(speech.ErrorText()));
        QCOMPARE(testsupport::fileBytes(out), QByteArray("old"));
    }

    void speaksIntoTheSinkWordByWord_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("English") << QStringLiteral("Say it: the words come one by one.");
        QTest::newRow("non-ASCII") << QStringLiteral("Hello wörld, naïve café, señor Müller.");
    }
    void speaksIntoTheSinkWordByWord() {
        QFETCH(QString, text);
        if (!playertest::HaveAudioServer()) QSKIP("needs the test sound server (scripts/test.sh)");
        playertest::MonitorCapture capture;
        QVERIFY(capture.start());

        cOrlath speech;
        speech.setVoice(m_voice);
        QStringList heard;
        qint32 last = -1;
        bool ordered = true;
        connect(&speech, &cOrlath::WordPosition, this, [&](qint32 start, qint32 length) {
            ordered = ordered && start > last;
            last = start;
            heard << text.mid(start, length);
        });
        QSignalSpy done(&speech, &cOrlath::SpeakDone);
        QVERIFY2(speech.Speak(text), qPrintable(speech.ErrorText()));
        QVERIFY(speech.IsSpeaking());
        QVERIFY(heard.isEmpty()); // nothing from inside the call
        QVERIFY(done.wait(20000));
        QVERIFY(!speech.IsSpeaking());
        QVERIFY(ordered);
        QCOMPARE(heard, Words(text));
        QCoreApplication::processEvents();
        QCOMPARE(done.count(), 1);

        const QVector<qint16> samples = capture.stop();
        QVERIFY2(playertest::SoundingSamples(samples, 0.02) > playertest::kCaptureRate / 5,
                 "the sink received no speech");
    }

    void stopEndsTheSpeechAtOnce() {
        if (!playertest::HaveAudioServer()) QSKIP("needs the test sound server (scripts/test.sh)");
        cOrlath speech;
        speech.setVoice(m_voice);
        QSignalSpy words(&speech, &cOrlath::WordPosition);
        QSignalSpy done(&speech, &cOrlath::SpeakDone);
        QVERIFY(speech.Speak(kSentence + ' ' + kSentence + ' ' + kSentence));
        QVERIFY(words.wait(10000));
        QVERIFY(words.count() < int(Words(kSentence).size()));
        const int wordsAtStop = words.count();
        speech.Stop();
        QVERIFY(!speech.IsSpeaking());
        QCOMPARE(done.count(), 0); // queued, not from inside Stop
        // At once: the events already waiting bring SpeakDone, with no word after it
        // (nothing waits for the rest of the speech to be heard).
        QCoreApplication::processEvents();
        QCOMPARE(done.count(), 1);
        QCOMPARE(words.count(), wordsAtStop);
        // Stopping again when idle says nothing.
        speech.Stop();
        QCoreApplication::processEvents();
        QCOMPARE(done.count(), 1);
    }

    void aNewTextEitherReplacesOrFollows() {
        if (!playertest::HaveAudioServer()) QSKIP("needs the test sound server (scripts/test.sh)");
        const QString first = QStringLiteral("One two three four five six seven eight nine ten.");
        const QString second = QStringLiteral("Last words.");
        for (qint32 flags : {0, cOrlath::kPurgeBeforeSpeak}) {
            cOrlath speech;
            speech.setVoice(m_voice);
            speech.setSpeakFlags(flags);
            QStringList heard;
            QString spoken = first;
            connect(&speech, &cOrlath::WordPosition, this,
                    [&](qint32 start, qint32 length) { heard << spoken.mid(start, length); });
            QSignalSpy done(&speech, &cOrlath::SpeakDone);
            QVERIFY(speech.Speak(first));
            QTRY_VERIFY(!heard.isEmpty());
            QVERIFY(speech.Speak(second));
            if (flags) spoken = second;
            // The queued text is spoken when the first has been heard.
            QObject::connect(&speech, &cOrlath::WordPosition, this, [&](qint32, qint32) {
                if (heard.size() == Words(first).size()) spoken = second;
            });
            QVERIFY(done.wait(20000));
            QCoreApplication::processEvents();
            QCOMPARE(done.count(), 1);
            QCOMPARE(heard.mid(heard.size() - 2), (QStringList{"Last", "words"}));
            if (flags)
                QVERIFY(heard.size() < Words(first).size() + 2);
            else
                QCOMPARE(heard.size(), Words(first).size() + 2);
        }
    }

private:
    QTemporaryDir m_dir;
    qint32 m_voice = -1;
};

QTEST_GUILESS_MAIN(tst_orlath)
#include "tst_orlath.moc"
