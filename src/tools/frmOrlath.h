// The Text To Speech window: speaks the typed text aloud with the word being
// heard selected, and turns the text into a file of the target format, saved
// under a chosen name or added to the items list of the main window. Files go
// through the temporary "tmptts.wav" of the program folder and the one-file
// conversion window.
#pragma once

#include "components/cOrlath.h"
#include "toolframe/ToolLaunch.h"

#include <QDialog>
#include <QPointer>
#include <QVector>

#include <functional>
#include <memory>

class QComboBox;
class QFrame;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class cImageList;
class cLinkLabel;
class cSlider;
class cStatusBar;

class frmOrlath : public QDialog {
    Q_OBJECT
public:
    // Of the launch it takes the menu pictures, the list's add and save, and (tests) the conversion's job.
    explicit frmOrlath(const toolframe::ToolLaunch& launch, QWidget* parent = nullptr);
    ~frmOrlath() override;

    void Form_Load();

    QFrame* picTitle = nullptr;
    QLabel* lblTitle = nullptr;
    QLabel* lblOutputs = nullptr;
    QComboBox* cboAudioOutputs = nullptr;
    QLabel* lblVoices = nullptr;
    QComboBox* cboVoices = nullptr;
    QLabel* lblFormats = nullptr;
    QComboBox* cboFormats = nullptr;
    QLabel* lblVolume = nullptr;
    QLabel* lblValumeVal = nullptr;
    cSlider* sldVolume = nullptr;
    QLabel* lblRate = nullptr;
    QLabel* lblRateVal = nullptr;
    cSlider* sldRate = nullptr;
    QLabel* lblText = nullptr;
    cLinkLabel* lblClearText = nullptr;
    QPlainTextEdit* txtSpeak = nullptr;
    QPushButton* cmdSay = nullptr;
    QPushButton* cmdStop = nullptr;
    QLabel* lblAudioFormat = nullptr;
    cLinkLabel* lblID3Tags = nullptr;
    QComboBox* cboTargetFormat = nullptr;
    QPushButton* cmdEditTargetFormat = nullptr;
    QPushButton* cmdAdd = nullptr;
    QPushButton* cmdSaveAs = nullptr;
    QVector<QPushButton*> cmdToolsIcon;
    cStatusBar* cStatusBar1 = nullptr;
    components::cOrlath* cOrlath1 = nullptr;

    // The Audio Format dialog at a format's tab and the Options dialog at a
    // page, both modally (tests answer them instead).
    std::function<void(QWidget* owner, const QString& key)> openAudioFormat;
    std::function<void(QWidget* owner, const QString& page)> openOptionsPage;

    // The temporary WAV every file is spoken into.
    static QString TempWavPath();

public slots:
    void cmdSay_Click();
    void cmdStop_Click();
    void cmdSaveAs_Click();
    void cmdAdd_Click();
    void cmdEditTargetFormat_Click();
    void lblID3Tags_Click();
    void lblClearText_Click();
    void txtSpeak_Change();
    void sldRate_Change();
    void sldVolume_Change();
    void cOrlath1_WordPosition(qint32 start, qint32 length);
    void cOrlath1_SpeakDone();
    void cOrlath1_AudioFormatItem(const QString& name, qint32 id);

    // The close box: the settings are stored and the engine released.
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    void LoadVoices();
    void LoadAudioOutputs();
    // Speaks the text into the file with the file settings; false (after
    // saying why) when no speech was written.
    bool SpeakToFile(const QString& sPath);
    // Converts the temporary WAV into `dest` in the target format; false,
    // with the reason, when the conversion did not finish.
    bool ConvertTo(const QString& dest, QString* reason);
    void SelectTargetFromOptions();
    void ShowMessage(const QString& text);
    void Form_Unload();

    toolframe::ToolLaunch m_launch;
    bool m_unloaded = false;
    // The sample text is shown and untouched: what the user types or pastes first replaces it.
    bool m_sampleText = false;
};

namespace tools {
// The open Text To Speech window, or null.
extern QPointer<frmOrlath> g_frmOrlath;
// The "Text To Speech" command: loads the window, shows it modally and
// returns when it has closed.
void OpenOrlath(const toolframe::ToolLaunch& launch);
} // namespace tools
