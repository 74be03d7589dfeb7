#include "tools/frmOrlath.h"

#include "controls/cImageList.h"
#include "controls/cSlider.h"
#include "controls/cStatusBar.h"
#include "controls/cTreeView.h"
#include "core/AppPaths.h"
#include "core/BatchTemplates.h"
#include "core/Services.h"
#include "core/mdlModes.h"
#include "core/mdlSettingStore.h"
#include "core/mdlSupportedDestination.h"
#include "dialogs/ModalShow.h"
#include "dialogs/WindowChrome.h"
#include "dialogs/frmAbout.h"
#include "dialogs/mdlCommDialog.h"
#include "dialogs/mdlSupportedDestinationGui.h"
#include "itemlists/Templates.h"
#include "options/frmOptions.h"
#include "settings/SettingsVariables.h"
#include "toolframe/frmAudioEditorProc.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFile>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>
#include <QVBoxLayout>

namespace tools {
QPointer<frmOrlath> g_frmOrlath;
}

namespace {

const QString kSection = QStringLiteral("TTS");
const QString kDefaultFormat = QStringLiteral("SAFT22kHz16BitMono");
// The speak options of every speech: a new text replaces one still being spoken.
constexpr qint32 kSpeakFlags = 11;

QFrame* Separator(QWidget* parent) {
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

} // namespace

frmOrlath::frmOrlath(const toolframe::ToolLaunch& launch, QWidget* parent)
    : QDialog(parent), m_launch(launch) {
    setObjectName(QStringLiteral("frmOrlath"));
    // Fixed border, no caption text of its own: the title strip carries the title.
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                   Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setAccessibleName(QStringLiteral("Text To Speech"));
    cOrlath1 = new components::cOrlath(this);
    cOrlath1->setObjectName(QStringLiteral("cOrlath1"));
    openAudioFormat = [](QWidget* owner, const QString& key) { options::ShowAudioFormatAtTab(owner, key); };
    openOptionsPage = [](QWidget*, const QString& page) {
        frmOptions* options = frmOptions::instance();
        if (!options) return;
        cTreeViewNode node = options->cTreeView1->Nodes().Item(page);
        node.setSelected(true);
        options->cTreeView1_NodeClick(node);
        dialogs::ExecModal(options);
    };
    BuildControls();
}

frmOrlath::~frmOrlath() {
    Form_Unload();
}

QString frmOrlath::TempWavPath() {
    return core::ProgramFolder() + QStringLiteral("/tmptts.wav");
}

void frmOrlath::BuildControls() {
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(0);

    picTitle = new QFrame(this);
    picTitle->setObjectName(QStringLiteral("picTitle"));
    picTitle->setAutoFillBackground(true);
    auto* titleRow = new QHBoxLayout(picTitle);
    lblTitle = new QLabel(QStringLiteral("Text To Speech"), picTitle);
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    QFont big = lblTitle->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.4);
    lblTitle->setFont(big);
    titleRow->addWidget(lblTitle);
    root->addWidget(picTitle);

    auto* body = new QWidget(this);
    auto* grid = new QGridLayout(body);
    root->addWidget(body, 1);
    auto named = [](QWidget* w, const char* name) {
        w->setObjectName(QLatin1String(name));
        return w;
    };
    auto label = [&](const QString& text, const char* name) {
        return static_cast<QLabel*>(named(new QLabel(text, body), name));
    };
    auto combo = [&](const char* name) {
        auto* c = static_cast<QComboBox*>(named(new QComboBox(body), name));
        c->setEditable(false);
        return c;
    };
    auto button = [&](const QString& text, const QString& tip, const char* name) {
        auto* b = static_cast<QPushButton*>(named(new QPushButton(text, body), name));
        b->setToolTip(tip);
        return b;
    };

    int row = 0;
    lblOutputs = label(QStringLiteral("Audio Outputs:"), "lblOutputs");
    cboAudioOutputs = combo("cboAudioOutputs");
    grid->addWidget(lblOutputs, row++, 0, 1, 4);
    grid->addWidget(cboAudioOutputs, row++, 0, 1, 4);

