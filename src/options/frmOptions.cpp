#include "options/frmOptions.h"

#include "controls/ControlColor.h"
#include "controls/cImageList.h"
#include "controls/cTreeView.h"
#include "core/AppPaths.h"
#include "core/ProgramCall.h"
#include "core/RegistryRoutines.h"
#include "core/Services.h"
#include "core/mdlFunctions.h"
#include "core/mdlModes.h"
#include "core/mdlRunOnStart.h"
#include "core/mdlSupportedDestination.h"
#include "dialogs/WindowChrome.h"
#include "dialogs/mdlCommDialog.h"
#include "dialogs/mdlFunctionsGui.h"
#include "dialogs/mdlSetFormIcon32.h"
#include "options/DialogControls.h"
#include "options/frmAudioProp.h"
#include "options/frmProgParameters.h"
#include "settings/OptionsSettings.h"
#include "settings/SettingsVariables.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <vector>

namespace {

frmOptions* s_instance = nullptr;
bool s_loadOnDemand = false;

struct LoadedHook {
    QPointer<QObject> context;
    std::function<void(frmOptions*)> hook;
};
std::vector<LoadedHook>& loadedHooks() {
    static std::vector<LoadedHook> hooks;
    return hooks;
}

QString WithClosingSlash(const QString& folder) {
    if (folder.isEmpty() || folder.endsWith('/')) return folder;
    return folder + '/';
}

} // namespace

frmOptions::frmOptions(QWidget* parent) : cSettingsDialog(parent) {
    setObjectName("frmOptions");
    setWindowTitle("Options");
    s_instance = this;
    openAudioFormat = options::ShowAudioFormatAtTab;
    openProgParameters = options::ShowProgParametersAtSection;
    BuildControls();
    ConnectHandlers();
}

frmOptions::~frmOptions() {
    if (s_instance == this) s_instance = nullptr;
}

frmOptions* frmOptions::instance() {
    if (!s_instance && s_loadOnDemand && !settings::g_bAppExiting) {
        auto* options = new frmOptions;
        // Stays loaded and hidden, with its connections and unconfirmed
        // edits; the main window's exit closes it for real.
        options->UnloadAtExit();
        options->Form_Load();
    }
    return s_instance;
}

frmOptions* frmOptions::loadedInstance() {
    return s_instance;
}

void frmOptions::LoadOnDemand() {
    s_loadOnDemand = true;
}

void frmOptions::WhenLoaded(QObject* context, std::function<void(frmOptions*)> hook) {
    if (s_instance && s_instance->m_loaded) {
        hook(s_instance);
        return;
    }
    loadedHooks().push_back({context, std::move(hook)});
}

QString frmOptions::SettingsKeyRoot() {
    return settings::OptionsKeyRoot();
}

qint32 frmOptions::BackColor(const QWidget* widget) {
    return widget->property("BackColor").toInt();
}

bool frmOptions::SetBackColor(QWidget* widget, qint32 color) {
    if (!settings::IsColorNumber(color)) return false;
    widget->setProperty("BackColor", color);
    controls::ApplyBackColor(widget, color);
    return true;
}

