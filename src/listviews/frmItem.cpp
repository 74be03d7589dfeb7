#include "listviews/frmItem.h"

#include "components/DriveRegistry.h"
#include "components/cAudioConverter.h"
#include "controls/ControlColor.h"
#include "controls/cDateTimePick.h"
#include "controls/cGrid.h"
#include "controls/cImageList.h"
#include "controls/cTabControl.h"
#include "core/AppPaths.h"
#include "core/Services.h"
#include "core/mdlFunctions.h"
#include "core/mdlModes.h"
#include "dialogs/WindowChrome.h"
#include "dialogs/frmAbout.h"
#include "dialogs/mdlFunctionsGui.h"
#include "dialogs/mdlSetFormIcon32.h"
#include "itemlists/ItemRows.h"
#include "listviews/ItemsGrid.h"
#include "listviews/ItemsTree.h"
#include "listviews/PropertiesWindow.h"
#include "options/frmOptions.h"
#include "settings/SettingsVariables.h"

#include <QApplication>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

std::function<void(QWidget*)> frmItem::ShowID3TagParameters;

namespace listviews {

using namespace itemlists;
QPointer<frmItem> g_frmItem;
} // namespace listviews

namespace {

const QString kTimeFormat = QStringLiteral("HH:mm:ss");

int ShowMessage(QWidget* owner, const QString& prompt) {
    return core::services().msgBox(owner, prompt, core::vbInformation, core::AppTitle());
}

// A duration "H:MM:SS" as a time of day; invalid past 23:59:59.
QTime TimeOfDay(const QString& text) {
    QTime t = QTime::fromString(text, kTimeFormat);
    if (!t.isValid()) t = QTime::fromString(text, QStringLiteral("H:mm:ss"));
    return t;
}

qint64 SecondsOfDay(const QTime& t) {
    return core::TimeToSeconds(t.toString(kTimeFormat));
}

QFrame* NewPage(QWidget* parent, const char* name) {
    auto* page = new QFrame(parent);
    page->setObjectName(QString::fromLatin1(name));
    return page;
}

template <class W> W* Named(W* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

} // namespace

frmItem::frmItem(cGrid& cGrid1, listviews::ItemsTree& lists, cImageList* imgMenu, QWidget* parent)
    : QDialog(parent), m_grid(cGrid1), m_lists(&lists), m_imgMenu(imgMenu),
      cAudioConverter1(std::make_unique<components::cAudioConverter>()) {
    setObjectName(QStringLiteral("frmItem"));
    setWindowTitle(QStringLiteral("Item Properties"));

    picTitle = listviews::AddPropertiesTitle(this, lblTitle);

    cTabControl1 = Named(new cTabControl(this), "cTabControl1");
    QWidget* area = cTabControl1->ClientArea();
    TabInfo = NewPage(area, "TabInfo");
    TabRange = NewPage(area, "TabRange");
    TabTags = NewPage(area, "TabTags");
    auto* pages = new QGridLayout(area);
    pages->setContentsMargins(0, 0, 0, 0);
    for (QFrame* page : {TabInfo, TabRange, TabTags})
        pages->addWidget(page, 0, 0);

    // Information page: one caption and one value per line.
    auto* info = new QGridLayout(TabInfo);
    auto infoLine = [&](const QString& caption, QWidget* value) {
        const int row = info->rowCount();
        info->addWidget(new QLabel(caption, TabInfo), row, 0);
        info->addWidget(value, row, 1);
    };
    txtItemName = Named(new QLineEdit(TabInfo), "txtItemName");
    dialogs::InstallNameKeyFilter(txtItemName);
    lblFileName = Named(new cLinkLabel(QString(), TabInfo), "lblFileName");
    lblFileName->setToolTip(QStringLiteral("Open file with external player"));
    lblPath = Named(new cLinkLabel(QString(), TabInfo), "lblPath");
    lblPath->setToolTip(QStringLiteral("Open directory"));
    lblTotalTime = Named(new QLabel(TabInfo), "lblTotalTime");
    lblTotalSize = Named(new QLabel(TabInfo), "lblTotalSize");
    lblCreated = Named(new QLabel(TabInfo), "lblCreated");
    lblFormat = Named(new QLabel(TabInfo), "lblFormat");
    lblSamples = Named(new QLabel(TabInfo), "lblSamples");
    lblBitrate = Named(new QLabel(TabInfo), "lblBitrate");
    lblChannels = Named(new QLabel(TabInfo), "lblChannels");
    infoLine(QStringLiteral("Item Name"), txtItemName);
    infoLine(QStringLiteral("File Name"), lblFileName);
    infoLine(QStringLiteral("Location"), lblPath);
    infoLine(QStringLiteral("Total Time"), lblTotalTime);
    infoLine(QStringLiteral("Total Size"), lblTotalSize);
    infoLine(QStringLiteral("Created"), lblCreated);
    infoLine(QStringLiteral("Format"), lblFormat);
    infoLine(QStringLiteral("Samples"), lblSamples);
    infoLine(QStringLiteral("Bitrate"), lblBitrate);
    infoLine(QStringLiteral("Channels"), lblChannels);
    info->setColumnStretch(1, 1);
    info->setRowStretch(info->rowCount(), 1);

    // Range page.
    ptnAllFile =
        Named(new QRadioButton(QStringLiteral("Process all the file range"), TabRange), "ptnAllFile");
    ptnConvertByTime =
        Named(new QRadioButton(QStringLiteral("Process range by time"), TabRange), "ptnConvertByTime");
    ptnAllFile->setChecked(true);
    Label20 = Named(new QLabel(QStringLiteral("Start after:"), TabRange), "Label20");
    dtStartAfter = Named(new cDateTimePick(TabRange), "dtStartAfter");
    dtStartAfter->setCustomFormat(kTimeFormat);
    cmdGoTSoStart = Named(new QPushButton(QStringLiteral("<<"), TabRange), "cmdGoTSoStart");
    cmdGoTSoStart->setToolTip(QStringLiteral("Go to start"));
    Label21 = Named(new QLabel(QStringLiteral("Until:"), TabRange), "Label21");
    dtUntil = Named(new cDateTimePick(TabRange), "dtUntil");
    dtUntil->setCustomFormat(kTimeFormat);
    cmdGoToEnd = Named(new QPushButton(QStringLiteral(">>"), TabRange), "cmdGoToEnd");
    cmdGoToEnd->setToolTip(QStringLiteral("Go to end"));
    auto* range = new QGridLayout(TabRange);
    range->addWidget(ptnAllFile, 0, 0, 1, 3);
    range->addWidget(ptnConvertByTime, 1, 0, 1, 3);
    range->addWidget(Label20, 2, 0);
    range->addWidget(dtStartAfter, 2, 1);
    range->addWidget(cmdGoTSoStart, 2, 2);
    range->addWidget(Label21, 3, 0);
    range->addWidget(dtUntil, 3, 1);
    range->addWidget(cmdGoToEnd, 3, 2);
    range->setRowStretch(4, 1);
    range->setColumnStretch(3, 1);

    // Tag page: one box per tag under its caption.
    auto* tags = new QGridLayout(TabTags);
    auto tagBox = [&](const QString& caption, QWidget* box, int row, int col) {
        tags->addWidget(new QLabel(caption, TabTags), row * 2, col);
        tags->addWidget(box, row * 2 + 1, col);
    };
    txtTagArtist = Named(new QLineEdit(TabTags), "txtTagArtist");
    txtTagSong = Named(new QLineEdit(TabTags), "txtTagSong");
    txtTagAlbum = Named(new QLineEdit(TabTags), "txtTagAlbum");
    txtTagGenre = Named(new QLineEdit(TabTags), "txtTagGenre");
    txtTagTrack = Named(new QLineEdit(TabTags), "txtTagTrack");
    txtTagYear = Named(new QLineEdit(TabTags), "txtTagYear");
    txtTagComment = Named(new QPlainTextEdit(TabTags), "txtTagComment");
    txtTagComment->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    tagBox(QStringLiteral("Artist:"), txtTagArtist, 0, 0);
    tagBox(QStringLiteral("Song:"), txtTagSong, 0, 1);
    tagBox(QStringLiteral("Album:"), txtTagAlbum, 1, 0);
    tagBox(QStringLiteral("Genre:"), txtTagGenre, 1, 1);
    tagBox(QStringLiteral("Track:"), txtTagTrack, 2, 0);
    tagBox(QStringLiteral("Year:"), txtTagYear, 2, 1);
    tags->addWidget(new QLabel(QStringLiteral("Comment:"), TabTags), 6, 0);
    tags->addWidget(txtTagComment, 7, 0, 1, 2);
    lblDefaultID3Tags =
        Named(new cLinkLabel(QStringLiteral("Default ID3 Tags Options..."), TabTags), "lblDefaultID3Tags");
    lblID3TagParameters = Named(new cLinkLabel(QStringLiteral("Parameters"), TabTags), "lblID3TagParameters");
    tags->addWidget(lblDefaultID3Tags, 8, 0);
    tags->addWidget(lblID3TagParameters, 8, 1, Qt::AlignRight);

    cmdOK = Named(new QPushButton(QStringLiteral("OK"), this), "cmdOK");
    cmdOK->setDefault(true);
    cmdApply = Named(new QPushButton(QStringLiteral("Apply"), this), "cmdApply");
    cmdExit = Named(new QPushButton(QStringLiteral("Exit"), this), "cmdExit");
    cmdBack = Named(new QPushButton(QStringLiteral("<<"), this), "cmdBack");
    cmdBack->setToolTip(QStringLiteral("Previous item"));
    cmdNext = Named(new QPushButton(QStringLiteral(">>"), this), "cmdNext");
    cmdNext->setToolTip(QStringLiteral("Next item"));
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {cmdOK, cmdApply, cmdExit, cmdBack, cmdNext})
        buttons->addWidget(b);
    buttons->addStretch(1);

