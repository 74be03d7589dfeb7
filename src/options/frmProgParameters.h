// The "Parameters" window: lists the tokens the user may type into the
// end-of-job command line, the tag texts and the output file-name formats,
// one section at a time. It only shows text.
//
// Callers: LoadProgParameters, set cboSections to the section, show modally
// (ShowProgParameters does the three steps).
#pragma once

#include <QDialog>
#include <QList>
#include <QPointer>

class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

class frmProgParameters : public QDialog {
    Q_OBJECT
public:
    // List positions of cboSections.
    enum Section { SectionAppNotic = 0, SectionID3Tags = 1, SectionFileName = 2 };

    explicit frmProgParameters(QWidget* parent = nullptr);

    // One row of a section: the token and its meaning, as shown.
    struct TokenRow {
        QString token;
        QString meaning;
    };
    // The rows of a section, in the order shown (empty for another position).
    static QList<TokenRow> SectionRows(int section);

    // Title colours and theme of the edition; no section is chosen here.
    void Form_Load();

    QFrame* picTitle = nullptr;
    QLabel* lblTitle = nullptr;
    QComboBox* cboSections = nullptr; // list-only
    QFrame* fraAppNotic = nullptr;
    QFrame* fraID3Tags = nullptr;
    QFrame* fraExt = nullptr;
    // The read-only token boxes of all three frames, in order (section 0 first).
    QList<QLineEdit*> txtParameter;
    // The meaning beside each token box, same order.
    QList<QLabel*> lblMeaning;
    QPushButton* cmdOk = nullptr;

public slots:
    // Shows only the frame of the chosen position; another position shows none.
    void cboSections_Click();
    // Unloads the window.
    void cmdOk_Click();

protected:
    // However the window closes (OK, Escape, the title bar), it unloads.
    void done(int result) override;

private:
    void BuildControls();
};

namespace options {
// The loaded help window, or nullptr.
extern QPointer<frmProgParameters> g_frmProgParameters;

// Loads the window (when not loaded; closing unloads it) and returns it.
frmProgParameters* LoadProgParameters(QWidget* owner);
// Loads the window and selects the section (runs cboSections_Click); not shown yet.
frmProgParameters* OpenProgParametersAt(QWidget* owner, int section);
// OpenProgParametersAt, then shows the window modally.
void ShowProgParameters(QWidget* owner, int section);
} // namespace options
