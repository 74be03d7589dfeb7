#include "core/RipperItemJob.h"

namespace core {

using components::cAudioCDRipper;

RipperItemJob::RipperItemJob(cAudioCDRipper& ripper, QObject* parent) : ItemJob(parent), m_ripper(ripper) {
    connect(&m_ripper, &cAudioCDRipper::Progress, this, [this](qint32 percent) {
        if (m_ripping) emit Progress(percent);
    });
    connect(&m_ripper, &cAudioCDRipper::Done, this, [this] {
        m_ripping = false;
        emit Done();
    });
    connect(&m_ripper, &cAudioCDRipper::Aborted, this, [this] {
        m_ripping = false;
        emit Aborted();
    });
    connect(&m_ripper, &cAudioCDRipper::Error, this, [this](qint32 code, const QString& message) {
        if (!m_ripping) return;
        // A refused second start leaves the running rip to end on its own.
        if (code == cAudioCDRipper::ErrBusy) return;
        m_ripping = false;
        emit Error(code, message);
    });
}

void RipperItemJob::BeginRun(const OutputSettings& output) {
    ApplyOutputSettings(m_ripper, output);
}

void RipperItemJob::StartItem(const ItemRequest& item) {
    m_ripper.setTrack(item.row);
    ApplyTags(m_ripper, item.tags.value_or(ItemTags{}));
    if (item.ranged) {
        m_ripper.setRangeStart(item.rangeStart);
        m_ripper.setRangeLength(item.rangeLength);
    }
    m_ripper.setDestinationFile(item.destination);
    if (m_ripper.isRipping()) {
        // Cannot happen in a run (one item at a time); answered all the same.
        m_ripper.StartRip();
        return;
    }
    m_ripping = true;
    m_ripper.StartRip();
}

void RipperItemJob::Abort() {
    m_ripper.Abort();
}

void RipperItemJob::Close() {
    m_ripper.Close();
}

DiscCheck CheckAudioCD(cAudioCDRipper& ripper, qint32 device, const QString& drive) {
    if (!ripper.SelectDevice(device)) return {false, "Cannot select '" + drive + "\\' as an Audio CD."};
    if (!ripper.IsAudioCD()) return {false, "'" + drive + "\\' is not an Audio CD."};
    if (ripper.TrackCount() < 1) return {false, "'" + drive + "\\' has no CDA tracks."};
    return {true, "OK: " + QString::number(ripper.TrackCount()) + " CDA tracks"};
}

BatchPolicy RipperPolicy(std::function<cAudioCDRipper*()> ripper, std::function<qint32()> deviceIndex) {
    BatchPolicy p;
    p.markedRowsOnly = true;
    p.resetFinishedSecondsAtStart = true;
    p.tags = BatchPolicy::Tags::Short; // "[SOURCE_NAME]", "[ITEM_NAME]" and "[RANGE]" stay as written
    p.verb = QStringLiteral("rip");
    p.onRunStart = [ripper, deviceIndex] {
        if (cAudioCDRipper* r = ripper ? ripper() : nullptr)
            r->setDeviceIndex(deviceIndex ? deviceIndex() : 0);
    };
    p.extraEndSteps << ExtraEndStep{BOX_OPEN_CD_DRIVE, [ripper] {
                                        cAudioCDRipper* r = ripper ? ripper() : nullptr;
                                        if (!r) return;
                                        // The tray of the drive the run read from.
                                        if (r->selectedDevice() != r->DeviceIndex())
                                            r->SelectDevice(r->DeviceIndex());
                                        r->OpenTray();
                                    }};
    return p;
}

} // namespace core
