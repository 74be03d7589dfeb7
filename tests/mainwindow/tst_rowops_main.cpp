#include "DiscImages.h"
#include "ListFixtures.h"
#include "TestEnv.h"
#include "controls/cGrid.h"
#include "controls/cPopupMenu.h"
#include "controls/cTreeView.h"
#include "core/mdlModes.h"
#include "itemlists/ItemRows.h"
#include "itemlists/ItemsListFile.h"
#include "itemlists/TreeKeys.h"
#include "listviews/ItemsGrid.h"
#include "listviews/ItemsTree.h"
#include "mainwindow/frmMain.h"
#include "settings/SettingsVariables.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QMenu>
#include <QPointer>
#include <QRegularExpression>
#include <QtEndian>
#include <QtTest>

namespace {

using testsupport::processDeletes;

// A silent stereo WAV the converter can open.
void writeWav(const QString& path) {
    QVERIFY(testsupport::writeSilentWav(path, 0.1));
}

// An items-list file naming the given audio files, every item marked.
void writeList(const QString& path, const QStringList& files) {
    QVERIFY(testsupport::writeMarkedList(path, files));
}

QByteArray readFile(const QString& path) {
    return testsupport::fileBytes(path);
}

// The item names of a list file, in file order, with their marks ("a*" marked).
QStringList fileItems(const QString& path) {
    QStringList out;
    const QString text = QString::fromUtf8(readFile(path));
    static const QRegularExpression re("<Inc>(\\d)</Inc>.*?<Item Name>([^<]*)</Item Name>");
    auto it = re.globalMatch(text);
    while (it.hasNext()) {
        const auto m = it.next();
        out << m.captured(2) + (m.captured(1) == "1" ? "*" : "");
    }
    return out;
}

// A main window on a list "Songs" of the named WAVs (a.wav ... by default),
// all marked; the list is selected and loaded.
struct World {
    explicit World(const QStringList& names = {"a", "b", "c", "d", "e"}, bool withMissing = false) {
        core::InitModes();
        settings::g_bAppExiting = false;
        settings::g_bDisplayMSGWhenExit = false;
        settings::g_bClearOnExit = false;
        settings::g_bDisplayMSGWhenErase = true;
        settings::g_sItemsListDir = env.home() + "/Main/";
        QDir().mkpath(settings::g_sItemsListDir);
        list = settings::g_sItemsListDir + "Songs.flst";
        QStringList files;
        for (const QString& n : names) {
            const QString wav = env.path("audio/" + n + ".wav");
            writeWav(wav);
            files << wav;
        }
        // A record whose file is gone sits after the second row.
        if (withMissing) files.insert(2, env.root() + "/gone.wav");
        writeList(list, files);
    }
    ~World() {
        if (main) main->close();
        settings::g_bAppExiting = true;
        processDeletes();
        settings::g_bAppExiting = false;
        settings::g_bDisplayMSGWhenErase = true;
        core::InitModes();
    }
    frmMain* load() {
        main = new frmMain;
        main->Form_Load();
        return main;
    }
    // Item names of the grid in row order, with their marks.
    QStringList gridItems() const {
        QStringList out;
        cGrid* g = main->cGrid1;
        const qint32 nameCol = g->ColumnIndex(itemlists::COL_ITEM_NAME);
        for (qint32 r = 1; r <= g->Rows(); ++r)
            out << g->CellText(r, nameCol) + (g->CellIcon(r, 1) == itemlists::ICON_MARKED ? "*" : "");
        return out;
    }
    void selectRows(const QList<qint32>& rows) {
        cGrid* g = main->cGrid1;
        g->setSelectedRow(rows.first());
        for (qint32 r : rows)
            g->selectionModel()->select(g->model()->index(r - 1, 0),
                                        QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }

    testsupport::TestEnv env;
    QPointer<frmMain> main;
    QString list;
};

} // namespace

class tst_rowops_main : public QObject {
    Q_OBJECT
private slots:
    // Rows of five; the selected row moves and the file follows; at the edges
    // nothing moves, and the list is still saved.
    void moveCommands_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("selected");
        QTest::addColumn<QStringList>("order");
        QTest::addColumn<int>("newSelected");
        QTest::newRow("up") << "Move Up" << 2 << QStringList{"b", "a", "c", "d", "e"} << 1;
        QTest::newRow("down") << "Move Down" << 2 << QStringList{"a", "c", "b", "d", "e"} << 3;
        // First and last swap with the selected row; the rows between stay.
        QTest::newRow("to first") << "Move To First" << 4 << QStringList{"d", "b", "c", "a", "e"} << 1;
        QTest::newRow("to last") << "Move To Last" << 2 << QStringList{"a", "e", "c", "d", "b"} << 5;
        QTest::newRow("up at first") << "Move Up" << 1 << QStringList{"a", "b", "c", "d", "e"} << 1;
        QTest::newRow("down at last") << "Move Down" << 5 << QStringList{"a", "b", "c", "d", "e"} << 5;
        QTest::newRow("first at first") << "Move To First" << 1 << QStringList{"a", "b", "c", "d", "e"} << 1;
        QTest::newRow("last at last") << "Move To Last" << 5 << QStringList{"a", "b", "c", "d", "e"} << 5;
    }
    void moveCommands() {
        QFETCH(QString, key);
        QFETCH(int, selected);
        QFETCH(QStringList, order);
        QFETCH(int, newSelected);
        World w;
        frmMain* main = w.load();
        QCOMPARE(main->cGrid1->Rows(), 5);
        // Unmark "a" so that the marks are seen to travel with the texts.
        main->cGrid1->setCellIcon(1, 1, itemlists::ICON_UNMARKED);
        const QByteArray before = readFile(w.list);
        main->cGrid1->setSelectedRow(selected);

        main->RunCommand(key);

        QStringList expected;
        for (const QString& n : order)
            expected << n + ".wav" + (n == "a" ? "" : "*");
        QCOMPARE(w.gridItems(), expected);
        QCOMPARE(main->cGrid1->SelectedRow(), newSelected);
        // The file always follows the grid: "a" unmarked shows the save at the edges too.
        QCOMPARE(fileItems(w.list), expected);
        QVERIFY(readFile(w.list) != before);
        if (newSelected != selected) {
            // Type icons stay audio on every row.
            for (qint32 r = 1; r <= 5; ++r)
                QCOMPARE(main->cGrid1->CellIcon(r, main->cGrid1->ColumnIndex(itemlists::COL_TYPE)),
                         itemlists::ICON_AUDIO);
        }
    }