void frmOptions::BuildControls() {
    auto check = [](QWidget* parent, const char* name, const QString& caption) {
        auto* box = new QCheckBox(caption, parent);
        box->setObjectName(name);
        return box;
    };
    auto label = [](QWidget* parent, const char* name, const QString& caption) {
        auto* text = new QLabel(caption, parent);
        text->setObjectName(name);
        return text;
    };
    auto link = [](QWidget* parent, const char* name, const QString& caption, const QString& tip) {
        auto* text = new QLabel("<a href=\"#\">" + caption.toHtmlEscaped() + "</a>", parent);
        text->setObjectName(name);
        text->setToolTip(tip);
        text->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
        text->setCursor(Qt::PointingHandCursor);
        return text;
    };
    auto button = [](QWidget* parent, const char* name, const QString& caption) {
        auto* push = new QPushButton(caption, parent);
        push->setObjectName(name);
        push->setAutoDefault(false);
        return push;
    };
    auto page = [](QWidget* parent, const char* name) {
        auto* frame = new QFrame(parent);
        frame->setObjectName(name);
        frame->setFrameShape(QFrame::StyledPanel);
        return frame;
    };
    auto heading = [&](QWidget* parent, const char* name, const QString& caption) {
        QLabel* text = label(parent, name, caption);
        QFont font = text->font();
        font.setBold(true);
        text->setFont(font);
        return text;
    };
    auto lineEdit = [](QWidget* parent, const char* name) {
        auto* edit = new QLineEdit(parent);
        edit->setObjectName(name);
        return edit;
    };
    auto multiLine = [](QWidget* parent, const char* name) {
        auto* edit = new QPlainTextEdit(parent);
        edit->setObjectName(name);
        edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        edit->setTabChangesFocus(true);
        return edit;
    };
    auto swatch = [](QWidget* parent, const char* name) {
        auto* frame = new QFrame(parent);
        frame->setObjectName(name);
        frame->setFrameShape(QFrame::Box);
        frame->setFixedSize(48, 24);
        frame->setCursor(Qt::PointingHandCursor);
        SetBackColor(frame, 0);
        return frame;
    };

    auto* root = new QVBoxLayout(this);

    // Title strip
    picTitle = options::AddTitleStrip(this, root, lblTitle, QString());
    SetBackColor(picTitle, 0);

    // Page tree beside the page panels, which share one place
    auto* middle = new QHBoxLayout;
    imgMenu = new cImageList(this);
    imgMenu->setObjectName("imgMenu");
    imgMenu->LoadStandardSet();
    cTreeView1 = new cTreeView(this);
    cTreeView1->setObjectName("cTreeView1");
    cTreeView1->setHeaderHidden(true);
    cTreeView1->setRootIsDecorated(false);
    cTreeView1->setFixedWidth(145);
    middle->addWidget(cTreeView1);
    auto* pages = new QGridLayout;
    middle->addLayout(pages, 1);
    root->addLayout(middle, 1);

    // General
    froGeneral = page(this, "froGeneral");
    {
        auto* grid = new QGridLayout(froGeneral);
        grid->addWidget(heading(froGeneral, "lblGeneralProperties", "General Properties:"), 0, 0, 1, 3);
        chkClearOnExit = check(froGeneral, "chkClearOnExit", "Clear the 'Items List' on exit");
        chkSelectTheLastItem = check(froGeneral, "chkSelectTheLastItem", "Auto select the last Item");
        chkGoToNextItem = check(froGeneral, "chkGoToNextItem", "Go to next item when done playing an item");
        chkAutoFreeDB = check(froGeneral, "chkAutoFreeDB", "Open the FreeDB service automatically");
        chkAutoFreeDB->setVisible(false);
        grid->addWidget(chkClearOnExit, 1, 0, 1, 3);
        grid->addWidget(chkSelectTheLastItem, 2, 0, 1, 3);
        grid->addWidget(chkGoToNextItem, 3, 0, 1, 3);
        grid->addWidget(chkAutoFreeDB, 4, 0, 1, 3);
        grid->addWidget(label(froGeneral, "lblTargetFormat", "Default Audio Format:"), 5, 0, 1, 3);
        cboTargetFormat = new QComboBox(froGeneral);
        cboTargetFormat->setObjectName("cboTargetFormat");
        cboTargetFormat->setEditable(false);
        cmdEditTargetFormat = button(froGeneral, "cmdEditTargetFormat", "Edit");
        cmdEditTargetFormat->setToolTip("Edit Target Audio Formats");
        grid->addWidget(cboTargetFormat, 6, 0, 1, 2);
        grid->addWidget(cmdEditTargetFormat, 6, 2);
        grid->addWidget(label(froGeneral, "lblFileName", "Default File Name Format:"), 7, 0, 1, 3);
        cboFileName = new QComboBox(froGeneral);
        cboFileName->setObjectName("cboFileName");
        cboFileName->setEditable(false);
        lblParameters = link(froGeneral, "lblParameters", "Parameters", "Parameters");
        grid->addWidget(cboFileName, 8, 0, 1, 2);
        grid->addWidget(lblParameters, 8, 2);
        lblMoreAdvancedOptions =
            link(froGeneral, "lblMoreAdvancedOptions", "More advanced options...", "More advanced options");
        grid->addWidget(lblMoreAdvancedOptions, 10, 0, 1, 3);
        grid->setRowStretch(9, 1);
        grid->setColumnStretch(0, 1);
    }

    // Events
    froEvents = page(this, "froEvents");
    {
        auto* grid = new QGridLayout(froEvents);
        grid->addWidget(heading(froEvents, "lblEvents", "Default Events When Done:"), 0, 0, 1, 4);
        chkOpenDestFolder = check(froEvents, "chkOpenDestFolder", "Open the destination folder");
        chkTurnOffComputer = check(froEvents, "chkTurnOffComputer", "Turn off computer");
        chkPlaySound = check(froEvents, "chkPlaySound", "Play sound");
        grid->addWidget(chkOpenDestFolder, 1, 0, 1, 4);
        grid->addWidget(chkTurnOffComputer, 2, 0, 1, 4);
        grid->addWidget(chkPlaySound, 3, 0, 1, 4);
        txtPlayAtEnd = lineEdit(froEvents, "txtPlayAtEnd");
        txtPlayAtEnd->setReadOnly(true);
        txtPlayAtEnd->setProperty("Tag", QString());
        cmdAddSound = button(froEvents, "cmdAddSound", "Add");
        cmdTestSound = button(froEvents, "cmdTestSound", "Test");
        grid->addWidget(txtPlayAtEnd, 4, 0, 1, 2);
        grid->addWidget(cmdAddSound, 4, 2);
        grid->addWidget(cmdTestSound, 4, 3);
        chkNoticeApp = check(froEvents, "chkNoticeApp", "Execute external program");
        grid->addWidget(chkNoticeApp, 5, 0, 1, 4);
        txtAppNotice = multiLine(froEvents, "txtAppNotice");
        cmdTestApp = button(froEvents, "cmdTestApp", "Test");
        lblNoticParameters = link(froEvents, "lblNoticParameters", "Parameters", "Parameters");
        grid->addWidget(txtAppNotice, 6, 0, 2, 3);
        grid->addWidget(cmdTestApp, 6, 3);
        grid->addWidget(lblNoticParameters, 7, 3, Qt::AlignTop);
        grid->setRowStretch(8, 1);
        grid->setColumnStretch(0, 1);
    }

    // View
    froView = page(this, "froView");
    {
        auto* grid = new QGridLayout(froView);
        grid->addWidget(heading(froView, "lblProgramView", "Program View:"), 0, 0, 1, 2);
        chkDisplayTitle = check(froView, "chkDisplayTitle", "Display Title");
        chkDisplayPlayer = check(froView, "chkDisplayPlayer", "Display player");
        chkDisplayAudioGraph = check(froView, "chkDisplayAudioGraph", "Display the 'Audio Graph'");
        chkMenuXPStyle = check(froView, "chkMenuXPStyle", "Advanced menus style");
        chkDisplayGridHotTrack = check(froView, "chkDisplayGridHotTrack", "Display grid hot track");
        chkDisplayGridLine = check(froView, "chkDisplayGridLine", "Display grid lines");
        int row = 1;
        for (QCheckBox* box : {chkDisplayTitle, chkDisplayPlayer, chkDisplayAudioGraph, chkMenuXPStyle,
                               chkDisplayGridHotTrack, chkDisplayGridLine})
            grid->addWidget(box, row++, 0, 1, 2);
        picColor = swatch(froView, "picColor");
        picTextColor = swatch(froView, "picTextColor");
        grid->addWidget(picColor, row, 0);
        grid->addWidget(label(froView, "lblColor", "Application Color"), row++, 1);
        grid->addWidget(picTextColor, row, 0);
        grid->addWidget(label(froView, "lblTextColor", "Text Color"), row++, 1);
        grid->setRowStretch(row, 1);
        grid->setColumnStretch(1, 1);
    }

    // ID3 Tags
    froTags = page(this, "froTags");
    {
        auto* grid = new QGridLayout(froTags);
        grid->addWidget(heading(froTags, "lblDefaultTags", "Default ID3 Tags:"), 0, 0, 1, 2);
        chkCopyID3FromSource = check(froTags, "chkCopyID3FromSource", "Copy the ID3 tags from source file");
        grid->addWidget(chkCopyID3FromSource, 1, 0, 1, 2);
        struct Field {
            QLabel*& caption;
            const char* captionName;
            const char* captionText;
            QLineEdit*& edit;
            const char* editName;
        };
        const Field fields[] = {
            {lblTagArtist, "lblTagArtist", "Artist:", txtTagArtist, "txtTagArtist"},
            {lblTagSong, "lblTagSong", "Song:", txtTagSong, "txtTagSong"},
            {lblTagAlbum, "lblTagAlbum", "Album:", txtTagAlbum, "txtTagAlbum"},
            {lblTagGenre, "lblTagGenre", "Genre:", txtTagGenre, "txtTagGenre"},
            {lblTagTrack, "lblTagTrack", "Track:", txtTagTrack, "txtTagTrack"},
            {lblTagYear, "lblTagYear", "Year:", txtTagYear, "txtTagYear"},
        };
        int row = 2;
        for (const Field& field : fields) {
            field.caption = label(froTags, field.captionName, field.captionText);
            field.edit = lineEdit(froTags, field.editName);
            grid->addWidget(field.caption, row, 0);
            grid->addWidget(field.edit, row++, 1);
        }
        lblTagComment = label(froTags, "lblTagComment", "Comment:");
        txtTagComment = multiLine(froTags, "txtTagComment");
        grid->addWidget(lblTagComment, row, 0, Qt::AlignTop);
        grid->addWidget(txtTagComment, row++, 1);
        // The tag boxes stay white even when disabled.
        for (QWidget* edit :
             std::initializer_list<QWidget*>{txtTagArtist, txtTagSong, txtTagAlbum, txtTagGenre, txtTagTrack,
                                             txtTagYear, txtTagComment}) {
            QPalette palette = edit->palette();
            palette.setColor(QPalette::All, QPalette::Base, Qt::white);
            edit->setPalette(palette);
        }
        lblID3TagParameters = link(froTags, "lblID3TagParameters", "Parameters", "Parameters");
        grid->addWidget(lblID3TagParameters, row++, 1, Qt::AlignRight);
        grid->setColumnStretch(1, 1);
    }

    // Advanced
    froAdvanced = page(this, "froAdvanced");
    {
        auto* grid = new QGridLayout(froAdvanced);
        grid->addWidget(heading(froAdvanced, "lblAdvancedProperties", "Advanced Properties:"), 0, 0, 1, 2);
        chkDisplayMSGWhenErase = check(froAdvanced, "chkDisplayMSGWhenErase",
                                       "Display a confirmation message when erasing an item");
        chkDisplayMSGWhenExit = check(froAdvanced, "chkDisplayMSGWhenExit",
                                      "Display a confirmation message when exiting the program");
        chkSaveLogWhenExit = check(froAdvanced, "chkSaveLogWhenExit",
                                   "Save the 'Log' to a text file when exiting the program");
        chkRunWhenWinStarts =
            check(froAdvanced, "chkRunWhenWinStarts", "Run this program when windows is started");
        chkAutoUpdate = check(froAdvanced, "chkAutoUpdate", "Auto check for new updates");
        chkDisplayLiveUpdateWindow =
            check(froAdvanced, "chkDisplayLiveUpdateWindow", "Display the Live Update window");
        chkAutoUpdate->setVisible(false);
        chkDisplayLiveUpdateWindow->setVisible(false);
        int row = 1;
        for (QCheckBox* box : {chkDisplayMSGWhenErase, chkDisplayMSGWhenExit, chkSaveLogWhenExit,
                               chkRunWhenWinStarts, chkAutoUpdate, chkDisplayLiveUpdateWindow})
            grid->addWidget(box, row++, 0, 1, 2);
        grid->addWidget(label(froAdvanced, "lblToPath", "Items List Main Directory:"), row++, 0, 1, 2);
        txtToPath = new QComboBox(froAdvanced);
        txtToPath->setObjectName("txtToPath");
        txtToPath->setEditable(true);
        txtToPath->setInsertPolicy(QComboBox::NoInsert);
        cmdSelectPath = button(froAdvanced, "cmdSelectPath", "...");
        cmdSelectPath->setToolTip("Select a new directory");
        grid->addWidget(txtToPath, row, 0);
        grid->addWidget(cmdSelectPath, row++, 1);
        lblOpenDestinationDestinationFolder = link(froAdvanced, "lblOpenDestinationDestinationFolder",
                                                   "Open destination folder", "Open destination folder");
        grid->addWidget(lblOpenDestinationDestinationFolder, row++, 0, 1, 2);
        grid->setRowStretch(row, 1);
        grid->setColumnStretch(0, 1);
    }

    // The dialog is of one size: the largest page counts while hidden, so
    // choosing a page neither grows nor shrinks it.
    for (QFrame* frame : {froGeneral, froEvents, froView, froTags, froAdvanced}) {
        QSizePolicy policy = frame->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        frame->setSizePolicy(policy);
        pages->addWidget(frame, 0, 0);
    }

    // Buttons, and the hidden device list
    auto* bottom = new QHBoxLayout;
    lblRecordFrom = label(this, "lblRecordFrom", "Record From:");
    lblRecordFrom->setVisible(false);
    cboDevices = new QComboBox(this);
    cboDevices->setObjectName("cboDevices");
    cboDevices->setVisible(false);
    bottom->addWidget(lblRecordFrom);
    bottom->addWidget(cboDevices);
    bottom->addStretch(1);
    cmdCancel = options::AddDialogButton(this, bottom, "cmdCancel", "Cancel");
    cmdOk = options::AddDialogButton(this, bottom, "cmdOk", "OK", true);
    root->addLayout(bottom);

    connect(cmdOk, &QPushButton::clicked, this, &frmOptions::cmdOk_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmOptions::cmdCancel_Click);
    connect(cTreeView1, &cTreeView::NodeClick, this, &frmOptions::cTreeView1_NodeClick);
    connect(cTreeView1, &cTreeView::SelChange, this, &frmOptions::cTreeView1_SelChange);
}

