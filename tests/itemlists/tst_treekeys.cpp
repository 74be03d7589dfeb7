// The keys of the main tree's nodes: roots, CD drives and lists told apart by
// how the key begins.
#include "itemlists/TreeKeys.h"

#include <QtTest>

using namespace itemlists;

class tst_treekeys : public QObject {
    Q_OBJECT

private slots:
    void keysAreRecognisedByTheirStart_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<bool>("main");
        QTest::addColumn<bool>("cd");
        QTest::addColumn<QString>("drive");
        QTest::newRow("items root") << "##MAINITEMS/x/Main/" << true << false << "MA";
        QTest::newRow("cds root") << "##MAINCDSAudio CDs" << true << false << "MA";
        QTest::newRow("cd") << "##CDE: Virtual drive (/tmp/x)" << false << true << "E:";
        QTest::newRow("main not at start") << "x##MAIN" << false << false << "AI";
        QTest::newRow("lower-case cd") << "##cdE:" << false << false << "E:";
        QTest::newRow("list") << "/x/Main/a.flst" << false << false << "/M";
    }
    void keysAreRecognisedByTheirStart() {
        QFETCH(QString, key);
        QFETCH(bool, main);
        QFETCH(bool, cd);
        QFETCH(QString, drive);
        QCOMPARE(IsMainNode(key), main);
        QCOMPARE(IsCDNode(key), cd);
        if (cd) QCOMPARE(GetCDNameNode(key), drive);
    }
};

QTEST_GUILESS_MAIN(tst_treekeys)
#include "tst_treekeys.moc"
