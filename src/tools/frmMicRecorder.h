// The Audio Recorder: records an input device into one PCM WAV file of at
// most 30 seconds, with a level meter, plays a WAV file back with a position
// slider, lists its format, and adds it to the main window's list. Every
// call to the recorder and its events are written to the log.
#pragma once

#include "components/cWave.h"

#include <QDialog>
#include <QPointer>
#include <QStringList>

#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTimer;
class QToolButton;
class cProgressBar;
class cSlider;
class cStatusBar;

class frmMicRecorder : public QDialog {
    Q_OBJECT
public:
    // `addFiles` puts files into the main window's list (and saves it).
    explicit frmMicRecorder(std::function<void(QStringList&)> addFiles, QWidget* parent = nullptr);
    ~frmMicRecorder() override;

    void Form_Load();

    // Where a recording goes unless the user names another file:
    // wave_file.wav in the Music folder when the user can write there, else
    // in the home folder.
    static QString DefaultAudioFile();
    // The path box as an absolute path: "~/" is the home folder and any
    // other relative path lies in the default file's folder. Empty stays empty.
    static QString AbsoluteAudioFile(const QString& text);

    // The recording format the three lists' texts give.
    static components::tWaveFormatEx RecordFormat(const QString& bits, const QString& rate,
                                                  const QString& channels);

    components::tWaveFormatEx g_tRecordFormat;
    qint32 g_lRecSeconds = 0;

    QWidget* picTitle = nullptr;
    QLabel* lblTitle = nullptr;
    QLabel* lblDevices = nullptr;
    QComboBox* cboDevices = nullptr;
    QLabel* lblWaveFile = nullptr;
    QLineEdit* txtAudioFile = nullptr;
    QPushButton* cmdPath = nullptr;
    QPushButton* cmdFileDetails = nullptr;
    QLabel* Label1 = nullptr;
    QComboBox* cboBitPerSample = nullptr;
    QLabel* Label2 = nullptr;
    QComboBox* cboSamplesPerSec = nullptr;
    QLabel* Label3 = nullptr;
    QComboBox* cboChannels = nullptr;
    QToolButton* cmdRecord = nullptr;
    QToolButton* cmdStopRec = nullptr;
    QPushButton* cmdPauseIn = nullptr;
    QPushButton* cmdUnPauseIn = nullptr;
    QLabel* lblRecTime = nullptr;
    QLabel* Label6 = nullptr;
    cProgressBar* prgMeter = nullptr;
    QCheckBox* chkMeterIn = nullptr;
    QCheckBox* chkPreScreen = nullptr;
    QCheckBox* chkCutSilence = nullptr;
    QToolButton* cmdPlay = nullptr;
    QToolButton* cmdStop = nullptr;
    QPushButton* cmdPauseOut = nullptr;
    QPushButton* cmdUnPauseOut = nullptr;
    cSlider* cSlider1 = nullptr;
    QLabel* lblCurrentPositionSec = nullptr;
    QLabel* lbTotalLengthSec = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label5 = nullptr;
    QPushButton* cmdAdd = nullptr;
    QPushButton* cmdExit = nullptr;
    QWidget* Picture1 = nullptr;
    QLabel* lblNoticParameters = nullptr;
    QLabel* Label7 = nullptr;
    QPlainTextEdit* txtResults = nullptr;
    cStatusBar* cStatusBar1 = nullptr;
    QTimer* tmrRec = nullptr;
    QTimer* tmSlider = nullptr;
    components::cWave* cWave1 = nullptr;

public slots:
    void cmdPath_Click();
    void cmdRecord_Click();
    void cmdStopRec_Click();
    void cmdPauseIn_Click();
    void cmdUnPauseIn_Click();
    void chkMeterIn_Click();
    void tmrRec_Timer();
    void cmdPlay_Click();
    void cmdStop_Click();
    void cmdPauseOut_Click();
    void cmdUnPauseOut_Click();
    void tmSlider_Timer();
    void cmdFileDetails_Click();
    void cmdAdd_Click();
    void cmdExit_Click();
    void lblNoticParameters_Click();
    void cWave1_DonePlay();
    void cWave1_DoneRecord();
    void cWave1_MeterLevel(qint16 level);

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    // One log line: the time of day, the message (which begins with ": ") and CR LF.
    void Log(const QString& message);
    // The file the window records, plays, shows and adds: the path box made
    // absolute, which the box then shows.
    QString AudioFile();
    // Asks before a file is replaced; true to go on.
    bool MayOverwrite(const QString& path);
    // A clear message when the file cannot be made where the path points; true when it can.
    bool FolderTakesFile(const QString& path);
    void Form_Unload();

    std::function<void(QStringList&)> m_addFiles;
    bool m_unloaded = false;
};

namespace tools {
extern QPointer<frmMicRecorder> g_frmMicRecorder;
} // namespace tools

namespace toolframe {
struct ToolLaunch;
}

namespace tools {

// "Audio Recorder": nothing is handed over; shows the recorder modally and
// returns when it has closed.
void OpenMicRecorder(const toolframe::ToolLaunch& launch);

} // namespace tools
