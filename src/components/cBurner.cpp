#include "components/cBurner.h"

#include <QFileInfo>
#include <QMetaObject>

namespace components {

namespace {
std::optional<bool>& installedAnswer() {
    static std::optional<bool> answer;
    return answer;
}
} // namespace

cBurner::cBurner(QObject* parent, std::shared_ptr<AudioWriterSeam> writer)
    : QObject(parent), m_engine(std::move(writer)) {
    connect(&m_engine, &DataDiscBurner::Initializing, this, &cBurner::BurnerInitializing);
    connect(&m_engine, &DataDiscBurner::AddingFile, this, &cBurner::BurnerAddingFile);
    connect(&m_engine, &DataDiscBurner::FileCount, this, &cBurner::BurnerFileCount);
    connect(&m_engine, &DataDiscBurner::WritingStarted, this, &cBurner::StartBurning);
    connect(&m_engine, &DataDiscBurner::Progress, this, &cBurner::BurnerProgress);
    connect(&m_engine, &DataDiscBurner::Closing, this, &cBurner::BurnerFinalization);
    connect(&m_engine, &DataDiscBurner::Finished, this, [this] {
        emit BurnerCompleted();
        emit BurnerDoneBurn();
        emit BurnerEnd();
    });
    connect(&m_engine, &DataDiscBurner::Cancelled, this, [this] {
        emit BurnerCanceled();
        emit BurnerError(QString::number(DataDiscBurner::ErrAborted),
                         QStringLiteral("The burn was aborted."));
    });
    connect(&m_engine, &DataDiscBurner::Failed, this, [this](qint32 code, const QString& message) {
        emit BurnerError(QString::number(code), message);
    });
}

cBurner::~cBurner() = default;

bool cBurner::IsInstalled() {
    if (installedAnswer()) return *installedAnswer();
    return DataDiscBurner::librariesReady();
}

void cBurner::SetInstalledForTesting(std::optional<bool> answer) {
    installedAnswer() = answer;
}

qint32 cBurner::DeviceCount() const {
    return DriveRegistry::instance().count();
}

QString cBurner::DevicePath(qint32 recorder) const {
    const std::optional<DriveInfo> d = DriveRegistry::instance().drive(recorder);
    return d ? d->letter : QString();
}

QString cBurner::DeviceName(qint32 recorder) const {
    const std::optional<DriveInfo> d = DriveRegistry::instance().drive(recorder);
    if (!d) return QString();
    QString name = d->name;
    if (name.startsWith(d->letter)) name = name.mid(d->letter.size()).trimmed();
    return name;
}

void cBurner::ClearFiles() {
    m_files.clear();
    m_iso = m_joliet = m_udf = false;
    m_volumeName.clear();
}

bool cBurner::AddFile(const QString& path) {
    const QFileInfo info(path);
    if (!info.isFile() || info.isSymLink()) return false;
    for (const QString& f : m_files)
        if (QFileInfo(f).fileName() == info.fileName()) return false;
    m_files << info.absoluteFilePath();
    return true;
}

void cBurner::BurnDisc(qint32 recorder) {
    DataDiscLayout layout;
    layout.volumeName = m_volumeName;
    layout.publisher = layout.preparer = layout.application = m_publisher;
    const bool fallback = !m_iso && !m_joliet;
    layout.rockRidge = m_iso;
    layout.joliet = m_joliet || fallback;
    QString note;
    if (m_udf)
        note = fallback ? QStringLiteral("UDF cannot be written: the disc gets ISO 9660 and Joliet instead.")
                        : QStringLiteral("UDF cannot be written: the disc gets the other file systems only.");
    if (!note.isEmpty())
        QMetaObject::invokeMethod(
            this, [this, note] { emit BurnerNote(note); }, Qt::QueuedConnection);
    const std::optional<DriveInfo> d = DriveRegistry::instance().drive(recorder);
    const QString drive = d ? d->letter : QStringLiteral("?");
    if (!m_engine.burn(drive, m_files, layout, 0))
        QMetaObject::invokeMethod(
            this,
            [this] {
                emit BurnerError(QString::number(DataDiscBurner::ErrBusy),
                                 QStringLiteral("The writer is busy."));
            },
            Qt::QueuedConnection);
}

void cBurner::Abort() {
    m_engine.abort();
}

bool cBurner::isBurning() const {
    return m_engine.isBusy();
}

void cBurner::waitForFinished() {
    m_engine.waitForFinished();
}

void cBurner::Close() {
    m_engine.close();
}

} // namespace components
