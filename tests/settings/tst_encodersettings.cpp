#include "SettingsStore.h"
#include "TestEnv.h"

#include "components/cAudioConverter.h"
#include "core/RegistryRoutines.h"
#include "settings/EncoderSettings.h"

#include <QtEndian>
#include <QtTest>
#include <cstring>
#include <functional>
#include <map>

using namespace settings;

namespace {

// Codec lists that do not depend on the encoders of this machine. The tags
// come unsorted, as a converter may list them.
tCodecLists FakeLists(bool withCodecs = true) {
    tCodecLists lists;
    lists.acmTags = [withCodecs](qint32, qint32, qint32, qint32) {
        QStringList tags = withCodecs ? QStringList{"PCM", "GSM 6.10", "IMA ADPCM"} : QStringList{};
        std::stable_sort(tags.begin(), tags.end(), ACMTagLess);
        return tags;
    };
    lists.acmFormats = [](const QString& tag) {
        if (tag.isEmpty()) return QStringList{};
        return QStringList{tag + " A", tag + " B", tag + " C"};
    };
    lists.wmaCodecs = [withCodecs] { return withCodecs ? QStringList{"Codec 1", "Codec 2"} : QStringList{}; };
    lists.wmaFormats = [](qint32 codec) {
        if (codec < 0 || codec > 1) return QStringList{};
        return codec == 0 ? QStringList{"F1a", "F1b"} : QStringList{"F2a", "F2b", "F2c"};
    };
    return lists;
}

// A key below the root the encoder settings name for themselves.
core::RegistryRoutines Reg(const QString& subkey) {
    return testsupport::settingsKey(subkey, core::HKEY_LOCAL_MACHINE, EncoderSettingsKeyRoot());
}

void Store(const QString& subkey, const QString& name, const QVariant& value) {
    QVERIFY(Reg(subkey).SetRegistryValue(name, value, core::REG_SZ));
}

QString Stored(const QString& subkey, const QString& name) {
    return Reg(subkey).GetRegistryValue(name).toString();
}

// Every numeric encoder variable by name, for table-driven checks.
const std::map<QString, std::function<qint64()>>& Variables() {
    static const std::map<QString, std::function<qint64()>> map{
        {"g_lWAVSampleRate", [] { return g_lWAVSampleRate; }},
        {"g_lWAVBitsPerSample", [] { return g_lWAVBitsPerSample; }},
        {"g_lWAVChannelsIndex", [] { return g_lWAVChannelsIndex; }},
        {"g_lMP3Bitrate", [] { return g_lMP3Bitrate; }},
        {"g_lMP3Quality", [] { return g_lMP3Quality; }},
        {"g_lMP3Mode", [] { return g_lMP3Mode; }},
        {"g_bMP3Copyright", [] { return g_bMP3Copyright; }},
        {"g_bMP3ABR", [] { return g_bMP3ABR; }},
        {"g_lMP3MinBitrate", [] { return g_lMP3MinBitrate; }},
        {"g_lWMACodec", [] { return g_lWMACodec; }},
        {"g_lWMAFormat", [] { return g_lWMAFormat; }},
        {"g_bOGGByQuality", [] { return g_bOGGByQuality; }},
        {"g_bOGGByBitrate", [] { return g_bOGGByBitrate; }},
        {"g_lOGGQuality", [] { return g_lOGGQuality; }},
        {"g_lOGGNominalBitrate", [] { return g_lOGGNominalBitrate; }},
        {"g_lAPELevel", [] { return g_lAPELevel; }},
    };
    return map;
}

// Values no load would produce by chance.
void ScrambleVariables() {
    g_lWAVSampleRate = g_lWAVBitsPerSample = g_lWAVChannelsIndex = -7;
    g_sACMTag = g_sACMFormat = "stale";
    g_lMP3Bitrate = g_lMP3Quality = g_lMP3SampleRate = g_lMP3Mode = -7;
    g_lMP3VBRQuality = g_lMP3MinBitrate = g_lMP3MaxBitrate = g_lMP3ABRBitrate = -7;
    g_bMP3ErrorProtect = g_bMP3Original = g_bMP3Copyright = g_bMP3StrictISO = true;
    g_bMP3VBRTag = g_bMP3VBRForceMinBitrate = g_bMP3ABR = true;
    g_lWMACodec = g_lWMAFormat = -7;
    g_bOGGByQuality = g_bOGGByBitrate = true;
    g_lOGGQuality = g_lOGGNominalBitrate = g_lAPELevel = -7;
}

template <typename T> QByteArray Bytes(const T& record) {
    QByteArray bytes(sizeof(T), '\0');
    std::memcpy(bytes.data(), &record, sizeof(T));
    return bytes;
}

qint32 Long(const QByteArray& b, int offset) {
    qint32 v;
    std::memcpy(&v, b.constData() + offset, 4);
    return qFromLittleEndian(v);
}

qint16 Int(const QByteArray& b, int offset) {
    qint16 v;
    std::memcpy(&v, b.constData() + offset, 2);
    return qFromLittleEndian(v);
}

} // namespace

