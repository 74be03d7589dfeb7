#include "components/Worker.h"

#include <QEventLoop>
#include <QMetaObject>

#include <exception>

namespace components {

void Worker::Context::progress(qint32 percent) {
    if (percent == m_lastPercent) return;
    m_lastPercent = percent;
    Worker* owner = m_owner;
    QMetaObject::invokeMethod(
        owner, [owner, percent] { emit owner->progress(percent); }, Qt::QueuedConnection);
}

void Worker::Context::post(std::function<void()> fn) {
    QMetaObject::invokeMethod(m_owner, std::move(fn), Qt::QueuedConnection);
}

Worker::Worker(QObject* parent) : QObject(parent) {}

Worker::~Worker() {
    if (m_context) m_context->m_abort = true;
    if (m_thread.joinable()) m_thread.join();
    // Events still queued for this object are dropped with it.
}

bool Worker::start(Job job) {
    if (m_busy || !job) return false;
    if (m_thread.joinable()) m_thread.join();
    m_context = std::make_unique<Context>(this);
    m_busy = true;
    ++m_started;
    Context* ctx = m_context.get();
    m_thread = std::thread([this, ctx, job = std::move(job)] {
        Outcome outcome;
        try {
            outcome = job(*ctx);
        } catch (const std::exception& e) {
            outcome = Outcome::error(-1, QString::fromLocal8Bit(e.what()));
        } catch (...) {
            outcome = Outcome::error(-1, QStringLiteral("Unexpected failure."));
        }
        QMetaObject::invokeMethod(
            this, [this, outcome] { finish(outcome); }, Qt::QueuedConnection);
    });
    return true;
}

void Worker::abort() {
    if (m_busy && m_context) m_context->m_abort = true;
}

void Worker::finish(const Outcome& outcome) {
    // The job has returned; its thread ends right after queuing this call.
    if (m_thread.joinable()) m_thread.join();
    m_busy = false;
    ++m_finished;
    switch (outcome.kind) {
    case Outcome::Done:
        emit done();
        break;
    case Outcome::Aborted:
        emit aborted();
        break;
    case Outcome::Error:
        emit error(outcome.code, outcome.description);
        break;
    }
}

void Worker::waitForFinished() {
    if (!m_busy) return;
    const quint64 awaited = m_started;
    QEventLoop loop;
    auto check = [&] {
        if (m_finished >= awaited) loop.quit();
    };
    const auto c1 = connect(this, &Worker::done, &loop, check);
    const auto c2 = connect(this, &Worker::aborted, &loop, check);
    const auto c3 = connect(this, &Worker::error, &loop, check);
    if (m_finished < awaited) loop.exec();
    disconnect(c1);
    disconnect(c2);
    disconnect(c3);
}

} // namespace components
