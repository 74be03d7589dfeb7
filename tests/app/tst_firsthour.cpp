// A new user's first hour, through the program as it starts on a new machine:
// an empty program folder and settings store, the installer's defaults, the
// main window's CD node ripped twice with the defaults (the second time after
// the virtual tray closed by itself), the tables of both editions, the
// converter of the full edition, and what assistive technology is told.
#include "DiscImages.h"
#include "ListFixtures.h"
#include "MediaTools.h"
#include "TestEnv.h"
#include "WindowFixtures.h"

#include "app/StartApplication.h"
#include "components/DriveRegistry.h"
#include "controls/AccessibleNames.h"
#include "controls/cGrid.h"
#include "controls/cTreeView.h"
#include "conversion/frmConverter.h"
#include "core/mdlModes.h"
#include "core/mdlSupportedDestination.h"
#include "itemlists/TreeKeys.h"
#include "listviews/ItemsTree.h"
#include "mainwindow/ToolsTable.h"
#include "mainwindow/frmMain.h"
#include "options/frmAudioProp.h"
#include "options/frmOptions.h"
#include "ripping/frmCDRipper.h"
#include "settings/EncoderSettings.h"
#include "settings/SettingsVariables.h"
#include "tags/frmMP3TagsEditor.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

namespace {

const QString kWav = QStringLiteral("WAV - Waveform Audio Format (*.wav)");
const QString kMp3 = QStringLiteral("MP3 - MPEG-1 Audio Layer 3 (*.mp3)");

// "codec,rate,channels" of a file's first audio stream, as ffprobe sees it.
QString probeAudio(const QString& file) {
    QProcess p;
    p.start("ffprobe", {"-v", "error", "-select_streams", "a:0", "-show_entries",
                        "stream=codec_name,sample_rate,channels", "-of", "csv=p=0", file});
    if (!p.waitForFinished(30000)) return QString();
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

// The program on a new machine: no program folder contents, no settings
// store, one virtual drive D: holding a disc of three tracks.
struct NewMachine {
    NewMachine() : env(false) {
        drive = env.addVirtualDrive("cd");
        cue = testsupport::writeAudioCueBin(drive, kSeconds);
        // The trays' clock stands still until the test moves it.
        components::DriveRegistry::instance().setClockForTesting([this] { return now; });
    }
    ~NewMachine() {
        testsupport::unloadAll();
        components::DriveRegistry::instance().setClockForTesting({});
    }
    bool start() {
        if (!app::StartApplication(QString())) return false;
        main = frmMain::instance();
        return main;
    }
    void selectCD() {
        cTreeViewNode node = listviews::g_cAudioCDsNode.Children().Item(1);
        QVERIFY(!node.isNull());
        QCOMPARE(node.Text(), QString("D:"));
        node.setSelected(true);
        main->cTreeView1_NodeClick(node);
    }

    const QList<int> kSeconds{1, 2, 1};
    testsupport::TestEnv env;
    QString drive;
    QString cue;
    qint64 now = 0;
    frmMain* main = nullptr;
};

// What the ripper window showed when it opened, and how its run went.
struct RipSeen {
    bool ripper = false;
    bool busyPointer = true;
    QString format;
    QString fileNameFormat;
    QString destination;
    bool finished = false;
    QString currentTrack;
};

// Rips with whatever the window opened with; answers the overwrite prompts.
std::function<int(QDialog*)> ripWithDefaults(frmMain* main, RipSeen& seen) {
    return [main, &seen](QDialog* window) {
        seen.busyPointer = main->cursor().shape() == Qt::WaitCursor;
        auto* ripper = qobject_cast<frmCDRipper*>(window);
        if (!ripper) return int(QDialog::Rejected);
        seen.ripper = true;
        seen.format = ripper->TargetFormatText();
        seen.fileNameFormat = ripper->cboFileName->currentText();
        seen.destination = ripper->txtToPath->currentText();
        QSignalSpy finished(&ripper->Run(), &core::BatchRun::Finished);
        ripper->cmdConvert_Click();
        seen.finished = finished.count() == 1 || finished.wait(60000);
        seen.currentTrack = ripper->lblCurrentTrack->text();
        ripper->close();
        return int(QDialog::Accepted);
    };
}

} // namespace

class tst_firsthour : public QObject {
    Q_OBJECT
private slots:
    // The installer's defaults give every tool a format and working settings:
    // WAV at 44,100 Hz, 16 bits, stereo, files named after their source.
    void newStoreHasWorkingDefaults() {
        NewMachine m;
        QVERIFY(m.start());
        QCOMPARE(settings::g_sTargetFormat, kWav);
        QCOMPARE(settings::g_sFileNameFormat, QString("[file_name].[dest_extension]"));
        const components::tWAVSettings wav = settings::WAVSettingsRecord();
        QCOMPARE(wav.SampleRate, 44100);
        QCOMPARE(wav.Channels, qint16(2));
        QCOMPARE(wav.BitsPerSample, qint16(16));
        // The MP3 settings the store starts with are the encoder's working ones.
        QCOMPARE(settings::g_lMP3Bitrate, 128);
        QCOMPARE(settings::g_lMP3SampleRate, 44100);
    }