void frmOptions::Form_Load() {
    if (m_loaded) return;
    m_loaded = true;

    ApplyTheme();
    dialogs::SetFormIcon(this, "gears", true);

    m_reg = std::make_unique<core::RegistryRoutines>();
    m_reg->setHkey(core::HKEY_LOCAL_MACHINE);
    m_reg->setKeyRoot(SettingsKeyRoot());

    // The template list, the path history and the offered formats (which
    // also sets the format switches the Audio Format dialog reads).
    settings::tOptionsRecord lists = Controls();
    settings::PresetOptions(lists);
    SetControls(lists);

    SetOptionsTree();

    GetOptions();

    cTreeView1_NodeClick(cTreeView1->Nodes().Item(1));

    CheckPlaySoundEna();
    CheckNoticeAppEna();
    CheckCopyID3FromSourceEna();

    // Hooks of windows that are gone are dropped; the others run once.
    std::vector<LoadedHook> hooks;
    hooks.swap(loadedHooks());
    for (LoadedHook& entry : hooks)
        if (entry.context) entry.hook(this);
}

void frmOptions::ApplyTheme() {
    QList<QWidget*> themed{this, froGeneral, froEvents, froView, froTags, froAdvanced};
    for (QCheckBox* box : findChildren<QCheckBox*>())
        themed.append(box);
    dialogs::chrome::ApplyView(themed, picTitle,
                               QList<QWidget*>{this, froGeneral, froEvents, froView, froTags, froAdvanced});
    if (core::g_lAppIncCDRipper == 1) chkAutoFreeDB->setVisible(true);
}

