// The Options dialog. Loaded hidden at start-up, it reads every general,
// end-of-job and tag setting into the settings variables, and stays loaded
// until the program exits.
#pragma once

#include <QDialog>

class frmOptions : public QDialog {
    Q_OBJECT
public:
    explicit frmOptions(QWidget* parent = nullptr);
    ~frmOptions() override;

    // The loaded instance, or nullptr.
    static frmOptions* instance();

    // The load handler: builds nothing visible, reads the settings.
    void Form_Load();

protected:
    // Hides instead of closing until settings::g_bAppExiting is set.
    void closeEvent(QCloseEvent* event) override;
};
