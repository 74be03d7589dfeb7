#include "SettingsStore.h"
#include "TestEnv.h"

#include "components/cAudioConverter.h"
#include "controls/cTabControl.h"
#include "core/RegistryRoutines.h"
#include "core/mdlSupportedDestination.h"
#include "options/frmAudioProp.h"
#include "options/frmOptions.h"
#include "settings/EncoderSettings.h"
#include "settings/SettingsVariables.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QtEndian>
#include <QtTest>
#include <memory>

using namespace settings;
using namespace options;

namespace {

// A key below the root the encoder settings name for themselves.
core::RegistryRoutines Reg(const QString& subkey) {
    return testsupport::settingsKey(subkey, core::HKEY_LOCAL_MACHINE, EncoderSettingsKeyRoot());
}

QString Stored(const QString& subkey, const QString& name) {
    return Reg(subkey).GetRegistryValue(name).toString();
}

// Every encoder variable, as text.
QStringList EncoderVariables() {
    QStringList v;
    for (qint32 n :
         {g_lWAVSampleRate, g_lWAVBitsPerSample, g_lWAVChannelsIndex, g_lMP3Bitrate, g_lMP3Quality,
          g_lMP3SampleRate, g_lMP3Mode, g_lMP3VBRQuality, g_lMP3MinBitrate, g_lMP3MaxBitrate,
          g_lMP3ABRBitrate, g_lWMACodec, g_lWMAFormat, g_lOGGQuality, g_lOGGNominalBitrate, g_lAPELevel})
        v << QString::number(n);
    for (bool b : {g_bMP3ErrorProtect, g_bMP3Original, g_bMP3Copyright, g_bMP3StrictISO, g_bMP3VBRTag,
                   g_bMP3VBRForceMinBitrate, g_bMP3ABR, g_bOGGByQuality, g_bOGGByBitrate})
        v << QString::number(b);
    return v << g_sACMTag << g_sACMFormat;
}

void ScrambleEncoderVariables() {
    for (qint32* n : {&g_lWAVSampleRate, &g_lWAVBitsPerSample, &g_lWAVChannelsIndex, &g_lMP3Bitrate,
                      &g_lMP3Quality, &g_lMP3SampleRate, &g_lMP3Mode, &g_lMP3VBRQuality, &g_lMP3MinBitrate,
                      &g_lMP3MaxBitrate, &g_lMP3ABRBitrate, &g_lWMACodec, &g_lWMAFormat, &g_lOGGQuality,
                      &g_lOGGNominalBitrate, &g_lAPELevel})
        *n = 4711;
    for (bool* b : {&g_bMP3ErrorProtect, &g_bMP3Original, &g_bMP3Copyright, &g_bMP3StrictISO, &g_bMP3VBRTag,
                    &g_bMP3VBRForceMinBitrate, &g_bMP3ABR, &g_bOGGByQuality, &g_bOGGByBitrate})
        *b = !*b;
    g_sACMTag = g_sACMFormat = "stale";
}

QStringList Items(const QComboBox* combo) {
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items << combo->itemText(i);
    return items;
}

// A short 16-bit PCM WAV file of silence.
void WriteWav(const QString& path, quint32 rate, quint16 channels) {
    const quint32 frames = rate / 10;
    const quint32 dataSize = frames * channels * 2;
    QByteArray b;
    auto u32 = [&b](quint32 v) {
        char x[4];
        qToLittleEndian(v, x);
        b.append(x, 4);
    };
    auto u16 = [&b](quint16 v) {
        char x[2];
        qToLittleEndian(v, x);
        b.append(x, 2);
    };
    b.append("RIFF");
    u32(36 + dataSize);
    b.append("WAVEfmt ");
    u32(16);
    u16(1);
    u16(channels);
    u32(rate);
    u32(rate * channels * 2);
    u16(channels * 2);
    u16(16);
    b.append("data");
    u32(dataSize);
    b.append(QByteArray(dataSize, '\0'));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(b);
}

struct Switches {
    qint32 wav, acm, mp3, wma, ogg, ape;
};

void SetSwitches(const Switches& s) {
    core::g_lDestWAV = s.wav;
    core::g_lDestACM = s.acm;
    core::g_lDestMP3 = s.mp3;
    core::g_lDestWMA = s.wma;
    core::g_lDestOGG = s.ogg;
    core::g_lDestAPE = s.ape;
}

QStringList TabKeys(const cTabControl* tabs) {
    QStringList keys;
    for (qint32 i = 1; i <= tabs->TabCount(); ++i)
        keys << tabs->TabKey(i);
    return keys;
}

QList<QFrame*> Panels(const frmAudioProp& dlg) {
    return {dlg.froToWAV, dlg.froToACM, dlg.froToMP3, dlg.froToWMA, dlg.froToOGG, dlg.froToAPE};
}

QStringList ShownPanels(const frmAudioProp& dlg) {
    QStringList shown;
    for (QFrame* panel : Panels(dlg))
        if (!panel->isHidden()) shown << panel->objectName();
    return shown;
}

// A loaded dialog with every output format offered.
std::unique_ptr<frmAudioProp> LoadedDialog() {
    SetSwitches({1, 1, 1, 1, 1, 1});
    auto dlg = std::make_unique<frmAudioProp>();
    dlg->Form_Load();
    return dlg;
}

} // namespace