    // A row whose tags were edited keeps that mark when it moves: the mark
    // travels with the tags, and the file says which record it belongs to.
    void tagEditMarkMovesWithTheRow() {
        World w;
        frmMain* main = w.load();
        QCOMPARE(main->cGrid1->Rows(), 5);
        listviews::SetRowTagsEdited(*main->cGrid1, 1, true);
        main->cGrid1->setSelectedRow(1);
        main->RunCommand("Move Down");
        QVERIFY(!listviews::RowTagsEdited(*main->cGrid1, 1));
        QVERIFY(listviews::RowTagsEdited(*main->cGrid1, 2));
        const QStringList records = itemlists::SplitRecords(itemlists::ReadListFile(w.list));
        QCOMPARE(records.size(), 5);
        QVERIFY(records[1].contains("<Item Name>a.wav</Item Name>"));
        QVERIFY(itemlists::ParseRecord(records[1]).tagsEdited);
        QVERIFY(!itemlists::ParseRecord(records[0]).tagsEdited);
    }

    void clickOnMarkCellTogglesAndSaves() {
        World w({"a", "b"});
        frmMain* main = w.load();
        cGrid* g = main->cGrid1;
        g->setSelectedRow(2);
        g->setSelectedCol(1);

        main->cGrid1_MouseUp(1, 0, 10, 5);
        QCOMPARE(w.gridItems(), (QStringList{"a.wav*", "b.wav"}));
        QCOMPARE(fileItems(w.list), (QStringList{"a.wav*", "b.wav"}));
        main->cGrid1_MouseUp(1, 0, 20, 5);
        QCOMPARE(fileItems(w.list), (QStringList{"a.wav*", "b.wav*"}));

        // Past the mark column (300 twips, 20 pixels) nothing happens: a click
        // on the item's name leaves its mark.
        const QByteArray saved = readFile(w.list);
        for (const double x : {20.5, 100.0, 299.0}) {
            main->cGrid1_MouseUp(1, 0, x, 5);
            QCOMPARE(w.gridItems(), (QStringList{"a.wav*", "b.wav*"}));
            QCOMPARE(readFile(w.list), saved);
        }

        // Another column only selects.
        g->setSelectedCol(3);
        main->cGrid1_MouseUp(1, 0, 10, 5);
        QCOMPARE(readFile(w.list), saved);

        // A data track keeps its mark.
        g->setSelectedCol(1);
        g->setCellIcon(2, g->ColumnIndex(itemlists::COL_TYPE), itemlists::ICON_DATA);
        main->cGrid1_MouseUp(1, 0, 10, 5);
        QCOMPARE(g->CellIcon(2, 1), itemlists::ICON_MARKED);
        QCOMPARE(readFile(w.list), saved);
    }

