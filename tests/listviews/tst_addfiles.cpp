// Adding files to an items list: from the open dialog and by dropping, what
// is skipped, refused and added, the rows, the saved list, Cancel, and that
// the window's progress moves while the GUI keeps running.
#include "LinkStubs.h"
#include "MediaTools.h"
#include "TestEnv.h"
#include "components/cAudioConverter.h"
#include "controls/cGrid.h"
#include "controls/cProgressBar.h"
#include "controls/cTreeView.h"
#include "core/Services.h"
#include "core/mdlFileSystem.h"
#include "core/mdlFileTime.h"
#include "core/mdlModes.h"
#include "listviews/ItemsGrid.h"
#include "listviews/ItemsTree.h"
#include "listviews/frmStat.h"
#include "settings/SettingsVariables.h"

#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

using namespace itemlists;
using namespace listviews;

namespace {

bool writeAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

QStringList column(cGrid& g, const QString& key) {
    QStringList out;
    for (int r = 1; r <= g.Rows(); ++r)
        out << g.CellText(r, g.ColumnIndex(key));
    return out;
}

} // namespace

class tst_addfiles : public QObject {
    Q_OBJECT

    QTemporaryDir m_fixtures;
    QString m_wav, m_mp3, m_ogg, m_textMp3, m_textNoExt, m_textTxt, m_empty, m_ape, m_hidden;

    std::unique_ptr<testsupport::TestEnv> m_env;
    std::unique_ptr<QWidget> m_owner;
    cTreeView* m_tree = nullptr;
    cGrid* m_grid = nullptr;
    std::unique_ptr<ItemsTree> m_lists;
    QHash<QString, QString> m_panels;
    QList<bool> m_emptyPanel;
    QString m_list;

    testsupport::ScriptedServices& svc() { return m_env->services(); }

    static bool ffmpeg(const QStringList& args) { return testsupport::runFfmpeg(args); }
    static double ffprobeSeconds(const QString& file) { return testsupport::ffprobeSeconds(file); }
    static QStringList sine(double seconds) { return testsupport::sineInput(seconds); }
    static QString hms(double seconds) {
        const qint64 s = RoundHalfEven(seconds);
        return QString("%1:%2:%3")
            .arg(s / 3600, 2, 10, QChar('0'))
            .arg(s / 60 % 60, 2, 10, QChar('0'))
            .arg(s % 60, 2, 10, QChar('0'));
    }

    void selectList() { m_lists->cTreeView1_NodeClick(m_tree->Nodes().Item(m_list)); }

    // Every cell of every row, texts and icons.
    static QStringList cells(cGrid& g) {
        QStringList out;
        for (int r = 1; r <= g.Rows(); ++r)
            for (int c = 1; c <= g.Columns(); ++c)
                out << QString("%1/%2:%3#%4")
                           .arg(r)
                           .arg(g.ColumnKey(c), g.CellText(r, c))
                           .arg(g.CellIcon(r, c));
        return out;
    }

private slots:
    void initTestCase() {
        QVERIFY(m_fixtures.isValid());
        const QString d = m_fixtures.path();
        m_wav = d + "/tone.wav";
        m_mp3 = d + "/song.MP3";
        m_ogg = d + "/tagged.ogg";
        QVERIFY(ffmpeg(sine(3) + QStringList{"-ar", "44100", "-metadata", "title=Wav Title", m_wav}));
        QVERIFY(ffmpeg(sine(5) + QStringList{"-metadata",
                                             "title=Mp3 Title",
                                             "-metadata",
                                             "artist=Mp3 Artist",
                                             "-metadata",
                                             "album=Mp3 Album",
                                             "-metadata",
                                             "date=2001",
                                             "-metadata",
                                             "track=7",
                                             "-metadata",
                                             "genre=Rock",
                                             "-metadata",
                                             "comment=Tone",
                                             "-c:a",
                                             "libmp3lame",
                                             "-id3v2_version",
                                             "3",
                                             "-f",
                                             "mp3",
                                             m_mp3}));
        QVERIFY(ffmpeg(sine(2) + QStringList{"-metadata", "title=Ogg Title", "-metadata", "artist=Ogg Artist",
                                             "-metadata", "album=Ogg Album", "-metadata", "tracknumber=2",
                                             "-c:a", "libvorbis", m_ogg}));
        m_textMp3 = d + "/notes.mp3";
        QVERIFY(writeAll(m_textMp3, "these are notes, not audio\n"));
        m_textNoExt = d + "/README";
        QVERIFY(writeAll(m_textNoExt, "no extension and no audio either\n"));
        m_textTxt = d + "/notes.txt";
        QVERIFY(writeAll(m_textTxt, "a text file\n"));
        m_empty = d + "/empty.mp3";
        QVERIFY(writeAll(m_empty, ""));
        m_ape = d + "/track.ape";
        QVERIFY(QFile::copy(m_wav, m_ape));
        m_hidden = d + "/.hidden.mp3";
        QVERIFY(QFile::copy(m_mp3, m_hidden));
    }

