// Saving an items-list file: what a killed save left beside the list goes
// with the next save, and the list keeps its permissions.
#include "OutputFolders.h"
#include "itemlists/ItemsListFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using testsupport::FilesIn;
using testsupport::ModeOf;
using testsupport::Touch;

class tst_itemslistfile : public QObject {
    Q_OBJECT

private slots:
    // A list save killed mid-write left its partial file beside the list;
    // the next save of any list in that folder removes it. The list itself
    // keeps its permissions.
    void killedListSaveIsSweptByTheNextSave() {
        QTemporaryDir dir;
        const QString list = dir.filePath("Main.flst");
        QVERIFY(itemlists::WriteListBytes(list, "old"));
        QVERIFY(QFile::setPermissions(list, QFile::ReadOwner | QFile::WriteOwner));
        Touch(dir.filePath(".Main.flst.part-Ab12Cd"));
        QString reason;
        QVERIFY2(itemlists::WriteListBytes(list, "new", &reason), qPrintable(reason));
        QCOMPARE(FilesIn(dir.path()), QStringList{"Main.flst"});
        QCOMPARE(ModeOf(list), mode_t(0600));
        QFile f(list);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("new"));
    }
};

QTEST_GUILESS_MAIN(tst_itemslistfile)
#include "tst_itemslistfile.moc"
