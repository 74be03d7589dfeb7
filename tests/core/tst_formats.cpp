// Supported input formats and the output format codes.
#include "core/mdlSupportedDestination.h"
#include "core/mdlSupportedFormats.h"

#include <QtTest>

using namespace core;

class tst_formats : public QObject {
    Q_OBJECT
private slots:
    void destinationFormatCode_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("code");
        QTest::newRow("WAV") << "WAV - Waveform Audio Format (*.wav)" << 0;
        QTest::newRow("ACM") << "ACM - Waveform ACM Codecs (*.wav)" << 1;
        QTest::newRow("MP3") << "MP3 - MPEG-1 Audio Layer 3 (*.mp3)" << 2;
        QTest::newRow("WMA") << "WMA - Windows Media Audio files (*.wma)" << 3;
        QTest::newRow("OGG") << "OGG - Ogg Media Format (*.ogg)" << 4;
        QTest::newRow("APE") << "APE - Monkey 's Audio (*.ape)" << 5;
        QTest::newRow("lower case") << "mp3 - whatever" << 2;
        QTest::newRow("mixed case, short") << "Ogg" << 4;
        QTest::newRow("unknown runs as WAV") << "FLAC - Free Lossless" << 0;
        QTest::newRow("too short") << "MP" << 0;
        QTest::newRow("empty") << "" << 0;
        QTest::newRow("leading blank") << " MP3" << 0;
    }
    void destinationFormatCode() {
        QFETCH(QString, text);
        QFETCH(int, code);
        QCOMPARE(GetDestinationFormatCode(text), code);
    }

    void supportedFilesFilter() {
        const QString filter = GetSupportedFilesFilter();
        QCOMPARE(filter.count(QChar(0)), 10);
        QVERIFY(filter.endsWith(QChar(0)));
        const QStringList parts = filter.split(QChar(0));
        QCOMPARE(parts,
                 QStringList({"All supported audio files (*.mp3;*.ogg;*.wav;*.wma;)",
                              "*.mp3;*.ogg;*.wav;*.wma;", "MPEG-1 Audio Layer 3 (MP3) (*.mp3)", "*.mp3",
                              "Ogg Media format (*.ogg)", "*.ogg", "Waveform audio format (*.wav)", "*.wav",
                              "Windows Media Audio files (*.wma)", "*.wma", ""}));
    }
};

QTEST_MAIN(tst_formats)
#include "tst_formats.moc"
