// The Items List Properties window: opening it on the selected node, renaming
// a list (its file, its node, the rows shown) and the names it refuses.
#include "ListWindowsFixture.h"
#include "core/Services.h"
#include "core/mdlFunctions.h"
#include "itemlists/TreeKeys.h"
#include "listviews/frmDirProperties.h"

#include <QDir>
#include <QLineEdit>
#include <QtTest>

using namespace itemlists;
using namespace listviews;
using namespace listwindows;

namespace {
QStringList folderEntries(const QString& dir) {
    return QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name);
}
} // namespace

class tst_listproperties : public QObject {
    Q_OBJECT

    std::unique_ptr<ListsFixture> f;
    QString m_wav;

    // Lists "Rock" (one readable item and one whose file is gone) and "Pop"; "Rock" is loaded.
    void buildRockAndPop() {
        QVERIFY(QDir().mkpath(f->dir));
        m_wav = f->env->path("audio/one.wav");
        QVERIFY(writeAll(m_wav, silentWav(1)));
        QVERIFY(writeAll(f->listPath("Rock"),
                         (record("one", m_wav) + record("gone", "/no/such.wav") + "\r\n").toUtf8()));
        QVERIFY(writeAll(f->listPath("Pop"), "\r\n"));
        f->build();
        f->click(f->listNode("Rock"));
        QCOMPARE(f->grid->Rows(), 1);
    }

    frmDirProperties* open(const QString& contains = "1 Items, 16 KB, 00:00:01") {
        return ShowItemsListProperties(*f->lists, *f->tree, contains, f->owner.get());
    }

private slots:
    void init() { f = std::make_unique<ListsFixture>(); }
    void cleanup() {
        if (g_frmDirProperties) delete g_frmDirProperties.data();
        closeBalloons();
        f.reset();
    }

    void opensOnTheSelectedListOnly() {
        buildRockAndPop();
        frmDirProperties* w = open();
        QVERIFY(w);
        QVERIFY(w->isVisible());
        QVERIFY(!w->isModal());
        QCOMPARE(w->windowTitle(), QString("Items List Properties"));
        QCOMPARE(w->txtFolderName->text(), QString("Rock"));
        QVERIFY(w->txtFolderName->isEnabled());
        QCOMPARE(w->txtPath->text(), f->listPath("Rock"));
        QCOMPARE(w->lblContain->text(), QString("1 Items, 16 KB, 00:00:01"));
        QVERIFY(w->bEditFolderName);
        w->cmdCancel_Click();
        QTRY_VERIFY(!g_frmDirProperties);
        QCOMPARE(folderEntries(f->dir), (QStringList{"Pop.flst", "Rock.flst"}));

        // The roots show nothing.
        g_cItemsListsNode.setSelected(true);
        QVERIFY(!open());
        g_cAudioCDsNode.setSelected(true);
        QVERIFY(!open());
    }

    void renameMovesTheFileAndKeepsTheRows() {
        buildRockAndPop();
        const cTreeViewNode node = f->listNode("Rock");
        frmDirProperties* w = open();
        w->txtFolderName->setText("  Jazz  ");
        w->cmdOk_Click();

        QCOMPARE(f->svc().messages.size(), 0);
        QTRY_VERIFY(!g_frmDirProperties);
        QCOMPARE(folderEntries(f->dir), (QStringList{"Jazz.flst", "Pop.flst"}));
        QCOMPARE(node.Key(), f->listPath("Jazz"));
        QCOMPARE(node.Text(), QString("Jazz"));
        QCOMPARE(f->listName, QString("Jazz"));
        QCOMPARE(f->tree->SelectedItem(), node);
        // The grid is not read again, and its next save goes to the renamed
        // file with the item whose source is missing still in it.
        QCOMPARE(f->grid->Rows(), 1);
        f->lists->SaveGridToFile();
        const QByteArray saved = readAll(f->listPath("Jazz"));
        QVERIFY(saved.contains("<Item Name>one</Item Name>"));
        QVERIFY(saved.contains("/no/such.wav"));
        QCOMPARE(folderEntries(f->dir), (QStringList{"Jazz.flst", "Pop.flst"}));
    }