    lblVoices = label(QStringLiteral("Voices:"), "lblVoices");
    cboVoices = combo("cboVoices");
    lblFormats = label(QStringLiteral("Formats:"), "lblFormats");
    cboFormats = combo("cboFormats");
    grid->addWidget(lblVoices, row, 0, 1, 2);
    grid->addWidget(lblFormats, row++, 2, 1, 2);
    grid->addWidget(cboVoices, row, 0, 1, 2);
    grid->addWidget(cboFormats, row++, 2, 1, 2);

    lblVolume = label(QStringLiteral("Volume:"), "lblVolume");
    lblValumeVal = label(QStringLiteral("50"), "lblValumeVal");
    sldVolume = static_cast<cSlider*>(named(new cSlider(body), "sldVolume"));
    sldVolume->setRange(0, 100);
    lblRate = label(QStringLiteral("Rate:"), "lblRate");
    lblRateVal = label(QStringLiteral("0"), "lblRateVal");
    sldRate = static_cast<cSlider*>(named(new cSlider(body), "sldRate"));
    sldRate->setRange(-10, 10);
    grid->addWidget(lblVolume, row, 0);
    grid->addWidget(lblValumeVal, row, 1, Qt::AlignRight);
    grid->addWidget(lblRate, row, 2);
    grid->addWidget(lblRateVal, row++, 3, Qt::AlignRight);
    grid->addWidget(sldVolume, row, 0, 1, 2);
    grid->addWidget(sldRate, row++, 2, 1, 2);
    grid->addWidget(Separator(body), row++, 0, 1, 4);

