#include "StartupSession.h"
#include "TestEnv.h"
#include "WindowFixtures.h"

#include "app/StartApplication.h"
#include "controls/cPopupMenu.h"
#include "controls/cSysTray.h"
#include "core/mdlModes.h"
#include "dialogs/frmSplash.h"
#include "mainwindow/frmMain.h"
#include "options/frmAudioProp.h"
#include "options/frmOptions.h"
#include "settings/SettingsVariables.h"

#include <QDirIterator>
#include <QFile>
#include <QLabel>
#include <QtTest>

namespace {

const QString kNotInstalled =
    "This program cannot run, please reinstall the software or connect to the sofrware "
    "aurhor.\r\n\r\nThe main reistry key doesn't existed.";

using Session = testsupport::StartupSession;

bool noWindowLoaded() {
    return !frmMain::instance() && !frmOptions::loadedInstance() && !options::g_frmAudioProp &&
           !dialogs::g_frmSplash;
}

} // namespace

class tst_startup : public QObject {
    Q_OBJECT
private slots:
    void missingInstallationRefusesToStart() {
        Session s(false);
        QTemporaryDir emptyInstall;
        qputenv("CORVANE_INSTALL_DIR", emptyInstall.path().toUtf8());
        QStringList steps;
        dialogs::SetStartupObserver(
            [&](const QString& step, const QString& detail) { steps << step + ":" + detail; });

        QVERIFY(!app::StartApplication(QString()));

        QCOMPARE(s.env.services().messages.size(), 1);
        const auto& shown = s.env.services().messages.first();
        QCOMPARE(shown.prompt, kNotInstalled);
        QCOMPARE(shown.style, int(core::vbInformation));
        QCOMPARE(shown.title, QString("Corvane"));
        QVERIFY(steps.isEmpty());
        QVERIFY(noWindowLoaded());
        QVERIFY(!QFile::exists(s.env.home() + "/SysIcon"));
        // A start refused there leaves no trace: not even an empty settings store.
        QVERIFY(!QFileInfo::exists(s.env.registry()));
        QDirIterator written(s.env.root(),
                             QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                             QDirIterator::Subdirectories);
        QStringList files;
        while (written.hasNext()) {
            const QFileInfo entry(written.next());
            if (!entry.isDir()) files << entry.filePath();
        }
        QCOMPARE(files, QStringList());
    }

