#include "options/frmAudioProp.h"

#include "components/cAudioConverter.h"
#include "controls/ControlColor.h"
#include "controls/cTabControl.h"
#include "core/AppPaths.h"
#include "core/RegistryRoutines.h"
#include "core/mdlModes.h"
#include "core/mdlSupportedDestination.h"
#include "dialogs/WindowChrome.h"
#include "dialogs/mdlCommDialog.h"
#include "options/DialogControls.h"
#include "options/frmOptions.h"
#include "settings/SettingsVariables.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace options {
QPointer<frmAudioProp> g_frmAudioProp;
} // namespace options

using options::CheckValue;
using options::PickList;
using options::SetCheckValue;
using options::SetPickList;

namespace {

// The description follows the title on its line, 80 twips after it.
constexpr int kTitleGap = 80 / 15;

struct FormatPage {
    const char* key;
    qint32* offered;
    QFrame* frmAudioProp::*panel;
    const char* title;
    const char* description;
};

const FormatPage kPages[] = {
    {"WAV", &core::g_lDestWAV, &frmAudioProp::froToWAV, "WAV -", "Waveform audio format"},
    {"ACM", &core::g_lDestACM, &frmAudioProp::froToACM, "WAV(ACM) -", "Waveform audio format with ACM codec"},
    {"MP3", &core::g_lDestMP3, &frmAudioProp::froToMP3, "MP3 -", "MPEG-1 Audio Layer 3"},
    {"WMA", &core::g_lDestWMA, &frmAudioProp::froToWMA, "WMA -", "Windows Media Audio"},
    {"OGG", &core::g_lDestOGG, &frmAudioProp::froToOGG, "OGG -", "Ogg Media format"},
    {"APE", &core::g_lDestAPE, &frmAudioProp::froToAPE, "APE -", "Monkey\u2019s Audio file format"},
};

} // namespace

frmAudioProp::frmAudioProp(QWidget* parent) : cSettingsDialog(parent) {
    setObjectName("g_frmAudioProp");
    setWindowTitle("Audio Format");
    options::g_frmAudioProp = this;
    cAudioConverter1 = new components::cAudioConverter(this);
    cAudioConverter1->setObjectName("cAudioConverter1");
    m_lists = settings::ConverterCodecLists(*cAudioConverter1);
    BuildControls();
}

frmAudioProp::~frmAudioProp() = default;