class tst_EncoderSettings : public QObject {
    Q_OBJECT
private slots:
    void defaultsWhenMissing();
    void defaultsWithTheRealConverter();
    void everyFormatRoundTrips();
    void storedTextsKeepTheirBlanks();
    void refusedValuesKeepTheControl_data();
    void refusedValuesKeepTheControl();
    void acmFormatIsLookedUpInTheStoredTag();
    void wmaCodecRefillsItsFormats();
    void oggButtonsAreOneGroup_data();
    void oggButtonsAreOneGroup();
    void noCodecsListed();
    void mp3Record_data();
    void mp3Record();
    void wavWmaOggRecords();
    void outputFormatCodes_data();
    void outputFormatCodes();
};

void tst_EncoderSettings::defaultsWhenMissing() {
    testsupport::TestEnv env;
    ScrambleVariables();
    const tEncoderControls c = LoadEncoderSettings(FakeLists());

    QCOMPARE(g_lWAVSampleRate, 44100);
    QCOMPARE(g_lWAVBitsPerSample, 16);
    QCOMPARE(g_lWAVChannelsIndex, 0); // mono, although the preset is stereo
    QCOMPARE(g_sACMTag, QString("PCM"));
    QCOMPARE(g_sACMFormat, QString("PCM A"));
    QCOMPARE(c.cboTags.items, (QStringList{"GSM 6.10", "IMA ADPCM", "PCM"}));
    QCOMPARE(g_lMP3Bitrate, 128);
    QCOMPARE(g_lMP3Quality, 5);
    QCOMPARE(g_lMP3SampleRate, 44100);
    QCOMPARE(g_lMP3Mode, 0);
    for (bool flag : {g_bMP3ErrorProtect, g_bMP3Original, g_bMP3Copyright, g_bMP3StrictISO, g_bMP3VBRTag,
                      g_bMP3VBRForceMinBitrate, g_bMP3ABR})
        QVERIFY(!flag);
    QCOMPARE(g_lMP3VBRQuality, 5);
    QCOMPARE(g_lMP3MinBitrate, 9);
    QCOMPARE(g_lMP3MaxBitrate, 11);
    QCOMPARE(g_lMP3ABRBitrate, 96);
    QCOMPARE(c.lblMP3Advanced, QString("Advanced..."));
    QVERIFY(!c.MP3AdvancedVisible());
    QCOMPARE(g_lWMACodec, 0);
    QCOMPARE(g_lWMAFormat, 0);
    QCOMPARE(g_lOGGQuality, 0);
    QVERIFY(!g_bOGGByQuality);
    QVERIFY(!g_bOGGByBitrate);
    QCOMPARE(g_lOGGNominalBitrate, 32);
    QCOMPARE(g_lAPELevel, 0);
}

void tst_EncoderSettings::defaultsWithTheRealConverter() {
    testsupport::TestEnv env;
    components::cAudioConverter converter;
    const tCodecLists lists = ConverterCodecLists(converter);
    ScrambleVariables();
    LoadEncoderSettings(lists);
    const QStringList sorted = lists.acmTags(44100, 2, 16, 0);

    QStringList tags;
    connect(&converter, &components::cAudioConverter::ACMTagItem, this, [&](const QString& n) { tags << n; });
    converter.EnumACMTags(1, 44100, 2, 16, 0);
    if (tags.contains("PCM")) {
        QCOMPARE(g_sACMTag, QString("PCM"));
        QCOMPARE(g_sACMFormat, lists.acmFormats("PCM").value(0));
    }
    QCOMPARE(g_lWMACodec, converter.WMACodecCount() > 0 ? 0 : -1);
    QCOMPARE(g_lWMAFormat, converter.WMAFormatCount(0) > 0 ? 0 : -1);
    // The tag list is sorted whatever order the converter gives.
    QStringList expected = tags;
    std::stable_sort(expected.begin(), expected.end(), ACMTagLess);
    QCOMPARE(sorted, expected);
}

