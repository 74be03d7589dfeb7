#include "SettingsStore.h"
#include "TestEnv.h"

#include "core/AppPaths.h"
#include "core/Installer.h"
#include "core/RegistryRoutines.h"

#include <QDirIterator>
#include <QtTest>

#include <memory>

using namespace core;

namespace {

const QString kRoot = testsupport::kSettingsRoot;
const QStringList kSeedKeys = {"General",      "Events",       "ID3 Tags",     "Formats\\WAV", "Formats\\ACM",
                               "Formats\\MP3", "Formats\\WMA", "Formats\\OGG", "Formats\\APE"};

using testsupport::fileBytes;
using testsupport::settingsKey;

void writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// Every key and value below a key, as text, to see that nothing changed.
QStringList dump(quint32 hive, const QString& path) {
    RegistryRoutines r;
    QStringList lines;
    for (const auto& [name, value] : r.EnumRegistryValues(hive, path))
        lines << path + " : " + name + " = " + value.toString();
    for (const QString& key : r.EnumRegistryKeys(hive, path)) {
        lines << path + "\\" + key;
        lines << dump(hive, path + "\\" + key);
    }
    return lines;
}

using testsupport::filesBelow;

} // namespace

class tst_installer : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<testsupport::TestEnv> m_env;

private slots:
    void init() { m_env = std::make_unique<testsupport::TestEnv>(false); }
    void cleanup() {
        qunsetenv("CORVANE_INSTALL_DIR");
        m_env.reset();
    }

    void freshInstallCreatesKeysAndCopiesAssets() {
        QVERIFY(!QFileInfo::exists(RegistryFile()));
        QVERIFY(filesBelow(ProgramFolder()).isEmpty());
        QVERIFY(InstallFromSeed());

        for (const QString& key : kSeedKeys)
            QVERIFY2(settingsKey(key).KeyExists(), qPrintable(key));
        RegistryRoutines r;
        QCOMPARE(r.EnumRegistryKeys(HKEY_LOCAL_MACHINE, kRoot),
                 (QStringList{"Events", "Formats", "General", "ID3 Tags"}));
        QCOMPARE(r.EnumRegistryKeys(HKEY_LOCAL_MACHINE, kRoot + "\\Formats"),
                 (QStringList{"ACM", "APE", "MP3", "OGG", "WAV", "WMA"}));
        // A new key starts with the seed's values: readable title strips, a
        // target format and a name template, CD-quality stereo WAV.
        const auto general = r.EnumRegistryValues(HKEY_LOCAL_MACHINE, kRoot + "\\General");
        QCOMPARE(general.size(), 4);
        RegistryRoutines g = settingsKey("General");
        QCOMPARE(g.GetRegistryValue("picColor").toString(), QString("8405024"));
        QCOMPARE(g.GetRegistryValue("picTextColor").toString(), QString("16777215"));
        QCOMPARE(g.GetRegistryValue("cboTargetFormat").toString(),
                 QString("WAV - Waveform Audio Format (*.wav)"));
        QCOMPARE(g.GetRegistryValue("cboFileName").toString(), QString("[file_name].[dest_extension]"));
        RegistryRoutines wav = settingsKey("Formats\\WAV");
        QCOMPARE(wav.GetRegistryValue("cboSamplesWAV").toString(), QString("44100"));
        QCOMPARE(wav.GetRegistryValue("cboBitrateWAV").toString(), QString("16"));
        QCOMPARE(wav.GetRegistryValue("cboChannelsWAV").toString(), QString("1"));
        QVERIFY(r.EnumRegistryValues(HKEY_LOCAL_MACHINE, kRoot + "\\Events").isEmpty());

        QStringList assets = filesBelow(InstallFolder());
        QVERIFY(assets.removeAll("registry.seed") == 1);
        QVERIFY(assets.contains("sound/notify.wav"));
        QVERIFY(assets.contains("SysIcon/systrayicon.png"));
        QCOMPARE(filesBelow(ProgramFolder()), assets);
        for (const QString& asset : assets)
            QVERIFY2(fileBytes(ProgramFolder() + "/" + asset) == fileBytes(InstallFolder() + "/" + asset),
                     qPrintable(asset));
    }

    void secondRunTouchesNothing() {
        QVERIFY(InstallFromSeed());
        QVERIFY(settingsKey("General").SetRegistryValue("chkClearOnExit", "1", REG_SZ));
        QVERIFY(settingsKey("Formats\\MP3").SetRegistryValue("cboMP3Bitrate", "192", REG_SZ));
        const QString sound = ProgramFolder() + "/sound/notify.wav";
        writeFile(sound, "the user's own sound");
        const QStringList keysBefore = dump(HKEY_LOCAL_MACHINE, "SOFTWARE");
        const QStringList filesBefore = filesBelow(ProgramFolder());

        QVERIFY(InstallFromSeed());
        QCOMPARE(dump(HKEY_LOCAL_MACHINE, "SOFTWARE"), keysBefore);
        QCOMPARE(filesBelow(ProgramFolder()), filesBefore);
        QCOMPARE(fileBytes(sound), QByteArray("the user's own sound"));
        QCOMPARE(settingsKey("General").GetRegistryValue("chkClearOnExit"), QVariant("1"));
    }

    void missingPartsAreRestored() {
        QVERIFY(InstallFromSeed());
        QVERIFY(settingsKey("Formats\\MP3").SetRegistryValue("cboMP3Bitrate", "192", REG_SZ));
        QCOMPARE(settingsKey("").DeleteKey("Formats\\APE"), 0);
        const QString icon = ProgramFolder() + "/SysIcon/systrayicon.png";
        QVERIFY(QFile::remove(icon));

        QVERIFY(InstallFromSeed());
        QVERIFY(settingsKey("Formats\\APE").KeyExists());
        QCOMPARE(settingsKey("Formats\\MP3").GetRegistryValue("cboMP3Bitrate"), QVariant("192"));
        QCOMPARE(fileBytes(icon), fileBytes(InstallFolder() + "/SysIcon/systrayicon.png"));
    }

    void withoutSeedNothingHappens() {
        const QString install = m_env->path("install");
        writeFile(install + "/sound/notify.wav", "sound");
        qputenv("CORVANE_INSTALL_DIR", install.toUtf8());

        QVERIFY(!InstallFromSeed());
        QVERIFY(!settingsKey("General").KeyExists());
        QVERIFY(RegistryRoutines().EnumRegistryKeys(HKEY_LOCAL_MACHINE, "").isEmpty());
        QVERIFY(filesBelow(ProgramFolder()).isEmpty());
    }

    void seedOfOwnWriting() {
        const QString install = m_env->path("install");
        writeFile(install + "/registry.seed", "# a comment\r\n\r\n"
                                              "  HKEY_CURRENT_USER\\Software\\Test\\A  \r\n"
                                              "HKEY_LOCAL_MACHINE\\SOFTWARE\\Test\\B\\C\n"
                                              "HKEY_CURRENT_USER\\Software\\Test\\A\n");
        qputenv("CORVANE_INSTALL_DIR", install.toUtf8());
        QVERIFY(InstallFromSeed());
        QVERIFY(settingsKey("A", HKEY_CURRENT_USER, "Software\\Test").KeyExists());
        QVERIFY(settingsKey("B\\C", HKEY_LOCAL_MACHINE, "SOFTWARE\\Test").KeyExists());
        QCOMPARE(RegistryRoutines().EnumRegistryKeys(HKEY_CURRENT_USER, "Software\\Test"), QStringList{"A"});
        QVERIFY(filesBelow(ProgramFolder()).isEmpty()); // the seed is no asset

        // A line for a hive the store does not keep is reported, the rest still done.
        writeFile(install + "/registry.seed", "HKEY_USERS\\X\nHKEY_CURRENT_USER\\Software\\Test\\D\n");
        QVERIFY(!InstallFromSeed());
        QVERIFY(settingsKey("D", HKEY_CURRENT_USER, "Software\\Test").KeyExists());
    }
};

QTEST_MAIN(tst_installer)
#include "tst_installer.moc"