void frmAudioProp::BuildControls() {
    auto label = [](QWidget* parent, const QString& caption) { return new QLabel(caption, parent); };
    auto list = [](QWidget* parent, const char* name) {
        auto* combo = new QComboBox(parent);
        combo->setObjectName(name);
        combo->setEditable(false);
        return combo;
    };
    auto check = [](QWidget* parent, const char* name, const QString& caption) {
        auto* box = new QCheckBox(caption, parent);
        box->setObjectName(name);
        return box;
    };
    auto panel = [](QWidget* parent, const char* name) {
        auto* frame = new QFrame(parent);
        frame->setObjectName(name);
        return frame;
    };

    auto* root = new QVBoxLayout(this);

    // Title strip: the description is placed after the title by the tab handler.
    picTitle = new QFrame(this);
    picTitle->setObjectName("picTitle");
    picTitle->setFixedHeight(32);
    lblTitle = new QLabel("App Name", picTitle);
    lblTitle->setObjectName("lblTitle");
    QFont bold = lblTitle->font();
    bold.setBold(true);
    lblTitle->setFont(bold);
    lblTitle->move(8, 8);
    lblTitle->adjustSize();
    lblFormatDesc = new QLabel("FormatDesc", picTitle);
    lblFormatDesc->setObjectName("lblFormatDesc");
    lblFormatDesc->move(lblTitle->x() + lblTitle->width() + kTitleGap, 8);
    lblFormatDesc->adjustSize();
    root->addWidget(picTitle);

    cTabControl1 = new cTabControl(this);
    cTabControl1->setObjectName("cTabControl1");
    root->addWidget(cTabControl1, 1);
    QWidget* area = cTabControl1->ClientArea();
    auto* pages = new QGridLayout(area);

    // WAV
    froToWAV = panel(area, "froToWAV");
    {
        auto* grid = new QGridLayout(froToWAV);
        cboSamplesWAV = list(froToWAV, "cboSamplesWAV");
        cboBitrateWAV = list(froToWAV, "cboBitrateWAV");
        cboChannelsWAV = list(froToWAV, "cboChannelsWAV");
        grid->addWidget(label(froToWAV, "Samples:"), 0, 0);
        grid->addWidget(cboSamplesWAV, 0, 1);
        grid->addWidget(label(froToWAV, "Bitrate:"), 1, 0);
        grid->addWidget(cboBitrateWAV, 1, 1);
        grid->addWidget(label(froToWAV, "Channels:"), 2, 0);
        grid->addWidget(cboChannelsWAV, 2, 1);
        grid->setRowStretch(3, 1);
        grid->setColumnStretch(2, 1);
    }

    // ACM
    froToACM = panel(area, "froToACM");
    {
        auto* grid = new QGridLayout(froToACM);
        cboTags = list(froToACM, "cboTags");
        cboFormats = list(froToACM, "cboFormats");
        chkBestAccordToSource = check(froToACM, "chkBestAccordToSource",
                                      "Get recommended codecs according to source file format.");
        grid->addWidget(label(froToACM, "Target ACM Tag:"), 0, 0);
        grid->addWidget(cboTags, 0, 1);
        grid->addWidget(label(froToACM, "Target ACM Format:"), 1, 0);
        grid->addWidget(cboFormats, 1, 1);
        grid->addWidget(chkBestAccordToSource, 2, 0, 1, 2);
        grid->setRowStretch(3, 1);
        grid->setColumnStretch(1, 1);
    }

    // MP3, with its advanced panel
    froToMP3 = panel(area, "froToMP3");
    {
        auto* grid = new QGridLayout(froToMP3);
        cboMP3Bitrate = list(froToMP3, "cboMP3Bitrate");
        cboMP3Mode = list(froToMP3, "cboMP3Mode");
        cboMP3Samplerate = list(froToMP3, "cboMP3Samplerate");
        cboMP3Quality = list(froToMP3, "cboMP3Quality");
        grid->addWidget(label(froToMP3, "Bitrate:"), 0, 0);
        grid->addWidget(cboMP3Bitrate, 0, 1);
        grid->addWidget(label(froToMP3, "Mode:"), 0, 2);
        grid->addWidget(cboMP3Mode, 0, 3);
        grid->addWidget(label(froToMP3, "Samplerate:"), 1, 0);
        grid->addWidget(cboMP3Samplerate, 1, 1);
        grid->addWidget(label(froToMP3, "Quality:"), 1, 2);
        grid->addWidget(cboMP3Quality, 1, 3);
        lblMP3Advanced = new QLabel(froToMP3);
        lblMP3Advanced->setObjectName("lblMP3Advanced");
        lblMP3Advanced->setToolTip("MP3 properties mode.");
        lblMP3Advanced->setTextFormat(Qt::RichText);
        lblMP3Advanced->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
        lblMP3Advanced->setCursor(Qt::PointingHandCursor);
        SetMP3AdvancedCaption("Advanced...");
        grid->addWidget(lblMP3Advanced, 2, 0, 1, 4);

        picMP3Advanced = panel(froToMP3, "picMP3Advanced");
        auto* adv = new QGridLayout(picMP3Advanced);
        chkMP3Original = check(picMP3Advanced, "chkMP3Original", "Original");
        chkMP3Copyright = check(picMP3Advanced, "chkMP3Copyright", "Copyright");
        chkMP3ErrorProtect = check(picMP3Advanced, "chkMP3ErrorProtect", "Error Protection");
        chkMP3VBR = check(picMP3Advanced, "chkMP3VBR", "VBR Mode");
        chkMP3VBRTag = check(picMP3Advanced, "chkMP3VBRTag", "Write VBR Tag");
        chkMP3VBRForceMinBitrate = check(picMP3Advanced, "chkMP3VBRForceMinBitrate", "VBR Force Min Bitrate");
        chkMP3ABR = check(picMP3Advanced, "chkMP3ABR", "ABR (Instead of VBR)");
        cboMP3ABRBitrate = list(picMP3Advanced, "cboMP3ABRBitrate");
        chkMP3StrictISO = check(picMP3Advanced, "chkMP3StrictISO", "ISO Encoding");
        cboMP3VBRQuality = list(picMP3Advanced, "cboMP3VBRQuality");
        cboMP3MinBitrate = list(picMP3Advanced, "cboMP3MinBitrate");
        cboMP3MaxBitrate = list(picMP3Advanced, "cboMP3MaxBitrate");
        adv->addWidget(chkMP3Original, 0, 0);
        adv->addWidget(chkMP3Copyright, 1, 0);
        adv->addWidget(chkMP3ErrorProtect, 2, 0);
        adv->addWidget(chkMP3StrictISO, 3, 0);
        adv->addWidget(chkMP3VBR, 0, 1);
        adv->addWidget(chkMP3VBRTag, 1, 1);
        adv->addWidget(chkMP3VBRForceMinBitrate, 2, 1);
        adv->addWidget(chkMP3ABR, 3, 1);
        adv->addWidget(cboMP3ABRBitrate, 3, 2);
        adv->addWidget(label(picMP3Advanced, "VBR Quality:"), 4, 0);
        adv->addWidget(cboMP3VBRQuality, 4, 1);
        adv->addWidget(label(picMP3Advanced, "Min VBR Bitrate:"), 5, 0);
        adv->addWidget(cboMP3MinBitrate, 5, 1);
        adv->addWidget(label(picMP3Advanced, "Max VBR Bitrate:"), 6, 0);
        adv->addWidget(cboMP3MaxBitrate, 6, 1);
        picMP3Advanced->setVisible(false);
        grid->addWidget(picMP3Advanced, 3, 0, 1, 4);
        grid->setRowStretch(4, 1);
    }

    // WMA
    froToWMA = panel(area, "froToWMA");
    {
        auto* grid = new QGridLayout(froToWMA);
        cboWMACodecs = list(froToWMA, "cboWMACodecs");
        cboWMAFormat = list(froToWMA, "cboWMAFormat");
        grid->addWidget(label(froToWMA, "Codec:"), 0, 0);
        grid->addWidget(cboWMACodecs, 0, 1);
        grid->addWidget(label(froToWMA, "Format:"), 1, 0);
        grid->addWidget(cboWMAFormat, 1, 1);
        grid->setRowStretch(2, 1);
        grid->setColumnStretch(1, 1);
    }

    // OGG: the two buttons are one group in which both may end up cleared.
    froToOGG = panel(area, "froToOGG");
    {
        auto* grid = new QGridLayout(froToOGG);
        ptnQualityOGG = new QRadioButton("Quality:", froToOGG);
        ptnQualityOGG->setObjectName("ptnQualityOGG");
        ptnQualityOGG->setAutoExclusive(false);
        ptnQualityOGG->setChecked(true);
        sldOGG = new QSlider(Qt::Horizontal, froToOGG);
        sldOGG->setObjectName("sldOGG");
        sldOGG->setRange(0, 100);
        sldOGG->setValue(100);
        lblSensitivityVal = new QLabel("100", froToOGG);
        lblSensitivityVal->setObjectName("lblSensitivityVal");
        optOggBit = new QRadioButton("Bitrate:", froToOGG);
        optOggBit->setObjectName("optOggBit");
        optOggBit->setAutoExclusive(false);
        cboOggBitNom = list(froToOGG, "cboOggBitNom");
        grid->addWidget(ptnQualityOGG, 0, 0);
        grid->addWidget(sldOGG, 0, 1);
        grid->addWidget(lblSensitivityVal, 0, 2);
        grid->addWidget(optOggBit, 1, 0);
        grid->addWidget(cboOggBitNom, 1, 1);
        grid->setRowStretch(2, 1);
        grid->setColumnStretch(1, 1);
        auto choose = [this](QRadioButton* chosen, QRadioButton* other) {
            chosen->setChecked(true);
            other->setChecked(false);
        };
        connect(ptnQualityOGG, &QRadioButton::clicked, this,
                [this, choose] { choose(ptnQualityOGG, optOggBit); });
        connect(optOggBit, &QRadioButton::clicked, this,
                [this, choose] { choose(optOggBit, ptnQualityOGG); });
    }

    // APE
    froToAPE = panel(area, "froToAPE");
    {
        auto* grid = new QGridLayout(froToAPE);
        cboAPELevel = list(froToAPE, "cboAPELevel");
        grid->addWidget(label(froToAPE, "APE Level:"), 0, 0);
        grid->addWidget(cboAPELevel, 0, 1);
        grid->setRowStretch(1, 1);
        grid->setColumnStretch(2, 1);
    }

    for (QFrame* frame : {froToWAV, froToACM, froToMP3, froToWMA, froToOGG, froToAPE})
        pages->addWidget(frame, 0, 0);

    // The design entries of the fixed lists; the bits list is filled at load.
    SetControls(settings::tEncoderControls{});

    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    cmdOK = options::AddDialogButton(this, bottom, "cmdOK", "OK", true);
    cmdExit = options::AddDialogButton(this, bottom, "cmdExit", "Exit");
    root->addLayout(bottom);

    connect(cmdOK, &QPushButton::clicked, this, &frmAudioProp::cmdOk_Click);
    connect(cmdExit, &QPushButton::clicked, this, &frmAudioProp::cmdExit_Click);
    connect(cTabControl1, &cTabControl::TabClick, this, &frmAudioProp::cTabControl1_TabClick);
    connect(cboTags, &QComboBox::activated, this, &frmAudioProp::cboTags_Click);
    connect(cboWMACodecs, &QComboBox::activated, this, &frmAudioProp::cboWMACodecs_Click);
    connect(chkBestAccordToSource, &QCheckBox::clicked, this, &frmAudioProp::chkBestAccordToSource_Click);
    connect(lblMP3Advanced, &QLabel::linkActivated, this, &frmAudioProp::lblMP3Advanced_Click);
    // Only dragging refreshes the value shown; other changes wait for the next drag or load.
    connect(sldOGG, &QSlider::sliderMoved, this, &frmAudioProp::sldOGG_Scroll);
}