    // The Options dialog through the real modal show, opened again and again
    // in one session: every OK applies, and edits left by closing the window
    // are there at the next opening.
    void optionsApplyAtEveryOpening() {
        NewMachine m;
        QVERIFY(m.start());
        m.env.services().modalHandler = {}; // the dialog really runs
        // Runs `user` inside the dialog's modal show, then presses `button`
        // (nullptr: the window frame closes it).
        auto openAt = [&](const QString& key, const std::function<void(frmOptions*)>& user,
                          QPushButton* frmOptions::*button) {
            bool ran = false;
            QTimer::singleShot(0, m.main, [&] {
                frmOptions* options = frmOptions::loadedInstance();
                QVERIFY(options && options->isVisible() && options->isModal());
                ran = true;
                user(options);
                if (button)
                    (options->*button)->click();
                else
                    options->close();
            });
            m.main->RunCommand(key);
            QVERIFY2(ran, qPrintable(key + ": the dialog did not show"));
            QVERIFY(frmOptions::loadedInstance() && !frmOptions::loadedInstance()->isVisible());
        };

        QVERIFY(!m.main->froControl->isVisible());
        // First opening: OK with nothing changed.
        openAt(
            "View", [](frmOptions*) {}, &frmOptions::cmdOk);
        QPointer<frmOptions> first = frmOptions::loadedInstance();
        QVERIFY(!m.main->froControl->isVisible());

        // Second opening: "Display player" ticked and OK shows the player at once.
        openAt(
            "View", [](frmOptions* o) { o->chkDisplayPlayer->click(); }, &frmOptions::cmdOk);
        QVERIFY(settings::g_bDisplayPlayer);
        QVERIFY(m.main->froControl->isVisible());

        // An edit left by closing the window is kept in the dialog, neither stored nor applied.
        openAt(
            "View", [](frmOptions* o) { o->chkDisplayPlayer->click(); }, nullptr);
        QVERIFY(settings::g_bDisplayPlayer);
        QVERIFY(m.main->froControl->isVisible());
        bool kept = true;
        openAt(
            "View", [&](frmOptions* o) { kept = !o->chkDisplayPlayer->isChecked(); }, &frmOptions::cmdOk);
        QVERIFY(kept);
        QVERIFY(!settings::g_bDisplayPlayer);
        QVERIFY(!m.main->froControl->isVisible());

        // A new lists folder: created, and the tree rebuilt on it with its first list.
        const QString folder = m.env.root() + "/other lists/";
        openAt(
            "Advanced", [&](frmOptions* o) { o->txtToPath->setEditText(folder); }, &frmOptions::cmdOk);
        QCOMPARE(settings::g_sItemsListDir, folder);
        QVERIFY(QFileInfo(folder).isDir());
        QCOMPARE(listviews::g_cItemsListsNode.Key(), itemlists::kItemsListsRootPrefix + folder);
        const QString selected = m.main->cTreeView1->SelectedItem().Key();
        QVERIFY2(selected.startsWith(folder) && QFileInfo::exists(selected), qPrintable(selected));

        // One dialog the whole time.
        QVERIFY(first);
        QCOMPARE(frmOptions::loadedInstance(), first.data());
    }

