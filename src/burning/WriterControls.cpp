#include "burning/WriterControls.h"

#include "components/cAudioBurner.h"
#include "controls/ControlColor.h"
#include "core/AudioBurnJob.h"

#include <QComboBox>
#include <QLabel>

namespace burning {

namespace {
constexpr qint64 kGreen = 0x8000;
constexpr qint64 kRed = 255;
} // namespace

QString WriterControls::SelectedDrive() const {
    return cboDrv->currentText().left(1);
}

qint32 WriterControls::Speed() const {
    bool ok = false;
    const qint32 v = cboSpeed->currentData().toInt(&ok);
    return ok ? v : components::cAudioBurner::kMaxSpeed;
}

void WriterControls::LoadWriterDevices(const std::function<void()>& click) const {
    const qint32 count = burner->DeviceCount();
    for (qint32 i = 1; i <= count; ++i)
        cboDrv->addItem(burner->DeviceName(i));
    if (cboDrv->count() > 0) {
        // A selection from code counts as the user's: the disc display follows.
        if (cboDrv->currentIndex() == 0) {
            if (click) click();
        } else {
            cboDrv->setCurrentIndex(0);
        }
    }
}

void WriterControls::LoadWriteSpeeds() const {
    const qint32 count = burner->WriteSpeedCount(SelectedDrive());
    cboSpeed->clear();
    for (qint32 i = 1; i <= count; ++i) {
        const qint32 kbps = burner->WriteSpeed(i).toInt();
        cboSpeed->addItem(core::SpeedEntryText(kbps), kbps);
    }
    cboSpeed->addItem(QStringLiteral("Max."), components::cAudioBurner::kMaxSpeed);
    cboSpeed->setCurrentIndex(cboSpeed->count() - 1);
}

void WriterControls::ShowDisc() const {
    LoadWriteSpeeds();
    lblDiskSize->setText(QString::number(burner->DiscSize(SelectedDrive())));
    lblDiskCapacity->setText(core::DiscCapacityText(burner->DiscCapacity(SelectedDrive())));
    lblState->setText(burner->DriveState(SelectedDrive()));
    QFont font = lblState->font();
    if (lblState->text().isEmpty()) {
        lblState->setText(QStringLiteral("OK - Ready to be burn."));
        controls::ApplyTextColor(lblState, kGreen);
        font.setBold(false);
    } else {
        controls::ApplyTextColor(lblState, kRed);
        font.setBold(true);
    }
    lblState->setFont(font);
}

} // namespace burning