void frmOptions::SetOptionsTree() {
    cTreeView1->setImageList(imgMenu);
    struct Page {
        const char* key;
        const char* text;
        qint32 icon;
    };
    const Page pages[] = {{"General", "General", 9},
                          {"Events", "Events", 10},
                          {"View", "View", 11},
                          {"ID3 Tags", "Default ID3 Tags", 6},
                          {"Advanced", "Advanced", 59}};
    bool first = true;
    for (const Page& page : pages) {
        cTreeView1->Nodes().Add(first ? cTreeViewNodes::tvwFirst : cTreeViewNodes::tvwNext, page.key,
                                page.text, page.icon, -1);
        first = false;
    }
}

void frmOptions::HideOptionPages() {
    for (QFrame* frame : {froGeneral, froEvents, froView, froTags, froAdvanced})
        frame->setVisible(false);
}

void frmOptions::cTreeView1_NodeClick(cTreeViewNode node) {
    HideOptionPages();
    const QString key = node.Key();
    if (key == "General")
        froGeneral->setVisible(true);
    else if (key == "Events")
        froEvents->setVisible(true);
    else if (key == "View")
        froView->setVisible(true);
    else if (key == "ID3 Tags")
        froTags->setVisible(true);
    else if (key == "Advanced")
        froAdvanced->setVisible(true);
    // Selecting raises SelChange, which comes back here: once is enough.
    if (node && !node.Selected()) {
        const QSignalBlocker blocker(cTreeView1);
        node.setSelected(true);
    }
    lblTitle->setText(node.Text());
}