    listviews::LayoutPropertiesWindow(this, picTitle, cTabControl1, buttons);
    resize(460, 400);

    connect(cTabControl1, &cTabControl::TabClick, this, &frmItem::cTabControl1_TabClick);
    connect(ptnAllFile, &QRadioButton::toggled, this, &frmItem::EnableRangeControls);
    connect(ptnConvertByTime, &QRadioButton::toggled, this, &frmItem::EnableRangeControls);
    connect(dtStartAfter, &cDateTimePick::Change, this, &frmItem::dtStartAfter_Change);
    connect(dtUntil, &cDateTimePick::Change, this, &frmItem::dtUntil_Change);
    connect(cmdGoTSoStart, &QPushButton::clicked, this, &frmItem::cmdGoTSoStart_Click);
    connect(cmdGoToEnd, &QPushButton::clicked, this, &frmItem::cmdGoToEnd_Click);
    connect(cmdOK, &QPushButton::clicked, this, &frmItem::cmdOK_Click);
    connect(cmdApply, &QPushButton::clicked, this, &frmItem::cmdApply_Click);
    connect(cmdExit, &QPushButton::clicked, this, &frmItem::cmdExit_Click);
    connect(cmdBack, &QPushButton::clicked, this, &frmItem::cmdBack_Click);
    connect(cmdNext, &QPushButton::clicked, this, &frmItem::cmdNext_Click);
    connect(lblFileName, &cLinkLabel::clicked, this, &frmItem::lblFileName_Click);
    connect(lblPath, &cLinkLabel::clicked, this, &frmItem::lblPath_Click);
    connect(lblDefaultID3Tags, &cLinkLabel::clicked, this, &frmItem::lblDefaultID3Tags_Click);
    connect(lblID3TagParameters, &cLinkLabel::clicked, this, &frmItem::lblID3TagParameters_Click);
}

