#include "tools/frmMicRecorder.h"

#include "tools/AddSavedFile.h"

#include "controls/cProgressBar.h"
#include "controls/cSlider.h"
#include "controls/cStatusBar.h"
#include "core/AppPaths.h"
#include "core/Services.h"
#include "core/mdlFunctions.h"
#include "core/mdlModes.h"
#include "dialogs/WindowChrome.h"
#include "dialogs/frmAbout.h"
#include "dialogs/mdlCommDialog.h"
#include "dialogs/mdlFunctionsGui.h"
#include "itemlists/ItemRows.h"
#include "settings/SettingsVariables.h"
#include "toolframe/ToolLaunch.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QStyle>
#include <QTextCursor>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

namespace tools {
QPointer<frmMicRecorder> g_frmMicRecorder;
}

namespace {

template <class W> W* Named(W* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

// The longest recording, in ticks of the one-second clock.
constexpr qint32 kLongestSeconds = 30;

QIcon RecordIcon() {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(200, 0, 0));
    painter.drawEllipse(QRectF(2, 2, 12, 12));
    return QIcon(pixmap);
}

// `spoken`: a name for assistive technology other than the tool tip, given
// before the tip so that the tip does not become the name.
QToolButton* PictureButton(QWidget* parent, const char* name, const QIcon& icon, const QString& tip,
                           const QString& spoken = QString()) {
    auto* button = Named(new QToolButton(parent), name);
    if (!spoken.isEmpty()) button->setAccessibleName(spoken);
    button->setIcon(icon);
    button->setToolTip(tip);
    button->setAutoRaise(false);
    button->setFixedSize(32, 28);
    return button;
}

QString NoticeURL() {
    return core::g_sHomePageURL + QStringLiteral("audio-recorder.html");
}

} // namespace

