// The Audio Analyser: one WAV file as a waveform, its format, the selection's
// position, playback of the selection, and saving the selection as a WAV of
// its own, also as a new item of the main window's list.
#pragma once

#include <QDialog>
#include <QPointer>
#include <QStringList>

#include <functional>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class Glimmet;
class cImageList;
class cReBar;
class cStatusBar;
class cToolbar;
class cWaveView;

namespace components {
class cAudioEditor;
}

class frmAudioEditor : public QDialog {
    Q_OBJECT
public:
    // `addFiles` puts files into the main window's list (and saves it).
    explicit frmAudioEditor(cImageList* imgMenu, std::function<void(QStringList&)> addFiles,
                            QWidget* parent = nullptr);
    ~frmAudioEditor() override;

    void Form_Load();
    // Loads the analysed file; a file that cannot be shown is said in a message
    // and leaves the view empty (false).
    bool LoadFile(const QString& path);
    // "N ms [H:MM:SS]", the seconds rounded half to even.
    static QString TimeLabel(qint64 ms);

    QWidget* picTitle = nullptr;
    QLabel* lblTitle = nullptr;
    components::cAudioEditor* cAudioEditor1 = nullptr;
    cWaveView* cWaveView1 = nullptr;
    QWidget* picList = nullptr;
    cReBar* rbrList = nullptr;
    cToolbar* tlbrList = nullptr;
    QGroupBox* fraInfo = nullptr;
    QGroupBox* fraPosition = nullptr;
    QLabel* lblInfoSamples = nullptr;
    QLabel* lblInfoBits = nullptr;
    QLabel* lblInfoChannels = nullptr;
    QLabel* lblNumOfSamples = nullptr;
    QLabel* lblLength = nullptr;
    QLabel* lblSamplesStart = nullptr;
    QLabel* lblSamplesEnd = nullptr;
    QLabel* lblTimeStart = nullptr;
    QLabel* lblTimeEnd = nullptr;
    QLabel* lblSelectedTime = nullptr;
    QLineEdit* txtWavFile = nullptr;
    QPushButton* cmdSelectPath = nullptr;
    Glimmet* prgCurrnet = nullptr;
    QPushButton* cmdAddSelection = nullptr;
    QPushButton* cmdAbort = nullptr;
    QPushButton* cmdExit = nullptr;
    QLabel* lblCurrentTrack = nullptr;
    cStatusBar* cStatusBar1 = nullptr;
    QTimer* Timer1 = nullptr;

public slots:
    void tlbrList_ButtonClick(qint32 index);
    void cmdAddSelection_Click();
    void cmdAbort_Click();
    void cmdExit_Click();
    void cmdSelectPath_Click();
    void cAudioEditor1_FileInfo(qint32 samplesPerSec, qint32 bitsPerSample, qint32 channels, qint32 seconds,
                                qint32 samples);
    void cAudioEditor1_SelectionChanged(qint32 startSample, qint32 endSample, qint32 startMs, qint32 endMs);
    void cAudioEditor1_Progress(qint32 percent);
    void cAudioEditor1_Done();
    void cAudioEditor1_Aborted();
    void cAudioEditor1_Error(qint32 code, const QString& description);
    void cAudioEditor1_PlayDone();

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    QString SaveSelectionAs();
    void SetSaveButtons(bool enabled);
    void Form_Unload();

    cImageList* m_imgMenu = nullptr;
    std::function<void(QStringList&)> m_addFiles;
    QString m_pendingAdd; // the file Add Selection is saving, added when the save is done
    bool m_unloaded = false;
};

namespace tools {
extern QPointer<frmAudioEditor> g_frmAudioEditor;
} // namespace tools

namespace toolframe {
struct ToolLaunch;
}

namespace tools {

// True after the user aborted the conversion to the temporary WAV; the
// analyser is then not opened. Reset by every "Audio Analyser" command.
extern bool g_bAbortedAudioEditor;

// "Audio Analyser": the selected row of the main grid, marked or not; a file
// that is no WAV is converted to the temporary WAV first. Shows the analyser
// modally and returns when it has closed.
void OpenAudioAnalyser(const toolframe::ToolLaunch& launch);

} // namespace tools
