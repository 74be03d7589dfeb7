// Stand-ins for the batch run's window and component: a scripted item job
// that answers each start with the next queued outcome (always queued, as the
// real components do), and an in-memory view that records what it was shown.
#pragma once

#include "conversion/BatchRun.h"
#include "conversion/ItemJob.h"
#include "itemlists/ItemRows.h"

#include <QHash>
#include <QList>
#include <QMetaObject>
#include <QQueue>
#include <QStringList>

namespace testsupport {

class ScriptedItemJob : public conversion::ItemJob {
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
    QList<conversion::OutputSettings> runs;
    QList<conversion::ItemRequest> items;
    QList<bool> startedInsideTerminal; // per start: called from inside a Done/Error slot
    int aborts = 0;
    int closes = 0;
    int protocolFaults = 0; // a start while another item was still in the job

    void BeginRun(const conversion::OutputSettings& output) override { runs << output; }

    void StartItem(const conversion::ItemRequest& item) override {
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

class FakeBatchView : public conversion::BatchView {
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

    qint32 RowCount() const override { return static_cast<qint32>(rows.size()); }
    QString Cell(qint32 row, const QString& key) const override {
        return row >= 1 && row <= rows.size() ? rows[row - 1].value(key) : QString();
    }
    qint32 RowMark(qint32 row) const override { return row >= 1 && row <= marks.size() ? marks[row - 1] : 0; }
    void SelectRow(qint32 row) override { selectedRow = row; }
    QString DestinationText() const override { return destination; }
    void SetDestinationText(const QString& text) override { destination = text; }
    void RememberDestination() override { ++remembered; }
    bool CreateSubFolderChecked() const override { return createSubFolder; }
    QString SubFolderName() const override { return subFolder; }
    bool OverwriteChecked() const override { return overwrite; }
    QString FileNameTemplate() const override { return fileTemplate; }
    QString TargetFormatText() const override { return targetFormat; }
    bool EndEventChecked(const QString& box) const override { return checkedBoxes.contains(box); }
    void SetRunning(bool r) override { running = r; }
    void SetBusyPointer(bool b) override { busy = b; }
    void SetCurrentTrack(const QString& t) override { currentTrack = t; }
    void SetFilesToConvert(const QString& t) override { filesLabels << t; }
    void SetTimeLeft(const QString& t) override { timeLeft = t; }
    void SetCaption(const QString& t) override {
        caption = t;
        captions << t;
    }
    void SetCurrentBar(qint32 v) override { currentBar = v; }
    qint32 CurrentBar() const override { return currentBar; }
    void SetTotalBarMax(qint32 m) override { totalMax = m; }
    qint32 TotalBarMax() const override { return totalMax; }
    void SetTotalBar(qint32 v) override { totalBar = v; }
    qint32 TotalBar() const override { return totalBar; }
    void LogLine(const QString& t) override { log << t; }
    void LogRunSeparator() override {
        if (!log.isEmpty()) log << QString();
    }
    void ShowLogPage() override { ++logPageShown; }
};

// End-of-job actions that only record.
class RecordingEndActions : public conversion::EndActions {
public:
    QStringList sounds, folders, balloons;
    int programs = 0;
    QList<qint32> turnOffs;
    void PlaySound(const QString& f) override { sounds << f; }
    void OpenFolder(const QString& f) override { folders << f; }
    void RunNoticApp() override { ++programs; }
    void TurnOffCountdown(qint32 s) override { turnOffs << s; }
    void Balloon(const QString& t) override { balloons << t; }
};

} // namespace testsupport
