#include "settings/frmOptions.h"

#include "controls/ControlColor.h"
#include "controls/cImageList.h"
#include "controls/cTreeView.h"
#include "core/AppPaths.h"
#include "core/ProgramCall.h"
#include "core/RegistryRoutines.h"
#include "core/Services.h"
#include "core/WindowChrome.h"
#include "core/mdlCommDialog.h"
#include "core/mdlFunctions.h"
#include "core/mdlModes.h"
#include "core/mdlRunOnStart.h"
#include "core/mdlSetFormIcon32.h"
#include "core/mdlSupportedDestination.h"
#include "settings/SettingsVariables.h"
#include "settings/frmAudioProp.h"
#include "settings/frmProgParameters.h"

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
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>
#include <optional>

namespace {

frmOptions* s_instance = nullptr;

// The check-box values as stored: 0 unchecked, 1 checked, 2 greyed.
int CheckValue(const QCheckBox* box) {
    switch (box->checkState()) {
    case Qt::Checked:
        return 1;
    case Qt::PartiallyChecked:
        return 2;
    default:
        return 0;
    }
}

bool SetCheckValue(QCheckBox* box, int value) {
    switch (value) {
    case 0:
        box->setCheckState(Qt::Unchecked);
        return true;
    case 1:
        box->setCheckState(Qt::Checked);
        return true;
    case 2:
        box->setTristate(true);
        box->setCheckState(Qt::PartiallyChecked);
        return true;
    default:
        return false;
    }
}

// A stored value as a whole number: no value reads as 0; a text must hold a
// number (decimals round half to even); anything else is refused.
std::optional<qint64> ToNumber(const QVariant& value) {
    if (!value.isValid() || value.isNull()) return 0;
    if (value.typeId() == QMetaType::Int || value.typeId() == QMetaType::UInt ||
        value.typeId() == QMetaType::LongLong)
        return value.toLongLong();
    const QString text = value.toString().trimmed();
    bool ok = false;
    const qint64 whole = text.toLongLong(&ok);
    if (ok) return whole;
    const double real = text.toDouble(&ok);
    if (ok && std::isfinite(real) && std::fabs(real) < 9.0e15)
        return static_cast<qint64>(std::nearbyint(real));
    return std::nullopt;
}

// Check box from a stored value; a value that is no check-box value leaves the box as it was.
void LoadCheck(QCheckBox* box, const QVariant& value) {
    const auto number = ToNumber(value);
    if (number && *number >= -32768 && *number <= 32767) SetCheckValue(box, static_cast<int>(*number));
}

// A list-only combo takes a text only when it is one of its lines (letter
// case aside; the combo then shows the line's own text); an empty text
// clears the selection.
void SetListText(QComboBox* combo, const QString& text) {
    if (text.isEmpty()) {
        combo->setCurrentIndex(-1);
        return;
    }
    const int index = combo->findText(text, Qt::MatchFixedString);
    if (index >= 0) combo->setCurrentIndex(index);
}

QString StoredText(const QVariant& value) {
    if (!value.isValid() || value.isNull()) return QString();
    if (value.typeId() == QMetaType::QByteArray) return QString::fromLocal8Bit(value.toByteArray());
    return value.toString();
}

QString WithClosingSlash(const QString& folder) {
    if (folder.isEmpty() || folder.endsWith('/')) return folder;
    return folder + '/';
}

// Colour numbers a control takes: 0x00BBGGRR, or a system colour 0x800000NN.
bool IsColorNumber(qint32 color) {
    const quint32 number = static_cast<quint32>(color);
    return number <= 0x00FFFFFFu || (number >= 0x80000000u && number <= 0x8000001Eu);
}

} // namespace

frmOptions::frmOptions(QWidget* parent) : QDialog(parent) {
    setObjectName("frmOptions");
    setWindowTitle("Options");
    s_instance = this;
    openAudioFormat = settings::ShowAudioFormatAtTab;
    openProgParameters = settings::ShowProgParametersAtSection;
    BuildControls();
    ConnectHandlers();
}

frmOptions::~frmOptions() {
    if (s_instance == this) s_instance = nullptr;
}

