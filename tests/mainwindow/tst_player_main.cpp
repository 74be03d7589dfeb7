// The main window's preview player against the test audio server: the
// display while a row plays and after it ends, going on to the next marked
// row, stop and restart, the slider, the graphs, missing and bad files, and
// the row commands that must stop playback first.
#include "ListFixtures.h"
#include "PlayerTools.h"
#include "TestEnv.h"
#include "components/cPlayer.h"
#include "controls/cAudioGraph.h"
#include "controls/cGrid.h"
#include "controls/cSlider.h"
#include "controls/cStatusBar.h"
#include "controls/cToolbar.h"
#include "controls/cTreeView.h"
#include "core/mdlModes.h"
#include "itemlists/ItemRows.h"
#include "mainwindow/frmMain.h"
#include "settings/SettingsVariables.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPointer>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

namespace {

struct Item {
    QString name;
    double seconds;
    bool marked;
};

// A main window on the list "Songs" of generated 440 Hz tones, loaded.
struct World {
    explicit World(const QList<Item>& items, const QStringList& otherLists = {}) {
        core::InitModes();
        settings::g_bAppExiting = false;
        settings::g_bDisplayMSGWhenExit = false;
        settings::g_bClearOnExit = false;
        settings::g_bDisplayMSGWhenErase = false;
        settings::g_bGoToNextItem = false;
        settings::g_lAudioDevice = -1;
        settings::g_sItemsListDir = env.home() + "/Main/";
        QDir().mkpath(settings::g_sItemsListDir);
        list = settings::g_sItemsListDir + "Songs.flst";
        for (const Item& item : items) {
            const QString file = env.path("audio/" + item.name + ".wav");
            if (!playertest::MakeTone(file, item.seconds)) qFatal("ffmpeg could not make a tone");
            files << file;
        }
        if (!testsupport::writeMarkedList(list, files)) qFatal("the list could not be written");
        for (const QString& name : otherLists)
            if (!testsupport::writeMarkedList(settings::g_sItemsListDir + name + ".flst", files))
                qFatal("the list could not be written");
        main = new frmMain;
        main->Form_Load();
        // Marks as the items ask.
        for (int i = 0; i < items.size(); ++i)
            main->cGrid1->setCellIcon(i + 1, 1,
                                      items[i].marked ? itemlists::ICON_MARKED : itemlists::ICON_UNMARKED);
    }
    ~World() {
        if (main) {
            main->close();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
        settings::g_bGoToNextItem = false;
        settings::g_bDisplayMSGWhenErase = true;
    }
    void press(const QString& key) { main->tlbrRecorder_ButtonClick(main->tlbrRecorder->ButtonIndex(key)); }
    void pressPause(bool down) {
        main->tlbrRecorder->setButtonChecked("Pause", down);
        press("Pause");
    }
    // Rows drawn bold, by number.
    QList<qint32> boldRows() const {
        QList<qint32> out;
        for (qint32 r = 1; r <= main->cGrid1->Rows(); ++r)
            if (main->cGrid1->CellFont(r, 2).bold()) out << r;
        return out;
    }
    QString panel() const { return main->cStatusBar1->PanelText("Main"); }
    qint32 panelIcon() const { return main->cStatusBar1->PanelIcon("Main"); }
    cTreeViewNode listNode() const { return main->cTreeView1->Nodes().Item(list); }

    testsupport::TestEnv env;
    QPointer<frmMain> main;
    QString list;
    QStringList files;
};

} // namespace

class tst_player_main : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        if (!playertest::HaveAudioServer())
            QFAIL(
                "No audio server: the player tests run against the test server that scripts/test.sh starts.");
    }

    void playShowsTheRowThenReadyAtTheEnd() {
        World w({{"a", 1.4, true}, {"b", 0.4, true}});
        frmMain* m = w.main;
        QCOMPARE(w.panel(), QString("Ready."));
        QVERIFY(!m->tmSlider->isActive() && !m->tmrAudioData->isActive() && !m->tmrPlayer->isActive());
        QSignalSpy done(m->cPlayer1, &components::cPlayer::PlayDone);
        m->cGrid1->setSelectedRow(1);
        w.press("Play");

        QVERIFY(m->cPlayer1->IsPlaying());
        QCOMPARE(w.panel(), QString("Playing"));
        QCOMPARE(w.panelIcon(), 38);
        QCOMPARE(w.boldRows(), QList<qint32>{1});
        QVERIFY(w.listNode().Bold());
        QCOMPARE(m->m_cPlayNode, w.listNode());
        // 1.4 s is shown as 1 whole second.
        QCOMPARE(m->lbTotalLengthSec->text(), QString("0:00:01"));
        QCOMPARE(m->cSlider1->Max(), 1);
        QVERIFY(m->tmSlider->isActive() && m->tmrAudioData->isActive());

        // The graphs follow the tone while it plays.
        QTRY_VERIFY_WITH_TIMEOUT(m->cAudioGraphAmp->Level() > 0.5, 10000);
        const QVector<double> bars = m->cAudioGraphFreq->Bars();
        QCOMPARE(int(std::max_element(bars.begin(), bars.end()) - bars.begin()), cAudioGraph::BandOf(440));

        QTRY_COMPARE_WITH_TIMEOUT(done.count(), 1, 20000);
        QCOMPARE(w.panel(), QString("Ready."));
        QCOMPARE(w.panelIcon(), 47);
        QVERIFY(w.boldRows().isEmpty());
        QVERIFY(!w.listNode().Bold());
        // A file that ran to its end keeps its node; the option is off, so nothing follows.
        QCOMPARE(m->m_cPlayNode, w.listNode());
        QVERIFY(!m->cPlayer1->IsPlaying());
        QCOMPARE(m->cSlider1->Value(), 0);
        QCOMPARE(m->lblCurrentPositionSec->text(), QString("0:00:00"));
        QVERIFY(!m->tmSlider->isActive() && !m->tmrAudioData->isActive());
        QCOMPARE(m->cAudioGraphAmp->Level(), 0.0);
        for (double v : m->cAudioGraphFreq->Bars())
            QCOMPARE(v, 0.0);
        QCOMPARE(m->cGrid1->SelectedRow(), 1);
        QCOMPARE(done.count(), 1);
    }

    void nextMarkedRowFollows_data() {
        QTest::addColumn<bool>("option");
        QTest::addColumn<QString>("marks"); // one letter per row: x marked, o not
        QTest::addColumn<int>("start");
        QTest::addColumn<QList<qint32>>("played");
        QTest::newRow("skips unmarked rows, stops at the last")
            << true << "xoxox" << 1 << QList<qint32>{1, 3, 5};
        QTest::newRow("start row need not be marked") << true << "oooxo" << 2 << QList<qint32>{2, 4};
        QTest::newRow("no marked row below") << true << "xxooo" << 3 << QList<qint32>{3};
        QTest::newRow("last row selected") << true << "xxxxx" << 5 << QList<qint32>{5};
        QTest::newRow("no wrap to the top") << true << "xxoox" << 5 << QList<qint32>{5};
        QTest::newRow("option off") << false << "xxxxx" << 1 << QList<qint32>{1};
    }

    void nextMarkedRowFollows() {
        QFETCH(bool, option);
        QFETCH(QString, marks);
        QFETCH(int, start);
        QFETCH(QList<qint32>, played);
        QList<Item> items;
        for (int i = 0; i < marks.size(); ++i)
            items.append({QString(QChar('a' + i)), 0.3, marks[i] == 'x'});
        World w(items);
        frmMain* m = w.main;
        settings::g_bGoToNextItem = option;

        QList<qint32> rows{start};
        QSignalSpy done(m->cPlayer1, &components::cPlayer::PlayDone);
        // Runs after the window's own handler: a row that starts is the one now selected.
        connect(m->cPlayer1, &components::cPlayer::PlayDone, this, [&] {
            if (m->cPlayer1->IsPlaying()) rows << m->cGrid1->SelectedRow();
        });
        m->cGrid1->setSelectedRow(start);
        w.press("Play");
        QTRY_VERIFY_WITH_TIMEOUT(done.count() == played.size() && !m->cPlayer1->IsPlaying(), 30000);
        QCOMPARE(rows, played);
        QCOMPARE(m->cGrid1->SelectedRow(), played.last());
        QVERIFY(w.boldRows().isEmpty());
    }

    void nextSearchStartsAtTheRowSelectedNow() {
        World w({{"a", 0.6, true}, {"b", 0.3, true}, {"c", 0.3, false}, {"d", 0.3, true}});
        frmMain* m = w.main;
        settings::g_bGoToNextItem = true;
        QSignalSpy done(m->cPlayer1, &components::cPlayer::PlayDone);
        m->cGrid1->setSelectedRow(1);
        w.press("Play");
        // The user selects another row while the first plays.
        m->cGrid1->setSelectedRow(3);
        QTRY_VERIFY_WITH_TIMEOUT(done.count() >= 1, 20000);
        QVERIFY(m->cPlayer1->IsPlaying());
        QCOMPARE(m->cGrid1->SelectedRow(), 4);
        QCOMPARE(w.boldRows(), QList<qint32>{4});
        QTRY_VERIFY_WITH_TIMEOUT(done.count() == 2 && !m->cPlayer1->IsPlaying(), 20000);
    }

    void stopWhilePausedResumesStopsAndGoesNowhere() {
        World w({{"a", 4, true}, {"b", 0.3, true}});
        frmMain* m = w.main;
        settings::g_bGoToNextItem = true;
        QSignalSpy done(m->cPlayer1, &components::cPlayer::PlayDone);
        m->cGrid1->setSelectedRow(1);
        w.press("Play");
        QTRY_VERIFY_WITH_TIMEOUT(m->cPlayer1->GetPosition() > 0.05, 10000);
        w.pressPause(true);
        QVERIFY(m->cPlayer1->IsPaused());
        // Releasing "Pause" resumes; pressing it again pauses.
        w.pressPause(false);
        QVERIFY(!m->cPlayer1->IsPaused());
        w.pressPause(true);
        QVERIFY(m->cPlayer1->IsPaused());

        w.press("Stop");
        QVERIFY(!m->cPlayer1->IsPlaying());
        QVERIFY(!m->tlbrRecorder->ButtonChecked("Pause"));
        QVERIFY(m->tlbrRecorder->ButtonEnabled("Play"));
        QVERIFY(m->m_cPlayNode.isNull());
        QVERIFY(!w.listNode().Bold());
        QVERIFY(!m->tmSlider->isActive() && !m->tmrAudioData->isActive());
        QCOMPARE(done.count(), 0);
        QTRY_COMPARE_WITH_TIMEOUT(done.count(), 1, 5000);
        QCOMPARE(w.panel(), QString("Ready."));
        QCOMPARE(w.panelIcon(), 47);
        QCOMPARE(m->cSlider1->Value(), 0);
        QCOMPARE(m->lblCurrentPositionSec->text(), QString("0:00:00"));
        QVERIFY(w.boldRows().isEmpty());
        // A stop by the user never moves on, even with the option on.
        QVERIFY(!m->cPlayer1->IsPlaying());
        QCOMPARE(m->cGrid1->SelectedRow(), 1);

        // "Pause" with nothing playing springs back up.
        w.pressPause(true);
        QVERIFY(!m->tlbrRecorder->ButtonChecked("Pause"));
        // "Stop" with nothing playing does nothing.
        w.press("Stop");
        QCOMPARE(w.panel(), QString("Ready."));
    }

    void playWhilePlayingRestartsOnTheSelectedRow() {
        World w({{"a", 4, true}, {"b", 4, true}, {"c", 4, true}});
        frmMain* m = w.main;
        settings::g_bGoToNextItem = true;
        QSignalSpy done(m->cPlayer1, &components::cPlayer::PlayDone);
        m->cGrid1->setSelectedRow(1);
        w.press("Play");
        m->cGrid1->setSelectedRow(3);
        w.press("Play");
        // Stopped, with the restart pending.
        QVERIFY(!m->cPlayer1->IsPlaying());
        QVERIFY(m->tmrPlayer->isActive());
        QTRY_COMPARE_WITH_TIMEOUT(done.count(), 1, 5000);
        // The stopped file's end moves on to no next row.
        QVERIFY(!m->cPlayer1->IsPlaying());
        QCOMPARE(m->cGrid1->SelectedRow(), 3);
        // 200 ms later the selected row plays.
        QTRY_VERIFY_WITH_TIMEOUT(m->cPlayer1->IsPlaying(), 5000);
        QVERIFY(!m->tmrPlayer->isActive());
        QCOMPARE(w.boldRows(), QList<qint32>{3});
        QCOMPARE(w.panel(), QString("Playing"));
        w.press("Stop");
        QTRY_COMPARE_WITH_TIMEOUT(done.count(), 2, 5000);
    }

    void sliderDragSeeksOnlyWhilePlaying() {
        World w({{"a", 4, true}});
        frmMain* m = w.main;
        // Nothing plays: a drag changes nothing.
        emit m->cSlider1->ScrollStart(0);
        m->cSlider1->setValue(1);
        emit m->cSlider1->ScrollEnd(1);
        QVERIFY(!m->tmSlider->isActive());
        QVERIFY(!m->cPlayer1->IsPlaying());

        m->cGrid1->setSelectedRow(1);
        w.press("Play");
        QCOMPARE(m->cSlider1->Max(), 4);
        emit m->cSlider1->ScrollStart(0);
        QVERIFY(!m->tmSlider->isActive());
        m->cSlider1->setValue(2);
        emit m->cSlider1->ScrollEnd(2);
        QVERIFY(m->tmSlider->isActive());
        QVERIFY2(qAbs(m->cPlayer1->GetPosition() - 2.0) <= 0.1,
                 qPrintable(QString::number(m->cPlayer1->GetPosition())));
        // The display follows from there.
        QTRY_COMPARE_WITH_TIMEOUT(m->lblCurrentPositionSec->text(), QString("0:00:02"), 10000);
        QVERIFY(m->cSlider1->Value() >= 2);
        w.press("Stop");
    }

    void missingFileShowsTheMessageAndReloads() {
        World w({{"a", 0.3, true}, {"b", 0.3, true}, {"c", 0.3, true}});
        frmMain* m = w.main;
        QVERIFY(QFile::remove(w.files[1]));
        m->cGrid1->setSelectedRow(2);
        w.press("Play");
        auto& shown = w.env.services().messages;
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].prompt, w.files[1] + " is not existed.");
        QCOMPARE(shown[0].style, int(core::vbInformation | core::vbOKOnly));
        QCOMPARE(shown[0].title, core::g_sProductName + " " + core::g_sProductVersion);
        QVERIFY(!m->cPlayer1->IsPlaying());
        QVERIFY(w.boldRows().isEmpty());
        QVERIFY(!w.listNode().Bold());
        QCOMPARE(w.panel(), QString("Ready."));
        // The list was read again: the missing file no longer shows.
        QCOMPARE(m->cGrid1->Rows(), 2);
        const qint32 fileCol = m->cGrid1->ColumnIndex(itemlists::COL_FILE);
        QCOMPARE(m->cGrid1->CellText(1, fileCol), w.files[0]);
        QCOMPARE(m->cGrid1->CellText(2, fileCol), w.files[2]);
    }

    void fileThatCannotBeDecodedSaysWhyAndStaysIdle() {
        World w({{"a", 0.3, true}, {"b", 0.3, true}});
        frmMain* m = w.main;
        {
            QFile f(w.files[1]);
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write(QByteArray("not audio at all\r\n").repeated(100));
        }
        m->cGrid1->setSelectedRow(2);
        w.press("Play");
        auto& shown = w.env.services().messages;
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown[0].prompt.startsWith(w.files[1] + " cannot be played.\n\n"),
                 qPrintable(shown[0].prompt));
        QVERIFY(shown[0].prompt.size() > (w.files[1] + " cannot be played.\n\n").size());
        QVERIFY(!m->cPlayer1->IsPlaying());
        QVERIFY(w.boldRows().isEmpty());
        QCOMPARE(w.panel(), QString("Ready."));
        QVERIFY(!m->tmSlider->isActive());
    }

    void markColumnClickShowsTheLengthUnlessAFilePlays() {
        World w({{"a", 3.2, true}, {"b", 1.6, true}});
        frmMain* m = w.main;
        m->cGrid1->setSelectedRow(2);
        m->cGrid1_MouseUp(1, 0, 10, 10);
        QCOMPARE(m->lbTotalLengthSec->text(), QString("0:00:02"));
        QCOMPARE(m->lblCurrentPositionSec->text(), QString("0:00:00"));
        QVERIFY(!m->cPlayer1->IsPlaying());
        // Beyond the mark column: no preview.
        m->cGrid1->setSelectedRow(1);
        m->cGrid1_MouseUp(1, 0, 21, 10);
        QCOMPARE(m->lbTotalLengthSec->text(), QString("0:00:02"));

        w.press("Play");
        QCOMPARE(m->lbTotalLengthSec->text(), QString("0:00:03"));
        m->cGrid1->setSelectedRow(2);
        m->cGrid1_MouseUp(1, 0, 10, 10);
        QCOMPARE(m->lbTotalLengthSec->text(), QString("0:00:03"));
        QVERIFY(m->cPlayer1->IsPlaying());
        w.press("Stop");
    }

    // Every row command that changes the playing row stops playback first,
    // and no bold row or node is left behind.
    void rowCommandsStopThePlayingRow_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("selected");
        QTest::addColumn<bool>("stops");
        QTest::newRow("remove") << "Remove Item" << 3 << true;
        QTest::newRow("clear") << "Clear the List" << 1 << true;
        QTest::newRow("move the playing row down") << "Move Down" << 2 << true;
        QTest::newRow("move a row onto the playing row") << "Move Up" << 3 << true;
        QTest::newRow("move rows elsewhere") << "Move Down" << 3 << false;
    }

    void rowCommandsStopThePlayingRow() {
        QFETCH(QString, command);
        QFETCH(int, selected);
        QFETCH(bool, stops);
        World w({{"a", 4, true}, {"b", 4, true}, {"c", 4, true}, {"d", 4, true}});
        frmMain* m = w.main;
        w.env.services().msgBoxAnswers << core::vbYes;
        m->cGrid1->setSelectedRow(2);
        w.press("Play");
        QCOMPARE(w.boldRows(), QList<qint32>{2});
        m->cGrid1->setSelectedRow(selected);
        // Reloading the list runs events, so PlayDone may arrive inside the command.
        QSignalSpy done(m->cPlayer1, &components::cPlayer::PlayDone);
        m->RunCommand(command);
        if (m->tmrRemove->isActive()) m->tmrRemove_Timer();
        QCOMPARE(m->cPlayer1->IsPlaying(), !stops);
        if (stops) {
            QVERIFY(w.boldRows().isEmpty());
            QVERIFY(!w.listNode().Bold());
        } else {
            QCOMPARE(w.boldRows(), QList<qint32>{2});
            w.press("Stop");
        }
        QTRY_COMPARE_WITH_TIMEOUT(done.count(), 1, 5000);
        QVERIFY(w.boldRows().isEmpty());
    }

    void loadingAnotherNodeStopsAndUnbolds() {
        World w({{"a", 4, true}}, {"Other"});
        frmMain* m = w.main;
        m->cTreeView1_NodeClick(w.listNode());
        m->cGrid1->setSelectedRow(1);
        w.press("Play");
        QVERIFY(w.listNode().Bold());
        m->cTreeView1_NodeClick(m->cTreeView1->Nodes().Item(settings::g_sItemsListDir + "Other.flst"));
        QVERIFY(!m->cPlayer1->IsPlaying());
        QVERIFY(!w.listNode().Bold());
        QVERIFY(m->m_cPlayNode.isNull());
    }

    void unloadStopsAndClosesThePlayer() {
        World w({{"a", 4, true}});
        frmMain* m = w.main;
        m->cGrid1->setSelectedRow(1);
        w.press("Play");
        QVERIFY(m->cPlayer1->IsPlaying());
        bool cancel = false;
        m->Form_Unload(cancel);
        QVERIFY(!cancel);
        QVERIFY(!m->cPlayer1->IsPlaying());
        QVERIFY(!m->tmrPlayer->isActive() && !m->tmSlider->isActive() && !m->tmrAudioData->isActive());
        settings::g_bAppExiting = false;
    }
};

QTEST_MAIN(tst_player_main)
#include "tst_player_main.moc"