void frmAudioProp::Form_Load() {
    if (m_loaded) return;
    m_loaded = true;

    ApplyTheme();

    // The title strip is as wide as the longest title and description of a
    // tab, so that neither is cut whichever tab is chosen.
    int titleWidth = 0;
    for (const FormatPage& page : kPages) {
        if (*page.offered != 1) continue;
        cTabControl1->AddTab(page.key, -1, true, page.key);
        // Sized for the largest page offered, whichever tab is chosen.
        QFrame* panel = this->*page.panel;
        QSizePolicy policy = panel->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        panel->setSizePolicy(policy);
        const int width =
            lblTitle->x() + lblTitle->fontMetrics().horizontalAdvance(page.title) + kTitleGap +
            lblFormatDesc->fontMetrics().horizontalAdvance(QString::fromUtf8(page.description)) +
            lblTitle->x();
        titleWidth = std::max(titleWidth, width);
    }
    picTitle->setMinimumWidth(titleWidth);

    HideTabPages();
    froToWAV->setVisible(true);

    settings::tEncoderControls controls = Controls();
    settings::PresetEncoderControls(controls, m_lists);
    SetControls(controls);
    SetCheckValue(chkMP3VBR, 1);

    m_reg = std::make_unique<core::RegistryRoutines>();
    m_reg->setHkey(core::HKEY_LOCAL_MACHINE);
    m_reg->setKeyRoot(settings::EncoderSettingsKeyRoot());
    GetOptions();

    lblSensitivityVal->setText(QString::number(sldOGG->value()));
}

