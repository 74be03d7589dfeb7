#include "components/DriveRegistry.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMutexLocker>
#include <QRegularExpression>
#include <QStorageInfo>

#include <limits>

namespace components {

namespace {

constexpr char kFirstLetter = 'D';
constexpr char kLastLetter = 'Z';

QString letterFor(int position) {
    return QString(QChar(kFirstLetter + position)) + ':';
}

// The first file of the folder whose suffix is `suffix` (any case), by name.
QString firstImage(const QDir& dir, const QString& suffix) {
    const QFileInfoList files =
        dir.entryInfoList(QDir::Files | QDir::Readable, QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo& f : files)
        if (f.suffix().compare(suffix, Qt::CaseInsensitive) == 0) return f.absoluteFilePath();
    return QString();
}

DiscInfo unreadable(const QString& image, const QString& why) {
    DiscInfo d;
    d.kind = DiscKind::Unreadable;
    d.image = image;
    d.error = why;
    return d;
}

DiscInfo readIso(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return unreadable(path, QStringLiteral("The disc image cannot be opened."));
    const qint64 size = file.size();
    // The primary volume descriptor sits in sector 16: type 1, then "CD001".
    constexpr qint64 kDescriptor = 16 * DriveRegistry::kDataSectorBytes;
    QByteArray head;
    if (file.seek(kDescriptor)) head = file.read(6);
    if (head.size() != 6 || head.at(0) != 1 || head.mid(1) != "CD001")
        return unreadable(path, QStringLiteral("The disc image is no ISO 9660 image."));
    DiscInfo d;
    d.kind = DiscKind::Data;
    d.image = path;
    const auto sectors = static_cast<qint32>(
        qMin<qint64>((size + DriveRegistry::kDataSectorBytes - 1) / DriveRegistry::kDataSectorBytes,
                     std::numeric_limits<qint32>::max()));
    d.tracks = {DiscTrack{1, 0, sectors, false}};
    d.usedSectors = sectors;
    d.capacitySectors = sectors;
    return d;
}

} // namespace

DriveRegistry& DriveRegistry::instance() {
    static DriveRegistry registry;
    return registry;
}

// libcdio is loaded (and its messages routed to the log) when first asked.
DriveRegistry::DriveRegistry() = default;

bool DriveRegistry::realDrivesAllowed() {
    return !qEnvironmentVariableIsSet("CORVANE_NO_REAL_DRIVES");
}

QStringList DriveRegistry::realDevices() {
    {
        QMutexLocker lock(&m_mutex);
        if (!m_testDevices.isEmpty()) return m_testDevices;
    }
    if (!realDrivesAllowed()) return {};
    QMutexLocker lock(&m_mutex);
    if (!m_realScanned) {
        m_realScanned = true;
        m_realDevices.clear();
        // Lists the drives only; no disc is read here.
        if (char** list = libcdio().cdio_get_devices(DRIVER_DEVICE)) {
            for (char** p = list; *p; ++p) {
                const QString device = QFileInfo(QString::fromLocal8Bit(*p)).canonicalFilePath();
                const QString name = device.isEmpty() ? QString::fromLocal8Bit(*p) : device;
                if (!m_realDevices.contains(name)) m_realDevices << name;
            }
            libcdio().cdio_free_device_list(list);
        }
    }
    return m_realDevices;
}

void DriveRegistry::rescanRealDrives() {
    {
        QMutexLocker lock(&m_mutex);
        m_realScanned = false;
    }
    realDevices();
}

void DriveRegistry::setRealDevicesForTesting(const QStringList& devices) {
    QMutexLocker lock(&m_mutex);
    m_testDevices = devices;
}

QList<DriveInfo> DriveRegistry::drives() {
    QList<DriveInfo> out;
    const int maxDrives = kLastLetter - kFirstLetter + 1;
    for (const QString& device : realDevices()) {
        if (out.size() >= maxDrives) break;
        DriveInfo d;
        d.letter = letterFor(static_cast<int>(out.size()));
        d.name = d.letter + " CD drive (" + device + ")";
        d.device = device;
        out << d;
    }
    const QStringList folders = qEnvironmentVariable("CORVANE_VIRTUAL_DRIVES").split(':', Qt::SkipEmptyParts);
    for (const QString& entry : folders) {
        if (out.size() >= maxDrives) break;
        if (entry.trimmed().isEmpty()) continue;
        const QString folder = QDir::cleanPath(QDir(entry.trimmed()).absolutePath());
        DriveInfo d;
        d.letter = letterFor(static_cast<int>(out.size()));
        d.name = d.letter + " Virtual drive (" + folder + ")";
        d.device = folder;
        d.isVirtual = true;
        out << d;
    }
    return out;
}

qint32 DriveRegistry::count() {
    return static_cast<qint32>(drives().size());
}

std::optional<DriveInfo> DriveRegistry::drive(qint32 index) {
    const QList<DriveInfo> all = drives();
    if (index < 0 || index >= all.size()) return std::nullopt;
    return all.at(index);
}

qint32 DriveRegistry::indexOf(const QString& driveOrPath) {
    const QString text = driveOrPath.trimmed();
    if (text.isEmpty()) return -1;
    const QString letter = text.left(1).toUpper() + ':';
    if (text.size() >= 2 && text.at(1) != ':') return -1;
    const QList<DriveInfo> all = drives();
    for (qsizetype i = 0; i < all.size(); ++i)
        if (all[i].letter == letter) return static_cast<qint32>(i);
    return -1;
}

DiscInfo DriveRegistry::readDisc(qint32 index) {
    const std::optional<DriveInfo> d = drive(index);
    if (!d) return DiscInfo{};
    return readDisc(*d);
}

DiscInfo DriveRegistry::readDisc(const DriveInfo& drive) {
    {
        QMutexLocker lock(&m_mutex);
        if (trayOpenLocked(drive)) return DiscInfo{};
    }
    if (drive.isVirtual) return readVirtualDisc(drive.device);
    const QByteArray device = QFile::encodeName(drive.device);
    CdioHandle cdio(libcdio().cdio_open(device.constData(), DRIVER_DEVICE));
    if (!cdio) return DiscInfo{};
    DiscInfo disc = readCdio(cdio.get());
    // A real drive that answers no table of contents holds no readable disc.
    if (disc.kind == DiscKind::Unreadable) return DiscInfo{};
    return disc;
}

DiscInfo DriveRegistry::readVirtualDisc(const QString& folder) {
    const QDir dir(folder);
    if (!dir.exists()) return DiscInfo{};
    const QString cue = firstImage(dir, QStringLiteral("cue"));
    if (!cue.isEmpty()) {
        const QByteArray path = QFile::encodeName(cue);
        CdioHandle cdio(libcdio().cdio_open(path.constData(), DRIVER_BINCUE));
        if (!cdio)
            return unreadable(cue, LibcdioLoadError().isEmpty()
                                       ? QStringLiteral("The disc image cannot be read.")
                                       : QStringLiteral("The CD library libcdio could not be loaded (%1).")
                                             .arg(LibcdioLoadError()));
        DiscInfo disc = readCdio(cdio.get());
        disc.image = cue;
        return disc;
    }
    const QString iso = firstImage(dir, QStringLiteral("iso"));
    if (!iso.isEmpty()) return readIso(iso);
    DiscInfo blank;
    blank.kind = DiscKind::Blank;
    blank.capacitySectors = kBlankDiscSectors;
    return blank;
}

DiscInfo DriveRegistry::readCdio(CdIo_t* cdio) {
    const track_t first = libcdio().cdio_get_first_track_num(cdio);
    const track_t count = libcdio().cdio_get_num_tracks(cdio);
    if (first == CDIO_INVALID_TRACK || count == CDIO_INVALID_TRACK || count == 0)
        return unreadable(QString(), QStringLiteral("The disc has no table of contents."));
    const lsn_t leadout = libcdio().cdio_get_track_lsn(cdio, CDIO_CDROM_LEADOUT_TRACK);
    DiscInfo disc;
    int audio = 0;
    int data = 0;
    for (int t = first; t < first + count; ++t) {
        const auto track = static_cast<track_t>(t);
        const lsn_t start = libcdio().cdio_get_track_lsn(cdio, track);
        const lsn_t end = (t + 1 < first + count)
                              ? libcdio().cdio_get_track_lsn(cdio, static_cast<track_t>(t + 1))
                              : leadout;
        // A table that runs backwards (a cut-off image) cannot be trusted.
        if (start == CDIO_INVALID_LSN || end == CDIO_INVALID_LSN || start < 0 || end <= start)
            return unreadable(QString(), QStringLiteral("The disc image is damaged or incomplete."));
        DiscTrack tr;
        tr.number = t - first + 1;
        tr.startSector = start;
        tr.sectors = end - start;
        tr.audio = libcdio().cdio_get_track_format(cdio, track) == TRACK_FORMAT_AUDIO;
        (tr.audio ? audio : data)++;
        disc.tracks << tr;
    }
    disc.kind = audio == 0 ? DiscKind::Data : data == 0 ? DiscKind::Audio : DiscKind::Mixed;
    disc.usedSectors = leadout;
    disc.capacitySectors = leadout;
    return disc;
}

CdioHandle DriveRegistry::openDisc(qint32 index) {
    const std::optional<DriveInfo> d = drive(index);
    if (!d) return nullptr;
    const DiscInfo disc = readDisc(*d);
    if (disc.tracks.isEmpty() || disc.kind == DiscKind::Unreadable) return nullptr;
    if (d->isVirtual) {
        if (!disc.image.endsWith(QLatin1String(".cue"), Qt::CaseInsensitive)) return nullptr;
        const QByteArray path = QFile::encodeName(disc.image);
        return CdioHandle(libcdio().cdio_open(path.constData(), DRIVER_BINCUE));
    }
    const QByteArray device = QFile::encodeName(d->device);
    return CdioHandle(libcdio().cdio_open(device.constData(), DRIVER_DEVICE));
}

bool DriveRegistry::isTrayOpen(qint32 index) {
    const std::optional<DriveInfo> d = drive(index);
    if (!d) return false;
    QMutexLocker lock(&m_mutex);
    return trayOpenLocked(*d);
}

bool DriveRegistry::trayOpenLocked(const DriveInfo& drive) {
    const auto it = m_openTrays.constFind(drive.device);
    if (it == m_openTrays.constEnd()) return false;
    if (!drive.isVirtual || qEnvironmentVariableIsSet("CORVANE_KEEP_TRAYS_OPEN")) return true;
    if (nowMsLocked() - it.value() < kVirtualTrayCloseMs) return true;
    m_openTrays.erase(it);
    return false;
}

qint64 DriveRegistry::nowMsLocked() const {
    if (m_clock) return m_clock();
    static const QElapsedTimer started = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return started.elapsed();
}

void DriveRegistry::setClockForTesting(std::function<qint64()> clock) {
    QMutexLocker lock(&m_mutex);
    m_clock = std::move(clock);
}

bool DriveRegistry::openTray(qint32 index) {
    const std::optional<DriveInfo> d = drive(index);
    if (!d) return false;
    if (!d->isVirtual) {
        const QByteArray device = QFile::encodeName(d->device);
        if (libcdio().cdio_eject_media_drive(device.constData()) != DRIVER_OP_SUCCESS) return false;
    }
    QMutexLocker lock(&m_mutex);
    m_openTrays.insert(d->device, nowMsLocked());
    return true;
}

bool DriveRegistry::closeTray(qint32 index) {
    const std::optional<DriveInfo> d = drive(index);
    if (!d) return false;
    if (!d->isVirtual) {
        const QByteArray device = QFile::encodeName(d->device);
        driver_id_t driver = DRIVER_DEVICE;
        if (libcdio().cdio_close_tray(device.constData(), &driver) != DRIVER_OP_SUCCESS) return false;
    }
    QMutexLocker lock(&m_mutex);
    m_openTrays.remove(d->device);
    return true;
}

QString DriveRegistry::trackPath(const QString& letter, qint32 track) {
    const QString drive = letter.left(1).toUpper() + ':';
    return drive + QStringLiteral("/Track") + QStringLiteral("%1").arg(track, 2, 10, QChar('0')) +
           QStringLiteral(".cda");
}

bool DriveRegistry::parseTrackPath(const QString& path, QString* letter, qint32* track) {
    static const QRegularExpression re(QStringLiteral("^([A-Za-z]):[/\\\\]Track(\\d+)\\.cda$"),
                                       QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = re.match(path.trimmed());
    if (!m.hasMatch()) return false;
    bool ok = false;
    const qint32 n = m.captured(2).toInt(&ok);
    if (!ok || n < 1) return false;
    if (letter) *letter = m.captured(1).toUpper() + ':';
    if (track) *track = n;
    return true;
}

QString DriveRegistry::localPath(const QString& drivePath) {
    if (drivePath.size() < 2 || drivePath.at(1) != QLatin1Char(':')) return drivePath;
    DriveRegistry& registry = instance();
    const qint32 index = registry.indexOf(drivePath.left(2));
    if (index < 0) return drivePath;
    const std::optional<DriveInfo> info = registry.drive(index);
    if (!info) return drivePath;
    QString root;
    if (info->isVirtual) {
        root = info->device;
    } else {
        for (const QStorageInfo& volume : QStorageInfo::mountedVolumes())
            if (QString::fromLocal8Bit(volume.device()) == info->device) root = volume.rootPath();
    }
    if (root.isEmpty()) return drivePath;
    QString rest = drivePath.mid(2);
    while (rest.startsWith(QLatin1Char('/')) || rest.startsWith(QLatin1Char('\\')))
        rest.remove(0, 1);
    return rest.isEmpty() ? root : QDir(root).filePath(rest);
}

} // namespace components
