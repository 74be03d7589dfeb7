// The Add Files window: probes the paths it is given and appends one marked
// item row per audio file to a grid, with its progress and a Cancel button.
// The probing runs on a worker thread with the window's own converter; the
// rows are written on the GUI thread, in the order of the paths, while the
// window repaints and answers Cancel.
//
// Protocol: frmStat::Load(owner), g_frmStat->AddFilesToList(...),
// frmStat::Unload(). Saving the list is the caller's.
#pragma once

#include "itemlists/AddFilesProbe.h"
#include "itemlists/MainWindowLink.h"

#include <QDialog>
#include <QPointer>
#include <QQueue>
#include <QStringList>

#include <memory>

class QEventLoop;
class QLabel;
class QPushButton;
class cGrid;
class cProgressBar;

namespace components {
class cAudioConverter;
class Worker;
} // namespace components

class frmStat : public QDialog {
    Q_OBJECT
public:
    explicit frmStat(QWidget* owner = nullptr);
    ~frmStat() override;

    // Creates the window as listviews::g_frmStat (when not loaded yet), owned
    // by `owner`; sets the cancel flag to False.
    static frmStat* Load(QWidget* owner);
    // Unloads listviews::g_frmStat; does nothing when it is not loaded.
    static void Unload();

    // Adds the paths of Data, in order, to cGrid1 (rows appended after the
    // existing ones): folders, empty files and unsupported extensions are
    // skipped silently, files that cannot be added are refused with
    // "Cannot add <path>" and the reason, every other file becomes a marked row. Shows the
    // window (owned by frm, the owner kept from loading when null) while it
    // works and unloads it at the end. `link` reaches the main window's status
    // bar and empty-list panel. bHide is not read. Returns when done.
    void AddFilesToList(QStringList& Data, cGrid& cGrid1, QWidget* frm, bool bHide,
                        const itemlists::MainWindowLink& link = {});

    static bool SupportAudioFile(const QString& sFileName) { return itemlists::SupportAudioFile(sFileName); }
    static QString getLegaName(const QString& sPath) { return itemlists::getLegaName(sPath); }

    // True while AddFilesToList runs.
    bool IsAdding() const { return m_bAdding; }

    // Controls
    QLabel* lblStat = nullptr;
    cProgressBar* cProgressBar1 = nullptr;
    QPushButton* cmdCancel = nullptr;
    // Probes the files (on the worker thread, while an add runs).
    std::unique_ptr<components::cAudioConverter> cAudioConverter1;

public slots:
    void cmdCancel_Click();

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    struct Pending {
        qint32 index = 0; // 1-based position in the paths
        QString path;
        itemlists::AddFileResult result;
    };
    // Releases the converter and stops any add: what unloading does.
    void Form_Unload();
    void Enqueue(Pending p);
    void Drain();
    void Apply(const Pending& p);
    void MaybeFinish();

    std::unique_ptr<components::Worker> m_worker; // destroyed before the converter it uses
    QQueue<Pending> m_pending;
    QPointer<cGrid> m_grid;
    QEventLoop* m_loop = nullptr;
    bool m_bAdding = false;
    bool m_bDraining = false;
    bool m_bJobEnded = false;
};

namespace listviews {
// The loaded Add Files window, or nullptr.
extern frmStat* g_frmStat;
// Set by Cancel and by unloading the Add Files window; read before each path.
extern bool g_bCancelAdding;
} // namespace listviews
