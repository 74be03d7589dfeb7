// The program without FFmpeg's libraries or its sound module (both loaded on
// first use): every place that needs them fails with a message that says so,
// and nothing crashes. CTest runs this with CORVANE_FFMPEG_DIR and
// CORVANE_AUDIO_MODULE pointing at nothing.
#include "components/AudioDecoder.h"
#include "components/AudioEncoder.h"
#include "components/AudioOutput.h"
#include "components/FFmpegLibrary.h"
#include "components/cAudioConverter.h"
#include "components/cPlayer.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// A tiny valid WAV file: the file is fine, only the libraries are missing.
QString WriteWav(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly)) return QString();
    const QByteArray pcm(4410 * 4, '\0');
    QByteArray h;
    auto u32 = [&h](quint32 v) { h.append(reinterpret_cast<const char*>(&v), 4); };
    auto u16 = [&h](quint16 v) { h.append(reinterpret_cast<const char*>(&v), 2); };
    h.append("RIFF");
    u32(quint32(36 + pcm.size()));
    h.append("WAVEfmt ");
    u32(16);
    u16(1);
    u16(2);
    u32(44100);
    u32(44100 * 4);
    u16(4);
    u16(16);
    h.append("data");
    u32(quint32(pcm.size()));
    f.write(h + pcm);
    return path;
}

} // namespace

class tst_missing_libraries : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        QVERIFY2(!qEnvironmentVariableIsEmpty("CORVANE_FFMPEG_DIR") &&
                     !qEnvironmentVariableIsEmpty("CORVANE_AUDIO_MODULE"),
                 "run through CTest, which points both at nothing");
        QVERIFY(m_dir.isValid());
        QVERIFY(!WriteWav(m_dir.filePath("tone.wav")).isEmpty());
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

private:
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(tst_missing_libraries)
#include "tst_missing_libraries.moc"
