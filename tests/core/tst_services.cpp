#include "TestEnv.h"

#include <QtTest>

using namespace core;

class tst_services : public QObject {
    Q_OBJECT
private slots:
    void firstButton_data() {
        QTest::addColumn<int>("style");
        QTest::addColumn<int>("answer");
        QTest::newRow("ok only + info") << (vbOKOnly | vbInformation) << int(vbOK);
        QTest::newRow("ok/cancel") << int(vbOKCancel) << int(vbOK);
        QTest::newRow("abort/retry/ignore") << int(vbAbortRetryIgnore) << int(vbAbort);
        QTest::newRow("yes/no/cancel + question") << (vbYesNoCancel | vbQuestion) << int(vbYes);
        QTest::newRow("yes/no + default 2") << (vbYesNo | vbDefaultButton2) << int(vbYes);
        QTest::newRow("retry/cancel") << int(vbRetryCancel) << int(vbRetry);
    }
    void firstButton() {
        QFETCH(int, style);
        QFETCH(int, answer);
        QCOMPARE(firstButtonOf(style), answer);
    }

    void scriptedAnswersInOrderAndRecords() {
        testsupport::TestEnv env(false);
        auto& s = env.services();
        s.msgBoxAnswers << vbNo << vbCancel;
        QCOMPARE(services().msgBox(nullptr, "a", vbYesNo, "Corvane"), int(vbNo));
        QCOMPARE(services().msgBox(nullptr, "b", vbYesNoCancel, "Corvane"), int(vbCancel));
        // Nothing queued: the first button.
        QCOMPARE(services().msgBox(nullptr, "c", vbYesNo, "Corvane"), int(vbYes));
        QCOMPARE(s.messages.size(), 3);
        QCOMPARE(s.messages[1].prompt, QString("b"));
        QCOMPARE(s.messages[1].title, QString("Corvane"));
        QVERIFY(services().openFiles({}).isEmpty());
        QCOMPARE(s.openRequests.size(), 1);
    }

    void environmentPointsIntoTemporaryFolder() {
        testsupport::TestEnv env(false);
        QVERIFY(qgetenv("CORVANE_HOME").startsWith(env.root().toUtf8()));
        QVERIFY(qgetenv("CORVANE_REGISTRY").startsWith(env.root().toUtf8()));
        QCOMPARE(qgetenv("CORVANE_NO_POWEROFF"), QByteArray("1"));
    }
};

QTEST_MAIN(tst_services)
#include "tst_services.moc"
