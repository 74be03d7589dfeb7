#include "DiscImages.h"
#include "ListFixtures.h"
#include "TestEnv.h"
#include "WindowFixtures.h"

#include "app/StartApplication.h"
#include "components/DriveRegistry.h"
#include "controls/cGrid.h"
#include "controls/cPopupMenu.h"
#include "controls/cProgressBar.h"
#include "controls/cStatusBar.h"
#include "controls/cToolbar.h"
#include "controls/cToolbarHost.h"
#include "controls/cTreeView.h"
#include "core/SingleInstance.h"
#include "core/mdlModes.h"
#include "itemlists/TreeKeys.h"
#include "listviews/ItemsTree.h"
#include "mainwindow/ToolsTable.h"
#include "mainwindow/frmMain.h"
#include "options/frmAudioProp.h"
#include "options/frmOptions.h"
#include "settings/SettingsVariables.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPointer>
#include <QPushButton>
#include <QSplitter>
#include <QTimer>
#include <QtEndian>
#include <QtTest>

#include <atomic>
#include <thread>

namespace {

using testsupport::processDeletes;

// Lets the deferred start-up work (the command-line switches) run.
void settle() {
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}

// A silent stereo WAV the converter can open.
void writeWav(const QString& path) {
    QVERIFY(testsupport::writeSilentWav(path, 1.0));
}

// An items-list file naming the given audio files, every item marked.
void writeList(const QString& path, const QStringList& files) {
    QVERIFY(testsupport::writeMarkedList(path, files));
}

// Every file under a folder with a hash of its bytes, to see that nothing was touched.
QMap<QString, QByteArray> snapshot(const QString& folder) {
    QMap<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            files.insert(path, QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha1));
    }
    return files;
}

QStringList buttonCaptions(const cToolbar& bar) {
    QStringList out;
    for (qint32 i = 1; i <= bar.ButtonCount(); ++i)
        out << (bar.ButtonStyleOf(i) == cToolbar::StyleSeparator ? QStringLiteral("|")
                                                                 : bar.ButtonCaption(i));
    return out;
}

QStringList buttonKeys(const cToolbar& bar) {
    QStringList out;
    for (qint32 i = 1; i <= bar.ButtonCount(); ++i)
        out << (bar.ButtonStyleOf(i) == cToolbar::StyleSeparator ? QStringLiteral("|") : bar.ButtonKey(i));
    return out;
}

// The letter of the virtual drive kept in `folder`.
QString letterOf(const QString& folder) {
    for (const components::DriveInfo& drive : components::DriveRegistry::instance().drives())
        if (drive.isVirtual && QDir(drive.device) == QDir(folder)) return drive.letter;
    return QString();
}

// A private world: the main window alone (or a whole start-up), unloaded at the end.
struct World {
    World() {
        core::InitModes();
        settings::g_bAppExiting = false;
        settings::g_bDisplayMSGWhenExit = false;
        settings::g_bClearOnExit = false;
        settings::g_sItemsListDir = env.home() + "/Main/";
        QDir().mkpath(settings::g_sItemsListDir);
    }
    ~World() { testsupport::unloadAll(); }
    frmMain* load() {
        main = new frmMain;
        main->Form_Load();
        return main;
    }
    QString selectedKey() const { return main->cTreeView1->SelectedItem().Key(); }
    QStringList listFiles() const {
        return QDir(settings::g_sItemsListDir).entryList({"*.flst"}, QDir::Files, QDir::Name);
    }

    testsupport::TestEnv env;
    QPointer<frmMain> main;
};

} // namespace

