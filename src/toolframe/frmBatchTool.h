// The frame of every item-by-item tool window: title strip, the Settings,
// Events and Log pages, the item grid, the two bars, the labels, the run
// buttons, the status bar, the destination with its path history, the
// "Set as default" links, and the close rule. It shows its job through the
// GUI binding (JobBinding.h): the item-by-item run (core::BatchRun) that it
// hands its rows and choices at each start, and a window's own jobs (ShowJob).
// A window adds its format area and its differences (a BatchPolicy).
#pragma once

#include "core/BatchRun.h"
#include "toolframe/JobBinding.h"

#include <QDialog>
#include <QPointer>

#include <functional>
#include <memory>

class QCheckBox;
class QComboBox;
class QFrame;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QVBoxLayout;
class cGrid;
class cImageList;
class cLinkLabel;
class cStatusBar;
class cTabControl;
class Glimmet;

namespace toolframe {

class frmBatchTool : public QDialog {
    Q_OBJECT
public:
    // What differs in the frame's design from window to window.
    struct Design {
        QString objectName;
        QString caption;            // window caption and title strip
        QString settingsTabCaption; // "Converter        "
        qint32 settingsTabIcon = 7;
        QString iconName; // icon resource
        QString noticeAppText = QStringLiteral("Execute external program ");
        QString openDestFolderText = QStringLiteral("Open the destination folder");
        QString runButtonCaption = QStringLiteral("Convert"); // "Rip" in the ripper
        // False: the overwrite box is not read, an existing output always asks (ACM Converter).
        bool honourOverwriteBox = true;
        // The CD windows' frame: the progress block above the pages, the grid
        // only a hidden holder of the tracks, a line above the status bar.
        bool tracksFrame = false;
        // Title of the destination folder's questions: the product name, or
        // (false) the application title with the version.
        bool productNameTitles = true;
        // False: the count label keeps what the launcher wrote ("Split: <item>")
        // instead of showing the run's "Files: n/N".
        bool runShowsFileCount = true;
        // True: the batch run is a stage of a job of the window's own, which
        // shows it (ShowJob); the run is not shown by itself.
        bool runIsStage = false;
    };

    // `component` does the items of the batch run; null for a window whose
    // only job is its own (it calls ShowJob).
    frmBatchTool(const Design& design, std::unique_ptr<core::ItemJob> component, core::BatchPolicy policy,
                 cImageList* imgMenu, QWidget* parent = nullptr);
    ~frmBatchTool() override;

    // The set-up of the load, in its fixed order.
    void Form_Load();

    // The dispatcher's hand-over: the count label, the total time, the two
    // status panels, the sub-folder name (the list name) and the marked rows
    // of the main grid (every row with its mark when markedOnly is false, as
    // the ripper takes them).
    void HandOver(cGrid& mainGrid, const QString& listName, const QString& countSuffix,
                  bool markedOnly = true);

    core::BatchRun& Run() { return *m_run; }
    core::ItemJob& Component() { return *m_component; }
    // True while one of the window's jobs (its batch run, its own) runs.
    bool IsJobRunning() const;
    // The end-of-job actions; the launcher fills the balloon, countdown and program hooks.
    StandardEndActions& EndActionsHooks() { return m_end; }
    // The rows and choices of the grid and the Settings page, as a run is handed them.
    virtual core::BatchRequest Request() const;

    // How the links open the modal dialogs; the defaults open the real ones.
    std::function<void(QWidget* owner, const QString& key)> openAudioFormat;
    std::function<void(QWidget* owner)> openEventsOptions;
    std::function<void(QWidget* owner, int section)> openProgParameters;

    // The target-format row of the windows that have one (the converter, the
    // ripper); nullptr in the others. Built by AddTargetFormatRow.
    QLabel* Label5 = nullptr;
    QComboBox* cboTargetFormat = nullptr; // list-only
    QPushButton* cmdEditTargetFormat = nullptr;
    cLinkLabel* lblSetAsDefaultFormat = nullptr;

