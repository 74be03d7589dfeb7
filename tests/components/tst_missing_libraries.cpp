// The program without FFmpeg's libraries, its sound module or the speech
// engine (all loaded on first use): every place that needs them fails with a
// message that says so, and nothing crashes. CTest runs this with
// CORVANE_FFMPEG_DIR, CORVANE_AUDIO_MODULE and CORVANE_ESPEAK_DIR pointing at nothing.
#include "components/AudioDecoder.h"
#include "components/AudioEncoder.h"
#include "components/AudioOutput.h"
#include "components/FFmpegLibrary.h"
#include "components/cAudioConverter.h"
#include "components/cOrlath.h"
#include "components/cPlayer.h"

#include "ListFixtures.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class tst_missing_libraries : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        QVERIFY2(!qEnvironmentVariableIsEmpty("CORVANE_FFMPEG_DIR") &&
                     !qEnvironmentVariableIsEmpty("CORVANE_AUDIO_MODULE"),
                 "run through CTest, which points both at nothing");
        QVERIFY(m_dir.isValid());
        // A valid file: only the libraries are missing.
        QVERIFY(testsupport::writeSilentWav(m_dir.filePath("tone.wav"), 0.1));
    }

    void ffmpegMissingIsSaid() {
        QVERIFY(!components::ffmpeg::Available());
        QVERIFY(components::ffmpeg::LoadError().contains("libav"));

        components::AudioDecoder decoder;
        QVERIFY(!decoder.Open(m_dir.filePath("tone.wav")));
        QVERIFY2(decoder.ErrorText().startsWith("The FFmpeg libraries could not be loaded"),
                 qPrintable(decoder.ErrorText()));

        components::AudioEncoder encoder;
        components::EncoderSetup setup;
        QVERIFY(!encoder.Open(m_dir.filePath("out.wav"), setup, {}, 44100, 2, components::SampleKind::S16));
        QVERIFY2(encoder.ErrorText().startsWith("The FFmpeg libraries could not be loaded"),
                 qPrintable(encoder.ErrorText()));
        QVERIFY(!QFile::exists(m_dir.filePath("out.wav")));

        // The converter refuses the file rather than crashing on it.
        components::cAudioConverter converter;
        QVERIFY(converter.OpenSource(m_dir.filePath("tone.wav")) != components::cAudioConverter::OpenOk);
    }

    void soundModuleMissingIsSaid() {
        QString error;
        QVERIFY(!components::CreateAudioOutput(&error));
        QVERIFY2(error.startsWith("The sound module cannot be loaded"), qPrintable(error));
        QVERIFY(!components::CreateSoundPlayer());
    }

    void speechEngineMissingIsSaid() {
        components::cOrlath speech;
        QCOMPARE(speech.VoiceCount(), 0);
        QSignalSpy done(&speech, &components::cOrlath::SpeakDone);
        QVERIFY(!speech.Speak("Hello."));
        QVERIFY2(speech.ErrorText().startsWith("The speech engine cannot be loaded"),
                 qPrintable(speech.ErrorText()));
        QVERIFY(!speech.IsSpeaking());
        const QString wav = m_dir.filePath("speech.wav");
        QVERIFY(speech.SpeakToWave("Hello.", wav) != 0);
        QVERIFY(speech.ErrorText().startsWith("The speech engine cannot be loaded"));
        QVERIFY(!QFile::exists(wav));
        QCoreApplication::processEvents();
        QCOMPARE(done.count(), 0);
    }

private:
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(tst_missing_libraries)
#include "tst_missing_libraries.moc"