void tst_EncoderSettings::everyFormatRoundTrips() {
    testsupport::TestEnv env;
    const tCodecLists lists = FakeLists();
    tEncoderControls c = LoadEncoderSettings(lists);

    // A value other than its default for every stored control.
    QVERIFY(c.cboSamplesWAV.SetText("11025"));
    QVERIFY(c.cboBitrateWAV.SetText("8"));
    QVERIFY(c.cboChannelsWAV.SetIndex(1));
    QVERIFY(c.cboTags.SetText("IMA ADPCM"));
    ChooseACMTag(c, lists);
    QVERIFY(c.cboFormats.SetIndex(2));
    QVERIFY(c.cboMP3Bitrate.SetText("320"));
    QVERIFY(c.cboMP3Quality.SetText("2 "));
    QVERIFY(c.cboMP3Samplerate.SetText("22050"));
    QVERIFY(c.cboMP3Mode.SetIndex(3));
    c.chkMP3ErrorProtect = 1;
    c.chkMP3Original = 1;
    c.chkMP3Copyright = 1;
    c.chkMP3StrictISO = 1;
    QVERIFY(c.cboMP3VBRQuality.SetText("7 "));
    QVERIFY(c.cboMP3MinBitrate.SetText("32"));
    QVERIFY(c.cboMP3MaxBitrate.SetText("256"));
    c.chkMP3VBRTag = 1;
    c.chkMP3VBRForceMinBitrate = 1;
    c.chkMP3ABR = 1;
    QVERIFY(c.cboMP3ABRBitrate.SetText("160"));
    c.lblMP3Advanced = "Simple...";
    QVERIFY(c.cboWMACodecs.SetIndex(1));
    ChooseWMACodec(c, lists);
    QVERIFY(c.cboWMAFormat.SetIndex(2));
    c.SetOggBit(true);
    c.sldOGG = 73;
    QVERIFY(c.cboOggBitNom.SetText("196"));
    QVERIFY(c.cboAPELevel.SetIndex(4));

    core::RegistryRoutines reg = Reg(QString());
    StoreEncoderControls(reg, c);

    ScrambleVariables();
    const tEncoderControls back = LoadEncoderSettings(lists);
    QCOMPARE(back.cboSamplesWAV.Text(), QString("11025"));
    QCOMPARE(back.cboBitrateWAV.Text(), QString("8"));
    QCOMPARE(back.cboChannelsWAV.index, 1);
    QCOMPARE(back.cboTags.Text(), QString("IMA ADPCM"));
    QCOMPARE(back.cboFormats.Text(), QString("IMA ADPCM C"));
    QCOMPARE(back.cboMP3Mode.index, 3);
    QCOMPARE(back.lblMP3Advanced, QString("Simple..."));
    QVERIFY(back.MP3AdvancedVisible());
    QCOMPARE(back.cboWMAFormat.items, (QStringList{"F2a", "F2b", "F2c"}));

    QCOMPARE(g_lWAVSampleRate, 11025);
    QCOMPARE(g_lWAVBitsPerSample, 8);
    QCOMPARE(g_lWAVChannelsIndex, 1);
    QCOMPARE(g_sACMTag, QString("IMA ADPCM"));
    QCOMPARE(g_sACMFormat, QString("IMA ADPCM C"));
    QCOMPARE(g_lMP3Bitrate, 320);
    QCOMPARE(g_lMP3Quality, 2);
    QCOMPARE(g_lMP3SampleRate, 22050);
    QCOMPARE(g_lMP3Mode, 3);
    for (bool flag : {g_bMP3ErrorProtect, g_bMP3Original, g_bMP3Copyright, g_bMP3StrictISO, g_bMP3VBRTag,
                      g_bMP3VBRForceMinBitrate, g_bMP3ABR})
        QVERIFY(flag);
    QCOMPARE(g_lMP3VBRQuality, 7);
    QCOMPARE(g_lMP3MinBitrate, 3);  // "32" is the fourth entry
    QCOMPARE(g_lMP3MaxBitrate, 17); // "256"
    QCOMPARE(g_lMP3ABRBitrate, 160);
    QCOMPARE(g_lWMACodec, 1);
    QCOMPARE(g_lWMAFormat, 2);
    QVERIFY(!g_bOGGByQuality);
    QVERIFY(g_bOGGByBitrate);
    QCOMPARE(g_lOGGQuality, 73);
    QCOMPARE(g_lOGGNominalBitrate, 196);
    QCOMPARE(g_lAPELevel, 4);

    // All 28 values were written, each under its own format's subkey.
    const QList<std::pair<QString, int>> counts{{"Formats\\WAV", 3},  {"Formats\\ACM", 2},
                                                {"Formats\\MP3", 16}, {"Formats\\WMA", 2},
                                                {"Formats\\OGG", 4},  {"Formats\\APE", 1}};
    for (const auto& [subkey, count] : counts)
        QCOMPARE(
            reg.EnumRegistryValues(core::HKEY_LOCAL_MACHINE, EncoderSettingsKeyRoot() + "\\" + subkey).size(),
            count);
}

