#include "SettingsStore.h"
#include "StoreFaults.h"
#include "TestEnv.h"

#include "core/AppPaths.h"
#include "core/RegistryRoutines.h"
#include "core/mdlFunctions.h"
#include "settings/OptionsSettings.h"
#include "settings/SettingsVariables.h"

#include <QFileInfo>
#include <QtTest>

using namespace settings;

namespace {

// A key below the root the Options settings name for themselves.
core::RegistryRoutines Reg(const QString& subkey = QString()) {
    return testsupport::settingsKey(subkey, core::HKEY_LOCAL_MACHINE, OptionsKeyRoot());
}

void Store(const QString& subkey, const QString& name, const QString& text) {
    QVERIFY(Reg(subkey).SetRegistryValue(name, text, core::REG_SZ));
}

// Every value of the three subkeys, with its subkey.
QList<std::pair<QString, QVariant>> Snapshot() {
    QList<std::pair<QString, QVariant>> all;
    for (const char* subkey : {"General", "Events", "ID3 Tags"})
        for (const auto& [name, value] :
             Reg().EnumRegistryValues(core::HKEY_LOCAL_MACHINE, OptionsKeyRoot() + "\\" + subkey))
            all.append({QString(subkey) + "\\" + name, value});
    std::sort(all.begin(), all.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    return all;
}

} // namespace

class tst_optionssettings : public QObject {
    Q_OBJECT
private slots:
    // Every value the settings know, none of them a default: what is loaded
    // is written back exactly as it was stored.
    void seededStoreWritesBackIdentical() {
        testsupport::TestEnv env;
        const QString lists = env.path("lists") + "/";
        const struct {
            const char* subkey;
            const char* name;
            QString text;
        } seed[] = {
            {"General", "cboDevices", "-1"},
            {"General", "cboTargetFormat", "MP3 - MPEG-1 Audio Layer 3 (*.mp3)"},
            {"General", "txtToPath", lists},
            {"General", "chkSelectTheLastItem", "1"},
            {"General", "chkAutoFreeDB", "0"},
            {"General", "cboFileName", "[123].[dest_extension]"},
            {"General", "chkSaveLogWhenExit", "1"},
            {"General", "chkDisplayMSGWhenExit", "2"},
            {"General", "chkDisplayMSGWhenErase", "1"},
            {"General", "chkGoToNextItem", "0"},
            {"General", "chkDisplayPlayer", "1"},
            {"General", "chkClearOnExit", "1"},
            {"General", "chkDisplayAudioGraph", "0"},
            {"General", "chkMenuXPStyle", "1"},
            {"General", "chkDisplayGridHotTrack", "1"},
            {"General", "chkDisplayTitle", "0"},
            {"General", "chkDisplayGridLine", "1"},
            {"General", "picColor", "-2147483633"}, // a system colour
            {"General", "picTextColor", "16744448"},
            {"General", "chkDisplayLiveUpdateWindow", "1"},
            {"General", "chkAutoUpdate", "1"},
            {"Events", "chkOpenDestFolder", "1"},
            {"Events", "chkTurnOffComputer", "0"},
            {"Events", "chkPlaySound", "1"},
            {"Events", "txtPlayAtEnd", env.path("sounds") + "/ding.wav"},
            {"Events", "chkNoticeApp", "1"},
            {"Events", "txtAppNotice", "notify-send \"[PROG_NAME]\" done"},
            {"ID3 Tags", "chkCopyID3FromSource", "0"},
            {"ID3 Tags", "txtTagArtist", "[artist] & co"},
            {"ID3 Tags", "txtTagSong", "Song"},
            {"ID3 Tags", "txtTagAlbum", "Album"},
            {"ID3 Tags", "txtTagGenre", "Genre"},
            {"ID3 Tags", "txtTagTrack", "7"},
            {"ID3 Tags", "txtTagYear", "1999"},
            {"ID3 Tags", "txtTagComment", "first line\r\nsecond line"},
        };
        for (const auto& value : seed)
            Store(value.subkey, value.name, value.text);
        const auto before = Snapshot();
        QCOMPARE(before.size(), qsizetype(std::size(seed)));

        const tOptionsRecord record = LoadOptionsSettings();
        QCOMPARE(g_sTargetFormat, QString("MP3 - MPEG-1 Audio Layer 3 (*.mp3)"));
        QCOMPARE(g_sItemsListDir, lists);
        QCOMPARE(g_sFileNameFormat, QString("[123].[dest_extension]"));
        QVERIFY(g_bDisplayMSGWhenExit && !g_bGoToNextItem && !g_bCopyID3FromSource);
        QCOMPARE(quint32(g_lAppColor), 0x8000000Fu);
        QCOMPARE(g_lTextColor, 0x00FF8000);
        QCOMPARE(g_sPlayAtEnd, env.path("sounds") + "/ding.wav");
        QCOMPARE(g_sTagComment, QString("first line\r\nsecond line"));

        core::RegistryRoutines reg = Reg();
        QVERIFY(!StoreOptions(reg, record).listsFolderChanged);
        QCOMPARE(Snapshot(), before);
    }

