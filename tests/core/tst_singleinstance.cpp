// One running copy per program folder: a later start hands its command line
// to the running copy and is told to end; copies of other program folders
// run side by side.
#include "TestEnv.h"
#include "core/SingleInstance.h"

#include <QSignalSpy>
#include <QtTest>

#include <atomic>
#include <thread>

namespace {
// A later start, as another process would make it: on a thread of its own,
// so that the running copy here can answer.
bool laterStart(const QString& folder, const QString& commandLine) {
    std::atomic<bool> done{false};
    bool handedOver = false;
    std::thread start([&] {
        core::SingleInstance later(folder);
        handedOver = later.HandOverOrListen(commandLine);
        done = true;
    });
    while (!done)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    start.join();
    return handedOver;
}
} // namespace

class tst_singleinstance : public QObject {
    Q_OBJECT
private slots:
    void secondStartHandsOverItsCommandLine_data() {
        QTest::addColumn<QString>("commandLine");
        QTest::newRow("-addfiles") << "-addfiles";
        QTest::newRow("-addaudiocd") << "-addaudiocd";
        QTest::newRow("-st") << "-st";
        QTest::newRow("none") << "";
    }
    void secondStartHandsOverItsCommandLine() {
        QFETCH(QString, commandLine);
        testsupport::TestEnv env;
        core::SingleInstance first(env.home());
        QVERIFY(!first.HandOverOrListen(QString()));
        QVERIFY(first.IsListening());
        QSignalSpy received(&first, &core::SingleInstance::CommandLineReceived);

        QVERIFY(laterStart(env.home(), commandLine));
        QTRY_COMPARE(received.size(), 1);
        QCOMPARE(received.first().first().toString(), commandLine);
        QVERIFY(first.IsListening());
    }

    void otherProgramFoldersRunSideBySide() {
        testsupport::TestEnv env;
        core::SingleInstance first(env.path("one"));
        QVERIFY(!first.HandOverOrListen(QString()));
        core::SingleInstance other(env.path("two"));
        QVERIFY(!other.HandOverOrListen("-addfiles"));
        QVERIFY(other.IsListening());
        QVERIFY(core::SingleInstance::ServerName(env.path("one")) !=
                core::SingleInstance::ServerName(env.path("two")));
    }

    void aCopyThatEndedLeavesTheNextStartRunning() {
        testsupport::TestEnv env;
        {
            core::SingleInstance gone(env.home());
            QVERIFY(!gone.HandOverOrListen(QString()));
        }
        core::SingleInstance next(env.home());
        QVERIFY(!next.HandOverOrListen("-addfiles"));
        QVERIFY(next.IsListening());
    }
};

QTEST_MAIN(tst_singleinstance)
#include "tst_singleinstance.moc"
