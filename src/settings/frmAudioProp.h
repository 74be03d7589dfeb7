// The Audio Format dialog: one page per enabled output format with the
// encoder settings. Loaded hidden at start-up after the Options dialog and
// kept loaded until the program exits.
#pragma once

#include <QDialog>
#include <QPointer>

class frmAudioProp : public QDialog {
    Q_OBJECT
public:
    explicit frmAudioProp(QWidget* parent = nullptr);
    ~frmAudioProp() override;

    // The load handler: reads the encoder settings. Calling it again does nothing.
    void Form_Load();

protected:
    // Hides instead of closing until settings::g_bAppExiting is set.
    void closeEvent(QCloseEvent* event) override;

private:
    bool m_loaded = false;
};

namespace settings {
// The loaded Audio Format dialog, or nullptr.
extern QPointer<frmAudioProp> g_frmAudioProp;
} // namespace settings
