// The FreeDB window against a scripted CDDB server: titles into the CD rows,
// the CD node renamed at the last row, the error codes' effects, and the
// lookup bound to the CD node it started for.
#include "DiscImages.h"
#include "FakeCddbServer.h"
#include "TestEnv.h"

#include "components/cFreeDB.h"
#include "controls/cGrid.h"
#include "controls/cTreeView.h"
#include "core/Services.h"
#include "core/mdlModes.h"
#include "itemlists/ItemRows.h"
#include "listviews/ItemsGrid.h"
#include "ripping/frmFreeDB.h"

#include <QDialog>
#include <QLabel>
#include <QTimer>
#include <QtTest>

#include <memory>

using namespace itemlists;
using namespace listviews;
using ripping::frmFreeDB;
using testsupport::FakeCddbServer;

namespace {

QByteArray entry(const QByteArray& body) {
    return "210 rock 0e000903 CD database entry follows (until terminating `.')\r\n# xmcd\r\n" + body +
           ".\r\n";
}

} // namespace

class tst_frmfreedb : public QObject {
    Q_OBJECT

    std::unique_ptr<testsupport::TestEnv> m_env;
    std::unique_ptr<FakeCddbServer> m_server;
    std::unique_ptr<QWidget> m_main; // stands for the main window
    cGrid* m_grid = nullptr;
    cTreeView* m_tree = nullptr;
    QLabel* m_listName = nullptr;
    QStringList m_labelEdits;

    // The main window's part: its grid and tree, and its rename of a node
    // (a label edit, then the caption above the grid).
    toolframe::ToolLaunch target() {
        toolframe::ToolLaunch t;
        t.mainGrid = m_grid;
        t.tree = m_tree;
        t.renameNode = [this](cTreeViewNode node, const QString& text) {
            m_labelEdits << node.Key() + '=' + text;
            m_listName->setText(node.Text());
        };
        return t;
    }

    void setRows(int rows) {
        m_grid->Clear();
        for (int r = 1; r <= rows; ++r) {
            m_grid->CellDetails(r, m_grid->ColumnIndex(COL_ITEM_NAME),
                                QString("Track%1.cda").arg(r, 2, 10, QChar('0')));
            m_grid->setCellText(r, m_grid->ColumnIndex(COL_FILE),
                                QString("D:/Track%1.cda").arg(r, 2, 10, QChar('0')));
        }
    }
    QString cell(int row, const QString& key) { return m_grid->CellText(row, m_grid->ColumnIndex(key)); }

private slots:
    void init() {
        m_env = std::make_unique<testsupport::TestEnv>(false);
        const QString drive = m_env->addVirtualDrive("cd");
        QVERIFY(!testsupport::writeAudioCueBin(drive, {3, 2, 4}).isEmpty());
        m_server = std::make_unique<FakeCddbServer>();
        qputenv("CORVANE_CDDB_SERVER", "127.0.0.1:" + QByteArray::number(m_server->port()));
        m_main = std::make_unique<QWidget>();
        m_grid = new cGrid(m_main.get());
        InitGridColumns(*m_grid, nullptr);
        setRows(3);
        m_tree = new cTreeView(m_main.get());
        m_tree->Nodes().Add(0, "##MAINCDS", "Audio CDs");
        m_tree->Nodes().Add(0, "##CDD:", "D: Virtual drive").setSelected(true);
        m_tree->Nodes().Add(0, "/lists/Mine.flst", "Mine");
        m_listName = new QLabel("D: Virtual drive", m_main.get());
        m_labelEdits.clear();
        m_server->onQuery = [](const QString&) { return QByteArray("200 rock 0e000903 x\r\n"); };
        m_server->onRead = [](const QString&) {
            return entry("DTITLE=The Band / First Album\r\nTTITLE0=Opening\r\nTTITLE1=../../Middle\r\n"
                         "TTITLE2=Caf\xc3\xa9\r\n");
        };
    }
    void cleanup() {
        delete ripping::g_frmFreeDB.data();
        m_main.reset();
        m_server.reset();
        m_env.reset();
        qunsetenv("CORVANE_CDDB_SERVER");
        ripping::g_sFreeDBServer = QString::fromLatin1(components::cFreeDB::kDefaultServer);
    }

