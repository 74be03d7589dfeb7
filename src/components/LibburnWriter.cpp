// The real CD writer behind AudioWriterSeam: libburn, track-at-once audio.
#include "components/AudioWriterSeam.h"
#include "components/BurnLibrary.h"
#include "components/LibburnSupport.h"

#include <QByteArray>
#include <QFile>
#include <QMutex>
#include <QMutexLocker>

#include <libburn/libburn.h>

// The C++ face of libburn.h puts everything into this namespace.
using namespace burn;

#include <algorithm>
#include <chrono>
#include <limits>
#include <mutex>
#include <thread>
#include <vector>

namespace components {

// libburn keeps process-wide state: initialised once, never shut down while
// the program runs (a drive may still be released at exit).
bool libburnReady() {
    static std::once_flag once;
    static bool ready = false;
    std::call_once(once, [] {
        ready = libburn().burn_initialize() != 0;
        if (!ready) return;
        // Qt owns the signals; libburn must not exit the program on its own.
        libburn().burn_set_signal_handling(nullptr, nullptr, 1);
        // Messages are collected for the error texts, never printed.
        static char queue[] = "SORRY";
        static char print[] = "NEVER";
        static char id[] = "corvane: ";
        libburn().burn_msgs_set_severities(queue, print, id);
    });
    return ready;
}

QString libburnLastMessage() {
    const QString missing = LibburnLoadError();
    if (!missing.isEmpty())
        return QStringLiteral("The CD writing library libburn could not be loaded (%1).").arg(missing);
    static char minimum[] = "ALL";
    QString last;
    char text[BURN_MSGS_MESSAGE_LEN];
    char severity[80];
    int code = 0;
    int osErrno = 0;
    while (libburn().burn_msgs_obtain(minimum, &code, text, &osErrno, severity) > 0)
        last = QString::fromLocal8Bit(text).trimmed();
    return last;
}

namespace {

QString lastMessage() {
    return libburnLastMessage();
}

// One grabbed drive, released on every path.
class Grab {
public:
    explicit Grab(const QString& device, bool load = true) {
        if (!libburnReady()) return;
        QByteArray address = QFile::encodeName(device);
        if (libburn().burn_drive_scan_and_grab(&m_info, address.data(), load ? 1 : 0) > 0 && m_info)
            m_drive = m_info[0].drive;
    }
    ~Grab() { release(false); }
    Grab(const Grab&) = delete;
    Grab& operator=(const Grab&) = delete;

