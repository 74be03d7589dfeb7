#include "components/cAudioBurner.h"

#include "components/AudioDecoder.h"
#include "components/DriveClaim.h"
#include "components/OutputFiles.h"
#include "components/WavFile.h"
#include "components/Worker.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <limits>
#include <mutex>
#include <vector>

namespace components {

namespace {

constexpr qint64 kSectorBytes = DriveRegistry::kAudioSectorBytes;
constexpr qint64 kFrameBytes = 4; // 16-bit stereo
constexpr int kCdRate = 44100;
// A real writer takes no track shorter than four seconds.
constexpr qint64 kMinRealTrackSectors = 4 * DriveRegistry::kSectorsPerSecond;
// Frames decoded per read: big enough that file writes stay cheap.
constexpr qint64 kChunkFrames = 1 << 16;

// Tests only: called before each track is written (see SetTrackGateForTesting).
std::mutex g_trackGateLock;
std::function<void()> g_trackGate;

void passTrackGate() {
    std::function<void()> gate;
    {
        std::lock_guard lock(g_trackGateLock);
        gate = g_trackGate;
    }
    if (gate) gate();
}

const QString kTextNoWriter = QStringLiteral("The writer does not exist.");
const QString kTextTrayOpen = QStringLiteral("The tray is open.");
const QString kTextNoDisc = QStringLiteral("There is no disc in the drive.");
const QString kTextNotBlank = QStringLiteral("The disc in the drive is not blank.");
const QString kTextUnreadable = QStringLiteral("The disc in the drive cannot be read.");
const QString kTextUnsuitable = QStringLiteral("The disc in the drive cannot take an audio CD.");
const QString kTextBusy = QStringLiteral("The writer is busy.");
const QString kTextUnreachable = QStringLiteral("The writer cannot be reached.");

qint64 sectorsFor(qint64 bytes) {
    return (bytes + kSectorBytes - 1) / kSectorBytes;
}

qint64 sectorsForMs(qint64 ms) {
    return ms <= 0 ? 0 : (ms * DriveRegistry::kSectorsPerSecond + 999) / 1000;
}

QString minutesText(qint64 sectors) {
    const qint64 seconds = sectors / DriveRegistry::kSectorsPerSecond;
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

QString msf(qint64 sector) {
    const qint64 frames = sector % 75;
    const qint64 seconds = (sector / 75) % 60;
    const qint64 minutes = sector / (75 * 60);
    return QStringLiteral("%1:%2:%3")
        .arg(minutes, 2, 10, QLatin1Char('0'))
        .arg(seconds, 2, 10, QLatin1Char('0'))
        .arg(frames, 2, 10, QLatin1Char('0'));
}

qint32 clampLong(qint64 v) {
    return qint32(std::clamp<qint64>(v, 0, std::numeric_limits<qint32>::max()));
}

// The disc of a drive as the burner sees it.
struct DiscView {
    QString state; // "" = blank and ready
    qint64 totalSectors = 0;
    qint64 freeSectors = 0;
};

DiscView virtualDisc(const DriveInfo& drive) {
    DiscView v;
    DriveRegistry& reg = DriveRegistry::instance();
    const qint32 index = reg.indexOf(drive.letter);
    if (index >= 0 && reg.isTrayOpen(index)) {
        v.state = kTextTrayOpen;
        return v;
    }
    const DiscInfo disc = reg.readDisc(drive);
    switch (disc.kind) {
    case DiscKind::Blank:
        v.totalSectors = v.freeSectors = disc.capacitySectors;
        break;
    case DiscKind::NoDisc:
        v.state = kTextNoDisc;
        break;
    case DiscKind::Unreadable:
        v.state = kTextUnreadable;
        break;
    default:
        v.state = kTextNotBlank;
        v.totalSectors = disc.capacitySectors;
        break;
    }
    return v;
}

DiscView realDisc(AudioWriterSeam& writer, const DriveInfo& drive) {
    const AudioWriterSeam::Medium m = writer.medium(drive.device);
    DiscView v;
    v.totalSectors = m.totalSectors;
    switch (m.state) {
    case AudioWriterSeam::Medium::Blank:
        v.freeSectors = m.freeSectors;
        break;
    case AudioWriterSeam::Medium::NoDisc:
        v.state = kTextNoDisc;
        break;
    case AudioWriterSeam::Medium::Written:
        v.state = kTextNotBlank;
        break;
    case AudioWriterSeam::Medium::Unsuitable:
        v.state = kTextUnsuitable;
        break;
    case AudioWriterSeam::Medium::Busy:
        v.state = kTextBusy;
        break;
    case AudioWriterSeam::Medium::Missing:
        v.state = kTextUnreachable;
        break;
    }
    return v;
}

using Outcome = Worker::Outcome;

Outcome tooLong(qint64 needed, qint64 free) {
    return Outcome::error(cAudioBurner::ErrTooLong,
                          QStringLiteral("The tracks last %1 but the disc holds only %2. Remove some tracks.")
                              .arg(minutesText(needed), minutesText(free)));
}

Outcome sourceFailed(const QString& path, const QString& why) {
    return Outcome::error(
        cAudioBurner::ErrSource,
        QStringLiteral("The file %1 cannot be decoded: %2").arg(QFileInfo(path).fileName(), why));
}

// Decodes a file as CD audio into `out`, a piece at a time. Returns the bytes
// written, or -1 with `outcome` set.
qint64 decodeInto(const QString& path, QFile& out, qint64 maxBytes, const std::function<void(qint64)>& report,
                  const std::function<bool()>& keepGoing, Outcome* outcome) {
    AudioDecoder dec;
    if (!dec.Open(path)) {
        *outcome = sourceFailed(path, dec.ErrorText());
        return -1;
    }
    dec.SetOutput(kCdRate, 2, SampleKind::S16);
    std::vector<char> buf(size_t(kChunkFrames * kFrameBytes));
    qint64 bytes = 0;
    for (;;) {
        if (!keepGoing()) {
            *outcome = Outcome::aborted();
            return -1;
        }
        const qint64 n = dec.Read(buf.data(), kChunkFrames);
        if (n < 0) {
            *outcome = sourceFailed(path, dec.ErrorText());
            return -1;
        }
        if (n == 0) return bytes;
        const qint64 len = n * kFrameBytes;
        if (bytes + len > maxBytes) {
            *outcome = Outcome::error(cAudioBurner::ErrTooLong, QString()); // caller words it
            return -1;
        }
        if (!WriteAll(out, buf.data(), len)) {
            *outcome =
                Outcome::error(cAudioBurner::ErrWrite,
                               QStringLiteral("The disc image cannot be written: %1").arg(out.errorString()));
            return -1;
        }
        bytes += len;
        report(bytes / kFrameBytes);
    }
}

// Whether the file is a WAV whose samples are CD audio as they stand
// (44.1 kHz, 16-bit, stereo PCM).
bool isCdAudioWav(const QString& path, WavLayout* layout) {
    QString why;
    return ReadWavLayout(path, layout, &why) && layout->sample == WavLayout::Sample::S16 &&
           layout->rate == kCdRate && layout->channels == 2 && layout->blockAlign == kFrameBytes;
}

// Copies the samples of a CD-audio WAV into `out` as they stand, a large
// piece at a time, as a plain copy of the file would. Returns the bytes
// written, or -1 with `outcome` set; a file that ends before the frames its
// header counted (it changed since) is a failed source.
qint64 copyCdAudioWav(const QString& path, const WavLayout& layout, QFile& out, qint64 maxBytes,
                      const std::function<void(qint64)>& report, const std::function<bool()>& keepGoing,
                      Outcome* outcome) {
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly | QIODevice::Unbuffered) || !in.seek(layout.dataOffset)) {
        *outcome = sourceFailed(path, in.errorString());
        return -1;
    }
    const qint64 total = layout.BytesOf(layout.frames);
    if (total > maxBytes) {
        *outcome = Outcome::error(cAudioBurner::ErrTooLong, QString()); // caller words it
        return -1;
    }
    constexpr qint64 kPiece = qint64(1) << 20; // whole frames
    std::vector<char> buf(size_t(std::min(kPiece, std::max<qint64>(total, kFrameBytes))));
    qint64 bytes = 0;
    while (bytes < total) {
        if (!keepGoing()) {
            *outcome = Outcome::aborted();
            return -1;
        }
        const qint64 n = in.read(buf.data(), std::min(qint64(buf.size()), total - bytes));
        if (n < 0) {
            *outcome = sourceFailed(path, in.errorString());
            return -1;
        }
        if (n == 0) {
            *outcome = sourceFailed(path, QStringLiteral("The file ends before its audio does."));
            return -1;
        }
        if (!WriteAll(out, buf.data(), n)) {
            *outcome =
                Outcome::error(cAudioBurner::ErrWrite,
                               QStringLiteral("The disc image cannot be written: %1").arg(out.errorString()));
            return -1;
        }
        bytes += n;
        report(bytes / kFrameBytes);
    }
    return bytes;
}

// Writes one file as CD audio into `out`, padded to whole sectors (and to at
// least `minSectors`). A WAV already in CD format is copied; anything else
// is decoded. `report(frames)` follows the progress; false from `keepGoing`
// stops it. Returns the bytes written, or -1 with `outcome` set.
qint64 decodeTrack(const QString& path, QFile& out, qint64 maxBytes, qint64 minSectors,
                   const std::function<void(qint64)>& report, const std::function<bool()>& keepGoing,
                   Outcome* outcome) {
    WavLayout layout;
    const qint64 bytes = isCdAudioWav(path, &layout)
                             ? copyCdAudioWav(path, layout, out, maxBytes, report, keepGoing, outcome)
                             : decodeInto(path, out, maxBytes, report, keepGoing, outcome);
    if (bytes < 0) return -1;
    if (bytes == 0) {
        *outcome = sourceFailed(path, QStringLiteral("The file holds no audio."));
        return -1;
    }
    const qint64 padded = std::max(sectorsFor(bytes), minSectors) * kSectorBytes;
    if (padded > maxBytes) {
        *outcome = Outcome::error(cAudioBurner::ErrTooLong, QString());
        return -1;
    }
    if (padded > bytes) {
        const QByteArray zeros(int(padded - bytes), '\0');
        if (!WriteAll(out, zeros)) {
            *outcome =
                Outcome::error(cAudioBurner::ErrWrite,
                               QStringLiteral("The disc image cannot be written: %1").arg(out.errorString()));
            return -1;
        }
    }
    return padded;
}

// A free pair of image names in the folder: AudioCD, AudioCD-2, ...
QString freeImageBase(const QDir& dir) {
    for (int i = 1;; ++i) {
        const QString base = i == 1 ? QStringLiteral("AudioCD") : QStringLiteral("AudioCD-%1").arg(i);
        if (!QFileInfo::exists(dir.filePath(base + ".cue")) &&
            !QFileInfo::exists(dir.filePath(base + ".bin")))
            return base;
    }
}

} // namespace