class tst_AudioProp : public QObject {
    Q_OBJECT
private slots:
    void init() { g_bAppExiting = false; }
    void cleanup() { g_bAppExiting = false; }

    void tabsPerOfferedFormat_data();
    void tabsPerOfferedFormat();
    void tabShowsItsPageAndTitle_data();
    void tabShowsItsPageAndTitle();
    void formatWithoutTabShowsTheSelectedTab();
    void codecListsInStableOrder();
    void choosingACodecRefillsItsFormats();
    void okStoresAndSetsTheDefaultFormat();
    void exitAndCloseReload();
    void advancedLinkToggles();
    void recommendedCodecsFromASourceFile();
    void recommendedCodecsCancelled();
    void sliderLabelFollowsDragsOnly();
    void closesForRealOnlyWhenExiting();
    void startUpReadsWhatTheDialogReads_data();
    void startUpReadsWhatTheDialogReads();
};

void tst_AudioProp::tabsPerOfferedFormat_data() {
    QTest::addColumn<int>("edition"); // -1: this edition's own switches
    QTest::addColumn<QStringList>("keys");
    QTest::newRow("this edition") << -1 << QStringList{"WAV", "MP3", "WMA"};
    QTest::newRow("all six") << 0b111111 << QStringList{"WAV", "ACM", "MP3", "WMA", "OGG", "APE"};
    QTest::newRow("OGG and APE") << 0b110000 << QStringList{"OGG", "APE"};
}

void tst_AudioProp::tabsPerOfferedFormat() {
    QFETCH(int, edition);
    QFETCH(QStringList, keys);
    testsupport::TestEnv env;
    if (edition < 0) {
        core::InitDestinationFormats();
    } else {
        auto bit = [edition](int n) { return (edition >> n) & 1; };
        SetSwitches({bit(0), bit(1), bit(2), bit(3), bit(4), bit(5)});
    }
    frmAudioProp dlg;
    dlg.Form_Load();
    dlg.Form_Load(); // a second load adds nothing
    QCOMPARE(TabKeys(dlg.cTabControl1), keys);
    for (qint32 i = 1; i <= dlg.cTabControl1->TabCount(); ++i)
        QCOMPARE(dlg.cTabControl1->TabCaption(i), keys.at(i - 1));
    QCOMPARE(ShownPanels(dlg), QStringList{"froToWAV"});
    QCOMPARE(dlg.windowTitle(), QString("Audio Format"));
    // The settings of every format load whatever the edition offers.
    QCOMPARE(dlg.cboAPELevel->currentText(), QString("Fast"));
    QCOMPARE(dlg.cboOggBitNom->currentText(), QString("32"));
}

void tst_AudioProp::tabShowsItsPageAndTitle_data() {
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("panel");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("description");
    QTest::newRow("WAV") << "WAV - Waveform Audio Format (*.wav)"
                         << "froToWAV"
                         << "WAV -"
                         << "Waveform audio format";
    QTest::newRow("ACM") << "ACM"
                         << "froToACM"
                         << "WAV(ACM) -"
                         << "Waveform audio format with ACM codec";
    QTest::newRow("MP3") << "MP3 - MPEG-1 Audio Layer 3 (*.mp3)"
                         << "froToMP3"
                         << "MP3 -"
                         << "MPEG-1 Audio Layer 3";
    QTest::newRow("WMA") << "WMA"
                         << "froToWMA"
                         << "WMA -"
                         << "Windows Media Audio";
    QTest::newRow("OGG") << "OGG"
                         << "froToOGG"
                         << "OGG -"
                         << "Ogg Media format";
    QTest::newRow("APE") << "APE"
                         << "froToAPE"
                         << "APE -" << QString::fromUtf8("Monkey\u2019s Audio file format");
}

