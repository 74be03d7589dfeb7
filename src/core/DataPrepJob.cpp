#include "core/DataPrepJob.h"

#include "core/ConverterItemJob.h"

#include "components/OutputFiles.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace core {

DataPrepJob::DataPrepJob(std::unique_ptr<ItemJob> converter, QObject* parent)
    : ItemJob(parent), m_converter(converter ? std::move(converter) : std::make_unique<ConverterItemJob>()) {
    connect(m_converter.get(), &ItemJob::Progress, this, &ItemJob::Progress);
    connect(m_converter.get(), &ItemJob::Done, this, &ItemJob::Done);
    connect(m_converter.get(), &ItemJob::Error, this, &ItemJob::Error);
    connect(m_converter.get(), &ItemJob::Aborted, this, &ItemJob::Aborted);
    connect(m_converter.get(), &ItemJob::Note, this, &ItemJob::Note);
    using components::Worker;
    connect(&m_copier, &Worker::progress, this, &ItemJob::Progress);
    connect(&m_copier, &Worker::done, this, &ItemJob::Done);
    connect(&m_copier, &Worker::error, this, &ItemJob::Error);
    connect(&m_copier, &Worker::aborted, this, &ItemJob::Aborted);
}

DataPrepJob::~DataPrepJob() = default;

void DataPrepJob::BeginRun(const OutputSettings& output) {
    if (!m_copy) m_converter->BeginRun(output);
}

bool DataPrepJob::CopyFile(const QString& source, const QString& destination,
                           const std::function<bool(qint32)>& keepGoing, QString* error) {
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("The file %1 cannot be read: %2")
                     .arg(QFileInfo(source).fileName(), in.errorString());
        return false;
    }
    // Written under a temporary name and renamed at the end: an aborted or
    // failed copy leaves nothing behind.
    QSaveFile out(destination);
    if (!out.open(QIODevice::WriteOnly)) {
        *error = QStringLiteral("The file %1 cannot be written: %2").arg(destination, out.errorString());
        return false;
    }
    const qint64 total = in.size();
    qint64 done = 0;
    QByteArray buffer;
    for (;;) {
        buffer = in.read(1 << 20);
        if (buffer.isEmpty()) break;
        if (!components::WriteAll(out, buffer)) {
            *error = QStringLiteral("The file %1 cannot be written: %2").arg(destination, out.errorString());
            out.cancelWriting();
            return false;
        }
        done += buffer.size();
        if (!keepGoing(total > 0 ? qint32(done * 100 / total) : 100)) {
            out.cancelWriting();
            *error = QString();
            return false;
        }
    }
    if (in.error() != QFile::NoError) {
        *error = QStringLiteral("The file %1 cannot be read: %2")
                     .arg(QFileInfo(source).fileName(), in.errorString());
        out.cancelWriting();
        return false;
    }
    if (!out.commit()) {
        *error = QStringLiteral("The file %1 cannot be written: %2").arg(destination, out.errorString());
        return false;
    }
    return true;
}

void DataPrepJob::StartItem(const ItemRequest& item) {
    if (!m_copy) {
        m_converter->StartItem(item);
        return;
    }
    const QString source = item.source;
    const QString destination = item.destination;
    m_copier.start([source, destination](components::Worker::Context& ctx) {
        QString why;
        const bool ok = CopyFile(
            source, destination,
            [&ctx](qint32 percent) {
                ctx.progress(percent);
                return !ctx.aborted();
            },
            &why);
        if (ok) return components::Worker::Outcome::done();
        if (ctx.aborted()) return components::Worker::Outcome::aborted();
        return components::Worker::Outcome::error(2, why);
    });
}

void DataPrepJob::Abort() {
    if (m_copier.isBusy())
        m_copier.abort();
    else
        m_converter->Abort();
}

void DataPrepJob::Close() {
    if (m_copier.isBusy()) {
        m_copier.abort();
        m_copier.waitForFinished();
    }
    m_converter->Close();
}

} // namespace core
