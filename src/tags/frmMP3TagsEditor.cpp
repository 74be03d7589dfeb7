#include "tags/frmMP3TagsEditor.h"

#include "controls/cTabControl.h"
#include "core/Services.h"
#include "core/mdlModes.h"
#include "dialogs/WindowChrome.h"
#include "dialogs/mdlCommDialog.h"
#include "dialogs/mdlOnTop.h"
#include "id3/TagError.h"

#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <limits>

namespace tags {
QPointer<frmMP3TagsEditor> g_frmMP3TagsEditor;
}

namespace {

template <class W> W* Named(W* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QFrame* NewPage(QWidget* parent, const char* name) {
    auto* page = Named(new QFrame(parent), name);
    page->setAutoFillBackground(true);
    return page;
}

} // namespace

frmMP3TagsEditor::frmMP3TagsEditor(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("frmMP3TagsEditor"));
    setWindowTitle(QStringLiteral("MP3 Tags Editor"));
    setAttribute(Qt::WA_DeleteOnClose);

    picTitle = Named(new QFrame(this), "picTitle");
    picTitle->setAutoFillBackground(true);
    picTitle->setFixedHeight(30);
    lblTitleMain = Named(new QLabel(QStringLiteral("MP3 Tags Editor"), picTitle), "lblTitleMain");
    QFont titleFont = lblTitleMain->font();
    titleFont.setBold(true);
    lblTitleMain->setFont(titleFont);
    auto* titleLayout = new QHBoxLayout(picTitle);
    titleLayout->setContentsMargins(8, 0, 8, 0);
    titleLayout->addWidget(lblTitleMain);

    lblSourceFIle = Named(new QLabel(QStringLiteral("Source File:"), this), "lblSourceFIle");
    sSourceFile = Named(new QPlainTextEdit(this), "sSourceFile");
    sSourceFile->setReadOnly(true); // only "..." fills it
    sSourceFile->setFixedHeight(44);
    cmdSelectFile = Named(new QPushButton(QStringLiteral("..."), this), "cmdSelectFile");
    Label1 = Named(new QLabel(QStringLiteral("Version:"), this), "Label1");
    cboID3 = Named(new QComboBox(this), "cboID3");
    cboID3->setEditable(false);

    cTabControl1 = Named(new cTabControl(this), "cTabControl1");
    QWidget* area = cTabControl1->ClientArea();
    froGeneral = NewPage(area, "froGeneral");
    froAdvanced = NewPage(area, "froAdvanced");
    froLyric = NewPage(area, "froLyric");
    auto* pages = new QGridLayout(area);
    pages->setContentsMargins(0, 0, 0, 0);
    for (QFrame* page : {froGeneral, froAdvanced, froLyric})
        pages->addWidget(page, 0, 0);

    auto* general = new QGridLayout(froGeneral);
    auto line = [](QGridLayout* grid, QWidget* page, const QString& caption, QWidget* field,
                   int colSpan = 3) {
        const int row = grid->rowCount();
        grid->addWidget(new QLabel(caption, page), row, 0, Qt::AlignTop);
        grid->addWidget(field, row, 1, 1, colSpan);
        return row;
    };
    txtArtist = Named(new QLineEdit(froGeneral), "txtArtist");
    txtTitle = Named(new QLineEdit(froGeneral), "txtTitle");
    txtAlbum = Named(new QLineEdit(froGeneral), "txtAlbum");
    txtYear = Named(new QLineEdit(froGeneral), "txtYear");
    txtTrackNum = Named(new QLineEdit(froGeneral), "txtTrackNum");
    cboGenre = Named(new QComboBox(froGeneral), "cboGenre");
    cboGenre->setEditable(true);
    cboGenre->setInsertPolicy(QComboBox::NoInsert);
    txtDescription = Named(new QPlainTextEdit(froGeneral), "txtDescription");
    // The tags set no limit; the ID3v1 widths apply only when that tag is written.
    txtDescription->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    line(general, froGeneral, QStringLiteral("Artist"), txtArtist);
    line(general, froGeneral, QStringLiteral("Title"), txtTitle);
    line(general, froGeneral, QStringLiteral("Album"), txtAlbum);
    const int yearRow = line(general, froGeneral, QStringLiteral("Year"), txtYear, 1);
    general->addWidget(new QLabel(QStringLiteral("Track Number"), froGeneral), yearRow, 2);
    general->addWidget(txtTrackNum, yearRow, 3);
    line(general, froGeneral, QStringLiteral("Genre"), cboGenre);
    line(general, froGeneral, QStringLiteral("Comment"), txtDescription);