frmOptions* frmOptions::instance() {
    return s_instance;
}

QString frmOptions::SettingsKeyRoot() {
    return "SOFTWARE\\" + core::g_sCompany + "\\" + core::g_sProductName;
}

qint32 frmOptions::BackColor(const QWidget* widget) {
    return widget->property("BackColor").toInt();
}

bool frmOptions::SetBackColor(QWidget* widget, qint32 color) {
    if (!IsColorNumber(color)) return false;
    widget->setProperty("BackColor", color);
    components::ApplyBackColor(widget, color);
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
    picTitle = new QFrame(this);
    picTitle->setObjectName("picTitle");
    SetBackColor(picTitle, 0);
    auto* titleLayout = new QHBoxLayout(picTitle);
    lblTitle = label(picTitle, "lblTitle", QString());
    QFont titleFont = lblTitle->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.3);
    lblTitle->setFont(titleFont);
    titleLayout->addWidget(lblTitle);
    root->addWidget(picTitle);

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

    for (QFrame* frame : {froGeneral, froEvents, froView, froTags, froAdvanced})
        pages->addWidget(frame, 0, 0);

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
    cmdCancel = button(this, "cmdCancel", "Cancel");
    cmdOk = button(this, "cmdOk", "OK");
    cmdOk->setDefault(true);
    bottom->addWidget(cmdCancel);
    bottom->addWidget(cmdOk);
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
    core::SetFormIcon(this, "gears", true);

    m_reg = std::make_unique<core::RegistryRoutines>();
    m_reg->setHkey(core::HKEY_LOCAL_MACHINE);
    m_reg->setKeyRoot(SettingsKeyRoot());

    LoadFileNameFormats();

    core::LoadPathHistory(txtToPath);
    if (txtToPath->currentText().isEmpty()) txtToPath->setEditText(core::ProgramFolder() + "/Main/");

    SetOptionsTree();
    core::FillDestinationFormats(cboTargetFormat);
    cboTargetFormat->setCurrentIndex(-1);

    GetOptions();

    cTreeView1_NodeClick(cTreeView1->Nodes().Item(1));

    CheckPlaySoundEna();
    CheckNoticeAppEna();
    CheckCopyID3FromSourceEna();
}

void frmOptions::ApplyTheme() {
    QList<QWidget*> themed{this, froGeneral, froEvents, froView, froTags, froAdvanced};
    for (QCheckBox* box : findChildren<QCheckBox*>())
        themed.append(box);
    core::chrome::ApplyView(themed, picTitle,
                            QList<QWidget*>{this, froGeneral, froEvents, froView, froTags, froAdvanced});
    if (core::g_lAppIncCDRipper == 1) chkAutoFreeDB->setVisible(true);
}