void tst_EncoderSettings::storedTextsKeepTheirBlanks() {
    testsupport::TestEnv env;
    tEncoderControls c = LoadEncoderSettings(FakeLists());
    QVERIFY(c.cboMP3Bitrate.SetIndex(0)); // "8 "
    core::RegistryRoutines reg = Reg(QString());
    StoreEncoderControls(reg, c);

    QCOMPARE(Stored("Formats\\MP3", "cboMP3Bitrate"), QString("8 "));
    QCOMPARE(Stored("Formats\\MP3", "cboMP3Quality"), QString("5 "));
    QCOMPARE(Stored("Formats\\MP3", "cboMP3Mode"), QString("0"));
    QCOMPARE(Stored("Formats\\MP3", "chkMP3Copyright"), QString("0")); // a missing value clears the preset
    QCOMPARE(Stored("Formats\\MP3", "lblMP3Advanced"), QString("Advanced..."));
    QCOMPARE(Stored("Formats\\OGG", "ptnQualityOGG"), QString("False"));
    QCOMPARE(Stored("Formats\\WAV", "cboChannelsWAV"), QString("0"));

    LoadEncoderSettings(FakeLists());
    QCOMPARE(g_lMP3Bitrate, 8);
    QCOMPARE(g_lMP3Quality, 5);
}

