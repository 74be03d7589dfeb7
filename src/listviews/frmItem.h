// The Item Properties window: one row of the main grid, its name in the list,
// the range the tools process and the tags they write, with facts about its
// file; steps through the rows and saves the list on apply. Modal.
#pragma once

#include <QDialog>
#include <QPointer>

#include <functional>
#include <memory>

class QFrame;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class cDateTimePick;
class cGrid;
class cImageList;
class cLinkLabel;
class cTabControl;

namespace components {
class cAudioConverter;
}

namespace listviews {
class ItemsTree;
}

class frmItem : public QDialog {
    Q_OBJECT
public:
    // Works on `cGrid1`, the main grid; `lists` saves the selected list;
    // `imgMenu` gives the tab pictures.
    frmItem(cGrid& cGrid1, listviews::ItemsTree& lists, cImageList* imgMenu, QWidget* parent = nullptr);
    ~frmItem() override;

    // Builds the pages and shows the grid's selected row.
    void Form_Load();

    // Shows another row (1..Rows): selects it in the grid and refills every page.
    void ShowItem(qint32 lRow);
    void GetFileInfo();
    void SetIDvTags();
    void GetRangeOptions();
    void EnableRangeControls();
    void HideTabPages();
    // Checks and writes the edits into the row, then saves the list: 0 applied,
    // -1 name refused, 1 range refused (nothing written then).
    qint32 ApplyItemChanges();

    // The row shown.
    qint32 CurrentRow() const { return l_lGridRowNum; }

    // "Parameters" of the tag page: shows the placeholder help at the ID3 tag
    // section. Set by the program; empty, the link does nothing.
    static std::function<void(QWidget* owner)> ShowID3TagParameters;

    QFrame* picTitle = nullptr;
    QLabel* lblTitle = nullptr;
    cTabControl* cTabControl1 = nullptr;
    QFrame* TabInfo = nullptr;
    QFrame* TabRange = nullptr;
    QFrame* TabTags = nullptr;

    QLineEdit* txtItemName = nullptr;
    cLinkLabel* lblFileName = nullptr;
    cLinkLabel* lblPath = nullptr;
    QLabel* lblTotalTime = nullptr;
    QLabel* lblTotalSize = nullptr;
    QLabel* lblCreated = nullptr;
    QLabel* lblFormat = nullptr;
    QLabel* lblSamples = nullptr;
    QLabel* lblBitrate = nullptr;
    QLabel* lblChannels = nullptr;

    QRadioButton* ptnAllFile = nullptr;
    QRadioButton* ptnConvertByTime = nullptr;
    QLabel* Label20 = nullptr;
    cDateTimePick* dtStartAfter = nullptr;
    QPushButton* cmdGoTSoStart = nullptr;
    QLabel* Label21 = nullptr;
    cDateTimePick* dtUntil = nullptr;
    QPushButton* cmdGoToEnd = nullptr;

    QLineEdit* txtTagArtist = nullptr;
    QLineEdit* txtTagSong = nullptr;
    QLineEdit* txtTagAlbum = nullptr;
    QLineEdit* txtTagGenre = nullptr;
    QLineEdit* txtTagTrack = nullptr;
    QLineEdit* txtTagYear = nullptr;
    QPlainTextEdit* txtTagComment = nullptr;
    cLinkLabel* lblDefaultID3Tags = nullptr;
    cLinkLabel* lblID3TagParameters = nullptr;

    QPushButton* cmdOK = nullptr;
    QPushButton* cmdApply = nullptr;
    QPushButton* cmdExit = nullptr;
    QPushButton* cmdBack = nullptr;
    QPushButton* cmdNext = nullptr;

public slots:
    void cTabControl1_TabClick(int lTab);
    void cmdOK_Click();
    void cmdApply_Click();
    void cmdExit_Click();
    void cmdBack_Click();
    void cmdNext_Click();
    void cmdGoTSoStart_Click();
    void cmdGoToEnd_Click();
    void dtStartAfter_Change();
    void dtUntil_Change();
    void lblFileName_Click();
    void lblPath_Click();
    void lblDefaultID3Tags_Click();
    void lblID3TagParameters_Click();

private:
    QString CellText(qint32 row, const QString& key) const;
    void SetCellText(qint32 row, const QString& key, const QString& text);
    void SetNavigationButtons();
    void ClampToTotalTime(cDateTimePick* picker);

    cGrid& m_grid;
    QPointer<listviews::ItemsTree> m_lists;
    QPointer<cImageList> m_imgMenu;
    std::unique_ptr<components::cAudioConverter> cAudioConverter1;
    qint32 l_lGridRowNum = 0;
    qint32 lItem = 0;
};

namespace listviews {

// The open window, or null.
extern QPointer<frmItem> g_frmItem;

// Loads the Item Properties window on the grid's selected row (not shown).
frmItem* LoadItemProperties(cGrid& cGrid1, ItemsTree& lists, cImageList* imgMenu, QWidget* owner);

// What a double click on row `lRow` of the main grid (and "Rename Item")
// does: a data track is refused with a message, any other row opens the
// Item Properties window on the grid's selected row, modally (nothing opens
// when no row is selected).
void cGrid1_DblClick(cGrid& cGrid1, qint32 lRow, ItemsTree& lists, cImageList* imgMenu, QWidget* owner);

} // namespace listviews
