#pragma once

#include <QObject>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

namespace components {

// Runs one long job at a time on a thread of its own and reports back to the
// thread the Worker lives in (the GUI thread for every component):
//  - progress() any number of times, then exactly one of done(), aborted() or
//    error() per start();
//  - every signal arrives queued, never from inside start() or abort(), and in
//    the order the job produced it;
//  - abort is cooperative: the job polls Context::aborted() and returns
//    Outcome::Aborted(); no thread is ever terminated.
// By the time a terminal signal is emitted the thread has ended and isBusy()
// is false, so a handler may start() the next job at once.
class Worker : public QObject {
    Q_OBJECT

public:
    struct Outcome {
        enum Kind { Done, Aborted, Error };
        Kind kind = Done;
        qint32 code = 0;
        QString description;

        static Outcome done() { return {}; }
        static Outcome aborted() { return {Aborted, 0, {}}; }
        static Outcome error(qint32 code, const QString& description) { return {Error, code, description}; }
    };

    // What the job sees on its thread.
    class Context {
    public:
        explicit Context(Worker* owner) : m_owner(owner) {}
        bool aborted() const { return m_abort.load(std::memory_order_relaxed); }
        // Queues progress(percent) to the owner; a value equal to the last one is not sent again.
        void progress(qint32 percent);
        // Queues any other call to the owner's thread, in order with progress and the terminal signal.
        void post(std::function<void()> fn);

    private:
        friend class Worker;
        Worker* m_owner;
        std::atomic<bool> m_abort{false};
        qint32 m_lastPercent = -1;
    };

    using Job = std::function<Outcome(Context&)>;

    explicit Worker(QObject* parent = nullptr);
    // Asks a running job to stop and waits for its thread; no signal follows.
    ~Worker() override;

    // Starts the job; false (and nothing emitted) while another job is busy.
    bool start(Job job);
    // Asks the running job to stop; it answers through its outcome.
    void abort();
    // True from start() until the terminal signal is emitted.
    bool isBusy() const { return m_busy; }
    // Runs a nested event loop until the current job's terminal signal has been
    // emitted; returns at once when idle. For calls that block their caller.
    void waitForFinished();

signals:
    void progress(qint32 percent);
    void done();
    void aborted();
    void error(qint32 code, const QString& description);

private:
    void finish(const Outcome& outcome);

    std::unique_ptr<Context> m_context;
    std::thread m_thread;
    bool m_busy = false;
    quint64 m_started = 0;  // jobs started
    quint64 m_finished = 0; // jobs whose terminal signal has been emitted
};

} // namespace components
