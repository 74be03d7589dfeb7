// The end-of-job actions the GUI binding offers a job (JobBinding.h), at the
// end of a batch run with a scripted item job and scripted services.
#include "BatchFakes.h"
#include "TestEnv.h"
#include "core/BatchRun.h"
#include "core/mdlModes.h"
#include "settings/SettingsVariables.h"
#include "toolframe/JobBinding.h"

#include <QSignalSpy>
#include <QtTest>

using namespace core;
using testsupport::FakeBatchView;
using testsupport::ScriptedItemJob;

class tst_JobBinding : public testsupport::BatchRunTest {
    Q_OBJECT

private slots:
    // The standard actions: the sound and the folder through the services,
    // the program as program and arguments without a shell.
    void standardEndActions() {
        FakeBatchView view;
        fill(view, 1);
        settings::g_sAppNotice = "notify-send \"[PROG_NAME] finished\" '[FILE_RECORDED]; rm -rf ~'";
        toolframe::StandardEndActions end;
        int countdowns = 0;
        QStringList balloons;
        end.turnOffCountdown = [&](qint32 s) { countdowns += s; };
        end.balloon = [&](const QString& t) { balloons << t; };
        end.noticValues = [] {
            itemlists::NoticFileValues v;
            v.fileRecorded = "My $(Song)";
            v.fileSize = "1 KB";
            return v;
        };
        end.wanted = [&view](const QString& box) { return view.checkedBoxes.contains(box); };
        ScriptedItemJob job;
        BatchRun run(job, end);
        view.attach(run);
        QCOMPARE(runToEnd(run, view), BatchRun::Ending::Completed);
        auto& s = env->services();
        QCOMPARE(s.playedSounds, QStringList{"/sounds/notify.wav"});
        QCOMPARE(s.openedUrls.size(), 1);
        QCOMPARE(s.openedUrls[0].toLocalFile(), dest);
        QCOMPARE(s.startedPrograms.size(), 1);
        QCOMPARE(s.startedPrograms[0],
                 (QStringList{"notify-send", core::g_sProductName + " finished", "My $(Song); rm -rf ~"}));
        QCOMPARE(countdowns, 30);
        QCOMPARE(balloons, QStringList{"Done."});
    }
};

QTEST_GUILESS_MAIN(tst_JobBinding)
#include "tst_jobbinding.moc"