    auto* advanced = new QGridLayout(froAdvanced);
    txtOriginalArtist = Named(new QLineEdit(froAdvanced), "txtOriginalArtist");
    txtURL = Named(new QLineEdit(froAdvanced), "txtURL");
    txtEncodedBy = Named(new QLineEdit(froAdvanced), "txtEncodedBy");
    txtCopyright = Named(new QLineEdit(froAdvanced), "txtCopyright");
    line(advanced, froAdvanced, QStringLiteral("Original Artist"), txtOriginalArtist, 1);
    line(advanced, froAdvanced, QStringLiteral("URL"), txtURL, 1);
    line(advanced, froAdvanced, QStringLiteral("Encoded By"), txtEncodedBy, 1);
    line(advanced, froAdvanced, QStringLiteral("Copyright"), txtCopyright, 1);
    advanced->setRowStretch(advanced->rowCount(), 1);

    auto* lyric = new QVBoxLayout(froLyric);
    lyric->addWidget(new QLabel(QStringLiteral("Lyrics"), froLyric));
    txtLyric = Named(new QPlainTextEdit(froLyric), "txtLyric");
    txtLyric->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    lyric->addWidget(txtLyric);
    for (QLineEdit* box : {txtArtist, txtTitle, txtAlbum, txtYear, txtTrackNum, txtOriginalArtist, txtURL,
                           txtEncodedBy, txtCopyright})
        box->setMaxLength(std::numeric_limits<int>::max());

    cmdApply = Named(new QPushButton(QStringLiteral("Apply"), this), "cmdApply");
    cmdApply->setEnabled(false);
    cmdClose = Named(new QPushButton(QStringLiteral("Close"), this), "cmdClose");

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 8);
    layout->addWidget(picTitle);
    auto* body = new QGridLayout;
    body->setContentsMargins(8, 4, 8, 0);
    body->addWidget(lblSourceFIle, 0, 0, Qt::AlignTop);
    body->addWidget(sSourceFile, 0, 1);
    body->addWidget(cmdSelectFile, 0, 2, Qt::AlignTop);
    body->addWidget(Label1, 1, 0);
    body->addWidget(cboID3, 1, 1, 1, 2);
    layout->addLayout(body);
    auto* tabs = new QHBoxLayout;
    tabs->setContentsMargins(8, 0, 8, 0);
    tabs->addWidget(cTabControl1);
    layout->addLayout(tabs, 1);
    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(8, 0, 8, 0);
    buttons->addStretch(1);
    buttons->addWidget(cmdApply);
    buttons->addWidget(cmdClose);
    layout->addLayout(buttons);
    // The design size, grown to what the pages and the button row ask for
    // with the fonts of this desktop, so that nothing starts cut off.
    resize(QSize(480, 460).expandedTo(sizeHint()));

    connect(cboID3, &QComboBox::currentIndexChanged, this, &frmMP3TagsEditor::cboID3_Click);
    connect(cmdSelectFile, &QPushButton::clicked, this, &frmMP3TagsEditor::cmdSelectFile_Click);
    connect(cmdApply, &QPushButton::clicked, this, &frmMP3TagsEditor::cmdApply_Click);
    connect(cmdClose, &QPushButton::clicked, this, &frmMP3TagsEditor::cmdClose_Click);
    connect(cTabControl1, &cTabControl::TabClick, this, &frmMP3TagsEditor::cTabControl1_TabClick);
}

frmMP3TagsEditor::~frmMP3TagsEditor() = default;