    // --- controls, by their names
    QFrame* picTitle = nullptr;
    QLabel* lblTitle = nullptr;
    cTabControl* cTabControl1 = nullptr;
    QFrame* TabSettings = nullptr;
    QFrame* TabEvents = nullptr;
    QFrame* TabLog = nullptr;
    // Settings page
    QLabel* Label4 = nullptr;
    QComboBox* txtToPath = nullptr; // editable; its list is the path history
    QPushButton* cmdSelectPath = nullptr;
    cLinkLabel* lblSetAsDefaultDestination = nullptr;
    QCheckBox* chkCreateSubFolder = nullptr;
    QLineEdit* txtUndeForlder = nullptr;
    QCheckBox* chkOverWrite = nullptr;
    QLabel* Label21 = nullptr;
    QComboBox* cboFileName = nullptr; // list-only
    cLinkLabel* lblSetAsDefaultFileName = nullptr;
    QLabel* Image1 = nullptr;
    cLinkLabel* lblParameters = nullptr;
    QLabel* imgOpenDestFolder = nullptr;
    cLinkLabel* lblOpenDestinationDestinationFolder = nullptr;
    QWidget* formatArea = nullptr; // the window's own format controls
    // Events page
    QLabel* Label20 = nullptr;
    QCheckBox* chkOpenDestFolder = nullptr;
    QCheckBox* chkNoticeApp = nullptr;
    QCheckBox* chkTurnOffComputer = nullptr;
    QCheckBox* chkPlaySound = nullptr;
    cLinkLabel* lblEventsSettings = nullptr;
    QVBoxLayout* eventsLayout = nullptr; // windows with more end-of-job boxes add them here
    // Log page
    QPlainTextEdit* txtLog = nullptr;
    // Outside the pages
    cGrid* cGrid1 = nullptr;
    Glimmet* prgCurrnet = nullptr;
    Glimmet* prgTotal = nullptr;
    QLabel* lblTimeLeft = nullptr;
    QLabel* lblFilesToConvert = nullptr;
    QLabel* lblCurrentTrack = nullptr;
    QPushButton* cmdConvert = nullptr;
    QPushButton* cmdAbort = nullptr;
    QPushButton* cmdExit = nullptr;
    cStatusBar* cStatusBar1 = nullptr;

    // --- the grid and the boxes
    qint32 RowCount() const;
    QString Cell(qint32 row, const QString& key) const;
    // The picture number of the row's "Inc" cell (1 = marked).
    qint32 RowMark(qint32 row) const;
    QString TargetFormatText() const;
    // An end-of-job box by its name (core::BOX_* or a window's own, such as "chkOpenCDdrive").
    bool EndEventChecked(const QString& box) const;
    // The destination becomes the newest entry of the path history.
    void RememberDestination();
    // The Log page to the front.
    void ShowLogPage();

    // Writes a "General" default (REG_SZ) and puts the text into the Options
    // dialog's combo of that name and into the settings variable.
    static void StoreGeneralDefault(const QString& valueName, const QString& text);

public slots:
    virtual void cmdConvert_Click();
    void cmdAbort_Click();
    void cmdExit_Click();
    void chkCreateSubFolder_Click();
    void CheckUnderFolderEna();
    void cTabControl1_TabClick(qint32 lTab);
    void HideTabPages();
    void txtToPath_Click();
    void cboFileName_Click();
    void lblSetAsDefaultDestination_Click();
    void lblSetAsDefaultFileName_Click();
    void cmdSelectPath_Click();
    virtual void lblOpenDestinationDestinationFolder_Click();
    void lblEventsSettings_Click();
    void lblParameters_Click();
    // The target-format row: a choice enables "Set as default" when it is not
    // the default; the link stores it; "Edit" opens the Audio Format dialog
    // and takes (and stores) the format chosen there.
    void cboTargetFormat_Click();
    void lblSetAsDefaultFormat_Click();
    void cmdEditTargetFormat_Click();

protected:
    // The window's format area: built once in the constructor, chosen in the load.
    virtual void LoadFormatArea() {}
    // The output format of a run: by default that of the target-format row.
    virtual core::RunOutput RunOutput() const;
    // Shows `job` in the window (log, bars, labels, buttons, close rule,
    // Abort), besides the batch run if there is one; one job runs at a time.
    void ShowJob(core::Job& job);
    // Releases the component when the window closes (once, never while a job runs).
    virtual void Unload();
    // The target-format row in `grid` at `row`: "Audio Format:", the list,
    // "Edit" and "Set as default", wired to the handlers above.
    void AddTargetFormatRow(QGridLayout* grid, int row);
    // Fills the row's list with the offered formats and chooses the default
    // one (the Options dialog's choice); filling alone chooses nothing.
    void LoadTargetFormatRow();
    // The close rule: false while a job runs; otherwise Unload (once).
    bool Form_Unload();
    void closeEvent(QCloseEvent* event) override;
    void reject() override;
    // Title strip colours, back colour, pictures, icons: every chrome call of the window.
    void ApplyChrome();
    QString m_iconName;

private:
    void BuildControls(const Design& design);
    void LoadFileNameFormats();
    void SetEndBoxesFromSettings();

    std::unique_ptr<core::ItemJob> m_component;
    StandardEndActions m_end;
    WindowQuestions m_questions{this};
    std::unique_ptr<core::BatchRun> m_run;
    QList<core::Job*> m_jobs; // the jobs shown
    QPointer<cImageList> m_imgMenu;
    Design m_design;
    bool m_unloaded = false;
};

} // namespace toolframe
