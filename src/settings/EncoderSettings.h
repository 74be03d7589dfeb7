// The encoder settings of the six output formats: the program-wide encoder
// variables, the records the audio components take, and the store that loads
// and saves them under "Formats\WAV" ... "Formats\APE".
//
// The store works on tEncoderControls, a widget-free picture of the Audio
// Format dialog's controls: a value is restored into its control by the
// control's rules (a refused value leaves the control as it was), and the
// variables are then taken from the controls. The dialog copies its widgets
// into this picture and back; everything else runs without widgets.
#pragma once

#include "components/EncoderRecords.h"

#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <cstddef>
#include <functional>

namespace core {
class RegistryRoutines;
}
namespace components {
class cAudioConverter;
}

namespace settings {

// ---------------------------------------------------------------------------
// Encoder variables. Written only by the encoder store (GetOptions of the
// Audio Format dialog); read by the batch windows when a job starts.

extern qint32 g_lWAVSampleRate;    // Hz
extern qint32 g_lWAVBitsPerSample; // 8 or 16
extern qint32 g_lWAVChannelsIndex; // 0 mono, 1 stereo

extern QString g_sACMTag;    // codec name, as the converter lists it
extern QString g_sACMFormat; // format name of that codec

extern qint32 g_lMP3Bitrate;    // kbps
extern qint32 g_lMP3Quality;    // 0..9
extern qint32 g_lMP3SampleRate; // Hz
extern qint32 g_lMP3Mode;       // position in the channel-mode list, 0..5
extern bool g_bMP3ErrorProtect;
extern bool g_bMP3Original;
extern bool g_bMP3Copyright;
extern bool g_bMP3StrictISO;
extern qint32 g_lMP3VBRQuality; // position 0..9
extern qint32 g_lMP3MinBitrate; // position 0..18 in the bitrate list, not kbps
extern qint32 g_lMP3MaxBitrate; // position 0..18 in the bitrate list, not kbps
extern bool g_bMP3VBRTag;
extern bool g_bMP3VBRForceMinBitrate;
extern bool g_bMP3ABR;
extern qint32 g_lMP3ABRBitrate; // kbps

extern qint32 g_lWMACodec;  // position in the converter's WMA codec list (-1 none)
extern qint32 g_lWMAFormat; // position in that codec's format list (-1 none)

extern bool g_bOGGByQuality; // stored and loaded only
extern qint32 g_lOGGQuality; // 0..100
extern bool g_bOGGByBitrate;
extern qint32 g_lOGGNominalBitrate; // kbps

extern qint32 g_lAPELevel; // 0 Fast, 1 Normal, 2 High, 3 Extra high, 4 Slow

// The records handed to the audio components live with the components.
using components::kRecordFalse;
using components::kRecordTrue;
using components::tMP3Settings;
using components::tOGGSettings;
using components::tWAVSettings;
using components::tWMASettings;

// Fresh records filled from the encoder variables, as a batch window hands
// them over when a job starts. ACM takes g_sACMTag and g_sACMFormat, APE
// takes g_lAPELevel, as they are.
tWAVSettings WAVSettingsRecord();
tMP3Settings MP3SettingsRecord();
tWMASettings WMASettingsRecord();
tOGGSettings OGGSettingsRecord();

// The output format a component takes for a target-format list text:
// 1 WAV, 2 ACM, 3 MP3, 4 WMA, 5 OGG, 6 APE (1 for a text naming none).
qint32 OutputFormatCode(const QString& formatText);

// ---------------------------------------------------------------------------
// The store.

// "SOFTWARE\<maker>\<product>", the root of the six "Formats\..." subkeys.
QString EncoderSettingsKeyRoot();

// Entries of the fixed lists, in order.
const QStringList& SamplesWAVEntries();    // "44100", "22050", "11025", "8000"
const QStringList& BitrateWAVEntries();    // "8", "16"
const QStringList& ChannelsWAVEntries();   // "Mono", "Stereo"
const QStringList& MP3BitrateEntries();    // 19 entries, "8 " ... "320"
const QStringList& MP3QualityEntries();    // "0 " ... "9 "
const QStringList& MP3ModeEntries();       // "STEREO_MODE = 0" ...
const QStringList& MP3SamplerateEntries(); // "8000" ... "48000"
const QStringList& OggBitNomEntries();     // "32" ... "350"
const QStringList& APELevelEntries();      // "Fast" ... "Slow"

// A pick list: its entries and the selected position (-1 none).
struct tPickList {
    QStringList items;
    qint32 index = -1;