frmItem::~frmItem() = default;

QString frmItem::CellText(qint32 row, const QString& key) const {
    const qint32 col = m_grid.ColumnIndex(key);
    return col > 0 ? m_grid.CellText(row, col) : QString();
}

void frmItem::SetCellText(qint32 row, const QString& key, const QString& text) {
    const qint32 col = m_grid.ColumnIndex(key);
    if (col > 0) m_grid.setCellText(row, col, text);
}

void frmItem::Form_Load() {
    dialogs::SetFormIcon(this, QStringLiteral("document_music"), true);

    dialogs::chrome::ApplyTitleStrip(picTitle, {lblTitle});
    dialogs::chrome::ApplyView({this, TabInfo, TabRange, TabTags, ptnAllFile, ptnConvertByTime}, picTitle,
                               QList<QWidget*>{this, TabInfo, TabRange, TabTags});

    cTabControl1->setImageList(m_imgMenu);
    cTabControl1->AddTab(QStringLiteral("Item Information"), 39, 1, QStringLiteral("Item Information"));
    cTabControl1->AddTab(QStringLiteral("Range To Process"), 23, 1, QStringLiteral("Range"));
    cTabControl1->AddTab(QStringLiteral("Destination ID3 Tags  "), 18, 1, QStringLiteral("ID3 Tags"));
    HideTabPages();
    TabInfo->setVisible(true);

    lItem = m_grid.SelectedRow();
    l_lGridRowNum = lItem;

    GetFileInfo();
    EnableRangeControls();
    GetRangeOptions();
    SetIDvTags();
    SetNavigationButtons();
}