void frmOptions::cTreeView1_SelChange() {
    cTreeView1_NodeClick(cTreeView1->SelectedItem());
}

void frmOptions::SetPlayAtEnd(const QString& path) {
    txtPlayAtEnd->setProperty("Tag", path);
    txtPlayAtEnd->setText(core::GetFileName(path));
    txtPlayAtEnd->setToolTip(path);
}

void frmOptions::GetOptions() {
    if (!m_reg) return;
    settings::tOptionsRecord r = Controls();
    settings::LoadOptions(*m_reg, r);
    SetControls(r);
    SetBackColor(picTitle, r.picColor);
    controls::ApplyTextColor(lblTitle, r.picTextColor);
}

settings::tOptionsRecord frmOptions::Controls() const {
    using options::CheckValue;
    using options::PickList;
    settings::tOptionsRecord r;
    r.cboDevices = PickList(cboDevices);
    r.cboTargetFormat = PickList(cboTargetFormat);
    r.cboFileName = PickList(cboFileName);
    r.txtToPath = txtToPath->currentText();
    for (int i = 0; i < txtToPath->count(); ++i)
        r.txtToPathItems << txtToPath->itemText(i);
    r.chkSelectTheLastItem = CheckValue(chkSelectTheLastItem);
    r.chkAutoFreeDB = CheckValue(chkAutoFreeDB);
    r.chkSaveLogWhenExit = CheckValue(chkSaveLogWhenExit);
    r.chkDisplayMSGWhenExit = CheckValue(chkDisplayMSGWhenExit);
    r.chkDisplayMSGWhenErase = CheckValue(chkDisplayMSGWhenErase);
    r.chkGoToNextItem = CheckValue(chkGoToNextItem);
    r.chkDisplayPlayer = CheckValue(chkDisplayPlayer);
    r.chkClearOnExit = CheckValue(chkClearOnExit);
    r.chkDisplayAudioGraph = CheckValue(chkDisplayAudioGraph);
    r.chkMenuXPStyle = CheckValue(chkMenuXPStyle);
    r.chkDisplayGridHotTrack = CheckValue(chkDisplayGridHotTrack);
    r.chkDisplayTitle = CheckValue(chkDisplayTitle);
    r.chkDisplayGridLine = CheckValue(chkDisplayGridLine);
    r.picColor = BackColor(picColor);
    r.picTextColor = BackColor(picTextColor);
    r.chkRunWhenWinStarts = CheckValue(chkRunWhenWinStarts);
    r.chkDisplayLiveUpdateWindow = CheckValue(chkDisplayLiveUpdateWindow);
    r.chkAutoUpdate = CheckValue(chkAutoUpdate);
    r.chkOpenDestFolder = CheckValue(chkOpenDestFolder);
    r.chkTurnOffComputer = CheckValue(chkTurnOffComputer);
    r.chkPlaySound = CheckValue(chkPlaySound);
    r.txtPlayAtEnd = txtPlayAtEnd->property("Tag").toString();
    r.chkNoticeApp = CheckValue(chkNoticeApp);
    r.txtAppNotice = txtAppNotice->toPlainText();
    r.chkCopyID3FromSource = CheckValue(chkCopyID3FromSource);
    r.txtTagArtist = txtTagArtist->text();
    r.txtTagSong = txtTagSong->text();
    r.txtTagAlbum = txtTagAlbum->text();
    r.txtTagGenre = txtTagGenre->text();
    r.txtTagTrack = txtTagTrack->text();
    r.txtTagYear = txtTagYear->text();
    r.txtTagComment = txtTagComment->toPlainText();
    return r;
}