class tst_mainwindow_load : public QObject {
    Q_OBJECT
private slots:
    void loadBuildsEveryControl() {
        World w;
        frmMain* main = w.load();

        const char* names[] = {
            "cSysTray1",        "imgMenu",        "imgGeneral",
            "imgGrid",          "picTitle",       "lblTitle",
            "cToolbarHost1",    "tlbrTop",        "picToolBarJPGPicHolder",
            "splMain",          "picResizer",     "picTitleProject",
            "lblProjects",      "cTreeView1",     "froTreeControl",
            "tlbrProjectsHost", "tlbrProjects",   "picTitleList",
            "lblListName",      "cAudioGraphAmp", "cAudioGraphFreq",
            "cGrid1",           "picEmptyMsg",    "lblAddorDrag",
            "lblEmptylist",     "picList",        "rbrList",
            "tlbrList",         "froControl",     "cToolbarHostRecorder",
            "tlbrRecorder",     "cSlider1",       "picPlayTime",
            "picControl",       "cStatusBar1",    "prgStatus",
            "tmrCDs",           "tmrRemove",      "cAudioConverter1",
            "cAudioCDRipper1",  "m_cMenu",
        };
        for (const char* name : names)
            QVERIFY2(main->findChild<QObject*>(name), name);

        // Toolbars sit in their hosts, the items toolbar in the rebar on its strip.
        QCOMPARE(main->cToolbarHost1->Toolbar(), main->tlbrTop);
        QCOMPARE(main->tlbrProjectsHost->Toolbar(), main->tlbrProjects);
        QCOMPARE(main->cToolbarHostRecorder->Toolbar(), main->tlbrRecorder);
        QVERIFY(main->picList->isAncestorOf(main->tlbrList));
        QVERIFY(main->froControl->isAncestorOf(main->cToolbarHostRecorder));
        QVERIFY(main->froTreeControl->isAncestorOf(main->tlbrProjectsHost));
        QVERIFY(main->picTitleList->isAncestorOf(main->lblListName));
        QVERIFY(main->picTitleList->isAncestorOf(main->cAudioGraphFreq));
        // Tree left of the grid in the splitter.
        QVERIFY(main->splMain->widget(0)->isAncestorOf(main->cTreeView1));
        QVERIFY(main->splMain->widget(1)->isAncestorOf(main->cGrid1));

        QCOMPARE(main->cGrid1->Columns(), 19);
        QCOMPARE(main->cGrid1->ColumnKey(1), QString("Inc"));
        QCOMPARE(main->tmrCDs->interval(), 5000);
        QCOMPARE(main->tmrRemove->interval(), 50);
        QVERIFY(!main->tmrRemove->isActive());
        QVERIFY(!main->tmrCDs->isActive()); // a list is selected
        QVERIFY(!main->prgStatus->isVisibleTo(main));
        QCOMPARE(main->windowTitle(), QString("Corvane 1.2"));
        QCOMPARE(main->lblTitle->text(), QString("Corvane 1.2"));
        QCOMPARE(main->lblProjects->text(), QString("Items Lists"));
        QCOMPARE(main->lblEmptylist->text(), QString("Empty list."));
    }

    void statusPanels() {
        World w;
        frmMain* main = w.load();
        cStatusBar* bar = main->cStatusBar1;
        QCOMPARE(bar->PanelCount(), 4);
        QCOMPARE(bar->PanelKey(1), QString("Main"));
        QCOMPARE(bar->PanelKey(2), QString("Items List Properties"));
        QCOMPARE(bar->PanelKey(3), QString("Notes"));
        QCOMPARE(bar->PanelKey(4), QString("Master Volume"));
        QCOMPARE(bar->PanelText("Main"), QString("Ready."));
        QCOMPARE(bar->PanelText("Notes"), QString("Notes [ Empty ]"));
        QCOMPARE(bar->PanelToolTip("Notes"), QString("Notes"));
        QCOMPARE(bar->PanelText("Master Volume"), QString("Master Volume"));
        QCOMPARE(bar->PanelIcon("Main"), 47);
        QCOMPARE(bar->PanelIcon("Items List Properties"), -1);
        QCOMPARE(bar->PanelIcon("Notes"), 8);
        QCOMPARE(bar->PanelIcon("Master Volume"), 79);
    }

