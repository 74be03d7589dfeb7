// The tree of items lists and audio CDs: building it from the lists folder
// and the drives, loading the clicked node, new, rename and remove of lists,
// the list summary and opening a folder.
#include "LinkStubs.h"
#include "ListWindowsFixture.h"
#include "TestEnv.h"
#include "components/cAudioCDRipper.h"
#include "controls/cBalloonTip.h"
#include "controls/cGrid.h"
#include "controls/cTreeView.h"
#include "core/Services.h"
#include "core/mdlFunctions.h"
#include "core/mdlModes.h"
#include "itemlists/TreeKeys.h"
#include "listviews/ItemsGrid.h"
#include "listviews/ItemsTree.h"
#include "settings/SettingsVariables.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QtTest>

using namespace itemlists;
using namespace listwindows;
using namespace listviews;

namespace {

QStringList childTexts(const cTreeViewNode& node) {
    QStringList out;
    const cTreeViewNodes ch = node.Children();
    for (int i = 1; i <= ch.Count(); ++i)
        out << ch.Item(i).Text();
    return out;
}

using testsupport::folderEntries;

} // namespace

class tst_tree : public QObject {
    Q_OBJECT

    std::unique_ptr<testsupport::TestEnv> m_env;
    std::unique_ptr<QWidget> m_owner;
    cTreeView* m_tree = nullptr;
    cGrid* m_grid = nullptr;
    std::unique_ptr<ItemsTree> m_lists;
    QHash<QString, QString> m_panels;
    QString m_listName;
    QList<bool> m_polling;
    QString m_dir;

    testsupport::ScriptedServices& svc() { return m_env->services(); }

    // Builds the tree over a fresh window (the virtual drives must exist first).
    void build() {
        m_lists.reset();
        m_owner = std::make_unique<QWidget>();
        m_tree = new cTreeView(m_owner.get());
        m_grid = new cGrid(m_owner.get());
        InitGridColumns(*m_grid, nullptr);
        m_lists = std::make_unique<ItemsTree>(*m_tree, *m_grid, m_owner.get());
        MainWindowLink& l = m_lists->link();
        l.PanelText = [this](const QString& k, const QString& t) { m_panels[k] = t; };
        l.SetListName = [this](const QString& t) { m_listName = t; };
        l.SetCDPolling = [this](bool on) { m_polling << on; };
        testsupport::StubMissingLinks(l);
        connect(m_tree, &cTreeView::NodeClick, m_lists.get(), &ItemsTree::cTreeView1_NodeClick);
        connect(m_tree, &cTreeView::AfterLabelEdit, m_lists.get(), &ItemsTree::cTreeView1_AfterLabelEdit,
                Qt::DirectConnection);
        m_lists->setTree();
    }

    QString listPath(const QString& name) const { return m_dir + name + ".flst"; }
    cTreeViewNode listNode(const QString& name) const { return m_tree->Nodes().Item(listPath(name)); }
    void click(const cTreeViewNode& n) { m_lists->cTreeView1_NodeClick(n); }
    // A label editor is open on some node.
    bool editing() const {
        for (QTreeWidgetItemIterator it(m_tree); *it; ++it)
            if (m_tree->indexWidget(m_tree->indexFromItem(*it))) return true;
        return false;
    }

private slots:
    void init() {
        m_env = std::make_unique<testsupport::TestEnv>();
        m_dir = m_env->home() + "/Main/";
        settings::g_sItemsListDir = m_dir;
        settings::g_bCopyID3FromSource = false;
        settings::g_bSelectTheLastItem = false;
        core::g_lAppIncItemsLists = 1;
        core::g_lAppIncCDRipper = 1;
        m_panels.clear();
        m_listName.clear();
        m_polling.clear();
    }
    void cleanup() {
        m_lists.reset();
        m_owner.reset();
        m_env.reset();
    }