void frmMP3TagsEditor::Form_Load() {
    dialogs::chrome::SetIcon(this, QStringLiteral("text_align_left"));
    dialogs::chrome::ApplyTitleStrip(picTitle, {lblTitleMain});
    dialogs::chrome::ApplyView({this, froGeneral, froAdvanced, froLyric}, picTitle);

    cboID3->blockSignals(true);
    cboID3->clear();
    cboID3->addItems({QStringLiteral("ID3 v1"), QStringLiteral("ID3 v2"), QStringLiteral("ID3 v1+v2")});
    cboID3->setCurrentIndex(-1);
    cboID3->blockSignals(false);
    cboID3->setCurrentIndex(2); // runs cboID3_Click; the path box is still empty

    cboGenre->clear();
    cboGenre->addItem(QString(), 255);
    for (int i = 0; i <= 255; ++i)
        if (!g_cID3v1.GenreName(quint8(i)).isEmpty()) cboGenre->addItem(g_cID3v2.GenreName(quint8(i)), i);
    cboGenre->setCurrentIndex(0);

    froAdvanced->setVisible(false);
    froLyric->setVisible(false);
    froGeneral->setVisible(true);
    // Now with its tabs, which the size taken when it was built left out; a
    // window not yet shown keeps its layouts' old measures until asked again.
    layout()->invalidate();
    layout()->activate();
    resize(size().expandedTo(sizeHint()));
}

void frmMP3TagsEditor::cboID3_Click() {
    g_bReadV1 = g_bReadV2 = g_bWriteV1 = g_bWriteV2 = false;
    cTabControl1->Reset();
    const int index = cboID3->currentIndex();
    QStringList keys{QStringLiteral("General")};
    if (index == 0) {
        g_bWriteV1 = g_bReadV1 = true;
    } else if (index == 1 || index == 2) {
        g_bWriteV2 = g_bReadV2 = true;
        if (index == 2) g_bWriteV1 = g_bReadV1 = true;
        keys << QStringLiteral("Advanced") << QStringLiteral("Lyrics");
    }
    for (const QString& key : keys)
        cTabControl1->AddTab(key, -1, 1, key);
    cTabControl1_TabClick(1);
    const QString path = sSourceFile->toPlainText();
    if (!path.isEmpty()) LoadFileTags(path);
}

void frmMP3TagsEditor::cTabControl1_TabClick(int lTab) {
    Q_UNUSED(lTab);
    froGeneral->setVisible(false);
    froAdvanced->setVisible(false);
    froLyric->setVisible(false);
    const QString key = cTabControl1->TabKey(cTabControl1->SelectedTab());
    if (key == QLatin1String("General"))
        froGeneral->setVisible(true);
    else if (key == QLatin1String("Advanced"))
        froAdvanced->setVisible(true);
    else if (key == QLatin1String("Lyrics"))
        froLyric->setVisible(true);
}

void frmMP3TagsEditor::cmdSelectFile_Click() {
    dialogs::g_tOpenFileName.lpstrFilter =
        QStringLiteral("MP3 Audio Files (*.mp3)") + QChar(0) + QStringLiteral("*.mp3") + QChar(0);
    dialogs::g_tOpenFileName.lpstrTitle = QStringLiteral("Open MP3 audio file");
    const dialogs::tFileDialogResult r = dialogs::ShowOpenDialog(this, dialogs::kCentreOnOwner);
    if (r.bCancelled) return;
    // Several names bring no element 0: the box keeps what it held.
    if (!r.sFiles.value(0).isEmpty()) sSourceFile->setPlainText(r.sFiles.value(0));
    cmdApply->setEnabled(true);
    LoadFileTags(sSourceFile->toPlainText());
}