frmMicRecorder::frmMicRecorder(std::function<void(QStringList&)> addFiles, QWidget* parent)
    : QDialog(parent), m_addFiles(std::move(addFiles)) {
    setObjectName(QStringLiteral("frmMicRecorder"));
    setWindowTitle(QStringLiteral("Audio Recorder"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    picTitle = Named(new QFrame(this), "picTitle");
    picTitle->setAutoFillBackground(true);
    picTitle->setFixedHeight(30);
    lblTitle = Named(new QLabel(QStringLiteral("Audio Recorder"), picTitle), "lblTitle");
    QFont titleFont = lblTitle->font();
    titleFont.setBold(true);
    lblTitle->setFont(titleFont);
    auto* titleLayout = new QHBoxLayout(picTitle);
    titleLayout->setContentsMargins(8, 0, 8, 0);
    titleLayout->addWidget(lblTitle);

    lblDevices = Named(new QLabel(QStringLiteral("Devices:"), this), "lblDevices");
    cboDevices = Named(new QComboBox(this), "cboDevices");
    lblWaveFile = Named(new QLabel(QStringLiteral("Destination Wave File:"), this), "lblWaveFile");
    txtAudioFile = Named(new QLineEdit(DefaultAudioFile(), this), "txtAudioFile");
    lblWaveFile->setBuddy(txtAudioFile);
    cmdPath = Named(new QPushButton(QStringLiteral("..."), this), "cmdPath");
    cmdPath->setToolTip(QStringLiteral("Save as WAV file"));
    cmdFileDetails = Named(new QPushButton(QStringLiteral("File Details"), this), "cmdFileDetails");
    cmdFileDetails->setEnabled(false);

    Label4 = Named(new QLabel(QStringLiteral("Recorder:"), this), "Label4");
    Label1 = Named(new QLabel(QStringLiteral("Bits per sample:"), this), "Label1");
    cboBitPerSample = Named(new QComboBox(this), "cboBitPerSample");
    Label2 = Named(new QLabel(QStringLiteral("Samples per second:"), this), "Label2");
    cboSamplesPerSec = Named(new QComboBox(this), "cboSamplesPerSec");
    Label3 = Named(new QLabel(QStringLiteral("Channels:"), this), "Label3");
    cboChannels = Named(new QComboBox(this), "cboChannels");
    const QIcon stopIcon = style()->standardIcon(QStyle::SP_MediaStop);
    cmdRecord = PictureButton(this, "cmdRecord", RecordIcon(), QStringLiteral("Record"));
    // Two buttons show "Stop": assistive technology is told which one.
    cmdStopRec =
        PictureButton(this, "cmdStopRec", stopIcon, QStringLiteral("Stop"), QStringLiteral("Stop Record"));
    cmdPauseIn = Named(new QPushButton(QStringLiteral("Pause Record"), this), "cmdPauseIn");
    cmdUnPauseIn = Named(new QPushButton(QStringLiteral("Unpause Record"), this), "cmdUnPauseIn");
    lblRecTime = Named(new QLabel(QStringLiteral("0:00:00"), this), "lblRecTime");
    Label6 = Named(new QLabel(QStringLiteral("0:00:30"), this), "Label6");
    prgMeter = Named(new cProgressBar(this), "prgMeter");
    prgMeter->setMax(120);
    prgMeter->setAccessibleName(QStringLiteral("Input level"));
    chkMeterIn = Named(new QCheckBox(QStringLiteral("Display meter"), this), "chkMeterIn");
    chkMeterIn->setEnabled(false);
    chkPreScreen = Named(
        new QCheckBox(
            QStringLiteral("Play the recorded audio buffers to a diferent sound device (for pre-screen)"),
            this),
        "chkPreScreen");
    chkPreScreen->setEnabled(false);
    chkCutSilence = Named(
        new QCheckBox(QStringLiteral("Cut the silence section from the end of recorded audio file"), this),
        "chkCutSilence");
    chkCutSilence->setEnabled(false);

    Label5 = Named(new QLabel(QStringLiteral("Player:"), this), "Label5");
    cmdPlay =
        PictureButton(this, "cmdPlay", style()->standardIcon(QStyle::SP_MediaPlay), QStringLiteral("Play"));
    cmdStop = PictureButton(this, "cmdStop", stopIcon, QStringLiteral("Stop"), QStringLiteral("Stop Play"));
    cmdPauseOut = Named(new QPushButton(QStringLiteral("Pause Play"), this), "cmdPauseOut");
    cmdUnPauseOut = Named(new QPushButton(QStringLiteral("Unpause Play"), this), "cmdUnPauseOut");
    cSlider1 = Named(new cSlider(this), "cSlider1");
    cSlider1->setMax(100);
    cSlider1->setAccessibleName(QStringLiteral("Playback position"));
    lblCurrentPositionSec = Named(new QLabel(QStringLiteral("0:00:00"), this), "lblCurrentPositionSec");
    lbTotalLengthSec = Named(new QLabel(QStringLiteral("0:00:00"), this), "lbTotalLengthSec");

    cmdAdd = Named(new QPushButton(QStringLiteral("Add"), this), "cmdAdd");
    cmdExit = Named(new QPushButton(QStringLiteral("Exit"), this), "cmdExit");

    Picture1 = Named(new QFrame(this), "Picture1");
    lblNoticParameters = Named(new cLinkLabel(NoticeURL(), Picture1), "lblNoticParameters");
    lblNoticParameters->setToolTip(QStringLiteral("Record sound without any limitation to: MP3, WMA, ACM, "
                                                  "PCM, OGG and APE audio files. Full featured!"));
    Label7 =
        Named(new QLabel(QStringLiteral(" - Record a sound without limitation to: MP3/WMA/WAV/OGG/APE .."),
                         Picture1),
              "Label7");
    auto* notice = new QHBoxLayout(Picture1);
    notice->setContentsMargins(8, 2, 8, 2);
    notice->addWidget(lblNoticParameters);
    notice->addWidget(Label7, 1);

    txtResults = Named(new QPlainTextEdit(this), "txtResults");
    txtResults->setReadOnly(true);
    txtResults->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txtResults->setAccessibleName(QStringLiteral("Log"));
    cStatusBar1 = Named(new cStatusBar(this), "cStatusBar1");
    tmrRec = Named(new QTimer(this), "tmrRec");
    tmrRec->setInterval(1000);
    tmSlider = Named(new QTimer(this), "tmSlider");
    tmSlider->setInterval(100);
    cWave1 = Named(new components::cWave(this), "cWave1");

    // Top to bottom as the window has always been laid out; the log and the
    // two boxes, once out of sight below it, are shown at its foot.
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->addWidget(picTitle);
    auto* body = new QVBoxLayout();
    body->setContentsMargins(8, 8, 8, 0);
    body->addWidget(lblDevices);
    body->addWidget(cboDevices);
    auto* fileHead = new QHBoxLayout();
    fileHead->addWidget(lblWaveFile);
    fileHead->addStretch(1);
    fileHead->addWidget(cmdFileDetails);
    body->addLayout(fileHead);
    auto* fileRow = new QHBoxLayout();
    fileRow->addWidget(txtAudioFile, 1);
    fileRow->addWidget(cmdPath);
    body->addLayout(fileRow);
    body->addWidget(Label4);
    auto* formats = new QGridLayout();
    formats->addWidget(Label1, 0, 0);
    formats->addWidget(Label2, 0, 1);
    formats->addWidget(Label3, 0, 2);
    formats->addWidget(cboBitPerSample, 1, 0);
    formats->addWidget(cboSamplesPerSec, 1, 1);
    formats->addWidget(cboChannels, 1, 2);
    body->addLayout(formats);
    auto* recordRow = new QHBoxLayout();
    for (QWidget* w : {static_cast<QWidget*>(cmdRecord), static_cast<QWidget*>(cmdStopRec),
                       static_cast<QWidget*>(cmdPauseIn), static_cast<QWidget*>(cmdUnPauseIn)})
        recordRow->addWidget(w);
    recordRow->addStretch(1);
    recordRow->addWidget(lblRecTime);
    recordRow->addWidget(new QLabel(QStringLiteral("/"), this));
    recordRow->addWidget(Label6);
    body->addLayout(recordRow);
    body->addWidget(prgMeter);
    body->addWidget(Label5);
    auto* playRow = new QHBoxLayout();
    for (QWidget* w : {static_cast<QWidget*>(cmdPlay), static_cast<QWidget*>(cmdStop),
                       static_cast<QWidget*>(cmdPauseOut), static_cast<QWidget*>(cmdUnPauseOut)})
        playRow->addWidget(w);
    playRow->addStretch(1);
    body->addLayout(playRow);
    body->addWidget(cSlider1);
    auto* under = new QHBoxLayout();
    under->addWidget(chkMeterIn);
    under->addStretch(1);
    under->addWidget(lblCurrentPositionSec);
    under->addWidget(new QLabel(QStringLiteral("/"), this));
    under->addWidget(lbTotalLengthSec);
    body->addLayout(under);
    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    body->addWidget(line);
    auto* buttons = new QHBoxLayout();
    buttons->addStretch(1);
    buttons->addWidget(cmdAdd);
    buttons->addWidget(cmdExit);
    body->addLayout(buttons);
    body->addWidget(chkCutSilence);
    body->addWidget(chkPreScreen);
    body->addWidget(txtResults, 1);
    root->addLayout(body, 1);
    root->addWidget(Picture1);
    root->addWidget(cStatusBar1);
    resize(492, 640);

    connect(cmdPath, &QPushButton::clicked, this, &frmMicRecorder::cmdPath_Click);
    connect(cmdRecord, &QToolButton::clicked, this, &frmMicRecorder::cmdRecord_Click);
    connect(cmdStopRec, &QToolButton::clicked, this, &frmMicRecorder::cmdStopRec_Click);
    connect(cmdPauseIn, &QPushButton::clicked, this, &frmMicRecorder::cmdPauseIn_Click);
    connect(cmdUnPauseIn, &QPushButton::clicked, this, &frmMicRecorder::cmdUnPauseIn_Click);
    connect(chkMeterIn, &QCheckBox::stateChanged, this, &frmMicRecorder::chkMeterIn_Click);
    connect(tmrRec, &QTimer::timeout, this, &frmMicRecorder::tmrRec_Timer);
    connect(cmdPlay, &QToolButton::clicked, this, &frmMicRecorder::cmdPlay_Click);
    connect(cmdStop, &QToolButton::clicked, this, &frmMicRecorder::cmdStop_Click);
    connect(cmdPauseOut, &QPushButton::clicked, this, &frmMicRecorder::cmdPauseOut_Click);
    connect(cmdUnPauseOut, &QPushButton::clicked, this, &frmMicRecorder::cmdUnPauseOut_Click);
    connect(tmSlider, &QTimer::timeout, this, &frmMicRecorder::tmSlider_Timer);
    connect(cmdFileDetails, &QPushButton::clicked, this, &frmMicRecorder::cmdFileDetails_Click);
    connect(cmdAdd, &QPushButton::clicked, this, &frmMicRecorder::cmdAdd_Click);
    connect(cmdExit, &QPushButton::clicked, this, &frmMicRecorder::cmdExit_Click);
    connect(static_cast<cLinkLabel*>(lblNoticParameters), &cLinkLabel::clicked, this,
            &frmMicRecorder::lblNoticParameters_Click);
    // The newest line stays in view.
    connect(txtResults, &QPlainTextEdit::textChanged, this,
            [this] { txtResults->moveCursor(QTextCursor::End); });
    connect(cWave1, &components::cWave::DonePlay, this, &frmMicRecorder::cWave1_DonePlay);
    connect(cWave1, &components::cWave::DoneRecord, this, &frmMicRecorder::cWave1_DoneRecord);
    connect(cWave1, &components::cWave::MeterLevel, this, &frmMicRecorder::cWave1_MeterLevel);
}

frmMicRecorder::~frmMicRecorder() {
    Form_Unload();
}

components::tWaveFormatEx frmMicRecorder::RecordFormat(const QString& bits, const QString& rate,
                                                       const QString& channels) {
    components::tWaveFormatEx f;
    f.wFormatTag = 1;
    f.nChannels = channels == QLatin1String("Stereo") ? 2 : 1;
    f.wBitsPerSample = qint16(bits.toInt());
    f.nSamplesPerSec = rate.toInt();
    f.nBlockAlign = qint16(itemlists::RoundHalfEven(double(f.wBitsPerSample) / 8.0 * f.nChannels));
    f.nAvgBytesPerSec = f.nSamplesPerSec * f.nBlockAlign;
    f.cbSize = 0;
    return f;
}

QString frmMicRecorder::DefaultAudioFile() {
    const QString music = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
    const QFileInfo folder(music);
    const QString base = !music.isEmpty() && folder.isDir() && folder.isWritable() ? music : QDir::homePath();
    return QDir(base).absoluteFilePath(QStringLiteral("wave_file.wav"));
}

QString frmMicRecorder::AbsoluteAudioFile(const QString& text) {
    if (text.isEmpty()) return text;
    if (text == QLatin1String("~")) return QDir::homePath();
    if (text.startsWith(QLatin1String("~/"))) return QDir::cleanPath(QDir::homePath() + text.mid(1));
    // Relative to the program's working folder it would land wherever the
    // program was started from.
    return QDir::cleanPath(QFileInfo(DefaultAudioFile()).dir().absoluteFilePath(text));
}

QString frmMicRecorder::AudioFile() {
    const QString path = AbsoluteAudioFile(txtAudioFile->text());
    if (path != txtAudioFile->text()) txtAudioFile->setText(path);
    return path;
}

void frmMicRecorder::Form_Load() {
    dialogs::chrome::ApplyTitleStrip(picTitle, {lblTitle});
    dialogs::chrome::ApplyView({this, cSlider1, prgMeter, Picture1}, picTitle,
                               QList<QWidget*>{this, prgMeter});
    if (const auto back = core::chrome::ViewBackColour()) cSlider1->setBackColor(*back);
    prgMeter->setBarColor(settings::g_lAppColor);

    cboBitPerSample->addItems({QStringLiteral("8"), QStringLiteral("16")});
    cboBitPerSample->setCurrentText(QStringLiteral("16"));
    cboSamplesPerSec->addItems(
        {QStringLiteral("8000"), QStringLiteral("11025"), QStringLiteral("22050"), QStringLiteral("44100")});
    cboSamplesPerSec->setCurrentText(QStringLiteral("44100"));
    cboChannels->addItems({QStringLiteral("Mono"), QStringLiteral("Stereo")});
    cboChannels->setCurrentText(QStringLiteral("Stereo"));

    chkMeterIn->setChecked(true); // runs chkMeterIn_Click
    g_tRecordFormat = RecordFormat(cboBitPerSample->currentText(), cboSamplesPerSec->currentText(),
                                   cboChannels->currentText());

    const qint32 count = cWave1->GetDeviceCount(components::cWave::kDeviceIn);
    for (qint32 i = 0; i < count; ++i) {
        components::tWaveDeviceCaps caps;
        qint32 index = i;
        cWave1->GetDeviceCaps(index, caps, components::cWave::kDeviceIn);
        cboDevices->addItem(QString::number(i) + QStringLiteral(" - ") + caps.szPname +
                            QStringLiteral(" - ") + QString::number(caps.wChannels));
    }
    cboDevices->setCurrentIndex(count > 0 ? 0 : -1);
    // Without a sound server there is nothing to record from.
    if (count == 0) {
        cmdRecord->setEnabled(false);
        Log(QStringLiteral(": No sound input device was found; recording is not possible."));
    }
}

void frmMicRecorder::Log(const QString& message) {
    // AddLogLine writes the time and a colon itself; the messages keep theirs
    // so that they read as they are written to the log.
    dialogs::AddLogLine(message.mid(1), txtResults);
}

bool frmMicRecorder::MayOverwrite(const QString& path) {
    if (!QFileInfo(path).isFile()) return true;
    return core::services().msgBox(
               this, QStringLiteral("The file ") + path + QStringLiteral(" is already exists, overwrite it?"),
               core::vbYesNo | core::vbInformation, core::AppTitle()) == core::vbYes;
}

bool frmMicRecorder::FolderTakesFile(const QString& path) {
    const QFileInfo folder(QFileInfo(path).absolutePath());
    QString problem;
    if (!folder.isDir())
        problem = QStringLiteral("The folder ") + QDir::toNativeSeparators(folder.filePath()) +
                  QStringLiteral(" does not exist.");
    else if (!folder.isWritable())
        problem = QStringLiteral("The folder ") + QDir::toNativeSeparators(folder.filePath()) +
                  QStringLiteral(" cannot be written to.");
    if (problem.isEmpty()) return true;
    core::services().msgBox(this, problem + QStringLiteral("\r\n\r\nChoose another destination file."),
                            core::vbInformation, core::AppTitle());
    return false;
}

void frmMicRecorder::cmdPath_Click() {
    dialogs::g_tOpenFileName.lpstrFilter =
        QStringLiteral("Audio Wav File (*.wav)") + QChar(0) + QStringLiteral("*.wav") + QChar(0);
    dialogs::g_tOpenFileName.lpstrTitle = QStringLiteral("Save as WAV file");
    dialogs::g_tOpenFileName.lpstrFile.clear();
    dialogs::g_tOpenFileName.lpstrDefExt = QStringLiteral("wav");
    const dialogs::tFileDialogResult result =
        dialogs::ShowSaveDialog(this, QString(), dialogs::kCentreOnOwner);
    if (result.bCancelled || result.iCount < 1 || result.sFiles.size() < 2) return;
    const QString chosen = result.sFiles[1];
    if (!MayOverwrite(chosen)) return;
    txtAudioFile->setText(chosen);
}

void frmMicRecorder::cmdRecord_Click() {
    const QString path = AudioFile();
    // What is recorded is what the lists show now, and nothing is recorded
    // over a file without asking or into a folder that cannot take it.
    g_tRecordFormat = RecordFormat(cboBitPerSample->currentText(), cboSamplesPerSec->currentText(),
                                   cboChannels->currentText());
    if (!path.isEmpty()) {
        if (!FolderTakesFile(path)) return;
        if (!MayOverwrite(path)) return;
    }
    cWave1->CutSilence = chkCutSilence->isChecked();
    if (chkCutSilence->isChecked()) {
        cWave1->CutSilenceVal = 20;
        Log(QStringLiteral(": CutSilence=True, Val=20."));
    }
    cWave1->MeterIn = true;
    Log(QStringLiteral(": MeterIn=True."));
    cWave1->PreScreenClose();
    Log(QStringLiteral(": PreScreenClose."));
    qint32 device = cboDevices->currentIndex();
    qint32 code = cWave1->RecordStart(device, path, g_tRecordFormat, 1600);
    if (code != 0) {
        Log(QStringLiteral(": Error RecordStart .") + cWave1->GetErrorText(code));
        return;
    }
    g_lRecSeconds = 0;
    tmrRec->start();
    cmdRecord->setEnabled(false);
    Log(QStringLiteral(": RecordStart Success."));
    cmdFileDetails->setEnabled(false);
    chkCutSilence->setEnabled(false);
}

void frmMicRecorder::cmdStopRec_Click() {
    cWave1->RecordStop();
    Log(QStringLiteral(": RecordStop Success."));
}

void frmMicRecorder::cmdPauseIn_Click() {
    cWave1->RecordPause();
    Log(QStringLiteral(": RecordPause."));
}

void frmMicRecorder::cmdUnPauseIn_Click() {
    if (!cWave1->IsRecordPaused()) return;
    cWave1->RecordUnPause();
    Log(QStringLiteral(": RecordUnPause."));
}

void frmMicRecorder::chkMeterIn_Click() {
    if (!chkMeterIn->isChecked()) return;
    cWave1->MeterIn = true;
    Log(QStringLiteral(": MeterIn=True."));
}

void frmMicRecorder::tmrRec_Timer() {
    cmdRecord->setEnabled(false);
    ++g_lRecSeconds;
    lblRecTime->setText(cWave1->FormatSeconds(g_lRecSeconds));
    if (g_lRecSeconds >= kLongestSeconds) {
        cmdStopRec_Click();
        g_lRecSeconds = 0;
        tmrRec->stop();
        cmdRecord->setEnabled(cboDevices->count() > 0);
    }
}

void frmMicRecorder::cmdPlay_Click() {
    const QString path = AudioFile();
    if (!QFileInfo(path).isFile()) {
        core::services().msgBox(this,
                                QStringLiteral("The audio file ") + path + QStringLiteral(" doesn't exists"),
                                core::vbInformation, core::AppTitle());
        return;
    }
    if (cWave1->IsPlaying()) return;
    components::tWaveFileInfo info;
    cWave1->GetFileInfo(path, info);
    qint32 code = cWave1->PlayStart(path, qint16(cboDevices->currentIndex()), 8000);
    if (code != 0) {
        Log(QStringLiteral(": Error Play Start:") + cWave1->GetErrorText(code));
        return;
    }
    lbTotalLengthSec->setText(cWave1->FormatSeconds(info.SecondsLength));
    tmSlider->start();
    QTextCursor cursor(txtResults->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(QStringLiteral("\r\n"));
    Log(QStringLiteral(": PlayeStart Success."));
    cmdFileDetails->setEnabled(false);
}

void frmMicRecorder::cmdStop_Click() {
    qint32 code = cWave1->PlayStop();
    if (code != 0) Log(QStringLiteral(": Error PlayStop .") + cWave1->GetErrorText(code));
    tmSlider->stop();
    cSlider1->setValue(0);
    if (code == 0) Log(QStringLiteral(": PlayStop Success."));
}

void frmMicRecorder::cmdPauseOut_Click() {
    cWave1->PlayPause();
    Log(QStringLiteral(": PlayPause."));
}

void frmMicRecorder::cmdUnPauseOut_Click() {
    cWave1->PlayUnPause();
    Log(QStringLiteral(": PlayUnPause."));
}

void frmMicRecorder::tmSlider_Timer() {
    cSlider1->setValue(cWave1->GetPlayProgress());
    lblCurrentPositionSec->setText(cWave1->FormatSeconds(cWave1->GetPlayPosition()));
}

void frmMicRecorder::cmdFileDetails_Click() {
    const QString path = AudioFile();
    const QFileInfo file(path);
    if (!file.isFile()) {
        core::services().msgBox(this,
                                QStringLiteral("The audio file ") + path + QStringLiteral(" doesn't exists"),
                                core::vbInformation, core::AppTitle());
        return;
    }
    components::tWaveFileInfo info;
    cWave1->GetFileInfo(path, info);
    dialogs::AddLogLine(QString(), txtResults);
    const QStringList lines{
        QStringLiteral("FileName: ") + info.FileName,
        QStringLiteral("FilePath: ") + info.FilePath,
        QStringLiteral("FileLen: ") + QString::number(file.size()),
        QStringLiteral("SecondsLength: ") + QString::number(info.SecondsLength),
        QStringLiteral("cbSize: ") + QString::number(info.cbSize),
        QStringLiteral("wFormatTag: ") + QString::number(info.wFormatTag),
        QStringLiteral("nAvgBytesPerSec: ") + QString::number(info.nAvgBytesPerSec),
        QStringLiteral("nBlockAlign: ") + QString::number(info.nBlockAlign),
        QStringLiteral("nChannels: ") + QString::number(info.nChannels),
        QStringLiteral("nSamplesPerSec: ") + QString::number(info.nSamplesPerSec),
        QStringLiteral("wBitsPerSample: ") + QString::number(info.wBitsPerSample),
    };
    QTextCursor cursor(txtResults->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"));
}

void frmMicRecorder::cmdAdd_Click() {
    // A recording still running is ended first: the file is complete, with
    // its true length, once the stop returns.
    if (cWave1->IsRecording()) cmdStopRec_Click();
    const QString path = AudioFile();
    if (!tools::AddSavedFile(this, path, m_addFiles)) return;
    close();
}

void frmMicRecorder::cmdExit_Click() {
    close();
}

void frmMicRecorder::lblNoticParameters_Click() {
    core::services().openUrl(QUrl(lblNoticParameters->text()));
}

void frmMicRecorder::cWave1_DonePlay() {
    Log(QStringLiteral(": DonePlay Event."));
    cmdFileDetails->setEnabled(true);
}

void frmMicRecorder::cWave1_DoneRecord() {
    // A recording the device or the disk ended says why; what it holds is kept.
    qint32 code = cWave1->RecordEndCode();
    if (code != 0) Log(QStringLiteral(": Error Record .") + cWave1->GetErrorText(code));
    Log(QStringLiteral(": DoneRecord Event."));
    cmdRecord->setEnabled(true);
    chkCutSilence->setEnabled(true);
    cmdFileDetails->setEnabled(true);
    tmrRec->stop();
}

void frmMicRecorder::cWave1_MeterLevel(qint16 level) {
    prgMeter->setValue(level);
}

void frmMicRecorder::Form_Unload() {
    if (m_unloaded) return;
    m_unloaded = true;
    tmrRec->stop();
    tmSlider->stop();
    cWave1->PlayStop();
    cWave1->RecordStop();
    cWave1->Close();
}

void frmMicRecorder::closeEvent(QCloseEvent* event) {
    Form_Unload();
    QDialog::closeEvent(event);
}

void frmMicRecorder::reject() {
    Form_Unload();
    QDialog::reject();
}

namespace tools {

void OpenMicRecorder(const toolframe::ToolLaunch& launch) {
    auto window = std::make_unique<frmMicRecorder>(launch.addFiles, launch.owner);
    g_frmMicRecorder = window.get();
    window->Form_Load();
    toolframe::ShowToolModal(launch, window.get());
    g_frmMicRecorder = nullptr;
}

} // namespace tools
