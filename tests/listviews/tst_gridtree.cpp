// The grid and tree adapters, and the item columns every item grid carries.
#include "TestEnv.h"
#include "controls/cGrid.h"
#include "controls/cImageList.h"
#include "controls/cTreeView.h"
#include "itemlists/ItemRows.h"
#include "listviews/ItemsGrid.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QMimeData>
#include <QSignalSpy>
#include <QtTest>

using namespace itemlists;
using namespace listviews;

class tst_gridtree : public QObject {
    Q_OBJECT

    static void addColumns(cGrid& g, int n) {
        for (int i = 1; i <= n; ++i)
            g.AddColumn(QStringLiteral("K%1").arg(i), QStringLiteral("C%1").arg(i));
    }
    static QPoint cellCenter(cGrid& g, int row, int col) {
        const QRect r = g.visualRect(g.model()->index(row - 1, col - 1));
        return r.center();
    }

private slots:
    void init() { m_env = std::make_unique<testsupport::TestEnv>(false); }
    void cleanup() { m_env.reset(); }

    // --- grid

    void columnsAreNumberedFromOneAndFoundByKey() {
        cGrid g;
        QCOMPARE(g.AddColumn("Inc", "Inc", 0, -1, 26), 1);
        QCOMPARE(g.AddColumn("Hidden", "Hidden", 0, -1, -1, false), 2);
        QCOMPARE(g.AddColumn("Name", "Item Name", 0, -1, 120), 3);
        QCOMPARE(g.AddColumn("Name", "again"), 0); // keys are unique
        QCOMPARE(g.Columns(), 3);
        QCOMPARE(g.ColumnIndex("Name"), 3);
        QCOMPARE(g.ColumnIndex("name"), 0);
        QCOMPARE(g.ColumnIndex("missing"), 0);
        QVERIFY(g.ColumnVisible(1));
        QVERIFY(!g.ColumnVisible(2));
        QCOMPARE(g.ColumnWidth(3), 120);
        QCOMPARE(g.ColumnCaption(3), QString("Item Name"));
        QCOMPARE(g.model()->headerData(2, Qt::Horizontal).toString(), QString("Item Name"));
    }

    // Columns added in one batch (the layout put off to its end) give the
    // same grid as columns added one at a time: header, widths, hidden
    // columns and where the cells start; nested batches lay out once.
    void columnsAddedInABatchLookTheSame() {
        cGrid single, batch;
        for (cGrid* g : {&single, &batch}) {
            g->resize(500, 200);
            g->show();
        }
        batch.BeginColumns();
        batch.BeginColumns();
        for (cGrid* g : {&single, &batch}) {
            for (int i = 1; i <= 12; ++i)
                g->AddColumn(QStringLiteral("K%1").arg(i), QStringLiteral("Caption number %1").arg(i), 0, -1,
                             i % 3 == 0 ? 40 + i : -1, i % 4 != 0);
        }
        batch.EndColumns();
        batch.EndColumns();
        batch.EndColumns();                // one too many: nothing happens
        QCoreApplication::processEvents(); // the scroll bars' layout
        QCOMPARE(batch.Columns(), single.Columns());
        QCOMPARE(batch.horizontalHeader()->length(), single.horizontalHeader()->length());
        QCOMPARE(batch.horizontalHeader()->height(), single.horizontalHeader()->height());
        QCOMPARE(batch.horizontalHeader()->geometry(), single.horizontalHeader()->geometry());
        QCOMPARE(batch.viewport()->geometry(), single.viewport()->geometry());
        for (int c = 1; c <= 12; ++c) {
            QCOMPARE(batch.ColumnWidth(c), single.ColumnWidth(c));
            QCOMPARE(batch.ColumnVisible(c), single.ColumnVisible(c));
        }
        QVERIFY(single.horizontalHeader()->height() > 0);
    }