    void init() {
        m_env = std::make_unique<testsupport::TestEnv>();
        settings::g_sItemsListDir = m_env->home() + "/Main/";
        settings::g_bCopyID3FromSource = true;
        settings::g_bSelectTheLastItem = false;
        core::g_lAppIncItemsLists = 1;
        core::g_lAppIncCDRipper = 1;
        m_env->addVirtualDrive("cd");
        m_panels.clear();
        m_emptyPanel.clear();

        m_owner = std::make_unique<QWidget>();
        m_tree = new cTreeView(m_owner.get());
        m_grid = new cGrid(m_owner.get());
        InitGridColumns(*m_grid, nullptr);
        m_lists = std::make_unique<ItemsTree>(*m_tree, *m_grid, m_owner.get());
        m_lists->link().PanelText = [this](const QString& k, const QString& t) { m_panels[k] = t; };
        m_lists->link().EmptyPanel = [this](bool show, const QString&) { m_emptyPanel << show; };
        testsupport::StubMissingLinks(m_lists->link());
        m_lists->setTree();
        m_list = settings::g_sItemsListDir + "New Items List 1.flst";
        selectList();
        m_emptyPanel.clear();
        m_panels.clear();
    }
    void cleanup() {
        frmStat::Unload();
        m_lists.reset();
        m_owner.reset();
        m_env.reset();
    }

