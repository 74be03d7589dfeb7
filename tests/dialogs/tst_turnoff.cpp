#include "TestEnv.h"

#include "core/mdlModes.h"
#include "core/mdlShutDown.h"
#include "dialogs/frmTurnOff.h"
#include "mainwindow/frmMain.h"
#include "settings/SettingsVariables.h"

#include <QLabel>
#include <QPointer>
#include <QTimer>
#include <QtTest>

namespace {

using testsupport::processDeletes;

// A shown countdown window in a private world.
struct Countdown {
    Countdown() {
        core::InitModes();
        window.Form_Load();
        window.show();
    }
    QStringList ticks() const { return shown; }
    void tick() {
        window.Timer1_Timer();
        shown.append(window.lblSecToShutDown->text());
    }
    testsupport::TestEnv env;
    frmTurnOff window;
    QStringList shown;
};

} // namespace

class tst_turnoff : public QObject {
    Q_OBJECT
private slots:
    void countsDownThenPowersOff() {
        Countdown c;
        QCOMPARE(c.window.windowTitle(), QString("Turn Off Computer"));
        QCOMPARE(c.window.lblApplInfo->text(), QString("Corvane 1.2"));

        c.window.StartShutDown(3);
        QCOMPARE(c.window.lblSecToShutDown->text(), QString("3"));
        QVERIFY(c.window.Timer1->isActive());
        QCOMPARE(c.window.Timer1->interval(), 1000);

        c.tick();
        c.tick();
        QCOMPARE(c.env.services().powerOffs, 0);
        QVERIFY(c.window.isVisible());
        c.tick();
        QCOMPARE(c.ticks(), QStringList({"2", "1", "0"}));
        QCOMPARE(c.env.services().powerOffs, 1);
        QVERIFY(!c.window.Timer1->isActive());
        QVERIFY(!c.window.isVisible());
        QVERIFY(c.env.services().messages.isEmpty());
    }

    void cancelStopsEverything_data() {
        QTest::addColumn<bool>("closeBox");
        QTest::newRow("Cancel button") << false;
        QTest::newRow("close box") << true;
    }
    void cancelStopsEverything() {
        QFETCH(bool, closeBox);
        Countdown c;
        c.window.StartShutDown(30);
        for (int i = 0; i < 10; ++i)
            c.tick();
        QCOMPARE(c.window.lblSecToShutDown->text(), QString("20"));

        if (closeBox)
            c.window.close();
        else
            c.window.cmdCancel_Click();

        QVERIFY(!c.window.isVisible());
        QVERIFY(!c.window.Timer1->isActive());
        QCOMPARE(c.env.services().powerOffs, 0);
    }

    void shutdownNow() {
        Countdown c;
        c.window.StartShutDown(30);
        c.window.cmdTurnOffNow_Click();
        QCOMPARE(c.window.lblSecToShutDown->text(), QString("0"));
        QCOMPARE(c.window.lNumOfSecToShutDown, 0);
        QCOMPARE(c.env.services().powerOffs, 1);
        QVERIFY(!c.window.Timer1->isActive());
        QVERIFY(!c.window.isVisible());
    }

    // The program ends after the request, also when the platform refuses;
    // a refusal is logged, never put in a box that an unattended job would
    // wait on.
    void closesMainWindow_data() {
        QTest::addColumn<bool>("accepted");
        QTest::newRow("accepted") << true;
        QTest::newRow("refused") << false;
    }
    void closesMainWindow() {
        QFETCH(bool, accepted);
        Countdown c;
        settings::g_bAppExiting = false;
        settings::g_bDisplayMSGWhenExit = false;
        QPointer<frmMain> main = new frmMain;
        main->Form_Load();
        main->show();
        // Only what the countdown shows counts here.
        c.env.services().messages.clear();
        c.env.services().powerOffResult = accepted;
        QStringList logged;
        c.window.LogLine = [&](const QString& line) { logged << line; };

        c.window.StartShutDown(0);

        QCOMPARE(c.env.services().powerOffs, 1);
        QVERIFY(!c.window.isVisible());
        processDeletes();
        const bool mainGone = main.isNull() || !main->isVisible();
        if (main) {
            main->close();
            processDeletes();
        }
        settings::g_bAppExiting = false;
        QVERIFY(mainGone);
        QVERIFY(c.env.services().messages.isEmpty());
        if (accepted) {
            QVERIFY(logged.isEmpty());
        } else {
            QCOMPARE(logged.size(), 1);
            QVERIFY(logged.first().contains("could not be turned off"));
            QVERIFY(logged.first().contains("refused by the test"));
            QCOMPARE(core::LastShutdownError().number, core::kErrShutdownFailed);
            QVERIFY(core::LastShutdownError().source.endsWith(".mShutDown"));
        }
    }
};

QTEST_MAIN(tst_turnoff)
#include "tst_turnoff.moc"