    void missingValuesGiveDefaults_data() {
        QTest::addColumn<bool>("keys");
        QTest::newRow("keys without values") << true;
        QTest::newRow("no keys") << false;
    }
    void missingValuesGiveDefaults() {
        QFETCH(bool, keys);
        testsupport::TestEnv env(keys);
        g_sTargetFormat = "kept";
        g_lAudioDevice = 3;
        const tOptionsRecord r = LoadOptionsSettings();

        for (qint16 box :
             {r.chkSelectTheLastItem, r.chkAutoFreeDB, r.chkSaveLogWhenExit, r.chkDisplayMSGWhenExit,
              r.chkDisplayMSGWhenErase, r.chkGoToNextItem, r.chkDisplayPlayer, r.chkClearOnExit,
              r.chkDisplayAudioGraph, r.chkMenuXPStyle, r.chkDisplayGridHotTrack, r.chkDisplayTitle,
              r.chkDisplayGridLine, r.chkDisplayLiveUpdateWindow, r.chkAutoUpdate, r.chkOpenDestFolder,
              r.chkTurnOffComputer, r.chkPlaySound, r.chkNoticeApp})
            QCOMPARE(box, qint16(0));
        QCOMPARE(r.chkCopyID3FromSource, qint16(1));
        QVERIFY(g_bCopyID3FromSource && !g_bClearOnExit && !g_bPlaySound);
        QCOMPARE(g_lAudioDevice, -1);
        QCOMPARE(g_lAppColor, 0);
        QCOMPARE(g_lTextColor, 0);
        // No stored format leaves the variable alone.
        QCOMPARE(r.cboTargetFormat.index, -1);
        QCOMPARE(g_sTargetFormat, QString("kept"));
        QCOMPARE(r.cboFileName.items.size(), 6);
        QCOMPARE(g_sFileNameFormat, QString());
        QCOMPARE(g_sAppNotice, QString());
        QCOMPARE(g_sTagArtist, QString());

        const QString lists = core::ProgramFolder() + "/Main/";
        QCOMPARE(g_sItemsListDir, lists);
        QVERIFY(QFileInfo(lists).isDir());
        QCOMPARE(core::ReadPathHistory().value(0), lists);
        QCOMPARE(r.txtToPathItems.value(0), lists);
        QCOMPARE(g_sPlayAtEnd, core::ProgramFolder() + "/sound/notify.wav");
    }