    void notesSummary_data() {
        QTest::addColumn<QByteArray>("notes");
        QTest::addColumn<QString>("expected");
        QTest::newRow("empty file") << QByteArray("") << "Notes [ Empty ]";
        QTest::newRow("one empty line") << QByteArray("\r\n") << "Notes [ Empty ]";
        QTest::newRow("two empty lines") << QByteArray("\r\n\r\n") << "Notes [ Empty ]";
        QTest::newRow("three empty lines") << QByteArray("\r\n\r\n\r\n") << "Notes [    ]";
        QTest::newRow("36 characters") << QByteArray(36, 'a') << "Notes [ " + QString(36, 'a') + " ]";
        QTest::newRow("37 characters") << QByteArray(37, 'a') << "Notes [ " + QString(35, 'a') + "... ]";
        QTest::newRow("line breaks") << QByteArray("buy\r\nmilk") << "Notes [ buy milk ]";
    }
    void notesSummary() {
        QFETCH(QByteArray, notes);
        QFETCH(QString, expected);
        World w;
        QFile file(w.env.home() + "/Notes");
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(notes);
        file.close();
        frmMain* main = w.load();
        QCOMPARE(main->cStatusBar1->PanelText("Notes"), expected);
    }

    // The view is applied before the toolbars are built: the hosts take the
    // theme's toolbar picture, saved as a bitmap in the program folder.
    void toolbarHostsTakeTheViewPicture_data() {
        QTest::addColumn<QString>("picture");
        QTest::addColumn<bool>("background");
        QTest::newRow("picture") << "toolbar.png" << true;
        QTest::newRow("missing file") << "missing.png" << false;
        QTest::newRow("none") << "" << false;
    }
    void toolbarHostsTakeTheViewPicture() {
        QFETCH(QString, picture);
        QFETCH(bool, background);
        World w;
        QVERIFY(QDir().mkpath(w.env.home() + "/View"));
        QImage image(40, 20, QImage::Format_RGB32);
        image.fill(Qt::darkCyan);
        QVERIFY(image.save(w.env.home() + "/View/toolbar.png"));
        core::g_sViewToolbarPicture = picture;
        frmMain* main = w.load();

        const QString bitmap = w.env.home() + "/tbbg.bmp";
        QCOMPARE(QFile::exists(bitmap), background);
        for (cToolbarHost* host : {main->cToolbarHost1, main->tlbrProjectsHost}) {
            QCOMPARE(host->BackgroundPicture(), background ? bitmap : QString());
            QCOMPARE(host->HasBackgroundPicture(), background);
        }
        QVERIFY(!main->cToolbarHostRecorder->HasBackgroundPicture());
        if (background) QCOMPARE(QImage(bitmap).size(), QSize(40, 20));
    }

    void toolbarsFollowTheEdition_data() {
        QTest::addColumn<bool>("itemsLists");
        QTest::addColumn<QString>("headline");
        QTest::addColumn<QStringList>("top");
        QTest::addColumn<QStringList>("listKeys");
        const QStringList itemKeys{"MarkUnmark All",
                                   "|",
                                   "Move Up",
                                   "Move Down",
                                   "|",
                                   "Move To First",
                                   "Move To Last",
                                   "|",
                                   "Rename Item",
                                   "|",
                                   "Save As",
                                   "|",
                                   "Remove Item",
                                   "Clear the List",
                                   "|",
                                   "FreeDB"};
        QTest::newRow("this product")
            << true << "lAppIncAudioBurner"
            << QStringList{"  Add File(s)  ", "|", "Items List", "|",   "Burn", "Tools", "|",
                           "Options",         "|", "Mode",       "Help"}
            << QStringList{"Add Files", "|"} + itemKeys;
        QTest::newRow("no items lists, unknown headline")
            << false << "lAppIncNothing"
            << QStringList{"Items List", "|", "Tools", "|", "Options", "|", "Mode", "Help"} << itemKeys;
        QTest::newRow("converter headline")
            << true << "lAppIncConverter"
            << QStringList{"  Add File(s)  ", "|", "Items List", "|",   "Convert", "Tools", "|",
                           "Options",         "|", "Mode",       "Help"}
            << QStringList{"Add Files", "|"} + itemKeys;
    }
    void toolbarsFollowTheEdition() {
        QFETCH(bool, itemsLists);
        QFETCH(QString, headline);
        QFETCH(QStringList, top);
        QFETCH(QStringList, listKeys);
        World w;
        core::g_lAppIncItemsLists = itemsLists ? 1 : 0;
        core::g_sAppMainTool = headline;
        frmMain* main = w.load();

        QCOMPARE(buttonCaptions(*main->tlbrTop), top);
        QCOMPARE(buttonKeys(*main->tlbrList), listKeys);
        QCOMPARE(buttonKeys(*main->tlbrProjects),
                 QStringList({"New Items List", "Rename Items List", "Remove Items List", "|",
                              "Items List Properties"}));
        QCOMPARE(buttonKeys(*main->tlbrRecorder), QStringList({"Play", "|", "Pause", "|", "Stop", "|"}));
        QCOMPARE(main->tlbrRecorder->ButtonStyleOf(1), qint32(cToolbar::StyleDropDown));
        QCOMPARE(main->tlbrRecorder->ButtonStyleOf(3), qint32(cToolbar::StyleCheck));
        if (headline == "lAppIncConverter") {
            // The headline button carries the tool's command key.
            const qint32 convert = main->tlbrTop->ButtonIndex("Audio Converter");
            QVERIFY(convert > 0);
            QCOMPARE(main->tlbrTop->ButtonCaption(convert), QString("Convert"));
            QCOMPARE(main->tlbrTop->ButtonToolTip(convert), QString("Audio Converter"));
        }
    }