    lblText = label(QStringLiteral("Text:"), "lblText");
    lblClearText =
        static_cast<cLinkLabel*>(named(new cLinkLabel(QStringLiteral("Clear Text"), body), "lblClearText"));
    lblClearText->setToolTip(QStringLiteral("Clear Text"));
    grid->addWidget(lblText, row, 0, 1, 3);
    grid->addWidget(lblClearText, row++, 3, Qt::AlignRight);
    txtSpeak = static_cast<QPlainTextEdit*>(named(new QPlainTextEdit(body), "txtSpeak"));
    txtSpeak->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txtSpeak->setPlainText(QStringLiteral("This sample shows you how to use the 'Text To Speech'.\n"));
    // The spoken word stays visible while a button has the focus.
    QPalette palette = txtSpeak->palette();
    palette.setColor(QPalette::Inactive, QPalette::Highlight,
                     palette.color(QPalette::Active, QPalette::Highlight));
    palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     palette.color(QPalette::Active, QPalette::HighlightedText));
    txtSpeak->setPalette(palette);
    grid->addWidget(txtSpeak, row++, 0, 1, 4);

    // The icon buttons stand in front of the buttons they picture; they do nothing.
    auto iconButton = [&](const QString& tip) {
        auto* b = new QPushButton(body);
        b->setObjectName(QStringLiteral("cmdToolsIcon"));
        b->setFlat(true);
        b->setToolTip(tip);
        b->setFocusPolicy(Qt::NoFocus);
        cmdToolsIcon << b;
        return b;
    };
    auto pair = [&](QPushButton* icon, QPushButton* command) {
        auto* box = new QHBoxLayout();
        box->setSpacing(2);
        box->addWidget(icon);
        box->addWidget(command, 1);
        return box;
    };
    cmdSay = button(QStringLiteral("Say It"), QStringLiteral("Say it"), "cmdSay");
    cmdStop = button(QStringLiteral("Stop"), QStringLiteral("Stop"), "cmdStop");
    QPushButton* iconSay = iconButton(QStringLiteral("Say it"));
    QPushButton* iconStop = iconButton(QStringLiteral("Stop"));
    QPushButton* iconSave = iconButton(QStringLiteral("Save 'Text To Speech' as a wav file."));
    QPushButton* iconAdd = iconButton(QStringLiteral("Add to items list."));
    grid->addLayout(pair(iconSay, cmdSay), row, 0, 1, 2);
    grid->addLayout(pair(iconStop, cmdStop), row++, 2, 1, 2);
    grid->addWidget(Separator(body), row++, 0, 1, 4);

    lblAudioFormat = label(QStringLiteral("Destination Format:"), "lblAudioFormat");
    lblID3Tags =
        static_cast<cLinkLabel*>(named(new cLinkLabel(QStringLiteral("ID3Tags"), body), "lblID3Tags"));
    lblID3Tags->setToolTip(QStringLiteral("Set the ID3 tags"));
    grid->addWidget(lblAudioFormat, row, 0, 1, 3);
    grid->addWidget(lblID3Tags, row++, 3, Qt::AlignRight);
    cboTargetFormat = combo("cboTargetFormat");
    cmdEditTargetFormat =
        button(QStringLiteral("Edit"), QStringLiteral("Edit Target Audio Formats"), "cmdEditTargetFormat");
    grid->addWidget(cboTargetFormat, row, 0, 1, 3);
    grid->addWidget(cmdEditTargetFormat, row++, 3);
    cmdAdd = button(QStringLiteral("Add to Items List"), QStringLiteral("Add to items list."), "cmdAdd");
    cmdSaveAs =
        button(QStringLiteral("Save As..."), QStringLiteral("Save 'Text To Speech' as..."), "cmdSaveAs");
    grid->addLayout(pair(iconAdd, cmdAdd), row, 0, 1, 2);
    grid->addLayout(pair(iconSave, cmdSaveAs), row++, 2, 1, 2);

    cStatusBar1 = new cStatusBar(this);
    cStatusBar1->setObjectName(QStringLiteral("cStatusBar1"));
    root->addWidget(cStatusBar1);
    setMinimumWidth(420);

    connect(cmdSay, &QPushButton::clicked, this, &frmOrlath::cmdSay_Click);
    connect(cmdStop, &QPushButton::clicked, this, &frmOrlath::cmdStop_Click);
    connect(cmdSaveAs, &QPushButton::clicked, this, &frmOrlath::cmdSaveAs_Click);
    connect(cmdAdd, &QPushButton::clicked, this, &frmOrlath::cmdAdd_Click);
    connect(cmdEditTargetFormat, &QPushButton::clicked, this, &frmOrlath::cmdEditTargetFormat_Click);
    connect(lblID3Tags, &cLinkLabel::clicked, this, &frmOrlath::lblID3Tags_Click);
    connect(lblClearText, &cLinkLabel::clicked, this, &frmOrlath::lblClearText_Click);
    connect(txtSpeak, &QPlainTextEdit::textChanged, this, &frmOrlath::txtSpeak_Change);
    connect(sldRate, &QSlider::valueChanged, this, &frmOrlath::sldRate_Change);
    connect(sldVolume, &QSlider::valueChanged, this, &frmOrlath::sldVolume_Change);
    connect(cOrlath1, &components::cOrlath::WordPosition, this, &frmOrlath::cOrlath1_WordPosition);
    connect(cOrlath1, &components::cOrlath::SpeakDone, this, &frmOrlath::cOrlath1_SpeakDone);
    connect(cOrlath1, &components::cOrlath::AudioFormatItem, this, &frmOrlath::cOrlath1_AudioFormatItem);
}