    // The whole first hour of a CD: rip the disc from the main window's CD
    // node with the defaults, let the tray close, rip it again.
    void ripTwiceFromTheCDNodeWithTheDefaults() {
        NewMachine m;
        QVERIFY(!m.cue.isEmpty());
        QVERIFY(m.start());
        QVERIFY(m.main->isVisible());
        m.selectCD();
        QCOMPARE(m.main->cGrid1->Rows(), 3);

        for (int pass = 1; pass <= 2; ++pass) {
            RipSeen seen;
            m.env.services().modalHandler = ripWithDefaults(m.main, seen);
            // The second time the files are there: each is overwritten when asked.
            for (int i = 0; i < 3; ++i)
                m.env.services().msgBoxAnswers.enqueue(core::vbYes);
            m.main->RunCommand("Audio CD Ripper");

            QVERIFY2(seen.ripper, qPrintable(QString("pass %1: no ripper window").arg(pass)));
            QVERIFY(!seen.busyPointer);
            QCOMPARE(seen.format, kWav);
            QCOMPARE(seen.fileNameFormat, QString("[file_name].[dest_extension]"));
            QVERIFY(seen.finished);
            QCOMPARE(seen.currentTrack, QString("Done."));
            const QString dest = m.env.home() + "/Main/";
            QCOMPARE(QDir::cleanPath(seen.destination), QDir::cleanPath(dest));
            QCOMPARE(QDir(dest).entryList({"*.wav"}, QDir::Files),
                     QStringList({"Track01.wav", "Track02.wav", "Track03.wav"}));
            for (int t = 1; t <= 3; ++t) {
                const QString file = dest + QStringLiteral("Track0%1.wav").arg(t);
                QCOMPARE(probeAudio(file), QString("pcm_s16le,44100,2"));
                QVERIFY2(
                    testsupport::wavPcm(file) ==
                        testsupport::cdTrackPcm(t, qint64(m.kSeconds[t - 1]) * testsupport::kCdSampleRate),
                    qPrintable(file));
            }

            // The ripper ejected the disc as its box says; the tray goes back by itself.
            auto& drives = components::DriveRegistry::instance();
            QVERIFY(drives.isTrayOpen(0));
            m.main->tmrCDs_Timer();
            m.now += components::DriveRegistry::kVirtualTrayCloseMs;
            QVERIFY(!drives.isTrayOpen(0));
            m.main->tmrCDs_Timer();
            QCOMPARE(m.main->cGrid1->Rows(), 3);
            QVERIFY(itemlists::IsCDNode(m.main->cTreeView1->SelectedItem().Key()));
            QCOMPARE(m.env.services().messages.size(), pass == 1 ? 0 : 3);
            m.env.services().messages.clear();
        }
    }

    // What each table offers: the standard one its six tools, the full one
    // every tool; the headline stays the Audio CD Maker's in both.
    void editionTables() {
        const QStringList standard{"Audio CD Maker", "Audio CD Ripper", "Audio Analyser",
                                   "MP3 CD Maker",   "Text To Speech",  "MP3 Tags Editor"};
        for (const core::Edition edition : {core::Edition::Standard, core::Edition::Full}) {
            core::InitModes(edition);
            QStringList offered;
            for (const mainwindow::ToolInfo& tool : mainwindow::Tools())
                if (mainwindow::Offered(tool)) offered << tool.key;
            if (edition == core::Edition::Standard) {
                QCOMPARE(QSet<QString>(offered.begin(), offered.end()),
                         QSet<QString>(standard.begin(), standard.end()));
            } else {
                QCOMPARE(offered.size(), qsizetype(mainwindow::Tools().size()));
            }
            QCOMPARE(core::g_sAppMainTool, QString("lAppIncAudioBurner"));
            QCOMPARE(core::g_lAppIncItemsLists, 1);
            QCOMPARE(core::g_lAppShowTree, 1);
        }
        core::InitModes();
    }

