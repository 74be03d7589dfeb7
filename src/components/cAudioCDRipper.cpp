#include "components/cAudioCDRipper.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QMetaObject>
#include <QStringList>

#include <cdio/paranoia/cdda.h>
#include <cdio/paranoia/paranoia.h>

#include <cstdio>
#include <utility>

namespace components {

namespace {

constexpr int kFramesPerSector = DriveRegistry::kAudioSectorBytes / 4; // 588 stereo frames
// Re-reads of one sector before paranoia gives up on it.
constexpr int kMaxRetries = 20;

struct CddaDeleter {
    void operator()(cdrom_drive_t* d) const noexcept {
        // The libcdio handle underneath has an owner of its own.
        if (d) libparanoia().cdio_cddap_close_no_free_cdio(d);
    }
};
using CddaHandle = std::unique_ptr<cdrom_drive_t, CddaDeleter>;

struct ParanoiaDeleter {
    void operator()(cdrom_paranoia_t* p) const noexcept {
        if (p) libparanoia().cdio_paranoia_free(p);
    }
};
using ParanoiaHandle = std::unique_ptr<cdrom_paranoia_t, ParanoiaDeleter>;

// Paranoia reports every fix-up and read error here. Fix-ups are its own
// business; a hard read error or a sector it gave up on means the samples it
// hands back are not the disc's audio. Each rip runs on its own worker thread.
thread_local bool t_sectorLost = false;
void paranoiaCallback(long, paranoia_cb_mode_t mode) {
    if (mode == PARANOIA_CB_READERR || mode == PARANOIA_CB_SKIP) t_sectorLost = true;
}

// Sectors that could not be read, kept as ranges for the error text.
class LostSectors {
public:
    void add(lsn_t sector) {
        ++m_count;
        if (!m_ranges.isEmpty() && m_ranges.last().second + 1 == sector)
            m_ranges.last().second = sector;
        else
            m_ranges.append({sector, sector});
    }
    qint64 count() const { return m_count; }
    // "250-299", "12, 40-41", at most a few ranges then "...".
    QString text() const {
        constexpr int kShown = 5;
        QStringList parts;
        for (int i = 0; i < m_ranges.size() && i < kShown; ++i) {
            const auto& [a, b] = m_ranges.at(i);
            parts << (a == b ? QString::number(a) : QStringLiteral("%1-%2").arg(a).arg(b));
        }
        if (m_ranges.size() > kShown) parts << QStringLiteral("...");
        return parts.join(QStringLiteral(", "));
    }

private:
    QList<std::pair<lsn_t, lsn_t>> m_ranges;
    qint64 m_count = 0;
};

struct RipRequest {
    qint32 device = 0;
    qint32 track = 1;
    qint32 rangeStart = -1;
    qint32 rangeLength = -1;
    QString destination;
    EncoderSetup setup;
    EncoderTags tags;
};

Worker::Outcome rip(const RipRequest& r, Worker::Context& ctx) {
    using Outcome = Worker::Outcome;
    const std::optional<DriveInfo> drive = DriveRegistry::instance().drive(r.device);
    if (!drive)
        return Outcome::error(cAudioCDRipper::ErrNoDisc, QStringLiteral("There is no CD drive to rip from."));
    CdioHandle cdio = DriveRegistry::instance().openDisc(r.device);
    if (!cdio) {
        // A damaged image (one cut short before its last track) says so, rather than "no CD".
        const DiscInfo disc = DriveRegistry::instance().readDisc(r.device);
        if (disc.kind == DiscKind::Unreadable)
            return Outcome::error(cAudioCDRipper::ErrUnreadableDisc,
                                  "The disc in " + drive->letter + " cannot be read: " + disc.error);
        return Outcome::error(cAudioCDRipper::ErrNoDisc, "There is no audio CD in " + drive->letter + ".");
    }

    // The track's sectors, numbered as the drive registry numbers tracks.
    const track_t first = libcdio().cdio_get_first_track_num(cdio.get());
    const track_t count = libcdio().cdio_get_num_tracks(cdio.get());
    if (first == CDIO_INVALID_TRACK || count == CDIO_INVALID_TRACK || r.track < 1 || r.track > count)
        return Outcome::error(
            cAudioCDRipper::ErrBadTrack,
            QStringLiteral("Track %1 does not exist on the disc in %2.").arg(r.track).arg(drive->letter));
    const auto track = static_cast<track_t>(first + r.track - 1);
    if (libcdio().cdio_get_track_format(cdio.get(), track) != TRACK_FORMAT_AUDIO)
        return Outcome::error(
            cAudioCDRipper::ErrBadTrack,
            QStringLiteral("Track %1 of the disc in %2 is no audio track.").arg(r.track).arg(drive->letter));
    const lsn_t trackStart = libcdio().cdio_get_track_lsn(cdio.get(), track);
    const lsn_t trackEnd = r.track < count
                               ? libcdio().cdio_get_track_lsn(cdio.get(), static_cast<track_t>(track + 1))
                               : libcdio().cdio_get_track_lsn(cdio.get(), CDIO_CDROM_LEADOUT_TRACK);
    if (trackStart == CDIO_INVALID_LSN || trackEnd == CDIO_INVALID_LSN || trackEnd <= trackStart)
        return Outcome::error(cAudioCDRipper::ErrUnreadableDisc,
                              "The table of contents of the disc in " + drive->letter + " is damaged.");

    lsn_t from = trackStart;
    lsn_t to = trackEnd;
    if (r.rangeStart >= 0) {
        const qint64 start = qint64(trackStart) + qint64(r.rangeStart) * DriveRegistry::kSectorsPerSecond;
        if (start >= trackEnd)
            return Outcome::error(cAudioCDRipper::ErrBadRange,
                                  QStringLiteral("The range starts at %1 s, after the end of track %2.")
                                      .arg(r.rangeStart)
                                      .arg(r.track));
        from = static_cast<lsn_t>(start);
        if (r.rangeLength > 0)
            to = static_cast<lsn_t>(
                qMin<qint64>(trackEnd, start + qint64(r.rangeLength) * DriveRegistry::kSectorsPerSecond));
    }
    const qint64 sectors = to - from;

    if (!LibparanoiaLoadError().isEmpty())
        return Outcome::error(
            cAudioCDRipper::ErrRead,
            QStringLiteral("The CD reading library libcdio-paranoia could not be loaded (%1).")
                .arg(LibparanoiaLoadError()));
    CddaHandle cdda(libparanoia().cdio_cddap_identify_cdio(cdio.get(), CDDA_MESSAGE_FORGETIT, nullptr));
    if (!cdda || libparanoia().cdio_cddap_open(cdda.get()) != 0)
        return Outcome::error(cAudioCDRipper::ErrRead,
                              "The audio of the disc in " + drive->letter + " cannot be read.");
    libparanoia().cdio_cddap_verbose_set(cdda.get(), CDDA_MESSAGE_FORGETIT, CDDA_MESSAGE_FORGETIT);
    // An image holds its audio little-endian, as the CUE's BINARY says. Left
    // to guess, paranoia takes audio that looks like noise for big-endian
    // and swaps every sample.
    if (drive->isVirtual) cdda->bigendianp = 0;
    ParanoiaHandle paranoia(libparanoia().cdio_paranoia_init(cdda.get()));
    if (!paranoia)
        return Outcome::error(cAudioCDRipper::ErrRead,
                              "The audio of the disc in " + drive->letter + " cannot be read.");
    // Verified, overlapping reads; a sector that stays unreadable is skipped
    // rather than stalling the rip for ever.
    libparanoia().cdio_paranoia_modeset(paranoia.get(), PARANOIA_MODE_FULL ^ PARANOIA_MODE_NEVERSKIP);
    libparanoia().cdio_paranoia_seek(paranoia.get(), from, SEEK_SET);

    AudioEncoder encoder;
    if (r.destination.isEmpty())
        return Outcome::error(cAudioCDRipper::ErrDestination,
                              QStringLiteral("No destination file was given."));
    // The caller creates the folders it wants; a missing one is a wrong destination.
    const QFileInfo destination(r.destination);
    if (!destination.absoluteDir().exists())
        return Outcome::error(cAudioCDRipper::ErrDestination,
                              "The folder " + destination.absolutePath() + " does not exist.");
    if (destination.isDir())
        return Outcome::error(cAudioCDRipper::ErrDestination,
                              "The destination " + r.destination + " is a folder.");
    // An abort asked for while the disc was being opened ends here, before any output exists.
    if (ctx.aborted()) return Outcome::aborted();
    if (!encoder.Open(r.destination, r.setup, r.tags, cAudioCDRipper::kCdRate, cAudioCDRipper::kCdChannels,
                      SampleKind::S16))
        return Outcome::error(cAudioCDRipper::ErrDestination,
                              "The file " + r.destination + " cannot be written: " + encoder.ErrorText());

    // Past the disc's last sector paranoia hands back silence without a word;
    // those sectors are lost audio too. An image whose size is no whole number
    // of sectors was cut short inside the sector after its last whole one: the
    // track that runs up to there has lost its audio from that sector on.
    const lsn_t discEnd = libcdio().cdio_get_disc_last_lsn(cdio.get());
    LostSectors lost;
    bool cutInside = false;
    if (drive->isVirtual && to == discEnd) {
        const char* source = libcdio().cdio_get_arg(cdio.get(), "source");
        const qint64 imageBytes = source ? QFileInfo(QFile::decodeName(source)).size() : 0;
        cutInside = imageBytes % DriveRegistry::kAudioSectorBytes != 0;
    }
    const qint64 trackSectors = sectors + (cutInside ? 1 : 0);
    ctx.progress(0);
    for (qint64 done = 0; done < sectors; ++done) {
        if (ctx.aborted()) {
            encoder.Cancel();
            return Outcome::aborted();
        }
        const auto sector = static_cast<lsn_t>(from + done);
        t_sectorLost = false;
        const int16_t* samples =
            libparanoia().cdio_paranoia_read_limited(paranoia.get(), paranoiaCallback, kMaxRetries);
        if (!samples) {
            encoder.Cancel();
            return Outcome::error(
                cAudioCDRipper::ErrRead,
                QStringLiteral("Sector %1 of the disc in %2 cannot be read.").arg(sector).arg(drive->letter));
        }
        if (t_sectorLost || (discEnd != CDIO_INVALID_LSN && sector >= discEnd)) lost.add(sector);
        if (!encoder.Write(samples, kFramesPerSector)) {
            encoder.Cancel();
            return Outcome::error(cAudioCDRipper::ErrEncode,
                                  "The file " + r.destination + " cannot be written: " + encoder.ErrorText());
        }
        ctx.progress(static_cast<qint32>((done + 1) * 100 / sectors));
    }
    if (ctx.aborted()) {
        encoder.Cancel();
        return Outcome::aborted();
    }
    if (cutInside) lost.add(discEnd);
    // A file with holes of silence or cut off is no rip of the track: it is not kept.
    if (lost.count() > 0) {
        encoder.Cancel();
        return Outcome::error(
            cAudioCDRipper::ErrRead,
            QStringLiteral(
                "Track %1 of the disc in %2 cannot be read whole: %3 of its %4 sectors are lost (%5).")
                .arg(r.track)
                .arg(drive->letter)
                .arg(lost.count())
                .arg(trackSectors)
                .arg(lost.text()));
    }
    if (!encoder.Finish())
        return Outcome::error(cAudioCDRipper::ErrEncode,
                              "The file " + r.destination + " cannot be finished: " + encoder.ErrorText());
    return Outcome::done();
}

} // namespace

cAudioCDRipper::cAudioCDRipper(QObject* parent) : QObject(parent) {
    connect(&m_worker, &Worker::progress, this, &cAudioCDRipper::Progress);
    connect(&m_worker, &Worker::done, this, &cAudioCDRipper::Done);
    connect(&m_worker, &Worker::aborted, this, &cAudioCDRipper::Aborted);
    connect(&m_worker, &Worker::error, this, &cAudioCDRipper::Error);
}

cAudioCDRipper::~cAudioCDRipper() = default;

void cAudioCDRipper::StartRip() {
    if (m_worker.isBusy()) {
        raiseError(ErrBusy, QStringLiteral("A track is being ripped already."));
        return;
    }
    RipRequest r;
    r.device = m_ripDevice;
    r.track = m_track;
    r.rangeStart = m_rangeStart;
    r.rangeLength = m_rangeLength;
    r.destination = m_destination;
    r.setup = m_setup;
    r.tags = m_tags;
    // The range holds for one rip only.
    m_rangeStart = -1;
    m_rangeLength = -1;
    m_worker.start([r](Worker::Context& ctx) { return rip(r, ctx); });
}

void cAudioCDRipper::Abort() {
    m_worker.abort();
}

void cAudioCDRipper::Close() {
    if (!m_worker.isBusy()) return;
    m_worker.abort();
    m_worker.waitForFinished();
}

qint32 cAudioCDRipper::DeviceCount() const {
    return DriveRegistry::instance().count();
}

QString cAudioCDRipper::DeviceName(qint32 drive) const {
    const std::optional<DriveInfo> d = DriveRegistry::instance().drive(drive);
    return d ? d->name : QString();
}

bool cAudioCDRipper::SelectDevice(qint32 drive) {
    const std::optional<DriveInfo> d = DriveRegistry::instance().drive(drive);
    if (!d) return false;
    m_device = drive;
    m_drive = *d;
    refreshDisc();
    return true;
}

void cAudioCDRipper::refreshDisc() {
    if (m_device < 0) {
        m_disc = DiscInfo{};
        return;
    }
    m_disc = DriveRegistry::instance().readDisc(m_drive);
    if (m_disc.kind != DiscKind::Unreadable) {
        m_reportedImages.remove(m_disc.image);
        return;
    }
    // The drive is polled every few seconds: tell about a bad image once, and
    // again only after it was replaced (or became readable in between).
    const qint64 stamp = QFileInfo(m_disc.image).lastModified().toMSecsSinceEpoch();
    const auto reported = m_reportedImages.constFind(m_disc.image);
    if (reported != m_reportedImages.cend() && *reported == stamp) return;
    m_reportedImages.insert(m_disc.image, stamp);
    QString where = m_disc.image.isEmpty() ? m_drive.name : m_disc.image;
    raiseError(ErrUnreadableDisc,
               "The disc in " + m_drive.letter + " cannot be read: " + m_disc.error + " (" + where + ")");
}

const DiscTrack* cAudioCDRipper::track(qint32 number) const {
    if (!m_disc.hasAudio() || number < 1 || number > m_disc.tracks.size()) return nullptr;
    return &m_disc.tracks[number - 1];
}

bool cAudioCDRipper::IsDiscIn() const {
    return m_disc.kind != DiscKind::NoDisc;
}

bool cAudioCDRipper::IsAudioCD() const {
    return m_disc.hasAudio();
}

qint32 cAudioCDRipper::TrackCount() const {
    return m_disc.hasAudio() ? static_cast<qint32>(m_disc.tracks.size()) : 0;
}

qint32 cAudioCDRipper::TrackType(qint32 number) const {
    const DiscTrack* t = track(number);
    return t && t->audio ? 1 : 0;
}

qint32 cAudioCDRipper::TrackLength(qint32 number) const {
    const DiscTrack* t = track(number);
    return t ? t->sectors / DriveRegistry::kSectorsPerSecond : 0;
}

qint32 cAudioCDRipper::TrackStart(qint32 number) const {
    const DiscTrack* t = track(number);
    return t ? t->startSector / DriveRegistry::kSectorsPerSecond : 0;
}

QString cAudioCDRipper::TrackPath(qint32 number) const {
    if (!track(number)) return QString();
    return DriveRegistry::trackPath(m_drive.letter, number);
}

void cAudioCDRipper::OpenTray() {
    if (m_device < 0) return;
    if (!DriveRegistry::instance().openTray(m_device))
        raiseError(ErrTray, "The tray of " + m_drive.letter + " cannot be opened.");
    refreshDisc();
}

void cAudioCDRipper::CloseTray() {
    if (m_device < 0) return;
    if (!DriveRegistry::instance().closeTray(m_device))
        raiseError(ErrTray, "The tray of " + m_drive.letter + " cannot be closed.");
    refreshDisc();
}

void cAudioCDRipper::raiseError(qint32 code, const QString& message) {
    QMetaObject::invokeMethod(
        this, [this, code, message] { emit Error(code, message); }, Qt::QueuedConnection);
}

} // namespace components