void frmItem::SetNavigationButtons() {
    cmdNext->setEnabled(false);
    cmdBack->setEnabled(false);
    if (l_lGridRowNum < m_grid.Rows()) cmdNext->setEnabled(true);
    if (l_lGridRowNum > 1) cmdBack->setEnabled(true);
}

void frmItem::ShowItem(qint32 lRow) {
    if (lRow < 1 || lRow > m_grid.Rows()) return;
    m_grid.setSelectedRow(lRow);
    lItem = lRow;
    l_lGridRowNum = lRow;
    GetFileInfo();
    SetIDvTags();
    EnableRangeControls();
    GetRangeOptions();
    SetNavigationButtons();
}

void frmItem::GetFileInfo() {
    const qint32 row = l_lGridRowNum;
    const QString file = CellText(row, itemlists::COL_FILE);
    lblTitle->setText(CellText(lItem, itemlists::COL_ITEM_NAME));
    cAudioConverter1->OpenSource(file); // a file it cannot read shows zeros

    txtItemName->setText(CellText(row, itemlists::COL_ITEM_NAME));
    lblFileName->setText(core::GetFileName(file));
    lblTotalSize->setText(CellText(row, itemlists::COL_SIZE));
    lblTotalTime->setText(CellText(row, itemlists::COL_TIME));
    lblCreated->setText(CellText(row, itemlists::COL_CREATED));
    lblFormat->setText(core::GetExtension(file).toUpper());

    if (components::DriveRegistry::parseTrackPath(file, nullptr, nullptr)) {
        // A CD track has no file to examine; its audio is always 44,100 Hz,
        // 16 bit, 2 channels, 1,411 kbit/s.
        lblSamples->setText(QStringLiteral("44100"));
        lblBitrate->setText(QStringLiteral("1411"));
        lblChannels->setText(QStringLiteral("STEREO"));
    } else {
        lblSamples->setText(QString::number(cAudioConverter1->SampleRate()));
        // The caption reads "Bitrate": the stream's bit rate in kbit/s.
        lblBitrate->setText(QString::number(cAudioConverter1->BitRate()));
        lblChannels->setText(cAudioConverter1->Channels() == 1 ? QStringLiteral("MONO")
                                                               : QStringLiteral("STEREO"));
    }
    lblPath->setText(core::GetParentFolder(file));

    cAudioConverter1->CloseSource();
    cAudioConverter1->Close();

    dtStartAfter->setValue(QTime(0, 0, 0));
    dtUntil->setValue(TimeOfDay(CellText(m_grid.SelectedRow(), itemlists::COL_TIME)));
}

void frmItem::SetIDvTags() {
    const qint32 row = l_lGridRowNum;
    txtTagArtist->setText(CellText(row, itemlists::COL_TAG_ARTIST));
    txtTagSong->setText(CellText(row, itemlists::COL_TAG_TITLE));
    txtTagAlbum->setText(CellText(row, itemlists::COL_TAG_ALBUM));
    txtTagGenre->setText(CellText(row, itemlists::COL_TAG_GEN));
    txtTagTrack->setText(CellText(row, itemlists::COL_TAG_TRACK));
    txtTagYear->setText(CellText(row, itemlists::COL_TAG_YEAR));
    // The comment's lines end in CR LF in the row and the list file.
    QString comment = CellText(row, itemlists::COL_TAG_COMMENT);
    txtTagComment->setPlainText(comment.replace(QLatin1String("\r\n"), QLatin1String("\n")));
}

