// Audio CDs as sources: the tracks of a disc as rows, the disc poll, the
// "-addaudiocd" selection and the ripper's error message. Every disc is a
// CUE/BIN image in a virtual drive.
#include "DiscImages.h"
#include "LinkStubs.h"
#include "TestEnv.h"
#include "components/DriveRegistry.h"
#include "components/cAudioCDRipper.h"
#include "controls/cGrid.h"
#include "controls/cTreeView.h"
#include "core/Services.h"
#include "core/mdlFileSystem.h"
#include "core/mdlModes.h"
#include "itemlists/TreeKeys.h"
#include "listviews/AudioCDSource.h"
#include "listviews/ItemsGrid.h"
#include "listviews/ItemsTree.h"
#include "settings/SettingsVariables.h"

#include <QDir>
#include <QFile>
#include <QtTest>

using namespace itemlists;
using namespace listviews;

namespace {

// A CUE/BIN of silence whose tracks are given in sectors (75 a second), so
// lengths need not be whole seconds. The BIN is sparse: long tracks cost nothing.
QString writeSectorCue(const QString& folder, const QList<int>& sectors) {
    QFile bin(folder + "/odd.bin");
    if (!bin.open(QIODevice::WriteOnly)) return {};
    QString cue = "FILE \"odd.bin\" BINARY\r\n";
    int start = 0;
    for (int i = 0; i < sectors.size(); ++i) {
        cue += QString("  TRACK %1 AUDIO\r\n    INDEX 01 %2:%3:%4\r\n")
                   .arg(i + 1, 2, 10, QChar('0'))
                   .arg(start / 75 / 60, 2, 10, QChar('0'))
                   .arg(start / 75 % 60, 2, 10, QChar('0'))
                   .arg(start % 75, 2, 10, QChar('0'));
        start += sectors[i];
    }
    if (!bin.resize(qint64(start) * 2352)) return {};
    QFile f(folder + "/odd.cue");
    if (!f.open(QIODevice::WriteOnly)) return {};
    f.write(cue.toLatin1());
    return f.fileName();
}

} // namespace

class tst_audiocd : public QObject {
    Q_OBJECT

    std::unique_ptr<testsupport::TestEnv> m_env;
    std::unique_ptr<QWidget> m_owner;
    cTreeView* m_tree = nullptr;
    cGrid* m_grid = nullptr;
    std::unique_ptr<components::cAudioCDRipper> m_ripper;
    std::unique_ptr<ItemsTree> m_lists;
    std::unique_ptr<AudioCDSource> m_cds;
    QHash<QString, QString> m_panels;
    bool m_emptyShown = false;
    QString m_emptyText;
    bool m_progressVisible = false;
    int m_freeDB = 0;
    int m_clicks = 0;

    testsupport::ScriptedServices& svc() { return m_env->services(); }

    // The main window's parts over the drives that exist now.
    void build() {
        m_cds.reset();
        m_lists.reset();
        m_owner = std::make_unique<QWidget>();
        m_tree = new cTreeView(m_owner.get());
        m_grid = new cGrid(m_owner.get());
        InitGridColumns(*m_grid, nullptr);
        m_ripper = std::make_unique<components::cAudioCDRipper>();
        m_lists = std::make_unique<ItemsTree>(*m_tree, *m_grid, m_owner.get());
        m_lists->setRipper(m_ripper.get());
        m_cds = std::make_unique<AudioCDSource>(*m_lists, *m_tree, *m_grid, *m_ripper, m_owner.get());
        m_cds->RunFreeDB = [this] { ++m_freeDB; };
        MainWindowLink& l = m_lists->link();
        l.PanelText = [this](const QString& k, const QString& t) { m_panels[k] = t; };
        l.EmptyPanel = [this](bool show, const QString& text) {
            m_emptyShown = show;
            if (!text.isEmpty()) m_emptyText = text;
        };
        l.ShowProgress = [this](bool v) { m_progressVisible = v; };
        l.IsProgressVisible = [this] { return m_progressVisible; };
        testsupport::StubMissingLinks(l);
        l.LoadAudioCD = [this](const QString& d) {
            ++m_clicks;
            m_cds->LoadAudioCD(d);
        };
        m_lists->setTree();
    }

