// The splash window: its fade-in on the injected clock, and a double click
// that closes it for good while loading goes on.
#include "StartupSession.h"

#include "core/mdlModes.h"
#include "dialogs/frmSplash.h"
#include "dialogs/mdlMain.h"

#include <QLabel>
#include <QTimer>
#include <QtTest>

using Session = testsupport::StartupSession;

class tst_splash : public QObject {
    Q_OBJECT
private slots:
    // Each of the fade's 26 steps sets its opacity, then dispatches the
    // pending events until the clock has gone on by more than 5 ms; the
    // clock here goes on by 2 ms a reading, so a step reads it four times
    // (0, 2, 4, 6) and 6 ms end it. A double click that arrives during the
    // fade is answered in it.
    void splashFadesInStepByStepOnTheClock() {
        Session s;
        core::InitModes();
        frmSplash splash;
        splash.Form_Load();
        splash.show();
        qint64 now = 0;
        QList<QPair<double, qint64>> readings; // opacity, clock
        splash.SetFadeClock([&] {
            readings.append({splash.windowOpacity(), now});
            const qint64 t = now;
            now += 2;
            return t;
        });
        int dispatchedAtOpacity = -1;
        QTimer::singleShot(0, &splash, [&] { dispatchedAtOpacity = qRound(splash.windowOpacity() * 255); });

        splash.FadeIn();

        QList<int> expectedFade;
        for (int opacity = 0; opacity <= 250; opacity += 10)
            expectedFade << opacity;
        expectedFade << 255;
        QCOMPARE(splash.FadeSteps(), expectedFade);
        QCOMPARE(readings.size(), 26 * 4);
        for (int step = 0; step < 26; ++step) {
            const auto first = readings.at(step * 4);
            const auto last = readings.at(step * 4 + 3);
            QCOMPARE(qRound(first.first * 255), expectedFade.at(step));
            QCOMPARE(qRound(last.first * 255), expectedFade.at(step));
            QVERIFY(last.second - first.second > 5);
        }
        QCOMPARE(splash.windowOpacity(), 1.0);
        QCOMPARE(dispatchedAtOpacity, 0);
    }

    void splashDoubleClickClosesForGood() {
        Session s;
        core::InitModes();
        const bool wasVisible = dialogs::g_bSplashVisible;
        dialogs::g_bSplashVisible = true;
        {
            frmSplash splash;
            QCOMPARE(splash.lblStat->text(), QString("Loading..."));
            splash.Form_Load();
            QCOMPARE(splash.windowOpacity(), 0.0);
            QVERIFY(splash.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
            QCOMPARE(splash.size(), QSize(268, 83));
            splash.show();

            QTest::mouseDClick(&splash, Qt::LeftButton, Qt::NoModifier, QPoint(4, 78));
            QVERIFY(!splash.isVisible());
            QVERIFY(splash.ClosedByUser());

            // Loading goes on: the status still arrives, the splash stays closed.
            dialogs::SetSplashStatus("Loading GUI...");
            QCOMPARE(splash.lblStat->text(), QString("Loading GUI..."));
            QVERIFY(!splash.isVisible());
        }
        QVERIFY(!dialogs::g_frmSplash);
        dialogs::SetSplashStatus("nothing to write to");
        dialogs::g_bSplashVisible = wasVisible;
    }
};

QTEST_MAIN(tst_splash)
#include "tst_splash.moc"
