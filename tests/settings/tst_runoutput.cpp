// The output hand-over of a run: the target format's settings from the
// encoder settings variables, its extension and its log line.
#include "settings/EncoderSettings.h"
#include "settings/RunOutput.h"
#include "settings/SettingsVariables.h"

#include <QtTest>

using namespace core;
using namespace settings;

class tst_RunOutput : public QObject {
    Q_OBJECT

private slots:
    void outputFormats() {
        settings::g_lMP3Bitrate = 128;
        settings::g_bMP3VBRTag = false;
        settings::g_bMP3ABR = false;
        RunOutput o = OutputForFormat("MP3 - MPEG-1 Audio Layer 3 (*.mp3)");
        QCOMPARE(o.settings.outputFormat, 3);
        QCOMPARE(o.settings.mp3.Bitrate, 128);
        QCOMPARE(o.settings.mp3.VBRMethod, 0);
        QCOMPARE(o.logLine, QString("Destination format: MP3"));
        QCOMPARE(*o.destExtension, QString("mp3"));
        settings::g_bMP3VBRTag = true;
        settings::g_bMP3ABR = true;
        o = OutputForFormat("mp3 - lower case");
        QCOMPARE(o.settings.mp3.VBRMethod, 3);
        QCOMPARE(o.settings.mp3.WriteVBRTag, qint16(-1));

        settings::g_lWAVSampleRate = 44100;
        settings::g_lWAVChannelsIndex = 1;
        settings::g_lWAVBitsPerSample = 16;
        o = OutputForFormat("");
        QCOMPARE(o.settings.outputFormat, 1);
        QCOMPARE(o.settings.wav.Channels, qint16(2));
        QCOMPARE(o.logLine, QString("Destination format: WAV"));
        QVERIFY(!o.destExtension);

        settings::g_bOGGByBitrate = true;
        settings::g_lOGGNominalBitrate = 128;
        o = OutputForFormat("OGG - Ogg Vorbis (*.ogg)");
        QCOMPARE(o.settings.outputFormat, 5);
        QCOMPARE(o.settings.ogg.Mode, 2);
        QCOMPARE(o.settings.ogg.NominalBitrate, 128);
        QCOMPARE(o.logLine, QString("Destination format: OGG"));

        o = OutputForACM("IMA ADPCM", "22050 Hz, 4 Bit, Mono");
        QCOMPARE(o.settings.outputFormat, 2);
        QCOMPARE(o.settings.acmTag, QString("IMA ADPCM"));
        QCOMPARE(*o.destExtension, QString("wav"));
        QCOMPARE(o.logLine, QString("Destination format: ACM WAV"));
    }
};

QTEST_GUILESS_MAIN(tst_RunOutput)
#include "tst_runoutput.moc"