    void cellDetailsAppendsOnlyTheNextRow_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("col");
        QTest::addColumn<bool>("written");
        QTest::addColumn<int>("rowsAfter");
        QTest::newRow("rows + 1 appends") << 3 << 1 << true << 3;
        QTest::newRow("existing row") << 2 << 2 << true << 2;
        QTest::newRow("rows + 2 refused") << 4 << 1 << false << 2;
        QTest::newRow("row 0 refused") << 0 << 1 << false << 2;
        QTest::newRow("column 0 refused") << 3 << 0 << false << 2;
        QTest::newRow("column past the last refused") << 3 << 4 << false << 2;
    }
    void cellDetailsAppendsOnlyTheNextRow() {
        QFETCH(int, row);
        QFETCH(int, col);
        QFETCH(bool, written);
        QFETCH(int, rowsAfter);
        cGrid g;
        addColumns(g, 3);
        QVERIFY(g.CellDetails(1, 1, "a"));
        QVERIFY(g.CellDetails(2, 1, "b"));
        QCOMPARE(g.CellDetails(row, col, "x", 0, 5), written);
        QCOMPARE(g.Rows(), rowsAfter);
        QCOMPARE(g.model()->rowCount(), rowsAfter);
        if (written) {
            QCOMPARE(g.Cell(row, col).Text(), QString("x"));
            QCOMPARE(g.Cell(row, col).IconIndex(), 5);
        }
    }

    void cellsAreLiveAndValuesBecomeText() {
        cGrid g;
        addColumns(g, 4);
        g.CellDetails(1, 1, QVariant(), cGrid::FormatIcon, 1);
        g.CellDetails(1, 2, 4000000.0);
        g.CellDetails(1, 3, qint64(3221225472));
        const QDateTime when(QDate(2024, 3, 5), QTime(14, 7, 9));
        g.CellDetails(1, 4, when);
        QCOMPARE(g.Cell(1, 1).Text(), QString());
        QCOMPARE(g.Cell(1, 1).IconIndex(), 1);
        QCOMPARE(g.CellFormat(1, 1), 0x40020);
        QCOMPARE(g.Cell(1, 2).Text(), QString("4000000"));
        QCOMPARE(g.Cell(1, 3).Text(), QString("3221225472"));
        QCOMPARE(g.Cell(1, 4).Text(), QLocale::c().toString(when, QLocale::ShortFormat));
        // Cells never written carry no icon.
        QCOMPARE(g.Cell(1, 2).IconIndex(), -1);

        cGridCell c = g.Cell(1, 2);
        c.setText("changed");
        c.setIconIndex(0);
        QCOMPARE(g.CellText(1, 2), QString("changed"));
        QCOMPARE(g.model()->index(0, 1).data().toString(), QString("changed"));
        QCOMPARE(g.CellIcon(1, 2), 0);

        // Outside the grid: reads empty, writes nothing, appends nothing.
        cGridCell outside = g.Cell(2, 1);
        QCOMPARE(outside.Text(), QString());
        QCOMPARE(outside.IconIndex(), -1);
        outside.setText("x");
        QCOMPARE(g.Rows(), 1);
        QCOMPARE(g.Cell(1, 0).Text(), QString());
    }

    void iconsComeFromTheImageList() {
        cImageList images;
        images.LoadStandardSet();
        cGrid g;
        addColumns(g, 2);
        g.setImageList(&images);
        g.CellDetails(1, 1, QVariant(), cGrid::FormatIcon, 1);
        g.CellDetails(1, 2, "text");
        QVERIFY(!g.model()->index(0, 0).data(Qt::DecorationRole).value<QIcon>().isNull());
        QVERIFY(!g.model()->index(0, 1).data(Qt::DecorationRole).isValid());
    }

    void removeRowClosesUpAndKeepsASelectedRow() {
        cGrid g;
        addColumns(g, 2);
        for (int r = 1; r <= 5; ++r)
            g.CellDetails(r, 2, QString::number(r));
        g.setSelectedRow(5);
        QCOMPARE(g.SelectedRow(), 5);
        g.RemoveRow(5);
        QCOMPARE(g.Rows(), 4);
        QVERIFY(g.SelectedRow() >= 1 && g.SelectedRow() <= 4);
        g.RemoveRow(2);
        QStringList left;
        for (int r = 1; r <= g.Rows(); ++r)
            left << g.Cell(r, 2).Text();
        QCOMPARE(left, QStringList({"1", "3", "4"}));
        QVERIFY(g.SelectedRow() >= 1);
        g.RemoveRow(9); // no such row
        QCOMPARE(g.Rows(), 3);
        g.Clear();
        QCOMPARE(g.Rows(), 0);
        QCOMPARE(g.Columns(), 2);
        QCOMPARE(g.SelectedRow(), 0);
        QVERIFY(g.CellDetails(1, 1, "again"));
    }

    void selectionRowsAndColumns() {
        cGrid g;
        addColumns(g, 3);
        for (int r = 1; r <= 4; ++r)
            g.CellDetails(r, 1, QString::number(r));
        QCOMPARE(g.SelectedRow(), 0);
        g.setSelectedRow(3);
        g.setSelectedCol(2);
        QCOMPARE(g.SelectedRow(), 3);
        QCOMPARE(g.SelectedCol(), 2);
        QVERIFY(g.Cell(3, 1).Selected());
        QVERIFY(!g.Cell(2, 1).Selected());
        g.setSelectedRow(7); // ignored
        QCOMPARE(g.SelectedRow(), 3);
        // Several selected rows, as the user makes them with Ctrl.
        g.selectionModel()->select(g.model()->index(0, 0),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
        QVERIFY(g.Cell(1, 3).Selected());
        QVERIFY(g.Cell(3, 3).Selected());
    }

    void fontsAndSettings() {
        cGrid g;
        addColumns(g, 2);
        g.CellDetails(1, 1, "a");
        QFont bold("Tahoma", 8);
        bold.setBold(true);
        QVERIFY(g.setCellFont(1, 2, bold));
        QVERIFY(g.CellFont(1, 2).bold());
        QVERIFY(g.model()->index(0, 1).data(Qt::FontRole).value<QFont>().bold());
        QVERIFY(!g.model()->index(0, 0).data(Qt::FontRole).isValid());
        g.setRowHeight(24);
        QCOMPARE(g.RowHeight(), 24);
        g.setGridLines(false);
        QVERIFY(!g.GridLines());
        g.setHotTrack(true);
        QVERIFY(g.HotTrack());
        g.setSettingColor(0x80000008);
        QCOMPARE(g.SettingColor(), qint64(0x80000008));
    }

    // Cells, icons, formats and fonts stay with their rows as rows go and
    // columns come, and a grid emptied starts again with no font anywhere.
    void cellsAndFontsFollowTheirRows() {
        cGrid g;
        addColumns(g, 2);
        g.AppendRows({{{"a1", 0, -1}, {"a2", cGrid::FormatIcon, 7}},
                      {{"b1", 0, -1}}, // shorter than the columns: the rest stay empty
                      {{"c1", 0, -1}, {"c2", 0, -1}, {"dropped", 0, -1}}});
        QCOMPARE(g.Rows(), 3);
        QCOMPARE(g.CellText(2, 2), QString());
        QCOMPARE(g.CellIcon(1, 2), 7);
        QCOMPARE(g.CellFormat(1, 2), cGrid::FormatIcon);
        QCOMPARE(g.CellIcon(2, 2), -1);

        QFont bold("Tahoma", 8);
        bold.setBold(true);
        const QFont plain("Tahoma", 8);
        QVERIFY(g.setCellFont(2, 1, bold));
        QVERIFY(g.setCellFont(3, 2, plain));
        QVERIFY(!g.setCellFont(4, 1, bold)); // no such row
        // A column added after the rows: its cells read empty and take writes.
        QCOMPARE(g.AddColumn("K3", "C3"), 3);
        QCOMPARE(g.CellText(1, 3), QString());
        QCOMPARE(g.CellIcon(1, 3), -1);
        QVERIFY(g.setCellFont(2, 3, bold));
        QVERIFY(g.setCellText(3, 3, "c3"));

        g.RemoveRow(1);
        QCOMPARE(g.CellText(1, 1), QString("b1"));
        QVERIFY(g.CellFont(1, 1).bold());
        QVERIFY(g.CellFont(1, 3).bold());
        QVERIFY(!g.model()->index(0, 1).data(Qt::FontRole).isValid());
        QCOMPARE(g.CellFont(1, 2), g.font()); // a cell without a font of its own
        QCOMPARE(g.CellText(2, 3), QString("c3"));
        QVERIFY(!g.CellFont(2, 2).bold());
        QCOMPARE(g.CellFont(2, 2).pointSize(), 8);
        QVERIFY(!g.model()->index(1, 0).data(Qt::FontRole).isValid());

        g.Clear();
        g.CellDetails(1, 1, "new");
        QVERIFY(!g.model()->index(0, 0).data(Qt::FontRole).isValid());
        QCOMPARE(g.CellFont(1, 1), g.font());
    }

    void redrawOffAsksToBeRedrawnWhenShown() {
        cGrid g;
        addColumns(g, 1);
        QSignalSpy spy(&g, &cGrid::RedrawNeeded);
        g.setRedraw(false);
        g.show();
        QVERIFY(QTest::qWaitForWindowExposed(&g));
        QTRY_COMPARE(spy.count(), 1);
        g.setRedraw(true);
        QVERIFY(g.Redraw());
        QVERIFY(g.updatesEnabled());
        // While drawing is on nothing is asked.
        g.resize(300, 200);
        QCoreApplication::processEvents();
        QCOMPARE(spy.count(), 1);
    }

    void mouseEventsCarryRowAndButton() {
        cGrid g;
        addColumns(g, 3);
        for (int r = 1; r <= 3; ++r)
            g.CellDetails(r, 1, QString::number(r));
        g.resize(400, 300);
        g.show();
        QVERIFY(QTest::qWaitForWindowExposed(&g));
        QSignalSpy up(&g, &cGrid::MouseUp);
        QSignalSpy dbl(&g, &cGrid::DblClick);
        const QPoint p = cellCenter(g, 2, 3);
        QTest::mouseClick(g.viewport(), Qt::LeftButton, Qt::NoModifier, p);
        QCOMPARE(up.count(), 1);
        QCOMPARE(up[0][0].toInt(), 1);
        QCOMPARE(g.SelectedRow(), 2);
        QCOMPARE(g.SelectedCol(), 3);
        QTest::mouseClick(g.viewport(), Qt::RightButton, Qt::ShiftModifier, p);
        QCOMPARE(up[1][0].toInt(), 2);
        QCOMPARE(up[1][1].toInt(), 1);
        QTest::mouseClick(g.viewport(), Qt::LeftButton, Qt::NoModifier, cellCenter(g, 3, 2));
        QTest::mouseDClick(g.viewport(), Qt::LeftButton, Qt::NoModifier, cellCenter(g, 3, 2));
        QCOMPARE(dbl.count(), 1);
        QCOMPARE(dbl[0][0].toInt(), 3);
        QCOMPARE(dbl[0][1].toInt(), 2);
    }

    void droppedFilesArriveAsPaths() {
        cGrid g;
        addColumns(g, 1);
        g.resize(300, 200);
        g.show();
        QVERIFY(QTest::qWaitForWindowExposed(&g));
        QSignalSpy spy(&g, &cGrid::OLEDragDrop);
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile("/tmp/a b.mp3"), QUrl("https://example.invalid/x"),
                      QUrl::fromLocalFile("/tmp/c.wav")});
        const QPointF at(20, 30);
        QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(g.viewport(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(g.viewport(), &drop);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy[0][0].toStringList(), QStringList({"/tmp/a b.mp3", "/tmp/c.wav"}));
    }

    void thousandsOfRowsStayCheap() {
        cGrid g;
        InitGridColumns(g, nullptr);
        g.show();
        QElapsedTimer t;
        t.start();
        g.setRedraw(false);
        ItemRow row;
        row.itemName = "Item";
        row.setRange("1", "", "");
        for (int r = 1; r <= 20000; ++r) {
            row.bytesSize = QString::number(r);
            WriteItemRow(g, r, row);
        }
        g.setRedraw(true);
        g.setSelectedRow(20000);
        QCoreApplication::processEvents();
        QCOMPARE(g.Rows(), 20000);
        QCOMPARE(g.Cell(20000, g.ColumnIndex(COL_BYTES_SIZE)).Text(), QString("20000"));
        // A grid that rebuilt itself per write would take minutes here.
        QVERIFY2(t.elapsed() < 20000, qPrintable(QString::number(t.elapsed())));
        t.restart();
        g.Clear();
        QCOMPARE(g.Rows(), 0);
        QVERIFY(t.elapsed() < 5000);
    }

    // --- item columns

    void nineteenColumnsInOrder_data() {
        QTest::addColumn<int>("variant");
        QTest::addColumn<QString>("incCaption");
        QTest::addColumn<int>("incWidth");
        QTest::addColumn<int>("nameWidth");
        QTest::addColumn<bool>("createdShown");
        QTest::newRow("main window") << int(GridVariant::Main) << "Inc" << 26 << 120 << false;
        QTest::newRow("tool window") << int(GridVariant::Tool) << "" << 20 << 160 << true;
    }
    void nineteenColumnsInOrder() {
        QFETCH(int, variant);
        QFETCH(QString, incCaption);
        QFETCH(int, incWidth);
        QFETCH(int, nameWidth);
        QFETCH(bool, createdShown);
        cImageList images;
        cGrid g;
        InitGridColumns(g, &images, GridVariant(variant));
        const QStringList keys{"Inc",
                               "Type",
                               "Item Name",
                               "Size",
                               "Time",
                               "Created",
                               "Range",
                               "COL_FILE",
                               "COL_RANGE_ALL",
                               "COL_RANGE_START_TIME",
                               "COL_RANGE_LENGTH_TIME",
                               "COL_BYTES_SIZE",
                               "COL_TAG_ALBUM",
                               "COL_TAG_ARTIST",
                               "COL_TAG_COMMENT",
                               "COL_TAG_GEN",
                               "COL_TAG_YEAR",
                               "COL_TAG_TITLE",
                               "COL_TAG_TRACK"};
        QCOMPARE(g.Columns(), 19);
        for (int c = 1; c <= 19; ++c) {
            QCOMPARE(g.ColumnKey(c), keys[c - 1]);
            QCOMPARE(g.ColumnIndex(keys[c - 1]), c);
            if (c >= 8) {
                QVERIFY2(!g.ColumnVisible(c), qPrintable(keys[c - 1]));
                QCOMPARE(g.ColumnCaption(c), keys[c - 1]);
            }
        }
        QCOMPARE(g.ColumnCaption(1), incCaption);
        QCOMPARE(g.ColumnWidth(1), incWidth);
        QCOMPARE(g.ColumnWidth(3), nameWidth);
        QCOMPARE(g.ColumnCaption(5), QString("Time-Length"));
        QCOMPARE(g.ColumnVisible(6), createdShown);
        for (int c : {1, 2, 3, 4, 5, 7})
            QVERIFY(g.ColumnVisible(c));
        QCOMPARE(g.RowHeight(), 24);
        QVERIFY(g.GridLines());
        QVERIFY(g.HotTrack());
        QCOMPARE(g.ImageList(), &images);
    }

    void writeItemRowPutsEveryCellInItsColumn() {
        cGrid g;
        InitGridColumns(g, nullptr);
        ItemRow r;
        r.incIcon = 1;
        r.typeIcon = 4;
        r.itemName = "Name";
        r.file = "/x/y.mp3";
        r.title = "T";
        r.track = "7";
        r.bytesSize = "123";
        r.setRange("0", "65", "30");
        WriteItemRow(g, 1, r);
        QCOMPARE(g.Rows(), 1);
        QCOMPARE(g.Cell(1, 1).IconIndex(), 1);
        QCOMPARE(g.Cell(1, 1).Text(), QString());
        QCOMPARE(g.Cell(1, 2).IconIndex(), 4);
        QCOMPARE(g.Cell(1, 3).Text(), QString("Name"));
        QCOMPARE(g.Cell(1, 7).Text(), QString("00:01:05 - 00:01:35"));
        QCOMPARE(g.Cell(1, 8).Text(), QString("/x/y.mp3"));
        QCOMPARE(g.Cell(1, 18).Text(), QString("T"));
        QCOMPARE(g.Cell(1, 19).Text(), QString("7"));
        const ListRecord rec = RecordOfGridRow(g, 1);
        QCOMPARE(rec.inc, QString("1"));
        QCOMPARE(rec.type, QString("Audio"));
        QCOMPARE(rec.rangeStart, QString("65"));
    }

    // --- tree

    void nodesAddAndFind() {
        cTreeView t;
        cTreeViewNodes nodes = t.Nodes();
        cTreeViewNode lists = nodes.Add(cTreeViewNode(), 0, "##MAINITEMS/l/", "Items Lists", 1, 1);
        cTreeViewNode cds = nodes.Add(cTreeViewNode(), 2, "##MAINCDSAudio CDs", "Audio CDs", 2, 2);
        QVERIFY(lists && cds);
        cTreeViewNode a = lists.Children().Add(lists, cTreeViewNodes::tvwChild, "/l/A.flst", "A", 42, 43);
        cTreeViewNode b = nodes.Add(lists, cTreeViewNodes::tvwChild, "/l/B.flst", "B", 42, 43);
        QVERIFY(!nodes.Add(lists, 4, "/l/A.flst", "dup"));
        QCOMPARE(t.topLevelItemCount(), 2);
        QCOMPARE(nodes.Count(), 4);
        QCOMPARE(nodes.Item(1), lists);
        QCOMPARE(nodes.Item(1).Key(), QString("##MAINITEMS/l/"));
        QCOMPARE(nodes.Item(3), a);
        QCOMPARE(nodes.Item("/l/B.flst").Text(), QString("B"));
        QVERIFY(nodes.Item(5).isNull());
        QVERIFY(nodes.Item("nope").isNull());
        QCOMPARE(lists.Children().Count(), 2);
        QCOMPARE(lists.Children().Item(1).Text(), QString("A"));
        QCOMPARE(lists.Children().Item(2), b);
        QVERIFY(cds.Children().Item("/l/A.flst").isNull()); // not a child of that node
        QCOMPARE(a.Parent(), lists);
        QCOMPARE(a.Image(), 42);
        QCOMPARE(a.SelectedImage(), 43);

        // Siblings by relationship.
        cTreeViewNode before = nodes.Add(b, cTreeViewNodes::tvwPrevious, "/l/0.flst", "0");
        QCOMPARE(lists.Children().Item(2), before);
        cTreeViewNode first = nodes.Add(b, cTreeViewNodes::tvwFirst, "/l/F.flst", "F");
        QCOMPARE(lists.Children().Item(1), first);
    }

    void nodePropertiesAndSelection() {
        cTreeView t;
        cTreeViewNodes nodes = t.Nodes();
        QSignalSpy sel(&t, &cTreeView::SelChange);
        QSignalSpy click(&t, &cTreeView::NodeClick);
        cTreeViewNode root = nodes.Add(cTreeViewNode(), 0, "##MAINITEMS", "Items Lists");
        cTreeViewNode a = nodes.Add(root, 4, "/a.flst", "a");
        cTreeViewNode b = nodes.Add(root, 4, "/b.flst", "b");
        QVERIFY(t.SelectedItem().isNull());
        b.setSelected(true);
        QCOMPARE(t.SelectedItem(), b);
        QVERIFY(b.Selected());
        QVERIFY(sel.count() >= 1);
        QCOMPARE(click.count(), 0); // selecting from code is no click
        a.setSelected(true);
        QCOMPARE(t.SelectedItem(), a);
        QVERIFY(!b.Selected());
        a.setSelected(false);
        QVERIFY(t.SelectedItem().isNull());

        root.setExpanded(true);
        QVERIFY(root.Expanded());
        b.setBold(true);
        QVERIFY(b.Bold());
        root.setChildrenOption(true);
        QVERIFY(root.ChildrenOption());
        b.setText("renamed");
        QCOMPARE(b.Text(), QString("renamed"));
        QVERIFY(b.setKey("/c.flst"));
        QCOMPARE(nodes.Item("/c.flst"), b);
        QVERIFY(nodes.Item("/b.flst").isNull());
        QVERIFY(!b.setKey("/a.flst"));
    }

    void deletedNodesReadAsNull() {
        cTreeView t;
        cTreeViewNodes nodes = t.Nodes();
        cTreeViewNode root = nodes.Add(cTreeViewNode(), 0, "root", "Root");
        cTreeViewNode child = nodes.Add(root, 4, "child", "Child");
        nodes.Add(root, 4, "child2", "Child 2");
        child.Delete();
        QVERIFY(child.isNull());
        QCOMPARE(child.Key(), QString());
        child.setText("ignored");
        QCOMPARE(nodes.Count(), 2);
        QCOMPARE(root.Children().Count(), 1);
        // The key is free again.
        QVERIFY(nodes.Add(root, 4, "child", "Again"));
        root.Children().Clear();
        QCOMPARE(nodes.Count(), 1);
        QVERIFY(nodes.Item("child2").isNull());
        nodes.Clear();
        QVERIFY(root.isNull());
        QCOMPARE(nodes.Count(), 0);
        QVERIFY(t.SelectedItem().isNull());
    }

    void clickRaisesNodeClick() {
        cTreeView t;
        cTreeViewNode root = t.Nodes().Add(cTreeViewNode(), 0, "r", "Root");
        cTreeViewNode a = t.Nodes().Add(root, 4, "a", "Alpha");
        root.setExpanded(true);
        t.resize(200, 200);
        t.show();
        QVERIFY(QTest::qWaitForWindowExposed(&t));
        QSignalSpy click(&t, &cTreeView::NodeClick);
        const QRect r = t.visualItemRect(t.topLevelItem(0)->child(0));
        QTest::mouseClick(t.viewport(), Qt::LeftButton, Qt::NoModifier, r.center());
        QCOMPARE(click.count(), 1);
        QCOMPARE(click[0][0].value<cTreeViewNode>(), a);
        QCOMPARE(t.SelectedItem(), a);
    }

    void labelEditCanBeCancelled_data() {
        QTest::addColumn<bool>("cancel");
        QTest::newRow("accepted") << false;
        QTest::newRow("cancelled") << true;
    }
    void labelEditCanBeCancelled() {
        QFETCH(bool, cancel);
        cTreeView t;
        cTreeViewNode root = t.Nodes().Add(cTreeViewNode(), 0, "r", "Root");
        cTreeViewNode a = t.Nodes().Add(root, 4, "a", "Old");
        root.setExpanded(true);
        t.setLabelEdit(true);
        QString seen;
        cTreeViewNode seenNode;
        connect(&t, &cTreeView::AfterLabelEdit, this, [&](cTreeViewNode node, const QString& text, bool* c) {
            seenNode = node;
            seen = text;
            *c = cancel;
        });
        t.resize(200, 200);
        t.show();
        QVERIFY(QTest::qWaitForWindowExposed(&t));
        a.setSelected(true);
        a.StartLabelEdit();
        auto* editor = t.viewport()->findChild<QLineEdit*>();
        QVERIFY(editor);
        editor->setText("New");
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_COMPARE(seen, QString("New"));
        QCOMPARE(seenNode, a);
        QCOMPARE(a.Text(), cancel ? QString("Old") : QString("New"));
        // The same through the call the main window's tests use.
        QCOMPARE(t.EndLabelEdit(a, "Third"), !cancel);
        QCOMPARE(a.Text(), cancel ? QString("Old") : QString("Third"));
    }

private:
    std::unique_ptr<testsupport::TestEnv> m_env;
};

QTEST_MAIN(tst_gridtree)
#include "tst_gridtree.moc"