void frmOptions::SetControls(const settings::tOptionsRecord& r) {
    using options::SetCheckValue;
    using options::SetPickList;
    SetPickList(cboDevices, r.cboDevices);
    SetPickList(cboTargetFormat, r.cboTargetFormat);
    SetPickList(cboFileName, r.cboFileName);
    options::SetListItems(txtToPath, r.txtToPathItems);
    {
        const QSignalBlocker blocker(txtToPath);
        txtToPath->setEditText(r.txtToPath);
    }
    const std::pair<QCheckBox*, qint16> checks[] = {
        {chkSelectTheLastItem, r.chkSelectTheLastItem},
        {chkAutoFreeDB, r.chkAutoFreeDB},
        {chkSaveLogWhenExit, r.chkSaveLogWhenExit},
        {chkDisplayMSGWhenExit, r.chkDisplayMSGWhenExit},
        {chkDisplayMSGWhenErase, r.chkDisplayMSGWhenErase},
        {chkGoToNextItem, r.chkGoToNextItem},
        {chkDisplayPlayer, r.chkDisplayPlayer},
        {chkClearOnExit, r.chkClearOnExit},
        {chkDisplayAudioGraph, r.chkDisplayAudioGraph},
        {chkMenuXPStyle, r.chkMenuXPStyle},
        {chkDisplayGridHotTrack, r.chkDisplayGridHotTrack},
        {chkDisplayTitle, r.chkDisplayTitle},
        {chkDisplayGridLine, r.chkDisplayGridLine},
        {chkRunWhenWinStarts, r.chkRunWhenWinStarts},
        {chkDisplayLiveUpdateWindow, r.chkDisplayLiveUpdateWindow},
        {chkAutoUpdate, r.chkAutoUpdate},
        {chkOpenDestFolder, r.chkOpenDestFolder},
        {chkTurnOffComputer, r.chkTurnOffComputer},
        {chkPlaySound, r.chkPlaySound},
        {chkNoticeApp, r.chkNoticeApp},
        {chkCopyID3FromSource, r.chkCopyID3FromSource}};
    for (const auto& [box, value] : checks)
        SetCheckValue(box, value);
    SetBackColor(picColor, r.picColor);
    SetBackColor(picTextColor, r.picTextColor);
    SetPlayAtEnd(r.txtPlayAtEnd);
    txtAppNotice->setPlainText(r.txtAppNotice);
    txtTagArtist->setText(r.txtTagArtist);
    txtTagSong->setText(r.txtTagSong);
    txtTagAlbum->setText(r.txtTagAlbum);
    txtTagGenre->setText(r.txtTagGenre);
    txtTagTrack->setText(r.txtTagTrack);
    txtTagYear->setText(r.txtTagYear);
    txtTagComment->setPlainText(r.txtTagComment);
    // The boxes were set without their events: the enabled states follow them here.
    CheckPlaySoundEna();
    CheckNoticeAppEna();
    CheckCopyID3FromSourceEna();
}

void frmOptions::cmdOk_Click() {
    if (!m_reg) Form_Load();
    // Written from the record in the fixed order, all or nothing.
    const settings::StoreOutcome outcome = settings::StoreOptions(*m_reg, Controls());
    if (!outcome.stored) {
        // The dialog stays open with the edits, so the user can try again or cancel.
        core::services().msgBox(this,
                                QStringLiteral("The options cannot be saved: ") + outcome.error +
                                    QStringLiteral(".\r\n\r\nNo setting was changed."),
                                core::vbInformation, core::g_sProductName);
        return;
    }
    GetOptions();
    emit settingsApplied(outcome.listsFolderChanged);
    close();
}