void frmOptions::LoadFileNameFormats() {
    const QString file = core::ProgramFolder() + "/FileNameFormats.txt";
    if (QFileInfo(file).isFile()) {
        core::LoadListFileToCombo(file, cboFileName);
    } else {
        cboFileName->clear();
        cboFileName->addItems(
            {"[file_name].[dest_extension]", "[file_name].[source_extension].[dest_extension]",
             "[file_name]_[123].[dest_extension]", "[file_name]_[123].[source_extension].[dest_extension]",
             "[123].[dest_extension]", "[123].[source_extension].[dest_extension]"});
    }
    cboFileName->setCurrentIndex(-1);
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
    using namespace settings;
    if (!m_reg) return;
    const core::RegistryRoutines& reg = *m_reg;

    m_reg->setSubkey("General");

    // The device list is always empty, so only "none" can be taken.
    if (const auto device = ToNumber(reg.GetRegistryValue("cboDevices")))
        if (*device >= -1 && *device < cboDevices->count())
            cboDevices->setCurrentIndex(static_cast<int>(*device));
    g_lAudioDevice = cboDevices->currentIndex();

    const QString targetFormat = StoredText(reg.GetRegistryValue("cboTargetFormat"));
    if (!targetFormat.isEmpty()) {
        SetListText(cboTargetFormat, targetFormat);
        g_sTargetFormat = cboTargetFormat->currentText();
    }

    txtToPath->setEditText(StoredText(reg.GetRegistryValue("txtToPath")));

    LoadCheck(chkSelectTheLastItem, reg.GetRegistryValue("chkSelectTheLastItem"));
    g_bSelectTheLastItem = CheckValue(chkSelectTheLastItem) != 0;
    LoadCheck(chkAutoFreeDB, reg.GetRegistryValue("chkAutoFreeDB"));
    g_bAutoFreeDB = CheckValue(chkAutoFreeDB) != 0;

    if (txtToPath->currentText().isEmpty()) {
        const QString folder = core::ProgramFolder() + "/Main/";
        txtToPath->setEditText(folder);
        if (!core::IsFolder(folder)) core::CreateFolderTree(folder);
        core::SavePathHistory(txtToPath);
        core::LoadPathHistory(txtToPath);
        if (txtToPath->currentText().isEmpty()) txtToPath->setEditText(folder); // history unreadable
    }

    // Whatever was typed, the lists folder is used with its closing "/".
    const QString listsFolder = WithClosingSlash(txtToPath->currentText());
    if (listsFolder != txtToPath->currentText()) txtToPath->setEditText(listsFolder);
    g_sItemsListDir = listsFolder;

    SetListText(cboFileName, StoredText(reg.GetRegistryValue("cboFileName")));
    g_sFileNameFormat = cboFileName->currentText();

    const std::pair<QCheckBox*, bool*> generalChecks[] = {{chkSaveLogWhenExit, &g_bSaveLogWhenExit},
                                                          {chkDisplayMSGWhenExit, &g_bDisplayMSGWhenExit},
                                                          {chkDisplayMSGWhenErase, &g_bDisplayMSGWhenErase},
                                                          {chkGoToNextItem, &g_bGoToNextItem},
                                                          {chkDisplayPlayer, &g_bDisplayPlayer},
                                                          {chkClearOnExit, &g_bClearOnExit},
                                                          {chkDisplayAudioGraph, &g_bDisplayAudioGraph},
                                                          {chkMenuXPStyle, &g_bMenuXPStyle},
                                                          {chkDisplayGridHotTrack, &g_bDisplayGridHotTrack},
                                                          {chkDisplayTitle, &g_bDisplayTitle},
                                                          {chkDisplayGridLine, &g_bDisplayGridLine}};
    for (const auto& [box, variable] : generalChecks) {
        LoadCheck(box, reg.GetRegistryValue(box->objectName()));
        *variable = CheckValue(box) != 0;
    }

    for (QFrame* swatch : {picColor, picTextColor}) {
        const auto color = ToNumber(reg.GetRegistryValue(swatch->objectName()));
        if (color && *color >= INT32_MIN && *color <= INT32_MAX)
            SetBackColor(swatch, static_cast<qint32>(*color));
    }
    g_lAppColor = BackColor(picColor);
    g_lTextColor = BackColor(picTextColor);
    SetBackColor(picTitle, BackColor(picColor));
    components::ApplyTextColor(lblTitle, g_lTextColor);

    chkRunWhenWinStarts->setCheckState(core::IsRunOnStart() ? Qt::Checked : Qt::Unchecked);

    LoadCheck(chkDisplayLiveUpdateWindow, reg.GetRegistryValue("chkDisplayLiveUpdateWindow"));
    g_bDisplayLiveUpdateWindow = CheckValue(chkDisplayLiveUpdateWindow) != 0;
    LoadCheck(chkAutoUpdate, reg.GetRegistryValue("chkAutoUpdate"));
    g_bAutoUpdate = CheckValue(chkAutoUpdate) != 0;

    m_reg->setSubkey("Events");
    const std::pair<QCheckBox*, bool*> eventChecks[] = {{chkOpenDestFolder, &g_bOpenDestFolder},
                                                        {chkTurnOffComputer, &g_bTurnOffComputer},
                                                        {chkPlaySound, &g_bPlaySound}};
    for (const auto& [box, variable] : eventChecks) {
        LoadCheck(box, reg.GetRegistryValue(box->objectName()));
        *variable = CheckValue(box) != 0;
    }

    // A path with no file-name part counts as no sound at all.
    SetPlayAtEnd(StoredText(reg.GetRegistryValue("txtPlayAtEnd")));
    if (txtPlayAtEnd->text().isEmpty()) SetPlayAtEnd(core::ProgramFolder() + "/sound/notify.wav");
    g_sPlayAtEnd = txtPlayAtEnd->property("Tag").toString();

    LoadCheck(chkNoticeApp, reg.GetRegistryValue("chkNoticeApp"));
    g_bNoticeApp = CheckValue(chkNoticeApp) != 0;
    txtAppNotice->setPlainText(StoredText(reg.GetRegistryValue("txtAppNotice")));
    g_sAppNotice = txtAppNotice->toPlainText();

    m_reg->setSubkey("ID3 Tags");
    const QVariant copyTags = reg.GetRegistryValue("chkCopyID3FromSource");
    LoadCheck(chkCopyID3FromSource,
              StoredText(copyTags).isEmpty() ? QVariant(QStringLiteral("1")) : copyTags);
    g_bCopyID3FromSource = CheckValue(chkCopyID3FromSource) != 0;

    const std::pair<QLineEdit*, QString*> tags[] = {
        {txtTagArtist, &g_sTagArtist}, {txtTagSong, &g_sTagSong},   {txtTagAlbum, &g_sTagAlbum},
        {txtTagTrack, &g_sTagTrack},   {txtTagGenre, &g_sTagGenre}, {txtTagYear, &g_sTagYear}};
    for (const auto& [edit, variable] : tags) {
        edit->setText(StoredText(reg.GetRegistryValue(edit->objectName())));
        *variable = edit->text();
    }
    txtTagComment->setPlainText(StoredText(reg.GetRegistryValue("txtTagComment")));
    g_sTagComment = txtTagComment->toPlainText();
}