    void addFilesFromTheDialogAppendsMarkedRowsAndSaves() {
        // Two of the three audio files in one call, the third and the text files in a second.
        svc().openAnswers.enqueue({m_wav, m_mp3});
        m_lists->AddFilesCommand();
        QCOMPARE(m_grid->Rows(), 2);
        svc().openAnswers.enqueue({m_ogg, m_textMp3, m_textNoExt, m_textTxt, m_empty, m_ape, m_hidden});
        m_lists->AddFilesCommand();

        QCOMPARE(svc().openRequests.size(), 2);
        QCOMPARE(svc().openRequests[0].title, QString("Add audio files"));
        QVERIFY(svc().openRequests[0].multiSelect);
        QVERIFY(svc().openRequests[0].filter.contains("*.mp3"));

        // The texts that pass the extension test and the empty audio file are
        // refused with a message that says why; the rest pass silently.
        QCOMPARE(svc().messages.size(), 3);
        const QString title = core::g_sProductName + " " + core::g_sProductVersion;
        QCOMPARE(svc().messages[0].prompt, "Cannot add " + m_textMp3 + "\r\n\r\nIt is not an audio file.");
        QCOMPARE(svc().messages[1].prompt, "Cannot add " + m_textNoExt + "\r\n\r\nIt is not an audio file.");
        QCOMPARE(svc().messages[2].prompt, "Cannot add " + m_empty + "\r\n\r\nIt is empty (0 bytes).");
        for (const auto& m : svc().messages) {
            QCOMPARE(m.style, int(core::vbInformation));
            QCOMPARE(m.title, title);
        }

        cGrid& g = *m_grid;
        const QStringList files{m_wav, m_mp3, m_ogg};
        QCOMPARE(g.Rows(), 3);
        QCOMPARE(column(g, COL_FILE), files);
        QCOMPARE(column(g, COL_ITEM_NAME), (QStringList{"tone.wav", "song.MP3", "tagged.ogg"}));
        for (int r = 1; r <= 3; ++r) {
            const QString f = files[r - 1];
            QCOMPARE(g.CellIcon(r, g.ColumnIndex(COL_INC)), ICON_MARKED);
            QCOMPARE(g.CellIcon(r, g.ColumnIndex(COL_TYPE)), ICON_AUDIO);
            QCOMPARE(g.CellText(r, g.ColumnIndex(COL_TIME)), hms(ffprobeSeconds(f)));
            const qint64 size = QFileInfo(f).size();
            QCOMPARE(g.CellText(r, g.ColumnIndex(COL_SIZE)), core::FormatFileSize(size));
            QCOMPARE(g.CellText(r, g.ColumnIndex(COL_BYTES_SIZE)), QString::number(size));
            const QDateTime created = core::GetFileCreatedDate(f);
            QVERIFY(created.isValid() && created != core::ZeroDate());
            QCOMPARE(g.CellText(r, g.ColumnIndex(COL_CREATED)), cGrid::ValueText(created));
            QCOMPARE(g.CellText(r, g.ColumnIndex(COL_RANGE)), QString("All"));
            QCOMPARE(g.CellText(r, g.ColumnIndex(COL_RANGE_ALL)), QString("1"));
            QCOMPARE(g.CellText(r, g.ColumnIndex(COL_RANGE_START_TIME)), QString());
        }
        QCOMPARE(column(g, COL_TAG_TITLE), (QStringList{"Wav Title", "Mp3 Title", "Ogg Title"}));
        QCOMPARE(column(g, COL_TAG_ARTIST), (QStringList{"", "Mp3 Artist", "Ogg Artist"}));
        QCOMPARE(column(g, COL_TAG_ALBUM), (QStringList{"", "Mp3 Album", "Ogg Album"}));
        QCOMPARE(g.CellText(2, g.ColumnIndex(COL_TAG_YEAR)), QString("2001"));
        QCOMPARE(g.CellText(2, g.ColumnIndex(COL_TAG_TRACK)), QString("7"));
        QCOMPARE(g.CellText(2, g.ColumnIndex(COL_TAG_GEN)), QString("Rock"));
        QCOMPARE(g.CellText(2, g.ColumnIndex(COL_TAG_COMMENT)), QString("Tone"));
        QCOMPARE(g.CellText(3, g.ColumnIndex(COL_TAG_TRACK)), QString("2"));

        QCOMPARE(g.SelectedRow(), 1);
        QCOMPARE(g.SelectedCol(), 2);
        QVERIFY(g.Redraw());
        QCOMPARE(m_emptyPanel.last(), false);
        QCOMPARE(m_panels.value("Main"), QString("Ready."));
        QVERIFY2(m_panels.value("Items List Properties").startsWith("3 Items, "),
                 qPrintable(m_panels.value("Items List Properties")));
        QVERIFY(m_panels.value("Items List Properties").endsWith(", 00:00:10"));
        QVERIFY(g_frmStat == nullptr);

        // The list was saved: reading it back gives the same rows.
        const QByteArray saved = [&] {
            QFile f(m_list);
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        }();
        QCOMPARE(saved.count("<ITEM>"), 3);
        cGrid again;
        InitGridColumns(again, nullptr);
        components::cAudioConverter conv;
        ItemsListHolder holder;
        QCOMPARE(LoadItemsListToGrid(again, m_list, conv, holder, nullptr), 3);
        QCOMPARE(cells(again), cells(g));
        QCOMPARE(holder.KeptCount(), 0);
    }

    void tagsComeFromTheSettingsUnexpandedWhenNotCopied() {
        settings::g_bCopyID3FromSource = false;
        settings::g_bSelectTheLastItem = true;
        settings::g_sTagSong = "[SOURCE_NAME]";
        settings::g_sTagArtist = "Artist [YEAR]";
        settings::g_sTagAlbum = "";
        settings::g_sTagTrack = "[TRACK_NUM]";
        svc().openAnswers.enqueue({m_mp3, m_ogg});
        m_lists->AddFilesCommand();
        QCOMPARE(m_grid->Rows(), 2);
        QCOMPARE(column(*m_grid, COL_TAG_TITLE), (QStringList{"[SOURCE_NAME]", "[SOURCE_NAME]"}));
        QCOMPARE(column(*m_grid, COL_TAG_ARTIST), (QStringList{"Artist [YEAR]", "Artist [YEAR]"}));
        QCOMPARE(column(*m_grid, COL_TAG_ALBUM), (QStringList{"", ""}));
        QCOMPARE(column(*m_grid, COL_TAG_TRACK), (QStringList{"[TRACK_NUM]", "[TRACK_NUM]"}));
        QCOMPARE(m_grid->SelectedRow(), 2);
    }