void frmOrlath::Form_Load() {
    if (cImageList* images = m_launch.imgMenu) {
        const qint32 pictures[] = {84, 41, 47, 3};
        for (int i = 0; i < cmdToolsIcon.size(); ++i)
            cmdToolsIcon[i]->setIcon(images->ItemPicture(pictures[i]));
        setWindowIcon(images->ItemPicture(83)); // the tool's own picture (menu icon 82)
    }
    dialogs::chrome::ApplyTitleStrip(picTitle, {lblTitle});
    dialogs::chrome::ApplyView({this, sldVolume, sldRate}, picTitle, QList<QWidget*>{this});

    LoadVoices();
    LoadAudioOutputs();
    cboFormats->clear();
    cOrlath1->EnumAudioFormats();
    cboFormats->setCurrentIndex(-1);
    const QString app = core::g_sProductName;
    cboFormats->setCurrentIndex(cboFormats->findText(
        core::GetSetting(app, kSection, QStringLiteral("Format"), kDefaultFormat), Qt::MatchExactly));
    const int voice =
        cboVoices->findText(core::GetSetting(app, kSection, QStringLiteral("Voice")), Qt::MatchExactly);
    if (voice >= 0) cboVoices->setCurrentIndex(voice);

    sldVolume->setValue(50);
    sldRate->setValue(0);
    sldVolume_Change();
    sldRate_Change();
    txtSpeak->setPlainText(QStringLiteral("This sample shows you how to use the 'Text To Speech'."));
    txtSpeak_Change();
    m_sampleText = true;
    txtSpeak->installEventFilter(this);

    {
        const QSignalBlocker block(cboTargetFormat);
        dialogs::FillDestinationFormats(cboTargetFormat);
    }
    SelectTargetFromOptions();

    // Without a voice nothing can be spoken: say so once, and offer nothing that speaks.
    if (cboVoices->count() == 0) {
        cmdSay->setEnabled(false);
        cmdSaveAs->setEnabled(false);
        cmdAdd->setEnabled(false);
        const QString reason = cOrlath1->ErrorText();
        ShowMessage(
            QStringLiteral("No voice is installed for speech, so the text cannot be spoken or saved.") +
            (reason.isEmpty() ? QString() : QStringLiteral("\r\n\r\n") + reason));
    }
}

void frmOrlath::LoadVoices() {
    const qint32 n = cOrlath1->VoiceCount();
    cboVoices->clear();
    for (qint32 i = 1; i <= n; ++i)
        cboVoices->addItem(cOrlath1->VoiceName(i));
    if (cboVoices->count() > 0) cboVoices->setCurrentIndex(0);
}

void frmOrlath::LoadAudioOutputs() {
    const qint32 n = cOrlath1->AudioOutputCount();
    cboAudioOutputs->clear();
    for (qint32 i = 1; i <= n; ++i)
        cboAudioOutputs->addItem(cOrlath1->AudioOutputName(i));
    if (cboAudioOutputs->count() > 0) cboAudioOutputs->setCurrentIndex(0);
}

void frmOrlath::cOrlath1_AudioFormatItem(const QString& name, qint32 id) {
    const int k = cboFormats->count();
    cboFormats->insertItem(k, name);
    cboFormats->setItemData(k, id);
}

void frmOrlath::SelectTargetFromOptions() {
    frmOptions* options = frmOptions::instance();
    if (options && options->cboTargetFormat) {
        cboTargetFormat->setCurrentIndex(options->cboTargetFormat->currentIndex());
        return;
    }
    cboTargetFormat->setCurrentIndex(cboTargetFormat->findText(settings::g_sTargetFormat, Qt::MatchExactly));
}

void frmOrlath::ShowMessage(const QString& text) {
    core::services().msgBox(this, text, core::vbInformation, core::AppTitle());
}

void frmOrlath::cmdSay_Click() {
    if (!cOrlath1->IsSpeaking()) {
        cOrlath1->setAudioOutput(cboAudioOutputs->currentIndex());
        cOrlath1->setVoice(cboVoices->currentIndex());
        cOrlath1->setRate(sldRate->value());
        cOrlath1->setVolume(sldVolume->value());
        cOrlath1->setSpeakFlags(kSpeakFlags);
        if (cboFormats->currentIndex() >= 0) cOrlath1->setAudioFormat(cboFormats->currentData().toInt());
    }
    if (!cOrlath1->Speak(txtSpeak->toPlainText()))
        ShowMessage(QStringLiteral("The text cannot be spoken: ") + cOrlath1->ErrorText());
}