    void titlesAndRename() {
        QPointer<frmFreeDB> w = new frmFreeDB(target());
        QVERIFY(w->GetFreeDB());
        QTRY_VERIFY_WITH_TIMEOUT(w.isNull(), 10000); // unloads itself after the last row
        QCOMPARE(cell(1, COL_ITEM_NAME), QString("Opening.cda"));
        QCOMPARE(cell(2, COL_ITEM_NAME), QString("../../Middle.cda")); // cleaned later, when it names a file
        QCOMPARE(cell(3, COL_ITEM_NAME), QString::fromUtf8("Café.cda"));
        QCOMPARE(cell(3, COL_TAG_ARTIST), QString("The Band"));
        QCOMPARE(cell(3, COL_TAG_ALBUM), QString("First Album"));
        QCOMPARE(cell(1, COL_FILE), QString("D:/Track01.cda"));
        QCOMPARE(m_tree->SelectedItem().Text(), QString("The Band - First Album"));
        QCOMPARE(m_listName->text(), QString("The Band - First Album"));
        QCOMPARE(m_labelEdits, QStringList{"##CDD:=The Band - First Album"});
    }

    void moreRowsThanTracksOnlyHides() {
        setRows(4);
        frmFreeDB w(target());
        w.show();
        QVERIFY(w.GetFreeDB());
        QTRY_VERIFY_WITH_TIMEOUT(!w.isVisible(), 10000); // QueryDone hides it
        QCOMPARE(cell(3, COL_ITEM_NAME), QString::fromUtf8("Café.cda"));
        QCOMPARE(cell(4, COL_ITEM_NAME), QString("Track04.cda"));
        QCOMPARE(m_tree->SelectedItem().Text(), QString("D: Virtual drive"));
        QVERIFY(m_labelEdits.isEmpty());
    }

    // Another node selected while the lookup runs: nothing is written, and
    // neither a list nor its caption is renamed.
    void boundToItsNode() {
        QPointer<frmFreeDB> w = new frmFreeDB(target());
        w->show();
        // Right after the lookup has started (the window's handler of the check runs first).
        connect(w->cFreeDB1, &components::cFreeDB::ConnectionChecked, this,
                [this] { m_tree->Nodes().Item("/lists/Mine.flst").setSelected(true); });
        QVERIFY(w->GetFreeDB());
        QTRY_VERIFY_WITH_TIMEOUT(m_server->commands.contains("quit"), 10000);
        QCoreApplication::processEvents();
        QCOMPARE(cell(1, COL_ITEM_NAME), QString("Track01.cda"));
        QCOMPARE(m_tree->Nodes().Item("/lists/Mine.flst").Text(), QString("Mine"));
        QCOMPARE(m_tree->Nodes().Item("##CDD:").Text(), QString("D: Virtual drive"));
        QVERIFY(m_labelEdits.isEmpty());
        delete w.data();
    }

    void errors_data() {
        QTest::addColumn<QByteArray>("queryAnswer");
        QTest::addColumn<int>("code");
        QTest::addColumn<bool>("unloads");
        QTest::newRow("no match closes the window")
            << QByteArray("202 No match found\r\n") << int(components::cFreeDB::ErrNoMatch) << true;
        QTest::newRow("protocol error leaves it open")
            << QByteArray("999 what\r\n") << int(components::cFreeDB::ErrProtocol) << false;
    }
    void errors() {
        QFETCH(QByteArray, queryAnswer);
        QFETCH(int, code);
        QFETCH(bool, unloads);
        m_server->onQuery = [queryAnswer](const QString&) { return queryAnswer; };
        auto& services = m_env->services();
        QPointer<frmFreeDB> w = new frmFreeDB(target());
        w->show();
        QVERIFY(w->GetFreeDB());
        QTRY_COMPARE_WITH_TIMEOUT(services.messages.size(), 1, 10000);
        QVERIFY(services.messages[0].prompt.endsWith(QString("(%1)").arg(code)));
        QCOMPARE(services.messages[0].style, int(core::vbExclamation));
        QCoreApplication::processEvents();
        QCOMPARE(w.isNull(), unloads);
        if (!unloads) {
            QCOMPARE(w->lblCurrentTrack->text(), services.messages[0].prompt);
            delete w.data();
        }
    }