    void tagsOfAFileDoNotCarryOverToTheNext() {
        // The wav has a title only; what the mp3 before it held must not show through.
        svc().openAnswers.enqueue({m_mp3, m_wav});
        m_lists->AddFilesCommand();
        QCOMPARE(m_grid->Rows(), 2);
        QCOMPARE(column(*m_grid, COL_TAG_TITLE), (QStringList{"Mp3 Title", "Wav Title"}));
        for (const QString& key :
             {COL_TAG_ARTIST, COL_TAG_ALBUM, COL_TAG_YEAR, COL_TAG_TRACK, COL_TAG_GEN, COL_TAG_COMMENT})
            QCOMPARE(m_grid->CellText(2, m_grid->ColumnIndex(key)), QString());
    }

    void rowsAreAppendedAfterExistingOnesDuplicatesIncluded() {
        svc().openAnswers.enqueue({m_mp3});
        m_lists->AddFilesCommand();
        const QStringList first = cells(*m_grid);
        m_grid->setCellText(1, m_grid->ColumnIndex(COL_TAG_TITLE), "edited");
        svc().openAnswers.enqueue({m_mp3, m_mp3});
        m_lists->AddFilesCommand();
        QCOMPARE(column(*m_grid, COL_FILE), (QStringList{m_mp3, m_mp3, m_mp3}));
        QCOMPARE(m_grid->CellText(1, m_grid->ColumnIndex(COL_TAG_TITLE)), QString("edited"));
        QCOMPARE(m_grid->CellText(3, m_grid->ColumnIndex(COL_TAG_TITLE)), QString("Mp3 Title"));
    }

    void cancelledDialogChangesNothing() {
        m_lists->AddFilesCommand(); // no answer queued: the dialog is cancelled
        QCOMPARE(svc().openRequests.size(), 1);
        QCOMPARE(m_grid->Rows(), 0);
        QCOMPARE(QFileInfo(m_list).size(), 0);
        QVERIFY(g_frmStat == nullptr);
        QCOMPARE(m_panels.value("Items List Properties"), QString());
    }