    cTreeViewNode driveNode(int place) const { return g_cAudioCDsNode.Children().Item(place); }
    void click(int place) { m_lists->cTreeView1_NodeClick(driveNode(place)); }
    QString cell(int row, const QString& key) const {
        return m_grid->CellText(row, m_grid->ColumnIndex(key));
    }
    int icon(int row, const QString& key) const { return m_grid->CellIcon(row, m_grid->ColumnIndex(key)); }

private slots:
    void init() {
        m_env = std::make_unique<testsupport::TestEnv>();
        settings::g_sItemsListDir = m_env->home() + "/Main/";
        settings::g_bSelectTheLastItem = false;
        settings::g_bAutoFreeDB = false;
        settings::g_sTagAlbum = "%album%";
        settings::g_sTagArtist = "Artist";
        settings::g_sTagComment = "Comment";
        settings::g_sTagGenre = "Rock";
        settings::g_sTagYear = "2001";
        settings::g_sTagSong = "%title%";
        settings::g_sTagTrack = "%track%";
        core::g_lAppIncItemsLists = 1;
        core::g_lAppIncCDRipper = 1;
        m_panels.clear();
        m_emptyShown = false;
        m_emptyText.clear();
        m_progressVisible = false;
        m_freeDB = 0;
        m_clicks = 0;
    }
    void cleanup() {
        m_cds.reset();
        m_lists.reset();
        m_ripper.reset();
        m_owner.reset();
        m_env.reset();
    }

    void tracksBecomeMarkedRows() {
        const QString drive = m_env->addVirtualDrive("cd");
        QVERIFY(!testsupport::writeAudioCueBin(drive, {2, 5, 61}).isEmpty());
        const QDateTime now(QDate(2024, 5, 6), QTime(7, 8, 9));
        svc().fixedNow = now;
        settings::g_bSelectTheLastItem = true;
        build();
        const QString letter = driveNode(1).Text();
        QCOMPARE(letter, QString("D:"));

        click(1);
        QCOMPARE(m_clicks, 1);
        QCOMPARE(m_grid->Rows(), 3);
        const int seconds[] = {2, 5, 61};
        const QString times[] = {"00:00:02", "00:00:05", "00:01:01"};
        for (int r = 1; r <= 3; ++r) {
            const qint64 bytes = qint64(seconds[r - 1]) * 75 * 2352;
            QCOMPARE(icon(r, COL_INC), ICON_MARKED);
            QCOMPARE(icon(r, COL_TYPE), ICON_AUDIO);
            QCOMPARE(cell(r, COL_ITEM_NAME), QString("Track0%1.cda").arg(r));
            QCOMPARE(cell(r, COL_FILE), QString("D:/Track0%1.cda").arg(r));
            QCOMPARE(cell(r, COL_TIME), times[r - 1]);
            QCOMPARE(cell(r, COL_BYTES_SIZE), QString::number(bytes));
            QCOMPARE(cell(r, COL_SIZE), core::FormatFileSize(bytes));
            QCOMPARE(cell(r, COL_RANGE), QString("All"));
            QCOMPARE(cell(r, COL_RANGE_ALL), QString("1"));
            QVERIFY(cell(r, COL_RANGE_START_TIME).isEmpty());
            QVERIFY(cell(r, COL_RANGE_LENGTH_TIME).isEmpty());
            QCOMPARE(cell(r, COL_CREATED), cGrid::ValueText(now));
            // Templates go in as they are; the tools expand them.
            QCOMPARE(cell(r, COL_TAG_ALBUM), QString("%album%"));
            QCOMPARE(cell(r, COL_TAG_ARTIST), QString("Artist"));
            QCOMPARE(cell(r, COL_TAG_COMMENT), QString("Comment"));
            QCOMPARE(cell(r, COL_TAG_GEN), QString("Rock"));
            QCOMPARE(cell(r, COL_TAG_YEAR), QString("2001"));
            QCOMPARE(cell(r, COL_TAG_TITLE), QString("%title%"));
            QCOMPARE(cell(r, COL_TAG_TRACK), QString("%track%"));
        }
        QCOMPARE(m_grid->SelectedRow(), 3);
        QVERIFY(!m_emptyShown);
        QVERIFY(!m_progressVisible);
        QCOMPARE(m_panels.value("Main"), QString("Ready."));
        QVERIFY(!m_panels.value("Items List Properties").isEmpty());
        QVERIFY(m_grid->Redraw());
        QVERIFY(svc().messages.isEmpty());
        QCOMPARE(m_freeDB, 0);
    }

