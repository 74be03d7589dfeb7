// The writer side that the Audio CD Burner and the Audio CD Duplicator share:
// the writers in cboDrv, the chosen writer's speeds in cboSpeed (then "Max."),
// and its disc's size, capacity in minutes and state.
#pragma once

#include <QString>

#include <functional>

class QComboBox;
class QLabel;

namespace components {
class cAudioBurner;
}

namespace burning {

struct WriterControls {
    components::cAudioBurner* burner = nullptr;
    QComboBox* cboDrv = nullptr;
    QComboBox* cboSpeed = nullptr;
    QLabel* lblDiskSize = nullptr;
    QLabel* lblDiskCapacity = nullptr;
    QLabel* lblState = nullptr;

    // The writer letter: the first character of the chosen entry ("" for none).
    QString SelectedDrive() const;
    // The chosen speed in kB/s; the fastest when nothing is chosen.
    qint32 Speed() const;
    // LoadWriterDevices: every writer; the first one is chosen, and `click`
    // (cboDrv_Click) runs also when it was chosen already.
    void LoadWriterDevices(const std::function<void()>& click) const;
    void LoadWriteSpeeds() const;
    // cboDrv_Click: the speeds, then the disc's size, capacity and state
    // ("OK - Ready to be burn." in green, else the state in bold red).
    void ShowDisc() const;
};

} // namespace burning
