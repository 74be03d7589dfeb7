// Settings kept by program, section and key in the settings store.
#include "TestEnv.h"

#include "core/mdlSettingStore.h"

#include <QtTest>

#include <memory>

using namespace core;

class tst_settingstore : public QObject {
    Q_OBJECT

    std::unique_ptr<testsupport::TestEnv> m_env;

private slots:
    void init() { m_env = std::make_unique<testsupport::TestEnv>(); }
    void cleanup() { m_env.reset(); }

    void settingStore() {
        QCOMPARE(GetSetting("Corvane", "BurnerEngine", "cmbEngine", "dflt"), QString("dflt"));
        QVERIFY(SaveSetting("Corvane", "BurnerEngine", "cmbEngine", "2"));
        QCOMPARE(GetSetting("Corvane", "BurnerEngine", "cmbEngine"), QString("2"));
        QVERIFY(SaveSetting("Corvane", "BurnerEngine", "CMBENGINE", "3")); // names ignore case
        QCOMPARE(GetSetting("Corvane", "BurnerEngine", "cmbEngine"), QString("3"));
        QCOMPARE(GetSetting("Other", "BurnerEngine", "cmbEngine"), QString());
        QVERIFY(SettingKeyPath("Corvane", "path").startsWith("Software\\"));
    }
};

QTEST_MAIN(tst_settingstore)
#include "tst_settingstore.moc"