    void rightClickShowsItemsMenu() {
        World w({"a"});
        frmMain* main = w.load();
        const qint32 index = main->m_cMenu->IndexForKey("MarkUnmark All");
        QVERIFY(index > 0);
        main->cGrid1->setSelectedRow(1);
        main->cGrid1->setSelectedCol(1);
        const QByteArray before = readFile(w.list);

        main->cGrid1_MouseUp(2, 0, 10, 5);
        QMenu* shown = main->m_cMenu->LastShownMenu();
        QVERIFY(shown);
        QCOMPARE(shown, main->m_cMenu->SubMenu(main->m_cMenu->ItemParent(index)));
        shown->close();
        // The right click did not flip the mark.
        QCOMPARE(readFile(w.list), before);
    }

    void rightClickOnEmptyGridActsAsClick() {
        World w{QStringList{}};
        frmMain* main = w.load();
        QCOMPARE(main->cGrid1->Rows(), 0);
        main->cGrid1_MouseUp(2, 0, 10, 5);
        QVERIFY(!main->m_cMenu->LastShownMenu() || !main->m_cMenu->LastShownMenu()->isVisible());
    }

    void markUnmarkAll() {
        World w({"a", "b", "c"});
        frmMain* main = w.load();
        cGrid* g = main->cGrid1;
        const qint32 typeCol = g->ColumnIndex(itemlists::COL_TYPE);
        g->setCellIcon(1, 1, itemlists::ICON_UNMARKED);
        g->setCellIcon(3, 1, itemlists::ICON_UNMARKED);

        // One row marked: every row is unmarked.
        main->RunCommand("MarkUnmark All");
        QCOMPARE(w.gridItems(), (QStringList{"a.wav", "b.wav", "c.wav"}));
        QCOMPARE(fileItems(w.list), (QStringList{"a.wav", "b.wav", "c.wav"}));

        // None marked: every row is marked, a data track too.
        g->setCellIcon(2, typeCol, itemlists::ICON_DATA);
        main->RunCommand("MarkUnmark All");
        QCOMPARE(w.gridItems(), (QStringList{"a.wav*", "b.wav*", "c.wav*"}));
        QCOMPARE(fileItems(w.list), (QStringList{"a.wav*", "b.wav*", "c.wav*"}));
    }