void tst_AudioProp::tabShowsItsPageAndTitle() {
    QFETCH(QString, entry);
    QFETCH(QString, panel);
    QFETCH(QString, title);
    QFETCH(QString, description);
    testsupport::TestEnv env;
    auto dlg = LoadedDialog();
    QCOMPARE(dlg->lblTitle->text(), QString("App Name")); // design texts until a tab is shown
    dlg->ShowFormatPage(entry);
    QCOMPARE(dlg->cTabControl1->TabKey(dlg->cTabControl1->SelectedTab()), entry.left(3));
    QCOMPARE(ShownPanels(*dlg), QStringList{panel});
    QCOMPARE(dlg->lblTitle->text(), title);
    QCOMPARE(dlg->lblFormatDesc->text(), description);
    // The description follows the title on its line, 80 twips after its end.
    QCOMPARE(dlg->lblFormatDesc->x(), dlg->lblTitle->x() + dlg->lblTitle->width() + 80 / 15);
    QCOMPARE(dlg->lblFormatDesc->y(), dlg->lblTitle->y());
}

void tst_AudioProp::formatWithoutTabShowsTheSelectedTab() {
    testsupport::TestEnv env;
    core::InitDestinationFormats(); // WAV, MP3, WMA
    frmAudioProp dlg;
    dlg.Form_Load();
    dlg.ShowFormatPage("MP3 - MPEG-1 Audio Layer 3 (*.mp3)");
    dlg.ShowFormatPage("OGG - Ogg Vorbis (*.ogg)");
    // The strip keeps MP3 selected; the page shown matches it.
    QCOMPARE(dlg.cTabControl1->SelectedTab(), 2);
    QCOMPARE(ShownPanels(dlg), QStringList{"froToMP3"});
    QCOMPARE(dlg.lblTitle->text(), QString("MP3 -"));
}