void frmOptions::cmdCancel_Click() {
    GetOptions();
    close();
}

void frmOptions::Form_Unload() {
    // A test sound must not outlive the dialog.
    core::services().stopSound();
}

// --- Handlers of the pages ----------------------------------------------------

void frmOptions::ConnectHandlers() {
    // A value set in code (GetOptions) must move the enabled states too, so
    // the rules follow every change of the boxes, not only clicks.
    connect(chkPlaySound, &QCheckBox::stateChanged, this, &frmOptions::chkPlaySound_Click);
    connect(chkNoticeApp, &QCheckBox::stateChanged, this, &frmOptions::chkNoticeApp_Click);
    connect(chkCopyID3FromSource, &QCheckBox::stateChanged, this, &frmOptions::chkCopyID3FromSource_Click);

    connect(cmdAddSound, &QPushButton::clicked, this, &frmOptions::cmdAddSound_Click);
    connect(cmdTestSound, &QPushButton::clicked, this, &frmOptions::cmdTestSound_Click);
    connect(cmdTestApp, &QPushButton::clicked, this, &frmOptions::cmdTestApp_Click);
    connect(cmdEditTargetFormat, &QPushButton::clicked, this, &frmOptions::cmdEditTargetFormat_Click);
    connect(cmdSelectPath, &QPushButton::clicked, this, &frmOptions::cmdSelectPath_Click);

    connect(lblOpenDestinationDestinationFolder, &QLabel::linkActivated, this,
            &frmOptions::lblOpenDestinationDestinationFolder_Click);
    connect(lblParameters, &QLabel::linkActivated, this, &frmOptions::lblParameters_Click);
    connect(lblNoticParameters, &QLabel::linkActivated, this, &frmOptions::lblNoticParameters_Click);
    connect(lblID3TagParameters, &QLabel::linkActivated, this, &frmOptions::lblID3TagParameters_Click);
    connect(lblMoreAdvancedOptions, &QLabel::linkActivated, this, &frmOptions::lblMoreAdvancedOptions_Click);

    picColor->installEventFilter(this);
    picTextColor->installEventFilter(this);
}

bool frmOptions::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        if (watched == picColor) {
            picColor_Click();
            return true;
        }
        if (watched == picTextColor) {
            picTextColor_Click();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void frmOptions::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    Form_Resize();
}

void frmOptions::Form_Resize() {
    // A hidden or disabled button simply does not take the focus.
    cmdOk->setFocus();
}

void frmOptions::CheckPlaySoundEna() {
    const bool on = options::CheckValue(chkPlaySound) == 1;
    for (QWidget* widget : std::initializer_list<QWidget*>{txtPlayAtEnd, cmdAddSound, cmdTestSound})
        widget->setEnabled(on);
}

void frmOptions::CheckNoticeAppEna() {
    const bool on = options::CheckValue(chkNoticeApp) == 1;
    txtAppNotice->setEnabled(on);
    cmdTestApp->setEnabled(on);
}

void frmOptions::CheckCopyID3FromSourceEna() {
    // Tags copied from the source file leave the default fields unused (but kept).
    const bool fieldsOn = options::CheckValue(chkCopyID3FromSource) != 1;
    for (QWidget* widget : std::initializer_list<QWidget*>{
             lblTagArtist, lblTagSong, lblTagAlbum, lblTagGenre, lblTagTrack, lblTagYear, lblTagComment,
             txtTagArtist, txtTagSong, txtTagAlbum, txtTagGenre, txtTagTrack, txtTagYear, txtTagComment})
        widget->setEnabled(fieldsOn);
}

void frmOptions::chkPlaySound_Click() {
    CheckPlaySoundEna();
}

void frmOptions::chkNoticeApp_Click() {
    CheckNoticeAppEna();
}

void frmOptions::chkCopyID3FromSource_Click() {
    CheckCopyID3FromSourceEna();
}

void frmOptions::cmdAddSound_Click() {
    dialogs::g_tOpenFileName.lpstrTitle = QStringLiteral("Select files");
    const QChar nul(u'\0');
    dialogs::g_tOpenFileName.lpstrFilter =
        QStringLiteral("media files (*.wav; *.mp3)") + nul + QStringLiteral("*.wav; *.mp3") + nul +
        QStringLiteral("mp3 (*.mp3)") + nul + QStringLiteral("*.mp3") + nul + QStringLiteral("wav (*.wav)") +
        nul + QStringLiteral("*.wav") + nul;
    const dialogs::tFileDialogResult result = dialogs::ShowOpenDialog(this, dialogs::kCentreOnOwner);
    if (result.bCancelled || result.iCount < 1 || result.sFiles.size() < 2 || result.sFiles[1].isEmpty())
        return;
    // The folder may be the root, which already ends with "/".
    SetPlayAtEnd(WithClosingSlash(result.sDirectory) + result.sFiles[1]);
}