    void unreadableSettingsStoreRefusesToStart() {
        Session s(false);
        const QByteArray garbage = "this is not a settings store, and must stay as it is\n";
        {
            QFile file(s.env.registry());
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(garbage);
        }

        QVERIFY(!app::StartApplication(QString()));

        QCOMPARE(s.env.services().messages.size(), 1);
        const auto& shown = s.env.services().messages.first();
        QVERIFY(!shown.prompt.isEmpty());
        QVERIFY(shown.prompt != kNotInstalled);
        QCOMPARE(shown.style, int(core::vbCritical));
        QCOMPARE(shown.title, QString("Corvane"));
        QVERIFY(noWindowLoaded());
        QFile file(s.env.registry());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), garbage);
    }

    void startLoadsInOrderBehindTheSplash() {
        Session s;
        QStringList steps;
        QStringList statusAtLoad;
        QList<int> fade;
        QStringList splashTexts;
        bool splashShownWhileLoading = true;
        bool dialogsHidden = true;
        dialogs::SetStartupObserver([&](const QString& step, const QString& detail) {
            steps << step + ":" + detail;
            QVERIFY(dialogs::g_frmSplash);
            splashShownWhileLoading &=
                dialogs::g_frmSplash->isVisible() && dialogs::g_frmSplash->windowOpacity() == 1.0;
            if (step == "loaded") statusAtLoad << dialogs::g_frmSplash->lblStat->text();
            if (steps.size() == 1) {
                fade = dialogs::g_frmSplash->FadeSteps();
                splashTexts << dialogs::g_frmSplash->windowTitle()
                            << dialogs::g_frmSplash->lblAppTitle->text()
                            << dialogs::g_frmSplash->lblVersion->text();
            }
            if (frmOptions::loadedInstance()) dialogsHidden &= !frmOptions::loadedInstance()->isVisible();
            if (options::g_frmAudioProp) dialogsHidden &= !options::g_frmAudioProp->isVisible();
        });

        QVERIFY(app::StartApplication(QString()));

        QCOMPARE(steps, QStringList({"status:Loading options...", "loaded:frmOptions",
                                     "status:Loading audio properties...", "loaded:g_frmAudioProp",
                                     "status:Loading GUI...", "loaded:frmMain"}));
        QCOMPARE(statusAtLoad,
                 QStringList({"Loading options...", "Loading audio properties...", "Loading GUI..."}));
        QVERIFY(splashShownWhileLoading);
        QVERIFY(dialogsHidden);
        QCOMPARE(splashTexts, QStringList({"Corvane 1.2", "Corvane 1.2", "Version 1.2.1"}));

        QList<int> expectedFade;
        for (int opacity = 0; opacity <= 250; opacity += 10)
            expectedFade << opacity;
        expectedFade << 255;
        QCOMPARE(fade, expectedFade);

        QVERIFY(!dialogs::g_frmSplash);
        QVERIFY(dialogs::g_bSplashVisible);
        frmMain* main = frmMain::instance();
        QVERIFY(main);
        QCOMPARE(main->windowTitle(), QString("Corvane 1.2"));
        QCOMPARE(main->objectName(), QString("frmMain"));
        QVERIFY(main->isVisible());
        // The settings are read; the dialogs are built, hidden, when first needed.
        QVERIFY(!frmOptions::loadedInstance() && !options::g_frmAudioProp);
        QVERIFY(frmOptions::instance() && !frmOptions::instance()->isVisible());
        QCOMPARE(QCoreApplication::applicationName() + " " + QCoreApplication::applicationVersion(),
                 QString("Corvane 1.2"));
        // No display name: the desktop would append it to every other window's caption.
        QCOMPARE(QGuiApplication::applicationDisplayName(), QString("Corvane"));
        QVERIFY(s.env.services().messages.isEmpty());
    }

    void trayStartSwitch_data() {
        QTest::addColumn<QString>("commandLine");
        QTest::addColumn<bool>("trayAvailable");
        QTest::addColumn<bool>("visible");
        QTest::addColumn<bool>("minimized");
        QTest::addColumn<bool>("inTray");
        QTest::addColumn<QString>("openCaption");
        QTest::newRow("no switch") << "" << true << true << false << false << "Hide";
        QTest::newRow("-st") << "-st" << true << false << true << true << "Show";
        QTest::newRow("capitals") << "-ST" << true << true << false << false << "Hide";
        QTest::newRow("further argument") << "-st x" << true << true << false << false << "Hide";
        QTest::newRow("leading blank") << " -st" << true << true << false << false << "Hide";
        QTest::newRow("-st without a tray") << "-st" << false << true << true << false << "Hide";
    }
    void trayStartSwitch() {
        QFETCH(QString, commandLine);
        QFETCH(bool, trayAvailable);
        QFETCH(bool, visible);
        QFETCH(bool, minimized);
        QFETCH(bool, inTray);
        QFETCH(QString, openCaption);
        Session s;
        cSysTray::OverrideAvailable(trayAvailable);

        QVERIFY(app::StartApplication(commandLine));

        frmMain* main = frmMain::instance();
        QVERIFY(main);
        QCOMPARE(main->isVisible(), visible);
        QCOMPARE(main->isMinimized(), minimized);
        QCOMPARE(main->m_bInTray, inTray);
        const qint32 open = main->m_cMenu->IndexForKey("RC Open");
        QCOMPARE(main->m_cMenu->Caption(open), openCaption);
        QCOMPARE(dialogs::Command(), commandLine);

        if (inTray) {
            // The tray menu's "Show" brings the window back in the normal state.
            main->m_cMenu_Click(open);
            QVERIFY(main->isVisible());
            QVERIFY(!main->isMinimized());
            QVERIFY(!main->m_bInTray);
            QCOMPARE(main->m_cMenu->Caption(open), QString("Hide"));
        }
    }
};

QTEST_MAIN(tst_startup)
#include "tst_startup.moc"