    void emptyProgramFolderGivesFirstListAndOneNodePerDrive() {
        m_env->addVirtualDrive("one");
        m_env->addVirtualDrive("two");
        build();

        QCOMPARE(m_tree->topLevelItemCount(), 2);
        const cTreeViewNode items = g_cItemsListsNode;
        QCOMPARE(items.Key(), "##MAINITEMS" + m_dir);
        QCOMPARE(items.Text(), QString("Items Lists"));
        QCOMPARE(items.Image(), 17);
        QCOMPARE(childTexts(items), QStringList{"New Items List 1"});
        const cTreeViewNode list = items.Children().Item(1);
        QCOMPARE(list.Key(), m_dir + "New Items List 1.flst");
        QCOMPARE(list.Image(), 42);
        QCOMPARE(list.SelectedImage(), 43);
        QVERIFY(items.ChildrenOption());
        QCOMPARE(QFileInfo(list.Key()).size(), 0);
        QCOMPARE(folderEntries(m_dir), QStringList{"New Items List 1.flst"});

        const cTreeViewNode cds = g_cAudioCDsNode;
        QCOMPARE(cds.Key(), QString("##MAINCDSAudio CDs"));
        QCOMPARE(cds.Text(), QString("Audio CDs"));
        QCOMPARE(cds.Image(), 71);
        QVERIFY(cds.Expanded());
        components::cAudioCDRipper ripper;
        QCOMPARE(ripper.DeviceCount(), 2);
        QCOMPARE(cds.Children().Count(), 2);
        for (int i = 0; i < 2; ++i) {
            const cTreeViewNode drive = cds.Children().Item(i + 1);
            QCOMPARE(drive.Key(), "##CD" + ripper.DeviceName(i));
            QCOMPARE(drive.Text(), ripper.DeviceName(i).left(2));
            QCOMPARE(drive.Image(), 25);
        }
        QCOMPARE(cds.Children().Item(1).Text(), QString("D:"));
        QCOMPARE(cds.Children().Item(2).Text(), QString("E:"));
    }

    // Which files are lists, and when a first list is made. Other files are never touched.
    void listsAreTheFlstFiles_data() {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QStringList>("nodes");
        QTest::newRow("missing folder") << QStringList{} << QStringList{"New Items List 1"};
        QTest::newRow("dots dropped, bak ignored")
            << QStringList{"a.b.flst", "Notes.txt", "old.flst.bak"} << QStringList{"ab"};
        QTest::newRow("only other files")
            << QStringList{"Notes.txt", "old.flst.bak"} << QStringList{"New Items List 1"};
        QTest::newRow("upper-case extension is no list")
            << QStringList{"X.FLST"} << QStringList{"New Items List 1"};
        QTest::newRow("sorted by name")
            << QStringList{"zeta.flst", "Alpha.flst", "mid.flst"} << QStringList{"Alpha", "mid", "zeta"};
        QTest::newRow("hidden file and folder are no lists")
            << QStringList{".hidden.flst", "dir.flst/", "b.flst"} << QStringList{"b"};
        QTest::newRow("first free number")
            << QStringList{"New Items List 1.flst/", "x.txt"} << QStringList{"New Items List 2"};
    }
    void listsAreTheFlstFiles() {
        QFETCH(QStringList, files);
        QFETCH(QStringList, nodes);
        QHash<QString, QByteArray> before;
        for (const QString& f : files) {
            if (f.endsWith('/')) {
                QVERIFY(QDir().mkpath(m_dir + f));
                continue;
            }
            QVERIFY(QDir().mkpath(m_dir));
            const QByteArray content = "content of " + f.toUtf8() + "\r\n";
            QVERIFY(writeAll(m_dir + f, content));
            before[f] = content;
        }
        build();
        QCOMPARE(childTexts(g_cItemsListsNode), nodes);
        // Click every list and save it back: only real lists may change.
        const cTreeViewNodes ch = g_cItemsListsNode.Children();
        for (int i = 1; i <= ch.Count(); ++i) {
            click(ch.Item(i));
            m_lists->SaveGridToFile();
        }
        for (auto it = before.cbegin(); it != before.cend(); ++it)
            if (!IsItemsListFileName(it.key()) || it.key().startsWith('.'))
                QCOMPARE(readAll(m_dir + it.key()), it.value());
    }

    void rootsFollowTheEditionSwitches_data() {
        QTest::addColumn<int>("items");
        QTest::addColumn<int>("cds");
        QTest::addColumn<QStringList>("roots");
        QTest::newRow("both") << 1 << 1 << QStringList{"Items Lists", "Audio CDs"};
        QTest::newRow("no ripper") << 1 << 0 << QStringList{"Items Lists"};
        QTest::newRow("no lists") << 0 << 1 << QStringList{"Audio CDs"};
        QTest::newRow("neither") << 0 << 0 << QStringList{};
    }
    void rootsFollowTheEditionSwitches() {
        QFETCH(int, items);
        QFETCH(int, cds);
        core::g_lAppIncItemsLists = items;
        core::g_lAppIncCDRipper = cds;
        build();
        QFETCH(QStringList, roots);
        QStringList shown;
        for (int i = 0; i < m_tree->topLevelItemCount(); ++i)
            shown << m_tree->topLevelItem(i)->text(0);
        QCOMPARE(shown, roots);
        QCOMPARE(g_cItemsListsNode.isNull(), items != 1);
        QCOMPARE(g_cAudioCDsNode.isNull(), cds != 1);
        // With no drive the CD root has no children and is still expanded.
        if (cds == 1) {
            QCOMPARE(g_cAudioCDsNode.Children().Count(), 0);
            QVERIFY(g_cAudioCDsNode.Expanded());
        }
    }

