// The program without the libraries it loads on first use (FFmpeg, its sound
// module, the speech engine, the CD, burning, disc image and MP3 encoder
// libraries): every place that needs them fails with a message that says so,
// and nothing crashes. CTest runs this with CORVANE_FFMPEG_DIR,
// CORVANE_AUDIO_MODULE, CORVANE_ESPEAK_DIR and CORVANE_LIBRARY_DIR pointing at nothing.
#include "components/AudioDecoder.h"
#include "components/AudioEncoder.h"
#include "components/AudioOutput.h"
#include "components/AudioWriterSeam.h"
#include "components/DataDiscBurner.h"
#include "components/DriveRegistry.h"
#include "components/FFmpegLibrary.h"
#include "components/Mp3Writer.h"
#include "components/cAudioCDRipper.h"
#include "components/cAudioConverter.h"
#include "components/cAudioDataBurner.h"
#include "components/cBurner.h"
#include "components/cOrlath.h"
#include "components/cPlayer.h"

#include "DiscImages.h"
#include "ListFixtures.h"
#include "TestEnv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
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

    // An audio CD image in a virtual drive: the drive is listed, its disc is
    // unreadable for the reason, and a rip from it ends in an error that says it.
    void cdLibraryMissingIsSaid() {
        testsupport::TestEnv env(false);
        QVERIFY(!testsupport::writeAudioCueBin(env.addVirtualDrive("cd"), {1}).isEmpty());
        const QString why = "The CD library libcdio could not be loaded";
        QCOMPARE(components::DriveRegistry::instance().count(), 1);
        const components::DiscInfo disc = components::DriveRegistry::instance().readDisc(0);
        QCOMPARE(disc.kind, components::DiscKind::Unreadable);
        QVERIFY2(disc.error.startsWith(why), qPrintable(disc.error));

        components::cAudioCDRipper ripper;
        QVERIFY(ripper.SelectDevice(0));
        QCOMPARE(ripper.TrackCount(), 0);
        ripper.setOutputFormat(1);
        ripper.setDeviceIndex(0);
        ripper.setTrack(1);
        const QString wav = env.path("out") + "/track.wav";
        ripper.setDestinationFile(wav);
        QSignalSpy error(&ripper, &components::cAudioCDRipper::Error);
        QSignalSpy done(&ripper, &components::cAudioCDRipper::Done);
        ripper.StartRip();
        QTRY_COMPARE_WITH_TIMEOUT(error.count(), 1, 60000);
        QVERIFY2(error.at(0).at(1).toString().contains(why), qPrintable(error.at(0).at(1).toString()));
        QCOMPARE(done.count(), 0);
        QVERIFY(!QFile::exists(wav));
    }

    // A writer (libburn's "stdio:" address, as the tests use for a real one)
    // and a data disc for a virtual drive (libisofs makes its image).
    void burnLibrariesMissingAreSaid() {
        QVERIFY(!components::DataDiscBurner::librariesReady());
        QVERIFY(!components::cBurner::IsInstalled());

        const QString target = "stdio:" + m_dir.filePath("writer.bin");
        const QString why = "The CD writing library libburn could not be loaded";
        std::shared_ptr<components::AudioWriterSeam> writer = components::makeLibburnWriter();
        const components::AudioWriterSeam::Medium medium = writer->medium(target);
        QCOMPARE(medium.state, components::AudioWriterSeam::Medium::Missing);
        QVERIFY2(medium.detail.startsWith(why), qPrintable(medium.detail));
        QVERIFY(writer->writeSpeeds(target).isEmpty());
        QString error;
        components::AudioWriterSeam::Track track;
        track.pcmFile = m_dir.filePath("tone.wav");
        track.bytes = QFileInfo(track.pcmFile).size();
        QVERIFY(!writer->startAudio(target, {track}, 0, true, &error));
        QVERIFY2(error.startsWith(why), qPrintable(error));
        QVERIFY(!QFile::exists(m_dir.filePath("writer.bin")));

        testsupport::TestEnv env(false);
        const QString drive = env.addVirtualDrive("blank");
        components::cAudioDataBurner burner;
        QVERIFY(burner.AddFile(m_dir.filePath("tone.wav")));
        QSignalSpy failed(&burner, &components::cAudioDataBurner::Error);
        QSignalSpy finished(&burner, &components::cAudioDataBurner::BurnFinished);
        burner.BurnDisc("D", components::cAudioDataBurner::kMaxSpeed);
        QTRY_COMPARE_WITH_TIMEOUT(failed.count(), 1, 60000);
        const QString message = failed.at(0).at(1).toString();
        QVERIFY2(message.startsWith("The disc image library libisofs could not be loaded"),
                 qPrintable(message));
        QCOMPARE(finished.count(), 0);
        QVERIFY(QDir(drive).isEmpty());
    }

    void mp3EncoderMissingIsSaid() {
        components::Mp3Writer mp3;
        components::tMP3Settings m;
        m.Bitrate = 128;
        m.SampleRate = 44100;
        m.Quality = 5;
        const QString path = m_dir.filePath("out.mp3");
        QVERIFY(!mp3.Open(path, m, 44100, 2, components::EncoderTags{}));
        QCOMPARE(mp3.ErrorKind(), components::Mp3Writer::Failure::Encoder);
        QVERIFY2(mp3.ErrorText().startsWith("The MP3 encoder library could not be loaded"),
                 qPrintable(mp3.ErrorText()));
        QVERIFY(!QFile::exists(path));
    }

private:
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(tst_missing_libraries)
#include "tst_missing_libraries.moc"