void frmAudioProp::ApplyTheme() {
    dialogs::chrome::ApplyTitleStrip(picTitle, {lblTitle, lblFormatDesc});

    const QList<QWidget*> panels{this,     froToWAV, froToACM, froToMP3,
                                 froToWMA, froToOGG, froToAPE, picMP3Advanced};
    QList<QWidget*> themed = panels;
    for (QCheckBox* box : picMP3Advanced->findChildren<QCheckBox*>())
        themed << box;
    themed << ptnQualityOGG << optOggBit << chkBestAccordToSource;
    dialogs::chrome::ApplyView(themed, picTitle, panels);
}

void frmAudioProp::HideTabPages() {
    for (QFrame* frame : {froToWAV, froToACM, froToMP3, froToWMA, froToOGG, froToAPE})
        frame->setVisible(false);
}

void frmAudioProp::cTabControl1_TabClick(qint32 lTab) {
    Q_UNUSED(lTab);
    HideTabPages();
    const QString key = cTabControl1->TabKey(cTabControl1->SelectedTab());
    for (const FormatPage& page : kPages) {
        if (key != QLatin1String(page.key)) continue;
        (this->*page.panel)->setVisible(true);
        lblTitle->setText(page.title);
        lblFormatDesc->setText(QString::fromUtf8(page.description));
        break;
    }
    lblTitle->adjustSize();
    lblFormatDesc->adjustSize();
    lblFormatDesc->move(lblTitle->x() + lblTitle->width() + kTitleGap, lblFormatDesc->y());
}