    // "Remove Item" waits for the timer; the question names the selected row
    // only, and the selected rows go.
    void removeSelectedRows_data() {
        QTest::addColumn<QList<qint32>>("selection");
        QTest::addColumn<bool>("ask");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QStringList>("remaining");
        const QStringList all{"a.wav*", "b.wav*", "c.wav*", "d.wav*", "e.wav*"};
        const QList<qint32> twoFour{2, 4};
        QTest::newRow("yes") << twoFour << true << int(core::vbYes)
                             << QStringList{"a.wav*", "c.wav*", "e.wav*"};
        QTest::newRow("no") << twoFour << true << int(core::vbNo) << all;
        QTest::newRow("no question") << twoFour << false << 0 << QStringList{"a.wav*", "c.wav*", "e.wav*"};
        // The rows after a lone selected row stay.
        QTest::newRow("one row") << QList<qint32>{2} << false << 0
                                 << QStringList{"a.wav*", "c.wav*", "d.wav*", "e.wav*"};
        QTest::newRow("last row") << QList<qint32>{5} << false << 0
                                  << QStringList{"a.wav*", "b.wav*", "c.wav*", "d.wav*"};
    }
    void removeSelectedRows() {
        QFETCH(QList<qint32>, selection);
        QFETCH(bool, ask);
        QFETCH(int, answer);
        QFETCH(QStringList, remaining);
        World w;
        settings::g_bDisplayMSGWhenErase = ask;
        frmMain* main = w.load();
        w.selectRows(selection);
        const QByteArray before = readFile(w.list);
        if (ask) w.env.services().msgBoxAnswers << answer;

        main->RunCommand("Remove Item");
        QVERIFY(main->tmrRemove->isActive());
        QCOMPARE(main->m_sPendingRemove, QString("Item"));
        QCOMPARE(main->cGrid1->Rows(), 5);
        main->tmrRemove_Timer();
        QVERIFY(!main->tmrRemove->isActive());

        QCOMPARE(w.gridItems(), remaining);
        if (ask) {
            QCOMPARE(w.env.services().messages.size(), 1);
            QCOMPARE(w.env.services().messages.first().prompt,
                     QString("This operation will erase the b.wav under the 'Songs'.\n\nContinue?"));
        } else {
            QVERIFY(w.env.services().messages.isEmpty());
        }
        if (remaining.size() == 5) {
            QCOMPARE(readFile(w.list), before);
        } else {
            QCOMPARE(fileItems(w.list), remaining);
            QVERIFY(main->cGrid1->SelectedRow() >= 1);
        }
        QVERIFY(main->picEmptyMsg->isHidden());
    }

    void removingEveryRowLeavesAnEmptyList() {
        World w({"a", "b"});
        settings::g_bDisplayMSGWhenErase = false;
        frmMain* main = w.load();
        w.selectRows({1, 2});
        main->RunCommand("Remove Item");
        main->tmrRemove_Timer();
        QCOMPARE(main->cGrid1->Rows(), 0);
        QVERIFY(fileItems(w.list).isEmpty());
        QVERIFY(QFile::exists(w.list));
        QVERIFY(!main->picEmptyMsg->isHidden());
        // With no rows the commands do nothing.
        main->RunCommand("Remove Item");
        main->RunCommand("Clear the List");
        QVERIFY(!main->tmrRemove->isActive());
    }

    void clearTheList_data() {
        QTest::addColumn<int>("answer");
        QTest::newRow("yes") << int(core::vbYes);
        QTest::newRow("no") << int(core::vbNo);
    }
    void clearTheList() {
        QFETCH(int, answer);
        World w({"a", "b"});
        frmMain* main = w.load();
        const QByteArray before = readFile(w.list);
        w.env.services().msgBoxAnswers << answer;

        main->RunCommand("Clear the List");
        QCOMPARE(main->m_sPendingRemove, QString("All"));
        main->tmrRemove_Timer();

        QCOMPARE(w.env.services().messages.size(), 1);
        QCOMPARE(w.env.services().messages.first().prompt,
                 QString("This operation will erase all the items under the 'Songs' list.\n\nAre you sure?"));
        QCOMPARE(w.env.services().messages.first().style, int(core::vbExclamation | core::vbYesNo));
        if (answer == core::vbYes) {
            QCOMPARE(main->cGrid1->Rows(), 0);
            QCOMPARE(readFile(w.list), QByteArray("\r\n"));
            QCOMPARE(main->cTreeView1->SelectedItem().Key(), w.list);
        } else {
            QCOMPARE(main->cGrid1->Rows(), 2);
            QCOMPARE(readFile(w.list), before);
        }
    }

