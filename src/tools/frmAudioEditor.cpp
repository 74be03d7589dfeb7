#include "tools/frmAudioEditor.h"

#include "tools/AddSavedFile.h"

#include "components/cAudioEditor.h"
#include "controls/cGrid.h"
#include "controls/cProgressBar.h"
#include "controls/cReBar.h"
#include "controls/cStatusBar.h"
#include "controls/cToolbar.h"
#include "controls/cWaveView.h"
#include "core/AppPaths.h"
#include "core/Services.h"
#include "core/mdlFunctions.h"
#include "core/mdlModes.h"
#include "dialogs/WindowChrome.h"
#include "dialogs/mdlCommDialog.h"
#include "dialogs/mdlSetFormIcon32.h"
#include "itemlists/ItemRows.h"
#include "settings/SettingsVariables.h"
#include "toolframe/ToolLaunch.h"
#include "toolframe/frmAudioEditorProc.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace tools {
QPointer<frmAudioEditor> g_frmAudioEditor;
}

namespace {

template <class W> W* Named(W* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

const QString kWavFilter =
    QStringLiteral("Wav Audio Files (*.wav)") + QChar(0) + QStringLiteral("*.wav") + QChar(0);

// One row of a frame: the fixed caption, "-", then the value label.
QLabel* AddRow(QGridLayout* grid, QWidget* parent, const QString& caption, const char* name,
               const QString& design) {
    const int row = grid->rowCount();
    grid->addWidget(new QLabel(caption, parent), row, 0);
    grid->addWidget(new QLabel(QStringLiteral("-"), parent), row, 1);
    auto* value = Named(new QLabel(design, parent), name);
    grid->addWidget(value, row, 2);
    return value;
}

} // namespace

frmAudioEditor::frmAudioEditor(cImageList* imgMenu, std::function<void(QStringList&)> addFiles,
                               QWidget* parent)
    : QDialog(parent), m_imgMenu(imgMenu), m_addFiles(std::move(addFiles)) {
    setObjectName(QStringLiteral("frmAudioEditor"));
    setWindowTitle(QStringLiteral("Audio Editor"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    picTitle = Named(new QFrame(this), "picTitle");
    picTitle->setAutoFillBackground(true);
    picTitle->setFixedHeight(30);
    lblTitle = Named(new QLabel(QStringLiteral("Audio Analyzer"), picTitle), "lblTitle");
    QFont titleFont = lblTitle->font();
    titleFont.setBold(true);
    lblTitle->setFont(titleFont);
    auto* titleLayout = new QHBoxLayout(picTitle);
    titleLayout->setContentsMargins(8, 0, 8, 0);
    titleLayout->addWidget(lblTitle);

    cAudioEditor1 = Named(new components::cAudioEditor(this), "cAudioEditor1");
    cWaveView1 = Named(new cWaveView(this), "cWaveView1");
    cWaveView1->setAccessibleName(QStringLiteral("Waveform"));
    cWaveView1->setMinimumSize(560, 180);

    picList = Named(new QWidget(this), "picList");
    rbrList = Named(new cReBar(this), "rbrList");
    tlbrList = Named(new cToolbar(this), "tlbrList");

    fraInfo = Named(new QGroupBox(QStringLiteral("File Information"), this), "fraInfo");
    auto* infoGrid = new QGridLayout(fraInfo);
    lblInfoSamples = AddRow(infoGrid, fraInfo, QStringLiteral("Info Samples"), "lblInfoSamples",
                            QStringLiteral("Info Samples"));
    lblInfoBits =
        AddRow(infoGrid, fraInfo, QStringLiteral("Info Bits"), "lblInfoBits", QStringLiteral("Info Bits"));
    lblInfoChannels = AddRow(infoGrid, fraInfo, QStringLiteral("Info Channels"), "lblInfoChannels",
                             QStringLiteral("Info Channels"));
    lblNumOfSamples = AddRow(infoGrid, fraInfo, QStringLiteral("Total Samples"), "lblNumOfSamples",
                             QStringLiteral("Num Of Samples"));
    lblLength =
        AddRow(infoGrid, fraInfo, QStringLiteral("Time Length"), "lblLength", QStringLiteral("Length"));
    infoGrid->setColumnStretch(2, 1);

    fraPosition = Named(new QGroupBox(QStringLiteral("Selection Position"), this), "fraPosition");
    auto* posGrid = new QGridLayout(fraPosition);
    lblSamplesStart = AddRow(posGrid, fraPosition, QStringLiteral("Samples Start"), "lblSamplesStart",
                             QStringLiteral("Samples Start"));
    lblSamplesEnd = AddRow(posGrid, fraPosition, QStringLiteral("Samples End"), "lblSamplesEnd",
                           QStringLiteral("Samples End"));
    lblTimeStart = AddRow(posGrid, fraPosition, QStringLiteral("Time Start"), "lblTimeStart",
                          QStringLiteral("Time Start"));
    lblTimeEnd =
        AddRow(posGrid, fraPosition, QStringLiteral("Time End"), "lblTimeEnd", QStringLiteral("Time End"));
    lblSelectedTime = AddRow(posGrid, fraPosition, QStringLiteral("Selected Time"), "lblSelectedTime",
                             QStringLiteral("Time End"));
    posGrid->setColumnStretch(2, 1);

    txtWavFile = Named(new QLineEdit(this), "txtWavFile");
    txtWavFile->setVisible(false);
    cmdSelectPath = Named(new QPushButton(QStringLiteral("..."), this), "cmdSelectPath");
    cmdSelectPath->setVisible(false);
    prgCurrnet = Named(new Glimmet(this), "prgCurrnet");
    cmdAddSelection = Named(new QPushButton(QStringLiteral("Add Selection"), this), "cmdAddSelection");
    cmdAbort = Named(new QPushButton(QStringLiteral("Abort"), this), "cmdAbort");
    cmdExit = Named(new QPushButton(QStringLiteral("Exit"), this), "cmdExit");
    lblCurrentTrack = Named(new QLabel(QStringLiteral("Preparing..."), this), "lblCurrentTrack");
    cStatusBar1 = Named(new cStatusBar(this), "cStatusBar1");
    Timer1 = Named(new QTimer(this), "Timer1");

    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->addWidget(picTitle);
    auto* body = new QVBoxLayout();
    body->setContentsMargins(8, 8, 8, 0);
    body->addWidget(cWaveView1, 1);
    auto* listLayout = new QHBoxLayout(picList);
    listLayout->setContentsMargins(0, 0, 0, 0);
    body->addWidget(picList);
    auto* frames = new QHBoxLayout();
    frames->addWidget(fraInfo);
    frames->addWidget(fraPosition);
    body->addLayout(frames);
    body->addWidget(prgCurrnet);
    auto* buttons = new QHBoxLayout();
    buttons->addStretch(1);
    buttons->addWidget(cmdAddSelection);
    buttons->addWidget(cmdAbort);
    buttons->addWidget(cmdExit);
    body->addLayout(buttons);
    body->addWidget(lblCurrentTrack);
    root->addLayout(body);
    root->addWidget(cStatusBar1);

    connect(tlbrList, &cToolbar::ButtonClick, this, &frmAudioEditor::tlbrList_ButtonClick);
    connect(cmdAddSelection, &QPushButton::clicked, this, &frmAudioEditor::cmdAddSelection_Click);
    connect(cmdAbort, &QPushButton::clicked, this, &frmAudioEditor::cmdAbort_Click);
    connect(cmdExit, &QPushButton::clicked, this, &frmAudioEditor::cmdExit_Click);
    connect(cmdSelectPath, &QPushButton::clicked, this, &frmAudioEditor::cmdSelectPath_Click);
    connect(cAudioEditor1, &components::cAudioEditor::FileInfo, this,
            &frmAudioEditor::cAudioEditor1_FileInfo);
    connect(cAudioEditor1, &components::cAudioEditor::SelectionChanged, this,
            &frmAudioEditor::cAudioEditor1_SelectionChanged);
    connect(cAudioEditor1, &components::cAudioEditor::Progress, this,
            &frmAudioEditor::cAudioEditor1_Progress);
    connect(cAudioEditor1, &components::cAudioEditor::Done, this, &frmAudioEditor::cAudioEditor1_Done);
    connect(cAudioEditor1, &components::cAudioEditor::Aborted, this, &frmAudioEditor::cAudioEditor1_Aborted);
    connect(cAudioEditor1, &components::cAudioEditor::Error, this, &frmAudioEditor::cAudioEditor1_Error);
    connect(cAudioEditor1, &components::cAudioEditor::PlayDone, this,
            &frmAudioEditor::cAudioEditor1_PlayDone);

    // The view draws what the engine holds; a drag in it moves the engine's selection.
    connect(cWaveView1, &cWaveView::SelectionDragged, cAudioEditor1, &components::cAudioEditor::SetSelection);
    connect(cAudioEditor1, &components::cAudioEditor::ViewChanged, this, [this] {
        cWaveView1->setView(cAudioEditor1->ViewStart(), cAudioEditor1->ViewEnd());
        cWaveView1->setSelection(cAudioEditor1->SelectionStart(), cAudioEditor1->SelectionEnd());
        // "Preparing..." while the wave is being read, so it must not outlive that.
        if (cAudioEditor1->PeaksReady()) lblCurrentTrack->setText(QStringLiteral("Ready."));
    });
}

frmAudioEditor::~frmAudioEditor() {
    Form_Unload();
}

void frmAudioEditor::Form_Load() {
    dialogs::SetFormIcon(this, QStringLiteral("document_pulse"), true);
    dialogs::chrome::ApplyTitleStrip(picTitle, {lblTitle});
    dialogs::chrome::ApplyView({this, fraInfo, fraPosition, picList}, picTitle, QList<QWidget*>{this});

    cAudioEditor1->Color3 = settings::g_lTextColor;
    cAudioEditor1->Color2 = settings::g_lAppColor;
    cAudioEditor1->Color1 = settings::g_lAppColor;
    cAudioEditor1->AudioDevice = settings::g_lAudioDevice;
    cWaveView1->setColors(cAudioEditor1->Color3, cAudioEditor1->Color2, cAudioEditor1->Color1);
    prgCurrnet->setBarColor(settings::g_lAppColor);

    tlbrList->setStyle(qint32(2));
    tlbrList->setSetting3(0);
    tlbrList->setSetting1(true);
    tlbrList->SetImageList(m_imgMenu);
    tlbrList->CreateToolbar(16, false, true, true);
    tlbrList->AddButton(QStringLiteral("Play"), 55, 0, 0, QStringLiteral("Play"), 0, QStringLiteral("Play"));
    tlbrList->AddButton(QStringLiteral("Pause"), 67, 0, 0, QStringLiteral("Pause"), 0,
                        QStringLiteral("Pause"));
    tlbrList->AddButton(QStringLiteral("Stop"), 40, 0, 0, QStringLiteral("Stop"), 0, QStringLiteral("Stop"));
    tlbrList->AddButton(QString(), -1, 0, 0, QString(), 1);
    tlbrList->AddButton(QStringLiteral("Zoom"), 68, 0, 0, QStringLiteral("Zoom"), 0, QStringLiteral("Zoom"));
    tlbrList->AddButton(QStringLiteral("Restore"), 62, 0, 0, QStringLiteral("Restore"), 0,
                        QStringLiteral("Restore"));
    tlbrList->AddButton(QString(), -1, 0, 0, QString(), 1);
    tlbrList->AddButton(QStringLiteral("Save Selection As..."), 5, 0, 0, QStringLiteral("Save As"), 0,
                        QStringLiteral("Save Selection"));
    tlbrList->AddButton(QString(), -1, 0, 0, QString(), 1);
    tlbrList->AddButton(QStringLiteral("Abort Operation"), 27, 0, 0, QStringLiteral("Abort"), 0,
                        QStringLiteral("Abort"));
    tlbrList->setSetting2(true);
    tlbrList->setSetting4(0, true);
    rbrList->setSetting1(1);
    rbrList->CreateRebar(picList);
    rbrList->AddBandByHwnd(tlbrList->hWnd(), QString(), false, false, QStringLiteral("Toolbar1"));
    rbrList->ApplyBand(0);

    const QDateTime now = core::services().now();
    const QString time = now.toString(QStringLiteral("HH:mm:ss")).replace(QLatin1Char(':'), QLatin1Char('-'));
    const QString date = core::services()
                             .locale()
                             .toString(now.date(), QLocale::ShortFormat)
                             .replace(QLatin1Char('/'), QLatin1Char('-'));
    txtWavFile->setText(core::ProgramFolder() + QStringLiteral("/Selection_") + time + QLatin1Char('_') +
                        date + QStringLiteral(".wav"));
}

QString frmAudioEditor::TimeLabel(qint64 ms) {
    const qint64 seconds = itemlists::RoundHalfEven(double(ms) / 1000.0);
    return QString::number(ms) + QStringLiteral(" ms [") + core::SecondsToTime(seconds) + QLatin1Char(']');
}

bool frmAudioEditor::LoadFile(const QString& path) {
    lblCurrentTrack->setText(QStringLiteral("Preparing..."));
    const bool loaded = cAudioEditor1->LoadFile(path);
    const components::WavLayout& layout = cAudioEditor1->Layout();
    cWaveView1->setSource(
        [editor = QPointer<components::cAudioEditor>(cAudioEditor1)](qint32 channel, qint64 from, qint64 to,
                                                                     qint32 columns) {
            return editor ? editor->Peaks(channel, from, to, columns)
                          : std::vector<std::pair<float, float>>(size_t(std::max(columns, 0)));
        },
        loaded ? layout.channels : 0, loaded ? layout.frames : 0);
    if (!loaded) {
        lblCurrentTrack->clear(); // nothing is being prepared
        core::services().msgBox(this,
                                QStringLiteral("The file ") + path +
                                    QStringLiteral(" cannot be analysed.\r\n\r\n") +
                                    cAudioEditor1->ErrorText(),
                                core::vbInformation, core::AppTitle());
    }
    SetSaveButtons(loaded);
    return loaded;
}

void frmAudioEditor::SetSaveButtons(bool enabled) {
    cmdAddSelection->setEnabled(enabled);
    tlbrList->setButtonEnabled(QStringLiteral("Save Selection"), enabled);
}

void frmAudioEditor::tlbrList_ButtonClick(qint32 index) {
    const QString key = tlbrList->ButtonKey(index);
    if (key == QLatin1String("Play")) {
        if (cAudioEditor1->Play() == 0)
            tlbrList->setButtonEnabled(QStringLiteral("Play"), false);
        else
            core::services().msgBox(this, cAudioEditor1->ErrorText(), core::vbInformation, core::AppTitle());
    } else if (key == QLatin1String("Pause")) {
        if (cAudioEditor1->IsPaused())
            cAudioEditor1->Resume();
        else
            cAudioEditor1->Pause();
    } else if (key == QLatin1String("Stop")) {
        cAudioEditor1->Stop();
        tlbrList->setButtonEnabled(QStringLiteral("Play"), true);
    } else if (key == QLatin1String("Zoom")) {
        cAudioEditor1->Zoom();
    } else if (key == QLatin1String("Restore")) {
        cAudioEditor1->RestoreZoom();
    } else if (key == QLatin1String("Save Selection")) {
        SaveSelectionAs();
    }
}

QString frmAudioEditor::SaveSelectionAs() {
    dialogs::g_tOpenFileName.lpstrFilter = kWavFilter;
    dialogs::g_tOpenFileName.lpstrTitle = QStringLiteral("Save Selection As");
    dialogs::g_tOpenFileName.lpstrFile.clear();
    dialogs::g_tOpenFileName.lpstrDefExt = QStringLiteral("wav");
    const dialogs::tFileDialogResult result =
        dialogs::ShowSaveDialog(this, QString(), dialogs::kCentreOnOwner);
    if (result.bCancelled || result.iCount < 1 || result.sFiles.size() < 2) return QString();
    const QString path = result.sFiles[1];
    cAudioEditor1->SetSaveSource(txtWavFile->text());
    cAudioEditor1->DestinationFile = path;
    // The engine's own frames, exact to the sample.
    cAudioEditor1->SetRangeFrames(cAudioEditor1->SelectionStart(),
                                  cAudioEditor1->SelectionEnd() - cAudioEditor1->SelectionStart());
    SetSaveButtons(false);
    cAudioEditor1->SaveSelection();
    return path;
}

void frmAudioEditor::cmdAddSelection_Click() {
    const QString path = SaveSelectionAs();
    // Cancelled: back to the window, nothing added. Otherwise the file is
    // added when its save has finished (cAudioEditor1_Done).
    m_pendingAdd = path;
}

void frmAudioEditor::cmdAbort_Click() {
    cAudioEditor1->Abort();
}

void frmAudioEditor::cmdExit_Click() {
    cAudioEditor1->Abort();
    close();
}

void frmAudioEditor::cmdSelectPath_Click() {
    dialogs::g_tOpenFileName.lpstrFilter = kWavFilter;
    dialogs::g_tOpenFileName.lpstrTitle = QStringLiteral("Add audio files");
    const dialogs::tFileDialogResult result = dialogs::ShowOpenDialog(this, dialogs::kCentreOnOwner);
    if (result.bCancelled || result.sFiles.isEmpty()) return;
    const QString path =
        result.iCount == 1 ? result.sFiles.value(0) : result.sDirectory + result.sFiles.value(1);
    txtWavFile->setText(path);
    LoadFile(path);
}

void frmAudioEditor::cAudioEditor1_FileInfo(qint32 samplesPerSec, qint32 bitsPerSample, qint32 channels,
                                            qint32 seconds, qint32 samples) {
    lblInfoBits->setText(QString::number(bitsPerSample));
    lblInfoChannels->setText(QString::number(channels));
    lblInfoSamples->setText(QString::number(samplesPerSec));
    lblNumOfSamples->setText(QString::number(samples));
    lblLength->setText(core::SecondsToTime(seconds));
    lblSamplesStart->setText(QStringLiteral("0"));
    lblSamplesEnd->setText(QString::number(samples));
    lblTimeStart->setText(TimeLabel(0));
    lblTimeEnd->setText(TimeLabel(qint64(seconds) * 1000));
    lblSelectedTime->setText(lblTimeEnd->text());
}

void frmAudioEditor::cAudioEditor1_SelectionChanged(qint32 startSample, qint32 endSample, qint32 startMs,
                                                    qint32 endMs) {
    lblSamplesStart->setText(QString::number(startSample));
    lblSamplesEnd->setText(QString::number(endSample));
    lblTimeStart->setText(TimeLabel(startMs));
    lblTimeEnd->setText(TimeLabel(endMs));
    lblSelectedTime->setText(TimeLabel(qint64(endMs) - startMs));
}

void frmAudioEditor::cAudioEditor1_Progress(qint32 percent) {
    prgCurrnet->setValue(percent);
}

void frmAudioEditor::cAudioEditor1_Done() {
    SetSaveButtons(true);
    const QString path = std::exchange(m_pendingAdd, QString());
    if (path.isEmpty()) return;
    // The saved selection is what is added, so it is what is checked.
    if (!tools::AddSavedFile(this, path, m_addFiles)) return;
    close();
}

void frmAudioEditor::cAudioEditor1_Aborted() {
    m_pendingAdd.clear();
    tlbrList->setButtonEnabled(QStringLiteral("Play"), true);
    SetSaveButtons(cAudioEditor1->IsLoaded());
}

void frmAudioEditor::cAudioEditor1_Error(qint32 code, const QString& description) {
    m_pendingAdd.clear();
    cmdAddSelection->setEnabled(cAudioEditor1->IsLoaded());
    // A save that failed is said; nothing was written.
    core::services().msgBox(this,
                            description + QStringLiteral(" (") + QString::number(code) + QLatin1Char(')'),
                            core::vbInformation, core::AppTitle());
}

void frmAudioEditor::cAudioEditor1_PlayDone() {
    tlbrList->setButtonEnabled(QStringLiteral("Play"), true);
}

void frmAudioEditor::Form_Unload() {
    if (m_unloaded) return;
    m_unloaded = true;
    cAudioEditor1->Close();
}

void frmAudioEditor::closeEvent(QCloseEvent* event) {
    Form_Unload();
    QDialog::closeEvent(event);
}

void frmAudioEditor::reject() {
    Form_Unload();
    QDialog::reject();
}

namespace tools {

bool g_bAbortedAudioEditor = false;

void OpenAudioAnalyser(const toolframe::ToolLaunch& launch) {
    cGrid* grid = launch.mainGrid;
    const qint32 row = launch.selectedRow;
    if (!grid || row < 1 || row > grid->Rows()) return;
    auto window = std::make_unique<frmAudioEditor>(launch.imgMenu, launch.addFiles, launch.owner);
    g_frmAudioEditor = window.get();
    window->Form_Load();
    g_bAbortedAudioEditor = false;

    const QString file = grid->CellText(row, grid->ColumnIndex(itemlists::COL_FILE));
    QString wav = file;
    bool ready = true;
    if (core::GetFileExt(file).toUpper() != QLatin1String("WAV")) {
        wav = core::ProgramFolder() + QStringLiteral("/tmpeditor.wav");
        if (launch.owner) launch.owner->unsetCursor();
        const auto outcome = toolframe::ConvertFileModal(launch.owner, file, wav);
        if (outcome == frmAudioEditorProc::Outcome::Aborted) g_bAbortedAudioEditor = true;
        // Only a finished conversion is shown: after a failure the temporary
        // file may still hold an earlier item.
        ready = outcome == frmAudioEditorProc::Outcome::Done;
    }
    if (ready) {
        window->txtWavFile->setText(wav);
        window->LoadFile(wav);
        window->setWindowTitle(grid->CellText(row, grid->ColumnIndex(itemlists::COL_ITEM_NAME)));
        toolframe::ShowToolModal(launch, window.get());
    }
    g_frmAudioEditor = nullptr;
}

} // namespace tools