void cAudioBurner::SetTrackGateForTesting(std::function<void()> gate) {
    std::lock_guard lock(g_trackGateLock);
    g_trackGate = std::move(gate);
}

cAudioBurner::cAudioBurner(QObject* parent, std::shared_ptr<AudioWriterSeam> writer)
    : QObject(parent), m_writer(writer ? std::move(writer) : makeLibburnWriter()),
      m_worker(std::make_unique<Worker>()) {
    connect(m_worker.get(), &Worker::done, this, [this] {
        m_result = 0;
        emit BurnFinished();
    });
    connect(m_worker.get(), &Worker::aborted, this, [this] {
        m_result = ErrAborted;
        emit Error(ErrAborted, QStringLiteral("The burn was aborted."));
    });
    connect(m_worker.get(), &Worker::error, this, [this](qint32 code, const QString& text) {
        m_result = code;
        emit Error(code, text);
    });
}

cAudioBurner::~cAudioBurner() {
    // The worker goes first: its thread stops and the events it queued, which
    // point at this object, are dropped with it.
    m_worker.reset();
}

qint32 cAudioBurner::DeviceCount() const {
    return DriveRegistry::instance().count();
}

QString cAudioBurner::DeviceName(qint32 writer) const {
    const std::optional<DriveInfo> d = DriveRegistry::instance().drive(writer - 1);
    return d ? d->name : QString();
}

