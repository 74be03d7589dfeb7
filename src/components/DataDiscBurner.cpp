#include "components/DataDiscBurner.h"

#include "components/BurnLibrary.h"
#include "components/DriveClaim.h"
#include "components/IsofsLibrary.h"
#include "components/LibburnSupport.h"
#include "components/OutputFiles.h"
#include "components/Worker.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>

#include <libburn/libburn.h>
#include <libisofs/libisofs.h>

#include <chrono>
#include <mutex>
#include <thread>

namespace components {

namespace {

using Outcome = Worker::Outcome;
using burn::burn_disc;
using burn::burn_drive;
using burn::burn_drive_info;
using burn::burn_progress;
using burn::burn_session;
using burn::burn_source;
using burn::burn_track;
using burn::burn_write_opts;

constexpr qint64 kBlock = DriveRegistry::kDataSectorBytes;

// libisofs keeps process-wide state too: set up once, names taken as UTF-8
// whatever the locale says, since Qt hands them over as UTF-8.
bool isofsReady() {
    static std::once_flag once;
    static bool ready = false;
    std::call_once(once, [] {
        ready = LibisofsLoadError().isEmpty() && libisofs().iso_init_with_flag(1) >= 0;
        if (!ready) return;
        static char utf8[] = "UTF-8";
        libisofs().iso_set_local_charset(utf8, 0);
        static char queue[] = "NEVER";
        static char print[] = "NEVER";
        static char id[] = "corvane: ";
        libisofs().iso_set_msgs_severities(queue, print, id);
    });
    return ready;
}

QString isoError(int code) {
    const char* text = libisofs().iso_error_to_msg(code);
    return text ? QString::fromLocal8Bit(text) : QStringLiteral("error %1").arg(code);
}

struct ImageDeleter {
    void operator()(IsoImage* p) const { libisofs().iso_image_unref(p); }
};
struct IsoOptsDeleter {
    void operator()(IsoWriteOpts* p) const { libisofs().iso_write_opts_free(p); }
};
struct SourceDeleter {
    void operator()(burn_source* p) const { libburn().burn_source_free(p); }
};
struct DiscDeleter {
    void operator()(burn_disc* p) const { libburn().burn_disc_free(p); }
};
struct WriteOptsDeleter {
    void operator()(burn_write_opts* p) const { libburn().burn_write_opts_free(p); }
};

// One grabbed libburn drive, released on every path.
class Grab {
public:
    explicit Grab(const QString& address) {
        if (!libburnReady()) return;
        QByteArray a = QFile::encodeName(address);
        if (libburn().burn_drive_scan_and_grab(&m_info, a.data(), 1) > 0 && m_info) m_drive = m_info[0].drive;
    }
    ~Grab() {
        if (m_drive) libburn().burn_drive_release(m_drive, 0);
        if (m_info) libburn().burn_drive_info_free(m_info);
    }
    Grab(const Grab&) = delete;
    Grab& operator=(const Grab&) = delete;
    burn_drive* drive() const { return m_drive; }

private:
    burn_drive_info* m_info = nullptr;
    burn_drive* m_drive = nullptr;
};

// A virtual drive's disc as the data burner sees it: "" when blank and ready.
QString virtualState(const DriveInfo& drive, qint64* freeBytes) {
    DriveRegistry& reg = DriveRegistry::instance();
    *freeBytes = 0;
    const qint32 index = reg.indexOf(drive.letter);
    if (index >= 0 && reg.isTrayOpen(index)) return QStringLiteral("The tray is open.");
    const DiscInfo disc = reg.readDisc(drive);
    switch (disc.kind) {
    case DiscKind::Blank:
        *freeBytes = qint64(disc.capacitySectors) * kBlock;
        return {};
    case DiscKind::NoDisc:
        return QStringLiteral("There is no disc in the drive.");
    case DiscKind::Unreadable:
        return QStringLiteral("The disc in the drive cannot be read.");
    default:
        return QStringLiteral("The disc in the drive is not blank.");
    }
}

QString realState(AudioWriterSeam& writer, const DriveInfo& drive, qint64* freeBytes) {
    const AudioWriterSeam::Medium m = writer.medium(drive.device);
    *freeBytes = 0;
    switch (m.state) {
    case AudioWriterSeam::Medium::Blank:
        *freeBytes = m.freeSectors * kBlock;
        return {};
    case AudioWriterSeam::Medium::NoDisc:
        return QStringLiteral("There is no disc in the drive.");
    case AudioWriterSeam::Medium::Written:
        return QStringLiteral("The disc in the drive is not blank.");
    case AudioWriterSeam::Medium::Unsuitable:
        return QStringLiteral("The disc in the drive cannot take a data disc.");
    case AudioWriterSeam::Medium::Busy:
        return QStringLiteral("The writer is busy.");
    case AudioWriterSeam::Medium::Missing:
        if (!LibburnLoadError().isEmpty()) return m.detail;
        break;
    }
    return QStringLiteral("The writer cannot be reached.");
}

// A free image name in the folder: DataCD.iso, DataCD-2.iso, ...
QString freeImagePath(const QDir& dir) {
    for (int i = 1;; ++i) {
        const QString base =
            i == 1 ? QString::fromLatin1(DataDiscBurner::kImageBase)
                   : QStringLiteral("%1-%2").arg(QLatin1String(DataDiscBurner::kImageBase)).arg(i);
        const QString path = dir.filePath(base + QStringLiteral(".iso"));
        if (!QFileInfo::exists(path)) return path;
    }
}

// What a burn killed before this way of naming left: ".DataCD-<8 hex digits>.iso.part".
// The program folder holds one running copy, and no burn makes such names any
// more, so every one that is a regular file (never a link) is stale.
void removeOldPartialImages(const QDir& dir) {
    static const QRegularExpression re(QStringLiteral("^\\.DataCD-[0-9a-f]{8}\\.iso\\.part$"));
    for (const QFileInfo& entry : dir.entryInfoList(QDir::Files | QDir::Hidden | QDir::System)) {
        if (entry.isSymLink() || !entry.isFile() || !re.match(entry.fileName()).hasMatch()) continue;
        QFile::remove(entry.absoluteFilePath());
    }
}

// Volume names are at most 32 characters on the disc.
QByteArray volumeId(const QString& name) {
    QString v = name.trimmed();
    if (v.isEmpty()) v = QStringLiteral("CDROM");
    QByteArray out = v.toUtf8();
    while (out.size() > 32) {
        v.chop(1);
        out = v.toUtf8();
    }
    return out;
}

} // namespace

DataDiscBurner::DataDiscBurner(std::shared_ptr<AudioWriterSeam> writer, QObject* parent)
    : QObject(parent), m_writer(writer ? std::move(writer) : makeLibburnWriter()),
      m_worker(std::make_unique<Worker>()) {
    connect(m_worker.get(), &Worker::done, this, &DataDiscBurner::Finished);
    connect(m_worker.get(), &Worker::aborted, this, &DataDiscBurner::Cancelled);
    connect(m_worker.get(), &Worker::error, this, &DataDiscBurner::Failed);
}

DataDiscBurner::~DataDiscBurner() {
    // The worker goes first: its thread stops and its queued events are dropped.
    m_worker.reset();
}

std::optional<DriveInfo> DataDiscBurner::driveFor(const QString& drive) const {
    DriveRegistry& reg = DriveRegistry::instance();
    return reg.drive(reg.indexOf(drive));
}

QList<qint32> DataDiscBurner::writeSpeeds(const QString& drive) {
    const std::optional<DriveInfo> d = driveFor(drive);
    // An image is written as fast as the disk takes it: only "Max." applies.
    if (!d || d->isVirtual) return {};
    return m_writer->writeSpeeds(d->device);
}

bool DataDiscBurner::isDriveReady(const QString& drive) const {
    const std::optional<DriveInfo> d = driveFor(drive);
    if (!d) return false;
    if (d->isVirtual) {
        DriveRegistry& reg = DriveRegistry::instance();
        const qint32 index = reg.indexOf(d->letter);
        return index >= 0 && !reg.isTrayOpen(index) && reg.readDisc(*d).present();
    }
    const AudioWriterSeam::Medium::State s = m_writer->medium(d->device).state;
    return s != AudioWriterSeam::Medium::NoDisc && s != AudioWriterSeam::Medium::Missing &&
           s != AudioWriterSeam::Medium::Busy;
}

bool DataDiscBurner::isDiscEmpty(const QString& drive) const {
    return freeBytes(drive) > 0;
}

qint64 DataDiscBurner::freeBytes(const QString& drive) const {
    const std::optional<DriveInfo> d = driveFor(drive);
    if (!d) return 0;
    qint64 bytes = 0;
    const QString state = d->isVirtual ? virtualState(*d, &bytes) : realState(*m_writer, *d, &bytes);
    return state.isEmpty() ? bytes : 0;
}

bool DataDiscBurner::openTray(const QString& drive) {
    const std::optional<DriveInfo> d = driveFor(drive);
    if (!d) return false;
    if (d->isVirtual) return DriveRegistry::instance().openTray(DriveRegistry::instance().indexOf(d->letter));
    return m_writer->eject(d->device);
}

bool DataDiscBurner::closeTray(const QString& drive) {
    const std::optional<DriveInfo> d = driveFor(drive);
    if (!d) return false;
    if (d->isVirtual)
        return DriveRegistry::instance().closeTray(DriveRegistry::instance().indexOf(d->letter));
    return m_writer->load(d->device);
}

bool DataDiscBurner::librariesReady() {
    return isofsReady() && libburnReady();
}

QString DataDiscBurner::sizeText(qint64 bytes) {
    return QStringLiteral("%1 MB").arg(double(bytes) / (1024.0 * 1024.0), 0, 'f', 1);
}

bool DataDiscBurner::isBusy() const {
    return m_worker->isBusy();
}

void DataDiscBurner::abort() {
    m_worker->abort();
}

void DataDiscBurner::close() {
    if (m_worker->isBusy()) {
        m_worker->abort();
        m_worker->waitForFinished();
    }
}

void DataDiscBurner::waitForFinished() {
    m_worker->waitForFinished();
}

bool DataDiscBurner::burn(const QString& drive, const QStringList& files, const DataDiscLayout& layout,
                          qint32 speedKBs) {
    if (m_worker->isBusy()) return false;
    const std::optional<DriveInfo> target = driveFor(drive);
    const std::shared_ptr<AudioWriterSeam> writer = m_writer;

    auto job = [this, target, files, layout, writer, speedKBs](Worker::Context& ctx) -> Outcome {
        auto post = [this, &ctx](std::function<void(DataDiscBurner*)> fn) {
            ctx.post([this, fn] { fn(this); });
        };
        post([](DataDiscBurner* b) { emit b->Initializing(); });
        if (!target) return Outcome::error(ErrNoWriter, QStringLiteral("The writer does not exist."));
        if (files.isEmpty()) return Outcome::error(ErrNoFiles, QStringLiteral("There are no files to burn."));
        const DriveClaim claim(target->device);
        if (!claim.held()) return Outcome::error(ErrBusy, QStringLiteral("The writer is busy."));
        qint64 room = 0;
        const QString state =
            target->isVirtual ? virtualState(*target, &room) : realState(*writer, *target, &room);
        if (!state.isEmpty()) return Outcome::error(ErrNotReady, state);
        if (!LibisofsLoadError().isEmpty())
            return Outcome::error(ErrWrite,
                                  QStringLiteral("The disc image library libisofs could not be loaded (%1).")
                                      .arg(LibisofsLoadError()));
        if (!isofsReady()) return Outcome::error(ErrWrite, QStringLiteral("The image library cannot start."));

        // The image: every file in the root under its own name.
        IsoImage* raw = nullptr;
        const QByteArray volume = volumeId(layout.volumeName);
        int rc = libisofs().iso_image_new(volume.constData(), &raw);
        if (rc < 0) return Outcome::error(ErrWrite, isoError(rc));
        std::unique_ptr<IsoImage, ImageDeleter> image(raw);
        libisofs().iso_tree_set_follow_symlinks(image.get(), 0);
        const QByteArray publisher = layout.publisher.toUtf8();
        const QByteArray preparer = layout.preparer.toUtf8();
        const QByteArray application = layout.application.toUtf8();
        libisofs().iso_image_set_publisher_id(image.get(), publisher.constData());
        libisofs().iso_image_set_data_preparer_id(image.get(), preparer.constData());
        libisofs().iso_image_set_application_id(image.get(), application.constData());
        QSet<QString> names;
        for (const QString& file : files) {
            if (ctx.aborted()) return Outcome::aborted();
            post([file](DataDiscBurner* b) { emit b->AddingFile(file); });
            const QFileInfo info(file);
            const QString name = info.fileName();
            if (!info.isFile() || info.isSymLink())
                return Outcome::error(ErrSource, QStringLiteral("The file %1 cannot be found.").arg(name));
            if (names.contains(name))
                return Outcome::error(ErrSource,
                                      QStringLiteral("Two files are named %1; a disc holds one.").arg(name));
            names.insert(name);
            const QByteArray leaf = name.toUtf8();
            const QByteArray path = QFile::encodeName(info.absoluteFilePath());
            rc = libisofs().iso_tree_add_new_node(image.get(), libisofs().iso_image_get_root(image.get()),
                                                  leaf.constData(), path.constData(), nullptr);
            if (rc < 0)
                return Outcome::error(
                    ErrSource,
                    QStringLiteral("The file %1 cannot be put on the disc: %2").arg(name, isoError(rc)));
        }
        const qint32 count = qint32(files.size());
        post([count](DataDiscBurner* b) { emit b->FileCount(count, 0); });

        IsoWriteOpts* rawOpts = nullptr;
        rc = libisofs().iso_write_opts_new(&rawOpts, 2);
        if (rc < 0) return Outcome::error(ErrWrite, isoError(rc));
        std::unique_ptr<IsoWriteOpts, IsoOptsDeleter> isoOpts(rawOpts);
        libisofs().iso_write_opts_set_iso_level(isoOpts.get(), 3);
        libisofs().iso_write_opts_set_rockridge(isoOpts.get(), layout.rockRidge ? 1 : 0);
        libisofs().iso_write_opts_set_joliet(isoOpts.get(), layout.joliet ? 1 : 0);
        libisofs().iso_write_opts_set_joliet_long_names(isoOpts.get(), 1);
        libisofs().iso_write_opts_set_joliet_utf16(isoOpts.get(), 1);
        libisofs().iso_write_opts_set_relaxed_vol_atts(isoOpts.get(), 1);
        static char utf8[] = "UTF-8";
        libisofs().iso_write_opts_set_output_charset(isoOpts.get(), utf8);
        // libisofs names the C struct outside libburn's C++ namespace; it is the same struct.
        ::burn_source* made = nullptr;
        rc = libisofs().iso_image_create_burn_source(image.get(), isoOpts.get(), &made);
        burn_source* isoRaw = reinterpret_cast<burn_source*>(made);
        if (rc < 0 || !isoRaw) return Outcome::error(ErrWrite, isoError(rc));
        std::unique_ptr<burn_source, SourceDeleter> isoSource(isoRaw);
        // The image's maker thread runs until it has been read or cancelled.
        struct CancelOnExit {
            burn_source* s;
            bool done = false;
            ~CancelOnExit() {
                if (!done && s->version >= 1 && s->cancel) s->cancel(s);
            }
        } cancelOnExit{isoRaw};
        const qint64 total = qint64(isoRaw->get_size(isoRaw));
        if (total > room)
            return Outcome::error(ErrTooBig, QStringLiteral("The files need %1 but the disc holds only %2.")
                                                 .arg(sizeText(total), sizeText(room)));

        // The image grows under a hidden partial name no drive reads as a
        // disc, removed with this object unless it was renamed in the end;
        // what a killed burn left there is swept first.
        PartialFile part;
        if (target->isVirtual) {
            removeOldPartialImages(QDir(target->device));
            if (!part.Create(target->device, QStringLiteral("DataCD.iso")))
                return Outcome::error(
                    ErrWrite, QStringLiteral("The disc image cannot be created: %1").arg(part.ErrorText()));
        }
        const QString address = target->isVirtual ? QStringLiteral("stdio:") + part.Path() : target->device;

        libburnLastMessage(); // earlier news is not this burn's
        Grab grab(address);
        if (!grab.drive()) {
            const QString why = libburnLastMessage();
            return Outcome::error(ErrWrite,
                                  why.isEmpty() ? QStringLiteral("The writer cannot be opened.") : why);
        }
        burn_drive* d = grab.drive();
        if (libburn().burn_disc_get_status(d) != burn::BURN_DISC_BLANK)
            return Outcome::error(ErrNotReady, QStringLiteral("The disc in the drive is not blank."));

        std::unique_ptr<burn_source, SourceDeleter> fifo(
            libburn().burn_fifo_source_new(isoRaw, kBlock, 2048, 0));
        if (!fifo)
            return Outcome::error(ErrWrite, QStringLiteral("The image cannot be handed to the writer."));
        std::unique_ptr<burn_disc, DiscDeleter> disc(libburn().burn_disc_create());
        burn_session* session = libburn().burn_session_create();
        libburn().burn_disc_add_session(disc.get(), session, BURN_POS_END);
        burn_track* track = libburn().burn_track_create();
        libburn().burn_track_define_data(track, 0, 0, 0, BURN_MODE1);
        if (libburn().burn_track_set_source(track, fifo.get()) != burn::BURN_SOURCE_OK) {
            libburn().burn_track_free(track);
            libburn().burn_session_free(session);
            return Outcome::error(ErrWrite, QStringLiteral("The image cannot be handed to the writer."));
        }
        libburn().burn_session_add_track(session, track, BURN_POS_END);
        libburn().burn_track_free(track);
        libburn().burn_session_free(session); // the disc holds them

        std::unique_ptr<burn_write_opts, WriteOptsDeleter> opts(libburn().burn_write_opts_new(d));
        libburn().burn_write_opts_set_perform_opc(opts.get(), 0);
        libburn().burn_write_opts_set_multi(opts.get(), 0);
        char reasons[BURN_REASONS_LEN] = {};
        if (libburn().burn_write_opts_auto_write_type(opts.get(), disc.get(), reasons, 0) ==
            burn::BURN_WRITE_NONE) {
            QString why = QString::fromLocal8Bit(reasons).trimmed();
            return Outcome::error(ErrWrite, QStringLiteral("The writer refused the disc: %1").arg(why));
        }
        libburn().burn_drive_set_speed(d, 0, speedKBs > 0 ? speedKBs : 0);
        post([](DataDiscBurner* b) { emit b->WritingStarted(); });
        libburn().burn_disc_write(opts.get(), disc.get());

        bool cancelled = false;
        bool closing = false;
        qint32 lastPercent = -1;
        for (;;) {
            if (ctx.aborted() && !cancelled) {
                libburn().burn_drive_cancel(d);
                cancelled = true;
            }
            burn_progress p{};
            const burn::burn_drive_status st = libburn().burn_drive_get_status(d, &p);
            if (st == burn::BURN_DRIVE_IDLE) break;
            if (st == burn::BURN_DRIVE_WRITING && total > 0) {
                const qint32 percent =
                    qint32(qBound<qint64>(0, qint64(p.sector) * kBlock * 100 / total, qint64(99)));
                if (percent != lastPercent) {
                    lastPercent = percent;
                    post([percent](DataDiscBurner* b) { emit b->Progress(percent); });
                }
            }
            if (!closing && (st == burn::BURN_DRIVE_CLOSING_TRACK || st == burn::BURN_DRIVE_CLOSING_SESSION ||
                             st == burn::BURN_DRIVE_WRITING_LEADOUT)) {
                closing = true;
                post([](DataDiscBurner* b) { emit b->Closing(); });
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        const bool wroteWell = libburn().burn_drive_wrote_well(d) != 0;
        cancelOnExit.done = wroteWell && !cancelled;
        if (cancelled) return Outcome::aborted();
        if (!wroteWell) {
            const QString why = libburnLastMessage();
            return Outcome::error(
                ErrWrite, why.isEmpty() ? QStringLiteral("The writer reported a failed write.") : why);
        }
        post([](DataDiscBurner* b) { emit b->Progress(100); });
        if (!closing) post([](DataDiscBurner* b) { emit b->Closing(); });
        if (target->isVirtual) {
            // Never over an existing image: rename refuses to replace one.
            const QString image = freeImagePath(QDir(target->device));
            if (!part.Commit(image, false))
                return Outcome::error(
                    ErrWrite,
                    QStringLiteral("The disc image cannot be stored as %1: %2").arg(image, part.ErrorText()));
        }
        return Outcome::done();
    };
    return m_worker->start(job);
}

} // namespace components