void tst_EncoderSettings::refusedValuesKeepTheControl_data() {
    QTest::addColumn<QString>("subkey");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("variable");
    QTest::addColumn<qint64>("expected");

    QTest::newRow("slider above 100 keeps the preset") << "Formats\\OGG"
                                                       << "sldOGG"
                                                       << "150"
                                                       << "g_lOGGQuality" << 50ll;
    QTest::newRow("slider below 0") << "Formats\\OGG"
                                    << "sldOGG"
                                    << "-1"
                                    << "g_lOGGQuality" << 50ll;
    QTest::newRow("slider in range") << "Formats\\OGG"
                                     << "sldOGG"
                                     << "100"
                                     << "g_lOGGQuality" << 100ll;
    QTest::newRow("empty option text keeps the button") << "Formats\\OGG"
                                                        << "ptnQualityOGG"
                                                        << ""
                                                        << "g_bOGGByQuality" << 1ll;
    QTest::newRow("option as a word") << "Formats\\OGG"
                                      << "ptnQualityOGG"
                                      << "maybe"
                                      << "g_bOGGByQuality" << 1ll;
    QTest::newRow("option in lower case") << "Formats\\OGG"
                                          << "optOggBit"
                                          << "true"
                                          << "g_bOGGByBitrate" << 1ll;
    QTest::newRow("channels beyond the list") << "Formats\\WAV"
                                              << "cboChannelsWAV"
                                              << "5"
                                              << "g_lWAVChannelsIndex" << 1ll;
    QTest::newRow("channels -1") << "Formats\\WAV"
                                 << "cboChannelsWAV"
                                 << "-1"
                                 << "g_lWAVChannelsIndex" << 1ll;
    QTest::newRow("channels as a word") << "Formats\\WAV"
                                        << "cboChannelsWAV"
                                        << "Stereo"
                                        << "g_lWAVChannelsIndex" << 1ll;
    QTest::newRow("sample rate not in the list") << "Formats\\WAV"
                                                 << "cboSamplesWAV"
                                                 << "96000"
                                                 << "g_lWAVSampleRate" << 44100ll;
    QTest::newRow("sample rate in the list") << "Formats\\WAV"
                                             << "cboSamplesWAV"
                                             << "8000"
                                             << "g_lWAVSampleRate" << 8000ll;
    QTest::newRow("bitrate without its blank") << "Formats\\MP3"
                                               << "cboMP3Bitrate"
                                               << "8"
                                               << "g_lMP3Bitrate" << 128ll;
    QTest::newRow("quality without its blank") << "Formats\\MP3"
                                               << "cboMP3Quality"
                                               << "3"
                                               << "g_lMP3Quality" << 5ll;
    QTest::newRow("mode with blanks") << "Formats\\MP3"
                                      << "cboMP3Mode"
                                      << " 2 "
                                      << "g_lMP3Mode" << 2ll;
    QTest::newRow("check box as a word keeps the preset") << "Formats\\MP3"
                                                          << "chkMP3Copyright"
                                                          << "yes"
                                                          << "g_bMP3Copyright" << 1ll;
    QTest::newRow("check box out of range") << "Formats\\MP3"
                                            << "chkMP3ABR"
                                            << "7"
                                            << "g_bMP3ABR" << 0ll;
    QTest::newRow("greyed check box counts as set") << "Formats\\MP3"
                                                    << "chkMP3ABR"
                                                    << "2"
                                                    << "g_bMP3ABR" << 1ll;
    QTest::newRow("WMA codec beyond the list") << "Formats\\WMA"
                                               << "cboWMACodecs"
                                               << "9"
                                               << "g_lWMACodec" << 0ll;
    QTest::newRow("WMA format beyond the list") << "Formats\\WMA"
                                                << "cboWMAFormat"
                                                << "2"
                                                << "g_lWMAFormat" << 0ll;
    QTest::newRow("APE level as text") << "Formats\\APE"
                                       << "cboAPELevel"
                                       << "High"
                                       << "g_lAPELevel" << 0ll;
    QTest::newRow("APE level") << "Formats\\APE"
                               << "cboAPELevel"
                               << "3"
                               << "g_lAPELevel" << 3ll;
    QTest::newRow("min VBR bitrate not in the list") << "Formats\\MP3"
                                                     << "cboMP3MinBitrate"
                                                     << "100"
                                                     << "g_lMP3MinBitrate" << 9ll;
}

void tst_EncoderSettings::refusedValuesKeepTheControl() {
    QFETCH(QString, subkey);
    QFETCH(QString, name);
    QFETCH(QString, stored);
    QFETCH(QString, variable);
    QFETCH(qint64, expected);

    testsupport::TestEnv env;
    // The Ogg quality button is the one set before this value is read.
    Store("Formats\\OGG", "ptnQualityOGG", "True");
    Store(subkey, name, stored);
    ScrambleVariables();
    LoadEncoderSettings(FakeLists());
    QCOMPARE(Variables().at(variable)(), expected);
}

void tst_EncoderSettings::acmFormatIsLookedUpInTheStoredTag() {
    testsupport::TestEnv env;
    Store("Formats\\ACM", "cboTags", "GSM 6.10");
    Store("Formats\\ACM", "cboFormats", "GSM 6.10 B");
    LoadEncoderSettings(FakeLists());
    QCOMPARE(g_sACMTag, QString("GSM 6.10"));
    QCOMPARE(g_sACMFormat, QString("GSM 6.10 B"));

    // A format of another tag is no entry of the stored tag's list.
    Store("Formats\\ACM", "cboFormats", "PCM B");
    LoadEncoderSettings(FakeLists());
    QCOMPARE(g_sACMFormat, QString("GSM 6.10 A"));

    // A tag this computer does not list keeps the preset; the format is then
    // looked up in the preset's list.
    Store("Formats\\ACM", "cboTags", "Gone");
    LoadEncoderSettings(FakeLists());
    QCOMPARE(g_sACMTag, QString("PCM"));
    QCOMPARE(g_sACMFormat, QString("PCM B"));
    Store("Formats\\ACM", "cboFormats", "GSM 6.10 B");
    LoadEncoderSettings(FakeLists());
    QCOMPARE(g_sACMFormat, QString("PCM A"));
}

