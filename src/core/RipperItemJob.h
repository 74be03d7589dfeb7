// The ripper as the batch run sees it: one item is one track of the disc (the
// item's row number), ripped through cAudioCDRipper, and the ripper window's
// differences from the Audio Converter's run as a policy.
#pragma once

#include "components/cAudioCDRipper.h"
#include "core/BatchRun.h"
#include "core/ItemJob.h"

#include <functional>

namespace core {

class RipperItemJob : public ItemJob {
    Q_OBJECT
public:
    // The ripper stays the caller's; it must outlive the job.
    explicit RipperItemJob(components::cAudioCDRipper& ripper, QObject* parent = nullptr);

    components::cAudioCDRipper& Ripper() { return m_ripper; }

    // OutputFormat and the one settings call of that format.
    void BeginRun(const OutputSettings& output) override;
    // Track := the item's row, the seven tags in their order, the range for a
    // partial row, DestinationFile, StartRip.
    void StartItem(const ItemRequest& item) override;
    void Abort() override;
    void Close() override;

private:
    components::cAudioCDRipper& m_ripper;
    // The ripper's Error also reports drive problems met outside a rip (a
    // disc check, the tray); only those of a rip reach the run.
    bool m_ripping = false;
};

// The disc check of the CD windows' source drive: select the drive, then
// whether it holds an audio CD with tracks. `drive` is how the window names
// it ("E:"). The text is what the status label shows.
struct DiscCheck {
    bool ok = false;
    QString text;
};
DiscCheck CheckAudioCD(components::cAudioCDRipper& ripper, qint32 device, const QString& drive);

// The ripper window's run: every row handed over with its mark and only the
// marked ones ripped, "rip" in the log, finished seconds counted from 0 at
// each start, the drive chosen at the start, and "Eject the CD door"
// (box "chkOpenCDdrive") among the end-of-job events, before the turn-off.
// `ripper` gives the component the run uses; `deviceIndex` the drive chosen in the window.
BatchPolicy RipperPolicy(std::function<components::cAudioCDRipper*()> ripper,
                         std::function<qint32()> deviceIndex);

} // namespace core