    void clickingNodesLoadsListsAndHandsDrivesToTheLoader() {
        m_env->addVirtualDrive("cd");
        QVERIFY(QDir().mkpath(m_dir));
        const QString wav = m_env->path("audio/two.wav");
        QVERIFY(writeAll(wav, silentWav(2)));
        QVERIFY(writeAll(listPath("Songs"),
                         (record("two", wav) + record("gone", "/no/such.wav") + "\r\n").toUtf8()));
        QVERIFY(writeAll(listPath("Empty"), "\r\n"));
        build();

        click(listNode("Songs"));
        QCOMPARE(m_tree->SelectedItem(), listNode("Songs"));
        QCOMPARE(m_listName, QString("Songs"));
        QCOMPARE(m_grid->Rows(), 1);
        QCOMPARE(m_grid->CellText(1, m_grid->ColumnIndex(COL_ITEM_NAME)), QString("two"));
        QCOMPARE(m_panels.value("Main"), QString("Ready."));
        QVERIFY2(m_panels.value("Items List Properties").startsWith("1 Items, "),
                 qPrintable(m_panels.value("Items List Properties")));
        // The record whose file is away is counted, not hidden without a word.
        QVERIFY(m_panels.value("Items List Properties")
                    .endsWith(", 00:00:02 (1 item not shown: its file is missing or unreadable)"));
        QCOMPARE(m_polling, QList<bool>{false});

        // Saving keeps the record whose file is away.
        m_lists->SaveGridToFile();
        QVERIFY(readAll(listPath("Songs")).contains("/no/such.wav"));

        click(listNode("Empty"));
        QCOMPARE(m_grid->Rows(), 0);
        QCOMPARE(m_panels.value("Items List Properties"), QString("0 Items, 0 KB, 00:00:00"));

        click(listNode("Songs"));
        QCOMPARE(m_grid->Rows(), 1);
        // A root empties the grid; the caption and the selection stay.
        click(g_cItemsListsNode);
        QCOMPARE(m_grid->Rows(), 0);
        QCOMPARE(m_listName, QString("Songs"));

        // A CD node goes to the audio-CD loader with its drive, polling on.
        click(listNode("Songs"));
        QStringList loaded;
        m_polling.clear();
        const cTreeViewNode drive = g_cAudioCDsNode.Children().Item(1);
        click(drive); // no loader yet: an empty grid, not the list
        QCOMPARE(m_grid->Rows(), 0);
        QCOMPARE(m_polling, (QList<bool>{false, true}));
        m_lists->link().LoadAudioCD = [&](const QString& d) { loaded << d; };
        click(drive);
        QCOMPARE(loaded, QStringList{"D:"});
        QCOMPARE(m_listName, QString("D:"));
        QCOMPARE(m_tree->SelectedItem(), drive);
        // Saving under a CD node writes no file.
        const QByteArray songs = readAll(listPath("Songs"));
        m_lists->SaveGridToFile();
        QCOMPARE(readAll(listPath("Songs")), songs);

        // While a list is read (progress shown) clicks are refused.
        m_lists->link().IsProgressVisible = [] { return true; };
        click(listNode("Songs"));
        QCOMPARE(m_tree->SelectedItem(), drive);
    }

    void newListIsCreatedSelectedAndOpenForItsName() {
        build();
        const cTreeViewNode first = g_cItemsListsNode.Children().Item(1);
        click(first);
        m_lists->NewItemsListCommand();
        const QString path = m_dir + "New Items List 2.flst";
        QVERIFY(QFileInfo(path).isFile());
        QCOMPARE(QFileInfo(path).size(), 0);
        const cTreeViewNode node = m_tree->Nodes().Item(path);
        QVERIFY(!node.isNull());
        QCOMPARE(node.Parent(), g_cItemsListsNode);
        QCOMPARE(node.Text(), QString("New Items List 2"));
        QCOMPARE(node.Image(), 42);
        QCOMPARE(m_tree->SelectedItem(), node);
        QCOMPARE(m_listName, QString("New Items List 2"));
        QVERIFY(m_tree->LabelEdit());
        QVERIFY(editing());

        // The typed name renames the new file.
        QVERIFY(m_tree->EndLabelEdit(node, "Party"));
        QVERIFY(!QFileInfo::exists(path));
        QVERIFY(QFileInfo(listPath("Party")).isFile());
        QCOMPARE(node.Key(), listPath("Party"));
        QCOMPARE(node.Text(), QString("Party"));
        QCOMPARE(m_listName, QString("Party"));

        // Nothing happens on a root or a CD node.
        g_cItemsListsNode.setSelected(true);
        click(g_cItemsListsNode);
        m_lists->NewItemsListCommand();
        QCOMPARE(g_cItemsListsNode.Children().Count(), 2);
    }