void frmOrlath::cmdStop_Click() {
    cOrlath1->Stop();
}

void frmOrlath::cOrlath1_WordPosition(qint32 start, qint32 length) {
    // The user may have edited the text while it is spoken.
    const qint32 size = qint32(txtSpeak->document()->characterCount()) - 1;
    start = qBound(0, start, size);
    length = qBound(0, length, size - start);
    QTextCursor cursor = txtSpeak->textCursor();
    cursor.setPosition(start);
    cursor.setPosition(start + length, QTextCursor::KeepAnchor);
    txtSpeak->setTextCursor(cursor);
}

void frmOrlath::cOrlath1_SpeakDone() {
    txtSpeak->selectAll();
}

bool frmOrlath::SpeakToFile(const QString& sPath) {
    cOrlath1->setAudioOutput(cboAudioOutputs->currentIndex());
    cOrlath1->setVoice(cboVoices->currentIndex());
    cOrlath1->setRate(0);
    cOrlath1->setVolume(100);
    cOrlath1->setSpeakFlags(kSpeakFlags);
    if (cboFormats->currentIndex() >= 0) cOrlath1->setAudioFormat(cboFormats->currentData().toInt());
    // A file left from before must never pass for this text's speech.
    if (QFile::exists(sPath) && !QFile::remove(sPath)) {
        ShowMessage(QStringLiteral("The temporary file ") + sPath + QStringLiteral(" cannot be replaced."));
        return false;
    }
    if (cOrlath1->SpeakToWave(txtSpeak->toPlainText(), sPath) != 0) {
        ShowMessage(QStringLiteral("The text cannot be spoken into a file: ") + cOrlath1->ErrorText());
        return false;
    }
    return true;
}

bool frmOrlath::ConvertTo(const QString& dest, QString* reason) {
    setCursor(Qt::WaitCursor);
    frmAudioEditorProc::g_sConvertToTarget = cboTargetFormat->currentText();
    frmAudioEditorProc::g_bConvertTo = true;
    QString failure;
    const auto outcome =
        toolframe::ConvertFileModal(this, TempWavPath(), dest, m_launch.makeJob, [&](QDialog* w) {
            auto* window = static_cast<frmAudioEditorProc*>(w);
            unsetCursor();
            connect(window, &frmAudioEditorProc::Ended, this,
                    [&failure, window](frmAudioEditorProc::Outcome) {
                        failure = window->lblCurrentTrack->text();
                    });
        });
    unsetCursor();
    if (outcome == frmAudioEditorProc::Outcome::Done) return true;
    if (reason)
        *reason = outcome == frmAudioEditorProc::Outcome::Failed && !failure.isEmpty()
                      ? failure
                      : QStringLiteral("The conversion was aborted.");
    return false;
}

void frmOrlath::cmdSaveAs_Click() {
    const QString ext = cboTargetFormat->currentText().left(3).toLower();
    dialogs::g_tOpenFileName.lpstrFilter =
        QStringLiteral("Audio Files (*.") + ext + QStringLiteral(")") + QChar(0) + QStringLiteral("*.") + ext;
    dialogs::g_tOpenFileName.lpstrTitle = QStringLiteral("Save As");
    dialogs::g_tOpenFileName.lpstrDefExt = ext;
    const dialogs::tFileDialogResult result =
        dialogs::ShowSaveDialog(this, QString(), dialogs::kCentreOnOwner);
    if (result.bCancelled || result.iCount < 1 || result.sFiles.size() < 2) return;
    const QString dest = result.sFiles.at(1);
    // The speech is written into the temporary file first: it cannot also be the destination.
    if (core::IsSameFile(dest, TempWavPath())) {
        ShowMessage(QStringLiteral("The file ") + dest +
                    QStringLiteral(" is where the speech is prepared; please choose another name."));
        return;
    }
    if (!SpeakToFile(TempWavPath())) return;
    QString reason;
    if (!ConvertTo(dest, &reason)) ShowMessage(QStringLiteral("The speech was not saved: ") + reason);
}