    burn_drive* drive() const { return m_drive; }
    void release(bool eject) {
        if (m_drive) libburn().burn_drive_release(m_drive, eject ? 1 : 0);
        m_drive = nullptr;
        if (m_info) libburn().burn_drive_info_free(m_info);
        m_info = nullptr;
    }

private:
    burn_drive_info* m_info = nullptr;
    burn_drive* m_drive = nullptr;
};

struct DiscDeleter {
    void operator()(burn_disc* d) const { libburn().burn_disc_free(d); }
};
struct OptsDeleter {
    void operator()(burn_write_opts* o) const { libburn().burn_write_opts_free(o); }
};

class LibburnWriter final : public AudioWriterSeam {
public:
    ~LibburnWriter() override {
        // A write still running is stopped before its drive is let go.
        if (m_grab && m_grab->drive()) {
            libburn().burn_drive_cancel(m_grab->drive());
            burn_progress p;
            while (libburn().burn_drive_get_status(m_grab->drive(), &p) != BURN_DRIVE_IDLE)
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        m_grab.reset();
        m_disc.reset();
    }

    QList<qint32> writeSpeeds(const QString& device) override {
        QMutexLocker lock(&m_mutex);
        if (m_grab) return {};
        Grab g(device);
        if (!g.drive()) return {};
        QList<qint32> out;
        burn_speed_descriptor* list = nullptr;
        if (libburn().burn_drive_get_speedlist(g.drive(), &list) > 0 && list) {
            for (burn_speed_descriptor* s = list; s; s = s->next)
                if (s->write_speed > 0 && !out.contains(s->write_speed)) out << s->write_speed;
            libburn().burn_drive_free_speedlist(&list);
        }
        std::sort(out.begin(), out.end());
        return out;
    }

    Medium medium(const QString& device) override {
        Medium m;
        // Never waits behind a burn that is being set up.
        std::unique_lock<QMutex> lock(m_mutex, std::try_to_lock);
        if (!lock.owns_lock() || m_grab) {
            m.state = Medium::Busy;
            return m;
        }
        Grab g(device);
        if (!g.drive()) {
            m.state = Medium::Missing;
            m.detail = lastMessage();
            return m;
        }
        switch (libburn().burn_disc_get_status(g.drive())) {
        case BURN_DISC_EMPTY:
            m.state = Medium::NoDisc;
            break;
        case BURN_DISC_BLANK:
            m.state = Medium::Blank;
            break;
        case BURN_DISC_APPENDABLE:
        case BURN_DISC_FULL:
            m.state = Medium::Written;
            break;
        default:
            m.state = Medium::Unsuitable;
            break;
        }
        std::unique_ptr<burn_write_opts, OptsDeleter> opts(libburn().burn_write_opts_new(g.drive()));
        const off_t space = libburn().burn_disc_available_space(g.drive(), opts.get());
        m.freeSectors = space > 0 ? qint64(space) / 2048 : 0;
        int startLba = 0;
        int nextLba = 0;
        if (libburn().burn_disc_track_lba_nwa(g.drive(), opts.get(), 0, &startLba, &nextLba) > 0 &&
            nextLba > 0)
            m.totalSectors = m.freeSectors + nextLba;
        else
            m.totalSectors = m.freeSectors;
        return m;
    }

    bool startAudio(const QString& device, const QList<Track>& tracks, qint32 speedKBs, bool underrunProof,
                    QString* error) override {
        QMutexLocker lock(&m_mutex);
        lastMessage(); // earlier news is not this burn's
        if (m_grab) return fail(error, QStringLiteral("The writer is busy."));
        m_grab = std::make_unique<Grab>(device);
        if (!m_grab->drive()) {
            const QString why = lastMessage();
            m_grab.reset();
            return fail(error, why.isEmpty() ? QStringLiteral("The writer cannot be opened.") : why);
        }
        burn_drive* d = m_grab->drive();
        if (libburn().burn_disc_get_status(d) != BURN_DISC_BLANK) {
            m_grab.reset();
            return fail(error, QStringLiteral("The disc in the writer is not blank."));
        }
        m_disc.reset(libburn().burn_disc_create());
        burn_session* session = libburn().burn_session_create();
        libburn().burn_disc_add_session(m_disc.get(), session, BURN_POS_END);
        for (const Track& t : tracks) {
            burn_track* track = libburn().burn_track_create();
            libburn().burn_track_define_data(track, 0, 0, 1, BURN_AUDIO);
            const QByteArray path = QFile::encodeName(t.pcmFile);
            burn_source* src = libburn().burn_file_source_new(path.constData(), nullptr);
            if (!src || libburn().burn_track_set_source(track, src) != BURN_SOURCE_OK) {
                if (src) libburn().burn_source_free(src);
                libburn().burn_track_free(track);
                libburn().burn_session_free(session);
                m_disc.reset();
                m_grab.reset();
                return fail(error, QStringLiteral("A track cannot be handed to the writer."));
            }
            libburn().burn_source_free(src); // the track holds its own reference
            libburn().burn_session_add_track(session, track, BURN_POS_END);
            libburn().burn_track_free(track);
        }
        libburn().burn_session_free(session); // the disc holds it
        m_trackSectors.clear();
        for (const Track& t : tracks)
            m_trackSectors.push_back((t.bytes + 2351) / 2352);

        std::unique_ptr<burn_write_opts, OptsDeleter> opts(libburn().burn_write_opts_new(d));
        // Track-at-once; libburn takes each track's block layout from its mode
        // (audio here), the session's block type being the usual MODE1.
        libburn().burn_write_opts_set_write_type(opts.get(), BURN_WRITE_TAO, BURN_BLOCK_MODE1);
        libburn().burn_write_opts_set_perform_opc(opts.get(), 0);
        libburn().burn_write_opts_set_multi(opts.get(), 0);
        libburn().burn_write_opts_set_underrun_proof(opts.get(), underrunProof ? 1 : 0);
        char reasons[BURN_REASONS_LEN] = {};
        if (libburn().burn_precheck_write(opts.get(), m_disc.get(), reasons, 0) <= 0) {
            m_disc.reset();
            m_grab.reset();
            lastMessage();
            QString why = QString::fromLocal8Bit(reasons).trimmed();
            while (why.endsWith(QLatin1Char(',')))
                why.chop(1);
            return fail(error, QStringLiteral("The writer refused the audio tracks: %1.").arg(why));
        }
        libburn().burn_drive_set_speed(d, 0, speedKBs > 0 ? speedKBs : 0);
        libburn().burn_disc_write(opts.get(), m_disc.get());
        m_started = true;
        return true;
    }

    Status poll() override {
        Status s;
        if (!m_grab || !m_grab->drive() || !m_started) return s;
        if (m_polled) std::this_thread::sleep_for(std::chrono::milliseconds(100));
        m_polled = true;
        burn_progress p{};
        const burn_drive_status st = libburn().burn_drive_get_status(m_grab->drive(), &p);
        s.track = p.track;
        s.sector = p.sector;
        s.sectors = p.sectors;
        if (s.sectors <= 0 && p.track >= 0 && size_t(p.track) < m_trackSectors.size())
            s.sectors = m_trackSectors[size_t(p.track)];
        switch (st) {
        case BURN_DRIVE_IDLE:
            s.phase = Status::Idle;
            break;
        case BURN_DRIVE_SPAWNING:
        case BURN_DRIVE_GRABBING:
        case BURN_DRIVE_WRITING_LEADIN:
        case BURN_DRIVE_WRITING_PREGAP:
            s.phase = Status::Starting;
            break;
        case BURN_DRIVE_CLOSING_TRACK:
            s.phase = Status::ClosingTrack;
            break;
        case BURN_DRIVE_CLOSING_SESSION:
        case BURN_DRIVE_WRITING_LEADOUT:
            s.phase = Status::ClosingSession;
            break;
        default:
            s.phase = Status::Writing;
            break;
        }
        return s;
    }

    void cancel() override {
        if (m_grab && m_grab->drive() && m_started) libburn().burn_drive_cancel(m_grab->drive());
    }

    bool finish(QString* error) override {
        QMutexLocker lock(&m_mutex);
        bool ok = false;
        if (m_grab && m_grab->drive() && m_started) {
            ok = libburn().burn_drive_wrote_well(m_grab->drive()) != 0;
            if (!ok) {
                const QString why = lastMessage();
                fail(error, why.isEmpty() ? QStringLiteral("The writer reported a failed write.") : why);
            }
        }
        m_started = false;
        m_polled = false;
        m_disc.reset();
        m_grab.reset();
        return ok;
    }

    bool eject(const QString& device) override {
        QMutexLocker lock(&m_mutex);
        if (m_grab) return false;
        Grab g(device, false);
        if (!g.drive()) return false;
        g.release(true);
        return true;
    }

    bool load(const QString& device) override {
        QMutexLocker lock(&m_mutex);
        if (m_grab) return false;
        Grab g(device, true); // grabbing with "load" closes the tray
        return g.drive() != nullptr;
    }

private:
    static bool fail(QString* error, const QString& text) {
        if (error) *error = text;
        return false;
    }

    QMutex m_mutex;
    std::unique_ptr<Grab> m_grab;
    std::unique_ptr<burn_disc, DiscDeleter> m_disc;
    std::vector<qint64> m_trackSectors;
    bool m_started = false;
    bool m_polled = false;
};

} // namespace

std::shared_ptr<AudioWriterSeam> makeLibburnWriter() {
    return std::make_shared<LibburnWriter>();
}

} // namespace components
