// The file copy window: copying on its worker, cancelling and failures.
#include "FileFixtures.h"
#include "TestEnv.h"

#include "controls/cProgressBar.h"
#include "core/mdlModes.h"
#include "dialogs/frmFileCopy.h"

#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

using testsupport::filesIn;
using testsupport::makeData;
using testsupport::readFile;
using testsupport::writeFile;

class tst_frmfilecopy : public QObject {
    Q_OBJECT
private slots:
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

QTEST_MAIN(tst_frmfilecopy)
#include "tst_frmfilecopy.moc"
