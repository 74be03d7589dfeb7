// The Options dialog. Loaded hidden at start-up, it reads every general,
// end-of-job and tag setting into the settings variables, and stays loaded
// as the settings store until the program exits. Other windows read its two
// list controls (cboTargetFormat, cboFileName) and open it at a page.
#pragma once

#include "controls/cTreeView.h"
#include "options/DialogControls.h"
#include "settings/OptionsSettings.h"

#include <QDialog>
#include <functional>
#include <memory>

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class cImageList;

namespace core {
class RegistryRoutines;
}

class frmOptions : public options::cSettingsDialog {
    Q_OBJECT
public:
    explicit frmOptions(QWidget* parent = nullptr);
    ~frmOptions() override;

    // The loaded instance, or nullptr. Once LoadOnDemand was called (the
    // running program), the first call loads the dialog hidden.
    static frmOptions* instance();
    // The instance if it is loaded; never loads it.
    static frmOptions* loadedInstance();
    // Start-up reads the settings without the dialog (settings/OptionsSettings.h);
    // from then on instance() builds the dialog when something first needs it,
    // except while the program exits.
    static void LoadOnDemand();
    // Runs `hook` with the dialog once it is loaded (at once when it is), as
    // long as `context` lives.
    static void WhenLoaded(QObject* context, std::function<void(frmOptions*)> hook);

    // Runs once at start-up: fills the lists and the page tree, then reads
    // the settings (GetOptions). Calling it again does nothing.
    void Form_Load();

    // Reads every general, end-of-job and default-tag setting from the
    // registry into the controls, then the controls into the settings variables.
    void GetOptions();

    // The registry key path of the settings: "SOFTWARE\<maker>\<product>".
    static QString SettingsKeyRoot();

    // The controls that hold settings as a record (settings/OptionsSettings.h),
    // and back; setting them moves the enabled states too.
    settings::tOptionsRecord Controls() const;
    void SetControls(const settings::tOptionsRecord& record);

    // Title strip and page tree
    QFrame* picTitle = nullptr;
    QLabel* lblTitle = nullptr;
    cImageList* imgMenu = nullptr;
    cTreeView* cTreeView1 =
        nullptr; // the page tree; node keys "General", "Events", "View", "ID3 Tags", "Advanced"

    // Pages
    QFrame* froGeneral = nullptr;
    QFrame* froEvents = nullptr;
    QFrame* froView = nullptr;
    QFrame* froTags = nullptr;
    QFrame* froAdvanced = nullptr;

    // General
    QCheckBox* chkClearOnExit = nullptr;
    QCheckBox* chkSelectTheLastItem = nullptr;
    QCheckBox* chkGoToNextItem = nullptr;
    QCheckBox* chkAutoFreeDB = nullptr;   // shown only when the CD ripper is offered
    QComboBox* cboTargetFormat = nullptr; // list-only
    QPushButton* cmdEditTargetFormat = nullptr;
    QComboBox* cboFileName = nullptr; // list-only
    QLabel* lblParameters = nullptr;
    QLabel* lblMoreAdvancedOptions = nullptr;

    // Events
    QCheckBox* chkOpenDestFolder = nullptr;
    QCheckBox* chkTurnOffComputer = nullptr;
    QCheckBox* chkPlaySound = nullptr;
    QLineEdit* txtPlayAtEnd =
        nullptr; // read-only: shows the file name, keeps the full path in property "Tag"
    QPushButton* cmdAddSound = nullptr;
    QPushButton* cmdTestSound = nullptr;
    QCheckBox* chkNoticeApp = nullptr;
    QPlainTextEdit* txtAppNotice = nullptr;
    QPushButton* cmdTestApp = nullptr;
    QLabel* lblNoticParameters = nullptr;

    // View
    QCheckBox* chkDisplayTitle = nullptr;
    QCheckBox* chkDisplayPlayer = nullptr;
    QCheckBox* chkDisplayAudioGraph = nullptr;
    QCheckBox* chkMenuXPStyle = nullptr;
    QCheckBox* chkDisplayGridHotTrack = nullptr;
    QCheckBox* chkDisplayGridLine = nullptr;
    QFrame* picColor = nullptr;     // swatch; its colour number is property "BackColor"
    QFrame* picTextColor = nullptr; // swatch; its colour number is property "BackColor"

    // ID3 Tags
    QCheckBox* chkCopyID3FromSource = nullptr;
    QLabel* lblTagArtist = nullptr;
    QLabel* lblTagSong = nullptr;
    QLabel* lblTagAlbum = nullptr;
    QLabel* lblTagGenre = nullptr;
    QLabel* lblTagTrack = nullptr;
    QLabel* lblTagYear = nullptr;
    QLabel* lblTagComment = nullptr;
    QLineEdit* txtTagArtist = nullptr;
    QLineEdit* txtTagSong = nullptr;
    QLineEdit* txtTagAlbum = nullptr;
    QLineEdit* txtTagGenre = nullptr;
    QLineEdit* txtTagTrack = nullptr;
    QLineEdit* txtTagYear = nullptr;
    QPlainTextEdit* txtTagComment = nullptr;
    QLabel* lblID3TagParameters = nullptr;

