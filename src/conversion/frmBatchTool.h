// The frame of every item-by-item tool window: title strip, the Settings,
// Events and Log pages, the item grid, the two bars, the labels, the run
// buttons, the status bar, the destination with its path history, the
// "Set as default" links, and the close rule. It is the batch run's view; a
// window adds its format area and its differences (a BatchPolicy).
#pragma once

#include "conversion/BatchRun.h"

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

namespace conversion {

class frmBatchTool : public QDialog, public BatchView {
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
        QString runButtonCaption = QStringLiteral("Convert"); // "Rip" in the ripper
        // The CD windows' frame: the progress block above the pages, the grid
        // only a hidden holder of the tracks, a line above the status bar.
        bool tracksFrame = false;
        // Title of the destination folder's questions: the product name, or
        // (false) the application title with the version.
        bool productNameTitles = true;
    };

    frmBatchTool(const Design& design, std::unique_ptr<ItemJob> job, BatchPolicy policy, cImageList* imgMenu,
                 QWidget* parent = nullptr);
    ~frmBatchTool() override;

    // The set-up of the load, in its fixed order.
    void Form_Load();

    // The dispatcher's hand-over: the count label, the total time, the two
    // status panels, the sub-folder name (the list name) and the marked rows
    // of the main grid (every row with its mark when markedOnly is false, as
    // the ripper takes them).
    void HandOver(cGrid& mainGrid, const QString& listName, const QString& countSuffix,
                  bool markedOnly = true);

    BatchRun& Run() { return *m_run; }
    ItemJob& Job() { return *m_job; }
    // The end-of-job actions; the launcher fills the balloon, countdown and program hooks.
    StandardEndActions& EndActionsHooks() { return m_end; }

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

    // --- BatchView
    qint32 RowCount() const override;
    QString Cell(qint32 row, const QString& key) const override;
    qint32 RowMark(qint32 row) const override;
    void SelectRow(qint32 row) override;
    QString DestinationText() const override;
    void SetDestinationText(const QString& text) override;
    void RememberDestination() override;
    bool CreateSubFolderChecked() const override;
    QString SubFolderName() const override;
    bool OverwriteChecked() const override;
    QString FileNameTemplate() const override;
    QString TargetFormatText() const override;
    bool EndEventChecked(const QString& box) const override;
    void SetRunning(bool running) override;
    void SetBusyPointer(bool busy) override;
    void SetCurrentTrack(const QString& text) override;
    void SetFilesToConvert(const QString& text) override;
    void SetTimeLeft(const QString& text) override;
    void SetCaption(const QString& text) override;
    void SetCurrentBar(qint32 value) override;
    qint32 CurrentBar() const override;
    void SetTotalBarMax(qint32 max) override;
    qint32 TotalBarMax() const override;
    void SetTotalBar(qint32 value) override;
    qint32 TotalBar() const override;
    void LogLine(const QString& text) override;
    void LogRunSeparator() override;
    void ShowLogPage() override;
    QWidget* PromptOwner() const override { return const_cast<frmBatchTool*>(this); }

    // Writes a "General" default (REG_SZ) and puts the text into the Options
    // dialog's combo of that name and into the settings variable.
    static void StoreGeneralDefault(const QString& valueName, const QString& text);

public slots:
    void cmdConvert_Click();
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
    void lblOpenDestinationDestinationFolder_Click();
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
    // The target-format row in `grid` at `row`: "Audio Format:", the list,
    // "Edit" and "Set as default", wired to the handlers above.
    void AddTargetFormatRow(QGridLayout* grid, int row);
    // Fills the row's list with the offered formats and chooses the default
    // one (the Options dialog's choice); filling alone chooses nothing.
    void LoadTargetFormatRow();
    // The close rule: false while a run is active; otherwise the component is released (once).
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

    std::unique_ptr<ItemJob> m_job;
    StandardEndActions m_end;
    std::unique_ptr<BatchRun> m_run;
    QPointer<cImageList> m_imgMenu;
    Design m_design;
    bool m_unloaded = false;
};

} // namespace conversion