    // The full edition's Audio Converter from the main window: the marked
    // items of a list become MP3s.
    void fullEditionConvertsMarkedItemsToMp3() {
        NewMachine m;
        QVERIFY(m.start());
        const QString list = m.env.home() + "/Main/Songs.flst";
        QStringList sources;
        for (const char* name : {"one", "two"}) {
            const QString wav = m.env.path(QStringLiteral("audio/%1.wav").arg(name));
            QVERIFY(testsupport::runFfmpeg(
                {"-f", "lavfi", "-i", "sine=frequency=440:duration=0.5", "-ac", "2", "-ar", "44100", wav}));
            sources << wav;
        }
        QVERIFY(testsupport::writeMarkedList(list, sources));
        // The full table, as a full build starts with it.
        m.main->close();
        testsupport::processDeletes();
        core::InitModes(core::Edition::Full);
        auto* main = new frmMain;
        main->Form_Load();
        main->show();
        cTreeViewNode node = main->cTreeView1->Nodes().Item(list);
        QVERIFY(!node.isNull());
        node.setSelected(true);
        main->cTreeView1_NodeClick(node);
        QCOMPARE(main->cGrid1->Rows(), 2);

        const QString dest = m.env.path("mp3");
        bool converter = false;
        bool busy = true;
        bool finished = false;
        m.env.services().modalHandler = [&](QDialog* window) {
            busy = main->cursor().shape() == Qt::WaitCursor;
            auto* w = qobject_cast<frmConverter*>(window);
            if (!w) return int(QDialog::Rejected);
            converter = true;
            w->cboTargetFormat->setCurrentIndex(w->cboTargetFormat->findText(kMp3));
            w->txtToPath->setEditText(dest);
            QSignalSpy done(&w->Run(), &core::BatchRun::Finished);
            w->cmdConvert_Click();
            finished = done.count() == 1 || done.wait(60000);
            w->close();
            return int(QDialog::Accepted);
        };
        main->RunCommand("Audio Converter");
        QVERIFY(converter);
        QVERIFY(!busy);
        QVERIFY(finished);
        QCOMPARE(QDir(dest).entryList(QDir::Files), QStringList({"one.mp3", "two.mp3"}));
        for (const char* name : {"one.mp3", "two.mp3"})
            QVERIFY(probeAudio(dest + "/" + QLatin1String(name)).startsWith("mp3,44100,"));
    }

    // Every tool window is a window named by its title for assistive
    // technology, and every picture button is named by its tool tip.
    void windowsAndPictureButtonsHaveNames() {
        NewMachine m;
        QVERIFY(m.start());
        m.selectCD();
        QStringList unnamed;
        m.env.services().modalHandler = [&](QDialog* window) {
            window->show();
            QAccessibleInterface* face = QAccessible::queryAccessibleInterface(window);
            if (!face || face->role() != QAccessible::Dialog || !face->parent() ||
                face->parent()->role() != QAccessible::Application ||
                face->text(QAccessible::Name) != window->windowTitle() || window->windowTitle().isEmpty())
                unnamed << QString("window %1").arg(window->objectName());
            for (QAbstractButton* button : window->findChildren<QAbstractButton*>())
                if (controls::IsPictureButton(button) && !button->toolTip().isEmpty() &&
                    QAccessible::queryAccessibleInterface(button)->text(QAccessible::Name) !=
                        button->toolTip())
                    unnamed << "button " + button->objectName();
            window->close();
            return int(QDialog::Rejected);
        };
        m.main->RunCommand("Audio CD Ripper");
        QCOMPARE(m.env.services().modalShows, 1);

        auto* editor = new frmMP3TagsEditor;
        editor->Form_Load();
        editor->show();
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(editor);
        QVERIFY(face);
        QCOMPARE(face->role(), QAccessible::Window);
        QCOMPARE(face->text(QAccessible::Name), QString("MP3 Tags Editor"));
        // The editor's bottom row is whole at the size it opens with.
        QVERIFY(QTest::qWaitForWindowExposed(editor));
        for (QPushButton* button : {editor->cmdApply, editor->cmdClose}) {
            const QRect r(button->mapTo(editor, QPoint(0, 0)), button->size());
            QVERIFY2(editor->rect().contains(r), qPrintable(button->objectName()));
            QVERIFY(button->height() >= button->sizeHint().height());
        }
        QVERIFY(editor->froGeneral->height() >= editor->froGeneral->sizeHint().height());
        editor->close();
        // A window's name follows its title.
        m.main->setWindowTitle("Renamed");
        QCOMPARE(QAccessible::queryAccessibleInterface(m.main)->text(QAccessible::Name), QString("Renamed"));
        QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(", ")));
    }
};

QTEST_MAIN(tst_firsthour)
#include "tst_firsthour.moc"
