#include "conversion/frmConverter.h"

#include "core/frmAbout.h"
#include "core/mdlSupportedDestination.h"
#include "settings/SettingsVariables.h"
#include "settings/frmOptions.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>

namespace conversion {
QPointer<frmConverter> g_frmConverter;
}

namespace {
conversion::frmBatchTool::Design ConverterDesign() {
    conversion::frmBatchTool::Design d;
    d.objectName = QStringLiteral("frmConverter");
    d.caption = QStringLiteral("Audio Converter");
    d.settingsTabCaption = QStringLiteral("Converter        ");
    d.settingsTabIcon = 7;
    d.iconName = QStringLiteral("replace2");
    return d;
}
} // namespace

frmConverter::frmConverter(std::unique_ptr<conversion::ItemJob> job, cImageList* imgMenu, QWidget* parent)
    : frmBatchTool(ConverterDesign(), std::move(job), conversion::BatchPolicy{}, imgMenu, parent) {
    auto* g = new QGridLayout(formatArea);
    g->setContentsMargins(0, 0, 0, 0);
    Label5 = new QLabel(QStringLiteral("Audio Format:"), formatArea);
    Label5->setObjectName(QStringLiteral("Label5"));
    cboTargetFormat = new QComboBox(formatArea);
    cboTargetFormat->setObjectName(QStringLiteral("cboTargetFormat"));
    cmdEditTargetFormat = new QPushButton(QStringLiteral("Edit"), formatArea);
    cmdEditTargetFormat->setObjectName(QStringLiteral("cmdEditTargetFormat"));
    cmdEditTargetFormat->setToolTip(QStringLiteral("Edit Target Audio Formats"));
    lblSetAsDefaultFormat = new cLinkLabel(QStringLiteral("Set as default"), formatArea);
    lblSetAsDefaultFormat->setObjectName(QStringLiteral("lblSetAsDefaultFormat"));
    lblSetAsDefaultFormat->setToolTip(QStringLiteral("Set as default format"));
    g->addWidget(Label5, 0, 0);
    g->addWidget(cboTargetFormat, 0, 1);
    g->addWidget(cmdEditTargetFormat, 0, 2);
    g->addWidget(lblSetAsDefaultFormat, 0, 3);
    g->setColumnStretch(1, 1);

    connect(cboTargetFormat, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0) cboTargetFormat_Click();
    });
    connect(cmdEditTargetFormat, &QPushButton::clicked, this, &frmConverter::cmdEditTargetFormat_Click);
    connect(lblSetAsDefaultFormat, &cLinkLabel::clicked, this, &frmConverter::lblSetAsDefaultFormat_Click);
}

QString frmConverter::TargetFormatText() const {
    return cboTargetFormat->currentText();
}

void frmConverter::LoadFormatArea() {
    {
        // Filling is no choice: the link is computed for the entry chosen below only.
        const QSignalBlocker block(cboTargetFormat);
        core::FillDestinationFormats(cboTargetFormat);
        cboTargetFormat->setCurrentIndex(-1);
    }
    frmOptions* options = frmOptions::instance();
    const QString wanted = options && options->cboTargetFormat ? options->cboTargetFormat->currentText()
                                                               : settings::g_sTargetFormat;
    cboTargetFormat->setCurrentIndex(cboTargetFormat->findText(wanted, Qt::MatchExactly));
}

void frmConverter::cboTargetFormat_Click() {
    lblSetAsDefaultFormat->setEnabled(false);
    if (cboTargetFormat->currentText() != settings::g_sTargetFormat) lblSetAsDefaultFormat->setEnabled(true);
}

void frmConverter::StoreFormatDefault() {
    StoreGeneralDefault(QStringLiteral("cboTargetFormat"), cboTargetFormat->currentText());
    lblSetAsDefaultFormat->setEnabled(false);
}

void frmConverter::lblSetAsDefaultFormat_Click() {
    if (!lblSetAsDefaultFormat->isEnabled()) return;
    StoreFormatDefault();
}

void frmConverter::cmdEditTargetFormat_Click() {
    if (openAudioFormat) openAudioFormat(this, cboTargetFormat->currentText().left(3));
    // The dialog's OK chose the Options dialog's format; the window follows it
    // and keeps it as the default, however the dialog was closed.
    frmOptions* options = frmOptions::instance();
    if (options && options->cboTargetFormat)
        cboTargetFormat->setCurrentIndex(options->cboTargetFormat->currentIndex());
    StoreFormatDefault();
}
