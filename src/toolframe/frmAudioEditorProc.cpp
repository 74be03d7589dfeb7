#include "toolframe/frmAudioEditorProc.h"

#include "controls/ControlColor.h"
#include "controls/cProgressBar.h"
#include "core/BatchTemplates.h"
#include "core/Services.h"
#include "core/mdlModes.h"
#include "dialogs/WindowChrome.h"
#include "dialogs/mdlSetFormIcon32.h"
#include "settings/EncoderSettings.h"
#include "settings/RunOutput.h"
#include "settings/SettingsVariables.h"
#include "toolframe/ToolLaunch.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace toolframe {
QPointer<frmAudioEditorProc> g_frmAudioEditorProc;
}

bool frmAudioEditorProc::g_bConvertTo = false;
QString frmAudioEditorProc::g_sConvertToTarget;

frmAudioEditorProc::frmAudioEditorProc(std::unique_ptr<core::ItemJob> job, QWidget* parent)
    : QDialog(parent), m_job(std::move(job)) {
    setObjectName(QStringLiteral("frmAudioEditorProc"));
    setWindowTitle(QStringLiteral("Preparing Audio Analyzer"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    auto* root = new QVBoxLayout(this);
    lblCurrentTrack = new QLabel(QStringLiteral("Preparing..."), this);
    lblCurrentTrack->setObjectName(QStringLiteral("lblCurrentTrack"));
    prgCurrnet = new Glimmet(this);
    prgCurrnet->setObjectName(QStringLiteral("prgCurrnet"));
    cmdAbort = new QPushButton(QStringLiteral("Abort"), this);
    cmdAbort->setObjectName(QStringLiteral("cmdAbort"));
    root->addWidget(lblCurrentTrack);
    root->addWidget(prgCurrnet);
    auto* buttons = new QHBoxLayout();
    buttons->addStretch(1);
    buttons->addWidget(cmdAbort);
    root->addLayout(buttons);
    setMinimumWidth(360);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(10);
    connect(Timer1, &QTimer::timeout, this, &frmAudioEditorProc::Timer1_Timer);
    connect(cmdAbort, &QPushButton::clicked, this, &frmAudioEditorProc::cmdAbort_Click);
    connect(m_job.get(), &core::ItemJob::Progress, this, &frmAudioEditorProc::cAudioConverter1_Progress);
    connect(m_job.get(), &core::ItemJob::Done, this, &frmAudioEditorProc::cAudioConverter1_Done);
    connect(m_job.get(), &core::ItemJob::Aborted, this, &frmAudioEditorProc::cAudioConverter1_Aborted);
    connect(m_job.get(), &core::ItemJob::Error, this, &frmAudioEditorProc::cAudioConverter1_Error);
}

frmAudioEditorProc::~frmAudioEditorProc() = default;

void frmAudioEditorProc::Form_Load() {
    dialogs::chrome::ApplyView({this});
    prgCurrnet->setBarColor(settings::g_lAppColor);
    dialogs::SetFormIcon(this, QStringLiteral("document_pulse"), true);
}

void frmAudioEditorProc::ConvertFile(const QString& sSource, const QString& sDest) {
    g_sConvertSource = sSource;
    g_sConvertDest = sDest;
    m_result = Outcome::None;
    m_unloaded = false;
    Timer1->start();
}

void frmAudioEditorProc::Timer1_Timer() {
    ConvertX();
}

void frmAudioEditorProc::ConvertX() {
    Timer1->stop();
    if (m_converting) return;
    // Writing the file it reads would destroy the source.
    if (core::IsSameFile(g_sConvertSource, g_sConvertDest)) {
        cAudioConverter1_Error(2, QStringLiteral("The destination is the source file itself."));
        return;
    }
    core::ItemRequest item;
    item.row = 1;
    if (g_bConvertTo) {
        const QString key = g_sConvertToTarget.left(3).toUpper();
        static const QStringList keys{"WAV", "ACM", "MP3", "WMA", "OGG", "APE"};
        if (keys.contains(key)) m_job->BeginRun(settings::OutputForFormat(key).settings);
        core::TagContext t;
        t.now = core::services().now();
        t.locale = core::services().locale();
        t.trackNum = QStringLiteral("1");
        t.productName = core::g_sProductName;
        t.productVersion = core::g_sProductVersion;
        core::ItemTags defaults;
        defaults.album = settings::g_sTagAlbum;
        defaults.artist = settings::g_sTagArtist;
        defaults.comment = settings::g_sTagComment;
        defaults.genre = settings::g_sTagGenre;
        defaults.title = settings::g_sTagSong;
        defaults.track = settings::g_sTagTrack;
        defaults.year = settings::g_sTagYear;
        item.tags = core::SetID3Tags(defaults, t);
    } else {
        core::OutputSettings wav;
        wav.outputFormat = 1;
        wav.wav = settings::WAVSettingsRecord();
        m_job->BeginRun(wav);
    }
    item.source = g_sConvertSource;
    item.destination = g_sConvertDest;
    m_converting = true;
    m_job->StartItem(item);
}

void frmAudioEditorProc::cAudioConverter1_Progress(qint32 lPercent) {
    if (lPercent < 1) return;
    prgCurrnet->setValue(lPercent);
}

void frmAudioEditorProc::Finish(Outcome outcome) {
    m_converting = false;
    m_result = outcome;
    g_bConvertTo = false;
    Timer1->stop();
    emit Ended(outcome);
}

void frmAudioEditorProc::cAudioConverter1_Done() {
    lblCurrentTrack->setText(QStringLiteral("Done."));
    Finish(Outcome::Done);
    accept();
}

void frmAudioEditorProc::cAudioConverter1_Aborted() {
    lblCurrentTrack->setText(QStringLiteral("Aborted."));
    Finish(Outcome::Aborted);
    done(QDialog::Rejected);
}

void frmAudioEditorProc::cAudioConverter1_Error(qint32 lCode, const QString& sDescription) {
    // The window stays open with the reason; the caller is told it failed.
    lblCurrentTrack->setText(sDescription + u'(' + QString::number(lCode) + u')');
    Finish(Outcome::Failed);
}

void frmAudioEditorProc::cmdAbort_Click() {
    m_job->Abort();
}

void frmAudioEditorProc::Form_Unload() {
    if (m_unloaded) return;
    m_unloaded = true;
    // Closing during a conversion stops it; the half-made file is not handed on.
    if (m_converting) {
        m_job->Abort();
        Finish(Outcome::Aborted);
    }
    m_job->Close();
}

void frmAudioEditorProc::closeEvent(QCloseEvent* event) {
    Form_Unload();
    QDialog::closeEvent(event);
}

void frmAudioEditorProc::reject() {
    Form_Unload();
    QDialog::reject();
}

namespace toolframe {

frmAudioEditorProc::Outcome ConvertFileModal(QWidget* owner, const QString& source, const QString& dest,
                                             const std::function<std::unique_ptr<core::ItemJob>()>& makeJob,
                                             const std::function<void(QDialog*)>& beforeShow) {
    frmAudioEditorProc window(MakeItemJob(makeJob), owner);
    g_frmAudioEditorProc = &window;
    window.Form_Load();
    window.ConvertFile(source, dest);
    if (beforeShow) beforeShow(&window);
    window.exec();
    g_frmAudioEditorProc = nullptr;
    return window.Result();
}

} // namespace toolframe