void frmItem::GetRangeOptions() {
    if (CellText(lItem, itemlists::COL_RANGE_ALL) == QLatin1String("1")) ptnAllFile->setChecked(true);

    const QString start = CellText(lItem, itemlists::COL_RANGE_START_TIME);
    if (start.isEmpty()) return;
    ptnConvertByTime->setChecked(true);
    double s = 0;
    if (!itemlists::CellNumber(start, &s)) return;
    dtStartAfter->setValue(TimeOfDay(core::SecondsToTime(itemlists::RoundHalfEven(s))));
    double length = 0;
    if (!itemlists::CellNumber(CellText(lItem, itemlists::COL_RANGE_LENGTH_TIME), &length)) return;
    dtUntil->setValue(TimeOfDay(core::SecondsToTime(itemlists::RoundHalfEven(s + length))));
}

void frmItem::EnableRangeControls() {
    QWidget* const controls[] = {dtStartAfter, dtUntil, cmdGoTSoStart, cmdGoToEnd, Label20, Label21};
    for (QWidget* w : controls)
        w->setEnabled(false);
    if (ptnConvertByTime->isChecked())
        for (QWidget* w : controls)
            w->setEnabled(true);
}

void frmItem::HideTabPages() {
    TabInfo->setVisible(false);
    TabRange->setVisible(false);
    TabTags->setVisible(false);
}

void frmItem::cTabControl1_TabClick(int /*lTab*/) {
    HideTabPages();
    const QString key = cTabControl1->TabKey(cTabControl1->SelectedTab());
    if (key == QLatin1String("Item Information"))
        TabInfo->setVisible(true);
    else if (key == QLatin1String("Range"))
        TabRange->setVisible(true);
    else if (key == QLatin1String("ID3 Tags"))
        TabTags->setVisible(true);
}

void frmItem::ClampToTotalTime(cDateTimePick* picker) {
    const QTime total = TimeOfDay(lblTotalTime->text());
    if (total.isValid() && picker->Value() > total) picker->setValue(total);
}

void frmItem::dtStartAfter_Change() {
    ClampToTotalTime(dtStartAfter);
}

void frmItem::dtUntil_Change() {
    ClampToTotalTime(dtUntil);
}

void frmItem::cmdGoTSoStart_Click() {
    dtStartAfter->setValue(QTime(0, 0, 0));
}

void frmItem::cmdGoToEnd_Click() {
    dtUntil->setValue(TimeOfDay(lblTotalTime->text()));
}

qint32 frmItem::ApplyItemChanges() {
    const QString name = txtItemName->text().trimmed();
    txtItemName->setText(name);
    if (name.isEmpty()) {
        ShowMessage(this, QStringLiteral("Empty Item Name.") + QString(42, QLatin1Char(' ')));
        txtItemName->setFocus();
        return -1;
    }
    if (!core::IsLegalFileName(name)) {
        ShowMessage(this, QStringLiteral("Illegal Item Name.") + QString(42, QLatin1Char(' ')));
        txtItemName->setFocus();
        int key = '?';
        dialogs::FilterNameKeyPress(txtItemName, key); // its balloon lists the refused characters
        return -1;
    }
    const bool byTime = ptnConvertByTime->isChecked();
    qint64 s = 0;
    qint64 u = 0;
    if (byTime) {
        s = SecondsOfDay(dtStartAfter->Value());
        u = SecondsOfDay(dtUntil->Value());
        if (s >= u) {
            ShowMessage(this,
                        QStringLiteral("'Start after' field is more or an equel to the 'Until' field.") +
                            QString(9, QLatin1Char(' ')));
            return 1;
        }
    }

    const qint32 row = l_lGridRowNum;
    // Tags the user changed are his from now on: reading the list again keeps
    // them instead of taking the source file's.
    const QString comment = txtTagComment->toPlainText().replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    const bool tagsChanged = CellText(row, itemlists::COL_TAG_ARTIST) != txtTagArtist->text() ||
                             CellText(row, itemlists::COL_TAG_TITLE) != txtTagSong->text() ||
                             CellText(row, itemlists::COL_TAG_ALBUM) != txtTagAlbum->text() ||
                             CellText(row, itemlists::COL_TAG_GEN) != txtTagGenre->text() ||
                             CellText(row, itemlists::COL_TAG_TRACK) != txtTagTrack->text() ||
                             CellText(row, itemlists::COL_TAG_YEAR) != txtTagYear->text() ||
                             CellText(row, itemlists::COL_TAG_COMMENT) != comment;
    SetCellText(row, itemlists::COL_ITEM_NAME, name);
    if (byTime) {
        SetCellText(lItem, itemlists::COL_RANGE_ALL, QStringLiteral("0"));
        SetCellText(lItem, itemlists::COL_RANGE_START_TIME, QString::number(s));
        SetCellText(lItem, itemlists::COL_RANGE_LENGTH_TIME, QString::number(u - s));
        SetCellText(lItem, itemlists::COL_RANGE, itemlists::FormatRangeText(s, u - s));
    } else {
        SetCellText(lItem, itemlists::COL_RANGE_ALL, QStringLiteral("1"));
        SetCellText(lItem, itemlists::COL_RANGE_START_TIME, QString());
        SetCellText(lItem, itemlists::COL_RANGE_LENGTH_TIME, QString());
        SetCellText(lItem, itemlists::COL_RANGE, itemlists::kRangeAllText);
    }
    SetCellText(row, itemlists::COL_TAG_ARTIST, txtTagArtist->text());
    SetCellText(row, itemlists::COL_TAG_TITLE, txtTagSong->text());
    SetCellText(row, itemlists::COL_TAG_ALBUM, txtTagAlbum->text());
    SetCellText(row, itemlists::COL_TAG_GEN, txtTagGenre->text());
    SetCellText(row, itemlists::COL_TAG_TRACK, txtTagTrack->text());
    SetCellText(row, itemlists::COL_TAG_YEAR, txtTagYear->text());
    SetCellText(row, itemlists::COL_TAG_COMMENT, comment);
    if (tagsChanged) listviews::SetRowTagsEdited(m_grid, row, true);

    if (m_lists) m_lists->SaveGridToFile();
    return 0;
}

