// Stand-ins for the batch run's window and component: a scripted item job
// that answers each start with the next queued outcome (always queued, as the
// real components do), an in-memory window that hands a run its rows and
// records what the job showed, and the set-up of the tests that run a batch
// to its end.
#pragma once

#include "core/BatchRun.h"
#include "core/ItemJob.h"
#include "itemlists/BatchItems.h"
#include "itemlists/ItemRows.h"
#include "settings/RunOutput.h"
#include "settings/SettingsVariables.h"

#include "TestEnv.h"

#include <QHash>
#include <QList>
#include <QMetaObject>
#include <QQueue>
#include <QSignalSpy>
#include <QStringList>

#include <memory>

namespace testsupport {

class ScriptedItemJob : public core::ItemJob {
    Q_OBJECT
public:
    struct Outcome {
        enum Kind { Done, Error, Hold } kind = Done;
        qint32 code = 0;
        QString description;
        QList<qint32> progress; // reported before the terminal event
    };
    static Outcome done(QList<qint32> progress = {}) { return {Outcome::Done, 0, {}, progress}; }
    static Outcome error(qint32 code, const QString& text) { return {Outcome::Error, code, text, {}}; }
    // No terminal event until Finish() or Abort().
    static Outcome hold(QList<qint32> progress = {}) { return {Outcome::Hold, 0, {}, progress}; }

    QQueue<Outcome> outcomes; // empty: Done
    QList<core::OutputSettings> runs;
    QList<core::ItemRequest> items;
    QList<bool> startedInsideTerminal; // per start: called from inside a Done/Error slot
    int aborts = 0;
    int closes = 0;
    int protocolFaults = 0; // a start while another item was still in the job

    void BeginRun(const core::OutputSettings& output) override { runs << output; }

    void StartItem(const core::ItemRequest& item) override {
        if (m_busy) ++protocolFaults;
        m_busy = true;
        items << item;
        startedInsideTerminal << m_inTerminal;
        const Outcome o = outcomes.isEmpty() ? done() : outcomes.dequeue();
        for (qint32 p : o.progress)
            QMetaObject::invokeMethod(
                this, [this, p] { emit Progress(p); }, Qt::QueuedConnection);
        if (o.kind == Outcome::Hold) return;
        QMetaObject::invokeMethod(
            this, [this, o] { Finish(o); }, Qt::QueuedConnection);
    }

    // Ends a held item now (queued).
    void FinishHeld(const Outcome& o = done()) {
        QMetaObject::invokeMethod(
            this, [this, o] { Finish(o); }, Qt::QueuedConnection);
    }

    void Abort() override {
        ++aborts;
        if (!m_busy) return;
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (!m_busy) return;
                m_busy = false;
                emit Aborted();
            },
            Qt::QueuedConnection);
    }
    void Close() override { ++closes; }
    bool IsBusy() const { return m_busy; }

private:
    void Finish(const Outcome& o) {
        if (!m_busy) return;
        m_busy = false;
        m_inTerminal = true;
        if (o.kind == Outcome::Error)
            emit Error(o.code, o.description);
        else
            emit Done();
        m_inTerminal = false;
    }
    bool m_busy = false;
    bool m_inTerminal = false;
};

// End-of-job actions that only record; the ticked boxes are a list (the fake
// window's, once attached).
class RecordingEndActions : public core::EndActions {
public:
    QStringList sounds, folders, balloons;
    int programs = 0;
    QList<qint32> turnOffs;
    const QStringList* boxes = nullptr;
    bool Wanted(const QString& box) const override { return boxes && boxes->contains(box); }
    void PlaySound() override { sounds << settings::g_sPlayAtEnd; }
    void OpenFolder(const QString& f) override { folders << f; }
    void RunNoticApp() override { ++programs; }
    void TurnOffCountdown(qint32 s) override { turnOffs << s; }
    void Balloon(const QString& t) override { balloons << t; }
};

// A tool window in memory: the rows and choices a run is handed, the boxes
// its end-of-job actions read, and what the job showed (through the same
// signals the GUI binding connects).
class FakeBatchView {
public:
    // rows: cells by key
    QList<QHash<QString, QString>> rows;
    QList<qint32> marks;
    QString destination;
    bool createSubFolder = false;
    QString subFolder;
    bool overwrite = false;
    QString fileTemplate = QStringLiteral("[file_name].[dest_extension]");
    QString targetFormat = QStringLiteral("WAV - Waveform Audio Format (*.wav)");
    QStringList checkedBoxes;

    // recorded
    QStringList log;
    QStringList filesLabels;
    QString currentTrack = QStringLiteral("Ready.");
    QString timeLeft = QStringLiteral("Time Left: 00:00:00");
    QString caption;
    QStringList captions;
    bool running = false;
    bool busy = false;
    qint32 currentBar = 0, totalBar = 0, totalMax = 100;
    qint32 selectedRow = 0;
    int logPageShown = 0;
    int remembered = 0;

