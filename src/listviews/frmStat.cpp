#include "listviews/frmStat.h"

#include "components/Worker.h"
#include "components/cAudioConverter.h"
#include "controls/cGrid.h"
#include "controls/cProgressBar.h"
#include "core/Services.h"
#include "core/mdlFileSystem.h"
#include "core/mdlModes.h"
#include "dialogs/mdlSetFormIcon32.h"
#include "listviews/ItemsGrid.h"
#include "settings/SettingsVariables.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace listviews {

frmStat* g_frmStat = nullptr;
bool g_bCancelAdding = false;
} // namespace listviews

using listviews::g_bCancelAdding;
using listviews::g_frmStat;

frmStat::frmStat(QWidget* owner)
    : QDialog(owner), cAudioConverter1(std::make_unique<components::cAudioConverter>()),
      m_worker(std::make_unique<components::Worker>()) {
    setObjectName(QStringLiteral("frmStat"));
    setWindowTitle(QStringLiteral("Add Files"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    lblStat = new QLabel(QStringLiteral("Adding"), this);
    lblStat->setObjectName(QStringLiteral("lblStat"));
    lblStat->setTextFormat(Qt::PlainText);
    lblStat->setMinimumWidth(360);
    // Long paths must not widen the window.
    lblStat->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);

    cProgressBar1 = new cProgressBar(this);
    cProgressBar1->setObjectName(QStringLiteral("cProgressBar1"));

    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    connect(cmdCancel, &QPushButton::clicked, this, &frmStat::cmdCancel_Click);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblStat);
    layout->addWidget(cProgressBar1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdCancel);
    layout->addLayout(buttons);

    dialogs::SetFormIcon(this, QStringLiteral("replace2"), true);
    g_bCancelAdding = false;
}

frmStat::~frmStat() {
    if (g_frmStat == this) g_frmStat = nullptr;
    if (m_loop) m_loop->quit();
}

frmStat* frmStat::Load(QWidget* owner) {
    if (!g_frmStat) g_frmStat = new frmStat(owner); // owned by `owner`; Unload deletes it
    g_bCancelAdding = false;
    return g_frmStat;
}

void frmStat::Unload() {
    frmStat* w = g_frmStat;
    if (!w) return;
    g_frmStat = nullptr;
    w->Form_Unload();
    w->hide();
    if (w->m_bAdding)
        w->deleteLater(); // still inside its own add: delete once that has returned
    else
        delete w;
}

void frmStat::Form_Unload() {
    cmdCancel_Click();
    // The worker's thread has ended once the add returned; only then may the
    // converter it used be released.
    if (!m_bAdding) cAudioConverter1->Close();
}

void frmStat::cmdCancel_Click() {
    g_bCancelAdding = true;
    if (m_worker) m_worker->abort();
}

void frmStat::closeEvent(QCloseEvent* event) {
    if (m_bAdding) {
        // Closing while adding stops the add; the add closes the window itself.
        cmdCancel_Click();
        event->ignore();
        return;
    }
    Form_Unload();
    QDialog::closeEvent(event);
}

void frmStat::reject() {
    // Escape: the same as Cancel while adding.
    if (m_bAdding) {
        cmdCancel_Click();
        return;
    }
    QDialog::reject();
}

