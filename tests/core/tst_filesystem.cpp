// File times, deleting and probing files, temporary files, twips.
#include "TestEnv.h"

#include "core/PlatformCalls.h"
#include "core/mdlFileSystem.h"
#include "core/mdlFileTime.h"

#include <QtTest>

using namespace core;

namespace {
void touch(const QString& file, QFileDevice::Permissions permissions = {}) {
    QFile f(file);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("x");
    f.close();
    if (permissions) QVERIFY(f.setPermissions(permissions));
}
} // namespace

class tst_filesystem : public QObject {
    Q_OBJECT
private slots:
    void fileTimeToDate_data() {
        QTest::addColumn<quint32>("low");
        QTest::addColumn<quint32>("high");
        QTest::addColumn<QDateTime>("date");
        const QDate start(1601, 1, 1);
        QTest::newRow("zero") << 0u << 0u << QDateTime(start, QTime(0, 0), Qt::UTC);
        // 2^31 intervals are 214.7 seconds, not a negative amount.
        QTest::newRow("low top bit") << 0x80000000u << 0u << QDateTime(start, QTime(0, 3, 35), Qt::UTC);
        QTest::newRow("1970") << 0xD53E8000u << 0x019DB1DEu
                              << QDateTime(QDate(1970, 1, 1), QTime(0, 0), Qt::UTC);
        QTest::newRow("2023, both halves high")
            << 0xFFFFFFFFu << 0x01DA0000u << QDateTime(QDate(2023, 10, 16), QTime(7, 18, 46), Qt::UTC);
    }
    void fileTimeToDate() {
        QFETCH(quint32, low);
        QFETCH(quint32, high);
        QFETCH(QDateTime, date);
        QCOMPARE(FileTimeToDate(FILETIME{low, high}), date);
    }

    void fileTimes() {
        testsupport::TestEnv env(false);
        QCOMPARE(GetFileCreatedDate(env.root() + "/missing"), QDateTime(QDate(1899, 12, 30), QTime(0, 0)));
        QDateTime c(QDate(2000, 1, 1), QTime(1, 2)), a = c, w = c;
        GetFileTimes(env.root() + "/missing", c, a, w, true);
        QCOMPARE(c, QDateTime(QDate(2000, 1, 1), QTime(1, 2))); // left as they were
        QCOMPARE(w, c);

        const QString file = env.path("a.wav");
        touch(file);
        const QDateTime now = QDateTime::currentDateTime();
        const QDateTime created = GetFileCreatedDate(file);
        QVERIFY(qAbs(created.secsTo(now)) < 120);
        GetFileTimes(file, c, a, w, false);
        QCOMPARE(w.timeSpec(), Qt::UTC);
        QCOMPARE(w, QFileInfo(file).lastModified().toUTC());
    }

    void killFile() {
        testsupport::TestEnv env(false);
        QVERIFY(!KillFile(env.root() + "/missing"));
        QVERIFY(!KillFile(env.root())); // a folder
        const QString file = env.path("a.wav");
        touch(file);
        QVERIFY(KillFile(file));
        QVERIFY(!QFileInfo::exists(file));
        const QString locked = env.path("locked.wav");
        touch(locked, QFileDevice::ReadOwner);
        QVERIFY(!KillFile(locked));
        QVERIFY(QFileInfo::exists(locked));
    }

    void fileExists_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("exists");
        QTest::newRow("file") << "a.wav" << true;
        QTest::newRow("missing") << "b.wav" << false;
        QTest::newRow("folder") << "sub" << false;
        QTest::newRow("hidden") << ".hidden.wav" << false;
        QTest::newRow("wildcard match") << "*.wav" << true;
        QTest::newRow("wildcard none") << "*.mp3" << false;
        QTest::newRow("question mark") << "?.wav" << true;
        QTest::newRow("empty") << "" << false;
    }
    void fileExists() {
        testsupport::TestEnv env(false);
        QFETCH(QString, name);
        QFETCH(bool, exists);
        touch(env.path("dir/a.wav"));
        touch(env.path("dir/.hidden.wav"));
        QDir().mkpath(env.root() + "/dir/sub");
        QCOMPARE(FileExists(name.isEmpty() ? QString() : env.root() + "/dir/" + name), exists);
    }

    void tempFilePath() {
        testsupport::TestEnv env(false);
        const QByteArray oldTmp = qgetenv("TMPDIR");
        qputenv("TMPDIR", env.root().toUtf8());
        QCOMPARE(GetTempDir(), env.root() + "/");
        const QString a = GetTempFilePath("id3");
        const QString b = GetTempFilePath();
        qputenv("TMPDIR", oldTmp);
        QVERIFY(a.startsWith(env.root() + "/id3"));
        QVERIFY(QFileInfo(a).isFile());
        QCOMPARE(QFileInfo(a).size(), qint64(0));
        QVERIFY(QFileInfo(b).isFile());
        QVERIFY(a != b);
    }

    void twips_data() {
        QTest::addColumn<int>("twips");
        QTest::addColumn<int>("pixels");
        QTest::newRow("0") << 0 << 0;
        QTest::newRow("15") << 15 << 1;
        QTest::newRow("22 rounds down") << 22 << 1;
        QTest::newRow("23 rounds up") << 23 << 2;
        QTest::newRow("4500") << 4500 << 300;
        QTest::newRow("negative") << -23 << -2;
    }
    void twips() {
        QFETCH(int, twips);
        QFETCH(int, pixels);
        QCOMPARE(TwipsToPixels(twips), pixels);
    }
};

QTEST_MAIN(tst_filesystem)
#include "tst_filesystem.moc"
