#include "components/cAudioCDRipper.h"

#include <QFileInfo>
#include <QMetaObject>

namespace components {

cAudioCDRipper::cAudioCDRipper(QObject* parent) : QObject(parent) {}

cAudioCDRipper::~cAudioCDRipper() = default;

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