    void dropDownButtonsOpenTheirPopups_data() {
        QTest::addColumn<QString>("toolbar");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("item"); // an item of the popup that must open
        QTest::addColumn<bool>("viaArrow");
        QTest::newRow("Items List") << "top"
                                    << "Items List"
                                    << "MarkUnmark All" << false;
        QTest::newRow("Tools") << "top"
                               << "Tools"
                               << "Notes" << false;
        QTest::newRow("Tools arrow") << "top"
                                     << "Tools"
                                     << "Master Volume" << true;
        QTest::newRow("Options") << "top"
                                 << "Options"
                                 << "General" << false;
        QTest::newRow("Mode") << "top"
                              << "Mode"
                              << "On Top" << true;
        QTest::newRow("Help") << "top"
                              << "Help"
                              << "HelpTopic" << false;
        QTest::newRow("Play arrow") << "player"
                                    << "Play"
                                    << "Open Default Player" << true;
    }
    void dropDownButtonsOpenTheirPopups() {
        QFETCH(QString, toolbar);
        QFETCH(QString, button);
        QFETCH(QString, item);
        QFETCH(bool, viaArrow);
        World w;
        frmMain* main = w.load();
        main->show();
        cToolbar* bar = toolbar == "top" ? main->tlbrTop : main->tlbrRecorder;
        const int index = bar->ButtonIndex(button);
        QVERIFY(index > 0);
        if (toolbar == "top")
            viaArrow ? main->tlbrTop_ButtonDropDown(index) : main->tlbrTop_ButtonClick(index);
        else
            main->tlbrRecorder_ButtonDropDown(index);
        QMenu* shown = main->m_cMenu->LastShownMenu();
        QVERIFY(shown);
        QCOMPARE(shown, main->m_cMenu->MenuForItem(main->m_cMenu->IndexForKey(item)));
        shown->close();
        QVERIFY(w.env.services().openRequests.isEmpty());
    }

    void pauseWithNothingPlayingStaysUp() {
        World w;
        frmMain* main = w.load();
        main->tlbrRecorder->setButtonChecked("Pause", true);
        main->tlbrRecorder_ButtonClick(main->tlbrRecorder->ButtonIndex("Pause"));
        QVERIFY(!main->tlbrRecorder->ButtonChecked("Pause"));
    }

