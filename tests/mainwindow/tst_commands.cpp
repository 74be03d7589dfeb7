// The main window's commands as the user reaches them: each key run through
// the dispatcher, checking what shows on the screen, which window opened with
// which values, and what the seam was asked to start or open.
#include "DiscImages.h"
#include "ListFixtures.h"
#include "MediaTools.h"
#include "TestEnv.h"
#include "WindowFixtures.h"
#include "burning/frmCDBurner.h"
#include "controls/cGrid.h"
#include "controls/cPopupMenu.h"
#include "controls/cProgressBar.h"
#include "controls/cSysTray.h"
#include "controls/cToolbar.h"
#include "controls/cTreeView.h"
#include "conversion/frmConverter.h"
#include "core/AppPaths.h"
#include "core/mdlFunctions.h"
#include "core/mdlModes.h"
#include "core/mdlSupportedDestination.h"
#include "dialogs/frmTurnOff.h"
#include "itemlists/ItemRows.h"
#include "itemlists/TreeKeys.h"
#include "listviews/HandOver.h"
#include "listviews/ItemsTree.h"
#include "mainwindow/ToolsTable.h"
#include "mainwindow/frmMain.h"
#include "options/frmAudioProp.h"
#include "options/frmOptions.h"
#include "ripping/frmCDRipper.h"
#include "settings/EncoderSettings.h"
#include "settings/SettingsVariables.h"
#include "toolframe/frmBatchTool.h"
#include "tools/frmAudioEditor.h"
#include "tools/frmOrlath.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QtTest>

namespace {

using testsupport::processDeletes;

QByteArray readFile(const QString& path) {
    return testsupport::fileBytes(path);
}

QString blanks(int n) {
    return QString(n, QLatin1Char(' '));
}

// A main window with the two settings dialogs loaded hidden, over a lists
// folder with "Songs" (a.wav, b.wav, c.wav, all marked) and the empty list
// "Void", and one virtual CD drive holding a disc of two audio tracks.
struct World : testsupport::SettingsDialogs {
    explicit World(bool withDisc = true) {
        core::InitModes();
        // Every tool offered, so that each has its menu item.
        for (const core::EditionSwitch& edition : core::EditionSwitches())
            *edition.variable = 1;
        settings::g_bAppExiting = false;
        settings::g_bDisplayMSGWhenExit = false;
        settings::g_bClearOnExit = false;
        settings::g_sItemsListDir = env.home() + "/Main/";
        QDir().mkpath(settings::g_sItemsListDir);
        songs = settings::g_sItemsListDir + "Songs.flst";
        QStringList files;
        for (const char* n : {"a", "b", "c"}) {
            const QString wav = env.path(QStringLiteral("audio/%1.wav").arg(n));
            testsupport::writeSilentWav(wav, 0.1);
            files << wav;
        }
        testsupport::writeMarkedList(songs, files);
        empty = settings::g_sItemsListDir + "Void.flst";
        QFile(empty).open(QIODevice::WriteOnly);
        const QString drive = env.addVirtualDrive("cd");
        if (withDisc) testsupport::writeAudioCueBin(drive, {1, 2});
    }
    ~World() {
        testsupport::unloadAll();
        for (const mainwindow::ToolInfo& tool : mainwindow::Tools())
            mainwindow::SetToolOpen(tool.key, {});
        mainwindow::SetFreeDBOpen({});
        mainwindow::exitHooks() = {};
        cSysTray::OverrideAvailable(std::nullopt);
    }
    frmMain* load(bool withDialogs = false) {
        if (withDialogs) loadDialogs();
        main = new frmMain;
        main->Form_Load();
        return main;
    }
    void select(const cTreeViewNode& node) {
        QVERIFY(!node.isNull());
        cTreeViewNode n = node;
        n.setSelected(true);
        main->cTreeView1_NodeClick(n);
    }
    void selectList(const QString& path) { select(main->cTreeView1->Nodes().Item(path)); }
    void selectCD() { select(listviews::g_cAudioCDsNode.Children().Item(1)); }
    void markRows(const QList<bool>& marks) {
        for (qint32 r = 1; r <= marks.size(); ++r)
            main->cGrid1->setCellIcon(r, 1, marks[r - 1] ? itemlists::ICON_MARKED : itemlists::ICON_UNMARKED);
    }
    void markAll(bool on) {
        for (qint32 r = 1; r <= main->cGrid1->Rows(); ++r)
            main->cGrid1->setCellIcon(r, 1, on ? itemlists::ICON_MARKED : itemlists::ICON_UNMARKED);
    }
    QString cell(qint32 row, const QString& column) const {
        return main->cGrid1->CellText(row, main->cGrid1->ColumnIndex(column));
    }
    QList<testsupport::ShownMessage>& messages() { return env.services().messages; }
    qint32 menuIndex(const QString& key) const { return main->m_cMenu->IndexForKey(key); }
    bool checked(const QString& key) const { return main->m_cMenu->Checked(menuIndex(key)); }
    QString openCaption() const { return main->m_cMenu->Caption(menuIndex("RC Open")); }

    testsupport::TestEnv env;
    QPointer<frmMain> main;
    QString songs;
    QString empty;
};

// What a tool's hook received, and what was true while its window was shown.
struct Launched {
    int calls = 0;
    mainwindow::ToolLaunch launch;
    bool busyPointer = false;
    int shows = 0;
    bool pollingWhileShown = true;
};

// Stands in for every tool's window: records the hand-over and is shown
// through the tools' modal show.
void recordLaunches(World& w, Launched& seen) {
    for (const mainwindow::ToolInfo& tool : mainwindow::Tools())
        mainwindow::SetToolOpen(tool.key, [&w, &seen](const mainwindow::ToolLaunch& launch) {
            ++seen.calls;
            seen.launch = launch;
            seen.busyPointer = w.main->cursor().shape() == Qt::WaitCursor;
            QDialog window;
            toolframe::ShowToolModal(launch, &window);
        });
    w.env.services().modalHandler = [&w, &seen](QDialog*) {
        ++seen.shows;
        seen.pollingWhileShown = w.main->tmrCDs->isActive();
        return int(QDialog::Accepted);
    };
}

} // namespace