void frmItem::cmdOK_Click() {
    if (ApplyItemChanges() == 0) accept();
}

void frmItem::cmdApply_Click() {
    ApplyItemChanges();
}

void frmItem::cmdExit_Click() {
    reject();
}

void frmItem::cmdBack_Click() {
    ShowItem(l_lGridRowNum - 1);
}

void frmItem::cmdNext_Click() {
    ShowItem(l_lGridRowNum + 1);
}

void frmItem::lblFileName_Click() {
    core::ShellOpen(this, CellText(m_grid.SelectedRow(), itemlists::COL_FILE));
}

void frmItem::lblPath_Click() {
    core::ShellOpen(this, lblPath->text());
}

void frmItem::lblDefaultID3Tags_Click() {
    frmOptions* options = frmOptions::instance();
    if (!options) return;
    cTreeViewNode node = options->cTreeView1->Nodes().Item(QStringLiteral("ID3 Tags"));
    node.setSelected(true);
    options->cTreeView1_NodeClick(node);
    options->exec();
}

void frmItem::lblID3TagParameters_Click() {
    if (ShowID3TagParameters) ShowID3TagParameters(this);
}

namespace listviews {

frmItem* LoadItemProperties(cGrid& cGrid1, ItemsTree& lists, cImageList* imgMenu, QWidget* owner) {
    if (g_frmItem) g_frmItem->deleteLater();
    g_frmItem = new frmItem(cGrid1, lists, imgMenu, owner); // let go by cGrid1_DblClick after it closes
    g_frmItem->Form_Load();
    return g_frmItem;
}

void cGrid1_DblClick(cGrid& cGrid1, qint32 lRow, ItemsTree& lists, cImageList* imgMenu, QWidget* owner) {
    const qint32 typeCol = cGrid1.ColumnIndex(COL_TYPE);
    if (typeCol > 0 && cGrid1.CellIcon(lRow, typeCol) == ICON_DATA) {
        core::services().msgBox(owner,
                                QStringLiteral("Cannot edit a data track.") + QString(36, QLatin1Char(' ')),
                                core::vbInformation, core::g_sProductName);
        return;
    }
    // The window shows the selected row; without one there is nothing to edit.
    if (cGrid1.SelectedRow() < 1 || cGrid1.SelectedRow() > cGrid1.Rows()) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    frmItem* window = LoadItemProperties(cGrid1, lists, imgMenu, owner);
    QApplication::restoreOverrideCursor();
    window->exec();
    window->deleteLater();
}

} // namespace listviews
