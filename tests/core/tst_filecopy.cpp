#include "TestEnv.h"

#include "controls/cProgressBar.h"
#include "core/FileCopyClass.h"
#include "core/mdlModes.h"
#include "dialogs/frmFileCopy.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

namespace {

QByteArray makeData(qint64 size) {
    QByteArray data(size, Qt::Uninitialized);
    QRandomGenerator gen(static_cast<quint32>(size) + 7);
    for (qint64 i = 0; i < size; ++i)
        data[i] = static_cast<char>(gen.bounded(256));
    return data;
}

void writeFile(const QString& path, const QByteArray& data) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(data), qint64(data.size()));
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return QByteArray("<unreadable>");
    return file.readAll();
}

// Every file in the folder: a partial copy would show up here under some name.
QStringList filesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

} // namespace

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

    // The window: copies on its worker, ends "Ready" at 100 and closes itself shortly after.
    void windowCopiesAndCloses() {
        testsupport::TestEnv env;
        const QString folder = env.path("copy");
        QVERIFY(QDir().mkpath(folder));
        const QByteArray data = makeData(4 * 1024 * 1024);
        writeFile(folder + "/source.wav", data);

        frmFileCopy window;
        window.Form_Load();
        window.g_sSourceFile = folder + "/source.wav";
        window.g_sDestFile = folder + "/saved.wav";
        window.show();
        QSignalSpy ended(&window, &frmFileCopy::CopyEnded);
        window.tmrStart_Timer();

        QVERIFY(!window.tmrStart->isActive());
        QCOMPARE(window.lblState->text(), QString("Copying"));
        QVERIFY(!window.cmdOk->isEnabled());
        QVERIFY(window.Timer1->isActive());
        // Closing is refused while the copy runs.
        QVERIFY(!window.close());
        QVERIFY(window.isVisible());

        QVERIFY(ended.wait(20000));
        QCOMPARE(ended.first().first().toBool(), true);
        QCOMPARE(readFile(folder + "/saved.wav"), data);
        QCOMPARE(window.lblState->text(), QString("Ready"));
        QCOMPARE(window.ProgressBar1->Value(), 100);
        QVERIFY(!window.Timer1->isActive());
        QVERIFY(window.cmdOk->isEnabled() && window.cmdExit->isEnabled());
        QCOMPARE(window.cmdExit->text(), QString("Exit"));
        QVERIFY(env.services().messages.isEmpty());

        QVERIFY(window.tmrEnd->isActive());
        window.tmrEnd_Timer();
        QVERIFY(!window.isVisible());
    }

    void windowCancelRemovesPartialFile() {
        testsupport::TestEnv env;
        const QString folder = env.path("copy");
        QVERIFY(QDir().mkpath(folder));
        writeFile(folder + "/source.wav", makeData(3 * 1024 * 1024));

        frmFileCopy window;
        window.Form_Load();
        // The worker waits after its first chunk until the test has pressed Cancel.
        QSemaphore gate;
        window.onChunk = [&gate, first = true](qint64) mutable {
            if (first) gate.acquire();
            first = false;
        };
        QSignalSpy ended(&window, &frmFileCopy::CopyEnded);
        window.FileCopyEx(folder + "/source.wav", folder + "/saved.wav");
        QCOMPARE(window.cmdExit->text(), QString("Cancel"));
        QVERIFY(window.cmdExit->isEnabled());
        window.cmdExit_Click();
        gate.release();

        QVERIFY(ended.wait(20000));
        QCOMPARE(ended.first().first().toBool(), false);
        QCOMPARE(filesIn(folder), QStringList({"source.wav"}));
        QVERIFY(env.services().messages.isEmpty());
        QCOMPARE(window.lblState->text(), QString("Ready"));
    }

    void windowReportsFailure() {
        testsupport::TestEnv env;
        const QString folder = env.path("copy");
        QVERIFY(QDir().mkpath(folder));
        writeFile(folder + "/saved.wav", "old contents");

        frmFileCopy window;
        window.Form_Load();
        QSignalSpy ended(&window, &frmFileCopy::CopyEnded);
        window.FileCopyEx(folder + "/missing.wav", folder + "/saved.wav");
        QVERIFY(ended.wait(20000));

        QCOMPARE(ended.first().first().toBool(), false);
        QCOMPARE(env.services().messages.size(), 1);
        const auto& shown = env.services().messages.first();
        QVERIFY(shown.prompt.contains("was not copied"));
        QVERIFY(shown.prompt.contains(folder + "/missing.wav"));
        QCOMPARE(shown.title, core::AppTitle());
        QCOMPARE(readFile(folder + "/saved.wav"), QByteArray("old contents"));
        // The window still finishes as after any copy.
        QCOMPARE(window.lblState->text(), QString("Ready"));
        QVERIFY(window.tmrEnd->isActive());
    }
};

QTEST_MAIN(tst_filecopy)
#include "tst_filecopy.moc"