void frmMP3TagsEditor::LoadFileTags(const QString& sPath) {
    for (QLineEdit* box : {txtArtist, txtTitle, txtAlbum, txtYear, txtTrackNum, txtOriginalArtist,
                           txtCopyright, txtEncodedBy, txtURL})
        box->clear();
    txtDescription->clear();
    txtLyric->clear();
    cboGenre->setCurrentIndex(0);
    cboGenre->setEditText(QString());
    m_bGenreFromV2 = false;
    m_v2Loaded.clear();

    // A tag that cannot be read leaves its fields as they are: the objects reset before they open the file.
    if (g_bReadV1) {
        try {
            g_cID3v1.setMP3File(sPath);
        } catch (const id3::TagError&) {
        }
        txtArtist->setText(g_cID3v1.Artist());
        txtTitle->setText(g_cID3v1.Title());
        txtAlbum->setText(g_cID3v1.Album());
        const QString genre = g_cID3v1.GenreName(g_cID3v1.Genre());
        if (genre.isEmpty())
            cboGenre->setCurrentIndex(0);
        else
            cboGenre->setEditText(genre);
        txtYear->setText(g_cID3v1.Year());
        txtDescription->setPlainText(g_cID3v1.Comment());
    }
    if (g_bReadV2) {
        try {
            g_cID3v2.setMP3File(sPath);
        } catch (const id3::TagError&) {
        }
        auto put = [this](QLineEdit* box, const QString& value) {
            if (value.isEmpty()) return;
            box->setText(value);
            m_v2Loaded.insert(box, box->text());
        };
        put(txtArtist, g_cID3v2.Artist());
        put(txtTitle, g_cID3v2.Title());
        put(txtAlbum, g_cID3v2.Album());
        // A genre of free text (no code) is shown as it stands.
        QString genre = g_cID3v2.GenreName(g_cID3v2.Genre());
        if (genre.isEmpty() && g_cID3v2.Genre() == 255) genre = g_cID3v2.OtherGenreName();
        if (!genre.isEmpty()) {
            cboGenre->setEditText(genre);
            m_bGenreFromV2 = true;
        }
        put(txtYear, g_cID3v2.Year());
        if (!g_cID3v2.Comment().isEmpty()) {
            txtDescription->setPlainText(g_cID3v2.Comment());
            m_v2Loaded.insert(txtDescription, txtDescription->toPlainText());
        }
        put(txtTrackNum, g_cID3v2.Track());
        put(txtOriginalArtist, g_cID3v2.OriginalArtist());
        if (!g_cID3v2.Lyrics().isEmpty()) {
            txtLyric->setPlainText(g_cID3v2.Lyrics());
            m_v2Loaded.insert(txtLyric, txtLyric->toPlainText());
        }
        put(txtCopyright, g_cID3v2.Copyright());
        put(txtEncodedBy, g_cID3v2.EncodedBy());
        put(txtURL, g_cID3v2.LinkTo());
    }
    m_sLoadedGenre = cboGenre->currentText();
}

bool frmMP3TagsEditor::EditedSinceLoad(QWidget* box, const QString& now) const {
    const auto it = m_v2Loaded.constFind(box);
    return it == m_v2Loaded.constEnd() || *it != now;
}

int frmMP3TagsEditor::MatchGenre() {
    const QString text = cboGenre->currentText();
    if (text.isEmpty()) return 0;
    for (int i = 0; i < cboGenre->count(); ++i)
        if (cboGenre->itemText(i) == text) return i;
    for (int i = 0; i < cboGenre->count(); ++i)
        if (cboGenre->itemText(i).contains(text, Qt::CaseSensitive)) return i;
    return 0;
}