    // The record of a missing file stays through a single removal, at its
    // place, and goes only with a clear.
    void keptRecordsSurviveRemovalButNotClear() {
        World w({"a", "b", "c"}, true);
        settings::g_bDisplayMSGWhenErase = false;
        frmMain* main = w.load();
        QCOMPARE(w.gridItems(), (QStringList{"a.wav*", "b.wav*", "c.wav*"}));
        QCOMPARE(main->m_cTree->holder().KeptCount(), 1);

        w.selectRows({1});
        main->RunCommand("Remove Item");
        main->tmrRemove_Timer();
        QCOMPARE(fileItems(w.list), (QStringList{"b.wav*", "gone.wav*", "c.wav*"}));

        w.env.services().msgBoxAnswers << core::vbYes;
        main->RunCommand("Clear the List");
        main->tmrRemove_Timer();
        QCOMPARE(readFile(w.list), QByteArray("\r\n"));
    }

    void cdNodeRefusals() {
        World w({"a"});
        const QString drive = w.env.addVirtualDrive("audio");
        QVERIFY(!testsupport::writeAudioCueBin(drive, {1, 1}).isEmpty());
        frmMain* main = w.load();
        const cTreeViewNode cd = listviews::g_cAudioCDsNode.Children().Item(1);
        QVERIFY(cd);
        main->cTreeView1_NodeClick(cd);
        QVERIFY(itemlists::IsCDNode(main->cTreeView1->SelectedItem().Key()));
        const QByteArray before = readFile(w.list);
        const qint32 rows = main->cGrid1->Rows();

        main->RunCommand("Remove Item");
        QVERIFY(!main->tmrRemove->isActive());
        QCOMPARE(w.env.services().messages.size(), 1);
        QCOMPARE(w.env.services().messages.first().prompt,
                 "Cannot remove items from Audio CD." + QString(20, ' '));
        QCOMPARE(w.env.services().messages.first().style, int(core::vbInformation));
        QCOMPARE(main->cGrid1->Rows(), rows);

        // A data track cannot be edited; no window opens.
        if (rows > 0) {
            main->cGrid1->setSelectedRow(1);
            main->cGrid1->setCellIcon(1, main->cGrid1->ColumnIndex(itemlists::COL_TYPE),
                                      itemlists::ICON_DATA);
            main->RunCommand("Rename Item");
            QCOMPARE(w.env.services().messages.size(), 2);
            QCOMPARE(w.env.services().messages.last().prompt, "Cannot edit a data track." + QString(36, ' '));
        }
        QCOMPARE(readFile(w.list), before);
    }

    void rowFonts() {
        World w({"a", "b"});
        frmMain* main = w.load();
        cGrid* g = main->cGrid1;
        main->SetRowBold(2, true);
        for (qint32 c = 1; c <= g->Columns(); ++c) {
            QVERIFY(g->CellFont(2, c).bold());
            QVERIFY(!g->CellFont(1, c).bold());
        }
        main->SetRowUnBold();
        for (qint32 r = 1; r <= 2; ++r)
            for (qint32 c = 1; c <= g->Columns(); ++c) {
                QVERIFY(!g->CellFont(r, c).bold());
                QCOMPARE(g->CellFont(r, c).pointSize(), 8);
            }
    }
};

QTEST_MAIN(tst_rowops_main)
#include "tst_rowops_main.moc"
