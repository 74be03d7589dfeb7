// The MP3 Tags Editor: shows and edits the ID3v1 and ID3v2 tags of one MP3
// file on three pages and writes them on Apply. Modeless; it touches nothing
// but the chosen file.
#pragma once

#include "id3/cMP3ID3v1.h"
#include "id3/cMP3ID3v2.h"
#include "toolframe/ToolLaunch.h"

#include <QHash>
#include <QPointer>
#include <QWidget>

class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class cTabControl;

class frmMP3TagsEditor : public QWidget {
    Q_OBJECT
public:
    explicit frmMP3TagsEditor(QWidget* parent = nullptr);
    ~frmMP3TagsEditor() override;

    // Theme, version choice, genre list, pages.
    void Form_Load();
    // Fills the fields from the file: ID3v1 first, then every non-empty ID3v2 value.
    void LoadFileTags(const QString& sPath);

    QFrame* picTitle = nullptr;
    QLabel* lblTitleMain = nullptr;
    QLabel* lblSourceFIle = nullptr;
    QPlainTextEdit* sSourceFile = nullptr;
    QPushButton* cmdSelectFile = nullptr;
    QLabel* Label1 = nullptr;
    QComboBox* cboID3 = nullptr;
    cTabControl* cTabControl1 = nullptr;
    QFrame* froGeneral = nullptr;
    QFrame* froAdvanced = nullptr;
    QFrame* froLyric = nullptr;
    QPushButton* cmdApply = nullptr;
    QPushButton* cmdClose = nullptr;

    QLineEdit* txtArtist = nullptr;
    QLineEdit* txtTitle = nullptr;
    QLineEdit* txtAlbum = nullptr;
    QLineEdit* txtYear = nullptr;
    QLineEdit* txtTrackNum = nullptr;
    QComboBox* cboGenre = nullptr;
    QPlainTextEdit* txtDescription = nullptr;
    QLineEdit* txtOriginalArtist = nullptr;
    QLineEdit* txtURL = nullptr;
    QLineEdit* txtEncodedBy = nullptr;
    QLineEdit* txtCopyright = nullptr;
    QPlainTextEdit* txtLyric = nullptr;

    bool g_bReadV1 = false, g_bReadV2 = false, g_bWriteV1 = false, g_bWriteV2 = false;

public slots:
    void cboID3_Click();
    void cmdSelectFile_Click();
    void cmdApply_Click();
    void cmdClose_Click();
    void cTabControl1_TabClick(int lTab);

private:
    // Selects the genre entry for the box's text as Apply does; its index.
    int MatchGenre();
    void ShowInfo(const QString& text);

    id3::cMP3ID3v1 g_cID3v1;
    id3::cMP3ID3v2 g_cID3v2;
    // The genre text as loaded and whether it came from the ID3v2 tag: an
    // untouched genre is written back as it was.
    QString m_sLoadedGenre;
    bool m_bGenreFromV2 = false;
    // The text of each box that shows an ID3v2 value, as loaded: a box the
    // user left alone leaves its frame's bytes as they are.
    QHash<QWidget*, QString> m_v2Loaded;
    bool EditedSinceLoad(QWidget* box, const QString& now) const;
};

namespace tags {

// The open editor, or null.
extern QPointer<frmMP3TagsEditor> g_frmMP3TagsEditor;

// What the main window's "MP3 Tags Editor" command does: loads the editor
// (or takes the open one) and shows it modeless with no owner; with a path,
// the editor opens that file as if it had been chosen with "...".
frmMP3TagsEditor* ShowMP3TagsEditor(const QString& path = QString());
// The command's open function: the main window leaves the topmost level
// first, so that the editor is not hidden behind it.
void OpenMP3TagsEditor(const toolframe::ToolLaunch& launch);

} // namespace tags
