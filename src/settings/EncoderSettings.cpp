#include "settings/EncoderSettings.h"

#include "components/cAudioConverter.h"
#include "core/RegistryRoutines.h"
#include "core/mdlModes.h"
#include "core/mdlSupportedDestination.h"
#include "settings/StoredValues.h"

#include <QByteArray>
#include <QVariant>
#include <algorithm>
#include <optional>

namespace settings {

qint32 g_lWAVSampleRate = 44100;
qint32 g_lWAVBitsPerSample = 16;
qint32 g_lWAVChannelsIndex = 0;
QString g_sACMTag;
QString g_sACMFormat;
qint32 g_lMP3Bitrate = 128;
qint32 g_lMP3Quality = 5;
qint32 g_lMP3SampleRate = 44100;
qint32 g_lMP3Mode = 0;
bool g_bMP3ErrorProtect = false;
bool g_bMP3Original = false;
bool g_bMP3Copyright = false;
bool g_bMP3StrictISO = false;
qint32 g_lMP3VBRQuality = 5;
qint32 g_lMP3MinBitrate = 9;
qint32 g_lMP3MaxBitrate = 11;
bool g_bMP3VBRTag = false;
bool g_bMP3VBRForceMinBitrate = false;
bool g_bMP3ABR = false;
qint32 g_lMP3ABRBitrate = 96;
qint32 g_lWMACodec = 0;
qint32 g_lWMAFormat = 0;
bool g_bOGGByQuality = false;
qint32 g_lOGGQuality = 0;
bool g_bOGGByBitrate = false;
qint32 g_lOGGNominalBitrate = 32;
qint32 g_lAPELevel = 0;

namespace {

const QString kAdvanced = QStringLiteral("Advanced...");

// A stored value as a 16-bit integer: a missing value is 0; a value that is
// no number or out of range gives nothing (the control stays as it was).
std::optional<qint16> ToInt16(const QVariant& value) {
    if (!value.isValid()) return qint16(0);
    // An empty text is no number here, as a word is not.
    const std::optional<qint64> number = value.isNull() ? std::nullopt : StoredNumber(value);
    if (!number || *number < -32768 || *number > 32767) return std::nullopt;
    return static_cast<qint16>(*number);
}

// A stored value as a Boolean: missing is False; "True"/"False" in any case
// or a number (not 0 = True); anything else, an empty text too, gives nothing.
std::optional<bool> ToBool(const QVariant& value) {
    if (!value.isValid()) return false;
    const QString text = StoredText(value).trimmed();
    if (text.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0) return true;
    if (text.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0) return false;
    if (const auto number = TextToNumber(text)) return *number != 0;
    return std::nullopt;
}

std::optional<qint32> TextToLong(const QString& text) {
    const auto number = TextToNumber(text);
    if (!number || *number < INT32_MIN || *number > INT32_MAX) return std::nullopt;
    return static_cast<qint32>(*number);
}

void SetFromText(qint32& variable, const tPickList& list) {
    if (const auto number = TextToLong(list.Text())) variable = *number;
}

QString BoolText(bool value) {
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

qint16 RecordBool(bool value) {
    return value ? kRecordTrue : kRecordFalse;
}

void LoadText(const core::RegistryRoutines& reg, const char* name, tPickList& list) {
    list.SetText(StoredText(reg.GetRegistryValue(QLatin1String(name))));
}

bool LoadPosition(const core::RegistryRoutines& reg, const char* name, tPickList& list) {
    const auto position = ToInt16(reg.GetRegistryValue(QLatin1String(name)));
    return position && list.SetIndex(*position);
}

void LoadCheck(const core::RegistryRoutines& reg, const char* name, qint16& box) {
    const auto value = ToInt16(reg.GetRegistryValue(QLatin1String(name)));
    if (value && *value >= 0 && *value <= 2) box = *value;
}

} // namespace

bool ACMTagLess(const QString& a, const QString& b) {
    const int order = a.compare(b, Qt::CaseInsensitive);
    return order != 0 ? order < 0 : a < b;
}

// ---------------------------------------------------------------------------
// Records

tWAVSettings WAVSettingsRecord() {
    tWAVSettings r;
    r.SampleRate = g_lWAVSampleRate;
    r.Channels = static_cast<qint16>(g_lWAVChannelsIndex + 1);
    r.BitsPerSample = static_cast<qint16>(g_lWAVBitsPerSample);
    return r;
}

tMP3Settings MP3SettingsRecord() {
    tMP3Settings r;
    r.ABRBitrate = g_lMP3ABRBitrate;
    r.Bitrate = g_lMP3Bitrate;
    r.Copyright = RecordBool(g_bMP3Copyright);
    r.ErrorProtect = RecordBool(g_bMP3ErrorProtect);
    r.Mode = g_lMP3Mode;
    r.Original = RecordBool(g_bMP3Original);
    r.SampleRate = g_lMP3SampleRate;
    r.Quality = g_lMP3Quality;
    r.StrictISO = RecordBool(g_bMP3StrictISO);
    // The VBR tag first, then ABR, so that ABR wins while the tag is still written.
    if (g_bMP3VBRTag) {
        r.VBRMethod = 4;
        r.WriteVBRTag = kRecordTrue;
    }
    if (g_bMP3ABR) r.VBRMethod = 3;
    r.VBRForceMinBitrate = RecordBool(g_bMP3VBRForceMinBitrate);
    r.MinBitrate = g_lMP3MinBitrate;
    r.MaxBitrate = g_lMP3MaxBitrate;
    r.VBRQuality = g_lMP3VBRQuality;
    return r;
}

tWMASettings WMASettingsRecord() {
    tWMASettings r;
    r.Codec = g_lWMACodec;
    r.Format = g_lWMAFormat;
    return r;
}

tOGGSettings OGGSettingsRecord() {
    tOGGSettings r;
    if (g_bOGGByBitrate) {
        r.Mode = 2;
        r.NominalBitrate = g_lOGGNominalBitrate;
    } else {
        r.Quality = g_lOGGQuality;
    }
    return r;
}

qint32 OutputFormatCode(const QString& formatText) {
    return core::GetDestinationFormatCode(formatText) + 1;
}

// ---------------------------------------------------------------------------
// Lists

QString EncoderSettingsKeyRoot() {
    return "SOFTWARE\\" + core::g_sCompany + "\\" + core::g_sProductName;
}

const QStringList& SamplesWAVEntries() {
    static const QStringList list{"44100", "22050", "11025", "8000"};
    return list;
}

const QStringList& BitrateWAVEntries() {
    static const QStringList list{"8", "16"};
    return list;
}

const QStringList& ChannelsWAVEntries() {
    static const QStringList list{"Mono", "Stereo"};
    return list;
}

const QStringList& MP3BitrateEntries() {
    static const QStringList list{"8 ",  "16",  "24",  "32",  "40",  "48",  "56",  "64",  "80", "96",
                                  "112", "128", "144", "160", "176", "192", "224", "256", "320"};
    return list;
}

const QStringList& MP3QualityEntries() {
    static const QStringList list{"0 ", "1 ", "2 ", "3 ", "4 ", "5 ", "6 ", "7 ", "8 ", "9 "};
    return list;
}

const QStringList& MP3ModeEntries() {
    static const QStringList list{"STEREO_MODE = 0", "JOINT_STEREO_MODE = 1", "DUAL_CHANNEL_MODE = 2",
                                  "MONO_MODE = 3",   "NOT_SET_MODE = 4",      "FORCE_JOINT_STEREO_MODE = 5"};
    return list;
}

const QStringList& MP3SamplerateEntries() {
    static const QStringList list{"8000",  "11025", "12000", "16000", "22050",
                                  "24000", "32000", "44100", "48000"};
    return list;
}

const QStringList& OggBitNomEntries() {
    static const QStringList list{"32", "40", "48", "64", "80", "96", "128", "160", "196", "256", "350"};
    return list;
}

const QStringList& APELevelEntries() {
    static const QStringList list{"Fast", "Normal", "High", "Extra high", "Slow"};
    return list;
}

bool tPickList::SetText(const QString& text) {
    if (text.isEmpty()) return false;
    // The exact entry first, so that entries differing only in case stay apart.
    qint32 found = static_cast<qint32>(items.indexOf(text));
    if (found < 0)
        for (qint32 i = 0; i < items.size(); ++i)
            if (items.at(i).compare(text, Qt::CaseInsensitive) == 0) {
                found = i;
                break;
            }
    if (found < 0) return false;
    index = found;
    return true;
}

bool tPickList::SetIndex(qint32 position) {
    if (position < 0 || position >= items.size()) return false;
    index = position;
    return true;
}

tEncoderControls::tEncoderControls() {
    cboSamplesWAV.items = SamplesWAVEntries();
    cboChannelsWAV.items = ChannelsWAVEntries();
    cboMP3Bitrate.items = MP3BitrateEntries();
    cboMP3Quality.items = MP3QualityEntries();
    cboMP3Samplerate.items = MP3SamplerateEntries();
    cboMP3Mode.items = MP3ModeEntries();
    cboMP3VBRQuality.items = MP3QualityEntries();
    cboMP3MinBitrate.items = MP3BitrateEntries();
    cboMP3MaxBitrate.items = MP3BitrateEntries();
    cboMP3ABRBitrate.items = MP3BitrateEntries();
    cboOggBitNom.items = OggBitNomEntries();
    cboAPELevel.items = APELevelEntries();
}

void tEncoderControls::SetQualityOGG(bool value) {
    ptnQualityOGG = value;
    if (value) optOggBit = false;
}

void tEncoderControls::SetOggBit(bool value) {
    optOggBit = value;
    if (value) ptnQualityOGG = false;
}

// ---------------------------------------------------------------------------
// Codec lists

QStringList ACMTagNames(components::cAudioConverter& converter, qint32 samplesPerSec, qint32 channels,
                        qint32 bitsPerSample, qint32 flags) {
    QStringList names;
    const auto connection = QObject::connect(&converter, &components::cAudioConverter::ACMTagItem,
                                             [&names](const QString& name) { names << name; });
    converter.EnumACMTags(1, samplesPerSec, channels, bitsPerSample, flags);
    QObject::disconnect(connection);
    std::stable_sort(names.begin(), names.end(), ACMTagLess);
    return names;
}

QStringList ACMFormatNames(components::cAudioConverter& converter, const QString& tag) {
    QStringList names;
    const auto connection = QObject::connect(&converter, &components::cAudioConverter::ACMFormatItem,
                                             [&names](const QString& name) { names << name; });
    converter.EnumACMFormats(tag);
    QObject::disconnect(connection);
    return names;
}

tCodecLists ConverterCodecLists(components::cAudioConverter& converter) {
    components::cAudioConverter* conv = &converter;
    tCodecLists lists;
    lists.acmTags = [conv](qint32 rate, qint32 channels, qint32 bits, qint32 flags) {
        return ACMTagNames(*conv, rate, channels, bits, flags);
    };
    lists.acmFormats = [conv](const QString& tag) { return ACMFormatNames(*conv, tag); };
    lists.wmaCodecs = [conv] {
        QStringList names;
        const qint32 count = conv->WMACodecCount();
        for (qint32 i = 0; i < count; ++i)
            names << conv->WMACodecName(i);
        return names;
    };
    lists.wmaFormats = [conv](qint32 codec) {
        QStringList names;
        const qint32 count = conv->WMAFormatCount(codec);
        for (qint32 i = 0; i < count; ++i)
            names << conv->WMAFormatName(codec, i);
        return names;
    };
    return lists;
}

void ChooseACMTag(tEncoderControls& c, const tCodecLists& lists) {
    c.cboFormats.items = lists.acmFormats ? lists.acmFormats(c.cboTags.Text()) : QStringList();
    c.cboFormats.index = c.cboFormats.items.isEmpty() ? -1 : 0;
}

void ChooseWMACodec(tEncoderControls& c, const tCodecLists& lists) {
    c.cboWMAFormat.items = lists.wmaFormats && c.cboWMACodecs.index >= 0
                               ? lists.wmaFormats(c.cboWMACodecs.index)
                               : QStringList();
    c.cboWMAFormat.index = c.cboWMAFormat.items.isEmpty() ? -1 : 0;
}

// ---------------------------------------------------------------------------
// Presets, load, store

void PresetEncoderControls(tEncoderControls& c, const tCodecLists& lists) {
    c.cboBitrateWAV.items = BitrateWAVEntries();
    c.cboBitrateWAV.SetText("16");
    c.cboSamplesWAV.SetText("44100");
    c.cboChannelsWAV.SetText("Stereo");

    c.cboWMACodecs.items = lists.wmaCodecs ? lists.wmaCodecs() : QStringList();
    c.cboWMACodecs.index = -1;
    if (c.cboWMACodecs.SetIndex(0))
        ChooseWMACodec(c, lists);
    else
        c.cboWMAFormat = tPickList{};

    c.cboAPELevel.SetText("Fast");
    c.cboOggBitNom.SetText("32");
    c.sldOGG = 50;
    c.cboMP3Bitrate.SetText("128");
    c.cboMP3Mode.SetText("STEREO_MODE = 0");
    c.cboMP3Samplerate.SetText("44100");
    c.cboMP3Quality.SetText("5 ");
    c.chkMP3Copyright = 1;
    c.chkMP3Original = 1;
    c.chkMP3VBRTag = 1;
    c.cboMP3VBRQuality.SetText("5 ");
    c.cboMP3MaxBitrate.SetText("128");
    c.cboMP3MinBitrate.SetText("96");
    c.cboMP3ABRBitrate.SetText("96");

    c.cboTags.items = lists.acmTags ? lists.acmTags(44100, 2, 16, 0) : QStringList();
    c.cboTags.index = -1;
    c.cboFormats = tPickList{};
    if (!c.cboTags.items.isEmpty()) {
        c.cboTags.SetText("PCM");
        ChooseACMTag(c, lists);
    }
}

void LoadEncoderControls(core::RegistryRoutines& reg, tEncoderControls& c, const tCodecLists& lists) {
    reg.setSubkey("Formats\\WAV");
    LoadText(reg, "cboSamplesWAV", c.cboSamplesWAV);
    LoadText(reg, "cboBitrateWAV", c.cboBitrateWAV);
    LoadPosition(reg, "cboChannelsWAV", c.cboChannelsWAV);

    // The format is looked up in the list of the stored tag.
    reg.setSubkey("Formats\\ACM");
    if (c.cboTags.SetText(StoredText(reg.GetRegistryValue("cboTags")))) ChooseACMTag(c, lists);
    LoadText(reg, "cboFormats", c.cboFormats);

    reg.setSubkey("Formats\\MP3");
    LoadText(reg, "cboMP3Bitrate", c.cboMP3Bitrate);
    LoadText(reg, "cboMP3Quality", c.cboMP3Quality);
    LoadText(reg, "cboMP3Samplerate", c.cboMP3Samplerate);
    LoadPosition(reg, "cboMP3Mode", c.cboMP3Mode);
    LoadCheck(reg, "chkMP3ErrorProtect", c.chkMP3ErrorProtect);
    LoadCheck(reg, "chkMP3Original", c.chkMP3Original);
    LoadCheck(reg, "chkMP3Copyright", c.chkMP3Copyright);
    LoadCheck(reg, "chkMP3StrictISO", c.chkMP3StrictISO);
    LoadText(reg, "cboMP3VBRQuality", c.cboMP3VBRQuality);
    LoadText(reg, "cboMP3MinBitrate", c.cboMP3MinBitrate);
    LoadText(reg, "cboMP3MaxBitrate", c.cboMP3MaxBitrate);
    LoadCheck(reg, "chkMP3VBRTag", c.chkMP3VBRTag);
    LoadCheck(reg, "chkMP3VBRForceMinBitrate", c.chkMP3VBRForceMinBitrate);
    LoadCheck(reg, "chkMP3ABR", c.chkMP3ABR);
    LoadText(reg, "cboMP3ABRBitrate", c.cboMP3ABRBitrate);
    c.lblMP3Advanced = StoredText(reg.GetRegistryValue("lblMP3Advanced"));
    if (c.lblMP3Advanced.isEmpty()) c.lblMP3Advanced = kAdvanced;

    reg.setSubkey("Formats\\WMA");
    if (LoadPosition(reg, "cboWMACodecs", c.cboWMACodecs)) ChooseWMACodec(c, lists);
    LoadPosition(reg, "cboWMAFormat", c.cboWMAFormat);

    reg.setSubkey("Formats\\OGG");
    if (const auto value = ToBool(reg.GetRegistryValue("ptnQualityOGG"))) c.SetQualityOGG(*value);
    if (const auto value = ToInt16(reg.GetRegistryValue("sldOGG")); value && *value >= 0 && *value <= 100)
        c.sldOGG = *value;
    if (const auto value = ToBool(reg.GetRegistryValue("optOggBit"))) c.SetOggBit(*value);
    LoadText(reg, "cboOggBitNom", c.cboOggBitNom);

    reg.setSubkey("Formats\\APE");
    LoadPosition(reg, "cboAPELevel", c.cboAPELevel);
}

void StoreEncoderControls(core::RegistryRoutines& reg, const tEncoderControls& c) {
    auto write = [&reg](const char* name, const QString& text) {
        reg.SetRegistryValue(QLatin1String(name), text, core::REG_SZ);
    };
    auto position = [](const tPickList& list) { return QString::number(list.index); };

    reg.setSubkey("Formats\\WAV");
    write("cboSamplesWAV", c.cboSamplesWAV.Text());
    write("cboBitrateWAV", c.cboBitrateWAV.Text());
    write("cboChannelsWAV", position(c.cboChannelsWAV));

    reg.setSubkey("Formats\\ACM");
    write("cboTags", c.cboTags.Text());
    write("cboFormats", c.cboFormats.Text());

    reg.setSubkey("Formats\\MP3");
    write("cboMP3Bitrate", c.cboMP3Bitrate.Text());
    write("cboMP3Quality", c.cboMP3Quality.Text());
    write("cboMP3Samplerate", c.cboMP3Samplerate.Text());
    write("cboMP3Mode", position(c.cboMP3Mode));
    write("chkMP3ErrorProtect", QString::number(c.chkMP3ErrorProtect));
    write("chkMP3Original", QString::number(c.chkMP3Original));
    write("chkMP3Copyright", QString::number(c.chkMP3Copyright));
    write("chkMP3StrictISO", QString::number(c.chkMP3StrictISO));
    write("cboMP3VBRQuality", c.cboMP3VBRQuality.Text());
    write("cboMP3MinBitrate", c.cboMP3MinBitrate.Text());
    write("cboMP3MaxBitrate", c.cboMP3MaxBitrate.Text());
    write("chkMP3VBRTag", QString::number(c.chkMP3VBRTag));
    write("chkMP3VBRForceMinBitrate", QString::number(c.chkMP3VBRForceMinBitrate));
    write("chkMP3ABR", QString::number(c.chkMP3ABR));
    write("cboMP3ABRBitrate", c.cboMP3ABRBitrate.Text());
    write("lblMP3Advanced", c.lblMP3Advanced);

    reg.setSubkey("Formats\\WMA");
    write("cboWMACodecs", position(c.cboWMACodecs));
    write("cboWMAFormat", position(c.cboWMAFormat));

    reg.setSubkey("Formats\\OGG");
    write("ptnQualityOGG", BoolText(c.ptnQualityOGG));
    write("sldOGG", QString::number(c.sldOGG));
    write("optOggBit", BoolText(c.optOggBit));
    write("cboOggBitNom", c.cboOggBitNom.Text());

    reg.setSubkey("Formats\\APE");
    write("cboAPELevel", position(c.cboAPELevel));
}

void SetEncoderVariables(const tEncoderControls& c) {
    SetFromText(g_lWAVSampleRate, c.cboSamplesWAV);
    SetFromText(g_lWAVBitsPerSample, c.cboBitrateWAV);
    g_lWAVChannelsIndex = c.cboChannelsWAV.index;

    g_sACMTag = c.cboTags.Text();
    g_sACMFormat = c.cboFormats.Text();

    SetFromText(g_lMP3Bitrate, c.cboMP3Bitrate);
    SetFromText(g_lMP3Quality, c.cboMP3Quality);
    SetFromText(g_lMP3SampleRate, c.cboMP3Samplerate);
    g_lMP3Mode = c.cboMP3Mode.index;
    g_bMP3ErrorProtect = c.chkMP3ErrorProtect != 0;
    g_bMP3Original = c.chkMP3Original != 0;
    g_bMP3Copyright = c.chkMP3Copyright != 0;
    g_bMP3StrictISO = c.chkMP3StrictISO != 0;
    g_lMP3VBRQuality = c.cboMP3VBRQuality.index;
    g_lMP3MinBitrate = c.cboMP3MinBitrate.index;
    g_lMP3MaxBitrate = c.cboMP3MaxBitrate.index;
    g_bMP3VBRTag = c.chkMP3VBRTag != 0;
    g_bMP3VBRForceMinBitrate = c.chkMP3VBRForceMinBitrate != 0;
    g_bMP3ABR = c.chkMP3ABR != 0;
    SetFromText(g_lMP3ABRBitrate, c.cboMP3ABRBitrate);

    g_lWMACodec = c.cboWMACodecs.index;
    g_lWMAFormat = c.cboWMAFormat.index;

    g_bOGGByQuality = c.ptnQualityOGG;
    g_lOGGQuality = c.sldOGG;
    g_bOGGByBitrate = c.optOggBit;
    SetFromText(g_lOGGNominalBitrate, c.cboOggBitNom);

    g_lAPELevel = c.cboAPELevel.index;
}

tEncoderControls LoadEncoderSettings(const tCodecLists& lists) {
    tEncoderControls c;
    PresetEncoderControls(c, lists);
    core::RegistryRoutines reg;
    reg.setHkey(core::HKEY_LOCAL_MACHINE);
    reg.setKeyRoot(EncoderSettingsKeyRoot());
    LoadEncoderControls(reg, c, lists);
    SetEncoderVariables(c);
    return c;
}

tEncoderControls LoadEncoderSettings() {
    components::cAudioConverter converter;
    return LoadEncoderSettings(ConverterCodecLists(converter));
}

} // namespace settings