void tst_AudioProp::codecListsInStableOrder() {
    testsupport::TestEnv env;
    auto dlg = LoadedDialog();
    components::cAudioConverter converter;

    QStringList codecs;
    for (qint32 i = 0; i < converter.WMACodecCount(); ++i)
        codecs << converter.WMACodecName(i);
    QCOMPARE(Items(dlg->cboWMACodecs), codecs);
    if (!codecs.isEmpty()) {
        QStringList formats;
        for (qint32 i = 0; i < converter.WMAFormatCount(0); ++i)
            formats << converter.WMAFormatName(0, i);
        QCOMPARE(Items(dlg->cboWMAFormat), formats);
        QCOMPARE(dlg->cboWMACodecs->currentIndex(), 0);
        QCOMPARE(dlg->cboWMAFormat->currentIndex(), 0);
    }

    // Tags sorted alphabetically, "PCM" chosen with its formats in the converter's order.
    QStringList tags;
    connect(&converter, &components::cAudioConverter::ACMTagItem, this, [&](const QString& n) { tags << n; });
    converter.EnumACMTags(1, 44100, 2, 16, 0);
    std::stable_sort(tags.begin(), tags.end(), ACMTagLess);
    QCOMPARE(Items(dlg->cboTags), tags);
    QStringList sorted = Items(dlg->cboTags);
    std::sort(sorted.begin(), sorted.end(),
              [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    QCOMPARE(Items(dlg->cboTags), sorted);
    if (tags.contains("PCM")) {
        QCOMPARE(dlg->cboTags->currentText(), QString("PCM"));
        QStringList pcm;
        connect(&converter, &components::cAudioConverter::ACMFormatItem, this,
                [&](const QString& n) { pcm << n; });
        converter.EnumACMFormats("PCM");
        QCOMPARE(Items(dlg->cboFormats), pcm);
        QCOMPARE(dlg->cboFormats->currentIndex(), 0);
        QCOMPARE(g_sACMTag, QString("PCM"));
        QCOMPARE(g_sACMFormat, pcm.value(0));
    }

    // A second load lists the same, in the same order.
    frmAudioProp again;
    again.Form_Load();
    QCOMPARE(Items(again.cboTags), Items(dlg->cboTags));
    QCOMPARE(Items(again.cboWMACodecs), Items(dlg->cboWMACodecs));
    QCOMPARE(Items(again.cboWMAFormat), Items(dlg->cboWMAFormat));
}

void tst_AudioProp::choosingACodecRefillsItsFormats() {
    testsupport::TestEnv env;
    auto dlg = LoadedDialog();
    if (dlg->cboTags->count() < 2) QSKIP("fewer than two ACM codecs on this machine");
    const int last = dlg->cboTags->count() - 1;
    dlg->cboTags->setCurrentIndex(last);
    dlg->cboTags_Click();
    const QStringList formats = ACMFormatNames(*dlg->cAudioConverter1, dlg->cboTags->itemText(last));
    QCOMPARE(Items(dlg->cboFormats), formats);
    QCOMPARE(dlg->cboFormats->currentIndex(), formats.isEmpty() ? -1 : 0);

    if (dlg->cboWMACodecs->count() >= 2) {
        dlg->cboWMACodecs->setCurrentIndex(1);
        dlg->cboWMACodecs_Click();
        QCOMPARE(dlg->cboWMAFormat->count(), dlg->cAudioConverter1->WMAFormatCount(1));
        QCOMPARE(dlg->cboWMAFormat->itemText(0), dlg->cAudioConverter1->WMAFormatName(1, 0));
    }
}

void tst_AudioProp::okStoresAndSetsTheDefaultFormat() {
    testsupport::TestEnv env;
    frmOptions options;
    options.Form_Load(); // the edition's switches: WAV, MP3, WMA
    frmAudioProp dlg;
    dlg.Form_Load();
    core::RegistryRoutines general = Reg("General");
    const QVariant storedFormat = general.GetRegistryValue("cboTargetFormat");

    dlg.ShowFormatPage("MP3 - MPEG-1 Audio Layer 3 (*.mp3)");
    dlg.cboMP3Bitrate->setCurrentIndex(dlg.cboMP3Bitrate->findText("192"));
    dlg.chkMP3ABR->setChecked(true);
    dlg.optOggBit->setChecked(true);
    dlg.ptnQualityOGG->setChecked(false);
    dlg.cmdOk_Click();

    QVERIFY(dlg.isHidden());
    QCOMPARE(Stored("Formats\\MP3", "cboMP3Bitrate"), QString("192"));
    QCOMPARE(Stored("Formats\\MP3", "chkMP3ABR"), QString("1"));
    QCOMPARE(Stored("Formats\\OGG", "optOggBit"), QString("True"));
    // Formats without a tab in this edition are written too.
    QCOMPARE(Stored("Formats\\APE", "cboAPELevel"), QString("0"));
    QCOMPARE(Stored("Formats\\ACM", "cboTags"), dlg.cboTags->currentText());
    QCOMPARE(g_lMP3Bitrate, 192);
    QVERIFY(g_bMP3ABR);
    QVERIFY(g_bOGGByBitrate);
    QCOMPARE(MP3SettingsRecord().VBRMethod, 3);

    QCOMPARE(options.cboTargetFormat->currentIndex(), 1);
    QCOMPARE(options.cboTargetFormat->currentText(), core::DestinationFormatText(core::fmtMP3));
    QCOMPARE(general.GetRegistryValue("cboTargetFormat"), storedFormat);
}

void tst_AudioProp::exitAndCloseReload() {
    testsupport::TestEnv env;
    frmOptions options;
    options.Form_Load();
    options.cboTargetFormat->setCurrentIndex(0);
    frmAudioProp dlg;
    dlg.Form_Load();

    for (int how = 0; how < 2; ++how) {
        dlg.ShowFormatPage("MP3");
        dlg.show();
        dlg.cboMP3Bitrate->setCurrentIndex(dlg.cboMP3Bitrate->findText("256"));
        dlg.chkMP3StrictISO->setChecked(true);
        if (how == 0)
            dlg.cmdExit_Click();
        else
            dlg.close(); // the window frame
        QVERIFY(dlg.isHidden());
        QCOMPARE(Stored("Formats\\MP3", "cboMP3Bitrate"), QString());
        QCOMPARE(g_lMP3Bitrate, 128);
        QCOMPARE(dlg.cboMP3Bitrate->currentText(), QString("128"));
        QVERIFY(!dlg.chkMP3StrictISO->isChecked());
        QCOMPARE(options.cboTargetFormat->currentIndex(), 0);
    }

    // A later OK stores only what was confirmed.
    dlg.cmdOk_Click();
    QCOMPARE(Stored("Formats\\MP3", "cboMP3Bitrate"), QString("128"));
    QCOMPARE(Stored("Formats\\MP3", "chkMP3StrictISO"), QString("0"));

    // After a confirmed change, Exit returns to it.
    dlg.cboMP3Bitrate->setCurrentIndex(dlg.cboMP3Bitrate->findText("192"));
    dlg.cmdOk_Click();
    dlg.cboMP3Bitrate->setCurrentIndex(dlg.cboMP3Bitrate->findText("256"));
    dlg.cmdExit_Click();
    QCOMPARE(dlg.cboMP3Bitrate->currentText(), QString("192"));
    QCOMPARE(g_lMP3Bitrate, 192);
}

void tst_AudioProp::advancedLinkToggles() {
    testsupport::TestEnv env;
    {
        auto dlg = LoadedDialog();
        QCOMPARE(dlg->MP3AdvancedCaption(), QString("Advanced..."));
        QVERIFY(dlg->picMP3Advanced->isHidden());
        QCOMPARE(dlg->lblMP3Advanced->toolTip(), QString("MP3 properties mode."));
        dlg->lblMP3Advanced_Click();
        QCOMPARE(dlg->MP3AdvancedCaption(), QString("Simple..."));
        QVERIFY(!dlg->picMP3Advanced->isHidden());
        dlg->lblMP3Advanced_Click();
        QCOMPARE(dlg->MP3AdvancedCaption(), QString("Advanced..."));
        QVERIFY(dlg->picMP3Advanced->isHidden());
        dlg->lblMP3Advanced_Click();
        dlg->cmdOk_Click();
        QCOMPARE(Stored("Formats\\MP3", "lblMP3Advanced"), QString("Simple..."));
    }
    // The next start opens in the advanced mode.
    auto dlg = LoadedDialog();
    QCOMPARE(dlg->MP3AdvancedCaption(), QString("Simple..."));
    QVERIFY(!dlg->picMP3Advanced->isHidden());
    QVERIFY(dlg->chkMP3VBR->isChecked()); // shown checked, never stored
    QCOMPARE(Stored("Formats\\MP3", "chkMP3VBR"), QString());
}

void tst_AudioProp::recommendedCodecsFromASourceFile() {
    testsupport::TestEnv env;
    auto dlg = LoadedDialog();
    QCOMPARE(dlg->chkBestAccordToSource->text(),
             QString("Get recommended codecs according to source file format."));
    QVERIFY(!dlg->chkBestAccordToSource->isChecked());

    // A rate no codec takes lists nothing.
    const QString odd = env.path("odd.mp3");
    WriteWav(odd, 12000, 1);
    env.services().openAnswers.enqueue({odd});
    dlg->chkBestAccordToSource->setChecked(true);
    dlg->chkBestAccordToSource_Click();
    QCOMPARE(env.services().openRequests.size(), 1);
    QCOMPARE(env.services().openRequests.at(0).title, QString("Open MP3 audio file"));
    QVERIFY(env.services().openRequests.at(0).filter.contains("*.mp3"));
    QCOMPARE(dlg->cboTags->count(), 0);
    QCOMPARE(dlg->cboFormats->count(), 0);

    // A 22050 Hz mono file lists the codecs with such a format, the first chosen.
    const QString source = env.path("source.mp3");
    WriteWav(source, 22050, 1);
    env.services().openAnswers.enqueue({source});
    dlg->chkBestAccordToSource->setChecked(false);
    dlg->chkBestAccordToSource->setChecked(true);
    dlg->chkBestAccordToSource_Click();
    const QStringList expected = ACMTagNames(*dlg->cAudioConverter1, 22050, 1, 16,
                                             components::cAudioConverter::ACM_FORMATENUMF_CONVERT);
    QVERIFY(!expected.isEmpty());
    QCOMPARE(Items(dlg->cboTags), expected);
    QCOMPARE(dlg->cboTags->currentIndex(), 0);
    QCOMPARE(Items(dlg->cboFormats), ACMFormatNames(*dlg->cAudioConverter1, expected.first()));
    QCOMPARE(dlg->cboFormats->currentIndex(), 0);

    // Unchecking lists the PCM 44100/2/16 codecs again and picks the first, not "PCM".
    dlg->chkBestAccordToSource->setChecked(false);
    dlg->chkBestAccordToSource_Click();
    const QStringList all = ACMTagNames(*dlg->cAudioConverter1, 44100, 2, 16, 0);
    QCOMPARE(Items(dlg->cboTags), all);
    QCOMPARE(dlg->cboTags->currentText(), all.first());
    QCOMPARE(env.services().openRequests.size(), 2);
}

void tst_AudioProp::recommendedCodecsCancelled() {
    testsupport::TestEnv env;
    auto dlg = LoadedDialog();
    dlg->chkBestAccordToSource->setChecked(true);
    dlg->chkBestAccordToSource_Click(); // no answer queued: cancelled
    QCOMPARE(dlg->cboTags->count(), 0);
    QCOMPARE(dlg->cboFormats->count(), 0);

    // OK stores empty texts; the variables follow.
    dlg->cmdOk_Click();
    QCOMPARE(Stored("Formats\\ACM", "cboTags"), QString());
    QCOMPARE(g_sACMTag, QString());
    QCOMPARE(g_sACMFormat, QString());

    // Several files give no single source: the lists stay empty.
    env.services().openAnswers.enqueue({env.path("a.mp3"), env.path("b.mp3")});
    dlg->chkBestAccordToSource_Click();
    QCOMPARE(dlg->cboTags->count(), 0);
}

void tst_AudioProp::sliderLabelFollowsDragsOnly() {
    testsupport::TestEnv env;
    auto dlg = LoadedDialog();
    QCOMPARE(dlg->lblSensitivityVal->text(), QString::number(dlg->sldOGG->value()));
    dlg->sldOGG->setSliderDown(true);
    dlg->sldOGG->setSliderPosition(75); // a drag
    dlg->sldOGG->setSliderDown(false);
    QCOMPARE(dlg->sldOGG->value(), 75);
    QCOMPARE(dlg->lblSensitivityVal->text(), QString("75"));
    dlg->sldOGG->triggerAction(QAbstractSlider::SliderSingleStepAdd); // an arrow
    QCOMPARE(dlg->sldOGG->value(), 76);
    QCOMPARE(dlg->lblSensitivityVal->text(), QString("75"));
}

void tst_AudioProp::closesForRealOnlyWhenExiting() {
    testsupport::TestEnv env;
    QPointer<frmAudioProp> dlg = new frmAudioProp;
    dlg->setAttribute(Qt::WA_DeleteOnClose);
    dlg->Form_Load();
    QCOMPARE(g_frmAudioProp.data(), dlg.data());
    dlg->show();
    QVERIFY(!dlg->close());
    QVERIFY(dlg && dlg->isHidden());

    g_bAppExiting = true;
    QVERIFY(dlg->close());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!dlg);
    QVERIFY(!g_frmAudioProp);
}

void tst_AudioProp::startUpReadsWhatTheDialogReads_data() {
    QTest::addColumn<QStringList>("stored"); // subkey, name, value, ...
    QTest::newRow("nothing stored") << QStringList();
    QTest::newRow("values") << QStringList{
        "Formats\\MP3", "cboMP3Bitrate", "192",  "Formats\\MP3", "chkMP3ABR",     "1",
        "Formats\\MP3", "cboMP3Mode",    "3",    "Formats\\WAV", "cboSamplesWAV", "22050",
        "Formats\\OGG", "optOggBit",     "True", "Formats\\ACM", "cboTags",       "MS ADPCM",
        "Formats\\WMA", "cboWMACodecs",  "1"};
    QTest::newRow("unusable values") << QStringList{"Formats\\MP3", "cboMP3Bitrate", "fast",
                                                    "Formats\\ACM", "cboTags",       "No such codec",
                                                    "Formats\\WMA", "cboWMACodecs",  "9"};
}

// Start-up reads the encoder settings without building the dialog: the
// variables must come out as the dialog's load makes them.
void tst_AudioProp::startUpReadsWhatTheDialogReads() {
    QFETCH(QStringList, stored);
    testsupport::TestEnv env;
    frmOptions options;
    options.Form_Load(); // the edition's format switches
    for (int i = 0; i + 2 < stored.size(); i += 3)
        QVERIFY(Reg(stored[i]).SetRegistryValue(stored[i + 1], stored[i + 2], core::REG_SZ));

    ScrambleEncoderVariables();
    LoadEncoderSettings(); // as start-up reads them
    const QStringList withoutDialog = EncoderVariables();

    ScrambleEncoderVariables();
    frmAudioProp dlg;
    dlg.Form_Load();
    QCOMPARE(withoutDialog, EncoderVariables());
}

QTEST_MAIN(tst_AudioProp)
#include "tst_audioprop.moc"