void frmOrlath::cmdAdd_Click() {
    QString name = QStringLiteral("TTS_") + itemlists::CreateFileName(cboTargetFormat->currentText());
    name = name.left(name.size() - 3) + cboTargetFormat->currentText().left(3).toLower();
    const QString dest = core::ProgramFolder() + u'/' + name;
    if (!SpeakToFile(TempWavPath())) return;
    QString reason;
    if (!ConvertTo(dest, &reason)) {
        ShowMessage(QStringLiteral("The speech was not added to the Items List: ") + reason);
        return;
    }
    QStringList files{dest};
    if (m_launch.addFiles) m_launch.addFiles(files);
    if (m_launch.reloadShownList) m_launch.reloadShownList();
    Form_Unload();
    accept();
}

void frmOrlath::cmdEditTargetFormat_Click() {
    if (openAudioFormat) openAudioFormat(this, cboTargetFormat->currentText().left(3));
    SelectTargetFromOptions();
}

void frmOrlath::lblID3Tags_Click() {
    if (openOptionsPage) openOptionsPage(this, QStringLiteral("ID3 Tags"));
}

void frmOrlath::lblClearText_Click() {
    const int answer =
        core::services().msgBox(this, QStringLiteral("This action will clear the Text-Box, continue?"),
                                core::vbYesNo | core::vbInformation, core::AppTitle());
    if (answer == core::vbYes) {
        m_sampleText = false;
        txtSpeak->setPlainText(QString());
    }
}

void frmOrlath::txtSpeak_Change() {
    lblClearText->setEnabled(!txtSpeak->toPlainText().isEmpty());
}

void frmOrlath::sldRate_Change() {
    lblRateVal->setText(QString::number(sldRate->Value()));
}

void frmOrlath::sldVolume_Change() {
    lblValumeVal->setText(QString::number(sldVolume->Value()));
}

void frmOrlath::Form_Unload() {
    if (m_unloaded) return;
    m_unloaded = true;
    cOrlath1->Close();
    const QString app = core::g_sProductName;
    core::SaveSetting(app, kSection, QStringLiteral("Format"), cboFormats->currentText());
    core::SaveSetting(app, kSection, QStringLiteral("Voice"), cboVoices->currentText());
}

bool frmOrlath::eventFilter(QObject* watched, QEvent* event) {
    if (watched == txtSpeak && m_sampleText) {
        bool replaces = false;
        bool edits = false;
        if (event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            const QString text = key->text();
            replaces = key->matches(QKeySequence::Paste) ||
                       (!text.isEmpty() && (text.at(0).isPrint() || text == QLatin1String("\r")));
            edits = key->key() == Qt::Key_Backspace || key->key() == Qt::Key_Delete ||
                    key->matches(QKeySequence::Cut);
        } else if (event->type() == QEvent::InputMethod) {
            replaces = !static_cast<QInputMethodEvent*>(event)->commitString().isEmpty();
        }
        if (replaces) {
            m_sampleText = false;
            txtSpeak->clear();
        } else if (edits) {
            m_sampleText = false; // the user works on the sample itself
        }
    }
    return QDialog::eventFilter(watched, event);
}

void frmOrlath::closeEvent(QCloseEvent* event) {
    Form_Unload();
    QDialog::closeEvent(event);
}

void frmOrlath::reject() {
    Form_Unload();
    QDialog::reject();
}

namespace tools {

void OpenOrlath(const toolframe::ToolLaunch& launch) {
    // The main window keeps its hourglass while the window is open.
    frmOrlath window(launch, launch.owner);
    g_frmOrlath = &window;
    window.Form_Load();
    dialogs::ExecModal(&window, dialogs::OwnerPointer::Keep);
    g_frmOrlath = nullptr;
}

} // namespace tools