std::optional<DriveInfo> cAudioBurner::driveFor(const QString& drive) const {
    DriveRegistry& reg = DriveRegistry::instance();
    return reg.drive(reg.indexOf(drive));
}

qint32 cAudioBurner::WriteSpeedCount(const QString& drive) {
    m_speeds.clear();
    const std::optional<DriveInfo> d = driveFor(drive);
    // An image is written as fast as the files decode: only "Max." applies.
    if (d && !d->isVirtual) m_speeds = m_writer->writeSpeeds(d->device);
    return qint32(m_speeds.size());
}

QString cAudioBurner::WriteSpeed(qint32 number) const {
    if (number < 1 || number > m_speeds.size()) return QString();
    return QString::number(m_speeds.at(number - 1));
}

qint32 cAudioBurner::DiscSize(const QString& drive) const {
    const std::optional<DriveInfo> d = driveFor(drive);
    if (!d) return 0;
    const DiscView v = d->isVirtual ? virtualDisc(*d) : realDisc(*m_writer, *d);
    return clampLong(v.totalSectors * kBlockBytes);
}

qint32 cAudioBurner::DiscCapacity(const QString& drive) const {
    const std::optional<DriveInfo> d = driveFor(drive);
    if (!d) return 0;
    const DiscView v = d->isVirtual ? virtualDisc(*d) : realDisc(*m_writer, *d);
    return clampLong(v.freeSectors * kBlockBytes);
}