void tst_EncoderSettings::wmaCodecRefillsItsFormats() {
    testsupport::TestEnv env;
    Store("Formats\\WMA", "cboWMACodecs", "1");
    Store("Formats\\WMA", "cboWMAFormat", "2"); // only the second codec has a third format
    const tEncoderControls c = LoadEncoderSettings(FakeLists());
    QCOMPARE(c.cboWMAFormat.items, (QStringList{"F2a", "F2b", "F2c"}));
    QCOMPARE(g_lWMACodec, 1);
    QCOMPARE(g_lWMAFormat, 2);
    QCOMPARE(WMASettingsRecord().Codec, 1);
    QCOMPARE(WMASettingsRecord().Format, 2);
}

void tst_EncoderSettings::oggButtonsAreOneGroup_data() {
    QTest::addColumn<QVariant>("quality");
    QTest::addColumn<QVariant>("bitrate");
    QTest::addColumn<bool>("byQuality");
    QTest::addColumn<bool>("byBitrate");
    QTest::newRow("both missing clears both") << QVariant() << QVariant() << false << false;
    QTest::newRow("quality only") << QVariant("True") << QVariant("False") << true << false;
    QTest::newRow("bitrate wins, read last") << QVariant("True") << QVariant("True") << false << true;
    QTest::newRow("bitrate only") << QVariant("False") << QVariant("True") << false << true;
}

void tst_EncoderSettings::oggButtonsAreOneGroup() {
    QFETCH(QVariant, quality);
    QFETCH(QVariant, bitrate);
    QFETCH(bool, byQuality);
    QFETCH(bool, byBitrate);
    testsupport::TestEnv env;
    if (quality.isValid()) Store("Formats\\OGG", "ptnQualityOGG", quality);
    if (bitrate.isValid()) Store("Formats\\OGG", "optOggBit", bitrate);
    LoadEncoderSettings(FakeLists());
    QCOMPARE(g_bOGGByQuality, byQuality);
    QCOMPARE(g_bOGGByBitrate, byBitrate);
}

void tst_EncoderSettings::noCodecsListed() {
    testsupport::TestEnv env;
    Store("Formats\\WMA", "cboWMACodecs", "0");
    Store("Formats\\ACM", "cboTags", "PCM");
    const tEncoderControls c = LoadEncoderSettings(FakeLists(false));
    QCOMPARE(g_lWMACodec, -1);
    QCOMPARE(g_lWMAFormat, -1);
    QCOMPARE(g_sACMTag, QString());
    QCOMPARE(g_sACMFormat, QString());
    QVERIFY(c.cboTags.items.isEmpty());

    // OK then stores empty texts and "-1"; the next load gives the same.
    core::RegistryRoutines reg = Reg(QString());
    StoreEncoderControls(reg, c);
    QCOMPARE(Stored("Formats\\WMA", "cboWMACodecs"), QString("-1"));
    QCOMPARE(Stored("Formats\\ACM", "cboTags"), QString());
    LoadEncoderSettings(FakeLists());
    QCOMPARE(g_sACMTag, QString("PCM")); // the empty stored text leaves the preset
    QCOMPARE(g_lWMACodec, 0);            // "-1" is no position of the list
}

void tst_EncoderSettings::mp3Record_data() {
    QTest::addColumn<bool>("vbrTag");
    QTest::addColumn<bool>("abr");
    QTest::addColumn<qint32>("method");
    QTest::addColumn<qint16>("writeTag");
    QTest::newRow("neither") << false << false << 0 << qint16(0);
    QTest::newRow("VBR tag only") << true << false << 4 << qint16(-1);
    QTest::newRow("ABR only") << false << true << 3 << qint16(0);
    QTest::newRow("both: ABR wins, tag still written") << true << true << 3 << qint16(-1);
}