    void storedColours_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<qint64>("expected");
        QTest::newRow("colour") << "255" << qint64(255);
        QTest::newRow("system colour, signed") << "-2147483633" << qint64(0x8000000F);
        QTest::newRow("system colour, unsigned") << "2147483663" << qint64(0x8000000F);
        QTest::newRow("no colour number") << "16777216" << qint64(0);
        QTest::newRow("beyond 32 bits") << "4294967551" << qint64(0);
        QTest::newRow("not a number") << "red" << qint64(0);
    }
    // A colour that cannot be taken leaves the swatch black (its state without a value).
    void storedColours() {
        QFETCH(QString, stored);
        QFETCH(qint64, expected);
        testsupport::TestEnv env;
        Store("General", "picColor", stored);
        const tOptionsRecord r = LoadOptionsSettings();
        QCOMPARE(qint64(quint32(r.picColor)), expected);
        QCOMPARE(qint64(quint32(g_lAppColor)), expected);
    }

    // The values go in as one transaction: a store that refuses a write part
    // way through (the last subkey's first value), refuses every write, or
    // has lost a subkey, keeps every old value, and no variable changes; the
    // reason comes back. Once the store takes writes again, all go in.
    void failedSaveStoresNothing_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("reason");
        QTest::newRow("one value refused mid-save") << "txtTagArtist"
                                                    << "attempt to write a readonly database";
        QTest::newRow("every write refused") << "*"
                                             << "attempt to write a readonly database";
        QTest::newRow("subkey gone")
            << "-"
            << "the value SOFTWARE\\Pellory\\Corvane\\ID3 Tags\\chkCopyID3FromSource "
               "cannot be written";
    }
    void failedSaveStoresNothing() {
        QFETCH(QString, fault);
        QFETCH(QString, reason);
        testsupport::TestEnv env;
        Store("General", "chkClearOnExit", "0");
        Store("Events", "chkPlaySound", "0");
        tOptionsRecord r = LoadOptionsSettings();
        if (fault == "-") QCOMPARE(Reg().DeleteKey("ID3 Tags"), 0);
        const auto before = Snapshot();
        const QString listsBefore = g_sItemsListDir;
        r.chkClearOnExit = 1;
        r.chkPlaySound = 1;
        r.txtTagArtist = "New";
        r.txtToPath = env.path("other");
        if (fault != "-") QVERIFY(testsupport::RefuseStoreWrites(fault == "*" ? QString() : fault));

        core::RegistryRoutines reg = Reg();
        const StoreOutcome failed = StoreOptions(reg, r);
        QVERIFY(!failed.stored);
        QCOMPARE(failed.error, reason);
        QCOMPARE(Snapshot(), before);
        QCOMPARE(g_sItemsListDir, listsBefore);

        if (fault == "-")
            QCOMPARE(Reg().CreateKey("ID3 Tags"), QString("0"));
        else
            QVERIFY(testsupport::AllowStoreWrites());
        const StoreOutcome stored = StoreOptions(reg, r);
        QVERIFY(stored.stored);
        QVERIFY(stored.listsFolderChanged);
        QCOMPARE(Reg("General").GetRegistryValue("chkClearOnExit").toString(), QString("1"));
        QCOMPARE(Reg("Events").GetRegistryValue("chkPlaySound").toString(), QString("1"));
        QCOMPARE(Reg("ID3 Tags").GetRegistryValue("txtTagArtist").toString(), QString("New"));
        QCOMPARE(g_sItemsListDir, env.path("other") + "/");
    }

    void storeFollowsTheListsFolder() {
        testsupport::TestEnv env;
        tOptionsRecord r = LoadOptionsSettings();
        r.txtToPath = env.root() + "/other"; // typed without its closing "/"
        core::RegistryRoutines reg = Reg();
        QVERIFY(StoreOptions(reg, r).listsFolderChanged);
        QCOMPARE(g_sItemsListDir, env.root() + "/other/");
        QCOMPARE(Reg("General").GetRegistryValue("txtToPath").toString(), env.root() + "/other/");
        QVERIFY(!StoreOptions(reg, r).listsFolderChanged);
    }
};

QTEST_GUILESS_MAIN(tst_optionssettings)
#include "tst_optionssettings.moc"