    // A row of an item with the source file, whole unless a range is given.
    void addItem(const QString& file, const QString& time = QStringLiteral("00:00:10"),
                 std::optional<std::pair<int, int>> range = std::nullopt) {
        using namespace itemlists;
        QHash<QString, QString> r;
        r[COL_FILE] = file;
        r[COL_ITEM_NAME] = file.mid(file.lastIndexOf('/') + 1);
        r[COL_TIME] = time;
        r[COL_RANGE_ALL] = range ? QStringLiteral("0") : QStringLiteral("1");
        r[COL_RANGE] = range ? FormatRangeText(range->first, range->second) : QStringLiteral("All");
        if (range) {
            r[COL_RANGE_START_TIME] = QString::number(range->first);
            r[COL_RANGE_LENGTH_TIME] = QString::number(range->second);
        }
        rows << r;
        marks << ICON_UNMARKED;
    }

    // Shows `job` here, and lets `end` read the boxes.
    void attach(core::Job& job, RecordingEndActions& end) {
        end.boxes = &checkedBoxes;
        attach(job);
    }
    void attach(core::Job& job) {
        QObject::connect(&job, &core::Job::LogLine, [this](const QString& t) { log << t; });
        QObject::connect(&job, &core::Job::LogSeparator, [this] {
            if (!log.isEmpty()) log << QString();
        });
        QObject::connect(&job, &core::Job::ShowLog, [this] { ++logPageShown; });
        QObject::connect(&job, &core::Job::CurrentTask, [this](const QString& t) { currentTrack = t; });
        QObject::connect(&job, &core::Job::FilesLabel, [this](const QString& t) { filesLabels << t; });
        QObject::connect(&job, &core::Job::TimeLeft, [this](const QString& t) { timeLeft = t; });
        QObject::connect(&job, &core::Job::Caption, [this](const QString& t) {
            caption = t;
            captions << t;
        });
        QObject::connect(&job, &core::Job::Busy, [this](bool b) { busy = b; });
        QObject::connect(&job, &core::Job::Running, [this](bool r) { running = r; });
        QObject::connect(&job, &core::Job::CurrentProgress, [this](qint32 v) { currentBar = v; });
        QObject::connect(&job, &core::Job::TotalProgress, [this](qint32 v, qint32 m) {
            totalBar = v;
            totalMax = m;
        });
        if (auto* run = qobject_cast<core::BatchRun*>(&job))
            QObject::connect(run, &core::BatchRun::SelectRow, [this](qint32 r) { selectedRow = r; });
    }

    // The rows and choices as the window hands them to a run.
    core::BatchRequest request() const {
        core::BatchRequest r;
        for (int i = 0; i < rows.size(); ++i) {
            const QHash<QString, QString>& cells = rows[i];
            r.rows << itemlists::BatchItemFromCells([&cells](const QString& key) { return cells.value(key); },
                                                    marks.value(i));
        }
        r.destination = destination;
        r.createSubFolder = createSubFolder;
        r.subFolderName = subFolder;
        r.overwrite = overwrite;
        r.fileNameTemplate = fileTemplate;
        r.output = settings::OutputForFormat(targetFormat);
        return r;
    }

    // The run button, as the window's: the run handed the request, then the
    // destination as the run took it, kept in the path history.
    bool start(core::BatchRun& run) {
        if (!run.Start(request())) return false;
        destination = run.Destination();
        ++remembered;
        return true;
    }

    // The files of the rows, in order (what the burner is handed).
    QStringList files() const {
        QStringList out;
        for (const auto& r : rows)
            out << r.value(itemlists::COL_FILE);
        return out;
    }
};

// The base of the tests that run a batch to its end: each case gets a test
// environment of its own, with the output folder `dest` in it and a sound to
// play at the end.
class BatchRunTest : public QObject {
    Q_OBJECT

protected:
    std::unique_ptr<TestEnv> env;
    QString dest;

    // Runs to its end (or fails the test).
    static core::BatchRun::Ending runToEnd(core::BatchRun& run, FakeBatchView& view) {
        QSignalSpy finished(&run, &core::BatchRun::Ended);
        if (!view.start(run)) return core::BatchRun::Ending::Cancelled;
        if (finished.isEmpty()) finished.wait(10000);
        if (finished.isEmpty()) return core::BatchRun::Ending(-1);
        return finished.first().first().value<core::BatchRun::Ending>();
    }

    // n songs to `dest`, every end-of-job box ticked.
    void fill(FakeBatchView& view, int n) {
        for (int i = 1; i <= n; ++i)
            view.addItem(QStringLiteral("/music/Song%1.mp3").arg(i));
        view.destination = dest;
        view.checkedBoxes = {core::BOX_PLAY_SOUND, core::BOX_OPEN_DEST_FOLDER, core::BOX_NOTICE_APP,
                             core::BOX_TURN_OFF};
    }

private slots:
    void init() {
        env = std::make_unique<TestEnv>();
        dest = env->path("out") + "/";
        settings::g_sPlayAtEnd = "/sounds/notify.wav";
    }
    void cleanup() { env.reset(); }
};

} // namespace testsupport
