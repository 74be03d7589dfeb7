// Copying a file in chunks: whole copies, failures and cancelling.
#include "FileFixtures.h"
#include "TestEnv.h"

#include "core/FileCopyClass.h"

#include <QDir>
#include <QFile>
#include <QtTest>

using testsupport::filesIn;
using testsupport::makeData;
using testsupport::readFile;
using testsupport::writeFile;

class tst_filecopy : public QObject {
    Q_OBJECT
private slots:
    void copiesWholeFile_data() {
        QTest::addColumn<qint64>("size");
        QTest::addColumn<qint32>("cacheSize");
        QTest::addColumn<bool>("oldTarget");
        QTest::newRow("empty") << qint64(0) << 8000 << false;
        QTest::newRow("one chunk") << qint64(8000) << 8000 << false;
        QTest::newRow("two chunks and a half") << qint64(20000) << 8000 << false;
        QTest::newRow("several megabytes") << qint64(3 * 1024 * 1024 + 17) << 8000 << false;
        QTest::newRow("default chunk") << qint64(100000) << 0 << false;
        QTest::newRow("longer old target replaced") << qint64(20000) << 8000 << true;
    }
    void copiesWholeFile() {
        QFETCH(qint64, size);
        QFETCH(qint32, cacheSize);
        QFETCH(bool, oldTarget);
        testsupport::TestEnv env;
        const QString folder = env.path("copy");
        QVERIFY(QDir().mkpath(folder));
        const QString source = folder + "/source.wav";
        const QString target = folder + "/target.wav";
        const QByteArray data = makeData(size);
        writeFile(source, data);
        if (oldTarget) writeFile(target, QByteArray(size * 2 + 10, 'x'));

        core::FileCopyClass copier;
        copier.setCacheSize(cacheSize);
        QList<qint64> pieces;
        copier.onChunk = [&pieces](qint64 read) { pieces.append(read); };
        copier.Copy(source, target);

        QVERIFY(copier.Sucessfull());
        QVERIFY(copier.ErrorText().isEmpty());
        QCOMPARE(readFile(target), data);
        QCOMPARE(filesIn(folder), QStringList({"source.wav", "target.wav"}));
        if (size == 20000) QCOMPARE(pieces, QList<qint64>({8000, 16000, 20000}));
        if (size == 8000) QCOMPARE(pieces, QList<qint64>({8000}));
        QVERIFY(copier.PercentREady() >= 0 && copier.PercentREady() <= 100);
    }

    void failuresLeaveTargetUntouched_data() {
        QTest::addColumn<QString>("sourceName");
        QTest::addColumn<QString>("targetName");
        QTest::addColumn<QString>("message");
        QTest::newRow("missing source") << "missing.wav"
                                        << "target.wav"
                                        << "does not exist";
        QTest::newRow("source is a folder") << "sub"
                                            << "target.wav"
                                            << "does not exist";
        QTest::newRow("target under a file") << "source.wav"
                                             << "source.wav/target.wav"
                                             << "could not be created";
        QTest::newRow("target is a folder") << "source.wav"
                                            << "sub"
                                            << "is a folder";
    }
    void failuresLeaveTargetUntouched() {
        QFETCH(QString, sourceName);
        QFETCH(QString, targetName);
        QFETCH(QString, message);
        testsupport::TestEnv env;
        const QString folder = env.path("copy");
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(QDir(folder).mkpath("sub"));
        writeFile(folder + "/source.wav", makeData(30000));
        writeFile(folder + "/target.wav", "old contents");

        core::FileCopyClass copier;
        copier.setCacheSize(8000);
        copier.Copy(folder + "/" + sourceName, folder + "/" + targetName);

        QVERIFY(!copier.Sucessfull());
        QVERIFY2(copier.ErrorText().contains(message), qPrintable(copier.ErrorText()));
        QCOMPARE(readFile(folder + "/target.wav"), QByteArray("old contents"));
        QCOMPARE(filesIn(folder), QStringList({"source.wav", "target.wav"}));
    }

    void cancelLeavesNoPartialFile_data() {
        QTest::addColumn<bool>("oldTarget");
        QTest::newRow("new target") << false;
        QTest::newRow("existing target") << true;
    }
    void cancelLeavesNoPartialFile() {
        QFETCH(bool, oldTarget);
        testsupport::TestEnv env;
        const QString folder = env.path("copy");
        QVERIFY(QDir().mkpath(folder));
        const QString target = folder + "/target.wav";
        writeFile(folder + "/source.wav", makeData(2 * 1024 * 1024));
        if (oldTarget) writeFile(target, "old contents");

        core::FileCopyClass copier;
        copier.setCacheSize(8000);
        // Cancelled after a few batches have already been written.
        copier.onChunk = [&copier](qint64 read) {
            if (read >= 5 * 8000) copier.Cancel();
        };
        copier.Copy(folder + "/source.wav", target);

        QVERIFY(!copier.Sucessfull());
        QVERIFY(copier.Cancelled());
        QVERIFY(copier.ErrorText().isEmpty());
        QCOMPARE(QFile::exists(target), oldTarget);
        if (oldTarget) QCOMPARE(readFile(target), QByteArray("old contents"));
        QCOMPARE(filesIn(folder).size(), oldTarget ? 2 : 1);
    }
};

QTEST_MAIN(tst_filecopy)
#include "tst_filecopy.moc"