    void refusedNamesKeepTheWindowOpen_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("balloon");
        const QString empty = "Empty Item Name." + QString(42, ' ');
        const QString illegal = "Illegal Item Name." + QString(42, ' ');
        const QString exists = "Folder name already exists, please select a different name.";
        QTest::newRow("empty") << "" << empty << false;
        QTest::newRow("blanks only") << "   " << empty << false;
        QTest::newRow("slash") << "a/b" << illegal << true;
        QTest::newRow("question mark") << "why?" << illegal << true;
        QTest::newRow("quote") << "say \"hi\"" << illegal << true;
        QTest::newRow("other list") << "Pop" << exists << false;
        QTest::newRow("other list, blanks around") << " Pop " << exists << false;
        QTest::newRow("letter case only") << "ROCK" << exists << false;
    }
    void refusedNamesKeepTheWindowOpen() {
        QFETCH(QString, name);
        QFETCH(QString, message);
        QFETCH(bool, balloon);
        buildRockAndPop();
        closeBalloons();
        const cTreeViewNode node = f->listNode("Rock");
        frmDirProperties* w = open();
        w->txtFolderName->setText(name);
        w->cmdOk_Click();

        QCOMPARE(f->svc().messages.size(), 1);
        QCOMPARE(f->svc().messages[0].prompt, message);
        QCOMPARE(f->svc().messages[0].style, int(core::vbInformation));
        QCOMPARE(f->svc().messages[0].title, core::AppTitle());
        if (balloon) QTRY_COMPARE(shownBalloonText(), core::kIllegalNameBalloonText);
        QVERIFY(g_frmDirProperties);
        QVERIFY(w->isVisible());
        QCOMPARE(folderEntries(f->dir), (QStringList{"Pop.flst", "Rock.flst"}));
        QCOMPARE(node.Key(), f->listPath("Rock"));
        QCOMPARE(node.Text(), QString("Rock"));
    }

    void nameBoxRefusesIllegalKeys() {
        buildRockAndPop();
        frmDirProperties* w = open();
        w->txtFolderName->clear();
        QTest::keyClicks(w->txtFolderName, "a:b*c");
        QCOMPARE(w->txtFolderName->text(), QString("abc"));
        QTRY_COMPARE(shownBalloonText(), core::kIllegalNameBalloonText);
    }

    void unchangedNameClosesWithoutTouchingTheFile() {
        buildRockAndPop();
        const QByteArray before = readAll(f->listPath("Rock"));
        open()->cmdOk_Click();
        QTRY_VERIFY(!g_frmDirProperties);
        QCOMPARE(f->svc().messages.size(), 0);
        QCOMPARE(readAll(f->listPath("Rock")), before);
        QCOMPARE(f->listNode("Rock").Text(), QString("Rock"));
    }

    void okWorksOnTheNodeSelectedAtTheClick() {
        buildRockAndPop();
        frmDirProperties* w = open();
        f->click(f->listNode("Pop"));
        w->txtFolderName->setText("Blues");
        w->cmdOk_Click();
        QTRY_VERIFY(!g_frmDirProperties);
        QCOMPARE(folderEntries(f->dir), (QStringList{"Blues.flst", "Rock.flst"}));
        QCOMPARE(f->tree->SelectedItem().Key(), f->listPath("Blues"));
    }

    void cdNodeTakesTheNameWithoutAFile() {
        f->env->addVirtualDrive("cd");
        buildRockAndPop();
        cTreeViewNode drive = g_cAudioCDsNode.Children().Item(1);
        QVERIFY(!drive.isNull());
        const QString key = drive.Key();
        f->click(drive);
        frmDirProperties* w = open();
        QCOMPARE(w->txtPath->text(), key);
        w->txtFolderName->setText("My CD");
        w->cmdOk_Click();
        QTRY_VERIFY(!g_frmDirProperties);
        QCOMPARE(drive.Text(), QString("My CD"));
        QCOMPARE(drive.Key(), key);
        QCOMPARE(f->listName, QString("My CD"));
        QCOMPARE(folderEntries(f->dir), (QStringList{"Pop.flst", "Rock.flst"}));
    }

    void linkOpensTheListsFolder() {
        buildRockAndPop();
        frmDirProperties* w = open();
        w->lblOpenDestinationDestinationFolder_Click();
        QCOMPARE(f->svc().messages.size(), 0);
        QCOMPARE(f->svc().openedUrls, QList<QUrl>{QUrl::fromLocalFile(f->dir)});
        QVERIFY(w->isVisible());
    }
};

QTEST_MAIN(tst_listproperties)
#include "tst_listproperties.moc"
