// The full edition's Audio Recorder as a user reaches it: the main window's
// "Audio Recorder" command opens it; through what assistive technology sees
// of it, a path is typed into the path box, "Record" pressed, about two
// seconds pass while paplay plays a 440 Hz tone into the test server's null
// sink, "Stop Record" pressed: the WAV at that path holds the tone.
#include "MediaTools.h"
#include "TestEnv.h"
#include "WaveTools.h"
#include "controls/AccessibleNames.h"
#include "controls/cProgressBar.h"
#include "core/mdlModes.h"
#include "mainwindow/ToolsTable.h"
#include "mainwindow/frmMain.h"
#include "settings/SettingsVariables.h"
#include "tools/frmMicRecorder.h"

#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QSignalSpy>
#include <QtTest>

namespace {

// The first object under `face` with the role and name, depth first.
QAccessibleInterface* Find(QAccessibleInterface* face, QAccessible::Role role, const QString& name) {
    if (!face) return nullptr;
    if (face->role() == role && face->text(QAccessible::Name) == name) return face;
    for (int i = 0; i < face->childCount(); ++i)
        if (QAccessibleInterface* found = Find(face->child(i), role, name)) return found;
    return nullptr;
}

void Press(QAccessibleInterface* button) {
    QVERIFY(button && button->actionInterface());
    button->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
}

} // namespace

class tst_micrecorder_server : public QObject {
    Q_OBJECT
private slots:
    void recordThroughTheWindow() {
        if (qEnvironmentVariableIsEmpty("PULSE_SERVER"))
            QFAIL("No audio server: this test runs against the test server that scripts/test.sh starts.");
        testsupport::TestEnv env;
        controls::InstallAccessibleNames(); // as the program does at start
        core::InitModes(core::Edition::Full);
        settings::g_bDisplayMSGWhenExit = false;
        settings::g_sItemsListDir = env.home() + "/Main/";
        QDir().mkpath(settings::g_sItemsListDir);
        const QString tone = env.path("tone.wav");
        QVERIFY(testsupport::runFfmpeg(testsupport::sineInput(6.0) << tone));
        const QString path = env.path("typed/take.wav");

        QPointer<frmMain> main = new frmMain;
        main->Form_Load();
        bool seen = false;
        env.services().modalHandler = [&](QDialog* dialog) -> int {
            auto* window = qobject_cast<frmMicRecorder*>(dialog);
            if (!window) return QDialog::Rejected;
            seen = true;
            window->show();
            QAccessibleInterface* face = QAccessible::queryAccessibleInterface(window);
            QAccessibleInterface* pathBox = Find(face, QAccessible::EditableText, "Destination Wave File:");
            [&] { QVERIFY(pathBox); }();
            if (!pathBox) return QDialog::Rejected;
            auto* box = qobject_cast<QWidget*>(pathBox->object());
            box->setFocus();
            QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClicks(box, path);

            QProcess player;
            player.start("paplay", {"--latency-msec=100", tone});
            [&] { QVERIFY(player.waitForStarted(5000)); }();
            QTest::qWait(300); // the tone is under way
            QSignalSpy done(window->cWave1, &components::cWave::DoneRecord);
            Press(Find(face, QAccessible::Button, "Record"));
            // About two seconds once the tone is heard.
            [&] { QTRY_VERIFY_WITH_TIMEOUT(window->prgMeter->Value() > 60, 60000); }();
            QTest::qWait(2000);
            Press(Find(face, QAccessible::Button, "Stop Record"));
            [&] { QVERIFY(done.wait(5000)); }();
            player.kill();
            player.waitForFinished(5000);
            Press(Find(face, QAccessible::Button, "Exit"));
            QTest::qWait(300);
            return QDialog::Rejected;
        };
        QDir().mkpath(env.path("typed"));
        main->RunCommand("Audio Recorder");
        QVERIFY(seen);

        const wavetest::Header h = wavetest::ReadHeader(path);
        QVERIFY2(wavetest::HeaderFaults(h).isEmpty(), qPrintable(wavetest::HeaderFaults(h)));
        QCOMPARE(h.rate, 44100u);
        QCOMPARE(h.channels, quint16(2));
        const double seconds = double(h.dataSize) / h.byteRate;
        QVERIFY2(seconds > 1.8 && seconds < 3.0, qPrintable(QString::number(seconds)));
        const double hz = wavetest::SoxFrequency(path);
        QVERIFY2(qAbs(hz - 440) <= 5, qPrintable(QString("%1 Hz").arg(hz)));

        settings::g_bAppExiting = true;
        main->close();
        testsupport::processDeletes();
        settings::g_bAppExiting = false;
        core::InitModes();
    }
};

QTEST_MAIN(tst_micrecorder_server)
#include "tst_micrecorder_server.moc"
