// Window and system helpers: translucency, on top, icons, file times,
// deleting and probing files, colour numbers, twips.
#include "TestEnv.h"

#include "controls/SystemColors.h"
#include "core/PlatformCalls.h"
#include "core/mdlFileSystem.h"
#include "core/mdlFileTime.h"
#include "dialogs/mdlMouseClick.h"
#include "dialogs/mdlOnTop.h"
#include "dialogs/mdlSetFormIcon32.h"
#include "dialogs/mdlTransparent.h"

#include <QApplication>
#include <QCursor>
#include <QImage>
#include <QWidget>
#include <QtTest>

using namespace core;
using namespace dialogs;
using namespace controls;

namespace {
void touch(const QString& file, QFileDevice::Permissions permissions = {}) {
    QFile f(file);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("x");
    f.close();
    if (permissions) QVERIFY(f.setPermissions(permissions));
}
} // namespace

class tst_systemhelpers : public QObject {
    Q_OBJECT
private slots:
    void windowAlpha() {
        QWidget w;
        QCOMPARE(SetWindowAlpha(&w, 128), 0);
        QCOMPARE(w.windowOpacity(), 128 / 255.0);
        QCOMPARE(SetWindowAlpha(&w, 256), 1);
        QCOMPARE(SetWindowAlpha(&w, -1), 1);
        QCOMPARE(w.windowOpacity(), 128 / 255.0); // unchanged
        QCOMPARE(SetWindowAlpha(&w, 255), 0);
        QCOMPARE(w.windowOpacity(), 1.0);
        QCOMPARE(SetWindowAlpha(&w, 0), 0);
        QCOMPARE(ClearWindowAlpha(&w), 0);
        QCOMPARE(w.windowOpacity(), 1.0);
        QCOMPARE(SetWindowAlpha(nullptr, 10), 2);
        QCOMPARE(ClearWindowAlpha(nullptr), 2);
    }

    void windowOnTop() {
        QWidget w;
        w.setGeometry(100, 120, 300, 200);
        SetWindowOnTop(&w, false); // a hidden window is shown
        QVERIFY(w.isVisible());
        QVERIFY(!w.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        const QRect geometry = w.geometry();

        SetWindowOnTop(&w, true);
        QVERIFY(w.isVisible());
        QVERIFY(w.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QCOMPARE(w.geometry(), geometry);

        SetWindowOnTop(&w, false);
        QVERIFY(w.isVisible());
        QVERIFY(!w.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QCOMPARE(w.geometry(), geometry);
    }

    void formIcons() {
        testsupport::TestEnv env(false);
        QDir().mkpath(env.home() + "/icons");
        for (int size : {16, 32}) {
            QImage image(size, size, QImage::Format_ARGB32);
            image.fill(Qt::red);
            QVERIFY(image.save(QString("%1/icons/GEARS_%2.png").arg(env.home()).arg(size)));
        }
        const QIcon gears = LoadFormIcon("gears"); // case does not matter
        QVERIFY(!gears.isNull());
        QCOMPARE(gears.availableSizes().size(), 2);
        QVERIFY(LoadFormIcon("text_align_left").isNull()); // no such group
        QVERIFY(LoadFormIcon("gear").isNull());

        QWidget w;
        SetFormIcon(&w, "gears", true);
        QCOMPARE(w.windowIcon().availableSizes().size(), 2);
        QApplication::setWindowIcon(QIcon());
    }

    void installedIconGroups() {
        testsupport::TestEnv env(false);
        for (const char* name : {"AAA", "gears", "document_pulse", "cd_music", "replace2", "cut", "colors",
                                 "document_music", "MICROPHONE2"})
            QVERIFY2(!LoadFormIcon(name).isNull(), name);
    }

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

    void colors_data() {
        QTest::addColumn<qint64>("number");
        QTest::addColumn<QColor>("color");
        const QPalette p = QGuiApplication::palette();
        QTest::newRow("red") << qint64(0x000000FF) << QColor(255, 0, 0);
        QTest::newRow("blue") << qint64(0x00FF0000) << QColor(0, 0, 255);
        QTest::newRow("mixed") << qint64(0x00336699) << QColor(0x99, 0x66, 0x33);
        QTest::newRow("button face") << qint64(0x8000000F) << p.color(QPalette::Active, QPalette::Window);
        QTest::newRow("button face, signed")
            << qint64(-2147483633) << p.color(QPalette::Active, QPalette::Window);
        QTest::newRow("window text") << qint64(0x80000008) << p.color(QPalette::Active, QPalette::Text);
        QTest::newRow("highlight") << qint64(0x8000000D) << p.color(QPalette::Active, QPalette::Highlight);
    }
    void colors() {
        QFETCH(qint64, number);
        QFETCH(QColor, color);
        QCOMPARE(TranslateColor(number), color);
        if (!IsSystemColor(number)) QCOMPARE(ColorToLong(color), qint32(number));
    }

    void colorFromText() {
        QVERIFY(!ColorFromText("").has_value());
        QVERIFY(!ColorFromText("red").has_value());
        QCOMPARE(ColorFromText("255").value(), QColor(255, 0, 0));
        QCOMPARE(ColorFromText("-2147483633").value(), QGuiApplication::palette().color(QPalette::Window));
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

    void mousePos() {
        QCursor::setPos(12, 34);
        qint32 x = -1, y = -1;
        GetMousePos(x, y);
        QCOMPARE(x, 12);
        QCOMPARE(y, 34);
    }
};

QTEST_MAIN(tst_systemhelpers)
#include "tst_systemhelpers.moc"