    QString Text() const { return index >= 0 && index < items.size() ? items.at(index) : QString(); }
    // Selects the entry with that text (letter case aside); false, and
    // nothing changed, when no entry has it.
    bool SetText(const QString& text);
    // Selects a position; false, and nothing changed, outside the list.
    bool SetIndex(qint32 position);
};

// The state of every control that holds an encoder setting. Default
// construction gives the dialog's design state: the fixed lists hold their
// entries with nothing selected, "Quality:" is the selected Ogg button.
struct tEncoderControls {
    tEncoderControls();

    // WAV
    tPickList cboSamplesWAV;
    tPickList cboBitrateWAV; // its entries are added by the presets
    tPickList cboChannelsWAV;
    // ACM (entries from the converter; the tag list sorted)
    tPickList cboTags;
    tPickList cboFormats;
    // MP3
    tPickList cboMP3Bitrate;
    tPickList cboMP3Quality;
    tPickList cboMP3Samplerate;
    tPickList cboMP3Mode;
    qint16 chkMP3ErrorProtect = 0; // check boxes: 0 unchecked, 1 checked, 2 greyed
    qint16 chkMP3Original = 0;
    qint16 chkMP3Copyright = 0;
    qint16 chkMP3StrictISO = 0;
    tPickList cboMP3VBRQuality;
    tPickList cboMP3MinBitrate;
    tPickList cboMP3MaxBitrate;
    qint16 chkMP3VBRTag = 0;
    qint16 chkMP3VBRForceMinBitrate = 0;
    qint16 chkMP3ABR = 0;
    tPickList cboMP3ABRBitrate;
    QString lblMP3Advanced = QStringLiteral("Advanced...");
    // WMA (entries from the converter, in its order)
    tPickList cboWMACodecs;
    tPickList cboWMAFormat;
    // OGG: the two option buttons are one group
    bool ptnQualityOGG = true;
    bool optOggBit = false;
    qint32 sldOGG = 100; // 0..100
    tPickList cboOggBitNom;
    // APE
    tPickList cboAPELevel;

    // Whether the MP3 advanced panel shows: for every caption but "Advanced...".
    bool MP3AdvancedVisible() const { return lblMP3Advanced != QLatin1String("Advanced..."); }
    // Setting one Ogg button clears the other; clearing one clears only it.
    void SetQualityOGG(bool value);
    void SetOggBit(bool value);
};

// The codec lists the store needs, from the converter or a stand-in.
struct tCodecLists {
    // ACM tags for a PCM source of that format, sorted alphabetically.
    std::function<QStringList(qint32 samplesPerSec, qint32 channels, qint32 bitsPerSample, qint32 flags)>
        acmTags;
    // Formats of one ACM tag, in the converter's order.
    std::function<QStringList(const QString& tag)> acmFormats;
    std::function<QStringList()> wmaCodecs;
    std::function<QStringList(qint32 codec)> wmaFormats;
};

// The lists as the converter gives them. The converter must outlive the result.
tCodecLists ConverterCodecLists(components::cAudioConverter& converter);
// The converter's ACM enumerations collected into lists (tags sorted).
QStringList ACMTagNames(components::cAudioConverter& converter, qint32 samplesPerSec, qint32 channels,
                        qint32 bitsPerSample, qint32 flags);
QStringList ACMFormatNames(components::cAudioConverter& converter, const QString& tag);
// The order of the ACM tag list: letter case aside, then by case.
bool ACMTagLess(const QString& a, const QString& b);

// Choosing a tag or a codec, as by the user: the format list is refilled
// from the converter and its first entry selected.
void ChooseACMTag(tEncoderControls& c, const tCodecLists& lists);
void ChooseWMACodec(tEncoderControls& c, const tCodecLists& lists);

// The presets the dialog puts into its controls when it loads, before the
// stored values: the WAV bits entries, every fixed preset, the WMA codecs
// with the first codec and format chosen, and the ACM tags of PCM 44100 Hz,
// stereo, 16 bits with "PCM" chosen.
void PresetEncoderControls(tEncoderControls& c, const tCodecLists& lists);

// Restores every stored value into the controls by the controls' rules.
// `reg` has its root and key path set; its Subkey is changed.
void LoadEncoderControls(core::RegistryRoutines& reg, tEncoderControls& c, const tCodecLists& lists);
// Writes all 28 values, format by format, in the fixed order.
void StoreEncoderControls(core::RegistryRoutines& reg, const tEncoderControls& c);
// Sets every encoder variable from the controls; a control that gives no
// number (an empty list) leaves its variable as it was.
void SetEncoderVariables(const tEncoderControls& c);

// The whole load without a dialog: presets, stored values, variables.
// Returns the controls' state.
tEncoderControls LoadEncoderSettings(const tCodecLists& lists);
// The same with the converter's own lists: what start-up reads, without the dialog.
tEncoderControls LoadEncoderSettings();

} // namespace settings
