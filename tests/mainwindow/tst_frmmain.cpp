#include "SettingsStore.h"
#include "TestEnv.h"
#include "WindowFixtures.h"

#include "controls/cPopupMenu.h"
#include "controls/cSysTray.h"
#include "core/RegistryRoutines.h"
#include "core/mdlModes.h"
#include "listviews/ItemsTree.h"
#include "mainwindow/frmMain.h"
#include "options/frmAudioProp.h"
#include "options/frmOptions.h"
#include "settings/SettingsVariables.h"

#include <QFile>
#include <QLabel>
#include <QPointer>
#include <QtTest>

namespace {

using testsupport::processDeletes;
using testsupport::settingsKey;

void touch(const QString& path) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("RIFF");
}

// A main window as start-up leaves it, with the two settings dialogs loaded
// hidden, in a private world. Whatever is still loaded at the end is unloaded
// while that world exists.
struct Fixture : testsupport::SettingsDialogs {
    Fixture() {
        core::InitModes();
        settings::g_bAppExiting = false;
        settings::g_bDisplayMSGWhenExit = false;
    }
    ~Fixture() { testsupport::unloadAll(); }
    frmMain* load() {
        main = new frmMain;
        main->Form_Load();
        return main;
    }
    QString openCaption() const { return main->m_cMenu->Caption(main->m_cMenu->IndexForKey("RC Open")); }

    testsupport::TestEnv env;
    QPointer<frmMain> main;
};

} // namespace

class tst_frmmain : public QObject {
    Q_OBJECT
private slots:
    void restoresSizeWithLimits_data() {
        QTest::addColumn<QVariant>("width");
        QTest::addColumn<QVariant>("height");
        QTest::addColumn<QSize>("expected"); // pixels, 15 twips each
        QTest::newRow("nothing stored") << QVariant() << QVariant() << QSize(876, 496);
        QTest::newRow("just below the limits") << QVariant("2999") << QVariant("999") << QSize(916, 496);
        QTest::newRow("at the limits") << QVariant("3000") << QVariant("1000") << QSize(200, 67);
        QTest::newRow("letters") << QVariant("wide") << QVariant("high") << QSize(916, 496);
        QTest::newRow("large") << QVariant("15000") << QVariant("9000") << QSize(1000, 600);
        QTest::newRow("negative") << QVariant("-15000") << QVariant("-9000") << QSize(916, 496);
    }
    void restoresSizeWithLimits() {
        QFETCH(QVariant, width);
        QFETCH(QVariant, height);
        QFETCH(QSize, expected);
        Fixture f;
        const auto reg = settingsKey("General");
        if (width.isValid()) QVERIFY(reg.SetRegistryValue("lWidth", width, core::REG_SZ));
        if (height.isValid()) QVERIFY(reg.SetRegistryValue("lHeight", height, core::REG_SZ));

        frmMain* main = f.load();

        QCOMPARE(main->frameGeometry().size(), expected);
        QVERIFY(!main->isVisible());
        QCOMPARE(main->windowTitle(), QString("Corvane 1.2"));
        QCOMPARE(main->lblTitle->text(), QString("Corvane 1.2"));
        // Once framed, the frame is inside the restored outer size.
        main->show();
        QCOMPARE(main->frameGeometry().size(), expected);
    }

    // Every link the tree and the list windows call is filled, and the main
    // window is the host the lower windows reach.
    void fillsEveryLinkAndHostsLowerWindows() {
        Fixture f;
        frmMain* main = f.load();
        QCOMPARE(main->m_cTree->link().Missing(), QStringList());
        QCOMPARE(dialogs::mainWindowHost(), static_cast<dialogs::MainWindowHost*>(main));
        QCOMPARE(dialogs::mainWindowHost()->menuImages(), main->imgMenu);
        delete main;
        QCOMPARE(dialogs::mainWindowHost(), nullptr);
    }