void frmAudioProp::ShowFormatPage(const QString& formatEntry) {
    Form_Load();
    const QString key = formatEntry.left(3);
    cTabControl1->SelectTab(key);
    cTabControl1_TabClick(cTabControl1->TabIndex(key));
}

settings::tEncoderControls frmAudioProp::Controls() const {
    settings::tEncoderControls c;
    c.cboSamplesWAV = PickList(cboSamplesWAV);
    c.cboBitrateWAV = PickList(cboBitrateWAV);
    c.cboChannelsWAV = PickList(cboChannelsWAV);
    c.cboTags = PickList(cboTags);
    c.cboFormats = PickList(cboFormats);
    c.cboMP3Bitrate = PickList(cboMP3Bitrate);
    c.cboMP3Quality = PickList(cboMP3Quality);
    c.cboMP3Samplerate = PickList(cboMP3Samplerate);
    c.cboMP3Mode = PickList(cboMP3Mode);
    c.chkMP3ErrorProtect = CheckValue(chkMP3ErrorProtect);
    c.chkMP3Original = CheckValue(chkMP3Original);
    c.chkMP3Copyright = CheckValue(chkMP3Copyright);
    c.chkMP3StrictISO = CheckValue(chkMP3StrictISO);
    c.cboMP3VBRQuality = PickList(cboMP3VBRQuality);
    c.cboMP3MinBitrate = PickList(cboMP3MinBitrate);
    c.cboMP3MaxBitrate = PickList(cboMP3MaxBitrate);
    c.chkMP3VBRTag = CheckValue(chkMP3VBRTag);
    c.chkMP3VBRForceMinBitrate = CheckValue(chkMP3VBRForceMinBitrate);
    c.chkMP3ABR = CheckValue(chkMP3ABR);
    c.cboMP3ABRBitrate = PickList(cboMP3ABRBitrate);
    c.lblMP3Advanced = MP3AdvancedCaption();
    c.cboWMACodecs = PickList(cboWMACodecs);
    c.cboWMAFormat = PickList(cboWMAFormat);
    c.ptnQualityOGG = ptnQualityOGG->isChecked();
    c.optOggBit = optOggBit->isChecked();
    c.sldOGG = sldOGG->value();
    c.cboOggBitNom = PickList(cboOggBitNom);
    c.cboAPELevel = PickList(cboAPELevel);
    return c;
}