void frmOptions::cmdOk_Click() {
    using namespace settings;
    if (!m_reg) Form_Load();
    const core::RegistryRoutines& reg = *m_reg;
    auto write = [&reg](const QString& name, const QString& text) {
        reg.SetRegistryValue(name, text, core::REG_SZ);
    };
    auto writeCheck = [&write](QCheckBox* box) {
        write(box->objectName(), QString::number(CheckValue(box)));
    };
    auto writeText = [&write](QLineEdit* edit) { write(edit->objectName(), edit->text()); };

    m_reg->setSubkey("General");
    for (QCheckBox* box :
         {chkClearOnExit, chkDisplayAudioGraph, chkMenuXPStyle, chkSelectTheLastItem, chkAutoFreeDB,
          chkDisplayPlayer, chkDisplayGridHotTrack, chkDisplayTitle, chkDisplayGridLine})
        writeCheck(box);
    write("picColor", QString::number(BackColor(picColor)));
    write("picTextColor", QString::number(BackColor(picTextColor)));
    write("cboDevices", QString::number(cboDevices->currentIndex()));
    write("cboTargetFormat", cboTargetFormat->currentText());

    // Whatever was typed, the lists folder is used with its closing "/".
    const QString listsFolder = WithClosingSlash(txtToPath->currentText());
    if (listsFolder != txtToPath->currentText()) txtToPath->setEditText(listsFolder);
    const bool listsFolderChanged = listsFolder != g_sItemsListDir;
    g_sItemsListDir = listsFolder;

    write("txtToPath", txtToPath->currentText());
    write("cboFileName", cboFileName->currentText());

    core::SetRunOnStart(chkRunWhenWinStarts->checkState() == Qt::Checked);

    for (QCheckBox* box : {chkSaveLogWhenExit, chkDisplayMSGWhenExit, chkDisplayMSGWhenErase, chkGoToNextItem,
                           chkDisplayLiveUpdateWindow, chkAutoUpdate})
        writeCheck(box);

    m_reg->setSubkey("Events");
    writeCheck(chkOpenDestFolder);
    writeCheck(chkTurnOffComputer);
    writeCheck(chkPlaySound);
    write("txtPlayAtEnd", txtPlayAtEnd->property("Tag").toString());
    writeCheck(chkNoticeApp);
    write("txtAppNotice", txtAppNotice->toPlainText());

    m_reg->setSubkey("ID3 Tags");
    writeCheck(chkCopyID3FromSource);
    writeText(txtTagArtist);
    writeText(txtTagSong);
    writeText(txtTagAlbum);
    writeText(txtTagGenre);
    writeText(txtTagTrack);
    writeText(txtTagYear);
    write("txtTagComment", txtTagComment->toPlainText());

    GetOptions();

    emit settingsApplied(listsFolderChanged);

    close();
}