    void trayIconFromLoadToExit() {
        Fixture f;
        frmMain* main = f.load();
        QVERIFY(main->cSysTray1->IconCreated());
        QCOMPARE(main->cSysTray1->ToolTipText(), QString("Corvane 1.2"));
        QCOMPARE(main->cSysTray1->IconFile(), f.env.home() + "/SysIcon/systrayicon.png");
        QVERIFY(!main->cSysTray1->Icon().isNull());
        QCOMPARE(f.openCaption(), QString("Hide"));
        QPointer<cSysTray> tray = main->cSysTray1;
        bool removedBeforeUnload = false;
        connect(main, &QObject::destroyed, this,
                [&] { removedBeforeUnload = !tray || !tray->IconCreated(); });
        QVERIFY(main->close());
        processDeletes();
        QVERIFY(removedBeforeUnload);
    }

    void exitStoresSizeUnloadsAndRemovesTempFiles_data() {
        QTest::addColumn<QStringList>("tempFiles");
        QTest::newRow("both") << QStringList{"tmpeditor.wav", "tmptts.wav"};
        QTest::newRow("only speech") << QStringList{"tmptts.wav"};
        QTest::newRow("none") << QStringList{};
    }
    void exitStoresSizeUnloadsAndRemovesTempFiles() {
        QFETCH(QStringList, tempFiles);
        Fixture f;
        for (const QString& name : tempFiles)
            touch(f.env.home() + "/" + name);
        touch(f.env.home() + "/keep.wav");
        f.loadDialogs();
        frmMain* main = f.load();
        main->show();
        main->resize(700, 400);
        const QSize outer = main->frameGeometry().size();

        QVERIFY(main->close());
        processDeletes();

        QVERIFY(settings::g_bAppExiting);
        QVERIFY(!f.main);
        QVERIFY(!frmMain::instance());
        QVERIFY(!f.options);
        QVERIFY(!f.audioProp);
        QVERIFY(!options::g_frmAudioProp);
        QVERIFY(!QFile::exists(f.env.home() + "/tmpeditor.wav"));
        QVERIFY(!QFile::exists(f.env.home() + "/tmptts.wav"));
        QVERIFY(QFile::exists(f.env.home() + "/keep.wav"));
        const auto reg = settingsKey("General");
        // The outer size, frame included, in twips.
        QVERIFY(outer.width() >= 700 && outer.height() >= 400);
        QCOMPARE(reg.GetRegistryValue("lWidth"), QVariant(QString::number(outer.width() * 15)));
        QCOMPARE(reg.GetRegistryValue("lHeight"), QVariant(QString::number(outer.height() * 15)));
        // Registry strings, not numbers.
        QCOMPARE(reg.GetRegistryValue("lWidth").typeId(), QMetaType::QString);
        QCOMPARE(reg.GetRegistryValue("lHeight").typeId(), QMetaType::QString);
    }

    void sizeDoesNotGrowFromStartToStart() {
        Fixture f;
        frmMain* main = f.load();
        main->show();
        main->resize(640, 480);
        const QSize outer = main->frameGeometry().size();
        QVERIFY(main->close());
        processDeletes();
        settings::g_bAppExiting = false;

        main = f.load();
        main->show();
        QCOMPARE(main->frameGeometry().size(), outer);
        QVERIFY(main->close());
        processDeletes();
        QCOMPARE(settingsKey("General").GetRegistryValue("lWidth"),
                 QVariant(QString::number(outer.width() * 15)));
    }

