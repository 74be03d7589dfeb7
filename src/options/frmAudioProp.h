// The Audio Format dialog: one page per enabled output format with the
// encoder settings. Loaded hidden at start-up after the Options dialog and
// kept loaded until the program exits; it is also the store of the encoder
// settings (settings/EncoderSettings.h), which it loads and saves through a
// widget-free picture of its controls.
#pragma once

#include "options/DialogControls.h"
#include "settings/EncoderSettings.h"

#include <QDialog>
#include <QPointer>
#include <memory>

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QPushButton;
class QRadioButton;
class QSlider;
class cTabControl;

namespace components {
class cAudioConverter;
}
namespace core {
class RegistryRoutines;
}

class frmAudioProp : public options::cSettingsDialog {
    Q_OBJECT
public:
    explicit frmAudioProp(QWidget* parent = nullptr);
    ~frmAudioProp() override;

    // The load handler: tabs of the offered formats, presets, then the stored
    // settings (GetOptions). Calling it again does nothing.
    void Form_Load();

    // Reads every encoder setting from the registry into the controls, then
    // the controls into the encoder variables.
    void GetOptions();

    // Opens the dialog at a format's page, as every caller does before
    // showing it modally: loads it, selects the tab whose key is the first
    // three characters of `formatEntry` ("MP3 - MPEG-1 ..." -> "MP3") and
    // shows the selected tab's page. The caller then runs exec(); afterwards,
    // frmOptions::cboTargetFormat holds the format of the tab selected at OK.
    void ShowFormatPage(const QString& formatEntry);

    // The controls that hold settings, as the store sees them, and back.
    settings::tEncoderControls Controls() const;
    void SetControls(const settings::tEncoderControls& controls);

    // Title strip
    QFrame* picTitle = nullptr;
    QLabel* lblTitle = nullptr;
    QLabel* lblFormatDesc = nullptr;
    cTabControl* cTabControl1 = nullptr;

    // Pages
    QFrame* froToWAV = nullptr;
    QFrame* froToACM = nullptr;
    QFrame* froToMP3 = nullptr;
    QFrame* froToWMA = nullptr;
    QFrame* froToOGG = nullptr;
    QFrame* froToAPE = nullptr;

    // WAV
    QComboBox* cboSamplesWAV = nullptr;
    QComboBox* cboBitrateWAV = nullptr;
    QComboBox* cboChannelsWAV = nullptr;
    // ACM
    QComboBox* cboTags = nullptr; // kept sorted
    QComboBox* cboFormats = nullptr;
    QCheckBox* chkBestAccordToSource = nullptr;
    // MP3
    QComboBox* cboMP3Bitrate = nullptr;
    QComboBox* cboMP3Mode = nullptr;
    QComboBox* cboMP3Samplerate = nullptr;
    QComboBox* cboMP3Quality = nullptr;
    QLabel* lblMP3Advanced = nullptr; // link; its caption is property "Caption"
    QFrame* picMP3Advanced = nullptr;
    QCheckBox* chkMP3Original = nullptr;
    QCheckBox* chkMP3Copyright = nullptr;
    QCheckBox* chkMP3ErrorProtect = nullptr;
    QCheckBox* chkMP3VBR = nullptr; // shown only; neither stored nor read
    QCheckBox* chkMP3VBRTag = nullptr;
    QCheckBox* chkMP3VBRForceMinBitrate = nullptr;
    QCheckBox* chkMP3ABR = nullptr;
    QComboBox* cboMP3ABRBitrate = nullptr;
    QCheckBox* chkMP3StrictISO = nullptr;
    QComboBox* cboMP3VBRQuality = nullptr;
    QComboBox* cboMP3MinBitrate = nullptr;
    QComboBox* cboMP3MaxBitrate = nullptr;
    // WMA
    QComboBox* cboWMACodecs = nullptr;
    QComboBox* cboWMAFormat = nullptr;
    // OGG
    QRadioButton* ptnQualityOGG = nullptr;
    QSlider* sldOGG = nullptr;
    QLabel* lblSensitivityVal = nullptr;
    QRadioButton* optOggBit = nullptr;
    QComboBox* cboOggBitNom = nullptr;
    // APE
    QComboBox* cboAPELevel = nullptr;

    QPushButton* cmdOK = nullptr;
    QPushButton* cmdExit = nullptr;

    components::cAudioConverter* cAudioConverter1 = nullptr;

    // The MP3 mode link's caption ("Advanced..." or "Simple...").
    QString MP3AdvancedCaption() const;
    void SetMP3AdvancedCaption(const QString& caption);

public slots:
    // Shows the page of the tab the strip has selected; the argument is not used.
    void cTabControl1_TabClick(qint32 lTab);
    // Stores every format's settings, makes the selected tab's format the
    // Options dialog's choice, reloads and hides.
    void cmdOk_Click();
    // Hides without storing; the controls return to the stored values.
    void cmdExit_Click();
    void cboTags_Click();
    void cboWMACodecs_Click();
    void chkBestAccordToSource_Click();
    void lblMP3Advanced_Click();
    void sldOGG_Scroll();
    void cAudioConverter1_ACMTagItem(const QString& name);
    void cAudioConverter1_ACMFormatItem(const QString& name);

protected:
    // Closing without OK puts the controls back as the last load left them
    // (the dialog only hides until settings::g_bAppExiting is set).
    void Form_Hiding() override;
    // At exit the converter is released.
    void Form_Unload() override;

private:
    void BuildControls();
    void ApplyTheme();
    void HideTabPages();
    void ShowMP3Advanced();

    std::unique_ptr<core::RegistryRoutines> m_reg;
    settings::tCodecLists m_lists;
    // The controls as the last load left them: what closing without OK returns to.
    settings::tEncoderControls m_confirmed;
    bool m_bConfirmedBestAccord = false;
    bool m_loaded = false;
};

namespace options {
// The loaded Audio Format dialog, or nullptr.
extern QPointer<frmAudioProp> g_frmAudioProp;
} // namespace options