    void noConnection() {
        const quint16 port = testsupport::closedLocalPort();
        QVERIFY(port != 0);
        qputenv("CORVANE_CDDB_SERVER", "127.0.0.1:" + QByteArray::number(port));
        QPointer<frmFreeDB> w = new frmFreeDB(target());
        QVERIFY(w->GetFreeDB());
        QTRY_COMPARE_WITH_TIMEOUT(m_env->services().messages.size(), 1, 10000);
        QVERIFY(m_env->services().messages[0].prompt.startsWith("There is no internet connection."));
        QCOMPARE(m_env->services().messages[0].title, core::AppTitle());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(w.isNull());
    }

    // The connection check runs while the window is modal, not in an event
    // loop of its own before: a second "FreeDB" meanwhile starts nothing, and
    // the drive is that of the node selected when the check has answered.
    void checkWhileModal() {
        bool eventRan = false;
        QTimer::singleShot(0, [&] { eventRan = true; });
        QString status;
        bool second = true;
        m_env->services().modalHandler = [&](QDialog* window) {
            auto* w = qobject_cast<frmFreeDB*>(window);
            status = w->lblCurrentTrack->text();
            second = ripping::ShowFreeDB(target());
            // The window deletes itself once the lookup is over: look at it
            // only while it is still there.
            const QPointer<QDialog> alive(window);
            (void)QTest::qWaitFor(
                [&] { return (alive.isNull() || !alive->isVisible()) && ripping::g_frmFreeDB.isNull(); },
                10000);
            return int(QDialog::Accepted);
        };
        QVERIFY(ripping::ShowFreeDB(target()));
        QVERIFY(eventRan); // the modal show's own loop ran it, not one before it
        QCOMPARE(status, QString("Checking connection..."));
        QVERIFY(!second);
        QCOMPARE(m_env->services().modalShows, 1);
        QCOMPARE(m_server->commands.filter("cddb query").size(), 1);
        QCOMPARE(m_tree->SelectedItem().Text(), QString("The Band - First Album"));

        // The selection moved to a list before the check answered: no lookup.
        m_tree->Nodes().Item("##CDD:").setText("D: Virtual drive");
        m_tree->Nodes().Item("##CDD:").setSelected(true);
        m_env->services().modalHandler = [&](QDialog* window) {
            m_tree->Nodes().Item("/lists/Mine.flst").setSelected(true);
            (void)QTest::qWaitFor([&] { return ripping::g_frmFreeDB.isNull(); }, 10000);
            (void)window;
            return int(QDialog::Rejected);
        };
        QVERIFY(ripping::ShowFreeDB(target()));
        QCOMPARE(m_server->commands.filter("cddb query").size(), 1);
        QCOMPARE(m_tree->Nodes().Item("/lists/Mine.flst").Text(), QString("Mine"));
    }

    // The status names the server the lookup really goes to (here the
    // test's, which overrides the chosen one).
    void statusNamesTheServerUsed() {
        ripping::g_sFreeDBServer = "cddb.example.org";
        QString status;
        QPointer<frmFreeDB> w = new frmFreeDB(target());
        // Runs after the window's own handler of the check's answer.
        connect(w->cFreeDB1, &components::cFreeDB::ConnectionChecked, this,
                [&] { status = w->lblCurrentTrack->text(); });
        QVERIFY(w->GetFreeDB());
        QTRY_VERIFY_WITH_TIMEOUT(w.isNull(), 10000);
        QCOMPARE(status, QString("Connecting to 127.0.0.1..."));
    }

    void commandChecks() {
        // An empty grid: nothing at all; a list node: the message, no window.
        m_grid->Clear();
        QVERIFY(!ripping::ShowFreeDB(target()));
        QVERIFY(m_env->services().messages.isEmpty());
        setRows(3);
        m_tree->Nodes().Item("/lists/Mine.flst").setSelected(true);
        QVERIFY(!ripping::ShowFreeDB(target()));
        QCOMPARE(m_env->services().messages.size(), 1);
        QCOMPARE(m_env->services().messages[0].prompt,
                 QString("Select the CD drive to get the information about.") + QString(18, ' '));
        QVERIFY(ripping::g_frmFreeDB.isNull());
    }
};

QTEST_MAIN(tst_frmfreedb)
#include "tst_frmfreedb.moc"