void frmMP3TagsEditor::cmdApply_Click() {
    const QString typed = cboGenre->currentText();
    const bool genreTouched = typed != m_sLoadedGenre;
    const int entry = MatchGenre();
    // A genre of free text that the user left alone is written back as it is.
    const bool keepFreeText = !genreTouched && entry == 0 && !typed.isEmpty();
    if (!keepFreeText) {
        cboGenre->setCurrentIndex(entry);
        cboGenre->setEditText(cboGenre->itemText(entry));
    }
    const quint8 code = quint8(cboGenre->itemData(entry).toInt());

    try {
        if (g_bWriteV1) {
            g_cID3v1.setArtist(txtArtist->text());
            g_cID3v1.setTitle(txtTitle->text());
            g_cID3v1.setAlbum(txtAlbum->text());
            g_cID3v1.setYear(txtYear->text());
            g_cID3v1.setComment(txtDescription->toPlainText());
            if (!keepFreeText) g_cID3v1.setGenre(code);
        }
        if (g_bWriteV2) {
            // Each value goes in unless its box still shows what the tag held
            // (a multi-line box may have changed its line ends on showing it).
            auto set = [this](QWidget* box, const QString& now,
                              void (id3::cMP3ID3v2::*setter)(const QString&)) {
                if (EditedSinceLoad(box, now)) (g_cID3v2.*setter)(now);
            };
            set(txtArtist, txtArtist->text(), &id3::cMP3ID3v2::setArtist);
            set(txtTitle, txtTitle->text(), &id3::cMP3ID3v2::setTitle);
            set(txtAlbum, txtAlbum->text(), &id3::cMP3ID3v2::setAlbum);
            set(txtYear, txtYear->text(), &id3::cMP3ID3v2::setYear);
            set(txtDescription, txtDescription->toPlainText(), &id3::cMP3ID3v2::setComment);
            if (genreTouched || !m_bGenreFromV2) {
                g_cID3v2.setGenre(code);
                g_cID3v2.setOtherGenreName(cboGenre->currentText());
            }
            set(txtTrackNum, txtTrackNum->text(), &id3::cMP3ID3v2::setTrack);
            set(txtOriginalArtist, txtOriginalArtist->text(), &id3::cMP3ID3v2::setOriginalArtist);
            set(txtCopyright, txtCopyright->text(), &id3::cMP3ID3v2::setCopyright);
            set(txtEncodedBy, txtEncodedBy->text(), &id3::cMP3ID3v2::setEncodedBy);
            set(txtURL, txtURL->text(), &id3::cMP3ID3v2::setLinkTo);
            set(txtLyric, txtLyric->toPlainText(), &id3::cMP3ID3v2::setLyrics);
        }
        // Both tags are checked before either is written, so a refusal leaves the file as it was.
        if (g_bWriteV1) g_cID3v1.CheckUpdate();
        if (g_bWriteV2) g_cID3v2.CheckUpdate();
        if (g_bWriteV1) g_cID3v1.Update();
        if (g_bWriteV2) g_cID3v2.Update();
    } catch (const id3::TagError& e) {
        ShowInfo(e.Description + QLatin1Char('(') + QString::number(e.Number) + QLatin1Char(')'));
        return;
    }
    m_sLoadedGenre = cboGenre->currentText();
    m_bGenreFromV2 = m_bGenreFromV2 || g_bWriteV2;
    if (g_bWriteV2) {
        // The tag now holds what the boxes show.
        m_v2Loaded.clear();
        for (QLineEdit* box : {txtArtist, txtTitle, txtAlbum, txtYear, txtTrackNum, txtOriginalArtist,
                               txtCopyright, txtEncodedBy, txtURL})
            m_v2Loaded.insert(box, box->text());
        m_v2Loaded.insert(txtDescription, txtDescription->toPlainText());
        m_v2Loaded.insert(txtLyric, txtLyric->toPlainText());
    }
    QString done = QStringLiteral("Done.");
    // A version 2.2 tag is written as version 2.3; what has no place there is named.
    if (g_bWriteV2 && !g_cID3v2.DroppedFrames().isEmpty())
        done += QStringLiteral("\n\nThe ID3v2.2 frames %1 have no ID3v2.3 id and were left out.")
                    .arg(g_cID3v2.DroppedFrames().join(QStringLiteral(", ")));
    ShowInfo(done);
}

void frmMP3TagsEditor::cmdClose_Click() {
    close();
}

void frmMP3TagsEditor::ShowInfo(const QString& text) {
    core::services().msgBox(this, text, core::vbInformation,
                            core::g_sProductName + QLatin1Char(' ') + core::g_sProductVersion);
}

namespace tags {

frmMP3TagsEditor* ShowMP3TagsEditor(const QString& path) {
    frmMP3TagsEditor* window = dialogs::chrome::ShowOnDemand<frmMP3TagsEditor>(g_frmMP3TagsEditor, [] {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        auto* created = new frmMP3TagsEditor(); // no owner; deletes itself when closed
        created->Form_Load();
        QApplication::restoreOverrideCursor();
        return created;
    });
    if (!path.isEmpty()) {
        window->sSourceFile->setPlainText(path);
        window->cmdApply->setEnabled(true);
        window->LoadFileTags(path);
    }
    return window;
}

void OpenMP3TagsEditor(const toolframe::ToolLaunch& launch) {
    if (launch.owner && launch.owner->windowFlags().testFlag(Qt::WindowStaysOnTopHint))
        dialogs::SetWindowOnTop(launch.owner, false);
    ShowMP3TagsEditor();
}

} // namespace tags