    void toolButtonColumn_data() {
        QTest::addColumn<bool>("full");
        QTest::newRow("standard edition") << false;
        QTest::newRow("full edition") << true;
    }
    void toolButtonColumn() {
        QFETCH(bool, full);
        World w;
        core::InitModes(full ? core::Edition::Full : core::Edition::Standard);
        // The edition's switches decide which tools have a button, in the column's order.
        QStringList expected;
        for (const QString& key : mainwindow::ToolButtonOrder()) {
            const mainwindow::ToolInfo* tool = mainwindow::FindTool(key);
            QVERIFY2(tool && tool->edition, qPrintable(key));
            if (*tool->edition == 1) expected << tool->caption;
        }
        // The full table offers every tool; the standard one leaves some out.
        if (full)
            QCOMPARE(expected.size(), mainwindow::ToolButtonOrder().size());
        else
            QVERIFY(!expected.isEmpty() && expected.size() < mainwindow::ToolButtonOrder().size());

        frmMain* main = w.load();
        QStringList shown;
        int lastTop = -1000;
        for (int i = 2; i < main->cmdTools.size(); ++i) {
            QPushButton* button = main->cmdTools[i];
            QVERIFY(button->isVisibleTo(main));
            QVERIFY(button->y() > lastTop);
            QCOMPARE(main->cmdToolsIcon[i]->y(), button->y());
            lastTop = button->y();
            shown << button->text();
        }
        QCOMPARE(shown, expected);
        // The template stays hidden, above the column.
        QVERIFY(!main->cmdTools[1]->isVisibleTo(main));
        QVERIFY(main->cmdTools[1]->y() < 0);
    }

    void firstSelectionLoadsTheFirstList() {
        World w;
        const QString wav = w.env.path("audio/tone.wav");
        writeWav(wav);
        writeList(settings::g_sItemsListDir + "A list.flst", {wav, wav});
        writeList(settings::g_sItemsListDir + "B list.flst", {wav});
        frmMain* main = w.load();

        QCOMPARE(w.selectedKey(), settings::g_sItemsListDir + "A list.flst");
        QCOMPARE(main->cGrid1->Rows(), 2);
        QCOMPARE(main->lblListName->text(), QString("A list"));
        QVERIFY(!main->picEmptyMsg->isVisibleTo(main));
        QCOMPARE(w.listFiles(), QStringList({"A list.flst", "B list.flst"}));
    }

    void optionsOkWithANewListsFolderLoadsItsFirstList() {
        World w;
        const QString wav = w.env.path("audio/tone.wav");
        writeWav(wav);
        writeList(settings::g_sItemsListDir + "Old.flst", {wav, wav});
        const QString newFolder = w.env.home() + "/Other/";
        QVERIFY(QDir().mkpath(newFolder));
        writeList(newFolder + "New.flst", {wav});

        auto* options = new frmOptions;
        options->Form_Load();
        settings::g_sItemsListDir = w.env.home() + "/Main/";
        frmMain* main = w.load();
        QCOMPARE(main->cGrid1->Rows(), 2);

        options->txtToPath->setEditText(newFolder);
        options->chkDisplayGridLine->setChecked(true);
        options->cmdOk_Click();

        // The new folder's first list is selected and its own rows are shown, so a
        // later save cannot write the old list's rows into it.
        QCOMPARE(w.selectedKey(), newFolder + "New.flst");
        QCOMPARE(main->cGrid1->Rows(), 1);
        QVERIFY(main->cGrid1->GridLines());
        QVERIFY(QFile::exists(settings::g_sItemsListDir + "New.flst"));
    }

