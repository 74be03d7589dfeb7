#include "components/cAudioJoin.h"

#include "components/AudioDecoder.h"
#include "components/OutputFiles.h"
#include "components/Worker.h"

#include <QDir>
#include <QMetaObject>

#include <vector>

namespace components {

namespace {

// Everything one join needs, copied when it starts so that the caller may
// change the list while it runs.
struct JoinJob {
    EncoderSetup setup;
    EncoderTags tags;
    QList<QString> paths;
    QList<qint32> starts;  // seconds; -1 whole file
    QList<qint32> lengths; // seconds; 0 or less: to the end
    QString destination;
};

qint32 CodeOf(AudioEncoder::Failure f) {
    switch (f) {
    case AudioEncoder::Failure::NotSupported:
        return cAudioJoin::ErrNotSupported;
    case AudioEncoder::Failure::Destination:
        return cAudioJoin::ErrDestination;
    default:
        return cAudioJoin::ErrEncoder;
    }
}

// Opens input i (0-based) for reading at the output's rate and channels,
// positioned at its range. On failure the outcome to end the join with.
bool OpenInput(const JoinJob& job, qsizetype i, int rate, int channels, AudioDecoder& decoder, qint64* limit,
               qint64* expected, Worker::Outcome* failure) {
    using O = Worker::Outcome;
    const QString name = QDir::toNativeSeparators(job.paths[i]);
    if (!decoder.Open(job.paths[i])) {
        *failure =
            O::error(cAudioJoin::ErrSourceOpen,
                     QStringLiteral("Cannot open the file to join: %1. %2").arg(name, decoder.ErrorText()));
        return false;
    }
    if (rate > 0) decoder.SetOutput(rate, channels, SampleKind::Float);
    const qint64 durationMs = decoder.DurationMs();
    const int outRate = decoder.OutputRate();
    *limit = -1;
    *expected = durationMs > 0 ? durationMs * outRate / 1000 : -1;
    const qint32 start = job.starts[i] > 0 ? job.starts[i] : 0;
    if (start > 0) {
        const qint64 startMs = qint64(start) * 1000;
        if (durationMs > 0 && startMs >= durationMs) {
            *failure = O::error(cAudioJoin::ErrSourceOpen,
                                QStringLiteral("The range starts after the end of the file: %1").arg(name));
            return false;
        }
        if (!decoder.Seek(startMs)) {
            *failure =
                O::error(cAudioJoin::ErrDecode,
                         QStringLiteral("Cannot decode the file: %1. %2").arg(name, decoder.ErrorText()));
            return false;
        }
        if (*expected > 0) *expected = qMax<qint64>(0, *expected - startMs * outRate / 1000);
    }
    if (job.lengths[i] > 0) {
        *limit = qint64(job.lengths[i]) * outRate;
        *expected = *expected > 0 ? qMin(*expected, *limit) : *limit;
    }
    return true;
}

Worker::Outcome RunJoin(const JoinJob& job, Worker::Context& ctx, cAudioJoin* joiner) {
    using O = Worker::Outcome;
    // Progress goes through the worker, in order with the terminal event; a
    // value equal to the last one is not sent again.
    qint32 lastIndex = 0, lastPercent = -1;
    auto progress = [&](qint32 index, qint32 percent) {
        if (index == lastIndex && percent == lastPercent) return;
        lastIndex = index;
        lastPercent = percent;
        ctx.post([joiner, index, percent] { emit joiner->Progress(index, percent); });
    };
    if (job.paths.isEmpty())
        return O::error(cAudioJoin::ErrNothingToJoin, QStringLiteral("Nothing to join."));
    if (job.destination.isEmpty())
        return O::error(cAudioJoin::ErrDestination, QStringLiteral("No destination file is set."));
    for (const QString& path : job.paths)
        if (SameFile(path, job.destination))
            return O::error(cAudioJoin::ErrDestination,
                            QStringLiteral("The joined file would replace one of the files to join: %1")
                                .arg(QDir::toNativeSeparators(path)));

    // The first input decides the output's rate and channels where the
    // settings leave them to the source; every input is brought to them.
    AudioDecoder decoder;
    qint64 limit = -1, expected = -1;
    O failure;
    if (!OpenInput(job, 0, 0, 0, decoder, &limit, &expected, &failure)) return failure;
    int rate = 0, channels = 0;
    QString why;
    if (!AudioEncoder::TargetFormat(job.setup, decoder.SourceRate(), decoder.SourceChannels(), &rate,
                                    &channels, &why))
        return O::error(job.setup.OutputFormat == 6 ? cAudioJoin::ErrNotSupported : cAudioJoin::ErrEncoder,
                        why);
    if (!OpenInput(job, 0, rate, channels, decoder, &limit, &expected, &failure)) return failure;

    if (ctx.aborted()) return O::aborted();
    AudioEncoder encoder;
    if (!encoder.Open(job.destination, job.setup, job.tags, rate, channels, SampleKind::Float))
        return O::error(CodeOf(encoder.ErrorKind()), encoder.ErrorText());

    constexpr qint64 kChunk = 8192;
    std::vector<char> buffer;
    qint64 total = 0;
    for (qsizetype i = 0; i < job.paths.size(); ++i) {
        const qint32 index = qint32(i + 1);
        if (i > 0 && !OpenInput(job, i, rate, channels, decoder, &limit, &expected, &failure)) {
            encoder.Cancel();
            return failure;
        }
        progress(index, 0);
        buffer.resize(size_t(kChunk) * size_t(decoder.BytesPerFrame()));
        qint64 done = 0;
        for (;;) {
            if (ctx.aborted()) {
                encoder.Cancel();
                return O::aborted();
            }
            const qint64 want = limit >= 0 ? qMin(kChunk, limit - done) : kChunk;
            if (want <= 0) break;
            const qint64 got = decoder.Read(buffer.data(), want);
            if (got < 0) {
                encoder.Cancel();
                return O::error(cAudioJoin::ErrDecode,
                                QStringLiteral("Cannot decode the file: %1. %2")
                                    .arg(QDir::toNativeSeparators(job.paths[i]), decoder.ErrorText()));
            }
            if (got == 0) break;
            if (!encoder.Write(buffer.data(), got))
                return O::error(CodeOf(encoder.ErrorKind()), encoder.ErrorText());
            done += got;
            if (expected > 0) progress(index, qint32(qMin<qint64>(99, done * 100 / expected)));
        }
        total += done;
        progress(index, 100);
    }
    if (total == 0) {
        encoder.Cancel();
        return O::error(cAudioJoin::ErrDecode,
                        QStringLiteral("The files to join hold no audio that can be decoded."));
    }
    if (ctx.aborted()) {
        encoder.Cancel();
        return O::aborted();
    }
    if (!encoder.Finish()) return O::error(CodeOf(encoder.ErrorKind()), encoder.ErrorText());
    return O::done();
}

} // namespace

cAudioJoin::cAudioJoin(QObject* parent) : QObject(parent), m_worker(std::make_unique<Worker>()) {
    connect(m_worker.get(), &Worker::done, this, &cAudioJoin::Done);
    connect(m_worker.get(), &Worker::aborted, this, &cAudioJoin::Aborted);
    connect(m_worker.get(), &Worker::error, this, &cAudioJoin::Error);
}

cAudioJoin::~cAudioJoin() = default;

void cAudioJoin::SetACMSettings(const QString& tagName, const QString& formatName) {
    m_setup.ACMTag = tagName;
    m_setup.ACMFormat = formatName;
}

void cAudioJoin::AddFile(const QString& path, qint32 start, qint32 length) {
    m_inputs.append(Input{path, start, length});
}

void cAudioJoin::RemoveFile(qint32 index) {
    if (index >= 1 && index <= FileCount()) m_inputs.removeAt(index - 1);
}

QString cAudioJoin::GetFile(qint32 index, qint32& start, qint32& length) const {
    if (index < 1 || index > FileCount()) {
        start = length = -1;
        return QString();
    }
    const Input& in = m_inputs[index - 1];
    start = in.start;
    length = in.length;
    return in.path;
}

void cAudioJoin::StartJoin() {
    if (m_worker->isBusy()) {
        QMetaObject::invokeMethod(
            this, [this] { emit Error(ErrBusy, QStringLiteral("A join is already running.")); },
            Qt::QueuedConnection);
        return;
    }
    JoinJob job;
    job.setup = m_setup;
    job.tags = m_tags;
    job.destination = m_sDestinationFile;
    for (const Input& in : m_inputs) {
        job.paths << in.path;
        job.starts << in.start;
        job.lengths << in.length;
    }
    m_worker->start([job, this](Worker::Context& ctx) { return RunJoin(job, ctx, this); });
}

void cAudioJoin::Abort() {
    m_worker->abort();
}

void cAudioJoin::Cleanup() {
    m_worker->abort();
}

void cAudioJoin::Close() {
    Abort();
    m_inputs.clear();
    m_tags = EncoderTags();
}

bool cAudioJoin::IsJoining() const {
    return m_worker->isBusy();
}

} // namespace components
