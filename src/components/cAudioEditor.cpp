#include "components/cAudioEditor.h"

#include "components/Worker.h"
#include "components/cPlayer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMetaObject>
#include <QSaveFile>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <memory>

namespace components {

namespace {

// Blocks scanned per read while building the cache (about 1 MB of 16-bit stereo).
constexpr qint64 kScanBlocks = 1024;
// How often the view is told that more of the cache is ready.
constexpr qint64 kRedrawMs = 100;
constexpr qint64 kCopyBytes = 1 << 20;

enum ErrorCode : qint32 {
    kErrNotLoaded = 1,
    kErrRange = 2,
    kErrDestination = 3,
    kErrRead = 4,
    kErrWrite = 5
};

qint64 MsToFrames(qint64 ms, qint32 rate) {
    return (ms * rate + 500) / 1000;
}

bool SameFile(const QString& a, const QString& b) {
    if (a.isEmpty() || b.isEmpty()) return false;
    const QFileInfo fa(a), fb(b);
    if (fa.exists() && fb.exists()) return fa.canonicalFilePath() == fb.canonicalFilePath();
    return QDir::cleanPath(fa.absoluteFilePath()) == QDir::cleanPath(fb.absoluteFilePath());
}

} // namespace

// Per channel, the lowest and highest sample of each block of kPeakBlock
// frames. The vectors are sized before the scan starts and never move, so the
// GUI thread may read every block below `ready` while the scan goes on.
struct cAudioEditor::PeakCache {
    qint32 channels = 0;
    qint64 blocks = 0;
    // block * channels + channel; left unset until the scan writes them (only
    // blocks below `ready` are read), so an hour of audio costs the GUI thread
    // no time zero-filling pages the scan will fill anyway.
    std::unique_ptr<float[]> mins;
    std::unique_ptr<float[]> maxs;
    std::atomic<qint64> ready{0};
};

cAudioEditor::cAudioEditor(QObject* parent) : QObject(parent), m_player(std::make_unique<cPlayer>()) {
    connect(m_player.get(), &cPlayer::PlayDone, this, [this] {
        if (!m_closed) emit PlayDone();
    });
}

cAudioEditor::~cAudioEditor() {
    Close();
}

void cAudioEditor::Fail(qint32 code, const QString& text) {
    m_error = text;
    QMetaObject::invokeMethod(
        this,
        [this, code, text] {
            if (!m_closed) emit Error(code, text);
        },
        Qt::QueuedConnection);
}

bool cAudioEditor::LoadFile(const QString& path) {
    m_closed = false;
    m_peakWorker.reset(); // stops a scan of the file before
    if (m_player->IsPlaying()) m_player->Stop();
    m_path = path;
    m_layout = WavLayout();
    m_peaks.reset();
    m_selStart = m_selEnd = m_viewStart = m_viewEnd = 0;
    m_error.clear();

    WavLayout layout;
    QString why;
    if (path.isEmpty() || !ReadWavLayout(path, &layout, &why)) {
        m_error = path.isEmpty() ? QStringLiteral("No file is given.") : why;
        emit ViewChanged();
        return false;
    }
    if (layout.frames <= 0) {
        m_error = QStringLiteral("The file %1 holds no samples.").arg(path);
        emit ViewChanged();
        return false;
    }
    m_layout = layout;
    m_selEnd = m_viewEnd = layout.frames;
    StartPeaks();

    const qint64 seconds = std::llround(double(layout.frames) / layout.rate);
    const auto rate = layout.rate, bits = layout.bits, channels = layout.channels;
    const auto frames = qint32(std::min<qint64>(layout.frames, INT32_MAX));
    QMetaObject::invokeMethod(
        this,
        [this, rate, bits, channels, seconds, frames, path] {
            if (!m_closed && m_path == path) emit FileInfo(rate, bits, channels, qint32(seconds), frames);
        },
        Qt::QueuedConnection);
    emit ViewChanged();
    return true;
}

void cAudioEditor::StartPeaks() {
    auto cache = std::make_shared<PeakCache>();
    cache->channels = m_layout.channels;
    cache->blocks = (m_layout.frames + kPeakBlock - 1) / kPeakBlock;
    cache->mins = std::make_unique_for_overwrite<float[]>(size_t(cache->blocks * cache->channels));
    cache->maxs = std::make_unique_for_overwrite<float[]>(size_t(cache->blocks * cache->channels));
    m_peaks = cache;

    const WavLayout layout = m_layout;
    const QString path = m_path;
    m_peakWorker = std::make_unique<Worker>();
    m_peakWorker->start([this, cache, layout, path](Worker::Context& ctx) -> Worker::Outcome {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly) || !file.seek(layout.dataOffset))
            return Worker::Outcome::error(kErrRead, file.errorString());
        const qint32 ch = layout.channels;
        // Sized by the frames the file holds, not by what one read could take.
        const qint64 perRead = std::min(kScanBlocks * kPeakBlock, layout.frames);
        std::vector<char> raw(size_t(perRead * layout.blockAlign));
        std::vector<float> samples(size_t(perRead * ch));
        QElapsedTimer sinceRedraw;
        sinceRedraw.start();
        qint64 block = 0;
        while (block < cache->blocks) {
            if (ctx.aborted()) return Worker::Outcome::aborted();
            const qint64 firstFrame = block * kPeakBlock;
            const qint64 frames = std::min(perRead, layout.frames - firstFrame);
            const qint64 bytes = frames * layout.blockAlign;
            if (file.read(raw.data(), bytes) != bytes)
                return Worker::Outcome::error(kErrRead, file.errorString());
            WavToFloat(layout, raw.data(), frames, samples.data());
            const qint64 count = (frames + kPeakBlock - 1) / kPeakBlock;
            for (qint64 b = 0; b < count; ++b) {
                const qint64 f0 = b * kPeakBlock;
                const qint64 f1 = std::min(f0 + kPeakBlock, frames);
                for (qint32 c = 0; c < ch; ++c) {
                    float lo = samples[size_t(f0 * ch + c)], hi = lo;
                    for (qint64 f = f0 + 1; f < f1; ++f) {
                        const float v = samples[size_t(f * ch + c)];
                        lo = std::min(lo, v);
                        hi = std::max(hi, v);
                    }
                    cache->mins[size_t((block + b) * ch + c)] = lo;
                    cache->maxs[size_t((block + b) * ch + c)] = hi;
                }
            }
            block += count;
            cache->ready.store(block, std::memory_order_release);
            if (sinceRedraw.elapsed() >= kRedrawMs) {
                sinceRedraw.restart();
                ctx.post([this, cache] {
                    if (m_peaks == cache) emit ViewChanged();
                });
            }
        }
        return Worker::Outcome::done();
    });
    connect(m_peakWorker.get(), &Worker::done, this, [this] {
        if (!m_closed) emit ViewChanged();
    });
    connect(m_peakWorker.get(), &Worker::error, this, [this](qint32, const QString& why) {
        if (!m_closed)
            emit Error(kErrRead, QStringLiteral("The file %1 cannot be read: %2").arg(m_path, why));
    });
}