    void sizesCountEverySector() {
        // 2.4 s and 1 s 74/75: the time is whole seconds, the size every byte.
        const QString drive = m_env->addVirtualDrive("cd");
        QVERIFY(!writeSectorCue(drive, {180, 149, 275 * 75}).isEmpty());
        build();
        click(1);
        QCOMPARE(m_grid->Rows(), 3);
        QCOMPARE(cell(3, COL_TIME), QString("00:04:35"));
        QCOMPARE(cell(3, COL_BYTES_SIZE), QString("48510000"));
        QCOMPARE(cell(3, COL_SIZE), core::FormatFileSize(48510000));
        QCOMPARE(cell(1, COL_TIME), QString("00:00:02"));
        QCOMPARE(cell(1, COL_BYTES_SIZE), QString::number(180 * 2352));
        QCOMPARE(cell(2, COL_TIME), QString("00:00:01"));
        QCOMPARE(cell(2, COL_BYTES_SIZE), QString::number(149 * 2352));
        QCOMPARE(m_grid->SelectedRow(), 1);
    }

    void dataTrackIsTypedDataAndUnmarked() {
        const QString drive = m_env->addVirtualDrive("mixed");
        QVERIFY(!testsupport::writeCueBin(drive, {{3, true}, {2, true}, {4, false}}).isEmpty());
        build();
        click(1);
        QCOMPARE(m_grid->Rows(), 3);
        for (int r = 1; r <= 2; ++r) {
            QCOMPARE(icon(r, COL_INC), ICON_MARKED);
            QCOMPARE(icon(r, COL_TYPE), ICON_AUDIO);
        }
        QCOMPARE(icon(3, COL_INC), ICON_UNMARKED);
        QCOMPARE(icon(3, COL_TYPE), ICON_DATA);
        QCOMPARE(cell(3, COL_TIME), QString("00:00:04"));
        QCOMPARE(cell(3, COL_BYTES_SIZE), QString::number(4 * 75 * 2352));
    }

