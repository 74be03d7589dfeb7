#include "options/frmProgParameters.h"

#include "controls/ControlColor.h"
#include "core/AppPaths.h"
#include "core/mdlModes.h"
#include "dialogs/WindowChrome.h"
#include "options/DialogControls.h"
#include "settings/SettingsVariables.h"

#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

namespace options {
QPointer<frmProgParameters> g_frmProgParameters;

frmProgParameters* LoadProgParameters(QWidget* owner) {
    if (!g_frmProgParameters) {
        g_frmProgParameters = new frmProgParameters(owner);
        g_frmProgParameters->Form_Load();
    }
    return g_frmProgParameters;
}

frmProgParameters* OpenProgParametersAt(QWidget* owner, int section) {
    frmProgParameters* window = LoadProgParameters(owner);
    // Choosing the position shown already still runs the handler.
    if (window->cboSections->currentIndex() == section)
        window->cboSections_Click();
    else
        window->cboSections->setCurrentIndex(section);
    return window;
}

void ShowProgParameters(QWidget* owner, int section) {
    OpenProgParametersAt(owner, section)->exec();
}
} // namespace options

namespace {
// Rows of the token lists: 360 twips apart.
constexpr int kRowPixels = 360 / 15;
} // namespace

QList<frmProgParameters::TokenRow> frmProgParameters::SectionRows(int section) {
    switch (section) {
    case SectionAppNotic:
        return {{"[PROG_NAME]", "The program name."},
                {"[PROG_VERSION]", "The version."},
                {"[FILE_RECORDED]", "The created file path and name."},
                {"[FILE_SIZE]", "The created file size."},
                {"[FILE_TIME_LENGTH]", "The created file time length."},
                {"[FILE_CREATED]", "The date and time of the file."}};
    case SectionID3Tags:
        return {{"[PROG_NAME]", "The program name."},
                {"[PROG_VERSION]", "The version."},
                {"[DATE]", "The creation date of the file."},
                {"[TIME]", "The creation time of the file."},
                {"[TRACK_NUM]", "The item number."},
                {"[YEAR]", "The creation year of the file."},
                {"[SOURCE_NAME]", "The source file name."},
                {"[ITEM_NAME]", "The item name from the Items List."},
                {"[RANGE]", "The processed range."}};
    case SectionFileName:
        return {{"[file_name]", "The file name."},
                {"[date]", "The current date."},
                {"[time]", "The current time."},
                {"[123]", "The track number."},
                {"[source_extension]", "The extension of the source file."},
                {"[dest_extension]", "The extension of the destination file."},
                {"[item_name]", "The item name from the Items List."}};
    default:
        return {};
    }
}

frmProgParameters::frmProgParameters(QWidget* parent) : QDialog(parent) {
    setObjectName("frmProgParameters");
    setWindowTitle("Parameters");
    setModal(true);
    BuildControls();
}

void frmProgParameters::BuildControls() {
    auto* root = new QVBoxLayout(this);

    picTitle = options::AddTitleStrip(this, root, lblTitle, "Parameters");
    picTitle->setAutoFillBackground(true);

    auto* sectionsCaption = new QLabel("Sections:", this);
    sectionsCaption->setObjectName("lblSections");
    root->addWidget(sectionsCaption);
    cboSections = new QComboBox(this);
    cboSections->setObjectName("cboSections");
    cboSections->setEditable(false);
    cboSections->addItems({"Execute external application", "ID3 Audio Tags", "File Name Format"});
    cboSections->setCurrentIndex(-1);
    root->addWidget(cboSections);

    // The three frames share one spot just below the list, at its left edge.
    auto* frames = new QGridLayout;
    frames->setContentsMargins(0, 50 / 15, 0, 0);
    const char* frameNames[] = {"fraAppNotic", "fraID3Tags", "fraExt"};
    QFrame** frameMembers[] = {&fraAppNotic, &fraID3Tags, &fraExt};
    for (int section = 0; section < 3; ++section) {
        auto* frame = new QFrame(this);
        frame->setObjectName(frameNames[section]);
        frame->setFrameShape(QFrame::StyledPanel);
        frame->setAutoFillBackground(true);
        auto* grid = new QGridLayout(frame);
        const QList<TokenRow> rows = SectionRows(section);
        for (int row = 0; row < rows.size(); ++row) {
            auto* token = new QLineEdit(rows[row].token, frame);
            token->setObjectName("txtParameter");
            token->setProperty("Index", static_cast<int>(txtParameter.size()));
            token->setReadOnly(true);
            auto* dash = new QLabel("-", frame);
            auto* meaning = new QLabel(rows[row].meaning, frame);
            meaning->setObjectName("lblMeaning");
            grid->addWidget(token, row, 0);
            grid->addWidget(dash, row, 1);
            grid->addWidget(meaning, row, 2);
            grid->setRowMinimumHeight(row, kRowPixels);
            txtParameter.append(token);
            lblMeaning.append(meaning);
        }
        grid->setColumnStretch(2, 1);
        grid->setRowStretch(static_cast<int>(rows.size()), 1);
        frame->setVisible(false);
        frames->addWidget(frame, 0, 0);
        *frameMembers[section] = frame;
    }
    root->addLayout(frames, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    cmdOk = options::AddDialogButton(this, buttons, "cmdOk", "OK", true);
    root->addLayout(buttons);

    connect(cboSections, &QComboBox::currentIndexChanged, this, &frmProgParameters::cboSections_Click);
    connect(cmdOk, &QPushButton::clicked, this, &frmProgParameters::cmdOk_Click);
}

void frmProgParameters::Form_Load() {
    dialogs::chrome::ApplyTitleStrip(picTitle, {lblTitle});
    // A text that is no number keeps the design colours.
    dialogs::chrome::ApplyView({this, fraAppNotic, fraID3Tags, fraExt}, picTitle, QList<QWidget*>{this});
}

void frmProgParameters::cboSections_Click() {
    const QList<QFrame*> frames{fraAppNotic, fraID3Tags, fraExt};
    for (QFrame* frame : frames)
        frame->setVisible(false);
    const int section = cboSections->currentIndex();
    if (section >= 0 && section < frames.size()) frames[section]->setVisible(true);
}

void frmProgParameters::cmdOk_Click() {
    accept();
}

void frmProgParameters::done(int result) {
    QDialog::done(result);
    deleteLater();
}
