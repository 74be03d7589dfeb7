#include "TestEnv.h"

#include "core/RegistryRoutines.h"
#include "core/mdlSettingStore.h"
#include "dialogs/mdlCommDialog.h"

#include <QColorDialog>
#include <QDir>
#include <QFile>
#include <QtTest>

using namespace core;
using namespace dialogs;

class tst_commdialog : public QObject {
    Q_OBJECT

    std::unique_ptr<testsupport::TestEnv> m_env;
    testsupport::ScriptedServices& s() { return m_env->services(); }
    QString lastPath() { return GetSetting(kCommDialogApp, kLastPathSection, kLastPathKey, "<none>"); }
    QString touch(const QString& relative) {
        const QString p = m_env->path(relative);
        QFile f(p);
        f.open(QIODevice::WriteOnly);
        return p;
    }

private slots:
    void init() {
        m_env = std::make_unique<testsupport::TestEnv>();
        g_tOpenFileName = tOpenFileName{};
    }
    void cleanup() { m_env.reset(); }

    void openOneFile() {
        const QString file = touch("Music/a.mp3");
        g_tOpenFileName.lpstrTitle = "Add audio files";
        g_tOpenFileName.lpstrFilter = QString("Audio Files (*.mp3)") + QChar(0) + "*.mp3" + QChar(0);
        g_tOpenFileName.lpstrDefExt = "wav"; // left over from a save: still handed on
        s().openAnswers << QStringList{file};

        const tFileDialogResult r = ShowOpenDialog(nullptr, kCentreOnOwner);
        QVERIFY(!r.bCancelled);
        QCOMPARE(r.iCount, 1);
        QCOMPARE(r.sFiles.value(0), file);
        QCOMPARE(r.sFiles.value(1), QString("a.mp3"));
        QCOMPARE(r.sDirectory, m_env->root() + "/Music");
        QCOMPARE(lastPath(), file);

        QCOMPARE(s().openRequests.size(), 1);
        const FileDialogRequest& req = s().openRequests[0];
        QVERIFY(req.multiSelect);
        QCOMPARE(req.title, QString("Add audio files"));
        QCOMPARE(req.filter, QString("Audio Files (*.mp3)"));
        QCOMPARE(req.defaultExt, QString("wav"));
        QCOMPARE(g_tOpenFileName.Flags, kOpenDialogFlags);
    }

    void openSeveralFiles() {
        const QString a = touch("Music/b.mp3");
        const QString b = touch("Music/a.mp3");
        SaveSetting(kCommDialogApp, kLastPathSection, kLastPathKey, "/previous/x.mp3");
        s().openAnswers << QStringList{a, b};

        const tFileDialogResult r = ShowOpenDialog(nullptr);
        QVERIFY(!r.bCancelled);
        QCOMPARE(r.iCount, 2);
        QCOMPARE(r.sFiles.size(), 3);
        QVERIFY(r.sFiles[0].isEmpty());
        // The dialog's order, not sorted.
        QCOMPARE(r.sFiles[1], QString("b.mp3"));
        QCOMPARE(r.sFiles[2], QString("a.mp3"));
        QCOMPARE(r.sDirectory, m_env->root() + "/Music");
        QCOMPARE(lastPath(), QString("/previous/x.mp3")); // several files are not remembered
    }

    void openAtRoot_data() {
        QTest::addColumn<QStringList>("chosen");
        QTest::addColumn<QString>("directory");
        QTest::addColumn<QString>("first");
        QTest::newRow("one") << QStringList{"/a.mp3"} << "/"
                             << "a.mp3";
        QTest::newRow("several") << QStringList{"/a.mp3", "/b.mp3"} << "/"
                                 << "a.mp3";
    }
    void openAtRoot() {
        QFETCH(QStringList, chosen);
        QFETCH(QString, directory);
        QFETCH(QString, first);
        s().openAnswers << chosen;
        const tFileDialogResult r = ShowOpenDialog(nullptr);
        QCOMPARE(r.sDirectory, directory);
        QCOMPARE(r.sFiles.value(1), first);
    }

    // Every chosen name comes back, however many there are.
    void openManyFilesReturnsAll() {
        QStringList chosen;
        for (int i = 0; i < 2500; ++i)
            chosen << QString("/data/music/track %1.mp3").arg(i, 4, 10, QChar('0'));
        s().openAnswers << chosen;
        const tFileDialogResult r = ShowOpenDialog(nullptr);
        QCOMPARE(r.iCount, 2500);
        QCOMPARE(r.sFiles.size(), 2501);
        QCOMPARE(r.sFiles[1000], QString("track 0999.mp3"));
        QCOMPARE(r.sFiles[1001], QString("track 1000.mp3"));
        QCOMPARE(r.sFiles[2500], QString("track 2499.mp3"));
        for (int i = 1; i <= r.iCount; ++i)
            QVERIFY(!r.sFiles[i].isEmpty());
    }

