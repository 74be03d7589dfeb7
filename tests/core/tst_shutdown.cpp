// Asking the platform to shut down, and the system's error texts.
#include "TestEnv.h"

#include "core/mdlShutDown.h"

#include <QtTest>
#include <cerrno>

class tst_shutdown : public QObject {
    Q_OBJECT
private slots:
    void shutdownSystemChecksFlags_data() {
        QTest::addColumn<int>("flags");
        QTest::addColumn<bool>("asksPlatform");
        QTest::newRow("-1") << -1 << false;
        QTest::newRow("32") << 32 << false;
        QTest::newRow("0") << 0 << true;
        QTest::newRow("31") << 31 << true;
    }
    void shutdownSystemChecksFlags() {
        QFETCH(int, flags);
        QFETCH(bool, asksPlatform);
        testsupport::TestEnv env;
        QCOMPARE(core::ShutdownSystem(flags), asksPlatform);
        QCOMPARE(env.services().powerOffs, asksPlatform ? 1 : 0);
        if (asksPlatform) {
            QCOMPARE(core::LastShutdownError().number, 0);
        } else {
            QCOMPARE(core::LastShutdownError().number, core::kErrShutdownInvalidParameter);
            QCOMPARE(core::LastShutdownError().description,
                     "Invalid parameter to ShutdownSystem: " + QString::number(flags));
        }
    }

    void systemErrorText() {
        const QString denied = core::GetSystemErrorText(EACCES);
        QVERIFY(denied.size() > 2);
        QVERIFY(denied.endsWith("\r\n"));
        QCOMPARE(core::GetSystemErrorText(999999), QString());
    }
};

QTEST_MAIN(tst_shutdown)
#include "tst_shutdown.moc"