void frmAudioProp::SetControls(const settings::tEncoderControls& c) {
    SetPickList(cboSamplesWAV, c.cboSamplesWAV);
    SetPickList(cboBitrateWAV, c.cboBitrateWAV);
    SetPickList(cboChannelsWAV, c.cboChannelsWAV);
    SetPickList(cboTags, c.cboTags);
    SetPickList(cboFormats, c.cboFormats);
    SetPickList(cboMP3Bitrate, c.cboMP3Bitrate);
    SetPickList(cboMP3Quality, c.cboMP3Quality);
    SetPickList(cboMP3Samplerate, c.cboMP3Samplerate);
    SetPickList(cboMP3Mode, c.cboMP3Mode);
    SetCheckValue(chkMP3ErrorProtect, c.chkMP3ErrorProtect);
    SetCheckValue(chkMP3Original, c.chkMP3Original);
    SetCheckValue(chkMP3Copyright, c.chkMP3Copyright);
    SetCheckValue(chkMP3StrictISO, c.chkMP3StrictISO);
    SetPickList(cboMP3VBRQuality, c.cboMP3VBRQuality);
    SetPickList(cboMP3MinBitrate, c.cboMP3MinBitrate);
    SetPickList(cboMP3MaxBitrate, c.cboMP3MaxBitrate);
    SetCheckValue(chkMP3VBRTag, c.chkMP3VBRTag);
    SetCheckValue(chkMP3VBRForceMinBitrate, c.chkMP3VBRForceMinBitrate);
    SetCheckValue(chkMP3ABR, c.chkMP3ABR);
    SetPickList(cboMP3ABRBitrate, c.cboMP3ABRBitrate);
    SetMP3AdvancedCaption(c.lblMP3Advanced);
    picMP3Advanced->setVisible(c.MP3AdvancedVisible());
    SetPickList(cboWMACodecs, c.cboWMACodecs);
    SetPickList(cboWMAFormat, c.cboWMAFormat);
    ptnQualityOGG->setChecked(c.ptnQualityOGG);
    optOggBit->setChecked(c.optOggBit);
    {
        const QSignalBlocker blocker(sldOGG);
        sldOGG->setValue(std::clamp(c.sldOGG, 0, 100));
    }
    SetPickList(cboOggBitNom, c.cboOggBitNom);
    SetPickList(cboAPELevel, c.cboAPELevel);
}

QString frmAudioProp::MP3AdvancedCaption() const {
    return lblMP3Advanced->property("Caption").toString();
}

void frmAudioProp::SetMP3AdvancedCaption(const QString& caption) {
    lblMP3Advanced->setProperty("Caption", caption);
    lblMP3Advanced->setText("<a href=\"#\" style=\"color:#0000ff; text-decoration:underline\">" +
                            caption.toHtmlEscaped() + "</a>");
}

void frmAudioProp::GetOptions() {
    if (!m_reg) return;
    settings::tEncoderControls controls = Controls();
    settings::LoadEncoderControls(*m_reg, controls, m_lists);
    SetControls(controls);
    settings::SetEncoderVariables(controls);
    m_confirmed = controls;
    m_bConfirmedBestAccord = chkBestAccordToSource->isChecked();
}

void frmAudioProp::cmdOk_Click() {
    if (!m_reg) Form_Load();
    // The tabs and the Options dialog's list come from the same switches in
    // the same order, so the tab's position is the format's entry.
    if (frmOptions* options = frmOptions::instance())
        options->cboTargetFormat->setCurrentIndex(cTabControl1->SelectedTab() - 1);
    settings::StoreEncoderControls(*m_reg, Controls());
    GetOptions();
    close();
}

void frmAudioProp::cmdExit_Click() {
    close();
}

void frmAudioProp::Form_Hiding() {
    // Closing without OK throws the unconfirmed edits away, so that the
    // dialog never shows settings that are not in force and a later OK
    // cannot store a change the user abandoned.
    SetControls(m_confirmed);
    chkBestAccordToSource->setChecked(m_bConfirmedBestAccord);
}

