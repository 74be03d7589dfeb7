#include "SettingsStore.h"
#include "TestEnv.h"

#include "core/AppPaths.h"
#include "core/Installer.h"
#include "core/RegistryRoutines.h"

#include <QProcess>
#include <QtTest>

#include <cstdio>
#include <memory>
#include <sqlite3.h>

using namespace core;

namespace {

const QString kRoot = testsupport::kSettingsRoot;

// The key most cases use: General under the program's root.
RegistryRoutines reg(const QString& subkey = QStringLiteral("General"), quint32 hive = HKEY_LOCAL_MACHINE,
                     const QString& root = kRoot) {
    return testsupport::settingsKey(subkey, hive, root);
}

using testsupport::fileBytes;

// Direct access to the stored bytes, to see what a value really holds.
class RawStore {
public:
    RawStore() {
        m_ok = sqlite3_open_v2(RegistryFile().toUtf8(), &m_db, SQLITE_OPEN_READWRITE, nullptr) == 0;
    }
    ~RawStore() { sqlite3_close_v2(m_db); }
    bool ok() const { return m_ok; }

    qint64 keyId(const QString& path) {
        qint64 id = 1; // HKEY_LOCAL_MACHINE
        for (const QString& part : path.split('\\')) {
            sqlite3_stmt* st = nullptr;
            sqlite3_prepare_v2(m_db, "SELECT id FROM reg_keys WHERE parent = ? AND fold = ?", -1, &st,
                               nullptr);
            sqlite3_bind_int64(st, 1, id);
            const QByteArray f = part.toCaseFolded().toUtf8();
            sqlite3_bind_text(st, 2, f.constData(), int(f.size()), SQLITE_TRANSIENT);
            id = sqlite3_step(st) == SQLITE_ROW ? sqlite3_column_int64(st, 0) : -1;
            sqlite3_finalize(st);
            if (id < 0) break;
        }
        return id;
    }
    bool read(const QString& path, const QString& name, int* type, QByteArray* data) {
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(m_db, "SELECT type, data FROM reg_values WHERE key = ? AND fold = ?", -1, &st,
                           nullptr);
        sqlite3_bind_int64(st, 1, keyId(path));
        const QByteArray f = name.toCaseFolded().toUtf8();
        sqlite3_bind_text(st, 2, f.constData(), int(f.size()), SQLITE_TRANSIENT);
        const bool found = sqlite3_step(st) == SQLITE_ROW;
        if (found) {
            *type = sqlite3_column_int(st, 0);
            const auto* p = static_cast<const char*>(sqlite3_column_blob(st, 1));
            *data = QByteArray(p ? p : "", sqlite3_column_bytes(st, 1));
        }
        sqlite3_finalize(st);
        return found;
    }
    bool write(const QString& path, const QString& name, int type, const QByteArray& data) {
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(m_db, "INSERT INTO reg_values(key, name, fold, type, data) VALUES(?, ?, ?, ?, ?)",
                           -1, &st, nullptr);
        sqlite3_bind_int64(st, 1, keyId(path));
        const QByteArray n = name.toUtf8(), f = name.toCaseFolded().toUtf8();
        sqlite3_bind_text(st, 2, n.constData(), int(n.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 3, f.constData(), int(f.size()), SQLITE_TRANSIENT);
        sqlite3_bind_int(st, 4, type);
        if (data.isEmpty())
            sqlite3_bind_zeroblob(st, 5, 0);
        else
            sqlite3_bind_blob(st, 5, data.constData(), int(data.size()), SQLITE_TRANSIENT);
        const bool ok = sqlite3_step(st) == SQLITE_DONE;
        sqlite3_finalize(st);
        return ok;
    }

    bool checkpoint() {
        return sqlite3_exec(m_db, "PRAGMA wal_checkpoint(TRUNCATE)", nullptr, nullptr, nullptr) == SQLITE_OK;
    }

private:
    sqlite3* m_db = nullptr;
    bool m_ok = false;
};

// Child mode: another running copy writing and reading the same store. It
// prints how many of the parent's values it saw while both were running.
int childMain(int count) {
    const RegistryRoutines r = reg();
    int seen = 0;
    for (int i = 0; i < count; ++i) {
        if (!r.SetRegistryValue(QStringLiteral("child%1").arg(i), i, REG_SZ)) return 2;
        if (r.GetRegistryValue(QStringLiteral("child%1").arg(i)).toString() != QString::number(i)) return 3;
        if (r.GetRegistryValue(QStringLiteral("parent%1").arg(i)).isValid()) ++seen;
    }
    printf("%d\n", seen);
    return 0;
}

} // namespace

class tst_registry : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<testsupport::TestEnv> m_env;

private slots:
    void initTestCase() { qputenv("CORVANE_TST_DIR", "/srv/data"); }
    void init() {
        m_env = std::make_unique<testsupport::TestEnv>(false);
        QCOMPARE(reg().CreateKey(), QString("0"));
    }
    void cleanup() { m_env.reset(); }