    void droppedFilesAreAddedTheSameWay() {
        const QString folder = m_fixtures.path() + "/folder.mp3";
        QVERIFY(QDir().mkpath(folder));
        m_lists->cGrid1_OLEDragDrop(
            {m_ogg, folder, m_hidden, m_empty, m_ape, m_textTxt, m_wav, "/no/such.mp3"});
        // Only the empty audio file is refused aloud; the others are not audio files to add.
        QCOMPARE(svc().messages.size(), 1);
        QCOMPARE(svc().messages[0].prompt, "Cannot add " + m_empty + "\r\n\r\nIt is empty (0 bytes).");
        QCOMPARE(column(*m_grid, COL_FILE), (QStringList{m_ogg, m_wav}));
        QCOMPARE(m_grid->CellIcon(1, m_grid->ColumnIndex(COL_INC)), ICON_MARKED);
        QCOMPARE(m_grid->CellText(1, m_grid->ColumnIndex(COL_TAG_TITLE)), QString("Ogg Title"));
        QFile f(m_list);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll().count("<ITEM>"), 2);
    }

    // Control characters in names: a tab or a bell is added and survives a
    // restart (the list keeps the path exactly); a line break or a carriage
    // return, which a list of lines cannot keep, is refused with a message
    // that names the file. The list file holds no broken path.
    void controlCharactersInNames() {
        const QString d = m_fixtures.path();
        const QStringList kept{d + "/tab\there.wav", d + "/bell\a.wav"};
        const QStringList refused{d + "/new\nline.wav", d + "/carriage\rreturn.wav"};
        for (const QString& p : kept + refused)
            QVERIFY(QFile::copy(m_wav, p));
        m_lists->cGrid1_OLEDragDrop({kept[0], refused[0], kept[1], refused[1]});
        QCOMPARE(column(*m_grid, COL_FILE), kept);
        const QString why = "\r\n\r\nIts name holds a line break, which an items list cannot keep.";
        QCOMPARE(svc().messages.size(), 2);
        QCOMPARE(svc().messages[0].prompt, "Cannot add " + d + QString::fromUtf8("/new\u240Aline.wav") + why);
        QCOMPARE(svc().messages[1].prompt,
                 "Cannot add " + d + QString::fromUtf8("/carriage\u240Dreturn.wav") + why);

        QFile f(m_list);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        QCOMPARE(bytes.count('\n'), 1);
        QCOMPARE(bytes.count('\r'), 1);
        QVERIFY(bytes.endsWith("\r\n"));
        for (const QString& p : kept)
            QVERIFY(bytes.contains(p.toUtf8()));
        // What a restart reads.
        cGrid again;
        InitGridColumns(again, nullptr);
        components::cAudioConverter conv;
        ItemsListHolder holder;
        QCOMPARE(LoadItemsListToGrid(again, m_list, conv, holder, nullptr), 2);
        QCOMPARE(column(again, COL_FILE), kept);
        QCOMPARE(holder.KeptCount(), 0);
    }

    void dropOnARootOrACDNodeIsIgnored_data() {
        QTest::addColumn<bool>("cdNode");
        QTest::newRow("items root") << false;
        QTest::newRow("cd drive") << true;
    }
    void dropOnARootOrACDNodeIsIgnored() {
        QFETCH(bool, cdNode);
        cTreeViewNode n = cdNode ? g_cAudioCDsNode.Children().Item(1) : g_cItemsListsNode;
        n.setSelected(true);
        m_lists->cTreeView1_NodeClick(n);
        m_lists->cGrid1_OLEDragDrop({m_mp3});
        QCOMPARE(m_grid->Rows(), 0);
        QCOMPARE(QFileInfo(m_list).size(), 0);
        QVERIFY(g_frmStat == nullptr);
    }

    void cancelStopsAfterTheFileInHand() {
        QStringList paths;
        for (int i = 0; i < 10; ++i)
            paths << m_mp3;
        // Cancel while the third file is being written to the grid.
        connect(m_grid->model(), &QAbstractItemModel::rowsInserted, this, [&] {
            if (m_grid->Rows() == 3 && g_frmStat) g_frmStat->cmdCancel->click();
        });
        svc().openAnswers.enqueue(paths);
        m_lists->AddFilesCommand();
        QCOMPARE(m_grid->Rows(), 3);
        // The third row is complete.
        QCOMPARE(m_grid->CellText(3, m_grid->ColumnIndex(COL_TAG_TRACK)), QString("7"));
        QFile f(m_list);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll().count("<ITEM>"), 3);
        QVERIFY(g_frmStat == nullptr);
    }

    // The probing runs off the GUI thread: while many files are added, a GUI
    // timer keeps firing and sees the window's progress move.
    void progressMovesWhileTheGuiKeepsRunning() {
        QStringList paths;
        for (int i = 0; i < 200; ++i) {
            const QString p = m_env->path(QString("many/%1.mp3").arg(i, 3, 10, QChar('0')));
            QVERIFY(QFile::copy(m_mp3, p));
            paths << p;
        }
        m_owner->show();
        frmStat* w = frmStat::Load(m_owner.get());
        QCOMPARE(w->windowTitle(), QString("Add Files"));
        QCOMPARE(w->lblStat->text(), QString("Adding"));
        QCOMPARE(w->cmdCancel->text(), QString("Cancel"));
        QSet<int> seen;
        int ticks = 0;
        bool visibleWhileAdding = true;
        QTimer timer;
        timer.setInterval(0);
        connect(&timer, &QTimer::timeout, this, [&] {
            if (!g_frmStat || !g_frmStat->IsAdding()) return;
            ++ticks;
            seen.insert(g_frmStat->cProgressBar1->Value());
            visibleWhileAdding = visibleWhileAdding && g_frmStat->isVisible();
        });
        timer.start();
        w->AddFilesToList(paths, *m_grid, m_owner.get(), false, m_lists->link());
        timer.stop();
        QCOMPARE(m_grid->Rows(), 200);
        QCOMPARE(w->cProgressBar1->Min(), 1);
        QCOMPARE(w->cProgressBar1->Max(), 201);
        QCOMPARE(w->cProgressBar1->Value(), 200);
        QCOMPARE(w->lblStat->text(), "Adding " + paths.last());
        QVERIFY(!w->isVisible());
        QVERIFY(visibleWhileAdding);
        QVERIFY2(ticks > 1 && seen.size() > 1,
                 qPrintable(QString("ticks %1, progress values seen %2").arg(ticks).arg(seen.size())));
        frmStat::Unload();
        QVERIFY(g_frmStat == nullptr);
        QCOMPARE(column(*m_grid, COL_FILE), paths);
    }

    void emptyCollectionOnlyMovesTheSelection() {
        QStringList none;
        frmStat::Load(m_owner.get())->AddFilesToList(none, *m_grid, m_owner.get(), false, m_lists->link());
        frmStat::Unload();
        QCOMPARE(m_grid->Rows(), 0);
        QCOMPARE(m_emptyPanel, QList<bool>{true});
    }
};

QTEST_MAIN(tst_addfiles)
#include "tst_addfiles.moc"