    void renameChecksTheName_data() {
        QTest::addColumn<QString>("newText");
        QTest::addColumn<bool>("taken");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("balloon");
        QTest::addColumn<QStringList>("files");
        const QStringList untouched{"Other.flst", "abc.flst"};
        QTest::newRow("new name") << "Road Trip" << true << "" << false
                                  << QStringList{"Other.flst", "Road Trip.flst"};
        QTest::newRow("unchanged") << "abc" << true << "" << false << untouched;
        QTest::newRow("empty") << "" << false << "" << false << untouched;
        QTest::newRow("case only") << "ABC" << false
                                   << "The Items List 'ABC' already exists. Please select a different name."
                                   << false << untouched;
        QTest::newRow("other list")
            << "Other" << false << "The Items List 'Other' already exists. Please select a different name."
            << false << untouched;
        for (const char* bad : {"a/b", "a\\b", "a:b", "why?", "st*r", "<x", "x>", "p|q", "say \"hi\""})
            QTest::newRow(qPrintable(QString("illegal ") + bad)) << bad << false << "" << true << untouched;
    }
    void renameChecksTheName() {
        QFETCH(QString, newText);
        QVERIFY(QDir().mkpath(m_dir));
        QVERIFY(writeAll(listPath("abc"), "\r\n"));
        QVERIFY(writeAll(listPath("Other"), "\r\n"));
        build();
        const cTreeViewNode node = listNode("abc");
        click(node);
        closeBalloons();

        QFETCH(bool, taken);
        QFETCH(QStringList, files);
        QFETCH(QString, message);
        QFETCH(bool, balloon);
        QCOMPARE(m_tree->EndLabelEdit(node, newText), taken);
        QCOMPARE(folderEntries(m_dir), files);
        if (message.isEmpty()) {
            QCOMPARE(svc().messages.size(), 0);
        } else {
            QCOMPARE(svc().messages.size(), 1);
            QCOMPARE(svc().messages[0].prompt, message);
            QCOMPARE(svc().messages[0].style, int(core::vbInformation));
        }
        if (balloon) {
            QTRY_COMPARE(shownBalloonText(), core::kIllegalNameBalloonText);
        }
        if (!taken) {
            // Refused: the edit opens again on the old text and the key is the old file's.
            QCOMPARE(node.Text(), QString("abc"));
            QCOMPARE(node.Key(), listPath("abc"));
            if (newText != "abc") QTRY_VERIFY(editing());
        } else if (newText != "abc") {
            QCOMPARE(node.Key(), listPath(newText));
            QCOMPARE(m_tree->SelectedItem(), node);
        }
    }

    void labelEditorRefusesIllegalKeys() {
        build();
        const cTreeViewNode node = g_cItemsListsNode.Children().Item(1);
        click(node);
        m_tree->setLabelEdit(true);
        m_owner->show();
        cTreeViewNode(node).StartLabelEdit();
        QLineEdit* edit = nullptr;
        QTRY_VERIFY((edit = m_tree->viewport()->findChild<QLineEdit*>()) != nullptr);
        edit->selectAll();
        QTest::keyClicks(edit, "a/b:c");
        QCOMPARE(edit->text(), QString("abc"));
        QTRY_COMPARE(shownBalloonText(), core::kIllegalNameBalloonText);
    }

    void renameOfACDNodeOnlyChangesItsText() {
        m_env->addVirtualDrive("cd");
        build();
        const cTreeViewNode drive = g_cAudioCDsNode.Children().Item(1);
        const QString key = drive.Key();
        QVERIFY(m_tree->EndLabelEdit(drive, "My Disc / Live"));
        QCOMPARE(drive.Text(), QString("My Disc / Live"));
        QCOMPARE(drive.Key(), key);
        QCOMPARE(svc().messages.size(), 0);
        // The roots are never renamed.
        QVERIFY(!m_tree->EndLabelEdit(g_cItemsListsNode, "Lists"));
        QCOMPARE(g_cItemsListsNode.Text(), QString("Items Lists"));
    }