QString cAudioBurner::DriveState(const QString& drive) const {
    const std::optional<DriveInfo> d = driveFor(drive);
    if (!d) return kTextNoWriter;
    return d->isVirtual ? virtualDisc(*d).state : realDisc(*m_writer, *d).state;
}

void cAudioBurner::OpenTray(const QString& drive) {
    const std::optional<DriveInfo> d = driveFor(drive);
    if (!d) return;
    if (d->isVirtual)
        DriveRegistry::instance().openTray(DriveRegistry::instance().indexOf(d->letter));
    else
        m_writer->eject(d->device);
}

void cAudioBurner::CloseTray(const QString& drive) {
    const std::optional<DriveInfo> d = driveFor(drive);
    if (!d) return;
    if (d->isVirtual)
        DriveRegistry::instance().closeTray(DriveRegistry::instance().indexOf(d->letter));
    else
        m_writer->load(d->device);
}

bool cAudioBurner::AddTrack(const QString& path) {
    if (m_tracks.size() >= kMaxTracks) return false;
    // CD audio in a WAV is copied as it stands: its header says all, and the
    // decoder's look into the samples (a good part of a second for a disc's
    // worth of files) is not needed.
    WavLayout layout;
    if (isCdAudioWav(path, &layout)) {
        m_tracks << path;
        m_trackMs << (layout.frames * 1000 + kCdRate / 2) / kCdRate;
        return true;
    }
    AudioDecoder dec;
    if (!dec.Open(path)) return false;
    m_tracks << path;
    m_trackMs << std::max<qint64>(0, dec.DurationMs());
    return true;
}

qint16 cAudioBurner::TrackCount() const {
    return qint16(m_tracks.size());
}

