#include "TestEnv.h"

#include "core/AppPaths.h"
#include "core/mdlRunOnStart.h"

#include <QtTest>

#include <memory>

using namespace core;

namespace {

using testsupport::fileBytes;

void writeEntry(const QString& contents) {
    QDir().mkpath(QFileInfo(RunOnStartFile()).absolutePath());
    QFile f(RunOnStartFile());
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(contents.toUtf8());
}

QString command() {
    return "\"" + QCoreApplication::applicationFilePath() + "\" -st";
}

} // namespace

class tst_runonstart : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<testsupport::TestEnv> m_env;

private slots:
    void init() { m_env = std::make_unique<testsupport::TestEnv>(false); }
    void cleanup() { m_env.reset(); }

    void entryLivesInTheAutostartFolder() {
        QCOMPARE(RunOnStartFile(), m_env->root() + "/config/autostart/corvane.desktop");
    }

    void enableThenDisable() {
        QVERIFY(!IsRunOnStart());
        SetRunOnStart(true); // the autostart folder does not exist yet
        QVERIFY(IsRunOnStart());
        const QStringList lines = QString::fromUtf8(fileBytes(RunOnStartFile())).split('\n');
        QCOMPARE(lines.value(0), QString("[Desktop Entry]"));
        QVERIFY(lines.contains("Type=Application"));
        QVERIFY(lines.contains("Exec=" + command()));
        // No temporary file left beside it.
        QCOMPARE(QDir(QFileInfo(RunOnStartFile()).path()).entryList(QDir::Files),
                 QStringList{"corvane.desktop"});

        SetRunOnStart(true); // again: the same entry
        QVERIFY(IsRunOnStart());

        SetRunOnStart(false);
        QVERIFY(!QFileInfo::exists(RunOnStartFile()));
        QVERIFY(!IsRunOnStart());
        SetRunOnStart(false); // already gone: nothing happens
        QVERIFY(!QFileInfo::exists(RunOnStartFile()));
    }

    void handEditedEntries_data() {
        QTest::addColumn<QString>("contents");
        QTest::addColumn<bool>("running");
        const QString exec = "Exec=" + command();
        QTest::newRow("as written") << "[Desktop Entry]\nType=Application\n" + exec + "\n" << true;
        QTest::newRow("CR LF lines, other order") << "[Desktop Entry]\r\n" + exec + "\r\nName=X\r\n" << true;
        QTest::newRow("other letter case")
            << "[Desktop Entry]\nExec=\"" + QCoreApplication::applicationFilePath().toUpper() + "\" -st\n"
            << false;
        QTest::newRow("other folder") << "[Desktop Entry]\nExec=\"/elsewhere/corvane\" -st\n" << false;
        QTest::newRow("without the switch")
            << "[Desktop Entry]\nExec=\"" + QCoreApplication::applicationFilePath() + "\"\n"
            << false;
        QTest::newRow("switched off") << "[Desktop Entry]\n" + exec + "\nHidden=true\n" << false;
        QTest::newRow("in another group") << "[Desktop Action x]\n" + exec + "\n" << false;
        QTest::newRow("not an entry") << QString("\x01\x02 garbage") << false;
    }
    void handEditedEntries() {
        QFETCH(QString, contents);
        QFETCH(bool, running);
        writeEntry(contents);
        QCOMPARE(IsRunOnStart(), running);
        // Ticking the box again writes the current entry over whatever was there.
        SetRunOnStart(true);
        QVERIFY(IsRunOnStart());
    }

    void commandQuoting_data() {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("exec");
        QTest::newRow("plain") << "/usr/bin/corvane"
                               << "\"/usr/bin/corvane\" -st";
        QTest::newRow("blank") << "/opt/My Apps/corvane"
                               << "\"/opt/My Apps/corvane\" -st";
        QTest::newRow("quote and dollar") << "/opt/a\"b$c/corvane"
                                          << "\"/opt/a\\\\\"b\\\\$c/corvane\" -st";
        QTest::newRow("backslash") << "/opt/a\\b/corvane"
                                   << "\"/opt/a\\\\\\\\b/corvane\" -st";
        QTest::newRow("percent") << "/opt/100%/corvane"
                                 << "\"/opt/100%%/corvane\" -st";
    }
    void commandQuoting() {
        QFETCH(QString, program);
        QFETCH(QString, exec);
        QCOMPARE(RunOnStartCommand(program), exec);
    }
};

QTEST_MAIN(tst_runonstart)
#include "tst_runonstart.moc"