    // Only a drive with no disc at all (its tray open) is also told in a message.
    void noAudioDiscAsksForOne_data() {
        QTest::addColumn<QString>("disc");
        QTest::addColumn<bool>("told");
        QTest::newRow("empty drive") << "" << false;
        QTest::newRow("data disc") << "iso" << false;
        QTest::newRow("unreadable image") << "bad" << false;
        QTest::newRow("no disc in the drive") << "out" << true;
    }
    void noAudioDiscAsksForOne() {
        QFETCH(QString, disc);
        QFETCH(bool, told);
        const QString drive = m_env->addVirtualDrive("cd");
        if (disc == "iso") QVERIFY(testsupport::writeIso(drive + "/disc.iso"));
        if (disc == "bad") {
            QFile f(drive + "/disc.cue");
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("FILE \"missing.bin\" BINARY\r\n  TRACK 01 AUDIO\r\n");
        }
        settings::g_bAutoFreeDB = true;
        build();
        if (disc == "out") {
            QVERIFY(m_ripper->SelectDevice(0));
            m_ripper->OpenTray();
        }
        // Rows of a list shown before must go.
        m_grid->CellDetails(1, 3, "old row");
        click(1);
        QCOMPARE(m_grid->Rows(), 0);
        QVERIFY(m_emptyShown);
        QCOMPARE(m_emptyText, QString("Insert an Audio CD to the CD drive."));
        QVERIFY(!m_progressVisible);
        QCOMPARE(m_freeDB, 0);
        if (!told) {
            QVERIFY(svc().messages.isEmpty());
            return;
        }
        QCOMPARE(svc().messages.size(), 1);
        QCOMPARE(svc().messages[0].prompt, QString("There is no CD in the drive."));
        QCOMPARE(svc().messages[0].style, int(core::vbInformation));
        QCOMPARE(svc().messages[0].title, core::AppTitle());
    }

    void autoFreeDBRunsAfterALoad() {
        const QString drive = m_env->addVirtualDrive("cd");
        QVERIFY(!testsupport::writeAudioCueBin(drive, {1, 1}).isEmpty());
        settings::g_bAutoFreeDB = true;
        build();
        int rowsSeen = -1;
        m_cds->RunFreeDB = [&] {
            ++m_freeDB;
            rowsSeen = m_grid->Rows();
        };
        click(1);
        QCOMPARE(m_freeDB, 1);
        QCOMPARE(rowsSeen, 2);
    }

    void selectedDriveIsFoundByLetter() {
        m_env->addVirtualDrive("a");
        const QString second = m_env->addVirtualDrive("b");
        QVERIFY(!testsupport::writeAudioCueBin(second, {1, 1, 1}).isEmpty());
        build();
        // Nothing selected: drive 0.
        QCOMPARE(m_cds->GetSelectedDriveIndex(), 0);
        driveNode(2).setSelected(true);
        QCOMPARE(m_cds->GetSelectedDriveIndex(), 1);
        click(2);
        QCOMPARE(m_grid->Rows(), 3);
        QCOMPARE(cell(1, COL_FILE), QString("E:/Track01.cda"));
        click(1);
        QCOMPARE(m_grid->Rows(), 0);
    }

    void pollFollowsTheSelectedDrive_data() {
        QTest::addColumn<bool>("byTray");
        QTest::newRow("tray") << true;
        QTest::newRow("image deleted") << false;
    }
    void pollFollowsTheSelectedDrive() {
        QFETCH(bool, byTray);
        const QString drive = m_env->addVirtualDrive("cd");
        QVERIFY(!testsupport::writeAudioCueBin(drive, {1, 2}, "disc").isEmpty());
        settings::g_bAutoFreeDB = true;
        build();
        click(1);
        QCOMPARE(m_grid->Rows(), 2);
        QCOMPARE(m_freeDB, 1);
        // A title lookup named the disc.
        driveNode(1).setText("Some Album");

        // Nothing changed: the tick touches nothing.
        m_clicks = 0;
        m_cds->tmrCDs_Timer();
        QCOMPARE(m_clicks, 0);
        QCOMPARE(driveNode(1).Text(), QString("Some Album"));

        // The disc goes out.
        if (byTray) {
            QVERIFY(m_ripper->SelectDevice(0));
            m_ripper->OpenTray();
        } else {
            QVERIFY(QFile::remove(drive + "/disc.cue"));
            QVERIFY(QFile::remove(drive + "/disc.bin"));
        }
        m_cds->tmrCDs_Timer();
        QCOMPARE(m_clicks, 1);
        QCOMPARE(m_grid->Rows(), 0);
        QVERIFY(m_emptyShown);
        QCOMPARE(m_emptyText, QString("Insert an Audio CD to the CD drive."));
        QCOMPARE(driveNode(1).Text(), QString("D:"));
        QVERIFY(driveNode(1).Selected());

        // Still no disc: no further load.
        m_cds->tmrCDs_Timer();
        QCOMPARE(m_clicks, 1);

        // A disc comes in.
        if (byTray) {
            m_ripper->CloseTray();
        } else {
            QVERIFY(!testsupport::writeAudioCueBin(drive, {3, 1, 1, 1}, "other").isEmpty());
        }
        m_cds->tmrCDs_Timer();
        QCOMPARE(m_clicks, 2);
        QCOMPARE(m_grid->Rows(), byTray ? 2 : 4);
        QVERIFY(!m_emptyShown);
        QCOMPARE(m_freeDB, 2);
        QVERIFY(svc().messages.isEmpty());
    }