void cAudioBurner::ClearTracks() {
    m_tracks.clear();
    m_trackMs.clear();
}

bool cAudioBurner::isBurning() const {
    return m_worker->isBusy();
}

void cAudioBurner::Abort() {
    m_worker->abort();
}

void cAudioBurner::Close() {
    if (m_worker->isBusy()) {
        m_worker->abort();
        m_worker->waitForFinished();
    }
    m_speeds.clear();
}

qint32 cAudioBurner::BurnCD(const QString& drive, qint32 speed) {
    if (m_worker->isBusy()) return ErrBusy;
    const std::optional<DriveInfo> target = driveFor(drive);
    const QStringList tracks = m_tracks;
    const QList<qint64> trackMs = m_trackMs;
    const std::shared_ptr<AudioWriterSeam> writer = m_writer;
    const bool underrunProof = m_burnOption;
    const QString cacheFolder = m_cacheFolder;
    const qint32 speedKBs = (speed <= 0 || speed >= kMaxSpeed) ? 0 : speed;

    auto job = [this, target, tracks, trackMs, writer, underrunProof, cacheFolder,
                speedKBs](Worker::Context& ctx) -> Outcome {
        if (!target) return Outcome::error(ErrNoWriter, kTextNoWriter);
        if (tracks.isEmpty())
            return Outcome::error(ErrNoTracks, QStringLiteral("There are no tracks to burn."));
        if (tracks.size() > kMaxTracks)
            return Outcome::error(ErrNoTracks, QStringLiteral("An audio CD holds at most 99 tracks."));
        // Two burners writing one drive would leave two images in its folder.
        const DriveClaim claim(target->device);
        if (!claim.held()) return Outcome::error(ErrNotReady, kTextBusy);
        const DiscView disc = target->isVirtual ? virtualDisc(*target) : realDisc(*writer, *target);
        if (!disc.state.isEmpty()) return Outcome::error(ErrNotReady, disc.state);
        qint64 estimate = 0;
        for (qint64 ms : trackMs)
            estimate += std::max(sectorsForMs(ms), target->isVirtual ? qint64(1) : kMinRealTrackSectors);
        if (estimate > disc.freeSectors) return tooLong(estimate, disc.freeSectors);

        auto post = [this, &ctx](std::function<void(cAudioBurner*)> fn) {
            ctx.post([this, fn] { fn(this); });
        };
        qint32 lastPercent = -1;
        qint32 lastTrack = 0;
        auto burnProgress = [&](qint32 percent, qint32 track) {
            percent = std::clamp(percent, 0, 100);
            if (percent == lastPercent && track == lastTrack) return;
            lastPercent = percent;
            lastTrack = track;
            post([percent, track](cAudioBurner* b) { emit b->BurnProgress(qint16(percent), qint16(track)); });
        };
        auto percentOf = [](qint64 frames, qint64 ms) -> qint32 {
            const qint64 expected = ms * kCdRate / 1000;
            return expected > 0 ? qint32(std::min<qint64>(99, frames * 100 / expected)) : 0;
        };
        auto keepGoing = [&ctx] { return !ctx.aborted(); };
        const qint64 freeBytes = disc.freeSectors * kSectorBytes;

        if (target->isVirtual) {
            // The image grows under a name no drive reads as a disc, and is
            // removed with this object unless it was renamed in the end.
            const QDir dir(target->device);
            PartialFile binPart;
            QFile bin;
            if (!binPart.Create(target->device, QStringLiteral("AudioCD.bin")) ||
                !bin.open(binPart.Handle(), QIODevice::WriteOnly, QFileDevice::DontCloseHandle))
                return Outcome::error(ErrWrite,
                                      QStringLiteral("The disc image cannot be created: %1")
                                          .arg(binPart.IsOpen() ? bin.errorString() : binPart.ErrorText()));
            QList<qint64> starts;
            qint64 written = 0;
            for (qsizetype i = 0; i < tracks.size(); ++i) {
                const qint32 number = qint32(i + 1);
                post([](cAudioBurner* b) { emit b->CachingTrack(); });
                post([](cAudioBurner* b) { emit b->WritingTrack(); });
                burnProgress(0, number);
                passTrackGate();
                Outcome failure;
                const qint64 bytes = decodeTrack(
                    tracks.at(i), bin, freeBytes - written, 1,
                    [&](qint64 frames) { burnProgress(percentOf(frames, trackMs.at(i)), number); }, keepGoing,
                    &failure);
                if (bytes < 0) {
                    if (failure.kind == Outcome::Error && failure.code == ErrTooLong)
                        return tooLong(disc.freeSectors + 1, disc.freeSectors);
                    return failure;
                }
                starts << written / kSectorBytes;
                written += bytes;
                burnProgress(100, number);
                post([number](cAudioBurner* b) { emit b->ClosingTrack(qint16(number)); });
            }
            if (ctx.aborted()) return Outcome::aborted();
            post([](cAudioBurner* b) { emit b->ClosingSession(); });
            if (!bin.flush())
                return Outcome::error(
                    ErrWrite, QStringLiteral("The disc image cannot be written: %1").arg(bin.errorString()));
            const QString base = freeImageBase(dir);
            QByteArray cueText = "FILE \"" + (base + ".bin").toUtf8() + "\" BINARY\r\n";
            for (qsizetype i = 0; i < starts.size(); ++i)
                cueText += QStringLiteral("  TRACK %1 AUDIO\r\n    INDEX 01 %2\r\n")
                               .arg(i + 1, 2, 10, QLatin1Char('0'))
                               .arg(msf(starts.at(i)))
                               .toUtf8();
            PartialFile cuePart;
            QFile cue;
            if (!cuePart.Create(target->device, QStringLiteral("AudioCD.cue")))
                return Outcome::error(
                    ErrWrite,
                    QStringLiteral("The disc image cannot be written: %1").arg(cuePart.ErrorText()));
            if (!cue.open(cuePart.Handle(), QIODevice::WriteOnly, QFileDevice::DontCloseHandle) ||
                !WriteAll(cue, cueText) || !cue.flush())
                return Outcome::error(
                    ErrWrite, QStringLiteral("The disc image cannot be written: %1").arg(cue.errorString()));
            bin.close();
            cue.close();
            // Never over an existing file: a burned image stays as it was.
            const QString binPath = dir.filePath(base + ".bin");
            const QString cuePath = dir.filePath(base + ".cue");
            if (!binPart.Commit(binPath, false))
                return Outcome::error(ErrWrite, QStringLiteral("The disc image cannot be stored as %1: %2")
                                                    .arg(binPath, binPart.ErrorText()));
            if (!cuePart.Commit(cuePath, false)) {
                QFile::remove(binPath); // ours, just made: no half image stays
                return Outcome::error(ErrWrite, QStringLiteral("The disc image cannot be stored as %1: %2")
                                                    .arg(cuePath, cuePart.ErrorText()));
            }
            return Outcome::done();
        }

        // A real writer: every track is decoded before the disc is touched.
        // The cache of a burn that was killed is removed here, by the next one.
        if (!cacheFolder.isEmpty()) QDir().mkpath(cacheFolder);
        TempFolder cache;
        if (!cache.Create(cacheFolder.isEmpty() ? QDir::tempPath() : cacheFolder, QStringLiteral("burntmp-")))
            return Outcome::error(ErrWrite,
                                  QStringLiteral("No room for the tracks' cache: %1").arg(cache.ErrorText()));
        QList<AudioWriterSeam::Track> pcm;
        qint64 cached = 0;
        for (qsizetype i = 0; i < tracks.size(); ++i) {
            post([](cAudioBurner* b) { emit b->CachingTrack(); });
            passTrackGate();
            QFile file(cache.FilePath(QStringLiteral("track%1.pcm").arg(i + 1, 2, 10, QLatin1Char('0'))));
            if (!file.open(QIODevice::WriteOnly))
                return Outcome::error(
                    ErrWrite, QStringLiteral("The track cannot be cached: %1").arg(file.errorString()));
            qint32 lastStep = -1;
            Outcome failure;
            const qint64 ms = trackMs.at(i);
            const qint64 bytes = decodeTrack(
                tracks.at(i), file, freeBytes - cached, kMinRealTrackSectors,
                [&](qint64 frames) {
                    const qint32 p = percentOf(frames, ms);
                    if (p == lastStep) return;
                    lastStep = p;
                    post([p](cAudioBurner* b) { emit b->StepProgress(qint16(p), 0); });
                },
                keepGoing, &failure);
            if (bytes < 0) {
                if (failure.kind == Outcome::Error && failure.code == ErrTooLong)
                    return tooLong(disc.freeSectors + 1, disc.freeSectors);
                if (failure.kind == Outcome::Error && failure.code == ErrWrite)
                    failure.description =
                        QStringLiteral("The track cannot be cached: %1").arg(file.errorString());
                return failure;
            }
            if (!file.flush())
                return Outcome::error(
                    ErrWrite, QStringLiteral("The track cannot be cached: %1").arg(file.errorString()));
            file.close();
            post([](cAudioBurner* b) { emit b->StepProgress(100, 0); });
            cached += bytes;
            pcm << AudioWriterSeam::Track{file.fileName(), bytes};
        }
        if (ctx.aborted()) return Outcome::aborted();

        QString why;
        if (!writer->startAudio(target->device, pcm, speedKBs, underrunProof, &why))
            return Outcome::error(ErrWrite, why);
        bool cancelled = false;
        bool sessionClosing = false;
        qint32 writing = 0; // track being written, from 1
        qint32 closed = 0;  // last track reported closed
        for (;;) {
            if (ctx.aborted() && !cancelled) {
                writer->cancel();
                cancelled = true;
            }
            const AudioWriterSeam::Status st = writer->poll();
            if (st.phase == AudioWriterSeam::Status::Idle) break;
            const qint32 number = std::clamp(st.track + 1, 1, qint32(pcm.size()));
            if (st.phase == AudioWriterSeam::Status::Writing && number != writing) {
                for (qint32 t = closed + 1; t < number; ++t)
                    post([t](cAudioBurner* b) { emit b->ClosingTrack(qint16(t)); });
                closed = std::max(closed, number - 1);
                writing = number;
                post([](cAudioBurner* b) { emit b->WritingTrack(); });
            }
            if (st.phase == AudioWriterSeam::Status::Writing && st.sectors > 0)
                burnProgress(qint32(std::min<qint64>(100, st.sector * 100 / st.sectors)), number);
            if (st.phase == AudioWriterSeam::Status::ClosingTrack && number > closed) {
                burnProgress(100, number);
                closed = number;
                post([number](cAudioBurner* b) { emit b->ClosingTrack(qint16(number)); });
            }
            if (st.phase == AudioWriterSeam::Status::ClosingSession && !sessionClosing) {
                sessionClosing = true;
                post([](cAudioBurner* b) { emit b->ClosingSession(); });
            }
        }
        const bool wroteWell = writer->finish(&why);
        if (cancelled) return Outcome::aborted();
        if (!wroteWell) return Outcome::error(ErrWrite, why);
        for (qint32 t = closed + 1; t <= qint32(pcm.size()); ++t) {
            burnProgress(100, t);
            post([t](cAudioBurner* b) { emit b->ClosingTrack(qint16(t)); });
        }
        if (!sessionClosing) post([](cAudioBurner* b) { emit b->ClosingSession(); });
        return Outcome::done();
    };

    m_result = 0;
    if (!m_worker->start(job)) return ErrBusy;
    m_worker->waitForFinished();
    return m_result;
}

} // namespace components
