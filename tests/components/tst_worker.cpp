// The worker every component runs its long work on: one terminal event per
// start, always queued to the owner's thread, cooperative abort.
#include "components/Worker.h"

#include "TestEnv.h"

#include <QSemaphore>
#include <QSignalSpy>
#include <QThread>
#include <QtTest>

#include <stdexcept>

using components::Worker;

namespace {

// Records every signal of a worker in arrival order, with the thread it arrived on.
struct Recorder {
    QStringList events;
    QList<QThread*> threads;
    explicit Recorder(Worker& w, QObject* ctx) {
        auto note = [this](const QString& e) {
            events << e;
            threads << QThread::currentThread();
        };
        QObject::connect(&w, &Worker::progress, ctx,
                         [note](qint32 p) { note(QStringLiteral("progress %1").arg(p)); });
        QObject::connect(&w, &Worker::done, ctx, [note] { note("done"); });
        QObject::connect(&w, &Worker::aborted, ctx, [note] { note("aborted"); });
        QObject::connect(&w, &Worker::error, ctx, [note](qint32 code, const QString& d) {
            note(QStringLiteral("error %1 %2").arg(code).arg(d));
        });
    }
    int terminals() const {
        int n = 0;
        for (const QString& e : events)
            if (!e.startsWith("progress") && !e.startsWith("posted")) ++n;
        return n;
    }
};

} // namespace

class tst_worker : public QObject {
    Q_OBJECT

private slots:
    void init() { m_env = std::make_unique<testsupport::TestEnv>(false); }
    void cleanup() { m_env.reset(); }

    void outcomes_data();
    void outcomes();
    void nothingFromInsideStart();
    void abortIsCooperative();
    void busyUntilTerminalAndChainFromHandler();
    void postedEventsKeepTheirOrder();
    void waitForFinishedRunsUntilTheEnd();
    void destroyingARunningWorkerStopsIt();

private:
    std::unique_ptr<testsupport::TestEnv> m_env;
};

void tst_worker::outcomes_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("done") << 0 << QStringList{"progress 10", "progress 50", "progress 100", "done"};
    QTest::newRow("error") << 1 << QStringList{"progress 10", "progress 50", "error 7 disk full"};
    QTest::newRow("exception") << 2 << QStringList{"progress 10", "progress 50", "error -1 broken"};
    QTest::newRow("aborted") << 3 << QStringList{"progress 10", "progress 50", "aborted"};
}

void tst_worker::outcomes() {
    QFETCH(int, kind);
    QFETCH(QStringList, expected);
    Worker w;
    QObject ctx;
    Recorder r(w, &ctx);
    QVERIFY(w.start([kind](Worker::Context& c) -> Worker::Outcome {
        c.progress(10);
        c.progress(50);
        c.progress(50); // repeated values are not sent again
        switch (kind) {
        case 1:
            return Worker::Outcome::error(7, "disk full");
        case 2:
            throw std::runtime_error("broken");
        case 3:
            return Worker::Outcome::aborted();
        default:
            c.progress(100);
            return Worker::Outcome::done();
        }
    }));
    QTRY_COMPARE(r.terminals(), 1);
    QCoreApplication::processEvents(); // nothing may follow the terminal event
    QCOMPARE(r.events, expected);
    for (QThread* t : r.threads)
        QCOMPARE(t, QThread::currentThread());
    QVERIFY(!w.isBusy());
}

void tst_worker::nothingFromInsideStart() {
    Worker w;
    QObject ctx;
    Recorder r(w, &ctx);
    QSemaphore finished;
    // The job ends before start() returns; its events still wait for the event loop.
    QVERIFY(w.start([&finished](Worker::Context& c) {
        c.progress(100);
        finished.release();
        return Worker::Outcome::done();
    }));
    finished.acquire();
    QVERIFY(r.events.isEmpty());
    QVERIFY(w.isBusy());
    QTRY_COMPARE(r.terminals(), 1);
    QCOMPARE(r.events, (QStringList{"progress 100", "done"}));
}