void frmOptions::cmdTestSound_Click() {
    const QString sound = txtPlayAtEnd->property("Tag").toString();
    if (sound.isEmpty() || core::services().playSound(sound)) return;
    // Asked for by the user, so said (the end of a job passes a failed sound over).
    core::services().msgBox(this,
                            "The sound " + sound + " cannot be played: the sound output is not available.",
                            core::vbExclamation, core::AppTitle());
}

QString frmOptions::TestAppCommandLine() const {
    // The template runs as typed: its end-of-job tokens are only filled in
    // when a job really ends.
    return txtAppNotice->toPlainText();
}

void frmOptions::cmdTestApp_Click() {
    // Split and started as the end-of-job step does, without file values: the words as typed.
    core::StartProgramCall(core::ProgramCallFromCommandLine(TestAppCommandLine()));
}

void frmOptions::cmdEditTargetFormat_Click() {
    if (openAudioFormat) openAudioFormat(this, cboTargetFormat->currentText().left(3));
}

void frmOptions::cmdSelectPath_Click() {
    QString folder = dialogs::BrowseForFolder(QStringLiteral("Select a new directory"),
                                              txtToPath->currentText(), this, true, QString(), true, false);
    if (folder.isEmpty()) return;
    folder = WithClosingSlash(folder);
    txtToPath->setEditText(folder);
    dialogs::SavePathHistory(txtToPath);
    dialogs::LoadPathHistory(txtToPath);
    // An unreadable history must not lose the choice.
    if (txtToPath->currentText() != folder) txtToPath->setEditText(folder);
}

void frmOptions::lblOpenDestinationDestinationFolder_Click() {
    const QString title = core::g_sProductName + " " + core::g_sProductVersion;
    QString path = txtToPath->currentText();
    if (!path.endsWith('/')) {
        path += '/';
        txtToPath->setEditText(path);
    }
    if (!core::IsFolder(path)) {
        const QString prompt = QStringLiteral("The folder ") + path + QStringLiteral(" does not exist.") +
                               QString(44, QLatin1Char(' ')) + QStringLiteral("\r\n\r\n") +
                               QStringLiteral("Would you like to create it?");
        if (core::services().msgBox(this, prompt, core::vbYesNo | core::vbInformation, title) != core::vbYes)
            return;
        if (core::CreateFolderTree(path) != 0) {
            core::services().msgBox(
                this, QStringLiteral("The path: ") + path + QStringLiteral(" cannot be created."),
                core::vbOKOnly, title);
        } else {
            dialogs::SavePathHistory(txtToPath);
            dialogs::LoadPathHistory(txtToPath);
            if (txtToPath->currentText() != path) txtToPath->setEditText(path);
        }
    }
    core::ShellOpen(this, path);
}

void frmOptions::lblNoticParameters_Click() {
    if (openProgParameters) openProgParameters(this, 0);
}

void frmOptions::lblID3TagParameters_Click() {
    if (openProgParameters) openProgParameters(this, 1);
}

void frmOptions::lblParameters_Click() {
    if (openProgParameters) openProgParameters(this, 2);
}

void frmOptions::lblMoreAdvancedOptions_Click() {
    cTreeView1_NodeClick(cTreeView1->Nodes().Item(QStringLiteral("Advanced")));
}

void frmOptions::picColor_Click() {
    const qint32 color = dialogs::ShowColorDialog(this, 0);
    if (color == -1) return;
    SetBackColor(picColor, color);
    SetBackColor(picTitle, color);
}

void frmOptions::picTextColor_Click() {
    const qint32 color = dialogs::ShowColorDialog(this, 0);
    if (color == -1) return;
    SetBackColor(picTextColor, color);
    QPalette palette = lblTitle->palette();
    palette.setColor(QPalette::WindowText, controls::ColorFromLong(color));
    lblTitle->setPalette(palette);
    emit textColorPicked(color);
}

// --- The dialogs the links open ---------------------------------------------

namespace options {

void ShowAudioFormatAtTab(QWidget* owner, const QString& key) {
    // Built when first opened (start-up reads its settings without it); it
    // then stays loaded and hidden until the main window's exit closes it.
    Q_UNUSED(owner);
    frmAudioProp* form = g_frmAudioProp;
    if (!form && !settings::g_bAppExiting) {
        form = new frmAudioProp;
        form->UnloadAtExit();
    }
    if (!form) return;
    form->ShowFormatPage(key); // loads, selects the tab of the key, shows its page
    form->exec();
}

void ShowProgParametersAtSection(QWidget* owner, int section) {
    ShowProgParameters(owner, section);
}

} // namespace options