    void removeAsksOnlyForListsWithItems() {
        QVERIFY(QDir().mkpath(m_dir));
        const QString wav = m_env->path("audio/one.wav");
        QVERIFY(writeAll(wav, silentWav(1)));
        QVERIFY(writeAll(listPath("A"), (record("one", wav) + "\r\n").toUtf8()));
        QVERIFY(writeAll(listPath("B"), ""));
        QVERIFY(writeAll(listPath("C"), "\r\n"));
        QVERIFY(writeAll(m_dir + "keep.flst.bak", "backup"));
        build();

        // An empty list goes without a question; the last list is loaded.
        click(listNode("B"));
        m_lists->RemoveItemsListCommand();
        QCOMPARE(svc().messages.size(), 0);
        QVERIFY(!QFileInfo::exists(listPath("B")));
        QCOMPARE(childTexts(g_cItemsListsNode), (QStringList{"A", "C"}));
        QCOMPARE(m_tree->SelectedItem(), listNode("C"));

        // A list with items asks; No keeps it.
        click(listNode("A"));
        svc().msgBoxAnswers.enqueue(core::vbNo);
        m_lists->RemoveItemsListCommand();
        QCOMPARE(svc().messages.size(), 1);
        QCOMPARE(svc().messages[0].prompt,
                 QString("This operation will erase all the items under the 'A.flst', are you sure?"));
        QCOMPARE(svc().messages[0].style, int(core::vbYesNo | core::vbInformation));
        QVERIFY(QFileInfo::exists(listPath("A")));
        QCOMPARE(m_grid->Rows(), 1);

        svc().msgBoxAnswers.enqueue(core::vbYes);
        m_lists->RemoveItemsListCommand();
        QVERIFY(!QFileInfo::exists(listPath("A")));
        QCOMPARE(childTexts(g_cItemsListsNode), QStringList{"C"});
        QCOMPARE(m_tree->SelectedItem(), listNode("C"));
        QCOMPARE(m_grid->Rows(), 0);

        // The last list stays.
        m_lists->RemoveItemsListCommand();
        QVERIFY(QFileInfo::exists(listPath("C")));
        QCOMPARE(g_cItemsListsNode.Children().Count(), 1);
        QCOMPARE(readAll(m_dir + "keep.flst.bak"), QByteArray("backup"));

        // Roots are never removed.
        g_cItemsListsNode.setSelected(true);
        click(g_cItemsListsNode);
        m_lists->RemoveItemsListCommand();
        QVERIFY(!g_cItemsListsNode.isNull());
    }

    void addFilesOnACDNodeIsRefused() {
        m_env->addVirtualDrive("cd");
        build();
        click(g_cAudioCDsNode.Children().Item(1));
        m_lists->AddFilesCommand();
        QCOMPARE(svc().messages.size(), 1);
        QCOMPARE(svc().messages[0].prompt,
                 "Adding new items to the Audio CD List is not possible." + QString(20, ' '));
        QCOMPARE(svc().openRequests.size(), 0);
    }

    void openDestFolderOffersToCreateAMissingFolder() {
        build();
        const QString missing = m_env->root() + "/out/deep";
        const QString prompt = "The folder " + missing + "/ does not exist." + QString(44, ' ') +
                               "\r\n\r\nWould you like to create it?";

        svc().msgBoxAnswers.enqueue(core::vbNo);
        m_lists->OpenDestFolder(missing);
        QCOMPARE(svc().messages.size(), 1);
        QCOMPARE(svc().messages[0].prompt, prompt);
        QVERIFY(!QFileInfo::exists(missing));
        QCOMPARE(svc().openedUrls.size(), 0);

        svc().msgBoxAnswers.enqueue(core::vbYes);
        m_lists->OpenDestFolder(missing);
        QVERIFY(QFileInfo(missing).isDir());
        QCOMPARE(svc().openedUrls, QList<QUrl>{QUrl::fromLocalFile(missing + "/")});

        // A list's key opens the lists folder, without a question.
        svc().messages.clear();
        svc().openedUrls.clear();
        m_lists->OpenDestFolder(g_cItemsListsNode.Children().Item(1).Key());
        m_lists->OpenDestFolder(g_cItemsListsNode.Key());
        QCOMPARE(svc().messages.size(), 0);
        QCOMPARE(svc().openedUrls, (QList<QUrl>{QUrl::fromLocalFile(m_dir), QUrl::fromLocalFile(m_dir)}));
    }
};

QTEST_MAIN(tst_tree)
#include "tst_tree.moc"