    void pollIgnoresDrivesNotSelected() {
        const QString first = m_env->addVirtualDrive("a");
        QVERIFY(!testsupport::writeAudioCueBin(first, {1}).isEmpty());
        const QString second = m_env->addVirtualDrive("b");
        build();
        click(1);
        QCOMPARE(m_grid->Rows(), 1);
        driveNode(2).setText("Old Title");

        // A disc into the other drive loads nothing; the empty drive gets its letter back.
        QVERIFY(!testsupport::writeAudioCueBin(second, {1, 1}).isEmpty());
        m_cds->tmrCDs_Timer();
        QCOMPARE(m_clicks, 1);
        QCOMPARE(m_grid->Rows(), 1);
        QCOMPARE(driveNode(2).Text(), QString("Old Title"));

        // A disc swapped between two ticks is not noticed.
        QVERIFY(QFile::remove(first + "/disc.cue"));
        QVERIFY(!testsupport::writeAudioCueBin(first, {1, 1, 1}, "swapped").isEmpty());
        m_cds->tmrCDs_Timer();
        QCOMPARE(m_grid->Rows(), 1);

        // A list node selected: the poll loads no disc.
        m_lists->cTreeView1_NodeClick(m_lists->FirstItemsListNode());
        m_cds->tmrCDs_Timer();
        QCOMPARE(m_clicks, 1);
    }

    void selectFirstAudioCDSkipsDrivesWithoutTracks() {
        const QString data = m_env->addVirtualDrive("data");
        QVERIFY(testsupport::writeIso(data + "/disc.iso"));
        m_env->addVirtualDrive("blank");
        const QString audio = m_env->addVirtualDrive("audio");
        QVERIFY(!testsupport::writeAudioCueBin(audio, {1, 1}).isEmpty());
        const QString audio2 = m_env->addVirtualDrive("audio2");
        QVERIFY(!testsupport::writeAudioCueBin(audio2, {1}).isEmpty());
        build();
        QVERIFY(m_cds->SelectFirstAudioCD());
        QCOMPARE(m_tree->SelectedItem(), driveNode(3));
        QCOMPARE(m_grid->Rows(), 2);
    }

    void selectFirstAudioCDWithoutADisc() {
        m_env->addVirtualDrive("blank");
        build();
        const QString before = m_tree->SelectedItem().Key();
        QVERIFY(!m_cds->SelectFirstAudioCD());
        QCOMPARE(m_tree->SelectedItem().Key(), before);
        QCOMPARE(m_clicks, 0);
    }

    void ripErrorShowsMessageAndCode() {
        build();
        m_cds->cAudioCDRipper1_RipError(5, "The drive is busy.");
        QCOMPARE(svc().messages.size(), 1);
        QCOMPARE(svc().messages[0].prompt, QString("The drive is busy. (5)"));
        QCOMPARE(svc().messages[0].style, int(core::vbOKOnly));
        QCOMPARE(svc().messages[0].title, core::g_sProductName);
    }
};

QTEST_MAIN(tst_audiocd)
#include "tst_audiocd.moc"