bool cAudioEditor::PeaksReady() const {
    return m_peaks && m_peaks->ready.load(std::memory_order_acquire) >= m_peaks->blocks;
}

std::vector<std::pair<float, float>> cAudioEditor::Peaks(qint32 channel, qint64 from, qint64 to,
                                                         qint32 columns) {
    std::vector<std::pair<float, float>> out(size_t(std::max(columns, 0)), {0.0f, 0.0f});
    if (!m_peaks || columns <= 0 || channel < 0 || channel >= m_layout.channels) return out;
    from = std::clamp<qint64>(from, 0, m_layout.frames);
    to = std::clamp<qint64>(to, from, m_layout.frames);
    if (to <= from) return out;
    const double perColumn = double(to - from) / columns;
    const qint32 ch = m_layout.channels;

    if (perColumn >= kPeakBlock) {
        const PeakCache& cache = *m_peaks;
        const qint64 ready = cache.ready.load(std::memory_order_acquire);
        for (qint32 col = 0; col < columns; ++col) {
            const qint64 b0 = qint64(from + col * perColumn) / kPeakBlock;
            const qint64 b1 =
                std::min<qint64>(qint64(std::ceil((from + (col + 1) * perColumn) / kPeakBlock)), ready);
            if (b0 >= b1) continue;
            float lo = cache.mins[size_t(b0 * ch + channel)], hi = cache.maxs[size_t(b0 * ch + channel)];
            for (qint64 b = b0 + 1; b < b1; ++b) {
                lo = std::min(lo, cache.mins[size_t(b * ch + channel)]);
                hi = std::max(hi, cache.maxs[size_t(b * ch + channel)]);
            }
            out[size_t(col)] = {lo, hi};
        }
        return out;
    }

    // Closer than one block per column: the few frames shown are read from the file.
    QFile file(m_path);
    const qint64 frames = to - from;
    std::vector<char> raw(size_t(frames * m_layout.blockAlign));
    if (!file.open(QIODevice::ReadOnly) || !file.seek(m_layout.dataOffset + from * m_layout.blockAlign) ||
        file.read(raw.data(), qint64(raw.size())) != qint64(raw.size()))
        return out;
    std::vector<float> samples(size_t(frames * ch));
    WavToFloat(m_layout, raw.data(), frames, samples.data());
    for (qint32 col = 0; col < columns; ++col) {
        const qint64 f0 = std::min<qint64>(qint64(col * perColumn), frames - 1);
        const qint64 f1 = std::clamp<qint64>(qint64((col + 1) * perColumn), f0 + 1, frames);
        float lo = samples[size_t(f0 * ch + channel)], hi = lo;
        for (qint64 f = f0 + 1; f < f1; ++f) {
            lo = std::min(lo, samples[size_t(f * ch + channel)]);
            hi = std::max(hi, samples[size_t(f * ch + channel)]);
        }
        out[size_t(col)] = {lo, hi};
    }
    return out;
}