class tst_commands : public QObject {
    Q_OBJECT
private slots:
    // Each list-fed tool in each situation: the refusal word for word, "Add
    // Files" for an empty list, or the launch with its values, CD polling off
    // while the window shows and on again afterwards only on a CD drive.
    void listFedLaunch_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("where");   // root, cd, empty, unmarked, marked, one
        QTest::addColumn<QString>("message"); // the refusal; "" when the tool opens
        QTest::addColumn<QString>("files");   // lblFilesToConvert's text when it opens
        const QString list = "Select the Items List." + blanks(40);
        const QString rip = "Select the the Audio CD device to rip from." + blanks(40);
        struct Tool {
            const char* key;
            QString root;
            QString mark;
            QString files2; // two marked items
        };
        const QList<Tool> tools{
            {"Audio Converter", list, "Mark the items to convert." + blanks(29), "2 items to convert."},
            {"MP3 CD Maker", list, "Mark the items to burn." + blanks(29), "2 items to burn."},
            {"WMA CD Maker", list, "Mark the items to burn." + blanks(29), "2 items to burn."},
            {"Audio CD Ripper", "Select the Items List of the CD." + blanks(40),
             "Mark the items to rip." + blanks(29), "2 items to convert."},
            {"ACM Converter", list, "Mark the items to convert." + blanks(29), "2 items to convert."},
            {"Audio Joiner", list, "Mark the items to join." + blanks(29), "2 items to join."},
            {"Audio Splitter", list, "Mark the items to split." + blanks(29), "Split: *"},
            {"Audio CD Maker", list, "Mark the items to burn." + blanks(29), "2 items to burn (0 minutes)."},
            {"Audio Analyser", list, "Mark the item to edit." + blanks(29), ""},
        };
        for (const Tool& t : tools) {
            const bool ripper = QLatin1String(t.key) == QLatin1String("Audio CD Ripper");
            const auto row = [&](const char* where, const QString& message, const QString& files) {
                QTest::newRow(qPrintable(QString("%1 / %2").arg(t.key, where)))
                    << QString(t.key) << QString(where) << message << files;
            };
            row("root", t.root, QString());
            row("cd", QString(), t.files2);
            row("cd unmarked", t.mark, QString());
            row("empty", ripper ? rip : QString("Add Files"), QString());
            row("unmarked", ripper ? rip : t.mark, QString());
            row("marked", ripper ? rip : QString(), t.files2);
        }
        QTest::newRow("Audio Joiner / one") << "Audio Joiner"
                                            << "one"
                                            << "Nothing to join." + blanks(55) + "\r\n\r\n"
                                            << QString();
    }
    void listFedLaunch() {
        QFETCH(QString, key);
        QFETCH(QString, where);
        QFETCH(QString, message);
        QFETCH(QString, files);
        World w;
        frmMain* main = w.load();
        Launched seen;
        recordLaunches(w, seen);

        QString expectedSelection;
        if (where == "root") {
            // The root of the kind the tool needs: the ripper's is "Audio CDs".
            const cTreeViewNode root =
                key == "Audio CD Ripper" ? listviews::g_cAudioCDsNode : listviews::g_cItemsListsNode;
            root.Children();
            w.select(root);
            expectedSelection = root.Children().Item(1).Key();
        } else if (where.startsWith("cd")) {
            w.selectCD();
            QCOMPARE(main->cGrid1->Rows(), 2);
            w.markAll(where == "cd");
            QVERIFY(main->tmrCDs->isActive());
        } else if (where == "empty") {
            w.selectList(w.empty);
            QCOMPARE(main->cGrid1->Rows(), 0);
        } else {
            w.selectList(w.songs);
            QCOMPARE(main->cGrid1->Rows(), 3);
            if (where == "unmarked") w.markRows({false, false, false});
            if (where == "marked") w.markRows({true, true, false});
            if (where == "one") w.markRows({false, true, false});
            main->cGrid1->setSelectedRow(3);
        }
        const bool cd = where.startsWith("cd");
        const QString selectedBefore = main->cTreeView1->SelectedItem().Key();
        w.messages().clear();

        main->m_cMenu_Click(w.menuIndex(key));

        if (!message.isEmpty()) {
            QCOMPARE(seen.calls, 0);
            if (message == "Add Files") {
                // The list is empty: "Add Files" runs in its place and asks for files.
                QVERIFY(w.messages().isEmpty());
                QCOMPARE(w.env.services().openRequests.size(), 1);
            } else {
                QCOMPARE(w.messages().size(), 1);
                QCOMPARE(w.messages().first().prompt, message);
                QCOMPARE(w.messages().first().style, int(core::vbInformation));
                QCOMPARE(w.messages().first().title, QString("Corvane 1.2"));
            }
            if (!expectedSelection.isEmpty())
                QCOMPARE(main->cTreeView1->SelectedItem().Key(), expectedSelection);
            if (message.startsWith("Select the the Audio CD"))
                QVERIFY(itemlists::IsCDNode(main->cTreeView1->SelectedItem().Key()));
            return;
        }

        QCOMPARE(seen.calls, 1);
        const mainwindow::ToolLaunch& l = seen.launch;
        QCOMPARE(l.toolKey, key);
        QCOMPARE(l.marked, 2);
        QVERIFY(seen.busyPointer);
        QCOMPARE(main->cursor().shape(), Qt::ArrowCursor);
        QCOMPARE(l.listName, core::MakeSafeFileName(main->cTreeView1->SelectedItem().Text()));
        QCOMPARE(main->cTreeView1->SelectedItem().Key(), selectedBefore);
        QCOMPARE(l.totalSeconds, listviews::TotalSeconds(*main->cGrid1, true));
        QCOMPARE(l.totalSize, listviews::GetTotalSize(*main->cGrid1, true));
        QCOMPARE(l.allRows, key == "Audio CD Ripper");
        QCOMPARE(l.selectedRow, main->cGrid1->SelectedRow());
        if (files == "Split: *") {
            // The selected row, marked or not.
            const qint32 row = main->cGrid1->SelectedRow();
            QCOMPARE(l.filesText, "Split: " + w.cell(row, "Item Name"));
            QCOMPARE(l.timePanelText, "Total Time: " + w.cell(row, "Time"));
        } else {
            QCOMPARE(l.filesText, files);
            QCOMPARE(l.timePanelText, QString("Total Time: 0:00:0%1").arg(cd ? 3 : 0));
            QCOMPARE(l.sizePanelText, "Total Size: " + l.totalSize);
        }
        QCOMPARE(seen.shows, 1);
        QVERIFY(!seen.pollingWhileShown);
        QCOMPARE(main->tmrCDs->isActive(), cd);
    }

    // The disc-fill check of the Audio CD Maker at the edge of 80 minutes,
    // counted from the "Time" of the marked rows.
    void discFillAtEightyMinutes_data() {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::addColumn<bool>("tooBig");
        QTest::newRow("79:59") << "1:19:00"
                               << "0:00:59" << false;
        QTest::newRow("80:00") << "1:19:00"
                               << "0:01:00" << false;
        QTest::newRow("80:01") << "1:19:00"
                               << "0:01:01" << true;
    }
    void discFillAtEightyMinutes() {
        QFETCH(QString, first);
        QFETCH(QString, second);
        QFETCH(bool, tooBig);
        World w;
        frmMain* main = w.load();
        Launched seen;
        recordLaunches(w, seen);
        w.selectList(w.songs);
        w.markRows({true, true, false});
        main->cGrid1->setCellText(1, main->cGrid1->ColumnIndex("Time"), first);
        main->cGrid1->setCellText(2, main->cGrid1->ColumnIndex("Time"), second);
        main->cGrid1->setCellText(3, main->cGrid1->ColumnIndex("Time"), "1:00:00"); // not marked

        main->RunCommand("Audio CD Maker");

        QCOMPARE(seen.calls, 1);
        const toolframe::DiscFill& fill = seen.launch.discFill;
        QCOMPARE(fill.minutes, 80);
        QCOMPARE(fill.tooBig, tooBig);
        QCOMPARE(seen.launch.filesText, QString("2 items to burn (80 minutes)."));
        QCOMPARE(fill.sizePanelText, QString("80 Min / 80 Min."));
        QCOMPARE(fill.barMin, 0);
        QCOMPARE(fill.barMax, 83);
        QCOMPARE(fill.barValue, 80);
        if (tooBig) {
            QCOMPARE(fill.barColor, 255);
            QCOMPARE(fill.dataSizeText,
                     QString("Data is to big (more then 80 min). Please remove some tracks."));
            QVERIFY(fill.dataSizeBold);
        } else {
            QCOMPARE(fill.barColor, -1);
            QCOMPARE(fill.dataSizeText, QString("Data Size: 2 files, 80 Min / 80 Min."));
            QVERIFY(!fill.dataSizeBold);
        }
        // A warning only: the window opens either way.
        QCOMPARE(seen.shows, 1);
    }

    void discFillRounding_data() {
        QTest::addColumn<qint64>("seconds");
        QTest::addColumn<int>("minutes");
        QTest::addColumn<bool>("tooBig");
        QTest::newRow("half to even, down") << qint64(150) << 2 << false;
        QTest::newRow("half to even, up") << qint64(210) << 4 << false;
        QTest::newRow("80.5 minutes") << qint64(4830) << 80 << true;
        QTest::newRow("95 minutes, past the bar") << qint64(5700) << 95 << true;
    }
    void discFillRounding() {
        QFETCH(qint64, seconds);
        QFETCH(int, minutes);
        QFETCH(bool, tooBig);
        const toolframe::DiscFill fill = toolframe::ComputeDiscFill(3, seconds);
        QCOMPARE(fill.minutes, minutes);
        QCOMPARE(fill.barValue, minutes);
        QCOMPARE(fill.barMax, 83);
        QCOMPARE(fill.tooBig, tooBig);
    }

    // The real converter window from the dispatcher: it receives the marked
    // rows, and CD polling is off while it shows and back on for a CD drive.
    void converterWindowFromTheDispatcher() {
        World w;
        frmMain* main = w.load();
        w.selectCD();
        w.markRows({true, false});
        QVERIFY(main->tmrCDs->isActive());
        QString label;
        qint32 rows = -1;
        bool polling = true;
        w.env.services().modalHandler = [&](QDialog* window) {
            auto* converter = qobject_cast<frmConverter*>(window);
            if (converter) {
                label = converter->lblFilesToConvert->text();
                rows = converter->findChild<cGrid*>("cGrid1")->Rows();
            }
            polling = main->tmrCDs->isActive();
            return int(QDialog::Rejected);
        };

        main->RunCommand("Audio Converter");

        QCOMPARE(w.env.services().modalShows, 1);
        QCOMPARE(label, QString("1 items to convert."));
        QCOMPARE(rows, 1);
        QVERIFY(!polling);
        QVERIFY(main->tmrCDs->isActive());
        QCOMPARE(main->cursor().shape(), Qt::ArrowCursor);
    }

    // The analyser from the dispatcher works on the selected row, marked or
    // not: a WAV directly, any other file through the temporary WAV; CD
    // polling is off while it shows.
    void analyserFromTheDispatcher() {
        World w;
        const QString ogg = w.env.path("audio/tone.ogg");
        QVERIFY(testsupport::runFfmpeg(testsupport::sineInput(0.5) << "-c:a"
                                                                   << "libvorbis" << ogg));
        const QString withOgg = settings::g_sItemsListDir + "Mixed.flst";
        QVERIFY(testsupport::writeMarkedList(withOgg, {w.env.path("audio/a.wav"), ogg}));
        frmMain* main = w.load();
        struct Seen {
            QString file, caption, samples;
            bool polling = true;
        };
        QList<Seen> seen;
        w.env.services().modalHandler = [&](QDialog* window) -> int {
            if (auto* analyser = qobject_cast<frmAudioEditor*>(window)) {
                Seen s{analyser->txtWavFile->text(), analyser->windowTitle(), {}, main->tmrCDs->isActive()};
                // The file's facts arrive queued.
                (void)QTest::qWaitFor([&] { return analyser->lblNumOfSamples->text() != "Num Of Samples"; },
                                      60000);
                s.samples = analyser->lblNumOfSamples->text();
                seen << s;
            }
            return int(QDialog::Rejected);
        };

        w.selectList(withOgg);
        w.markRows({true, false});
        main->cGrid1->setSelectedRow(2);
        main->RunCommand("Audio Analyser");
        QCOMPARE(seen.size(), 1);
        QCOMPARE(seen[0].file, core::ProgramFolder() + "/tmpeditor.wav");
        QCOMPARE(seen[0].caption, w.cell(2, "Item Name"));
        QVERIFY2(qAbs(seen[0].samples.toInt() - 22050) < 500,
                 qPrintable(seen[0].samples)); // the decoded tone
        QVERIFY(!tools::g_bAbortedAudioEditor);
        QVERIFY(!seen[0].polling);

        w.selectList(w.songs);
        main->cGrid1->setSelectedRow(1);
        main->RunCommand("Audio Analyser");
        QCOMPARE(seen.size(), 2);
        QCOMPARE(seen[1].file, w.cell(1, "COL_FILE"));
        QCOMPARE(seen[1].samples, QString::number(qRound(0.1 * 44100)));
        QCOMPARE(main->cursor().shape(), Qt::ArrowCursor);
    }

    // The real burner window from the dispatcher, past 80 minutes: it opens
    // with the warning, and CD polling is off while it shows.
    void burnerWindowFromTheDispatcher() {
        World w;
        frmMain* main = w.load();
        w.selectCD();
        w.markAll(true);
        main->cGrid1->setCellText(1, main->cGrid1->ColumnIndex("Time"), "1:20:01");
        QString files;
        QString dataSize;
        qint32 bar = -1;
        bool polling = true;
        w.env.services().modalHandler = [&](QDialog* window) {
            if (auto* burner = qobject_cast<frmCDBurner*>(window)) {
                files = burner->lblFilesToConvert->text();
                dataSize = burner->lblDataSize->text();
                bar = burner->prgSize->Value();
            }
            polling = main->tmrCDs->isActive();
            return int(QDialog::Rejected);
        };

        main->RunCommand("Audio CD Maker");

        QCOMPARE(w.env.services().modalShows, 1);
        QCOMPARE(files, QString("2 items to burn (80 minutes)."));
        QCOMPARE(dataSize, QString("Data is to big (more then 80 min). Please remove some tracks."));
        QCOMPARE(bar, 80);
        QVERIFY(!polling);
        QVERIFY(main->tmrCDs->isActive());
    }

    // The real ripper window from a CD drive: every track with its mark, the
    // drive list locked to the CD's drive.
    void ripperWindowFromTheDispatcher() {
        World w;
        frmMain* main = w.load();
        w.selectCD();
        w.markRows({false, true});
        qint32 rows = -1;
        bool devicesEnabled = true;
        QString device;
        bool polling = true;
        w.env.services().modalHandler = [&](QDialog* window) {
            if (auto* ripper = qobject_cast<frmCDRipper*>(window)) {
                rows = ripper->cGrid1->Rows();
                devicesEnabled = ripper->cboDevices->isEnabled();
                device = ripper->cboDevices->currentText();
                window->close();
            }
            polling = main->tmrCDs->isActive();
            return int(QDialog::Rejected);
        };

        main->RunCommand("Audio CD Ripper");

        QCOMPARE(w.env.services().modalShows, 1);
        QCOMPARE(rows, 2);
        QVERIFY(!devicesEnabled);
        QVERIFY(device.startsWith(main->cTreeView1->SelectedItem().Key().mid(4)));
        QVERIFY(!polling);
        QVERIFY(main->tmrCDs->isActive());
    }

    // Every window with end-of-job actions, opened as the user opens it:
    // through the dispatcher's tools table. A run that ends well shows the
    // 30-second turn-off countdown and starts the end-of-job program with the
    // values of the main window's last row.
    void endOfJobFromTheDispatcher_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<bool>("fromCD");
        QTest::newRow("Audio Converter") << "Audio Converter" << false;
        QTest::newRow("ACM Converter") << "ACM Converter" << false;
        QTest::newRow("Audio CD Ripper") << "Audio CD Ripper" << true;
        QTest::newRow("Audio CD Maker") << "Audio CD Maker" << false;
    }
    void endOfJobFromTheDispatcher() {
        QFETCH(QString, key);
        QFETCH(bool, fromCD);
        World w;
        w.env.addVirtualDrive("writer"); // E:, a blank disc for the burner
        settings::g_bTurnOffComputer = true;
        settings::g_bNoticeApp = true;
        settings::g_sAppNotice = "notify-done [FILE_RECORDED] [FILE_TIME_LENGTH]";
        settings::g_bPlaySound = false;
        settings::g_bOpenDestFolder = false;
        frmMain* main = w.load();
        if (fromCD)
            w.selectCD();
        else
            w.selectList(w.songs);
        w.markAll(true);
        const qint32 last = main->cGrid1->Rows();
        const QStringList program{"notify-done", w.cell(last, "Item Name"), w.cell(last, "Time")};
        const QString out = w.env.path("out");
        QVERIFY(QDir().mkpath(out));

        QStringList countdowns;
        QString ending;
        QString log;
        w.env.services().modalHandler = [&](QDialog* window) {
            if (auto* countdown = qobject_cast<frmTurnOff*>(window)) {
                // Seen counting from 30; cancelled, as the shutdown itself is the countdown's own test.
                countdowns << countdown->lblSecToShutDown->text();
                countdown->cmdCancel_Click();
                return int(QDialog::Rejected);
            }
            auto* tool = qobject_cast<toolframe::frmBatchTool*>(window);
            if (!tool) return int(QDialog::Rejected);
            tool->txtToPath->setEditText(out);
            if (tool->cboTargetFormat)
                tool->cboTargetFormat->setCurrentIndex(
                    tool->cboTargetFormat->findText("WAV", Qt::MatchStartsWith));
            if (auto* burner = qobject_cast<frmCDBurner*>(tool)) {
                burner->cboDrv->setCurrentIndex(burner->cboDrv->count() - 1);
                burner->cboDrv_Click();
            }
            tool->cmdConvert->click(); // as the user starts it (the burner's burn returns when done)
            (void)QTest::qWaitFor([&] { return tool->cmdConvert->isEnabled(); }, 20000);
            ending = tool->lblCurrentTrack->text();
            log = tool->txtLog->toPlainText();
            tool->close();
            return int(QDialog::Rejected);
        };

        main->RunCommand(key);

        QVERIFY2(ending == "Done." || ending == "Finished.", qPrintable(ending + '\n' + log));
        QCOMPARE(countdowns, QStringList{"30"});
        QCOMPARE(w.env.services().powerOffs, 0);
        QCOMPARE(w.env.services().startedPrograms, QList<QStringList>{program});
    }

    // Tool buttons, the headline button and the status panels reach their commands.
    void buttonsAndPanelsReachTheirCommands() {
        World w;
        frmMain* main = w.load();
        Launched seen;
        recordLaunches(w, seen);
        w.selectList(w.songs);
        QPushButton* maker = nullptr;
        for (QPushButton* button : main->cmdTools)
            if (button && button->text() == "Audio CD Maker") maker = button;
        QVERIFY(maker);
        maker->click();
        QCOMPARE(seen.calls, 1);
        QCOMPARE(seen.launch.toolKey, QString("Audio CD Maker"));

        // The headline button of this edition is "Burn", keyed "Audio CD Maker".
        const int headline = main->tlbrTop->ButtonIndex("Audio CD Maker");
        QVERIFY(headline > 0);
        QCOMPARE(main->tlbrTop->ButtonCaption(headline), QString("Burn"));
        main->tlbrTop_ButtonClick(headline);
        QCOMPARE(seen.calls, 2);

        // "Notes" panel: the notes window; "Items List Properties" panel: its window.
        main->cStatusBar1_PanelClick(2);
        bool properties = false;
        for (QWidget* top : QApplication::topLevelWidgets())
            if (top->objectName() == "frmDirProperties" && top->isVisible()) properties = true;
        QVERIFY(properties);
        main->cStatusBar1_PanelClick(1); // "Main" runs nothing
        QVERIFY(w.messages().isEmpty());
    }

    // The tag editor opens modeless and the command returns at once.
    void tagsEditorIsModeless() {
        World w;
        frmMain* main = w.load();
        main->RunCommand("MP3 Tags Editor");
        QWidget* editor = nullptr;
        for (QWidget* top : QApplication::topLevelWidgets())
            if (top->objectName() == "frmMP3TagsEditor" && top->isVisible()) editor = top;
        QVERIFY(editor);
        QVERIFY(!editor->isModal());
        QCOMPARE(w.env.services().modalShows, 0);
        editor->close();
    }

    // Text To Speech opens with no list test and the hourglass on the main
    // window; Add puts its file into the list shown, which is saved and loaded again.
    void textToSpeechAddsToTheShownList() {
        World w;
        frmMain* main = w.load();
        w.selectList(w.songs);
        settings::g_lWAVSampleRate = 22050;
        settings::g_lWAVChannelsIndex = 0;
        settings::g_lWAVBitsPerSample = 16;
        const qint32 rows = main->cGrid1->Rows();
        bool busy = false;
        w.env.services().modalHandler = [&](QDialog* window) {
            auto* speech = qobject_cast<frmOrlath*>(window);
            if (!speech) return int(QDialog::Rejected);
            busy = main->cursor().shape() == Qt::WaitCursor;
            speech->cboTargetFormat->setCurrentIndex(
                speech->cboTargetFormat->findText(core::DestinationFormatText(core::fmtWAV)));
            speech->txtSpeak->setPlainText("A spoken item.");
            speech->cmdAdd_Click();
            return speech->result();
        };
        main->RunCommand("Text To Speech");
        QCOMPARE(w.env.services().modalShows, 1);
        QVERIFY(busy);
        QCOMPARE(main->cursor().shape(), Qt::ArrowCursor);
        QVERIFY2(w.messages().isEmpty(), qPrintable(w.messages().value(0).prompt));
        QCOMPARE(main->cGrid1->Rows(), rows + 1);
        const QString file = w.cell(rows + 1, "COL_FILE");
        QVERIFY2(QFileInfo(file).fileName().startsWith("TTS_") && file.endsWith(".wav"), qPrintable(file));
        QVERIFY(QFileInfo(file).size() > 1000);
        QVERIFY(readFile(w.songs).contains(QFileInfo(file).fileName().toUtf8()));
    }

    // Each Options key opens the dialog at its page, after leaving on-top mode.
    void optionsPages_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("page");
        QTest::newRow("General") << "General"
                                 << "froGeneral";
        QTest::newRow("Events") << "Events"
                                << "froEvents";
        QTest::newRow("View") << "View"
                              << "froView";
        QTest::newRow("ID3 Tags") << "ID3 Tags"
                                  << "froTags";
        QTest::newRow("Advanced") << "Advanced"
                                  << "froAdvanced";
    }
    void optionsPages() {
        QFETCH(QString, key);
        QFETCH(QString, page);
        World w;
        frmMain* main = w.load(true);
        main->show();
        main->RunCommand("On Top");
        QVERIFY(main->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QString shownKey;
        QStringList visiblePages;
        bool onTopWhileShown = true;
        w.env.services().modalHandler = [&](QDialog* dialog) {
            auto* options = qobject_cast<frmOptions*>(dialog);
            if (options) {
                shownKey = options->cTreeView1->SelectedItem().Key();
                for (QFrame* f : {options->froGeneral, options->froEvents, options->froView, options->froTags,
                                  options->froAdvanced})
                    if (!f->isHidden()) visiblePages << f->objectName();
            }
            onTopWhileShown = main->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
            return int(QDialog::Rejected);
        };

        main->RunCommand(key);

        QCOMPARE(shownKey, key);
        QCOMPARE(visiblePages, QStringList{page});
        QVERIFY(!onTopWhileShown);
        // The mark stays: leaving on-top mode for a window does not change it.
        QVERIFY(w.checked("On Top"));
    }

    // "Transparent" and "On Top" switch and switch back, with their marks.
    void transparentAndOnTop() {
        World w;
        frmMain* main = w.load();
        main->show();
        QVERIFY(!w.checked("Transparent"));
        main->RunCommand("Transparent");
        QCOMPARE(qRound(main->windowOpacity() * 255), 90);
        QVERIFY(w.checked("Transparent"));
        main->RunCommand("Transparent");
        QCOMPARE(main->windowOpacity(), 1.0);
        QVERIFY(!w.checked("Transparent"));

        main->RunCommand("On Top");
        QVERIFY(main->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(w.checked("On Top"));
        QVERIFY(main->isVisible());
        main->RunCommand("On Top");
        QVERIFY(!main->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(!w.checked("On Top"));

        // A button of the items toolbar leaves on-top mode and takes the mark off.
        main->RunCommand("On Top");
        main->tlbrList_ButtonClick(main->tlbrList->ButtonIndex("MarkUnmark All"));
        QVERIFY(!main->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(!w.checked("On Top"));
    }

    // "Minimize", "GoSysTray" and "RC Open", with and without a tray.
    void windowStatesAndTray() {
        World w;
        frmMain* main = w.load();
        main->show();
        cSysTray::OverrideAvailable(true);

        main->RunCommand("Minimize");
        QVERIFY(main->isMinimized());
        QVERIFY(main->isVisible());
        QVERIFY(!main->m_bInTray);
        QCOMPARE(w.openCaption(), QString("Hide"));
        main->RunCommand("RC Open"); // minimised to the taskbar: into the tray
        QVERIFY(!main->isVisible());
        QVERIFY(main->m_bInTray);
        main->RunCommand("RC Open");
        QVERIFY(main->isVisible());
        QVERIFY(!main->isMinimized());
        QCOMPARE(w.openCaption(), QString("Hide"));

        main->showMaximized();
        main->RunCommand("GoSysTray");
        QVERIFY(!main->isVisible());
        QVERIFY(main->isMinimized());
        QVERIFY(main->m_bInTray);
        QCOMPARE(w.openCaption(), QString("Show"));
        main->RunCommand("RC Open");
        QVERIFY(main->isVisible());
        QVERIFY(!main->isMinimized());
        QVERIFY(!main->isMaximized());
        QVERIFY(!main->m_bInTray);
        QCOMPARE(w.openCaption(), QString("Hide"));

        // Without a tray the window could not come back from it: minimised instead.
        cSysTray::OverrideAvailable(false);
        main->RunCommand("GoSysTray");
        QVERIFY(main->isVisible());
        QVERIFY(main->isMinimized());
        QVERIFY(!main->m_bInTray);
        QCOMPARE(w.openCaption(), QString("Hide"));
    }

    // "Master Volume" starts the volume control by its path, with no shell and
    // no arguments; without one installed it says so.
    void masterVolume() {
        World w;
        frmMain* main = w.load();
        const QString bin = QFileInfo(w.env.path("bin/pavucontrol")).path();
        const QByteArray oldPath = qgetenv("PATH");
        qputenv("PATH", bin.toLocal8Bit());
        main->RunCommand("Master Volume");
        QVERIFY(w.env.services().startedPrograms.isEmpty());
        QCOMPARE(w.messages().size(), 1);
        QVERIFY(w.messages().first().prompt.contains("pavucontrol"));

        QFile mixer(bin + "/pavucontrol");
        QVERIFY(mixer.open(QIODevice::WriteOnly));
        mixer.write("#!/bin/sh\n");
        mixer.close();
        mixer.setPermissions(QFile::ReadOwner | QFile::ExeOwner);
        main->cStatusBar1_PanelClick(4); // the "Master Volume" panel
        qputenv("PATH", oldPath);
        QCOMPARE(w.env.services().startedPrograms, (QList<QStringList>{{bin + "/pavucontrol"}}));
        QCOMPARE(w.messages().size(), 1);
    }

    // "HelpTopic" opens the installed help in the browser; "Support" the
    // support page; "Open Default Player" the selected row's file.
    void helpSupportAndDefaultPlayer() {
        World w;
        frmMain* main = w.load();
        main->RunCommand("HelpTopic");
        const QString index = core::ProgramFolder() + "/help/index.html";
        QVERIFY(QFile::exists(index));
        main->RunCommand("Support");
        w.selectList(w.songs);
        main->cGrid1->setSelectedRow(2);
        main->RunCommand("Open Default Player");
        QCOMPARE(w.env.services().openedUrls,
                 (QList<QUrl>{QUrl::fromLocalFile(index), QUrl(core::g_sSupportURL),
                              QUrl::fromLocalFile(w.cell(2, "COL_FILE"))}));
        QVERIFY(w.messages().isEmpty());

        // An empty list opens nothing.
        w.selectList(w.empty);
        main->RunCommand("Open Default Player");
        QCOMPARE(w.env.services().openedUrls.size(), 3);
    }

    // Every page the help index links to is installed, and every window and
    // tool of the main window has its page.
    void helpPagesAreComplete() {
        const QString folder = core::InstallFolder() + "/help";
        const QString index = QString::fromUtf8(readFile(folder + "/index.html"));
        QVERIFY(!index.isEmpty());
        static const QRegularExpression link("href=\"([^\"#:]+\\.html)");
        QStringList linked;
        for (auto it = link.globalMatch(index); it.hasNext();)
            linked << it.next().captured(1);
        QVERIFY(linked.size() >= 10);
        for (const QString& page : linked) {
            const QString text = QString::fromUtf8(readFile(folder + "/" + page));
            QVERIFY2(text.contains("<h1>"), qPrintable(page));
        }
        for (const mainwindow::ToolInfo& tool : mainwindow::Tools())
            QVERIFY2(index.contains(">" + tool.caption + "<"), qPrintable(tool.caption));
    }

    // "Save As" proposes the item's name and refuses to copy a file onto itself.
    void saveAsProposesTheNameAndSparesTheFile() {
        World w;
        frmMain* main = w.load();
        w.selectList(w.songs);
        main->cGrid1->setSelectedRow(2);
        const QString own = w.cell(2, "COL_FILE");
        const QByteArray bytes = readFile(own);
        w.env.services().saveAnswers << QString() << own;

        main->RunCommand("Save As"); // cancelled
        QCOMPARE(w.env.services().saveRequests.size(), 1);
        const core::FileDialogRequest& request = w.env.services().saveRequests.first();
        QCOMPARE(request.defaultName, QString("b.wav"));
        QCOMPARE(request.title, QString("Save As"));
        QCOMPARE(request.defaultExt, QString("wav"));
        QVERIFY(request.filter.contains("*.wav"));
        QVERIFY(w.messages().isEmpty());

        main->RunCommand("Save As"); // onto its own file
        QCOMPARE(w.messages().size(), 1);
        QVERIFY(w.messages().first().prompt.contains(own));
        QCOMPARE(readFile(own), bytes);
    }

    // On a CD drive the list commands refuse with their boxes and no list file
    // is written; moves and marks change only the grid.
    void cdNodeRefusesAndWritesNoFile() {
        World w;
        frmMain* main = w.load();
        const QByteArray songs = readFile(w.songs);
        const QStringList before = QDir(settings::g_sItemsListDir).entryList(QDir::Files);
        w.selectCD();
        QCOMPARE(main->cGrid1->Rows(), 2);

        main->RunCommand("Clear the List");
        main->RunCommand("Remove Item");
        main->RunCommand("Save As");
        QCOMPARE(w.messages().size(), 3);
        QCOMPARE(w.messages().at(0).prompt, "Cannot remove items from Audio CD." + blanks(20));
        QCOMPARE(w.messages().at(1).prompt, "Cannot remove items from Audio CD." + blanks(20));
        QCOMPARE(w.messages().at(2).prompt, "Nothing to save." + blanks(20));
        QVERIFY(!main->tmrRemove->isActive());

        main->cGrid1->setSelectedRow(1);
        const QString first = w.cell(1, "Item Name");
        main->RunCommand("Move Down");
        QCOMPARE(w.cell(2, "Item Name"), first);
        main->RunCommand("MarkUnmark All");
        main->RunCommand("Move To First");
        QCOMPARE(main->cGrid1->Rows(), 2);
        QCOMPARE(QDir(settings::g_sItemsListDir).entryList(QDir::Files), before);
        QCOMPARE(readFile(w.songs), songs);
    }

    // "FreeDB": refused on a list, nothing on an empty drive, the window's
    // hook on a drive with tracks; on-top mode is left in every case.
    void freeDB() {
        World w;
        frmMain* main = w.load();
        main->show();
        int lookups = 0;
        mainwindow::SetFreeDBOpen([&](const mainwindow::ToolLaunch& launch) {
            ++lookups;
            QVERIFY(itemlists::IsCDNode(launch.tree->SelectedItem().Key()));
        });
        w.selectList(w.songs);
        main->RunCommand("On Top");
        main->RunCommand("FreeDB");
        QCOMPARE(w.messages().size(), 1);
        QCOMPARE(w.messages().first().prompt,
                 "Select the CD drive to get the information about." + blanks(18));
        QVERIFY(!main->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QCOMPARE(lookups, 0);

        w.selectCD();
        main->RunCommand("FreeDB");
        QCOMPARE(lookups, 1);
        QCOMPARE(w.messages().size(), 1);

        // The window renames the CD node through the context: the caption above the grid follows.
        mainwindow::SetFreeDBOpen([&](const mainwindow::ToolLaunch& launch) {
            cTreeViewNode node = launch.tree->SelectedItem();
            node.setText("The Band - First Album");
            launch.renameNode(node, "The Band - First Album");
        });
        main->RunCommand("FreeDB");
        QVERIFY(itemlists::IsCDNode(main->cTreeView1->SelectedItem().Key()));
        QCOMPARE(main->cTreeView1->SelectedItem().Text(), QString("The Band - First Album"));
        QCOMPARE(main->lblListName->text(), QString("The Band - First Album"));
    }

    void freeDBOnAnEmptyDriveDoesNothing() {
        World w(false);
        frmMain* main = w.load();
        int lookups = 0;
        mainwindow::SetFreeDBOpen([&](const mainwindow::ToolLaunch&) { ++lookups; });
        w.selectCD();
        QCOMPARE(main->cGrid1->Rows(), 0);
        main->RunCommand("FreeDB");
        QCOMPARE(lookups, 0);
        QVERIFY(w.messages().isEmpty());
    }

    // A click on the list's caption opens the Items List Properties window.
    void captionClickOpensListProperties() {
        World w;
        frmMain* main = w.load();
        main->show();
        w.selectList(w.songs);
        QTest::mouseClick(main->lblListName, Qt::LeftButton);
        QWidget* properties = nullptr;
        for (QWidget* top : QApplication::topLevelWidgets())
            if (top->objectName() == "frmDirProperties" && top->isVisible()) properties = top;
        QVERIFY(properties);
        properties->close();
    }

    // The exit releases the FreeDB client, after every other window has gone.
    void exitClosesTheFreeDBClient() {
        World w;
        frmMain* main = w.load();
        QStringList order;
        mainwindow::exitHooks().closeFreeDB = [&] {
            order << "FreeDB";
            QVERIFY(settings::g_bAppExiting);
        };
        main->RunCommand("Exit");
        processDeletes();
        QCOMPARE(order, QStringList{"FreeDB"});
        QVERIFY(!w.main);
    }

    // Keys that no control carries, and "Add Directories", do nothing.
    void silentKeys() {
        World w;
        frmMain* main = w.load();
        const QByteArray songs = readFile(w.songs);
        for (const char* key : {"Add Directories", "Burn From List", "Burn From Files", "Live Update"}) {
            QVERIFY(main->HasCommand(key));
            main->RunCommand(key);
        }
        QVERIFY(w.messages().isEmpty());
        QVERIFY(w.env.services().openedUrls.isEmpty());
        QCOMPARE(readFile(w.songs), songs);
    }

    // A right click on the grid opens the items menu where the pointer is.
    void gridPopupOpensAtThePointer() {
        World w;
        frmMain* main = w.load();
        main->move(40, 30);
        main->show();
        QVERIFY(QTest::qWaitForWindowExposed(main));
        w.selectList(w.songs);
        QWidget* viewport = main->cGrid1->viewport();
        const QPoint click(30, 12);
        QTest::mouseClick(viewport, Qt::RightButton, {}, click);
        QMenu* menu = main->m_cMenu->LastShownMenu();
        QVERIFY(menu);
        QVERIFY(menu->isVisible());
        QCOMPARE(menu->pos(), viewport->mapToGlobal(click));
        menu->close();
    }

    // Separators draw as lines: no "-" text on them.
    void separatorsHaveNoText() {
        World w;
        frmMain* main = w.load();
        int separators = 0;
        for (qint32 i = 1; i <= main->m_cMenu->ItemCount(); ++i) {
            QAction* action = main->m_cMenu->Action(i);
            if (!main->m_cMenu->IsSeparator(i) || !action) continue;
            ++separators;
            QVERIFY(action->isSeparator());
            QVERIFY(action->text().isEmpty());
        }
        QVERIFY(separators > 10);
    }

    // Every button of the window, icon-only ones too, has a name that screen
    // readers and desktop automation find.
    void everyButtonHasAnAccessibleName() {
        World w;
        frmMain* main = w.load();
        main->show();
        int buttons = 0;
        for (QAbstractButton* button : main->findChildren<QAbstractButton*>()) {
            if (!button->isVisibleTo(main) ||
                QLatin1String(button->metaObject()->className()) == QLatin1String("QTableCornerButton"))
                continue;
            ++buttons;
            const QString name =
                button->accessibleName().isEmpty() ? button->text() : button->accessibleName();
            QVERIFY2(!name.trimmed().isEmpty(),
                     qPrintable(button->objectName() + " " + button->metaObject()->className()));
        }
        QVERIFY(buttons > 20);
        const QPushButton* icon = main->cmdToolsIcon.value(2);
        QVERIFY(icon);
        QCOMPARE(icon->accessibleName(), main->cmdTools.value(2)->text());
    }
};

QTEST_MAIN(tst_commands)
#include "tst_commands.moc"
