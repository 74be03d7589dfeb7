#include "conversion/frmACMConverter.h"

#include "components/cAudioConverter.h"
#include "controls/cGrid.h"
#include "itemlists/BatchItems.h"
#include "itemlists/ItemRows.h"
#include "settings/RunOutput.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QSignalBlocker>

namespace conversion {
QPointer<frmACMConverter> g_frmACMConverter;
}

namespace {

const QString kAllCodecs = QStringLiteral("All ACM Codecs");

toolframe::frmBatchTool::Design ACMDesign() {
    toolframe::frmBatchTool::Design d;
    d.objectName = QStringLiteral("frmACMConverter");
    d.caption = QStringLiteral("ACM Converter");
    d.settingsTabCaption = QStringLiteral("ACM Converter        ");
    d.settingsTabIcon = 61;
    d.iconName = QStringLiteral("replace2");
    d.noticeAppText = QStringLiteral("Execute external program");
    d.honourOverwriteBox = false;
    return d;
}

core::BatchPolicy ACMPolicy() {
    core::BatchPolicy p;
    p.tags = core::BatchPolicy::Tags::None;
    p.quietDisplay = true;
    return p;
}

} // namespace

frmACMConverter::frmACMConverter(std::unique_ptr<core::ItemJob> job, components::cAudioConverter& codecs,
                                 cImageList* imgMenu, QWidget* parent)
    : frmBatchTool(ACMDesign(), std::move(job), ACMPolicy(), imgMenu, parent), m_codecs(codecs) {
    auto* g = new QGridLayout(formatArea);
    g->setContentsMargins(0, 0, 0, 0);
    auto list = [this](const char* name) {
        auto* combo = new QComboBox(formatArea);
        combo->setObjectName(QString::fromLatin1(name));
        return combo;
    };
    lblBestAccord = new QLabel(QStringLiteral("Best ACM Codecs According:"), formatArea);
    lblBestAccord->setObjectName(QStringLiteral("lblBestAccord"));
    cboBestAccordItem = list("cboBestAccordItem");
    lblTag = new QLabel(QStringLiteral("Target ACM Tag:"), formatArea);
    lblTag->setObjectName(QStringLiteral("lblTag"));
    cboTags = list("cboTags");
    lblFormat = new QLabel(QStringLiteral("Target ACM Format:"), formatArea);
    lblFormat->setObjectName(QStringLiteral("lblFormat"));
    cboFormats = list("cboFormats");
    g->addWidget(lblBestAccord, 0, 0);
    g->addWidget(cboBestAccordItem, 0, 1);
    g->addWidget(lblTag, 1, 0);
    g->addWidget(cboTags, 1, 1);
    g->addWidget(lblFormat, 2, 0);
    g->addWidget(cboFormats, 2, 1);
    g->setColumnStretch(1, 1);

    connect(cboBestAccordItem, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0) cboBestAccordItem_Click();
    });
    connect(cboTags, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0) cboTags_Click();
    });
    connect(&m_codecs, &components::cAudioConverter::ACMTagItem, this,
            &frmACMConverter::cAudioConverter1_ACMTagItem);
    connect(&m_codecs, &components::cAudioConverter::ACMFormatItem, this,
            &frmACMConverter::cAudioConverter1_ACMFormatItem);
    connect(&Run(), &core::Job::Running, this, &frmACMConverter::SetRunning);
}

core::RunOutput frmACMConverter::RunOutput() const {
    return settings::OutputForACM(cboTags->currentText(), cboFormats->currentText());
}

void frmACMConverter::cAudioConverter1_ACMTagItem(const QString& name) {
    const QSignalBlocker block(cboTags);
    cboTags->addItem(name);
    cboTags->setCurrentIndex(-1);
}

void frmACMConverter::cAudioConverter1_ACMFormatItem(const QString& name) {
    const QSignalBlocker block(cboFormats);
    cboFormats->addItem(name);
    cboFormats->setCurrentIndex(-1);
}

void frmACMConverter::SelectPCMTag() {
    if (cboTags->count() < 1) return;
    {
        const QSignalBlocker block(cboTags);
        cboTags->setCurrentIndex(cboTags->findText(QStringLiteral("PCM"), Qt::MatchExactly));
    }
    cboTags_Click();
}

void frmACMConverter::LoadFormatArea() {
    {
        const QSignalBlocker block(cboTags);
        cboTags->clear();
    }
    m_codecs.EnumACMTags(1, 44100, 2, 16, 0);
    SelectPCMTag();
}

void frmACMConverter::cboBestAccordItem_Click() {
    {
        const QSignalBlocker blockTags(cboTags);
        const QSignalBlocker blockFormats(cboFormats);
        cboTags->clear();
        cboFormats->clear();
    }
    const QString text = cboBestAccordItem->currentText();
    if (text == kAllCodecs) {
        m_codecs.EnumACMTags(1, m_codecs.SampleRate(), m_codecs.Channels(), m_codecs.BitsPerSample(), 0);
    } else {
        m_codecs.OpenSource(text); // a file that cannot be read still lists with what the converter reports
        m_codecs.EnumACMTags(1, m_codecs.SampleRate(), m_codecs.Channels(), m_codecs.BitsPerSample(),
                             components::cAudioConverter::ACM_FORMATENUMF_CONVERT);
    }
    SelectPCMTag();
}

void frmACMConverter::cboTags_Click() {
    {
        const QSignalBlocker block(cboFormats);
        cboFormats->clear();
    }
    m_codecs.EnumACMFormats(cboTags->currentText());
    if (cboFormats->count() > 0) cboFormats->setCurrentIndex(0);
}

void frmACMConverter::FillSourceList(cGrid& mainGrid) {
    const qint32 col = mainGrid.ColumnIndex(itemlists::COL_FILE);
    {
        const QSignalBlocker block(cboBestAccordItem);
        cboBestAccordItem->clear();
        cboBestAccordItem->addItem(kAllCodecs);
        for (qint32 row = 1; row <= mainGrid.Rows(); ++row)
            cboBestAccordItem->addItem(mainGrid.CellText(row, col));
        cboBestAccordItem->setCurrentIndex(-1);
    }
    const qint32 selected = mainGrid.SelectedRow();
    if (selected >= 1)
        cboBestAccordItem->setCurrentIndex(
            cboBestAccordItem->findText(mainGrid.CellText(selected, col), Qt::MatchExactly));
}

void frmACMConverter::SetRunning(bool running) {
    // The lists would open files on the converter that is converting.
    cboBestAccordItem->setEnabled(!running);
    cboTags->setEnabled(!running);
    cboFormats->setEnabled(!running);
}