void tst_EncoderSettings::mp3Record() {
    QFETCH(bool, vbrTag);
    QFETCH(bool, abr);
    QFETCH(qint32, method);
    QFETCH(qint16, writeTag);

    g_lMP3ABRBitrate = 96;
    g_lMP3Bitrate = 128;
    g_bMP3Copyright = true;
    g_bMP3ErrorProtect = false;
    g_lMP3Mode = 1;
    g_bMP3Original = true;
    g_lMP3SampleRate = 44100;
    g_lMP3Quality = 5;
    g_bMP3StrictISO = true;
    g_bMP3VBRTag = vbrTag;
    g_bMP3ABR = abr;
    g_bMP3VBRForceMinBitrate = true;
    g_lMP3MinBitrate = 9;
    g_lMP3MaxBitrate = 11;
    g_lMP3VBRQuality = 4;

    const QByteArray b = Bytes(MP3SettingsRecord());
    QCOMPARE(b.size(), 56);
    QCOMPARE(Long(b, 0), 96);
    QCOMPARE(Long(b, 4), 128);
    QCOMPARE(Int(b, 8), qint16(-1));
    QCOMPARE(Int(b, 10), qint16(0));
    QCOMPARE(Long(b, 12), 1);
    QCOMPARE(Int(b, 16), qint16(-1));
    QCOMPARE(Long(b, 20), 44100);
    QCOMPARE(Long(b, 24), 5);
    QCOMPARE(Int(b, 28), qint16(-1));
    QCOMPARE(Long(b, 32), method);
    QCOMPARE(Int(b, 36), qint16(-1));
    QCOMPARE(Long(b, 40), 9);
    QCOMPARE(Long(b, 44), 11);
    QCOMPARE(Long(b, 48), 4);
    QCOMPARE(Int(b, 52), writeTag);
    for (int padding : {18, 30, 38, 54})
        QCOMPARE(Int(b, padding), qint16(0));
}

void tst_EncoderSettings::wavWmaOggRecords() {
    g_lWAVSampleRate = 44100;
    g_lWAVChannelsIndex = 1;
    g_lWAVBitsPerSample = 16;
    QByteArray b = Bytes(WAVSettingsRecord());
    QCOMPARE(b.size(), 8);
    QCOMPARE(Long(b, 0), 44100);
    QCOMPARE(Int(b, 4), qint16(2));
    QCOMPARE(Int(b, 6), qint16(16));
    g_lWAVChannelsIndex = 0;
    QCOMPARE(WAVSettingsRecord().Channels, qint16(1));

    g_lWMACodec = 1;
    g_lWMAFormat = 7;
    b = Bytes(WMASettingsRecord());
    QCOMPARE(Long(b, 0), 1);
    QCOMPARE(Long(b, 4), 7);

    g_lOGGQuality = 50;
    g_lOGGNominalBitrate = 128;
    g_bOGGByBitrate = true;
    b = Bytes(OGGSettingsRecord());
    QCOMPARE(b.size(), 12);
    QCOMPARE(Long(b, 0), 2);
    QCOMPARE(Long(b, 4), 128);
    QCOMPARE(Long(b, 8), 0);
    g_bOGGByBitrate = false; // both buttons cleared counts as quality
    g_bOGGByQuality = false;
    b = Bytes(OGGSettingsRecord());
    QCOMPARE(Long(b, 0), 0);
    QCOMPARE(Long(b, 4), 0);
    QCOMPARE(Long(b, 8), 50);
}

void tst_EncoderSettings::outputFormatCodes_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint32>("code");
    QTest::newRow("WAV") << "WAV - Waveform Audio Format (*.wav)" << 1;
    QTest::newRow("ACM") << "ACM" << 2;
    QTest::newRow("MP3") << "MP3 - MPEG-1 Audio Layer 3 (*.mp3)" << 3;
    QTest::newRow("mp3 lower case") << "mp3 - x" << 3;
    QTest::newRow("WMA") << "WMA" << 4;
    QTest::newRow("OGG") << "OGG" << 5;
    QTest::newRow("APE") << "APE" << 6;
    QTest::newRow("empty") << "" << 1;
    QTest::newRow("unknown") << "FLAC" << 1;
}

void tst_EncoderSettings::outputFormatCodes() {
    QFETCH(QString, text);
    QFETCH(qint32, code);
    QCOMPARE(OutputFormatCode(text), code);
}

QTEST_MAIN(tst_EncoderSettings)
#include "tst_encodersettings.moc"