    void writeAndRead_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<QVariant>("input");
        QTest::addColumn<QVariant>("expected");
        QTest::addColumn<QByteArray>("bytes");
        const QString longText(5000, 'x');
        QTest::newRow("sz text") << REG_SZ << QVariant("abc") << QVariant("abc") << QByteArray("abc\0", 4);
        QTest::newRow("sz number") << REG_SZ << QVariant(1) << QVariant("1") << QByteArray("1\0", 2);
        QTest::newRow("sz true") << REG_SZ << QVariant(true) << QVariant("True") << QByteArray("True\0", 5);
        QTest::newRow("sz false") << REG_SZ << QVariant(false) << QVariant("False")
                                  << QByteArray("False\0", 6);
        QTest::newRow("sz empty text")
            << REG_SZ << QVariant(QString("")) << QVariant(QString("")) << QByteArray("\0", 1);
        QTest::newRow("sz empty variant")
            << REG_SZ << QVariant() << QVariant(QString("")) << QByteArray("\0", 1);
        QTest::newRow("sz non-ascii")
            << REG_SZ << QVariant(QString::fromUtf8("Grüße ♪")) << QVariant(QString::fromUtf8("Grüße ♪"))
            << QByteArray("Gr\xC3\xBC\xC3\x9F"
                          "e \xE2\x99\xAA\0",
                          12);
        QTest::newRow("sz longer than 1023") << REG_SZ << QVariant(longText) << QVariant(longText)
                                             << (longText.toUtf8() + QByteArray(1, '\0'));
        QTest::newRow("expand sz") << REG_EXPAND_SZ << QVariant("%CORVANE_TST_DIR%\\x %CORVANE_TST_NONE% 5%")
                                   << QVariant("/srv/data\\x %CORVANE_TST_NONE% 5%")
                                   << QByteArray("%CORVANE_TST_DIR%\\x %CORVANE_TST_NONE% 5%\0", 42);
        QTest::newRow("binary with NULs")
            << REG_BINARY << QVariant(QByteArray("\0\x01\xff", 3)) << QVariant(QByteArray("\0\x01\xff", 3))
            << QByteArray("\0\x01\xff", 3);
        QTest::newRow("binary empty")
            << REG_BINARY << QVariant(QByteArray()) << QVariant(QByteArray("")) << QByteArray("");
        QTest::newRow("dword") << REG_DWORD << QVariant(0x12345678) << QVariant(qint32(0x12345678))
                               << QByteArray("\x78\x56\x34\x12", 4);
        QTest::newRow("dword negative")
            << REG_DWORD << QVariant(-2) << QVariant(qint32(-2)) << QByteArray("\xfe\xff\xff\xff", 4);
        QTest::newRow("dword from text")
            << REG_DWORD << QVariant(" 42") << QVariant(qint32(42)) << QByteArray("\x2a\0\0\0", 4);
        QTest::newRow("dword unsigned max") << REG_DWORD << QVariant(quint32(0xFFFFFFFFu))
                                            << QVariant(qint32(-1)) << QByteArray("\xff\xff\xff\xff", 4);
        QTest::newRow("multi sz") << REG_MULTI_SZ << QVariant(QString::fromLatin1("a\0b", 3))
                                  << QVariant(QString::fromLatin1("a\0b", 3)) << QByteArray("a\0b\0", 4);
    }
    void writeAndRead() {
        QFETCH(int, type);
        QFETCH(QVariant, input);
        QFETCH(QVariant, expected);
        QFETCH(QByteArray, bytes);
        QVERIFY(reg().SetRegistryValue("v", input, type));
        // A second instance sees what the first wrote.
        const QVariant got = reg().GetRegistryValue("v", "DEFAULT");
        QCOMPARE(got.metaType(), expected.metaType());
        QCOMPARE(got, expected);
        RawStore raw;
        int storedType = 0;
        QByteArray stored;
        QVERIFY(raw.read(kRoot + "\\General", "v", &storedType, &stored));
        QCOMPARE(storedType, type);
        QCOMPARE(stored, bytes);
    }

    void rejectedWriteKeepsOldValue_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<QVariant>("input");
        QTest::newRow("type 0") << 0 << QVariant("x");
        QTest::newRow("type 5 (big-endian dword)") << 5 << QVariant(1);
        QTest::newRow("type 6 (link)") << 6 << QVariant("x");
        QTest::newRow("type 11 (qword)") << 11 << QVariant(1);
        QTest::newRow("type -1") << -1 << QVariant("x");
        QTest::newRow("dword from words") << REG_DWORD << QVariant("abc");
        QTest::newRow("dword too large") << REG_DWORD << QVariant(qint64(5000000000));
        QTest::newRow("binary from a number") << REG_BINARY << QVariant(12);
    }
    void rejectedWriteKeepsOldValue() {
        QFETCH(int, type);
        QFETCH(QVariant, input);
        QVERIFY(reg().SetRegistryValue("v", "keep", REG_SZ));
        QVERIFY(!reg().SetRegistryValue("v", input, type));
        QVERIFY(!reg().SetRegistryValue("new", input, type));
        QCOMPARE(reg().GetRegistryValue("v"), QVariant("keep"));
        QCOMPARE(reg().GetRegistryValue("new", "DEFAULT"), QVariant("DEFAULT"));
        QCOMPARE(reg().EnumRegistryValues(HKEY_LOCAL_MACHINE, kRoot + "\\General").size(), 1);
    }

    // Bytes as another writer may have left them.
    void storedBytesConvert_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QVariant>("expected"); // read with the default "DEF"
        QTest::addColumn<QVariant>("listed");   // as the value enumeration shows it
        const QVariant def("DEF");
        QTest::newRow("sz zero-length") << REG_SZ << QByteArray("") << def << QVariant(QString(""));
        QTest::newRow("sz NUL only") << REG_SZ << QByteArray("\0", 1) << QVariant(QString(""))
                                     << QVariant(QString(""));
        QTest::newRow("sz without NUL") << REG_SZ << QByteArray("abc") << QVariant("abc") << QVariant("abc");
        QTest::newRow("expand zero-length")
            << REG_EXPAND_SZ << QByteArray("") << def << QVariant(QString(""));
        QTest::newRow("multi closing pair") << REG_MULTI_SZ << QByteArray("a\0b\0\0", 5)
                                            << QVariant(QString::fromLatin1("a\0b", 3)) << QVariant("a,b");
        QTest::newRow("multi first empty") << REG_MULTI_SZ << QByteArray("\0\0", 2) << def << QVariant();
        QTest::newRow("binary") << REG_BINARY << QByteArray("\x00\x0a\xff", 3)
                                << QVariant(QByteArray("\x00\x0a\xff", 3)) << QVariant("00 0A FF");
        QTest::newRow("binary zero-length")
            << REG_BINARY << QByteArray("") << QVariant(QByteArray("")) << QVariant(QString(""));
        QTest::newRow("dword") << REG_DWORD << QByteArray("\x05\0\0\0", 4) << QVariant(qint32(5))
                               << QVariant(qint32(5));
        QTest::newRow("dword short") << REG_DWORD << QByteArray("\x05\0\0", 3) << def << QVariant();
        QTest::newRow("unknown type") << 11 << QByteArray("12345678") << def << QVariant();
    }
    void storedBytesConvert() {
        QFETCH(int, type);
        QFETCH(QByteArray, bytes);
        QFETCH(QVariant, expected);
        QFETCH(QVariant, listed);
        {
            RawStore raw;
            QVERIFY(raw.write(kRoot + "\\General", "Raw", type, bytes));
        }
        const QVariant got = reg().GetRegistryValue("raw", "DEF");
        QCOMPARE(got.metaType(), expected.metaType());
        QCOMPARE(got, expected);
        const auto values = reg().EnumRegistryValues(HKEY_LOCAL_MACHINE, kRoot + "\\General");
        QCOMPARE(values.size(), 1);
        QCOMPARE(values[0].first, QString("Raw"));
        QCOMPARE(values[0].second.metaType(), listed.metaType());
        QCOMPARE(values[0].second, listed);
    }

    void missingValueAndKey() {
        const RegistryRoutines r = reg();
        QVERIFY(!r.GetRegistryValue("nothing").isValid());
        QCOMPARE(r.GetRegistryValue("nothing").toString(), QString());
        QCOMPARE(r.GetRegistryValue("nothing").toInt(), 0);
        QCOMPARE(r.GetRegistryValue("nothing", 7), QVariant(7));
        QCOMPARE(r.DeleteValue("nothing"), 2);

        for (const QString& missing : {QString("Nope"), QString("Nope\\Deeper")}) {
            const RegistryRoutines m = reg(missing);
            QVERIFY(!m.KeyExists());
            QCOMPARE(m.GetRegistryValue("x", "DEF"), QVariant("DEF"));
            QVERIFY(!m.SetRegistryValue("x", "1", REG_SZ));
            QVERIFY(!m.KeyExists());
            QCOMPARE(m.DeleteValue("x"), 2);
            QVERIFY(m.EnumRegistryValues(HKEY_LOCAL_MACHINE, kRoot + "\\" + missing).isEmpty());
            QVERIFY(m.EnumRegistryKeys(HKEY_LOCAL_MACHINE, kRoot + "\\" + missing).isEmpty());
        }
        QCOMPARE(reg().EnumRegistryKeys(HKEY_LOCAL_MACHINE, kRoot), QStringList{"General"});
    }

    void deleteKeyReportsTheOutcome() {
        const RegistryRoutines r = reg("");
        QCOMPARE(r.CreateKey("Formats\\MP3"), QString("0"));
        QVERIFY(reg("Formats\\MP3").SetRegistryValue("cboMP3Bitrate", "128", REG_SZ));

        QCOMPARE(r.DeleteKey("Missing"), 2);
        QVERIFY(r.DeleteKey("Formats") != 0); // has a subkey
        QVERIFY(reg("Formats").KeyExists());
        QCOMPARE(reg("Formats\\MP3").GetRegistryValue("cboMP3Bitrate"), QVariant("128"));

        QCOMPARE(r.DeleteKey("Formats\\MP3"), 0);
        QVERIFY(!reg("Formats\\MP3").KeyExists());
        QCOMPARE(r.DeleteKey("Formats\\MP3"), 2);
        // Its values went with it: a new key of that name starts empty.
        QCOMPARE(r.CreateKey("Formats\\MP3"), QString("0"));
        QVERIFY(!reg("Formats\\MP3").GetRegistryValue("cboMP3Bitrate").isValid());

        RegistryRoutines hive;
        hive.setHkey(HKEY_LOCAL_MACHINE);
        QVERIFY(hive.DeleteKey("") != 0);
        QVERIFY(hive.KeyExists());
    }

    void namesCompareWithoutCaseAndKeepSpelling() {
        QCOMPARE(reg("").CreateKey("Formats\\MP3"), QString("0"));
        QCOMPARE(reg("").CreateKey("FORMATS\\mp3"), QString("0"));
        QCOMPARE(reg().EnumRegistryKeys(HKEY_LOCAL_MACHINE, kRoot + "\\formats"), QStringList{"MP3"});
        const RegistryRoutines lower = reg("formats\\mp3", HKEY_LOCAL_MACHINE, kRoot.toLower());
        QVERIFY(lower.KeyExists());

        QVERIFY(reg("Formats\\MP3").SetRegistryValue("cboMP3Bitrate", "128", REG_SZ));
        QCOMPARE(lower.GetRegistryValue("CBOMP3BITRATE"), QVariant("128"));
        QVERIFY(lower.SetRegistryValue("cbomp3bitrate", "192", REG_SZ));
        const auto values = reg().EnumRegistryValues(HKEY_LOCAL_MACHINE, kRoot + "\\Formats\\MP3");
        QCOMPARE(values.size(), 1);
        QCOMPARE(values[0].first, QString("cboMP3Bitrate"));
        QCOMPARE(values[0].second, QVariant("192"));

        // Beyond ASCII too.
        QCOMPARE(reg("").CreateKey(QString::fromUtf8("Ärger")), QString("0"));
        QVERIFY(reg(QString::fromUtf8("äRGER")).KeyExists());

        QCOMPARE(lower.DeleteValue("CBOMP3BITRATE"), 0);
        QVERIFY(!lower.GetRegistryValue("cboMP3Bitrate").isValid());
    }

    void emptySubkeyMeansKeyRoot() {
        const RegistryRoutines root = reg("", HKEY_LOCAL_MACHINE, kRoot + "\\General");
        QCOMPARE(root.WorkingKey(), kRoot + "\\General\\");
        QVERIFY(root.KeyExists());
        QVERIFY(root.SetRegistryValue("x", "1", REG_SZ));
        QCOMPARE(reg().GetRegistryValue("x"), QVariant("1"));
        QCOMPARE(root.CreateKey(), QString("0")); // KeyRoot itself: no new key
        QVERIFY(reg().EnumRegistryKeys(HKEY_LOCAL_MACHINE, kRoot + "\\General").isEmpty());
        // A doubled backslash inside a path names nothing.
        QVERIFY(!reg("", HKEY_LOCAL_MACHINE, "SOFTWARE\\\\Pellory").KeyExists());
        QCOMPARE(reg("", HKEY_LOCAL_MACHINE, "SOFTWARE\\\\Pellory").CreateKey(), QString());
    }

    // An empty key, a zero-length value and a NUL-only value are three different things.
    void emptyThingsStayDistinct() {
        QVERIFY(reg().SetRegistryValue("zero", QByteArray(), REG_BINARY));
        QVERIFY(reg().SetRegistryValue("nul", "", REG_SZ));
        QCOMPARE(reg("").CreateKey("Empty"), QString("0"));

        QCOMPARE(reg("Empty").GetRegistryValue("zero", "DEF"), QVariant("DEF"));
        QVERIFY(reg("Empty").EnumRegistryValues(HKEY_LOCAL_MACHINE, kRoot + "\\Empty").isEmpty());
        QCOMPARE(reg().GetRegistryValue("zero", "DEF"), QVariant(QByteArray("")));
        QCOMPARE(reg().GetRegistryValue("nul", "DEF"), QVariant(QString("")));
        QCOMPARE(reg().EnumRegistryValues(HKEY_LOCAL_MACHINE, kRoot + "\\General").size(), 2);
    }

    void hivesAreSeparateAndOthersFail() {
        QCOMPARE(reg("General", HKEY_CURRENT_USER).CreateKey(), QString("0"));
        QVERIFY(reg("General", HKEY_CURRENT_USER).SetRegistryValue("where", "user", REG_SZ));
        QVERIFY(reg().SetRegistryValue("where", "machine", REG_SZ));
        QCOMPARE(reg("General", HKEY_CURRENT_USER).GetRegistryValue("where"), QVariant("user"));
        QCOMPARE(reg().GetRegistryValue("where"), QVariant("machine"));

        for (quint32 other : {HKEY_CLASSES_ROOT, HKEY_USERS, 0x1234u}) {
            const RegistryRoutines r = reg("General", other);
            QVERIFY(!r.KeyExists());
            QCOMPARE(r.CreateKey(), QString());
            QVERIFY(!r.SetRegistryValue("x", "1", REG_SZ));
            QCOMPARE(r.GetRegistryValue("x", "DEF"), QVariant("DEF"));
            QVERIFY(r.DeleteValue("x") != 0);
            QVERIFY(r.DeleteKey("General") != 0);
            QVERIFY(r.EnumRegistryKeys(other, "").isEmpty());
        }
    }

    void enumerationsListNamesInOrder() {
        const RegistryRoutines r = reg("");
        for (const char* name : {"Formats\\WAV", "Events", "ID3 Tags", "Formats\\ACM"})
            QCOMPARE(r.CreateKey(name), QString("0"));
        QCOMPARE(r.EnumRegistryKeys(HKEY_LOCAL_MACHINE, kRoot),
                 (QStringList{"Events", "Formats", "General", "ID3 Tags"}));
        QCOMPARE(r.EnumRegistryKeys(HKEY_LOCAL_MACHINE, ""), QStringList{"SOFTWARE"});
        // Values in the order they were first written; rewriting keeps the place.
        QVERIFY(reg().SetRegistryValue("b", "1", REG_SZ));
        QVERIFY(reg().SetRegistryValue("a", 2, REG_DWORD));
        QVERIFY(reg().SetRegistryValue("b", "3", REG_SZ));
        const auto values = r.EnumRegistryValues(HKEY_LOCAL_MACHINE, kRoot + "\\General");
        QCOMPARE(values.size(), 2);
        QCOMPARE(values[0], (std::pair<QString, QVariant>("b", QVariant("3"))));
        QCOMPARE(values[1], (std::pair<QString, QVariant>("a", QVariant(qint32(2)))));
    }

    void remoteAccessFails() {
        const RegistryRoutines r = reg();
        QCOMPARE(r.ReadRemoteRegistryValue("", HKEY_LOCAL_MACHINE, "x"), QVariant("Error!"));
        QCOMPARE(r.ReadRemoteRegistryValue("other", HKEY_LOCAL_MACHINE, "x", kRoot + "\\General"),
                 QVariant("Error!"));
        QVERIFY(!r.WriteRemoteRegistryValue("other", HKEY_LOCAL_MACHINE, "x", "1", REG_SZ));
        QVERIFY(!r.GetRegistryValue("x").isValid());
    }

    void trimNull_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("nul inside") << QString::fromLatin1("abc\0def", 7) << QString("abc");
        QTest::newRow("no nul") << QString("abc") << QString("abc");
        QTest::newRow("nul first") << QString::fromLatin1("\0abc", 4) << QString("");
        QTest::newRow("empty") << QString() << QString();
    }
    void trimNull() {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(RegistryRoutines::TrimNull(text), expected);
        QCOMPARE(text, expected);
    }

    void twoProcessesShareTheStore() {
        const int childCount = 500;
        QProcess child;
        child.setProcessChannelMode(QProcess::SeparateChannels);
        child.start(QCoreApplication::applicationFilePath(),
                    {"--registry-child", QString::number(childCount)});
        QVERIFY(child.waitForStarted());
        // Write for as long as the other copy runs.
        const RegistryRoutines writer = reg();
        int parentCount = 0;
        while (parentCount < 200000) {
            QVERIFY(
                writer.SetRegistryValue(QStringLiteral("parent%1").arg(parentCount), parentCount, REG_SZ));
            ++parentCount;
            if (child.state() == QProcess::NotRunning || child.waitForFinished(0)) break;
        }
        if (child.state() != QProcess::NotRunning) QVERIFY(child.waitForFinished(120000));
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QCOMPARE(child.exitCode(), 0);
        const int seen = child.readAllStandardOutput().trimmed().toInt();
        QVERIFY(seen > 0); // they did overlap

        const RegistryRoutines reader = reg();
        for (int i = 0; i < childCount; ++i)
            QCOMPARE(reader.GetRegistryValue(QStringLiteral("child%1").arg(i)), QVariant(QString::number(i)));
        for (int i = 0; i < parentCount; ++i)
            QCOMPARE(reader.GetRegistryValue(QStringLiteral("parent%1").arg(i)),
                     QVariant(QString::number(i)));
        QCOMPARE(reader.EnumRegistryValues(HKEY_LOCAL_MACHINE, kRoot + "\\General").size(),
                 childCount + parentCount);
    }

    // A settings dialog writes about a hundred values per OK, for the life of
    // the program. The log must be folded into the store and started again,
    // not replayed by a reopened connection on every call after the first
    // fold (which grows the log without end and syncs on every write).
    void manyWritesKeepTheLogBounded() {
        const RegistryRoutines r = reg();
        const int writes = 2500;
        for (int i = 0; i < writes; ++i)
            QVERIFY(r.SetRegistryValue(QStringLiteral("v%1").arg(i % 100), i, REG_SZ));
        for (int i = writes - 100; i < writes; ++i)
            QCOMPARE(r.GetRegistryValue(QStringLiteral("v%1").arg(i % 100)), QVariant(QString::number(i)));
        // One frame is a 4 KB page; the store folds its log at 1,000 frames.
        const qint64 logSize = QFileInfo(RegistryFile() + "-wal").size();
        QVERIFY2(logSize < 1500 * 4120, qPrintable(QString::number(logSize)));
    }

    void missingStoreIsUsableAndCreated() {
        QFile::remove(RegistryFile());
        QFile::remove(RegistryFile() + "-wal");
        QFile::remove(RegistryFile() + "-shm");
        qputenv("CORVANE_REGISTRY", m_env->path("deep/er/registry.db").toUtf8());
        QString message = "unchanged";
        QVERIFY(RegistryStoreUsable(&message));
        QCOMPARE(message, QString("unchanged"));
        QVERIFY(!reg().KeyExists());
        QVERIFY(QFileInfo::exists(m_env->path("deep/er/registry.db")));
        QVERIFY(RegistryStoreUsable());
    }

    void damagedStoreIsNeverWritten_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("text file") << "text";
        QTest::newRow("another program's database") << "foreign";
        QTest::newRow("store with damaged pages") << "damaged";
    }
    void damagedStoreIsNeverWritten() {
        QFETCH(QString, kind);
        const QString path = RegistryFile();
        if (kind == "text") {
            QFile::remove(path);
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(QByteArray("These are not the settings you are looking for.\n").repeated(200));
        } else if (kind == "foreign") {
            QFile::remove(path);
            sqlite3* db = nullptr;
            QCOMPARE(sqlite3_open(path.toUtf8(), &db), SQLITE_OK);
            QCOMPARE(
                sqlite3_exec(db, "CREATE TABLE t(x); INSERT INTO t VALUES(1);", nullptr, nullptr, nullptr),
                SQLITE_OK);
            sqlite3_close(db);
        } else {
            for (int i = 0; i < 50; ++i)
                QVERIFY(reg().SetRegistryValue(QStringLiteral("v%1").arg(i), QString(100, 'x'), REG_SZ));
            {
                // Everything into the main file, so that the damage below is all there is.
                RawStore raw;
                QVERIFY(raw.checkpoint());
            }
            QFile f(path);
            QVERIFY(f.open(QIODevice::ReadWrite));
            QVERIFY(f.size() > 4096);
            f.seek(4096);
            f.write(QByteArray(int(f.size() - 4096), '\xAB'));
        }
        const QByteArray before = fileBytes(path);

        QString message;
        QVERIFY(!RegistryStoreUsable(&message));
        QVERIFY2(message.startsWith("The settings store " + path + " cannot be read: "), qPrintable(message));
        QVERIFY2(
            message.endsWith(". It has been left as it is; move it away or restore it, then start Corvane "
                             "again."),
            qPrintable(message));

        const RegistryRoutines r = reg();
        QVERIFY(!r.SetRegistryValue("x", "1", REG_SZ));
        QCOMPARE(r.CreateKey("Other"), QString());
        QVERIFY(r.DeleteValue("v1") != 0);
        QVERIFY(reg("").DeleteKey("General") != 0);
        QCOMPARE(r.GetRegistryValue("x", "DEF"), QVariant("DEF"));
        QVERIFY(!InstallFromSeed());
        r.KeyExists();
        r.EnumRegistryKeys(HKEY_LOCAL_MACHINE, kRoot);
        r.EnumRegistryValues(HKEY_LOCAL_MACHINE, kRoot + "\\General");
        QVERIFY(!RegistryStoreUsable());
        QCOMPARE(fileBytes(path), before);
    }
};

int main(int argc, char** argv) {
    if (argc == 3 && qstrcmp(argv[1], "--registry-child") == 0) {
        QCoreApplication app(argc, argv);
        return childMain(QByteArray(argv[2]).toInt());
    }
    QCoreApplication app(argc, argv);
    tst_registry test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_registry.moc"