    void dropOnTheEmptyListPanelAddsTheFiles() {
        World w;
        const QString wav = w.env.path("audio/dropped.wav");
        writeWav(wav);
        frmMain* main = w.load();
        main->show();
        QVERIFY(main->picEmptyMsg->isVisible());
        // The panel lies over the grid.
        QVERIFY(main->cGrid1->geometry().contains(main->picEmptyMsg->geometry().center()));

        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(wav)});
        const QPoint at = main->picEmptyMsg->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(main->picEmptyMsg, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(main->picEmptyMsg, &drop);

        QCOMPARE(main->cGrid1->Rows(), 1);
        QCOMPARE(main->cGrid1->CellText(1, main->cGrid1->ColumnIndex("COL_FILE")), wav);
        QVERIFY(!main->picEmptyMsg->isVisible());
        QFile list(w.selectedKey());
        QVERIFY(list.open(QIODevice::ReadOnly));
        QVERIFY(list.readAll().contains("dropped.wav"));
    }

    void firstStartMakesAnEmptyList() {
        World w;
        frmMain* main = w.load();
        QCOMPARE(w.listFiles(), QStringList({"New Items List 1.flst"}));
        QCOMPARE(w.selectedKey(), settings::g_sItemsListDir + "New Items List 1.flst");
        QCOMPARE(main->cGrid1->Rows(), 0);
        QVERIFY(main->picEmptyMsg->isVisibleTo(main));
    }

    void listsFolderThatCannotBeMadeLeavesTheGridEmpty() {
        World w;
        // A file where the lists folder should be: no folder, no list.
        QFile blocker(w.env.path("blocker"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        settings::g_sItemsListDir = w.env.root() + "/blocker/Main/";
        frmMain* main = w.load();
        QVERIFY(main->m_cMenu->IndexForKey("New Items List") > 0);
        QCOMPARE(listviews::g_cItemsListsNode.Children().Count(), 0);
        QVERIFY(w.selectedKey().isEmpty() || itemlists::IsMainNode(w.selectedKey()));
        QCOMPARE(main->cGrid1->Rows(), 0);
        QVERIFY(!QFileInfo(w.env.root() + "/blocker").isDir());
    }

    void noListsAndNoDrivesSelectNothing() {
        World w;
        core::g_lAppIncItemsLists = 0;
        frmMain* main = w.load();
        QVERIFY(w.selectedKey().isEmpty());
        QCOMPARE(main->cGrid1->Rows(), 0);
    }

    void commandLineSwitches_data() {
        QTest::addColumn<QString>("commandLine");
        QTest::addColumn<int>("dialogs");
        QTest::newRow("-addfiles") << "-addfiles" << 1;
        QTest::newRow("upper case") << "-ADDFILES" << 1;
        QTest::newRow("mixed case") << "-AddFiles" << 1;
        QTest::newRow("trailing blank") << "-addfiles " << 0;
        QTest::newRow("second argument") << "-addfiles x" << 0;
        QTest::newRow("none") << "" << 0;
        QTest::newRow("-st") << "-st" << 0;
    }
    void commandLineSwitches() {
        QFETCH(QString, commandLine);
        QFETCH(int, dialogs);
        World w;
        w.env.services().openAnswers << QStringList();

        QVERIFY(app::StartApplication(commandLine));
        frmMain* main = frmMain::instance();
        QVERIFY(main);
        // Nothing runs before start-up has returned with the window shown or in the tray.
        QCOMPARE(w.env.services().openRequests.size(), 0);
        settle();
        QCOMPARE(w.env.services().openRequests.size(), dialogs);
        settle();
        QCOMPARE(w.env.services().openRequests.size(), dialogs);
        if (dialogs) QVERIFY(w.env.services().openRequests.first().multiSelect);
    }

    // A later start of the program hands its command line to this copy
    // (core::SingleInstance): the window comes out of the tray to the front
    // and runs the switch; the later start ends.
    void laterStartHandsOverItsSwitches() {
        World w;
        w.env.services().openAnswers << QStringList();
        QVERIFY(app::StartApplication("-st"));
        frmMain* main = frmMain::instance();
        QVERIFY(main);
        settle();
        core::SingleInstance running(w.env.home());
        QVERIFY(!running.HandOverOrListen("-st"));
        QObject::connect(&running, &core::SingleInstance::CommandLineReceived, main, &frmMain::SecondStart);

        std::atomic<bool> done{false};
        bool handedOver = false;
        std::thread later([&] {
            core::SingleInstance second(w.env.home());
            handedOver = second.HandOverOrListen("-addfiles");
            done = true;
        });
        while (!done)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        later.join();
        QVERIFY(handedOver);
        QTRY_COMPARE(w.env.services().openRequests.size(), 1);
        QVERIFY(main->isVisible());
        QVERIFY(!main->m_bInTray);
        QVERIFY(!main->isMinimized());
    }

    void addAudioCDSelectsTheFirstReadyDisc() {
        World w;
        const QString dataDrive = w.env.addVirtualDrive("data");
        QVERIFY(testsupport::writeIso(dataDrive + "/disc.iso"));
        w.env.addVirtualDrive("blank");
        const QString audioDrive = w.env.addVirtualDrive("audio");
        QVERIFY(!testsupport::writeAudioCueBin(audioDrive, {1, 1}).isEmpty());
        const QString secondAudio = w.env.addVirtualDrive("audio2");
        QVERIFY(!testsupport::writeAudioCueBin(secondAudio, {1}).isEmpty());

        QVERIFY(app::StartApplication("-AddAudioCD"));
        frmMain* main = frmMain::instance();
        QVERIFY(main);
        QVERIFY(!itemlists::IsCDNode(main->cTreeView1->SelectedItem().Key()));
        settle();
        const QString key = main->cTreeView1->SelectedItem().Key();
        QVERIFY2(itemlists::IsCDNode(key), qPrintable(key));
        QCOMPARE(itemlists::GetCDNameNode(key), letterOf(audioDrive));
        QVERIFY(main->tmrCDs->isActive());
    }

    void addAudioCDWithoutADiscKeepsTheList() {
        World w;
        w.env.addVirtualDrive("blank");
        QVERIFY(app::StartApplication("-addaudiocd"));
        frmMain* main = frmMain::instance();
        const QString before = main->cTreeView1->SelectedItem().Key();
        settle();
        QCOMPARE(main->cTreeView1->SelectedItem().Key(), before);
        QVERIFY(!itemlists::IsCDNode(before));
    }

    void dispatcherRunsOnlyExactKeys_data() {
        QTest::addColumn<QString>("key");
        QTest::newRow("no such key") << "No Such Command";
        QTest::newRow("letter case") << "add files";
        QTest::newRow("trailing blank") << "Add Files ";
        QTest::newRow("panel key") << "Main";
        QTest::newRow("head") << "Tools";
        QTest::newRow("separator") << "st1";
        QTest::newRow("not built yet") << "Add Directories";
    }
    void dispatcherRunsOnlyExactKeys() {
        QFETCH(QString, key);
        World w;
        frmMain* main = w.load();
        const QString selected = w.selectedKey();
        const auto files = snapshot(w.env.root());

        main->RunCommand(key);
        main->m_cMenu_Click(0);
        main->m_cMenu_Click(main->m_cMenu->ItemCount() + 5);
        if (key == "Main") main->cStatusBar1_PanelClick(main->cStatusBar1->PanelIndex("Main"));
        settle();

        QVERIFY(w.main);
        QVERIFY(w.env.services().messages.isEmpty());
        QVERIFY(w.env.services().openRequests.isEmpty());
        QCOMPARE(w.selectedKey(), selected);
        QCOMPARE(snapshot(w.env.root()), files);
    }

    void toolbarsAndPanelsDispatchByKey() {
        World w;
        frmMain* main = w.load();
        w.env.services().openAnswers << QStringList() << QStringList();

        // Items toolbar and top toolbar "Add" both run "Add Files".
        main->tlbrList_ButtonClick(main->tlbrList->ButtonIndex("Add Files"));
        QCOMPARE(w.env.services().openRequests.size(), 1);
        main->tlbrTop_ButtonClick(main->tlbrTop->ButtonIndex("Add"));
        QCOMPARE(w.env.services().openRequests.size(), 2);

        // The lists toolbar makes a new list.
        main->tlbrProjects_ButtonClick(main->tlbrProjects->ButtonIndex("New Items List"));
        QCOMPARE(w.listFiles(), QStringList({"New Items List 1.flst", "New Items List 2.flst"}));
        QCOMPARE(w.selectedKey(), settings::g_sItemsListDir + "New Items List 2.flst");
        QVERIFY(main->cTreeView1->LabelEdit());
    }

    void listCommandsOnRootsAndDrives() {
        World w;
        const QString drive = w.env.addVirtualDrive("audio");
        QVERIFY(!testsupport::writeAudioCueBin(drive, {1}).isEmpty());
        frmMain* main = w.load();
        const auto before = snapshot(w.env.root());

        // On the lists root: nothing at all.
        listviews::g_cItemsListsNode.setSelected(true);
        main->cTreeView1_NodeClick(listviews::g_cItemsListsNode);
        QVERIFY(itemlists::IsMainNode(w.selectedKey()));
        for (const char* key : {"Add Files", "New Items List", "Remove Items List", "Rename Items List"})
            main->RunCommand(key);
        QVERIFY(w.env.services().messages.isEmpty());
        QVERIFY(w.env.services().openRequests.isEmpty());
        QCOMPARE(snapshot(w.env.root()), before);

        // On a CD drive: "Add Files" refuses with its message, the others do nothing.
        const cTreeViewNode cd = listviews::g_cAudioCDsNode.Children().Item(1);
        QVERIFY(cd);
        main->cTreeView1_NodeClick(cd);
        for (const char* key : {"Add Files", "New Items List", "Remove Items List"})
            main->RunCommand(key);
        QCOMPARE(w.env.services().messages.size(), 1);
        QCOMPARE(w.env.services().messages.first().prompt,
                 "Adding new items to the Audio CD List is not possible." + QString(20, ' '));
        QCOMPARE(w.env.services().messages.first().style, int(core::vbInformation));
        QVERIFY(w.env.services().openRequests.isEmpty());
        QCOMPARE(snapshot(w.env.root()), before);
    }

    void exitWithClearOnExitTouchesNoFileOnRootsAndDrives_data() {
        QTest::addColumn<QString>("node");
        QTest::newRow("CD drive") << "cd";
        QTest::newRow("lists root") << "root";
    }
    void exitWithClearOnExitTouchesNoFileOnRootsAndDrives() {
        QFETCH(QString, node);
        World w;
        const QString wav = w.env.path("audio/tone.wav");
        writeWav(wav);
        writeList(settings::g_sItemsListDir + "Songs.flst", {wav});
        const QString drive = w.env.addVirtualDrive("audio");
        QVERIFY(!testsupport::writeAudioCueBin(drive, {1, 2}).isEmpty());
        frmMain* main = w.load();
        main->show();
        cTreeViewNode target =
            node == "cd" ? listviews::g_cAudioCDsNode.Children().Item(1) : listviews::g_cItemsListsNode;
        target.setSelected(true);
        main->cTreeView1_NodeClick(target);
        QVERIFY(node == "cd" ? itemlists::IsCDNode(w.selectedKey()) : itemlists::IsMainNode(w.selectedKey()));
        const auto lists = snapshot(settings::g_sItemsListDir);
        const auto disc = snapshot(drive);
        settings::g_bClearOnExit = true;

        QVERIFY(main->close());
        processDeletes();

        QVERIFY(!w.main);
        QCOMPARE(snapshot(settings::g_sItemsListDir), lists);
        QCOMPARE(snapshot(drive), disc);
        QVERIFY(!lists.isEmpty() && !disc.isEmpty());
    }

    void clickingACDDriveShowsItsTracks() {
        World w;
        const QString drive = w.env.addVirtualDrive("audio");
        QVERIFY(!testsupport::writeAudioCueBin(drive, {3, 4}).isEmpty());
        frmMain* main = w.load();
        cTreeViewNode cd = listviews::g_cAudioCDsNode.Children().Item(1);
        QVERIFY(!cd.isNull());
        cd.setSelected(true);
        main->cTreeView1_NodeClick(cd);
        QCOMPARE(main->cGrid1->Rows(), 2);
        QCOMPARE(main->cGrid1->CellText(2, main->cGrid1->ColumnIndex("Time")), QString("00:00:04"));
        QVERIFY(main->tmrCDs->isActive());
    }

    void exitWithClearOnExitEmptiesTheSelectedList() {
        World w;
        const QString wav = w.env.path("audio/tone.wav");
        writeWav(wav);
        const QString songs = settings::g_sItemsListDir + "Songs.flst";
        // One playable item and one whose file is gone: clearing drops both.
        writeList(songs, {wav, w.env.root() + "/gone.wav"});
        writeList(settings::g_sItemsListDir + "Zother.flst", {wav});
        frmMain* main = w.load();
        QCOMPARE(w.selectedKey(), songs);
        QCOMPARE(main->cGrid1->Rows(), 1);
        settings::g_bClearOnExit = true;

        QVERIFY(main->close());
        processDeletes();

        QVERIFY(!w.main);
        QFile file(songs);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("\r\n"));
        // Only the selected list is emptied.
        QVERIFY(QFileInfo(settings::g_sItemsListDir + "Zother.flst").size() > 2);
    }
};

QTEST_MAIN(tst_mainwindow_load)
#include "tst_mainwindow_load.moc"