void frmAudioProp::Form_Unload() {
    if (settings::g_bAppExiting) cAudioConverter1->Close();
}

void frmAudioProp::cAudioConverter1_ACMTagItem(const QString& name) {
    int position = 0;
    while (position < cboTags->count() && !settings::ACMTagLess(name, cboTags->itemText(position)))
        ++position;
    const QSignalBlocker blocker(cboTags);
    cboTags->insertItem(position, name);
}

void frmAudioProp::cAudioConverter1_ACMFormatItem(const QString& name) {
    const QSignalBlocker blocker(cboFormats);
    cboFormats->addItem(name);
}

void frmAudioProp::cboTags_Click() {
    {
        const QSignalBlocker blocker(cboFormats);
        cboFormats->clear();
    }
    for (const QString& name : settings::ACMFormatNames(*cAudioConverter1, cboTags->currentText()))
        cAudioConverter1_ACMFormatItem(name);
    if (cboFormats->count() > 0) cboFormats->setCurrentIndex(0);
}

void frmAudioProp::cboWMACodecs_Click() {
    const QSignalBlocker blocker(cboWMAFormat);
    cboWMAFormat->clear();
    const qint32 codec = cboWMACodecs->currentIndex();
    const qint32 count = cAudioConverter1->WMAFormatCount(codec);
    for (qint32 i = 0; i < count; ++i)
        cboWMAFormat->addItem(cAudioConverter1->WMAFormatName(codec, i));
    if (cboWMAFormat->count() > 0) cboWMAFormat->setCurrentIndex(0);
}

void frmAudioProp::chkBestAccordToSource_Click() {
    {
        const QSignalBlocker tags(cboTags);
        const QSignalBlocker formats(cboFormats);
        cboTags->clear();
        cboFormats->clear();
    }
    QStringList tags;
    if (!chkBestAccordToSource->isChecked()) {
        tags = settings::ACMTagNames(*cAudioConverter1, 44100, 2, 16, 0);
    } else {
        dialogs::g_tOpenFileName.lpstrFilter =
            QStringLiteral("MP3 Audio Files (*.mp3)") + QChar(0) + "*.mp3" + QChar(0);
        dialogs::g_tOpenFileName.lpstrTitle = "Open MP3 audio file";
        const dialogs::tFileDialogResult chosen = dialogs::ShowOpenDialog(this, dialogs::kCentreOnOwner);
        // Several files give no single path in the first entry: nothing to examine.
        if (chosen.bCancelled || chosen.sFiles.isEmpty() || chosen.sFiles.constFirst().isEmpty()) return;
        cAudioConverter1->OpenSource(chosen.sFiles.constFirst());
        tags = settings::ACMTagNames(*cAudioConverter1, cAudioConverter1->SampleRate(),
                                     cAudioConverter1->Channels(), cAudioConverter1->BitsPerSample(),
                                     components::cAudioConverter::ACM_FORMATENUMF_CONVERT);
    }
    for (const QString& name : tags)
        cAudioConverter1_ACMTagItem(name);
    if (cboTags->count() > 0) {
        {
            const QSignalBlocker blocker(cboTags);
            cboTags->setCurrentIndex(0);
        }
        cboTags_Click();
    }
    if (cboFormats->count() > 0) cboFormats->setCurrentIndex(0);
}

void frmAudioProp::lblMP3Advanced_Click() {
    ShowMP3Advanced();
}

void frmAudioProp::ShowMP3Advanced() {
    const QString caption = MP3AdvancedCaption();
    if (caption == QLatin1String("Advanced...")) {
        picMP3Advanced->setVisible(true);
        SetMP3AdvancedCaption("Simple...");
    } else if (caption == QLatin1String("Simple...")) {
        picMP3Advanced->setVisible(false);
        SetMP3AdvancedCaption("Advanced...");
    }
}

void frmAudioProp::sldOGG_Scroll() {
    // While dragging, the thumb's position is ahead of the value.
    lblSensitivityVal->setText(QString::number(sldOGG->sliderPosition()));
}