    // Advanced
    QCheckBox* chkDisplayMSGWhenErase = nullptr;
    QCheckBox* chkDisplayMSGWhenExit = nullptr;
    QCheckBox* chkSaveLogWhenExit = nullptr;
    QCheckBox* chkRunWhenWinStarts = nullptr;
    QCheckBox* chkAutoUpdate = nullptr;              // hidden
    QCheckBox* chkDisplayLiveUpdateWindow = nullptr; // hidden
    QComboBox* txtToPath = nullptr;                  // editable; its list is the path history
    QPushButton* cmdSelectPath = nullptr;
    QLabel* lblOpenDestinationDestinationFolder = nullptr;

    // Outside the pages
    QLabel* lblRecordFrom = nullptr; // hidden
    QComboBox* cboDevices = nullptr; // hidden, always empty
    QPushButton* cmdOk = nullptr;
    QPushButton* cmdCancel = nullptr;

    // Colour numbers (0x00BBGGRR, or 0x800000NN for a system colour) of a
    // swatch or title strip, kept exactly as set.
    static qint32 BackColor(const QWidget* widget);
    // False (nothing changed) for a number that is no colour.
    static bool SetBackColor(QWidget* widget, qint32 color);

    // The command line "Test" starts: the end-of-job template as typed.
    QString TestAppCommandLine() const;

    // How the links open the Audio Format dialog at the tab of a format code
    // ("WAV", "MP3"...) and the placeholder help window at a section
    // position (0 command line, 1 tags, 2 file names), both modally. The
    // defaults are ShowAudioFormatAtTab and ShowProgParametersAtSection.
    std::function<void(QWidget* owner, const QString& key)> openAudioFormat;
    std::function<void(QWidget* owner, int section)> openProgParameters;

signals:
    // Emitted by the text-colour picker as soon as a colour is chosen (not
    // stored until OK): the main window shows it at once on its title label
    // and as the second colour of both audio graphs.
    void textColorPicked(qint32 color);

    // Emitted by OK after the settings were stored and reloaded: the main
    // window re-applies its view from the settings variables and, when
    // `listsFolderChanged`, rebuilds its tree of items lists from
    // settings::g_sItemsListDir and selects the first list.
    void settingsApplied(bool listsFolderChanged);

public slots:
    // Stores every setting in a fixed order, reloads them, applies, hides.
    void cmdOk_Click();
    // Throws the unconfirmed changes away (reloads the stored values), hides.
    void cmdCancel_Click();
    // Shows the page of the node (by its key), selects the node and titles
    // the dialog with its text. Callers open the dialog at a page with
    // cTreeView1->Nodes().Item(key), setSelected(true), this, then exec().
    void cTreeView1_NodeClick(cTreeViewNode node);
    void cTreeView1_SelChange();

    void chkCopyID3FromSource_Click();
    void chkNoticeApp_Click();
    void chkPlaySound_Click();
    void cmdAddSound_Click();
    void cmdTestSound_Click();
    void cmdTestApp_Click();
    void cmdEditTargetFormat_Click();
    void cmdSelectPath_Click();
    void lblOpenDestinationDestinationFolder_Click();
    void lblParameters_Click();
    void lblNoticParameters_Click();
    void lblID3TagParameters_Click();
    void lblMoreAdvancedOptions_Click();
    void picColor_Click();
    void picTextColor_Click();

protected:
    // Closing hides the dialog until settings::g_bAppExiting is set; either
    // way a test sound stops.
    void Form_Unload() override;
    // The dialog is of fixed size: this comes when it is first shown, and hands the focus to OK.
    void resizeEvent(QResizeEvent* event) override;
    // The colour swatches and the link labels are clicked through this filter.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    // Theme colours and pictures of the edition, and the FreeDB box when the ripper is offered.
    void ApplyTheme();
    void SetOptionsTree();
    void HideOptionPages();
    void CheckCopyID3FromSourceEna();
    void CheckNoticeAppEna();
    void CheckPlaySoundEna();
    void Form_Resize();
    void ConnectHandlers();
    // The end-of-job sound: its full path in the tag and tooltip, its file name as the text.
    void SetPlayAtEnd(const QString& path);

    std::unique_ptr<core::RegistryRoutines> m_reg;
    bool m_loaded = false;
};

namespace options {
// The Audio Format dialog at the tab of a format code ("WAV", "MP3"...), modally.
void ShowAudioFormatAtTab(QWidget* owner, const QString& key);
// The placeholder help window at a section position (0, 1, 2), modally.
void ShowProgParametersAtSection(QWidget* owner, int section);
} // namespace options