void frmOptions::cmdCancel_Click() {
    GetOptions();
    close();
}

void frmOptions::reject() {
    close();
}

void frmOptions::closeEvent(QCloseEvent* event) {
    // Loaded for the whole run: hidden, not unloaded, until the program exits.
    core::chrome::HideUnlessExiting(this, event, settings::g_bAppExiting);
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
    const bool on = CheckValue(chkPlaySound) == 1;
    for (QWidget* widget : std::initializer_list<QWidget*>{txtPlayAtEnd, cmdAddSound, cmdTestSound})
        widget->setEnabled(on);
}

void frmOptions::CheckNoticeAppEna() {
    const bool on = CheckValue(chkNoticeApp) == 1;
    txtAppNotice->setEnabled(on);
    cmdTestApp->setEnabled(on);
}

void frmOptions::CheckCopyID3FromSourceEna() {
    // Tags copied from the source file leave the default fields unused (but kept).
    const bool fieldsOn = CheckValue(chkCopyID3FromSource) != 1;
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
    core::g_tOpenFileName.lpstrTitle = QStringLiteral("Select files");
    const QChar nul(u'\0');
    core::g_tOpenFileName.lpstrFilter = QStringLiteral("media files (*.wav; *.mp3)") + nul +
                                        QStringLiteral("*.wav; *.mp3") + nul + QStringLiteral("mp3 (*.mp3)") +
                                        nul + QStringLiteral("*.mp3") + nul + QStringLiteral("wav (*.wav)") +
                                        nul + QStringLiteral("*.wav") + nul;
    const core::tFileDialogResult result = core::ShowOpenDialog(this, core::kCentreOnOwner);
    if (result.bCancelled || result.iCount < 1 || result.sFiles.size() < 2 || result.sFiles[1].isEmpty())
        return;
    // The folder may be the root, which already ends with "/".
    SetPlayAtEnd(WithClosingSlash(result.sDirectory) + result.sFiles[1]);
}

void frmOptions::cmdTestSound_Click() {
    const QString sound = txtPlayAtEnd->property("Tag").toString();
    if (!sound.isEmpty()) core::services().playSound(sound);
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
    QString folder = core::BrowseForFolder(QStringLiteral("Select a new directory"), txtToPath->currentText(),
                                           this, true, QString(), true, false);
    if (folder.isEmpty()) return;
    folder = WithClosingSlash(folder);
    txtToPath->setEditText(folder);
    core::SavePathHistory(txtToPath);
    core::LoadPathHistory(txtToPath);
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
            core::SavePathHistory(txtToPath);
            core::LoadPathHistory(txtToPath);
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
    const qint32 color = core::ShowColorDialog(this, 0);
    if (color == -1) return;
    SetBackColor(picColor, color);
    SetBackColor(picTitle, color);
}

void frmOptions::picTextColor_Click() {
    const qint32 color = core::ShowColorDialog(this, 0);
    if (color == -1) return;
    SetBackColor(picTextColor, color);
    QPalette palette = lblTitle->palette();
    palette.setColor(QPalette::WindowText, components::ColorFromLong(color));
    lblTitle->setPalette(palette);
    emit textColorPicked(color);
}

// --- The dialogs the links open ---------------------------------------------

namespace settings {

void ShowAudioFormatAtTab(QWidget* owner, const QString& key) {
    // Loaded at start-up; loading it here only covers a start that skipped it.
    frmAudioProp* form = g_frmAudioProp;
    if (!form) form = new frmAudioProp(owner);
    form->ShowFormatPage(key); // loads, selects the tab of the key, shows its page
    form->exec();
}

void ShowProgParametersAtSection(QWidget* owner, int section) {
    ShowProgParameters(owner, section);
}

} // namespace settings