qint32 cAudioEditor::MillisecondsOf(qint64 frame) const {
    if (m_layout.rate <= 0) return 0;
    return qint32(std::min<qint64>((frame * 1000 + m_layout.rate / 2) / m_layout.rate, INT32_MAX));
}

void cAudioEditor::SetSelection(qint64 start, qint64 end) {
    if (!IsLoaded()) return;
    if (end < start) std::swap(start, end);
    start = std::clamp<qint64>(start, 0, m_layout.frames);
    end = std::clamp<qint64>(end, 0, m_layout.frames);
    if (start == end) {
        start = 0;
        end = m_layout.frames;
    }
    m_selStart = start;
    m_selEnd = end;
    emit SelectionChanged(qint32(std::min<qint64>(start, INT32_MAX)),
                          qint32(std::min<qint64>(end, INT32_MAX)), MillisecondsOf(start),
                          MillisecondsOf(end));
    emit ViewChanged();
}

void cAudioEditor::Zoom() {
    if (!IsLoaded() || m_selEnd <= m_selStart) return;
    m_viewStart = m_selStart;
    m_viewEnd = m_selEnd;
    emit ViewChanged();
}

void cAudioEditor::RestoreZoom() {
    if (!IsLoaded()) return;
    m_viewStart = 0;
    m_viewEnd = m_layout.frames;
    emit ViewChanged();
}

qint32 cAudioEditor::Play() {
    if (!IsLoaded()) {
        m_error = QStringLiteral("No file is loaded.");
        return 1;
    }
    const qint64 startMs = m_selStart * 1000 / m_layout.rate;
    const qint64 lengthMs = (m_selEnd - m_selStart) * 1000 / m_layout.rate;
    const qint32 result = m_player->Play(m_path, AudioDevice, startMs, std::max<qint64>(lengthMs, 1));
    if (result != 0) m_error = m_player->ErrorText();
    return result;
}

bool cAudioEditor::IsPaused() const {
    return m_player->IsPaused();
}
bool cAudioEditor::IsPlaying() const {
    return m_player->IsPlaying();
}
void cAudioEditor::Pause() {
    m_player->Pause();
}
void cAudioEditor::Resume() {
    m_player->Resume();
}
void cAudioEditor::Stop() {
    m_player->Stop();
}

void cAudioEditor::SetRangeFrames(qint64 start, qint64 length) {
    m_rangeFrom = start;
    m_rangeFrames = length;
}

bool cAudioEditor::IsSaving() const {
    return m_saveWorker && m_saveWorker->isBusy();
}