void tst_worker::abortIsCooperative() {
    Worker w;
    QObject ctx;
    Recorder r(w, &ctx);
    w.abort(); // idle: no effect, no event
    QSemaphore running;
    QVERIFY(w.start([&running](Worker::Context& c) {
        running.release();
        qint32 p = 0;
        while (!c.aborted())
            c.progress(++p % 100);
        return Worker::Outcome::aborted();
    }));
    running.acquire();
    w.abort();
    w.abort(); // twice still gives one answer
    QTRY_COMPARE(r.terminals(), 1);
    QCoreApplication::processEvents();
    QCOMPARE(r.events.last(), QStringLiteral("aborted"));
    QCOMPARE(r.terminals(), 1);

    // The next start begins with the flag down.
    r.events.clear();
    QVERIFY(w.start([](Worker::Context& c) {
        return c.aborted() ? Worker::Outcome::aborted() : Worker::Outcome::done();
    }));
    QTRY_COMPARE(r.terminals(), 1);
    QCOMPARE(r.events, QStringList{"done"});
}

void tst_worker::busyUntilTerminalAndChainFromHandler() {
    Worker w;
    QObject ctx;
    Recorder r(w, &ctx);
    QSemaphore gate;
    QVERIFY(w.start([&gate](Worker::Context&) {
        gate.acquire();
        return Worker::Outcome::done();
    }));
    QVERIFY(w.isBusy());
    QVERIFY(!w.start([](Worker::Context&) { return Worker::Outcome::done(); })); // refused, nothing emitted
    QVERIFY(!w.start(Worker::Job()));

    // The next item starts from inside the Done handler, as the batch windows do.
    int started = 1;
    QList<bool> busyInHandler;
    connect(&w, &Worker::done, &ctx, [&] {
        busyInHandler << w.isBusy();
        if (started < 3) {
            ++started;
            QVERIFY(w.start([](Worker::Context&) { return Worker::Outcome::done(); }));
        }
    });
    gate.release();
    QTRY_COMPARE(r.terminals(), 3);
    QCoreApplication::processEvents();
    QCOMPARE(r.events, (QStringList{"done", "done", "done"}));
    QCOMPARE(busyInHandler, (QList<bool>{false, false, false}));
}

void tst_worker::postedEventsKeepTheirOrder() {
    Worker w;
    QObject ctx;
    Recorder r(w, &ctx);
    QVERIFY(w.start([&r](Worker::Context& c) {
        c.progress(1);
        c.post([&r] { r.events << "posted"; });
        c.progress(2);
        return Worker::Outcome::done();
    }));
    QTRY_COMPARE(r.terminals(), 1);
    QCOMPARE(r.events, (QStringList{"progress 1", "posted", "progress 2", "done"}));
}

void tst_worker::waitForFinishedRunsUntilTheEnd() {
    Worker w;
    QObject ctx;
    Recorder r(w, &ctx);
    w.waitForFinished(); // idle: returns at once
    QVERIFY(w.start([](Worker::Context& c) {
        for (int i = 0; i <= 100; i += 25)
            c.progress(i);
        return Worker::Outcome::error(3, "x");
    }));
    w.waitForFinished();
    QVERIFY(!w.isBusy());
    QCOMPARE(r.events.last(), QStringLiteral("error 3 x"));
    QCOMPARE(r.terminals(), 1);
}

void tst_worker::destroyingARunningWorkerStopsIt() {
    QObject ctx;
    int events = 0;
    bool sawAbort = false;
    QSemaphore running;
    {
        Worker w;
        connect(&w, &Worker::progress, &ctx, [&] { ++events; });
        connect(&w, &Worker::aborted, &ctx, [&] { ++events; });
        connect(&w, &Worker::done, &ctx, [&] { ++events; });
        QVERIFY(w.start([&](Worker::Context& c) {
            running.release();
            c.progress(5);
            while (!c.aborted())
                QThread::yieldCurrentThread();
            sawAbort = true;
            return Worker::Outcome::aborted();
        }));
        running.acquire();
    }
    QVERIFY(sawAbort);
    QCoreApplication::processEvents();
    QCOMPARE(events, 0);
}

QTEST_MAIN(tst_worker)
#include "tst_worker.moc"