void frmStat::AddFilesToList(QStringList& Data, cGrid& cGrid1, QWidget* frm, bool /*bHide*/,
                             const itemlists::MainWindowLink& link) {
    if (m_bAdding) return; // one add at a time
    m_bAdding = true;
    m_bJobEnded = false;
    m_pending.clear();
    m_grid = &cGrid1;

    // Shown without blocking the caller; the owner takes no input meanwhile,
    // so the grid and the tree cannot change under the add.
    if (frm && parentWidget() != frm) setParent(frm, windowFlags());
    setWindowModality(Qt::WindowModal);
    show();

    const qint32 count = static_cast<qint32>(Data.size());
    cProgressBar1->setMin(1);
    cProgressBar1->setMax(count + 1);
    cProgressBar1->setValue(1);

    cGrid1.setRedraw(false);

    if (count > 0 && !g_bCancelAdding) {
        const QStringList paths = Data;
        const itemlists::AddTagDefaults tags = itemlists::AddTagDefaults::FromSettings();
        components::cAudioConverter* converter = cAudioConverter1.get();
        using components::Worker;
        QEventLoop loop;
        m_loop = &loop;
        auto ended = [this] {
            m_bJobEnded = true;
            MaybeFinish();
        };
        const auto c1 = connect(m_worker.get(), &Worker::done, this, ended);
        const auto c2 = connect(m_worker.get(), &Worker::aborted, this, ended);
        const auto c3 = connect(m_worker.get(), &Worker::error, this, ended);
        const bool started = m_worker->start([this, paths, tags, converter](Worker::Context& ctx) {
            for (qint32 i = 0; i < paths.size(); ++i) {
                if (ctx.aborted()) return Worker::Outcome::aborted();
                Pending p;
                p.index = i + 1;
                p.path = paths[i];
                p.result = itemlists::ProbeFileForList(p.path, *converter, tags);
                ctx.post([this, p = std::move(p)]() mutable { Enqueue(std::move(p)); });
            }
            return Worker::Outcome::done();
        });
        const QPointer<frmStat> alive(this);
        if (started) loop.exec();
        if (!alive) return; // the window went with its owner while adding
        m_loop = nullptr;
        disconnect(c1);
        disconnect(c2);
        disconnect(c3);
    }
    m_pending.clear();

    cGrid1.setRedraw(true);

    const qint32 rows = cGrid1.Rows();
    if (rows > 0) {
        cGrid1.setSelectedRow(settings::g_bSelectTheLastItem ? rows : 1);
        itemlists::MainWindowLink::Call(link.GetFileInfoToGridInfo, "GetFileInfoToGridInfo");
        cGrid1.setSelectedCol(2);
        itemlists::MainWindowLink::Call(link.EmptyPanel, "EmptyPanel", false, QString());
        itemlists::MainWindowLink::Call(link.PanelText, "PanelText", QStringLiteral("Items List Properties"),
                                        QString::number(rows) + " Items.");
        itemlists::MainWindowLink::Call(link.PanelText, "PanelText", QStringLiteral("Main"),
                                        QStringLiteral("Ready."));
    } else {
        itemlists::MainWindowLink::Call(link.EmptyPanel, "EmptyPanel", true, QString());
    }

    m_grid = nullptr;
    m_bAdding = false;
    // The add unloads the window; the caller's Unload then deletes it.
    hide();
    Form_Unload();
}

void frmStat::Enqueue(Pending p) {
    m_pending.enqueue(std::move(p));
    Drain();
}

void frmStat::Drain() {
    // A refusal's message box runs events; results arriving meanwhile wait
    // their turn here, so rows keep the order of the paths.
    if (m_bDraining) return;
    m_bDraining = true;
    while (!m_pending.isEmpty()) {
        const Pending p = m_pending.dequeue();
        // After Cancel the file shown last is done; the ones probed ahead are dropped.
        if (g_bCancelAdding) continue;
        Apply(p);
    }
    m_bDraining = false;
    MaybeFinish();
}

void frmStat::Apply(const Pending& p) {
    using itemlists::AddFileResult;
    switch (p.result.kind) {
    case AddFileResult::Skipped:
        break;
    case AddFileResult::Refused:
        core::services().msgBox(this, itemlists::CannotAddText(p.path, p.result.reason), core::vbInformation,
                                core::g_sProductName + " " + core::g_sProductVersion);
        break;
    case AddFileResult::Added:
        lblStat->setText(QStringLiteral("Adding ") + p.path);
        setWindowTitle(QStringLiteral("Adding ") + p.path);
        if (m_grid) {
            itemlists::ItemRow row = p.result.row;
            row.size = core::FormatFileSize(row.bytesSize.toLongLong());
            // Appended after the last row.
            listviews::WriteItemRow(*m_grid, m_grid->Rows() + 1, row);
        }
        break;
    }
    cProgressBar1->setValue(p.index);
}

void frmStat::MaybeFinish() {
    if (m_loop && m_bJobEnded && !m_bDraining && m_pending.isEmpty()) m_loop->quit();
}