    void exitQuestionNoKeepsEverything() {
        Fixture f;
        touch(f.env.home() + "/tmptts.wav");
        f.loadDialogs();
        settings::g_bDisplayMSGWhenExit = true;
        frmMain* main = f.load();
        main->show();
        f.env.services().msgBoxAnswers << core::vbNo;

        QVERIFY(!main->close());
        processDeletes();

        QCOMPARE(f.env.services().messages.size(), 1);
        const auto& asked = f.env.services().messages.first();
        QCOMPARE(asked.prompt, QString("Are you sure you want to exit 'Corvane 1.2' ?"));
        QCOMPARE(asked.style, core::vbYesNo | core::vbInformation);
        QCOMPARE(asked.title, QString("Corvane 1.2"));
        QVERIFY(!settings::g_bAppExiting);
        QVERIFY(f.main && main->isVisible());
        QVERIFY(f.options && f.audioProp);
        QVERIFY(main->cSysTray1->IconCreated());
        QVERIFY(QFile::exists(f.env.home() + "/tmptts.wav"));
        QVERIFY(!settingsKey("General").GetRegistryValue("lWidth").isValid());

        // The tray menu's Exit asks again; Yes ends it.
        f.env.services().msgBoxAnswers << core::vbYes;
        main->m_cMenu_Click(main->m_cMenu->IndexForKey("RC Exit"));
        processDeletes();
        QCOMPARE(f.env.services().messages.size(), 2);
        QVERIFY(!f.main);
        QVERIFY(!f.options && !f.audioProp);
        QVERIFY(!QFile::exists(f.env.home() + "/tmptts.wav"));
        QVERIFY(settingsKey("General").GetRegistryValue("lWidth").isValid());
    }

    void sessionEndExitsWithoutTheQuestion() {
        Fixture f;
        settings::g_bDisplayMSGWhenExit = true;
        touch(f.env.home() + "/tmpeditor.wav");
        frmMain* main = f.load();
        main->show();

        main->SessionEnding();
        processDeletes();

        QVERIFY(f.env.services().messages.isEmpty());
        QVERIFY(!f.main);
        QVERIFY(settings::g_bAppExiting);
        QVERIFY(!QFile::exists(f.env.home() + "/tmpeditor.wav"));
        QVERIFY(settingsKey("General").GetRegistryValue("lHeight").isValid());
    }

    void trayLeftClick_data() {
        QTest::addColumn<QString>("startState");
        QTest::addColumn<bool>("viaMenu");
        QTest::addColumn<bool>("hiddenAfterFirst");
        QTest::newRow("normal") << "normal" << false << true;
        QTest::newRow("normal, tray menu") << "normal" << true << true;
        QTest::newRow("minimised to the taskbar") << "minimized" << false << true;
        QTest::newRow("maximised") << "maximized" << false << false;
    }
    void trayLeftClick() {
        QFETCH(QString, startState);
        QFETCH(bool, viaMenu);
        QFETCH(bool, hiddenAfterFirst);
        Fixture f;
        frmMain* main = f.load();
        if (startState == "minimized")
            main->showMinimized();
        else if (startState == "maximized")
            main->showMaximized();
        else
            main->show();
        auto click = [&] {
            if (viaMenu)
                main->m_cMenu_Click(main->m_cMenu->IndexForKey("RC Open"));
            else
                main->cSysTray1_TrayClick(1);
        };

        click();
        if (!hiddenAfterFirst) {
            QVERIFY(main->isVisible());
            QVERIFY(main->isMaximized());
            QVERIFY(!main->m_bInTray);
            QCOMPARE(f.openCaption(), QString("Hide"));
            return;
        }
        QVERIFY(!main->isVisible());
        QVERIFY(main->isMinimized());
        QVERIFY(main->m_bInTray);
        QCOMPARE(f.openCaption(), QString("Show"));

        click();
        QVERIFY(main->isVisible());
        QCOMPARE(main->windowState() & (Qt::WindowMinimized | Qt::WindowMaximized), Qt::WindowStates());
        QVERIFY(!main->m_bInTray);
        QCOMPARE(f.openCaption(), QString("Hide"));

        // Other buttons than left and right do nothing.
        main->cSysTray1_TrayClick(3);
        QVERIFY(main->isVisible());

        // The tray menu's Exit ends the program also while the window is in the tray.
        click();
        QVERIFY(!main->isVisible());
        main->m_cMenu_Click(main->m_cMenu->IndexForKey("RC Exit"));
        processDeletes();
        QVERIFY(!f.main);
        QVERIFY(settingsKey("General").GetRegistryValue("lWidth").isValid());
    }
};

QTEST_MAIN(tst_frmmain)
#include "tst_frmmain.moc"
