#include "core/ConverterItemJob.h"

#include "components/cAudioConverter.h"

namespace core {

ConverterItemJob::ConverterItemJob(components::cAudioConverter* converter, QObject* parent)
    : ItemJob(parent) {
    if (!converter) {
        m_own = std::make_unique<components::cAudioConverter>();
        converter = m_own.get();
    }
    m_converter = converter;
    using C = components::cAudioConverter;
    connect(m_converter, &C::Progress, this, &ItemJob::Progress);
    connect(m_converter, &C::Done, this, &ItemJob::Done);
    connect(m_converter, &C::Error, this, &ItemJob::Error);
    connect(m_converter, &C::Aborted, this, &ItemJob::Aborted);
    connect(m_converter, &C::Note, this, &ItemJob::Note);
}

ConverterItemJob::~ConverterItemJob() = default;

void ConverterItemJob::BeginRun(const OutputSettings& output) {
    ApplyOutputSettings(*m_converter, output);
}

void ConverterItemJob::StartItem(const ItemRequest& item) {
    if (item.tags) ApplyTags(*m_converter, *item.tags);
    m_converter->setSourceFile(item.source);
    if (item.ranged) {
        m_converter->setRangeStart(item.rangeStart);
        m_converter->setRangeLength(item.rangeLength);
    }
    m_converter->setDestinationFile(item.destination);
    m_converter->StartConvert();
}

void ConverterItemJob::Abort() {
    m_converter->Abort();
}

void ConverterItemJob::Close() {
    m_converter->Close();
}

} // namespace core