void cAudioEditor::SaveSelection() {
    qint64 from = m_rangeFrom, frames = m_rangeFrames;
    m_rangeFrom = m_rangeFrames = -1;
    if (IsSaving()) return Fail(kErrDestination, QStringLiteral("A selection is being saved."));

    const QString source = m_saveSource.isEmpty() ? m_path : m_saveSource;
    WavLayout layout;
    QString why;
    if (SameFile(source, m_path) && IsLoaded())
        layout = m_layout;
    else if (!ReadWavLayout(source, &layout, &why))
        return Fail(kErrNotLoaded, why);
    if (from < 0) {
        from = MsToFrames(RangeStart, layout.rate);
        frames = MsToFrames(RangeLength, layout.rate);
    }
    from = std::clamp<qint64>(from, 0, layout.frames);
    frames = std::clamp<qint64>(frames, 0, layout.frames - from);
    if (frames <= 0) return Fail(kErrRange, QStringLiteral("Nothing is selected."));

    const QString dest = DestinationFile;
    if (dest.isEmpty()) return Fail(kErrDestination, QStringLiteral("No destination file is given."));
    if (SameFile(dest, source) || SameFile(dest, m_path))
        return Fail(
            kErrDestination,
            QStringLiteral("The selection cannot be saved over the file it is taken from: %1").arg(dest));
    const QFileInfo destInfo(dest);
    if (destInfo.isDir())
        return Fail(kErrDestination, QStringLiteral("The destination is a folder: %1").arg(dest));
    if (!destInfo.absoluteDir().exists())
        return Fail(kErrDestination,
                    QStringLiteral("The folder %1 does not exist.").arg(destInfo.absolutePath()));

    m_saveWorker = std::make_unique<Worker>();
    connect(m_saveWorker.get(), &Worker::progress, this, &cAudioEditor::Progress);
    connect(m_saveWorker.get(), &Worker::done, this, &cAudioEditor::Done);
    connect(m_saveWorker.get(), &Worker::aborted, this, &cAudioEditor::Aborted);
    connect(m_saveWorker.get(), &Worker::error, this, [this](qint32 code, const QString& text) {
        m_error = text;
        emit Error(code, text);
    });
    m_saveWorker->start([source, layout, from, frames, dest](Worker::Context& ctx) -> Worker::Outcome {
        QFile in(source);
        if (!in.open(QIODevice::ReadOnly) || !in.seek(layout.dataOffset + from * layout.blockAlign))
            return Worker::Outcome::error(
                kErrRead, QStringLiteral("The file %1 cannot be read: %2").arg(source, in.errorString()));
        // Written beside the destination and renamed when complete; dropped otherwise.
        QSaveFile out(dest);
        const qint64 total = frames * layout.blockAlign;
        auto writeFailed = [&out, &dest] {
            return Worker::Outcome::error(
                kErrWrite, QStringLiteral("The file %1 cannot be written: %2").arg(dest, out.errorString()));
        };
        if (!out.open(QIODevice::WriteOnly)) return writeFailed();
        const QByteArray header = WavHeader(layout, total);
        if (out.write(header) != header.size()) return writeFailed();
        std::vector<char> buf(static_cast<size_t>(kCopyBytes));
        qint64 done = 0;
        while (done < total) {
            if (ctx.aborted()) {
                out.cancelWriting();
                return Worker::Outcome::aborted();
            }
            const qint64 n = std::min<qint64>(kCopyBytes, total - done);
            if (in.read(buf.data(), n) != n) {
                out.cancelWriting();
                return Worker::Outcome::error(
                    kErrRead, QStringLiteral("The file %1 cannot be read: %2").arg(source, in.errorString()));
            }
            if (out.write(buf.data(), n) != n) return writeFailed();
            done += n;
            ctx.progress(qint32(done * 100 / total));
        }
        if (total & 1) out.write("\0", 1);
        if (!out.commit()) return writeFailed();
        return Worker::Outcome::done();
    });
}

void cAudioEditor::Abort() {
    if (m_saveWorker && m_saveWorker->isBusy()) m_saveWorker->abort();
    if (m_player->IsPlaying()) m_player->Stop();
}

void cAudioEditor::Close() {
    m_closed = true;
    m_peakWorker.reset();
    m_saveWorker.reset();
    if (m_player) m_player->Close();
}

} // namespace components
