#include "ScriptedServices.h"
#include "TestEnv.h"

#include "controls/cPopupMenu.h"
#include "controls/cToolbar.h"
#include "controls/cTreeView.h"
#include "core/mdlModes.h"
#include "mainwindow/ToolsTable.h"
#include "mainwindow/frmMain.h"
#include "settings/SettingsVariables.h"

#include <QPointer>
#include <QPushButton>
#include <QtTest>

namespace {

// Every key a click can hand to the dispatcher: menu and tray items, the list
// and projects toolbars, the headline button and the tool-button column.
QStringList carriedKeys(frmMain& main) {
    QStringList keys;
    const cPopupMenu& menu = *main.m_cMenu;
    for (qint32 i = 1; i <= menu.ItemCount(); ++i)
        if (menu.ItemParent(i) != 0 && !menu.IsSeparator(i)) keys << menu.ItemKey(i);
    for (const cToolbar* bar : {main.tlbrList, main.tlbrProjects})
        for (qint32 i = 1; i <= bar->ButtonCount(); ++i)
            if (bar->ButtonStyleOf(i) != cToolbar::StyleSeparator) keys << bar->ButtonKey(i);
    for (qint32 i = 1; i <= main.tlbrTop->ButtonCount(); ++i)
        if (mainwindow::FindTool(main.tlbrTop->ButtonKey(i))) keys << main.tlbrTop->ButtonKey(i);
    // Button 1 is the design template, out of sight; the loaded ones follow.
    for (qsizetype i = 2; i < main.cmdTools.size(); ++i) {
        const QPushButton* button = main.cmdTools[i];
        const mainwindow::ToolInfo* tool = nullptr;
        for (const mainwindow::ToolInfo& t : mainwindow::Tools())
            if (t.caption == button->text()) tool = &t;
        keys << (tool ? tool->key : "tool button \"" + button->text() + "\"");
    }
    keys.removeDuplicates();
    return keys;
}

} // namespace

class tst_toolstable : public QObject {
    Q_OBJECT
private slots:
    void init() {
        core::InitModes();
        settings::g_bDisplayMSGWhenExit = false;
        for (const core::EditionSwitch& edition : core::EditionSwitches())
            *edition.variable = 1;
    }
    void cleanup() {
        for (const mainwindow::ToolInfo& tool : mainwindow::Tools())
            mainwindow::SetToolOpen(tool.key, {});
        core::InitModes();
    }

    // With every tool offered and each tool as the headline button in turn,
    // every key a menu, toolbar, tool button or tray item carries reaches a
    // command of the dispatcher.
    void everyCarriedKeyHasACommand_data() {
        QTest::addColumn<QString>("headline");
        for (const mainwindow::ToolInfo& tool : mainwindow::Tools())
            if (!tool.headlineId.isEmpty()) QTest::newRow(qPrintable(tool.key)) << tool.headlineId;
    }
    void everyCarriedKeyHasACommand() {
        QFETCH(QString, headline);
        testsupport::TestEnv env;
        core::g_sAppMainTool = headline;
        QPointer<frmMain> main = new frmMain;
        main->Form_Load();
        const QStringList keys = carriedKeys(*main);
        QVERIFY(keys.size() > 40);
        QStringList missing;
        for (const QString& key : keys)
            if (!main->HasCommand(key)) missing << key;
        QVERIFY2(missing.isEmpty(), qPrintable("no command for: " + missing.join(", ")));
        // Every tool of the table has its window connected; every other
        // command has its action.
        QCOMPARE(mainwindow::ToolsWithoutWindow(), QStringList());
        for (const mainwindow::ToolInfo& tool : mainwindow::Tools())
            QVERIFY2(!main->PendingCommands().contains(tool.key), qPrintable(tool.key));
        for (const QString& key : main->PendingCommands())
            QVERIFY2(mainwindow::FindTool(key), qPrintable(key));
        delete main;
    }

    // A list-fed tool's open function runs only after the dispatcher's tests,
    // which show the table's texts with their trailing blanks.
    void listFedToolRefusesOnARoot() {
        testsupport::TestEnv env;
        QPointer<frmMain> main = new frmMain;
        main->Form_Load();
        int launched = 0;
        mainwindow::SetToolOpen("Audio Converter",
                                [&launched](const mainwindow::ToolLaunch&) { ++launched; });
        QVERIFY(!mainwindow::ToolsWithoutWindow().contains("Audio Converter"));

        cTreeViewNode rootNode = main->cTreeView1->Nodes().Item(1);
        rootNode.setSelected(true);
        env.services().messages.clear();
        main->RunCommand("Audio Converter");
        QCOMPARE(launched, 0);
        QCOMPARE(env.services().messages.size(), 1);
        QCOMPARE(env.services().messages.first().prompt, "Select the Items List." + QString(40, ' '));
        // The first list under the root is selected instead.
        QVERIFY(!main->cTreeView1->SelectedItem().Key().startsWith("##MAIN"));
        delete main;
    }

    // The ripper's refusals come from its row alone: a root, a node that is no
    // CD drive (an empty one too: the ripper never asks for files), a CD
    // without marks. Each is shown and nothing opens.
    void ripperRefusals_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<qint32>("rows");
        QTest::addColumn<bool>("marks");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("then");
        using Then = mainwindow::Refusal::Then;
        const QString pad(40, ' ');
        QTest::newRow("root") << "##MAINCDS" << 3 << true << "Select the Items List of the CD." + pad
                              << int(Then::SelectFirstChild);
        QTest::newRow("a list") << "/lists/Mine.flst" << 3 << true
                                << "Select the the Audio CD device to rip from." + pad
                                << int(Then::SelectFirstDrive);
        QTest::newRow("an empty list")
            << "/lists/Mine.flst" << 0 << false << "Select the the Audio CD device to rip from." + pad
            << int(Then::SelectFirstDrive);
        QTest::newRow("nothing marked")
            << "##CDE:" << 3 << false << "Mark the items to rip." + QString(29, ' ') << int(Then::Nothing);
        QTest::newRow("marked") << "##CDE:" << 3 << true << QString() << int(Then::Open);
    }
    void ripperRefusals() {
        QFETCH(QString, key);
        QFETCH(qint32, rows);
        QFETCH(bool, marks);
        QFETCH(QString, message);
        QFETCH(int, then);
        const mainwindow::ToolInfo* ripper = mainwindow::FindTool("Audio CD Ripper");
        QVERIFY(ripper);
        const mainwindow::Refusal refusal =
            mainwindow::CheckPreconditions(*ripper, key, rows, marks ? rows : 0);
        QCOMPARE(refusal.text, message);
        QCOMPARE(int(refusal.then), then);
    }
};

QTEST_MAIN(tst_toolstable)
#include "tst_toolstable.moc"
