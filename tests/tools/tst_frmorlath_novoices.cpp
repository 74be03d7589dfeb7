// The Text To Speech window when no voice data is installed: it says so once,
// offers nothing that speaks, and nothing it is asked to do crashes.
#include "TestEnv.h"
#include "core/mdlModes.h"
#include "core/mdlSettingStore.h"
#include "tools/frmOrlath.h"

#include <QComboBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

class tst_frmorlath_novoices : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        // Before the engine's first use: its data folder holds nothing.
        QVERIFY(m_empty.isValid());
        qputenv("ESPEAK_DATA_PATH", m_empty.path().toLocal8Bit());
    }

    void saysSoAndOffersNothingThatSpeaks() {
        testsupport::TestEnv env;
        core::InitModes();
        QStringList added;
        toolframe::ToolLaunch launch;
        launch.addFiles = [&](QStringList& files) { added << files; };
        {
            frmOrlath w(launch);
            w.Form_Load();
            QCOMPARE(w.cboVoices->count(), 0);
            QCOMPARE(env.services().messages.size(), 1);
            QVERIFY2(env.services().messages[0].prompt.startsWith(
                         "No voice is installed for speech, so the text cannot be spoken or saved."),
                     qPrintable(env.services().messages[0].prompt));
            QCOMPARE(env.services().messages[0].title, core::AppTitle());
            QVERIFY(!w.cmdSay->isEnabled());
            QVERIFY(!w.cmdSaveAs->isEnabled());
            QVERIFY(!w.cmdAdd->isEnabled());
            QVERIFY(w.cmdStop->isEnabled());

            // Reached anyway (a shortcut, a script): each says why and does nothing.
            w.cmdSay_Click();
            QVERIFY(!w.cOrlath1->IsSpeaking());
            w.cmdAdd_Click();
            w.cmdStop_Click();
            QCOMPARE(env.services().messages.size(), 3);
            QVERIFY(env.services().messages[1].prompt.startsWith("The text cannot be spoken: "));
            QVERIFY(env.services().messages[2].prompt.startsWith("The text cannot be spoken into a file: "));
            QVERIFY(added.isEmpty());
            QVERIFY(!QFile::exists(frmOrlath::TempWavPath()));
            w.reject();
        }
        QCOMPARE(core::GetSetting(core::g_sProductName, "TTS", "Voice", "<none>"), QString());
    }

private:
    QTemporaryDir m_empty;
};

QTEST_MAIN(tst_frmorlath_novoices)
#include "tst_frmorlath_novoices.moc"