    void saveFile() {
        g_tOpenFileName.lpstrTitle = "Save As";
        g_tOpenFileName.lpstrDefExt = "flst";
        s().saveAnswers << "/out/dir/b.wav";
        const QString before = lastPath();
        const tFileDialogResult r = ShowSaveDialog(nullptr, "", kCentreOnOwner);
        QVERIFY(!r.bCancelled);
        QCOMPARE(r.iCount, 1);
        QCOMPARE(r.sFiles.size(), 2);
        QVERIFY(r.sFiles[0].isEmpty());
        QCOMPARE(r.sFiles[1], QString("/out/dir/b.wav"));
        QCOMPARE(r.sDirectory, QString("/out/dir/"));
        QCOMPARE(lastPath(), before); // saving remembers nothing

        const FileDialogRequest& req = s().saveRequests.at(0);
        QVERIFY(!req.multiSelect);
        QCOMPARE(req.defaultExt, QString("flst"));
        QCOMPARE(req.title, QString("Save As"));
        QCOMPARE(g_tOpenFileName.Flags, kSaveDialogFlags);
    }

    void cancelled() {
        const tFileDialogResult open = ShowOpenDialog(nullptr);
        const tFileDialogResult save = ShowSaveDialog(nullptr, "x.wav");
        for (const tFileDialogResult& r : {open, save}) {
            QVERIFY(r.bCancelled);
            QCOMPARE(r.iCount, 0);
            QVERIFY(r.sFiles.isEmpty());
            QVERIFY(r.sDirectory.isEmpty());
        }
        QCOMPARE(ShowColorDialog(nullptr), -1);
        QCOMPARE(BrowseForFolder("Select a new directory", "/tmp"), QString());
        QCOMPARE(lastPath(), QString("<none>"));
    }

    // The folder of the last single choice is where the next open dialog
    // starts, in this run and in the next one (the per-user store).
    void rememberedFolder() {
        QCOMPARE(ShowOpenDialog(nullptr).iCount, 0);
        QCOMPARE(s().openRequests.at(0).initialDir, QDir::homePath()); // nothing remembered yet

        const QString file = touch("Albums/one/x.mp3");
        s().openAnswers << QStringList{file};
        ShowOpenDialog(nullptr);

        RegistryRoutines reg;
        reg.setHkey(HKEY_CURRENT_USER);
        reg.setKeyRoot("Software\\Program Settings\\Corvane");
        reg.setSubkey("path");
        QCOMPARE(reg.GetRegistryValue(kLastPathKey).toString(), file);

        g_tOpenFileName = tOpenFileName{}; // a new run
        ShowOpenDialog(nullptr);
        QCOMPARE(s().openRequests.at(2).initialDir, m_env->root() + "/Albums/one");
        // The save dialog starts where the last open dialog of the run did.
        ShowSaveDialog(nullptr, "");
        QCOMPARE(s().saveRequests.at(0).initialDir, m_env->root() + "/Albums/one");
    }

    void filterConversion_data() {
        QTest::addColumn<QString>("windows");
        QTest::addColumn<QString>("qt");
        const QChar n(0);
        QTest::newRow("one pair") << QString("Audio Files (*.mp3)") + n + "*.mp3" + n
                                  << "Audio Files (*.mp3)";
        QTest::newRow("several patterns and all files")
            << QString("Audio (*.mp3;*.wav)") + n + "*.mp3;*.wav" + n + "All Files (*.*)" + n + "*.*" + n + n
            << "Audio (*.mp3 *.wav);;All Files (*)";
        QTest::newRow("description without patterns") << QString("Wave") + n + "*.wav" + n << "Wave (*.wav)";
        QTest::newRow("bar separated") << "Text (*.txt)|*.txt|All|*.*"
                                       << "Text (*.txt);;All (*)";
        QTest::newRow("already Qt form") << "Audio (*.mp3);;All (*)"
                                         << "Audio (*.mp3);;All (*)";
        QTest::newRow("empty") << ""
                               << "";
    }
    void filterConversion() {
        QFETCH(QString, windows);
        QFETCH(QString, qt);
        QCOMPARE(WindowsFilterToQt(windows), qt);
    }

    void colorDialog() {
        s().colorAnswers << (10 + 256 * 20 + 65536 * 30) << 0x0000FF;
        QCOMPARE(ShowColorDialog(nullptr), 10 + 256 * 20 + 65536 * 30);
        // The built-in custom colours were put in by the first call.
        QCOMPARE(g_tChooseColor.lpCustColors[0], 139 + 256 * 155 + 65536 * 184);
        QCOMPARE(QColorDialog::customColor(7), QColor(236, 164, 236));
        QCOMPARE(QColorDialog::customColor(15), QColor(160, 160, 160));
        // What the user changed stays for the next call instead of the table.
        g_tChooseColor.lpCustColors[2] = 0x010203;
        QCOMPARE(ShowColorDialog(nullptr), 255);
        QCOMPARE(QColorDialog::customColor(2), QColor(3, 2, 1));
        QCOMPARE(g_tChooseColor.lpCustColors[2], 0x010203);
    }

    void browseForFolder() {
        s().folderAnswers << "/music/new/";
        QCOMPARE(BrowseForFolder("Select a new directory", "/music", nullptr, true, QString(), true, false),
                 QString("/music/new"));
        QCOMPARE(s().folderRequests.value(0), QString("Select a new directory"));
    }
};

QTEST_MAIN(tst_commdialog)
#include "tst_commdialog.moc"
