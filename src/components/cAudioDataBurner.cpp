#include "components/cAudioDataBurner.h"

#include <QFileInfo>

namespace components {

cAudioDataBurner::cAudioDataBurner(QObject* parent, std::shared_ptr<AudioWriterSeam> writer)
    : QObject(parent), m_engine(std::move(writer)) {
    connect(&m_engine, &DataDiscBurner::WritingStarted, this, &cAudioDataBurner::BurnStarted);
    connect(&m_engine, &DataDiscBurner::Progress, this,
            [this](qint32 percent) { emit BurnProgress(qint16(percent)); });
    connect(&m_engine, &DataDiscBurner::Closing, this, &cAudioDataBurner::ClosingSession);
    connect(&m_engine, &DataDiscBurner::Finished, this, &cAudioDataBurner::BurnFinished);
    connect(&m_engine, &DataDiscBurner::Cancelled, this,
            [this] { emit Error(DataDiscBurner::ErrAborted, QStringLiteral("The burn was aborted.")); });
    connect(&m_engine, &DataDiscBurner::Failed, this, &cAudioDataBurner::Error);
}

cAudioDataBurner::~cAudioDataBurner() = default;

qint32 cAudioDataBurner::DeviceCount() const {
    return DriveRegistry::instance().count();
}

QString cAudioDataBurner::DeviceName(qint32 writer) const {
    const std::optional<DriveInfo> d = DriveRegistry::instance().drive(writer - 1);
    return d ? d->name : QString();
}

qint32 cAudioDataBurner::WriteSpeedCount(const QString& drive) {
    m_speeds = m_engine.writeSpeeds(drive);
    return qint32(m_speeds.size());
}

qint32 cAudioDataBurner::WriteSpeed(qint32 number) const {
    return number >= 1 && number <= m_speeds.size() ? m_speeds.at(number - 1) : 0;
}

bool cAudioDataBurner::IsDriveReady(const QString& drive) const {
    return m_engine.isDriveReady(drive);
}

bool cAudioDataBurner::IsDiscEmpty(const QString& drive) const {
    return m_engine.isDiscEmpty(drive);
}

qint64 cAudioDataBurner::FreeBytes(const QString& drive) const {
    return m_engine.freeBytes(drive);
}

bool cAudioDataBurner::AddFile(const QString& path) {
    const QFileInfo info(path);
    if (!info.isFile() || info.isSymLink()) return false;
    for (const QString& f : m_files)
        if (QFileInfo(f).fileName() == info.fileName()) return false;
    m_files << info.absoluteFilePath();
    return true;
}

void cAudioDataBurner::BurnDisc(const QString& drive, qint32 speed) {
    const qint32 kbs = (speed <= 0 || speed >= kMaxSpeed) ? 0 : speed;
    DataDiscLayout layout = m_layout;
    layout.application = layout.publisher;
    if (!m_engine.burn(drive, m_files, layout, kbs))
        QMetaObject::invokeMethod(
            this, [this] { emit Error(DataDiscBurner::ErrBusy, QStringLiteral("The writer is busy.")); },
            Qt::QueuedConnection);
}

void cAudioDataBurner::Abort() {
    m_engine.abort();
}

bool cAudioDataBurner::isBurning() const {
    return m_engine.isBusy();
}

void cAudioDataBurner::waitForFinished() {
    m_engine.waitForFinished();
}

void cAudioDataBurner::OpenTray(const QString& drive) {
    m_engine.openTray(drive);
}

void cAudioDataBurner::CloseTray(const QString& drive) {
    m_engine.closeTray(drive);
}

void cAudioDataBurner::Close() {
    m_engine.close();
    m_speeds.clear();
}

} // namespace components
